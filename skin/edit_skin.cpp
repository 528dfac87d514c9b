#include "skin/edit_skin.h"

#include "skin/paint.h"
#include "skin/skin_library.h"

namespace skin {

namespace {

// Edits use timer 0 themselves (scrolling while selecting).
constexpr UINT_PTR kFadeTimer = 0x5EED;

RECT windowRectOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    OffsetRect(&r, -r.left, -r.top);
    return r;
}

}  // namespace

void EditSkin::attach(HWND hwnd) {
    adopt(new EditSkin(hwnd));
}

bool EditSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCCREATE:
        load(*reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return false;
    case WM_CREATE:
        if (!(reinterpret_cast<const CREATESTRUCTA*>(lParam)->dwExStyle & WS_EX_CLIENTEDGE)) {
            delete this;  // the edit keeps the system look; its procedure is back
            return false;
        }
        return false;
    case WM_NCCALCSIZE:
        if (!flat_) growClient(wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : *reinterpret_cast<RECT*>(lParam));
        return false;
    case WM_NCPAINT:
        // The system draws the scroll bars (and its edge, which the frame
        // then covers).
        result = callPrevious(msg, wParam, lParam);
        paintFrame();
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        result = callPrevious(msg, wParam, lParam);
        focusChanged(msg == WM_SETFOCUS);
        return true;
    case WM_SIZE: {
        RECT window = windowRectOf(hwnd());
        if (!flat_ && (window.right != normal_.width() || window.bottom != normal_.height()))
            renderFrames(window.right, window.bottom);
        refresh_ = true;
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        return false;
    }
    case WM_MOVE:
        refresh_ = true;
        return false;
    case WM_TIMER:
        if (wParam != kFadeTimer) return false;
        fadeStep();
        result = 0;
        return true;
    case kSkinRefresh:
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        result = 0;
        return true;
    default:
        return false;
    }
}

void EditSkin::load(const CREATESTRUCTA& create) {
    flat_ = true;  // until WM_CREATE removes the skin of an edit without the edge
    if (!(create.dwExStyle & WS_EX_CLIENTEDGE)) return;
    ProfileSkinFile file;
    COLORREF marker = file.getColour("TextBox", "MaskColor");
    normalSource_ = NineGridSource(file.getImage("TextBox", "NormalImg"), marker);
    focusSource_ = NineGridSource(file.getImage("TextBox", "FocusImg"), marker);
    marginX_ = normalSource_.marginX();
    marginY_ = normalSource_.marginY();
    fade_ = fadeFromHoverTime(file.getInt("TextBox", "HoverTime"));
    // Too low for the frame and a line of text (the font the edit starts
    // with): a flat border.
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, guiFont());
    TEXTMETRICA tm = {};
    GetTextMetricsA(screen, &tm);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    flat_ = !normalSource_ || create.cy < marginY_ + tm.tmHeight;
    if (!flat_) renderFrames(create.cx, create.cy);
}

void EditSkin::renderFrames(int width, int height) {
    int w = width, h = height;
    normal_ = normalSource_.render(w, h, false);
    w = width;
    h = height;
    focus_ = focusSource_.render(w, h, false);
}

// The system takes a 2-pixel edge off the client area; grown by 2 - margin
// first, the border ends up as thick as the frame's margins.
void EditSkin::growClient(RECT& proposed) const {
    proposed.left -= 2 - marginX_;
    proposed.right += 2 - marginX_;
    proposed.top -= 2 - marginY_;
    proposed.bottom += 2 - marginY_;
}

void EditSkin::rebuildCaches() {
    refresh_ = false;
    RECT window = windowRectOf(hwnd());
    int mx = flat_ ? 2 : marginX_, my = flat_ ? 2 : marginY_;
    inner_ = {mx, my, window.right - mx, window.bottom - my};
    if (flat_) return;
    // The window's rectangle in its client coordinates.
    RECT under;
    GetWindowRect(hwnd(), &under);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&under), 2);
    snapshot_ = parentBackground(under);
    composedNormal_ = MemoryDC();
    composedFocus_ = MemoryDC();
    for (auto [look, composed] : {std::pair{&normal_, &composedNormal_}, std::pair{&focus_, &composedFocus_}}) {
        *composed = MemoryDC(snapshot_ ? snapshot_.dc() : nullptr, window.right, window.bottom);
        if (!*composed) continue;
        if (snapshot_) snapshot_.copyTo(composed->dc(), 0, 0);
        else fillSolid(composed->dc(), window, GetSysColor(COLOR_BTNFACE));
        look->draw(composed->dc(), 0, 0);
    }
}

void EditSkin::drawFrame(HDC dc, const MemoryDC& look) {
    SavedDC saved(dc);
    ExcludeClipRect(dc, inner_.left, inner_.top, inner_.right, inner_.bottom);
    if (flat_) {
        RECT window = windowRectOf(hwnd());
        roundOutline(dc, window, 2, 0xA8A8A8);
        InflateRect(&window, -1, -1);
        roundOutline(dc, window, 2, 0xE6E6E6);
        return;
    }
    look.copyTo(dc, 0, 0);
}

void EditSkin::paintFrame() {
    if (refresh_) rebuildCaches();
    WindowDC dc(hwnd(), true);
    if (dc) drawFrame(dc.dc(), focused_ ? composedFocus_ : composedNormal_);
}

// A fade in progress turns round from where it is.
void EditSkin::focusChanged(bool focused) {
    if (focused == focused_) return;
    focused_ = focused;
    if (flat_ || !fade_.fades() || !IsWindowVisible(hwnd())) {
        opacity_ = 255;
        KillTimer(hwnd(), kFadeTimer);
        paintFrame();
        return;
    }
    opacity_ = 255 - opacity_;
    SetTimer(hwnd(), kFadeTimer, kFadeTimerMs, nullptr);
}

void EditSkin::fadeStep() {
    if (refresh_) rebuildCaches();
    opacity_ = nextFadeOpacity(fade_, opacity_);
    if (opacity_ >= 255) KillTimer(hwnd(), kFadeTimer);
    const MemoryDC& to = focused_ ? composedFocus_ : composedNormal_;
    const MemoryDC& from = focused_ ? composedNormal_ : composedFocus_;
    if (!from || !to) return;
    MemoryDC frame = from.copyOf(0, 0, from.width(), from.height());
    frame.blendFrom(to, opacity_);
    WindowDC dc(hwnd(), true);
    if (dc) drawFrame(dc.dc(), frame);
}

}  // namespace skin
