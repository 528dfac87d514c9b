// Start-up and exit of jexmarlo.exe: first run, second instance, reopening,
// and a configured database that has gone.
#include <gtest/gtest.h>

#include <cstring>

#include "res/resource.h"
#include "store/db_connection.h"
#include "store/schema.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/wait.h"
#include "tests/store/test_db.h"

namespace {

using e2e::Program;
using e2e::ProgramFolder;

using e2e::acceptFolderDialog;
using e2e::databasePath;
using e2e::kDialogClass;
using e2e::kFrameClass;
using e2e::kTitle;

void expectCleanExit(Program& program, HWND frame) { EXPECT_EQ(e2e::closeProgram(program, frame), 0u); }

void prepareFirstRun(const ProgramFolder& folder) { ASSERT_TRUE(e2e::firstRun(folder)); }

int nodeCount(const std::string& database) {
    store::DbConnection db;
    db.openWithKey(database.c_str(), store::kPassPhrase);
    return db.scalar("SELECT COUNT(*) FROM tree_tbl;");
}

TEST(Startup, FirstRunAsksForTheFolderAndCreatesTheEncryptedDatabase) {
    ProgramFolder folder;
    ASSERT_FALSE(e2e::fileExists(folder.file("config.ini")));
    removeFolderTree(e2e::attachmentTempFolder());
    CreateDirectoryA(e2e::attachmentTempFolder().c_str(), nullptr);
    e2e::writeFile(e2e::attachmentTempFolder() + "left-over.txt", "x");

    Program program(folder);
    ASSERT_TRUE(program.start());
    HWND dialog = program.waitForWindow(kTitle, kDialogClass);
    ASSERT_TRUE(dialog) << "no folder dialog";
    EXPECT_EQ(e2e::controlText(dialog, IDC_DBFOLDER_PATH), folder.file("data"));
    EXPECT_TRUE(e2e::folderExists(folder.file("data")));
    auto labels = e2e::childTexts(dialog, "Static");
    EXPECT_NE(std::find(labels.begin(), labels.end(), "请选择数据库文件默认的保存路径："), labels.end());
    EXPECT_EQ(e2e::controlText(dialog, IDOK), "确定");
    EXPECT_EQ(e2e::controlText(dialog, IDC_DBFOLDER_BROWSE), "...");
    EXPECT_FALSE(e2e::screenshot("startup-folder-dialog").empty());

    // The configuration exists before the question is answered.
    std::string ini = folder.file("config.ini");
    EXPECT_EQ(e2e::iniSections(ini), std::vector<std::string>{"UPDATE"});

    e2e::clickButton(dialog, IDOK);
    HWND frame = program.waitForWindow(kTitle, kFrameClass);
    ASSERT_TRUE(frame) << "no main window";
    EXPECT_FALSE(e2e::screenshot("startup-main-window").empty());

    EXPECT_EQ(e2e::iniSections(ini), (std::vector<std::string>{"UPDATE", "DBM"}));
    // The first start has never checked for updates: it writes today as the
    // last check and starts one (against the built-in address).
    EXPECT_EQ(e2e::iniKeys(ini, "UPDATE"), (std::vector<std::string>{"CheckDay", "LastUpdate"}));
    EXPECT_EQ(e2e::iniString(ini, "UPDATE", "CheckDay"), "1");
    EXPECT_EQ(e2e::iniString(ini, "UPDATE", "LastUpdate"), e2e::shortDate());
    EXPECT_EQ(e2e::iniString(ini, "DBM", "WorkPath"), databasePath(folder));

    // The file on disk is encrypted; XOR with the key stream gives a plain
    // database with exactly the schema and first rows.
    std::vector<unsigned char> image = e2e::readFile(databasePath(folder));
    ASSERT_GE(image.size(), 4096u);
    EXPECT_NE(std::memcmp(image.data(), "SQLite format 3", 15), 0);
    testdb::TempDir scratch;
    testdb::writeFile(scratch.path("plain.db"), testdb::decryptImage(image, store::kPassPhrase));
    EXPECT_EQ(testdb::plainRows(scratch.path("plain.db"), "PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
    EXPECT_EQ(testdb::plainRows(scratch.path("plain.db"),
                                "SELECT COUNT(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite_%' AND type != 'index';"),
              std::vector<std::string>{"8"});
    EXPECT_EQ(testdb::plainRows(scratch.path("plain.db"), "SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name;"),
              (std::vector<std::string>{"attach_ItemId_idx", "content_ItemId_idx", "tree_pId_idx"}));
    EXPECT_EQ(testdb::plainRows(scratch.path("plain.db"), "SELECT ItemId, pId, turn, type, SynId, title FROM tree_tbl;"),
              std::vector<std::string>{"1|0|1|0|-1|默认"});
    EXPECT_EQ(testdb::plainRows(scratch.path("plain.db"), "SELECT * FROM softInfo_tbl;"),
              std::vector<std::string>{"jexMarlo|1.0.0"});

    expectCleanExit(program, frame);
    EXPECT_FALSE(e2e::folderExists(e2e::attachmentTempFolder())) << "temporary folder left after exit";
}

TEST(Startup, SecondInstanceSaysSoAndTouchesNothing) {
    ProgramFolder folder;
    prepareFirstRun(folder);
    Program first(folder);
    ASSERT_TRUE(first.start());
    HWND frame = first.waitForWindow(kTitle, kFrameClass);
    ASSERT_TRUE(frame);

    CreateDirectoryA(e2e::attachmentTempFolder().c_str(), nullptr);
    std::string marker = e2e::attachmentTempFolder() + "opened-attachment.txt";
    e2e::writeFile(marker, "in use by the first instance");
    auto configBefore = e2e::readFile(folder.file("config.ini"));
    auto databaseBefore = e2e::readFile(databasePath(folder));

    Program second(folder);
    ASSERT_TRUE(second.start());
    HWND box = second.waitForWindow(kTitle, kDialogClass);
    ASSERT_TRUE(box) << "the second instance showed no message";
    EXPECT_EQ(e2e::messageBoxText(box), "程序已经运行！");
    EXPECT_FALSE(e2e::screenshot("startup-second-instance").empty());
    e2e::clickButton(box, IDOK);
    ASSERT_TRUE(second.waitForExit(30000));

    EXPECT_TRUE(first.running());
    EXPECT_TRUE(e2e::fileExists(marker)) << "the second instance removed the first one's temporary folder";
    EXPECT_EQ(e2e::readFile(folder.file("config.ini")), configBefore);
    EXPECT_EQ(e2e::readFile(databasePath(folder)), databaseBefore);

    expectCleanExit(first, frame);
    EXPECT_FALSE(e2e::fileExists(marker));
}

TEST(Startup, ExistingDatabaseIsOpenedWithoutAsking) {
    ProgramFolder folder;
    prepareFirstRun(folder);
    {
        store::DbConnection db;
        db.openWithKey(databasePath(folder).c_str(), store::kPassPhrase);
        db.execute("INSERT INTO tree_tbl VALUES(NULL, 1, 1, 1, 0, 'kept', datetime('now', 'localtime'), NULL);");
    }
    auto configBefore = e2e::readFile(folder.file("config.ini"));

    Program program(folder);
    ASSERT_TRUE(program.start());
    HWND frame = program.waitForWindow(kTitle, kFrameClass);
    ASSERT_TRUE(frame);
    ASSERT_TRUE(e2e::waitForIdle(frame));  // the start-up has run to its end
    EXPECT_FALSE(program.findWindow(nullptr, kDialogClass)) << "a dialog appeared on a normal start";
    expectCleanExit(program, frame);

    EXPECT_EQ(nodeCount(databasePath(folder)), 2);
    EXPECT_EQ(e2e::readFile(folder.file("config.ini")), configBefore);
}

TEST(Startup, ConfiguredDatabaseThatHasGoneIsCreatedAfresh) {
    ProgramFolder folder;
    prepareFirstRun(folder);
    std::string ini = folder.file("config.ini");
    WritePrivateProfileStringA("DBM", "WorkPath", folder.file("elsewhere\\gone.db").c_str(), ini.c_str());
    DeleteFileA(databasePath(folder).c_str());

    Program program(folder);
    ASSERT_TRUE(program.start());
    HWND frame = acceptFolderDialog(program);
    ASSERT_TRUE(frame) << "the folder dialog did not come back";
    expectCleanExit(program, frame);

    EXPECT_EQ(e2e::iniString(ini, "DBM", "WorkPath"), databasePath(folder));
    EXPECT_EQ(nodeCount(databasePath(folder)), 1);
}

// A file that is not a database of ours opens without complaint; the first
// query (listing the tree) fails to compile and says so with the engine's
// code and no detail.  The file is left as it was.
TEST(Startup, FileThatIsNotOurDatabaseFailsAtTheFirstQuery) {
    ProgramFolder folder;
    prepareFirstRun(folder);
    std::string foreign = folder.file("data\\notes.txt");
    e2e::writeFile(foreign, std::string(8192, 'n'));
    WritePrivateProfileStringA("DBM", "WorkPath", foreign.c_str(), folder.file("config.ini").c_str());

    Program program(folder);
    ASSERT_TRUE(program.start());
    HWND box = program.waitForWindow(kTitle, kDialogClass);
    ASSERT_TRUE(box);
    EXPECT_EQ(e2e::messageBoxText(box), "UNKNOWN_ERROR[26]: ");
    e2e::clickButton(box, IDOK);
    HWND frame = program.waitForWindow(kTitle, kFrameClass);
    ASSERT_TRUE(frame);
    expectCleanExit(program, frame);
    EXPECT_EQ(e2e::readFile(foreign), std::vector<unsigned char>(8192, 'n'));
}

}  // namespace
