#include "skin/tab_ctrl_skin.h"

#include <commctrl.h>

#include <algorithm>

#include "skin/jexui.h"
#include "skin/paint.h"
#include "skin/paint_rules.h"
#include "skin/skin_library.h"

namespace skin {

namespace {

const COLORREF kTabOutline = 0xAAAAAA;

POINT pointOf(LPARAM lParam) { return {short(LOWORD(lParam)), short(HIWORD(lParam))}; }

}  // namespace

void TabCtrlSkin::attach(HWND hwnd) {
    adopt(new TabCtrlSkin(hwnd));
}

bool TabCtrlSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCCREATE:
        load(*reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return false;
    case WM_CREATE:
        result = callPrevious(msg, wParam, lParam);
        if (!close_.empty()) {
            // Room on each tab for its close button right of the text.
            int padding = std::max(6, (closeWidth_ + 10) / 2);
            callPrevious(TCM_SETPADDING, 0, MAKELPARAM(padding, 3));
        }
        return true;
    case WM_PAINT: {
        DefWindowProcA(hwnd(), msg, wParam, lParam);
        WindowDC dc(hwnd(), false);
        if (dc) paint(dc.dc(), true);
        result = 1;
        return true;
    }
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd(), &client);
        fillSolid(reinterpret_cast<HDC>(wParam), client, background_);
        result = 1;
        return true;
    }
    case WM_MOUSEMOVE:
        mouseMove(pointOf(lParam));
        return false;
    case WM_MOUSELEAVE:
        mouseMove(POINT{-1, -1});
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        press(pointOf(lParam));
        result = 1;
        return true;
    case WM_LBUTTONUP:
        release(pointOf(lParam), result, wParam, lParam);
        return true;
    case WM_CAPTURECHANGED:
        if (pressedClose_ >= 0 && reinterpret_cast<HWND>(lParam) != hwnd()) {
            pressedClose_ = -1;
            redrawTabs();
        }
        return false;
    case kSkinRefresh:
        InvalidateRect(hwnd(), nullptr, TRUE);
        result = 0;
        return true;
    default:
        return false;
    }
}

void TabCtrlSkin::load(const CREATESTRUCTA& create) {
    ProfileSkinFile file;
    const int id = int(reinterpret_cast<INT_PTR>(create.hMenu));
    bottom_ = (create.style & TCS_BOTTOM) != 0;
    background_ = COLORREF(tabCtrlInt(file, id, "BkColor"));
    normal_[0] = COLORREF(tabCtrlInt(file, id, "NormalTopColor"));
    normal_[1] = COLORREF(tabCtrlInt(file, id, "NormalBottomColor"));
    hover_[0] = COLORREF(tabCtrlInt(file, id, "HoverTopColor"));
    hover_[1] = COLORREF(tabCtrlInt(file, id, "HoverBottomColor"));
    selectedTop_ = COLORREF(tabCtrlInt(file, id, "DownTopColor"));
    radius_ = tabCtrlInt(file, id, "Radius");
    std::string closeImage = imagePath(file.getString(idSection("TabCtrl", id), "CloseImg"));
    if (!closeImage.empty()) {
        close_ = SkinImage::loadStrip(closeImage, 3, &closeWidth_, &closeHeight_);
        if (closeWidth_ <= 0) close_.clear();
    }
}

RECT TabCtrlSkin::tabRect(int index) const {
    RECT r = {};
    SendMessageA(hwnd(), TCM_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r));
    return r;
}

int TabCtrlSkin::tabAt(POINT p) const {
    TCHITTESTINFO hit = {p, 0};
    return int(SendMessageA(hwnd(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

RECT TabCtrlSkin::closeButton(int index) const {
    if (close_.empty() || index < 0) return RECT{};
    RECT tab = tabRect(index);
    Rect r = tabCloseButton({tab.left, tab.top, tab.right - tab.left, tab.bottom - tab.top}, closeWidth_, closeHeight_);
    return {r.x, r.y, r.x + r.width, r.y + r.height};
}

bool TabCtrlSkin::onCloseButton(int index, POINT p) const {
    RECT r = closeButton(index);
    return PtInRect(&r, p) != FALSE;
}

// One tab in its rectangle: a rounded shape whose lower corners lie below
// the tab (above it for tabs under the pages), so only the outer corners are
// round; the text; the close button.
void TabCtrlSkin::drawTab(HDC dc, int index, const RECT& r, bool selected) {
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    MemoryDC shape(dc, width, height);
    if (!shape) return;
    RECT all = {0, 0, width, height};
    fillSolid(shape.dc(), all, background_);
    RECT rounded = {0, 0, width, height + radius_ + 1};
    const int corner = radius_ * 2;
    {
        SavedDC saved(shape.dc());
        clipToRounded(shape.dc(), rounded, corner);
        if (selected)
            fillGradient(shape.dc(), all, selectedTop_, background_);
        else if (index == hot_)
            fillGradient(shape.dc(), all, hover_[0], hover_[1]);
        else
            fillGradient(shape.dc(), all, normal_[0], normal_[1]);
    }
    roundOutline(shape.dc(), rounded, corner, kTabOutline);
    RECT inner = rounded;
    InflateRect(&inner, -1, -1);
    roundOutline(shape.dc(), inner, corner, RGB(255, 255, 255));
    if (bottom_) {
        MemoryDC flipped(dc, width, height);
        if (!flipped) return;
        StretchBlt(flipped.dc(), 0, height - 1, width, -height, shape.dc(), 0, 0, width, height, SRCCOPY);
        shape = std::move(flipped);
    }

    // The text and the close button the same way up in both placements.
    RECT close = {};
    if (!close_.empty()) {
        Rect c = tabCloseButton({0, 0, width, height}, closeWidth_, closeHeight_);
        close = {c.x, c.y, c.x + c.width, c.y + c.height};
    }
    RECT text = {3, bottom_ ? 0 : 5, close_.empty() ? width - 3 : close.left - 3, bottom_ ? height - 5 : height};
    char label[260] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = label;
    item.cchTextMax = sizeof label;
    SendMessageA(hwnd(), TCM_GETITEMA, WPARAM(index), reinterpret_cast<LPARAM>(&item));
    drawText(shape.dc(), label, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP, RGB(0, 0, 0),
             guiFont());
    if (!close_.empty()) {
        int frame = index == pressedClose_ && index == hotClose_ ? 2 : index == hotClose_ ? 1 : 0;
        close_[std::size_t(frame)].draw(shape.dc(), close.left, close.top);
    }
    shape.copyTo(dc, r.left, r.top);
}

// The row of tabs, put together off the screen; with `whole` the rest of
// the control's background too.
void TabCtrlSkin::paint(HDC dc, bool whole) {
    RECT client;
    GetClientRect(hwnd(), &client);
    int count = int(SendMessageA(hwnd(), TCM_GETITEMCOUNT, 0, 0));
    int selected = int(SendMessageA(hwnd(), TCM_GETCURSEL, 0, 0));
    RECT row = {0, 0, client.right, 0};
    if (count > 0) {
        row.top = client.bottom;
        for (int i = 0; i < count; ++i) {
            RECT r = tabRect(i);
            row.top = std::min(row.top, r.top);
            row.bottom = std::max(row.bottom, r.bottom);
        }
    }
    if (whole) {
        SavedDC saved(dc);
        ExcludeClipRect(dc, row.left, row.top, row.right, row.bottom);
        fillSolid(dc, client, background_);
    }
    if (row.bottom <= row.top || row.right <= 0) return;
    MemoryDC strip(dc, row.right, row.bottom - row.top);
    if (!strip) return;
    RECT all = {0, 0, strip.width(), strip.height()};
    fillSolid(strip.dc(), all, background_);
    // The line between the tabs and the pages, open under the selected tab.
    int line = bottom_ ? 0 : strip.height() - 1;
    fillSolid(strip.dc(), RECT{0, line, strip.width(), line + 1}, kTabOutline);
    for (int i = 0; i < count; ++i) {
        RECT r = tabRect(i);
        OffsetRect(&r, 0, -row.top);
        drawTab(strip.dc(), i, r, i == selected);
    }
    strip.copyTo(dc, 0, row.top);
}

void TabCtrlSkin::redrawTabs() {
    WindowDC dc(hwnd(), false);
    if (dc) paint(dc.dc(), false);
}

void TabCtrlSkin::mouseMove(POINT p) {
    int tab = tabAt(p);
    int close = onCloseButton(tab, p) ? tab : -1;
    if (tab == hot_ && close == hotClose_) return;
    if (hot_ < 0 && tab >= 0) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd(), 0};
        TrackMouseEvent(&track);
    }
    hot_ = tab;
    hotClose_ = close;
    redrawTabs();
}

void TabCtrlSkin::notify(UINT code) const {
    NMHDR header = {hwnd(), UINT_PTR(GetDlgCtrlID(hwnd())), code};
    SendMessageA(GetParent(hwnd()), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void TabCtrlSkin::press(POINT p) {
    int tab = tabAt(p);
    if (tab < 0) return;
    if (onCloseButton(tab, p)) {
        pressedClose_ = hotClose_ = tab;
        SetCapture(hwnd());
        redrawTabs();
        notify(NM_CLICK);
        return;
    }
    SendMessageA(hwnd(), TCM_SETCURSEL, WPARAM(tab), 0);
    redrawTabs();
    notify(TCN_SELCHANGE);
}

// A close button clicks only when it was pressed and the mouse comes up on
// it again; the parent decides what closing means.
void TabCtrlSkin::release(POINT p, LRESULT& result, WPARAM wParam, LPARAM lParam) {
    int pressed = pressedClose_;
    pressedClose_ = -1;
    if (pressed >= 0 && GetCapture() == hwnd()) ReleaseCapture();
    HWND self = hwnd();
    HWND parent = GetParent(self);
    bool close = pressed >= 0 && tabAt(p) == pressed && onCloseButton(pressed, p);
    if (pressed >= 0) redrawTabs();
    result = callPrevious(WM_LBUTTONUP, wParam, lParam);
    if (close) SendMessageA(parent, WM_TABCTRL_CLOSE, WPARAM(pressed), 0);
}

}  // namespace skin
