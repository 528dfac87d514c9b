#include "app/welcome_page.h"

#include "app/snippet_app.h"
#include "res/resource.h"

CWelcomePage::CWelcomePage() : fw::Dialog(IDD_WELCOME) {}

bool CWelcomePage::createPage(HWND parent) { return createModelessDialog(parent); }

bool CWelcomePage::onInitDialog() {
    RECT client;
    GetClientRect(hwnd(), &client);
    page_.create(hwnd(), IDC_WELCOME_BROWSER, client, "HTML_WELCOME", &theApp().external());
    return false;  // the focus stays where it is
}

bool CWelcomePage::onMessage(UINT msg, WPARAM, LPARAM lParam, INT_PTR&) {
    if (msg == WM_SIZE && page_.hwnd())
        MoveWindow(page_.hwnd(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return false;
}
