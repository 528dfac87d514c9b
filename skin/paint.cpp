#include "skin/paint.h"

#include <vector>

#include "skin/paint_rules.h"

namespace skin {

HFONT guiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

HFONT fontOf(HWND hwnd) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    return font ? font : guiFont();
}

std::string textOf(HWND hwnd) {
    int length = GetWindowTextLengthA(hwnd);
    if (length <= 0) return std::string();
    std::vector<char> buffer(std::size_t(length) + 1);
    int got = GetWindowTextA(hwnd, buffer.data(), length + 1);
    return std::string(buffer.data(), std::size_t(got > 0 ? got : 0));
}

void drawText(HDC dc, const std::string& text, RECT r, UINT format, COLORREF colour, HFONT font) {
    if (text.empty()) return;
    SavedDC saved(dc);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextA(dc, text.c_str(), int(text.size()), &r, format);
}

SIZE textExtent(HDC dc, HFONT font, const std::string& text) {
    SavedDC saved(dc);
    SelectObject(dc, font);
    RECT r = {0, 0, 0, 0};
    if (text.empty()) {
        TEXTMETRICA tm = {};
        GetTextMetricsA(dc, &tm);
        return {0, tm.tmHeight};
    }
    DrawTextA(dc, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    return {r.right - r.left, r.bottom - r.top};
}

void fillSolid(HDC dc, const RECT& r, COLORREF colour) {
    COLORREF old = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void fillGradient(HDC dc, const RECT& r, COLORREF start, COLORREF end, bool vertical) {
    int length = vertical ? r.bottom - r.top : r.right - r.left;
    for (const Band& band : gradientBands(length, rgbOf(start), rgbOf(end))) {
        RECT piece = r;
        if (vertical) {
            piece.top = r.top + band.offset;
            piece.bottom = piece.top + band.thickness;
        } else {
            piece.left = r.left + band.offset;
            piece.right = piece.left + band.thickness;
        }
        fillSolid(dc, piece, COLORREF(colorrefOf(band.colour)));
    }
}

void roundOutline(HDC dc, const RECT& r, int corner, COLORREF colour) {
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, r.left, r.top, r.right, r.bottom, corner, corner);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void roundRect(HDC dc, const RECT& r, int corner, COLORREF outline, COLORREF fill) {
    HPEN pen = CreatePen(PS_SOLID, 1, outline);
    HBRUSH brush = CreateSolidBrush(fill);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    RoundRect(dc, r.left, r.top, r.right, r.bottom, corner, corner);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

void clipToRounded(HDC dc, const RECT& r, int corner) {
    // Regions are in device units; the painters' contexts have their origin
    // at the device origin.
    HRGN rounded = CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 1, corner, corner);
    ExtSelectClipRgn(dc, rounded, RGN_AND);
    DeleteObject(rounded);
}

}  // namespace skin
