// A page of the program drawn natively, for where the web browser control
// cannot be created: the heading with the version, the contact lines with
// their links (opened with the shell), the logo to the right of them and the
// feature list, laid out and styled as the HTML page lays them out.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "app/page_content.h"
#include "fw/wnd.h"

class CNativePage : public fw::Wnd {
public:
    // `logo` holds the bytes of the page's picture (JPEG), empty for none.
    bool create(HWND parent, int id, const RECT& area, PageContent content, const std::string& logo);

    // The links as laid out at the last paint, in client coordinates.
    struct Link {
        RECT area;
        std::string target;
    };
    const std::vector<Link>& links() const { return links_; }

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void paint(HDC dc);
    int linkAt(POINT p) const;
    void setHover(int link);

    PageContent content_;
    Microsoft::WRL::ComPtr<IPicture> logo_;
    std::vector<Link> links_;
    int hover_ = -1;
};

// Splits `text` into lines no wider than `width` pixels in the font selected
// into `dc`, as a browser wraps it: between any two Chinese characters or at
// a blank between words (the blank is dropped); a word longer than a line is
// cut where it must be, never inside a two-byte character.
std::vector<std::string> wrapText(HDC dc, const std::string& text, int width);
