// The busy dialog: a small modeless dialog with a text and an animated
// block bar, shown while an attachment is stored or the database compacted.
#pragma once

#include "fw/dialog.h"

class CBusyDlg : public fw::Dialog {
public:
    CBusyDlg();
    ~CBusyDlg() override;

    // Creates the dialog, owned by `owner`.  With a `cancelReceiver`, Escape
    // sends it WM_BUSY_CANCEL and closes the dialog; without one, Escape
    // does nothing.
    bool createModeless(HWND owner, HWND cancelReceiver);
    void setText(const char* text);

protected:
    bool onInitDialog() override;
    void onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void paintBar(HDC dc);
    HWND cancelReceiver_ = nullptr;
    HBITMAP block_ = nullptr;
};
