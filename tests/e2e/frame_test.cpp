// The main window: its size rules, toolbar, status bar, splitters, tab
// views and the compaction of the database.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "store/db_connection.h"
#include "store/schema.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/wait.h"

namespace {

using e2e::Program;
using e2e::ProgramFolder;

const char kSplitterClass[] = "Afx:Splitter";

// A program started on a folder that has had its first run; the test's
// main window is `frame`.
class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::firstRun(folder));
        startProgram();
    }
    void startProgram() {
        program = std::make_unique<Program>(folder);
        ASSERT_TRUE(program->start());
        frame = program->waitForWindow(e2e::kTitle, e2e::kFrameClass);
        ASSERT_TRUE(frame);
    }
    void TearDown() override {
        if (program && program->running()) {
            EXPECT_EQ(e2e::closeProgram(*program, frame), 0u);
        }
    }

    SIZE windowSize() const {
        RECT r;
        GetWindowRect(frame, &r);
        return {r.right - r.left, r.bottom - r.top};
    }
    // Done by the frame's thread; returns once it has laid the window out.
    void resize(int width, int height) {
        SetWindowPos(frame, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        ASSERT_TRUE(e2e::waitForIdle(frame));
    }
    HWND child(const char* cls, int id = -1) const { return e2e::findDescendant(frame, cls, id); }
    HWND outerSplitter() const { return child(kSplitterClass); }
    HWND innerSplitter() const { return e2e::findDescendant(outerSplitter(), kSplitterClass); }
    HWND codeView() const { return child("Afx:jexmarlo:CodeView"); }
    HWND itemView() const { return child("Afx:jexmarlo:ItemView"); }
    HWND paneView() const { return child("Afx:jexmarlo:ListTabView"); }

    // Drags the bar of `splitter` that starts at `barStart` so that it
    // starts at `to` (along the split), with the left button pressed in the
    // middle of the bar, as the mouse would; returns once the drag has
    // been handled.
    void dragBar(HWND splitter, bool rows, int barStart, int to) {
        auto at = [rows](int along) { return rows ? MAKELPARAM(10, along + 2) : MAKELPARAM(along + 2, 10); };
        PostMessageA(splitter, WM_LBUTTONDOWN, MK_LBUTTON, at(barStart));
        PostMessageA(splitter, WM_MOUSEMOVE, MK_LBUTTON, at((barStart + to) / 2));
        PostMessageA(splitter, WM_MOUSEMOVE, MK_LBUTTON, at(to));
        PostMessageA(splitter, WM_LBUTTONUP, 0, at(to));
        ASSERT_TRUE(e2e::waitForIdle(frame));
    }

    ProgramFolder folder;
    std::unique_ptr<Program> program;
    HWND frame = nullptr;
};

TEST_F(Frame, StartsAt700By550AndNeverGetsSmallerThan400By300) {
    EXPECT_EQ(windowSize().cx, 700);
    EXPECT_EQ(windowSize().cy, 550);
    EXPECT_EQ(e2e::className(frame).rfind("Afx:", 0), 0u);
    EXPECT_EQ(GetMenu(frame), nullptr);
    EXPECT_FALSE(e2e::screenshot("frame-start-size").empty());

    resize(200, 120);
    EXPECT_EQ(windowSize().cx, 400);
    EXPECT_EQ(windowSize().cy, 300);
    // The pane below the code view keeps its minimum, tabs visible.
    EXPECT_EQ(e2e::clientSize(paneView()).cy, 34);
    EXPECT_FALSE(e2e::screenshot("frame-smallest").empty());

    resize(1000, 700);
    EXPECT_EQ(windowSize().cx, 1000);
    EXPECT_EQ(windowSize().cy, 700);
    EXPECT_EQ(e2e::clientSize(codeView()).cy, 400);  // its own size again
    EXPECT_FALSE(e2e::screenshot("frame-resized").empty());
}

TEST_F(Frame, StatusBarHasThreePanesWithTheirTexts) {
    HWND status = child(STATUSCLASSNAMEA);
    ASSERT_TRUE(status);
    EXPECT_EQ(e2e::statusPartEdges(program->pid(), status), (std::vector<int>{300, 457, 622}));
    EXPECT_EQ(e2e::statusText(program->pid(), status, 0), "就绪");
    EXPECT_EQ(e2e::statusText(program->pid(), status, 1), "创建时间：");
    EXPECT_EQ(e2e::statusText(program->pid(), status, 2), "最后修改：");
}

TEST_F(Frame, ToolbarButtonsTooltipsAndPrompts) {
    HWND toolBar = child(TOOLBARCLASSNAMEA);
    ASSERT_TRUE(toolBar);
    EXPECT_EQ(e2e::toolbarCommands(program->pid(), toolBar),
              (std::vector<int>{32776, 32777, 0, 32801, 32778, 57670, 57664}));
    DWORD size = DWORD(SendMessageA(toolBar, TB_GETBUTTONSIZE, 0, 0));
    EXPECT_GE(LOWORD(size), 48);
    EXPECT_GE(HIWORD(size), 48);

    HWND status = child(STATUSCLASSNAMEA);
    const struct {
        int command;
        const char* tooltip;
        const char* prompt;
    } expected[] = {
        {32776, "保存", "保存该代码"},
        {32801, "压缩数据库", "压缩数据库以节省空间"},
        {57664, "关于", "显示程序信息，版本号和版权"},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.tooltip);
        RECT button = e2e::toolbarButtonRect(program->pid(), toolBar, e.command);
        e2e::moveMouse(button.left + 5, button.top + 5);
        e2e::moveMouse((button.left + button.right) / 2, (button.top + button.bottom) / 2);
        // The tip shows once the pointer has rested for the tooltip's delay.
        EXPECT_TRUE(e2e::waitFor("the tooltip", [&] {
            HWND tooltip = program->findWindow(nullptr, "tooltips_class32");
            return tooltip ? e2e::windowText(tooltip) : std::string();
        }, std::string(e.tooltip)));
        EXPECT_TRUE(e2e::waitForStatus(program->pid(), status, 0, e.prompt));
        if (e.command == 32801) {
            EXPECT_FALSE(e2e::screenshot("frame-tooltip").empty());
        }
    }
    e2e::moveMouse(1200, 700);  // off the window: the idle prompt returns
    EXPECT_TRUE(e2e::waitForStatus(program->pid(), status, 0, "就绪"));
}

TEST_F(Frame, ThreeTabbedViewsFillTheirPanesAndFollowResizes) {
    HWND tree = e2e::findDescendant(itemView(), WC_TABCONTROLA, 1003);
    HWND code = e2e::findDescendant(codeView(), WC_TABCONTROLA, 1001);
    HWND pane = e2e::findDescendant(paneView(), WC_TABCONTROLA, 1002);
    ASSERT_TRUE(tree && code && pane);
    EXPECT_EQ(e2e::tabLabels(program->pid(), tree), std::vector<std::string>{"导航"});
    EXPECT_EQ(e2e::tabLabels(program->pid(), code), std::vector<std::string>{"欢迎！"});
    EXPECT_EQ(e2e::tabLabels(program->pid(), pane), (std::vector<std::string>{"备注", "附件", "搜索结果"}));
    EXPECT_TRUE(GetWindowLongA(pane, GWL_STYLE) & TCS_BOTTOM);

    EXPECT_EQ(e2e::clientSize(itemView()).cx, 200);
    // 400 high, as far as the pane's minimum (34) and the bar (5) leave room
    // in the skin's frame at its first size.
    EXPECT_EQ(e2e::clientSize(codeView()).cy, std::min(400, int(e2e::clientSize(innerSplitter()).cy) - 5 - 34));
    for (SIZE frameSize : {SIZE{700, 550}, SIZE{950, 720}, SIZE{420, 320}}) {
        resize(frameSize.cx, frameSize.cy);
        for (HWND tabs : {tree, code, pane}) {
            SIZE view = e2e::clientSize(GetParent(tabs));
            SIZE control = e2e::clientSize(tabs);
            EXPECT_EQ(control.cx, view.cx);
            EXPECT_EQ(control.cy, view.cy);
        }
    }
}

TEST_F(Frame, SplitterBarsStopAtThePaneMinimums) {
    HWND inner = innerSplitter();
    ASSERT_TRUE(inner);
    resize(700, 650);  // room for both panes
    int bar = e2e::clientSize(codeView()).cy;

    dragBar(inner, true, bar, -300);
    EXPECT_EQ(e2e::clientSize(codeView()).cy, 30);
    EXPECT_FALSE(e2e::screenshot("frame-splitter-up").empty());

    dragBar(inner, true, 30, 5000);
    EXPECT_EQ(e2e::clientSize(paneView()).cy, 34);
    EXPECT_EQ(e2e::clientSize(codeView()).cy + 5 + 34, e2e::clientSize(inner).cy);

    dragBar(inner, true, e2e::clientSize(codeView()).cy, 200);
    EXPECT_EQ(e2e::clientSize(codeView()).cy, 200);

    // The outer bar has no minimums.
    HWND outer = outerSplitter();
    dragBar(outer, false, 200, 120);
    EXPECT_EQ(e2e::clientSize(itemView()).cx, 120);
    dragBar(outer, false, 120, -50);
    EXPECT_EQ(e2e::clientSize(itemView()).cx, 0);
}

// Compaction of a database from which 3 MB were deleted.  The test holds a
// write lock on the file meanwhile, so the busy dialog stays up long enough
// to be seen; a close request waits for the end of the work.
TEST_F(Frame, CompactionShrinksTheFileAndKeepsEveryRow) {
    ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
    std::string path = e2e::databasePath(folder);
    {
        store::DbConnection db;
        db.openWithKey(path.c_str(), store::kPassPhrase);
        db.execute("BEGIN;");
        for (int i = 0; i < 600; ++i)
            db.execute(("INSERT INTO tree_tbl VALUES(NULL, 1, " + std::to_string(i + 2) + ", 1, 0, 't" +
                        std::to_string(i) + "', datetime('now', 'localtime'), NULL);").c_str());
        db.execute(("UPDATE content_tbl SET content = '" + std::string(6000, 'c') + "';").c_str());
        db.execute("COMMIT;");
        db.execute("DELETE FROM tree_tbl WHERE ItemId > 101;");
    }
    auto before = e2e::readFile(path).size();
    ASSERT_GT(before, 3u * 1024 * 1024);
    startProgram();

    store::DbConnection locker;
    locker.openWithKey(path.c_str(), store::kPassPhrase);
    locker.execute("BEGIN EXCLUSIVE;");

    PostMessageA(frame, WM_COMMAND, 32801, 0);
    HWND busy = program->waitForWindow(e2e::kTitle, e2e::kDialogClass);
    ASSERT_TRUE(busy) << "no busy dialog";
    EXPECT_EQ(e2e::windowText(GetDlgItem(busy, 1000)), "压缩中……");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(busy, IDCANCEL)));
    EXPECT_FALSE(IsWindowEnabled(frame));
    EXPECT_FALSE(e2e::screenshot("frame-compacting", true).empty());  // the busy bar moves
    PostMessageA(frame, WM_CLOSE, 0, 0);  // must wait for the compaction
    ASSERT_TRUE(e2e::waitForIdle(frame));
    EXPECT_TRUE(program->running());

    locker.execute("COMMIT;");
    locker.close();
    DWORD code = 99;
    ASSERT_TRUE(program->waitForExit(60000, &code));
    EXPECT_EQ(code, 0u);

    EXPECT_LT(e2e::readFile(path).size(), before / 2);
    store::DbConnection db;
    db.openWithKey(path.c_str(), store::kPassPhrase);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM tree_tbl;"), 101);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM content_tbl;"), 100);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM content_tbl WHERE LENGTH(content) = 6000;"), 100);
}

TEST_F(Frame, WindowIsUsableAgainAfterCompaction) {
    PostMessageA(frame, WM_COMMAND, 32801, 0);
    ASSERT_TRUE(e2e::waitForIdle(frame));  // the compaction has begun
    EXPECT_TRUE(e2e::waitFor("the frame disabled or a dialog shown", [&] {
        return !IsWindowEnabled(frame) || program->findWindow(e2e::kTitle, e2e::kDialogClass) != nullptr;
    }, false));
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_FALSE(program->findWindow(e2e::kTitle, e2e::kDialogClass));
    resize(800, 600);
    EXPECT_EQ(windowSize().cx, 800);
}

TEST_F(Frame, CompactionFailureShowsTheEngineMessageAndFreesTheWindow) {
    ASSERT_EQ(e2e::closeProgram(*program, frame), 0u);
    std::string foreign = folder.file("data\\notes.txt");
    e2e::writeFile(foreign, std::string(8192, 'n'));
    WritePrivateProfileStringA("DBM", "WorkPath", foreign.c_str(), folder.file("config.ini").c_str());
    program = std::make_unique<Program>(folder);
    ASSERT_TRUE(program->start());
    // Listing the tree is the first query; it fails first.
    HWND listing = program->waitForWindow(e2e::kTitle, e2e::kDialogClass);
    ASSERT_TRUE(listing);
    EXPECT_EQ(e2e::messageBoxText(listing), "UNKNOWN_ERROR[26]: ");
    e2e::clickButton(listing, IDOK);
    frame = program->waitForWindow(e2e::kTitle, e2e::kFrameClass);
    ASSERT_TRUE(frame);

    PostMessageA(frame, WM_COMMAND, 32801, 0);
    HWND box = nullptr;
    ASSERT_TRUE(e2e::waitFor("the message about the failure", [&] {
        box = program->findWindow(e2e::kTitle, e2e::kDialogClass);
        return box ? e2e::messageBoxText(box) : std::string();
    }, "UNKNOWN_ERROR[26]: file is not a database"));
    EXPECT_FALSE(e2e::screenshot("frame-compaction-failed").empty());
    ASSERT_TRUE(e2e::answerBox(box, IDOK, frame));
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_EQ(e2e::readFile(foreign).size(), 8192u);
}

TEST_F(Frame, AboutBoxShowsTheAboutPage) {
    PostMessageA(frame, WM_COMMAND, 57664, 0);
    HWND about = program->waitForWindow("关于 墨舟", e2e::kDialogClass);
    ASSERT_TRUE(about);
    // Wine has no browser engine: the page is drawn natively, as control 1038.
    HWND page = GetDlgItem(about, 1038);
    ASSERT_TRUE(page);
    EXPECT_EQ(e2e::className(page), "Afx:jexmarlo:Page");
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_GT(e2e::clientSize(page).cy, 120) << "room for the heading and the contact lines";
    EXPECT_FALSE(e2e::screenshot("frame-about").empty());
    e2e::clickButton(about, IDOK);
    EXPECT_TRUE(e2e::waitForGone(about));
    EXPECT_FALSE(program->findWindow("关于 墨舟", e2e::kDialogClass));
}

// F6 and Shift+F6 move the focus through tree, code view and pane.
TEST_F(Frame, NextAndPreviousPaneCycleThroughTheThreeViews) {
    auto focusIs = [&](HWND view) { return e2e::waitFor("the focus", [&] { return e2e::focusOf(frame); }, view); };
    const HWND order[] = {itemView(), codeView(), paneView()};
    PostMessageA(frame, WM_COMMAND, 57680, 0);  // from the tree, the first active view
    EXPECT_TRUE(focusIs(order[1]));
    PostMessageA(frame, WM_COMMAND, 57680, 0);
    EXPECT_TRUE(focusIs(order[2]));
    PostMessageA(frame, WM_COMMAND, 57680, 0);
    EXPECT_TRUE(focusIs(order[0]));
    PostMessageA(frame, WM_COMMAND, 57681, 0);
    EXPECT_TRUE(focusIs(order[2]));
}

}  // namespace
