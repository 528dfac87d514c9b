// The navigation control: a vertical list of text items of equal height,
// one of them selected (the options dialog's page list).  CNavCtrl keeps
// the items, hit-tests clicks and reports the selection to its dialog;
// NavCtrlSkin paints it with the NavCtrl images (pressed look behind the
// selected item, a hover look that shows at once and fades out).
#pragma once

#include <string>
#include <vector>

#include "skin/skin_control.h"
#include "skin/skin_image.h"
#include "skin/skin_rules.h"
#include "skin/skin_window.h"

namespace skin {

class CNavCtrl : public SkinControl {
public:
    static constexpr char kClassName[] = "jexNavCtrl";

    static HWND create(DWORD style, const RECT& rect, int itemHeight, HWND parent, UINT id);
    static CNavCtrl* fromHandle(HWND hwnd) { return static_cast<CNavCtrl*>(objectOf(hwnd, kClassName)); }

    // Appends an item; one added while the control is on the screen is drawn.
    void addItem(const std::string& text);
    int count() const { return int(items_.size()); }
    const std::string& itemText(int index) const { return items_[std::size_t(index)]; }
    int itemHeight() const { return itemHeight_; }
    // Item `index`'s rectangle in client coordinates (full width).
    RECT itemRect(int index) const;
    // Selects an item as a click does: NCM_SELECT to itself, then
    // WM_NAVCTRL_SELCHANGE (index, 0) to the dialog, whose result it returns.
    LRESULT select(int index);

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    explicit CNavCtrl(int itemHeight) : itemHeight_(itemHeight) {}
    void paintPlain();
    std::vector<std::string> items_;
    int itemHeight_;
};

class NavCtrlSkin : public SkinWindow {
public:
    static void attach(HWND hwnd);

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit NavCtrlSkin(HWND hwnd) : SkinWindow(hwnd) {}

    // What each item needs for painting and fading.
    struct Item {
        MemoryDC snapshot;  // the parent's pixels under the item
        MemoryDC composed;  // snapshot, hover image and text: the look a fade-out starts from
        bool mouseAway = true;
        int opacity = 255;
    };

    CNavCtrl* nav() const { return CNavCtrl::fromHandle(hwnd()); }
    void load(int width);
    void syncItems();
    void paint();
    void trackHover(POINT p);
    void startFadeOut(int index);
    void fadeStep(int index);
    void selectionChanged(int index);

    // Draws item `index` on `dc` at `origin`: its snapshot, the given image
    // over it (if any), and its text.
    void drawItem(HDC dc, int index, POINT origin, const SkinImage* look);
    void drawText(HDC dc, int index, POINT origin);
    void drawItemNow(int index, const SkinImage* look);

    SkinImage hover_;
    SkinImage down_;
    Fade fade_;
    std::vector<Item> items_;
    int hovered_ = -1;
    int selected_ = -1;
};

}  // namespace skin
