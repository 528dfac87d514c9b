// The code view, upper right: one tab per open text, or the welcome tab.
#pragma once

#include "app/tab_view.h"

class CCodeView : public CTabView {
public:
    static constexpr int kTabControlId = 1001;

    // Saves the current text / every open text.
    void saveCurrent() {}
    void saveAll() {}

protected:
    const char* windowClassName() const override { return "Afx:jexmarlo:CodeView"; }
    bool onCreate() override;
};
