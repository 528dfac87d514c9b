// CHEditCtrl in its test host, driven with real keys and mouse clicks:
// typing, two-byte characters, selection, Tab/Shift+Tab, undo and redo,
// and the modified star on the tab.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "tests/e2e/edit_host_fixture.h"

namespace {

using Editor = e2e::EditHostTest;

TEST_F(Editor, TypingUndoRedoAndTheModifiedStar) {
    setText("int main()\n{\n}\n");
    EXPECT_EQ(tabLabel(), "snippet.c");
    clickAt(17 + 200, 16 + 8);  // the end of "{"
    keys({VK_END, VK_RETURN, VK_TAB});
    typeText("return 0;");
    EXPECT_TRUE(textIs("int main()\n{\n\treturn 0;\n}\n"));
    EXPECT_TRUE(tabLabelIs("snippet.c*"));
    EXPECT_FALSE(e2e::screenshot("editor-typed").empty());

    // Words and delimiters undo separately: ";", "0", " ", then "return".
    chord(VK_CONTROL, 'Z');
    chord(VK_CONTROL, 'Z');
    chord(VK_CONTROL, 'Z');
    EXPECT_TRUE(textIs("int main()\n{\n\treturn\n}\n"));
    chord(VK_CONTROL, 'R');
    EXPECT_TRUE(textIs("int main()\n{\n\treturn \n}\n"));
    for (int i = 0; i < 8; ++i) chord(VK_CONTROL, 'Z');
    EXPECT_TRUE(textIs("int main()\n{\n}\n"));
    EXPECT_TRUE(tabLabelIs("snippet.c"));
}

TEST_F(Editor, TwoByteCharactersArriveAsTwoChars) {
    setText("");
    clickAt(40, 8);
    // "中文" as the input method delivers it: lead and trail bytes.
    for (unsigned char b : {0xD6, 0xD0, 0xCE, 0xC4}) PostMessageA(editor, WM_CHAR, b, 0);
    EXPECT_TRUE(textIs("\xD6\xD0\xCE\xC4"));
    keys({VK_LEFT, VK_BACK});
    EXPECT_TRUE(textIs("\xCE\xC4"));
}

TEST_F(Editor, SelectionByKeysAndMouseWithTabAndShiftTab) {
    setText("alpha\nbeta\ngamma\n  delta\n");
    clickAt(17 + 2, 8);  // line 1, near its start
    keys({VK_HOME});
    e2e::holdKey(VK_SHIFT, true);  // the keys go to the editor: keys() waited for it
    e2e::pressKey(VK_DOWN);
    e2e::pressKey(VK_DOWN);
    e2e::holdKey(VK_SHIFT, false);
    keys({VK_TAB});
    EXPECT_TRUE(textIs("\talpha\n\tbeta\ngamma\n  delta\n"));
    EXPECT_FALSE(e2e::screenshot("editor-selection").empty());
    chord(VK_SHIFT, VK_TAB);
    EXPECT_TRUE(textIs("alpha\nbeta\ngamma\n  delta\n"));

    // A drag from the start of "gamma" to the end of "  delta" selects
    // across lines; the caret's height is the line height.
    int line = lineHeight();
    ASSERT_GT(line, 8);
    POINT from = {17 + 1, 2 * line + line / 2}, to = {17 + 300, 3 * line + line / 2};
    POINT fromScreen = from, toScreen = to;
    ClientToScreen(editor, &fromScreen);
    ClientToScreen(editor, &toScreen);
    auto capture = [&] { return e2e::threadInfo(editor).hwndCapture; };
    // The button events carry their positions: a pointer move echoed late
    // by the X server must not move the press or the release.
    e2e::moveMouse(fromScreen.x, fromScreen.y);
    e2e::leftButtonAt(fromScreen.x, fromScreen.y, true);
    ASSERT_TRUE(e2e::waitFor("the mouse capture", capture, editor));
    e2e::moveMouse(toScreen.x, toScreen.y);
    // The caret follows the drag to its end.
    EXPECT_TRUE(e2e::waitFor("the editor", [&] { return e2e::caretOf(editor); }, e2e::OnLineAt{to.y}));
    e2e::leftButtonAt(toScreen.x, toScreen.y, false);
    EXPECT_TRUE(e2e::waitFor("the mouse capture", capture, HWND(nullptr)));
    EXPECT_FALSE(e2e::screenshot("editor-mouse-selection").empty());
    keys({VK_DELETE});
    EXPECT_TRUE(textIs("alpha\nbeta\n\n"));
}

// With the shipped C++ scheme: keywords, comments and strings in their
// colours, checked on the screen's pixels.
class HighlightedEditor : public Editor {
protected:
    void SetUp() override {
        std::string scheme = e2e::hostPath(std::getenv("JEX_PROGRAM_DIR") ? std::getenv("JEX_PROGRAM_DIR") : "program");
        startHost("\"" + scheme + "\\Syntax\\cpp.xml\"");
    }
    // Whether some pixel of text line `line` on the screen has exactly this
    // colour.
    bool lineHasColour(const e2e::ScreenImage& screen, int line, COLORREF colour) {
        int height = lineHeight();
        if (height <= 0) height = 18;
        RECT client;
        GetClientRect(editor, &client);
        POINT origin = {0, 0};
        ClientToScreen(editor, &origin);
        for (int y = line * height; y < (line + 1) * height; ++y)
            for (int x = 18; x < client.right - 20; ++x)
                if (screen.at(origin.x + x, origin.y + y) == colour) return true;
        return false;
    }
    // Waits until the colour shows on one of these lines.
    ::testing::AssertionResult colourShows(const char* what, std::initializer_list<int> lines, COLORREF colour) {
        return e2e::waitFor(what, [&] {
            e2e::ScreenImage screen = e2e::captureScreen();
            for (int line : lines)
                if (lineHasColour(screen, line, colour)) return true;
            return false;
        }, true);
    }
};

TEST_F(HighlightedEditor, KeywordsCommentsStringsAndSelectionInTheSchemeColours) {
    setText("#include <stdio.h>\n"
            "/* a comment\n"
            "   on two lines */\n"
            "int main(void)\n"
            "{\n"
            "    // greet\n"
            "    printf(\"hello, \\\"world\\\"\\n\");\n"
            "    return 0;\n"
            "}\n");
    clickAt(17 + 40, 3 * 18 + 9);
    RECT caret = e2e::caretRect(editor);
    chord(VK_SHIFT, VK_DOWN);
    // The selection has grown by a line once the caret is on the next one.
    EXPECT_TRUE(e2e::waitFor("the caret's top", [&] { return e2e::caretRect(editor).top; }, caret.bottom));
    EXPECT_FALSE(e2e::screenshot("editor-highlighted").empty());
    EXPECT_TRUE(colourShows("the keyword colour on line 3 or 7", {3, 7}, RGB(0x00, 0x00, 0xC0))) << "no keyword colour";
    EXPECT_TRUE(colourShows("the comment colour on line 1", {1}, RGB(0x00, 0x80, 0x00))) << "no comment colour";
    EXPECT_TRUE(colourShows("the comment colour on line 2", {2}, RGB(0x00, 0x80, 0x00))) << "the comment's second line";
}

}  // namespace
