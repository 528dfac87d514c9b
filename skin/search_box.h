// The search box: a one-line edit field with a search glyph to its right,
// framed by a skin image that fades between two looks as the field gains
// and loses the focus.  CSearchBox owns the field, the layout and the
// report (WM_SEARCHBOX_SEARCH to the main window on Enter or a click on the
// glyph); SearchBoxSkin paints the frame, the glyph and the fades.
#pragma once

#include <string>

#include "skin/skin_control.h"
#include "skin/skin_image.h"
#include "skin/skin_rules.h"
#include "skin/skin_window.h"

namespace skin {

class CSearchBox : public SkinControl {
public:
    static constexpr char kClassName[] = "jexSearchBox";
    static constexpr int kEditId = 1;
    static constexpr int kMaxText = 128;

    // The rectangle is widened to at least 28 x 24 pixels.
    static HWND create(DWORD style, RECT rect, HWND parent, UINT id);
    static CSearchBox* fromHandle(HWND hwnd) { return static_cast<CSearchBox*>(objectOf(hwnd, kClassName)); }

    HWND edit() const { return edit_; }
    // The field's text cut to size - 1 bytes, always terminated.
    void text(char* buffer, int size) const;
    // Tells the box's main window that a search was started.
    void reportSearch() const;

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    CSearchBox() = default;
    bool onCreate(const CREATESTRUCTA& create);
    static LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND edit_ = nullptr;
    WNDPROC editDefault_ = nullptr;
    int editHeight_ = 0;
};

class SearchBoxSkin : public SkinWindow {
public:
    static void attach(HWND hwnd);

    // For tests: where the glyph is, in client coordinates.
    RECT glyphRect() const { return glyph_; }

protected:
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit SearchBoxSkin(HWND hwnd) : SkinWindow(hwnd) {}

    void load(const CREATESTRUCTA& create);
    void shrinkClient(RECT& proposed) const;
    void rebuildCaches();
    void paintFrame();
    void paintClient();
    void drawGlyph(bool pressed);
    void focusChanged(bool focused);
    void fadeStep();

    SkinImage normal_;
    SkinImage focus_;
    SkinImage glyphImage_;
    int marginX_ = 0;
    int marginY_ = 0;
    RECT glyph_ = {};
    Fade fade_;
    int opacity_ = 255;
    bool focused_ = false;
    bool glyphPressed_ = false;
    bool grown_ = false;  // the images asked for a larger window

    // Rebuilt when refresh_ is set.
    RECT client_ = {};     // the client area in window coordinates
    MemoryDC snapshot_;    // the parent under the whole window
    MemoryDC composedNormal_;
    MemoryDC composedFocus_;
};

}  // namespace skin
