// DbConnection, DbQuery, DbSqlBuffer and the exception messages.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "store/db_connection.h"
#include "store/db_sql_buffer.h"
#include "tests/store/test_db.h"

namespace {

using store::CppSQLite3Exception;
using store::DbConnection;
using store::DbQuery;

// Runs `action` and returns the message of the exception it must throw.
template <typename F>
std::string failure(F action) {
    try {
        action();
    } catch (const CppSQLite3Exception& e) {
        return e.errorMessage();
    }
    return "<no exception>";
}

class Connection : public ::testing::Test {
protected:
    void SetUp() override {
        db.open(dir.path("t.db").c_str());
        db.execute("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, n INTEGER);"
                   "INSERT INTO t VALUES(1, 'one', 10);INSERT INTO t VALUES(2, NULL, NULL);");
    }
    testdb::TempDir dir;
    DbConnection db;
};

TEST(Exception, MessageNamesTheCode) {
    EXPECT_STREQ(CppSQLite3Exception(1, "near x").errorMessage(), "SQLITE_ERROR[1]: near x");
    EXPECT_STREQ(CppSQLite3Exception(101, "").errorMessage(), "SQLITE_DONE[101]: ");
    EXPECT_STREQ(CppSQLite3Exception(26, "").errorMessage(), "UNKNOWN_ERROR[26]: ");
    EXPECT_STREQ(CppSQLite3Exception(1000, "Database not open").errorMessage(),
                 "CPPSQLITE_ERROR[1000]: Database not open");
    EXPECT_STREQ(CppSQLite3Exception::codeName(25), "SQLITE_RANGE");
    EXPECT_STREQ(CppSQLite3Exception::codeName(100), "SQLITE_ROW");
    EXPECT_STREQ(CppSQLite3Exception::codeName(-1), "UNKNOWN_ERROR");
    // Copies own their message.
    CppSQLite3Exception copy = CppSQLite3Exception(5, "busy");
    EXPECT_STREQ(copy.errorMessage(), "SQLITE_BUSY[5]: busy");
}

TEST_F(Connection, QueryThatDoesNotCompileHasEmptyDetail) {
    EXPECT_EQ(failure([&] { db.query("SELEC nonsense"); }), "SQLITE_ERROR[1]: ");
    EXPECT_EQ(failure([&] { db.query("SELECT * FROM missing;"); }), "SQLITE_ERROR[1]: ");
}

TEST_F(Connection, ExecuteFailureCarriesTheEngineText) {
    EXPECT_EQ(failure([&] { db.execute("INSERT INTO missing VALUES(1);"); }),
              "SQLITE_ERROR[1]: no such table: missing");
    EXPECT_EQ(failure([&] { db.execute("INSERT INTO t VALUES(1, 'dup', 0);"); }),
              "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed: t.id");
}

TEST_F(Connection, ExecuteRunsEveryStatementAndCountsChanges) {
    EXPECT_EQ(db.execute("UPDATE t SET n = 5;"), 2);
    EXPECT_EQ(db.execute("INSERT INTO t VALUES(3, 'a', 1);INSERT INTO t VALUES(4, 'b', 2);"), 1);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM t;"), 4);
    EXPECT_EQ(db.lastInsertId(), 4);
}

TEST_F(Connection, ScalarRules) {
    EXPECT_EQ(db.scalar("SELECT NOT EXISTS(SELECT id FROM t WHERE id = 9);"), 1);
    EXPECT_EQ(db.scalar("SELECT NOT EXISTS(SELECT id FROM t WHERE id = 1);"), 0);
    EXPECT_EQ(db.scalar("SELECT '  -12abc';"), -12);
    EXPECT_EQ(db.scalar("SELECT '+7';"), 7);
    EXPECT_EQ(db.scalar("SELECT 'abc';"), 0);
    EXPECT_EQ(db.scalar("SELECT NULL;"), 0);
    EXPECT_EQ(failure([&] { db.scalar("SELECT id FROM t WHERE id = 9;"); }),
              "CPPSQLITE_ERROR[1000]: Invalid scalar query");
}

TEST_F(Connection, FieldsByIndexAndName) {
    DbQuery q = db.query("SELECT id, name, n FROM t ORDER BY id;");
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.numFields(), 3);
    EXPECT_STREQ(q.fieldValue(1), "one");
    EXPECT_STREQ(q.fieldValue("name"), "one");
    EXPECT_EQ(q.getIntField("n"), 10);
    EXPECT_EQ(q.fieldIndex("n"), 2);
    q.nextRow();
    EXPECT_EQ(q.fieldValue(1), nullptr);
    EXPECT_STREQ(q.getStringField(1, "dflt"), "dflt");
    EXPECT_EQ(q.getIntField(2, -3), -3);
    q.nextRow();
    EXPECT_TRUE(q.eof());

    EXPECT_EQ(failure([&] { q.fieldIndex("Name"); }), "CPPSQLITE_ERROR[1000]: Invalid field name requested");
    EXPECT_EQ(failure([&] { q.fieldValue(3); }), "CPPSQLITE_ERROR[1000]: Invalid field index requested");
    EXPECT_EQ(failure([&] { q.fieldType(-1); }), "CPPSQLITE_ERROR[1000]: Invalid field index requested");
}

TEST_F(Connection, EmptyResultIsAtEndAtOnce) {
    DbQuery q = db.query("SELECT id FROM t WHERE id > 100;");
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.numFields(), 1);
}

TEST_F(Connection, FinalizedOrMovedFromQueryHasNoStatement) {
    DbQuery q = db.query("SELECT id FROM t;");
    DbQuery other;
    other = std::move(q);
    EXPECT_EQ(other.getIntField(0), 1);
    EXPECT_EQ(failure([&] { q.fieldValue(0); }), "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    other.finalize();
    EXPECT_EQ(failure([&] { other.nextRow(); }), "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
}

TEST_F(Connection, EverythingAfterCloseIsDatabaseNotOpen) {
    db.close();
    const std::string notOpen = "CPPSQLITE_ERROR[1000]: Database not open";
    EXPECT_EQ(failure([&] { db.execute("SELECT 1;"); }), notOpen);
    EXPECT_EQ(failure([&] { db.query("SELECT 1;"); }), notOpen);
    EXPECT_EQ(failure([&] { db.scalar("SELECT 1;"); }), notOpen);
    EXPECT_EQ(failure([&] { db.lastInsertId(); }), notOpen);
    EXPECT_EQ(failure([&] { db.rekey("x"); }), notOpen);
    EXPECT_FALSE(db.isOpen());
    DbConnection never;
    EXPECT_EQ(failure([&] { never.execute("SELECT 1;"); }), notOpen);
}

TEST_F(Connection, QueryMayOutliveItsConnection) {
    auto other = std::make_unique<DbConnection>();
    other->open(dir.path("t.db").c_str());
    DbQuery q = other->query("SELECT id FROM t ORDER BY id;");
    other.reset();  // the statement keeps the engine and the codec alive
    EXPECT_EQ(q.getIntField(0), 1);
    q.nextRow();
    EXPECT_EQ(q.getIntField(0), 2);
}

TEST_F(Connection, OpenFailureRaisesTheEngineCode) {
    DbConnection other;
    EXPECT_EQ(failure([&] { other.open(dir.path("no/such/folder/x.db").c_str()); }),
              "SQLITE_CANTOPEN[14]: unable to open database file");
    EXPECT_FALSE(other.isOpen());
}

TEST(SqlBuffer, FormatsWithQuotingConversions) {
    store::DbSqlBuffer buffer;
    EXPECT_STREQ(buffer.format("%d '%q' %Q %Q", 5, "it's", "a'b", nullptr), "5 'it''s' 'a''b' NULL");
    EXPECT_STREQ(buffer.format("%lld", 1234567890123ll), "1234567890123");
    buffer.clear();
    EXPECT_EQ(buffer.text(), nullptr);
}

// The interface thread and workers share one connection; transactions held
// with lock() must not interleave with other threads' statements.
TEST_F(Connection, ThreadsShareTheConnectionWithoutInterleaving) {
    db.execute("CREATE TABLE log(worker INTEGER, seq INTEGER);");
    auto work = [&](int worker) {
        for (int i = 0; i < 50; ++i) {
            auto lock = db.lock();
            db.execute("BEGIN TRANSACTION;");
            for (int k = 0; k < 3; ++k)
                db.execute(("INSERT INTO log VALUES(" + std::to_string(worker) + ", " + std::to_string(i) + ");").c_str());
            db.execute("COMMIT TRANSACTION;");
        }
    };
    std::vector<std::thread> threads;
    for (int w = 0; w < 4; ++w) threads.emplace_back(work, w);
    for (int r = 0; r < 100; ++r) db.scalar("SELECT COUNT(*) FROM log;");
    for (auto& t : threads) t.join();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM log;"), 600);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM (SELECT worker, seq FROM log GROUP BY worker, seq HAVING COUNT(*) <> 3);"), 0);
}

}  // namespace
