#include "app/code_view.h"

#include <commctrl.h>

bool CCodeView::onCreate() { return createTabs(kTabControlId, 0, {"欢迎！"}); }

std::string CCodeView::tabLabel(const std::string& title) {
    return title.size() >= 19 ? title.substr(0, 18) + "..." : title;
}

int CCodeView::indexOf(int id) const {
    for (std::size_t i = 0; i < texts_.size(); ++i)
        if (texts_[i].id == id) return int(i);
    return -1;
}

void CCodeView::setTabText(int index, const std::string& text) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(tabControl(), TCM_SETITEMA, WPARAM(index), reinterpret_cast<LPARAM>(&item));
}

void CCodeView::openText(const std::string& title, int id, int schemeId) {
    int index = indexOf(id);
    if (index < 0) {
        if (welcomeShown_) {
            SendMessageA(tabControl(), TCM_DELETEITEM, 0, 0);
            welcomeShown_ = false;
        }
        texts_.push_back({id, title, schemeId});
        index = int(texts_.size()) - 1;
        std::string label = tabLabel(title);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(label.c_str());
        SendMessageA(tabControl(), TCM_INSERTITEMA, WPARAM(index), reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(tabControl(), TCM_SETCURSEL, WPARAM(index), 0);
}

void CCodeView::textChanged(const std::string& title, int id, int schemeId) {
    int index = indexOf(id);
    if (index < 0) return;
    texts_[std::size_t(index)].title = title;
    texts_[std::size_t(index)].schemeId = schemeId;
    setTabText(index, tabLabel(title));
}

void CCodeView::closeText(int id) {
    int index = indexOf(id);
    if (index < 0) return;
    texts_.erase(texts_.begin() + index);
    SendMessageA(tabControl(), TCM_DELETEITEM, WPARAM(index), 0);
    if (texts_.empty()) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>("欢迎");
        SendMessageA(tabControl(), TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        welcomeShown_ = true;
    }
    SendMessageA(tabControl(), TCM_SETCURSEL, 0, 0);
}
