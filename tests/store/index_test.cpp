// The indexes behind the per-node statements: every statement that reads or
// changes the rows of one node finds them through an index or the row id, in
// a new database and in a file made before the indexes existed, which gets
// them when opened with every row kept.  A file that cannot take them still
// opens and lists.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "store/db_binary.h"
#include "store/db_connection.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/store/fault_vfs.h"
#include "tests/store/test_db.h"

namespace {

namespace fs = std::filesystem;
namespace sql = store::sql;
using store::DbConnection;
using store::DbSqlBuffer;
using testdb::rows;
using Rows = std::vector<std::string>;

constexpr int kFolder = 2;  // the folder of texts in the databases made here

// A database as the versions without indexes made it: exactly the schema's
// tables, triggers and view, with nodes, texts, memos and attachments.
void makeOldDatabase(const std::string& path) {
    DbConnection db;
    db.open(path.c_str());
    db.rekey(store::kPassPhrase);
    db.execute(sql::kBegin);
    for (const char* statement : sql::kCreateSchema) db.execute(statement);
    DbSqlBuffer b;
    db.execute(b.format(sql::kInsertNode, 1, 1, 0, -1, "f"));
    for (int i = 0; i < 20; ++i) {
        std::string title = "\xB1\xEA\xCC\xE2 " + std::to_string(i) + ".cpp";  // "标题 i.cpp" in GBK
        db.execute(b.format(sql::kInsertNode, kFolder, i + 1, i % 5 ? 1 : 0, i % 5 ? 3 : -1, title.c_str()));
        int id = int(db.lastInsertId());
        std::string body = "int f" + std::to_string(i) + "() { return '\\''; }\n\t// \xD6\xD0\xCE\xC4";
        if (i % 5) {
            std::string quoted = store::doubledQuotes(body.c_str());
            db.execute(b.format(sql::kSaveContent, quoted.c_str(), i % 2 ? "memo" : "", id));
        }
        if (i % 7 == 1) {
            std::vector<unsigned char> bytes(3000 + i);
            for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = (unsigned char)(k * 7 + i);
            store::DbBinary data;
            data.setBinary(bytes.data(), int(bytes.size()));
            db.execute(b.format(sql::kInsertAttachmentData, id, "a.bin", int(bytes.size()), data.getEncoded()));
            char path[260] = "C:\\snippets\\a.txt";
            data.setBinary(reinterpret_cast<unsigned char*>(path), int(sizeof path));
            db.execute(b.format(sql::kInsertAttachmentLink, id, "a.txt", 12, data.getEncoded()));
        }
    }
    db.execute(sql::kCommit);
}

// Every row of every table of the encrypted file at `path`, each column as
// an SQL literal, and the schema's entries other than indexes, read with
// stock SQLite from a copy decrypted with the pass phrase.
Rows contentsOf(const std::string& path) {
    std::string plain = path + ".plain";
    testdb::writeFile(plain, testdb::decryptImage(testdb::readFile(path), store::kPassPhrase));
    Rows out = testdb::plainRows(plain, "PRAGMA integrity_check;");
    for (const char* table : {"softInfo_tbl", "tree_tbl", "content_tbl", "attach_tbl", "sqlite_sequence"}) {
        std::string columns = "SELECT group_concat('quote(' || name || ')', ' || ''|'' || ') FROM pragma_table_info('" +
                              std::string(table) + "');";
        Rows expression = testdb::plainRows(plain, columns.c_str());
        if (expression.size() != 1) return {"no table " + std::string(table)};
        Rows tableRows = testdb::plainRows(
            plain, ("SELECT rowid || '|' || " + expression[0] + " FROM " + table + " ORDER BY rowid;").c_str());
        out.push_back(table + (": " + std::to_string(tableRows.size()) + " rows"));
        out.insert(out.end(), tableRows.begin(), tableRows.end());
    }
    Rows schema = testdb::plainRows(plain, "SELECT type, name, tbl_name, sql FROM sqlite_master "
                                           "WHERE type != 'index' ORDER BY name;");
    out.insert(out.end(), schema.begin(), schema.end());
    fs::remove(plain);
    return out;
}

// "table|name" of each index of the open database that the schema names.
Rows indexes(DbConnection& db) {
    return rows(db, "SELECT tbl_name, name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL ORDER BY name;");
}
const Rows kAllIndexes = {"attach_tbl|attach_ItemId_idx", "content_tbl|content_ItemId_idx", "tree_tbl|tree_pId_idx"};

// How `statement` reaches each table it reads, from its query plan:
// "table:index", "table:rowid" for a row id lookup, "table:scan" for a scan.
Rows accesses(DbConnection& db, const std::string& statement) {
    static const std::regex byIndex(R"(^SEARCH (\w+) USING (?:COVERING )?INDEX (\w+) )");
    static const std::regex byRowId(R"(^SEARCH (\w+) USING INTEGER PRIMARY KEY )");
    static const std::regex scan(R"(^SCAN (\w+))");
    Rows out;
    for (store::DbQuery q = db.query(("EXPLAIN QUERY PLAN " + statement).c_str()); !q.eof(); q.nextRow()) {
        std::string detail = q.getStringField(3);
        if (detail == "SCAN CONSTANT ROW") continue;
        std::smatch m;
        if (std::regex_search(detail, m, byIndex))
            out.push_back(m.str(1) + ":" + m.str(2));
        else if (std::regex_search(detail, m, byRowId))
            out.push_back(m.str(1) + ":rowid");
        else if (std::regex_search(detail, m, scan))
            out.push_back(m.str(1) + ":scan");
        else if (detail.compare(0, 7, "SEARCH ") == 0)
            out.push_back(detail);
    }
    return out;
}

// How the statements of each trigger, as stored in the database, reach their
// tables when fired for row 7.
std::map<std::string, Rows> triggerAccesses(DbConnection& db) {
    static const std::regex rowValue(R"(\b(?:OLD|NEW)\.\w+)");
    std::map<std::string, Rows> out;
    for (const std::string& row : rows(db, "SELECT name || '|' || sql FROM sqlite_master WHERE type = 'trigger';")) {
        std::string name = row.substr(0, row.find('|'));
        std::string body = row.substr(row.find(" BEGIN ") + 7);
        body = std::regex_replace(body.substr(0, body.rfind("END")), rowValue, "7");
        Rows& list = out[name];
        for (std::size_t start = 0, end; (end = body.find(';', start)) != std::string::npos; start = end + 1) {
            Rows more = accesses(db, body.substr(start, end - start));
            list.insert(list.end(), more.begin(), more.end());
        }
    }
    return out;
}

// No transaction is left open on the connection (a read-only file allows a
// transaction that reads).
void expectNoOpenTransaction(DbConnection& db) {
    EXPECT_NO_THROW(db.execute("BEGIN;"));
    db.execute("ROLLBACK;");
}

DbConnection::Options faulty() {
    DbConnection::Options options;
    options.baseVfs = testing_vfs::faultVfs();
    return options;
}

// --- query plans, in a new database and in an old one once opened ----------------

class QueryPlans : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        bool upgraded = GetParam();
        if (upgraded) makeOldDatabase(path);
        store::openSnippetDatabase(db, path.c_str(), upgraded);
    }

    testdb::TempDir dir;
    std::string path = dir.path("plans.db");
    DbConnection db;
};

TEST_P(QueryPlans, EveryPerNodeStatementIsAnIndexOrRowIdLookup) {
    const Rows childrenById = {"tree_tbl:tree_pId_idx"};
    const Rows nodeById = {"tree_tbl:rowid"};
    const Rows contentById = {"content_tbl:content_ItemId_idx"};
    const Rows attachmentById = {"attach_tbl:rowid"};
    DbSqlBuffer b;
    const std::pair<std::string, Rows> cases[] = {
        // the listing, its HasChildren column included
        {b.format(sql::kListChildren, 7), {"t1:tree_pId_idx", "t2:tree_pId_idx"}},
        // the subtree delete
        {b.format(sql::kDeleteNode, 7), nodeById},
        {b.format(sql::kHasNoChildren, 7), childrenById},
        {b.format(sql::kChildIds, 7), childrenById},
        // one node's row
        {b.format(sql::kRenameNode, 3, "t", 7), nodeById},
        {b.format(sql::kSetScheme, 3, 7), nodeById},
        {b.format(sql::kSetTurn, 2, 7), nodeById},
        {b.format(sql::kMoveNode, 1, 2, 7), nodeById},
        {b.format(sql::kNodeTimes, 7), nodeById},
        // a text's code and memo
        {b.format(sql::kLoadContent, 7), contentById},
        {b.format(sql::kSaveContent, "c", "m", 7), contentById},
        {b.format(sql::kSaveContentOnly, "c", 7), contentById},
        {b.format(sql::kLoadMemo, 7), contentById},
        {b.format(sql::kSaveMemo, "m", 7), contentById},
        // attachments: a node's list, and one attachment
        {b.format(sql::kListAttachments, 7), {"attach_tbl:attach_ItemId_idx"}},
        {b.format(sql::kAttachmentDate, 7LL), attachmentById},
        {b.format(sql::kAttachmentData, 7), attachmentById},
        {b.format(sql::kAttachmentSizeAndKind, 7), attachmentById},
        {b.format(sql::kAttachmentKind, 7), attachmentById},
        {b.format(sql::kAttachmentSize, 7), attachmentById},
        {b.format(sql::kRenameAttachment, "t", 7), attachmentById},
        {b.format(sql::kDeleteAttachment, 7), attachmentById},
    };
    for (const auto& [statement, expected] : cases) EXPECT_EQ(accesses(db, statement), expected) << statement;
}

// The triggers run their statements for every node deleted, inserted or saved.
TEST_P(QueryPlans, TriggersFindTheRowsOfTheirNode) {
    const std::map<std::string, Rows> expected = {
        {"content_upd_trig", {"tree_tbl:rowid"}},
        {"tree_del_trig", {"content_tbl:content_ItemId_idx", "attach_tbl:attach_ItemId_idx"}},
        {"tree_ins_trig", {}},
    };
    EXPECT_EQ(triggerAccesses(db), expected);
}

INSTANTIATE_TEST_SUITE_P(Database, QueryPlans, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Upgraded" : "New"; });

// --- files made without the indexes -------------------------------------------------

class OldFile : public ::testing::Test {
protected:
    void SetUp() override {
        makeOldDatabase(path);
        before = contentsOf(path);
        ASSERT_EQ(before.at(0), "ok");
        testing_vfs::faultPlan() = {};
    }
    void TearDown() override { testing_vfs::faultPlan() = {}; }
    Rows listing(DbConnection& db) {
        DbSqlBuffer b;
        return rows(db, b.format(sql::kListChildren, kFolder));
    }
    const Rows kListing = [] {
        Rows out;
        for (int i = 0; i < 20; ++i)
            out.push_back(std::to_string(i + 3) + (i % 5 ? "|1|3|" : "|0|-1|") + "\xB1\xEA\xCC\xE2 " +
                          std::to_string(i) + ".cpp|" + std::to_string(i + 1) + "|0");
        return out;
    }();

    testdb::TempDir dir;
    std::string path = dir.path("old.db");
    Rows before;
};

TEST_F(OldFile, GetsTheIndexesOnFirstOpenAndKeepsEveryRow) {
    {
        DbConnection db(faulty());
        store::openSnippetDatabase(db, path.c_str(), true);
        EXPECT_EQ(indexes(db), kAllIndexes);
        EXPECT_EQ(listing(db), kListing);
        expectNoOpenTransaction(db);
    }
    EXPECT_GT(testing_vfs::faultPlan().databaseWrites, 0);
    EXPECT_EQ(contentsOf(path), before);

    // Opening it again finds them and writes nothing.
    testing_vfs::faultPlan() = {};
    auto image = testdb::readFile(path);
    {
        DbConnection db(faulty());
        store::openSnippetDatabase(db, path.c_str(), true);
        EXPECT_EQ(listing(db), kListing);
    }
    EXPECT_EQ(testing_vfs::faultPlan().databaseWrites, 0);
    EXPECT_EQ(testing_vfs::faultPlan().journalWrites, 0);
    EXPECT_EQ(testdb::readFile(path), image);
}

// Read-only, failing writes, or locked by another connection: the file opens
// without the indexes, lists, has no transaction left open and keeps the
// connection's busy timeout; once it can take them, the next opening adds them.
TEST_F(OldFile, OpensAndListsWhereTheIndexesCannotBeAdded) {
    const std::string cases[] = {"read-only", "failing write", "BEGIN IMMEDIATE;", "BEGIN EXCLUSIVE;"};
    for (const std::string& how : cases) {
        SCOPED_TRACE(how);
        testing_vfs::faultPlan() = {};
        testing_vfs::faultPlan().readOnlyDatabases = how == "read-only";
        testing_vfs::faultPlan().failDatabaseWriteAt = how == "failing write" ? 1 : 0;
        DbConnection other;
        bool locked = how.compare(0, 5, "BEGIN") == 0;
        if (locked) {
            other.openWithKey(path.c_str(), store::kPassPhrase);
            other.execute(how.c_str());
        }
        DbConnection db(faulty());
        EXPECT_NO_THROW(store::openSnippetDatabase(db, path.c_str(), true));
        if (locked) other.execute("ROLLBACK;");
        EXPECT_EQ(db.scalar("PRAGMA busy_timeout;"), 60000);
        expectNoOpenTransaction(db);
        EXPECT_EQ(listing(db), kListing);
        EXPECT_EQ(indexes(db), Rows{});
        db.close();
        EXPECT_EQ(contentsOf(path), before);
    }
    testing_vfs::faultPlan() = {};
    DbConnection db;
    store::openSnippetDatabase(db, path.c_str(), true);
    EXPECT_EQ(indexes(db), kAllIndexes);
}

}  // namespace
