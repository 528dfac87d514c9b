// The about box: product, version and the maker's addresses, which open
// with the shell when clicked.
#pragma once

#include <string>

#include "fw/dialog.h"

class CAboutDlg : public fw::Dialog {
public:
    CAboutDlg();

protected:
    bool onInitDialog() override;
    void onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    static bool isLink(int id);
    std::string target(int id) const;
    HFONT headingFont_ = nullptr;
    HFONT linkFont_ = nullptr;
};
