// CHEditCtrl: the program's own code editor window.  A thin translator: it
// turns messages into calls on EditorCore, measures with GDI (widths cached
// per character) and paints what the core holds.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "editor/editor_core.h"
#include "editor/syntax_scheme.h"
#include "fw/wnd.h"

class EditorDropTarget;

class CHEditCtrl : public fw::Wnd, private TextMeasurer, private EditorHost {
public:
    // WM_NOTIFY code sent to the parent after every caret placement.
    static constexpr UINT kCaretNotify = 1245;
    // The commands of the context menu (the standard edit command ids); the
    // control also takes them as WM_COMMAND from its owner.
    enum Command : int {
        kCopy = 57634,
        kCut = 57635,
        kFind = 57636,
        kPaste = 57637,
        kSelectAll = 57642,
        kUndo = 57643,
        kRedo = 57644,
    };
    // The menu resource whose second pop-up is the context menu.
    static constexpr int kContextMenu = 137;

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

    // --- find, clipboard, drag and drop ----------------------------------------------
    bool Find(const std::string& text, bool down, bool matchCase, bool wholeWord);
    // Copies the selection to the clipboard as CF_TEXT; false when there is
    // none or the clipboard could not be written.
    bool Copy();
    bool Cut();
    // Pastes "CH_TEXT" (column-wise) or else CF_TEXT at the caret.
    bool Paste();
    bool CanPaste() const;
    bool CanCopy() const { return HasSelection(); }
    bool HasSelection() const { return core_.hasSelection(); }
    // anchor -1 clears the selection; end -1 is the text end.
    void SetSelection(long anchor, long end, bool keepView = false);
    // Opens the find dialog, or gives it the focus when it is open.
    void OpenFind();
    HWND findDialog() const { return findDialog_; }
    // Enables the context menu's items as the text and history allow.
    void updateMenu(HMENU popup) const;

    // The drop target's calls: the effect wanted at a point (screen).
    virtual DWORD OnDragEnter(IDataObject* data, DWORD keys, POINT point, DWORD allowed);
    virtual DWORD OnDragOver(DWORD keys, POINT point, DWORD allowed);
    virtual void OnDragLeave();
    virtual DWORD OnDrop(IDataObject* data, DWORD effect, POINT point);

    // A refused command and its code (the codes of EditorRefusal).
    virtual void OnError(unsigned /*code*/) {}

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
    void refused(unsigned code) override { OnError(code); }

    HFONT font() const;
    void computeMetrics();
    void createCaret();
    void setStar(bool starred);
    void onKeyDown(WPARAM key);
    void onChar(unsigned char c);
    void onScroll(int bar, int code);
    void onMouseMove(int x, int y);
    void onCommand(int id);
    void onRightButton(WPARAM wParam, LPARAM lParam);
    void onFindReport(const FINDREPLACEA& report);
    void dragOut(int x, int y);
    void showDropCaret(bool shown);
    bool putOnClipboard(const std::string& text);

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
    bool arrowCursor_ = false;  // from a right click until the next left click

    UINT columnFormat_ = 0;  // "CH_TEXT"
    HWND findDialog_ = nullptr;
    FINDREPLACEA findReplace_ = {};
    char findWhat_[256] = {};

    EditorDropTarget* dropTarget_ = nullptr;  // registered while the window lives
    bool dropAcceptable_ = false;
    bool dropColumnWise_ = false;
    bool dragSource_ = false;   // a drag out of this control is running
    bool droppedHere_ = false;  // ...and was dropped into it
    bool dropCaret_ = false;    // the grey caret of a drag over the text is shown
    HBITMAP dropCaretBitmap_ = nullptr;
};
