#include "skin/gradient_skins.h"

#include <commctrl.h>

#include <vector>

#include "skin/paint.h"
#include "skin/skin_library.h"

namespace skin {

namespace {

const COLORREF kFaceOutline = 0xAAAAAA;

RECT clientOf(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return r;
}

}  // namespace

// --- list headers ----------------------------------------------------------------------------------

void HeaderCtrlSkin::attach(HWND hwnd) { adopt(new HeaderCtrlSkin(hwnd)); }

bool HeaderCtrlSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCCREATE: {
        // The hover and down pairs are read with the rest of the section;
        // the header shows the normal pair only.
        ProfileSkinFile file;
        top_ = file.getColour("HeaderCtrl", "NormalTopColor");
        bottom_ = file.getColour("HeaderCtrl", "NormalBottomColor");
        for (const char* key : {"HoverTopColor", "HoverBottomColor", "DownTopColor", "DownBottomColor"})
            file.getColour("HeaderCtrl", key);
        return false;
    }
    case WM_PAINT:
        DefWindowProcA(hwnd(), msg, wParam, lParam);
        paint();
        result = 1;
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    default:
        return false;
    }
}

void HeaderCtrlSkin::paint() {
    RECT client = clientOf(hwnd());
    WindowDC dc(hwnd(), false);
    MemoryDC picture(dc.dc(), client.right, client.bottom);
    if (!dc || !picture) return;
    fillGradient(picture.dc(), client, top_, bottom_);
    HFONT font = fontOf(hwnd());
    int count = int(SendMessageA(hwnd(), HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT item = {};
        if (!SendMessageA(hwnd(), HDM_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&item))) continue;
        fillSolid(picture.dc(), RECT{item.right - 1, 0, item.right, client.bottom}, RGB(255, 255, 255));
        fillSolid(picture.dc(), RECT{item.right, 0, item.right + 1, client.bottom}, GetSysColor(COLOR_3DLIGHT));
        char text[100] = {};
        HDITEMA info = {};
        info.mask = HDI_TEXT;
        info.pszText = text;
        info.cchTextMax = sizeof text;
        SendMessageA(hwnd(), HDM_GETITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&info));
        OffsetRect(&item, 3, 0);
        item.right -= 3;
        drawText(picture.dc(), text, item, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS, RGB(0, 0, 0), font);
    }
    picture.copyTo(dc.dc(), 0, 0);
}

// --- spin buttons --------------------------------------------------------------------------------

void SpinButtonSkin::attach(HWND hwnd) { adopt(new SpinButtonSkin(hwnd)); }

bool SpinButtonSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_CREATE:
        horizontal_ = (reinterpret_cast<const CREATESTRUCTA*>(lParam)->style & UDS_HORZ) != 0;
        load();
        return false;
    case WM_PAINT:
        DefWindowProcA(hwnd(), msg, wParam, lParam);
        if (IsWindow(hwnd())) paint();
        result = 1;
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_SIZE:
    case WM_MOVE:
        refresh_ = true;
        InvalidateRect(hwnd(), nullptr, FALSE);
        return false;
    case WM_LBUTTONDOWN: {
        POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
        RECT first = face(0);
        pressed_ = PtInRect(&first, p) ? 0 : 1;
        InvalidateRect(hwnd(), nullptr, FALSE);
        return false;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (pressed_ >= 0) {
            pressed_ = -1;
            InvalidateRect(hwnd(), nullptr, FALSE);
        }
        return false;
    case WM_ENABLE:
        InvalidateRect(hwnd(), nullptr, FALSE);
        return false;
    case kSkinRefresh:
        InvalidateRect(hwnd(), nullptr, FALSE);
        result = 0;
        return true;
    default:
        return false;
    }
}

void SpinButtonSkin::load() {
    ProfileSkinFile file;
    const std::string section = "SpinButton";
    arrows_[0] = SkinImage::loadScaled(file.getImage(section, horizontal_ ? "LeftImg" : "UpImg"));
    arrows_[1] = SkinImage::loadScaled(file.getImage(section, horizontal_ ? "RightImg" : "DownImg"));
    normal_[0] = file.getColour(section, "NormalTopColor");
    normal_[1] = file.getColour(section, "NormalBottomColor");
    down_[0] = file.getColour(section, "DownTopColor");
    down_[1] = file.getColour(section, "DownBottomColor");
    radius_ = file.getInt(section, "Radius");
}

RECT SpinButtonSkin::face(int index) const {
    RECT r = clientOf(hwnd());
    if (horizontal_) {
        int middle = r.right / 2;
        return index == 0 ? RECT{0, 0, middle, r.bottom} : RECT{middle, 0, r.right, r.bottom};
    }
    int middle = r.bottom / 2;
    return index == 0 ? RECT{0, 0, r.right, middle} : RECT{0, middle, r.right, r.bottom};
}

void SpinButtonSkin::paint() {
    RECT client = clientOf(hwnd());
    if (refresh_) {
        snapshot_ = parentBackground(client);
        refresh_ = false;
    }
    WindowDC dc(hwnd(), false);
    MemoryDC picture(dc.dc(), client.right, client.bottom);
    if (!dc || !picture) return;
    HDC out = picture.dc();
    if (snapshot_)
        snapshot_.copyTo(out, 0, 0);
    else
        fillSolid(out, client, GetSysColor(COLOR_BTNFACE));
    bool enabled = IsWindowEnabled(hwnd()) != FALSE;
    int corner = radius_ * 2;
    for (int i = 0; i < 2; ++i) {
        RECT r = face(i);
        const COLORREF* colours = pressed_ == i ? down_ : normal_;
        {
            SavedDC saved(out);
            clipToRounded(out, r, corner);
            fillGradient(out, r, colours[0], colours[1]);
            const SkinImage& arrow = arrows_[i];
            int x = (r.left + r.right - arrow.width()) / 2 + (pressed_ == i ? 1 : 0);
            int y = (r.top + r.bottom - arrow.height()) / 2 + (pressed_ == i ? 1 : 0);
            if (enabled)
                arrow.draw(out, x, y);
            else
                arrow.drawGrey(out, x, y);
        }
        roundOutline(out, r, corner, kFaceOutline);
        InflateRect(&r, -1, -1);
        roundOutline(out, r, corner, RGB(255, 255, 255));
    }
    picture.copyTo(dc.dc(), 0, 0);
}

// --- status bars -----------------------------------------------------------------------------------

void StatusBarSkin::attach(HWND hwnd) { adopt(new StatusBarSkin(hwnd)); }

bool StatusBarSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_CREATE: {
        ProfileSkinFile file;
        top_ = file.getColour("StatusBar", "NormalTopColor");
        bottom_ = file.getColour("StatusBar", "NormalBottomColor");
        return false;
    }
    case WM_PAINT:
        DefWindowProcA(hwnd(), msg, wParam, lParam);
        paint();
        result = 1;
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    default:
        return false;
    }
}

void StatusBarSkin::paint() {
    RECT client = clientOf(hwnd());
    WindowDC dc(hwnd(), false);
    MemoryDC picture(dc.dc(), client.right, client.bottom);
    if (!dc || !picture) return;
    HDC out = picture.dc();
    fillGradient(out, client, top_, bottom_);
    HFONT font = fontOf(hwnd());
    const UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    auto partText = [&](int part) {
        LRESULT info = SendMessageA(hwnd(), SB_GETTEXTLENGTHA, WPARAM(part), 0);
        if (HIWORD(info) & SBT_OWNERDRAW) return std::string();
        std::vector<char> text(std::size_t(LOWORD(info)) + 1);
        SendMessageA(hwnd(), SB_GETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(text.data()));
        return std::string(text.data());
    };
    bool simple = SendMessageA(hwnd(), SB_ISSIMPLE, 0, 0) != FALSE;
    int parts = simple ? 1 : int(SendMessageA(hwnd(), SB_GETPARTS, 0, 0));
    for (int i = 0; i < parts; ++i) {
        RECT r = client;
        if (!simple) SendMessageA(hwnd(), SB_GETRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
        if (!simple && i + 1 < parts) {
            fillSolid(out, RECT{r.right - 1, 2, r.right, client.bottom - 2}, RGB(255, 255, 255));
            fillSolid(out, RECT{r.right, 2, r.right + 1, client.bottom - 2}, GetSysColor(COLOR_3DSHADOW));
        }
        r.left += 4;
        r.right -= 2;
        drawText(out, partText(simple ? SB_SIMPLEID : i), r, format, RGB(0, 0, 0), font);
    }
    // The size grip: three short diagonals, each with a light line beside it.
    HWND top = GetAncestor(hwnd(), GA_ROOT);
    if ((GetWindowLongPtrA(hwnd(), GWL_STYLE) & SBARS_SIZEGRIP) && !IsZoomed(top)) {
        HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DSHADOW));
        HPEN light = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
        HGDIOBJ old = SelectObject(out, shadow);
        for (int k = 4; k <= 12; k += 4) {
            SelectObject(out, shadow);
            MoveToEx(out, client.right - k, client.bottom - 1, nullptr);
            LineTo(out, client.right, client.bottom - 1 - k);
            SelectObject(out, light);
            MoveToEx(out, client.right - k + 1, client.bottom - 1, nullptr);
            LineTo(out, client.right, client.bottom - k);
        }
        SelectObject(out, old);
        DeleteObject(shadow);
        DeleteObject(light);
    }
    picture.copyTo(dc.dc(), 0, 0);
}

}  // namespace skin
