#include "tests/e2e/driver.h"

#include <commctrl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace e2e {

namespace {

std::string envOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string withBackslash(std::string path) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

void copyTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            copyTree(from + name + "\\", to + name + "\\");
        else if (!CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE))
            std::fprintf(stderr, "copying %s%s failed: error %lu\n", from.c_str(), name.c_str(),
                         static_cast<unsigned long>(GetLastError()));
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

struct WindowQuery {
    DWORD pid;
    const char* caption;
    const char* classPrefix;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND hwnd, LPARAM lParam) {
    auto* q = reinterpret_cast<WindowQuery*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != q->pid || !IsWindowVisible(hwnd)) return TRUE;
    if (q->caption && windowText(hwnd) != q->caption) return TRUE;
    if (q->classPrefix && className(hwnd).rfind(q->classPrefix, 0) != 0) return TRUE;
    q->found = hwnd;
    return FALSE;
}

}  // namespace

std::string hostPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string out = "Z:" + path;
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

// --- ProgramFolder -----------------------------------------------------------------

ProgramFolder::ProgramFolder(const std::string& subfolder) {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    base_ = withBackslash(temp) + "jexe2e-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter) + "\\";
    removeFolderTree(base_);
    CreateDirectoryA(base_.c_str(), nullptr);
    path_ = subfolder.empty() ? base_ : base_ + subfolder + "\\";
    std::string source = withBackslash(hostPath(envOr("JEX_PROGRAM_DIR", "program")));
    copyTree(source, path_);
}

ProgramFolder::~ProgramFolder() { removeFolderTree(base_); }

// --- Program -------------------------------------------------------------------------

Program::Program(const ProgramFolder& folder) : exe_(folder.file("jexmarlo.exe")), folder_(folder.path()) {}

Program::Program(const std::string& exe, const std::string& folder, const std::string& arguments)
    : exe_(exe), folder_(folder), arguments_(arguments) {}

Program::~Program() { terminate(); }

std::string testProgram(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder.resize(folder.rfind('\\') + 1);
    return folder + name;
}

bool Program::start() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe_ + "\"";
    if (!arguments_.empty()) commandLine += " " + arguments_;
    // Under load Wine has been seen to refuse a start once; a second try
    // tells a passing refusal from a missing or broken program, and each
    // refusal is reported with its error for the log.
    for (int attempt = 1; attempt <= 3; ++attempt) {
        if (CreateProcessA(exe_.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                           &startup, &info_))
            return true;
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesA(exe_.c_str());
        std::fprintf(stderr, "CreateProcess(%s) failed, attempt %d: error %lu, the file %s\n", exe_.c_str(), attempt,
                     static_cast<unsigned long>(error),
                     attributes == INVALID_FILE_ATTRIBUTES ? "is missing" : "exists");
        Sleep(DWORD(500 * attempt));
    }
    return false;
}

bool Program::running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND Program::findWindow(const char* caption, const char* classPrefix) const {
    WindowQuery q = {info_.dwProcessId, caption, classPrefix, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

HWND Program::waitForWindow(const char* caption, const char* classPrefix, int timeoutMs) const {
    auto found = poll([&] { return findWindow(caption, classPrefix); },
                      [&](HWND hwnd) { return hwnd || !running(); }, timeoutMs);
    if (!found.value) return nullptr;
    // Activation reaches the window's thread as a message; once it is in
    // front, keys and clicks go to it.
    SetForegroundWindow(found.value);
    poll([&] { return GetForegroundWindow() == found.value; }, [](bool front) { return front; },
         timeoutMs - found.ms);
    return found.value;
}

bool Program::waitForExit(int timeoutMs, DWORD* exitCode) {
    if (!info_.hProcess) return true;
    if (WaitForSingleObject(info_.hProcess, DWORD(timeoutMs)) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

void Program::terminate() {
    if (!info_.hProcess) return;
    if (running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 10000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
}

// --- windows ---------------------------------------------------------------------------

std::string windowText(HWND hwnd) {
    char buffer[1024] = {};
    // WM_GETTEXT works across processes for every window class.
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return buffer;
}

std::string className(HWND hwnd) {
    char buffer[256] = {};
    GetClassNameA(hwnd, buffer, sizeof buffer);
    return buffer;
}

std::string controlText(HWND dialog, int id) { return windowText(GetDlgItem(dialog, id)); }

std::string messageBoxText(HWND box) {
    if (HWND text = GetDlgItem(box, 0xFFFF)) return windowText(text);
    std::string longest;
    for (const std::string& s : childTexts(box, "Static"))
        if (s.size() > longest.size()) longest = s;
    return longest;
}

std::vector<std::string> childTexts(HWND parent, const char* childClass) {
    std::vector<std::string> texts;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (_stricmp(className(child).c_str(), childClass) == 0) texts.push_back(windowText(child));
    return texts;
}

void clickButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// --- remote memory and control queries --------------------------------------------------------

RemoteBuffer::RemoteBuffer(DWORD pid, std::size_t size) : size_(size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) base_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
    if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
}

LPARAM RemoteBuffer::address(std::size_t offset) const {
    return reinterpret_cast<LPARAM>(static_cast<char*>(base_) + offset);
}

void RemoteBuffer::write(const void* data, std::size_t size, std::size_t offset) {
    if (base_ && offset + size <= size_)
        WriteProcessMemory(process_, static_cast<char*>(base_) + offset, data, size, nullptr);
}

void RemoteBuffer::read(void* data, std::size_t size, std::size_t offset) const {
    std::memset(data, 0, size);
    if (base_ && offset + size <= size_)
        ReadProcessMemory(process_, static_cast<char*>(base_) + offset, data, size, nullptr);
}

std::string RemoteBuffer::readString(std::size_t offset) const {
    std::vector<char> text(size_ - offset + 1, 0);
    read(text.data(), size_ - offset, offset);
    return text.data();
}

std::string statusText(DWORD pid, HWND statusBar, int pane) {
    RemoteBuffer buffer(pid, 512);
    SendMessageA(statusBar, SB_GETTEXTA, WPARAM(pane), buffer.address());
    return buffer.readString();
}

std::vector<int> statusPartEdges(DWORD pid, HWND statusBar) {
    RemoteBuffer buffer(pid, 64 * sizeof(int));
    int count = int(SendMessageA(statusBar, SB_GETPARTS, 64, buffer.address()));
    std::vector<int> edges(std::size_t(count > 0 ? count : 0));
    buffer.read(edges.data(), edges.size() * sizeof(int));
    return edges;
}

std::vector<std::string> tabLabels(DWORD pid, HWND tabControl) {
    std::vector<std::string> labels;
    int count = int(SendMessageA(tabControl, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RemoteBuffer buffer(pid, sizeof(TCITEMA) + 256);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = reinterpret_cast<char*>(buffer.address(sizeof(TCITEMA)));
        item.cchTextMax = 255;
        buffer.write(&item, sizeof item);
        SendMessageA(tabControl, TCM_GETITEMA, WPARAM(i), buffer.address());
        labels.push_back(buffer.readString(sizeof(TCITEMA)));
    }
    return labels;
}

std::vector<int> toolbarCommands(DWORD pid, HWND toolBar) {
    std::vector<int> commands;
    int count = int(SendMessageA(toolBar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RemoteBuffer buffer(pid, sizeof(TBBUTTON));
        SendMessageA(toolBar, TB_GETBUTTON, WPARAM(i), buffer.address());
        TBBUTTON button;
        buffer.read(&button, sizeof button);
        commands.push_back((button.fsStyle & BTNS_SEP) ? 0 : button.idCommand);
    }
    return commands;
}

RECT toolbarButtonRect(DWORD pid, HWND toolBar, int command) {
    RemoteBuffer buffer(pid, sizeof(RECT));
    SendMessageA(toolBar, TB_GETRECT, WPARAM(command), buffer.address());
    RECT r;
    buffer.read(&r, sizeof r);
    MapWindowPoints(toolBar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::vector<HTREEITEM> treeChildren(HWND tree, HTREEITEM parent) {
    std::vector<HTREEITEM> items;
    HTREEITEM item = parent == TVI_ROOT ? TreeView_GetRoot(tree) : TreeView_GetChild(tree, parent);
    for (; item; item = TreeView_GetNextSibling(tree, item)) items.push_back(item);
    return items;
}

std::string treeLabel(DWORD pid, HWND tree, HTREEITEM item) {
    RemoteBuffer buffer(pid, sizeof(TVITEMA) + 256);
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = reinterpret_cast<char*>(buffer.address(sizeof(TVITEMA)));
    tv.cchTextMax = 255;
    buffer.write(&tv, sizeof tv);
    SendMessageA(tree, TVM_GETITEMA, 0, buffer.address());
    return buffer.readString(sizeof(TVITEMA));
}

std::vector<std::string> treeLabels(DWORD pid, HWND tree, HTREEITEM parent) {
    std::vector<std::string> labels;
    for (HTREEITEM item : treeChildren(tree, parent)) labels.push_back(treeLabel(pid, tree, item));
    return labels;
}

HTREEITEM treeFind(DWORD pid, HWND tree, HTREEITEM parent, const std::string& label) {
    for (HTREEITEM item : treeChildren(tree, parent))
        if (treeLabel(pid, tree, item) == label) return item;
    return nullptr;
}

HWND findDescendant(HWND parent, const char* childClass, int id) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (className(child) == childClass && (id < 0 || GetDlgCtrlID(child) == id)) return child;
        if (HWND found = findDescendant(child, childClass, id)) return found;
    }
    return nullptr;
}

HWND waitForDescendant(HWND parent, const char* childClass, int id, int timeoutMs) {
    return poll([&] { return findDescendant(parent, childClass, id); }, [](HWND child) { return child != nullptr; },
                timeoutMs)
        .value;
}

SIZE clientSize(HWND hwnd) {
    RECT r = {};
    GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
}

namespace {
INPUT pointerAt(int x, int y, DWORD buttons) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = (y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    return input;
}
}  // namespace

void moveMouse(int x, int y) {
    SetCursorPos(x, y);
    INPUT input = pointerAt(x, y, 0);
    SendInput(1, &input, sizeof input);
}

void leftButtonAt(int x, int y, bool down) {
    INPUT input = pointerAt(x, y, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    SendInput(1, &input, sizeof input);
}

void click(int x, int y, bool right, int times) {
    moveMouse(x, y);
    // Each button event carries the point (see leftButtonAt).
    std::vector<INPUT> input;
    for (int i = 0; i < 2 * times; ++i) {
        bool down = i % 2 == 0;
        input.push_back(pointerAt(x, y, right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                                              : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)));
    }
    SendInput(UINT(input.size()), input.data(), sizeof(INPUT));
}

GUITHREADINFO threadInfo(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

HWND focusOf(HWND window) { return threadInfo(window).hwndFocus; }

bool hasKeyboard(HWND target) {
    return focusOf(target) == target && GetForegroundWindow() == GetAncestor(target, GA_ROOT);
}

RECT caretRect(HWND editor) {
    GUITHREADINFO info = threadInfo(editor);
    return info.hwndCaret == editor ? info.rcCaret : RECT{};
}

void pressKey(WORD vk) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = vk;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

void chord(WORD modifier, WORD vk) {
    INPUT input[4] = {};
    for (auto& i : input) i.type = INPUT_KEYBOARD;
    input[0].ki.wVk = modifier;
    input[1].ki.wVk = vk;
    input[2].ki.wVk = vk;
    input[2].ki.dwFlags = KEYEVENTF_KEYUP;
    input[3].ki.wVk = modifier;
    input[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, input, sizeof(INPUT));
}

void holdKey(WORD vk, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

// Characters that need Shift are sent as typed characters (a keyboard
// event carrying the character): under Wine's virtual desktop some Shift
// combinations (Shift+9) reach the program without their character.
void typeAscii(const char* text) {
    for (const char* p = text; *p; ++p) {
        SHORT scan = VkKeyScanA(*p);
        if (HIBYTE(scan) & 1) {
            INPUT input[2] = {};
            input[0].type = input[1].type = INPUT_KEYBOARD;
            input[0].ki.wScan = input[1].ki.wScan = static_cast<unsigned char>(*p);
            input[0].ki.dwFlags = KEYEVENTF_UNICODE;
            input[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
            SendInput(2, input, sizeof(INPUT));
        } else {
            pressKey(LOBYTE(scan));
        }
    }
}

RECT treeItemRect(DWORD pid, HWND tree, HTREEITEM item) {
    RemoteBuffer buffer(pid, sizeof(RECT));
    buffer.write(&item, sizeof item);  // the message takes the item in the rectangle
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, buffer.address());
    RECT r;
    buffer.read(&r, sizeof r);
    MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// --- the clipboard, the editor's selection, pop-up menus ----------------------------------

std::string clipboardText(UINT format) {
    std::string text = "<none>";
    if (!OpenClipboard(nullptr)) return "<clipboard busy>";
    if (HANDLE block = GetClipboardData(format)) {
        const char* bytes = static_cast<const char*>(GlobalLock(block));
        if (bytes) {
            SIZE_T size = GlobalSize(block);
            const void* zero = std::memchr(bytes, 0, size);
            text.assign(bytes, zero ? static_cast<const char*>(zero) - bytes : size);
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    return text;
}

ClipboardWriter::ClipboardWriter() {
    window_ = CreateWindowExA(0, "STATIC", "clipboard", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
}

ClipboardWriter::~ClipboardWriter() {
    if (window_) DestroyWindow(window_);
}

bool ClipboardWriter::put(const std::string& text, UINT format) {
    if (!OpenClipboard(window_)) return false;
    bool placed = false;
    if (EmptyClipboard()) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        if (char* bytes = block ? static_cast<char*>(GlobalLock(block)) : nullptr) {
            std::memcpy(bytes, text.c_str(), text.size() + 1);
            GlobalUnlock(block);
            placed = SetClipboardData(format, block) != nullptr;
        }
        if (block && !placed) GlobalFree(block);
    }
    CloseClipboard();
    return placed;
}

bool ClipboardWriter::empty() {
    if (!OpenClipboard(window_)) return false;
    bool emptied = EmptyClipboard() != FALSE;
    CloseClipboard();
    return emptied;
}

std::pair<DWORD, DWORD> editorSelection(HWND editor) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(editor, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return {DWORD(LOWORD(result)), DWORD(HIWORD(result))};
}

HWND popupMenuWindow(DWORD pid) {
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32768", nullptr); w; w = FindWindowExA(nullptr, w, "#32768", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// --- files ------------------------------------------------------------------------------

std::vector<unsigned char> readFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(f, nullptr));
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(f, bytes.data(), DWORD(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(f);
    return bytes;
}

void writeFile(const std::string& path, const std::string& content) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, content.data(), DWORD(content.size()), &written, nullptr);
    CloseHandle(f);
}

namespace {
std::vector<std::string> splitNulList(const char* buffer) {
    std::vector<std::string> out;
    for (const char* p = buffer; *p; p += std::strlen(p) + 1) out.push_back(p);
    return out;
}
}  // namespace

std::vector<std::string> iniSections(const std::string& path) {
    char buffer[4096] = {};
    GetPrivateProfileSectionNamesA(buffer, sizeof buffer, path.c_str());
    return splitNulList(buffer);
}

std::vector<std::string> iniKeys(const std::string& path, const char* section) {
    char buffer[4096] = {};
    GetPrivateProfileStringA(section, nullptr, "", buffer, sizeof buffer, path.c_str());
    return splitNulList(buffer);
}

std::string iniString(const std::string& path, const char* section, const char* key) {
    char buffer[1024] = {};
    GetPrivateProfileStringA(section, key, "<missing>", buffer, sizeof buffer, path.c_str());
    return buffer;
}

std::string attachmentTempFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return withBackslash(temp) + "jexMarlo\\";
}

std::string shortDate(int daysAgo) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME time;
    SystemTimeToFileTime(&now, &time);
    ULARGE_INTEGER ticks = {{time.dwLowDateTime, time.dwHighDateTime}};
    ticks.QuadPart -= ULONGLONG(daysAgo) * 24 * 3600 * 10000000ULL;
    time = {ticks.LowPart, ticks.HighPart};
    SYSTEMTIME then;
    FileTimeToSystemTime(&time, &then);
    char text[64] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &then, nullptr, text, sizeof text);
    return text;
}

// --- common steps ------------------------------------------------------------------------------

const char kTitle[] = "墨舟";
const char kDialogClass[] = "#32770";
const char kFrameClass[] = "Afx:";

HWND acceptFolderDialog(Program& program) {
    HWND dialog = program.waitForWindow(kTitle, kDialogClass);
    if (!dialog) return nullptr;
    clickButton(dialog, IDOK);
    return program.waitForWindow(kTitle, kFrameClass);
}

DWORD closeProgram(Program& program, HWND frame) {
    PostMessageA(frame, WM_CLOSE, 0, 0);
    DWORD code = 99;
    return program.waitForExit(30000, &code) ? code : 98;
}

bool firstRun(const ProgramFolder& folder) {
    if (!fileExists(folder.file("config.ini"))) writeFile(folder.file("config.ini"), "[UPDATE]\r\nCheckDay=0\r\n");
    Program program(folder);
    if (!program.start()) return false;
    HWND frame = acceptFolderDialog(program);
    return frame && closeProgram(program, frame) == 0;
}

std::string databasePath(const ProgramFolder& folder) { return folder.file("data\\srcdata.db"); }

// --- the screen and screenshots ------------------------------------------------------------

COLORREF ScreenImage::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    DWORD p = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

ScreenImage captureScreen() {
    ScreenImage image;
    image.width = GetSystemMetrics(SM_CXSCREEN);
    image.height = GetSystemMetrics(SM_CYSCREEN);
    image.pixels.resize(std::size_t(image.width) * std::size_t(image.height));
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, image.width, image.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, image.width, image.height, screen, 0, 0, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, UINT(image.height), image.pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

namespace {

BOOL CALLBACK findAwaitingPaint(HWND hwnd, LPARAM found) {
    if (!IsWindowVisible(hwnd) || !GetUpdateRect(hwnd, nullptr, FALSE)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

// A shown window, top-level or child, whose repaint is pending; or null.
HWND windowAwaitingPaint() {
    // The desktop's descendants are every top-level window and theirs.
    HWND found = nullptr;
    EnumChildWindows(GetDesktopWindow(), findAwaitingPaint, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The screen rectangle of the blinking caret of the window in front, if it
// shows one; empty otherwise.
RECT caretOnScreen() {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    RECT r = {};
    if (!GetGUIThreadInfo(0, &info) || !info.hwndCaret) return r;
    r = info.rcCaret;
    MapWindowPoints(info.hwndCaret, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Whether two pictures of the screen are alike outside `ignored`.
bool alikeBesides(const ScreenImage& a, const ScreenImage& b, const RECT& ignored) {
    if (a.width != b.width || a.height != b.height) return false;
    for (int y = 0; y < a.height; ++y) {
        bool rowIgnored = y >= ignored.top && y < ignored.bottom;
        for (int x = 0; x < a.width; ++x) {
            std::size_t i = std::size_t(y) * std::size_t(a.width) + std::size_t(x);
            if (a.pixels[i] != b.pixels[i] && !(rowIgnored && x >= ignored.left && x < ignored.right)) return false;
        }
    }
    return true;
}

bool savePng(const ScreenImage& image, const std::string& path) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    bool saved = false;
    {
        std::vector<DWORD> pixels = image.pixels;  // GDI+ takes the rows as writable memory
        Gdiplus::Bitmap bitmap(image.width, image.height, image.width * 4, PixelFormat32bppRGB,
                               reinterpret_cast<BYTE*>(pixels.data()));
        // The PNG encoder of GDI+.
        const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
        std::wstring wide(path.size() + 1, L'\0');
        int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], int(wide.size()));
        wide.resize(n > 0 ? n - 1 : 0);
        saved = bitmap.Save(wide.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

}  // namespace

bool saveScreenPng(const std::string& path) { return savePng(captureScreen(), path); }

std::string screenshot(const std::string& name, bool animated) {
    // A repaint reaches the screen a little after the window has been
    // validated, so the screen has settled once no window has awaited its
    // paint for a few captures in a row (some 200 ms), and they are alike
    // but for a blinking caret.
    constexpr int kAlike = 5;
    ScreenImage shot = captureScreen();
    int alike = 0;
    auto settled = poll(
        [&] {
            ScreenImage next = captureScreen();
            HWND pending = windowAwaitingPaint();
            alike = !pending && (animated || alikeBesides(next, shot, caretOnScreen())) ? alike + 1 : 0;
            shot = std::move(next);
            return pending;
        },
        [&](HWND) { return alike >= kAlike; });
    if (!settled.met) {
        std::fprintf(stderr, "screenshot %s: the screen was still changing after %d ms (%s)\n", name.c_str(),
                     settled.ms,
                     settled.value ? ("a repaint of " + className(settled.value) + " pending").c_str()
                                   : "no repaint pending");
        return std::string();
    }
    return screenshotOf(shot, name);
}

std::string screenshotOf(const ScreenImage& image, const std::string& name) {
    std::string folder = withBackslash(hostPath(envOr("JEX_SCREENSHOT_DIR", "screenshots")));
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string path = folder + name + ".png";
    return savePng(image, path) ? path : std::string();
}

}  // namespace e2e
