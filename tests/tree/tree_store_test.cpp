// The tree's statements on a real snippet database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "tests/store/test_db.h"
#include "tree/tree_store.h"

namespace {

using Rows = std::vector<std::string>;
using store::CppSQLite3Exception;
using testdb::rows;

class TreeStoreTest : public ::testing::Test {
protected:
    void SetUp() override { store::openSnippetDatabase(db, path.c_str(), false); }

    // "id|type|scheme|title|turn|hasChildren" for each child, as listed.
    Rows children(int parentId) {
        Rows out;
        tree.listChildren(parentId, [&](const NodeRow& r) {
            out.push_back(std::to_string(r.id) + "|" + std::to_string(r.type) + "|" + std::to_string(r.schemeId) +
                          "|" + r.title + "|" + std::to_string(r.turn) + "|" + (r.hasChildren ? "1" : "0"));
        });
        return out;
    }
    Rows sql(const char* text) { return rows(db, text); }
    std::string id(int n) { return std::to_string(n); }
    // A trigger that aborts the statement `event` for one ItemId.
    void failOn(const char* event, const char* column, int itemId) {
        store::DbSqlBuffer b;
        db.execute(b.format("CREATE TRIGGER fail_trig %s ON tree_tbl WHEN %s.ItemId = %d "
                            "BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                            event, column, itemId));
    }
    // No transaction is left open on the connection.
    void expectNoOpenTransaction() {
        EXPECT_NO_THROW(db.execute("BEGIN;"));
        db.execute("ROLLBACK;");
    }

    testdb::TempDir dir;
    std::string path = dir.path("tree.db");
    store::DbConnection db;
    TreeStore tree{db};
};

TEST_F(TreeStoreTest, ListsChildrenInTurnOrderWithTheirFlags) {
    int c = tree.insertNode(1, 3, 1, 4, "c.cpp");
    int a = tree.insertNode(1, 1, 0, -1, "a");
    int b = tree.insertNode(1, 2, 1, -1, "b");
    int inner = tree.insertNode(a, 1, 1, 2, "x");
    EXPECT_EQ(children(0), Rows{"1|0|-1|\xC4\xAC\xC8\xCF|1|1"});
    EXPECT_EQ(children(1), (Rows{id(a) + "|0|-1|a|1|1", id(b) + "|1|-1|b|2|0", id(c) + "|1|4|c.cpp|3|0"}));
    EXPECT_EQ(children(a), Rows{id(inner) + "|1|2|x|1|0"});
    EXPECT_EQ(children(inner), Rows{});
}

TEST_F(TreeStoreTest, TitlesWithQuotesAndGbkSurviveInsertAndRename) {
    const std::string first = "it's \xD6\xD0\xCE\xC4 ''", second = "'\xB1\xEA\xCC\xE2'.h";
    int n = tree.insertNode(1, 1, 1, 0, first);
    EXPECT_EQ(children(1), Rows{id(n) + "|1|0|" + first + "|1|0"});
    tree.rename(n, 3, second);
    EXPECT_EQ(children(1), Rows{id(n) + "|1|3|" + second + "|1|0"});
    tree.setScheme(n, -1);
    EXPECT_EQ(children(1), Rows{id(n) + "|1|-1|" + second + "|1|0"});
}

class DeleteSubtree : public TreeStoreTest {
protected:
    // 1 > f { t1, g { t2, h { t3 } }, t4 }, and a sibling s of f.
    void SetUp() override {
        TreeStoreTest::SetUp();
        f = tree.insertNode(1, 1, 0, -1, "f");
        s = tree.insertNode(1, 2, 1, -1, "s");
        t1 = tree.insertNode(f, 1, 1, -1, "t1");
        g = tree.insertNode(f, 2, 0, -1, "g");
        t2 = tree.insertNode(g, 1, 1, -1, "t2");
        h = tree.insertNode(g, 2, 0, -1, "h");
        t3 = tree.insertNode(h, 1, 1, -1, "t3");
        t4 = tree.insertNode(f, 3, 1, -1, "t4");
        store::DbSqlBuffer b;
        for (int owner : {t1, t3, s})
            db.execute(b.format("INSERT INTO attach_tbl VALUES(NULL, %d, 'a', 1, NULL, 0, NULL);", owner));
    }
    Rows remaining(const char* table) {
        return sql((std::string("SELECT ItemId FROM ") + table + " ORDER BY ItemId;").c_str());
    }
    int f, s, t1, g, t2, h, t3, t4;
};

TEST_F(DeleteSubtree, RemovesEveryRowBelowTheNode) {
    tree.deleteSubtree(f);
    EXPECT_EQ(remaining("tree_tbl"), (Rows{"1", id(s)}));
    EXPECT_EQ(remaining("content_tbl"), Rows{id(s)});
    EXPECT_EQ(remaining("attach_tbl"), Rows{id(s)});
    expectNoOpenTransaction();
}

// A failure anywhere below rolls the whole delete back: committing the rest
// would leave rows behind whose parent is gone, which no tree can show.
TEST_F(DeleteSubtree, AFailureAtAnyLevelKeepsEveryRow) {
    const Rows allNodes = remaining("tree_tbl");
    const Rows allContent = remaining("content_tbl");
    const Rows allAttachments = remaining("attach_tbl");
    for (int failing : {f, g, t3}) {
        SCOPED_TRACE("failing at node " + id(failing));
        failOn("BEFORE DELETE", "OLD", failing);
        try {
            tree.deleteSubtree(f);
            ADD_FAILURE() << "the delete reported success";
        } catch (const CppSQLite3Exception& e) {
            EXPECT_NE(std::string(e.errorMessage()).find("refused"), std::string::npos) << e.errorMessage();
        }
        expectNoOpenTransaction();
        db.close();
        store::openSnippetDatabase(db, path.c_str(), true);
        EXPECT_EQ(remaining("tree_tbl"), allNodes);
        EXPECT_EQ(remaining("content_tbl"), allContent);
        EXPECT_EQ(remaining("attach_tbl"), allAttachments);
        db.execute("DROP TRIGGER fail_trig;");
    }
}

class MoveNode : public TreeStoreTest {
protected:
    // 1 > { a 1, b 2, c 3, d 7 }, and x as the top level's second node.
    void SetUp() override {
        TreeStoreTest::SetUp();
        a = tree.insertNode(1, 1, 1, -1, "a");
        b = tree.insertNode(1, 2, 1, -1, "b");
        c = tree.insertNode(1, 3, 1, -1, "c");
        d = tree.insertNode(1, 7, 1, -1, "d");
        x = tree.insertNode(0, 2, 1, -1, "x");
    }
    Rows positions() { return sql("SELECT ItemId, pId, turn FROM tree_tbl WHERE ItemId > 1 ORDER BY ItemId;"); }
    int a, b, c, d, x;
};

TEST_F(MoveNode, WritesParentTurnAndShifts) {
    tree.moveNode(x, 1, planMove(1, {{b, 2}, {c, 3}, {d, 7}}));
    EXPECT_EQ(positions(), (Rows{id(a) + "|1|1", id(b) + "|1|3", id(c) + "|1|4", id(d) + "|1|7", id(x) + "|1|2"}));
    EXPECT_EQ(children(0).size(), 1u);
    expectNoOpenTransaction();
}

TEST_F(MoveNode, AFailureLeavesNothingChanged) {
    Rows before = positions();
    failOn("BEFORE UPDATE OF turn", "NEW", c);
    EXPECT_THROW(tree.moveNode(x, 1, planMove(1, {{b, 2}, {c, 3}, {d, 7}})), CppSQLite3Exception);
    EXPECT_EQ(positions(), before);
    expectNoOpenTransaction();
}

TEST_F(MoveNode, TurnUpdatesApplyTogetherOrNotAtAll) {
    tree.applyTurns({{b, 3}, {c, 4}});
    EXPECT_EQ(children(1).size(), 4u);
    EXPECT_EQ(sql("SELECT turn FROM tree_tbl WHERE pId = 1 ORDER BY ItemId;"), (Rows{"1", "3", "4", "7"}));

    failOn("BEFORE UPDATE OF turn", "NEW", d);
    EXPECT_THROW(tree.applyTurns({{a, 2}, {d, 8}}), CppSQLite3Exception);
    EXPECT_EQ(sql("SELECT turn FROM tree_tbl WHERE pId = 1 ORDER BY ItemId;"), (Rows{"1", "3", "4", "7"}));
    expectNoOpenTransaction();
}

TEST_F(TreeStoreTest, ModifyTimeStaysEmptyUntilContentIsSaved) {
    int n = tree.insertNode(1, 1, 1, -1, "t");
    TreeStore::Times t = tree.times(n);
    EXPECT_FALSE(t.created.empty());
    EXPECT_EQ(t.modified, "");

    store::DbSqlBuffer b;
    db.execute(b.format("UPDATE content_tbl SET content = 'x' WHERE ItemId = %d;", n));
    EXPECT_FALSE(tree.times(n).modified.empty());

    TreeStore::Times missing = tree.times(n + 100);
    EXPECT_EQ(missing.created, "");
    EXPECT_EQ(missing.modified, "");
}

}  // namespace
