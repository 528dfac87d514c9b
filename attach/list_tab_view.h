// The pane below the code view: memo, attachments and search results, with
// the tab headers along its bottom edge.
#pragma once

#include "app/tab_view.h"

class CListTabView : public CTabView {
public:
    static constexpr int kTabControlId = 1002;

protected:
    const char* windowClassName() const override { return "Afx:jexmarlo:ListTabView"; }
    bool onCreate() override;
};
