// The welcome page shown while no text is open: the product, its version,
// the maker's addresses (opened with the shell when clicked), the logo and
// the list of features, drawn natively.
#pragma once

#include <string>
#include <vector>

#include "fw/wnd.h"

class CWelcomePage : public fw::Wnd {
public:
    bool createPage(HWND parent);

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    struct Link {
        RECT area;
        std::string target;
    };
    void paint(HDC dc);
    std::vector<Link> links_;
};
