// CHEditCtrl's keyboard input in a real window: the messages TranslateMessage
// produces for a key reach the editor as they do in the program.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "editor/hedit_ctrl.h"

namespace {

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
    CHEditCtrl editor;
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
