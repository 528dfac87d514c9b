#include <gtest/gtest.h>

#include "update/check_rules.h"

namespace {

using update::argumentsAfterProgram;
using update::splitUpdaterArguments;
using update::updaterCommandLine;

// What the updater reads back from the command line the main program wrote.
std::optional<update::UpdaterArguments> roundTrip(const std::string& updaterPath, const std::string& url) {
    std::string line = updaterCommandLine(updaterPath, "jexmarlo.exe", "1.2.3.4", url);
    return splitUpdaterArguments(argumentsAfterProgram(line));
}

TEST(UpdaterCommandLine, FieldsSurviveAProgramFolderWithBlanks) {
    EXPECT_EQ(updaterCommandLine("C:\\jex\\jexUpdate.exe", "jexmarlo.exe", "1.0.0.0", "http://h/update/jexmarlo.ini"),
              "C:\\jex\\jexUpdate.exe jexmarlo.exe 1.0.0.0 http://h/update/jexmarlo.ini");
    EXPECT_EQ(updaterCommandLine("C:\\Program Files\\墨舟\\jexUpdate.exe", "jexmarlo.exe", "1.0.0.0", "http://h/a"),
              "\"C:\\Program Files\\墨舟\\jexUpdate.exe\" jexmarlo.exe 1.0.0.0 http://h/a");

    for (const char* path : {"C:\\jex\\jexUpdate.exe", "C:\\Program Files\\my jex\\jexUpdate.exe", "jexUpdate.exe"}) {
        auto args = roundTrip(path, "http://127.0.0.1:8080/update/jexmarlo.ini");
        ASSERT_TRUE(args) << path;
        EXPECT_EQ(args->programFile, "jexmarlo.exe");
        EXPECT_EQ(args->version, "1.2.3.4");
        EXPECT_EQ(args->infoUrl, "http://127.0.0.1:8080/update/jexmarlo.ini");
    }
}

// A mirror's address with a blank would split into a fourth field and
// lose its end: blanks travel percent-encoded.
TEST(UpdaterCommandLine, BlanksInTheAddressAreEncoded) {
    auto args = roundTrip("C:\\a b\\jexUpdate.exe", "http://mirror/my updates/jexmarlo.ini");
    ASSERT_TRUE(args);
    EXPECT_EQ(args->infoUrl, "http://mirror/my%20updates/jexmarlo.ini");
}

TEST(UpdaterCommandLine, FewerThanThreeFieldsAreRefused) {
    EXPECT_FALSE(splitUpdaterArguments(""));
    EXPECT_FALSE(splitUpdaterArguments("jexmarlo.exe"));
    EXPECT_FALSE(splitUpdaterArguments("jexmarlo.exe 1.0.0.0"));
    EXPECT_FALSE(splitUpdaterArguments("jexmarlo.exe 1.0.0.0   "));
    auto extra = splitUpdaterArguments("a  b\tc d e");
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->programFile, "a");
    EXPECT_EQ(extra->version, "b");
    EXPECT_EQ(extra->infoUrl, "c");
}

TEST(UpdaterCommandLine, TheProgramPathIsSkippedQuotedOrNot) {
    EXPECT_EQ(argumentsAfterProgram("\"C:\\a b\\u.exe\"  x y z"), "x y z");
    EXPECT_EQ(argumentsAfterProgram("C:\\ab\\u.exe x y z"), "x y z");
    EXPECT_EQ(argumentsAfterProgram("u.exe"), "");
    EXPECT_EQ(argumentsAfterProgram("\"unclosed x y z"), "");
}

TEST(VersionText, HalvesOfTheFileVersion) {
    EXPECT_EQ(update::versionText(0x00010000, 0x00000000), "1.0.0.0");
    EXPECT_EQ(update::versionText(0x0002000A, 0x01F40007), "2.10.500.7");
    EXPECT_EQ(update::versionText(0xFFFFFFFF, 0xFFFFFFFF), "65535.65535.65535.65535");
}

// Day counts as the system's date conversion gives them: whole days at
// midnight, the present with its fraction.
constexpr double kToday = 45000.0;
constexpr double kNow = kToday + 0.75;  // 18:00

TEST(AutomaticCheck, OffWhenNoPeriodIsSet) {
    for (int days : {0, -1}) {
        auto d = update::decideAutomaticCheck(days, std::nullopt, kNow);
        EXPECT_FALSE(d.check);
        EXPECT_FALSE(d.writeToday);
    }
}

TEST(AutomaticCheck, DueOnceTheWholeDaysReachThePeriod) {
    EXPECT_FALSE(update::decideAutomaticCheck(3, kToday - 2, kNow).check);
    EXPECT_FALSE(update::decideAutomaticCheck(3, kToday - 2, kToday + 0.99999).check);  // 2.99999 days
    auto due = update::decideAutomaticCheck(3, kToday - 3, kNow);
    EXPECT_TRUE(due.check);
    EXPECT_TRUE(due.writeToday);
    EXPECT_TRUE(update::decideAutomaticCheck(3, kToday - 40, kNow).check);
    EXPECT_FALSE(update::decideAutomaticCheck(1, kToday, kNow).check);
    EXPECT_TRUE(update::decideAutomaticCheck(1, kToday - 1, kToday).check);  // at midnight
}

// Never checked, a date that could not be read, a date still to come.
TEST(AutomaticCheck, NoUsableLastDateMeansACheckNow) {
    auto never = update::decideAutomaticCheck(30, std::nullopt, kNow);
    EXPECT_TRUE(never.check);
    EXPECT_TRUE(never.writeToday);
    EXPECT_TRUE(update::decideAutomaticCheck(30, kToday + 1, kNow).check);
}

}  // namespace
