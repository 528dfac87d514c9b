#include "skin/combo_box_skin.h"

#include <vector>

#include "skin/paint.h"
#include "skin/skin_library.h"

namespace skin {

namespace {

const COLORREF kOutline = 0xDCD2C8;
const COLORREF kFocusFill = RGB(214, 230, 250);

struct SharedStrip {
    bool loaded = false;
    std::vector<SkinImage> frames;
    int width = 0;
    int height = 0;
};

SharedStrip& strip() {
    static SharedStrip shared;
    return shared;
}

const SharedStrip& loadStrip() {
    SharedStrip& s = strip();
    if (!s.loaded) {
        ProfileSkinFile file;
        s.frames = SkinImage::loadStrip(file.getImage("ComboBox", "StateImgs"), 4, &s.width, &s.height);
        s.loaded = true;
    }
    return s;
}

// Whether the hover frame is drawn: one flag for all combo boxes, set when
// the mouse comes onto a drop button, cleared when it leaves.
bool hoverDrawn = false;

}  // namespace

void releaseComboBoxImages() { strip() = SharedStrip(); }

void ComboBoxSkin::attach(HWND hwnd) {
    adopt(new ComboBoxSkin(hwnd));
}

RECT ComboBoxSkin::dropButton() const {
    RECT client;
    GetClientRect(hwnd(), &client);
    const SharedStrip& s = strip();
    int width = s.width > 0 ? s.width : GetSystemMetrics(SM_CXVSCROLL);
    return {client.right - width, client.top, client.right, client.bottom};
}

bool ComboBoxSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_CREATE:
        result = callPrevious(msg, wParam, lParam);
        SetWindowLongPtrA(hwnd(), GWL_STYLE, GetWindowLongPtrA(hwnd(), GWL_STYLE) & ~LONG_PTR(WS_CLIPCHILDREN));
        loadStrip();
        return true;
    case WM_PAINT:
        DefWindowProcA(hwnd(), msg, wParam, lParam);
        paint();
        result = 1;
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_MOUSEMOVE:
        trackHover(POINT{short(LOWORD(lParam)), short(HIWORD(lParam))});
        return false;
    case WM_MOUSELEAVE:
        trackHover(POINT{-1, -1});
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        pressed_ = msg == WM_LBUTTONDOWN;
        result = callPrevious(msg, wParam, lParam);
        InvalidateRect(hwnd(), nullptr, FALSE);
        return true;
    case WM_SIZE:
    case WM_MOVE:
        refresh_ = true;
        return false;
    case kSkinRefresh:
        InvalidateRect(hwnd(), nullptr, FALSE);
        result = 0;
        return true;
    case WM_COMMAND:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_SETTEXT:
    case WM_CAPTURECHANGED:
    case CB_SETCURSEL:
    case CB_SELECTSTRING:
    case CB_SHOWDROPDOWN:
        // The control draws its text itself on some of these: the skin's
        // look comes back at once.
        result = callPrevious(msg, wParam, lParam);
        if (msg == WM_CAPTURECHANGED) pressed_ = false;
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return true;
    default:
        return false;
    }
}

int ComboBoxSkin::buttonFrame() const {
    if (!IsWindowEnabled(hwnd())) return 3;
    if (pressed_ || SendMessageA(hwnd(), CB_GETDROPPEDSTATE, 0, 0)) return 2;
    return hover_ ? 1 : 0;
}

void ComboBoxSkin::trackHover(POINT p) {
    RECT button = dropButton();
    bool over = PtInRect(&button, p) != FALSE;
    if (over == hover_) return;
    hover_ = over;
    if (over && hoverDrawn) return;  // drawn once per entry
    hoverDrawn = over;
    if (over) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd(), 0};
        TrackMouseEvent(&track);
    }
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void ComboBoxSkin::paint() {
    RECT client;
    GetClientRect(hwnd(), &client);
    if (refresh_) {
        snapshot_ = parentBackground(client);
        refresh_ = false;
    }
    WindowDC dc(hwnd(), false);
    MemoryDC picture(dc.dc(), client.right, client.bottom);
    if (!dc || !picture) return;
    HDC out = picture.dc();
    if (snapshot_)
        snapshot_.copyTo(out, 0, 0);
    else
        fillSolid(out, client, RGB(255, 255, 255));
    roundRect(out, client, 4, kOutline, RGB(255, 255, 255));

    const SharedStrip& s = strip();
    RECT button = dropButton();
    // The selection's text (a drop-down combo's edit field shows its own).
    HWND edit = FindWindowExA(hwnd(), nullptr, "Edit", nullptr);
    if (!edit) {
        RECT text = {3, 3, button.left - 1, client.bottom - 3};
        bool focused = GetFocus() == hwnd() && !SendMessageA(hwnd(), CB_GETDROPPEDSTATE, 0, 0);
        if (focused) fillSolid(out, text, kFocusFill);
        int index = int(SendMessageA(hwnd(), CB_GETCURSEL, 0, 0));
        int length = index >= 0 ? int(SendMessageA(hwnd(), CB_GETLBTEXTLEN, WPARAM(index), 0)) : 0;
        if (length > 0) {
            std::vector<char> buffer(std::size_t(length) + 1);
            SendMessageA(hwnd(), CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(buffer.data()));
            text.left += 2;
            drawText(out, buffer.data(), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS,
                     IsWindowEnabled(hwnd()) ? RGB(0, 0, 0) : GetSysColor(COLOR_GRAYTEXT), fontOf(hwnd()));
        }
    }
    int frame = buttonFrame();
    if (std::size_t(frame) < s.frames.size())
        s.frames[std::size_t(frame)].draw(out, button.left, (client.bottom - s.height) / 2);

    if (edit) {
        RECT e;
        GetWindowRect(edit, &e);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&e), 2);
        ExcludeClipRect(dc.dc(), e.left, e.top, e.right, e.bottom);
    }
    picture.copyTo(dc.dc(), 0, 0);
}

}  // namespace skin
