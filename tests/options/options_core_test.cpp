#include "options/options_core.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

namespace {

using options::PathKind;
using Names = std::vector<std::string>;

TEST(NumberInRange, AcceptsTheBoundsAndRefusesEverythingElse) {
    EXPECT_EQ(options::numberInRange("1", 1, 60), 1);
    EXPECT_EQ(options::numberInRange("60", 1, 60), 60);
    EXPECT_EQ(options::numberInRange("007", 1, 60), 7);
    EXPECT_EQ(options::numberInRange("30", 1, 30), 30);
    for (const char* refused : {"0", "61", "", "-5", " 5", "5 ", "1a", "abc", "00"})
        EXPECT_FALSE(options::numberInRange(refused, 1, 60)) << '"' << refused << '"';
    EXPECT_FALSE(options::numberInRange("31", 1, 30));
    // Far more digits than an int holds (pasted text gets past ES_NUMBER).
    EXPECT_FALSE(options::numberInRange("99999999999999999999999999", 1, 60));
    EXPECT_FALSE(options::numberInRange("4294967297", 1, 60));
}

// A hand-edited config.ini: what is in range stays as it is, what is not
// becomes the nearest value the program can run with.
TEST(SettingsInRange, KeepsUsableValuesAndBringsTheRestWithinTheirRanges) {
    Settings usable;
    usable.codeTab = 7;  // any non-zero is single-tab
    usable.autoSaveTime = 60;
    usable.faceName = "Courier New";
    usable.fontSize = 13;  // not offered in the list, typed into the combo
    usable.checkDay = 365;  // any period works for the decision
    usable.defSyntex = "C++";
    Settings kept = options::settingsInRange(usable);
    EXPECT_EQ(std::tie(kept.codeTab, kept.autoSaveTime, kept.faceName, kept.fontSize, kept.checkDay, kept.defSyntex),
              std::tie(usable.codeTab, usable.autoSaveTime, usable.faceName, usable.fontSize, usable.checkDay,
                       usable.defSyntex));

    for (auto [minutes, expected] : {std::pair{61, 60}, {2147483647, 60}, {-1, 0}, {-2147483647 - 1, 0}, {0, 0}}) {
        Settings s;
        s.autoSaveTime = minutes;
        EXPECT_EQ(options::settingsInRange(s).autoSaveTime, expected) << minutes;
    }
    for (auto [size, expected] : {std::pair{1000, 1000}, {1001, 0}, {2147483647, 0}, {-12, 0}, {1, 1}}) {
        Settings s;
        s.fontSize = size;
        EXPECT_EQ(options::settingsInRange(s).fontSize, expected) << size;
    }
    Settings negativeDays;
    negativeDays.checkDay = -5;
    EXPECT_EQ(options::settingsInRange(negativeDays).checkDay, 0);
}

TEST(FindExact, SelectsTheEqualEntryNeverOneThatMerelyStartsWithTheName) {
    const Names faces = {"Arial", "Arial Black", "Arial Narrow"};
    EXPECT_EQ(options::findExact(faces, "Arial"), 0);
    EXPECT_EQ(options::findExact(faces, "Arial Black"), 1);
    EXPECT_EQ(options::findExact(faces, "arial black"), 1);
    EXPECT_EQ(options::findExact(faces, "ARIAL"), 0);
    EXPECT_EQ(options::findExact(faces, "Ari"), -1);
    EXPECT_EQ(options::findExact(faces, "Arial Blac"), -1);
    EXPECT_EQ(options::findExact(faces, ""), -1);

    const Names schemes = {"C", "C#", "C++", "CSS"};
    EXPECT_EQ(options::findExact(schemes, "C"), 0);
    EXPECT_EQ(options::findExact(schemes, "c"), 0);
    EXPECT_EQ(options::findExact(schemes, "C++"), 2);
    EXPECT_EQ(options::findExact({"C++", "C#"}, "C"), -1);

    const Names sizes = {"8", "9", "10", "12", "20", "22"};
    EXPECT_EQ(options::findExact(sizes, "2"), -1);
    EXPECT_EQ(options::findExact(sizes, "1"), -1);
    EXPECT_EQ(options::findExact(sizes, "12"), 3);
}

TEST(FindExact, FoldsOnlyAsciiLettersAndNeverTheTrailByteOfAChineseCharacter) {
    // Two characters that differ only in a trail byte 'A' (0x41) / 'a' (0x61).
    const std::string upper = "\xB0\x41", lower = "\xB0\x61";
    EXPECT_FALSE(options::equalsNoCase(upper, lower));
    EXPECT_EQ(options::findExact({lower, upper}, upper), 1);
    EXPECT_TRUE(options::equalsNoCase("\xCB\xCE\xCC\xE5 Pro", "\xCB\xCE\xCC\xE5 pro"));  // 宋体
    EXPECT_FALSE(options::equalsNoCase("abc", "abcd"));
}

TEST(SortedNames, OrderWithoutCaseOneEntryPerNameChineseAfterLatin) {
    const std::string song = "\xCB\xCE\xCC\xE5", hei = "\xBA\xDA\xCC\xE5";  // 宋体, 黑体
    EXPECT_EQ(options::sortedNames({"courier", song, "Arial Black", "arial", "Arial", "Courier", hei, "Ariel"}),
              (Names{"Arial", "Arial Black", "Ariel", "Courier", hei, song}));
    EXPECT_EQ(options::sortedNames({}), Names{});
}

TEST(SortedNames, TheFaceListDropsVerticalFacesAndEmptyNames) {
    const std::string song = "\xCB\xCE\xCC\xE5";
    EXPECT_EQ(options::faceList({song, "@" + song, "", "Tahoma", "@Arial Unicode MS", "Tahoma"}),
              (Names{"Tahoma", song}));
}

// A disk with a few files and folders.
struct FakeDisk {
    std::set<std::string> files, folders;
    options::PathProbe probe() const {
        return [this](const std::string& path) {
            if (files.count(path)) return PathKind::File;
            if (folders.count(path)) return PathKind::Folder;
            return PathKind::Missing;
        };
    }
};

TEST(DatabaseFile, AFileAsItStandsAFolderOnlyWithItsDatabase) {
    const std::string gbkFolder = "D:\\\x95\x5C";  // ends in a character whose trail byte is '\'
    FakeDisk disk;
    disk.files = {"D:\\db\\notes.db", "D:\\data\\srcdata.db", gbkFolder + "\\srcdata.db"};
    disk.folders = {"D:\\db", "D:\\data", "D:\\data\\", "D:\\empty", gbkFolder};
    auto probe = disk.probe();
    EXPECT_EQ(options::databaseFile("D:\\db\\notes.db", probe), "D:\\db\\notes.db");
    EXPECT_EQ(options::databaseFile("D:\\data", probe), "D:\\data\\srcdata.db");
    EXPECT_EQ(options::databaseFile("D:\\data\\", probe), "D:\\data\\srcdata.db");
    EXPECT_EQ(options::databaseFile(gbkFolder, probe), gbkFolder + "\\srcdata.db");
    EXPECT_EQ(options::databaseFile("D:\\db", probe), std::nullopt) << "a folder without srcdata.db";
    EXPECT_EQ(options::databaseFile("D:\\empty", probe), std::nullopt);
    EXPECT_EQ(options::databaseFile("D:\\gone.db", probe), std::nullopt);
    EXPECT_EQ(options::databaseFile("", probe), std::nullopt);
}

class Review : public ::testing::Test {
protected:
    Review() {
        disk.files = {"D:\\data\\srcdata.db"};
        disk.folders = {"D:\\data"};
        form.singleTab = true;
        form.autoSave = true;
        form.minutes = "5";
        form.face = "Tahoma";
        form.size = "12";
        form.scheme = "C++";
        form.databasePath = "D:\\data";
        form.checkUpdates = true;
        form.days = "7";
    }
    options::Review run() const { return options::review(form, current, disk.probe()); }
    std::pair<int, std::string> failure() const {
        options::Review r = run();
        return {r.failedPage, r.message ? r.message : ""};
    }

    FakeDisk disk;
    options::Form form;
    Settings current;
};

TEST_F(Review, AGoodFormGivesEverySetting) {
    options::Review r = run();
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.settings.codeTab, 1);
    EXPECT_EQ(r.settings.autoSaveTime, 5);
    EXPECT_EQ(r.settings.faceName, "Tahoma");
    EXPECT_EQ(r.settings.fontSize, 12);
    EXPECT_EQ(r.settings.defSyntex, "C++");
    EXPECT_EQ(r.settings.databasePath, "D:\\data\\srcdata.db");
    EXPECT_EQ(r.settings.checkDay, 7);
}

TEST_F(Review, SwitchedOffNumbersSaveZeroWhateverTheirEditsHold) {
    form.autoSave = false;
    form.minutes = "0";
    form.checkUpdates = false;
    form.days = "";
    options::Review r = run();
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.settings.autoSaveTime, 0);
    EXPECT_EQ(r.settings.checkDay, 0);
    form.singleTab = false;
    EXPECT_EQ(run().settings.codeTab, 0);
}

TEST_F(Review, TheFirstPageThatFailsInNavigationOrderWithItsMessage) {
    using P = std::pair<int, std::string>;
    form.days = "31";
    EXPECT_EQ(failure(), (P{options::kUpdatePage, options::kDaysInvalid}));
    form.days = "30";
    EXPECT_TRUE(run().ok());
    form.databasePath = "D:\\nowhere";
    EXPECT_EQ(failure(), (P{options::kDataPage, options::kBadDatabasePath}));
    form.scheme = "";
    EXPECT_EQ(failure(), (P{options::kSyntaxPage, options::kNoScheme}));
    form.size = "";
    EXPECT_EQ(failure(), (P{options::kBasicPage, options::kNoSize}));
    form.face = "";
    EXPECT_EQ(failure(), (P{options::kBasicPage, options::kNoFace}));
    for (const char* minutes : {"0", "61", ""}) {
        form.minutes = minutes;
        EXPECT_EQ(failure(), (P{options::kBasicPage, options::kMinutesInvalid})) << minutes;
    }
}

// config.ini as a map, refusing the write with a given number.
struct FakeIni {
    std::map<std::pair<std::string, std::string>, std::string> values;
    std::vector<std::string> log;
    int failAt = -1;
    options::ValueWriter writer() {
        return [this](const char* section, const char* key, const std::string& value) {
            int n = int(log.size());
            log.push_back(std::string(section) + "/" + key + "=" + value);
            if (n == failAt) return false;
            values[{section, key}] = value;
            return true;
        };
    }
};

Settings sample(int n) {
    Settings s;
    s.codeTab = n % 2;
    s.autoSaveTime = n;
    s.faceName = "Face" + std::to_string(n);
    s.fontSize = 10 + n;
    s.databasePath = "D:\\" + std::to_string(n) + ".db";
    s.checkDay = n + 1;
    s.defSyntex = "Scheme" + std::to_string(n);
    return s;
}

TEST(WriteSettings, WritesEveryValuePageByPage) {
    FakeIni ini;
    ASSERT_TRUE(options::writeSettings(sample(3), sample(1), ini.writer()));
    EXPECT_EQ(ini.log, (Names{"BASIC/CodeTab=1", "BASIC/AutoSaveTime=3", "BASIC/FaceName=Face3", "BASIC/FontSize=13",
                              "SYNTEX/DefSyntex=Scheme3", "DBM/WorkPath=D:\\3.db", "UPDATE/CheckDay=4"}));
}

TEST(WriteSettings, AFailedWritePutsBackWhatWasWrittenAndStops) {
    for (int failAt = 0; failAt < 7; ++failAt) {
        FakeIni ini;
        ASSERT_TRUE(options::writeSettings(sample(1), Settings(), ini.writer()));
        auto before = ini.values;
        ini.log.clear();
        ini.failAt = failAt;
        EXPECT_FALSE(options::writeSettings(sample(2), sample(1), ini.writer())) << failAt;
        EXPECT_EQ(ini.values, before) << "refused write " << failAt;
        EXPECT_EQ(ini.log.size(), std::size_t(2 * failAt + 1)) << "nothing is written after the failure";
    }
}

}  // namespace
