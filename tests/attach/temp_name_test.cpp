// Names for opening attachments in the temporary folder, from hostile titles.
#include <gtest/gtest.h>

#include <string>

#include "attach/temp_name.h"
#include "text/gbk.h"

namespace {

using attach::liesInFolder;
using attach::openingPath;
using attach::plainFileName;

const std::string kFolder = "C:\\Users\\me\\AppData\\Local\\Temp\\jexMarlo\\";

// Whether `name` ends on a character boundary: its last byte is not a lead
// byte left without its trail.
bool endsWhole(const std::string& name) {
    std::size_t i = 0;
    while (i < name.size() && i + gbk::charLength(name, i) < name.size()) i += gbk::charLength(name, i);
    return !gbk::isLeadByte(name[i]) || gbk::charLength(name, i) == 2;
}

TEST(PlainFileName, SeparatorsAndForbiddenCharactersBecomeUnderscores) {
    EXPECT_EQ(plainFileName("..\\..\\x.bat"), ".._.._x.bat");
    EXPECT_EQ(plainFileName("C:\\x"), "C__x");
    EXPECT_EQ(plainFileName("a/b"), "a_b");
    EXPECT_EQ(plainFileName("a:b"), "a_b");  // no alternate data stream
    EXPECT_EQ(plainFileName("<>\"|?*"), "______");
    EXPECT_EQ(plainFileName(std::string("a\tb\nc\x01\x1F", 7)), "a_b_c__");
    EXPECT_EQ(plainFileName(std::string("a\0b", 3)), "a_b");
}

TEST(PlainFileName, TrailingDotsAndBlanksGoAndNothingLeftGetsAName) {
    EXPECT_EQ(plainFileName("x.bat."), "x.bat");
    EXPECT_EQ(plainFileName("x.bat . ."), "x.bat");
    const std::string unnamed = "\xB8\xBD\xBC\xFE";  // 附件
    EXPECT_EQ(plainFileName(""), unnamed);
    EXPECT_EQ(plainFileName(".."), unnamed);
    EXPECT_EQ(plainFileName(" . "), unnamed);
}

TEST(PlainFileName, DeviceNamesInAnyCaseAndWithExtensionsAreMoved) {
    EXPECT_EQ(plainFileName("CON"), "_CON");
    EXPECT_EQ(plainFileName("nul.txt"), "_nul.txt");
    EXPECT_EQ(plainFileName("Aux.tar.gz"), "_Aux.tar.gz");
    EXPECT_EQ(plainFileName("prn."), "_prn");  // the dot would be dropped by Windows
    EXPECT_EQ(plainFileName("CON .txt"), "_CON .txt");
    EXPECT_EQ(plainFileName("LPT9.log"), "_LPT9.log");
    EXPECT_EQ(plainFileName("conout$"), "_conout$");
    for (const char* harmless : {"CONSOLE", "COM10", "COMA", "LPT", "acon", "con_x.txt", "nul_"})
        EXPECT_EQ(plainFileName(harmless), harmless);
}

// A trail byte may be "\" or "|": the character stays whole.  A lead byte
// with no valid trail after it is not a character Windows can read.
TEST(PlainFileName, DoubleByteCharactersStayWholeAndBrokenOnesAreReplaced) {
    EXPECT_EQ(plainFileName("\x95\x5C.txt"), "\x95\x5C.txt");  // 昞.txt
    EXPECT_EQ(plainFileName("\x81\x7C\x81\x61"), "\x81\x7C\x81\x61");  // 亅乤
    EXPECT_EQ(plainFileName("a\\\x95\x5C"), "a_\x95\x5C");
    EXPECT_EQ(plainFileName("abc\xB0"), "abc_");
    EXPECT_EQ(plainFileName("\xB0/x"), "__x");
    EXPECT_EQ(plainFileName("\xB0\x1F"), "__");
}

TEST(OpeningPath, JoinsTheFolderWithOneSeparator) {
    EXPECT_EQ(openingPath(kFolder, "a.txt"), kFolder + "a.txt");
    EXPECT_EQ(openingPath("C:\\Temp\\jexMarlo", "a.txt"), "C:\\Temp\\jexMarlo\\a.txt");
    EXPECT_EQ(openingPath("C:/Temp/", "a.txt"), "C:/Temp/a.txt");
    // The folder's last character is 昞, whose trail byte is "\": not a separator.
    EXPECT_EQ(attach::folderPrefix("C:\\Temp\\\x95\x5C"), "C:\\Temp\\\x95\x5C\\");
}

TEST(OpeningPath, LongTitlesAreCutToFitKeepingTheExtensionAndWholeCharacters) {
    std::string ascii = openingPath(kFolder, std::string(400, 'a') + ".docx");
    EXPECT_EQ(ascii.size(), attach::kMaxPath - 1);
    EXPECT_EQ(ascii.substr(ascii.size() - 5), ".docx");

    // One single byte first puts every double-byte character at an odd
    // offset: half a character must never be left before the extension.
    std::string title = "x";
    for (int i = 0; i < 200; ++i) title += "\xD6\xD0";  // 中
    for (const std::string& folder : {kFolder, kFolder + "zz"}) {  // room for 219 and 216 bytes
        std::string path = openingPath(folder, title + ".txt");
        EXPECT_LE(path.size(), attach::kMaxPath - 1);
        EXPECT_GE(path.size(), attach::kMaxPath - 2);
        EXPECT_EQ(path.substr(path.size() - 4), ".txt");
        std::size_t prefix = attach::folderPrefix(folder).size();
        std::string stem = path.substr(prefix, path.size() - prefix - 4);
        EXPECT_EQ(stem.size() % 2, 1u) << folder;
        EXPECT_TRUE(endsWhole(stem));

        std::string bare = openingPath(folder, title);
        EXPECT_TRUE(endsWhole(bare)) << folder;
        EXPECT_TRUE(liesInFolder(folder, bare));
    }

    // The name alone never exceeds one file name's limit.
    EXPECT_EQ(plainFileName(std::string(300, 'b')), std::string(attach::kMaxName, 'b'));
}

// Cutting can leave a device name, and moving it can need another cut.
TEST(OpeningPath, ANameCutDownToADeviceIsMovedAndStillFits) {
    std::string folder = "C:\\" + std::string(248, 'f') + "\\";  // 252 bytes: room for 7
    EXPECT_EQ(openingPath(folder, "CONSOLE.txt"), folder + "_CO.txt");
    EXPECT_EQ(openingPath(folder, "report...."), folder + "report");
    EXPECT_EQ(openingPath(folder, "12345.....x"), folder + "12345.x");
}

TEST(OpeningPath, AFolderWithoutRoomGivesNoPathOrAOneByteName) {
    std::string full = "C:\\" + std::string(255, 'f');  // 258 bytes and a separator
    EXPECT_EQ(openingPath(full, "a.txt"), "");
    std::string tight = "C:\\" + std::string(254, 'f') + "\\";  // room for 1 byte
    EXPECT_EQ(openingPath(tight, "\xD6\xD0.txt"), tight + "_");  // 中 does not fit
    EXPECT_EQ(openingPath(tight, "ab"), tight + "a");
}

TEST(LiesInFolder, AcceptsOnlyPlainNamesDirectlyInsideTheFolder) {
    for (const char* title : {"..\\..\\x.bat", "CON", "", "a/b", "nul.txt", "\x95\x5C.txt", "x. ."})
        EXPECT_TRUE(liesInFolder(kFolder, openingPath(kFolder, title))) << title;

    EXPECT_TRUE(liesInFolder(kFolder, kFolder + "\x95\x5C"));
    for (const std::string& escape :
         {kFolder + "..\\x.bat", kFolder + "sub\\x", kFolder + "a/b", kFolder + "..", kFolder + "x.", kFolder + "CON",
          kFolder + "a:b", kFolder, std::string("C:\\Windows\\x.bat"), kFolder.substr(0, kFolder.size() - 1) + "X\\a",
          kFolder + std::string(attach::kMaxPath - kFolder.size(), 'a')})
        EXPECT_FALSE(liesInFolder(kFolder, escape)) << escape;
}

// The title of an added file: its name without the folder, where a trail
// byte 0x5C is no separator.
TEST(FileNameOf, TakesWhatFollowsTheLastSeparatorCharacter) {
    EXPECT_EQ(attach::fileNameOf("C:\\docs\\it's.txt"), "it's.txt");
    EXPECT_EQ(attach::fileNameOf("/tmp/a/b.bin"), "b.bin");
    EXPECT_EQ(attach::fileNameOf("C:\\\x95\x5C\\\x95\x5C.txt"), "\x95\x5C.txt");  // 昞 ends in 0x5C
    EXPECT_EQ(attach::fileNameOf("C:\\x\x95\x5C"), "x\x95\x5C");
    EXPECT_EQ(attach::fileNameOf("plain"), "plain");
    EXPECT_EQ(attach::fileNameOf("C:\\folder\\"), "");
}

}  // namespace
