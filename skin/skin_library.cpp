#include "skin/skin_library.h"

#include "skin/gdiplus.h"
#include "skin/nav_ctrl.h"
#include "skin/search_box.h"
#include "skin/tree_view_skin.h"

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
    case SkinKind::TreeView:
        TreeViewSkin::attach(hwnd);
        break;
    case SkinKind::SearchBox:
        SearchBoxSkin::attach(hwnd);
        break;
    case SkinKind::NavCtrl:
        NavCtrlSkin::attach(hwnd);
        break;
    default:
        // Buttons, edits, combo boxes, tool bars, tab controls, spin
        // buttons, headers, status bars, dialogs and frame windows keep the
        // system look until their painters exist.
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
    if (lib.hook) UnhookWindowsHookEx(lib.hook);
    lib.hook = nullptr;
}

}  // namespace skin
