// CHEditCtrl: the program's own code editor window.  A thin translator: it
// turns messages into calls on EditorCore, measures with GDI (widths cached
// per character) and paints what the core holds.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "editor/editor_core.h"
#include "editor/syntax_scheme.h"
#include "fw/wnd.h"

class CHEditCtrl : public fw::Wnd, private TextMeasurer, private EditorHost {
public:
    // WM_NOTIFY code sent to the parent after every caret placement.
    static constexpr UINT kCaretNotify = 1245;

    CHEditCtrl();
    ~CHEditCtrl() override;

    // Creates the window (WS_VSCROLL and WS_HSCROLL are added).
    bool Create(DWORD style, const RECT& rect, HWND parent, int id);
    // The tab item whose label carries "*" while the text is modified.
    void SetTabOwner(HWND tabControl, int index);
    void SetSavePoint();
    bool IsModified() const { return core_.isModified(); }
    // The text exactly as stored (LF line ends).
    std::string text() const { return core_.text(); }
    EditorCore& core() { return core_; }

    // Takes the keywords, blocks, delimiters and colours of a scheme file's
    // text; ClearSyntax drops keywords and blocks and keeps the rest.
    bool LoadSyntax(const std::string& text);
    void ClearSyntax();

    // The registered message sent to the parent after every text change.
    static UINT editChangeMessage();

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // TextMeasurer
    int charWidth(unsigned char lead, unsigned char trail) override;
    int tabStopWidth() override;
    int lineHeight() override { return lineHeight_; }
    int columnWidth() override { return columnWidth_; }

    // EditorHost
    void caretMoved() override;
    void textChanged() override;
    void modifiedChanged(bool modified) override;
    void invalidateAll() override;
    void invalidateLines(std::size_t first, std::size_t last) override;
    void scrollRangesChanged() override;

    HFONT font() const;
    void computeMetrics();
    void createCaret();
    void setStar(bool starred);
    void onKeyDown(WPARAM key);
    void onChar(unsigned char c);
    void onScroll(int bar, int code);
    void onMouseMove(int x, int y);

    void paint(HDC dc, const RECT& clip);
    void paintBackground(HDC dc);
    void paintMargin(HDC dc, int left, int top, int right, int bottom);
    void paintText(HDC dc, const RECT& area);
    int drawRun(HDC dc, const std::string& run, int x, int y, int lineOrigin);

    void applyScheme();

    EditorCore core_;
    SyntaxScheme scheme_;
    HFONT font_ = nullptr;  // set by WM_SETFONT; null means DEFAULT_GUI_FONT
    int lineHeight_ = 16;
    int columnWidth_ = 8;
    int tabStop_ = 32;
    std::unordered_map<unsigned, int> singleWidths_;
    std::unordered_map<unsigned, int> doubleWidths_;

    COLORREF textColour_ = CLR_INVALID;  // CLR_INVALID: the system colour
    COLORREF background_ = CLR_INVALID;
    COLORREF selectionText_ = 0;
    COLORREF selectionBack_ = 0;

    HWND tabOwner_ = nullptr;
    int tabIndex_ = -1;
    bool starred_ = false;
    unsigned char pendingLead_ = 0;
    bool focused_ = false;
    bool dragTimer_ = false;
};
