// CHEditCtrl in a real window: the messages TranslateMessage produces for a
// key reach the editor as they do in the program; the program's context
// menu and which of its items the editor enables; refusals reach OnError.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "editor/hedit_ctrl.h"

namespace {

class RecordingEditor : public CHEditCtrl {
public:
    void OnError(unsigned code) override { refusals.push_back(code); }
    std::vector<unsigned> refusals;
};

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        parent = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(parent);
        RECT area = {0, 0, 380, 260};
        ASSERT_TRUE(editor.Create(WS_CHILD | WS_VISIBLE, area, parent, 1));
    }
    void TearDown() override {
        setCtrl(false);
        if (parent) DestroyWindow(parent);
    }
    // The thread's key state as GetKeyState reports it to the editor.
    static void setCtrl(bool down) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    // A key as it arrives after TranslateMessage: WM_KEYDOWN, then its
    // character (if it has one), then WM_KEYUP.
    void key(WORD vk, int character) {
        SendMessageA(editor.hwnd(), WM_KEYDOWN, vk, 1);
        if (character >= 0) SendMessageA(editor.hwnd(), WM_CHAR, WPARAM(character), 1);
        SendMessageA(editor.hwnd(), WM_KEYUP, vk, 0xC0000001);
    }
    void chars(const std::string& bytes) {
        for (unsigned char c : bytes) SendMessageA(editor.hwnd(), WM_CHAR, c, 1);
    }

    HWND parent = nullptr;
    RecordingEditor editor;
};

// Ctrl+Backspace deletes as Backspace does; its character, DEL (0x7F),
// types nothing.  It used to be inserted and then taken for a lead byte.
TEST_F(EditorWindow, CtrlBackspaceDeletesAndTypesNoCharacter) {
    chars("abc");
    setCtrl(true);
    key(VK_BACK, 0x7F);
    setCtrl(false);
    EXPECT_EQ(editor.text(), "ab");
    chars("d");
    EXPECT_EQ(editor.text(), "abd");
}

TEST_F(EditorWindow, ControlCharactersTypeNothingAndPairsArriveWhole) {
    chars(std::string("x\x01\x1b\x7f", 4));
    EXPECT_EQ(editor.text(), "x");
    chars("\xD6\xD0" "\x80");  // a two-byte character, then the euro sign
    EXPECT_EQ(editor.text(), "x\xD6\xD0\x80");
    EXPECT_EQ(editor.core().caret(), 4u);
}

}  // namespace

namespace {

// An item of a menu: its text, command id, and whether it is enabled.
struct Item {
    std::string text;
    UINT id;
    bool enabled;
    bool operator==(const Item& o) const { return text == o.text && id == o.id && enabled == o.enabled; }
};

void PrintTo(const Item& item, std::ostream* out) {
    *out << "{" << ::testing::PrintToString(item.text) << ", " << item.id << (item.enabled ? ", enabled}" : ", greyed}");
}

std::vector<Item> items(HMENU menu) {
    std::vector<Item> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
        out.push_back({text, GetMenuItemID(menu, i), !(state & (MF_GRAYED | MF_DISABLED))});
    }
    return out;
}

std::vector<Item> expected(bool undo, bool redo, bool selection) {
    const Item separator = {"", 0, false};
    return {{"撤消(&U)\tCtrl+Z", 57643, undo},       {"重做(&R)\tCtrl+R", 57644, redo}, separator,
            {"剪切(&X)\tCtrl+X", 57635, selection}, {"复制(&C)\tCtrl+C", 57634, selection},
            {"粘贴(&V)\tCtrl+V", 57637, true},       separator,
            {"全选(&A)\tCtrl+A", 57642, true},       separator,
            {"查找(&F)\tCtrl+F", 57636, true}};
}

}  // namespace

// The program's menu 137: its second pop-up is the editor's, enabled by the
// history and the selection (paste even with nothing to paste).
TEST_F(EditorWindow, TheContextMenuEnablesItsItemsByTheHistoryAndTheSelection) {
    HMODULE program = LoadLibraryExA(JEX_PROGRAM_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program);
    HMENU menu = LoadMenuA(program, MAKEINTRESOURCEA(CHEditCtrl::kContextMenu));
    ASSERT_TRUE(menu);
    char title[64] = {};
    GetMenuStringA(menu, 1, title, sizeof title, MF_BYPOSITION);
    EXPECT_STREQ(title, "代码框上下文菜单");
    HMENU popup = GetSubMenu(menu, 1);
    ASSERT_TRUE(popup);

    editor.updateMenu(popup);
    EXPECT_EQ(items(popup), expected(false, false, false));
    chars("ab");  // two records: no key came before the characters
    editor.SetSelection(0, 1);
    editor.updateMenu(popup);
    EXPECT_EQ(items(popup), expected(true, false, true));
    editor.core().undo();
    editor.updateMenu(popup);
    EXPECT_EQ(items(popup), expected(true, true, false));
    editor.core().undo();
    editor.updateMenu(popup);
    EXPECT_EQ(items(popup), expected(false, true, false));
    DestroyMenu(menu);
    FreeLibrary(program);
}

TEST_F(EditorWindow, RefusalsReachTheErrorHook) {
    chars("abc");
    EXPECT_FALSE(editor.Copy());
    EXPECT_FALSE(editor.Cut());
    editor.SetSelection(0, 2);
    ASSERT_TRUE(editor.HasSelection());
    SendMessageA(editor.hwnd(), WM_COMMAND, CHEditCtrl::kRedo, 0);
    EXPECT_EQ(editor.refusals, (std::vector<unsigned>{0x40000, 0x40000, 2}));
    // Copied and pasted back through the real clipboard.
    ASSERT_TRUE(editor.Copy());
    editor.SetSelection(-1, 0);
    ASSERT_TRUE(editor.Paste());
    EXPECT_EQ(editor.text(), "ababc");
}
