#include "app/about_dlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "res/resource.h"

CAboutDlg::CAboutDlg() : fw::Dialog(IDD_ABOUTBOX) {}

bool CAboutDlg::onInitDialog() {
    LOGFONTA font = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = -20;
    font.lfWeight = FW_BOLD;
    headingFont_ = CreateFontIndirectA(&font);
    SendMessageA(item(IDC_ABOUT_HEADING), WM_SETFONT, reinterpret_cast<WPARAM>(headingFont_), FALSE);

    const std::string site = JEX_SITE_URL;
    auto link = [](const std::string& target, const std::string& text) {
        return "<a href=\"" + target + "\">" + text + "</a>";
    };
    SetDlgItemTextA(hwnd(), IDC_ABOUT_SITE, link(site, site).c_str());
    SetDlgItemTextA(hwnd(), IDC_ABOUT_FORUM, link(site + "/bbs/", site + "/bbs/").c_str());
    SetDlgItemTextA(hwnd(), IDC_ABOUT_MAIL, link("mailto:support@jexsoft.cn", "support@jexsoft.cn").c_str());
    return true;
}

bool CAboutDlg::onMessage(UINT msg, WPARAM, LPARAM lParam, INT_PTR& result) {
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if ((header->code == NM_CLICK || header->code == NM_RETURN) && header->idFrom >= IDC_ABOUT_SITE &&
            header->idFrom <= IDC_ABOUT_MAIL) {
            auto* link = reinterpret_cast<NMLINK*>(lParam);
            ShellExecuteW(hwnd(), L"open", link->item.szUrl, nullptr, nullptr, SW_SHOWNORMAL);
            result = TRUE;
            return true;
        }
    }
    if (msg == WM_DESTROY && headingFont_) {
        DeleteObject(headingFont_);
        headingFont_ = nullptr;
    }
    return false;
}
