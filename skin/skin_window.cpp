#include "skin/skin_window.h"

#include <unordered_map>

#include "skin/skin_library.h"

namespace skin {

namespace {

const char kOldProc[] = "WndProcOld";

// Every skin object by window; touched only on the skinned thread.
std::unordered_map<HWND, SkinWindow*>& registry() {
    static std::unordered_map<HWND, SkinWindow*> map;
    return map;
}

WNDPROC previousOf(HWND hwnd) { return reinterpret_cast<WNDPROC>(GetPropA(hwnd, kOldProc)); }

LRESULT callProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // A previous procedure may be a handle rather than an address: always
    // go through CallWindowProc.
    return proc ? CallWindowProcA(proc, hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

SkinWindow::SkinWindow(HWND hwnd) : hwnd_(hwnd) { registry()[hwnd] = this; }

SkinWindow::~SkinWindow() {
    unsubclass();
    auto& map = registry();
    auto it = map.find(hwnd_);
    if (it != map.end() && it->second == this) map.erase(it);
    if (map.empty()) {
        std::unordered_map<HWND, SkinWindow*>().swap(map);
        // The skin manager ended while skinned windows lived: GDI+ goes with
        // the last of them.
        if (!library().managerActive) stopGdiplus();
    }
}

SkinWindow* SkinWindow::find(HWND hwnd) {
    auto& map = registry();
    auto it = map.find(hwnd);
    return it == map.end() ? nullptr : it->second;
}

std::size_t SkinWindow::count() { return registry().size(); }

bool SkinWindow::subclass() {
    LONG_PTR current = GetWindowLongPtrA(hwnd_, GWLP_WNDPROC);
    if (!SetPropA(hwnd_, kOldProc, reinterpret_cast<HANDLE>(current))) return false;
    SetLastError(0);
    if (!SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinWindow::skinProc)) &&
        GetLastError() != 0) {
        RemovePropA(hwnd_, kOldProc);
        return false;
    }
    subclassed_ = true;
    return true;
}

// The previous procedure goes back only while the skin's procedure is still
// the window's: when someone subclassed the window after the skin, putting
// it back would cut them out of the chain (and out of their clean-up).  The
// property then stays, so that the skin procedure can go on handing every
// message down the chain; it goes with WM_NCDESTROY.
void SkinWindow::unsubclass() {
    if (!subclassed_) return;
    subclassed_ = false;
    if (GetWindowLongPtrA(hwnd_, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&SkinWindow::skinProc)) return;
    if (WNDPROC previous = previousOf(hwnd_))
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(hwnd_, kOldProc);
}

LRESULT SkinWindow::callPrevious(UINT msg, WPARAM wParam, LPARAM lParam) {
    return callProc(previousOf(hwnd_), hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK SkinWindow::skinProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = previousOf(hwnd);
    SkinWindow* self = find(hwnd);
    if (!self) {
        if (msg == WM_NCDESTROY) RemovePropA(hwnd, kOldProc);
        return callProc(previous, hwnd, msg, wParam, lParam);
    }
    if (msg == WM_DESTROY) {
        // The skin goes first (putting the previous procedure back); the
        // previous procedure still sees WM_DESTROY, so that controls free
        // what they hold.
        delete self;
        return callProc(previous, hwnd, msg, wParam, lParam);
    }
    if (msg == kSkinRefresh) self->refresh_ = true;
    LRESULT result = 0;
    if (self->onMessage(msg, wParam, lParam, result)) return result;
    return callProc(previous, hwnd, msg, wParam, lParam);
}

MemoryDC SkinWindow::backgroundOf(const RECT&) { return MemoryDC(); }

MemoryDC SkinWindow::parentBackground(const RECT& clientRect) {
    HWND parent = GetParent(hwnd_);
    if (!parent || !(GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_CHILD)) return MemoryDC();
    if (GetAncestor(hwnd_, GA_ROOT) == parent) {
        if (SkinWindow* top = find(parent)) {
            RECT r = clientRect, origin;
            MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
            GetWindowRect(parent, &origin);
            OffsetRect(&r, -origin.left, -origin.top);
            if (MemoryDC own = top->backgroundOf(r)) return own;
        }
    }
    RECT inParent = clientRect;
    MapWindowPoints(hwnd_, parent, reinterpret_cast<POINT*>(&inParent), 2);
    return snapshotOfParent(hwnd_, inParent);
}

MemoryDC SkinWindow::topLevelBackground(bool clientOnly) {
    HWND top = hwnd_;
    for (int step = 0; step < 22 && (GetWindowLongPtrA(top, GWL_STYLE) & WS_CHILD); ++step) {
        HWND up = GetParent(top);
        if (!up) break;
        top = up;
    }
    SkinWindow* topSkin = find(top);
    if (!topSkin || top == hwnd_) return MemoryDC();
    RECT r;
    if (clientOnly) {
        GetClientRect(hwnd_, &r);
        MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    } else {
        GetWindowRect(hwnd_, &r);
    }
    RECT topWindow;
    GetWindowRect(top, &topWindow);
    OffsetRect(&r, -topWindow.left, -topWindow.top);
    return topSkin->backgroundOf(r);
}

}  // namespace skin
