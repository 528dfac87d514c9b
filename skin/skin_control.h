// The base of the library's own controls (navigation control, search box):
// a window object that lives as long as its window.  The object is handed
// to the window in the creation parameters and kept in the window's extra
// bytes, so nothing is shared with other modules' window objects.
#pragma once

#include <windows.h>

namespace skin {

class SkinControl {
public:
    virtual ~SkinControl() = default;
    SkinControl(const SkinControl&) = delete;
    SkinControl& operator=(const SkinControl&) = delete;

    HWND hwnd() const { return hwnd_; }

protected:
    SkinControl() = default;

    // Registers `className` once, as both controls' classes are: the
    // class styles CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_NOCLOSE, no
    // icon, no cursor, the window colour as background.
    static void registerClass(const char* className);
    // Creates the window; the object deletes itself when the window is gone
    // (and at once when creation fails).  Returns the window or null.
    static HWND createWindow(SkinControl* self, const char* className, DWORD style, const RECT& rect, HWND parent,
                             UINT id);
    // The object of a window of `className`, or null.
    static SkinControl* objectOf(HWND hwnd, const char* className);

    virtual LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT defaultProc(UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProcA(hwnd_, msg, wParam, lParam); }

private:
    static LRESULT CALLBACK classProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// The window that gets a control's reports: the nearest ancestor that is not
// a child window (a dialog, the main frame).
HWND parentOwner(HWND hwnd);

}  // namespace skin
