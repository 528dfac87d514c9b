// The welcome page the code view shows while no text is open: a child
// dialog without caption whose page control (1037) covers it.
#pragma once

#include "app/external.h"
#include "app/html_page.h"
#include "fw/dialog.h"

class CWelcomePage : public fw::Dialog {
public:
    // `external` is what the page's scripts reach as window.external.
    explicit CWelcomePage(CExternal& external);
    bool createPage(HWND parent);

protected:
    bool onInitDialog() override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    CExternal& external_;
    CHtmlPage page_;
};
