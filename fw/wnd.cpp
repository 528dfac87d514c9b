#include "fw/wnd.h"

namespace fw {

namespace {
thread_local Wnd* creating = nullptr;
}

LRESULT CALLBACK dispatchProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Wnd* self = Wnd::fromHandle(hwnd);
    if (!self && creating) {
        self = creating;
        creating = nullptr;
        self->attach(hwnd);
    }
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);

    LRESULT result = self->windowProc(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        self->detach();
        self->onFinalRelease();
    }
    return result;
}

Wnd::~Wnd() {
    if (hwnd_) {
        HWND hwnd = hwnd_;
        detach();
        DestroyWindow(hwnd);
    }
}

void Wnd::registerClass(const char* className, UINT style, HICON icon, HCURSOR cursor, HBRUSH background) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoExA(instance, className, &wc)) return;
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = dispatchProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = cursor ? cursor : LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
}

bool Wnd::create(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                 int height, HWND parent, HMENU menuOrId) {
    creating = this;
    HWND hwnd = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menuOrId,
                                GetModuleHandleA(nullptr), nullptr);
    creating = nullptr;
    return hwnd != nullptr;
}

Wnd* Wnd::fromHandle(HWND hwnd) {
    return hwnd ? reinterpret_cast<Wnd*>(GetPropA(hwnd, "fw.Wnd")) : nullptr;
}

void Wnd::attach(HWND hwnd) {
    hwnd_ = hwnd;
    SetPropA(hwnd, "fw.Wnd", this);
}

void Wnd::detach() {
    if (hwnd_) RemovePropA(hwnd_, "fw.Wnd");
    hwnd_ = nullptr;
}

LRESULT Wnd::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) { return defaultProc(msg, wParam, lParam); }

LRESULT Wnd::defaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

}  // namespace fw
