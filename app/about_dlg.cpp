#include "app/about_dlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg(CExternal& external) : fw::Dialog(IDD_ABOUTBOX), external_(external) {}

bool CAboutDlg::onInitDialog() {
    // The page takes the place the template keeps for it.
    HWND place = item(IDC_ABOUT_PAGE);
    RECT area;
    GetWindowRect(place, &area);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&area), 2);
    DestroyWindow(place);
    page_.create(hwnd(), IDC_ABOUT_PAGE, area, "HTML_ABOUT", &external_);
    return true;
}
