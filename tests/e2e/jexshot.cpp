// Saves a PNG screenshot of the whole screen, then optionally asks the
// top-level windows with a caption to close:
//   jexshot <file.png> [--close <caption>]
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
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--close") == 0)) {
        std::fprintf(stderr, "usage: jexshot <file.png> [--close <caption>]\n");
        return 2;
    }
    bool saved = e2e::saveScreenPng(e2e::hostPath(argv[1]));
    if (argc == 4) EnumWindows(closeByCaption, reinterpret_cast<LPARAM>(argv[3]));
    return saved ? 0 : 1;
}
