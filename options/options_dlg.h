// The options dialog "选项设置": the skin library's navigation list on the
// left selects one of five pages on the right, under a header band with the
// page's icon and name.  Apply and OK check every page, write the settings
// to config.ini and the in-memory settings, and let the main frame take
// them up.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include <windows.h>
#include <commctrl.h>

#include "fw/dialog.h"
#include "options/option_pages.h"
#include "views/view_context.h"

// What the dialog asks of the program around it.
struct OptionsHost {
    // The settings changed: the views take them up.
    std::function<void()> applySettings;
    // "立即检查": a manual update check, started at once.
    std::function<void(HWND owner)> checkForUpdates;
    // The about page's content, made as control `id` filling `area` of
    // `parent`; it lives as long as its window.
    std::function<void(HWND parent, int id, const RECT& area)> showAboutPage;
};

class COptionsDlg : public fw::Dialog {
public:
    COptionsDlg(ViewContext& context, OptionsHost host);
    ~COptionsDlg() override;

    static constexpr int kWidth = 379;
    static constexpr int kHeight = 335;

protected:
    bool onInitDialog() override;
    void onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    // Checks every page, saves and applies; false when a page refused its
    // values or config.ini could not be written (the dialog stays open).
    bool apply();
    void switchTo(int index);
    bool focusInPage() const;
    void placeButtons();
    void paint(HDC dc);

    ViewContext& context_;
    OptionsHost host_;
    std::array<std::unique_ptr<COptionsPage>, options::kPageCount> pages_;
    int visible_ = -1;  // -1 while the dialog is being built
    std::string title_;
    HWND nav_ = nullptr;
    HIMAGELIST icons_ = nullptr;
};
