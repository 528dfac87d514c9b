#include "fw/view.h"

#include "fw/frame_wnd.h"

namespace fw {

bool View::createView(HWND parent, int id, const RECT& rect) {
    const char* cls = windowClassName();
    registerClass(cls, CS_DBLCLKS, nullptr, nullptr, nullptr);
    return create(0, cls, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

bool View::onCommand(int) { return false; }

LRESULT View::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MOUSEACTIVATE:
        // A click anywhere in the view makes it the frame's active view.
        if (frame_) frame_->setActiveView(this);
        break;
    case WM_SETFOCUS:
        if (frame_) frame_->setActiveView(this);
        break;
    default:
        break;
    }
    return defaultProc(msg, wParam, lParam);
}

}  // namespace fw
