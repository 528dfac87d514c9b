// The schema's triggers and view, and values travelling through the
// statement templates.
#include <gtest/gtest.h>

#include <string>

#include "store/db_binary.h"
#include "store/db_connection.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/store/test_db.h"

namespace {

using store::DbSqlBuffer;
namespace sql = store::sql;
using testdb::rows;
using Rows = std::vector<std::string>;

class Schema : public ::testing::Test {
protected:
    void SetUp() override { store::openSnippetDatabase(db, dir.path("s.db").c_str(), false); }

    int insertNode(int parent, int turn, int type, int synId, const char* title) {
        DbSqlBuffer b;
        db.execute(b.format(sql::kInsertNode, parent, turn, type, synId, store::doubledQuotes(title).c_str()));
        return int(db.lastInsertId());
    }
    std::string count(const char* table, int id) {
        return std::to_string(db.scalar(("SELECT COUNT(*) FROM " + std::string(table) + " WHERE ItemId = " +
                                         std::to_string(id) + ";").c_str()));
    }

    testdb::TempDir dir;
    store::DbConnection db;
};

TEST_F(Schema, NewDatabaseHoldsOnlyTheDefaultFolder) {
    EXPECT_EQ(rows(db, "SELECT ItemId, pId, turn, type, SynId, title FROM tree_tbl;"),
              Rows{"1|0|1|0|-1|\xC4\xAC\xC8\xCF"});
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM content_tbl;"), 0);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM attach_tbl;"), 0);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM softInfo_tbl;"), 1);
    EXPECT_EQ(db.scalar("SELECT CreateTime IS NOT NULL FROM tree_tbl;"), 1);
}

// New and existing files alike keep 16 MiB of pages in memory.
TEST_F(Schema, SnippetConnectionsHaveTheLargerPageCache) {
    EXPECT_EQ(db.scalar("PRAGMA cache_size;"), -16384);
    db.close();
    store::openSnippetDatabase(db, dir.path("s.db").c_str(), true);
    EXPECT_EQ(db.scalar("PRAGMA cache_size;"), -16384);
}

TEST_F(Schema, TextNodesGetAContentRowFoldersDoNot) {
    int text = insertNode(1, 1, 1, 3, "a text");
    int folder = insertNode(1, 2, 0, -1, "a folder");
    EXPECT_EQ(rows(db, ("SELECT content, memo FROM content_tbl WHERE ItemId = " + std::to_string(text) + ";").c_str()),
              Rows{"<null>|<null>"});
    EXPECT_EQ(count("content_tbl", folder), "0");
}

TEST_F(Schema, SavingContentStampsModifyTimeSavingMemoDoesNot) {
    int text = insertNode(1, 1, 1, 3, "t");
    DbSqlBuffer b;
    db.execute(b.format(sql::kSaveMemo, "memo only", text));
    EXPECT_EQ(rows(db, b.format("SELECT ModifyTime FROM tree_tbl WHERE ItemId = %d;", text)), Rows{"<null>"});
    db.execute(b.format(sql::kSaveContent, "code", "memo", text));
    EXPECT_EQ(db.scalar(b.format("SELECT ModifyTime IS NOT NULL FROM tree_tbl WHERE ItemId = %d;", text)), 1);
}

TEST_F(Schema, DeletingATextRemovesContentAndAttachmentsInOneStatement) {
    int text = insertNode(1, 1, 1, 3, "t");
    int other = insertNode(1, 2, 1, 3, "u");
    store::DbBinary data;
    DbSqlBuffer b;
    for (int id : {text, text, other}) {
        unsigned char bytes[] = {0, 1, 2, '\''};
        data.setBinary(bytes, 4);
        db.execute(b.format(sql::kInsertAttachmentData, id, "f.bin", 4, data.getEncoded()));
    }
    EXPECT_EQ(db.execute(b.format(sql::kDeleteNode, text)), 1);
    EXPECT_EQ(count("content_tbl", text), "0");
    EXPECT_EQ(count("attach_tbl", text), "0");
    EXPECT_EQ(count("attach_tbl", other), "1");
}

TEST_F(Schema, HasChildrenOnlyForNodesWithChildren) {
    int folder = insertNode(1, 1, 0, -1, "f");
    int empty = insertNode(1, 2, 0, -1, "e");
    int text = insertNode(folder, 1, 1, 2, "t");
    DbSqlBuffer b;
    EXPECT_EQ(rows(db, b.format(sql::kListChildren, 1)),
              (Rows{std::to_string(folder) + "|0|-1|f|1|1", std::to_string(empty) + "|0|-1|e|2|0"}));
    EXPECT_EQ(rows(db, b.format(sql::kListChildren, folder)), Rows{std::to_string(text) + "|1|2|t|1|0"});
    EXPECT_EQ(db.scalar(b.format(sql::kHasNoChildren, empty)), 1);
    EXPECT_EQ(db.scalar(b.format(sql::kHasNoChildren, folder)), 0);
}

TEST_F(Schema, QuotesDoubleByteTextAndEmptyStringsRoundTrip) {
    // "中文 'quoted' 标题" in GBK, a lone quote, and nothing at all.
    const std::string titles[] = {"\xD6\xD0\xCE\xC4 'quoted' \xB1\xEA\xCC\xE2", "'", "", "it''s"};
    DbSqlBuffer b;
    for (const std::string& title : titles) {
        int id = insertNode(1, 1, 1, 0, title.c_str());
        EXPECT_EQ(rows(db, b.format("SELECT title FROM tree_tbl WHERE ItemId = %d;", id)), Rows{title});

        std::string body = title + "\n\tint main() { return '\\0'; }";
        db.execute(b.format(sql::kSaveContent, store::doubledQuotes(body.c_str()).c_str(),
                            store::doubledQuotes(title.c_str()).c_str(), id));
        EXPECT_EQ(rows(db, b.format(sql::kLoadContent, id)), Rows{body});
        EXPECT_EQ(rows(db, b.format(sql::kLoadMemo, id)), Rows{title});

        db.execute(b.format(sql::kRenameNode, 4, store::doubledQuotes((title + "2").c_str()).c_str(), id));
        EXPECT_EQ(rows(db, b.format("SELECT SynId, title FROM tree_tbl WHERE ItemId = %d;", id)),
                  Rows{"4|" + title + "2"});
    }
    // The search finds titles with quotes in them.
    db.execute(b.format(sql::kInsertNode, 0, 2, 1, 0, store::doubledQuotes("top 'level'").c_str()));
    std::string needle = store::doubledQuotes("'level");
    EXPECT_EQ(rows(db, b.format(sql::kSearchTitles, needle.c_str(), needle.c_str())).size(), 1u);
}

TEST_F(Schema, AttachmentDataRoundTripsThroughTheEncoding) {
    int text = insertNode(1, 1, 1, 0, "t");
    std::vector<unsigned char> bytes(70000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = (unsigned char)(i * 31 % 256);
    store::DbBinary data;
    data.setBinary(bytes.data(), int(bytes.size()));
    DbSqlBuffer b;
    db.execute(b.format(sql::kInsertAttachmentData, text, store::doubledQuotes("a'b.bin").c_str(), int(bytes.size()),
                        data.getEncoded()));
    std::int64_t id = db.lastInsertId();
    EXPECT_EQ(rows(db, b.format(sql::kAttachmentDate, (long long)id)).size(), 1u);

    store::DbQuery q = db.query(b.format(sql::kAttachmentData, int(id)));
    store::DbBinary back;
    back.setEncoded(q.fieldValue(0));
    ASSERT_EQ(back.getBinaryLength(), int(bytes.size()));
    EXPECT_EQ(std::vector<unsigned char>(back.getBinary(), back.getBinary() + bytes.size()), bytes);
}

TEST_F(Schema, CompactionRunsOnTheMainDatabase) {
    EXPECT_NO_THROW(db.execute(sql::kCompact));
    // The old form names a schema and fails.
    EXPECT_THROW(db.execute("VACUUM attach_tbl;"), store::CppSQLite3Exception);
}

}  // namespace
