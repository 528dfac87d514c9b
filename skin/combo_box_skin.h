// Combo boxes drawn from the skin: a white field in a thin rounded outline
// with the selection's text, and the drop button from a strip shared by all
// combo boxes (at rest, under the mouse, pressed, disabled).
#pragma once

#include "skin/skin_image.h"
#include "skin/skin_window.h"

namespace skin {

class ComboBoxSkin : public SkinWindow {
public:
    static void attach(HWND hwnd);

    // For tests: the drop button, in client coordinates.
    RECT dropButton() const;

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit ComboBoxSkin(HWND hwnd) : SkinWindow(hwnd) {}

    int buttonFrame() const;
    void paint();
    void trackHover(POINT p);

    bool pressed_ = false;
    bool hover_ = false;
    MemoryDC snapshot_;  // the parent under the whole box; retaken with refresh_
};

// Frees the strip the combo boxes share (the next one loads it again).
void releaseComboBoxImages();

}  // namespace skin
