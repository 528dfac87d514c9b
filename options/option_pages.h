// The five pages of the options dialog, child dialogs without a frame:
// basic (display mode, auto-save, font), syntax (default scheme), data
// (database file), update (automatic check, check now) and about.  Each
// page shows the settings when it is made and reads what its controls hold
// into the dialog's form; the dialog decides what is accepted.
#pragma once

#include <functional>
#include <string>

#include "fw/dialog.h"
#include "options/options_core.h"
#include "views/view_context.h"

class COptionsPage : public fw::Dialog {
public:
    using fw::Dialog::Dialog;

    // Creates the page, hidden, in `dialog`.
    bool createPage(HWND dialog) { return createModelessDialog(dialog); }
    // Puts what its controls hold into the form.
    virtual void read(options::Form& form) const = 0;
    // The page's values were refused: the focus goes where they are.
    virtual void focusProblem() {}
    // The settings were saved: the page shows them as they now stand.
    virtual void saved(const Settings&) {}

protected:
    // Enter and Escape never end a page.
    void onCommand(int, int, HWND) override {}
    std::string text(int id) const;
    bool checked(int id) const { return IsDlgButtonChecked(hwnd(), id) == BST_CHECKED; }
    // The text of a drop-down list's selection, "" when none.
    std::string selection(int id) const;
    // Fills a drop-down list with `entries` (in their order) and selects
    // the one equal to `current`, or none.
    void fillList(int id, const std::vector<std::string>& entries, const std::string& current);
};

// A page with a check box "启用" that enables an edit holding a number,
// checked when the edit loses the focus (basic: minutes, update: days).
class CNumberPage : public COptionsPage {
public:
    CNumberPage(int templateId, int checkId, int editId, int lo, int hi, const char* message);

protected:
    // Shows `value`, or unchecks the box and disables the edit for 0.
    void showNumber(int value);
    bool numberEnabled() const { return checked(checkId_); }
    std::string number() const { return text(editId_); }
    void onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void focusNumber();

private:
    void checkNumber();
    int checkId_, editId_, lo_, hi_;
    const char* message_;
};

class CBasicPage : public CNumberPage {
public:
    explicit CBasicPage(const Settings& settings);
    void read(options::Form& form) const override;
    void focusProblem() override;

protected:
    bool onInitDialog() override;

private:
    const Settings& settings_;
};

class CSyntaxPage : public COptionsPage {
public:
    explicit CSyntaxPage(ViewContext& context);
    void read(options::Form& form) const override;
    void focusProblem() override;

protected:
    bool onInitDialog() override;

private:
    ViewContext& context_;
};

class CDataPage : public COptionsPage {
public:
    explicit CDataPage(const Settings& settings);
    void read(options::Form& form) const override;
    void focusProblem() override;
    void saved(const Settings& settings) override;

protected:
    bool onInitDialog() override;
    void onCommand(int id, int code, HWND control) override;

private:
    void browse();
    const Settings& settings_;
};

class CUpdatePage : public CNumberPage {
public:
    // `checkNow` starts a manual update check (owner: the options dialog).
    CUpdatePage(const Settings& settings, std::function<void(HWND owner)> checkNow);
    void read(options::Form& form) const override;
    void focusProblem() override;

protected:
    bool onInitDialog() override;
    void onCommand(int id, int code, HWND control) override;

private:
    const Settings& settings_;
    std::function<void(HWND)> checkNow_;
};

class CAboutPage : public COptionsPage {
public:
    // `show` puts the about page into this page's place for it (parent,
    // control id, area in the parent's client coordinates).
    explicit CAboutPage(std::function<void(HWND parent, int id, const RECT& area)> show);
    void read(options::Form&) const override {}

protected:
    bool onInitDialog() override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    std::function<void(HWND, int, const RECT&)> show_;
};
