// The editing core with a fixed-width font: 8 pixels a byte, 16 a two-byte
// character, tab stops every 32 pixels, lines 16 pixels high.
#include <gtest/gtest.h>

#include <string>

#include "editor/editor_core.h"
#include "tests/editor/fixed_measurer.h"

namespace {

class RecordingHost : public EditorHost {
public:
    void refused(unsigned code) override { lastRefusal = code; }
    void modifiedChanged(bool m) override { starred = m; }
    void textChanged() override { ++changes; }
    unsigned lastRefusal = 0;
    bool starred = false;
    int changes = 0;
};

class Editor : public ::testing::Test {
protected:
    Editor() : core(measurer, host) { core.setViewSize(17 + 640, 320); }  // 80 columns, 20 lines

    // Types text as the keyboard would: a key press, then its character.
    void type(const std::string& text) {
        for (char c : text) {
            int key = c == ' ' ? kKeySpace : (c >= 'a' && c <= 'z') ? c - 32 : (unsigned char)c;
            core.keyDown(key, false, false);
            if (c == '\n')
                continue;  // Enter acts on the key itself
            core.typeChar((unsigned char)c);
        }
    }
    void key(int k, bool shift = false, bool ctrl = false) { core.keyDown(k, shift, ctrl); }

    FixedMeasurer measurer;
    RecordingHost host;
    EditorCore core;
};

// "中文" in GBK.
const std::string kChinese = "\xD6\xD0\xCE\xC4";

TEST_F(Editor, SetTextNormalisesLineEndsAndLongLinesWithoutTouchingHistory) {
    core.setText("a\r\nb");
    EXPECT_EQ(core.text(), "a\nb");
    EXPECT_EQ(core.verticalRange(), 2u);
    EXPECT_FALSE(core.isModified());
    EXPECT_FALSE(core.canUndo());

    core.setText(std::string(5000, 'x'));
    ASSERT_EQ(core.buffer().lineCount(), 3u);
    EXPECT_EQ(core.buffer().lineEnd(0) - core.buffer().lineStart(0), 2047u);
    EXPECT_EQ(core.buffer().lineEnd(1) - core.buffer().lineStart(1), 2047u);
    EXPECT_EQ(core.buffer().lineEnd(2) - core.buffer().lineStart(2), 906u);
}

// Breaking by bytes once put the line feed between the two bytes of a
// Chinese character.
TEST_F(Editor, LongLinesBreakOnlyBetweenCharacters) {
    std::string text = "a";
    for (int i = 0; i < 1500; ++i) text += kChinese.substr(0, 2);
    core.setText(text);
    std::string stored = core.text();
    std::size_t lf = stored.find('\n');
    ASSERT_NE(lf, std::string::npos);
    EXPECT_EQ(lf, 2047u);  // "a" and 1023 characters: the next one would not fit
    // Every line is whole characters.
    for (std::size_t line = 0; line < core.buffer().lineCount(); ++line) {
        std::size_t start = core.buffer().lineStart(line), end = core.buffer().lineEnd(line);
        std::size_t p = start;
        while (p < end) p += core.charLength(p);
        EXPECT_EQ(p, end) << line;
    }
    stored.erase(lf, 1);
    EXPECT_EQ(stored, text);
}

TEST_F(Editor, CaretNeverStopsInsideATwoByteCharacter) {
    core.setText("a" + kChinese + "b");
    core.placeCaret(5);  // before b
    key(kKeyLeft);
    EXPECT_EQ(core.caret(), 3u);
    key(kKeyLeft);
    EXPECT_EQ(core.caret(), 1u);
    key(kKeyRight);
    EXPECT_EQ(core.caret(), 3u);
    key(kKeyDelete);
    EXPECT_EQ(core.text(), "a\xD6\xD0" "b");
    EXPECT_EQ(core.positionFromPoint(17 + 8 + 10, 0), 3u);  // right half of the character: after it
    EXPECT_EQ(core.positionFromPoint(17 + 8 + 6, 0), 1u);   // left half: before it
}

// DEL (0x7F) and the euro sign (0x80) are single bytes: taking them for
// lead bytes swallowed the next character into a pair.
TEST_F(Editor, BytesBelowTheLeadRangeAreCharactersOfTheirOwn) {
    for (char single : {'\x7F', '\x80'}) {
        SCOPED_TRACE(int(static_cast<unsigned char>(single)));
        core.setText(std::string(1, single) + "ab");
        EXPECT_EQ(core.charLength(0), 1u);
        core.placeCaret(0);
        key(kKeyRight);
        EXPECT_EQ(core.caret(), 1u);
    }
    core.setText("\xFE" "a");  // the top lead byte still pairs with any trail
    EXPECT_EQ(core.charLength(0), 2u);
}

TEST_F(Editor, EnterCopiesTheLeadingWhiteSpaceUpToTheCaret) {
    core.setText("\t  foo");
    core.placeCaret(5);  // between the two o
    key(kKeyReturn);
    EXPECT_EQ(core.text(), "\t  fo\n\t  o");
    EXPECT_EQ(core.caret(), 9u);
    core.setText("    x");
    core.placeCaret(2);  // inside the indent: only what is before the caret
    key(kKeyReturn);
    EXPECT_EQ(core.text(), "  \n    x");
}

TEST_F(Editor, SmartHomeAlternatesBetweenTextAndLineStart) {
    core.setText("    x");
    core.placeCaret(5);
    key(kKeyHome);
    EXPECT_EQ(core.caret(), 4u);
    key(kKeyHome);
    EXPECT_EQ(core.caret(), 0u);
    key(kKeyHome);
    EXPECT_EQ(core.caret(), 4u);
    core.setText("");
    host.lastRefusal = 0;
    key(kKeyHome);
    EXPECT_EQ(host.lastRefusal, unsigned(kRefuseHome));
}

TEST_F(Editor, TabOnSelections) {
    core.setText("abcd");
    core.setSelection(1, 3);
    key(kKeyTab);
    EXPECT_EQ(core.text(), "a\td");

    core.setText("x1\n  x2\n");
    core.setSelection(1, 4);
    key(kKeyTab);
    EXPECT_EQ(core.text(), "\tx1\n  \tx2\n");
    EXPECT_EQ(core.selectionStart(), 0u);
    EXPECT_EQ(core.selectionEnd(), core.text().size());
}

TEST_F(Editor, ShiftTabRemovesOneIndentCountingTabsByTheColumnsTheySpan) {
    core.setText("  \tx\n");
    core.setSelection(0, 5);
    key(kKeyTab, true);
    EXPECT_EQ(core.text(), "x\n");

    core.setText("ab");
    core.setSelection(0, 1);
    host.lastRefusal = 0;
    key(kKeyTab, true);
    EXPECT_EQ(host.lastRefusal, unsigned(kRefuseOutdent));
    EXPECT_EQ(core.text(), "ab");
}

// Undoing a block indent once recomputed an outdent and could take away
// blanks the indent never added.
TEST_F(Editor, UndoOfBlockIndentRestoresExactlyWhatWasThere) {
    core.setText("  x\n  y\n");
    core.setSelection(0, 8);
    key(kKeyTab);
    EXPECT_EQ(core.text(), "  \tx\n  \ty\n");
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "  x\n  y\n");
    ASSERT_TRUE(core.redo());
    EXPECT_EQ(core.text(), "  \tx\n  \ty\n");

    core.setText("\t\ta\n b\n");
    core.setSelection(0, 7);
    key(kKeyTab, true);
    EXPECT_EQ(core.text(), "\ta\nb\n");
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "\t\ta\n b\n");
}

TEST_F(Editor, LineLengthLimits) {
    std::string full(2047, 'a');
    core.setText(full);
    core.placeCaret(1000);
    type("b");
    EXPECT_EQ(core.text(), std::string(1000, 'a') + "b\n" + std::string(1047, 'a'));

    core.setText(std::string(1500, 'a') + "\n" + std::string(1500, 'b'));
    core.placeCaret(1500);
    host.lastRefusal = 0;
    key(kKeyDelete);
    EXPECT_EQ(host.lastRefusal, unsigned(kRefuseJoinTooLong));
    core.placeCaret(1501);
    host.lastRefusal = 0;
    key(kKeyBack);
    EXPECT_EQ(host.lastRefusal, unsigned(kRefuseJoinTooLong));
    EXPECT_EQ(core.text().size(), 3001u);

    // Block indent may not push a line past the limit either.
    core.setText(std::string(2045, 'c') + "\nd\n");
    core.selectAll();
    host.lastRefusal = 0;
    key(kKeyTab);
    EXPECT_EQ(host.lastRefusal, unsigned(kRefuseIndentTooLong));
    EXPECT_EQ(core.text(), std::string(2045, 'c') + "\nd\n");
}

TEST_F(Editor, PastedTextKeepsEveryLineWithinTheLimit) {
    core.setText(std::string(2000, 'p') + "\n" + std::string(2000, 's'));
    core.placeCaret(1000);
    core.insertText(std::string(100, 'i') + "\n" + std::string(100, 'j'));
    for (std::size_t line = 0; line < core.buffer().lineCount(); ++line)
        EXPECT_LE(core.buffer().lineEnd(line) - core.buffer().lineStart(line), 2047u) << line;
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), std::string(2000, 'p') + "\n" + std::string(2000, 's'));
}

TEST_F(Editor, DeleteAndBackspaceAtTheEdges) {
    core.setText("ab");
    core.placeCaret(0);
    key(kKeyBack);
    EXPECT_EQ(core.text(), "ab");
    core.placeCaret(2);
    host.lastRefusal = 0;
    key(kKeyDelete);
    EXPECT_EQ(host.lastRefusal, unsigned(kRefuseDeleteAtEnd));
    key(kKeyBack);
    EXPECT_EQ(core.text(), "a");
}

TEST_F(Editor, TypedWordsUndoAsWholes) {
    core.setText("");
    type("hello world");
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "hello ");
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "hello");
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "");
    EXPECT_FALSE(core.undo());
}

// A click elsewhere between two keys must not merge the second character
// into the first one's record: undo would then remove the wrong bytes.
TEST_F(Editor, TypingMergesOnlyWhereTheLastTypingEnded) {
    core.setText("0123456789");
    core.placeCaret(2);
    type("ab");
    core.placeCaret(9);
    type("c");
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "01ab234567" "89");
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "0123456789");
}

TEST_F(Editor, TypingOverASelectionUndoesInOneStep) {
    core.setText("one two");
    core.setSelection(4, 7);
    type("x");
    EXPECT_EQ(core.text(), "one x");
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(core.text(), "one two");
}

TEST_F(Editor, UndoUndoRedoThenTypingDropsWhatWasStillUndone) {
    core.setText("");
    type("a");
    key(kKeyReturn);
    type("b");
    core.undo();
    core.undo();  // "a"
    core.redo();  // "a\n"
    type("c");
    EXPECT_EQ(core.text(), "a\nc");
    EXPECT_FALSE(core.canRedo());
    core.undo();
    EXPECT_EQ(core.text(), "a\n");
    core.undo();
    EXPECT_EQ(core.text(), "a");
}

// "Unmodified" means "as last saved": undoing past the save point is a
// change too, and typing after a save starts a record of its own.
TEST_F(Editor, SavePointDecidesWhetherTheTextIsModified) {
    core.setText("");
    EXPECT_FALSE(core.isModified());
    type("ab");
    EXPECT_TRUE(core.isModified());
    EXPECT_TRUE(host.starred);
    core.setSavePoint();
    EXPECT_FALSE(core.isModified());
    EXPECT_FALSE(host.starred);
    type("cd");
    EXPECT_TRUE(core.isModified());
    core.undo();
    EXPECT_EQ(core.text(), "ab");
    EXPECT_FALSE(core.isModified());
    EXPECT_FALSE(host.starred);
    core.undo();
    EXPECT_EQ(core.text(), "");
    EXPECT_TRUE(core.isModified());  // differs from what was saved
    core.redo();
    EXPECT_FALSE(core.isModified());
}

TEST_F(Editor, HistoryKeepsThreeHundredRecords) {
    core.setText("");
    for (int i = 0; i < 301; ++i) {
        core.keyDown(kKeyReturn, false, false);
    }
    int undone = 0;
    while (core.undo()) ++undone;
    EXPECT_EQ(undone, 300);
    EXPECT_EQ(core.text(), "\n");
    EXPECT_EQ(host.lastRefusal, unsigned(kRefuseUndo));
}

TEST_F(Editor, WordMovesByByteClass) {
    core.setText("foo.bar  baz;;x");
    core.placeCaret(0);
    key(kKeyRight, false, true);
    EXPECT_EQ(core.caret(), 3u);  // before "."
    key(kKeyRight, false, true);
    EXPECT_EQ(core.caret(), 4u);  // over the special ".", no blanks
    key(kKeyRight, false, true);
    EXPECT_EQ(core.caret(), 9u);  // over "bar" and the blanks
    key(kKeyRight, false, true);
    EXPECT_EQ(core.caret(), 12u);
    key(kKeyRight, false, true);
    EXPECT_EQ(core.caret(), 14u);  // over the run of ";"
    key(kKeyLeft, false, true);
    EXPECT_EQ(core.caret(), 12u);
    key(kKeyLeft, false, true);
    EXPECT_EQ(core.caret(), 9u);
    key(kKeyLeft, false, true);
    EXPECT_EQ(core.caret(), 4u);  // back over the blanks and "bar"
}

TEST_F(Editor, VerticalMovesKeepTheDesiredColumn) {
    core.setText("abcdefgh\nab\nabcdefgh");
    core.placeCaret(5);
    key(kKeyRight);  // a horizontal move sets the desired column: 6
    key(kKeyDown);
    EXPECT_EQ(core.caret(), 11u);  // the short line's end
    key(kKeyDown);
    EXPECT_EQ(core.caret(), 18u);  // column 6 again
    key(kKeyUp, true);
    key(kKeyUp, true);
    EXPECT_EQ(core.selectionStart(), 6u);
    EXPECT_EQ(core.selectionEnd(), 18u);
    key(kKeyUp);  // clears the selection first
    EXPECT_FALSE(core.hasSelection());
}

TEST_F(Editor, PreviousIndentStopCountsTabsByTheirColumns) {
    core.setText("\tab");
    core.placeCaret(3);  // column 6
    key(kKeyTab, true);
    EXPECT_EQ(core.caret(), 1u);  // column 4
    key(kKeyTab, true);
    EXPECT_EQ(core.caret(), 0u);
    host.lastRefusal = 0;
    key(kKeyTab, true);
    EXPECT_EQ(host.lastRefusal, unsigned(kRefusePrevIndent));
}

TEST_F(Editor, MouseSelectsWordsLinesAndRanges) {
    core.setText("int value = 42;\nnext line");
    core.doubleClick(17 + 6 * 8, 0);  // inside "value"
    EXPECT_EQ(core.selectionStart(), 4u);
    EXPECT_EQ(core.selectionEnd(), 9u);

    core.mouseDown(5, 16, false, false);  // margin, second line
    core.mouseUp();
    EXPECT_EQ(core.selectionStart(), 16u);
    EXPECT_EQ(core.selectionEnd(), 25u);

    core.mouseDown(17, 0, false, false);
    core.mouseMove(17 + 3 * 8, 16);
    core.mouseUp();
    EXPECT_EQ(core.selectionStart(), 0u);
    EXPECT_EQ(core.selectionEnd(), 19u);
}

TEST_F(Editor, ScrollClampsAndTheWheelMovesThreeLines) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "line\n";
    core.setText(text);
    core.wheel(-120);
    EXPECT_EQ(core.firstVisibleLine(), 3u);
    EXPECT_TRUE(core.scroll(true, 7, 0));  // bottom
    EXPECT_EQ(core.firstVisibleLine(), 99u);
    EXPECT_FALSE(core.scroll(true, 3, 0));  // a page down from the end does nothing
    core.keyDown(kKeyHome, false, true);
    EXPECT_EQ(core.firstVisibleLine(), 0u);
    core.placeCaret(text.size());
    EXPECT_GE(core.caretLine(), core.firstVisibleLine());
    EXPECT_LE(core.caretLine(), core.firstVisibleLine() + 18);  // two lines of room below
}

}  // namespace
