// The base of every skin object: one per skinned window, owned by nothing
// but the registry.  It replaces the window's procedure (keeping the one it
// replaced in the property "WndProcOld"), sees each message first and hands
// on what it does not take.
#pragma once

#include <windows.h>

#include "skin/skin_image.h"

namespace skin {

// Private messages of the skin library.
constexpr UINT kSkinRefresh = 0x500;   // WM_SKIN_REFRESH: retake cached backgrounds
constexpr UINT kSearchFocusIn = 0x501;  // SBM_FOCUSIN
constexpr UINT kSearchFocusOut = 0x502; // SBM_FOCUSOUT
constexpr UINT kNavSelect = 0x503;      // NCM_SELECT

class SkinWindow {
public:
    virtual ~SkinWindow();
    SkinWindow(const SkinWindow&) = delete;
    SkinWindow& operator=(const SkinWindow&) = delete;

    HWND hwnd() const { return hwnd_; }

    // The skin object of `hwnd`, or null.
    static SkinWindow* find(HWND hwnd);
    // Number of living skin objects (for tests and the library's shutdown).
    static std::size_t count();

    // This window's background under `windowRect` (in its window
    // coordinates), for children that show it through their transparent
    // parts; an empty context when the skin has no background of its own.
    virtual MemoryDC backgroundOf(const RECT& windowRect);
    // The background under this window (or its client area) taken from the
    // skin of its top-level window.
    MemoryDC topLevelBackground(bool clientOnly);

protected:
    explicit SkinWindow(HWND hwnd);

    // Replaces the window's procedure with the skin's; false when that
    // failed (the window then stays unskinned).
    bool subclass();
    // Subclasses the window of a new skin, or deletes the skin when that
    // fails.
    static void adopt(SkinWindow* skin) {
        if (!skin->subclass()) delete skin;
    }

    // A message for the skin.  Returns true with `result` set when the skin
    // handled it completely; false hands it on to the previous procedure.
    virtual bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

    // The previous procedure with this message, as if the skin were not there.
    LRESULT callPrevious(UINT msg, WPARAM wParam, LPARAM lParam);

    // What lies under `clientRect` of this window: the top-level window's
    // own background where this window sits on it directly and its skin
    // has one, else a snapshot of the parent's pixels there.
    MemoryDC parentBackground(const RECT& clientRect);

    bool refresh_ = true;  // cached snapshots and composed images must be rebuilt

private:
    static LRESULT CALLBACK skinProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void unsubclass();

    HWND hwnd_;
    bool subclassed_ = false;
};

}  // namespace skin
