#include "skin/nav_ctrl.h"

#include "skin/jexui.h"
#include "skin/skin_library.h"

namespace skin {

// --- CNavCtrl --------------------------------------------------------------------

HWND CNavCtrl::create(DWORD style, const RECT& rect, int itemHeight, HWND parent, UINT id) {
    return createWindow(new CNavCtrl(itemHeight), kClassName, style, rect, parent, id);
}

void CNavCtrl::addItem(const std::string& text) {
    items_.push_back(text);
    RECT r = itemRect(count() - 1);
    InvalidateRect(hwnd(), &r, TRUE);
}

RECT CNavCtrl::itemRect(int index) const {
    RECT client;
    GetClientRect(hwnd(), &client);
    return {client.left, index * itemHeight_, client.right, index * itemHeight_ + itemHeight_};
}

LRESULT CNavCtrl::select(int index) {
    SendMessageA(hwnd(), kNavSelect, WPARAM(index), 0);
    return SendMessageA(parentOwner(hwnd()), WM_NAVCTRL_SELCHANGE, WPARAM(index), 0);
}

LRESULT CNavCtrl::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN: {
        POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
        for (int i = 0; i < count(); ++i) {
            RECT r = itemRect(i);
            if (PtInRect(&r, p)) {
                select(i);
                break;
            }
        }
        break;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paintPlain();
        return 0;
    default:
        break;
    }
    return defaultProc(msg, wParam, lParam);
}

// Without a skin: each item a framed white box with its text centred.
void CNavCtrl::paintPlain() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < count(); ++i) {
        RECT r = itemRect(i);
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        DrawTextA(dc, items_[std::size_t(i)].c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(dc, oldFont);
    EndPaint(hwnd(), &ps);
}

// --- NavCtrlSkin ------------------------------------------------------------------

void NavCtrlSkin::attach(HWND hwnd) {
    adopt(new NavCtrlSkin(hwnd));
}

bool NavCtrlSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_CREATE:
        // Loaded before the control sees WM_CREATE: the images take the
        // width the window is created with.
        load(reinterpret_cast<const CREATESTRUCTA*>(lParam)->cx);
        return false;
    case WM_PAINT:
        DefWindowProcA(hwnd(), msg, wParam, lParam);  // validates
        paint();
        result = 1;
        return true;
    case WM_MOUSEMOVE:
        trackHover({short(LOWORD(lParam)), short(HIWORD(lParam))});
        return false;
    case WM_TIMER:
        fadeStep(int(wParam));
        return false;
    case kNavSelect:
        selectionChanged(int(wParam));
        return false;
    case kSkinRefresh:
        result = 0;
        return true;
    default:
        return false;
    }
}

void NavCtrlSkin::load(int width) {
    ProfileSkinFile file;
    const std::string section = "NavCtrl";
    COLORREF marker = file.getColour(section, "MaskColor");
    int height = nav() ? nav()->itemHeight() : 0;
    int w = width, h = height;
    hover_ = SkinImage::loadNineGrid(file.getImage(section, "HoverImg"), marker, w, h, false);
    w = width;
    h = height;
    down_ = SkinImage::loadNineGrid(file.getImage(section, "DownImg"), marker, w, h, false);
    fade_ = fadeFromHoverTime(file.getInt(section, "HoverTime"));
}

// One entry per item, with the parent's pixels under it: all of them taken
// again after a refresh, otherwise only those of items added since.  The
// skin has not drawn on a new item's place yet, while the others' places
// show its drawing: taking those again would copy it into their backgrounds.
void NavCtrlSkin::syncItems() {
    CNavCtrl* control = nav();
    if (!control) return;
    if (items_.size() < std::size_t(control->count())) items_.resize(std::size_t(control->count()));
    HWND parent = GetParent(hwnd());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].snapshot && !refresh_) continue;
        RECT r = control->itemRect(int(i));
        MapWindowPoints(hwnd(), parent, reinterpret_cast<POINT*>(&r), 2);
        items_[i].snapshot = snapshotOfParent(hwnd(), r);
    }
    refresh_ = false;
}

void NavCtrlSkin::drawText(HDC dc, int index, POINT origin) {
    CNavCtrl* control = nav();
    RECT r = control->itemRect(index);
    OffsetRect(&r, origin.x - r.left + 15, origin.y - r.top);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, control->itemText(index).c_str(), -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
}

void NavCtrlSkin::drawItem(HDC dc, int index, POINT origin, const SkinImage* look) {
    const Item& item = items_[std::size_t(index)];
    item.snapshot.copyTo(dc, origin.x, origin.y);
    if (look) look->draw(dc, origin.x, origin.y);
    drawText(dc, index, origin);
}

void NavCtrlSkin::drawItemNow(int index, const SkinImage* look) {
    if (index < 0 || index >= int(items_.size())) return;
    RECT r = nav()->itemRect(index);
    HDC dc = GetDC(hwnd());
    drawItem(dc, index, {r.left, r.top}, look);
    ReleaseDC(hwnd(), dc);
}

// Every item in its present look: the pressed look behind the selected
// one, the hover look behind the one under the mouse, the parent's
// background behind the rest (a fade in progress goes on over it).
void NavCtrlSkin::paint() {
    if (!nav()) return;
    syncItems();
    if (items_.empty()) return;
    HDC dc = GetDC(hwnd());
    for (int i = 0; i < int(items_.size()); ++i) {
        RECT r = nav()->itemRect(i);
        const SkinImage* look = i == selected_ ? &down_ : i == hovered_ ? &hover_ : nullptr;
        drawItem(dc, i, {r.left, r.top}, look);
    }
    ReleaseDC(hwnd(), dc);
}

void NavCtrlSkin::startFadeOut(int index) {
    if (index < 0 || index >= int(items_.size()) || index == selected_) return;
    if (!fade_.fades()) {
        drawItemNow(index, nullptr);
        return;
    }
    Item& item = items_[std::size_t(index)];
    RECT r = nav()->itemRect(index);
    HDC dc = GetDC(hwnd());
    item.composed = MemoryDC(dc, r.right - r.left, r.bottom - r.top);
    ReleaseDC(hwnd(), dc);
    if (item.composed) drawItem(item.composed.dc(), index, {0, 0}, &hover_);
    item.opacity = 255;
    SetTimer(hwnd(), UINT_PTR(index), kFadeTimerMs, nullptr);
}

void NavCtrlSkin::trackHover(POINT p) {
    syncItems();
    if (items_.empty()) return;
    bool inAny = false;
    for (int i = 0; i < int(items_.size()); ++i) {
        Item& item = items_[std::size_t(i)];
        if (i == selected_) {
            item.mouseAway = false;
            continue;
        }
        RECT r = nav()->itemRect(i);
        if (!PtInRect(&r, p)) {
            item.mouseAway = true;
            continue;
        }
        inAny = true;
        SetCapture(hwnd());
        if (!item.mouseAway) continue;  // already the hovered item
        if (hovered_ != i) startFadeOut(hovered_);
        item.opacity = 255;
        KillTimer(hwnd(), UINT_PTR(i));
        item.composed = MemoryDC();
        drawItemNow(i, &hover_);
        item.mouseAway = false;
        hovered_ = i;
    }
    // On the selected item or outside every item: the hover goes.
    RECT selected = selected_ >= 0 ? nav()->itemRect(selected_) : RECT{};
    if (!inAny) {
        if (!PtInRect(&selected, p) || selected_ < 0) {
            if (GetCapture() == hwnd()) ReleaseCapture();
        }
        if (hovered_ >= 0 && hovered_ != selected_) startFadeOut(hovered_);
        hovered_ = -1;
    }
}

// The hover look goes as the plain look comes in: the last step draws the
// plain item and ends the fade.
void NavCtrlSkin::fadeStep(int index) {
    if (index < 0 || index >= int(items_.size())) return;
    Item& item = items_[std::size_t(index)];
    item.opacity = 255 - nextFadeOpacity(fade_, 255 - item.opacity);
    if (item.opacity == 0 || !item.composed) {
        if (item.composed) drawItemNow(index, nullptr);
        item.opacity = 255;
        item.composed = MemoryDC();
        KillTimer(hwnd(), UINT_PTR(index));
        return;
    }
    RECT r = nav()->itemRect(index);
    HDC dc = GetDC(hwnd());
    MemoryDC frame(dc, r.right - r.left, r.bottom - r.top);
    if (frame) {
        item.snapshot.copyTo(frame.dc(), 0, 0);
        frame.blendFrom(item.composed, item.opacity);
        drawText(frame.dc(), index, {0, 0});
        frame.copyTo(dc, r.left, r.top);
    }
    ReleaseDC(hwnd(), dc);
}

void NavCtrlSkin::selectionChanged(int index) {
    if (!items_.empty()) syncItems();  // items added since the last paint
    bool ready = IsWindowVisible(hwnd()) && !items_.empty();
    int previous = selected_;
    selected_ = index;
    if (!ready || index < 0 || index >= int(items_.size())) return;
    if (previous >= 0 && previous != index && previous < int(items_.size())) {
        drawItemNow(previous, nullptr);
        // No longer exempt from hover tracking: the mouse may be on it now.
        items_[std::size_t(previous)].mouseAway = true;
    }
    Item& item = items_[std::size_t(index)];
    item.opacity = 255;
    item.composed = MemoryDC();
    KillTimer(hwnd(), UINT_PTR(index));
    if (hovered_ == index) hovered_ = -1;
    RECT r = nav()->itemRect(index);
    InvalidateRect(hwnd(), &r, TRUE);
}

}  // namespace skin
