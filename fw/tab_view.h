// The common base of the three views of the main frame: a view whose client
// area is one tab control; the derived view places its pages below the tab
// headers.
#pragma once

#include <initializer_list>

#include "fw/view.h"

class CTabView : public fw::View {
public:
    HWND tabControl() const { return tabs_; }

protected:
    // Creates the tab control (control `id`, extra styles) with its tabs.
    bool createTabs(int id, DWORD extraStyle, std::initializer_list<const char*> labels);
    // Height of a tab header (the item rectangle of tab 0).
    int headerHeight() const;

    // The view was created: make the tab control and the pages here.
    virtual bool onCreate() = 0;
    // The view and its tab control now measure width x height.
    virtual void onResize() {}

    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    int width_ = 0;
    int height_ = 0;

private:
    HWND tabs_ = nullptr;
};
