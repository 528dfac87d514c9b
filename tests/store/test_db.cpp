#include "tests/store/test_db.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "store/page_key.h"
#include "store/schema.h"

namespace fs = std::filesystem;

namespace testdb {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path dir = fs::temp_directory_path() /
                   ("jexstore-" + std::to_string(stamp) + "-" + std::to_string(++counter));
    fs::create_directories(dir);
    dir_ = dir.string();
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string TempDir::path(const std::string& name) const { return (fs::path(dir_) / name).string(); }

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool fileExists(const std::string& path) { return fs::exists(path); }

std::vector<std::uint8_t> decryptImage(const std::vector<std::uint8_t>& image, const char* pass) {
    store::PageKeyRef key = store::portablePageKey(pass, int(std::char_traits<char>::length(pass)));
    std::vector<std::uint8_t> plain = image;
    if (plain.size() < 100) return plain;
    std::vector<std::uint8_t> header(plain.begin(), plain.begin() + 100);
    key->apply(header.data(), header.size(), 0);
    std::size_t pageSize = std::size_t(header[16]) << 8 | header[17];
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512) return plain;
    for (std::size_t off = 0; off < plain.size(); off += pageSize)
        key->apply(plain.data() + off, std::min(pageSize, plain.size() - off), 0);
    return plain;
}

namespace {

std::vector<std::string> collect(sqlite3_stmt* stmt) {
    std::vector<std::string> out;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            if (i) row += '|';
            const unsigned char* text = sqlite3_column_text(stmt, i);
            row += text ? reinterpret_cast<const char*>(text) : "<null>";
        }
        out.push_back(row);
    }
    return out;
}

}  // namespace

std::vector<std::string> plainRows(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    std::vector<std::string> out;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        out.push_back(std::string("error: ") + sqlite3_errmsg(db));
    } else {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            out.push_back(std::string("error: ") + sqlite3_errmsg(db));
        else
            out = collect(stmt);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return out;
}

std::vector<std::string> rows(store::DbConnection& db, const char* sql) {
    std::vector<std::string> out;
    for (store::DbQuery q = db.query(sql); !q.eof(); q.nextRow()) {
        std::string row;
        for (int i = 0; i < q.numFields(); ++i) {
            if (i) row += '|';
            row += q.getStringField(i, "<null>");
        }
        out.push_back(row);
    }
    return out;
}

std::vector<std::string> snippetRows(store::DbConnection& db) {
    std::vector<std::string> out;
    for (const char* sql : {"SELECT ItemId, pId, turn, type, SynId, title FROM tree_tbl ORDER BY ItemId;",
                            "SELECT rowid, ItemId, content, memo FROM content_tbl ORDER BY rowid;",
                            "SELECT AttachId, ItemId, title, filesize, bStorePath, filedata FROM attach_tbl "
                            "ORDER BY AttachId;",
                            "SELECT name, seq FROM sqlite_sequence ORDER BY name;"}) {
        std::vector<std::string> part = rows(db, sql);
        out.push_back(sql);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Reopened reopen(const std::string& path) {
    store::DbConnection db;
    store::openSnippetDatabase(db, path.c_str(), true);
    Reopened r;
    r.intact = rows(db, "PRAGMA integrity_check;") == std::vector<std::string>{"ok"};
    r.rows = snippetRows(db);
    return r;
}

}  // namespace testdb
