// The library-wide state of jexUI.dll (one copy per process): the
// application's instance, the skin file and its folder, the window hook and
// its suspend flag, and GDI+.  Everything here is used on the thread that
// installed the hook only.
#pragma once

#include <windows.h>

#include <string>

#include "skin/skin_rules.h"

namespace skin {

struct Library {
    HINSTANCE instance = nullptr;   // the application's, for its icon 128
    int reserved = 0;               // kept, unused
    std::string skinFile;           // full path of skin.ini
    std::string skinFolder;         // up to and including its last backslash
    HHOOK hook = nullptr;
    LONG suspended = 0;             // non-zero: new windows are not skinned
    bool managerActive = false;     // between InitUI and UnloadSkin
    ULONG_PTR gdiplus = 0;          // GDI+ token, 0 while it is not running
};
Library& library();

// Starts GDI+ once (never from the library's entry point: it must not run
// under the loader lock); shuts it down again.
void startGdiplus();
void stopGdiplus();

// Installs the hook that offers every window created on the calling thread
// to the skin chooser; removes it and frees the images the dialogs, frame
// windows and combo boxes share.
HHOOK installHook();
void removeHook();

// An image value of the skin file as a path below the skin folder; "" for
// no image.
std::string imagePath(const std::string& value);

// The skin file as the profile functions read it.
class ProfileSkinFile : public SkinFile {
public:
    std::string getString(const std::string& section, const char* key) const override;
    int getInt(const std::string& section, const char* key) const override;
    COLORREF getColour(const std::string& section, const char* key) const { return COLORREF(getInt(section, key)); }
    // An image value already turned into its path.
    std::string getImage(const std::string& section, const char* key) const { return imagePath(getString(section, key)); }
};

}  // namespace skin
