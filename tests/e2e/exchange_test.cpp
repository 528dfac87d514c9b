// The editor exchanging text, driven with real keys and the real mouse: its
// context menu, the find dialog, the clipboard read and written by this
// driver while the editor runs, dragging inside the editor, and OLE drags
// from and to another program (jexole.exe).  Then, in the program itself,
// the frame's edit keys going to the edit control or the editor, whichever
// has the focus.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/edit_host_fixture.h"
#include "tests/e2e/main_window_fixture.h"

namespace {

using Sel = std::pair<DWORD, DWORD>;

constexpr int kMargin = 17;

// The find dialog's find-what box and its whole-word box.
constexpr int kFindWhat = 0x480;
constexpr int kWholeWord = 0x410;

class EditorExchange : public e2e::EditHostTest {
protected:
    void SetUp() override {
        EditHostTest::SetUp();
        if (HasFatalFailure()) return;
        clipboard.empty();
        // The width of a character of the host's fixed-pitch font.
        setText("mmmmmmmmmm");
        clickAt(kMargin + 300, 8);
        keys({VK_END});
        ASSERT_TRUE(e2e::waitFor("the caret", [&] { return e2e::caretRect(editor).left > kMargin; }, true));
        width = (e2e::caretRect(editor).left - kMargin) / 10;
        line = lineHeight();
        ASSERT_GT(width, 3);
        ASSERT_GT(line, 8);
    }

    // A point in the left half of character `column` of text line `row`
    // (a click there puts the caret before it), in client coordinates.
    POINT at(int column, int row = 0) const { return {kMargin + column * width + width / 4, row * line + line / 2}; }
    POINT screen(POINT client) const {
        ClientToScreen(editor, &client);
        return client;
    }
    Sel selection() { return e2e::editorSelection(editor); }
    ::testing::AssertionResult selectionIs(Sel expected) {
        return e2e::waitFor("the editor's selection", [&] { return selection(); }, expected);
    }
    // A double click selects the word under the point.
    void selectWord(POINT client, Sel expected) {
        POINT p = screen(client);
        ASSERT_TRUE(e2e::repeatUntil(
            editor, [&] { e2e::click(p.x, p.y, false, 2); }, "the editor's selection", [&] { return selection(); },
            expected));
    }
    unsigned lastRefusal() { return unsigned(reinterpret_cast<UINT_PTR>(GetPropA(editor, "JexRefusal"))); }
    unsigned refusals() { return unsigned(reinterpret_cast<UINT_PTR>(GetPropA(editor, "JexRefusals"))); }

    // The context menu, opened with a right click at a point.
    void openMenu(POINT client) {
        POINT p = screen(client);
        ASSERT_TRUE(e2e::repeatUntil(
            editor, [&] { e2e::click(p.x, p.y, true); }, "the context menu", [&] { return menuOpen(); }, true));
    }
    bool menuOpen() { return e2e::popupMenuWindow(host->pid()) != nullptr; }
    // Chooses a menu item by its underlined letter; the menu closes.
    void choose(WORD letter) {
        e2e::pressKey(letter);
        ASSERT_TRUE(e2e::waitFor("the context menu", [&] { return e2e::popupMenuWindow(host->pid()); }, HWND(nullptr)));
        ASSERT_TRUE(e2e::waitForIdle(editor));  // the menu's loop has ended
    }

    // The left button pressed at a point of the editor (or another
    // window); once a drag has begun, its thread holds the mouse capture.
    void pressAt(POINT screenPoint, HWND window) {
        e2e::moveMouse(screenPoint.x, screenPoint.y);
        e2e::leftButtonAt(screenPoint.x, screenPoint.y, true);
        ASSERT_TRUE(e2e::waitFor("the mouse capture of " + e2e::describe(window),
                                 [&] { return e2e::threadInfo(window).hwndCapture != nullptr; }, true));
    }
    // The pointer moved in steps, as a hand moves it.
    void moveTo(POINT from, POINT to) {
        for (int i = 1; i <= 8; ++i)
            e2e::moveMouse(from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8);
    }
    // Holds the pointer at `to` until the caret is before `column` (the X
    // server may echo an earlier move late, taking the drag elsewhere).
    ::testing::AssertionResult hoverUntilCaretBefore(POINT to, int column) {
        int step = 0;
        return e2e::repeatUntil(
            editor, [&] { e2e::moveMouse(to.x + (step++ % 2), to.y); }, "the editor's caret column",
            [&] { return (e2e::caretRect(editor).left - kMargin + width / 2) / width; }, column);
    }
    // Whether the caret shows grey on the screen: its pixels inverted by a
    // grey bitmap are mid-grey.
    bool greyCaretShown(const e2e::ScreenImage& shot) {
        RECT caret = e2e::caretRect(editor);
        if (caret.bottom <= caret.top) return false;
        POINT origin = screen({caret.left, caret.top});
        int grey = 0;
        for (int y = 0; y < caret.bottom - caret.top; ++y) {
            COLORREF c = shot.at(origin.x, origin.y + y);
            int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (r == g && g == b && r >= 0x70 && r <= 0x90) ++grey;
        }
        return grey > (caret.bottom - caret.top) / 2;
    }
    // Saves the screen once the grey caret shows on it (it blinks).
    void screenshotWithGreyCaret(const std::string& name) {
        e2e::ScreenImage shot;
        bool shown = e2e::poll([&] {
            shot = e2e::captureScreen();
            return greyCaretShown(shot);
        }, [](bool grey) { return grey; }).met;
        EXPECT_TRUE(shown) << "no grey caret on the screen";
        EXPECT_FALSE(e2e::screenshotOf(shot, name).empty());
    }

    e2e::ClipboardWriter clipboard;
    int width = 0;
    int line = 0;
};

// The menu's items and their texts are checked in the Windows tests (menus
// cannot be read from another process under Wine); here they are chosen by
// their letters: a greyed item closes the menu and does nothing, where its
// command would at least have been refused.
TEST_F(EditorExchange, TheContextMenuEnablesItsItemsByTheSelectionAndTheHistory) {
    setText("alpha beta");
    // No selection, nothing to undo or redo, an empty clipboard.
    openMenu(at(3));
    EXPECT_FALSE(e2e::screenshot("editor-context-menu", true).empty());
    choose('U');
    for (WORD letter : {'R', 'X', 'C'}) {
        openMenu(at(3));
        choose(letter);
    }
    ASSERT_TRUE(e2e::waitForIdle(editor));
    EXPECT_EQ(refusals(), 0u);
    EXPECT_EQ(e2e::clipboardText(), "<none>");
    EXPECT_EQ(e2e::windowText(editor), "alpha beta");
    openMenu(at(3));
    choose('V');  // paste is enabled with nothing to paste, and refused once chosen
    EXPECT_TRUE(e2e::waitFor("the editor's last refusal", [&] { return lastRefusal(); }, 0x80020000u));

    typeText("x");
    ASSERT_TRUE(textIs("alpxha beta"));
    chord(VK_CONTROL, 'A');
    ASSERT_TRUE(selectionIs({0, 11}));
    openMenu(at(3));  // inside the selection: it stays
    choose('C');
    EXPECT_TRUE(e2e::waitFor("the clipboard", [] { return e2e::clipboardText(); }, "alpxha beta"));
    openMenu(at(3));
    choose('U');
    EXPECT_TRUE(textIs("alpha beta"));

    // A right click outside the selection clears it first.
    chord(VK_CONTROL, 'A');
    ASSERT_TRUE(selectionIs({0, 10}));
    openMenu(at(2, 3));
    choose('X');
    ASSERT_TRUE(e2e::waitForIdle(editor));
    EXPECT_EQ(e2e::windowText(editor), "alpha beta");
    openMenu(at(2, 3));
    choose('R');
    EXPECT_TRUE(textIs("alpxha beta"));
    openMenu(at(1));
    choose('A');
    EXPECT_TRUE(selectionIs({0, 11}));
}

TEST_F(EditorExchange, TheFindDialogFindsOnWrapsAndSaysWhenNothingIsThere) {
    setText("int a;\nprint(x);\nint b;\n");
    clickAt(at(0).x, at(0).y);
    keys({VK_HOME});
    chord(VK_CONTROL, 'F');
    HWND dialog = host->waitForWindow(nullptr, "#32770");
    ASSERT_TRUE(dialog) << "no find dialog";
    HWND what = GetDlgItem(dialog, kFindWhat);
    ASSERT_TRUE(what);
    ASSERT_TRUE(e2e::waitForKeyboard(what));
    e2e::typeAscii("int");
    ASSERT_TRUE(e2e::waitForText(what, "int"));

    RECT button;
    GetWindowRect(GetDlgItem(dialog, IDOK), &button);  // "查找下一个(&F)"
    POINT findNext = {(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    auto next = [&](Sel expected) {
        return e2e::repeatUntil(
            dialog, [&] { e2e::click(findNext.x, findNext.y); }, "the editor's selection",
            [&] { return selection(); }, expected);
    };
    ASSERT_TRUE(next({0, 3}));
    EXPECT_FALSE(e2e::screenshot("editor-find-dialog", true).empty());
    ASSERT_TRUE(next({9, 12}));  // inside "print"
    ASSERT_TRUE(next({17, 20}));
    SendMessageA(GetDlgItem(dialog, kWholeWord), BM_CLICK, 0, 0);
    ASSERT_TRUE(next({0, 3}));  // around, past "print"

    // A word that is not there: the message box, then the focus is back in
    // the dialog and the selection is as it was.
    SendMessageA(what, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("zzz"));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFindWhat, EN_CHANGE), reinterpret_cast<LPARAM>(what));
    e2e::click(findNext.x, findNext.y);
    HWND box = host->waitForWindow(e2e::kTitle, "#32770");
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(e2e::messageBoxText(box), "指定的文本没有找到！");
    ASSERT_TRUE(e2e::answerBox(box, IDOK, editor));
    EXPECT_TRUE(e2e::waitFor("the focus in the find dialog", [&] {
        HWND focus = e2e::focusOf(dialog);
        return focus == dialog || IsChild(dialog, focus);
    }, true));
    EXPECT_EQ(selection(), Sel(0, 3));
    e2e::clickButton(dialog, IDCANCEL);
    EXPECT_TRUE(e2e::waitForGone(dialog));
}

TEST_F(EditorExchange, CopiedLinesReachTheClipboardWithCrLf) {
    setText("one\ntwo\nthree");
    clickAt(at(1).x, at(1).y);
    chord(VK_CONTROL, 'A');
    ASSERT_TRUE(selectionIs({0, 13}));
    chord(VK_CONTROL, 'C');
    EXPECT_TRUE(e2e::waitFor("the clipboard", [] { return e2e::clipboardText(); }, "one\r\ntwo\r\nthree"));
}

TEST_F(EditorExchange, TextFromTheClipboardIsPastedWithTheKeysAndTheMenu) {
    ASSERT_TRUE(clipboard.put("x\r\ny"));
    setText("ab");
    clickAt(at(5).x, at(5).y);  // after "ab"
    chord(VK_CONTROL, 'V');
    EXPECT_TRUE(textIs("abx\ny"));
    openMenu(at(5, 1));
    choose('V');
    EXPECT_TRUE(textIs("abx\nyx\ny"));
    // Nothing on the clipboard: nothing is pasted.
    ASSERT_TRUE(clipboard.empty());
    chord(VK_CONTROL, 'V');
    EXPECT_TRUE(e2e::waitFor("the editor's last refusal", [&] { return lastRefusal(); }, 0x80020000u));
    EXPECT_EQ(e2e::windowText(editor), "abx\nyx\ny");
}

TEST_F(EditorExchange, CutTakesTheSelectionToTheClipboardAndUndoBringsItBack) {
    setText("one two three");
    selectWord(at(5), {4, 7});
    chord(VK_CONTROL, 'X');
    EXPECT_TRUE(textIs("one  three"));
    EXPECT_TRUE(e2e::waitFor("the clipboard", [] { return e2e::clipboardText(); }, "two"));
    chord(VK_CONTROL, 'Z');
    EXPECT_TRUE(textIs("one two three"));
}

TEST_F(EditorExchange, DraggingTheSelectionMovesItAndAClickClearsIt) {
    setText("alpha beta gamma");
    selectWord(at(2), {0, 5});
    // Moved behind "gamma": the moved text is the selection.
    POINT from = screen(at(2)), to = screen({kMargin + 16 * width + 2, line / 2});
    pressAt(from, editor);
    moveTo(from, to);
    ASSERT_TRUE(hoverUntilCaretBefore(to, 16));
    screenshotWithGreyCaret("editor-drag-grey-caret");
    e2e::leftButtonAt(to.x, to.y, false);
    EXPECT_TRUE(textIs(" beta gammaalpha"));
    EXPECT_TRUE(selectionIs({11, 16}));

    // Pressed and let go in one place: the selection goes, the caret is
    // where the click was; the drop onto the selection itself was refused.
    from = screen(at(13));
    pressAt(from, editor);
    e2e::leftButtonAt(from.x, from.y, false);
    EXPECT_TRUE(selectionIs({13, 13}));
    EXPECT_EQ(lastRefusal(), 0x800000u);
    EXPECT_EQ(e2e::windowText(editor), " beta gammaalpha");
    // One Undo takes back the move.
    chord(VK_CONTROL, 'Z');
    EXPECT_TRUE(textIs("alpha beta gamma"));
}

// Disabled: Ctrl pressed after the button, before the drag begins, should
// copy.  Under Wine the drop arrives as a move: the Ctrl this driver injects
// with SendInput is not seen by the program during the drag, neither in
// the key state OLE passes nor by GetAsyncKeyState (both were tried).  The
// likely cause is Wine taking its key state from the X server's keymap
// when the drag takes the pointer, where an injected key is not held.  The
// copy itself is tested natively (Exchange.ACopyWithCtrlKeeps...).
TEST_F(EditorExchange, DISABLED_DraggingTheSelectionWithCtrlCopiesIt) {
    setText("alpha beta gamma");
    selectWord(at(2), {0, 5});
    POINT from = screen(at(2)), to = screen({kMargin + 16 * width + 2, line / 2});
    pressAt(from, editor);
    e2e::holdKey(VK_CONTROL, true);
    ASSERT_TRUE(e2e::waitFor("Ctrl held", [] { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }, true));
    moveTo(from, to);
    ASSERT_TRUE(hoverUntilCaretBefore(to, 16));
    e2e::leftButtonAt(to.x, to.y, false);
    e2e::holdKey(VK_CONTROL, false);
    EXPECT_TRUE(textIs("alpha beta gammaalpha"));
    EXPECT_TRUE(selectionIs({16, 21}));
    chord(VK_CONTROL, 'Z');
    EXPECT_TRUE(textIs("alpha beta gamma"));
}

// The other program of an OLE drag, with its file.
struct Peer {
    std::string file;
    std::unique_ptr<e2e::Program> program;
    HWND window = nullptr;
    Peer(const std::string& role, const std::string& content, const std::string& effect = "") {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        file = std::string(temp) + "jexole-" + role + "-" + std::to_string(GetCurrentProcessId()) + ".txt";
        e2e::writeFile(file, content);
        program = std::make_unique<e2e::Program>(e2e::testProgram("jexole.exe"), temp,
                                                 role + " \"" + file + "\" " + effect);
        if (program->start()) window = program->waitForWindow(role.c_str(), "JexOlePeer");
    }
    ~Peer() { DeleteFileA(file.c_str()); }
    POINT centre() const {
        RECT r;
        GetWindowRect(window, &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    std::string content() const {
        std::vector<unsigned char> bytes = e2e::readFile(file);
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(EditorExchange, TextDraggedInFromAnotherProgramIsDroppedAtThePointer) {
    Peer source("source", "dropped ");
    ASSERT_TRUE(source.window);
    setText("one two");
    POINT from = source.centre(), to = screen({kMargin + 4 * width + 1, line / 2});
    pressAt(from, source.window);
    moveTo(from, to);
    ASSERT_TRUE(hoverUntilCaretBefore(to, 4));
    screenshotWithGreyCaret("editor-drop-in-grey-caret");
    e2e::leftButtonAt(to.x, to.y, false);
    EXPECT_TRUE(textIs("one dropped two"));
    EXPECT_TRUE(e2e::waitForText(source.window, "source: 2"));  // moved
}

TEST_F(EditorExchange, TheSelectionDraggedOutToAnotherProgramIsMovedThere) {
    Peer target("target", "", "2");
    ASSERT_TRUE(target.window);
    setText("keep this here");
    selectWord(at(6), {5, 9});
    POINT from = screen(at(6)), to = target.centre();
    pressAt(from, editor);
    moveTo(from, to);
    e2e::leftButtonAt(to.x, to.y, false);
    EXPECT_TRUE(e2e::waitForText(target.window, "target: dropped"));
    EXPECT_EQ(target.content(), "this");
    EXPECT_TRUE(textIs("keep  here"));
}

// --- the frame's edit keys ---------------------------------------------------------------

class EditKeys : public e2e::MainWindowTest {
protected:
    std::string editorText() { return e2e::windowText(visibleEditor()); }
    ::testing::AssertionResult clipboardIs(const std::string& expected) {
        return e2e::waitFor("the clipboard", [] { return e2e::clipboardText(); }, expected);
    }
    void keysTo(HWND target, WORD modifier, WORD vk) {
        ASSERT_TRUE(e2e::waitForKeyboard(target));
        e2e::chord(modifier, vk);
    }
    // Home, then Shift+End: the whole line selected.
    void selectLine(HWND target) {
        ASSERT_TRUE(e2e::waitForKeyboard(target));
        e2e::pressKey(VK_HOME);
        e2e::chord(VK_SHIFT, VK_END);
        ASSERT_TRUE(e2e::waitForIdle(frame));
    }
};

// The lower pane has no memo yet: the search box on the toolbar is the edit
// control that takes the edit keys when it has the focus.
TEST_F(EditKeys, CopyCutPasteAndUndoGoToTheEditControlOrTheEditorWithTheFocus) {
    e2e::ClipboardWriter clipboard;
    ASSERT_TRUE(clipboard.empty());
    addNode(1, 1, 1, "keys.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    select(find(top, "keys.c"));
    openSelected();
    focusEditor();
    typeText("code");
    HWND editor = visibleEditor();

    HWND box = e2e::findDescendant(e2e::findDescendant(frame, TOOLBARCLASSNAMEA), "Edit");
    ASSERT_TRUE(box) << "no edit control in the search box";
    RECT r;
    GetWindowRect(box, &r);
    ASSERT_TRUE(e2e::repeatUntil(
        frame, [&] { e2e::click((r.left + r.right) / 2, (r.top + r.bottom) / 2); }, "the focus",
        [&] { return e2e::hasKeyboard(box); }, true));
    ASSERT_TRUE(e2e::typeInto(box, "word"));
    selectLine(box);
    keysTo(box, VK_CONTROL, 'C');
    EXPECT_TRUE(clipboardIs("word"));
    keysTo(box, VK_CONTROL, 'X');
    EXPECT_TRUE(e2e::waitForText(box, ""));
    keysTo(box, VK_CONTROL, 'Z');
    EXPECT_TRUE(e2e::waitForText(box, "word"));
    EXPECT_EQ(editorText(), "code");

    focusEditor();
    ASSERT_TRUE(e2e::waitForKeyboard(editor));
    e2e::pressKey(VK_END);
    keysTo(editor, VK_CONTROL, 'V');
    EXPECT_TRUE(e2e::waitForText(editor, "codeword"));
    keysTo(editor, VK_CONTROL, 'Z');
    EXPECT_TRUE(e2e::waitForText(editor, "code"));
    keysTo(editor, VK_SHIFT, VK_INSERT);
    EXPECT_TRUE(e2e::waitForText(editor, "codeword"));
    keysTo(editor, VK_MENU, VK_BACK);
    EXPECT_TRUE(e2e::waitForText(editor, "code"));
    selectLine(editor);
    keysTo(editor, VK_CONTROL, VK_INSERT);
    EXPECT_TRUE(clipboardIs("code"));
    keysTo(editor, VK_SHIFT, VK_DELETE);
    EXPECT_TRUE(e2e::waitForText(editor, ""));
    EXPECT_EQ(e2e::windowText(box), "word");
    EXPECT_FALSE(e2e::screenshot("edit-keys", true).empty());
    keysTo(editor, VK_CONTROL, 'S');  // saved, the program closes without a question
    EXPECT_TRUE(codeTabsAre({"keys.c"}));
}

}  // namespace
