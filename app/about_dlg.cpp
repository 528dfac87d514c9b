#include "app/about_dlg.h"

#include "app/snippet_app.h"
#include "res/resource.h"

CAboutDlg::CAboutDlg() : fw::Dialog(IDD_ABOUTBOX) {}

bool CAboutDlg::onInitDialog() {
    // The page takes the place the template keeps for it.
    HWND place = item(IDC_ABOUT_PAGE);
    RECT area;
    GetWindowRect(place, &area);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&area), 2);
    DestroyWindow(place);
    page_.create(hwnd(), IDC_ABOUT_PAGE, area, "HTML_ABOUT", &theApp().external());
    return true;
}
