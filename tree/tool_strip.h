// The tool strip above the snippet tree: new text, new folder, delete, and
// the current syntax scheme.  Its buttons report to the tree view with the
// new-node and delete messages.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "fw/dialog.h"

class SchemeList;

class CToolStrip : public fw::Dialog {
public:
    CToolStrip();
    ~CToolStrip() override;

    bool createStrip(HWND view);
    // Fills the scheme list and selects the entry named `defaultName`; with
    // an empty name the first entry, whose name is returned through it.
    void fillSchemes(const SchemeList& schemes, std::string& defaultName);
    void selectScheme(const std::string& name);
    // The scheme id of the entry whose text equals the box's text, or -1.
    int currentSchemeId() const;
    int height() const;

protected:
    bool onInitDialog() override;
    void onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void paintLine(HDC dc);
    HWND view_ = nullptr;
    HIMAGELIST images_ = nullptr;
    HWND tooltip_ = nullptr;
};
