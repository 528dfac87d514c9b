#include <gtest/gtest.h>

#include <vector>

#include "skin/paint_rules.h"

namespace {

using skin::Band;
using skin::CheckStyle;
using skin::Rect;
using skin::Rgb;

}  // namespace

namespace skin {
void PrintTo(const Rect& r, std::ostream* out) {
    *out << "{" << r.x << ", " << r.y << ", " << r.width << " x " << r.height << "}";
}
void PrintTo(const Band& b, std::ostream* out) {
    *out << "{" << b.offset << "+" << b.thickness << " (" << b.colour.r << ", " << b.colour.g << ", " << b.colour.b
         << ")}";
}
}  // namespace skin

namespace {

// The bands worked out by hand from the rule: with n still to fill, each
// channel moves by 2 * ((n / 2 - c + e) / n), integer division truncating.
//   n = 6: red (3 - 255) / 6 = -42 -> 171; green (3 + 255) / 6 = 43 -> 86; blue 3 / 6 = 0
//   n = 4: red (2 - 171) / 4 = -42 -> 87;  green (2 - 86 + 255) / 4 = 42 -> 170
TEST(Gradient, BandsOfTwoPixelsFollowTheIntegerRule) {
    const std::vector<Band> expected = {
        {0, 2, {255, 0, 100}},
        {2, 2, {171, 86, 100}},
        {4, 2, {87, 170, 100}},
    };
    EXPECT_EQ(skin::gradientBands(6, {255, 0, 100}, {0, 255, 100}), expected);
}

// An odd length ends with a one-pixel band.
//   n = 5: red (2 - 255) / 5 = -50 -> 155; green 257 / 5 = 51 -> 102
//   n = 3: red (1 - 155) / 3 = -51 -> 53;  green (1 - 102 + 255) / 3 = 51 -> 204
TEST(Gradient, AnOddLengthEndsWithAOnePixelBand) {
    const std::vector<Band> expected = {
        {0, 2, {255, 0, 100}},
        {2, 2, {155, 102, 100}},
        {4, 1, {53, 204, 100}},
    };
    EXPECT_EQ(skin::gradientBands(5, {255, 0, 100}, {0, 255, 100}), expected);
}

// The short last steps overshoot (n = 2: 2 * ((1 - 87 + 0) / 2) = -86 from
// 87 is 1, and green would pass 255); colours stay colours.
TEST(Gradient, ColoursStayInRangeAndEqualEndsGiveOneColour) {
    for (const Band& b : skin::gradientBands(23, {250, 5, 128}, {3, 252, 127})) {
        EXPECT_GE(b.colour.r, 0);
        EXPECT_LE(b.colour.g, 255);
    }
    for (const Band& b : skin::gradientBands(9, {240, 240, 240}, {240, 240, 240}))
        EXPECT_EQ(b.colour, (Rgb{240, 240, 240}));
    EXPECT_TRUE(skin::gradientBands(0, {0, 0, 0}, {255, 255, 255}).empty());
    EXPECT_EQ(skin::gradientBands(1, {1, 2, 3}, {9, 9, 9}), (std::vector<Band>{{0, 1, {1, 2, 3}}}));
}

TEST(Gradient, ColourValuesKeepRedInTheLowByte) {
    EXPECT_EQ(skin::rgbOf(0x00FF8040), (Rgb{0x40, 0x80, 0xFF}));
    EXPECT_EQ(skin::colorrefOf({0x40, 0x80, 0xFF}), 0x00FF8040u);
}

// --- the check mark ---------------------------------------------------------------------------

TEST(CheckMark, StylesAndWhereTheirProgressStarts) {
    EXPECT_EQ(skin::checkStyleOf(0), CheckStyle::Zoom);
    EXPECT_EQ(skin::checkStyleOf(1), CheckStyle::Wipe);
    EXPECT_EQ(skin::checkStyleOf(2), CheckStyle::Fade);
    EXPECT_EQ(skin::checkStyleOf(-1), CheckStyle::Fade);
    // Clearing a zoomed mark shrinks it from full size; everything else
    // starts at 0.
    EXPECT_EQ(skin::checkStartProgress(CheckStyle::Zoom, false), 1.0);
    EXPECT_EQ(skin::checkStartProgress(CheckStyle::Zoom, true), 0.0);
    EXPECT_EQ(skin::checkStartProgress(CheckStyle::Wipe, false), 0.0);
    EXPECT_EQ(skin::checkStartProgress(CheckStyle::Fade, false), 0.0);
}

// Steps of 1/4: a zoom grows past 100 % and stops once beyond 130 %; a
// shrink stops below 0; a wipe stops beyond 1.
TEST(CheckMark, TheAnimationRunsUntilItsEnd) {
    auto ticks = [](CheckStyle style, bool checked) {
        double p = skin::checkStartProgress(style, checked);
        int n = 0;
        for (skin::CheckStep s{p, true}; s.running && n < 100; ++n) s = skin::checkAnimationStep(style, checked, s.progress, 0.25);
        return n;
    };
    EXPECT_EQ(ticks(CheckStyle::Zoom, true), 6);   // 0.25 ... 1.25 drawn, 1.5 ends
    EXPECT_EQ(ticks(CheckStyle::Zoom, false), 5);  // 0.75 ... 0 drawn, -0.25 ends
    EXPECT_EQ(ticks(CheckStyle::Wipe, true), 5);   // 0.25 ... 1 drawn, 1.25 ends
    EXPECT_EQ(ticks(CheckStyle::Wipe, false), 5);
    EXPECT_EQ(ticks(CheckStyle::Fade, true), 5);
}

TEST(CheckMark, ZoomDrawsTheWholeMarkSmallThenItsCentreLarge) {
    skin::MarkPart half = skin::checkMarkPart(CheckStyle::Zoom, true, 0.5, 16, 12);
    EXPECT_EQ(half.source, (Rect{0, 0, 16, 12}));
    EXPECT_EQ(half.dest, (Rect{4, 3, 8, 6}));
    skin::MarkPart big = skin::checkMarkPart(CheckStyle::Zoom, true, 1.25, 15, 15);
    EXPECT_EQ(big.source, (Rect{1, 1, 12, 12}));  // the centre 1 / 1.25 of the mark
    EXPECT_EQ(big.dest, (Rect{0, 0, 15, 15}));
    EXPECT_TRUE(skin::checkMarkPart(CheckStyle::Zoom, false, 0.0, 15, 15).empty());
}

TEST(CheckMark, WipeRevealsFromTheLeftAndWipesAwayFromTheLeft) {
    skin::MarkPart in = skin::checkMarkPart(CheckStyle::Wipe, true, 0.25, 16, 10);
    EXPECT_EQ(in.source, (Rect{0, 0, 4, 10}));
    EXPECT_EQ(in.dest, in.source);
    skin::MarkPart out = skin::checkMarkPart(CheckStyle::Wipe, false, 0.25, 16, 10);
    EXPECT_EQ(out.source, (Rect{4, 0, 12, 10}));
    EXPECT_TRUE(skin::checkMarkPart(CheckStyle::Wipe, false, 1.0, 16, 10).empty());
}

TEST(CheckMark, OtherStylesFadeTheWholeMark) {
    EXPECT_EQ(skin::checkMarkPart(CheckStyle::Fade, true, 0.5, 15, 15).opacity, 128);
    EXPECT_EQ(skin::checkMarkPart(CheckStyle::Fade, false, 0.25, 15, 15).opacity, 191);
    EXPECT_EQ(skin::checkMarkPart(CheckStyle::Fade, true, 1.0, 15, 15).source, (Rect{0, 0, 15, 15}));
}

// --- frames ------------------------------------------------------------------------------------

TEST(WindowFrame, ClientAreasOfCaptionedDialogsAndFrameWindows) {
    EXPECT_EQ(skin::captionedClient(skin::FrameKind::Dialog, {100, 50, 300, 200}), (Rect{102, 77, 296, 171}));
    EXPECT_EQ(skin::captionedClient(skin::FrameKind::FrameWnd, {0, 0, 700, 550}), (Rect{8, 25, 684, 517}));
    EXPECT_EQ(skin::captionedClient(skin::FrameKind::FrameWnd, {0, 0, 10, 20}), (Rect{8, 25, 0, 0}));
}

TEST(WindowFrame, CaptionButtonsFromTheRight) {
    skin::CaptionLayout all = skin::captionLayout(700, 27, 27, 27, 18, true, true);
    EXPECT_EQ(all.buttons[skin::kClose], (Rect{670, 2, 27, 18}));
    EXPECT_EQ(all.buttons[skin::kMaximise], (Rect{643, 2, 27, 18}));
    EXPECT_EQ(all.buttons[skin::kMinimise], (Rect{616, 2, 27, 18}));
    // A minimise box alone still lays out both (the missing one greyed).
    skin::CaptionLayout minOnly = skin::captionLayout(300, 20, 24, 30, 18, true, false);
    EXPECT_TRUE(minOnly.laidOut[skin::kMaximise]);
    EXPECT_EQ(minOnly.buttons[skin::kMaximise], (Rect{243, 2, 24, 18}));
    EXPECT_EQ(minOnly.buttons[skin::kMinimise], (Rect{223, 2, 20, 18}));
    skin::CaptionLayout closeOnly = skin::captionLayout(300, 27, 27, 27, 18, false, false);
    EXPECT_FALSE(closeOnly.laidOut[skin::kMinimise]);
    EXPECT_FALSE(closeOnly.laidOut[skin::kMaximise]);
    EXPECT_TRUE(closeOnly.laidOut[skin::kClose]);
}

TEST(TabsAndToolbars, CloseButtonsAndSeparatorLines) {
    EXPECT_EQ(skin::tabCloseButton({10, 2, 80, 21}, 14, 14), (Rect{73, 5, 14, 14}));
    EXPECT_EQ(skin::toolBarSeparatorLine({110, 0, 8, 54}, false), (Rect{114, 2, 1, 50}));
    EXPECT_EQ(skin::toolBarSeparatorLine({0, 110, 54, 8}, true), (Rect{2, 114, 50, 1}));
}

}  // namespace
