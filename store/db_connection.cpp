#include "store/db_connection.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "store/codec_vfs.h"

namespace store {

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

// Reads a decimal integer the way the C library's atoi does (leading blanks,
// an optional sign, digits up to the first non-digit), without its overflow.
int parseInteger(const char* text) {
    if (!text) return 0;
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    std::uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + std::uint32_t(*text - '0');
    return int(negative ? 0u - value : value);
}

}  // namespace

// --- DbQuery ------------------------------------------------------------------

DbQuery::DbQuery(sqlite3* db, sqlite3_stmt* stmt, bool eof, std::shared_ptr<std::recursive_mutex> mutex,
                 std::shared_ptr<CodecVfs> vfs)
    : db_(db),
      stmt_(stmt),
      eof_(eof),
      columns_(sqlite3_column_count(stmt)),
      mutex_(std::move(mutex)),
      vfs_(std::move(vfs)) {}

DbQuery::DbQuery(DbQuery&& other) noexcept { *this = std::move(other); }

DbQuery& DbQuery::operator=(DbQuery&& other) noexcept {
    if (this != &other) {
        release();
        db_ = other.db_;
        stmt_ = other.stmt_;
        eof_ = other.eof_;
        columns_ = other.columns_;
        mutex_ = std::move(other.mutex_);
        vfs_ = std::move(other.vfs_);
        other.stmt_ = nullptr;
        other.eof_ = true;
    }
    return *this;
}

DbQuery::~DbQuery() { release(); }

void DbQuery::release() noexcept {
    if (stmt_) {
        Guard guard(*mutex_);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
    vfs_.reset();
}

void DbQuery::checkStatement() const {
    if (!stmt_) throw CppSQLite3Exception(kLayerError, "Null Virtual Machine pointer");
}

void DbQuery::checkIndex(int index) const {
    checkStatement();
    if (index < 0 || index >= columns_) throw CppSQLite3Exception(kLayerError, "Invalid field index requested");
}

void DbQuery::nextRow() {
    checkStatement();
    Guard guard(*mutex_);
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE) {
        eof_ = true;
    } else if (rc != SQLITE_ROW) {
        rc = sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw CppSQLite3Exception(rc, sqlite3_errmsg(db_));
    }
}

int DbQuery::numFields() const {
    checkStatement();
    return columns_;
}

const char* DbQuery::fieldValue(int index) const {
    checkIndex(index);
    Guard guard(*mutex_);
    return reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
}

const char* DbQuery::fieldValue(const char* name) const { return fieldValue(fieldIndex(name)); }

int DbQuery::fieldIndex(const char* name) const {
    checkStatement();
    if (name) {
        for (int i = 0; i < columns_; ++i) {
            const char* column = sqlite3_column_name(stmt_, i);
            if (column && std::strcmp(name, column) == 0) return i;
        }
    }
    throw CppSQLite3Exception(kLayerError, "Invalid field name requested");
}

int DbQuery::fieldType(int index) const {
    checkIndex(index);
    Guard guard(*mutex_);
    return sqlite3_column_type(stmt_, index);
}

int DbQuery::getIntField(int index, int nullValue) const {
    if (fieldType(index) == SQLITE_NULL) return nullValue;
    Guard guard(*mutex_);
    return sqlite3_column_int(stmt_, index);
}

int DbQuery::getIntField(const char* name, int nullValue) const { return getIntField(fieldIndex(name), nullValue); }

const char* DbQuery::getStringField(int index, const char* nullValue) const {
    if (fieldType(index) == SQLITE_NULL) return nullValue;
    return fieldValue(index);
}

const char* DbQuery::getStringField(const char* name, const char* nullValue) const {
    return getStringField(fieldIndex(name), nullValue);
}

void DbQuery::finalize() {
    if (!stmt_) return;
    Guard guard(*mutex_);
    int rc = sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    if (rc != SQLITE_OK) throw CppSQLite3Exception(rc, sqlite3_errmsg(db_));
}

// --- DbConnection ---------------------------------------------------------------

DbConnection::DbConnection() : DbConnection(Options()) {}

DbConnection::DbConnection(Options options) : options_(std::move(options)) {}

DbConnection::~DbConnection() { close(); }

void DbConnection::checkOpen() const {
    if (!db_) throw CppSQLite3Exception(kLayerError, "Database not open");
}

void DbConnection::openHandle(const char* fileName, int flags) {
    close();
    vfs_ = std::make_shared<CodecVfs>(options_.deriver, options_.baseVfs);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(fileName, &db, flags | SQLITE_OPEN_URI, vfs_->name());
    if (rc != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        vfs_.reset();
        throw CppSQLite3Exception(rc, message);
    }
    db_ = db;
}

void DbConnection::applyBusyTimeout() { sqlite3_busy_timeout(db_, busyTimeout_); }

void DbConnection::open(const char* fileName) {
    Guard guard(*mutex_);
    openHandle(fileName, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    applyBusyTimeout();
}

void DbConnection::keyMain(const char* passPhrase) {
    if (!passPhrase) return;
    std::string error;
    int rc = codecKey(db_, "main", passPhrase, int(std::strlen(passPhrase)), error);
    if (rc != SQLITE_OK) throw CppSQLite3Exception(rc, error);
}

void DbConnection::openWithKey(const char* fileName, const char* passPhrase) {
    Guard guard(*mutex_);
    openHandle(fileName, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    keyMain(passPhrase);
    applyBusyTimeout();
}

void DbConnection::openReadOnly(const char* fileName, const char* passPhrase) {
    Guard guard(*mutex_);
    openHandle(fileName, SQLITE_OPEN_READONLY);
    keyMain(passPhrase);
    applyBusyTimeout();
}

void DbConnection::rekey(const char* passPhrase) {
    Guard guard(*mutex_);
    checkOpen();
    if (passPhrase) {
        std::string error;
        int rc = codecRekey(db_, passPhrase, int(std::strlen(passPhrase)), error);
        if (rc != SQLITE_OK) throw CppSQLite3Exception(rc, error);
    }
    applyBusyTimeout();
}

void DbConnection::close() {
    Guard guard(*mutex_);
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    vfs_.reset();
}

bool DbConnection::isOpen() const {
    Guard guard(*mutex_);
    return db_ != nullptr;
}

int DbConnection::execute(const char* sql) {
    Guard guard(*mutex_);
    checkOpen();
    char* error = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string detail = error ? error : "";
        sqlite3_free(error);
        throw CppSQLite3Exception(rc, detail);
    }
    return sqlite3_changes(db_);
}

DbQuery DbConnection::query(const char* sql) {
    Guard guard(*mutex_);
    checkOpen();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK) throw CppSQLite3Exception(rc, "");
    if (!stmt) throw CppSQLite3Exception(kLayerError, "Null Virtual Machine pointer");  // empty text

    rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) return DbQuery(db_, stmt, true, mutex_, vfs_);
    if (rc == SQLITE_ROW) return DbQuery(db_, stmt, false, mutex_, vfs_);
    rc = sqlite3_finalize(stmt);
    throw CppSQLite3Exception(rc, sqlite3_errmsg(db_));
}

int DbConnection::scalar(const char* sql) {
    Guard guard(*mutex_);
    DbQuery q = query(sql);
    if (q.eof() || q.numFields() < 1) throw CppSQLite3Exception(kLayerError, "Invalid scalar query");
    return parseInteger(q.fieldValue(0));
}

std::int64_t DbConnection::lastInsertId() {
    Guard guard(*mutex_);
    checkOpen();
    return sqlite3_last_insert_rowid(db_);
}

void DbConnection::installFunctions(int (*install)(sqlite3* db)) {
    Guard guard(*mutex_);
    checkOpen();
    int rc = install(db_);
    if (rc != SQLITE_OK) throw CppSQLite3Exception(rc, sqlite3_errmsg(db_));
}

void DbConnection::backupTo(DbConnection& target, int pagesPerStep,
                            const std::function<void(int copied, int total)>& progress) {
    Guard guard(*mutex_);
    Guard targetGuard(*target.mutex_);
    checkOpen();
    target.checkOpen();
    // The codec learns a file's page size from its first page.  The copy
    // may write later pages first (when the engine's cache spills), so an
    // empty target is given a first page of the source's page size before.
    if (target.scalar("PRAGMA page_count;") == 0) {
        int pageSize = scalar("PRAGMA page_size;");
        char sql[160];
        std::snprintf(sql, sizeof sql,
                      "PRAGMA page_size = %d; CREATE TABLE backup_first_page(x); DROP TABLE backup_first_page;",
                      pageSize);
        target.execute(sql);
    }
    sqlite3_backup* backup = sqlite3_backup_init(target.db_, "main", db_, "main");
    if (!backup) throw CppSQLite3Exception(sqlite3_errcode(target.db_), sqlite3_errmsg(target.db_));

    const int pause = 50;  // milliseconds between attempts on a locked file
    int waited = 0;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_backup_step(backup, pagesPerStep)) != SQLITE_DONE) {
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (waited >= busyTimeout_) break;
            sqlite3_sleep(pause);
            waited += pause;
            continue;
        }
        if (rc != SQLITE_OK) break;
        waited = 0;
        int total = sqlite3_backup_pagecount(backup);
        if (progress) progress(total - sqlite3_backup_remaining(backup), total);
    }
    if (rc == SQLITE_DONE && progress) progress(sqlite3_backup_pagecount(backup), sqlite3_backup_pagecount(backup));
    int finished = sqlite3_backup_finish(backup);
    // A failed step's code is the one to report; finish may return OK after it.
    if (rc != SQLITE_DONE) throw CppSQLite3Exception(rc & 0xFF, sqlite3_errstr(rc));
    if (finished != SQLITE_OK) throw CppSQLite3Exception(finished, sqlite3_errmsg(target.db_));
}

void DbConnection::setBusyTimeout(int milliseconds) {
    Guard guard(*mutex_);
    busyTimeout_ = milliseconds;
    checkOpen();
    applyBusyTimeout();
}

}  // namespace store
