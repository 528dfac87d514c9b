// The end-to-end test driver's vocabulary: a throwaway copy of the program
// folder, the running program, its windows and dialogs, config.ini, the
// database file and screenshots, and polling for conditions (tests/e2e/wait.h
// builds the test assertions on it).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "fw/paths.h"

namespace e2e {

// --- polling ---------------------------------------------------------------------

// The longest wait for a condition.  Generous, for a loaded machine; a
// condition that holds ends its wait at once.
constexpr int kWaitMs = 20000;

// What a poll saw last: the value, whether it met the condition, and how
// long the poll took.
template <class T>
struct Seen {
    T value;
    bool met;
    int ms;
};

// Reads `probe()` until `met(value)` holds or `timeoutMs` have passed.
template <class Probe, class Met>
auto poll(Probe probe, Met met, int timeoutMs = kWaitMs) -> Seen<decltype(probe())> {
    const DWORD start = GetTickCount();
    for (;;) {
        auto value = probe();
        const int ms = int(GetTickCount() - start);
        const bool ok = met(value);
        if (ok || ms >= timeoutMs) return {std::move(value), ok, ms};
        Sleep(20);
    }
}

// A copy of the built program folder in a fresh temporary folder, removed
// afterwards.  With `subfolder` the copy is that folder of the temporary
// one (a name with blanks, say).
class ProgramFolder {
public:
    explicit ProgramFolder(const std::string& subfolder = "");
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    // The folder, with a trailing backslash.
    const std::string& path() const { return path_; }
    std::string file(const std::string& relative) const { return path_ + relative; }

private:
    std::string base_;
    std::string path_;
};

// jexmarlo.exe started from a program folder; terminated on destruction if
// it is still running, so a failing test never leaves it behind.
class Program {
public:
    explicit Program(const ProgramFolder& folder);
    // Another program of ours, started in `folder` with `arguments`.
    Program(const std::string& exe, const std::string& folder, const std::string& arguments = "");
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool start();
    DWORD pid() const { return info_.dwProcessId; }
    bool running() const;

    // A visible top-level window of this process with this caption and a
    // class name starting with `classPrefix`, brought to the front as a
    // user's click would; null after the timeout.
    HWND waitForWindow(const char* caption, const char* classPrefix, int timeoutMs = kWaitMs) const;
    // Whether such a window exists right now.
    HWND findWindow(const char* caption, const char* classPrefix) const;

    // Waits for the process to end; returns false on timeout.
    bool waitForExit(int timeoutMs, DWORD* exitCode = nullptr);
    void terminate();

private:
    std::string exe_;
    std::string folder_;
    std::string arguments_;
    PROCESS_INFORMATION info_ = {};
};

// --- windows -------------------------------------------------------------------

std::string windowText(HWND hwnd);
std::string className(HWND hwnd);
std::string controlText(HWND dialog, int id);
// The message of a standard message box.
std::string messageBoxText(HWND box);
// Texts of the direct children of `parent` with the given class.
std::vector<std::string> childTexts(HWND parent, const char* childClass);
// Presses a button of a dialog as a click would.
void clickButton(HWND dialog, int id);

// Memory in the program's process, for control messages whose parameters
// point to structures (status bar, toolbar and tab control queries).
class RemoteBuffer {
public:
    RemoteBuffer(DWORD pid, std::size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    // The buffer's address (plus `offset`) as the program sees it.
    LPARAM address(std::size_t offset = 0) const;
    void write(const void* data, std::size_t size, std::size_t offset = 0);
    void read(void* data, std::size_t size, std::size_t offset = 0) const;
    std::string readString(std::size_t offset = 0) const;

private:
    HANDLE process_ = nullptr;
    void* base_ = nullptr;
    std::size_t size_ = 0;
};

// Texts and layout of common controls in the program.
std::string statusText(DWORD pid, HWND statusBar, int pane);
std::vector<int> statusPartEdges(DWORD pid, HWND statusBar);
std::vector<std::string> tabLabels(DWORD pid, HWND tabControl);
// Command ids of a toolbar's buttons, 0 for separators.
std::vector<int> toolbarCommands(DWORD pid, HWND toolBar);
RECT toolbarButtonRect(DWORD pid, HWND toolBar, int command);  // in screen coordinates

// Tree view items: children in order (TVI_ROOT for the top level), labels.
std::vector<HTREEITEM> treeChildren(HWND tree, HTREEITEM parent);
std::string treeLabel(DWORD pid, HWND tree, HTREEITEM item);
std::vector<std::string> treeLabels(DWORD pid, HWND tree, HTREEITEM parent);
// The child of `parent` with this label, or null.
HTREEITEM treeFind(DWORD pid, HWND tree, HTREEITEM parent, const std::string& label);

// The first descendant of `parent` (depth first) with this class and, when
// given, this control id.
HWND findDescendant(HWND parent, const char* className, int id = -1);
// The same, waited for; null after the timeout.
HWND waitForDescendant(HWND parent, const char* className, int id = -1, int timeoutMs = kWaitMs);
// Client-area size of a window.
SIZE clientSize(HWND hwnd);
// Moves the real mouse pointer (hover, tooltips).
void moveMouse(int x, int y);
// Clicks with the real mouse at a screen point: left or right button, once
// or twice.
void click(int x, int y, bool right = false, int times = 1);
// The left button pressed or released at a screen point, carried by the
// button's own event: under Wine a pointer move can come back late from the
// X server at an earlier place, and a button event without a position lands
// there.
void leftButtonAt(int x, int y, bool down);
// The state of `window`'s thread: focus, active window, capture, caret.
GUITHREADINFO threadInfo(HWND window);
// The window that has the keyboard focus in `window`'s thread.
HWND focusOf(HWND window);
// Whether keys typed now go to `target`: its top-level window is in front
// and it has the focus.
bool hasKeyboard(HWND target);
// The caret of `editor` in its client coordinates (its height is the line
// height); empty while the editor shows none.
RECT caretRect(HWND editor);

// Presses and releases a key as the keyboard would.
void pressKey(WORD vk);
// A key pressed while a modifier (VK_CONTROL, VK_SHIFT) is held.
void chord(WORD modifier, WORD vk);
// A modifier held down or let go.
void holdKey(WORD vk, bool down);
// Types ASCII text key by key (Shift where the character needs it).
void typeAscii(const char* text);
// The screen rectangle of a tree item's label.
RECT treeItemRect(DWORD pid, HWND tree, HTREEITEM item);

// --- the clipboard, the editor's selection, pop-up menus ----------------------------------

// The clipboard's text in `format`, read while its owner runs; "<none>"
// when it holds none.
std::string clipboardText(UINT format = CF_TEXT);
// A window of the driver that owns what it puts on the clipboard (the
// data stays there while the driver runs).
class ClipboardWriter {
public:
    ClipboardWriter();
    ~ClipboardWriter();
    ClipboardWriter(const ClipboardWriter&) = delete;
    ClipboardWriter& operator=(const ClipboardWriter&) = delete;
    // Empties the clipboard, then puts `text` (zero-terminated) in `format`.
    bool put(const std::string& text, UINT format = CF_TEXT);
    bool empty();

private:
    HWND window_ = nullptr;
};
// The selection of an editor as EM_GETSEL reports it: start and end.
std::pair<DWORD, DWORD> editorSelection(HWND editor);
// The shown pop-up menu window ("#32768") of a process, or null (its items
// cannot be read from another process under Wine).
HWND popupMenuWindow(DWORD pid);

// --- files -----------------------------------------------------------------------

using ::fileExists;
using ::folderExists;
std::vector<unsigned char> readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
// Section names of an INI file, in file order.
std::vector<std::string> iniSections(const std::string& path);
std::vector<std::string> iniKeys(const std::string& path, const char* section);
std::string iniString(const std::string& path, const char* section, const char* key);
// The system temporary folder + "jexMarlo\".
std::string attachmentTempFolder();
// A date `daysAgo` days before today in the user's short date format, as
// the program writes "UPDATE"/"LastUpdate".
std::string shortDate(int daysAgo = 0);

// --- common steps -------------------------------------------------------------------

extern const char kTitle[];        // "墨舟": caption of the frame and of message boxes
extern const char kDialogClass[];  // "#32770"
extern const char kFrameClass[];   // "Afx:": the prefix of the frame's class

// Answers the first-run folder dialog with its proposal; returns the frame.
HWND acceptFolderDialog(Program& program);
// Closes the frame and waits for the program to end; returns its exit code.
DWORD closeProgram(Program& program, HWND frame);
// One ordinary first run, but with the automatic update check off (the
// program finds config.ini holding "UPDATE"/"CheckDay" = 0), so that the
// tests reach no update server they did not start: afterwards the folder
// holds config.ini and a new database.
bool firstRun(const ProgramFolder& folder);
// The database of a program folder after its first run.
std::string databasePath(const ProgramFolder& folder);

// --- the screen and screenshots ---------------------------------------------------------

// The whole screen, pixel by pixel.
struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;  // 0x..RRGGBB, rows from the top
    COLORREF at(int x, int y) const;
};
ScreenImage captureScreen();

// Once every window has painted and the screen has stopped changing, saves
// it as <screenshot folder>\<name>.png; returns the path, empty when the
// screen did not settle (said on stderr) or the file was not written.  On
// an `animated` screen (drawn on a timer) only the repaints are waited for.
std::string screenshot(const std::string& name, bool animated = false);
// Saves the screen to a PNG file.
bool saveScreenPng(const std::string& path);
// Saves a capture as <screenshot folder>\<name>.png, as it is (for a
// moment that does not last, such as a drag in progress); returns the path.
std::string screenshotOf(const ScreenImage& image, const std::string& name);

// A test program built beside this driver (in its own folder).
std::string testProgram(const char* name);

// A unix path as Wine sees it ("/a/b" -> "Z:\a\b"); Windows paths unchanged.
std::string hostPath(const std::string& path);

}  // namespace e2e
