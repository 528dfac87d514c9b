// What the skin library's Windows tests share: the skin folder the tests
// write themselves (skin files and PNG images), windows to hold the
// library's controls, a message pump that logs what the windows receive,
// waiting for conditions, the real mouse and keyboard, and screen pixels.
//
// Everything runs on the test's one thread, the thread the library hooks:
// the windows live there, so every wait pumps its messages.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "skin/jexui.h"

namespace skintest {

// --- colours of the test images and windows ------------------------------------------------

constexpr COLORREF kBack = RGB(200, 200, 200);        // background of the test windows
constexpr COLORREF kMarker = RGB(255, 0, 255);        // MaskColor of every nine-grid file
constexpr COLORREF kNeverDrawn = RGB(255, 255, 0);    // the rows and columns a nine-grid leaves out
constexpr COLORREF kNormalCorner = RGB(200, 0, 0);    // search box frame, field without the focus
constexpr COLORREF kNormalEdge = RGB(0, 0, 200);
constexpr COLORREF kFocusCorner = RGB(0, 150, 0);     // search box frame, field with the focus
constexpr COLORREF kFocusEdge = RGB(0, 100, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGlyph = RGB(255, 128, 0);         // the search glyph, 16 x 16
constexpr COLORREF kHover = RGB(0, 200, 0);           // navigation control, item under the mouse
constexpr COLORREF kDown = RGB(0, 0, 230);            // navigation control, selected item
constexpr int kGlyphSize = 16;

// The controls' looks, solid colours (the section names are skin.ini's).
constexpr COLORREF kClear = RGB(1, 2, 3);              // written as transparent pixels
constexpr COLORREF kButtonNormal = RGB(200, 60, 60);   // [Button], 75 x 23 at natural size
constexpr COLORREF kButtonHover = RGB(60, 180, 60);
constexpr COLORREF kButtonDown = RGB(60, 60, 200);
constexpr COLORREF kBox = RGB(230, 230, 120);          // [CheckBox] and [Radio]: 15 x 15 frames
constexpr COLORREF kBoxHover = RGB(120, 230, 230);
constexpr COLORREF kMark = RGB(20, 20, 140);           // the check mark, pixels 4 ... 10 of the frame
constexpr COLORREF kGroupFrame = RGB(0, 0, 255);       // [GroupBox]
constexpr COLORREF kGroupText = RGB(128, 0, 0);
constexpr COLORREF kDialogBack = RGB(180, 200, 220);   // [Dialog] and [FrameWnd] background
constexpr COLORREF kCaptionBox[4] = {RGB(100, 100, 100), RGB(0, 180, 0), RGB(0, 0, 180), RGB(170, 170, 170)};
constexpr int kCaptionBoxWidth = 20;                   // and 16 high
constexpr COLORREF kTabBack = RGB(240, 240, 240);      // [TabCtrl] BkColor
constexpr COLORREF kTabClose[3] = {RGB(90, 90, 90), RGB(200, 0, 0), RGB(120, 0, 0)};  // [TabCtrl.3001], 12 x 12
constexpr COLORREF kIcons[2] = {RGB(255, 140, 0), RGB(0, 140, 255)};  // [ToolBar.4001], 24 x 24
constexpr int kSkinnedToolBarId = 4001;
constexpr int kClosingTabsId = 3001;
constexpr int kNineGridButtonId = 2001;                // [Button.2001]: the search box frames as faces

// --- the skin folder ---------------------------------------------------------------------------

// The run's temporary folder (ends with a backslash); the skin files live in
// its sub-folder "skin\".  Written once when the run starts:
//   skin.ini     search box frames with 4-pixel margins (frames\normal.png,
//                frames\focus.png), glyph.png, navigation images (nav\*.png),
//                HoverTime 100 for both controls
//   instant.ini  the same images, HoverTime 10 (no fades)
//   wide.ini     a search box frame 30 x 30 with markers at 10 and 20
//   grow.ini     a search box frame 40 x 40 with markers at 10 and 20
// All of them also skin the standard controls, dialogs and frame windows
// with the solid looks above (ctl\*.png), HoverTime 100.
const std::string& tempRoot();
std::string skinPath(const char* fileName);
// Makes `fileName` (in the skin folder) the library's skin file.
void useSkin(const char* fileName);

// --- windows -------------------------------------------------------------------------------------

// A top-level popup window (or a child, with a parent) painted in kBack.  As
// a top-level window it is what the controls report to: it keeps the drops
// of WM_TREE_DRAGDROP, the items TVN_ITEMEXPANDED reports and every
// notification's sender and code, and answers WM_NAVCTRL_SELCHANGE with
// `selChangeResult`.
class TestWindow {
public:
    struct Drop {
        HTREEITEM source;
        HTREEITEM target;
        int position;
    };
    struct Expansion {
        HTREEITEM item;
        DWORD tick;
    };

    TestWindow(int x, int y, int width, int height, HWND parent = nullptr);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Shows the window, makes it the foreground window and waits until it is.
    bool bringToFront();

    struct Notification {
        HWND from;
        UINT code;
    };

    LRESULT selChangeResult = 0;
    std::vector<Notification> notifications;  // WM_NOTIFY, as they came
    std::vector<Drop> drops;
    std::vector<Expansion> expansions;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// --- the message log and the pump ---------------------------------------------------------------

struct Message {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Messages to the watched windows: sent ones as a WH_CALLWNDPROC hook of the
// test sees them (before the window's procedures), posted ones as the pump
// takes them from the queue (before dispatch).
class MessageLog {
public:
    void watch(HWND hwnd) { watched_.push_back(hwnd); }
    void clear();
    bool watches(HWND hwnd) const;
    void add(const Message& m) { messages_.push_back(m); }
    const std::vector<Message>& all() const { return messages_; }
    // The messages `msg` to `hwnd` (and with `wParam`, unless it is -1).
    std::vector<Message> of(HWND hwnd, UINT msg, WPARAM wParam = WPARAM(-1)) const;
    int count(HWND hwnd, UINT msg, WPARAM wParam = WPARAM(-1)) const { return int(of(hwnd, msg, wParam).size()); }

private:
    std::vector<HWND> watched_;
    std::vector<Message> messages_;
};
MessageLog& messageLog();

// Dispatches every message waiting for the thread.  `afterDispatch`, when
// set, runs after each dispatched message.
void pump(const std::function<void(const MSG&)>& afterDispatch = {});
// Pumps until `condition` holds or `timeoutMs` has passed; true when it held.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);
// Pumps until `get` gives `wanted` or the time is up; returns the last value
// seen (so that a failed expectation names it).
template <class T, class Get>
T waitForValue(Get get, const T& wanted, int timeoutMs = 10000) {
    T last = get();
    waitUntil([&] { return (last = get()) == wanted; }, timeoutMs);
    return last;
}
// Pumps for `ms` milliseconds (only where a timer is what is tested).
void pumpFor(int ms);

// --- the real mouse and keyboard ------------------------------------------------------------------

// Moves the mouse to screen point p and waits until the move has been
// dispatched to a window of this thread (or, when no window of the thread
// is there, until the pointer is at p).  False when that did not happen.
bool moveMouse(POINT p, bool toOwnWindow = true);
// Several moves in one SendInput call (one burst of input).
void sendMoves(const std::vector<POINT>& points);
// Presses or releases the left button and waits until the button message
// has been dispatched.  `thenMoveTo`, when given, goes into the same burst
// of input as the press (a tree view's drag detection only returns on a
// move).
bool pressLeft(const POINT* thenMoveTo = nullptr);
bool releaseLeft();
// A press and release at p.
bool clickAt(POINT p);
// A key pressed and released; waits until the key-up has been dispatched.
bool pressKey(WORD vk);
// Lets go of the left button if a failed test left it down, and moves the
// mouse over the desktop, away from the test windows.
void parkMouse();
// The cursor as the last mouse message the pump dispatched left it (it may
// change later, as the system takes further input from the queue).
HCURSOR cursorAfterLastMouseMessage();

// Screen point of client point (x, y) of `hwnd`.
POINT screenPoint(HWND hwnd, int x, int y);

// --- pixels -----------------------------------------------------------------------------------------

// The colour of a window pixel (window coordinates, frame included), or of a
// client pixel; CLR_INVALID when it cannot be read.
COLORREF windowPixel(HWND hwnd, int x, int y);
COLORREF clientPixel(HWND hwnd, int x, int y);
// A copy of a window's client area (or, with `wholeWindow`, of the whole
// window) as it is now, for reading many pixels at once.
class Capture {
public:
    explicit Capture(HWND hwnd, bool wholeWindow = false);
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF at(int x, int y) const;
    // Whether some pixel of the rectangle is dark (text drawn there).
    bool anyDark(const RECT& r) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<DWORD> bits_;
};
// A COLORREF as "(r, g, b)", for failure messages.
std::string rgb(COLORREF c);

}  // namespace skintest
