#include "fw/dialog.h"

#include "fw/app.h"

namespace fw {

INT_PTR Dialog::doModal(HWND parent) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, dialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool Dialog::createModelessDialog(HWND owner) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, dialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::onCommand(int id, int, HWND) {
    if (id == IDOK || id == IDCANCEL) endDialog(id);
}

bool Dialog::onMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

void Dialog::endDialog(INT_PTR result) { EndDialog(hwnd(), result); }

INT_PTR CALLBACK Dialog::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Dialog* self = static_cast<Dialog*>(Wnd::fromHandle(hwnd));
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->attach(hwnd);
        return self->onInitDialog() ? TRUE : FALSE;
    }
    if (!self) return FALSE;

    INT_PTR result = FALSE;
    switch (msg) {
    case WM_COMMAND:
        self->onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_NCDESTROY:
        self->detach();
        return FALSE;
    default:
        return self->onMessage(msg, wParam, lParam, result) ? result : FALSE;
    }
}

int messageBox(const char* text, UINT type, const char* caption) {
    App* app = App::current();
    HWND owner = GetActiveWindow();
    if (!owner && app) owner = app->mainWindow();
    // The keyboard goes back where it was (the owner, reactivated, would
    // otherwise keep it itself).
    HWND focus = GetFocus();
    int answer = MessageBoxA(owner, text, caption ? caption : app ? app->title() : "", type);
    if (focus && IsWindow(focus) && IsWindowVisible(focus) && IsWindowEnabled(focus)) SetFocus(focus);
    return answer;
}

}  // namespace fw
