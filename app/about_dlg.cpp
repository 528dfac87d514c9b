#include "app/about_dlg.h"

#include <shellapi.h>

#include "res/resource.h"

namespace {
const char kMail[] = "support@jexsoft.cn";
}

CAboutDlg::CAboutDlg() : fw::Dialog(IDD_ABOUTBOX) {}

bool CAboutDlg::isLink(int id) { return id >= IDC_ABOUT_SITE && id <= IDC_ABOUT_MAIL; }

std::string CAboutDlg::target(int id) const {
    const std::string site = JEX_SITE_URL;
    switch (id) {
    case IDC_ABOUT_SITE: return site;
    case IDC_ABOUT_FORUM: return site + "/bbs/";
    default: return std::string("mailto:") + kMail;
    }
}

bool CAboutDlg::onInitDialog() {
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0)), sizeof font, &font);
    LOGFONTA heading = font;
    heading.lfHeight = -20;
    heading.lfWeight = FW_BOLD;
    headingFont_ = CreateFontIndirectA(&heading);
    font.lfUnderline = TRUE;
    linkFont_ = CreateFontIndirectA(&font);

    SendMessageA(item(IDC_ABOUT_HEADING), WM_SETFONT, reinterpret_cast<WPARAM>(headingFont_), FALSE);
    for (int id = IDC_ABOUT_SITE; id <= IDC_ABOUT_MAIL; ++id) {
        std::string text = id == IDC_ABOUT_MAIL ? kMail : target(id);
        SetDlgItemTextA(hwnd(), id, text.c_str());
        SendMessageA(item(id), WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), FALSE);
    }
    return true;
}

void CAboutDlg::onCommand(int id, int code, HWND control) {
    if (isLink(id) && code == STN_CLICKED)
        ShellExecuteA(hwnd(), "open", target(id).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    else
        fw::Dialog::onCommand(id, code, control);
}

bool CAboutDlg::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (msg) {
    case WM_CTLCOLORSTATIC:
        if (isLink(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)))) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, RGB(0, 0, 255));
            SetBkMode(dc, TRANSPARENT);
            result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
            return true;
        }
        return false;
    case WM_SETCURSOR:
        if (isLink(GetDlgCtrlID(reinterpret_cast<HWND>(wParam)))) {
            SetCursor(LoadCursor(nullptr, IDC_HAND));
            SetWindowLongPtrA(hwnd(), DWLP_MSGRESULT, TRUE);
            result = TRUE;
            return true;
        }
        return false;
    case WM_DESTROY:
        DeleteObject(headingFont_);
        DeleteObject(linkFont_);
        headingFont_ = linkFont_ = nullptr;
        return false;
    default:
        return false;
    }
}
