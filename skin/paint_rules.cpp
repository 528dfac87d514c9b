#include "skin/paint_rules.h"

#include <algorithm>
#include <cmath>

namespace skin {

Rgb rgbOf(std::uint32_t colorref) {
    return {int(colorref & 0xFF), int((colorref >> 8) & 0xFF), int((colorref >> 16) & 0xFF)};
}

std::uint32_t colorrefOf(Rgb c) {
    auto channel = [](int v) { return std::uint32_t(std::clamp(v, 0, 255)); };
    return channel(c.r) | channel(c.g) << 8 | channel(c.b) << 16;
}

std::vector<Band> gradientBands(int length, Rgb start, Rgb end) {
    std::vector<Band> bands;
    Rgb c = start;
    // The step can overshoot the end channel on the last bands; a colour
    // stays a colour.
    auto move = [](int& channel, int target, int n) { channel = std::clamp(channel + 2 * ((n / 2 - channel + target) / n), 0, 255); };
    for (int n = length, offset = 0; n >= 1; n -= 2, offset += 2) {
        bands.push_back({offset, std::min(2, length - offset), c});
        move(c.r, end.r, n);
        move(c.g, end.g, n);
        move(c.b, end.b, n);
    }
    return bands;
}

CheckStyle checkStyleOf(int value) {
    return value == 0 ? CheckStyle::Zoom : value == 1 ? CheckStyle::Wipe : CheckStyle::Fade;
}

double checkStartProgress(CheckStyle style, bool checked) {
    return !checked && style == CheckStyle::Zoom ? 1.0 : 0.0;
}

CheckStep checkAnimationStep(CheckStyle style, bool checked, double progress, double increment) {
    if (style == CheckStyle::Zoom && !checked) {
        double p = progress - increment;
        return {p, p >= 0};
    }
    double p = progress + increment;
    return {p, p <= (style == CheckStyle::Zoom ? 1.3 : 1.0)};
}

namespace {

int scaled(int size, double factor) { return int(std::lround(size * factor)); }

Rect centred(int width, int height, int w, int h) { return {(width - w) / 2, (height - h) / 2, w, h}; }

}  // namespace

MarkPart checkMarkPart(CheckStyle style, bool checked, double progress, int width, int height) {
    const Rect whole = {0, 0, width, height};
    MarkPart part{whole, whole, 255};
    double p = std::max(0.0, progress);
    switch (style) {
    case CheckStyle::Zoom:
        if (p < 1) {
            part.dest = centred(width, height, scaled(width, p), scaled(height, p));
        } else {
            part.source = centred(width, height, scaled(width, 1 / p), scaled(height, 1 / p));
        }
        break;
    case CheckStyle::Wipe: {
        int edge = std::clamp(scaled(width, p), 0, width);
        part.source = part.dest = checked ? Rect{0, 0, edge, height} : Rect{edge, 0, width - edge, height};
        break;
    }
    case CheckStyle::Fade:
        part.opacity = std::clamp(int(std::lround(255 * (checked ? p : 1 - p))), 0, 255);
        break;
    }
    return part;
}

Rect captionedClient(FrameKind kind, const Rect& window) {
    int side = kind == FrameKind::Dialog ? kDialogBorder : kFrameBorder;
    int top = kind == FrameKind::Dialog ? kCaptionHeight + kDialogBorder : kCaptionHeight;
    return {window.x + side, window.y + top, std::max(0, window.width - 2 * side),
            std::max(0, window.height - top - side)};
}

CaptionLayout captionLayout(int width, int minWidth, int maxWidth, int closeWidth, int closeHeight, bool hasMinBox,
                            bool hasMaxBox) {
    CaptionLayout layout;
    const int right = width - 3;
    layout.buttons[kClose] = {right - closeWidth, 2, closeWidth, closeHeight};
    if (hasMinBox || hasMaxBox) {
        layout.buttons[kMaximise] = {right - closeWidth - maxWidth, 2, maxWidth, closeHeight};
        layout.buttons[kMinimise] = {right - closeWidth - maxWidth - minWidth, 2, minWidth, closeHeight};
        layout.laidOut[kMaximise] = layout.laidOut[kMinimise] = true;
    }
    return layout;
}

Rect tabCloseButton(const Rect& tab, int width, int height) {
    return {tab.x + tab.width - 3 - width, tab.y + (tab.height - height) / 2, width, height};
}

Rect toolBarSeparatorLine(const Rect& separator, bool horizontalLine) {
    if (horizontalLine) return {separator.x + 2, separator.y + separator.height / 2, std::max(0, separator.width - 4), 1};
    return {separator.x + separator.width / 2, separator.y + 2, 1, std::max(0, separator.height - 4)};
}

}  // namespace skin
