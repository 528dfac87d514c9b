// What users' machines hold besides good files: a config.ini edited into
// nonsense, a library of a later version or with titles full of control
// characters, a skin folder with broken images, a scheme folder with a
// thousand files.  Each time the program starts, opens a text, ends
// cleanly and leaves alone every file it has no reason to change.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/e2e/main_window_fixture.h"

namespace {

using e2e::Rows;

class Hostile : public e2e::MainWindowTest {
protected:
    std::string configPath() { return folder.file("config.ini"); }
    void setKey(const char* section, const char* key, const std::string& value) {
        ASSERT_TRUE(WritePrivateProfileStringA(section, key, value.c_str(), configPath().c_str()));
    }

    // Starts the program, opens `title` (a text at the top level) and
    // checks it is shown in an editor.
    void startAndOpen(const std::string& title) {
        ASSERT_NO_FATAL_FAILURE(start());
        expand(top);
        HTREEITEM item = find(top, title);
        ASSERT_TRUE(item) << "the tree lists the text";
        select(item);
        openSelected();
        ASSERT_TRUE(e2e::waitFor("an editor shown", [&] { return visibleEditor() != nullptr; }, true));
    }
    void closeCleanly() {
        ASSERT_TRUE(program && program->running()) << "the program is still running";
        EXPECT_EQ(e2e::closeProgram(*program, frame), 0u);
    }
};

// --- config.ini -------------------------------------------------------------------------

TEST_F(Hostile, SettingsHugeOrOutOfRangeAreUsedSensiblyAndLeftAsTheyStand) {
    setKey("BASIC", "CodeTab", "99999999999999999999");
    setKey("BASIC", "AutoSaveTime", "2147483647");  // its milliseconds overflow the timer
    setKey("BASIC", "FaceName", std::string(600, 'W'));
    setKey("BASIC", "FontSize", "2147483647");
    setKey("UPDATE", "CheckDay", "-3");
    setKey("UPDATE", "LastUpdate", std::string(3000, '9'));
    setKey("UPDATE", "UpdateUrl", "\x01\x02http://[::1");
    setKey("SYNTEX", "DefSyntex", std::string(2000, 'S'));
    const std::vector<unsigned char> before = e2e::readFile(configPath());
    addNode(1, 1, 1, "a.c");
    ASSERT_NO_FATAL_FAILURE(startAndOpen("a.c"));
    EXPECT_FALSE(e2e::screenshot("hostile-settings").empty());
    ASSERT_NO_FATAL_FAILURE(closeCleanly());
    EXPECT_EQ(e2e::readFile(configPath()), before) << "starting and closing write nothing";
}

TEST_F(Hostile, SettingsPresentButEmptyTakeTheirDefaults) {
    for (const char* key : {"CodeTab", "AutoSaveTime", "FaceName", "FontSize"}) setKey("BASIC", key, "");
    for (const char* key : {"CheckDay", "LastUpdate", "UpdateUrl"}) setKey("UPDATE", key, "");
    setKey("SYNTEX", "DefSyntex", "");
    const std::vector<unsigned char> before = e2e::readFile(configPath());
    addNode(1, 1, 1, "a.c");
    ASSERT_NO_FATAL_FAILURE(startAndOpen("a.c"));
    ASSERT_NO_FATAL_FAILURE(closeCleanly());
    EXPECT_EQ(e2e::readFile(configPath()), before);
}

// --- libraries --------------------------------------------------------------------------

TEST_F(Hostile, ALibraryOfALaterVersionOpensAndTakesNewTexts) {
    query("ALTER TABLE tree_tbl ADD COLUMN colour INTEGER DEFAULT 7;");
    query("CREATE TABLE tag_tbl(ItemId INTEGER, tag TEXT);");
    query("INSERT INTO softInfo_tbl VALUES('jexMarlo', '9.0.0');");
    addNode(1, 1, 1, "old.c");
    ASSERT_NO_FATAL_FAILURE(startAndOpen("old.c"));
    ASSERT_NO_FATAL_FAILURE(newText(top, "added.c"));
    EXPECT_TRUE(e2e::waitFor("the new text listed", [&] { return find(top, "added.c") != nullptr; }, true));
    ASSERT_NO_FATAL_FAILURE(closeCleanly());
    EXPECT_EQ(query("SELECT title, colour FROM tree_tbl WHERE pId = 1 ORDER BY turn;"),
              (Rows{"old.c|7", "added.c|7"}));
    EXPECT_EQ(query("SELECT count(*) FROM content_tbl c, tree_tbl t WHERE c.ItemId = t.ItemId "
                    "AND t.title = 'added.c';"),
              Rows{"1"});
    EXPECT_EQ(query("PRAGMA integrity_check;"), Rows{"ok"});
}

TEST_F(Hostile, TitlesFullOfControlCharactersAreListedOpenedAndKept) {
    const std::string odd = "a\x01" "b\x07\tc\x1b[31md\x7f.c";
    const std::string lines = "first\r\nsecond\nthird.c";
    addNode(1, 1, 1, odd);
    addNode(1, 2, 1, lines);
    addNode(1, 3, 1, "plain.c");
    ASSERT_NO_FATAL_FAILURE(startAndOpen("plain.c"));
    EXPECT_EQ(labels(top).size(), 3u);
    for (HTREEITEM item : e2e::treeChildren(tree, top)) {
        select(item);
        openSelected();
    }
    EXPECT_TRUE(e2e::waitFor("three texts open", [&] { return codeTabLabels().size(); }, std::size_t(3)));
    EXPECT_FALSE(e2e::screenshot("hostile-titles").empty());
    ASSERT_NO_FATAL_FAILURE(closeCleanly());
    EXPECT_EQ(query("SELECT count(*) FROM tree_tbl WHERE title = '" + odd + "' OR title = '" + lines + "';"),
              Rows{"2"});
}

// A library that is not ours to read: a plain SQLite file of another
// program, and one with our key but without our tables.  Each says why at
// the first query, the program stays up, and the file is left as it was.
TEST_F(Hostile, ADatabaseOfAnotherProgramIsReportedAndLeftAsItWas) {
    struct Case {
        const char* name;
        bool keyed;
        const char* message;
    } cases[] = {
        {"plain.db", false, "UNKNOWN_ERROR[26]: "},
        {"keyed.db", true, "SQLITE_ERROR[1]: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.file(std::string("data\\") + c.name);
        {
            store::DbConnection db;
            if (c.keyed)
                db.openWithKey(path.c_str(), store::kPassPhrase);
            else
                db.open(path.c_str());
            db.execute("CREATE TABLE notes(id INTEGER PRIMARY KEY, body TEXT); INSERT INTO notes VALUES(1, 'x');");
        }
        const std::vector<unsigned char> before = e2e::readFile(path);
        setKey("DBM", "WorkPath", path);
        program = std::make_unique<e2e::Program>(folder);
        ASSERT_TRUE(program->start());
        HWND box = program->waitForWindow(e2e::kTitle, e2e::kDialogClass);
        ASSERT_TRUE(box);
        EXPECT_EQ(e2e::messageBoxText(box), c.message);
        e2e::clickButton(box, IDOK);
        frame = program->waitForWindow(e2e::kTitle, e2e::kFrameClass);
        ASSERT_TRUE(frame);
        ASSERT_NO_FATAL_FAILURE(closeCleanly());
        EXPECT_EQ(e2e::readFile(path), before);
    }
}

TEST_F(Hostile, ATextOfAHundredMegabytesOpensAndScrollsToItsEnd) {
    const int id = addNode(1, 1, 1, "huge.c");
    {
        store::DbConnection db;
        db.openWithKey(e2e::databasePath(folder).c_str(), store::kPassPhrase);
        db.execute(("UPDATE content_tbl SET content = replace(hex(zeroblob(11 * 1024 * 1024)), '00', "
                    "'int x;' || char(13) || char(10) || 'y') WHERE ItemId = " + std::to_string(id) + ";")
                       .c_str());
    }
    ASSERT_EQ(query("SELECT length(content) FROM content_tbl WHERE ItemId = " + std::to_string(id) + ";"),
              Rows{std::to_string(9 * 11 * 1024 * 1024)});  // 99 MB
    ASSERT_NO_FATAL_FAILURE(startAndOpen("huge.c"));
    HWND editor = visibleEditor();
    ASSERT_NO_FATAL_FAILURE(focusEditor());
    ASSERT_NO_FATAL_FAILURE(editorChord(VK_CONTROL, VK_END));
    EXPECT_TRUE(e2e::waitForIdle(editor));
    EXPECT_FALSE(e2e::screenshot("hostile-huge-text").empty());
    ASSERT_NO_FATAL_FAILURE(closeCleanly());
}

// --- program folders --------------------------------------------------------------------

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
std::string bigEndian(std::uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string pngChunk(const std::string& type, const std::string& data) {
    return bigEndian(std::uint32_t(data.size())) + type + data + bigEndian(crc32(type + data));
}
// A PNG whose header claims `width` × `height` pixels and that holds no
// pixel data at all.
std::string claimedPng(std::uint32_t width, std::uint32_t height) {
    std::string header = bigEndian(width) + bigEndian(height) + std::string("\x08\x06\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IEND", "");
}
// A BMP whose header claims a huge 32-bit image over a few bytes of data.
std::string claimedBmp(std::int32_t width, std::int32_t height) {
    auto little = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    std::string info = little(40) + little(std::uint32_t(width)) + little(std::uint32_t(height)) +
                       std::string("\x01\x00\x20\x00", 4) + little(0) + little(0) + little(2835) + little(2835) +
                       little(0) + little(0);
    std::string file = "BM" + little(14 + 40 + 16) + little(0) + little(14 + 40);
    return file + info + std::string(16, '\x55');
}

TEST_F(Hostile, ASkinFolderWithMissingTruncatedAndEnormousImagesStillGivesAWorkingWindow) {
    const std::string skin = folder.file("skins\\default\\");
    ASSERT_TRUE(e2e::fileExists(skin + "skin.ini"));
    DeleteFileA((skin + "button_normal.png").c_str());
    DeleteFileA((skin + "toolbar_icons.png").c_str());
    std::vector<unsigned char> close = e2e::readFile(skin + "caption_close.png");
    e2e::writeFile(skin + "caption_close.png", std::string(close.begin(), close.begin() + 40));
    e2e::writeFile(skin + "background.png", claimedPng(200000, 200000));
    e2e::writeFile(skin + "caption_max.png", claimedPng(65535, 1));
    e2e::writeFile(skin + "tab_close.png", claimedBmp(60000, -60000));
    e2e::writeFile(skin + "check.png", "");
    addNode(1, 1, 1, "a.c");
    ASSERT_NO_FATAL_FAILURE(startAndOpen("a.c"));
    EXPECT_TRUE(e2e::waitForIdle(frame));
    EXPECT_FALSE(e2e::screenshot("hostile-skin").empty());
    ASSERT_NO_FATAL_FAILURE(closeCleanly());
}

TEST_F(Hostile, ASchemeFolderWithAThousandFilesAndBrokenOnesStarts) {
    const std::string syntax = folder.file("Syntax\\");
    std::vector<unsigned char> c = e2e::readFile(syntax + "c.xml");
    std::string scheme(c.begin(), c.end());
    const std::string id = "<ID>1</ID>", name = "<NAME>C</NAME>";
    ASSERT_NE(scheme.find(id), std::string::npos);
    ASSERT_NE(scheme.find(name), std::string::npos);
    for (int i = 0; i < 1000; ++i) {
        std::string copy = scheme;
        copy.replace(copy.find(id), id.size(), "<ID>" + std::to_string(1000 + i) + "</ID>");
        copy.replace(copy.find(name), name.size(), "<NAME>Lang" + std::to_string(i) + "</NAME>");
        e2e::writeFile(syntax + "lang" + std::to_string(i) + ".xml", copy);
    }
    e2e::writeFile(syntax + "empty.xml", "");
    e2e::writeFile(syntax + "truncated.xml", scheme.substr(0, scheme.size() / 3));
    e2e::writeFile(syntax + "binary.xml", std::string(4096, '\xFF'));
    addNode(1, 1, 1, "a.c");
    ASSERT_NO_FATAL_FAILURE(startAndOpen("a.c"));
    ASSERT_NO_FATAL_FAILURE(closeCleanly());
}

}  // namespace
