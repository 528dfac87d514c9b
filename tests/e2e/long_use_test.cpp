// Long use leaves nothing behind: texts opened and closed, tabs switched,
// hover fades on the toolbar and the navigation control, the options dialog
// opened and closed.  After a first round (which fills caches and loads
// libraries) the process's windows, handles, GDI and USER objects and
// private memory are measured; after many more rounds they must be back
// within a small margin.
//
// JEX_LONG_USE_PERCENT scales the rounds (100 gives the full counts; the
// test command runs a tenth of them, scripts/leak-soak all of them).
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "res/resource.h"
#include "skin/jexui.h"
#include "tests/e2e/main_window_fixture.h"
#include "tests/e2e/pane_fixture.h"

namespace {

constexpr int kCmdOptions = 32778;
constexpr char kOptionsCaption[] = "选项设置";

int rounds(int full) {
    const char* percent = std::getenv("JEX_LONG_USE_PERCENT");
    const int p = percent && *percent ? std::clamp(std::atoi(percent), 1, 1000) : 10;
    return std::max(1, full * p / 100);
}

struct Footprint {
    int windows = 0;
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    SIZE_T privateBytes = 0;
};

struct WindowCount {
    DWORD pid;
    int count;
};

BOOL CALLBACK countChild(HWND, LPARAM lParam) {
    ++reinterpret_cast<WindowCount*>(lParam)->count;
    return TRUE;
}

BOOL CALLBACK countTopLevel(HWND hwnd, LPARAM lParam) {
    auto* c = reinterpret_cast<WindowCount*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == c->pid) {
        ++c->count;
        EnumChildWindows(hwnd, countChild, lParam);
    }
    return TRUE;
}

Footprint footprint(DWORD pid) {
    Footprint f;
    WindowCount windows{pid, 0};
    EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&windows));
    f.windows = windows.count;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return f;
    GetProcessHandleCount(process, &f.handles);
    f.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    f.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        f.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;  // Wine gives the latter
    CloseHandle(process);
    return f;
}

std::string describe(const Footprint& f) {
    char text[200];
    std::snprintf(text, sizeof text, "%d windows, %lu handles, %lu GDI and %lu USER objects, %.1f MB private",
                  f.windows, static_cast<unsigned long>(f.handles), static_cast<unsigned long>(f.gdiObjects),
                  static_cast<unsigned long>(f.userObjects), double(f.privateBytes) / (1024.0 * 1024.0));
    return text;
}

// The footprint once the program has handled everything, printed for the
// soak's report.
Footprint settled(HWND frame, DWORD pid, const char* when) {
    EXPECT_TRUE(e2e::waitForIdle(frame));
    Footprint f = footprint(pid);
    std::printf("[ footprint ] %s: %s\n", when, describe(f).c_str());
    return f;
}

// Windows come back exactly; handles and objects within a few (a count of
// 0 means the system does not report it, as Wine does); private memory
// within `marginMb` (the heap keeps some of what it was given).
void expectBack(const Footprint& before, const Footprint& after, double marginMb = 4.0) {
    EXPECT_EQ(after.windows, before.windows) << "windows";
    EXPECT_LE(after.handles, before.handles + 2) << "handles";
    EXPECT_LE(after.gdiObjects, before.gdiObjects + 5) << "GDI objects";
    EXPECT_LE(after.userObjects, before.userObjects + 5) << "USER objects";
    EXPECT_LE(double(after.privateBytes), double(before.privateBytes) + marginMb * 1024 * 1024)
        << "private memory: " << describe(before) << " then " << describe(after);
}

POINT centreOf(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class LongUse : public e2e::MainWindowTest {
protected:
    Footprint settled(const char* when) { return ::settled(frame, pid(), when); }

    // The options dialog, opened by its command; null when it did not come.
    HWND openOptions() {
        PostMessageA(frame, WM_COMMAND, kCmdOptions, 0);
        HWND dialog = program->waitForWindow(kOptionsCaption, e2e::kDialogClass);
        return dialog && e2e::waitForIdle(dialog) ? dialog : nullptr;
    }
    void cancelOptions(HWND dialog) {
        e2e::clickButton(dialog, IDCANCEL);
        ASSERT_TRUE(e2e::waitForGone(dialog));
    }
    void openOptionsAndCancel() {
        HWND dialog = openOptions();
        ASSERT_TRUE(dialog);
        ASSERT_NO_FATAL_FAILURE(cancelOptions(dialog));
    }
    void closeTab(int index) {
        PostMessageA(GetParent(codeTabs), WM_TABCTRL_CLOSE, WPARAM(index), 0);
        ASSERT_TRUE(e2e::waitForIdle(frame));
    }
};

TEST_F(LongUse, TextsOpenedAndClosedAndTabsSwitched) {
    const int texts = rounds(200);
    for (int i = 0; i < texts; ++i) addNode(1, i + 1, 1, "t" + std::to_string(i) + ".c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    std::vector<HTREEITEM> items = e2e::treeChildren(tree, top);
    ASSERT_EQ(int(items.size()), texts);
    auto openAndClose = [&](HTREEITEM item) {
        select(item);
        openSelected();
        ASSERT_TRUE(codeTabsAre({e2e::treeLabel(pid(), tree, item)}));
        closeTab(0);
        ASSERT_TRUE(codeTabsAre({"欢迎"}));
    };
    ASSERT_NO_FATAL_FAILURE(openAndClose(items[0]));
    const Footprint before = settled("texts: after the first");
    for (int i = 1; i < texts; ++i) ASSERT_NO_FATAL_FAILURE(openAndClose(items[std::size_t(i)]));
    expectBack(before, settled("texts: after all"));

    // Two texts open; their tabs clicked in turn.
    for (int i = 0; i < 2; ++i) {
        select(items[std::size_t(i)]);
        openSelected();
    }
    ASSERT_TRUE(e2e::waitFor("two tabs", [&] { return codeTabLabels().size(); }, std::size_t(2)));
    const POINT tabs[2] = {centreOf(codeTab(0)), centreOf(codeTab(1))};
    e2e::click(tabs[0].x, tabs[0].y);
    const Footprint twoOpen = settled("tabs: two open");
    const int switches = rounds(1000);
    for (int i = 1; i <= switches; ++i) {
        e2e::click(tabs[i % 2].x, tabs[i % 2].y);
        if (i % 10 == 0) {
            ASSERT_TRUE(e2e::waitForIdle(frame));
        }
    }
    EXPECT_TRUE(e2e::waitFor("the last tab clicked shown", [&] { return SendMessageA(codeTabs, TCM_GETCURSEL, 0, 0); },
                             LRESULT(switches % 2)));
    expectBack(twoOpen, settled("tabs: after the switches"));
}

TEST_F(LongUse, TheOptionsDialogOpenedAndClosed) {
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(openOptionsAndCancel());
    const Footprint before = settled("options: after the first");
    const int times = rounds(100);
    for (int i = 1; i < times; ++i) ASSERT_NO_FATAL_FAILURE(openOptionsAndCancel());
    expectBack(before, settled("options: after all"));
}

TEST_F(LongUse, HoverFadesOnTheToolbarAndTheNavigationControl) {
    ASSERT_NO_FATAL_FAILURE(start());
    HWND toolBar = e2e::findDescendant(frame, TOOLBARCLASSNAMEA);
    ASSERT_TRUE(toolBar);
    std::vector<POINT> buttons;
    for (int command : e2e::toolbarCommands(pid(), toolBar))
        if (command) buttons.push_back(centreOf(e2e::toolbarButtonRect(pid(), toolBar, command)));
    ASSERT_GE(buttons.size(), 2u);
    auto hover = [&](int times) {
        for (int i = 0; i < times; ++i) {
            const POINT p = buttons[std::size_t(i) % buttons.size()];
            e2e::moveMouse(p.x, p.y);
            if (i % 10 == 9) {
                ASSERT_TRUE(e2e::waitForIdle(frame));
            }
        }
        RECT frameRect;
        GetWindowRect(frame, &frameRect);
        e2e::moveMouse(frameRect.left + 300, frameRect.bottom - 60);  // off the toolbar: the last fade ends
    };
    ASSERT_NO_FATAL_FAILURE(hover(int(buttons.size())));
    const Footprint before = settled("toolbar fades: after the first round");
    ASSERT_NO_FATAL_FAILURE(hover(rounds(500)));
    expectBack(before, settled("toolbar fades: after all"));

    // The options dialog's navigation items, 26 pixels high from its top.
    HWND dialog = openOptions();
    ASSERT_TRUE(dialog);
    HWND nav = e2e::findDescendant(dialog, "jexNavCtrl", IDC_OPTIONS_NAV);
    ASSERT_TRUE(nav);
    RECT navRect;
    GetWindowRect(nav, &navRect);
    buttons.clear();
    for (int item = 0; item < 5; ++item) buttons.push_back({navRect.left + 40, navRect.top + item * 26 + 13});
    ASSERT_NO_FATAL_FAILURE(hover(int(buttons.size())));
    const Footprint dialogOpen = settled("navigation fades: after the first round");
    ASSERT_NO_FATAL_FAILURE(hover(rounds(500)));
    expectBack(dialogOpen, settled("navigation fades: after all"));
    ASSERT_NO_FATAL_FAILURE(cancelOptions(dialog));
}

// Attachments stored through the add dialog and deleted again.
class LongUseAttachments : public e2e::pane::PaneTest {};

TEST_F(LongUseAttachments, AddedAndRemoved) {
    addNode(1, 1, 1, "a.cpp");
    e2e::writeFile(file("data.bin"), std::string(20000, 'd'));
    ASSERT_NO_FATAL_FAILURE(start());
    openText("a.cpp");
    auto addAndRemove = [&] {
        addThroughDialog(file("data.bin"), false);
        waitUntilUsable();
        ASSERT_TRUE(e2e::waitFor("one attachment", [&] { return attachments().size(); }, std::size_t(1)));
        clickRow(attachList(), 0);
        e2e::pressKey(VK_DELETE);
        EXPECT_EQ(answerNextBox(IDYES), "警告：删除之后不能恢复！");
        ASSERT_TRUE(e2e::waitFor("no attachment", [&] { return attachments().size(); }, std::size_t(0)));
    };
    ASSERT_NO_FATAL_FAILURE(addAndRemove());
    const Footprint before = settled(frame, pid(), "attachments: after the first");
    const int times = rounds(100);
    for (int i = 1; i < times; ++i) ASSERT_NO_FATAL_FAILURE(addAndRemove());
    expectBack(before, settled(frame, pid(), "attachments: after all"));
    EXPECT_EQ(query("SELECT count(*) FROM attach_tbl;"), e2e::Rows{"0"});
}

}  // namespace
