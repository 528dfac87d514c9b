// The online backup of an encrypted database into a new encrypted file.
#include <gtest/gtest.h>

#include <string>

#include "store/db_connection.h"
#include "store/schema.h"
#include "tests/store/test_db.h"

namespace {

TEST(BackupTest, CopiesADatabaseLargerThanTheCacheIntoANewKeyedFile) {
    testdb::TempDir dir;
    std::string from = dir.path("from.db"), to = dir.path("to.db");
    store::DbConnection source;
    store::openSnippetDatabase(source, from.c_str(), false);
    // Far more pages than the target's cache holds, so that it writes pages
    // before the copy ends.
    source.execute("PRAGMA cache_size = 10; CREATE TABLE big(x); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                   "SELECT i + 1 FROM n WHERE i < 3000) INSERT INTO big SELECT randomblob(1000) FROM n;");
    store::DbConnection target;
    target.openWithKey(to.c_str(), store::kPassPhrase);
    target.execute("PRAGMA cache_size = 10;");
    int steps = 0, last = 0, total = 0;
    source.backupTo(target, 100, [&](int copied, int pages) {
        ++steps;
        last = copied;
        total = pages;
    });
    target.close();
    EXPECT_GT(steps, 5);
    EXPECT_EQ(last, total);

    store::DbConnection copy;
    store::openSnippetDatabase(copy, to.c_str(), true);
    EXPECT_EQ(copy.scalar("SELECT count(*) FROM big;"), 3000);
    EXPECT_EQ(testdb::rows(copy, "PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
    EXPECT_EQ(testdb::rows(copy, "SELECT sum(length(x)) FROM big;"), testdb::rows(source, "SELECT sum(length(x)) FROM big;"));
    // Encrypted: stock SQLite cannot read it.
    EXPECT_EQ(testdb::plainRows(to, "SELECT count(*) FROM big;").at(0).rfind("error:", 0), 0u);
}

TEST(BackupTest, ReadOnlyOpeningWritesNothingAndRefusesWrites) {
    testdb::TempDir dir;
    std::string file = dir.path("lib.db");
    {
        store::DbConnection db;
        store::openSnippetDatabase(db, file.c_str(), false);
    }
    auto before = testdb::readFile(file);
    store::DbConnection db;
    store::openSnippetDatabaseReadOnly(db, file.c_str());
    EXPECT_EQ(db.scalar("SELECT count(*) FROM tree_tbl;"), 1);
    EXPECT_THROW(db.execute("DELETE FROM tree_tbl;"), store::CppSQLite3Exception);
    db.close();
    EXPECT_EQ(testdb::readFile(file), before);
    store::DbConnection missing;
    EXPECT_THROW(store::openSnippetDatabaseReadOnly(missing, dir.path("none.db").c_str()), store::CppSQLite3Exception);
    EXPECT_FALSE(testdb::fileExists(dir.path("none.db")));
}

}  // namespace
