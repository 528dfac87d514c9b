// The painters made of gradients: list headers (a gradient with a light
// two-pixel divider after each item), spin buttons (two rounded faces with
// their arrows) and status bars (a gradient with the parts' texts and a size
// grip).
#pragma once

#include "skin/skin_image.h"
#include "skin/skin_window.h"

namespace skin {

class HeaderCtrlSkin : public SkinWindow {
public:
    static void attach(HWND hwnd);

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit HeaderCtrlSkin(HWND hwnd) : SkinWindow(hwnd) {}
    void paint();

    COLORREF top_ = 0;
    COLORREF bottom_ = 0;
};

class SpinButtonSkin : public SkinWindow {
public:
    static void attach(HWND hwnd);

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit SpinButtonSkin(HWND hwnd) : SkinWindow(hwnd) {}
    void load();
    void paint();
    RECT face(int index) const;  // 0 up (left), 1 down (right)

    bool horizontal_ = false;
    SkinImage arrows_[2];
    COLORREF normal_[2] = {};
    COLORREF down_[2] = {};
    int radius_ = 0;
    int pressed_ = -1;
    MemoryDC snapshot_;
};

class StatusBarSkin : public SkinWindow {
public:
    static void attach(HWND hwnd);

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit StatusBarSkin(HWND hwnd) : SkinWindow(hwnd) {}
    void paint();

    COLORREF top_ = 0;
    COLORREF bottom_ = 0;
};

}  // namespace skin
