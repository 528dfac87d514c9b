#include "skin/skin_control.h"

#include <cstring>

namespace skin {

namespace {
// The object most recently bound to its window, so that a failed creation
// knows whether the window took (and has since deleted) its object.
thread_local SkinControl* lastBound = nullptr;
}  // namespace

void SkinControl::registerClass(const char* className) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoExA(instance, className, &wc)) return;
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_NOCLOSE;
    wc.lpfnWndProc = classProc;
    wc.cbWndExtra = sizeof(SkinControl*);
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
}

HWND SkinControl::createWindow(SkinControl* self, const char* className, DWORD style, const RECT& rect, HWND parent,
                               UINT id) {
    registerClass(className);
    lastBound = nullptr;
    HWND hwnd = CreateWindowExA(0, className, "", style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                GetModuleHandleA(nullptr), self);
    // A window that failed after WM_NCCREATE has deleted its object with
    // WM_NCDESTROY; one that never got that far has not.
    if (!hwnd && lastBound != self) delete self;
    lastBound = nullptr;
    return hwnd;
}

SkinControl* SkinControl::objectOf(HWND hwnd, const char* className) {
    char name[64] = {};
    if (!hwnd || !GetClassNameA(hwnd, name, sizeof name) || std::strcmp(name, className) != 0) return nullptr;
    return reinterpret_cast<SkinControl*>(GetWindowLongPtrA(hwnd, 0));
}

LRESULT CALLBACK SkinControl::classProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<SkinControl*>(GetWindowLongPtrA(hwnd, 0));
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<SkinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
        lastBound = self;
    }
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    LRESULT result = self->windowProc(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, 0, 0);
        delete self;
    }
    return result;
}

HWND parentOwner(HWND hwnd) {
    HWND window = hwnd;
    while (window && (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) {
        HWND up = GetParent(window);
        if (!up) break;
        window = up;
    }
    return window;
}

}  // namespace skin
