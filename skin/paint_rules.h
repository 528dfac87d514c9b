// The arithmetic of the painters and window frames, without a window: the
// two-pixel gradient bands, the check mark's zoom and wipe, the caption
// buttons' places, the non-client border of dialogs and frame windows, and
// where a tab's close button and a toolbar separator go.
#pragma once

#include <cstdint>
#include <vector>

#include "skin/skin_rules.h"

namespace skin {

// --- gradients ------------------------------------------------------------------

// A colour as three channels 0 ... 255 (a COLORREF's red, green, blue).
struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
Rgb rgbOf(std::uint32_t colorref);
std::uint32_t colorrefOf(Rgb c);

// One band of a gradient: `thickness` pixels from `offset` along the
// gradient's direction, all in one colour.
struct Band {
    int offset = 0;
    int thickness = 0;
    Rgb colour;
    bool operator==(const Band& o) const {
        return offset == o.offset && thickness == o.thickness && colour == o.colour;
    }
};
// A gradient over `length` pixels from `start` toward `end` in bands of two
// pixels: with n the length still to fill, each band takes the current
// colour, then every channel c moves by 2 * ((n / 2 - c + e) / n) toward
// the end channel e (integer division), and n falls by 2, until n < 1.
// The last band is cut to the length.
std::vector<Band> gradientBands(int length, Rgb start, Rgb end);

// --- the check mark's animation -----------------------------------------------------

// How the check mark of a check box or radio button comes and goes:
// 0 zoom (grows to 130 % and settles at 100 % when checked, shrinks to
// nothing when cleared), 1 wipe (revealed, or wiped away, from left to
// right); any other value fades the mark in and out.
enum class CheckStyle { Zoom, Wipe, Fade };
CheckStyle checkStyleOf(int value);

// Progress at the start of an animation toward `checked`.
double checkStartProgress(CheckStyle style, bool checked);

// One step of the animation: the progress after it and whether the
// animation goes on (false: the timer stops and the final look shows).
struct CheckStep {
    double progress = 0;
    bool running = false;
};
CheckStep checkAnimationStep(CheckStyle style, bool checked, double progress, double increment);

// The part of a mark of width x height to draw at `progress`: the source
// rectangle in the mark, the destination in the box's frame (same size and
// origin as the mark), and the opacity; nothing when a rectangle is empty.
struct MarkPart {
    Rect source;
    Rect dest;
    int opacity = 255;
    bool empty() const { return source.width <= 0 || source.height <= 0 || dest.width <= 0 || dest.height <= 0; }
};
MarkPart checkMarkPart(CheckStyle style, bool checked, double progress, int width, int height);

// --- dialog and frame window frames -------------------------------------------------------

constexpr int kCaptionHeight = 25;       // the caption band
constexpr int kCaptionHitHeight = 27;    // where the caption answers the mouse
constexpr int kDialogBorder = 2;
constexpr int kFrameBorder = 8;

enum class FrameKind { Dialog, FrameWnd };

// The client rectangle of a captioned window whose proposed client
// rectangle (the window rectangle) is `window`.
Rect captionedClient(FrameKind kind, const Rect& window);

// The caption buttons of a window `width` wide, from the frame sizes of
// their strips.  Close is always there; minimise and maximise are laid
// out when the window has either box.  A box the window lacks is drawn
// greyed and does nothing.
enum CaptionButton { kMinimise = 0, kMaximise = 1, kClose = 2 };
struct CaptionLayout {
    Rect buttons[3];
    bool laidOut[3] = {false, false, true};
};
CaptionLayout captionLayout(int width, int minWidth, int maxWidth, int closeWidth, int closeHeight, bool hasMinBox,
                            bool hasMaxBox);

// --- tabs and toolbars ---------------------------------------------------------------------

// A tab's close button: `width` x `height`, 3 pixels from the tab's right
// edge, centred vertically.
Rect tabCloseButton(const Rect& tab, int width, int height);

// A toolbar separator's line: one pixel wide at the horizontal middle of
// the separator from 2 below its top to 2 above its bottom, or, for a
// toolbar laid out the other way, one pixel high at its vertical middle.
Rect toolBarSeparatorLine(const Rect& separator, bool horizontalLine);

}  // namespace skin
