// import: with a manifest into existing libraries, plain folder trees, and
// imports that fail on the way.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include <sqlite3.h>

#include "jexlib/commands.h"
#include "jexlib/files.h"
#include "store/db_connection.h"
#include "store/schema.h"
#include "tests/jexlib/sample_library.h"
#include "tests/store/fault_vfs.h"

namespace {

namespace fs = std::filesystem;
using sample::Capture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        s = sample::makeSample(source, sample::kFiveMegabytes);
        Capture c;
        jexlib::exportLibrary(source, exported, {}, c);
        // The library imported into: a folder holding one text.
        store::DbConnection db;
        sample::createLibrary(db, target);
        sample::LibraryWriter w(db);
        into = w.folder(0, 2, "目标");
        w.text(into, 1, "already.txt", 23, "here before\n", "");
    }

    std::vector<std::string> rows(const std::string& statement) { return sample::rows(target, statement.c_str()); }

    sample::TempDir dir;
    fs::path source = dir / "source.db";
    fs::path exported = dir / "exported";
    fs::path target = dir / "target.db";
    sample::Sample s;
    int into = 0;
};

TEST_F(ImportTest, IntoAnExistingLibraryRecordsGetNewIdsUnderTheFolderAfterItsChildren) {
    jexlib::ImportOptions options;
    options.into = into;
    Capture c;
    jexlib::ImportSummary summary = jexlib::importFolder(exported, target, options, c);
    EXPECT_FALSE(summary.newLibrary);
    EXPECT_EQ(summary.texts, 17);
    EXPECT_EQ(summary.folders, 5);
    EXPECT_EQ(summary.attachments, 4);

    // The two top-level nodes of the export follow the folder's own text.
    std::string under = "SELECT title, turn, type FROM tree_tbl WHERE pId = " + std::to_string(into) + " ORDER BY turn;";
    EXPECT_THAT(rows(under), ElementsAre("already.txt|1|1", "默认|2|0", "顶层.txt|3|1"));
    // Deeper levels keep their turns; times and schemes come back.
    EXPECT_EQ(rows("SELECT c.title, c.turn, c.SynId, c.CreateTime FROM tree_tbl c, tree_tbl p WHERE c.pId = p.ItemId "
                   "AND p.title = '次';"),
              sample::rows(source, "SELECT c.title, c.turn, c.SynId, c.CreateTime FROM tree_tbl c, tree_tbl p WHERE "
                                   "c.pId = p.ItemId AND p.title = '次';"));
    // The attachments belong to the new main.cpp, with their bytes.
    std::string main = rows("SELECT ItemId FROM tree_tbl WHERE title = 'main.cpp';").at(0);
    EXPECT_THAT(rows("SELECT title, filesize, bStorePath FROM attach_tbl WHERE ItemId = " + main + " ORDER BY AttachId;"),
                ElementsAre("big.bin|5242880|0", "big.iso|104857600|1", "it's.txt|5|0"));
    EXPECT_EQ(rows("SELECT filedata FROM attach_tbl WHERE title = 'big.bin';"),
              sample::rows(source, "SELECT filedata FROM attach_tbl WHERE title = 'big.bin';"));
    EXPECT_THAT(rows("SELECT content, memo FROM content_tbl c, tree_tbl t WHERE c.ItemId = t.ItemId AND t.title = "
                     "'无备注.sql';"),
                ElementsAre("SELECT 1;\n|<null>"));
    // Nothing the library had is touched.
    EXPECT_THAT(rows("SELECT ItemId, title FROM tree_tbl WHERE ItemId <= 3 ORDER BY ItemId;"),
                ElementsAre("1|默认", "2|目标", "3|already.txt"));
}

TEST_F(ImportTest, AnImportFailingHalfWayLeavesTheLibraryAsItWas) {
    fs::remove(exported / sample::u8(u8"默认/深/层/次/leaf.js"));  // read after most of the rows are written
    std::string before = sample::readBytes(target);
    Capture c;
    EXPECT_THROW(jexlib::importFolder(exported, target, {}, c), jexlib::Failure);
    EXPECT_THAT(c.all(), HasSubstr(u8"默认/深/层/次/leaf.js: cannot be read"));
    EXPECT_TRUE(sample::readBytes(target) == before);
    EXPECT_FALSE(fs::exists(dir / "target.db-journal"));
}

TEST_F(ImportTest, AWriteFailingAtTheDiskLeavesTheLibraryAsItWas) {
    std::string before = sample::readBytes(target);
    for (int failAt : {1, 3, 20}) {
        testing_vfs::faultPlan() = {};
        testing_vfs::faultPlan().failDatabaseWriteAt = failAt;
        jexlib::ImportOptions options;
        options.connection.baseVfs = testing_vfs::faultVfs();
        Capture c;
        EXPECT_THROW(jexlib::importFolder(exported, target, options, c), jexlib::Failure) << failAt;
        testing_vfs::faultPlan() = {};
        EXPECT_TRUE(sample::readBytes(target) == before) << "failing at write " << failAt;
    }
    Capture c;
    EXPECT_EQ(jexlib::checkLibrary(target, c).problems, 0) << c.all();
}

// The library opened as the program opens it (which plays back a journal
// a failed import had to leave): whether it is intact, and its rows.
std::pair<bool, std::vector<std::string>> openedAsTheProgramDoes(const fs::path& library) {
    store::DbConnection db;
    store::openSnippetDatabase(db, jexlib::utf8Path(library).c_str(), true);
    std::vector<std::string> out;
    for (const char* statement : {"PRAGMA integrity_check;", "SELECT * FROM tree_tbl ORDER BY ItemId;",
                                  "SELECT rowid, * FROM content_tbl ORDER BY rowid;",
                                  "SELECT AttachId, ItemId, title, filesize, bStorePath, length(filedata) FROM "
                                  "attach_tbl ORDER BY AttachId;",
                                  "SELECT * FROM sqlite_sequence ORDER BY name;"}) {
        for (store::DbQuery q = db.query(statement); !q.eof(); q.nextRow()) {
            std::string row;
            for (int i = 0; i < q.numFields(); ++i) row += std::string(i ? "|" : "") + q.getStringField(i, "<null>");
            out.push_back(row);
        }
    }
    bool intact = !out.empty() && out[0] == "ok";
    return {intact, out};
}

// The import of the 5 MB sample makes some thousand writes: the first
// eight, the last four and every `step`th between them fail in turn, once
// or as a disk that stays full.  Each failure is reported and leaves the
// library (existing) or no file at all (new); once the disk is mended the
// import goes through.
class ImportFaultTest : public ImportTest {
protected:
    int writesOfAWholeImport(const fs::path& library) {
        fs::path copy = dir / "count.db";
        if (fs::exists(library)) fs::copy_file(library, copy);
        testing_vfs::faultPlan() = {};
        jexlib::ImportOptions options;
        options.connection.baseVfs = testing_vfs::faultVfs();
        Capture c;
        jexlib::importFolder(exported, copy, options, c);
        int writes = testing_vfs::faultPlan().databaseWrites;
        fs::remove(copy);
        return writes;
    }

    template <typename Check>
    int failEachWrite(const fs::path& library, const testing_vfs::FaultPlan& kind, int step, Check check) {
        int writes = writesOfAWholeImport(library);
        int failed = 0;
        for (int at = 1; at <= writes; at = (at < 8 || at >= writes - 4) ? at + 1 : std::min(at + step, writes - 4)) {
            SCOPED_TRACE("failing at write " + std::to_string(at) + " of " + std::to_string(writes));
            testing_vfs::faultPlan() = kind;
            testing_vfs::faultPlan().failDatabaseWriteAt = at;
            jexlib::ImportOptions options;
            options.connection.baseVfs = testing_vfs::faultVfs();
            Capture c;
            try {
                jexlib::importFolder(exported, library, options, c);
                ADD_FAILURE() << "a failed write reported as success";
            } catch (const jexlib::Failure& f) {
                EXPECT_THAT(f.what(), HasSubstr("nothing was imported"));
            }
            EXPECT_TRUE(testing_vfs::faultPlan().writeFaultReached());
            testing_vfs::faultPlan() = {};
            ++failed;
            check();
            if (::testing::Test::HasFailure()) break;
        }
        return failed;
    }
};

TEST_F(ImportFaultTest, EveryWriteIntoAnExistingLibraryFailingLeavesItAsItWas) {
    auto before = openedAsTheProgramDoes(target);
    ASSERT_TRUE(before.first);
    testing_vfs::FaultPlan full;
    full.failCode = SQLITE_FULL;
    full.keepFailing = true;
    for (const testing_vfs::FaultPlan& kind : {testing_vfs::FaultPlan{}, full}) {
        SCOPED_TRACE(kind.keepFailing ? "full disk" : "one failing write");
        int failed = failEachWrite(target, kind, 149, [&] {
            EXPECT_TRUE(openedAsTheProgramDoes(target) == before);
            EXPECT_FALSE(fs::exists(dir / "target.db-journal"));
        });
        EXPECT_GE(failed, 15);
    }
    Capture c;
    EXPECT_EQ(jexlib::importFolder(exported, target, {}, c).texts, 17);
    EXPECT_EQ(jexlib::checkLibrary(target, c).problems, 0) << c.all();
}

TEST_F(ImportFaultTest, ANewLibraryOnAFullDiskLeavesNoFileBehind) {
    testing_vfs::FaultPlan full;
    full.failCode = SQLITE_FULL;
    full.keepFailing = true;
    const fs::path made = dir / "new.db";
    int failed = failEachWrite(made, full, 211, [&] {
        EXPECT_FALSE(fs::exists(made));
        EXPECT_FALSE(fs::exists(dir / "new.db.jexlib-new"));
        EXPECT_FALSE(fs::exists(dir / "new.db.jexlib-new-journal"));
    });
    EXPECT_GE(failed, 10);
    Capture c;
    EXPECT_TRUE(jexlib::importFolder(exported, made, {}, c).newLibrary);
    EXPECT_EQ(jexlib::checkLibrary(made, c).problems, 0) << c.all();
}

TEST_F(ImportTest, ANewLibraryAppearsOnlyWhenTheImportIsComplete) {
    fs::remove(exported / sample::u8(u8"默认/main.cpp.files/big.bin"));
    Capture c;
    EXPECT_THROW(jexlib::importFolder(exported, dir / "new.db", {}, c), jexlib::Failure);
    EXPECT_FALSE(fs::exists(dir / "new.db"));
    EXPECT_FALSE(fs::exists(dir / "new.db.jexlib-new"));
}

TEST_F(ImportTest, CharactersGbkCannotHoldAreListedAndRefusedOrSubstituted) {
    fs::path utf8 = dir / "utf8";
    Capture e;
    jexlib::exportLibrary(source, utf8, jexlib::ExportOptions{true}, e);
    writeFile(utf8 / sample::u8(u8"默认/中文标题.py"), u8"# 中文注释\nprint('😀 ✓')\n");
    std::string before = sample::readBytes(target);
    Capture c;
    EXPECT_THROW(jexlib::importFolder(utf8, target, {}, c), jexlib::Failure);
    EXPECT_THAT(c.notes, ElementsAre(u8"默认/中文标题.py:2: U+1F600 (😀) cannot be held by GBK",
                                     u8"默认/中文标题.py:2: U+2713 (✓) cannot be held by GBK"));
    EXPECT_TRUE(sample::readBytes(target) == before);

    jexlib::ImportOptions options;
    options.substitute = true;
    Capture d;
    jexlib::importFolder(utf8, target, options, d);
    EXPECT_THAT(rows("SELECT content FROM content_tbl c, tree_tbl t WHERE c.ItemId = t.ItemId AND t.title = "
                     "'中文标题.py';"),
                ElementsAre("# 中文注释\nprint('? ?')\n"));
}

TEST_F(ImportTest, BadTargetsAndManifestsAreRefusedBeforeAnythingIsWritten) {
    std::string before = sample::readBytes(target);
    auto refused = [&](const fs::path& folder, const fs::path& library, std::optional<std::int64_t> into,
                       const std::string& why) {
        jexlib::ImportOptions options;
        options.into = into;
        Capture c;
        try {
            jexlib::importFolder(folder, library, options, c);
            ADD_FAILURE() << "accepted: " << why;
        } catch (const jexlib::Failure& f) {
            EXPECT_THAT(f.what() + ("\n" + c.all()), HasSubstr(why));
        }
    };
    refused(exported, target, 3, "--into 3: is a text, not a folder");
    refused(exported, target, 99, "--into 99: the library has no node with that id");
    refused(exported, dir / "new.db", 2, "--into needs an existing library");
    refused(dir / "nowhere", target, std::nullopt, "no such folder");

    std::string manifest = sample::readBytes(exported / "jexlib-manifest.txt");
    writeFile(exported / "jexlib-manifest.txt", "a list of things\n" + manifest);
    refused(exported, target, std::nullopt, "line 1: not a jexlib manifest");
    writeFile(exported / "jexlib-manifest.txt", manifest + "text\tid=100\ttype=1\tfile=../../etc/passwd\n");
    refused(exported, target, std::nullopt, "lies outside the folder");
    writeFile(exported / "jexlib-manifest.txt", manifest + "text\tid=2\ttype=1\tfile=x\n");
    refused(exported, target, std::nullopt, "id 2 is listed twice");
    writeFile(exported / "jexlib-manifest.txt", manifest + "gadget\tid=5\n");
    refused(exported, target, std::nullopt, "unknown record \"gadget\"");
    EXPECT_TRUE(sample::readBytes(target) == before);
    EXPECT_FALSE(fs::exists(dir / "new.db"));
}

// A plain tree of source files: no manifest.
class PlainImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(syntax / "cpp.xml", "<ID>40</ID><NAME>C++</NAME><EXTENTION><Ext>cpp</Ext><Ext>h</Ext></EXTENTION>");
        writeFile(syntax / "sql.xml", "<ID>41</ID><NAME>SQL</NAME><EXTENTION><Ext>sql</Ext></EXTENTION>");
        writeFile(syntax / "zz.xml", "<ID>42</ID><NAME>Other</NAME><EXTENTION><Ext>cpp</Ext></EXTENTION>");
        writeFile(tree / "main.cpp", u8"// 你好\nint main() {}\n");
        writeFile(tree / "gbk.h", "// \xc4\xe3\xba\xc3\n");  // GBK, not UTF-8: kept as it is
        writeFile(tree / "bom.sql", "\xEF\xBB\xBFSELECT '\xE4\xB8\xAD';\n");
        writeFile(tree / "README", "no extension\n");
        writeFile(tree / "lib" / "util.CPP", "void util();\n");
        writeFile(tree / "lib" / sample::u8(u8"空.txt"), "");
        writeFile(tree / "lib" / "data.bin", std::string("\x01\x00\x02", 3));
        writeFile(tree / ".git" / "HEAD", "ref: refs/heads/main\n");
        fs::create_directories(tree / "empty");
        store::DbConnection db;
        sample::createLibrary(db, library);
    }

    std::vector<std::string> rows(const std::string& statement) { return sample::rows(library, statement.c_str()); }

    sample::TempDir dir;
    fs::path syntax = dir / "Syntax";
    fs::path tree = dir / u8"项目";
    fs::path library = dir / "lib.db";
};

TEST_F(PlainImportTest, EachDirectoryIsAFolderEachFileATextWithTheSchemeOfItsExtension) {
    jexlib::ImportOptions options;
    options.syntaxFolder = syntax;
    options.schemeWithoutExtension = 41;
    Capture c;
    jexlib::ImportSummary summary = jexlib::importFolder(tree, library, options, c);
    EXPECT_FALSE(summary.fromManifest);
    EXPECT_EQ(summary.texts, 6);
    EXPECT_EQ(summary.folders, 3);
    EXPECT_THAT(rows("SELECT title, turn, type FROM tree_tbl WHERE pId = 0 ORDER BY turn;"),
                ElementsAre("默认|1|0", "项目|2|0"));
    std::string top = std::to_string(summary.topId);
    EXPECT_THAT(rows("SELECT title, turn, type, SynId FROM tree_tbl WHERE pId = " + top + " ORDER BY turn;"),
                ElementsAre("empty|1|0|-1", "lib|2|0|-1", "README|3|1|41", "bom.sql|4|1|41", "gbk.h|5|1|40",
                            "main.cpp|6|1|40"));
    EXPECT_THAT(rows("SELECT t.title, t.SynId, c.content, c.memo FROM tree_tbl t, content_tbl c, tree_tbl p WHERE "
                     "c.ItemId = t.ItemId AND t.pId = p.ItemId AND p.title = 'lib' ORDER BY t.turn;"),
                ElementsAre("util.CPP|40|void util();\n|<null>", "空.txt|-1||<null>"));
    EXPECT_THAT(rows("SELECT content FROM content_tbl c, tree_tbl t WHERE c.ItemId = t.ItemId AND t.type = 1 AND "
                     "t.title IN ('main.cpp', 'gbk.h', 'bom.sql') ORDER BY t.title;"),
                ElementsAre("SELECT '中';\n", "// 你好\n", "// 你好\nint main() {}\n"));
    EXPECT_THAT(c.all(), HasSubstr(".git: a hidden folder, not imported"));
    EXPECT_THAT(c.all(), HasSubstr("data.bin: a binary file"));
}

TEST_F(PlainImportTest, WithoutSchemeFilesEveryTextGetsNone) {
    jexlib::ImportOptions options;
    options.syntaxFolder = dir / "no-such-folder";
    Capture c;
    jexlib::importFolder(tree, library, options, c);
    EXPECT_THAT(rows("SELECT DISTINCT SynId FROM tree_tbl WHERE type = 1;"), ElementsAre("-1"));
    EXPECT_THAT(c.all(), HasSubstr("no scheme files in"));
}

}  // namespace
