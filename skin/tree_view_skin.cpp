#include "skin/tree_view_skin.h"

#include "skin/jexui.h"
#include "skin/skin_control.h"

namespace skin {

namespace {

// Runs while a drag image is shown: scrolls at the edges, opens the branch
// the pointer rests on.
constexpr UINT_PTR kDragTimer = 0x7E51;
constexpr UINT kDragTimerMs = 80;

// The item last under a dragging pointer and since when; one drag runs at a
// time, so all trees share it.
struct Resting {
    HTREEITEM item = nullptr;
    DWORD since = 0;
};
Resting resting;

}  // namespace

void TreeViewSkin::attach(HWND hwnd) {
    adopt(new TreeViewSkin(hwnd));
}

bool TreeViewSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT&) {
    POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
    switch (msg) {
    case WM_CREATE:
        enabled_ = !(reinterpret_cast<const CREATESTRUCTA*>(lParam)->style & TVS_DISABLEDRAGDROP);
        break;
    case WM_LBUTTONDOWN:
        if (enabled_) pressed(p);
        break;
    case WM_MOUSEMOVE:
        if (enabled_ && source_ && (wParam & MK_LBUTTON)) track(p);
        break;
    case WM_LBUTTONUP:
        if (enabled_) drop();
        break;
    case WM_TIMER:
        if (wParam == kDragTimer) {
            dragTick();
            return true;
        }
        break;
    case WM_CAPTURECHANGED:
        // Capture taken away (another window, a menu): the drag ends
        // without a drop.
        if (dragImage_ && reinterpret_cast<HWND>(lParam) != hwnd()) {
            hideMark();
            source_ = target_ = nullptr;
            endDrag();
        }
        break;
    default:
        break;
    }
    return false;
}

void TreeViewSkin::pressed(POINT p) {
    markShown_ = false;
    TVHITTESTINFO hit = {};
    hit.pt = p;
    HTREEITEM item = TreeView_HitTest(hwnd(), &hit);
    source_ = item && (hit.flags & TVHT_ONITEM) ? item : nullptr;
    target_ = nullptr;
    resting = Resting();  // where an earlier drag rested does not count for this one
}

bool TreeViewSkin::isSelfOrDescendant(HTREEITEM item) const {
    for (HTREEITEM up = item; up; up = TreeView_GetParent(hwnd(), up))
        if (up == source_) return true;
    return false;
}

// Within the tree, and neither the dragged item nor below it.
bool TreeViewSkin::canTarget(HTREEITEM item, POINT p) const {
    RECT client;
    GetClientRect(hwnd(), &client);
    return PtInRect(&client, p) && item && !isSelfOrDescendant(item);
}

void TreeViewSkin::track(POINT p) {
    last_ = p;
    TVHITTESTINFO hit = {};
    hit.pt = p;
    HTREEITEM t = TreeView_HitTest(hwnd(), &hit);

    if (canTarget(t, p)) {
        SetCapture(hwnd());
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        if (!dragImage_) {
            dragImage_ = TreeView_CreateDragImage(hwnd(), source_);
            if (dragImage_) {
                ImageList_BeginDrag(dragImage_, 0, 8, 8);
                ImageList_DragEnter(hwnd(), p.x, p.y);
            }
            SetTimer(hwnd(), kDragTimer, kDragTimerMs, nullptr);
        }
        ImageList_DragMove(p.x, p.y);
        ImageList_DragShowNolock(FALSE);
        RECT label = {};
        TreeView_GetItemRect(hwnd(), t, &label, TRUE);
        if (hit.flags & TVHT_ONITEMLABEL) {
            showMark(label.left - 2, label.right + 2, label.bottom);
            target_ = t;
            position_ = 1;
        } else if (hit.flags & TVHT_ONITEMICON) {
            int iconWidth = 0, iconHeight = 0;
            if (HIMAGELIST images = TreeView_GetImageList(hwnd(), TVSIL_NORMAL))
                ImageList_GetIconSize(images, &iconWidth, &iconHeight);
            showMark(label.left - iconWidth - 4, label.right + 2, label.bottom);
            target_ = t;
            position_ = 0;
        } else {
            target_ = nullptr;
        }
        ImageList_DragShowNolock(TRUE);
        openRestingBranch(t, hit.flags);
    } else {
        target_ = nullptr;
        SetCursor(LoadCursor(nullptr, IDC_NO));
    }
    if (t != resting.item) {
        resting.item = t;
        resting.since = GetTickCount();
    }
}

// A closed branch the pointer has rested on for long enough opens; true
// when it did.
bool TreeViewSkin::openRestingBranch(HTREEITEM t, UINT hitFlags) {
    if (!(hitFlags & TVHT_ONITEM) || t != resting.item || GetTickCount() - resting.since <= kExpandDelayMs)
        return false;
    TVITEMA item = {};
    item.mask = TVIF_STATE | TVIF_CHILDREN;
    item.hItem = t;
    item.stateMask = TVIS_EXPANDED;
    TreeView_GetItem(hwnd(), &item);
    if (item.cChildren == 0 || (item.state & TVIS_EXPANDED)) return false;
    ImageList_DragShowNolock(FALSE);
    hideMark();
    TreeView_Expand(hwnd(), t, TVE_EXPAND);
    UpdateWindow(hwnd());
    ImageList_DragShowNolock(TRUE);
    return true;
}

// The drag timer: the tree scrolls while the pointer is near an edge, and
// the branch under a pointer at rest opens (no move comes to look at it).
void TreeViewSkin::dragTick() {
    if (!dragImage_ || !source_) return;
    if (edgeScroll()) {
        track(last_);
        return;
    }
    TVHITTESTINFO hit = {};
    hit.pt = last_;
    HTREEITEM t = TreeView_HitTest(hwnd(), &hit);
    if (canTarget(t, last_) && openRestingBranch(t, hit.flags)) track(last_);  // opening hid the mark
}

void TreeViewSkin::drop() {
    if (dragImage_) ImageList_DragShowNolock(FALSE);
    hideMark();
    HTREEITEM source = source_, target = target_;
    int position = position_;
    source_ = target_ = nullptr;
    endDrag();
    if (source && target) {
        JEXTREEDRAGDROP record = {source, target, position};
        SendMessageA(parentOwner(hwnd()), WM_TREE_DRAGDROP, 0, reinterpret_cast<LPARAM>(&record));
    }
}

void TreeViewSkin::endDrag() {
    KillTimer(hwnd(), kDragTimer);
    if (GetCapture() == hwnd()) ReleaseCapture();
    if (dragImage_) {
        ImageList_DragLeave(hwnd());
        ImageList_EndDrag();
        ImageList_Destroy(dragImage_);
        dragImage_ = nullptr;
    }
}

// The mark is drawn and taken away with the same inverting operation, so
// that removing it gives back exactly what was under it.
void TreeViewSkin::drawMark() const {
    HDC dc = GetDC(hwnd());
    int oldRop = SetROP2(dc, R2_NOT);
    const int y = markY_;
    MoveToEx(dc, markLeft_ + 3, y, nullptr);
    LineTo(dc, markRight_ - 3, y);
    for (int i = 0; i < 3; ++i) {  // the two small triangles pointing inwards
        MoveToEx(dc, markLeft_ + i, y - (2 - i), nullptr);
        LineTo(dc, markLeft_ + i, y + (2 - i) + 1);
        MoveToEx(dc, markRight_ - i, y - (2 - i), nullptr);
        LineTo(dc, markRight_ - i, y + (2 - i) + 1);
    }
    SetROP2(dc, oldRop);
    ReleaseDC(hwnd(), dc);
}

void TreeViewSkin::showMark(int left, int right, int y) {
    if (markShown_ && left == markLeft_ && right == markRight_ && y == markY_) return;
    hideMark();
    markLeft_ = left;
    markRight_ = right;
    markY_ = y;
    drawMark();
    markShown_ = true;
}

void TreeViewSkin::hideMark() {
    if (!markShown_) return;
    drawMark();
    markShown_ = false;
}

// While the pointer is within an item's height of the top or bottom edge,
// the tree scrolls a line at a time; true when the pointer is there.
bool TreeViewSkin::edgeScroll() {
    RECT client;
    GetClientRect(hwnd(), &client);
    int zone = TreeView_GetItemHeight(hwnd());
    int code = last_.y < client.top + zone ? SB_LINEUP : last_.y >= client.bottom - zone ? SB_LINEDOWN : -1;
    if (code < 0) return false;
    ImageList_DragShowNolock(FALSE);
    hideMark();
    SendMessageA(hwnd(), WM_VSCROLL, WPARAM(code), 0);
    UpdateWindow(hwnd());
    ImageList_DragShowNolock(TRUE);
    return true;
}

}  // namespace skin
