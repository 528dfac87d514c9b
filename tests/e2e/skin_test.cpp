// The program with its skin library: the library is loaded, the search box
// sits on the toolbar and reports searches, the tree's items are moved by
// dragging them with the real mouse, the code view's tabs switch and close
// by the mouse, and the frame's caption buttons work.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <functional>

#include "tests/e2e/driver.h"
#include "tests/e2e/main_window_fixture.h"
#include "tests/e2e/wait.h"

namespace {

using Rows = std::vector<std::string>;

// Whether process `pid` has loaded a module of this name.
bool hasModule(DWORD pid, const char* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Module32First(snapshot, &entry); more && !found; more = Module32Next(snapshot, &entry))
        found = _stricmp(entry.szModule, name) == 0;
    CloseHandle(snapshot);
    return found;
}

class Skin : public e2e::MainWindowTest {
protected:
    HWND toolBar() const { return e2e::findDescendant(frame, TOOLBARCLASSNAMEA); }
    HWND searchBox() const { return e2e::findDescendant(toolBar(), "jexSearchBox"); }
    HWND searchField() const { return e2e::findDescendant(searchBox(), "Edit"); }
    // The search box's rectangle in the toolbar's client coordinates.
    RECT boxOnToolBar() const {
        RECT r;
        GetWindowRect(searchBox(), &r);
        MapWindowPoints(nullptr, toolBar(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // Resizes the frame so that its toolbar is `width` pixels wide.
    void setToolBarWidth(int width) {
        RECT window, bar;
        GetWindowRect(frame, &window);
        GetClientRect(toolBar(), &bar);
        SetWindowPos(frame, nullptr, 0, 0, window.right - window.left + width - bar.right, window.bottom - window.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        ASSERT_TRUE(e2e::waitFor("the toolbar's width", [&] { return e2e::clientSize(toolBar()).cx; }, width));
    }
    void focusSearchField() {
        RECT r;
        GetWindowRect(searchField(), &r);
        ASSERT_TRUE(e2e::repeatUntil(
            searchField(), [&] { e2e::click(r.left + 10, (r.top + r.bottom) / 2); }, "the search field's keyboard",
            [&] { return e2e::hasKeyboard(searchField()); }, true));
    }
    // The screen colour at a point.
    static COLORREF pixel(POINT p) {
        HDC screen = GetDC(nullptr);
        COLORREF c = GetPixel(screen, p.x, p.y);
        ReleaseDC(nullptr, screen);
        return c;
    }
    // Waits until the colour at `p` has changed from `from` and then holds
    // still (a fade has ended).
    ::testing::AssertionResult settledAway(POINT p, COLORREF from) {
        auto changed = e2e::waitFor("the colour of the search box's frame", [&] { return pixel(p) != from; }, true);
        if (!changed) return changed;
        COLORREF last = pixel(p);
        return e2e::waitFor("the frame's fade", [&] {
            Sleep(60);  // sampling the fade, which runs on a 25 ms timer
            COLORREF now = pixel(p);
            bool still = now == last;
            last = now;
            return still;
        }, true);
    }

    // A tab of the code view on the screen; its close button (14 x 14, 3
    // pixels from the tab's right edge).
    POINT closeButtonOf(int index) const {
        RECT r = codeTab(index);
        return {r.right - 3 - 7, (r.top + r.bottom) / 2};
    }
    // A caption box of the frame (27 x 18 from 2 below the top, from 3 in
    // from the right: close, maximise, minimise).
    POINT captionBox(int fromRight) const {
        RECT r;
        GetWindowRect(frame, &r);
        return {r.right - 3 - 27 * fromRight - 14, r.top + 11};
    }
    void openTexts(std::initializer_list<const char*> titles) {
        expand(top);
        for (const char* title : titles) {
            select(find(top, title));
            openSelected();
        }
    }

    POINT labelCentre(HTREEITEM item) {
        RECT r = e2e::treeItemRect(pid(), tree, item);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // A real drag: pressed at `from`, moved in steps to `to` (the program
    // handles each step before the next), then released after `whileHeld`.
    // The tree captures the mouse once it has the press; the program's
    // thread is seen idle through the frame, whose repaint leaves the tree,
    // the drag image and the insertion mark alone.
    // `whileHeld` runs before the release: it may wait for the drag's look.
    void drag(POINT from, POINT to, const std::function<void()>& whileHeld = {}) {
        auto capture = [&] { return e2e::describe(e2e::threadInfo(tree).hwndCapture); };
        auto step = [&](POINT p) {
            e2e::moveMouse(p.x, p.y);
            ASSERT_TRUE(e2e::waitForIdle(frame));
        };
        step(from);
        // A press into a window that was not active may only activate it.
        ASSERT_TRUE(e2e::repeatUntil(
            tree,
            [&] {
                e2e::leftButtonAt(from.x, from.y, false);
                e2e::leftButtonAt(from.x, from.y, true);
            },
            "the mouse capture", capture, e2e::describe(tree)));
        const int steps = 12;
        for (int i = 1; i <= steps; ++i) step({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
        step({to.x + 1, to.y});  // one more move on the target itself
        if (whileHeld) whileHeld();
        e2e::leftButtonAt(to.x + 1, to.y, false);
        ASSERT_TRUE(e2e::waitFor("the mouse capture", capture, e2e::describe(nullptr)));
        ASSERT_TRUE(e2e::waitForIdle(frame));
    }
};

TEST_F(Skin, TheSearchBoxSitsRightAlignedOnTheToolbarAndHidesWhenThereIsNoRoom) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_TRUE(hasModule(pid(), "jexUI.dll"));
    ASSERT_TRUE(searchBox());
    RECT box = boxOnToolBar();
    int width = e2e::clientSize(toolBar()).cx;
    EXPECT_EQ(box.left, width - 175);
    EXPECT_EQ(box.top, 8);
    EXPECT_EQ(box.right - box.left, 170);
    EXPECT_EQ(box.bottom - box.top, 32);
    EXPECT_TRUE(IsWindowVisible(searchBox()));
    EXPECT_FALSE(e2e::screenshot("skin-search-box").empty());

    RECT about = e2e::toolbarButtonRect(pid(), toolBar(), 57664);
    MapWindowPoints(nullptr, toolBar(), reinterpret_cast<POINT*>(&about), 2);
    setToolBarWidth(about.right + 175);  // one pixel short of the room it needs
    EXPECT_TRUE(e2e::waitForGone(searchBox()));
    setToolBarWidth(about.right + 176);
    EXPECT_TRUE(e2e::waitFor("the search box shown", [&] { return IsWindowVisible(searchBox()) != FALSE; }, true));
    EXPECT_EQ(boxOnToolBar().left, about.right + 1);
}

TEST_F(Skin, TheSearchBoxFadesToItsFocusLookAndAnEmptySearchAsksForText) {
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(searchBox());
    RECT box;
    GetWindowRect(searchBox(), &box);
    POINT border = {box.left + 1, (box.top + box.bottom) / 2};
    COLORREF unfocused = pixel(border);
    focusSearchField();
    EXPECT_TRUE(settledAway(border, unfocused));
    EXPECT_FALSE(e2e::screenshot("skin-search-box-focused").empty());

    e2e::pressKey(VK_RETURN);
    HWND box1 = messageBox();
    ASSERT_TRUE(box1);
    EXPECT_EQ(e2e::messageBoxText(box1), "请输入内容！");
    answer(box1, IDOK);
}

TEST_F(Skin, DraggingATextOntoAFolderMovesItThere) {
    int folderId = addNode(1, 1, 0, "box");
    addNode(folderId, 1, 1, "inside.c");
    int text = addNode(1, 2, 1, "moved.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    HTREEITEM folderItem = find(top, "box");
    HTREEITEM textItem = find(top, "moved.c");
    ASSERT_TRUE(folderItem && textItem);
    // The insertion mark runs along the bottom of the target's label, drawn
    // inverted.  Under Wine a pointer move can come back from the X server
    // late, at an earlier place, and move the target away again: the last
    // move is repeated until the mark shows under the folder.
    RECT folderLabel = e2e::treeItemRect(pid(), tree, folderItem);
    POINT mark = {(folderLabel.left + folderLabel.right) / 2, folderLabel.bottom};
    const COLORREF inverted = ~pixel(mark) & 0xFFFFFF;
    POINT to = labelCentre(folderItem);
    drag(labelCentre(textItem), to, [&] {
        ASSERT_TRUE(e2e::repeatUntil(
            tree, [&] { e2e::moveMouse(to.x + 2, to.y); }, "the screen under the folder's label",
            [&] { return pixel(mark) & 0xFFFFFF; }, inverted));
        EXPECT_FALSE(e2e::screenshot("skin-tree-drag").empty());
    });
    EXPECT_TRUE(e2e::waitFor("the dragged text's row",
                             [&] { return query("SELECT pId, turn FROM tree_tbl WHERE ItemId = " + std::to_string(text) + ";"); },
                             Rows{std::to_string(folderId) + "|2"}));
    EXPECT_EQ(labels(top), std::vector<std::string>{"box"});
    EXPECT_EQ(labels(find(top, "box")), (std::vector<std::string>{"inside.c", "moved.c"}));
}

TEST_F(Skin, DraggingAFolderOntoItsOwnChildChangesNothing) {
    int parent = addNode(1, 1, 0, "parent");
    addNode(parent, 1, 0, "child");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    HTREEITEM parentItem = find(top, "parent");
    expand(parentItem);
    HTREEITEM childItem = find(parentItem, "child");
    ASSERT_TRUE(childItem);
    const Rows before = query("SELECT ItemId, pId, turn FROM tree_tbl ORDER BY ItemId;");
    drag(labelCentre(parentItem), labelCentre(childItem));
    EXPECT_EQ(query("SELECT ItemId, pId, turn FROM tree_tbl ORDER BY ItemId;"), before);
    EXPECT_EQ(labels(top), std::vector<std::string>{"parent"});
    EXPECT_EQ(labels(parentItem), std::vector<std::string>{"child"});
}

// The close button on a text's tab runs the close: an unsaved text asks
// first, and No keeps it.
TEST_F(Skin, ATabsCloseButtonClosesItsTextAndAsksWhenItIsUnsaved) {
    addNode(1, 1, 1, "one.c");
    ASSERT_NO_FATAL_FAILURE(start());
    openTexts({"one.c"});
    focusEditor();
    typeText("x");
    ASSERT_TRUE(codeTabsAre({"one.c*"}));
    POINT close = closeButtonOf(0);
    e2e::click(close.x, close.y);
    HWND box = messageBox();
    ASSERT_TRUE(box) << "no question";
    EXPECT_EQ(e2e::messageBoxText(box), "此文本尚未保存，确定关闭？");
    EXPECT_FALSE(e2e::screenshot("skin-close-question").empty());
    answer(box, IDNO);
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"one.c*"});
    e2e::click(close.x, close.y);
    box = messageBox();
    ASSERT_TRUE(box);
    answer(box, IDYES);
    EXPECT_TRUE(codeTabsAre({"欢迎"}));
    EXPECT_EQ(query("SELECT c.content FROM content_tbl c, tree_tbl t WHERE c.ItemId = t.ItemId AND t.title = 'one.c';"),
              Rows{"<null>"}) << "closing never saves";
}

TEST_F(Skin, ClickingATabShowsItsText) {
    addNode(1, 1, 1, "first.c");
    addNode(1, 2, 1, "second.c");
    ASSERT_NO_FATAL_FAILURE(start());
    openTexts({"first.c"});
    HWND first = visibleEditor();
    openTexts({"second.c"});
    HWND second = visibleEditor();
    ASSERT_TRUE(first && second && first != second);
    RECT tab = codeTab(0);
    auto shown = [&] { return e2e::describe(visibleEditor()); };
    ASSERT_TRUE(e2e::repeatUntil(
        codeTabs, [&] { e2e::click(tab.left + 10, (tab.top + tab.bottom) / 2); }, "the editor shown", shown,
        e2e::describe(first)));
    EXPECT_EQ(SendMessageA(codeTabs, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(statusPaneIs(1, e2e::StartsWith{"创建于：20"}));
    RECT page;
    GetWindowRect(first, &page);
    e2e::moveMouse(page.left + 200, page.top + 150);  // off the tabs, for the picture
    ASSERT_TRUE(e2e::waitForIdle(first));
    EXPECT_FALSE(e2e::screenshot("skin-main-window").empty());
    tab = codeTab(1);
    ASSERT_TRUE(e2e::repeatUntil(
        codeTabs, [&] { e2e::click(tab.left + 10, (tab.top + tab.bottom) / 2); }, "the editor shown", shown,
        e2e::describe(second)));
}

// The frame's corners are cut round; its caption boxes maximise, restore,
// minimise and close it with the real mouse.
TEST_F(Skin, TheCaptionBoxesMaximiseRestoreMinimiseAndClose) {
    ASSERT_NO_FATAL_FAILURE(start());
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(frame, region), ERROR) << "the frame has a region";
    RECT r;
    GetWindowRect(frame, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, width - 1, 0));
    EXPECT_FALSE(PtInRegion(region, 0, height - 1));
    EXPECT_TRUE(PtInRegion(region, width / 2, 0));
    EXPECT_TRUE(PtInRegion(region, 3, 3));
    DeleteObject(region);
    EXPECT_FALSE(e2e::screenshot("skin-frame").empty());

    auto zoomed = [&] { return IsZoomed(frame) != FALSE; };
    POINT maximise = captionBox(1);
    ASSERT_TRUE(e2e::repeatUntil(frame, [&] { e2e::click(maximise.x, maximise.y); }, "maximised", zoomed, true));
    EXPECT_FALSE(e2e::screenshot("skin-maximised").empty());
    maximise = captionBox(1);
    ASSERT_TRUE(e2e::repeatUntil(frame, [&] { e2e::click(maximise.x, maximise.y); }, "maximised", zoomed, false));
    GetWindowRect(frame, &r);
    EXPECT_EQ(r.right - r.left, width) << "restored to its size";
    POINT minimise = captionBox(2);
    e2e::click(minimise.x, minimise.y);
    EXPECT_TRUE(e2e::waitFor("minimised", [&] { return IsIconic(frame) != FALSE; }, true));
    PostMessageA(frame, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(e2e::waitFor("minimised", [&] { return IsIconic(frame) != FALSE; }, false));
    // No longer iconic comes before the restored size and the show.
    ASSERT_TRUE(e2e::waitFor("shown with a client area", [&] {
        SIZE size = e2e::clientSize(frame);
        return IsWindowVisible(frame) && size.cx > 0 && size.cy > 0;
    }, true));
    ASSERT_TRUE(e2e::waitForIdle(frame));
    SetForegroundWindow(frame);
    POINT close = captionBox(0);
    e2e::click(close.x, close.y);
    DWORD code = 99;
    EXPECT_TRUE(program->waitForExit(30000, &code)) << "closed by its close box";
    EXPECT_EQ(code, 0u);
}

}  // namespace
