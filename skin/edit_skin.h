// Edit controls with a sunken edge (WS_EX_CLIENTEDGE) framed from the
// skin: a nine-grid frame as thick as its margins, one look without the
// focus and one with it, fading into each other.  An edit too low for the
// frame gets a flat two-line border instead; edits without the edge keep
// the system look.
#pragma once

#include "skin/skin_image.h"
#include "skin/skin_rules.h"
#include "skin/skin_window.h"

namespace skin {

class EditSkin : public SkinWindow {
public:
    static void attach(HWND hwnd);

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit EditSkin(HWND hwnd) : SkinWindow(hwnd) {}

    void load(const CREATESTRUCTA& create);
    void growClient(RECT& proposed) const;
    void renderFrames(int width, int height);
    void rebuildCaches();
    void paintFrame();
    void drawFrame(HDC dc, const MemoryDC& look);
    void focusChanged(bool focused);
    void fadeStep();

    NineGridSource normalSource_;
    NineGridSource focusSource_;
    SkinImage normal_;
    SkinImage focus_;
    int marginX_ = 0;
    int marginY_ = 0;
    bool flat_ = false;
    Fade fade_;
    int opacity_ = 255;
    bool focused_ = false;

    // Rebuilt when refresh_ is set.
    RECT inner_ = {};  // client area and scroll bars, window coordinates
    MemoryDC snapshot_;
    MemoryDC composedNormal_;
    MemoryDC composedFocus_;
};

}  // namespace skin
