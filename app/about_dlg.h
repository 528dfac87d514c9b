// The about box: product, version and the maker's addresses.
#pragma once

#include "fw/dialog.h"

class CAboutDlg : public fw::Dialog {
public:
    CAboutDlg();

protected:
    bool onInitDialog() override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    HFONT headingFont_ = nullptr;
};
