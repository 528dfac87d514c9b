// A splitter: two panes side by side (one row, two columns) or one above
// the other (two rows, one column), separated by a bar the user drags.
//
// While the left button is down on the bar the splitter has the capture and
// draws an inverted halftone tracking line; on release the first pane takes
// the new size, kept between the first-pane minimum and the client extent
// minus the last-pane minimum.
#pragma once

#include <windows.h>

#include "fw/wnd.h"

namespace fw {

class SplitterWnd : public Wnd {
public:
    enum class Orientation { Columns, Rows };

    SplitterWnd(Orientation orientation, int firstMinimum = 0, int lastMinimum = 0);

    bool createSplitter(HWND parent, int id);
    // Puts a window (a child of this splitter) into pane 0 or 1.
    void setPane(int index, HWND pane) { panes_[index] = pane; }
    HWND pane(int index) const { return panes_[index]; }
    // The size of the first pane along the split (width or height).  While
    // the splitter is too small for it, the pane shrinks as far as the last
    // pane's minimum asks and takes this size again when there is room.
    void setFirstSize(int size);
    int firstSize() const { return firstSize_; }

    static constexpr int kBarSize = 5;

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Paints the bar; `bar` covers it across the whole client area.
    virtual void drawBar(HDC dc, const RECT& bar);

    RECT barRect() const;
    void layout();

private:
    int extent() const;  // client width (columns) or height (rows)
    int shownFirstSize() const;
    int clampFirst(int size) const;
    int along(LPARAM point) const;
    void invertTracker(int position);

    Orientation orientation_;
    int firstMinimum_;
    int lastMinimum_;
    int firstSize_ = 0;
    HWND panes_[2] = {nullptr, nullptr};
    bool tracking_ = false;
    int trackPosition_ = 0;  // where the tracking line is drawn
    int grabOffset_ = 0;     // from the bar's start to the point pressed
};

}  // namespace fw
