// The editing core's find, clipboard text, paste, column paste and the
// rules of dragging text out and dropping it in, with a fixed-width font.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "editor/editor_core.h"
#include "editor/text_search.h"
#include "tests/editor/fixed_measurer.h"

namespace {

class RecordingHost : public EditorHost {
public:
    void refused(unsigned code) override { lastRefusal = code; }
    unsigned lastRefusal = 0;
};

class Exchange : public ::testing::Test {
protected:
    Exchange() : core(measurer, host) { core.setViewSize(17 + 640, 320); }  // 80 columns, 20 lines

    // The selection as [start, end), or the caret twice when there is none.
    std::pair<std::size_t, std::size_t> selection() const { return {core.selectionStart(), core.selectionEnd()}; }
    using Sel = std::pair<std::size_t, std::size_t>;
    bool find(const std::string& what, bool down = true, bool matchCase = true, bool wholeWord = false) {
        return core.find(what, down, matchCase, wholeWord);
    }

    FixedMeasurer measurer;
    RecordingHost host;
    EditorCore core;
};

// --- find -------------------------------------------------------------------------------

TEST_F(Exchange, FindDownSelectsTheOccurrenceAtTheCaretThenMovesOnAndWraps) {
    core.setText("int a; int b; int c;");
    ASSERT_TRUE(find("int"));
    EXPECT_EQ(selection(), Sel(0, 3));
    EXPECT_EQ(core.caret(), 3u);
    ASSERT_TRUE(find("int"));
    EXPECT_EQ(selection(), Sel(7, 10));
    ASSERT_TRUE(find("int"));
    EXPECT_EQ(selection(), Sel(14, 17));
    ASSERT_TRUE(find("int"));  // around to the first one
    EXPECT_EQ(selection(), Sel(0, 3));
}

TEST_F(Exchange, FindUpSkipsTheSelectedOccurrenceAndWrapsToTheLastOne) {
    core.setText("int a; int b; int c;");
    core.setSelection(7, 10);  // the middle "int", the caret after it
    ASSERT_TRUE(find("int", false));
    EXPECT_EQ(selection(), Sel(0, 3));
    ASSERT_TRUE(find("int", false));  // none before: the last one after the caret
    EXPECT_EQ(selection(), Sel(14, 17));
    // The only occurrence, selected, is found again rather than "not found".
    core.setText("x int y");
    core.setSelection(2, 5);
    ASSERT_TRUE(find("int", false));
    EXPECT_EQ(selection(), Sel(2, 5));
}

TEST_F(Exchange, AnOccurrenceAtTheVeryEndIsFoundWholeFromEitherSide) {
    core.setText("abc end");
    ASSERT_TRUE(find("end"));
    EXPECT_EQ(selection(), Sel(4, 7));
    core.placeCaret(7);
    core.clearSelection();
    ASSERT_TRUE(find("end", false));  // up from the text end: the one just before the caret
    EXPECT_EQ(selection(), Sel(4, 7));
    core.clearSelection();
    core.placeCaret(7);
    ASSERT_TRUE(find("end"));  // down from the text end wraps
    EXPECT_EQ(selection(), Sel(4, 7));
}

TEST_F(Exchange, NothingFoundLeavesCaretAndSelection) {
    core.setText("alpha beta");
    core.setSelection(0, 5);
    EXPECT_FALSE(find("gamma"));
    EXPECT_FALSE(find(""));
    EXPECT_EQ(selection(), Sel(0, 5));
    EXPECT_EQ(core.caret(), 5u);
    core.setText("");
    EXPECT_FALSE(find("a"));
}

TEST_F(Exchange, MatchCaseAndFoldedCase) {
    core.setText("Hello HELLO hello");
    ASSERT_TRUE(find("HELLO"));
    EXPECT_EQ(selection(), Sel(6, 11));
    core.placeCaret(0);
    core.clearSelection();
    ASSERT_TRUE(find("hELLo", true, false));
    EXPECT_EQ(selection(), Sel(0, 5));
    ASSERT_TRUE(find("hELLo", true, false));
    EXPECT_EQ(selection(), Sel(6, 11));
    ASSERT_TRUE(find("hello", false, false));
    EXPECT_EQ(selection(), Sel(0, 5));
}

TEST_F(Exchange, WholeWordLooksAtTheCharactersBesideTheOccurrence) {
    core.setText("print");
    EXPECT_FALSE(find("int", true, true, true));
    core.setText("int x");
    ASSERT_TRUE(find("int", true, true, true));
    EXPECT_EQ(selection(), Sel(0, 3));
    core.setText("printf(int);");
    ASSERT_TRUE(find("int", true, true, true));
    EXPECT_EQ(selection(), Sel(7, 10));
    // A two-byte character is a word character, even when its trail byte
    // is a delimiter by itself ('[' is 0x5B).
    core.setText("\x81[int \xD6\xD0int int\xD6\xD0 int");
    ASSERT_TRUE(find("int", true, true, true));
    EXPECT_EQ(selection(), Sel(18, 21));
}

// The trail byte of a two-byte character may equal an ASCII letter: it is
// no letter of its own, and it never starts or ends an occurrence.
TEST_F(Exchange, TrailBytesAreNeitherFoldedNorMatchedAlone) {
    core.setText("\x81" "A\x81" "a");  // two characters with trails 'A' and 'a'
    EXPECT_FALSE(find("A"));
    EXPECT_FALSE(find("a", true, false));
    EXPECT_FALSE(find("a", false, false));
    core.setText("\x81" "A x A");
    ASSERT_TRUE(find("a", true, false));
    EXPECT_EQ(selection(), Sel(5, 6));
    // A two-byte character next to a look-alike pair across two characters.
    core.setText("\xC4\xE3\xC4\xE3");
    EXPECT_FALSE(find("\xE3\xC4"));
    EXPECT_FALSE(find("\xE3\xC4", false));
    core.setText("\xC4\xE3\xC4\xE3\xE3\xC4");
    ASSERT_TRUE(find("\xE3\xC4"));
    EXPECT_EQ(selection(), Sel(4, 6));
    // A lead byte searched alone matches no half of a character.
    core.setText("\xC4\xE3 \xC4\n");
    ASSERT_TRUE(find("\xC4"));
    EXPECT_EQ(selection(), Sel(3, 4));
}

TEST_F(Exchange, OccurrencesAcrossTheGapAreFoundBothWays) {
    core.setText("abcdef abcdef");
    core.placeCaret(3);
    core.typeChar('X');  // the buffer's gap now sits after "abcX"
    core.keyDown(kKeyBack, false, false);
    ASSERT_EQ(core.text(), "abcdef abcdef");
    core.placeCaret(0);
    ASSERT_TRUE(find("cde"));
    EXPECT_EQ(selection(), Sel(2, 5));
    ASSERT_TRUE(find("cde"));
    EXPECT_EQ(selection(), Sel(9, 12));
    ASSERT_TRUE(find("CDE", false, false));
    EXPECT_EQ(selection(), Sel(2, 5));
    ASSERT_TRUE(find("CDE", true, false));
    EXPECT_EQ(selection(), Sel(9, 12));
    ASSERT_TRUE(find("ABC", false, false));  // wholly before the gap
    EXPECT_EQ(selection(), Sel(7, 10));
    ASSERT_TRUE(find("ABC", false, false));
    EXPECT_EQ(selection(), Sel(0, 3));
}

TEST(TextSearch, BoundariesFollowTheLeadBytes) {
    TextBuffer text;
    text.assign("a\xC4\xE3\xC4\n\xC4\xC4");
    TextSearch search(text, "x", true, false, " ");
    for (std::size_t pos : {0u, 1u, 3u, 4u, 5u, 7u}) EXPECT_TRUE(search.isBoundary(pos)) << pos;
    for (std::size_t pos : {2u, 6u}) EXPECT_FALSE(search.isBoundary(pos)) << pos;
}

// --- selection ---------------------------------------------------------------------------

TEST_F(Exchange, SelectAllRunsFromTheEndBackToTheStart) {
    core.setText("one\ntwo");
    core.placeCaret(5);
    core.selectAll();
    EXPECT_EQ(core.anchor(), 7u);
    EXPECT_EQ(core.selectionMovingEnd(), 0u);
    EXPECT_EQ(core.caret(), 0u);
}

TEST_F(Exchange, SetSelectionFromOutsideClampsAndMayKeepTheView) {
    core.setText("hello world");
    core.setSelection(2, EditorCore::kNone, false);
    EXPECT_EQ(selection(), Sel(2, 11));
    EXPECT_EQ(core.caret(), 11u);
    core.placeCaret(0);
    core.setSelection(99, 3, true);
    EXPECT_EQ(core.anchor(), 11u);
    EXPECT_EQ(core.caret(), 0u);  // kept
    core.setSelection(EditorCore::kNone, 0, false);
    EXPECT_FALSE(core.hasSelection());
    core.setText("");
    core.setSelection(0, EditorCore::kNone, false);
    EXPECT_EQ(core.anchor(), EditorCore::kNone);
}

// --- copy and paste ---------------------------------------------------------------------

TEST_F(Exchange, CopiedLinesGetCrLfBelowTheLimitAndStayAsStoredFromIt) {
    core.setText("one\ntwo\nthree");
    core.selectAll();
    EXPECT_EQ(core.clipboardText(), "one\r\ntwo\r\nthree");
    std::string big;
    while (big.size() < 60000) big += "0123456789abcdefghi\n";
    core.setText(big);
    core.selectAll();
    EXPECT_EQ(core.clipboardText(), big);
    core.setSelection(0, EditorCore::kClipboardConvertLimit - 1);
    EXPECT_EQ(core.clipboardText().find('\n'), core.clipboardText().find("\r\n") + 1);
    core.clearSelection();
    EXPECT_EQ(core.clipboardText(), "");
}

TEST_F(Exchange, PasteTakesCrLfTextAndReplacesTheSelectionInOneUndo) {
    core.setText("abc");
    core.setSelection(1, 2);
    core.paste("x\r\ny\r\n", false);
    EXPECT_EQ(core.text(), "ax\ny\nc");
    EXPECT_EQ(core.caret(), 5u);
    EXPECT_TRUE(core.isModified());
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "abc");
    EXPECT_FALSE(core.undo());
}

TEST_F(Exchange, PastingNothingOverASelectionIsADeletionOfItsOwn) {
    core.setText("abc");
    core.setSelection(1, 2);
    core.paste("", false);
    EXPECT_EQ(core.text(), "ac");
    core.typeChar('z');
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "ac");  // the typing alone
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "abc");
}

TEST_F(Exchange, PastedLongLinesAreBrokenWithinTheLimit) {
    core.setText("");
    core.paste(std::string(5000, 'x') + "\r\n" + std::string(10, 'y'), false);
    const TextBuffer& b = core.buffer();
    ASSERT_EQ(b.lineCount(), 4u);
    EXPECT_EQ(b.lineEnd(0) - b.lineStart(0), 2047u);
    EXPECT_EQ(b.lineEnd(1) - b.lineStart(1), 2047u);
    EXPECT_EQ(b.lineEnd(2) - b.lineStart(2), 906u);
    EXPECT_EQ(b.lineEnd(3) - b.lineStart(3), 10u);
}

// --- column paste -----------------------------------------------------------------------

TEST_F(Exchange, ColumnTextGoesInAtTheColumnOnEachLineAsOneUndo) {
    core.setText("abcd\nx\nijkl\nmnop");
    core.placeCaret(3);  // column 3
    core.paste("11\r\n22\r\n33\r\n", true);
    EXPECT_EQ(core.text(), "abc11d\nx22\nijk33l\nmnop");  // a short line takes it at its end
    EXPECT_EQ(core.caret(), 16u);  // after the last piece
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "abcd\nx\nijkl\nmnop");
    EXPECT_FALSE(core.undo());
    ASSERT_TRUE(core.redo());
    EXPECT_EQ(core.text(), "abc11d\nx22\nijk33l\nmnop");
}

TEST_F(Exchange, ColumnTextAddsTheLinesItNeedsPastTheEnd) {
    core.setText("abcd\nefgh");
    core.placeCaret(7);  // "ef|gh"
    core.paste("11\n22\n33", true);
    EXPECT_EQ(core.text(), "abcd\nef11gh\n22\n33");
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "abcd\nefgh");
}

TEST_F(Exchange, ColumnTextOnAShortLineIsAPlainInsertAndTabsCountTheirColumns) {
    core.setText("a\nbc");
    core.placeCaret(0);
    core.paste("11\n22", true);
    EXPECT_EQ(core.text(), "11\n22a\nbc");

    core.setText("\tab\nabcdefgh");
    core.placeCaret(2);  // column 5: after the tab and "a"
    core.paste("|\n|", true);
    EXPECT_EQ(core.text(), "\ta|b\nabcde|fgh");
}

TEST_F(Exchange, ColumnTextKeepsLinesWithinTheLimit) {
    core.setText(std::string(2040, 'a') + "\n" + std::string(2040, 'b'));
    core.placeCaret(10);
    core.paste(std::string(20, '1') + "\n" + std::string(20, '2'), true);
    const TextBuffer& b = core.buffer();
    for (std::size_t line = 0; line < b.lineCount(); ++line)
        EXPECT_LE(b.lineEnd(line) - b.lineStart(line), EditorCore::kMaxLine) << line;
    std::string joined = core.text();
    EXPECT_EQ(std::count(joined.begin(), joined.end(), '1'), 20);
    EXPECT_EQ(std::count(joined.begin(), joined.end(), '2'), 20);
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), std::string(2040, 'a') + "\n" + std::string(2040, 'b'));
}

// --- drag and drop ----------------------------------------------------------------------

TEST_F(Exchange, ADropOntoTheSelectionOrItsEndsIsRefusedUnlessItIsColumnText) {
    core.setText("one two three");
    core.setSelection(4, 7);
    for (std::size_t at : {4u, 5u, 7u}) {
        host.lastRefusal = 0;
        EXPECT_FALSE(core.drop(at, "x", false, false)) << at;
        EXPECT_EQ(host.lastRefusal, unsigned(kRefuseDrop));
    }
    EXPECT_EQ(core.text(), "one two three");
    EXPECT_TRUE(core.drop(5, "x", true, false));
    EXPECT_EQ(core.text(), "one txwo three");
}

TEST_F(Exchange, MovingTextBehindItselfDeletesItAndSelectsTheDroppedCopy) {
    core.setText("one two three");
    core.setSelection(0, 4);  // "one "
    core.beginDragOut();
    ASSERT_TRUE(core.drop(13, "one ", false, true));
    core.endDragOut(true, true);
    EXPECT_EQ(core.text(), "two threeone ");
    EXPECT_EQ(selection(), Sel(9, 13));
    EXPECT_EQ(core.caret(), 13u);
    ASSERT_TRUE(core.undo());  // both halves at once
    EXPECT_EQ(core.text(), "one two three");
    EXPECT_FALSE(core.undo());
    ASSERT_TRUE(core.redo());
    EXPECT_EQ(core.text(), "two threeone ");
}

TEST_F(Exchange, MovingTextBeforeItselfShiftsTheDraggedRange) {
    core.setText("one two three");
    core.setSelection(13, 8);  // "three", selected backwards
    core.beginDragOut();
    ASSERT_TRUE(core.drop(0, "three", false, true));
    core.endDragOut(true, true);
    EXPECT_EQ(core.text(), "threeone two ");
    EXPECT_EQ(selection(), Sel(0, 5));
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "one two three");
}

TEST_F(Exchange, ACopyWithCtrlKeepsTheOriginalAndBecomesTheSelection) {
    core.setText("ab cd");
    core.setSelection(0, 2);
    core.beginDragOut();
    ASSERT_TRUE(core.drop(5, "ab", false, false));
    core.endDragOut(false, true);
    EXPECT_EQ(core.text(), "ab cdab");
    EXPECT_EQ(selection(), Sel(5, 7));
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "ab cd");
}

TEST_F(Exchange, AMoveOutToAnotherProgramDeletesTheSelectionAlone) {
    core.setText("keep gone keep");
    core.setSelection(5, 10);
    core.beginDragOut();
    core.endDragOut(true, false);
    EXPECT_EQ(core.text(), "keep keep");
    EXPECT_FALSE(core.hasSelection());
    core.typeChar('z');
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "keep keep");
}

// A drop that makes its line too long gets a line break, which may land
// before the dragged text: the move still deletes exactly that text.
TEST_F(Exchange, AMoveDeletesTheDraggedTextWhereverLineBreaksPutIt) {
    std::string line = std::string(1990, 'a') + "SRC" + std::string(5, 'z');
    core.setText(line);
    core.setSelection(1990, 1993);
    core.beginDragOut();
    ASSERT_TRUE(core.drop(10, std::string(100, 'd'), false, true));
    core.endDragOut(true, true);
    std::string after = core.text();
    EXPECT_EQ(after.find("SRC"), std::string::npos);
    EXPECT_EQ(std::count(after.begin(), after.end(), 'd'), 100);
    EXPECT_EQ(std::count(after.begin(), after.end(), 'a'), 1990);
    EXPECT_EQ(std::count(after.begin(), after.end(), 'z'), 5);
    EXPECT_EQ(core.selectedText(), std::string(100, 'd'));
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), line);
}

TEST_F(Exchange, DraggingNearAnEdgeScrollsTheView) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\n";
    text += std::string(300, 'w');
    core.setText(text);
    EXPECT_EQ(core.firstVisibleLine(), 0u);
    core.dragOver(17 + 20, 320 - 4);  // in the bottom line's band
    EXPECT_GT(core.firstVisibleLine(), 0u);
    std::size_t scrolled = core.firstVisibleLine();
    core.dragOver(17 + 20, 200);  // the middle: the view stays
    EXPECT_EQ(core.firstVisibleLine(), scrolled);
    core.dragOver(17 + 20, 2);  // the top band
    EXPECT_LT(core.firstVisibleLine(), scrolled);

    // The long last line: towards the right edge the view follows the caret.
    core.placeCaret(core.buffer().lineStart(100) + 70);
    int before = core.horizontalScroll();
    core.dragOver(17 + 640 - 2, core.caretY() + 4);
    EXPECT_GT(core.horizontalScroll(), before);
    // On a short line there the caret does not go back left.
    core.placeCaret(core.buffer().lineStart(100) + 120);
    std::size_t caret = core.caret();
    core.dragOver(17 + 640 - 2, core.caretY() - 16 + 4);  // "line 99", shorter
    EXPECT_EQ(core.caret(), caret);
}

TEST_F(Exchange, DropPointsOutsideTheTextCountAtItsNearestEdge) {
    core.setText("first\nsecond");
    EXPECT_EQ(core.dropPosition(-50, -50), 0u);
    EXPECT_EQ(core.dropPosition(5000, 4), 5u);
    EXPECT_EQ(core.dropPosition(17 + 8, 5000), 12u);
    EXPECT_TRUE(core.insideSelection(17 + 8, 4) == false);
    core.setSelection(1, 4);
    EXPECT_TRUE(core.insideSelection(17 + 2 * 8 + 1, 4));
    EXPECT_FALSE(core.insideSelection(17 + 4 * 8 + 1, 4));
    EXPECT_FALSE(core.insideSelection(3, 4));  // the margin
}

}  // namespace
