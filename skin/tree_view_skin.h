// Dragging in tree views: an item pressed with the left button can be
// dragged onto another; a drag image follows the pointer, an insertion mark
// shows the target, a closed branch opens when the pointer rests on it, and
// the tree scrolls while the pointer is near its top or bottom edge.  On
// release the tree's parent-owner gets WM_TREE_DRAGDROP with the dragged
// item, the target and whether it was dropped on the label or the icon.
// The skin moves nothing itself and leaves the tree's look alone.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "skin/skin_window.h"

namespace skin {

class TreeViewSkin : public SkinWindow {
public:
    static void attach(HWND hwnd);

    // How long the pointer rests on a closed branch before it opens.
    static constexpr DWORD kExpandDelayMs = 500;

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit TreeViewSkin(HWND hwnd) : SkinWindow(hwnd) {}

    void pressed(POINT p);
    void track(POINT p);
    void dragTick();
    bool openRestingBranch(HTREEITEM item, UINT hitFlags);
    void drop();
    void endDrag();
    bool isSelfOrDescendant(HTREEITEM item) const;
    bool canTarget(HTREEITEM item, POINT p) const;
    void showMark(int left, int right, int y);
    void hideMark();
    void drawMark() const;
    bool edgeScroll();

    bool enabled_ = false;
    HTREEITEM source_ = nullptr;
    HTREEITEM target_ = nullptr;
    int position_ = 0;  // 1 on the target's label, 0 on its icon
    bool markShown_ = false;
    int markLeft_ = 0, markRight_ = 0, markY_ = 0;
    HIMAGELIST dragImage_ = nullptr;
    POINT last_ = {};
};

}  // namespace skin
