// Tab controls drawn from the skin: tabs with round outer corners filled
// with gradients (ordinary, under the mouse, selected), optionally with a
// close button on each tab.  The skin selects tabs itself on a press and
// tells the parent with TCN_SELCHANGE; a click on a close button (pressed
// and released on it) sends WM_TABCTRL_CLOSE to the parent instead.
#pragma once

#include <vector>

#include "skin/skin_image.h"
#include "skin/skin_window.h"

namespace skin {

class TabCtrlSkin : public SkinWindow {
public:
    static void attach(HWND hwnd);

    // For tests: tab `index`'s close button in client coordinates (empty
    // without close buttons).
    RECT closeButton(int index) const;

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit TabCtrlSkin(HWND hwnd) : SkinWindow(hwnd) {}

    void load(const CREATESTRUCTA& create);
    RECT tabRect(int index) const;
    int tabAt(POINT p) const;
    bool onCloseButton(int index, POINT p) const;
    void paint(HDC dc, bool whole);
    void drawTab(HDC dc, int index, const RECT& r, bool selected);
    void redrawTabs();
    void mouseMove(POINT p);
    void press(POINT p);
    void release(POINT p, LRESULT& result, WPARAM wParam, LPARAM lParam);
    void notify(UINT code) const;

    bool bottom_ = false;  // TCS_BOTTOM: the tabs below the pages
    COLORREF background_ = 0;
    COLORREF normal_[2] = {};
    COLORREF hover_[2] = {};
    COLORREF selectedTop_ = 0;
    int radius_ = 0;
    std::vector<SkinImage> close_;
    int closeWidth_ = 0;
    int closeHeight_ = 0;

    int hot_ = -1;          // the tab under the mouse
    int hotClose_ = -1;     // the tab whose close button is under the mouse
    int pressedClose_ = -1; // the tab whose close button is held down
};

}  // namespace skin
