#include "skin/window_skin.h"

#include <algorithm>

#include "skin/edit_skin.h"
#include "skin/paint.h"
#include "skin/skin_library.h"

namespace skin {

namespace {

constexpr UINT_PTR kFirstButtonTimer = 167;  // + minimise 0, maximise 1, close 2
const COLORREF kOuterBorder = 0xB7A297;
const COLORREF kInactiveText = RGB(112, 112, 112);
constexpr int kCorner = 8;

// What all windows of one kind share: loaded with the first of them.
struct SharedLook {
    bool loaded = false;
    SkinImage background;
    int wrapMode = 0;
    std::vector<SkinImage> boxes[3];
    int boxWidth[3] = {};
    int boxHeight = 0;
    Fade fade;
};

SharedLook& shared(FrameKind kind) {
    static SharedLook looks[2];
    return looks[kind == FrameKind::Dialog ? 0 : 1];
}

const SharedLook& loadShared(FrameKind kind) {
    SharedLook& look = shared(kind);
    if (look.loaded) return look;
    ProfileSkinFile file;
    const std::string section = kind == FrameKind::Dialog ? "Dialog" : "FrameWnd";
    look.background = SkinImage::loadScaled(file.getImage(section, "BkgndImg"));
    look.wrapMode = file.getInt(section, "WrapMode");
    const char* keys[3] = {"MinBoxImg", "MaxBoxImg", "CloseBoxImg"};
    for (int i = 0; i < 3; ++i) {
        int height = 0;
        look.boxes[i] = SkinImage::loadStrip(file.getImage(section, keys[i]), 4, &look.boxWidth[i], &height);
        if (i == kClose) look.boxHeight = height;
    }
    look.fade = fadeFromHoverTime(file.getInt(section, "HoverTime"));
    look.loaded = true;
    return look;
}

// The caption's font: the default GUI font made 10 points high.
HFONT captionFont() {
    static HFONT font = nullptr;
    if (!font) {
        LOGFONTA lf = {};
        GetObjectA(guiFont(), sizeof lf, &lf);
        HDC screen = GetDC(nullptr);
        lf.lfHeight = -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        font = CreateFontIndirectA(&lf);
    }
    return font;
}

RECT windowRectAt0(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    OffsetRect(&r, -r.left, -r.top);
    return r;
}

// The client rectangle in window coordinates.
RECT clientInWindow(HWND hwnd) {
    RECT client, window;
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    GetWindowRect(hwnd, &window);
    OffsetRect(&client, -window.left, -window.top);
    return client;
}

POINT screenToWindow(HWND hwnd, POINT screen) {
    RECT window;
    GetWindowRect(hwnd, &window);
    return {screen.x - window.left, screen.y - window.top};
}

POINT lParamPoint(LPARAM lParam) { return {short(LOWORD(lParam)), short(HIWORD(lParam))}; }

RECT toRECT(const Rect& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }

constexpr bool isButtonHit(WPARAM hit) { return hit == HTMINBUTTON || hit == HTMAXBUTTON || hit == HTCLOSE; }

}  // namespace

void releaseWindowFrameImages() {
    for (FrameKind kind : {FrameKind::Dialog, FrameKind::FrameWnd}) shared(kind) = SharedLook();
}

void DialogSkin::attach(HWND hwnd) {
    adopt(new DialogSkin(hwnd));
}

void FrameWndSkin::attach(HWND hwnd) {
    adopt(new FrameWndSkin(hwnd));
}

WindowFrameSkin::~WindowFrameSkin() {
    for (int i = 0; i < 3; ++i) KillTimer(hwnd(), kFirstButtonTimer + UINT_PTR(i));
    if (icon_) DestroyIcon(icon_);
    if (backgroundBrush_) DeleteObject(backgroundBrush_);
}

// --- creation ---------------------------------------------------------------------------------------

// Captioned or not is decided once, from the style the window is created
// with; the decision is there for the first WM_NCCALCSIZE, which comes
// before WM_CREATE.
void WindowFrameSkin::decide(const CREATESTRUCTA& create) {
    captioned_ = (create.style & WS_CAPTION) != 0;
    hasMinBox_ = (create.style & WS_MINIMIZEBOX) != 0;
    hasMaxBox_ = (create.style & WS_MAXIMIZEBOX) != 0;
    if (captioned_) loadShared(kind_);
}

// The dialog manager sized the window for the system's caption and border;
// the skin's are thicker, so the window grows to keep the client area its
// template asks for.
void WindowFrameSkin::keepClientSize(const CREATESTRUCTA& create) {
    RECT system = {0, 0, 0, 0};
    AdjustWindowRectEx(&system, DWORD(create.style), FALSE, create.dwExStyle);
    Rect window = {0, 0, create.cx, create.cy};
    Rect client = {0, 0, window.width - (system.right - system.left), window.height - (system.bottom - system.top)};
    Rect skinned = captionedClient(kind_, window);
    int width = window.width + client.width - skinned.width;
    int height = window.height + client.height - skinned.height;
    if (width != create.cx || height != create.cy)
        SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Windows' own drawing of the frame is switched off where the system
// offers the switch.
void WindowFrameSkin::disableSystemFrame() const {
    HMODULE dwm = LoadLibraryA("dwmapi.dll");
    if (!dwm) return;
    using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    auto set = reinterpret_cast<SetAttribute>(reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
    if (set) {
        const int disabled = 1;  // DWMNCRP_DISABLED for DWMWA_NCRENDERING_POLICY
        set(hwnd(), 2, &disabled, sizeof disabled);
    }
    FreeLibrary(dwm);
}

bool WindowFrameSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCCREATE:
        decide(*reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return false;
    case WM_CREATE: {
        const auto& create = *reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (kind_ == FrameKind::FrameWnd) {
            // The program sees its frame created without the thin border.
            CREATESTRUCTA borderless = create;
            borderless.style &= ~WS_BORDER;
            result = callPrevious(msg, wParam, reinterpret_cast<LPARAM>(&borderless));
        } else {
            result = callPrevious(msg, wParam, lParam);
            if (captioned_ && result != -1) {
                SetWindowLongPtrA(hwnd(), GWL_STYLE,
                                  GetWindowLongPtrA(hwnd(), GWL_STYLE) & ~LONG_PTR(WS_CAPTION | WS_CLIPCHILDREN));
                keepClientSize(create);
            }
        }
        if (captioned_ && result != -1) disableSystemFrame();
        return true;
    }
    default:
        break;
    }
    if (!captioned_) return captionlessMessage(msg, wParam, lParam, result);
    return nonClient(msg, wParam, lParam, result);
}

bool WindowFrameSkin::captionlessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (kind_ == FrameKind::FrameWnd) {
        if (msg != WM_ERASEBKGND) return false;
        result = 1;  // views paint their whole client area
        return true;
    }
    switch (msg) {
    case WM_SIZE:
        refreshChildren();
        refresh_ = true;
        return false;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    default:
        (void)lParam;
        return false;
    }
}

// --- the messages of a captioned window -----------------------------------------------------------

bool WindowFrameSkin::nonClient(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCCALCSIZE: {
        RECT& proposed = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : *reinterpret_cast<RECT*>(lParam);
        Rect client = captionedClient(kind_, {proposed.left, proposed.top, proposed.right - proposed.left,
                                              proposed.bottom - proposed.top});
        proposed = toRECT(client);
        if (wParam) {
            auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
            params->rgrc[1] = params->rgrc[2] = proposed;
        }
        result = wParam ? WVR_REDRAW : 0;
        return true;
    }
    case WM_NCHITTEST: {
        result = callPrevious(msg, wParam, lParam);
        if (stale()) rebuild();  // the buttons' places
        POINT p = screenToWindow(hwnd(), lParamPoint(lParam));
        int button = buttonAt(p);
        if (button >= 0)
            result = button == kMinimise ? HTMINBUTTON : button == kMaximise ? HTMAXBUTTON : HTCLOSE;
        else if (p.y >= 0 && p.y < kCaptionHitHeight && result != HTNOWHERE)
            result = HTCAPTION;
        return true;
    }
    case WM_NCPAINT:
        ncPaint();
        result = 0;
        return true;
    case WM_NCACTIVATE:
        active_ = wParam != 0;
        ncPaint();
        result = wParam ? 0 : 1;
        return true;
    case 0xAE:  // the system's caption drawing messages; never sent under Wine
    case 0xAF:
        if (kind_ != FrameKind::FrameWnd) return false;
        ncPaint();
        result = 1;
        return true;
    case WM_SETTEXT:
    case WM_SETICON: {
        // The default handling draws the system's caption: it runs while the
        // window looks hidden, and the skin's caption is drawn again.
        LONG_PTR style = GetWindowLongPtrA(hwnd(), GWL_STYLE);
        if (style & WS_VISIBLE) SetWindowLongPtrA(hwnd(), GWL_STYLE, style & ~LONG_PTR(WS_VISIBLE));
        result = callPrevious(msg, wParam, lParam);
        if (style & WS_VISIBLE) SetWindowLongPtrA(hwnd(), GWL_STYLE, GetWindowLongPtrA(hwnd(), GWL_STYLE) | WS_VISIBLE);
        ncPaint();
        return true;
    }
    case WM_ERASEBKGND: {
        // The background continues the caption's; a frame's views cover
        // most of its client area, but not always all of it (a toolbar
        // sits below its divider's place), and what they leave shows the
        // background too rather than whatever was there.
        if (stale()) rebuild();
        RECT client = clientInWindow(hwnd());
        if (cache_)
            BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, client.right - client.left, client.bottom - client.top,
                   cache_.dc(), client.left, client.top, SRCCOPY);
        result = 1;
        return true;
    }
    case WM_GETMINMAXINFO: {
        // Maximised, the window fills the work area exactly: its border is
        // drawn inside it, not left off the screen as the system's is.
        result = callPrevious(msg, wParam, lParam);
        if (kind_ != FrameKind::FrameWnd) return true;
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoA(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &monitor)) {
            info->ptMaxPosition = {monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top};
            info->ptMaxSize = {monitor.rcWork.right - monitor.rcWork.left, monitor.rcWork.bottom - monitor.rcWork.top};
        }
        return true;
    }
    case WM_SIZE:
        result = callPrevious(msg, wParam, lParam);
        resized();
        return true;
    case WM_NCMOUSEMOVE: {
        POINT p = screenToWindow(hwnd(), lParamPoint(lParam));
        hover(pressed_ >= 0 ? pressed_ : buttonAt(p));
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE | TME_NONCLIENT, hwnd(), 0};
        TrackMouseEvent(&track);
        return false;
    }
    case WM_NCMOUSELEAVE:
        if (pressed_ < 0) hover(-1);
        return false;
    case WM_NCLBUTTONDOWN:
        if (!isButtonHit(wParam)) return false;
        pressButton(buttonAt(screenToWindow(hwnd(), lParamPoint(lParam))));
        result = 0;
        return true;
    case WM_NCLBUTTONDBLCLK:
        if (isButtonHit(wParam)) {
            pressButton(buttonAt(screenToWindow(hwnd(), lParamPoint(lParam))));
            result = 0;
            return true;
        }
        if (wParam != HTCAPTION) return false;
        if (IsIconic(hwnd()))
            PostMessageA(hwnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
        else if (hasMaxBox_)
            PostMessageA(hwnd(), WM_SYSCOMMAND, IsZoomed(hwnd()) ? SC_RESTORE : SC_MAXIMIZE, 0);
        result = 1;
        return true;
    case WM_NCLBUTTONUP:
        if (pressed_ < 0) return false;
        releaseButton(screenToWindow(hwnd(), lParamPoint(lParam)));
        result = 0;
        return true;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
        // A caption button held: the mouse is captured until it comes up.
        if (pressed_ < 0) return false;
        POINT p = lParamPoint(lParam);
        ClientToScreen(hwnd(), &p);
        p = screenToWindow(hwnd(), p);
        if (msg == WM_LBUTTONUP)
            releaseButton(p);
        else
            fadeTo(pressed_, buttonAt(p) == pressed_ ? 2 : 0, false);
        result = 0;
        return true;
    }
    case WM_CAPTURECHANGED:
        if (pressed_ >= 0 && reinterpret_cast<HWND>(lParam) != hwnd()) {
            int held = pressed_;
            pressed_ = -1;
            fadeTo(held, 0, false);
        }
        return false;
    case WM_TIMER:
        if (wParam >= kFirstButtonTimer && wParam < kFirstButtonTimer + 3) {
            fadeStep(int(wParam - kFirstButtonTimer));
            result = 0;
            return true;
        }
        return false;
    case WM_CTLCOLOREDIT:
        if (kind_ != FrameKind::Dialog || !dynamic_cast<EditSkin*>(find(reinterpret_cast<HWND>(lParam)))) return false;
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        if (kind_ != FrameKind::Dialog) return false;
        result = controlColour(msg, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        return true;
    default:
        return false;
    }
}

// Static texts and the fill of owner-drawn buttons show the background
// image: a brush of the window's background, aligned to the control, so
// that a text drawn again replaces the one before.
LRESULT WindowFrameSkin::controlColour(UINT msg, HDC dc, HWND control) {
    if (stale()) rebuild();
    if (msg == WM_CTLCOLORSTATIC) SetBkMode(dc, TRANSPARENT);
    if (!backgroundBrush_) return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    RECT r;
    GetClientRect(control, &r);
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&r), 2);
    POINT origin = screenToWindow(hwnd(), POINT{r.left, r.top});
    SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
    return reinterpret_cast<LRESULT>(backgroundBrush_);
}

void WindowFrameSkin::refreshChildren() const {
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        PostMessageA(child, kSkinRefresh, 0, 0);
}

void WindowFrameSkin::resized() {
    RECT window = windowRectAt0(hwnd());
    HRGN region = CreateRoundRectRgn(0, 0, window.right + 1, window.bottom + 1, kCorner, kCorner);
    if (!SetWindowRgn(hwnd(), region, TRUE)) DeleteObject(region);
    InvalidateRect(hwnd(), nullptr, TRUE);
    refreshChildren();
    refresh_ = true;
    hot_ = pressed_ = -1;
}

// --- the background and the caption ------------------------------------------------------------------

bool WindowFrameSkin::stale() const {
    RECT window = windowRectAt0(hwnd());
    return refresh_ || !cache_ || cache_.width() != window.right || cache_.height() != window.bottom;
}

// The whole window's background with its border, the caption buttons'
// places and their looks over it.
void WindowFrameSkin::rebuild() {
    refresh_ = false;
    const SharedLook& look = shared(kind_);
    RECT window = windowRectAt0(hwnd());
    WindowDC screen(hwnd(), true);
    cache_ = MemoryDC(screen.dc(), window.right, window.bottom);
    caption_ = MemoryDC(screen.dc(), window.right, kCaptionHitHeight);
    if (backgroundBrush_) DeleteObject(backgroundBrush_);
    backgroundBrush_ = nullptr;
    if (!cache_) return;
    if (look.background)
        look.background.fill(cache_.dc(), window, look.wrapMode, POINT{0, 0});
    else
        fillSolid(cache_.dc(), window, GetSysColor(COLOR_BTNFACE));
    roundOutline(cache_.dc(), RECT{1, 1, window.right - 1, window.bottom - 1}, kCorner, RGB(255, 255, 255));
    roundOutline(cache_.dc(), window, kCorner, kOuterBorder);
    if (kind_ == FrameKind::Dialog) {
        HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(cache_.dc(), OBJ_BITMAP));
        backgroundBrush_ = CreatePatternBrush(bitmap);
    }

    CaptionLayout layout = captionLayout(window.right, look.boxWidth[kMinimise], look.boxWidth[kMaximise],
                                         look.boxWidth[kClose], look.boxHeight, hasMinBox_, hasMaxBox_);
    const bool works[3] = {hasMinBox_, hasMaxBox_, true};
    for (int i = 0; i < 3; ++i) {
        Button& b = buttons_[i];
        b.laidOut = layout.laidOut[i] && look.boxHeight > 0;
        b.works = b.laidOut && works[i];
        b.rect = b.laidOut ? toRECT(layout.buttons[i]) : RECT{};
        b.frame = b.works ? 0 : 3;
        b.from = b.frame;
        b.opacity = 255;
        KillTimer(hwnd(), kFirstButtonTimer + UINT_PTR(i));
        for (int f = 0; f < 4; ++f) {
            b.looks[f] = b.laidOut ? cache_.copyOf(b.rect.left, b.rect.top, b.rect.right - b.rect.left,
                                                   b.rect.bottom - b.rect.top)
                                   : MemoryDC();
            if (b.looks[f] && std::size_t(f) < look.boxes[i].size()) look.boxes[i][std::size_t(f)].draw(b.looks[f].dc(), 0, 0);
        }
    }
}

HICON WindowFrameSkin::smallIcon() {
    if (HICON own = reinterpret_cast<HICON>(GetClassLongPtrA(hwnd(), GCLP_HICONSM))) return own;
    if (!icon_ && library().instance)
        icon_ = static_cast<HICON>(LoadImageA(library().instance, MAKEINTRESOURCEA(128), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    return icon_;
}

void WindowFrameSkin::drawButton(HDC dc, int index, POINT origin) {
    Button& b = buttons_[index];
    if (!b.laidOut) return;
    const MemoryDC& to = b.looks[b.frame];
    if (b.opacity >= 255 || !b.looks[b.from]) {
        to.copyTo(dc, b.rect.left - origin.x, b.rect.top - origin.y);
        return;
    }
    MemoryDC blend = b.looks[b.from].copyOf(0, 0, to.width(), to.height());
    if (!blend) return;
    blend.blendFrom(to, b.opacity);
    blend.copyTo(dc, b.rect.left - origin.x, b.rect.top - origin.y);
}

void WindowFrameSkin::drawButtonNow(int index) {
    if (stale()) {
        ncPaint();
        return;
    }
    WindowDC dc(hwnd(), true);
    if (dc) drawButton(dc.dc(), index, POINT{0, 0});
}

void WindowFrameSkin::ncPaint() {
    if (!IsWindowVisible(hwnd())) return;
    if (stale()) rebuild();
    if (!cache_) return;
    WindowDC dc(hwnd(), true);
    if (!dc) return;
    RECT client = clientInWindow(hwnd());
    ExcludeClipRect(dc.dc(), client.left, client.top, client.right, client.bottom);
    // Border and sides straight from the cache, the caption band put
    // together first.
    cache_.copyTo(dc.dc(), 0, 0);
    if (!caption_) return;
    BitBlt(caption_.dc(), 0, 0, caption_.width(), caption_.height(), cache_.dc(), 0, 0, SRCCOPY);
    int iconSize = GetSystemMetrics(SM_CXSMICON);
    if (HICON icon = smallIcon())
        DrawIconEx(caption_.dc(), 2, (kCaptionHeight + 1 - iconSize) / 2, icon, iconSize, iconSize, 0, nullptr,
                   DI_NORMAL);
    int textRight = cache_.width();
    for (const Button& b : buttons_)
        if (b.laidOut) textRight = std::min(textRight, int(b.rect.left) - 4);
    RECT text = {2 + iconSize + 4, 0, textRight, kCaptionHitHeight};
    const UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
    std::string title = textOf(hwnd());
    RECT shadow = text;
    OffsetRect(&shadow, 1, 1);
    drawText(caption_.dc(), title, shadow, format, RGB(255, 255, 255), captionFont());
    drawText(caption_.dc(), title, text, format, active_ ? RGB(0, 0, 0) : kInactiveText, captionFont());
    for (int i = 0; i < 3; ++i) drawButton(caption_.dc(), i, POINT{0, 0});
    caption_.copyTo(dc.dc(), 0, 0);
}

MemoryDC WindowFrameSkin::backgroundOf(const RECT& windowRect) {
    if (!captioned_) return MemoryDC();
    if (stale()) rebuild();
    if (!cache_) return MemoryDC();
    return cache_.copyOf(windowRect.left, windowRect.top, windowRect.right - windowRect.left,
                         windowRect.bottom - windowRect.top);
}

// --- the caption buttons --------------------------------------------------------------------------------

int WindowFrameSkin::buttonAt(POINT window) const {
    for (int i = 0; i < 3; ++i)
        if (buttons_[i].works && PtInRect(&buttons_[i].rect, window)) return i;
    return -1;
}

void WindowFrameSkin::hover(int index) {
    if (index == hot_) return;
    int left = hot_;
    hot_ = index;
    if (left >= 0) fadeTo(left, 0, false);
    if (index >= 0) fadeTo(index, pressed_ == index ? 2 : 1, false);
}

// A fade of one button to `frame`; a fade that reverses one in progress
// starts from where that one was.
void WindowFrameSkin::fadeTo(int index, int frame, bool fromZero) {
    Button& b = buttons_[index];
    if (!b.works || (b.frame == frame && b.opacity >= 255)) return;
    const Fade& fade = shared(kind_).fade;
    if (!fade.fades()) {
        b.frame = b.from = frame;
        b.opacity = 255;
        drawButtonNow(index);
        return;
    }
    if (b.opacity < 255 && b.from == frame) {
        std::swap(b.from, b.frame);
        b.opacity = 255 - b.opacity;
    } else {
        b.from = b.opacity < 255 && b.opacity < 128 ? b.from : b.frame;
        b.frame = frame;
        b.opacity = fromZero ? 0 : 255 - std::min(b.opacity, 255);
    }
    SetTimer(hwnd(), kFirstButtonTimer + UINT_PTR(index), kFadeTimerMs, nullptr);
}

void WindowFrameSkin::fadeStep(int index) {
    Button& b = buttons_[index];
    b.opacity = nextFadeOpacity(shared(kind_).fade, b.opacity);
    if (b.opacity >= 255) {
        b.opacity = 255;
        b.from = b.frame;
        KillTimer(hwnd(), kFirstButtonTimer + UINT_PTR(index));
    }
    drawButtonNow(index);
}

void WindowFrameSkin::pressButton(int index) {
    if (index < 0) return;
    pressed_ = index;
    hot_ = index;
    SetCapture(hwnd());
    fadeTo(index, 2, true);
}

// The command of the button pressed, when the mouse comes up on it.
void WindowFrameSkin::releaseButton(POINT window) {
    int held = pressed_;
    pressed_ = -1;
    if (GetCapture() == hwnd()) ReleaseCapture();
    if (held < 0) return;
    bool on = buttonAt(window) == held;
    hot_ = on ? held : -1;
    fadeTo(held, on ? 1 : 0, false);
    if (!on) return;
    WPARAM command = SC_CLOSE;
    if (held == kMinimise)
        command = SC_MINIMIZE;
    else if (held == kMaximise)
        command = IsZoomed(hwnd()) || IsIconic(hwnd()) ? SC_RESTORE : SC_MAXIMIZE;
    PostMessageA(hwnd(), WM_SYSCOMMAND, command, 0);
}

}  // namespace skin
