// backup and search.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "jexlib/commands.h"
#include "jexlib/files.h"
#include "jexlib/library.h"
#include "store/schema.h"
#include "tests/jexlib/sample_library.h"

namespace {

namespace fs = std::filesystem;
using sample::Capture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override { s = sample::makeSample(library); }

    sample::TempDir dir;
    fs::path library = dir / "srcdata.db";
    sample::Sample s;
};

using BackupTest = LibraryTest;

TEST_F(BackupTest, TheCopyIsAnEncryptedLibraryWithEveryRowNamedByItsTime) {
    Capture c;
    jexlib::BackupOptions options;
    options.destination = dir / "copies";
    fs::path copy = jexlib::backupLibrary(library, options, c);
    EXPECT_EQ(copy.parent_path(), dir / "copies");
    std::string name = copy.filename().string();
    ASSERT_EQ(name.size(), std::string("srcdata-20240101-101010.db").size()) << name;
    EXPECT_EQ(name.compare(0, 8, "srcdata-"), 0);
    EXPECT_EQ(name.substr(name.size() - 3), ".db");
    EXPECT_EQ(jexlib::fileKindOf(copy), jexlib::FileKind::Library);
    for (const char* table : {"SELECT * FROM tree_tbl ORDER BY ItemId;", "SELECT * FROM content_tbl;",
                              "SELECT * FROM attach_tbl;", "SELECT * FROM sqlite_master;"})
        EXPECT_TRUE(sample::rows(copy, table) == sample::rows(library, table)) << table;
    Capture check;
    EXPECT_EQ(jexlib::checkLibrary(copy, check).problems, 0) << check.all();
    EXPECT_GT(c.progressCalls, 0);
}

TEST_F(BackupTest, WithoutADestinationTheCopyGoesBesideTheLibrary) {
    Capture c;
    fs::path copy = jexlib::backupLibrary(library, {}, c);
    EXPECT_EQ(jexlib::withoutLongPrefix(copy.parent_path()), dir.path() / "backup");
}

TEST_F(BackupTest, OnlyTheNewestCopiesOfThisLibraryAreKept) {
    fs::path copies = dir / "copies";
    fs::create_directories(copies);
    for (const char* name : {"srcdata-20200101-000000.db", "srcdata-20200101-000000-2.db", "srcdata-20210101-000000.db",
                             "srcdata-notes.db", "other-20200101-000000.db", "srcdata-20200101-000000.txt"})
        std::ofstream(copies / name) << "x";
    jexlib::BackupOptions options;
    options.destination = copies;
    options.keep = 2;
    Capture c;
    fs::path copy = jexlib::backupLibrary(library, options, c);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(copies)) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_THAT(left, UnorderedElementsAre("other-20200101-000000.db", copy.filename().string(), "srcdata-20200101-000000.txt",
                                  "srcdata-20210101-000000.db", "srcdata-notes.db"));
    EXPECT_THAT(c.all(), HasSubstr("removed the old copy"));
}

TEST_F(BackupTest, ACopyMadeWhileAnotherConnectionWritesHoldsOnlyWhatWasCommitted) {
    store::DbConnection writer;
    store::openSnippetDatabase(writer, jexlib::utf8Path(library).c_str(), true);
    writer.execute("BEGIN TRANSACTION; UPDATE tree_tbl SET title = 'changing' WHERE ItemId = 2;");
    Capture c;
    jexlib::BackupOptions options;
    options.destination = dir / "copies";
    fs::path copy = jexlib::backupLibrary(library, options, c);
    EXPECT_THAT(sample::rows(copy, "SELECT title FROM tree_tbl WHERE ItemId = 2;"), ElementsAre("main.cpp"));
    writer.execute("COMMIT TRANSACTION;");
    EXPECT_THAT(sample::rows(library, "SELECT title FROM tree_tbl WHERE ItemId = 2;"), ElementsAre("changing"));
}

TEST_F(BackupTest, AFileThatIsNoLibraryIsNotCopied) {
    std::ofstream(dir / "notes.db") << "just some text, not a library";
    Capture c;
    EXPECT_THROW(jexlib::backupLibrary(dir / "notes.db", {}, c), jexlib::Failure);
    EXPECT_FALSE(fs::exists(dir / "backup") && !fs::is_empty(dir / "backup"));
}

using SearchTest = LibraryTest;

TEST_F(SearchTest, PrintsFolderPathTitleLineNumberAndLineOfContentAndMemos) {
    Capture c;
    EXPECT_EQ(jexlib::searchLibrary(library, "return", c), 1u);
    EXPECT_THAT(c.printed, ElementsAre(u8"默认/main.cpp:2:    return 0;"));

    Capture memo;
    EXPECT_EQ(jexlib::searchLibrary(library, "叶子", memo), 1u);
    EXPECT_THAT(memo.printed, ElementsAre(u8"默认/深/层/次/leaf.js (memo):1:叶子"));

    Capture top;
    jexlib::searchLibrary(library, "at the top", top);
    EXPECT_THAT(top.printed, ElementsAre(u8"顶层.txt:1:at the top"));
}

TEST_F(SearchTest, LettersMatchEitherCaseChineseWordsToo) {
    Capture c;
    EXPECT_EQ(jexlib::searchLibrary(library, "INT", c), 3u);
    EXPECT_THAT(c.printed, ElementsAre(u8"默认/main.cpp:1:int main() {", u8"默认/aux.c:1:int aux;",
                                       u8"默认/中文标题.py:2:print('你好，世界')"));
    Capture chinese;
    EXPECT_EQ(jexlib::searchLibrary(library, "你好", chinese), 1u);
    EXPECT_THAT(chinese.printed, ElementsAre(u8"默认/中文标题.py:2:print('你好，世界')"));
    Capture none;
    EXPECT_EQ(jexlib::searchLibrary(library, "no such words", none), 0u);
    EXPECT_TRUE(none.printed.empty());
}

TEST_F(SearchTest, ABytePairIsOneCharacterWhoseTrailIsNoLetter) {
    {
        store::DbConnection db;
        store::openSnippetDatabase(db, jexlib::utf8Path(library).c_str(), true);
        sample::LibraryWriter w(db);
        // 旳 is 0x95 0x41: its trail byte is the byte of "A".
        w.text(1, 99, "trail.txt", 23, "zz\x95\x41q\n", "");
    }
    auto found = [&](const std::string& words) {
        Capture c;
        jexlib::searchLibrary(library, words, c);
        return c.printed;
    };
    EXPECT_TRUE(found("aq").empty());
    EXPECT_TRUE(found("Aq").empty());
    EXPECT_THAT(found("\x95\x41q"), ElementsAre(u8"默认/trail.txt:1:zz旳q"));
    EXPECT_THAT(found("ZZ"), ElementsAre(u8"默认/trail.txt:1:zz旳q"));
}

TEST_F(SearchTest, ALongLineIsShownAroundTheMatch) {
    {
        store::DbConnection db;
        store::openSnippetDatabase(db, jexlib::utf8Path(library).c_str(), true);
        sample::LibraryWriter w(db);
        std::string line = std::string(2000, 'x') + " needle " + std::string(2000, 'y');
        w.text(1, 99, "long.txt", 23, "first\n" + line + "\nlast\n", "");
    }
    Capture c;
    EXPECT_EQ(jexlib::searchLibrary(library, "needle", c), 1u);
    ASSERT_EQ(c.printed.size(), 1u);
    const std::string& shown = c.printed[0];
    EXPECT_EQ(shown.rfind(u8"默认/long.txt:2:...x", 0), 0u) << shown;
    EXPECT_THAT(shown, HasSubstr("x needle y"));
    EXPECT_LT(shown.size(), 400u);
    EXPECT_EQ(shown.substr(shown.size() - 4), "y...");
}

}  // namespace
