// A window object bound to its HWND.
//
// The object is handed to the first message of its window through a
// thread-local pointer set just before CreateWindowEx; from then on a window
// property holds it and messages go to the virtual windowProc.
// The binding ends at WM_NCDESTROY (skinned windows never see WM_DESTROY).
#pragma once

#include <windows.h>

namespace fw {

class Wnd {
public:
    Wnd() = default;
    virtual ~Wnd();
    Wnd(const Wnd&) = delete;
    Wnd& operator=(const Wnd&) = delete;

    HWND hwnd() const { return hwnd_; }

    // Registers (once) a window class whose procedure dispatches to Wnd
    // objects.
    static void registerClass(const char* className, UINT style, HICON icon, HCURSOR cursor, HBRUSH background);

    // Creates the window of a class registered with registerClass.
    bool create(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                int height, HWND parent, HMENU menuOrId);

    // The object bound to `hwnd`, or null.
    static Wnd* fromHandle(HWND hwnd);

protected:
    virtual LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called after the window is gone; the object may delete itself here.
    virtual void onFinalRelease() {}

    LRESULT defaultProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    friend LRESULT CALLBACK dispatchProc(HWND, UINT, WPARAM, LPARAM);
    friend class Dialog;
    void attach(HWND hwnd);
    void detach();

    HWND hwnd_ = nullptr;
};

}  // namespace fw
