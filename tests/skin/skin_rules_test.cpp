#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <string>

#include "skin/skin_rules.h"

namespace {

using skin::SkinKind;

TEST(Fade, HoverTimeBecomesStepsOfTwentyFiveMilliseconds) {
    EXPECT_FALSE(skin::fadeFromHoverTime(0).fades());
    EXPECT_FALSE(skin::fadeFromHoverTime(24).fades());
    EXPECT_EQ(skin::fadeFromHoverTime(24).opacityStep, 0);
    EXPECT_EQ(skin::fadeFromHoverTime(25).steps, 1);
    EXPECT_EQ(skin::fadeFromHoverTime(25).opacityStep, 255);
    EXPECT_EQ(skin::fadeFromHoverTime(100).steps, 4);
    EXPECT_EQ(skin::fadeFromHoverTime(100).opacityStep, 63);
    EXPECT_FALSE(skin::fadeFromHoverTime(-100).fades());
}

// A fade from the old look ends exactly on the new one after its steps:
// stepping on by the rounded step alone would stop short (255 / 4 * 4 = 252)
// and leave a trace of the old look.
TEST(Fade, AFadeEndsOnTheNewLookAfterItsSteps) {
    for (int hoverTime : {25, 100, 200, 250, 375}) {
        skin::Fade fade = skin::fadeFromHoverTime(hoverTime);
        int opacity = 0, ticks = 0;
        while (opacity < 255 && ticks < 100) {
            opacity = skin::nextFadeOpacity(fade, opacity);
            ++ticks;
        }
        EXPECT_EQ(opacity, 255) << hoverTime;
        EXPECT_EQ(ticks, fade.steps) << hoverTime;
    }
    EXPECT_EQ(skin::nextFadeOpacity(skin::fadeFromHoverTime(10), 0), 255);  // no fade: at once
}

// Beyond 255 steps the rounded step would be 0 and the fade would never
// move (a HoverTime of 10 s or a mistyped one): it still ends, one step of
// opacity per tick.
TEST(Fade, AVeryLongHoverTimeStillEnds) {
    for (int hoverTime : {6400, 10000, 1 << 30}) {
        skin::Fade fade = skin::fadeFromHoverTime(hoverTime);
        int opacity = 0, ticks = 0;
        while (opacity < 255 && ticks < 1000) {
            opacity = skin::nextFadeOpacity(fade, opacity);
            ++ticks;
        }
        EXPECT_EQ(opacity, 255) << hoverTime;
        EXPECT_EQ(ticks, 255) << hoverTime;
    }
}

// A skin file in memory: keys compare without regard to case, as the
// profile functions do.
class FakeSkinFile : public skin::SkinFile {
public:
    void set(const std::string& section, const std::string& key, const std::string& value) {
        values_[lower(section) + "/" + lower(key)] = value;
    }
    std::string getString(const std::string& section, const char* key) const override {
        auto it = values_.find(lower(section) + "/" + lower(key));
        return it == values_.end() ? std::string() : it->second;
    }
    int getInt(const std::string& section, const char* key) const override {
        return std::atoi(getString(section, key).c_str());
    }

private:
    static std::string lower(std::string s) {
        for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }
    std::map<std::string, std::string> values_;
};

TEST(SkinFileSections, AButtonSectionCountsOnlyWithItsOwnNormalImage) {
    FakeSkinFile file;
    file.set("Button", "NormalImg", "button.png");
    file.set("Button.1001", "HoverImg", "special-hover.png");  // no NormalImg of its own
    file.set("Button.1002", "NormalImg", "special.png");
    EXPECT_EQ(skin::buttonSection(file, 1001), "Button");
    EXPECT_EQ(skin::buttonSection(file, 1002), "Button.1002");
    EXPECT_EQ(skin::buttonSection(file, 7), "Button");
}

TEST(SkinFileSections, TabAndToolbarValuesFallBackKeyByKey) {
    FakeSkinFile file;
    file.set("TabCtrl", "Radius", "4");
    file.set("TabCtrl", "BkColor", "100");
    file.set("TabCtrl.1001", "Radius", "0");
    file.set("TabCtrl.1001", "BkColor", "200");
    EXPECT_EQ(skin::tabCtrlInt(file, 1001, "Radius"), 4);
    EXPECT_EQ(skin::tabCtrlInt(file, 1001, "BkColor"), 200);

    file.set("ToolBar", "HoverImg", "hover.png");
    file.set("ToolBar", "SepImg", "sep.png");
    file.set("ToolBar", "HoverTime", "200");
    file.set("ToolBar.59392", "SepImg", "own-sep.png");
    file.set("ToolBar.59392", "HoverTime", "20");  // no steps: the general value counts
    EXPECT_EQ(skin::toolBarString(file, 59392, "HoverImg"), "hover.png");
    EXPECT_EQ(skin::toolBarString(file, 59392, "SepImg"), "own-sep.png");
    EXPECT_EQ(skin::toolBarHoverTime(file, 59392), 200);
    EXPECT_EQ(skin::idSection("ToolBar", 59392), "ToolBar.59392");
}

TEST(Strip, FramesAreSeparatedByOnePixelGaps) {
    skin::Strip strip = skin::stripLayout(103, 20, 4);
    EXPECT_EQ(strip.frameWidth, 25);
    EXPECT_EQ(strip.frameHeight, 20);
    EXPECT_EQ(strip.frameX(0), 0);
    EXPECT_EQ(strip.frameX(1), 26);
    EXPECT_EQ(strip.frameX(2), 52);
    EXPECT_EQ(strip.frameX(3), 78);
    EXPECT_EQ(skin::stripLayout(0, 20, 4).frameWidth, 0);
    EXPECT_EQ(skin::stripLayout(2, 20, 4).frameWidth, 0);  // narrower than its gaps
}

TEST(NineGrid, MarkersAreTheFirstTwoMatches) {
    std::string row = "..M....M..M";
    skin::Markers m = skin::findMarkers(int(row.size()), [&](int i) { return row[std::size_t(i)] == 'M'; });
    EXPECT_EQ(m.first, 2);
    EXPECT_EQ(m.second, 7);
    skin::Markers none = skin::findMarkers(5, [](int) { return false; });
    EXPECT_EQ(none.first, 0);
    EXPECT_EQ(none.second, 0);
}

TEST(NineGrid, MarginsAndRequestedSizes) {
    skin::Markers xs{10, 20}, ys{4, 26};  // a 30 x 30 file
    skin::NineGrid small = skin::nineGridLayout(30, 30, xs, ys, 15, 15, false);
    EXPECT_EQ(small.marginX, 10);
    EXPECT_EQ(small.marginY, 4);
    EXPECT_EQ(small.width, 21);   // below twice the margin: twice the margin + 1
    EXPECT_EQ(small.height, 15);  // 15 >= 8 stays
    skin::NineGrid bordered = skin::nineGridLayout(30, 30, xs, ys, 100, 10, true);
    EXPECT_EQ(bordered.width, 120);
    EXPECT_EQ(bordered.height, 18);
}

// The pieces skip the marker pixels and the pixel before each marker, and
// the corners keep their size while the middle stretches.
TEST(NineGrid, PiecesLeaveOutMarkersAndStretchOnlyTheMiddle) {
    skin::NineGrid g = skin::nineGridLayout(30, 30, {10, 20}, {10, 20}, 100, 50, false);
    using R = skin::Rect;
    EXPECT_EQ(g.source[0], (R{0, 0, 9, 9}));
    EXPECT_EQ(g.source[1], (R{11, 0, 8, 9}));
    EXPECT_EQ(g.source[2], (R{21, 0, 9, 9}));
    EXPECT_EQ(g.source[4], (R{11, 11, 8, 8}));
    EXPECT_EQ(g.source[8], (R{21, 21, 9, 9}));
    EXPECT_EQ(g.dest[0], (R{0, 0, 9, 9}));
    EXPECT_EQ(g.dest[1], (R{9, 0, 82, 9}));
    EXPECT_EQ(g.dest[2], (R{91, 0, 9, 9}));
    EXPECT_EQ(g.dest[4], (R{9, 9, 82, 32}));
    EXPECT_EQ(g.dest[8], (R{91, 41, 9, 9}));
}

// Files without markers are not supported, but must not make pieces that
// reach outside the file or the image.
TEST(NineGrid, FilesWithoutMarkersStayInsideTheirBounds) {
    for (skin::Markers xs : {skin::Markers{0, 0}, skin::Markers{5, 0}, skin::Markers{25, 3}}) {
        skin::NineGrid g = skin::nineGridLayout(30, 30, xs, xs, 40, 40, false);
        for (std::size_t i = 0; i < 9; ++i) {
            const skin::Rect& s = g.source[i];
            const skin::Rect& d = g.dest[i];
            EXPECT_GE(s.width, 0);
            EXPECT_GE(s.x, 0);
            EXPECT_LE(s.x + s.width, 30);
            EXPECT_GE(d.width, 0);
            EXPECT_GE(d.x, 0);
            EXPECT_LE(d.x + d.width, g.width);
        }
    }
}

TEST(Chooser, ClassesGetTheirSkinsAndChildrenOfComboAndSearchBoxesNone) {
    EXPECT_EQ(skin::chooseSkin("Button", "#32770"), SkinKind::Button);
    EXPECT_EQ(skin::chooseSkin("Button", "ComboBox"), SkinKind::None);
    EXPECT_EQ(skin::chooseSkin("Edit", "jexSearchBox"), SkinKind::None);
    EXPECT_EQ(skin::chooseSkin("Edit", ""), SkinKind::Edit);
    EXPECT_EQ(skin::chooseSkin("SysListView32", ""), SkinKind::None);
    EXPECT_EQ(skin::chooseSkin("SysHeader32", "SysListView32"), SkinKind::HeaderCtrl);
    EXPECT_EQ(skin::chooseSkin("#32768", ""), SkinKind::None);
    EXPECT_EQ(skin::chooseSkin("SysTreeView32", "Afx:jexmarlo:ItemView"), SkinKind::TreeView);
    EXPECT_EQ(skin::chooseSkin("Afx:jexmarlo:CodeView", "Afx:jexmarlo:MainFrame"), SkinKind::FrameWnd);
    EXPECT_EQ(skin::chooseSkin("AfxMDIFrame42", ""), SkinKind::FrameWnd);
    EXPECT_EQ(skin::chooseSkin("Afx", ""), SkinKind::None);
    EXPECT_EQ(skin::chooseSkin("button", ""), SkinKind::None);  // exact, with case
    EXPECT_EQ(skin::chooseSkin("jexNavCtrl", "#32770"), SkinKind::NavCtrl);
}

}  // namespace
