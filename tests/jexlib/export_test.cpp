// export, and the round trip export → import into a new library → export.
#include <gmock/gmock.h>
#include <fstream>
#include <gtest/gtest.h>

#include "jexlib/commands.h"
#include "jexlib/files.h"
#include "jexlib/manifest.h"
#include "store/schema.h"
#include "tests/jexlib/sample_library.h"

namespace {

namespace fs = std::filesystem;
using sample::Capture;
using ::testing::HasSubstr;

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override { s = sample::makeSample(library, sample::kFiveMegabytes); }

    std::map<std::string, std::string> exported(const fs::path& from, const std::string& name,
                                                jexlib::ExportOptions options = {}) {
        Capture c;
        jexlib::exportLibrary(from, dir / name, options, c);
        return sample::treeFiles(dir / name);
    }

    sample::TempDir dir;
    fs::path library = dir / "srcdata.db";
    sample::Sample s;
};

TEST_F(ExportTest, WritesEachTextByTitleWithItsMemoAndAttachmentsBeside) {
    auto files = exported(library, "out");
    EXPECT_EQ(files[u8"默认/main.cpp"], "int main() {\r\n    return 0;\r\n}\r\n");
    EXPECT_EQ(files[u8"默认/main.cpp.memo.txt"], "入口函数");  // GBK, as stored
    EXPECT_EQ(files[u8"默认/main.cpp.files/big.bin"], std::string(s.big.begin(), s.big.end()));
    EXPECT_EQ(files[u8"默认/main.cpp.files/big.iso.link.txt"], "C:\\数据\\big.iso\n");
    EXPECT_EQ(files[u8"默认/main.cpp.files/it's.txt"], std::string("hi\0''", 5));
    EXPECT_EQ(files[u8"默认/中文标题.py"], "# 中文注释\nprint('你好，世界')\n");
    EXPECT_EQ(files[u8"默认/中文标题.py.files/图.png"].size(), 3000u);
    EXPECT_EQ(files[u8"默认/深/层/次/leaf.js"], "console.log('leaf');\n");
    EXPECT_EQ(files[u8"顶层.txt"], "at the top\n");
    EXPECT_TRUE(files.count(u8"默认/空目录/")) << "an empty folder is a directory";
    EXPECT_TRUE(files.count(jexlib::kManifestName));
}

TEST_F(ExportTest, NamesAreSafeOnEverySystemAndNeverClash) {
    auto files = exported(library, "out");
    EXPECT_TRUE(files.count(u8"默认/it's _quoted_.txt"));
    EXPECT_TRUE(files.count(u8"默认/a_b_c.h"));
    EXPECT_TRUE(files.count(u8"默认/_CON"));
    EXPECT_TRUE(files.count(u8"默认/_nul.txt"));
    EXPECT_TRUE(files.count(u8"默认/_aux.c"));
    // Three titles that a case-blind file system takes for one.
    EXPECT_EQ(files[u8"默认/dup.txt"], "first\n");
    EXPECT_EQ(files[u8"默认/dup (2).txt"], "second\n");
    EXPECT_EQ(files[u8"默认/DUP (3).TXT"], "third\n");
    // The text "x" has a memo; the text titled "x.memo.txt" does not take its name.
    EXPECT_EQ(files[u8"默认/x.memo.txt"], "x's memo");
    EXPECT_EQ(files[u8"默认/x.memo (2).txt"], "a text named like a memo\n");
    // A double-byte character whose trail byte is "\" stays whole.
    EXPECT_EQ(files[u8"默认/昞旳.txt"], "trail bytes \x95\x5c and \x95\x41\n");
}

TEST_F(ExportTest, NullMemosWriteNoMemoFileAndTheManifestKeepsTheNulls) {
    auto files = exported(library, "out");
    EXPECT_FALSE(files.count(u8"默认/无备注.sql.memo.txt"));
    EXPECT_TRUE(files.count(u8"默认/a_b_c.h.memo.txt")) << "an empty memo is not NULL";
    EXPECT_EQ(files[u8"默认/未保存"], "");
    const std::string& manifest = files[jexlib::kManifestName];
    EXPECT_THAT(manifest, HasSubstr(u8"title=未保存\tcreated="));
    EXPECT_THAT(manifest, HasSubstr(u8"file=默认/未保存\tcontent=null\n")) << "never saved: no modified, no memo";
    EXPECT_THAT(manifest, HasSubstr("title=it's \"quoted\".txt"));
    EXPECT_THAT(manifest, HasSubstr("title=a/b\\\\c.h")) << "the backslash is escaped";
    EXPECT_THAT(manifest, HasSubstr("kind=link\ttarget=C:\\\\" + std::string(u8"数据") + "\\\\big.iso\tfile=" +
                                    u8"默认/main.cpp.files/big.iso.link.txt"));
    EXPECT_THAT(manifest, HasSubstr("size=5242880"));
}

TEST_F(ExportTest, Utf8OptionConvertsTextsAndSaysSoInTheManifest) {
    auto files = exported(library, "out", jexlib::ExportOptions{true});
    EXPECT_EQ(files[u8"默认/中文标题.py"], u8"# 中文注释\nprint('你好，世界')\n");
    EXPECT_EQ(files[u8"默认/main.cpp.memo.txt"], u8"入口函数");
    EXPECT_EQ(files[u8"默认/main.cpp.files/big.iso.link.txt"], u8"C:\\数据\\big.iso\n");
    EXPECT_EQ(files[u8"默认/main.cpp.files/big.bin"].size(), s.big.size()) << "attachments stay as they are";
    EXPECT_THAT(files[jexlib::kManifestName], HasSubstr(u8"file=默认/中文标题.py\tencoding=utf-8\tmemo="));
}

TEST_F(ExportTest, RefusesAFolderThatHoldsSomethingAndLeavesIt) {
    fs::create_directories(dir / "busy");
    { std::ofstream(dir / "busy" / "keep.txt") << "mine"; }
    Capture c;
    EXPECT_THROW(jexlib::exportLibrary(library, dir / "busy", {}, c), jexlib::Failure);
    EXPECT_EQ(sample::treeFiles(dir / "busy").size(), 1u);
}

TEST_F(ExportTest, NeverWritesToTheLibrary) {
    std::string before = sample::readBytes(library);
    auto stamp = fs::last_write_time(library);
    exported(library, "out");
    EXPECT_TRUE(sample::readBytes(library) == before);
    EXPECT_EQ(fs::last_write_time(library), stamp);
    EXPECT_FALSE(fs::exists(dir / "srcdata.db-journal"));
}

TEST_F(ExportTest, NodesTheProgramCannotReachAreExportedToo) {
    {
        store::DbConnection db;
        store::openSnippetDatabase(db, jexlib::utf8Path(library).c_str(), true);
        std::string statement = "UPDATE tree_tbl SET pId = 999 WHERE ItemId = " + std::to_string(s.ids["deep"]) + ";";
        db.execute(statement.c_str());
    }
    Capture c;
    jexlib::exportLibrary(library, dir / "out", {}, c);
    auto files = sample::treeFiles(dir / "out");
    EXPECT_EQ(files[u8"_lost/深/层/次/leaf.js"], "console.log('leaf');\n");
    EXPECT_THAT(c.all(), HasSubstr("cannot be reached"));
}

// The round trip: what comes back exports byte for byte as before.
TEST_F(ExportTest, RoundTripThroughANewLibraryGivesIdenticalTrees) {
    auto first = exported(library, "first");
    Capture c;
    fs::path restored = dir / "restored.db";
    jexlib::ImportSummary summary = jexlib::importFolder(dir / "first", restored, {}, c);
    EXPECT_TRUE(summary.newLibrary && summary.fromManifest);
    auto second = exported(restored, "second");
    EXPECT_EQ(first.size(), second.size());
    for (const auto& f : first) EXPECT_EQ(second[f.first], f.second) << f.first;
    EXPECT_EQ(first, second);

    for (const char* table : {"SELECT * FROM tree_tbl ORDER BY ItemId;", "SELECT * FROM content_tbl ORDER BY ItemId;",
                              "SELECT * FROM attach_tbl ORDER BY AttachId;", "SELECT * FROM sqlite_sequence ORDER BY name;",
                              "SELECT * FROM softInfo_tbl;"})
        EXPECT_EQ(sample::rows(restored, table), sample::rows(library, table)) << table;
}

TEST_F(ExportTest, RoundTripInUtf8GivesTheSameLibrary) {
    exported(library, "utf8", jexlib::ExportOptions{true});
    Capture c;
    fs::path restored = dir / "restored.db";
    jexlib::importFolder(dir / "utf8", restored, {}, c);
    for (const char* table : {"SELECT * FROM tree_tbl ORDER BY ItemId;", "SELECT * FROM content_tbl ORDER BY ItemId;",
                              "SELECT * FROM attach_tbl ORDER BY AttachId;"})
        EXPECT_EQ(sample::rows(restored, table), sample::rows(library, table)) << table;
}

}  // namespace
