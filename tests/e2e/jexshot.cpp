// Saves a PNG screenshot of the whole screen and/or asks the top-level
// windows with a caption to close:
//   jexshot [<file.png>] [--close <caption>]
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "tests/e2e/driver.h"

namespace {

BOOL CALLBACK closeByCaption(HWND hwnd, LPARAM caption) {
    if (IsWindowVisible(hwnd) && e2e::windowText(hwnd) == reinterpret_cast<const char*>(caption))
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    const char* file = nullptr;
    const char* close = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--close") == 0 && i + 1 < argc)
            close = argv[++i];
        else if (!file)
            file = argv[i];
        else
            file = close = nullptr, i = argc;
    }
    if (!file && !close) {
        std::fprintf(stderr, "usage: jexshot [<file.png>] [--close <caption>]\n");
        return 2;
    }
    bool saved = !file || e2e::saveScreenPng(e2e::hostPath(file));
    if (close) EnumWindows(closeByCaption, reinterpret_cast<LPARAM>(close));
    return saved ? 0 : 1;
}
