// The search box on the screen: its frame and glyph, searches started with
// the real mouse and with Enter, the fade between its two frames as the
// field gains and loses the focus.
//
// The box sits on a child window (a tool bar's place) of a top-level window,
// which is the one told about searches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/skin/win/skin_test_support.h"

namespace {

using namespace skintest;

constexpr UINT_PTR kFadeTimer = 1;

class SearchBoxOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        parkMouse();
        ASSERT_TRUE(frame.bringToFront());
        other = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE, 10, 100, 200, 24, frame.hwnd(),
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(other);
        SetFocus(other);
    }
    void TearDown() override {
        parkMouse();
        useSkin("skin.ini");
    }

    // The program's box, 170 x 32 with 4-pixel margins, on the screen.
    void makeBox() {
        box = jexsoft_CreateSearchBox(WS_CHILD | WS_VISIBLE, 5, 5, 175, 37, toolBar.hwnd(), 1);
        ASSERT_TRUE(box);
        edit = GetDlgItem(box, 1);
        messageLog().watch(box);
        ASSERT_EQ(waitForFrame(kNormalCorner), rgb(kNormalCorner)) << "the frame was never painted";
        ASSERT_EQ(waitForGlyph(kGlyph), rgb(kGlyph)) << "the glyph was never painted";
    }

    // The frame's top left corner; the glyph's top left pixel (client
    // coordinates 140, 0), which the pressed look leaves white.
    COLORREF framePixel() const { return windowPixel(box, 1, 1); }
    std::string waitForFrame(COLORREF c) const { return rgb(waitForValue([&] { return framePixel(); }, c)); }
    std::string waitForGlyph(COLORREF c) const {
        return rgb(waitForValue([&] { return clientPixel(box, 140, 0); }, c));
    }
    POINT glyphPoint(int x, int y) const { return screenPoint(box, 140 + x, y); }
    int searches() const { return messageLog().count(frame.hwnd(), WM_SEARCHBOX_SEARCH); }
    int fadeSteps() const { return messageLog().count(box, WM_TIMER, kFadeTimer); }
    bool timerRuns() const { return KillTimer(box, kFadeTimer) != FALSE; }
    bool focusTo(HWND hwnd) {
        SetFocus(hwnd);
        return waitUntil([&] { return GetFocus() == hwnd; });
    }

    TestWindow frame{100, 100, 400, 200};
    TestWindow toolBar{10, 10, 300, 50, frame.hwnd()};
    HWND other = nullptr;
    HWND box = nullptr;
    HWND edit = nullptr;
};

// Corners and edges from their pieces of the file, the centre piece next to
// the client area, and nothing of the marker lines anywhere.
TEST_F(SearchBoxOnScreen, TheFrameIsTheNineGridAndTheGlyphSitsRightOfTheField) {
    makeBox();
    Capture window(box, true);
    ASSERT_EQ(window.width(), 170);
    EXPECT_EQ(rgb(window.at(1, 1)), rgb(kNormalCorner));
    EXPECT_EQ(rgb(window.at(168, 30)), rgb(kNormalCorner));
    EXPECT_EQ(rgb(window.at(85, 1)), rgb(kNormalEdge));
    EXPECT_EQ(rgb(window.at(1, 16)), rgb(kNormalEdge));
    EXPECT_EQ(rgb(window.at(3, 16)), rgb(kWhite));
    int stray = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 170; ++x) {
            bool client = x >= 4 && x < 166 && y >= 4 && y < 28;
            COLORREF c = window.at(x, y);
            if (!client && c != kNormalCorner && c != kNormalEdge && c != kWhite && stray++ < 5)
                ADD_FAILURE() << "frame pixel " << x << ", " << y << " is " << rgb(c);
        }
    Capture client(box);
    EXPECT_EQ(rgb(client.at(139, 2)), rgb(kWhite));
    EXPECT_EQ(rgb(client.at(140, 2)), rgb(kGlyph));
    EXPECT_EQ(rgb(client.at(155, 15)), rgb(kGlyph));
    EXPECT_EQ(rgb(client.at(156, 2)), rgb(kWhite));
    EXPECT_EQ(rgb(client.at(140, 16)), rgb(kWhite));
}

// A press on the glyph shows it pressed; it searches only when released on
// the glyph, and wherever it is released the glyph comes back up.  Only the
// top-level window hears of searches, not the box's parent.
TEST_F(SearchBoxOnScreen, TheGlyphSearchesWhenReleasedOnIt) {
    makeBox();
    messageLog().clear();
    ASSERT_TRUE(moveMouse(glyphPoint(4, 4)));
    ASSERT_TRUE(pressLeft());
    EXPECT_EQ(waitForGlyph(kWhite), rgb(kWhite));  // drawn one pixel right and down
    ASSERT_TRUE(moveMouse(screenPoint(toolBar.hwnd(), 250, 25)));
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(waitForGlyph(kGlyph), rgb(kGlyph));
    EXPECT_EQ(searches(), 0);

    ASSERT_TRUE(moveMouse(glyphPoint(12, 12)));
    ASSERT_TRUE(pressLeft());
    ASSERT_TRUE(moveMouse(glyphPoint(8, 20)));  // below the glyph, still in the box
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(waitForGlyph(kGlyph), rgb(kGlyph));
    EXPECT_EQ(searches(), 0);

    ASSERT_TRUE(moveMouse(glyphPoint(4, 8)));
    ASSERT_TRUE(pressLeft());
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(searches(), 1);
    std::vector<Message> search = messageLog().of(frame.hwnd(), WM_SEARCHBOX_SEARCH);
    ASSERT_EQ(search.size(), 1u);
    EXPECT_EQ(search[0].wParam, 0u);
    EXPECT_EQ(search[0].lParam, 0);
    EXPECT_EQ(messageLog().count(toolBar.hwnd(), WM_SEARCHBOX_SEARCH), 0);
}

TEST_F(SearchBoxOnScreen, EnterSearchesWhateverTheMouseDoes) {
    makeBox();
    ASSERT_TRUE(focusTo(edit));
    ASSERT_TRUE(pressKey('A'));
    ASSERT_TRUE(pressKey('B'));
    messageLog().clear();
    ASSERT_TRUE(pressKey(VK_RETURN));
    EXPECT_EQ(searches(), 1);
    char text[80];
    jexsoft_GetSearchText(box, text, sizeof text);
    EXPECT_STREQ(text, "ab");  // Enter typed nothing

    // With the button held on the glyph, then released away from it.
    ASSERT_TRUE(moveMouse(glyphPoint(4, 4)));
    ASSERT_TRUE(pressLeft());
    ASSERT_TRUE(pressKey(VK_RETURN));
    EXPECT_EQ(searches(), 2);
    ASSERT_TRUE(moveMouse(screenPoint(toolBar.hwnd(), 250, 25)));
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(searches(), 2);
}

// HoverTime 100: the frame takes four steps of timer 1 to the other look.
TEST_F(SearchBoxOnScreen, TheFrameFadesWithTheFocusInFourSteps) {
    makeBox();
    messageLog().clear();
    ASSERT_TRUE(focusTo(edit));
    EXPECT_EQ(waitForFrame(kFocusCorner), rgb(kFocusCorner));
    EXPECT_EQ(fadeSteps(), 4);
    EXPECT_FALSE(timerRuns());

    messageLog().clear();
    ASSERT_TRUE(focusTo(other));
    EXPECT_EQ(waitForFrame(kNormalCorner), rgb(kNormalCorner));
    EXPECT_EQ(fadeSteps(), 4);
    EXPECT_FALSE(timerRuns());
}

// The focus goes away again after two of the four steps: the fade turns
// round where it is (the frame goes on towards the normal look from the
// blend it showed) and takes as many steps back.
TEST_F(SearchBoxOnScreen, AReversalMidFadeContinuesFromWhereItIs) {
    makeBox();
    messageLog().clear();
    int ticks = 0;
    bool reversed = false;
    std::vector<int> red;  // the corner's red after each step: 200 normal, 0 focus
    auto onStep = [&](const MSG& m) {
        if (m.hwnd != box || m.message != WM_TIMER || m.wParam != kFadeTimer) return;
        red.push_back(GetRValue(framePixel()));
        if (++ticks == 2 && !reversed) {
            SetFocus(other);
            reversed = true;
        }
    };
    ASSERT_TRUE(focusTo(edit));
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 10000 && (!reversed || framePixel() != kNormalCorner)) {
        pump(onStep);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    ASSERT_TRUE(reversed) << "the fade did not run";
    EXPECT_EQ(rgb(framePixel()), rgb(kNormalCorner));
    ASSERT_EQ(red.size(), 4u) << "two steps there, two back";
    EXPECT_LT(red[1], red[0]);
    EXPECT_GT(red[2], red[1]);  // on from the blend, not from the focus look
    EXPECT_LT(red[2], 200);
    EXPECT_EQ(red[3], 200);
    EXPECT_FALSE(timerRuns());
}

TEST_F(SearchBoxOnScreen, WithoutHoverTimeTheFrameChangesAtOnce) {
    useSkin("instant.ini");
    makeBox();
    SetFocus(edit);
    EXPECT_EQ(rgb(framePixel()), rgb(kFocusCorner));
    EXPECT_FALSE(timerRuns());
    SetFocus(other);
    EXPECT_EQ(rgb(framePixel()), rgb(kNormalCorner));
    EXPECT_FALSE(timerRuns());
}

}  // namespace
