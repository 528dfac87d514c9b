#include "fw/frame_wnd.h"

#include <commctrl.h>

#include <string>

#include "fw/view.h"

namespace fw {

namespace {

constexpr UINT_PTR kPromptTimer = 0xE000;

// A string resource of the program; "" when there is none.
std::string loadString(int id) {
    char buffer[512] = {};
    LoadStringA(GetModuleHandleA(nullptr), UINT(id), buffer, sizeof buffer);
    return buffer;
}

}  // namespace

bool FrameWnd::createToolBar(int bitmapId, int imageSize, const std::vector<ToolButton>& buttons) {
    toolBar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP,
                               0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolBarId)),
                               GetModuleHandleA(nullptr), nullptr);
    if (!toolBar_) return false;
    SendMessageA(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

    HBITMAP strip = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!strip) return false;
    BITMAP info = {};
    GetObject(strip, sizeof info, &info);
    toolImages_ = ImageList_Create(imageSize, imageSize, ILC_COLOR32, info.bmWidth / imageSize, 0);
    ImageList_Add(toolImages_, strip, nullptr);
    DeleteObject(strip);
    SendMessageA(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolImages_));
    SendMessageA(toolBar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(imageSize, imageSize));

    std::vector<TBBUTTON> tb;
    for (const ToolButton& b : buttons) {
        TBBUTTON button = {};
        button.iBitmap = b.command ? b.image : 8;
        button.idCommand = b.command;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = b.command ? BTNS_BUTTON : BTNS_SEP;
        tb.push_back(button);
    }
    SendMessageA(toolBar_, TB_ADDBUTTONSA, WPARAM(tb.size()), reinterpret_cast<LPARAM>(tb.data()));
    SendMessageA(toolBar_, TB_AUTOSIZE, 0, 0);
    return true;
}

bool FrameWnd::createStatusBar(const std::vector<int>& paneWidths) {
    statusBar_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBARS_SIZEGRIP, 0,
                                 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)),
                                 GetModuleHandleA(nullptr), nullptr);
    if (!statusBar_) return false;
    std::vector<int> edges;
    int right = 0;
    for (int width : paneWidths) edges.push_back(right += width);
    SendMessageA(statusBar_, SB_SETPARTS, WPARAM(edges.size()), reinterpret_cast<LPARAM>(edges.data()));
    setPaneText(0, loadString(kIdleMessageString).c_str());
    return true;
}

void FrameWnd::setPaneText(int pane, const char* text) {
    if (statusBar_) SendMessageA(statusBar_, SB_SETTEXTA, WPARAM(pane), reinterpret_cast<LPARAM>(text));
}

void FrameWnd::setAccelerators(int resourceId) {
    accelerators_ = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId));
}

bool FrameWnd::translateAccelerator(MSG& msg) {
    return accelerators_ && hwnd() && TranslateAcceleratorA(hwnd(), accelerators_, &msg);
}

void FrameWnd::recalcLayout() {
    RECT client;
    GetClientRect(hwnd(), &client);
    if (toolBar_) {
        SendMessageA(toolBar_, TB_AUTOSIZE, 0, 0);
        RECT r;
        GetWindowRect(toolBar_, &r);
        client.top += r.bottom - r.top;
    }
    if (statusBar_) {
        SendMessageA(statusBar_, WM_SIZE, 0, 0);
        InvalidateRect(statusBar_, nullptr, TRUE);  // the size grip moved
        RECT r;
        GetWindowRect(statusBar_, &r);
        client.bottom -= r.bottom - r.top;
    }
    if (client_)
        SetWindowPos(client_, nullptr, client.left, client.top, client.right - client.left,
                     client.bottom > client.top ? client.bottom - client.top : 0, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FrameWnd::showPrompt(int command) {
    std::string text = loadString(command ? command : kIdleMessageString);
    std::size_t newline = text.find('\n');
    if (newline != std::string::npos) text.resize(newline);
    setPaneText(0, text.c_str());
}

bool FrameWnd::onCommand(int, int, HWND) { return false; }

LRESULT FrameWnd::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        recalcLayout();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (minSize_.x) info->ptMinTrackSize = minSize_;
        return 0;
    }
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (onCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
        if (activeView_ && activeView_->onCommand(id)) return 0;
        break;
    }
    case WM_TIMER:
        if (wParam == kPromptTimer) {
            POINT cursor;
            GetCursorPos(&cursor);
            if (WindowFromPoint(cursor) != toolBar_) {
                showPrompt(0);
                KillTimer(hwnd(), kPromptTimer);
            }
            return 0;
        }
        break;
    case WM_MENUSELECT:
        // The prompt of the menu item under the mouse; the idle prompt when
        // the menu closes.
        if (HIWORD(wParam) == 0xFFFF && !lParam)
            showPrompt(0);
        else if (!(HIWORD(wParam) & (MF_POPUP | MF_SEPARATOR)))
            showPrompt(LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == TTN_GETDISPINFOA) {
            // Tooltip of a toolbar button: the text after the newline.
            auto* tip = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            std::string text = loadString(int(header->idFrom));
            std::size_t newline = text.find('\n');
            text = newline == std::string::npos ? std::string() : text.substr(newline + 1);
            lstrcpynA(tipBuffer_, text.c_str(), sizeof tipBuffer_);
            tip->lpszText = tipBuffer_;
            return 0;
        }
        if (header->hwndFrom == toolBar_ && header->code == TBN_HOTITEMCHANGE) {
            // The fly-by prompt of the button under the mouse; a timer puts
            // the idle prompt back once the mouse has left the toolbar.
            auto* hot = reinterpret_cast<NMTBHOTITEM*>(lParam);
            bool leaving = hot->dwFlags & HICF_LEAVING;
            showPrompt(leaving ? 0 : hot->idNew);
            if (!leaving) SetTimer(hwnd(), kPromptTimer, 200, nullptr);
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return onMessage(msg, wParam, lParam);
}

}  // namespace fw
