// The editor's test host (jexedit.exe) running, with its window, tab
// control and editor found, and the small steps the editor's tests take:
// set the text, click into it, press keys, type.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "tests/e2e/driver.h"
#include "tests/e2e/wait.h"

namespace e2e {

class EditHostTest : public ::testing::Test {
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

    // Sent, so the editor has the text when SendMessage returns.
    void setText(const char* text) { SendMessageA(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }
    std::string tabLabel() { return e2e::tabLabels(host->pid(), tabs).at(0); }
    ::testing::AssertionResult textIs(const std::string& expected) { return e2e::waitForText(editor, expected); }
    ::testing::AssertionResult tabLabelIs(const std::string& expected) {
        return e2e::waitFor("the tab's label", [&] { return tabLabel(); }, expected);
    }
    // The line height: the height of the caret.
    int lineHeight() {
        RECT caret = e2e::caretRect(editor);
        return caret.bottom - caret.top;
    }

    // A click into the text area: the editor takes the focus and puts the
    // caret on the line clicked.
    void clickAt(int x, int y) { ASSERT_TRUE(e2e::clickIntoText(editor, {x, y})); }
    // Keys, sent once the editor has the keyboard.
    void keys(std::initializer_list<WORD> vks) {
        ASSERT_TRUE(e2e::waitForKeyboard(editor));
        for (WORD vk : vks) e2e::pressKey(vk);
    }
    void chord(WORD modifier, WORD vk) {
        ASSERT_TRUE(e2e::waitForKeyboard(editor));
        e2e::chord(modifier, vk);
    }
    void typeText(const char* ascii) { ASSERT_TRUE(e2e::typeInto(editor, ascii)); }

    std::unique_ptr<Program> host;
    HWND window = nullptr;
    HWND tabs = nullptr;
    HWND editor = nullptr;
};

}  // namespace e2e
