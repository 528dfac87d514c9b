// CHEditCtrl in its test host, driven with real keys and mouse clicks:
// typing, two-byte characters, selection, Tab/Shift+Tab, undo and redo,
// and the modified star on the tab.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "tests/e2e/driver.h"

namespace {

using e2e::Program;

class Editor : public ::testing::Test {
protected:
    void SetUp() override { startHost(""); }
    void startHost(const std::string& arguments) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        host = std::make_unique<Program>(e2e::testProgram("jexedit.exe"), temp, arguments);
        ASSERT_TRUE(host->start());
        window = host->waitForWindow("CHEditCtrl", "JexEditHost");
        ASSERT_TRUE(window);
        tabs = e2e::findDescendant(window, WC_TABCONTROLA, 1001);
        editor = e2e::findDescendant(window, "Afx:CHEditCtrl");
        ASSERT_TRUE(tabs && editor);
    }
    void TearDown() override {
        if (host && host->running()) {
            PostMessageA(window, WM_CLOSE, 0, 0);
            host->waitForExit(10000);
        }
    }

    void setText(const char* text) {
        SendMessageA(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        e2e::pause(100);
    }
    std::string text() { return e2e::windowText(editor); }
    std::string tabLabel() { return e2e::tabLabels(host->pid(), tabs).at(0); }

    // A click into the text area: the editor takes the focus.
    void clickAt(int x, int y) {
        POINT p = {x, y};
        ClientToScreen(editor, &p);
        ASSERT_TRUE(e2e::clickToFocus(p.x, p.y, editor)) << "the editor did not take the focus";
    }
    void keys(std::initializer_list<WORD> vks) {
        for (WORD vk : vks) e2e::pressKey(vk);
        e2e::pause(300);
    }
    void chord(WORD modifier, WORD vk) { e2e::chord(modifier, vk); }
    void typeText(const char* ascii) { e2e::typeAscii(ascii); }

    std::unique_ptr<Program> host;
    HWND window = nullptr;
    HWND tabs = nullptr;
    HWND editor = nullptr;
};

TEST_F(Editor, TypingUndoRedoAndTheModifiedStar) {
    setText("int main()\n{\n}\n");
    EXPECT_EQ(tabLabel(), "snippet.c");
    clickAt(17 + 200, 16 + 8);  // the end of "{"
    keys({VK_END, VK_RETURN, VK_TAB});
    typeText("return 0;");
    EXPECT_EQ(text(), "int main()\n{\n\treturn 0;\n}\n");
    EXPECT_EQ(tabLabel(), "snippet.c*");
    EXPECT_FALSE(e2e::screenshot("editor-typed").empty());

    // Words and delimiters undo separately: ";", "0", " ", then "return".
    chord(VK_CONTROL, 'Z');
    chord(VK_CONTROL, 'Z');
    chord(VK_CONTROL, 'Z');
    EXPECT_EQ(text(), "int main()\n{\n\treturn\n}\n");
    chord(VK_CONTROL, 'R');
    EXPECT_EQ(text(), "int main()\n{\n\treturn \n}\n");
    for (int i = 0; i < 8; ++i) chord(VK_CONTROL, 'Z');
    EXPECT_EQ(text(), "int main()\n{\n}\n");
    EXPECT_EQ(tabLabel(), "snippet.c");
}

TEST_F(Editor, TwoByteCharactersArriveAsTwoChars) {
    setText("");
    clickAt(40, 8);
    // "中文" as the input method delivers it: lead and trail bytes.
    for (unsigned char b : {0xD6, 0xD0, 0xCE, 0xC4}) PostMessageA(editor, WM_CHAR, b, 0);
    e2e::pause(300);
    EXPECT_EQ(text(), "\xD6\xD0\xCE\xC4");
    keys({VK_LEFT, VK_BACK});
    EXPECT_EQ(text(), "\xCE\xC4");
}

TEST_F(Editor, SelectionByKeysAndMouseWithTabAndShiftTab) {
    setText("alpha\nbeta\ngamma\n  delta\n");
    clickAt(17 + 2, 8);  // line 1, near its start
    keys({VK_HOME});
    INPUT down[2] = {};
    down[0].type = down[1].type = INPUT_KEYBOARD;
    down[0].ki.wVk = VK_SHIFT;
    SendInput(1, down, sizeof(INPUT));
    e2e::pressKey(VK_DOWN);
    e2e::pressKey(VK_DOWN);
    down[0].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, down, sizeof(INPUT));
    e2e::pause(300);
    keys({VK_TAB});
    EXPECT_EQ(text(), "\talpha\n\tbeta\ngamma\n  delta\n");
    EXPECT_FALSE(e2e::screenshot("editor-selection").empty());
    chord(VK_SHIFT, VK_TAB);
    EXPECT_EQ(text(), "alpha\nbeta\ngamma\n  delta\n");

    // A drag from the start of "gamma" to the end of "  delta" selects
    // across lines; the caret's height is the line height.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(editor, nullptr), &info);
    int line = info.rcCaret.bottom - info.rcCaret.top;
    ASSERT_GT(line, 8);
    POINT from = {17 + 1, 2 * line + line / 2}, to = {17 + 300, 3 * line + line / 2};
    ClientToScreen(editor, &from);
    ClientToScreen(editor, &to);
    e2e::moveMouse(from.x, from.y);
    INPUT press = {};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &press, sizeof press);
    e2e::pause(100);
    e2e::moveMouse(to.x, to.y);
    e2e::pause(100);
    press.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &press, sizeof press);
    e2e::pause(300);
    EXPECT_FALSE(e2e::screenshot("editor-mouse-selection").empty());
    keys({VK_DELETE});
    EXPECT_EQ(text(), "alpha\nbeta\n\n");
}

// With the shipped C++ scheme: keywords, comments and strings in their
// colours, checked on the screen's pixels.
class HighlightedEditor : public Editor {
protected:
    void SetUp() override {
        std::string scheme = e2e::hostPath(std::getenv("JEX_PROGRAM_DIR") ? std::getenv("JEX_PROGRAM_DIR") : "program");
        startHost("\"" + scheme + "\\Syntax\\cpp.xml\"");
    }
    // Whether some pixel of text line `line` has exactly this colour.
    bool lineHasColour(int line, COLORREF colour) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(editor, nullptr), &info);
        int height = info.rcCaret.bottom - info.rcCaret.top;
        if (height <= 0) height = 18;
        RECT client;
        GetClientRect(editor, &client);
        HDC screen = GetDC(nullptr);
        bool found = false;
        for (int y = line * height; y < (line + 1) * height && !found; ++y) {
            for (int x = 18; x < client.right - 20 && !found; ++x) {
                POINT p = {x, y};
                ClientToScreen(editor, &p);
                found = GetPixel(screen, p.x, p.y) == colour;
            }
        }
        ReleaseDC(nullptr, screen);
        return found;
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
    chord(VK_SHIFT, VK_DOWN);
    e2e::pause(500);
    EXPECT_FALSE(e2e::screenshot("editor-highlighted").empty());
    EXPECT_TRUE(lineHasColour(3, RGB(0x00, 0x00, 0xC0)) || lineHasColour(7, RGB(0x00, 0x00, 0xC0)))
        << "no keyword colour";
    EXPECT_TRUE(lineHasColour(1, RGB(0x00, 0x80, 0x00))) << "no comment colour";
    EXPECT_TRUE(lineHasColour(2, RGB(0x00, 0x80, 0x00))) << "the comment's second line";
}

}  // namespace
