// What the painters share on top of the images: fonts and texts, gradient
// fills in the two-pixel bands, one-pixel rounded outlines, and a device
// context whose state comes back when the block ends.
#pragma once

#include <windows.h>

#include <string>

namespace skin {

// The stock default GUI font; a window's own font (WM_GETFONT), or that.
HFONT guiFont();
HFONT fontOf(HWND hwnd);

std::string textOf(HWND hwnd);
// Text in `r` with DrawText's format, transparent, in `colour`.
void drawText(HDC dc, const std::string& text, RECT r, UINT format, COLORREF colour, HFONT font);
SIZE textExtent(HDC dc, HFONT font, const std::string& text);

// `r` filled from `start` to `end`, top to bottom (or left to right).
void fillGradient(HDC dc, const RECT& r, COLORREF start, COLORREF end, bool vertical = true);
void fillSolid(HDC dc, const RECT& r, COLORREF colour);
// A one-pixel rounded rectangle (RoundRect's corner size) without fill.
void roundOutline(HDC dc, const RECT& r, int corner, COLORREF colour);
// The same, filled with `fill`.
void roundRect(HDC dc, const RECT& r, int corner, COLORREF outline, COLORREF fill);
// Limits drawing to a rounded rectangle until `restore` is called.
void clipToRounded(HDC dc, const RECT& r, int corner);

// Saves a device context's state (clip, objects, colours) and gives it
// back at the end of the block.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
    ~SavedDC() {
        if (id_) RestoreDC(dc_, id_);
    }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int id_;
};

// A window or client device context of a window, released at the end.
class WindowDC {
public:
    WindowDC(HWND hwnd, bool wholeWindow) : hwnd_(hwnd), dc_(wholeWindow ? GetWindowDC(hwnd) : GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC dc() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

}  // namespace skin
