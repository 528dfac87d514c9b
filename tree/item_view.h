// The snippet tree view, on the left of the main frame.
#pragma once

#include "app/tab_view.h"

class CItemView : public CTabView {
public:
    static constexpr int kTabControlId = 1003;

protected:
    const char* windowClassName() const override { return "Afx:jexmarlo:ItemView"; }
    bool onCreate() override;
};
