#include "app/html_page.h"

#include "app/native_page.h"
#include "app/page_content.h"
#include "app/web_browser.h"

CHtmlPage::CHtmlPage() = default;
CHtmlPage::~CHtmlPage() = default;

bool CHtmlPage::create(HWND parent, int id, const RECT& area, const char* name, IDispatch* external) {
    browser_ = std::make_unique<CWebBrowser2>();
    if (browser_->create(parent, id, area, external)) {
        browser_->Navigate2(resourceUrl(name));
        return true;
    }
    browser_.reset();
    PageContent content = readPageContent(htmlResource(name));
    std::string logo = content.logo.empty() ? std::string() : htmlResource(content.logo.c_str());
    native_ = std::make_unique<CNativePage>();
    return native_->create(parent, id, area, std::move(content), logo);
}

HWND CHtmlPage::hwnd() const {
    if (browser_) return browser_->hwnd();
    return native_ ? native_->hwnd() : nullptr;
}

std::string resourceUrl(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string("res://") + path + "/" + name;
}

std::string htmlResource(const char* name) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, RT_HTML);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}
