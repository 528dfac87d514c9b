// A writer killed in the middle of a transaction leaves a file that opens
// with the pass phrase and holds the old or the new state: the journal's
// page images must decrypt for the rollback.  The writer is a forked child
// that ends itself at the Nth write to the database file, after the journal
// has been written and synced.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "store/db_connection.h"
#include "store/schema.h"
#include "tests/store/fault_vfs.h"
#include "tests/store/test_db.h"

namespace {

using store::DbConnection;

// Runs `work` in a child whose Nth database write ends the process; returns
// whether the child was cut off there (rather than finishing).
template <typename Work>
bool runKilledAt(int writeNumber, Work work) {
    pid_t pid = fork();
    if (pid == 0) {
        testing_vfs::faultPlan() = {};
        testing_vfs::faultPlan().failDatabaseWriteAt = writeNumber;
        testing_vfs::faultPlan().exitInstead = true;
        try {
            work();
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 77;
}

DbConnection::Options faulty() {
    DbConnection::Options options;
    options.baseVfs = testing_vfs::faultVfs();
    return options;
}

class Crash : public ::testing::Test {
protected:
    void SetUp() override { makeOldState(); }

    void makeOldState() {
        std::remove(file().c_str());
        DbConnection db;
        store::openSnippetDatabase(db, file().c_str(), false);
        db.execute("CREATE TABLE big(id INTEGER PRIMARY KEY, body TEXT);");
        db.execute("BEGIN;");
        for (int i = 0; i < 800; ++i)
            db.execute(("INSERT INTO big(body) VALUES('old " + std::to_string(i) + std::string(200, 'o') + "');").c_str());
        db.execute("COMMIT;");
    }
    std::string file() { return dir.path("crash.db"); }

    // Opens the file as the next start would and returns (row count, ok?).
    std::pair<int, bool> reopen(const char* pass = store::kPassPhrase) {
        DbConnection db;
        db.openWithKey(file().c_str(), pass);
        bool ok = testdb::rows(db, "PRAGMA integrity_check;") == std::vector<std::string>{"ok"};
        return {db.scalar("SELECT COUNT(*) FROM big;"), ok};
    }
    testdb::TempDir dir;
};

TEST_F(Crash, KilledWriterLeavesOldOrNewStateNeverGarbage) {
    auto writer = [&] {
        DbConnection db(faulty());
        db.openWithKey(file().c_str(), store::kPassPhrase);
        db.execute("PRAGMA cache_size = 8;");  // spill pages before the commit too
        db.execute("BEGIN;");
        db.execute("UPDATE big SET body = 'new ' || id || body;");
        db.execute("DELETE FROM big WHERE id > 700;");
        db.execute("COMMIT;");
    };
    int killed = 0;
    for (int at : {1, 2, 3, 10, 40, 100, 100000}) {
        SCOPED_TRACE(at);
        bool cut = runKilledAt(at, writer);
        killed += cut;
        auto [count, ok] = reopen();
        EXPECT_TRUE(ok);
        if (cut) {
            EXPECT_EQ(count, 800);  // rolled back from the hot journal
        } else {
            EXPECT_EQ(count, 700);  // finished: the new state
            makeOldState();         // start the next round from the old state
        }
    }
    EXPECT_GE(killed, 5);
}

TEST_F(Crash, KilledRekeyRollsBackToTheOldKey) {
    auto rekeyer = [&] {
        DbConnection db(faulty());
        db.openWithKey(file().c_str(), store::kPassPhrase);
        db.execute("PRAGMA cache_size = 8;");
        db.rekey("a new pass phrase");
    };
    for (int at : {1, 5, 30}) {
        SCOPED_TRACE(at);
        ASSERT_TRUE(runKilledAt(at, rekeyer));
        auto [count, ok] = reopen();
        EXPECT_TRUE(ok);
        EXPECT_EQ(count, 800);
    }
}

}  // namespace
#endif
