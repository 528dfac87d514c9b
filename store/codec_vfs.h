// Page encryption for SQLite as a VFS shim over the platform's VFS.
//
// Every byte at offset o of a database file is XORed with byte (o mod page
// size) of the key stream, which is the same as encrypting each page on its
// own from the start of the RC4 stream.  Page images in a rollback journal
// are encrypted with the read key (the key in force when the transaction
// began), so a rollback after a crash decrypts them.  Temporary files
// (VACUUM's scratch database, statement journals) are encrypted with the main
// database's read key.  WAL files are refused: their frames would otherwise
// reach the disk in plain text.
//
// One CodecVfs serves one connection, so that its temporary files and the
// databases attached to it can inherit the main database's key.
#pragma once

#include <memory>
#include <string>

#include "store/page_key.h"

struct sqlite3;

namespace store {

class CodecVfs {
public:
    // `baseVfs` names the VFS that does the real I/O; empty = the default.
    CodecVfs(KeyDeriver deriver, const std::string& baseVfs);
    ~CodecVfs();
    CodecVfs(const CodecVfs&) = delete;
    CodecVfs& operator=(const CodecVfs&) = delete;

    // The registered name, for sqlite3_open_v2.
    const char* name() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Keying operations on a connection opened through a CodecVfs.  They return
// an SQLite result code and, on failure, set `error` to the message text.

// Sets read and write key of database `schema` ("main", or an attached one)
// to the key of `pass`.  An empty pass phrase leaves the file as it is.
int codecKey(sqlite3* db, const char* schema, const void* pass, int length, std::string& error);

// Re-encrypts the main database under the key of `pass` (empty = decrypt).
// Every page is rewritten inside one journalled transaction; on failure the
// old key stays in force and the file is as it was.
int codecRekey(sqlite3* db, const void* pass, int length, std::string& error);

}  // namespace store
