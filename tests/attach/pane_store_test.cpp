// The pane's statements on a real snippet database: attachments stored and
// linked, the memo, the title search.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "attach/pane_store.h"
#include "store/db_sql_buffer.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/store/test_db.h"

namespace {

using attach::AttachmentRow;
using attach::PaneStore;
using Rows = std::vector<std::string>;

const std::string kZhong = "\xD6\xD0";            // 中
const std::string kTrailLowA = "\x81\x61";        // 乤: its trail byte is 'a'
const std::string kDe = "\xB5\xC4";               // 的: its trail byte 0xC4 looks like a UTF-8 lead byte
const std::string kDaiMa = "\xB4\xFA\xC2\xEB";    // 代码
const std::string kRoot = "\xB8\xF9\xC4\xBF\xC2\xBC";  // 根目录

class PaneStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        store::openSnippetDatabase(db, path.c_str(), false);
        text = node(1, 1, "a.cpp");
        other = node(1, 1, "b.cpp");
    }

    int node(int parent, int type, const std::string& title) {
        store::DbSqlBuffer b;
        db.execute(b.format(store::sql::kInsertNode, parent, ++turn, type, -1, store::doubledQuotes(title.c_str()).c_str()));
        return int(db.lastInsertId());
    }
    Rows sql(const std::string& statement) { return testdb::rows(db, statement.c_str()); }
    void expectNoOpenTransaction() {
        EXPECT_NO_THROW(db.execute("BEGIN;"));
        db.execute("ROLLBACK;");
    }
    std::vector<unsigned char> bytes(const std::string& s) { return {s.begin(), s.end()}; }

    testdb::TempDir dir;
    std::string path = dir.path("pane.db");
    store::DbConnection db;
    PaneStore pane{db};
    std::atomic<bool> cancel{false};
    int turn = 1;
    int text = 0;
    int other = 0;
};

TEST_F(PaneStoreTest, StoredAndLinkedAttachmentsAreListedInTheOrderTheyWereAdded) {
    auto first = pane.store(text, "it's.bin", bytes(std::string("a\0b'c", 5)), cancel);
    AttachmentRow link = pane.link(text, "notes.txt", "C:\\docs\\notes.txt", 1234);
    pane.store(other, "elsewhere.bin", bytes("x"), cancel);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->title, "it's.bin");
    EXPECT_EQ(first->size, 5);
    EXPECT_FALSE(first->linked);
    EXPECT_EQ(first->created.size(), 19u) << first->created;  // "2024-01-02 03:04:05"
    EXPECT_TRUE(link.linked);
    EXPECT_GT(link.id, first->id);

    std::vector<AttachmentRow> listed = pane.attachments(text);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].id, first->id);
    EXPECT_EQ(listed[0].title, "it's.bin");
    EXPECT_EQ(listed[0].created, first->created);
    EXPECT_EQ(listed[1].id, link.id);
    EXPECT_EQ(listed[1].size, 1234);
    EXPECT_TRUE(listed[1].linked);
    EXPECT_TRUE(pane.attachments(12345).empty());
}

// A later version may add columns and tables: the rows this version adds
// fill the columns it knows, the others take their defaults.
TEST_F(PaneStoreTest, ALibraryOfALaterVersionWithColumnsAndTablesOfItsOwnTakesNewRows) {
    db.execute("ALTER TABLE tree_tbl ADD COLUMN colour INTEGER DEFAULT 7; "
               "ALTER TABLE attach_tbl ADD COLUMN digest TEXT DEFAULT 'none'; "
               "CREATE TABLE tag_tbl(ItemId INTEGER, tag TEXT);");
    int added = node(1, 1, "new.cpp");
    auto stored = pane.store(added, "data.bin", bytes("abc"), cancel);
    AttachmentRow link = pane.link(added, "notes.txt", "C:\\notes.txt", 9);
    ASSERT_TRUE(stored);
    EXPECT_EQ(sql("SELECT title, colour FROM tree_tbl WHERE ItemId = " + std::to_string(added) + ";"),
              Rows{"new.cpp|7"});
    EXPECT_EQ(sql("SELECT count(*) FROM content_tbl WHERE ItemId = " + std::to_string(added) + ";"), Rows{"1"});
    EXPECT_EQ(sql("SELECT title, bStorePath, digest FROM attach_tbl ORDER BY AttachId;"),
              (Rows{"data.bin|0|none", "notes.txt|1|none"}));
    EXPECT_EQ(pane.content(stored->id).data, bytes("abc"));
    EXPECT_GT(link.id, stored->id);
}

TEST_F(PaneStoreTest, ContentComesBackDecodedAndALinkAsIts260BytePathField) {
    const std::string data("\0\x01\x02\x03'\xFF zero and quote", 22);
    auto stored = pane.store(text, "data.bin", bytes(data), cancel);
    ASSERT_TRUE(stored);
    attach::AttachmentContent content = pane.content(stored->id);
    EXPECT_FALSE(content.linked);
    EXPECT_EQ(content.size, 22);
    EXPECT_EQ(std::string(content.data.begin(), content.data.end()), data);

    const std::string target = "D:\\" + kZhong + "\\report.final.doc";
    AttachmentRow link = pane.link(text, "report.final.doc", target, -1);
    content = pane.content(link.id);
    EXPECT_TRUE(content.linked);
    EXPECT_EQ(content.size, -1);
    EXPECT_EQ(content.data.size(), attach::kPathField);
    EXPECT_EQ(content.linkedPath(), target);
    EXPECT_EQ(sql("SELECT bStorePath, filesize FROM attach_tbl WHERE AttachId = " + std::to_string(link.id) + ";"),
              Rows{"1|-1"});

    EXPECT_THROW(pane.content(99999), store::CppSQLite3Exception);
}

TEST_F(PaneStoreTest, ACancelledStoreRollsBackAndAFailedOneLeavesNoTransaction) {
    cancel = true;
    EXPECT_FALSE(pane.store(text, "cancelled.bin", bytes("abc"), cancel));
    EXPECT_EQ(sql("SELECT COUNT(*) FROM attach_tbl;"), Rows{"0"});
    expectNoOpenTransaction();

    cancel = false;
    db.execute("CREATE TRIGGER refuse BEFORE INSERT ON attach_tbl BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_THROW(pane.store(text, "refused.bin", bytes("abc"), cancel), store::CppSQLite3Exception);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM attach_tbl;"), Rows{"0"});
    expectNoOpenTransaction();
}

TEST_F(PaneStoreTest, RenameAndRemoveTouchOnlyTheirRow) {
    auto one = pane.store(text, "one.txt", bytes("1"), cancel);
    auto two = pane.store(text, "two.txt", bytes("2"), cancel);
    pane.rename(one->id, "it's one.txt");
    pane.remove(two->id);
    std::vector<AttachmentRow> listed = pane.attachments(text);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].title, "it's one.txt");
}

TEST_F(PaneStoreTest, MemoLoadsSavesQuotesAndSaysWhenItsTextIsGone) {
    EXPECT_EQ(pane.memo(text), std::optional<std::string>(""));  // NULL
    EXPECT_EQ(pane.saveMemo(text, "it's " + kZhong), 1);
    EXPECT_EQ(pane.memo(text), std::optional<std::string>("it's " + kZhong));
    EXPECT_EQ(pane.memo(other), std::optional<std::string>(""));
    int folder = node(1, 0, "folder");  // folders have no content row
    EXPECT_EQ(pane.memo(folder), std::nullopt);
    EXPECT_EQ(pane.saveMemo(folder, "lost"), 0);
}

// The search runs on the connection's GBK-aware LIKE.
class TitleSearchTest : public PaneStoreTest {
protected:
    // "folder/title" of every match, sorted.
    Rows search(const std::string& word) {
        Rows found;
        for (const attach::TitleMatch& m : pane.searchTitles(word)) found.push_back(m.folder + "/" + m.title);
        std::sort(found.begin(), found.end());
        return found;
    }
};

TEST_F(TitleSearchTest, TextsAreFoundWithTheirFolderOrTheRootAndFoldersNever) {
    int folder = node(1, 0, "cpp folder");
    node(folder, 1, "deep.cpp");
    node(0, 1, "top.cpp");
    node(0, 0, "top cpp folder");
    EXPECT_EQ(search("cpp"), (Rows{"cpp folder/deep.cpp", kRoot + "/top.cpp", "\xC4\xAC\xC8\xCF/a.cpp",
                                   "\xC4\xAC\xC8\xCF/b.cpp"}));  // 默认 holds a.cpp and b.cpp
    EXPECT_EQ(search("folder"), Rows{});
    std::vector<attach::TitleMatch> top = pane.searchTitles("top");
    ASSERT_EQ(top.size(), 1u);
    EXPECT_GT(top[0].nodeId, 0);
    EXPECT_EQ(sql("SELECT title FROM tree_tbl WHERE ItemId = " + std::to_string(top[0].nodeId) + ";"),
              Rows{"top.cpp"});
}

TEST_F(TitleSearchTest, QuotesWildcardsAndCaseAsTyped) {
    node(1, 1, "it's.txt");
    node(1, 1, "100%.txt");
    node(1, 1, "README.md");
    const std::string def = "\xC4\xAC\xC8\xCF/";
    EXPECT_EQ(search("it's"), Rows{def + "it's.txt"});
    EXPECT_EQ(search("readme"), Rows{def + "README.md"});
    EXPECT_EQ(search("a._pp"), Rows{def + "a.cpp"});  // "_" is any one character
    EXPECT_EQ(search("%"), search(""));               // "%" is any run: every text
    EXPECT_EQ(search("'"), Rows{def + "it's.txt"});
}

TEST_F(TitleSearchTest, DoubleByteTitlesMatchWholeCharactersOnly) {
    node(1, 1, kTrailLowA + ".py");       // no 'a' in it for the engine to find
    node(1, 1, kDe + kDaiMa + ".txt");    // the engine's LIKE misses 代码 here
    node(1, 1, kZhong + kZhong);
    const std::string def = "\xC4\xAC\xC8\xCF/";
    EXPECT_EQ(search("a"), (Rows{def + "a.cpp"}));
    EXPECT_EQ(search(kDaiMa), Rows{def + kDe + kDaiMa + ".txt"});
    EXPECT_EQ(search(kZhong + "_"), Rows{def + kZhong + kZhong});
    EXPECT_EQ(search("\xD0\xD6"), Rows{});  // the trail of one 中 and the lead of the next
}

}  // namespace
