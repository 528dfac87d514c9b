// The application object: start-up, the message loop and exit.
#pragma once

#include <windows.h>

#include <vector>

namespace fw {

class App {
public:
    App();
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Runs the program: initInstance, the message loop when it returned
    // true, then exitInstance, whose result is the exit code.
    int run(HINSTANCE instance);

    HINSTANCE instance() const { return instance_; }
    HWND mainWindow() const { return mainWindow_; }
    // The caption of message boxes that have none of their own.
    const char* title() const { return title_; }
    void setMainWindow(HWND hwnd) { mainWindow_ = hwnd; }
    // Modeless dialogs whose keys (Tab, Enter, Escape) the message loop
    // hands to IsDialogMessage while they are open.
    void addModeless(HWND dialog);
    void removeModeless(HWND dialog);

    // The one application object of the process.
    static App* current();

protected:
    virtual bool initInstance() = 0;
    virtual int exitInstance();
    // Lets the application take a message before it is dispatched
    // (accelerators, dialog navigation); true = handled.
    virtual bool preTranslateMessage(MSG& msg);

    int exitCode_ = 0;
    const char* title_ = "";

private:
    bool isModelessMessage(MSG& msg);

    HINSTANCE instance_ = nullptr;
    HWND mainWindow_ = nullptr;
    std::vector<HWND> modeless_;
};

}  // namespace fw
