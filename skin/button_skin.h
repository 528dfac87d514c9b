// Buttons drawn from the skin: push buttons from three looks (normal, under
// the mouse, pressed) that fade into each other, check boxes and radio
// buttons from a strip of box, box under the mouse and check mark, whose
// mark zooms, wipes or fades in and out, and group boxes as a rounded frame
// line with their caption cut out of it.
//
// Push buttons, check boxes and radio buttons become owner-drawn so that
// the control no longer paints; the skin keeps the checked state, answers
// the dialog manager as the original type would, and clicks only when the
// press began on the button and ends inside it.  Other button types keep
// the system look.
#pragma once

#include <array>
#include <string>

#include "skin/paint_rules.h"
#include "skin/skin_image.h"
#include "skin/skin_window.h"

namespace skin {

class ButtonSkin : public SkinWindow {
public:
    enum class Kind { Other = -1, Push = 0, Radio = 1, Check = 2, GroupBox = 3 };

    static void attach(HWND hwnd);

    Kind kind() const { return kind_; }

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit ButtonSkin(HWND hwnd) : SkinWindow(hwnd) {}

    // Push buttons use the first three, check boxes and radios all five.
    enum Look { kNormal = 0, kHover = 1, kDown = 2, kCheckedHover = 3, kCheckedNormal = 4, kLooks = 5 };

    bool paintsItself() const { return kind_ == Kind::Push || kind_ == Kind::Radio || kind_ == Kind::Check; }
    bool boxed() const { return kind_ == Kind::Radio || kind_ == Kind::Check; }

    void load(const CREATESTRUCTA& create);
    void layout();
    Look currentLook() const;
    Look restLook() const { return boxed() && checked_ ? kCheckedNormal : kNormal; }
    const MemoryDC& rendered(Look look);
    MemoryDC render(Look look, bool disabled) const;
    void drawCaption(HDC dc, bool disabled, bool pressed) const;

    void paint();
    void present(HDC target, const MemoryDC& picture) const;
    void paintGroupBox(HDC dc);

    void mouseMove(POINT p);
    void press();
    void release(bool inside);
    void restAtOnce();
    void lookChanged();
    void fadeStep();
    void setChecked(bool checked, bool animate);
    void checkStep();
    void drawCheckFrame(HDC target);
    void clickRadio();

    Kind kind_ = Kind::Other;
    int creationType_ = 0;
    bool default_ = false;  // BS_DEFPUSHBUTTON, as the dialog manager sets it

    std::array<SkinImage, kLooks> images_;
    NineGridSource grids_[3];  // push buttons with MaskColor: their looks at any size
    SkinImage mark_;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    int offset_ = 0;  // of the image from the top
    RECT text_ = {};
    COLORREF frameColour_ = 0;
    COLORREF textColour_ = 0;

    bool hover_ = false;
    bool armed_ = false;     // pressed on this button and still held
    bool keyArmed_ = false;  // pressed by the space bar
    bool checked_ = false;

    Fade fade_;
    int opacity_ = 255;  // of fadeTo_ over fadeFrom_; 255 = no fade running
    Look shown_ = kNormal;
    Look fadeFrom_ = kNormal;
    Look fadeTo_ = kNormal;

    CheckStyle checkStyle_ = CheckStyle::Zoom;
    double increment_ = 0;  // of the check animation's progress per tick
    double progress_ = 1;
    bool animating_ = false;

    // Rebuilt when refresh_ is set, the text or the enabled state changes.
    MemoryDC snapshot_;  // the parent under the whole client area
    std::array<MemoryDC, kLooks> rendered_;
    MemoryDC disabled_;
    std::string renderedText_;
    MemoryDC scratch_;  // where fades and animation frames are put together
};

}  // namespace skin
