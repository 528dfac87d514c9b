// check on sound and on damaged libraries.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "jexlib/commands.h"
#include "jexlib/files.h"
#include "store/page_key.h"
#include "store/schema.h"
#include "tests/jexlib/sample_library.h"

namespace {

namespace fs = std::filesystem;
using sample::Capture;
using ::testing::HasSubstr;
using ::testing::Not;

class CheckTest : public ::testing::Test {
protected:
    void SetUp() override { s = sample::makeSample(library); }

    jexlib::CheckSummary check(Capture& c) { return jexlib::checkLibrary(library, c); }

    void execute(const std::string& statement) {
        store::DbConnection db;
        store::openSnippetDatabase(db, jexlib::utf8Path(library).c_str(), true);
        db.execute(statement.c_str());
    }

    int scalar(const std::string& statement) {
        store::DbConnection db;
        store::openSnippetDatabaseReadOnly(db, jexlib::utf8Path(library).c_str());
        return db.scalar(statement.c_str());
    }

    // XORs `mask` into byte `offset` of page `page` (from 1) of the file: the
    // same change in the decrypted page, as every page is XORed with one
    // key stream.
    void flip(int page, int offset, unsigned char mask) {
        int pageSize = scalar("PRAGMA page_size;");
        std::fstream f(library, std::ios::in | std::ios::out | std::ios::binary);
        std::streamoff at = std::streamoff(page - 1) * pageSize + offset;
        f.seekg(at);
        char c = 0;
        f.get(c);
        f.seekp(at);
        f.put(char(c ^ mask));
    }

    sample::TempDir dir;
    fs::path library = dir / "srcdata.db";
    sample::Sample s;
};

TEST_F(CheckTest, ASoundLibraryPassesEveryPartAndIsNotWritten) {
    std::string before = sample::readBytes(library);
    Capture c;
    jexlib::CheckSummary summary = check(c);
    EXPECT_EQ(summary.problems, 0) << c.all();
    std::string out = c.all();
    for (const char* part : {"ok      key:", "ok      integrity:", "ok      schema:", "ok      texts: 17,",
                             "ok      attachments: 4,", "ok      tree: 22 nodes", "no problems found"})
        EXPECT_THAT(out, HasSubstr(part));
    EXPECT_TRUE(sample::readBytes(library) == before);
}

TEST_F(CheckTest, AFlippedByteInAPageFailsWithThePageNamed) {
    int page = scalar("SELECT rootpage FROM sqlite_master WHERE name = 'tree_tbl';");
    flip(page, 3, 0x40);  // the high byte of the page's cell count
    Capture c;
    EXPECT_GT(check(c).problems, 0);
    EXPECT_THAT(c.all(), HasSubstr("PROBLEM integrity: damaged page " + std::to_string(page) + "\n")) << c.all();
}

TEST_F(CheckTest, AFileTheKeyDoesNotOpenIsNamedSo) {
    flip(1, 0, 0x01);
    Capture c;
    EXPECT_EQ(check(c).problems, 1);
    EXPECT_THAT(c.all(), HasSubstr("PROBLEM key: not a library: the library's key does not open it"));

    fs::path plain = dir / "plain.db";
    {
        store::DbConnection db;
        db.open(jexlib::utf8Path(plain).c_str());
        db.execute("CREATE TABLE t(x);");
    }
    Capture p;
    EXPECT_EQ(jexlib::checkLibrary(plain, p).problems, 1);
    EXPECT_THAT(p.all(), HasSubstr("plain SQLite database"));
    Capture m;
    EXPECT_THROW(jexlib::checkLibrary(dir / "missing.db", m), jexlib::Failure);
}

TEST_F(CheckTest, ATextWithoutItsContentRowIsAProblem) {
    execute("DELETE FROM content_tbl WHERE ItemId = " + std::to_string(s.ids["leaf"]) + ";");
    Capture c;
    EXPECT_EQ(check(c).problems, 1) << c.all();
    EXPECT_THAT(c.all(), HasSubstr("PROBLEM texts without their content row: 1\n"));
    EXPECT_THAT(c.all(), HasSubstr("leaf.js (id " + std::to_string(s.ids["leaf"]) + ")"));
}

TEST_F(CheckTest, AttachmentsMustDecodeToTheirSize) {
    execute("UPDATE attach_tbl SET filesize = 3001 WHERE AttachId = " + std::to_string(s.ids["small"]) + ";");
    execute("UPDATE attach_tbl SET filedata = 'A' || char(1) || char(4) WHERE AttachId = " +
            std::to_string(s.ids["quotedAttachment"]) + ";");
    Capture c;
    EXPECT_EQ(check(c).problems, 1) << c.all();
    EXPECT_THAT(c.all(), HasSubstr("PROBLEM attachments that do not decode to their size: 2\n"));
    EXPECT_THAT(c.all(), HasSubstr("decodes to 3000 bytes, its filesize is 3001"));
    EXPECT_THAT(c.all(), HasSubstr("attachment " + std::to_string(s.ids["quotedAttachment"]) + ": its data does not decode"));
}

TEST_F(CheckTest, TheSchemaAndTriggersMustBeTheProgramsOwn) {
    execute("DROP TRIGGER content_upd_trig; CREATE TRIGGER content_upd_trig AFTER UPDATE OF content ON content_tbl "
            "BEGIN SELECT 1; END; DROP INDEX tree_pId_idx; CREATE TABLE extra(x);");
    Capture c;
    EXPECT_EQ(check(c).problems, 1) << c.all();
    EXPECT_THAT(c.all(), HasSubstr("PROBLEM schema: the trigger content_upd_trig is not the one the program makes"));
    EXPECT_THAT(c.all(), HasSubstr("note    schema: the index tree_pId_idx is missing"));
    EXPECT_THAT(c.all(), HasSubstr("note    schema: the table extra is not one the program makes"));

    execute("DROP TRIGGER tree_del_trig;");
    Capture d;
    check(d);
    EXPECT_THAT(d.all(), HasSubstr("PROBLEM schema: the trigger tree_del_trig is missing"));
}

TEST_F(CheckTest, NodesOutOfReachAreProblemsSharedTurnsNotes) {
    execute("UPDATE tree_tbl SET pId = " + std::to_string(s.ids["main"]) + " WHERE ItemId = " +
            std::to_string(s.ids["deep"]) + "; UPDATE tree_tbl SET turn = 1 WHERE ItemId = " +
            std::to_string(s.ids["quoted"]) + ";");
    Capture c;
    EXPECT_EQ(check(c).problems, 1) << c.all();
    EXPECT_THAT(c.all(), HasSubstr("PROBLEM nodes the program cannot reach from the top level (with what lies below them): 1\n"));
    EXPECT_THAT(c.all(), HasSubstr(u8"          深 (id "));
    EXPECT_THAT(c.all(), HasSubstr("note    tree: 1 turns shared by siblings"));
}

}  // namespace
