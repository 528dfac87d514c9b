#include "options/options_dlg.h"

#include "fw/config.h"
#include "res/resource.h"
#include "skin/jexui.h"

namespace {

// Layout in pixels of the dialog's client area.
constexpr RECT kNavRect = {5, 2, 85, 262};
constexpr int kNavItemHeight = 26;
constexpr RECT kPageRect = {91, 28, 91 + 277, 28 + 232};
constexpr RECT kFrame = {89, 2, 370, 262};
constexpr RECT kBand = {91, 4, 368, 28};
constexpr POINT kIconAt = {93, 8};
constexpr int kTitleLeft = 111;
constexpr int kSeparatorY = 266;
constexpr int kSeparatorLeft = 6, kSeparatorRight = 369;
constexpr COLORREF kGrey = RGB(160, 160, 160);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBandTop = RGB(245, 248, 246);
constexpr COLORREF kBandBottom = RGB(225, 234, 244);
constexpr int kButtonWidth = 75, kButtonHeight = 23, kButtonGap = 8;

const char* const kPageNames[options::kPageCount] = {"基本设置", "语法方案", "数据管理", "更新设置", "关于我们"};
const int kPageIcons[options::kPageCount] = {IDI_OPTIONS_BASIC, IDI_OPTIONS_SYNTAX, IDI_OPTIONS_DATA,
                                             IDI_OPTIONS_UPDATE, IDI_OPTIONS_ABOUT};

options::PathKind pathKind(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return options::PathKind::Missing;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? options::PathKind::Folder : options::PathKind::File;
}

// Whether `path` can be written: not marked read-only, and open for
// writing (it is made when missing, never cut short).  The profile
// functions cannot be trusted to say so: Wine's keep the values in memory
// and report success when the file refuses them.
bool writable(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

int mix(int top, int bottom, int step, int steps) { return top + (bottom - top) * step / (steps - 1); }

void line(HDC dc, COLORREF colour, int x1, int y1, int x2, int y2) {
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void outline(HDC dc, COLORREF colour, const RECT& r) {
    line(dc, colour, r.left, r.top, r.right - 1, r.top);
    line(dc, colour, r.right - 1, r.top, r.right - 1, r.bottom - 1);
    line(dc, colour, r.right - 1, r.bottom - 1, r.left, r.bottom - 1);
    line(dc, colour, r.left, r.bottom - 1, r.left, r.top);
}

}  // namespace

COptionsDlg::COptionsDlg(ViewContext& context, OptionsHost host)
    : fw::Dialog(IDD_OPTIONS), context_(context), host_(std::move(host)) {
    const Settings& settings = context_.settings;
    pages_[options::kBasicPage] = std::make_unique<CBasicPage>(settings);
    pages_[options::kSyntaxPage] = std::make_unique<CSyntaxPage>(context_);
    pages_[options::kDataPage] = std::make_unique<CDataPage>(settings);
    pages_[options::kUpdatePage] = std::make_unique<CUpdatePage>(settings, host_.checkForUpdates);
    pages_[options::kAboutPage] = std::make_unique<CAboutPage>(host_.showAboutPage);
}

COptionsDlg::~COptionsDlg() {
    if (icons_) ImageList_Destroy(icons_);
}

bool COptionsDlg::onInitDialog() {
    nav_ = jexsoft_CreateNavCtrl(WS_CHILD | WS_VISIBLE, kNavRect.left, kNavRect.top, kNavRect.right, kNavRect.bottom,
                                 kNavItemHeight, hwnd(), IDC_OPTIONS_NAV);
    for (const char* name : kPageNames) jexsoft_NCAddString(nav_, name);

    SetWindowPos(hwnd(), nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    placeButtons();
    for (auto& page : pages_) {
        page->createPage(hwnd());
        SetWindowPos(page->hwnd(), nullptr, kPageRect.left, kPageRect.top, kPageRect.right - kPageRect.left,
                     kPageRect.bottom - kPageRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // The notification of this first selection finds the index at -1 and
    // changes nothing; page 0 is shown here.
    visible_ = -1;
    jexsoft_NCSetCurSel(nav_, 0);
    ShowWindow(pages_[0]->hwnd(), SW_SHOW);
    visible_ = 0;
    char title[80] = {};
    jexsoft_NCGetItemText(nav_, 0, title);
    title_ = title;

    icons_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, options::kPageCount, 0);
    for (int id : kPageIcons) {
        HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
        ImageList_AddIcon(icons_, icon);
        if (icon) DestroyIcon(icon);
    }
    return true;
}

// The three buttons right-aligned below the separator, centred in the
// space left there.
void COptionsDlg::placeButtons() {
    RECT client;
    GetClientRect(hwnd(), &client);
    int y = kSeparatorY + 2 + (client.bottom - kSeparatorY - 2 - kButtonHeight) / 2;
    int x = kSeparatorRight + 1 - 3 * kButtonWidth - 2 * kButtonGap;
    for (int id : {IDOK, IDCANCEL, IDC_OPTIONS_APPLY}) {
        SetWindowPos(item(id), nullptr, x, y, kButtonWidth, kButtonHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        x += kButtonWidth + kButtonGap;
    }
}

void COptionsDlg::onCommand(int id, int, HWND) {
    switch (id) {
    case IDOK:
        // Enter in a page is dropped; the button itself applies and closes.
        if (!focusInPage() && apply()) endDialog(IDOK);
        break;
    case IDCANCEL:
        if (!focusInPage()) endDialog(IDCANCEL);
        break;
    case IDC_OPTIONS_APPLY:
        apply();
        break;
    default:
        break;
    }
}

bool COptionsDlg::onMessage(UINT msg, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (msg) {
    case WM_NAVCTRL_SELCHANGE:
        switchTo(int(wParam));
        result = TRUE;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        paint(dc);
        EndPaint(hwnd(), &ps);
        result = TRUE;
        return true;
    }
    case WM_CLOSE:
        // The caption's close button and Alt+F4 cancel wherever the focus is.
        endDialog(IDCANCEL);
        result = TRUE;
        return true;
    default:
        return false;
    }
}

bool COptionsDlg::focusInPage() const {
    HWND focus = GetFocus();
    if (!focus) return false;
    for (const auto& page : pages_)
        if (focus == page->hwnd() || IsChild(page->hwnd(), focus)) return true;
    return false;
}

void COptionsDlg::switchTo(int index) {
    if (visible_ < 0 || visible_ == index || index < 0 || index >= options::kPageCount) return;
    HWND old = pages_[std::size_t(visible_)]->hwnd();
    HWND shown = pages_[std::size_t(index)]->hwnd();
    // The focus does not stay behind on a hidden page: it goes to the list
    // that was clicked.
    if (focusInPage()) SetFocus(nav_);
    ShowWindow(old, SW_HIDE);
    ShowWindow(shown, SW_SHOW);
    visible_ = index;
    char title[80] = {};
    jexsoft_NCGetItemText(nav_, index, title);
    title_ = title;
    InvalidateRect(hwnd(), &kBand, TRUE);
}

bool COptionsDlg::apply() {
    options::Form form;
    for (const auto& page : pages_) page->read(form);
    options::Review review = options::review(form, context_.settings, pathKind);
    if (!review.ok()) {
        // The page that refused is shown with its message.
        jexsoft_NCSetCurSel(nav_, review.failedPage);
        fw::messageBox(review.message, MB_OK);
        pages_[std::size_t(review.failedPage)]->focusProblem();
        return false;
    }
    const Config& config = context_.config;
    bool written = writable(config.path()) && options::writeSettings(review.settings, context_.settings,
                                          [&config](const char* section, const char* key, const std::string& value) {
                                              return config.writeString(section, key, value.c_str());
                                          });
    if (!written) {
        fw::messageBox(options::kConfigNotWritten, MB_OK);
        return false;
    }
    context_.settings = review.settings;
    for (const auto& page : pages_) page->saved(context_.settings);
    if (host_.applySettings) host_.applySettings();
    return true;
}

void COptionsDlg::paint(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));

    outline(dc, kGrey, kFrame);
    outline(dc, kWhite, {kFrame.left + 1, kFrame.top + 1, kFrame.right - 1, kFrame.bottom - 1});
    line(dc, kGrey, kSeparatorLeft, kSeparatorY, kSeparatorRight + 1, kSeparatorY);
    line(dc, kWhite, kSeparatorLeft, kSeparatorY + 1, kSeparatorRight + 1, kSeparatorY + 1);

    // The header band: a vertical gradient in rows of 2 pixels.
    const int rows = (kBand.bottom - kBand.top + 1) / 2;
    for (int i = 0; i < rows; ++i) {
        COLORREF colour = RGB(mix(GetRValue(kBandTop), GetRValue(kBandBottom), i, rows),
                              mix(GetGValue(kBandTop), GetGValue(kBandBottom), i, rows),
                              mix(GetBValue(kBandTop), GetBValue(kBandBottom), i, rows));
        HBRUSH brush = CreateSolidBrush(colour);
        RECT row = {kBand.left, kBand.top + 2 * i, kBand.right, std::min<LONG>(kBand.top + 2 * i + 2, kBand.bottom)};
        FillRect(dc, &row, brush);
        DeleteObject(brush);
    }
    if (icons_ && visible_ >= 0) ImageList_Draw(icons_, visible_, dc, kIconAt.x, kIconAt.y, ILD_TRANSPARENT);
    RECT title = {kTitleLeft, kBand.top, kBand.right, kBand.bottom};
    DrawTextA(dc, title_.c_str(), -1, &title, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);

    SelectObject(dc, oldFont);
}
