// Dialogs from resource templates, and message boxes.
#pragma once

#include <windows.h>

#include "fw/wnd.h"

namespace fw {

class Dialog : public Wnd {
public:
    explicit Dialog(int templateId) : templateId_(templateId) {}

    // Runs the dialog modally; returns the value given to endDialog.
    INT_PTR doModal(HWND parent);
    // Creates the dialog without a modal loop; destroy it with DestroyWindow.
    bool createModelessDialog(HWND owner);

protected:
    virtual bool onInitDialog() { return true; }
    // IDOK and IDCANCEL end the dialog with their id.
    virtual void onCommand(int id, int code, HWND control);
    // Other messages; return true when handled.
    virtual bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    void endDialog(INT_PTR result);
    HWND item(int id) const { return GetDlgItem(hwnd(), id); }

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    int templateId_;
};

// A modal message box owned by the active window of the program, with the
// application title as caption unless one is given; afterwards the focus
// is where it was.
int messageBox(const char* text, UINT type = MB_OK, const char* caption = nullptr);

}  // namespace fw
