// Measurements of the real program under Wine (not tests: nothing here
// passes or fails on time).
//
//   jexbench startup [runs]          start-up to the main window, with the
//                                    shipped skin and with an empty skin.ini
//   jexbench library DB FOLDER-ID    opening a library's folder: the time to
//                                    list and paint its children
//   jexbench fade                    one fade frame of the search box with
//                                    the shipped skin (in this process)
//   jexbench buttonfade              one fade frame of a 75 x 23 push button
//                                    (in this process), beside a decode of
//                                    its image file
//   jexbench ncpaint                 one repaint of the caption and border
//                                    of a 700 x 550 frame window
//
// JEX_PROGRAM_DIR names the program folder to copy (as for the end-to-end
// tests).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "skin/gdiplus.h"
#include "skin/jexui.h"
#include "store/db_connection.h"
#include "store/schema.h"
#include "tests/e2e/driver.h"
#include "tests/store/test_db.h"

namespace {

double millisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from starting the program to its main window being visible.
double startUp(const e2e::ProgramFolder& folder) {
    e2e::Program program(folder);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!program.start()) return -1;
    HWND frame = nullptr;
    while (!frame && program.running() && millisecondsSince(start) < 60000) {
        frame = program.findWindow(e2e::kTitle, e2e::kFrameClass);
        if (!frame) Sleep(2);
    }
    double elapsed = frame ? millisecondsSince(start) : -1;
    if (frame) e2e::closeProgram(program, frame);
    return elapsed;
}

int measureStartUp(int runs) {
    e2e::ProgramFolder skinned, plain;
    if (!e2e::firstRun(skinned) || !e2e::firstRun(plain)) {
        std::fprintf(stderr, "jexbench: the program did not come up\n");
        return 1;
    }
    e2e::writeFile(plain.file("skins\\default\\skin.ini"), "");
    std::vector<double> withSkin, withoutSkin;
    for (int i = 0; i < runs; ++i) {  // interleaved, so that both see the same machine
        withSkin.push_back(startUp(skinned));
        withoutSkin.push_back(startUp(plain));
    }
    double a = median(withSkin), b = median(withoutSkin);
    std::printf("start-up to the main window, median of %d: shipped skin %.0f ms, empty skin.ini %.0f ms, ratio %.2f\n",
                runs, a, b, b > 0 ? a / b : 0.0);
    return 0;
}

// The titles from the top level down to the folder `id`.
std::vector<std::string> titlePath(const std::string& database, int id) {
    store::DbConnection db;
    db.openWithKey(database.c_str(), store::kPassPhrase);
    std::vector<std::string> path;
    for (int node = id; node != 0;) {
        auto row = testdb::rows(db, ("SELECT pId, title FROM tree_tbl WHERE ItemId = " + std::to_string(node) + ";").c_str());
        if (row.empty()) return {};
        std::size_t bar = row[0].find('|');
        path.insert(path.begin(), row[0].substr(bar + 1));
        node = std::atoi(row[0].substr(0, bar).c_str());
    }
    return path;
}

int measureLibrary(const std::string& database, int folderId) {
    std::vector<std::string> path = titlePath(database, folderId);
    if (path.empty()) {
        std::fprintf(stderr, "jexbench: folder %d is not in %s\n", folderId, database.c_str());
        return 1;
    }
    e2e::ProgramFolder folder;
    e2e::writeFile(folder.file("config.ini"), "[UPDATE]\r\nCheckDay=0\r\n[DBM]\r\nWorkPath=" + database + "\r\n");
    e2e::Program program(folder);
    if (!program.start()) return 1;
    HWND frame = program.waitForWindow(e2e::kTitle, e2e::kFrameClass, 120000);
    HWND tree = frame ? e2e::findDescendant(frame, WC_TREEVIEWA, 1002) : nullptr;
    if (!tree) {
        std::fprintf(stderr, "jexbench: no main window\n");
        return 1;
    }
    HTREEITEM item = TVI_ROOT;
    for (std::size_t i = 0; i < path.size(); ++i) {
        item = e2e::treeFind(program.pid(), tree, item, path[i]);
        if (!item) {
            std::fprintf(stderr, "jexbench: \"%s\" is not in the tree\n", path[i].c_str());
            return 1;
        }
        if (i + 1 == path.size()) break;
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
    // Expanding lists the children (inside the expanding notification);
    // UpdateWindow then has the tree paint them before it returns.
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    UpdateWindow(tree);
    double elapsed = millisecondsSince(start);
    std::size_t children = e2e::treeChildren(tree, item).size();
    std::printf("opening a folder of %zu children among the library's nodes: %.1f ms (listing and painting)\n",
                children, elapsed);
    e2e::screenshot("bench-library");
    e2e::closeProgram(program, frame);
    return 0;
}

// The shipped skin in this process: windows made from here on are skinned.
void useShippedSkin() {
    const char* folder = std::getenv("JEX_PROGRAM_DIR");
    std::string skin = e2e::hostPath(folder ? folder : "program") + "\\skins\\default\\skin.ini";
    jexsoft_InitUI(GetModuleHandleA(nullptr), 0);
    jexsoft_SetSkin(skin.c_str());
}

void pumpAll() {
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
}

// Best of 20 rounds: microseconds per call of `once`, which `prepare`
// readies before each round's `times` calls.
template <class Prepare, class Once>
double bestMicroseconds(int times, Prepare prepare, Once once) {
    double best = 1e9;
    for (int round = 0; round < 20; ++round) {
        prepare();
        LARGE_INTEGER begin;
        QueryPerformanceCounter(&begin);
        for (int i = 0; i < times; ++i) once();
        best = std::min(best, millisecondsSince(begin) * 1000.0 / times);
    }
    return best;
}

// One fade frame of the search box: the blend of its two composed 170 x 32
// frames and the copy into the frame region, driven by sending the fade
// timer's message.  The same message to a box without skin (its way through
// the hooks and the default procedure) is timed too and taken off.  Best of
// 20 rounds of 50, as the machine may be busy with other work.
int measureFade() {
    useShippedSkin();
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 100, 300, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HWND box = jexsoft_CreateSearchBox(WS_CHILD | WS_VISIBLE, 5, 5, 175, 37, window, 1);
    jexsoft_UnHookBegin();
    HWND plain = jexsoft_CreateSearchBox(WS_CHILD | WS_VISIBLE, 5, 50, 175, 82, window, 2);
    jexsoft_UnHookEnd();
    if (!box || !plain) {
        std::fprintf(stderr, "jexbench: no search box\n");
        return 1;
    }
    UpdateWindow(window);
    pumpAll();
    const UINT_PTR kFadeTimer = 1;
    auto microsecondsEach = [&](HWND target) {
        return bestMicroseconds(50, [] {}, [&] { SendMessageA(target, WM_TIMER, kFadeTimer, 0); });
    };
    double message = microsecondsEach(plain);
    double frame = microsecondsEach(box) - message;
    std::printf("search box fade frame: %.1f us (the timer message's own way: %.1f us more)\n", frame, message);
    DestroyWindow(window);
    return 0;
}

// One fade frame of a push button: the mouse comes onto the button (the
// hover fade starts from the normal look), then each tick of the fade's
// timer blends the two looks made when the fade began.  The shipped
// HoverTime of 150 ms fades in 6 ticks; the 5 before the last are timed.
// A button without skin gets the same messages, and that cost is taken off.
int measureButtonFade() {
    useShippedSkin();
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 100, 300, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HWND button = CreateWindowExA(0, "Button", "确定", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 75, 23, window,
                                  reinterpret_cast<HMENU>(1), GetModuleHandleA(nullptr), nullptr);
    jexsoft_UnHookBegin();
    HWND plain = CreateWindowExA(0, "Button", "确定", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 50, 75, 23, window,
                                 reinterpret_cast<HMENU>(2), GetModuleHandleA(nullptr), nullptr);
    jexsoft_UnHookEnd();
    if (!button || !plain) {
        std::fprintf(stderr, "jexbench: no button\n");
        return 1;
    }
    UpdateWindow(window);
    pumpAll();
    const UINT_PTR kFadeTimer = 1;
    bool inside = false;
    auto cost = [&](HWND target) {
        return bestMicroseconds(
            5,
            [&] {
                // Onto the button and off it again: each crossing starts a
                // fade between two looks.
                inside = !inside;
                SendMessageA(target, WM_MOUSEMOVE, 0, inside ? MAKELPARAM(30, 10) : MAKELPARAM(200, 60));
            },
            [&] { SendMessageA(target, WM_TIMER, kFadeTimer, 0); });
    };
    double message = cost(plain);
    double frame = cost(button) - message;
    // What a frame would cost if it read the image again: a decode of the
    // button's file by GDI+.
    const char* folder = std::getenv("JEX_PROGRAM_DIR");
    std::string png = e2e::hostPath(folder ? folder : "program") + "\\skins\\default\\button_hover.png";
    std::wstring widePng(png.begin(), png.end());
    double decode = bestMicroseconds(5, [] {}, [&] {
        Gdiplus::Bitmap file(widePng.c_str());
        Gdiplus::Bitmap copy(file.GetWidth(), file.GetHeight(), PixelFormat32bppARGB);
        Gdiplus::Graphics(&copy).DrawImage(&file, 0, 0);
    });
    std::printf("push button fade frame (75 x 23): %.1f us; decoding its image file instead would take %.1f us\n",
                frame, decode);
    DestroyWindow(window);
    return 0;
}

// One non-client repaint of a 700 x 550 frame window (the main frame's
// size): the background of the border and caption from the cached
// picture, the icon, the caption text and the caption buttons.
int measureNonClientPaint() {
    useShippedSkin();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Afx:jexbench:Frame";
    RegisterClassA(&wc);
    HWND frame = CreateWindowExA(0, wc.lpszClassName, "墨舟", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 550,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!frame) {
        std::fprintf(stderr, "jexbench: no frame\n");
        return 1;
    }
    UpdateWindow(frame);
    pumpAll();
    double each = bestMicroseconds(20, [] {}, [&] { SendMessageA(frame, WM_NCPAINT, 1, 0); });
    std::printf("non-client repaint of a 700 x 550 frame: %.1f us\n", each);
    DestroyWindow(frame);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string what = argc > 1 ? argv[1] : "";
    if (what == "startup") return measureStartUp(argc > 2 ? std::max(1, std::atoi(argv[2])) : 5);
    if (what == "fade") return measureFade();
    if (what == "buttonfade") return measureButtonFade();
    if (what == "ncpaint") return measureNonClientPaint();
    if (what == "library" && argc > 3) return measureLibrary(e2e::hostPath(argv[2]), std::atoi(argv[3]));
    std::fprintf(stderr,
                 "usage: jexbench startup [runs] | jexbench library DB FOLDER-ID | jexbench fade | jexbench buttonfade | "
                 "jexbench ncpaint\n");
    return 2;
}
