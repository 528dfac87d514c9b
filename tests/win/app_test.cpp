// The configuration file and paths, with the real profile functions and
// file system (under Wine in the test run).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "fw/config.h"
#include "fw/paths.h"

namespace {

// "乗" is 0x81 0x5C in GBK: its second byte is a backslash.
const std::string kTrailBackslash = "\x81\x5C";

std::string tempFolder(const char* name) {
    char buffer[MAX_PATH];
    GetTempPathA(MAX_PATH, buffer);
    std::string folder = std::string(buffer) + name + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void writeText(const std::string& path, const char* text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(f, text, DWORD(strlen(text)), &written, nullptr);
    CloseHandle(f);
}

TEST(Paths, BackslashesAreFoundByCharacterNotByByte) {
    ASSERT_EQ(GetACP(), 936u) << "the tests expect the Chinese code page";
    EXPECT_EQ(folderOf("C:\\a\\b.txt"), "C:\\a\\");
    EXPECT_EQ(folderOf("C:\\dir" + kTrailBackslash), "C:\\");
    EXPECT_EQ(folderOf("C:\\" + kTrailBackslash + "\\x.db"), "C:\\" + kTrailBackslash + "\\");
    EXPECT_EQ(folderOf("nofolder"), "");
    EXPECT_TRUE(endsWithBackslash("C:\\"));
    EXPECT_FALSE(endsWithBackslash("C:\\data" + kTrailBackslash));
    EXPECT_FALSE(endsWithBackslash(""));
}

TEST(Paths, ProgramAndTemporaryFolders) {
    std::string program = programFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_TRUE(endsWithBackslash(program));
    EXPECT_TRUE(folderExists(program));
    std::string temp = tempAttachmentFolder();
    EXPECT_EQ(temp.substr(temp.size() - 9), "jexMarlo\\");
}

TEST(Paths, RemoveFolderTreeTakesEverythingDepthFirst) {
    std::string root = tempFolder("jextree");
    CreateDirectoryA((root + "sub").c_str(), nullptr);
    CreateDirectoryA((root + "sub\\deeper").c_str(), nullptr);
    writeText(root + "a.txt", "a");
    writeText(root + "sub\\b.txt", "b");
    writeText(root + "sub\\deeper\\c.txt", "c");
    SetFileAttributesA((root + "sub\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    removeFolderTree(root);
    EXPECT_FALSE(folderExists(root));
    removeFolderTree(root);  // a missing folder is no error
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder = tempFolder("jexcfg");
        config.setPath(folder + "config.ini");
    }
    void TearDown() override { removeFolderTree(folder); }
    std::string folder;
    Config config;
};

TEST_F(ConfigFile, PathAndFolder) {
    EXPECT_EQ(config.path(), folder + "config.ini");
    EXPECT_EQ(config.folder(), folder);
}

TEST_F(ConfigFile, MissingKeysGiveTheirDefaults) {
    EXPECT_EQ(config.getInt("BASIC", "CodeTab", 0), 0);
    EXPECT_EQ(config.getInt("BASIC", "FontSize", 12), 12);
    EXPECT_EQ(config.getString("BASIC", "FaceName", ""), "");
    EXPECT_EQ(config.getString("BASIC", "FaceName", nullptr), "");
    EXPECT_EQ(config.getString("SYNTEX", "DefSyntex", "C++"), "C++");
}

TEST_F(ConfigFile, ValuesRoundTripInDecimalAndInTheLocalCodePage) {
    ASSERT_TRUE(config.writeInt("UPDATE", "CheckDay", 1));
    ASSERT_TRUE(config.writeInt("BASIC", "AutoSaveTime", -5));
    std::string path = "D:\\\xCA\xFD\xBE\xDD" + kTrailBackslash + "\\srcdata.db";  // "D:\数据乗\srcdata.db"
    ASSERT_TRUE(config.writeString("DBM", "WorkPath", path.c_str()));
    EXPECT_EQ(config.getInt("UPDATE", "CheckDay", 0), 1);
    EXPECT_EQ(config.getInt("BASIC", "AutoSaveTime", 0), -5);
    EXPECT_EQ(config.getString("DBM", "WorkPath", ""), path);
    EXPECT_EQ(config.getString("UPDATE", "CheckDay", ""), "1");
}

TEST_F(ConfigFile, LongStringsAreCutAt511Characters) {
    std::string longValue(700, 'x');
    ASSERT_TRUE(config.writeString("BASIC", "FaceName", longValue.c_str()));
    EXPECT_EQ(config.getString("BASIC", "FaceName", "").size(), 511u);
}

}  // namespace
