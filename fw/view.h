// A view: a child window of a frame that takes part in command routing.
#pragma once

#include "fw/wnd.h"

namespace fw {

class FrameWnd;

class View : public Wnd {
public:
    void setFrame(FrameWnd* frame) { frame_ = frame; }
    FrameWnd* frame() const { return frame_; }

    // Creates the view's window as a child of `parent`.
    bool createView(HWND parent, int id, const RECT& rect);

    // A command the frame did not handle; true = handled.
    virtual bool onCommand(int id);

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The class the view's window is created with.
    virtual const char* windowClassName() const = 0;

private:
    FrameWnd* frame_ = nullptr;
};

}  // namespace fw
