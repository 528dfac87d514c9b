// A running jexmarlo.exe after a first run, with the main window's parts
// found and small steps a user would take: expand, select, press keys, use
// the tool strip, edit labels, type, answer message boxes.  Each step
// returns once the program has handled it.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/schema.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/wait.h"
#include "tests/store/test_db.h"

namespace e2e {

using Rows = std::vector<std::string>;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(firstRun(folder)); }
    void TearDown() override {
        if (program && program->running()) {
            EXPECT_EQ(closeProgram(*program, frame), 0u);
        }
    }

    // Rows added before the program starts: (pId, turn, type, SynId, title).
    int addNode(int parent, int turn, int type, const std::string& title, int synId = -1) {
        store::DbConnection db;
        db.openWithKey(databasePath(folder).c_str(), store::kPassPhrase);
        db.execute(("INSERT INTO tree_tbl(ItemId, pId, turn, type, SynId, title, CreateTime, ModifyTime) VALUES(NULL, " + std::to_string(parent) + ", " + std::to_string(turn) + ", " +
                    std::to_string(type) + ", " + std::to_string(synId) + ", '" + title +
                    "', datetime('now', 'localtime'), NULL);")
                       .c_str());
        return int(db.lastInsertId());
    }
    Rows query(const std::string& sql) {
        store::DbConnection db;
        db.openWithKey(databasePath(folder).c_str(), store::kPassPhrase);
        return testdb::rows(db, sql.c_str());
    }

    void start() {
        program = std::make_unique<Program>(folder);
        ASSERT_TRUE(program->start());
        frame = program->waitForWindow(kTitle, kFrameClass);
        ASSERT_TRUE(frame);
        tree = findDescendant(frame, WC_TREEVIEWA, 1002);
        strip = GetParent(findDescendant(frame, "Button", 1009));
        codeTabs = findDescendant(frame, WC_TABCONTROLA, 1001);
        ASSERT_TRUE(tree && strip && codeTabs);
        top = treeFind(pid(), tree, TVI_ROOT, "默认");
        ASSERT_TRUE(top);
    }
    DWORD pid() const { return program->pid(); }
    std::vector<std::string> labels(HTREEITEM parent) { return treeLabels(pid(), tree, parent); }
    HTREEITEM find(HTREEITEM parent, const std::string& label) { return treeFind(pid(), tree, parent, label); }
    // Tree messages are sent: handled when SendMessage returns.
    void select(HTREEITEM item) {
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }
    void expand(HTREEITEM item) { SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item)); }
    // Posted, as the keyboard's keys are.
    void key(WPARAM vk) {
        PostMessageA(tree, WM_KEYDOWN, vk, 0);
        ASSERT_TRUE(waitForIdle(frame));
    }
    void stripButton(int id) {
        PostMessageA(strip, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(strip, id)));
        ASSERT_TRUE(waitForIdle(frame));
    }
    // The label editor of the tree, while one is open.
    HWND labelEditor() { return findDescendant(tree, "Edit"); }
    HWND waitForLabelEditor() { return waitForDescendant(tree, "Edit"); }
    // Types `text` into the open label editor and ends the edit (or
    // cancels it, as Esc does).
    void finishEdit(const char* text, bool cancel = false) {
        HWND edit = waitForLabelEditor();
        ASSERT_TRUE(edit) << "no label editor";
        if (text) SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(tree, TVM_ENDEDITLABELNOW, cancel, 0);
    }
    HWND codeView() const { return findDescendant(frame, "Afx:jexmarlo:CodeView"); }
    // The editor of the current text (the visible one).
    HWND visibleEditor() const {
        for (HWND child = GetWindow(codeTabs, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (className(child) == "Afx:CHEditCtrl" && IsWindowVisible(child)) return child;
        return nullptr;
    }
    // Creates a text in `folder` by the tool strip, named `title`.
    void newText(HTREEITEM folderItem, const char* title) {
        select(folderItem);
        stripButton(1009);
        finishEdit(title);
    }
    // Opens the selected text with Enter, as a user would.
    void openSelected() { key(VK_RETURN); }
    // Clicks into the current editor so that it has the keyboard.
    void focusEditor() {
        HWND editor = visibleEditor();
        ASSERT_TRUE(editor);
        ASSERT_TRUE(clickIntoText(editor, {60, 10}));
    }
    // Types at the end of the current text once its editor has the
    // keyboard, and waits until the text shows what was typed.
    void typeText(const char* ascii) {
        HWND editor = visibleEditor();
        std::string expected = windowText(editor) + ascii;
        ASSERT_TRUE(typeInto(editor, ascii));
        ASSERT_TRUE(waitForText(editor, expected));
    }
    // A key chord for the current editor, once it has the keyboard.
    void editorChord(WORD modifier, WORD vk) {
        ASSERT_TRUE(waitForKeyboard(visibleEditor()));
        chord(modifier, vk);
    }
    std::string statusPane(int pane) { return statusText(pid(), findDescendant(frame, STATUSCLASSNAMEA), pane); }
    template <class Expected>
    ::testing::AssertionResult statusPaneIs(int pane, const Expected& expected) {
        return waitForStatus(pid(), findDescendant(frame, STATUSCLASSNAMEA), pane, expected);
    }

    HWND messageBox() { return program->waitForWindow(nullptr, kDialogClass); }
    // Answers a message box; returns once the program has gone on.
    void answer(HWND box, int button) { ASSERT_TRUE(answerBox(box, button, frame)); }
    std::vector<std::string> codeTabLabels() { return tabLabels(pid(), codeTabs); }
    // Tab `index` of the code view on the screen.
    RECT codeTab(int index) const {
        RemoteBuffer buffer(pid(), sizeof(RECT));
        SendMessageA(codeTabs, TCM_GETITEMRECT, WPARAM(index), buffer.address());
        RECT r;
        buffer.read(&r, sizeof r);
        MapWindowPoints(codeTabs, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    ::testing::AssertionResult codeTabsAre(const Rows& expected) {
        return waitForTabLabels(pid(), codeTabs, expected);
    }

    ProgramFolder folder;
    std::unique_ptr<Program> program;
    HWND frame = nullptr;
    HWND tree = nullptr;
    HWND strip = nullptr;
    HWND codeTabs = nullptr;
    HTREEITEM top = nullptr;
};

}  // namespace e2e
