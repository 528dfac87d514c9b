#include "skin/tool_bar_skin.h"

#include <commctrl.h>

#include "skin/paint.h"
#include "skin/paint_rules.h"
#include "skin/skin_library.h"

namespace skin {

namespace {

constexpr UINT_PTR kFirstFadeTimer = 167;  // + the button's index
constexpr LONG_PTR kHorizontalSeparators = 0xA000;

POINT pointOf(LPARAM lParam) { return {short(LOWORD(lParam)), short(HIWORD(lParam))}; }

}  // namespace

void ToolBarSkin::attach(HWND hwnd) {
    adopt(new ToolBarSkin(hwnd));
}

bool ToolBarSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCCREATE:
        if (!load(*reinterpret_cast<const CREATESTRUCTA*>(lParam))) delete this;  // the system look stays
        return false;
    case WM_NCCALCSIZE:
        result = wParam ? WVR_REDRAW : 0;  // no border: the client area is the whole window
        return true;
    case WM_NCPAINT:
    case WM_ERASEBKGND:
    case WM_LBUTTONDBLCLK:
        result = 1;
        return true;
    case WM_PAINT:
        DefWindowProcA(hwnd(), msg, wParam, lParam);
        paint();
        result = 1;
        return true;
    case WM_MOUSEMOVE:
        setHot(buttonAt(pointOf(lParam)));
        if (hot_ >= 0) {
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd(), 0};
            TrackMouseEvent(&track);
        }
        // The control keeps its tooltips and its hot-item reports (the
        // frame's prompts) from the moves.
        return false;
    case WM_MOUSELEAVE:
        setHot(-1);
        return false;
    case WM_LBUTTONDOWN: {
        int button = buttonAt(pointOf(lParam));
        TBBUTTON info = {};
        if (button >= 0 && SendMessageA(hwnd(), TB_GETBUTTON, WPARAM(button), reinterpret_cast<LPARAM>(&info)) &&
            SendMessageA(hwnd(), TB_ISBUTTONENABLED, WPARAM(info.idCommand), 0)) {
            pressed_ = button;
            drawButtonNow(button);
        }
        return false;
    }
    case WM_LBUTTONUP: {
        // The look first: the command the control sends may open a dialog.
        int pressed = pressed_;
        pressed_ = -1;
        if (pressed >= 0) {
            hot_ = buttonAt(pointOf(lParam));
            drawButtonNow(pressed);
        }
        return false;
    }
    case TB_SETBUTTONSIZE:
        result = callPrevious(msg, wParam, MAKELPARAM(iconWidth_, iconHeight_));
        return true;
    case WM_SIZE:
    case WM_MOVE:
        refresh_ = true;
        return false;
    case kSkinRefresh:
        InvalidateRect(hwnd(), nullptr, FALSE);
        result = 0;
        return true;
    case WM_TIMER:
        if (wParam >= kFirstFadeTimer &&
            wParam - kFirstFadeTimer < UINT_PTR(SendMessageA(hwnd(), TB_BUTTONCOUNT, 0, 0))) {
            fadeStep(int(wParam - kFirstFadeTimer));
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool ToolBarSkin::load(const CREATESTRUCTA& create) {
    ProfileSkinFile file;
    const int id = int(reinterpret_cast<INT_PTR>(create.hMenu));
    const std::string own = idSection("ToolBar", id);
    std::string icons = file.getImage(own, "IconImg");
    if (icons.empty()) return false;
    icons_ = SkinImage::loadStrip(icons, file.getInt(own, "states"), &iconWidth_, &iconHeight_);
    COLORREF marker = COLORREF(toolBarInt(file, id, "MaskColor"));
    int w = iconWidth_, h = iconHeight_;
    hover_ = SkinImage::loadNineGrid(imagePath(toolBarString(file, id, "HoverImg")), marker, w, h, false);
    w = iconWidth_;
    h = iconHeight_;
    down_ = SkinImage::loadNineGrid(imagePath(toolBarString(file, id, "DownImg")), marker, w, h, false);
    separator_ = SkinImage::loadScaled(imagePath(toolBarString(file, id, "SepImg")));
    fade_ = fadeFromHoverTime(toolBarHoverTime(file, id));
    return true;
}

int ToolBarSkin::buttonAt(POINT p) const {
    int index = int(SendMessageA(hwnd(), TB_HITTEST, 0, reinterpret_cast<LPARAM>(&p)));
    if (index < 0) return -1;  // a separator or nothing
    TBBUTTON info = {};
    if (!SendMessageA(hwnd(), TB_GETBUTTON, WPARAM(index), reinterpret_cast<LPARAM>(&info)) ||
        (info.fsStyle & BTNS_SEP))
        return -1;
    return index;
}

int& ToolBarSkin::fadeOf(int index) {
    if (fading_.size() <= std::size_t(index)) fading_.resize(std::size_t(index) + 1, -1);
    return fading_[std::size_t(index)];
}

// One button (or separator) at `r` over the background, into `dc` whose
// origin lies at `origin` of the toolbar's client area.
void ToolBarSkin::drawButton(HDC dc, int index, const RECT& r, POINT origin) {
    TBBUTTON info = {};
    if (!SendMessageA(hwnd(), TB_GETBUTTON, WPARAM(index), reinterpret_cast<LPARAM>(&info)) ||
        (info.fsState & TBSTATE_HIDDEN))
        return;
    RECT at = r;
    OffsetRect(&at, -origin.x, -origin.y);
    if (info.fsStyle & BTNS_SEP) {
        bool across = (SendMessageA(hwnd(), TB_GETSTYLE, 0, 0) & kHorizontalSeparators) != 0;
        Rect line = toolBarSeparatorLine({at.left, at.top, at.right - at.left, at.bottom - at.top}, across);
        separator_.draw(dc, line.x, line.y, line.width, line.height);
        return;
    }
    int x = (at.left + at.right - iconWidth_) / 2, y = (at.top + at.bottom - iconHeight_) / 2;
    RECT face = {x, y, x + iconWidth_, y + iconHeight_};
    RECT whole = {0, 0, iconWidth_, iconHeight_};
    if (index == pressed_ || (info.fsState & TBSTATE_CHECKED))
        down_.draw(dc, x, y);
    else if (index == hot_)
        hover_.draw(dc, x, y);
    else if (fadeOf(index) >= 0)
        hover_.draw(dc, face, whole, fadeOf(index));
    int frame = info.iBitmap;
    if (frame < 0 || std::size_t(frame) >= icons_.size()) return;
    if (SendMessageA(hwnd(), TB_ISBUTTONENABLED, WPARAM(info.idCommand), 0))
        icons_[std::size_t(frame)].draw(dc, x, y);
    else
        icons_[std::size_t(frame)].drawGrey(dc, x, y);
}

void ToolBarSkin::paint() {
    RECT client;
    GetClientRect(hwnd(), &client);
    if (refresh_) {
        background_ = parentBackground(client);
        refresh_ = false;
    }
    {
        WindowDC dc(hwnd(), false);
        MemoryDC picture(dc.dc(), client.right, client.bottom);
        if (!dc || !picture) return;
        if (background_)
            background_.copyTo(picture.dc(), 0, 0);
        else
            fillSolid(picture.dc(), client, GetSysColor(COLOR_BTNFACE));
        int count = int(SendMessageA(hwnd(), TB_BUTTONCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            RECT r = {};
            if (SendMessageA(hwnd(), TB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r)))
                drawButton(picture.dc(), i, r, POINT{0, 0});
        }
        picture.copyTo(dc.dc(), 0, 0);
    }
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageA(child, kSkinRefresh, 0, 0);
}

void ToolBarSkin::drawButtonNow(int index) {
    RECT r = {};
    if (!SendMessageA(hwnd(), TB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r))) return;
    if (refresh_ || !background_) {
        InvalidateRect(hwnd(), &r, FALSE);
        return;
    }
    WindowDC dc(hwnd(), false);
    MemoryDC picture(dc.dc(), r.right - r.left, r.bottom - r.top);
    if (!dc || !picture) return;
    BitBlt(picture.dc(), 0, 0, picture.width(), picture.height(), background_.dc(), r.left, r.top, SRCCOPY);
    drawButton(picture.dc(), index, r, POINT{r.left, r.top});
    picture.copyTo(dc.dc(), r.left, r.top);
}

// The hover background shows at once on the button under the mouse and
// fades out on the one it left.
void ToolBarSkin::setHot(int index) {
    if (index == hot_) return;
    int left = hot_;
    hot_ = index;
    if (index >= 0) {
        fadeOf(index) = -1;
        KillTimer(hwnd(), kFirstFadeTimer + UINT_PTR(index));
        drawButtonNow(index);
    }
    if (left >= 0) {
        if (fade_.fades()) {
            fadeOf(left) = 255;
            SetTimer(hwnd(), kFirstFadeTimer + UINT_PTR(left), kFadeTimerMs, nullptr);
        }
        drawButtonNow(left);
    }
}

void ToolBarSkin::fadeStep(int index) {
    int& opacity = fadeOf(index);
    if (opacity >= 0) opacity -= fade_.opacityStep;
    if (opacity < 0) {
        opacity = -1;
        KillTimer(hwnd(), kFirstFadeTimer + UINT_PTR(index));
    }
    drawButtonNow(index);
}

}  // namespace skin
