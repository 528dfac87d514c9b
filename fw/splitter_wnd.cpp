#include "fw/splitter_wnd.h"

#include <algorithm>

namespace fw {

namespace {
const char kClassName[] = "Afx:Splitter";
}

SplitterWnd::SplitterWnd(Orientation orientation, int firstMinimum, int lastMinimum)
    : orientation_(orientation), firstMinimum_(firstMinimum), lastMinimum_(lastMinimum) {}

bool SplitterWnd::createSplitter(HWND parent, int id) {
    registerClass(kClassName, CS_DBLCLKS, nullptr, nullptr, nullptr);
    return create(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

int SplitterWnd::extent() const {
    RECT client;
    GetClientRect(hwnd(), &client);
    return orientation_ == Orientation::Columns ? client.right : client.bottom;
}

int SplitterWnd::clampFirst(int size) const {
    int most = extent() - kBarSize - lastMinimum_;
    return std::max(firstMinimum_, std::min(size, most));
}

void SplitterWnd::setFirstSize(int size) {
    firstSize_ = std::max(0, size);
    if (hwnd()) layout();
}

// The first pane's size as shown: the size asked for, within the minimums
// while the splitter is large enough for both.
int SplitterWnd::shownFirstSize() const {
    int total = extent();
    int first = std::min(firstSize_, total - kBarSize - lastMinimum_);
    first = std::max(first, std::min(firstMinimum_, total - kBarSize));
    return std::max(first, 0);
}

RECT SplitterWnd::barRect() const {
    RECT r;
    GetClientRect(hwnd(), &r);
    int first = shownFirstSize();
    if (orientation_ == Orientation::Columns) {
        r.left = first;
        r.right = first + kBarSize;
    } else {
        r.top = first;
        r.bottom = first + kBarSize;
    }
    return r;
}

// The first pane keeps its size while it fits; the last pane takes the rest.
void SplitterWnd::layout() {
    RECT client;
    GetClientRect(hwnd(), &client);
    int total = extent();
    int first = shownFirstSize();
    int last = std::max(0, total - first - kBarSize);
    HDWP batch = BeginDeferWindowPos(2);
    if (orientation_ == Orientation::Columns) {
        if (panes_[0]) batch = DeferWindowPos(batch, panes_[0], nullptr, 0, 0, first, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        if (panes_[1]) batch = DeferWindowPos(batch, panes_[1], nullptr, first + kBarSize, 0, last, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        if (panes_[0]) batch = DeferWindowPos(batch, panes_[0], nullptr, 0, 0, client.right, first, SWP_NOZORDER | SWP_NOACTIVATE);
        if (panes_[1]) batch = DeferWindowPos(batch, panes_[1], nullptr, 0, first + kBarSize, client.right, last, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    EndDeferWindowPos(batch);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void SplitterWnd::drawBar(HDC dc, const RECT& bar) { FillRect(dc, &bar, GetSysColorBrush(COLOR_BTNFACE)); }

int SplitterWnd::along(LPARAM point) const {
    return orientation_ == Orientation::Columns ? short(LOWORD(point)) : short(HIWORD(point));
}

// Inverts a bar-sized band at `position` with the halftone brush, over the
// panes too; drawing it twice removes it.
void SplitterWnd::invertTracker(int position) {
    RECT r;
    GetClientRect(hwnd(), &r);
    HDC dc = GetDCEx(hwnd(), nullptr, DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    static const WORD kHalftone[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kHalftone);
    HBRUSH brush = CreatePatternBrush(pattern);
    HGDIOBJ old = SelectObject(dc, brush);
    if (orientation_ == Orientation::Columns)
        PatBlt(dc, position, 0, kBarSize, r.bottom, PATINVERT);
    else
        PatBlt(dc, 0, position, r.right, kBarSize, PATINVERT);
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteObject(pattern);
    ReleaseDC(hwnd(), dc);
}

LRESULT SplitterWnd::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        layout();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        drawBar(dc, barRect());
        EndPaint(hwnd(), &ps);
        return 0;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == hwnd()) {
            SetCursor(LoadCursor(nullptr, orientation_ == Orientation::Columns ? IDC_SIZEWE : IDC_SIZENS));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN: {
        int pos = along(lParam);
        int first = shownFirstSize();
        if (pos < first || pos >= first + kBarSize) break;
        SetCapture(hwnd());
        tracking_ = true;
        grabOffset_ = pos - first;
        trackPosition_ = first;
        invertTracker(trackPosition_);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (tracking_) {
            int next = clampFirst(along(lParam) - grabOffset_);
            if (next != trackPosition_) {
                invertTracker(trackPosition_);
                trackPosition_ = next;
                invertTracker(trackPosition_);
            }
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (tracking_) {
            invertTracker(trackPosition_);
            tracking_ = false;
            ReleaseCapture();
            setFirstSize(trackPosition_);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (tracking_ && reinterpret_cast<HWND>(lParam) != hwnd()) {
            invertTracker(trackPosition_);
            tracking_ = false;
        }
        break;
    default:
        break;
    }
    return defaultProc(msg, wParam, lParam);
}

}  // namespace fw
