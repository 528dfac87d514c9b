// The about box: the about page (product, version and the maker's
// addresses) above an OK button.
#pragma once

#include "app/external.h"
#include "app/html_page.h"
#include "fw/dialog.h"

class CAboutDlg : public fw::Dialog {
public:
    // `external` is what the page's scripts reach as window.external.
    explicit CAboutDlg(CExternal& external);

protected:
    bool onInitDialog() override;

private:
    CExternal& external_;
    CHtmlPage page_;
};
