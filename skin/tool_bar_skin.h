// Toolbars drawn from the skin: each button's glyph from a strip over the
// background under the toolbar, a nine-grid background behind the button
// under the mouse (fading out when the mouse leaves it) and while pressed,
// and separator lines.  A toolbar whose identifier's section names no
// glyph strip keeps the system look.  After every paint the toolbar tells
// its child windows (the search box) to take their background again.
#pragma once

#include <vector>

#include "skin/skin_image.h"
#include "skin/skin_rules.h"
#include "skin/skin_window.h"

namespace skin {

class ToolBarSkin : public SkinWindow {
public:
    static void attach(HWND hwnd);

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit ToolBarSkin(HWND hwnd) : SkinWindow(hwnd) {}

    bool load(const CREATESTRUCTA& create);
    int buttonAt(POINT p) const;
    void paint();
    void drawButton(HDC dc, int index, const RECT& r, POINT origin);
    void drawButtonNow(int index);
    void setHot(int index);
    void fadeStep(int index);
    int& fadeOf(int index);

    std::vector<SkinImage> icons_;
    int iconWidth_ = 0;
    int iconHeight_ = 0;
    SkinImage hover_;
    SkinImage down_;
    SkinImage separator_;
    Fade fade_;
    int hot_ = -1;
    int pressed_ = -1;
    std::vector<int> fading_;  // per button: the hover background's opacity while it fades out, else -1
    MemoryDC background_;      // under the whole toolbar; retaken with refresh_
};

}  // namespace skin
