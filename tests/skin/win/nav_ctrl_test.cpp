// The navigation control with the real mouse: selection by click and what
// the owner hears of it, the hover look and its fade-out, the mouse capture,
// and items added while the control is on the screen.
//
// The skin's looks are solid colours: kHover behind the item under the
// mouse, kDown behind the selected one, the owner's kBack behind the rest.
// Each item is read at x = 5, left of its text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/skin/win/skin_test_support.h"

namespace {

using namespace skintest;

constexpr int kItemHeight = 26;
constexpr int kNavSelect = 0x503;  // NCM_SELECT

class NavCtrlOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        parkMouse();
        ASSERT_TRUE(owner.bringToFront());
    }
    void TearDown() override {
        parkMouse();
        useSkin("skin.ini");
    }

    // A control of `count` items in the owner, on the screen.
    void makeNav(int count) {
        nav = jexsoft_CreateNavCtrl(WS_CHILD | WS_VISIBLE, 10, 10, 160, 10 + 7 * kItemHeight, kItemHeight,
                                    owner.hwnd(), 1);
        ASSERT_TRUE(nav);
        messageLog().watch(nav);
        for (int i = 0; i < count; ++i) addItem();
        ASSERT_TRUE(waitUntil([&] { return hasText(count - 1); })) << "the control never painted its items";
    }
    void addItem() {
        std::string text = "Item " + std::to_string(jexsoft_NCGetItemCount(nav));
        jexsoft_NCAddString(nav, text.c_str());
    }

    // A point of item i, `dy` pixels below its top.  Two clicks on the same
    // item go to points apart, or they would make a double-click.
    POINT itemPoint(int i, int dy = kItemHeight / 2) const { return screenPoint(nav, 5, i * kItemHeight + dy); }
    COLORREF itemPixel(int i) const { return clientPixel(nav, 5, i * kItemHeight + kItemHeight / 2); }
    std::string itemLook(int i) const { return rgb(itemPixel(i)); }
    std::string waitForLook(int i, COLORREF look) const {
        return rgb(waitForValue([&] { return itemPixel(i); }, look));
    }
    bool hasText(int i) const {
        RECT text = {15, i * kItemHeight + 4, 70, i * kItemHeight + kItemHeight - 4};
        return Capture(nav).anyDark(text);
    }
    // The selections the control reported: NCM_SELECT to itself, then
    // WM_NAVCTRL_SELCHANGE to the owner, in the order they were sent.
    std::vector<std::string> selections() const {
        std::vector<std::string> out;
        for (const Message& m : messageLog().all()) {
            if (m.hwnd == nav && m.msg == UINT(kNavSelect))
                out.push_back("select " + std::to_string(m.wParam) + "," + std::to_string(m.lParam));
            if (m.hwnd == owner.hwnd() && m.msg == WM_NAVCTRL_SELCHANGE)
                out.push_back("owner " + std::to_string(m.wParam) + "," + std::to_string(m.lParam));
        }
        return out;
    }
    // Fade steps of item i so far (its timer's identifier is its index).
    int fadeSteps(int i) const { return messageLog().count(nav, WM_TIMER, WPARAM(i)); }
    // Whether a timer of item i still runs (asking stops it).
    bool timerRuns(int i) const { return KillTimer(nav, UINT_PTR(i)) != FALSE; }

    TestWindow owner{100, 100, 300, 250};
    HWND nav = nullptr;
};

TEST_F(NavCtrlOnScreen, AClickSelectsTheItemAndTellsTheOwnerEachTime) {
    makeNav(5);
    owner.selChangeResult = 0x1234;
    messageLog().clear();
    EXPECT_EQ(jexsoft_NCSetCurSel(nav, 0), 0x1234);  // the owner's answer
    EXPECT_EQ(selections(), (std::vector<std::string>{"select 0,0", "owner 0,0"}));
    EXPECT_EQ(waitForLook(0, kDown), rgb(kDown));

    for (int round = 0; round < 2; ++round) {  // the selected item again: both messages again
        messageLog().clear();
        ASSERT_TRUE(clickAt(itemPoint(2, 4 + 16 * round)));
        EXPECT_EQ(selections(), (std::vector<std::string>{"select 2,0", "owner 2,0"})) << "round " << round;
        EXPECT_EQ(waitForLook(2, kDown), rgb(kDown)) << "round " << round;
        EXPECT_EQ(itemLook(0), rgb(kBack));
    }
}

// HoverTime 100: four steps of 25 milliseconds, one timer per item.
TEST_F(NavCtrlOnScreen, TheHoverShowsAtOnceAndFadesOutInFourSteps) {
    makeNav(5);
    jexsoft_NCSetCurSel(nav, 0);
    ASSERT_EQ(waitForLook(0, kDown), rgb(kDown));

    ASSERT_TRUE(moveMouse(itemPoint(1)));
    EXPECT_EQ(itemLook(1), rgb(kHover));
    EXPECT_EQ(GetCapture(), nav);
    // A paint shows every item as it is now.
    RedrawWindow(nav, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(itemLook(0), rgb(kDown));
    EXPECT_EQ(itemLook(1), rgb(kHover));
    EXPECT_EQ(itemLook(2), rgb(kBack));

    messageLog().clear();
    ASSERT_TRUE(moveMouse(itemPoint(3)));
    EXPECT_EQ(itemLook(3), rgb(kHover));
    EXPECT_EQ(waitForLook(1, kBack), rgb(kBack));
    EXPECT_EQ(fadeSteps(1), 4);
    EXPECT_FALSE(timerRuns(1));

    // Onto the selected item: item 3 fades, the selected item shows no hover.
    messageLog().clear();
    ASSERT_TRUE(moveMouse(itemPoint(0)));
    EXPECT_EQ(waitForLook(3, kBack), rgb(kBack));
    EXPECT_EQ(fadeSteps(3), 4);
    EXPECT_EQ(itemLook(0), rgb(kDown));

    // Out of the control: the capture goes.
    POINT outside = screenPoint(owner.hwnd(), 250, 100);
    ASSERT_TRUE(moveMouse(outside));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(NavCtrlOnScreen, LeavingTheControlReleasesTheCaptureAndFadesTheHover) {
    makeNav(5);
    ASSERT_TRUE(moveMouse(itemPoint(2)));
    EXPECT_EQ(GetCapture(), nav);
    messageLog().clear();
    ASSERT_TRUE(moveMouse(screenPoint(owner.hwnd(), 250, 100)));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(waitForLook(2, kBack), rgb(kBack));
    EXPECT_EQ(fadeSteps(2), 4);
}

// HoverTime below 25: the hover goes at once and no timer is started.
TEST_F(NavCtrlOnScreen, WithoutHoverTimeTheHoverGoesAtOnce) {
    useSkin("instant.ini");
    makeNav(5);
    ASSERT_TRUE(moveMouse(itemPoint(1)));
    EXPECT_EQ(itemLook(1), rgb(kHover));
    messageLog().clear();
    ASSERT_TRUE(moveMouse(itemPoint(3)));
    EXPECT_EQ(itemLook(1), rgb(kBack));
    EXPECT_EQ(itemLook(3), rgb(kHover));
    EXPECT_FALSE(timerRuns(1));
    ASSERT_TRUE(moveMouse(screenPoint(owner.hwnd(), 250, 100)));
    EXPECT_EQ(itemLook(3), rgb(kBack));
    EXPECT_FALSE(timerRuns(3));
    EXPECT_EQ(messageLog().count(nav, WM_TIMER), 0);
}

// After the selection moves on, the item that was selected takes the hover
// again, even when the mouse comes to it straight from the new selection.
TEST_F(NavCtrlOnScreen, TheFormerSelectionTakesTheHoverAgain) {
    makeNav(5);
    ASSERT_TRUE(clickAt(itemPoint(1)));
    ASSERT_EQ(waitForLook(1, kDown), rgb(kDown));
    ASSERT_TRUE(clickAt(itemPoint(2, 20)));
    ASSERT_EQ(waitForLook(2, kDown), rgb(kDown));
    ASSERT_TRUE(moveMouse(itemPoint(1)));
    EXPECT_EQ(itemLook(1), rgb(kHover));
}

// Items added while the control is on the screen show up, take the hover
// and can be selected; the items that were there keep their looks.
TEST_F(NavCtrlOnScreen, ItemsAddedAfterTheFirstPaintWork) {
    makeNav(3);
    jexsoft_NCSetCurSel(nav, 0);
    ASSERT_EQ(waitForLook(0, kDown), rgb(kDown));
    addItem();
    addItem();
    EXPECT_EQ(jexsoft_NCGetItemCount(nav), 5);
    EXPECT_TRUE(waitUntil([&] { return hasText(3) && hasText(4); })) << "the new items were not drawn";

    ASSERT_TRUE(moveMouse(itemPoint(3)));
    EXPECT_EQ(itemLook(3), rgb(kHover));
    messageLog().clear();
    ASSERT_TRUE(clickAt(itemPoint(4)));
    EXPECT_EQ(selections(), (std::vector<std::string>{"select 4,0", "owner 4,0"}));
    EXPECT_EQ(waitForLook(4, kDown), rgb(kDown));
    EXPECT_EQ(itemLook(0), rgb(kBack));
    EXPECT_EQ(waitForLook(3, kBack), rgb(kBack));
}

TEST_F(NavCtrlOnScreen, SelectingANewItemBeforeAnyMouseMoveShowsIt) {
    makeNav(3);
    addItem();
    ASSERT_TRUE(waitUntil([&] { return hasText(3); })) << "the new item was not drawn";
    jexsoft_NCSetCurSel(nav, 3);
    EXPECT_EQ(waitForLook(3, kDown), rgb(kDown));
}

}  // namespace
