#include "store/schema.h"

#include <cstdio>
#include <string>

#include "store/db_connection.h"
#include "store/statements.h"

namespace store {

const char kPassPhrase[] = "QT(hW,7rN4";

void createSchema(DbConnection& db) {
    auto lock = db.lock();
    db.rekey(kPassPhrase);
    db.execute(sql::kBegin);
    try {
        for (const char* statement : sql::kCreateSchema) db.execute(statement);
        db.execute(sql::kCommit);
    } catch (const CppSQLite3Exception&) {
        try {
            db.execute(sql::kRollback);
        } catch (const CppSQLite3Exception&) {
            // The failure being reported matters more than this one.
        }
        throw;
    }
}

void openSnippetDatabase(DbConnection& db, const char* fileName, bool exists) {
    if (exists) {
        db.openWithKey(fileName, kPassPhrase);
        return;
    }
    db.open(fileName);
    try {
        createSchema(db);
    } catch (const CppSQLite3Exception&) {
        db.close();
        std::remove(fileName);
        std::remove((std::string(fileName) + "-journal").c_str());
        throw;
    }
}

}  // namespace store
