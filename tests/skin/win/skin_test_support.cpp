#include "tests/skin/win/skin_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "skin/gdiplus.h"

namespace skintest {

namespace {

// --- images and skin files -------------------------------------------------------------------

CLSID pngEncoder() {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i)
        if (std::wcscmp(codecs[i].MimeType, L"image/png") == 0) return codecs[i].Clsid;
    return CLSID{};
}

void writePng(const std::string& path, int width, int height, const std::function<COLORREF(int, int)>& colourAt) {
    Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            COLORREF c = colourAt(x, y);
            bitmap.SetPixel(x, y, Gdiplus::Color(c == kClear ? 0 : 255, GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    }
    CLSID png = pngEncoder();
    if (bitmap.Save(skin::gdiplusPath(path).c_str(), &png, nullptr) != Gdiplus::Ok) ADD_FAILURE() << "cannot write " << path;
}

// A square nine-grid file of `size` pixels with its markers at `first` and
// `second` on row 0 and column 0.  Corner pieces, edge pieces and the centre
// get their own colours; the marker rows and columns and the ones before
// them, which a nine-grid never draws, are kNeverDrawn.
void writeNineGrid(const std::string& path, int size, int first, int second, COLORREF corner, COLORREF edge,
                   COLORREF centre) {
    auto band = [&](int v) {  // 0, 1, 2 for the three spans; -1 for the lines left out
        if (v == first - 1 || v == first || v == second - 1 || v == second) return -1;
        return v < first ? 0 : v < second ? 1 : 2;
    };
    writePng(path, size, size, [&](int x, int y) {
        if ((y == 0 && (x == first || x == second)) || (x == 0 && (y == first || y == second))) return kMarker;
        int bx = band(x), by = band(y);
        if (bx < 0 || by < 0) return kNeverDrawn;
        if (bx == 1 && by == 1) return centre;
        return bx != 1 && by != 1 ? corner : edge;
    });
}

// A strip of frames of `width` x `height`, one pixel apart, each drawn by
// `frame(k, x, y)`.
void writeStrip(const std::string& path, int frames, int width, int height,
                const std::function<COLORREF(int, int, int)>& frame) {
    writePng(path, frames * (width + 1) - 1, height, [&](int x, int y) {
        int k = x / (width + 1), fx = x % (width + 1);
        return fx == width ? kClear : frame(k, fx, y);
    });
}

void writeSolid(const std::string& path, int width, int height, COLORREF colour) {
    writePng(path, width, height, [&](int, int) { return colour; });
}

void writeControlImages(const std::string& skin) {
    std::filesystem::create_directories(skin + "ctl");
    writeSolid(skin + "ctl\\btn_normal.png", 75, 23, kButtonNormal);
    writeSolid(skin + "ctl\\btn_hover.png", 75, 23, kButtonHover);
    writeSolid(skin + "ctl\\btn_down.png", 75, 23, kButtonDown);
    writeStrip(skin + "ctl\\check.png", 3, 15, 15, [](int k, int x, int y) {
        if (k == 0) return kBox;
        if (k == 1) return kBoxHover;
        return x >= 4 && x <= 10 && y >= 4 && y <= 10 ? kMark : kClear;
    });
    const COLORREF combo[4] = {RGB(150, 150, 150), RGB(0, 200, 200), RGB(200, 0, 200), RGB(220, 220, 220)};
    writeStrip(skin + "ctl\\combo.png", 4, 17, 20, [&](int k, int, int) { return combo[k]; });
    writeStrip(skin + "ctl\\tab_close.png", 3, 12, 12, [](int k, int, int) { return kTabClose[k]; });
    writeStrip(skin + "ctl\\icons.png", 2, 24, 24, [](int k, int, int) { return kIcons[k]; });
    writeSolid(skin + "ctl\\sep.png", 1, 20, RGB(50, 50, 50));
    writeSolid(skin + "ctl\\bkgnd.png", 8, 8, kDialogBack);
    for (const char* name : {"min", "max", "close"})
        writeStrip(skin + "ctl\\" + name + ".png", 4, kCaptionBoxWidth, 16,
                   [](int k, int, int) { return kCaptionBox[k]; });
}

// The sections of the standard controls, dialogs and frame windows.
std::string controlSections() {
    auto colour = [](COLORREF c) { return std::to_string(unsigned(c)); };
    std::string t = "[Button]\r\nNormalImg=ctl\\btn_normal.png\r\nHoverImg=ctl\\btn_hover.png\r\n"
                    "DownImg=ctl\\btn_down.png\r\nMaskColor=0\r\nHoverTime=100\r\n\r\n";
    t += "[Button." + std::to_string(kNineGridButtonId) +
         "]\r\nNormalImg=frames\\normal.png\r\nHoverImg=frames\\focus.png\r\nDownImg=frames\\focus.png\r\n"
         "MaskColor=16711935\r\nHoverTime=100\r\n\r\n";
    t += "[CheckBox]\r\nStateImgs=ctl\\check.png\r\nCheckStyle=1\r\nHoverTime=100\r\n\r\n";
    t += "[Radio]\r\nStateImgs=ctl\\check.png\r\nCheckStyle=0\r\nHoverTime=100\r\n\r\n";
    t += "[GroupBox]\r\nFrameColor=" + colour(kGroupFrame) + "\r\nTextColor=" + colour(kGroupText) + "\r\n\r\n";
    t += "[Other]\r\nHoverTime=100\r\n\r\n[ComboBox]\r\nStateImgs=ctl\\combo.png\r\n\r\n";
    t += "[TextBox]\r\nNormalImg=frames\\normal.png\r\nFocusImg=frames\\focus.png\r\nMaskColor=16711935\r\n"
         "HoverTime=100\r\n\r\n";
    for (const char* section : {"Dialog", "FrameWnd"})
        t += std::string("[") + section +
             "]\r\nBkgndImg=ctl\\bkgnd.png\r\nMinBoxImg=ctl\\min.png\r\nMaxBoxImg=ctl\\max.png\r\n"
             "CloseBoxImg=ctl\\close.png\r\nWrapMode=0\r\nHoverTime=100\r\n\r\n";
    t += "[HeaderCtrl]\r\nNormalTopColor=16777215\r\nNormalBottomColor=12632256\r\n\r\n";
    t += "[StatusBar]\r\nNormalTopColor=16777215\r\nNormalBottomColor=12632256\r\n\r\n";
    t += "[SpinButton]\r\nNormalTopColor=16777215\r\nNormalBottomColor=12632256\r\nDownTopColor=255\r\n"
         "DownBottomColor=255\r\nRadius=2\r\n\r\n";
    t += "[TabCtrl]\r\nBkColor=" + colour(kTabBack) +
         "\r\nNormalTopColor=16777215\r\nNormalBottomColor=12632256\r\nHoverTopColor=65535\r\n"
         "HoverBottomColor=65535\r\nDownTopColor=16777215\r\nRadius=3\r\n\r\n";
    t += "[TabCtrl." + std::to_string(kClosingTabsId) + "]\r\nCloseImg=ctl\\tab_close.png\r\n\r\n";
    t += "[ToolBar]\r\nHoverImg=nav\\hover.png\r\nDownImg=nav\\down.png\r\nSepImg=ctl\\sep.png\r\n"
         "MaskColor=16711935\r\nHoverTime=100\r\n\r\n";
    t += "[ToolBar." + std::to_string(kSkinnedToolBarId) + "]\r\nIconImg=ctl\\icons.png\r\nstates=2\r\n";
    return t;
}

void writeText(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string skinFileText(const char* searchBoxFrame, int hoverTime) {
    std::string t = std::string("[SearchBox]\r\nNormalImg=") + searchBoxFrame +
                    "\r\nFocusImg=frames\\focus.png\r\nSearchImg=glyph.png\r\nMaskColor=16711935\r\n";
    t += "HoverTime=" + std::to_string(hoverTime) + "\r\n\r\n";
    t += "[NavCtrl]\r\nHoverImg=nav\\hover.png\r\nDownImg=nav\\down.png\r\nMaskColor=16711935\r\n";
    t += "HoverTime=" + std::to_string(hoverTime) + "\r\n\r\n";
    return t + controlSections();
}

void writeSkinFolder() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    const std::string skin = tempRoot() + "skin\\";
    std::filesystem::create_directories(skin + "frames");
    std::filesystem::create_directories(skin + "nav");
    writeNineGrid(skin + "frames\\normal.png", 12, 4, 8, kNormalCorner, kNormalEdge, kWhite);
    writeNineGrid(skin + "frames\\focus.png", 12, 4, 8, kFocusCorner, kFocusEdge, kWhite);
    writeNineGrid(skin + "frames\\wide30.png", 30, 10, 20, kNormalCorner, kNormalEdge, kWhite);
    writeNineGrid(skin + "frames\\wide40.png", 40, 10, 20, kNormalCorner, kNormalEdge, kWhite);
    writeNineGrid(skin + "nav\\hover.png", 8, 2, 5, kHover, kHover, kHover);
    writeNineGrid(skin + "nav\\down.png", 8, 2, 5, kDown, kDown, kDown);
    writePng(skin + "glyph.png", kGlyphSize, kGlyphSize, [](int, int) { return kGlyph; });
    writeControlImages(skin);
    // The images are written: the library's GDI+ is the only one from here on.
    Gdiplus::GdiplusShutdown(token);

    writeText(skin + "skin.ini", skinFileText("frames\\normal.png", 100));
    writeText(skin + "instant.ini", skinFileText("frames\\normal.png", 10));
    writeText(skin + "wide.ini", skinFileText("frames\\wide30.png", 100));
    writeText(skin + "grow.ini", skinFileText("frames\\wide40.png", 100));
}

// --- the log's hook ----------------------------------------------------------------------------

LRESULT CALLBACK logSentMessages(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call && messageLog().watches(call->hwnd))
        messageLog().add({call->hwnd, call->message, call->wParam, call->lParam});
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The library is started as the program starts it: manager, skin file, and
// from then on every window of this thread is offered to the skins.
class SkinEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        writeSkinFolder();
        ASSERT_EQ(jexsoft_InitUI(GetModuleHandleA(nullptr), 0), 1);
        useSkin("skin.ini");
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, logSentMessages, nullptr, GetCurrentThreadId());
        ASSERT_TRUE(hook_);
    }
    void TearDown() override {
        UnhookWindowsHookEx(hook_);
        jexsoft_UnloadSkin();
        std::error_code ignored;
        std::filesystem::remove_all(tempRoot(), ignored);
    }

private:
    HHOOK hook_ = nullptr;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new SkinEnvironment);

// --- input bookkeeping ---------------------------------------------------------------------------

bool samePoint(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

bool isMouseMessage(UINT msg) {
    return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || (msg >= WM_NCMOUSEMOVE && msg <= WM_NCMBUTTONDBLCLK);
}

// The input messages the pump has dispatched, in order.
struct Dispatched {
    UINT msg;
    WPARAM wParam;
    POINT pt;
    HCURSOR cursor;  // as the message's handling left it
};
std::vector<Dispatched>& dispatchedInput() {
    static std::vector<Dispatched> list;
    return list;
}

// Pumps until an input message dispatched after `since` matches.
bool waitForDispatch(std::size_t since, const std::function<bool(const Dispatched&)>& matches,
                     int timeoutMs = 10000) {
    return waitUntil(
        [&] {
            const auto& list = dispatchedInput();
            return std::any_of(list.begin() + std::ptrdiff_t(std::min(since, list.size())), list.end(), matches);
        },
        timeoutMs);
}

// The test's own mouse input carries this tag.  Under Wine every move of the
// pointer also comes back a little later from the X server as input of its
// own, sometimes with the position before the move, and a move still in the
// queue when its copy arrives is merged with it (the tag is lost then).  The
// pump keeps the tagged input and the untagged moves to where the test last
// moved the pointer, and drops the rest, so that the windows see only the
// test's moves.
constexpr ULONG_PTR kTestInput = 0x4A455853;
POINT intendedPointer = {-1, -1};

bool fromTheTest(const MSG& msg) {
    return ULONG_PTR(GetMessageExtraInfo()) == kTestInput || samePoint(msg.pt, intendedPointer);
}

INPUT mouseInput(DWORD flags, POINT p = {}) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dwExtraInfo = kTestInput;
    if (flags & MOUSEEVENTF_ABSOLUTE) {  // 0 ... 65535 across the screen, rounded to the pixel
        input.mi.dx = (p.x * 65535 + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = (p.y * 65535 + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    return input;
}

INPUT moveInput(POINT p) {
    intendedPointer = p;
    return mouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, p);
}

// A button goes down or up where the test moved the pointer, not where a
// stale copy of a move may have put it for a moment.
INPUT buttonInput(DWORD flags) { return mouseInput(flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, intendedPointer); }

}  // namespace

// --- skin folder -------------------------------------------------------------------------------------

const std::string& tempRoot() {
    static const std::string root = [] {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        return std::string(temp) + "jexskin-" + std::to_string(GetCurrentProcessId()) + "\\";
    }();
    return root;
}

std::string skinPath(const char* fileName) { return tempRoot() + "skin\\" + fileName; }

void useSkin(const char* fileName) { EXPECT_TRUE(jexsoft_SetSkin(skinPath(fileName).c_str())) << fileName; }

// --- windows -------------------------------------------------------------------------------------------

TestWindow::TestWindow(int x, int y, int width, int height, HWND parent) {
    static const char kClass[] = "jexSkinTestWindow";
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    if (!GetClassInfoA(instance, kClass, &wc)) {
        wc.lpfnWndProc = proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = CreateSolidBrush(kBack);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP;
    hwnd_ = CreateWindowExA(0, kClass, "", style, x, y, width, height, parent, nullptr, instance, this);
    messageLog().watch(hwnd_);
}

TestWindow::~TestWindow() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    pump();
}

bool TestWindow::bringToFront() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    return waitUntil([&] {
        if (GetForegroundWindow() == hwnd_) return true;
        SetForegroundWindow(hwnd_);
        return false;
    });
}

LRESULT CALLBACK TestWindow::proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        switch (msg) {
        case WM_TREE_DRAGDROP: {
            const auto* record = reinterpret_cast<const JEXTREEDRAGDROP*>(lParam);
            self->drops.push_back({record->source, record->target, record->position});
            return 0;
        }
        case WM_NOTIFY: {
            const auto* tree = reinterpret_cast<const NMTREEVIEWA*>(lParam);
            self->notifications.push_back({tree->hdr.hwndFrom, tree->hdr.code});
            if (tree->hdr.code == TVN_ITEMEXPANDEDA || tree->hdr.code == TVN_ITEMEXPANDEDW)
                self->expansions.push_back({tree->itemNew.hItem, GetTickCount()});
            break;
        }
        case WM_NAVCTRL_SELCHANGE:
            return self->selChangeResult;
        case WM_NCDESTROY:
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// --- log and pump ----------------------------------------------------------------------------------------

MessageLog& messageLog() {
    static MessageLog log;
    return log;
}

void MessageLog::clear() { messages_.clear(); }

bool MessageLog::watches(HWND hwnd) const {
    return hwnd && std::find(watched_.begin(), watched_.end(), hwnd) != watched_.end();
}

std::vector<Message> MessageLog::of(HWND hwnd, UINT msg, WPARAM wParam) const {
    std::vector<Message> out;
    for (const Message& m : messages_)
        if (m.hwnd == hwnd && m.msg == msg && (wParam == WPARAM(-1) || m.wParam == wParam)) out.push_back(m);
    return out;
}

void pump(const std::function<void(const MSG&)>& afterDispatch) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (isMouseMessage(msg.message) && !fromTheTest(msg)) continue;
        if (messageLog().watches(msg.hwnd)) messageLog().add({msg.hwnd, msg.message, msg.wParam, msg.lParam});
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (isMouseMessage(msg.message) || (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST))
            dispatchedInput().push_back({msg.message, msg.wParam, msg.pt, GetCursor()});
        if (afterDispatch) afterDispatch(msg);
    }
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        pump();
        if (condition()) return true;
        if (GetTickCount() - start > DWORD(timeoutMs)) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void pumpFor(int ms) {
    waitUntil([] { return false; }, ms);
}

// --- mouse and keyboard ------------------------------------------------------------------------------------

bool moveMouse(POINT p, bool toOwnWindow) {
    if (!toOwnWindow) {
        INPUT input = moveInput(p);
        SendInput(1, &input, sizeof input);
        return waitUntil([&] {
            POINT at;
            return GetCursorPos(&at) && samePoint(at, p);
        });
    }
    // Should the move still get lost (merged with a stale copy), it is made
    // again, by way of the next pixel: the pointer is at p already, and a
    // move to where it is makes no message.
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::size_t since = dispatchedInput().size();
        if (attempt == 0)
            sendMoves({p});
        else
            sendMoves({{p.x + 1, p.y}, p});
        auto arrived = [&](const Dispatched& d) { return isMouseMessage(d.msg) && samePoint(d.pt, p); };
        if (waitForDispatch(since, arrived, 2000)) return true;
    }
    return false;
}

void sendMoves(const std::vector<POINT>& points) {
    std::vector<INPUT> inputs;
    for (POINT p : points) inputs.push_back(moveInput(p));
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool pressLeft(const POINT* thenMoveTo) {
    std::size_t since = dispatchedInput().size();
    INPUT inputs[2] = {buttonInput(MOUSEEVENTF_LEFTDOWN), thenMoveTo ? moveInput(*thenMoveTo) : INPUT{}};
    SendInput(thenMoveTo ? 2 : 1, inputs, sizeof(INPUT));
    return waitForDispatch(since, [](const Dispatched& d) {
        return d.msg == WM_LBUTTONDOWN || d.msg == WM_NCLBUTTONDOWN || d.msg == WM_LBUTTONDBLCLK;
    });
}

bool releaseLeft() {
    std::size_t since = dispatchedInput().size();
    INPUT input = buttonInput(MOUSEEVENTF_LEFTUP);
    SendInput(1, &input, sizeof input);
    return waitForDispatch(since, [](const Dispatched& d) { return d.msg == WM_LBUTTONUP || d.msg == WM_NCLBUTTONUP; });
}

bool clickAt(POINT p) { return moveMouse(p) && pressLeft() && releaseLeft(); }

bool pressKey(WORD vk) {
    std::size_t since = dispatchedInput().size();
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = vk;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    return waitForDispatch(since, [&](const Dispatched& d) { return d.msg == WM_KEYUP && d.wParam == vk; });
}

void parkMouse() {
    if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) releaseLeft();
    moveMouse({GetSystemMetrics(SM_CXSCREEN) - 20, GetSystemMetrics(SM_CYSCREEN) - 20}, false);
}

HCURSOR cursorAfterLastMouseMessage() {
    const auto& list = dispatchedInput();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (isMouseMessage(it->msg)) return it->cursor;
    return nullptr;
}

POINT screenPoint(HWND hwnd, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(hwnd, &p);
    return p;
}

// --- pixels ---------------------------------------------------------------------------------------------------

COLORREF windowPixel(HWND hwnd, int x, int y) {
    HDC dc = GetWindowDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

COLORREF clientPixel(HWND hwnd, int x, int y) {
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

Capture::Capture(HWND hwnd, bool wholeWindow) {
    RECT r = {};
    if (wholeWindow) {
        GetWindowRect(hwnd, &r);
        OffsetRect(&r, -r.left, -r.top);
    } else {
        GetClientRect(hwnd, &r);
    }
    width_ = r.right;
    height_ = r.bottom;
    if (width_ <= 0 || height_ <= 0) return;
    HDC source = wholeWindow ? GetWindowDC(hwnd) : GetDC(hwnd);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    bits_.assign(pixels, pixels + std::size_t(width_) * std::size_t(height_));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(hwnd, source);
}

COLORREF Capture::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    DWORD p = bits_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool Capture::anyDark(const RECT& r) const {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            COLORREF c = at(x, y);
            if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 200) return true;
        }
    return false;
}

std::string rgb(COLORREF c) {
    if (c == CLR_INVALID) return "(invalid)";
    char text[32];
    std::snprintf(text, sizeof text, "(%d, %d, %d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

}  // namespace skintest
