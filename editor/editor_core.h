// The editing logic of CHEditCtrl, with no window types: the text, caret and
// selection, the view's scroll position, every caret move, typing,
// inserting and deleting with their line-length rules, block indent, and
// undo/redo.  The window translates messages into calls on this class and
// paints what it says; measuring goes through TextMeasurer so that the core
// can be tested with a fixed-width font and used on Windows with GDI.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "editor/text_buffer.h"
#include "editor/undo_history.h"

// Character widths in pixels, from the platform.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // Width of one character: a single byte (trail 0) or a two-byte one.
    virtual int charWidth(unsigned char lead, unsigned char trail) = 0;
    // Width of a tab stop (the width of four blanks).
    virtual int tabStopWidth() = 0;
    virtual int lineHeight() = 0;   // font height + 1
    virtual int columnWidth() = 0;  // widest character of the font
};

// What the core tells its window.
class EditorHost {
public:
    virtual ~EditorHost() = default;
    virtual void caretMoved() {}
    virtual void textChanged() {}
    // The modified flag went from clear to set (true) or back (false).
    virtual void modifiedChanged(bool) {}
    virtual void invalidateAll() {}
    // Lines [first, last] (last == npos: to the bottom of the view).
    virtual void invalidateLines(std::size_t, std::size_t) {}
    virtual void scrollRangesChanged() {}
    // A refused command and its code; nothing happens in this program.
    virtual void refused(unsigned) {}
};

// Refusal codes.
enum EditorRefusal : unsigned {
    kRefuseUndo = 1,
    kRefuseRedo = 2,
    kRefuseLeft = 0x10,
    kRefuseRight = 0x20,
    kRefuseUp = 0x40,
    kRefuseDown = 0x80,
    kRefusePageUp = 0x100,
    kRefusePageDown = 0x200,
    kRefuseHome = 0x400,
    kRefuseWordRight = 0x800,
    kRefuseWordLeft = 0x1000,
    kRefusePrevIndent = 0x2000,
    kRefuseCopy = 0x40000,  // copy or cut without a selection
    kRefuseNoSelection = 0x100000,
    kRefuseCutFailed = 0x80100000,  // the clipboard could not be written
    kRefuseOutdent = 0x400000,
    kRefuseDrop = 0x800000,
    kRefusePaste = 0x80020000,  // no text on the clipboard
    kRefuseIndentTooLong = 0x10004000,
    kRefuseJoinTooLong = 0x10008000,
    kRefuseDeleteAtEnd = 0x20010000,
};

// Key codes (the Windows virtual-key values).
enum EditorKey : int {
    kKeyBack = 0x08,
    kKeyTab = 0x09,
    kKeyReturn = 0x0D,
    kKeyEscape = 0x1B,
    kKeySpace = 0x20,
    kKeyPageUp = 0x21,
    kKeyPageDown = 0x22,
    kKeyEnd = 0x23,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
    kKeyInsert = 0x2D,
    kKeyDelete = 0x2E,
};

class EditorCore {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    static constexpr int kMarginWidth = 17;
    static constexpr int kIndentWidth = 4;
    static constexpr int kTabSize = 4;
    static constexpr std::size_t kMaxLine = 2047;  // bytes or columns a line may hold
    // Copied text shorter than this gets CR LF line ends; longer text goes
    // to the clipboard as it is stored.
    static constexpr std::size_t kClipboardConvertLimit = 50000;

    EditorCore(TextMeasurer& measurer, EditorHost& host);

    // --- text ----------------------------------------------------------------
    // Replaces the whole text; the history is cleared, the caret goes to 0.
    void setText(std::string_view text);
    std::string text() const { return text_.text(); }
    const TextBuffer& buffer() const { return text_; }
    // CR LF becomes LF; lines longer than kMaxLine bytes are broken at the
    // last character boundary that keeps them within it.
    static std::string normalizeText(std::string_view text);

    // --- view ----------------------------------------------------------------
    // The text rectangle: client size minus the margin.
    void setViewSize(int clientWidth, int clientHeight);
    void fontChanged();
    std::size_t firstVisibleLine() const { return firstLine_; }
    int horizontalScroll() const { return hscroll_; }
    int textLeft() const { return kMarginWidth; }
    int textWidth() const { return viewWidth_; }
    int textHeight() const { return viewHeight_; }
    int pageLines() const;
    int pageColumns() const;
    // Vertical range: the number of LFs, plus one when the text does not end with one.
    std::size_t verticalRange() const;
    // Scrolls a bar (vertical: true) by a scroll code (SB_* values);
    // `position` is the thumb position, or 3 for the wheel's lines.
    bool scroll(bool vertical, int code, int position);

    // --- caret and selection -----------------------------------------------------
    std::size_t caret() const { return caret_; }
    std::size_t caretLine() const { return caretLine_; }
    int caretColumn() const { return caretColumn_; }
    int caretX() const { return caretX_; }
    int caretY() const { return caretY_; }
    bool hasSelection() const { return anchor_ != kNone && anchor_ != end_; }
    std::size_t selectionStart() const;
    std::size_t selectionEnd() const;
    std::size_t anchor() const { return anchor_; }
    std::size_t selectionMovingEnd() const { return end_; }
    void setSelection(std::size_t anchor, std::size_t end);
    // The selection from outside: anchor kNone clears it; end kNone is the
    // text end; unless `keepView`, the caret goes to the end, in view.
    // Ignored on an empty text.
    void setSelection(std::size_t anchor, std::size_t end, bool keepView);
    void clearSelection();
    // Selects the whole text from its end back to 0, the caret at 0.
    void selectAll();
    void placeCaret(std::size_t pos);

    // --- keyboard -------------------------------------------------------------------
    // A key press (before its character, if any, arrives).
    void keyDown(int key, bool shift, bool ctrl);
    // A typed byte that is a character by itself (printable, blank included).
    void typeChar(unsigned char c);
    // A typed two-byte character.
    void typeDoubleByte(unsigned char lead, unsigned char trail);

    // --- editing commands ------------------------------------------------------------
    void insertText(std::string_view text, int action = kActionPaste);
    void insertNewLine();
    void insertIndent();
    bool indentSelectedLines(bool indent);
    void deleteForward();
    void backspace();
    bool deleteSelection(int action = kActionDelete, bool grouped = false);
    bool undo();
    bool redo();

    // --- find and exchange ------------------------------------------------------------
    // Selects the next occurrence from the caret (down) or the previous one
    // (up), wrapping around the text; false when there is none.
    bool find(std::string_view text, bool down, bool matchCase, bool wholeWord);
    std::string selectedText() const;
    // The selected bytes as they go to the clipboard: CR LF line ends below
    // kClipboardConvertLimit bytes, as stored from there on.
    std::string clipboardText() const;
    // Replaces the selection (if any) by pasted text at the caret; column
    // text goes in line by line at the caret's column.
    void paste(std::string_view data, bool columnWise);
    // Each line of `text` inserted at column `pos`'s column on successive
    // lines from `pos`'s line on, adding lines past the end where needed;
    // one undo step.  On a line of fewer than 2 bytes, a plain insert.
    void insertColumnText(std::string_view text, std::size_t pos, int action = kActionPaste, bool grouped = false);

    // Dragging text out of the selection (`beginDragOut`) and dropping text
    // in.  The dragged range and the last insertion follow the edits made
    // meanwhile, so that a move within the text deletes what was dragged.
    bool insideSelection(int x, int y);
    void beginDragOut();
    // The drag ended: a move deletes the dragged text; a drop here selects
    // what was dropped.
    void endDragOut(bool moved, bool droppedHere);
    bool draggingOut() const { return dragSource_.from != kNone; }
    // The pointer of a drag over the text: near an edge of the text
    // rectangle it counts a line or a column further, so that placing the
    // caret there scrolls.
    void dragOver(int x, int y);
    // Where a drop at a point lands: points outside the text rectangle count
    // at its nearest edge.
    std::size_t dropPosition(int x, int y);
    // Inserts dropped text; refused onto the selection (its ends included)
    // unless the text is column text.  `groupWithFollowing`: the deletion of
    // the dragged text follows and undoes with it.
    bool drop(std::size_t pos, std::string_view data, bool columnWise, bool groupWithFollowing);

    // --- moves ---------------------------------------------------------------------------
    bool moveLeft(bool extend);
    bool moveRight(bool extend);
    bool moveUp(bool extend);
    bool moveDown(bool extend);
    bool wordLeft(bool extend);
    bool wordRight(bool extend);
    bool smartHome(bool extend);
    bool lineEnd(bool extend);
    void textStart(bool extend);
    void textEnd(bool extend);
    bool pageUp(bool extend);
    bool pageDown(bool extend);
    bool prevIndentStop();

    // --- mouse ---------------------------------------------------------------------------
    std::size_t positionFromPoint(int x, int y);
    void mouseDown(int x, int y, bool shift, bool ctrl);
    void mouseMove(int x, int y);
    void mouseUp();
    bool dragging() const { return dragging_; }
    void doubleClick(int x, int y);
    void wheel(int delta);

    // --- document state ----------------------------------------------------------------------
    bool isModified() const { return modified_ && !history_.atSavePoint(); }
    void setSavePoint();
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }

    // --- positions ---------------------------------------------------------------------------
    int columnOf(std::size_t pos) const;
    // Pixel width of the bytes of line `line` up to `pos` (tabs to their stops).
    int widthTo(std::size_t line, std::size_t pos);
    // Length of a character at `pos`: 2 for a two-byte character, else 1.
    std::size_t charLength(std::size_t pos) const;
    // The start of the character that ends just before `pos`.
    std::size_t previousCharStart(std::size_t pos) const;
    bool isWordDelimiter(char c) const;

    // The scheme's delimiters: words for moves and double clicks, and the
    // block delimiters near which typing repaints everything.
    void setDelimiters(std::string word, std::string special, std::vector<std::string> blockDelimiters);

private:
    // Editing primitives: change the text, keep the view, record for undo.
    void rawInsert(std::size_t pos, std::string_view bytes);
    void rawErase(std::size_t pos, std::size_t count);
    // A range of the text kept in step with insertions and deletions.
    struct Range {
        std::size_t from = kNone;
        std::size_t to = kNone;
    };
    static void shiftForInsert(Range& r, std::size_t pos, std::size_t count);
    static void shiftForErase(Range& r, std::size_t pos, std::size_t count);
    void record(int kind, std::size_t pos, std::string text, bool grouped);
    void markModified();
    void afterChange(bool repaintAll, std::size_t line);
    void insertAt(std::size_t pos, std::string_view text, int action, bool grouped);
    void breakOverlongLine(std::size_t line);
    bool walkHistory(bool back);
    void applyRecord(const UndoRecord& r, bool undo);
    void applyIndent(const LineIndentRecord& r, bool forward);
    std::string indentString() const;
    int lineColumns(std::size_t line) const;

    void moveTo(std::size_t pos, bool extend);
    void followCaret();
    std::size_t positionAtX(std::size_t line, int x);
    std::size_t positionAtColumn(std::size_t line, int column) const;
    std::size_t verticalTarget(std::size_t line, int x);
    bool scrollLines(long delta);
    void setFirstLine(std::size_t line);
    bool nearBlockDelimiter(std::size_t pos) const;

    TextMeasurer& measurer_;
    EditorHost& host_;
    TextBuffer text_;
    UndoHistory history_;

    std::size_t caret_ = 0;
    std::size_t anchor_ = kNone;
    std::size_t end_ = kNone;
    int desiredColumn_ = 0;
    std::size_t caretLine_ = 0;
    int caretColumn_ = 0;
    int caretX_ = kMarginWidth;
    int caretY_ = 0;

    std::size_t firstLine_ = 0;
    int hscroll_ = 0;
    int viewWidth_ = 0;
    int viewHeight_ = 0;

    bool modified_ = false;
    int action_ = kActionNone;
    int previousKey_ = 0;
    int currentKey_ = 0;

    bool dragging_ = false;
    bool lineSelecting_ = false;
    Range dragSource_;  // the text being dragged out
    Range lastInsert_;  // where the last insertion went

    std::string wordDelimiters_ = " \t\n,./?<>;:\"'{[}]~`%^&*()-+=!";
    std::string specialDelimiters_ = ";.{}\n";
    std::vector<std::string> blockDelimiters_;
};
