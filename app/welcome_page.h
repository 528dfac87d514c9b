// The welcome page the code view shows while no text is open: a child
// dialog without caption whose page control (1037) covers it.
#pragma once

#include "app/html_page.h"
#include "fw/dialog.h"

class CWelcomePage : public fw::Dialog {
public:
    CWelcomePage();
    bool createPage(HWND parent);

protected:
    bool onInitDialog() override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    CHtmlPage page_;
};
