// Helpers shared by the store tests: throwaway folders, raw file access and
// an independent look at an encrypted database through stock SQLite.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/db_connection.h"

namespace testdb {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string path(const std::string& name) const;

private:
    std::string dir_;
};

std::vector<std::uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool fileExists(const std::string& path);

// XORs every page of an encrypted database image with the key stream of
// `pass`; the page size is read from the decrypted header.
std::vector<std::uint8_t> decryptImage(const std::vector<std::uint8_t>& image, const char* pass);

// Runs `sql` on a plain database file with stock SQLite (no codec) and
// returns the rows, columns joined by '|', NULL as "<null>".  Returns the
// error text as a single row starting with "error:" on failure.
std::vector<std::string> plainRows(const std::string& path, const char* sql);

// The same through a keyed DbConnection.
std::vector<std::string> rows(store::DbConnection& db, const char* sql);

// Everything a snippet database holds but its times (which an operation run
// again stamps anew): the tree, the contents, the attachments with their
// data, and the AUTOINCREMENT counters, each in id order.
std::vector<std::string> snippetRows(store::DbConnection& db);

// The snippet database `path` opened afresh, as the next start opens it.
struct Reopened {
    bool intact = false;            // its integrity check says "ok"
    std::vector<std::string> rows;  // its snippetRows
};
Reopened reopen(const std::string& path);

}  // namespace testdb
