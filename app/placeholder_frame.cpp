#include "app/placeholder_frame.h"

#include "res/resource.h"

bool CPlaceholderFrame::createFrame() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    registerClass("Afx:jexmarlo:placeholder", CS_HREDRAW | CS_VREDRAW, icon, nullptr,
                  reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return create(0, "Afx:jexmarlo:placeholder", "墨舟", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 700, 550,
                  nullptr, nullptr);
}

LRESULT CPlaceholderFrame::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCDESTROY) PostQuitMessage(0);
    return defaultProc(msg, wParam, lParam);
}
