// The twelve functions jexUI.dll exports (cdecl, undecorated, by the .def
// file).  Only handles, integers and caller-owned buffers cross here.
#include <windows.h>

#include <cstring>

#include "skin/jexui.h"
#include "skin/nav_ctrl.h"
#include "skin/search_box.h"
#include "skin/skin_library.h"

using skin::library;

// Starts the skin manager.  GDI+ starts here, once, rather than when the
// library is loaded: starting it under the loader lock can deadlock.
int __cdecl jexsoft_InitUI(HINSTANCE instance, int reserved) {
    skin::Library& lib = library();
    lib.instance = instance;
    lib.reserved = reserved;
    lib.managerActive = true;
    skin::startGdiplus();
    return 1;
}

HHOOK __cdecl jexsoft_SetSkin(const char* skinFile) {
    skin::Library& lib = library();
    lib.suspended = 0;
    char full[MAX_PATH] = {};
    char* namePart = nullptr;
    DWORD n = skinFile ? GetFullPathNameA(skinFile, MAX_PATH, full, &namePart) : 0;
    lib.skinFile = n > 0 && n < MAX_PATH ? full : (skinFile ? skinFile : "");
    // The folder ends after the file path's last backslash (the name part
    // GetFullPathName found, so no trail byte of a GBK name is taken for one).
    lib.skinFolder = namePart ? lib.skinFile.substr(0, std::size_t(namePart - full)) : std::string();
    return skin::installHook();
}

// Ends the skin manager: the hook goes, and GDI+ with it once no skinned
// window is left that may still draw.  Windows already skinned keep their
// skins until they are destroyed.
int __cdecl jexsoft_UnloadSkin(void) {
    skin::Library& lib = library();
    if (lib.managerActive) {
        lib.managerActive = false;
        skin::removeHook();
        if (skin::SkinWindow::count() == 0) skin::stopGdiplus();
    }
    return 1;
}

void __cdecl jexsoft_UnHookBegin(void) { library().suspended = 1; }

void __cdecl jexsoft_UnHookEnd(void) { library().suspended = 0; }

HWND __cdecl jexsoft_CreateNavCtrl(DWORD style, int left, int top, int right, int bottom, int itemHeight, HWND parent,
                                   UINT id) {
    RECT r = {left, top, right, bottom};
    return skin::CNavCtrl::create(style, r, itemHeight, parent, id);
}

int __cdecl jexsoft_NCAddString(HWND navCtrl, const char* text) {
    if (skin::CNavCtrl* nav = skin::CNavCtrl::fromHandle(navCtrl)) nav->addItem(text ? text : "");
    return 1;
}

int __cdecl jexsoft_NCGetItemCount(HWND navCtrl) {
    skin::CNavCtrl* nav = skin::CNavCtrl::fromHandle(navCtrl);
    return nav ? nav->count() : 0;
}

int __cdecl jexsoft_NCGetItemText(HWND navCtrl, int index, char* buffer) {
    skin::CNavCtrl* nav = skin::CNavCtrl::fromHandle(navCtrl);
    if (nav && buffer && index >= 0 && index < nav->count()) {
        const std::string& text = nav->itemText(index);
        std::memcpy(buffer, text.c_str(), text.size() + 1);
    }
    return 0;
}

LRESULT __cdecl jexsoft_NCSetCurSel(HWND navCtrl, int index) {
    skin::CNavCtrl* nav = skin::CNavCtrl::fromHandle(navCtrl);
    return nav ? nav->select(index) : 0;
}

HWND __cdecl jexsoft_CreateSearchBox(DWORD style, int left, int top, int right, int bottom, HWND parent, UINT id) {
    RECT r = {left, top, right, bottom};
    return skin::CSearchBox::create(style, r, parent, id);
}

void __cdecl jexsoft_GetSearchText(HWND searchBox, char* buffer, int size) {
    if (!buffer || size <= 0) return;
    buffer[0] = '\0';
    if (skin::CSearchBox* box = skin::CSearchBox::fromHandle(searchBox)) box->text(buffer, size);
}
