#include "store/schema.h"

#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "store/db_connection.h"
#include "store/gbk_like.h"
#include "store/statements.h"
#include "store/transaction.h"

namespace store {

const char kPassPhrase[] = "QT(hW,7rN4";

namespace {

void createIndexes(DbConnection& db) {
    for (const char* statement : sql::kCreateIndexes) db.execute(statement);
}

// Gives up on a lock at once while it lives, then puts the connection's own
// busy timeout back.
class NoBusyWait {
public:
    explicit NoBusyWait(DbConnection& db) : db_(db), timeout_(db.busyTimeout()) { db_.setBusyTimeout(0); }
    ~NoBusyWait() { db_.setBusyTimeout(timeout_); }
    NoBusyWait(const NoBusyWait&) = delete;
    NoBusyWait& operator=(const NoBusyWait&) = delete;

private:
    DbConnection& db_;
    int timeout_;
};

// Adds the indexes a file made by an older version lacks; where they exist
// the statements find them and write nothing.  A file that cannot take them
// now (read-only, or locked by another program) is used without them, only
// slower: the attempt fails at once rather than waiting for the lock, leaves
// no transaction open and is made again at the next opening.
void addMissingIndexes(DbConnection& db) {
    auto lock = db.lock();
    NoBusyWait noWait(db);
    try {
        Transaction tx(db);
        createIndexes(db);
        tx.commit();
    } catch (const CppSQLite3Exception&) {
        // Not an error for opening: see above.
    }
}

// The larger page cache, where the file can be read now: the setting reads
// the schema first, and a file locked by another program is opened without
// waiting for it (only slower then).
void enlargeCache(DbConnection& db) {
    auto lock = db.lock();
    NoBusyWait noWait(db);
    try {
        db.execute(sql::kCacheSize);
    } catch (const CppSQLite3Exception&) {
        // Not an error for opening: see above.
    }
}

// Titles are GBK, so every snippet database is opened with the GBK-aware
// LIKE.  Opens `fileName`, keyed with `passPhrase` unless it is null.
void openWithGbkLike(DbConnection& db, const char* fileName, const char* passPhrase, bool readOnly = false) {
    if (readOnly)
        db.openReadOnly(fileName, passPhrase);
    else
        db.openWithKey(fileName, passPhrase);
    try {
        db.installFunctions(registerGbkLike);
    } catch (const CppSQLite3Exception&) {
        db.close();
        throw;
    }
}

}  // namespace

void createSchema(DbConnection& db) {
    auto lock = db.lock();
    db.rekey(kPassPhrase);
    Transaction tx(db);
    for (const char* statement : sql::kCreateSchema) db.execute(statement);
    createIndexes(db);
    tx.commit();
}

void openSnippetDatabase(DbConnection& db, const char* fileName, bool exists) {
    if (exists) {
        openWithGbkLike(db, fileName, kPassPhrase);
        enlargeCache(db);
        addMissingIndexes(db);
        return;
    }
    openWithGbkLike(db, fileName, nullptr);  // keyed by createSchema
    try {
        createSchema(db);
    } catch (const CppSQLite3Exception&) {
        db.close();
        std::remove(fileName);
        std::remove((std::string(fileName) + "-journal").c_str());
        throw;
    }
    enlargeCache(db);
}

void openSnippetDatabaseReadOnly(DbConnection& db, const char* fileName) {
    openWithGbkLike(db, fileName, kPassPhrase, true);
}

}  // namespace store
