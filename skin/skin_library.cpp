#include "skin/skin_library.h"

#include "skin/button_skin.h"
#include "skin/combo_box_skin.h"
#include "skin/edit_skin.h"
#include "skin/gdiplus.h"
#include "skin/gradient_skins.h"
#include "skin/nav_ctrl.h"
#include "skin/search_box.h"
#include "skin/tab_ctrl_skin.h"
#include "skin/tool_bar_skin.h"
#include "skin/tree_view_skin.h"
#include "skin/window_skin.h"

namespace skin {

Library& library() {
    static Library state;
    return state;
}

void startGdiplus() {
    Library& lib = library();
    if (lib.gdiplus) return;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) lib.gdiplus = token;
}

void stopGdiplus() {
    Library& lib = library();
    if (!lib.gdiplus) return;
    Gdiplus::GdiplusShutdown(lib.gdiplus);
    lib.gdiplus = 0;
}

std::string imagePath(const std::string& value) { return value.empty() ? value : library().skinFolder + value; }

std::string ProfileSkinFile::getString(const std::string& section, const char* key) const {
    char buffer[260] = {};
    GetPrivateProfileStringA(section.c_str(), key, "", buffer, sizeof buffer, library().skinFile.c_str());
    return buffer;
}

int ProfileSkinFile::getInt(const std::string& section, const char* key) const {
    return int(GetPrivateProfileIntA(section.c_str(), key, 0, library().skinFile.c_str()));
}

namespace {

std::string classOf(HWND hwnd) {
    char name[200] = {};
    if (hwnd) GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// A new skin object for the window, by the chooser's verdict.  A skin owns
// itself (only the registry holds it, until WM_DESTROY).
void offerToSkins(HWND hwnd) {
    HWND parent = (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
    switch (chooseSkin(classOf(hwnd), classOf(parent))) {
    case SkinKind::None:
        break;
    case SkinKind::Button:
        ButtonSkin::attach(hwnd);
        break;
    case SkinKind::Edit:
        EditSkin::attach(hwnd);
        break;
    case SkinKind::Dialog:
        DialogSkin::attach(hwnd);
        break;
    case SkinKind::ComboBox:
        ComboBoxSkin::attach(hwnd);
        break;
    case SkinKind::ToolBar:
        ToolBarSkin::attach(hwnd);
        break;
    case SkinKind::TabCtrl:
        TabCtrlSkin::attach(hwnd);
        break;
    case SkinKind::SpinButton:
        SpinButtonSkin::attach(hwnd);
        break;
    case SkinKind::HeaderCtrl:
        HeaderCtrlSkin::attach(hwnd);
        break;
    case SkinKind::StatusBar:
        StatusBarSkin::attach(hwnd);
        break;
    case SkinKind::TreeView:
        TreeViewSkin::attach(hwnd);
        break;
    case SkinKind::SearchBox:
        SearchBoxSkin::attach(hwnd);
        break;
    case SkinKind::NavCtrl:
        NavCtrlSkin::attach(hwnd);
        break;
    case SkinKind::FrameWnd:
        FrameWndSkin::attach(hwnd);
        break;
    }
}

LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call && call->message == WM_NCCREATE && library().suspended == 0)
        offerToSkins(call->hwnd);
    return CallNextHookEx(library().hook, code, wParam, lParam);
}

}  // namespace

HHOOK installHook() {
    Library& lib = library();
    if (!lib.hook) lib.hook = SetWindowsHookExA(WH_CALLWNDPROC, hookProc, nullptr, GetCurrentThreadId());
    return lib.hook;
}

void removeHook() {
    Library& lib = library();
    if (!lib.hook) return;
    UnhookWindowsHookEx(lib.hook);
    lib.hook = nullptr;
    // The shared sets go; the next window of each kind loads them again.
    releaseWindowFrameImages();
    releaseComboBoxImages();
}

}  // namespace skin
