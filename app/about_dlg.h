// The about box: the about page (product, version and the maker's
// addresses) above an OK button.
#pragma once

#include "app/html_page.h"
#include "fw/dialog.h"

class CAboutDlg : public fw::Dialog {
public:
    CAboutDlg();

protected:
    bool onInitDialog() override;

private:
    CHtmlPage page_;
};
