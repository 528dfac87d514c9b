#include "fw/app.h"

#include <algorithm>

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

void App::addModeless(HWND dialog) {
    if (dialog) modeless_.push_back(dialog);
}

void App::removeModeless(HWND dialog) {
    modeless_.erase(std::remove(modeless_.begin(), modeless_.end(), dialog), modeless_.end());
}

bool App::isModelessMessage(MSG& msg) {
    for (HWND dialog : modeless_)
        if (IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) return true;
    return false;
}

int App::run(HINSTANCE instance) {
    instance_ = instance;
    if (initInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (isModelessMessage(msg) || preTranslateMessage(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (msg.message == WM_QUIT) exitCode_ = int(msg.wParam);
    }
    return exitInstance();
}

}  // namespace fw
