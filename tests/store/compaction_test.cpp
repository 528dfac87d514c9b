// Compaction when the disk fails under it: the program's VACUUM statement,
// run as the compaction worker runs it, with each database write failing in
// turn, once or as a disk that stays full.  The failure is reported, the
// library reopens intact with its rows, and the same connection compacts
// once the disk is mended.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/store/fault_vfs.h"
#include "tests/store/test_db.h"

namespace {

namespace fs = std::filesystem;
using testing_vfs::FaultPlan;
using testing_vfs::faultPlan;

// The compaction worker's work: the statement under the connection's lock;
// the failure's code, 0 when it succeeded.
int compact(store::DbConnection& db) {
    try {
        auto lock = db.lock();
        db.execute(store::sql::kCompact);
        return 0;
    } catch (const store::CppSQLite3Exception& e) {
        EXPECT_STRNE(e.errorMessage(), "");
        return e.errorCode();
    }
}

class CompactionFaults : public ::testing::Test {
protected:
    void SetUp() override {
        faultPlan() = {};
        store::DbConnection db;
        store::openSnippetDatabase(db, pristine.c_str(), false);
        store::DbSqlBuffer b;
        db.execute("BEGIN;");
        for (int i = 0; i < 400; ++i) {
            std::string title = "t" + std::to_string(i) + ".cpp";
            db.execute(b.format(store::sql::kInsertNode, 1, i + 2, 1, 40, title.c_str()));
            std::string body(300 + i, char('a' + i % 26));
            db.execute(b.format(store::sql::kSaveContent, body.c_str(), "memo", int(db.lastInsertId())));
        }
        db.execute("COMMIT;");
        // Half of them deleted: free pages for the compaction to give back.
        db.execute("DELETE FROM tree_tbl WHERE ItemId % 2 = 0;");
        before = testdb::snippetRows(db);
    }
    void TearDown() override { faultPlan() = {}; }

    std::unique_ptr<store::DbConnection> fresh() {
        // Removed first: the Windows runtime's copy_file refuses to overwrite
        // even when told to.
        fs::remove(work);
        fs::copy_file(pristine, work);
        fs::remove(work + "-journal");
        store::DbConnection::Options options;
        options.baseVfs = testing_vfs::faultVfs();
        auto db = std::make_unique<store::DbConnection>(options);
        store::openSnippetDatabase(*db, work.c_str(), true);
        return db;
    }

    // Every write of the compaction failing in turn as `kind` says.
    int failEachWrite(const FaultPlan& kind, int expectedCode) {
        int failed = 0;
        for (int at = 1;; ++at) {
            SCOPED_TRACE("failing at write " + std::to_string(at));
            auto db = fresh();
            faultPlan() = kind;
            faultPlan().failDatabaseWriteAt = at;
            int code = compact(*db);
            bool reached = faultPlan().writeFaultReached();
            faultPlan() = {};
            if (!reached) {
                EXPECT_EQ(code, 0);
                break;
            }
            ++failed;
            EXPECT_EQ(code & 0xFF, expectedCode);
            testdb::Reopened again = testdb::reopen(work);
            EXPECT_TRUE(again.intact);
            EXPECT_TRUE(again.rows == before);
            // Mended, the same connection compacts.
            EXPECT_EQ(compact(*db), 0);
            EXPECT_LT(fs::file_size(work), fs::file_size(pristine));
            EXPECT_TRUE(testdb::snippetRows(*db) == before);
            if (::testing::Test::HasFailure()) break;
        }
        testdb::Reopened done = testdb::reopen(work);
        EXPECT_TRUE(done.intact);
        EXPECT_TRUE(done.rows == before);
        EXPECT_LT(fs::file_size(work), fs::file_size(pristine));
        return failed;
    }

    testdb::TempDir dir;
    std::string pristine = dir.path("pristine.db");
    std::string work = dir.path("work.db");
    std::vector<std::string> before;
};

TEST_F(CompactionFaults, AWriteFailingAnywhereIsReportedAndLosesNothing) {
    EXPECT_GE(failEachWrite(FaultPlan{}, SQLITE_IOERR), 20);
}

TEST_F(CompactionFaults, AFullDiskIsReportedAndLosesNothing) {
    FaultPlan full;
    full.failCode = SQLITE_FULL;
    full.keepFailing = true;
    EXPECT_GE(failEachWrite(full, SQLITE_FULL), 20);
}

}  // namespace
