// A top-level frame window with a toolbar, a status bar and one client
// window (usually a splitter) filling the rest.
//
// Commands (WM_COMMAND from buttons, accelerators and menus) go first to the
// frame's onCommand, then to the active view.  Toolbar tooltips and status
// bar prompts come from string resources "prompt\ntooltip" with the
// command's id; the idle prompt is string 57345.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "fw/wnd.h"

namespace fw {

class View;

constexpr int kIdleMessageString = 57345;
constexpr int kToolBarId = 0xE800;
constexpr int kStatusBarId = 0xE801;

class FrameWnd : public Wnd {
public:
    struct ToolButton {
        int command;  // 0 for a separator
        int image;
    };

    void setActiveView(View* view) { activeView_ = view; }
    View* activeView() const { return activeView_; }

    HWND toolBar() const { return toolBar_; }
    HWND statusBar() const { return statusBar_; }
    void setPaneText(int pane, const char* text);
    // Applies the frame's accelerators to a message of its thread.
    bool translateAccelerator(MSG& msg);

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Creates a flat toolbar with tooltips from a bitmap strip of square
    // images (32-bit with alpha).
    bool createToolBar(int bitmapId, int imageSize, const std::vector<ToolButton>& buttons);
    // Creates the status bar with panes of the given widths in pixels.
    bool createStatusBar(const std::vector<int>& paneWidths);
    void setClient(HWND client) { client_ = client; }
    void setAccelerators(int resourceId);
    void setMinTrackSize(int width, int height) { minSize_ = {width, height}; }
    // Places the bars and the client window; called on every resize.
    virtual void recalcLayout();

    // A command; true = handled.  Unhandled ones go to the active view.
    virtual bool onCommand(int id, int code, HWND control);
    virtual LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return defaultProc(msg, wParam, lParam); }

private:
    void showPrompt(int command);
    HWND toolBar_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND client_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HIMAGELIST toolImages_ = nullptr;
    POINT minSize_ = {0, 0};
    View* activeView_ = nullptr;
    char tipBuffer_[256] = {};
};

}  // namespace fw
