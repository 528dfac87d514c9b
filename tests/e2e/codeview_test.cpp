// The code view as a user meets it: texts opened from the tree in tabs with
// highlighting, saved with Ctrl+S or by the auto-save, kept across a
// restart, closed with a question when unsaved.
#include "tests/e2e/main_window_fixture.h"

namespace {

using e2e::Rows;

class CodeView : public e2e::MainWindowTest {
protected:
    std::string contentOf(const char* title) {
        Rows r = query(std::string("SELECT c.content FROM content_tbl c, tree_tbl t WHERE c.ItemId = t.ItemId AND t.title = '") +
                       title + "';");
        return r.empty() ? "<no row>" : r[0];
    }
    std::string editorText() { return e2e::windowText(visibleEditor()); }
    // Closes the program, answering "No" (close without saving) to the
    // question about unsaved texts.
    void closeDiscarding() {
        PostMessageA(frame, WM_CLOSE, 0, 0);
        HWND box = messageBox();
        ASSERT_TRUE(box) << "no question about the unsaved texts";
        e2e::clickButton(box, IDNO);
        DWORD code = 99;
        ASSERT_TRUE(program->waitForExit(30000, &code));
    }
    // Opens the text `title` of the top folder with Enter.
    void open(const char* title) {
        select(find(top, title));
        openSelected();
    }
    // Opens it and types `ascii` at the start of its text.
    void openAndType(const char* title, const char* ascii) {
        open(title);
        ASSERT_NO_FATAL_FAILURE(focusEditor());
        ASSERT_NO_FATAL_FAILURE(typeText(ascii));
    }
    // The welcome page: a dialog in the tab control holding the page (1037).
    HWND welcomePage() { return e2e::findDescendant(codeTabs, "Afx:jexmarlo:Page", 1037); }
};

TEST_F(CodeView, TypedTextIsSavedWithCtrlSAndComesBackAfterARestart) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"欢迎！"});
    HWND page = welcomePage();
    ASSERT_TRUE(page);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_EQ(e2e::className(GetParent(page)), e2e::kDialogClass);
    SIZE pageSize = e2e::clientSize(page), dialogSize = e2e::clientSize(GetParent(page));
    EXPECT_EQ(pageSize.cx, dialogSize.cx);
    EXPECT_EQ(pageSize.cy, dialogSize.cy);
    EXPECT_GT(pageSize.cx, 300);
    EXPECT_FALSE(e2e::screenshot("codeview-welcome").empty());
    newText(top, "main.cpp");
    expand(top);
    select(find(top, "main.cpp"));
    openSelected();
    ASSERT_TRUE(visibleEditor());
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"main.cpp"});
    EXPECT_FALSE(IsWindowVisible(welcomePage()));
    focusEditor();
    typeText("int main() { return 'x'; }");
    // "中文" as an input method delivers it.
    for (unsigned char b : {0x20, 0xD6, 0xD0, 0xCE, 0xC4}) PostMessageA(visibleEditor(), WM_CHAR, b, 0);
    const std::string typed = "int main() { return 'x'; } \xD6\xD0\xCE\xC4";
    ASSERT_TRUE(e2e::waitForText(visibleEditor(), typed));
    EXPECT_TRUE(codeTabsAre({"main.cpp*"}));
    editorChord(VK_CONTROL, 'S');
    EXPECT_TRUE(codeTabsAre({"main.cpp"}));
    EXPECT_EQ(contentOf("main.cpp"), typed);
    EXPECT_TRUE(statusPaneIs(2, e2e::StartsWith{"最后修改：20"}));
    EXPECT_FALSE(e2e::screenshot("codeview-saved").empty());
    // A change and its undo: back at the save point, the mark goes again.
    typeText("x");
    EXPECT_TRUE(codeTabsAre({"main.cpp*"}));
    editorChord(VK_CONTROL, 'Z');
    EXPECT_TRUE(codeTabsAre({"main.cpp"}));
    ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);  // nothing unsaved: no question

    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    select(find(top, "main.cpp"));
    openSelected();
    EXPECT_EQ(editorText(), typed);
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"main.cpp"});
    EXPECT_EQ(query("SELECT SynId FROM tree_tbl WHERE title = 'main.cpp';"), Rows{"2"});  // C++
    EXPECT_EQ(statusPane(1).rfind("创建于：20", 0), 0u);
    EXPECT_EQ(statusPane(2).rfind("最后修改：20", 0), 0u);
    EXPECT_FALSE(e2e::screenshot("codeview-reopened").empty());
}

TEST_F(CodeView, ClosingAnUnsavedTabAsksAndTheLastOneBringsBackTheWelcome) {
    addNode(1, 1, 1, "one.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    ASSERT_NO_FATAL_FAILURE(openAndType("one.c", "x"));
    PostMessageA(codeView(), 0x706, 0, 0);
    HWND box = messageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(e2e::messageBoxText(box), "此文本尚未保存，确定关闭？");
    answer(box, IDNO);
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"one.c*"});

    PostMessageA(codeView(), 0x706, 0, 0);
    box = messageBox();
    ASSERT_TRUE(box);
    answer(box, IDYES);
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"欢迎"});
    EXPECT_TRUE(IsWindowVisible(welcomePage()));
    EXPECT_EQ(statusPane(1), "创建时间：");
    EXPECT_EQ(contentOf("one.c"), "<null>");  // closing never saves
}

// A second close of the same tab arrives while its question is open (the
// question's message loop handles it): each asks, the text closes once,
// and the other text stays.
TEST_F(CodeView, ACloseAskedForAgainWhileItsQuestionIsOpenClosesTheTextOnce) {
    addNode(1, 1, 1, "one.c");
    addNode(1, 2, 1, "two.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    ASSERT_NO_FATAL_FAILURE(openAndType("one.c", "x"));
    open("two.c");
    ASSERT_TRUE(codeTabsAre({"one.c*", "two.c"}));
    PostMessageA(codeView(), 0x706, 0, 0);
    HWND first = messageBox();
    ASSERT_TRUE(first);
    PostMessageA(codeView(), 0x706, 0, 0);  // handled by the first question's loop
    auto otherBox = [&] {
        for (HWND w = FindWindowExA(nullptr, nullptr, e2e::kDialogClass, nullptr); w;
             w = FindWindowExA(nullptr, w, e2e::kDialogClass, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid() && w != first && IsWindowVisible(w)) return w;
        }
        return HWND(nullptr);
    };
    ASSERT_TRUE(e2e::waitFor("a second question", [&] { return otherBox() != nullptr; }, true));
    HWND second = otherBox();
    EXPECT_EQ(e2e::messageBoxText(second), "此文本尚未保存，确定关闭？");
    answer(second, IDYES);
    answer(first, IDYES);
    EXPECT_TRUE(codeTabsAre({"two.c"}));
    EXPECT_TRUE(program->running());
}

TEST_F(CodeView, ClosingATabBehindTheCurrentOneKeepsOneEditorAndTheMarksOnTheirOwnTabs) {
    addNode(1, 1, 1, "a.c");
    addNode(1, 2, 1, "b.c");
    addNode(1, 3, 1, "c.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    for (const char* title : {"a.c", "b.c", "c.c"}) {
        select(find(top, title));
        openSelected();
    }
    PostMessageA(codeView(), 0x706, 7, 0);  // no such tab: nothing happens
    PostMessageA(codeView(), 0x706, 1, 0);  // b.c, unchanged: closes without a question
    ASSERT_TRUE(e2e::waitForIdle(frame));
    EXPECT_EQ(codeTabLabels(), (std::vector<std::string>{"a.c", "c.c"}));
    int visible = 0;
    for (HWND child = GetWindow(codeTabs, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        visible += e2e::className(child) == "Afx:CHEditCtrl" && IsWindowVisible(child);
    EXPECT_EQ(visible, 1);
    focusEditor();
    typeText("z");
    EXPECT_TRUE(codeTabsAre({"a.c", "c.c*"})) << "the mark is on c.c's new tab";
    closeDiscarding();
}

TEST_F(CodeView, ASaveThatFindsItsTextGoneFailsAndKeepsTheTextModified) {
    int id = addNode(1, 1, 1, "gone.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    ASSERT_NO_FATAL_FAILURE(openAndType("gone.c", "work"));
    query("DELETE FROM content_tbl WHERE ItemId = " + std::to_string(id) + ";");
    editorChord(VK_CONTROL, 'S');
    HWND box = messageBox();
    ASSERT_TRUE(box) << "the failure is reported";
    EXPECT_NE(e2e::messageBoxText(box).find("no longer exists"), std::string::npos) << e2e::messageBoxText(box);
    answer(box, IDOK);
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"gone.c*"});
    closeDiscarding();  // still unsaved, so closing the program asks
}

TEST_F(CodeView, ClosingTheProgramWithUnsavedTextsAsksOnce) {
    addNode(1, 1, 1, "a.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    ASSERT_NO_FATAL_FAILURE(openAndType("a.c", "kept"));
    PostMessageA(frame, WM_CLOSE, 0, 0);
    HWND box = messageBox();
    ASSERT_TRUE(box);
    answer(box, IDCANCEL);
    EXPECT_TRUE(program->running());
    PostMessageA(frame, WM_CLOSE, 0, 0);
    box = messageBox();
    ASSERT_TRUE(box);
    e2e::clickButton(box, IDYES);
    DWORD code = 99;
    ASSERT_TRUE(program->waitForExit(30000, &code));
    EXPECT_EQ(contentOf("a.c"), "kept");
}

TEST_F(CodeView, AutoSaveWritesEveryModifiedTextAndOnlyThose) {
    WritePrivateProfileStringA("BASIC", "AutoSaveTime", "1", folder.file("config.ini").c_str());
    addNode(1, 1, 1, "first.c");
    addNode(1, 2, 1, "second.c");
    addNode(1, 3, 1, "third.c");
    addNode(1, 4, 0, "folder");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    for (const char* title : {"first.c", "second.c", "third.c"}) {
        select(find(top, title));
        openSelected();
        if (title[0] == 't') break;  // the third stays unchanged
        focusEditor();
        typeText(title[0] == 'f' ? "one" : "two");
    }
    EXPECT_EQ(codeTabLabels(), (std::vector<std::string>{"first.c*", "second.c*", "third.c"}));
    EXPECT_FALSE(e2e::screenshot("codeview-three-tabs").empty());
    PostMessageA(codeView(), WM_TIMER, 1, 0);  // the auto-save tick
    EXPECT_TRUE(codeTabsAre({"first.c", "second.c", "third.c"}));
    EXPECT_EQ(contentOf("first.c"), "one");
    EXPECT_EQ(contentOf("second.c"), "two");
    EXPECT_EQ(contentOf("third.c"), "<null>");
}

TEST_F(CodeView, RenamingAnOpenTextToAnotherExtensionSwitchesItsScheme) {
    addNode(1, 1, 1, "script.txt", 23);
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    HTREEITEM item = find(top, "script.txt");
    select(item);
    openSelected();
    SetWindowTextA(visibleEditor(), "int x; // note");
    key(VK_F2);
    finishEdit("script.cpp");
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"script.cpp"});
    EXPECT_EQ(query("SELECT SynId FROM tree_tbl WHERE title = 'script.cpp';"), Rows{"2"});
    EXPECT_FALSE(e2e::screenshot("codeview-renamed-cpp").empty());
}

}  // namespace
