#include "skin/search_box.h"

#include <algorithm>

#include "skin/jexui.h"
#include "skin/skin_library.h"

namespace skin {

// --- CSearchBox -------------------------------------------------------------------------

HWND CSearchBox::create(DWORD style, RECT rect, HWND parent, UINT id) {
    rect.right = std::max(rect.right, rect.left + 28);
    rect.bottom = std::max(rect.bottom, rect.top + 24);
    return createWindow(new CSearchBox(), kClassName, style, rect, parent, id);
}

void CSearchBox::text(char* buffer, int size) const {
    if (size <= 0) return;
    buffer[0] = '\0';
    if (edit_) GetWindowTextA(edit_, buffer, size);
    buffer[size - 1] = '\0';
}

// The box's main window is its top-level window: the frame that holds the
// toolbar the box sits on.
void CSearchBox::reportSearch() const {
    HWND main = GetAncestor(hwnd(), GA_ROOT);
    if (main && main != hwnd()) SendMessageA(main, WM_SEARCHBOX_SEARCH, 0, 0);
}

bool CSearchBox::onCreate(const CREATESTRUCTA& create) {
    edit_ = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_WANTRETURN, 0, 0, 0, 0,
                            hwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kEditId)),
                            GetModuleHandleA(nullptr), nullptr);
    if (!edit_) return false;
    SendMessageA(edit_, EM_LIMITTEXT, kMaxText, 0);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    LOGFONTA lf = {};
    GetObjectA(font, sizeof lf, &lf);
    editHeight_ = std::min(int(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight), int(create.cy));
    // Enter in the field reports a search before the field sees the key.
    SetPropA(edit_, "jexSearchBox", this);
    editDefault_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CSearchBox::editProc)));
    return true;
}

LRESULT CALLBACK CSearchBox::editProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* box = static_cast<CSearchBox*>(GetPropA(hwnd, "jexSearchBox"));
    WNDPROC previous = box ? box->editDefault_ : nullptr;
    if (box && msg == WM_KEYDOWN && wParam == VK_RETURN) box->reportSearch();
    // A one-line field has nothing to do with Enter's character but beep.
    if (msg == WM_CHAR && wParam == '\r') return 0;
    if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, "jexSearchBox");
        if (previous) SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
    return previous ? CallWindowProcA(previous, hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CSearchBox::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        if (defaultProc(msg, wParam, lParam) == -1) return -1;
        return onCreate(*reinterpret_cast<const CREATESTRUCTA*>(lParam)) ? 0 : -1;
    case WM_SIZE: {
        defaultProc(msg, wParam, lParam);
        int w = LOWORD(lParam), h = HIWORD(lParam);
        if (edit_ && w * h != 0) {
            int top = (h - editHeight_) / 2;
            MoveWindow(edit_, 0, top, w - h, h - top, TRUE);  // the square on the right is the glyph's
        }
        return 0;
    }
    case WM_NCCALCSIZE:
        return 0;  // unskinned, the client area is the whole window
    case WM_NCPAINT: {
        HDC dc = GetWindowDC(hwnd());
        RECT r;
        GetWindowRect(hwnd(), &r);
        HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
        HGDIOBJ brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
        Rectangle(dc, 0, 0, r.right - r.left, r.bottom - r.top);
        SelectObject(dc, pen);
        SelectObject(dc, brush);
        ReleaseDC(hwnd(), dc);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE:
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        break;
    case WM_LBUTTONUP:
        reportSearch();
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == kEditId && HIWORD(wParam) == EN_SETFOCUS) SendMessageA(hwnd(), kSearchFocusIn, 0, 0);
        if (LOWORD(wParam) == kEditId && HIWORD(wParam) == EN_KILLFOCUS) SendMessageA(hwnd(), kSearchFocusOut, 0, 0);
        break;
    default:
        break;
    }
    return defaultProc(msg, wParam, lParam);
}

// --- SearchBoxSkin ----------------------------------------------------------------------

namespace {
constexpr UINT_PTR kFadeTimer = 1;
}

void SearchBoxSkin::attach(HWND hwnd) {
    adopt(new SearchBoxSkin(hwnd));
}

bool SearchBoxSkin::onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCCREATE:
        load(*reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return false;
    case WM_CREATE: {
        // The images may need a larger window than the one asked for.
        result = callPrevious(msg, wParam, lParam);
        if (grown_ && !IsWindowVisible(hwnd()))
            SetWindowPos(hwnd(), nullptr, 0, 0, normal_.width(), normal_.height(),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
    }
    case WM_NCCALCSIZE:
        if (wParam)
            shrinkClient(reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]);
        else
            shrinkClient(*reinterpret_cast<RECT*>(lParam));
        return false;
    case WM_NCPAINT:
        paintFrame();
        result = 1;
        return true;
    case WM_PAINT:
        DefWindowProcA(hwnd(), msg, wParam, lParam);  // validates
        paintClient();
        return false;
    case WM_LBUTTONDOWN: {
        POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
        if (PtInRect(&glyph_, p)) {
            // The glyph stays pressed until the button comes up, wherever
            // that is: the release decides on the search and lifts the glyph.
            glyphPressed_ = true;
            drawGlyph(true);
            SetCapture(hwnd());
        }
        return false;
    }
    case WM_LBUTTONUP: {
        glyphPressed_ = false;
        if (GetCapture() == hwnd()) ReleaseCapture();
        drawGlyph(false);
        POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
        if (PtInRect(&glyph_, p)) return false;  // the box reports the search
        result = 1;
        return true;
    }
    case WM_CAPTURECHANGED:
        // The capture taken away while the glyph was held: no search.
        if (glyphPressed_) {
            glyphPressed_ = false;
            drawGlyph(false);
        }
        return false;
    case kSearchFocusIn:
    case kSearchFocusOut:
        focusChanged(msg == kSearchFocusIn);
        return false;
    case WM_TIMER:
        if (wParam == kFadeTimer) fadeStep();
        return false;
    case kSkinRefresh:
        paintFrame();
        paintClient();
        if (CSearchBox* box = CSearchBox::fromHandle(hwnd())) InvalidateRect(box->edit(), nullptr, TRUE);
        result = 0;
        return true;
    default:
        return false;
    }
}

void SearchBoxSkin::load(const CREATESTRUCTA& create) {
    ProfileSkinFile file;
    const std::string section = "SearchBox";
    COLORREF marker = file.getColour(section, "MaskColor");
    int width = create.cx, height = create.cy;
    normal_ = SkinImage::loadNineGrid(file.getImage(section, "NormalImg"), marker, width, height, false, &marginX_,
                                      &marginY_);
    focus_ = SkinImage::loadNineGrid(file.getImage(section, "FocusImg"), marker, width, height, false);
    glyphImage_ = SkinImage::loadScaled(file.getImage(section, "SearchImg"));
    fade_ = fadeFromHoverTime(file.getInt(section, "HoverTime"));
    grown_ = normal_ && (width > create.cx || height > create.cy);
}

void SearchBoxSkin::shrinkClient(RECT& proposed) const {
    proposed.left += marginX_;
    proposed.right -= marginX_;
    proposed.top += marginY_;
    proposed.bottom -= marginY_;
    if (proposed.right < proposed.left) proposed.right = proposed.left;
    if (proposed.bottom < proposed.top) proposed.bottom = proposed.top;
}

void SearchBoxSkin::rebuildCaches() {
    RECT window;
    GetWindowRect(hwnd(), &window);
    GetClientRect(hwnd(), &client_);
    MapWindowPoints(hwnd(), nullptr, reinterpret_cast<POINT*>(&client_), 2);
    OffsetRect(&client_, -window.left, -window.top);

    RECT underBox = window;
    MapWindowPoints(nullptr, GetParent(hwnd()), reinterpret_cast<POINT*>(&underBox), 2);
    snapshot_ = snapshotOfParent(hwnd(), underBox);
    composedNormal_ = MemoryDC();
    composedFocus_ = MemoryDC();
    if (fade_.fades() && snapshot_) {
        for (auto [look, composed] : {std::pair{&normal_, &composedNormal_}, std::pair{&focus_, &composedFocus_}}) {
            *composed = MemoryDC(snapshot_.dc(), snapshot_.width(), snapshot_.height());
            if (!*composed) continue;
            snapshot_.copyTo(composed->dc(), 0, 0);
            look->draw(composed->dc(), 0, 0);
        }
    }
    refresh_ = false;
}

// The frame alone: the client area is left out of the drawing.
void SearchBoxSkin::paintFrame() {
    if (refresh_) rebuildCaches();
    HDC dc = GetWindowDC(hwnd());
    ExcludeClipRect(dc, client_.left, client_.top, client_.right, client_.bottom);
    MemoryDC frame(dc, snapshot_.width(), snapshot_.height());
    if (frame) {
        snapshot_.copyTo(frame.dc(), 0, 0);
        (focused_ ? focus_ : normal_).draw(frame.dc(), 0, 0);
        frame.copyTo(dc, 0, 0);
    }
    ReleaseDC(hwnd(), dc);
}

void SearchBoxSkin::paintClient() {
    RECT client;
    GetClientRect(hwnd(), &client);
    CSearchBox* box = CSearchBox::fromHandle(hwnd());
    RECT edit = {};
    if (box && box->edit()) {
        GetWindowRect(box->edit(), &edit);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&edit), 2);
    }
    glyph_.left = std::min(edit.right + 2, client.right);
    glyph_.top = client.top;
    glyph_.right = std::min(glyph_.left + glyphImage_.width(), client.right);
    glyph_.bottom = std::min(glyph_.top + glyphImage_.height(), client.bottom);

    HDC dc = GetDC(hwnd());
    MemoryDC area(dc, client.right, client.bottom);
    if (area) {
        FillRect(area.dc(), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        glyphImage_.draw(area.dc(), glyph_.left, glyph_.top, glyph_.right - glyph_.left, glyph_.bottom - glyph_.top);
        ExcludeClipRect(dc, edit.left, edit.top, edit.right, edit.bottom);
        area.copyTo(dc, 0, 0);
    }
    ReleaseDC(hwnd(), dc);
}

void SearchBoxSkin::drawGlyph(bool pressed) {
    int width = glyph_.right - glyph_.left, height = glyph_.bottom - glyph_.top;
    if (width <= 0 || height <= 0) return;
    HDC dc = GetDC(hwnd());
    MemoryDC look(dc, width, height);
    if (look) {
        RECT all = {0, 0, width, height};
        FillRect(look.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        int shift = pressed ? 1 : 0;
        glyphImage_.draw(look.dc(), shift, shift, width, height);
        look.copyTo(dc, glyph_.left, glyph_.top);
    }
    ReleaseDC(hwnd(), dc);
}

// A fade in progress turns round from where it is.
void SearchBoxSkin::focusChanged(bool focused) {
    focused_ = focused;
    if (!fade_.fades()) {
        paintFrame();
        return;
    }
    opacity_ = 255 - opacity_;
    if (refresh_) rebuildCaches();
    SetTimer(hwnd(), kFadeTimer, kFadeTimerMs, nullptr);
}

void SearchBoxSkin::fadeStep() {
    if (opacity_ < 255) {  // a late tick after the end only draws the new look again
        opacity_ = nextFadeOpacity(fade_, opacity_);
        if (opacity_ == 255) KillTimer(hwnd(), kFadeTimer);
    }
    const MemoryDC& to = focused_ ? composedFocus_ : composedNormal_;
    const MemoryDC& from = focused_ ? composedNormal_ : composedFocus_;
    HDC dc = GetWindowDC(hwnd());
    MemoryDC frame(dc, from.width(), from.height());
    if (frame) {
        from.copyTo(frame.dc(), 0, 0);
        frame.blendFrom(to, opacity_);
        ExcludeClipRect(dc, client_.left, client_.top, client_.right, client_.bottom);
        frame.copyTo(dc, 0, 0);
    }
    ReleaseDC(hwnd(), dc);
}

}  // namespace skin
