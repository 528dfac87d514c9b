// Toolbars, tab controls, edits and combo boxes under the skin: which
// toolbars are skinned and what they draw and tell their children, the tab
// control's own selection and its close buttons, the edit's frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/skin/win/skin_test_support.h"

namespace {

using namespace skintest;

constexpr UINT kSkinRefresh = 0x500;
const char kOldProc[] = "WndProcOld";

bool skinned(HWND hwnd) { return GetPropA(hwnd, kOldProc) != nullptr; }

class Controls : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX more = {sizeof more, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&more);
    }
    HWND make(const char* cls, DWORD style, int x, int y, int width, int height, int id) {
        HWND w = CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, width, height, host.hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
        messageLog().watch(w);
        return w;
    }
    HWND toolBar(int id) {
        HWND bar = make(TOOLBARCLASSNAMEA, TBSTYLE_FLAT | CCS_NORESIZE | CCS_NODIVIDER, 0, 0, 300, 40, id);
        SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessageA(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(24, 24));
        TBBUTTON buttons[3] = {};
        buttons[0] = {0, 501, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
        buttons[1] = {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0};
        buttons[2] = {1, 502, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
        SendMessageA(bar, TB_ADDBUTTONSA, 3, reinterpret_cast<LPARAM>(buttons));
        return bar;
    }
    HWND tabs(int id, std::initializer_list<const char*> labels) {
        HWND t = make(WC_TABCONTROLA, WS_CLIPSIBLINGS, 10, 10, 360, 120, id);
        SendMessageA(t, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        int i = 0;
        for (const char* label : labels) {
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>(label);
            SendMessageA(t, TCM_INSERTITEMA, WPARAM(i++), reinterpret_cast<LPARAM>(&item));
        }
        return t;
    }
    RECT tabRect(HWND t, int index) {
        RECT r = {};
        SendMessageA(t, TCM_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r));
        return r;
    }
    // Where the skin puts the close button of a tab: 12 x 12, 3 pixels from
    // the tab's right edge, centred.
    POINT closeCentre(HWND t, int index) {
        RECT r = tabRect(t, index);
        return {r.right - 3 - 6, (r.top + r.bottom) / 2};
    }
    std::vector<UINT> notifications(HWND from) const {
        std::vector<UINT> codes;
        for (const TestWindow::Notification& n : host.notifications)
            if (n.from == from) codes.push_back(n.code);
        return codes;
    }

    TestWindow host{60, 60, 420, 300};
};

// The per-identifier section decides: no glyph strip there, no skin.
TEST_F(Controls, AToolBarWithoutItsGlyphStripKeepsTheSystemLook) {
    HWND plain = toolBar(4002);
    HWND skinnedBar = toolBar(kSkinnedToolBarId);
    EXPECT_FALSE(skinned(plain));
    EXPECT_TRUE(skinned(skinnedBar));
    // The size asked for becomes the glyph frame's (24 x 24), which the
    // control widens by its padding.
    SendMessageA(skinnedBar, TB_SETBUTTONSIZE, 0, MAKELPARAM(60, 60));
    SendMessageA(plain, TB_SETBUTTONSIZE, 0, MAKELPARAM(60, 60));
    DWORD size = DWORD(SendMessageA(skinnedBar, TB_GETBUTTONSIZE, 0, 0));
    EXPECT_LT(LOWORD(size), 40);
    EXPECT_LT(HIWORD(size), 40);
    EXPECT_EQ(LOWORD(SendMessageA(plain, TB_GETBUTTONSIZE, 0, 0)), 60);
}

TEST_F(Controls, ATabControlSelectsOnAPressAndSaysSoWithSelChangeOnly) {
    HWND t = tabs(3002, {"one", "two", "three"});
    messageLog().clear();
    host.notifications.clear();
    RECT second = tabRect(t, 1);
    SendMessageA(t, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((second.left + second.right) / 2, (second.top + second.bottom) / 2));
    SendMessageA(t, WM_LBUTTONUP, 0, MAKELPARAM((second.left + second.right) / 2, (second.top + second.bottom) / 2));
    EXPECT_EQ(SendMessageA(t, TCM_GETCURSEL, 0, 0), 1);
    std::vector<UINT> codes = notifications(t);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), UINT(TCN_SELCHANGE)), 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), UINT(TCN_SELCHANGING)), 0);
    EXPECT_EQ(messageLog().count(host.hwnd(), 0x706), 0);
}

// --- on the screen ----------------------------------------------------------------------------

class ControlsOnScreen : public Controls {
protected:
    void SetUp() override {
        parkMouse();
        ASSERT_TRUE(host.bringToFront());
    }
    void TearDown() override { parkMouse(); }
    std::string waitForPixel(HWND hwnd, int x, int y, COLORREF c) {
        return rgb(waitForValue([&] { return clientPixel(hwnd, x, y); }, c));
    }
};

// Each button shows its glyph (frame iBitmap of the strip), the separator
// its line, and after each paint the children are told to take their
// background again.
TEST_F(ControlsOnScreen, AToolBarDrawsItsGlyphsAndRefreshesItsChildren) {
    HWND bar = toolBar(kSkinnedToolBarId);
    HWND child = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 200, 5, 50, 20, bar, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    messageLog().watch(child);
    RECT first = {}, third = {};
    SendMessageA(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageA(bar, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&third));
    EXPECT_EQ(waitForPixel(bar, (first.left + first.right) / 2, (first.top + first.bottom) / 2, kIcons[0]),
              rgb(kIcons[0]));
    EXPECT_EQ(waitForPixel(bar, (third.left + third.right) / 2, (third.top + third.bottom) / 2, kIcons[1]),
              rgb(kIcons[1]));
    EXPECT_TRUE(waitUntil([&] { return messageLog().count(child, kSkinRefresh) > 0; }));
    // Disabled, the glyph turns grey: 0.3 * 255 + 0.59 * 140 = 159 at 70 %
    // over the window behind (200): 171.
    SendMessageA(bar, TB_ENABLEBUTTON, 501, FALSE);
    COLORREF grey = waitForValue([&] { return clientPixel(bar, (first.left + first.right) / 2, (first.top + first.bottom) / 2); },
                                 RGB(171, 171, 171));
    EXPECT_NEAR(GetRValue(grey), 171, 3) << rgb(grey);
    EXPECT_EQ(GetRValue(grey), GetBValue(grey)) << rgb(grey);
}

// A close button clicks on the tab's parent only when it is pressed and
// released on it; a press elsewhere on a tab selects it.
TEST_F(ControlsOnScreen, ATabsCloseButtonClosesOnlyWhenPressedAndReleasedOnIt) {
    HWND t = tabs(kClosingTabsId, {"first tab", "second tab"});
    POINT close = closeCentre(t, 1);
    EXPECT_EQ(waitForPixel(t, close.x, close.y, kTabClose[0]), rgb(kTabClose[0]));
    messageLog().clear();
    host.notifications.clear();
    ASSERT_TRUE(moveMouse(screenPoint(t, close.x, close.y)));
    EXPECT_EQ(waitForPixel(t, close.x, close.y, kTabClose[1]), rgb(kTabClose[1]));
    ASSERT_TRUE(pressLeft());
    EXPECT_EQ(waitForPixel(t, close.x, close.y, kTabClose[2]), rgb(kTabClose[2]));
    EXPECT_EQ(SendMessageA(t, TCM_GETCURSEL, 0, 0), 0) << "a press on the close button does not select";
    ASSERT_TRUE(releaseLeft());
    std::vector<Message> closes = messageLog().of(host.hwnd(), 0x706);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].wParam, 1u);
    std::vector<UINT> codes = notifications(t);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), UINT(TCN_SELCHANGE)), 0);
    EXPECT_GE(std::count(codes.begin(), codes.end(), UINT(NM_CLICK)), 1);

    // Pressed on the close button, released beside it: nothing.
    messageLog().clear();
    ASSERT_TRUE(moveMouse(screenPoint(t, close.x, close.y + 1)));
    ASSERT_TRUE(pressLeft());
    RECT first = tabRect(t, 0);
    ASSERT_TRUE(moveMouse(screenPoint(t, first.left + 8, (first.top + first.bottom) / 2)));
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(messageLog().count(host.hwnd(), 0x706), 0);

    // Pressed on a tab, released on another's close button: nothing but the
    // selection.
    messageLog().clear();
    host.notifications.clear();
    ASSERT_TRUE(moveMouse(screenPoint(t, tabRect(t, 1).left + 8, close.y)));
    ASSERT_TRUE(pressLeft());
    EXPECT_EQ(SendMessageA(t, TCM_GETCURSEL, 0, 0), 1);
    POINT otherClose = closeCentre(t, 0);
    ASSERT_TRUE(moveMouse(screenPoint(t, otherClose.x, otherClose.y)));
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(messageLog().count(host.hwnd(), 0x706), 0);
    codes = notifications(t);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), UINT(TCN_SELCHANGE)), 1);
}

// The edit's border is the nine-grid frame (margins 4 here), focus or not.
TEST_F(ControlsOnScreen, AnEditWithAnEdgeGetsTheFrameAndItsFocusLook) {
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "text", WS_CHILD | WS_VISIBLE, 20, 20, 200, 30, host.hwnd(),
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND plain = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 20, 80, 200, 24, host.hwnd(),
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_TRUE(skinned(edit));
    EXPECT_FALSE(skinned(plain));
    RECT client;
    GetClientRect(edit, &client);
    EXPECT_EQ(client.right, 200 - 8);
    EXPECT_EQ(client.bottom, 30 - 8);
    EXPECT_EQ(rgb(waitForValue([&] { return windowPixel(edit, 1, 1); }, kNormalCorner)), rgb(kNormalCorner));
    SetFocus(edit);
    EXPECT_EQ(rgb(waitForValue([&] { return windowPixel(edit, 1, 1); }, kFocusCorner)), rgb(kFocusCorner));
    SetFocus(plain);
    EXPECT_EQ(rgb(waitForValue([&] { return windowPixel(edit, 1, 1); }, kNormalCorner)), rgb(kNormalCorner));
}

}  // namespace
