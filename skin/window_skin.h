// Dialogs and frame windows drawn from the skin: a 25-pixel caption over
// the skin's background image with the window's small icon, a shadowed
// caption text and image buttons for minimise, maximise and close, a thin
// two-tone rounded border and rounded window corners.  DialogSkin (class
// "#32770", section Dialog) and FrameWndSkin (the program's frame classes,
// section FrameWnd) are one design; windows of these classes without a
// caption (child dialogs, views) get a reduced mode: white pages for
// dialogs, no erasing for views.
#pragma once

#include <string>
#include <vector>

#include "skin/paint_rules.h"
#include "skin/skin_image.h"
#include "skin/skin_window.h"

namespace skin {

class WindowFrameSkin : public SkinWindow {
public:
    // The background image under `windowRect` (window coordinates).
    MemoryDC backgroundOf(const RECT& windowRect) override;

    bool captioned() const { return captioned_; }
    // For tests: where a caption button is, in window coordinates.
    RECT buttonRect(CaptionButton button) const { return buttons_[button].rect; }

protected:
    WindowFrameSkin(HWND hwnd, FrameKind kind) : SkinWindow(hwnd), kind_(kind) {}
    ~WindowFrameSkin() override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct Button {
        RECT rect = {};
        bool laidOut = false;
        bool works = false;  // the window has this box (close always)
        int frame = 0;       // 0 rest, 1 under the mouse, 2 pressed, 3 greyed
        int from = 0;        // the frame a fade started from
        int opacity = 255;   // of `frame` over `from`; 255 = no fade
        MemoryDC looks[4];   // each frame over the caption under it
    };

    bool captionlessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void decide(const CREATESTRUCTA& create);
    void keepClientSize(const CREATESTRUCTA& create);
    void disableSystemFrame() const;
    bool nonClient(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    void rebuild();
    bool stale() const;
    void ncPaint();
    void drawButton(HDC dc, int index, POINT origin);
    void drawButtonNow(int index);
    HICON smallIcon();

    int buttonAt(POINT window) const;
    void hover(int index);
    void fadeTo(int index, int frame, bool fromZero);
    void fadeStep(int index);
    void pressButton(int index);
    void releaseButton(POINT window);
    void resized();
    void refreshChildren() const;
    LRESULT controlColour(UINT msg, HDC dc, HWND control);

    const FrameKind kind_;
    bool captioned_ = false;
    bool hasMinBox_ = false;
    bool hasMaxBox_ = false;
    bool active_ = true;
    Button buttons_[3];
    int hot_ = -1;      // the button under the mouse
    int pressed_ = -1;  // the button held down
    HICON icon_ = nullptr;  // the application's icon, when the class has none

    // Rebuilt when refresh_ is set or the window's size changed.
    MemoryDC cache_;  // background and border of the whole window
    HBRUSH backgroundBrush_ = nullptr;
    MemoryDC caption_;  // where the caption band is put together
};

class DialogSkin : public WindowFrameSkin {
public:
    static void attach(HWND hwnd);

private:
    explicit DialogSkin(HWND hwnd) : WindowFrameSkin(hwnd, FrameKind::Dialog) {}
};

class FrameWndSkin : public WindowFrameSkin {
public:
    static void attach(HWND hwnd);

private:
    explicit FrameWndSkin(HWND hwnd) : WindowFrameSkin(hwnd, FrameKind::FrameWnd) {}
};

// Frees the images shared by all dialogs and by all frame windows (the next
// window of each kind loads them again).
void releaseWindowFrameImages();

}  // namespace skin
