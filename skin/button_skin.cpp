#include "skin/button_skin.h"

#include <algorithm>

#include "skin/paint.h"
#include "skin/skin_library.h"

namespace skin {

namespace {

constexpr UINT_PTR kFadeTimer = 1;
constexpr UINT_PTR kCheckTimer = 2;
constexpr LONG kOwnerDraw = 0xB;  // BS_OWNERDRAW
const COLORREF kText = RGB(0, 0, 0);
const COLORREF kGreyText = RGB(141, 141, 141);

POINT pointOf(LPARAM lParam) { return {short(LOWORD(lParam)), short(HIWORD(lParam))}; }

}  // namespace

void ButtonSkin::attach(HWND hwnd) {
    adopt(new ButtonSkin(hwnd));
}

bool ButtonSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_CREATE: {
        result = callPrevious(msg, wParam, lParam);
        if (result != -1) load(*reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return true;
    }
    case kSkinRefresh:
        InvalidateRect(hwnd(), nullptr, FALSE);
        result = 0;
        return true;
    default:
        break;
    }
    if (kind_ == Kind::Other) return false;
    if (kind_ == Kind::GroupBox) {
        if (msg == WM_PAINT) {
            DefWindowProcA(hwnd(), msg, wParam, lParam);
            if (refresh_) layout();
            WindowDC dc(hwnd(), false);
            paintGroupBox(dc.dc());
            result = 1;
            return true;
        }
        if (msg == WM_ERASEBKGND) {
            result = 1;
            return true;
        }
        if (msg == WM_SIZE || msg == WM_MOVE || msg == WM_SETTEXT) {
            refresh_ = true;
            InvalidateRect(hwnd(), nullptr, FALSE);
        }
        return false;
    }

    switch (msg) {
    case WM_PAINT:
        DefWindowProcA(hwnd(), msg, wParam, lParam);  // validates
        paint();
        result = 1;
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_SIZE:
    case WM_MOVE:
        refresh_ = true;
        InvalidateRect(hwnd(), nullptr, FALSE);
        return false;
    case WM_ENABLE:
        if (!wParam) restAtOnce();
        InvalidateRect(hwnd(), nullptr, TRUE);
        return false;
    case WM_SETTEXT:
    case WM_SETFOCUS:
    case WM_UPDATEUISTATE:
        // The owner-drawn control repaints what it thinks it owns here.
        result = callPrevious(msg, wParam, lParam);
        InvalidateRect(hwnd(), nullptr, FALSE);
        return true;
    case WM_KILLFOCUS:
        restAtOnce();
        return false;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd() && (hover_ || armed_)) restAtOnce();
        return false;
    case WM_MOUSEMOVE:
        mouseMove(pointOf(lParam));
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        press();
        result = 1;
        return true;
    case WM_LBUTTONUP: {
        RECT client;
        GetClientRect(hwnd(), &client);
        release(PtInRect(&client, pointOf(lParam)) != FALSE);  // may end with the button gone
        result = 1;
        return true;
    }
    case WM_KEYDOWN:
        // The space bar presses as the left button does; the control keeps
        // its own pushed state and capture for it.
        if (wParam == VK_SPACE && !(lParam & 0x40000000)) {
            result = callPrevious(msg, wParam, lParam);
            keyArmed_ = true;
            press();
            return true;
        }
        return false;
    case WM_KEYUP:
        if (wParam == VK_SPACE && keyArmed_) {
            keyArmed_ = false;
            callPrevious(BM_SETSTATE, FALSE, 0);
            if (armed_) release(true);  // may end with the button gone
            result = 0;
            return true;
        }
        return false;
    case WM_GETDLGCODE:
        result = kind_ == Kind::Push ? DLGC_BUTTON | (default_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON)
                 : kind_ == Kind::Radio ? DLGC_BUTTON | DLGC_RADIOBUTTON
                                        : DLGC_BUTTON;
        return true;
    case BM_SETSTYLE:
        // The dialog manager moves the default between push buttons; the
        // control stays owner-drawn and the skin remembers the default.
        if (kind_ == Kind::Push) default_ = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        result = callPrevious(msg, (wParam & ~WPARAM(BS_TYPEMASK)) | kOwnerDraw, lParam);
        InvalidateRect(hwnd(), nullptr, FALSE);
        return true;
    case BM_GETCHECK:
        result = checked_ ? BST_CHECKED : BST_UNCHECKED;
        return true;
    case BM_GETSTATE:
        result = (callPrevious(msg, wParam, lParam) & ~LRESULT(BST_CHECKED)) | (checked_ ? BST_CHECKED : 0);
        return true;
    case BM_SETCHECK:
        if (boxed() && (wParam != 0) != checked_) setChecked(wParam != 0, true);
        return false;
    case WM_TIMER:
        if (wParam == kFadeTimer) {
            fadeStep();
            return true;
        }
        if (wParam == kCheckTimer) {
            checkStep();
            return true;
        }
        return false;
    default:
        return false;
    }
}

// --- loading and layout -----------------------------------------------------------------------

void ButtonSkin::load(const CREATESTRUCTA& create) {
    creationType_ = int(create.style & 0xFF);
    switch (creationType_) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        kind_ = Kind::Push;
        break;
    case BS_AUTORADIOBUTTON:
        kind_ = Kind::Radio;
        break;
    case BS_AUTOCHECKBOX:
        kind_ = Kind::Check;
        break;
    case BS_GROUPBOX:
        kind_ = Kind::GroupBox;
        break;
    default:
        kind_ = Kind::Other;
        break;
    }
    default_ = creationType_ == BS_DEFPUSHBUTTON;
    ProfileSkinFile file;
    const int id = int(reinterpret_cast<INT_PTR>(create.hMenu));
    switch (kind_) {
    case Kind::Push: {
        const std::string section = buttonSection(file, id);
        COLORREF marker = file.getColour(section, "MaskColor");
        const char* keys[3] = {"NormalImg", "HoverImg", "DownImg"};
        int width = create.cx, height = create.cy;
        for (int i = 0; i < 3; ++i) {
            std::string path = file.getImage(section, keys[i]);
            if (marker == 0) {
                images_[std::size_t(i)] = SkinImage::loadScaled(path);
            } else {
                grids_[i] = NineGridSource(path, marker);
                int w = create.cx, h = create.cy;
                images_[std::size_t(i)] = grids_[i].render(w, h, false);
            }
            if (const SkinImage& image = images_[std::size_t(i)]) {
                // The window takes the size of an image at its own size, and
                // grows for a frame that needs more room than it has.
                width = marker == 0 ? image.width() : std::max(width, image.width());
                height = marker == 0 ? image.height() : std::max(height, image.height());
                imageWidth_ = image.width();
                imageHeight_ = image.height();
            }
        }
        if (width != create.cx || height != create.cy)
            SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        fade_ = fadeFromHoverTime(file.getInt(section, "HoverTime"));
        break;
    }
    case Kind::Check:
    case Kind::Radio: {
        const std::string section = kind_ == Kind::Check ? "CheckBox" : "Radio";
        checkStyle_ = checkStyleOf(file.getInt(section, "CheckStyle"));
        std::vector<SkinImage> frames = SkinImage::loadStrip(file.getImage(section, "StateImgs"), 3, &imageWidth_,
                                                             &imageHeight_);
        images_[kNormal] = std::move(frames[0]);
        images_[kHover] = std::move(frames[1]);
        mark_ = std::move(frames[2]);
        images_[kCheckedNormal] = images_[kNormal].with(mark_);
        images_[kCheckedHover] = images_[kHover].with(mark_);
        fade_ = fadeFromHoverTime(file.getInt(section, "HoverTime"));
        increment_ = fade_.steps > 0 ? 1.0 / fade_.steps : 0;
        break;
    }
    case Kind::GroupBox:
        frameColour_ = file.getColour("GroupBox", "FrameColor");
        textColour_ = file.getColour("GroupBox", "TextColor");
        return;
    case Kind::Other:
        // The system look stays: these types have no images to show.
        return;
    }
    SetWindowLongPtrA(hwnd(), GWL_STYLE, (GetWindowLongPtrA(hwnd(), GWL_STYLE) & ~LONG_PTR(BS_TYPEMASK)) | kOwnerDraw);
}

void ButtonSkin::layout() {
    refresh_ = false;
    RECT client;
    GetClientRect(hwnd(), &client);
    text_ = client;
    offset_ = 0;
    if (kind_ == Kind::Push) {
        // Nine-grid looks follow the window's size.
        for (int i = 0; i < 3; ++i) {
            if (!grids_[i] || (images_[std::size_t(i)].width() == client.right &&
                               images_[std::size_t(i)].height() == client.bottom))
                continue;
            int w = client.right, h = client.bottom;
            images_[std::size_t(i)] = grids_[i].render(w, h, false);
        }
    } else if (boxed()) {
        if (imageHeight_ <= client.bottom && imageWidth_ <= client.right) {
            offset_ = (client.bottom - imageHeight_) / 2;
        } else {
            WindowDC dc(hwnd(), false);
            SIZE text = textExtent(dc.dc(), fontOf(hwnd()), textOf(hwnd()));
            SetWindowPos(hwnd(), nullptr, 0, 0, text.cx + imageWidth_ + 6, imageHeight_ + 4,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            GetClientRect(hwnd(), &client);
            offset_ = 2;
            refresh_ = false;  // the resize asked for a layout this one is
        }
        text_ = client;
        text_.left = imageWidth_ + 6;
    } else if (kind_ == Kind::GroupBox) {
        WindowDC dc(hwnd(), false);
        SIZE text = textExtent(dc.dc(), fontOf(hwnd()), textOf(hwnd()));
        text_ = {8, 0, 8 + text.cx, text.cy};
    }
    snapshot_ = parentBackground(kind_ == Kind::GroupBox ? text_ : client);
    for (MemoryDC& look : rendered_) look = MemoryDC();
    disabled_ = MemoryDC();
    renderedText_.clear();
}

// --- looks -------------------------------------------------------------------------------------

ButtonSkin::Look ButtonSkin::currentLook() const {
    bool held = armed_ && (hover_ || keyArmed_);
    if (kind_ == Kind::Push) return held ? kDown : hover_ ? kHover : kNormal;
    if (held) return restLook();  // pressed: the box lets go of its hover look
    if (checked_) return hover_ ? kCheckedHover : kCheckedNormal;
    return hover_ ? kHover : kNormal;
}

void ButtonSkin::drawCaption(HDC dc, bool disabled, bool pressed) const {
    COLORREF colour = disabled ? kGreyText : kText;
    RECT r = text_;
    if (kind_ == Kind::Push) {
        if (pressed) OffsetRect(&r, 1, 1);
        drawText(dc, renderedText_, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE, colour, fontOf(hwnd()));
    } else {
        drawText(dc, renderedText_, r, DT_LEFT | DT_VCENTER | DT_SINGLELINE, colour, fontOf(hwnd()));
    }
}

// A whole client area: the parent's background, the look's image and the
// caption.
MemoryDC ButtonSkin::render(Look look, bool disabled) const {
    RECT client;
    GetClientRect(hwnd(), &client);
    MemoryDC out(snapshot_ ? snapshot_.dc() : nullptr, client.right, client.bottom);
    if (!out) return out;
    if (snapshot_)
        snapshot_.copyTo(out.dc(), 0, 0);
    else
        fillSolid(out.dc(), client, GetSysColor(COLOR_BTNFACE));
    const SkinImage& image = images_[std::size_t(look)];
    if (disabled)
        image.drawGrey(out.dc(), 0, offset_);
    else
        image.draw(out.dc(), 0, offset_);
    drawCaption(out.dc(), disabled, look == kDown);
    return out;
}

const MemoryDC& ButtonSkin::rendered(Look look) {
    std::string text = textOf(hwnd());
    if (text != renderedText_) {
        for (MemoryDC& l : rendered_) l = MemoryDC();
        disabled_ = MemoryDC();
        renderedText_ = text;
    }
    if (!IsWindowEnabled(hwnd())) {
        if (!disabled_) disabled_ = render(restLook(), true);
        return disabled_;
    }
    MemoryDC& cached = rendered_[std::size_t(look)];
    if (!cached) cached = render(look, false);
    return cached;
}

// --- painting ------------------------------------------------------------------------------------

void ButtonSkin::present(HDC target, const MemoryDC& picture) const {
    if (!picture) return;
    bool focusShown = GetFocus() == hwnd() && !(SendMessageA(hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    if (!focusShown) {
        picture.copyTo(target, 0, 0);
        return;
    }
    // The focus rectangle goes on a copy, so that the looks stay clean.
    MemoryDC shown(target, picture.width(), picture.height());
    if (!shown) return;
    picture.copyTo(shown.dc(), 0, 0);
    RECT focus = text_;
    if (kind_ == Kind::Push) {
        InflateRect(&focus, -3, -3);
    } else {
        WindowDC measure(hwnd(), false);
        SIZE size = textExtent(measure.dc(), fontOf(hwnd()), renderedText_);
        focus = {text_.left - 1, (text_.top + text_.bottom - size.cy) / 2 - 1, text_.left + size.cx + 1,
                 (text_.top + text_.bottom + size.cy) / 2 + 1};
    }
    DrawFocusRect(shown.dc(), &focus);
    shown.copyTo(target, 0, 0);
}

void ButtonSkin::paint() {
    if (refresh_) layout();
    WindowDC dc(hwnd(), false);
    if (!dc) return;
    if (!IsWindowEnabled(hwnd())) {
        present(dc.dc(), rendered(restLook()));
        return;
    }
    if (animating_) {
        drawCheckFrame(dc.dc());
        return;
    }
    if (opacity_ < 255) {
        const MemoryDC& from = rendered(fadeFrom_);
        const MemoryDC& to = rendered(fadeTo_);
        if (!scratch_ || scratch_.width() != from.width() || scratch_.height() != from.height())
            scratch_ = MemoryDC(dc.dc(), from.width(), from.height());
        if (scratch_) {
            from.copyTo(scratch_.dc(), 0, 0);
            scratch_.blendFrom(to, opacity_);
            present(dc.dc(), scratch_);
        }
        return;
    }
    present(dc.dc(), rendered(shown_));
}

void ButtonSkin::paintGroupBox(HDC dc) {
    RECT client;
    GetClientRect(hwnd(), &client);
    std::string text = textOf(hwnd());
    {
        SavedDC saved(dc);
        if (!text.empty()) ExcludeClipRect(dc, text_.left, text_.top, text_.right, text_.bottom);
        roundOutline(dc, RECT{0, text_.bottom / 2, client.right, client.bottom}, 5, frameColour_);
    }
    if (text.empty()) return;
    MemoryDC caption(dc, text_.right - text_.left, text_.bottom - text_.top);
    if (!caption) return;
    if (snapshot_) snapshot_.copyTo(caption.dc(), 0, 0);
    RECT r = {0, 0, caption.width(), caption.height()};
    drawText(caption.dc(), text, r, DT_LEFT | DT_SINGLELINE | DT_NOCLIP,
             IsWindowEnabled(hwnd()) ? textColour_ : kGreyText, fontOf(hwnd()));
    caption.copyTo(dc, text_.left, text_.top);
}

// --- the mouse and the looks' changes -----------------------------------------------------------

void ButtonSkin::lookChanged() {
    Look to = currentLook();
    bool fading = opacity_ < 255;
    if (to == (fading ? fadeTo_ : shown_)) return;
    if (!fade_.fades() || animating_ || !IsWindowVisible(hwnd())) {
        KillTimer(hwnd(), kFadeTimer);
        opacity_ = 255;
        shown_ = to;
        InvalidateRect(hwnd(), nullptr, FALSE);
        return;
    }
    if (fading && to == fadeFrom_) {  // turns round from where it is
        std::swap(fadeFrom_, fadeTo_);
        opacity_ = 255 - opacity_;
    } else {
        fadeFrom_ = fading ? (opacity_ >= 128 ? fadeTo_ : fadeFrom_) : shown_;
        fadeTo_ = to;
        opacity_ = 0;
    }
    SetTimer(hwnd(), kFadeTimer, kFadeTimerMs, nullptr);
}

void ButtonSkin::fadeStep() {
    if (opacity_ >= 255) {
        KillTimer(hwnd(), kFadeTimer);
        return;
    }
    opacity_ = nextFadeOpacity(fade_, opacity_);
    if (opacity_ >= 255) {
        KillTimer(hwnd(), kFadeTimer);
        shown_ = fadeTo_;
    }
    paint();
}

void ButtonSkin::mouseMove(POINT p) {
    RECT client;
    GetClientRect(hwnd(), &client);
    bool inside = PtInRect(&client, p) != FALSE;
    if (inside == hover_) return;
    hover_ = inside;
    if (inside) {
        if (GetCapture() != hwnd()) SetCapture(hwnd());
    } else if (!armed_ && !keyArmed_ && GetCapture() == hwnd()) {
        ReleaseCapture();
    }
    lookChanged();
}

void ButtonSkin::press() {
    // A mouse press takes the focus as a standard button's does: dialogs
    // tell a click of their buttons from Enter in an edit by where the focus
    // is, and an edit left this way checks its value.
    if (!keyArmed_ && GetFocus() != hwnd()) SetFocus(hwnd());
    armed_ = true;
    if (!keyArmed_) hover_ = true;
    if (GetCapture() != hwnd()) SetCapture(hwnd());
    lookChanged();
}

// The rest look at once: no fade, no capture, nothing held.
void ButtonSkin::restAtOnce() {
    hover_ = armed_ = keyArmed_ = false;
    KillTimer(hwnd(), kFadeTimer);
    opacity_ = 255;
    shown_ = currentLook();
    if (GetCapture() == hwnd()) ReleaseCapture();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

// A click needs the press to have begun on this button and the release to
// be inside it; anything else only puts the rest look back.
void ButtonSkin::release(bool inside) {
    bool click = armed_ && inside;
    armed_ = false;
    if (!click) {
        restAtOnce();
        return;
    }
    HWND self = hwnd();
    HWND parent = GetParent(self);
    const int id = GetDlgCtrlID(self);
    if (kind_ == Kind::Push) {
        restAtOnce();
    } else {
        // The mouse is still on the box: its hover look stays.
        if (kind_ == Kind::Check) {
            setChecked(!checked_, false);
            SendMessageA(self, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
            if (SkinWindow::find(self) == this) setChecked(checked_, true);
        } else if (!checked_) {
            clickRadio();
        }
    }
    // Last: the parent may destroy the button (and this skin) in its answer.
    if (IsWindow(self)) SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(self));
}

// Checks this radio button and clears the others of its group.
void ButtonSkin::clickRadio() {
    HWND self = hwnd();
    setChecked(true, false);
    HWND parent = GetParent(self);
    HWND other = self;
    for (int guard = 0; guard < 512; ++guard) {
        other = GetNextDlgGroupItem(parent, other, TRUE);
        if (!other || other == self) break;
        char cls[16] = {};
        GetClassNameA(other, cls, sizeof cls);
        auto* skin = dynamic_cast<ButtonSkin*>(SkinWindow::find(other));
        if (lstrcmpA(cls, "Button") == 0 && skin && skin->kind() == Kind::Radio) SendMessageA(other, BM_SETCHECK, 0, 0);
    }
    SendMessageA(self, BM_SETCHECK, BST_CHECKED, 0);
    if (SkinWindow::find(self) == this) setChecked(true, true);
}

// --- the check mark ----------------------------------------------------------------------------------

// A new checked state.  `animate` starts the mark's animation from where
// it starts for that state (only on the screen, with a HoverTime);
// otherwise the state only changes.
void ButtonSkin::setChecked(bool checked, bool animate) {
    if (checked != checked_) progress_ = checkStartProgress(checkStyle_, checked);
    checked_ = checked;
    if (!animate) return;
    KillTimer(hwnd(), kFadeTimer);
    opacity_ = 255;
    shown_ = currentLook();
    if (increment_ > 0 && IsWindowEnabled(hwnd()) && IsWindowVisible(hwnd())) {
        progress_ = checkStartProgress(checkStyle_, checked_);
        animating_ = true;
        SetTimer(hwnd(), kCheckTimer, kFadeTimerMs, nullptr);
    } else {
        animating_ = false;
        KillTimer(hwnd(), kCheckTimer);
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

// One frame of the mark's animation: the box without the mark, and the
// part of the mark the progress shows.
void ButtonSkin::checkStep() {
    if (!animating_) {
        KillTimer(hwnd(), kCheckTimer);
        return;
    }
    CheckStep step = checkAnimationStep(checkStyle_, checked_, progress_, increment_);
    progress_ = step.progress;
    if (!step.running) {
        animating_ = false;
        KillTimer(hwnd(), kCheckTimer);
        shown_ = currentLook();
        paint();
        return;
    }
    if (refresh_) layout();
    WindowDC dc(hwnd(), false);
    if (dc) drawCheckFrame(dc.dc());
}

void ButtonSkin::drawCheckFrame(HDC target) {
    const MemoryDC& box = rendered(hover_ ? kHover : kNormal);
    if (!box) return;
    if (!scratch_ || scratch_.width() != box.width() || scratch_.height() != box.height())
        scratch_ = MemoryDC(target, box.width(), box.height());
    if (!scratch_) return;
    box.copyTo(scratch_.dc(), 0, 0);
    MarkPart part = checkMarkPart(checkStyle_, checked_, progress_, mark_.width(), mark_.height());
    if (!part.empty()) {
        RECT dest = {part.dest.x, offset_ + part.dest.y, part.dest.x + part.dest.width,
                     offset_ + part.dest.y + part.dest.height};
        RECT source = {part.source.x, part.source.y, part.source.x + part.source.width,
                       part.source.y + part.source.height};
        mark_.draw(scratch_.dc(), dest, source, part.opacity);
    }
    present(target, scratch_);
}

}  // namespace skin
