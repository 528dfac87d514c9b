// The window hook and the subclassing: which windows get a skin, what the
// procedure a skin replaced sees and when it gets its window back, how a
// later subclass keeps its place, and the end of the skin manager.
//
// Message sequences are recorded from the side of the replaced procedure:
// an application-local class named "SysTreeView32" (found before the common
// controls' class of that name) logs what reaches it, and the tests compare
// the log with a table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/skin/win/skin_test_support.h"

namespace {

using namespace skintest;

const char kOldProc[] = "WndProcOld";

bool skinned(HWND hwnd) { return GetPropA(hwnd, kOldProc) != nullptr; }

const char* messageName(UINT msg) {
    switch (msg) {
    case WM_NCCREATE: return "WM_NCCREATE";
    case WM_CREATE: return "WM_CREATE";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_NCDESTROY: return "WM_NCDESTROY";
    default: return "?";
    }
}

// One message as a procedure saw it: who saw it, whether the window still
// had the property "WndProcOld", whether the window's procedure was the
// replaced one again.
struct Seen {
    const char* who;
    UINT msg;
    bool property;
    bool restored;
    bool operator==(const Seen& o) const {
        return std::string(who) == o.who && msg == o.msg && property == o.property && restored == o.restored;
    }
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << "{" << s.who << " " << messageName(s.msg) << (s.property ? " property" : " no property")
               << (s.restored ? " restored" : "") << "}";
}

std::vector<Seen>& seen() {
    static std::vector<Seen> log;
    return log;
}

bool lifeMessage(UINT msg) {
    return msg == WM_NCCREATE || msg == WM_CREATE || msg == WM_DESTROY || msg == WM_NCDESTROY;
}

LRESULT CALLBACK previousProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

void note(const char* who, HWND hwnd, UINT msg) {
    if (!lifeMessage(msg)) return;
    bool restored = GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&previousProc);
    seen().push_back({who, msg, skinned(hwnd), restored});
}

LRESULT CALLBACK previousProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    note("previous", hwnd, msg);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool cleanedUp = false;

// A subclass made after the skin's, through the common controls, that
// removes itself at WM_NCDESTROY as such subclasses do.
LRESULT CALLBACK laterSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    note("later", hwnd, msg);
    if (msg == WM_NCDESTROY) cleanedUp = RemoveWindowSubclass(hwnd, laterSubclass, id) != FALSE;
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

class HookTest : public ::testing::Test {
protected:
    void SetUp() override {
        seen().clear();
        cleanedUp = false;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = previousProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = WC_TREEVIEWA;
        ASSERT_TRUE(RegisterClassA(&wc));
    }
    void TearDown() override { UnregisterClassA(WC_TREEVIEWA, GetModuleHandleA(nullptr)); }

    HWND newLoggingTree() {
        return CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, host.hwnd(), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }

    TestWindow host{50, 50, 300, 200};
};

using Subclassing = HookTest;

// The hook subclasses at WM_NCCREATE, so the replaced procedure sees every
// message through the skin; at WM_DESTROY the skin goes and gives the window
// back first, and the procedure still gets WM_DESTROY and WM_NCDESTROY.
TEST_F(Subclassing, TheReplacedProcedureGetsItsWindowBackAtWmDestroy) {
    HWND tree = newLoggingTree();
    ASSERT_TRUE(tree);
    EXPECT_EQ(GetPropA(tree, kOldProc), reinterpret_cast<HANDLE>(&previousProc));
    EXPECT_NE(GetWindowLongPtrA(tree, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&previousProc));
    DestroyWindow(tree);
    const std::vector<Seen> expected = {
        {"previous", WM_NCCREATE, true, false},
        {"previous", WM_CREATE, true, false},
        {"previous", WM_DESTROY, false, true},
        {"previous", WM_NCDESTROY, false, true},
    };
    EXPECT_EQ(seen(), expected);
}

// A subclass made later stays in the chain: the skin cannot give the window
// back without cutting it out, so it keeps handing messages down until
// WM_NCDESTROY, and the later subclass's own clean-up runs.
TEST_F(Subclassing, ALaterSubclassKeepsItsPlaceAndCleansUp) {
    HWND tree = newLoggingTree();
    ASSERT_TRUE(tree);
    ASSERT_TRUE(SetWindowSubclass(tree, laterSubclass, 1, 0));
    seen().clear();
    DestroyWindow(tree);
    const std::vector<Seen> expected = {
        {"later", WM_DESTROY, true, false},
        {"previous", WM_DESTROY, true, false},
        {"later", WM_NCDESTROY, true, false},
        {"previous", WM_NCDESTROY, false, false},
    };
    EXPECT_EQ(seen(), expected);
    EXPECT_TRUE(cleanedUp);
}

// The later subclass removed again before the end: the skin's procedure is
// the window's once more, so the skin gives the window back as usual.
TEST_F(Subclassing, ALaterSubclassRemovedBeforeTheEndChangesNothing) {
    HWND tree = newLoggingTree();
    ASSERT_TRUE(tree);
    ASSERT_TRUE(SetWindowSubclass(tree, laterSubclass, 1, 0));
    ASSERT_TRUE(RemoveWindowSubclass(tree, laterSubclass, 1));
    seen().clear();
    DestroyWindow(tree);
    const std::vector<Seen> expected = {
        {"previous", WM_DESTROY, false, true},
        {"previous", WM_NCDESTROY, false, true},
    };
    EXPECT_EQ(seen(), expected);
}

// What the skinned controls look like from outside when they go with their
// parent: at WM_DESTROY still skinned, at WM_NCDESTROY (before any procedure
// of theirs runs) the property gone and the original procedure back.
struct Ending {
    HWND hwnd;
    UINT msg;
    bool property;
    LONG_PTR proc;
};
std::vector<Ending>& endings() {
    static std::vector<Ending> log;
    return log;
}

std::vector<Ending> endingsOf(HWND hwnd) {
    std::vector<Ending> mine;
    for (const Ending& e : endings())
        if (e.hwnd == hwnd) mine.push_back(e);
    return mine;
}

LRESULT CALLBACK watchEndings(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && (call->message == WM_DESTROY || call->message == WM_NCDESTROY))
        endings().push_back({call->hwnd, call->message, skinned(call->hwnd),
                             GetWindowLongPtrA(call->hwnd, GWLP_WNDPROC)});
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(SkinnedControls, AllGiveTheirWindowsBackWhenDestroyedWithTheirParent) {
    endings().clear();
    auto* parent = new TestWindow(50, 50, 300, 200);
    HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD, 0, 0, 100, 100, parent->hwnd(), nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    HWND nav = jexsoft_CreateNavCtrl(WS_CHILD, 100, 0, 200, 130, 26, parent->hwnd(), 2);
    HWND box = jexsoft_CreateSearchBox(WS_CHILD, 0, 150, 170, 182, parent->hwnd(), 3);
    ASSERT_TRUE(tree && nav && box);
    const HWND controls[] = {tree, nav, box};
    LONG_PTR original[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(skinned(controls[i])) << i;
        original[i] = reinterpret_cast<LONG_PTR>(GetPropA(controls[i], kOldProc));
        EXPECT_NE(GetWindowLongPtrA(controls[i], GWLP_WNDPROC), original[i]) << i;
    }
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, watchEndings, nullptr, GetCurrentThreadId());
    delete parent;
    UnhookWindowsHookEx(hook);
    for (int i = 0; i < 3; ++i) {
        std::vector<Ending> mine = endingsOf(controls[i]);
        ASSERT_EQ(mine.size(), 2u) << i;
        EXPECT_EQ(mine[0].msg, UINT(WM_DESTROY)) << i;
        EXPECT_TRUE(mine[0].property) << i;
        EXPECT_EQ(mine[1].msg, UINT(WM_NCDESTROY)) << i;
        EXPECT_FALSE(mine[1].property) << i;
        EXPECT_EQ(mine[1].proc, original[i]) << i;
    }
}

// --- which windows get a skin ---------------------------------------------------------------------------

// Each class gets the skin the chooser names; windows whose parent is a
// search box or a combo box, menus, list views and statics stay as they
// are, and so do an edit without a sunken edge and a toolbar whose section
// has no glyphs (both skins let go at once).
TEST(Hook, EveryWindowGetsTheSkinOfItsClass) {
    INITCOMMONCONTROLSEX more = {sizeof more, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&more);
    TestWindow host(50, 50, 400, 300);
    auto make = [&](const char* cls, DWORD style = 0, HWND parent = nullptr, DWORD exStyle = 0, int id = 0) {
        return CreateWindowExA(exStyle, cls, "", WS_CHILD | style, 0, 0, 80, 60, parent ? parent : host.hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    };
    struct Case {
        const char* name;
        HWND hwnd;
        bool skinned;
    };
    HWND list = make(WC_LISTVIEWA, LVS_REPORT);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 40;
    ListView_InsertColumn(list, 0, &column);
    HWND box = jexsoft_CreateSearchBox(WS_CHILD, 0, 0, 170, 32, host.hwnd(), 1);
    HWND combo = make("ComboBox", CBS_DROPDOWN);
    const Case cases[] = {
        {"tree view", make(WC_TREEVIEWA), true},
        {"search box", box, true},
        {"navigation control", jexsoft_CreateNavCtrl(WS_CHILD, 0, 0, 100, 100, 26, host.hwnd(), 2), true},
        {"list view", list, false},
        {"its header", ListView_GetHeader(list), true},
        {"button", make("Button"), true},
        {"edit with a sunken edge", make("Edit", 0, nullptr, WS_EX_CLIENTEDGE), true},
        {"edit without", make("Edit"), false},
        {"combo box", combo, true},
        {"the combo box's edit", GetWindow(combo, GW_CHILD), false},
        {"button in a search box", make("Button", 0, box), false},
        {"tree view in a search box", make(WC_TREEVIEWA, 0, box), false},
        {"tool bar with glyphs", make(TOOLBARCLASSNAMEA, 0, nullptr, 0, kSkinnedToolBarId), true},
        {"tool bar without", make(TOOLBARCLASSNAMEA), false},
        {"tab control", make(WC_TABCONTROLA), true},
        {"status bar", make(STATUSCLASSNAMEA), true},
        {"spin button", make(UPDOWN_CLASSA), true},
        {"dialog", make("#32770"), true},
        {"static", make("Static"), false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.hwnd) << c.name;
        EXPECT_EQ(skinned(c.hwnd), c.skinned) << c.name;
    }
}

// The end of the skin manager: new windows are no longer skinned; a window
// skinned before keeps its skin and gives its window back when destroyed;
// a new manager and skin file skin again.
TEST(Hook, UnloadingStopsSkinningNewWindowsOnly) {
    TestWindow host(50, 50, 300, 200);
    auto tree = [&] {
        return CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD, 0, 0, 100, 100, host.hwnd(), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    };
    HWND before = tree();
    ASSERT_TRUE(skinned(before));
    LONG_PTR original = reinterpret_cast<LONG_PTR>(GetPropA(before, kOldProc));
    EXPECT_EQ(jexsoft_UnloadSkin(), 1);
    HWND after = tree();
    EXPECT_FALSE(skinned(after));
    EXPECT_TRUE(skinned(before));
    SendMessageA(before, WM_SETREDRAW, TRUE, 0);  // still served through the skin
    endings().clear();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, watchEndings, nullptr, GetCurrentThreadId());
    DestroyWindow(before);
    UnhookWindowsHookEx(hook);
    std::vector<Ending> mine = endingsOf(before);
    ASSERT_EQ(mine.size(), 2u);
    EXPECT_FALSE(mine[1].property);
    EXPECT_EQ(mine[1].proc, original);

    EXPECT_EQ(jexsoft_InitUI(GetModuleHandleA(nullptr), 0), 1);
    useSkin("skin.ini");
    EXPECT_TRUE(skinned(tree()));
}

}  // namespace
