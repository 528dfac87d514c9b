// The connection to the snippet database and the results of its queries.
//
// One recursive lock serialises every call on a connection, so the interface
// thread and the workers can share it.  A caller that needs several calls to
// run without interruption (a transaction) holds lock() across them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "store/db_exception.h"
#include "store/page_key.h"

struct sqlite3;
struct sqlite3_stmt;

namespace store {

class CodecVfs;

// A forward-only result of one SELECT, positioned on its first row (or at
// its end) when returned by DbConnection::query.
class DbQuery {
public:
    DbQuery() = default;
    DbQuery(DbQuery&& other) noexcept;
    DbQuery& operator=(DbQuery&& other) noexcept;
    ~DbQuery();

    bool eof() const { return eof_; }
    void nextRow();
    int numFields() const;

    // The text of a column, or null for NULL.  Valid until the next row.
    const char* fieldValue(int index) const;
    const char* fieldValue(const char* name) const;
    int fieldIndex(const char* name) const;
    int fieldType(int index) const;

    int getIntField(int index, int nullValue = 0) const;
    int getIntField(const char* name, int nullValue = 0) const;
    const char* getStringField(int index, const char* nullValue = "") const;
    const char* getStringField(const char* name, const char* nullValue = "") const;

    void finalize();

private:
    friend class DbConnection;
    DbQuery(sqlite3* db, sqlite3_stmt* stmt, bool eof, std::shared_ptr<std::recursive_mutex> mutex,
            std::shared_ptr<CodecVfs> vfs);
    void checkStatement() const;
    void checkIndex(int index) const;
    void release() noexcept;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    bool eof_ = true;
    int columns_ = 0;
    std::shared_ptr<std::recursive_mutex> mutex_;
    // A closed connection stays a zombie until its last statement is
    // finalized; its VFS must live that long.
    std::shared_ptr<CodecVfs> vfs_;
};

class DbConnection {
public:
    struct Options {
        KeyDeriver deriver = derivePageKey;  // how pass phrases become keys
        std::string baseVfs;                 // the VFS under the codec; empty = default
    };

    DbConnection();
    explicit DbConnection(Options options);
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Opens (creating when missing) without a key.
    void open(const char* fileName);
    // Opens and, when `passPhrase` is given, keys the main database with it.
    void openWithKey(const char* fileName, const char* passPhrase);
    // Opens an existing file for reading only (a missing file is an error,
    // nothing is ever written to it) and keys it as openWithKey does.
    void openReadOnly(const char* fileName, const char* passPhrase);
    // Re-encrypts the open database under `passPhrase` (null: nothing to do).
    void rekey(const char* passPhrase);
    void close();
    bool isOpen() const;

    // Runs one or more statements; returns the rows changed by the last.
    int execute(const char* sql);
    DbQuery query(const char* sql);
    // The first column of the first row, as a decimal integer.
    int scalar(const char* sql);
    std::int64_t lastInsertId();
    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return busyTimeout_; }
    // Hands the engine's connection to `install`, which adds application-
    // defined functions to it and returns an engine result code; a failure
    // throws with that code.
    void installFunctions(int (*install)(sqlite3* db));

    // Copies this whole database into `target` with the engine's online
    // backup, `pagesPerStep` pages at a time, calling `progress(copied,
    // total)` after each step.  Other connections may go on reading and
    // writing meanwhile: a change made by another connection starts the copy
    // again, so `target` ends up as one consistent image.  While another
    // connection holds the file locked, the copy waits up to the busy timeout.
    // `target` must be open (keyed as its pages are to be written) and must
    // not be used by another thread meanwhile.
    void backupTo(DbConnection& target, int pagesPerStep, const std::function<void(int copied, int total)>& progress);

    // Holds the connection for a sequence of calls.
    std::unique_lock<std::recursive_mutex> lock() { return std::unique_lock<std::recursive_mutex>(*mutex_); }

private:
    void checkOpen() const;
    void openHandle(const char* fileName, int flags);
    void keyMain(const char* passPhrase);
    void applyBusyTimeout();

    Options options_;
    std::shared_ptr<CodecVfs> vfs_;
    sqlite3* db_ = nullptr;
    int busyTimeout_ = 60000;
    std::shared_ptr<std::recursive_mutex> mutex_ = std::make_shared<std::recursive_mutex>();
};

}  // namespace store
