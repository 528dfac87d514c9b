#include "options/option_pages.h"

#include <commdlg.h>

#include "fw/paths.h"
#include "res/resource.h"
#include "skin/jexui.h"

namespace {

// Posted by a number edit that lost the focus: its value is checked once
// the click or key that moved the focus has been handled.
constexpr UINT kCheckNumber = WM_APP + 1;

int CALLBACK collectFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM families) {
    reinterpret_cast<std::vector<std::string>*>(families)->push_back(font->lfFaceName);
    return 1;
}

// The face name of every font family of the screen.
std::vector<std::string> screenFamilies() {
    std::vector<std::string> families;
    HDC dc = GetDC(nullptr);
    LOGFONTA any = {};
    any.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExA(dc, &any, collectFamily, reinterpret_cast<LPARAM>(&families), 0);
    ReleaseDC(nullptr, dc);
    return families;
}

void focusAndSelect(HWND control) {
    SetFocus(control);
    SendMessageA(control, EM_SETSEL, 0, -1);
}

}  // namespace

// --- COptionsPage ---------------------------------------------------------------------

std::string COptionsPage::text(int id) const {
    HWND control = item(id);
    std::string value(std::size_t(GetWindowTextLengthA(control)) + 1, '\0');
    value.resize(std::size_t(GetWindowTextA(control, &value[0], int(value.size()))));
    return value;
}

std::string COptionsPage::selection(int id) const {
    HWND box = item(id);
    LRESULT index = SendMessageA(box, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    LRESULT length = SendMessageA(box, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (length == CB_ERR) return {};
    std::string value(std::size_t(length) + 1, '\0');
    SendMessageA(box, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&value[0]));
    value.resize(std::size_t(length));
    return value;
}

void COptionsPage::fillList(int id, const std::vector<std::string>& entries, const std::string& current) {
    HWND box = item(id);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : entries) SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SendMessageA(box, CB_SETCURSEL, WPARAM(options::findExact(entries, current)), 0);
}

// --- CNumberPage ----------------------------------------------------------------------

CNumberPage::CNumberPage(int templateId, int checkId, int editId, int lo, int hi, const char* message)
    : COptionsPage(templateId), checkId_(checkId), editId_(editId), lo_(lo), hi_(hi), message_(message) {}

void CNumberPage::showNumber(int value) {
    CheckDlgButton(hwnd(), checkId_, value != 0 ? BST_CHECKED : BST_UNCHECKED);
    if (value != 0) SetDlgItemInt(hwnd(), editId_, UINT(value), TRUE);
    EnableWindow(item(editId_), value != 0);
}

void CNumberPage::focusNumber() { focusAndSelect(item(editId_)); }

void CNumberPage::onCommand(int id, int code, HWND) {
    if (id == checkId_ && code == BN_CLICKED)
        EnableWindow(item(editId_), checked(checkId_));
    else if (id == editId_ && code == EN_KILLFOCUS)
        PostMessageA(hwnd(), kCheckNumber, 0, 0);
}

bool CNumberPage::onMessage(UINT msg, WPARAM, LPARAM, INT_PTR&) {
    if (msg != kCheckNumber) return false;
    checkNumber();
    return true;
}

// A value out of range is said at once, unless the focus went where the
// value is dealt with anyway: back to the edit, to its own check box (which
// may switch the edit off), or to the dialog's buttons (OK and Apply check
// every page, Cancel drops what the pages hold).
void CNumberPage::checkNumber() {
    HWND edit = item(editId_);
    HWND dialog = GetParent(hwnd());
    if (!IsWindowEnabled(edit) || !IsWindowEnabled(dialog)) return;
    HWND focus = GetFocus();
    if (focus == edit || focus == item(checkId_)) return;
    for (int id : {IDOK, IDCANCEL, IDC_OPTIONS_APPLY})
        if (focus == GetDlgItem(dialog, id)) return;
    if (options::numberInRange(number(), lo_, hi_)) return;
    fw::messageBox(message_, MB_OK);
}

// --- CBasicPage -----------------------------------------------------------------------

CBasicPage::CBasicPage(const Settings& settings)
    : CNumberPage(IDD_OPTIONS_BASIC, IDC_OPT_AUTOSAVE, IDC_OPT_MINUTES, 1, 60, options::kMinutesInvalid),
      settings_(settings) {}

bool CBasicPage::onInitDialog() {
    CheckRadioButton(hwnd(), IDC_OPT_MULTI_TAB, IDC_OPT_SINGLE_TAB,
                     settings_.codeTab != 0 ? IDC_OPT_SINGLE_TAB : IDC_OPT_MULTI_TAB);
    showNumber(settings_.autoSaveTime);
    fillList(IDC_OPT_FACE, options::faceList(screenFamilies()), settings_.faceName);
    std::vector<std::string> sizes;
    for (int size : options::kFontSizes) sizes.push_back(std::to_string(size));
    fillList(IDC_OPT_SIZE, sizes, std::to_string(settings_.fontSize));
    return false;
}

void CBasicPage::read(options::Form& form) const {
    form.singleTab = checked(IDC_OPT_SINGLE_TAB);
    form.autoSave = numberEnabled();
    form.minutes = number();
    form.face = selection(IDC_OPT_FACE);
    form.size = selection(IDC_OPT_SIZE);
}

void CBasicPage::focusProblem() {
    options::Form form;
    read(form);
    if (form.autoSave && !options::numberInRange(form.minutes, 1, 60))
        focusNumber();
    else
        SetFocus(item(form.face.empty() ? IDC_OPT_FACE : IDC_OPT_SIZE));
}

// --- CSyntaxPage ----------------------------------------------------------------------

CSyntaxPage::CSyntaxPage(ViewContext& context) : COptionsPage(IDD_OPTIONS_SYNTAX), context_(context) {}

bool CSyntaxPage::onInitDialog() {
    std::vector<std::string> names;
    for (const SchemeEntry& entry : context_.schemes.entries()) names.push_back(entry.name);
    fillList(IDC_OPT_SCHEME, options::sortedNames(std::move(names)), context_.settings.defSyntex);
    return false;
}

void CSyntaxPage::read(options::Form& form) const { form.scheme = selection(IDC_OPT_SCHEME); }

void CSyntaxPage::focusProblem() { SetFocus(item(IDC_OPT_SCHEME)); }

// --- CDataPage ------------------------------------------------------------------------

CDataPage::CDataPage(const Settings& settings) : COptionsPage(IDD_OPTIONS_DATA), settings_(settings) {}

bool CDataPage::onInitDialog() {
    saved(settings_);
    return false;
}

void CDataPage::saved(const Settings& settings) { SetDlgItemTextA(hwnd(), IDC_OPT_DBPATH, settings.databasePath.c_str()); }

void CDataPage::read(options::Form& form) const { form.databasePath = text(IDC_OPT_DBPATH); }

void CDataPage::focusProblem() { focusAndSelect(item(IDC_OPT_DBPATH)); }

void CDataPage::onCommand(int id, int code, HWND) {
    if (id == IDC_OPT_DBBROWSE && code == BN_CLICKED) browse();
}

// The standard open-file dialog for "*.db" files, in the system's own look.
void CDataPage::browse() {
    char file[MAX_PATH] = {};
    std::string folder = folderOf(text(IDC_OPT_DBPATH));  // where the file named now lies
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetParent(hwnd());
    ofn.lpstrFilter = "*.db\0*.db\0";
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    // The current directory stays where it is: the program depends on it
    // nowhere, but a dialog has no business moving it.
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    BOOL chosen;
    {
        JexUnskinnedScope unskinned;
        chosen = GetOpenFileNameA(&ofn);
    }
    if (chosen) SetDlgItemTextA(hwnd(), IDC_OPT_DBPATH, file);
}

// --- CUpdatePage ----------------------------------------------------------------------

CUpdatePage::CUpdatePage(const Settings& settings, std::function<void(HWND owner)> checkNow)
    : CNumberPage(IDD_OPTIONS_UPDATE, IDC_OPT_CHECK_UPDATES, IDC_OPT_DAYS, 1, 30, options::kDaysInvalid),
      settings_(settings),
      checkNow_(std::move(checkNow)) {}

bool CUpdatePage::onInitDialog() {
    showNumber(settings_.checkDay);
    return false;
}

void CUpdatePage::read(options::Form& form) const {
    form.checkUpdates = numberEnabled();
    form.days = number();
}

void CUpdatePage::focusProblem() { focusNumber(); }

// "立即检查" starts a check at once, with the settings as saved.
void CUpdatePage::onCommand(int id, int code, HWND control) {
    if (id == IDC_OPT_CHECK_NOW && code == BN_CLICKED) {
        if (checkNow_) checkNow_(GetParent(hwnd()));
        return;
    }
    CNumberPage::onCommand(id, code, control);
}

// --- CAboutPage -----------------------------------------------------------------------

CAboutPage::CAboutPage(std::function<void(HWND parent, int id, const RECT& area)> show)
    : COptionsPage(IDD_OPTIONS_ABOUT), show_(std::move(show)) {}

bool CAboutPage::onInitDialog() {
    RECT client;
    GetClientRect(hwnd(), &client);
    if (show_) show_(hwnd(), IDC_OPT_ABOUT_PAGE, client);
    return false;
}

// The page control fills the page.
bool CAboutPage::onMessage(UINT msg, WPARAM, LPARAM lParam, INT_PTR&) {
    if (msg == WM_SIZE)
        if (HWND content = item(IDC_OPT_ABOUT_PAGE)) MoveWindow(content, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return false;
}
