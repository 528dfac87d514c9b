// Dialogs and frame windows under the skin: their client areas, the caption
// and its buttons, the rounded region, the double click on the caption, the
// caption-less pages, and what their children hear after a resize.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/skin/win/skin_test_support.h"

namespace {

using namespace skintest;

constexpr UINT kSkinRefresh = 0x500;
const char kFrameClass[] = "Afx:jexskin:TestFrame";

LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK dialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// A dialog template in memory: style, size in dialog units, and one static
// text (id 300) and one push button (id IDOK).
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short cx, short cy) {
        add<DWORD>(style | DS_SETFONT);
        add<DWORD>(0);
        add<WORD>(2);  // items
        add<short>(10);
        add<short>(10);
        add<short>(cx);
        add<short>(cy);
        add<WORD>(0);  // no menu
        add<WORD>(0);  // the dialog class
        addText("skin test");
        add<WORD>(9);
        addText("MS Shell Dlg");
        item(SS_LEFT, 300, 0x0082, "static text", 5, 5, 80, 10);
        item(BS_PUSHBUTTON | WS_TABSTOP, IDOK, 0x0080, "OK", 5, 20, 50, 14);
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    template <class T>
    void add(T value) {
        static_assert(sizeof(T) % 2 == 0);
        const auto* w = reinterpret_cast<const WORD*>(&value);
        words_.insert(words_.end(), w, w + sizeof(T) / 2);
    }
    void addText(const char* text) {
        for (const char* c = text; *c; ++c) words_.push_back(WORD(*c));
        words_.push_back(0);
    }
    void item(DWORD style, WORD id, WORD cls, const char* text, short x, short y, short cx, short cy) {
        if (words_.size() % 2) words_.push_back(0);  // DWORD alignment
        add<DWORD>(style | WS_CHILD | WS_VISIBLE);
        add<DWORD>(0);
        add<short>(x);
        add<short>(y);
        add<short>(cx);
        add<short>(cy);
        add<WORD>(id);
        add<WORD>(0xFFFF);
        add<WORD>(cls);
        addText(text);
        add<WORD>(0);
    }
    std::vector<WORD> words_;
};

RECT windowRect(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
}

// The client area's place in the window: left, top, and the distances to
// the right and bottom edges.
RECT clientInsets(HWND hwnd) {
    RECT window = windowRect(hwnd), client;
    GetClientRect(hwnd, &client);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    return {origin.x - window.left, origin.y - window.top, window.right - (origin.x + client.right),
            window.bottom - (origin.y + client.bottom)};
}

std::string insetsText(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

class WindowFrames : public ::testing::Test {
protected:
    void TearDown() override {
        for (HWND w : windows_)
            if (IsWindow(w)) DestroyWindow(w);
        pump();
    }
    HWND dialog(DWORD style, HWND parent = nullptr) {
        DialogTemplate t(style, 160, 60);
        HWND d = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.get(), parent, dialogProc, 0);
        if (d) {
            windows_.push_back(d);
            messageLog().watch(d);
        }
        return d;
    }
    HWND frame(DWORD style = WS_OVERLAPPEDWINDOW) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = frameProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kFrameClass;
        RegisterClassA(&wc);
        HWND f = CreateWindowExA(0, kFrameClass, "frame", style, 100, 80, 500, 350, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        if (f) {
            windows_.push_back(f);
            messageLog().watch(f);
        }
        return f;
    }
    std::vector<HWND> windows_;
};

TEST_F(WindowFrames, ACaptionedDialogsClientLies27BelowTheTopAnd2InElsewhere) {
    HWND d = dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    ASSERT_TRUE(d);
    EXPECT_EQ(insetsText(clientInsets(d)), "2 27 2 2");
    // The template's client area is kept: the window grew for the caption.
    RECT client;
    GetClientRect(d, &client);
    RECT units = {0, 0, 160, 60};
    MapDialogRect(d, &units);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
    EXPECT_FALSE(GetWindowLongA(d, GWL_STYLE) & WS_CAPTION) << "the system caption is off";
}

TEST_F(WindowFrames, AFrameWindowsClientLies25BelowTheTopAnd8InElsewhere) {
    HWND f = frame();
    ASSERT_TRUE(f);
    EXPECT_EQ(insetsText(clientInsets(f)), "8 25 8 8");
    RECT r = windowRect(f);
    EXPECT_EQ(r.right - r.left, 500) << "a frame keeps the size it was made with";
}

TEST_F(WindowFrames, ACaptionLessChildDialogIsWhiteWithWhiteStaticBackgrounds) {
    TestWindow host(50, 50, 400, 300);
    HWND page = dialog(WS_CHILD | DS_CONTROL, host.hwnd());
    ASSERT_TRUE(page);
    EXPECT_EQ(insetsText(clientInsets(page)), "0 0 0 0");
    HWND text = GetDlgItem(page, 300);
    HDC dc = GetDC(text);
    SetBkColor(dc, RGB(1, 2, 3));
    LRESULT brush = SendMessageA(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(rgb(GetBkColor(dc)), rgb(kWhite));
    ReleaseDC(text, dc);
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(SendMessageA(page, WM_CTLCOLORDLG, 0, reinterpret_cast<LPARAM>(page)),
              reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
}

// A resize tells every direct child to retake its background.
TEST_F(WindowFrames, AfterAResizeEveryDirectChildRetakesItsBackground) {
    HWND d = dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU);
    ASSERT_TRUE(d);
    std::vector<HWND> children;
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        children.push_back(c);
        messageLog().watch(c);
    }
    ASSERT_EQ(children.size(), 2u);
    pump();  // what creation posted
    messageLog().clear();
    SetWindowPos(d, nullptr, 0, 0, 400, 200, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    for (HWND c : children) EXPECT_EQ(messageLog().count(c, kSkinRefresh), 1) << c;
    // The caption-less page does the same.
    TestWindow host(50, 50, 400, 300);
    HWND page = dialog(WS_CHILD | DS_CONTROL, host.hwnd());
    HWND text = GetDlgItem(page, 300);
    messageLog().watch(text);
    pump();
    messageLog().clear();
    SetWindowPos(page, nullptr, 0, 0, 300, 150, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    EXPECT_EQ(messageLog().count(text, kSkinRefresh), 1);
}

TEST_F(WindowFrames, ADoubleClickOnTheCaptionMaximisesOnlyWithAMaximiseBox) {
    HWND d = dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU);
    HWND f = frame();
    ASSERT_TRUE(d && f);
    ShowWindow(f, SW_SHOWNORMAL);
    messageLog().clear();
    RECT dr = windowRect(d), fr = windowRect(f);
    SendMessageA(d, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(dr.left + 50, dr.top + 10));
    SendMessageA(f, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(fr.left + 50, fr.top + 10));
    pump();
    EXPECT_EQ(messageLog().count(d, WM_SYSCOMMAND), 0);
    EXPECT_FALSE(IsZoomed(d));
    EXPECT_EQ(messageLog().count(f, WM_SYSCOMMAND, SC_MAXIMIZE), 1);
    EXPECT_TRUE(IsZoomed(f));
}

// The caption answers hit tests with its buttons, the caption elsewhere in
// its top 27 rows; a box the window lacks is inert.
TEST_F(WindowFrames, HitTestsFindTheCaptionButtons) {
    HWND f = frame(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX);
    ASSERT_TRUE(f);
    RECT r = windowRect(f);
    auto hit = [&](int x, int y) { return SendMessageA(f, WM_NCHITTEST, 0, MAKELPARAM(r.left + x, r.top + y)); };
    // close: 500 - 20 - 3 ... 497; maximise before it, minimise before that.
    EXPECT_EQ(hit(487, 10), HTCLOSE);
    EXPECT_EQ(hit(467, 10), HTCAPTION) << "no maximise box: greyed and inert";
    EXPECT_EQ(hit(447, 10), HTMINBUTTON);
    EXPECT_EQ(hit(200, 26), HTCAPTION);
    EXPECT_NE(hit(200, 100), HTCAPTION);
}

// --- on the screen ------------------------------------------------------------------------------

class WindowFramesOnScreen : public WindowFrames {
protected:
    void SetUp() override { parkMouse(); }
    void TearDown() override {
        parkMouse();
        WindowFrames::TearDown();
    }
    bool show(HWND w) {
        ShowWindow(w, SW_SHOWNORMAL);
        UpdateWindow(w);
        return waitUntil([&] {
            if (GetForegroundWindow() == w) return true;
            SetForegroundWindow(w);
            return false;
        });
    }
    POINT at(HWND w, int x, int y) {
        RECT r = windowRect(w);
        return {r.left + x, r.top + y};
    }
};

// The caption over the background, a caption button in its four looks,
// the rounded corners outside the window's region.
TEST_F(WindowFramesOnScreen, TheFrameIsDrawnFromTheSkinAndItsCornersAreRound) {
    HWND f = frame();
    ASSERT_TRUE(f && show(f));
    EXPECT_EQ(rgb(waitForValue([&] { return windowPixel(f, 200, 12); }, kDialogBack)), rgb(kDialogBack));
    EXPECT_EQ(rgb(waitForValue([&] { return windowPixel(f, 487, 10); }, kCaptionBox[0])), rgb(kCaptionBox[0]));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(f, region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 0)) << "the corner is cut off";
    EXPECT_FALSE(PtInRegion(region, 499, 349));
    EXPECT_TRUE(PtInRegion(region, 250, 0));
    EXPECT_TRUE(PtInRegion(region, 0, 175));
    DeleteObject(region);
    // The border: the outer line in its slate colour along the top.
    EXPECT_EQ(rgb(windowPixel(f, 250, 0)), rgb(RGB(0x97, 0xA2, 0xB7)));
    EXPECT_EQ(rgb(windowPixel(f, 250, 1)), rgb(kWhite));
}

// Under the mouse, pressed, released: the maximise box's looks and, on the
// release over it, its command; the same box of the maximised window
// restores it; a press on the close box released beside it does nothing.
TEST_F(WindowFramesOnScreen, CaptionButtonsFollowTheMouseAndSendTheirCommands) {
    HWND f = frame();
    ASSERT_TRUE(f && show(f));
    auto pixel = [&](int x) { return windowPixel(f, x, 10); };
    ASSERT_TRUE(moveMouse(at(f, 467, 10)));
    EXPECT_EQ(rgb(waitForValue([&] { return pixel(467); }, kCaptionBox[1])), rgb(kCaptionBox[1]));
    ASSERT_TRUE(moveMouse(at(f, 300, 10)));
    EXPECT_EQ(rgb(waitForValue([&] { return pixel(467); }, kCaptionBox[0])), rgb(kCaptionBox[0]));

    messageLog().clear();
    ASSERT_TRUE(moveMouse(at(f, 467, 10)));
    ASSERT_TRUE(pressLeft());
    EXPECT_EQ(rgb(waitForValue([&] { return pixel(467); }, kCaptionBox[2])), rgb(kCaptionBox[2]));
    ASSERT_TRUE(releaseLeft());
    EXPECT_TRUE(waitUntil([&] { return IsZoomed(f) != FALSE; })) << "maximised";
    RECT r = windowRect(f);
    int maxX = (r.right - r.left) - 3 - 20 - 10;  // the maximise box of the wider window
    ASSERT_TRUE(moveMouse(at(f, maxX, 10)));
    ASSERT_TRUE(pressLeft());
    ASSERT_TRUE(releaseLeft());
    EXPECT_TRUE(waitUntil([&] { return !IsZoomed(f); })) << "restored by the same box";
    EXPECT_EQ(messageLog().count(f, WM_SYSCOMMAND, SC_RESTORE), 1);

    // Pressed on the close box, released off it: nothing.
    messageLog().clear();
    ASSERT_TRUE(moveMouse(at(f, 487, 10)));
    ASSERT_TRUE(pressLeft());
    ASSERT_TRUE(moveMouse(at(f, 300, 10)));
    ASSERT_TRUE(releaseLeft());
    pumpFor(100);
    EXPECT_EQ(messageLog().count(f, WM_SYSCOMMAND), 0);
    EXPECT_TRUE(IsWindow(f));
}

}  // namespace
