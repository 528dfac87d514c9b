#include "app/welcome_page.h"

#include <shellapi.h>

#include "res/resource.h"

namespace {

const char kClassName[] = "Afx:jexmarlo:Welcome";

const char* const kFeatures[] = {
    "软件小巧，启动迅速，可运行于多个版本的 Windows。",
    "目录层次不限，分级加载，打开迅速。",
    "支持拖放：移动节点，添加或提取附件。",
    "语法高亮方案以 XML 文件配置，易于扩展。",
    "附件可存入数据库，也可只保存其路径以节省空间。",
    "注重易用：自动保存、就地编辑标签、默认节点名称和默认语法方案。",
};

HFONT makeFont(int height, int weight) {
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Shell Dlg");
}

}  // namespace

bool CWelcomePage::createPage(HWND parent) {
    registerClass(kClassName, 0, nullptr, nullptr, nullptr);
    return create(0, kClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr);
}

void CWelcomePage::paint(HDC dc) {
    RECT client;
    GetClientRect(hwnd(), &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    links_.clear();

    HFONT title = makeFont(-26, FW_BOLD);
    HFONT text = makeFont(-13, FW_NORMAL);
    HFONT heading = makeFont(-15, FW_BOLD);
    HFONT link = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Shell Dlg");
    HGDIOBJ old = SelectObject(dc, title);
    int x = 24, y = 18;
    SetTextColor(dc, RGB(22, 48, 92));
    TextOutA(dc, x, y, "墨舟", 4);
    SIZE size;
    GetTextExtentPoint32A(dc, "墨舟", 4, &size);
    SelectObject(dc, text);
    SetTextColor(dc, RGB(110, 110, 110));
    TextOutA(dc, x + size.cx + 10, y + size.cy - 18, "v1.00", 5);
    y += size.cy + 16;

    // The contact block, the logo to its right.
    const std::string site = JEX_SITE_URL;
    const struct {
        const char* label;
        std::string text;
        std::string target;
    } contacts[] = {
        {"网站：", site, site},
        {"论坛：", site + "/bbs/", site + "/bbs/"},
        {"作者：", "jexsoft (support@jexsoft.cn)", "mailto:support@jexsoft.cn"},
    };
    int contactTop = y;
    for (const auto& c : contacts) {
        SelectObject(dc, text);
        SetTextColor(dc, RGB(0, 0, 0));
        TextOutA(dc, x, y, c.label, lstrlenA(c.label));
        SelectObject(dc, link);
        SetTextColor(dc, RGB(0, 0, 255));
        TextOutA(dc, x + 48, y, c.text.c_str(), int(c.text.size()));
        GetTextExtentPoint32A(dc, c.text.c_str(), int(c.text.size()), &size);
        links_.push_back({{x + 48, y, x + 48 + size.cx, y + size.cy}, c.target});
        y += size.cy + 6;
    }
    HICON logo = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                               48, 48, 0));
    if (logo) {
        DrawIconEx(dc, x + 330, contactTop - 4, logo, 48, 48, 0, nullptr, DI_NORMAL);
        DestroyIcon(logo);
    }
    y += 14;

    SelectObject(dc, heading);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, x, y, "特色功能", 8);
    y += 26;

    // The feature list: square bullets on a pale band in a dashed frame.
    SelectObject(dc, text);
    int lineHeight = 22;
    RECT band = {x, y, client.right - 24 > x + 200 ? client.right - 24 : x + 200,
                 y + lineHeight * int(sizeof kFeatures / sizeof kFeatures[0]) + 12};
    HBRUSH pale = CreateSolidBrush(RGB(0xD1, 0xE9, 0xE9));
    FillRect(dc, &band, pale);
    DeleteObject(pale);
    HPEN dashed = CreatePen(PS_DASH, 1, RGB(0x99, 0x99, 0x99));
    HGDIOBJ oldPen = SelectObject(dc, dashed);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, band.left, band.top, band.right, band.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(dashed);
    y += 6;
    for (const char* feature : kFeatures) {
        RECT bullet = {x + 8, y + 6, x + 13, y + 11};
        FillRect(dc, &bullet, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        TextOutA(dc, x + 17, y, feature, lstrlenA(feature));
        y += lineHeight;
    }

    SelectObject(dc, old);
    DeleteObject(title);
    DeleteObject(text);
    DeleteObject(heading);
    DeleteObject(link);
}

LRESULT CWelcomePage::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        paint(dc);
        EndPaint(hwnd(), &ps);
        return 0;
    }
    case WM_SETCURSOR: {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd(), &p);
        for (const Link& l : links_)
            if (PtInRect(&l.area, p)) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        return TRUE;
    }
    case WM_LBUTTONUP: {
        POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
        for (const Link& l : links_)
            if (PtInRect(&l.area, p)) ShellExecuteA(hwnd(), "open", l.target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return 0;
    }
    default:
        break;
    }
    return defaultProc(msg, wParam, lParam);
}
