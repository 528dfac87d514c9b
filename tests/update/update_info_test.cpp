#include <gtest/gtest.h>

#include "update/update_info.h"

namespace {

using update::parseUpdateInfo;

TEST(UpdateInfo, KeysOfTheInfoSection) {
    auto info = parseUpdateInfo(
        "[info]\r\n"
        "version=1.0.0.1\r\n"
        "size=3.0MB\r\n"
        "update=修正了若干问题。\\r\\n加快了启动。\r\n"
        "url=http://127.0.0.1:8000/jexmarlo-setup.exe\r\n"
        "sha256=ABCDEF\r\n");
    EXPECT_EQ(info.version, "1.0.0.1");
    EXPECT_EQ(info.size, "3.0MB");
    EXPECT_EQ(info.notes, "修正了若干问题。\\r\\n加快了启动。");
    EXPECT_EQ(info.url, "http://127.0.0.1:8000/jexmarlo-setup.exe");
    EXPECT_EQ(info.sha256, "ABCDEF");
}

TEST(UpdateInfo, ReadAsTheProfileFunctionsRead) {
    auto info = parseUpdateInfo(
        "\xEF\xBB\xBF; mirror of the maker's file\n"
        "[other]\nversion=9.9\n"
        "[ INFO ]\n"
        "  Version =  \"2.0.0.0\"  \n"
        "version=3.0.0.0\n"
        "size='5 MB'\n"
        "no equals sign here\n"
        "url=\n"
        "[more]\nsize=ignored\n"
        "[info]\nsha256=later section of the same name is not read\n");
    EXPECT_EQ(info.version, "2.0.0.0");
    EXPECT_EQ(info.size, "5 MB");
    EXPECT_EQ(info.url, "");
    EXPECT_EQ(info.notes, "");
    EXPECT_EQ(info.sha256, "");
}

// An error page served with 200 has no section at all.
TEST(UpdateInfo, AnHtmlPageHasNoVersion) {
    auto info = parseUpdateInfo("<html><head><title>Error</title></head><body>[info] version=1</body></html>");
    EXPECT_EQ(info.version, "");
    EXPECT_EQ(update::checkResult(true, 200, info.version, "1.0.0.0"), update::kResultFailed);
}

TEST(UpdateInfo, ValuesAreCutToTheReadBuffersOnACharacterBoundary) {
    std::string longVersion(600, '7');
    std::string notes;
    for (int i = 0; i < 1100; ++i) notes += "中";  // 2200 bytes
    auto info = parseUpdateInfo("[info]\nversion=" + longVersion + "\nupdate=a" + notes + "\n");
    EXPECT_EQ(info.version, std::string(511, '7'));
    ASSERT_EQ(info.notes.size(), 2047u);  // "a" and 1023 characters
    EXPECT_EQ(info.notes.substr(info.notes.size() - 2), "中");
    info = parseUpdateInfo("[info]\nupdate=" + notes + "\n");
    EXPECT_EQ(info.notes.size(), 2046u);  // the 1024th character would not fit whole
}

TEST(UpdateInfo, EscapesBecomeTheirCharacters) {
    EXPECT_EQ(update::expandEscapes("一句。\\r\\n二句。"), "一句。\r\n二句。");
    // No sequence of its own for a backslash: "\\n" is a backslash and a line feed.
    EXPECT_EQ(update::expandEscapes("a\\tb\\\\n\\x\\"), "a\tb\\\n\\x\\");
    // "乗" is 0x81 0x5C: its trail byte followed by "n" is not a line feed.
    EXPECT_EQ(update::expandEscapes("\x81\x5Cn"), "\x81\x5Cn");
    EXPECT_EQ(update::expandEscapes("\x81\x5C\\n"), "\x81\x5C\n");
}

TEST(UpdateInfo, StoredUnderTheLastComponentOfTheAddress) {
    const std::string fallback = "jexmarlo.ini";
    EXPECT_EQ(update::fileNameOfUrl("http://www.jexsoft.cn/update/jexmarlo.ini", fallback), "jexmarlo.ini");
    EXPECT_EQ(update::fileNameOfUrl("http://127.0.0.1:8000/a/b/mirror.ini?x=1#top", fallback), "mirror.ini");
    EXPECT_EQ(update::fileNameOfUrl("http://127.0.0.1:8000/", fallback), fallback);
    EXPECT_EQ(update::fileNameOfUrl("http://127.0.0.1:8000", fallback), fallback);
    EXPECT_EQ(update::fileNameOfUrl("http://h/a/..", fallback), fallback);
    EXPECT_EQ(update::fileNameOfUrl("http://h/a/c:x", fallback), fallback);
    EXPECT_EQ(update::fileNameOfUrl("http://h/a\\..\\..\\evil.exe", fallback), fallback);
}

TEST(CheckResult, FailedDownloadsErrorAnswersAndMissingVersionsAreCodeZero) {
    using update::checkResult;
    EXPECT_EQ(checkResult(false, 0, "", "1.0.0.0"), update::kResultFailed);
    EXPECT_EQ(checkResult(true, 404, "1.0.0.1", "1.0.0.0"), update::kResultFailed);
    EXPECT_EQ(checkResult(true, 500, "1.0.0.1", "1.0.0.0"), update::kResultFailed);
    EXPECT_EQ(checkResult(true, 200, "", "1.0.0.0"), update::kResultFailed);
    EXPECT_EQ(checkResult(true, 200, "1.0.0.0", "1.0.0.0"), update::kResultSame);
    EXPECT_EQ(checkResult(true, 200, "0.9.0.0", "1.0.0.0"), update::kResultDifferent);  // older counts
    EXPECT_EQ(checkResult(true, 200, "1.0", "1.0.0.0"), update::kResultDifferent);      // written otherwise
}

}  // namespace
