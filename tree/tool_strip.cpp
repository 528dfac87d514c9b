#include "tree/tool_strip.h"

#include <commctrl.h>

#include <string>

#include "skin/jexui.h"
#include "editor/scheme_list.h"
#include "res/resource.h"

CToolStrip::CToolStrip() : fw::Dialog(IDD_TREE_TOOLS) {}

CToolStrip::~CToolStrip() {
    if (images_) ImageList_Destroy(images_);
}

bool CToolStrip::createStrip(HWND view) {
    view_ = view;
    return createModelessDialog(view);
}

bool CToolStrip::onInitDialog() {
    HBITMAP strip = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TREE_TOOLS),
                                                    IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    images_ = ImageList_Create(16, 16, ILC_COLOR32, 3, 0);
    ImageList_Add(images_, strip, nullptr);
    DeleteObject(strip);

    tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd(), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    const struct {
        int id;
        const char* tip;
    } buttons[] = {{IDC_TREE_NEW_TEXT, "新建文本"}, {IDC_TREE_NEW_FOLDER, "新建目录"}, {IDC_TREE_DELETE, "删除"}};
    int image = 0;
    for (const auto& b : buttons) {
        HWND button = item(b.id);
        // One image of the strip per button, drawn centred.
        HIMAGELIST one = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
        HICON icon = ImageList_GetIcon(images_, image++, ILD_NORMAL);
        ImageList_AddIcon(one, icon);
        DestroyIcon(icon);
        BUTTON_IMAGELIST list = {one, {0, 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_CENTER};
        SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));

        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = hwnd();
        info.uId = reinterpret_cast<UINT_PTR>(button);
        info.lpszText = const_cast<char*>(b.tip);
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
    return false;  // the focus stays where it was
}

int CToolStrip::height() const {
    RECT r = {};
    GetClientRect(hwnd(), &r);
    return r.bottom;
}

void CToolStrip::fillSchemes(const SchemeList& schemes, std::string& defaultName) {
    HWND box = item(IDC_TREE_SCHEME);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    for (const SchemeEntry& e : schemes.entries()) {
        LRESULT index = SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.name.c_str()));
        SendMessageA(box, CB_SETITEMDATA, WPARAM(index), LPARAM(e.id));
    }
    if (defaultName.empty() && !schemes.empty()) defaultName = schemes.entries().front().name;
    selectScheme(defaultName);
}

void CToolStrip::selectScheme(const std::string& name) {
    HWND box = item(IDC_TREE_SCHEME);
    LRESULT index = SendMessageA(box, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(box, CB_SETCURSEL, WPARAM(index == CB_ERR ? -1 : index), 0);
}

int CToolStrip::currentSchemeId() const {
    HWND box = item(IDC_TREE_SCHEME);
    char text[256] = {};
    GetWindowTextA(box, text, sizeof text);
    int count = int(SendMessageA(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char entry[256] = {};
        if (SendMessageA(box, CB_GETLBTEXTLEN, WPARAM(i), 0) >= LRESULT(sizeof entry)) continue;
        SendMessageA(box, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(entry));
        if (std::string(entry) == text) return int(SendMessageA(box, CB_GETITEMDATA, WPARAM(i), 0));
    }
    return -1;
}

void CToolStrip::onCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_TREE_NEW_TEXT:
        SendMessageA(view_, WM_TREE_NEWNODE, 1, 0);
        break;
    case IDC_TREE_NEW_FOLDER:
        SendMessageA(view_, WM_TREE_NEWNODE, 0, 0);
        break;
    case IDC_TREE_DELETE:
        SendMessageA(view_, WM_TREE_DELETENODE, 0, 0);
        break;
    default:
        break;  // Enter and Escape in a child dialog do nothing
    }
}

// A 1-pixel line 3 pixels above the bottom, 2 in from each side, shaded
// from white at both ends to grey in the middle.
void CToolStrip::paintLine(HDC dc) {
    RECT r;
    GetClientRect(hwnd(), &r);
    int left = 2, right = r.right - 2, y = r.bottom - 3;
    int middle = (left + right) / 2;
    for (int x = left; x < right; ++x) {
        int span = x < middle ? middle - left : right - middle;
        int distance = x < middle ? middle - x : x - middle;
        int level = span ? 128 + (255 - 128) * distance / span : 128;
        SetPixel(dc, x, y, RGB(level, level, level));
    }
}

bool CToolStrip::onMessage(UINT msg, WPARAM, LPARAM lParam, INT_PTR& result) {
    if (msg == WM_SIZE) {
        // The scheme list reaches to the right edge.
        HWND box = item(IDC_TREE_SCHEME);
        RECT r;
        GetWindowRect(box, &r);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
        int width = LOWORD(lParam) - r.left - 2;
        SetWindowPos(box, nullptr, 0, 0, width > 40 ? width : 40, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
        InvalidateRect(hwnd(), nullptr, TRUE);
        return false;
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        paintLine(dc);
        EndPaint(hwnd(), &ps);
        result = TRUE;
        return true;
    }
    return false;
}
