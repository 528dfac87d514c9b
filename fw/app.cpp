#include "fw/app.h"

namespace fw {

namespace {
App* theApp = nullptr;
}

App::App() { theApp = this; }

App::~App() {
    if (theApp == this) theApp = nullptr;
}

App* App::current() { return theApp; }

int App::exitInstance() { return exitCode_; }

bool App::preTranslateMessage(MSG&) { return false; }

int App::run(HINSTANCE instance) {
    instance_ = instance;
    if (initInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (preTranslateMessage(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (msg.message == WM_QUIT) exitCode_ = int(msg.wParam);
    }
    return exitInstance();
}

}  // namespace fw
