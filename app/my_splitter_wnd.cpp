#include "app/my_splitter_wnd.h"

void CMySplitterWnd::drawBar(HDC dc, const RECT& bar) {
    RECT band = bar;
    // A bar between rows is painted one pixel wider on each side.
    if (bar.right - bar.left > bar.bottom - bar.top) InflateRect(&band, 0, 1);
    HBRUSH brush = CreateSolidBrush(RGB(202, 216, 231));
    FillRect(dc, &band, brush);
    DeleteObject(brush);
}
