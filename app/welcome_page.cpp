#include "app/welcome_page.h"

#include "res/resource.h"

CWelcomePage::CWelcomePage(CExternal& external) : fw::Dialog(IDD_WELCOME), external_(external) {}

bool CWelcomePage::createPage(HWND parent) { return createModelessDialog(parent); }

bool CWelcomePage::onInitDialog() {
    RECT client;
    GetClientRect(hwnd(), &client);
    page_.create(hwnd(), IDC_WELCOME_BROWSER, client, "HTML_WELCOME", &external_);
    return false;  // the focus stays where it is
}

bool CWelcomePage::onMessage(UINT msg, WPARAM, LPARAM lParam, INT_PTR&) {
    if (msg == WM_SIZE && page_.hwnd())
        MoveWindow(page_.hwnd(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return false;
}
