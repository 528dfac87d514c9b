// A test host for CHEditCtrl (built with the tests, not shipped): one
// window with a tab control whose only tab holds an editor, as the code view
// will.  The window's caption is "CHEditCtrl", the tab's label "snippet.c".
// A scheme file named on the command line is loaded into the editor.  The
// editor's refusals are kept in its window property "JexRefusal" (the last
// code) and "JexRefusals" (how many), for the tests to read.
#include <windows.h>
#include <commctrl.h>

#include <ole2.h>

#include <string>

#include "editor/hedit_ctrl.h"
#include "editor/syntax_scheme.h"
#include "fw/app.h"
#include "fw/wnd.h"

namespace {

class RecordingEditor : public CHEditCtrl {
public:
    void OnError(unsigned code) override {
        SetPropA(hwnd(), "JexRefusal", reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(code)));
        UINT_PTR count = reinterpret_cast<UINT_PTR>(GetPropA(hwnd(), "JexRefusals"));
        SetPropA(hwnd(), "JexRefusals", reinterpret_cast<HANDLE>(count + 1));
    }

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_NCDESTROY) {
            RemovePropA(hwnd(), "JexRefusal");
            RemovePropA(hwnd(), "JexRefusals");
        }
        return CHEditCtrl::windowProc(msg, wParam, lParam);
    }
};

class HostWindow : public fw::Wnd {
public:
    explicit HostWindow(std::string schemePath) : schemePath_(std::move(schemePath)) {}
    bool open() {
        registerClass("JexEditHost", 0, LoadIcon(nullptr, IDI_APPLICATION), nullptr,
                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        return create(0, "JexEditHost", "CHEditCtrl", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 40, 40,
                      720, 520, nullptr, nullptr);
    }

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_CREATE: {
            tabs_ = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, hwnd(),
                                    reinterpret_cast<HMENU>(1001), GetModuleHandleA(nullptr), nullptr);
            SendMessageA(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>("snippet.c");
            SendMessageA(tabs_, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            RECT none = {0, 0, 0, 0};
            editor_.Create(WS_CHILD | WS_VISIBLE, none, tabs_, 1);
            editor_.SetTabOwner(tabs_, 0);
            if (!schemePath_.empty()) editor_.LoadSyntax(readSchemeFile(schemePath_));
            font_ = CreateFontA(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, FIXED_PITCH, "SimSun");
            SendMessageA(editor_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
            return 0;
        }
        case WM_SIZE: {
            int width = LOWORD(lParam), height = HIWORD(lParam);
            MoveWindow(tabs_, 0, 0, width, height, TRUE);
            RECT header = {};
            SendMessageA(tabs_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&header));
            int top = header.bottom - header.top + 6;
            MoveWindow(editor_.hwnd(), 3, top, width - 6, height - top - 3, TRUE);
            return 0;
        }
        case WM_SETFOCUS:
            SetFocus(editor_.hwnd());
            return 0;
        case WM_NCDESTROY:
            if (font_) DeleteObject(font_);
            PostQuitMessage(0);
            break;
        default:
            break;
        }
        return defaultProc(msg, wParam, lParam);
    }

private:
    std::string schemePath_;
    HWND tabs_ = nullptr;
    RecordingEditor editor_;
    HFONT font_ = nullptr;
};

class HostApp : public fw::App {
public:
    explicit HostApp(std::string schemePath) : window_(std::move(schemePath)) { title_ = "墨舟"; }

protected:
    bool initInstance() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        oleReady_ = OleInitialize(nullptr) == S_OK;
        if (!window_.open()) return false;
        setMainWindow(window_.hwnd());
        return true;
    }

    int exitInstance() override {
        if (oleReady_) OleUninitialize();
        return fw::App::exitInstance();
    }

private:
    HostWindow window_;
    bool oleReady_ = false;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    std::string scheme = commandLine ? commandLine : "";
    if (scheme.size() >= 2 && scheme.front() == '"') scheme = scheme.substr(1, scheme.size() - 2);
    HostApp app(scheme);
    return app.run(instance);
}
