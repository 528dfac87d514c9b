// The code view, upper right: one tab per open text, or the welcome tab.
#pragma once

#include <string>
#include <vector>

#include "app/tab_view.h"

class CCodeView : public CTabView {
public:
    static constexpr int kTabControlId = 1001;

    // Opens a text in a tab of its own, or shows its tab when it is open.
    void openText(const std::string& title, int id, int schemeId);
    // The title or scheme of an open text changed.
    void textChanged(const std::string& title, int id, int schemeId);
    // Closes the tab of a text (nothing when it is not open).
    void closeText(int id);
    bool isOpen(int id) const { return indexOf(id) >= 0; }

    // Saves the current text / every open text.
    void saveCurrent() {}
    void saveAll() {}

    // A tab label: titles of 19 bytes or more are cut to 18 and "...".
    static std::string tabLabel(const std::string& title);

protected:
    const char* windowClassName() const override { return "Afx:jexmarlo:CodeView"; }
    bool onCreate() override;

private:
    struct OpenText {
        int id;
        std::string title;
        int schemeId;
    };
    int indexOf(int id) const;
    void setTabText(int index, const std::string& text);

    std::vector<OpenText> texts_;  // in tab order
    bool welcomeShown_ = true;
};
