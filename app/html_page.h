// One of the program's HTML pages (resources of the HTML type) in a child
// window: the web browser control showing "res://<program>/<name>" where the
// control can be created, otherwise the same page drawn natively.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class CNativePage;
class CWebBrowser2;

class CHtmlPage {
public:
    CHtmlPage();
    ~CHtmlPage();
    CHtmlPage(const CHtmlPage&) = delete;
    CHtmlPage& operator=(const CHtmlPage&) = delete;

    // Shows resource `name` filling `area` of `parent` as control `id`;
    // `external` is what the page's scripts reach as window.external.
    bool create(HWND parent, int id, const RECT& area, const char* name, IDispatch* external);

    HWND hwnd() const;
    bool showsBrowser() const { return browser_ != nullptr; }

private:
    std::unique_ptr<CWebBrowser2> browser_;
    std::unique_ptr<CNativePage> native_;
};

// The address of the resource page `name`: "res://" + the full path of the
// running program + "/" + name.
std::string resourceUrl(const char* name);

// The bytes of the HTML-type resource `name` of the running program, ""
// when there is none.
std::string htmlResource(const char* name);
