// The splitters of the main frame: 5-pixel bars in a light blue-grey.
#pragma once

#include "fw/splitter_wnd.h"

class CMySplitterWnd : public fw::SplitterWnd {
public:
    using fw::SplitterWnd::SplitterWnd;

protected:
    void drawBar(HDC dc, const RECT& bar) override;
};
