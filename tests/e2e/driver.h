// The end-to-end test driver's vocabulary: a throwaway copy of the program
// folder, the running program, its windows and dialogs, config.ini, the
// database file and screenshots.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// A copy of the built program folder in a fresh temporary folder, removed
// afterwards.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    // The folder, with a trailing backslash.
    const std::string& path() const { return path_; }
    std::string file(const std::string& relative) const { return path_ + relative; }

private:
    std::string path_;
};

// jexmarlo.exe started from a program folder; terminated on destruction if
// it is still running, so a failing test never leaves it behind.
class Program {
public:
    explicit Program(const ProgramFolder& folder);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool start();
    DWORD pid() const { return info_.dwProcessId; }
    bool running() const;

    // A visible top-level window of this process with this caption and a
    // class name starting with `classPrefix`; null after the timeout.
    HWND waitForWindow(const char* caption, const char* classPrefix, int timeoutMs = 30000) const;
    // Whether such a window exists right now.
    HWND findWindow(const char* caption, const char* classPrefix) const;

    // Waits for the process to end; returns false on timeout.
    bool waitForExit(int timeoutMs, DWORD* exitCode = nullptr);
    void terminate();

private:
    std::string exe_;
    std::string folder_;
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
// Lets the program's threads run for a moment.
void pause(int milliseconds);

// --- files -----------------------------------------------------------------------

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
std::vector<unsigned char> readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
void removeTree(const std::string& folder);
// Section names of an INI file, in file order.
std::vector<std::string> iniSections(const std::string& path);
std::vector<std::string> iniKeys(const std::string& path, const char* section);
std::string iniString(const std::string& path, const char* section, const char* key);
// The system temporary folder + "jexMarlo\".
std::string attachmentTempFolder();

// --- screenshots -------------------------------------------------------------------

// Saves the whole screen as <screenshot folder>\<name>.png; returns the path.
std::string screenshot(const std::string& name);
// Saves the screen to a PNG file.
bool saveScreenPng(const std::string& path);

// A unix path as Wine sees it ("/a/b" -> "Z:\a\b"); Windows paths unchanged.
std::string hostPath(const std::string& path);

}  // namespace e2e
