#include "fw/tab_view.h"

#include <commctrl.h>

bool CTabView::createTabs(int id, DWORD extraStyle, std::initializer_list<const char*> labels) {
    tabs_ = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | extraStyle,
                            0, 0, width_, height_, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleA(nullptr), nullptr);
    if (!tabs_) return false;
    SendMessageA(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    int index = 0;
    for (const char* label : labels) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(label);
        SendMessageA(tabs_, TCM_INSERTITEMA, WPARAM(index++), reinterpret_cast<LPARAM>(&item));
    }
    return true;
}

int CTabView::headerHeight() const {
    RECT r = {};
    if (tabs_) SendMessageA(tabs_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r.bottom - r.top;
}

LRESULT CTabView::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        // The view has no sunken border of its own.
        SetWindowLongPtrA(hwnd(), GWL_EXSTYLE, GetWindowLongPtrA(hwnd(), GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
        return onCreate() ? 0 : -1;
    case WM_SIZE:
        width_ = LOWORD(lParam);
        height_ = HIWORD(lParam);
        if (tabs_) {
            MoveWindow(tabs_, 0, 0, width_, height_, TRUE);
            onResize();
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the tab control covers the view
    case WM_PAINT:
        ValidateRect(hwnd(), nullptr);
        return 0;
    default:
        return fw::View::windowProc(msg, wParam, lParam);
    }
}
