#include "attach/list_tab_view.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <utility>
#include <vector>

#include "attach/attachment_drag.h"
#include "attach/attachment_files.h"
#include "attach/attachment_rules.h"
#include "attach/busy_dlg.h"
#include "attach/shell_transfer.h"
#include "attach/temp_name.h"
#include "fw/dialog.h"
#include "fw/frame_wnd.h"
#include "fw/paths.h"
#include "res/resource.h"
#include "skin/jexui.h"
#include "text/gbk.h"
#include "text/size_text.h"

using attach::AttachmentRow;

namespace {

// The framework's standard edit commands, as the accelerators send them.
constexpr int kCmdCopy = 57634;
constexpr int kCmdCut = 57635;
constexpr int kCmdPaste = 57637;
constexpr int kCmdSelectAll = 57642;
constexpr int kCmdUndo = 57643;

// Reports of the extract and open workers (a store reports with
// WM_WORK_DONE).
constexpr UINT kWorkerReport = WM_APP + 1;
// A file dropped through OLE: added after the drop has returned, so that the
// program it came from is not held while the add asks its questions.
constexpr UINT kFileDropped = WM_APP + 2;

// At exit: how long running workers are waited for, and after how long the
// busy dialog says so.
constexpr DWORD kExitWaitMs = 90000;
constexpr DWORD kShowWaitAfterMs = 300;

const char kNothingSelected[] = "未选择任何项！";
const char kDeleteQuestion[] = "警告：删除之后不能恢复！";
const char kDeleteCaption[] = "确定删除？";
const char kOpenFailed[] = "错误,可能是系统未关联此类文件，或者附件链接路径已失效！";
const char kNothingFound[] = "搜索不到任何结果！";
const char kRootFolder[] = "根目录";
const char kPathTooLong[] = "文件路径超过260个字符，不能链接！";
const char kFinishingWork[] = "正在完成附件的提取和打开……";
const char kLinkGone[] = "附件链接路径已失效！";

// The link-only flag: process-wide and off at start.  The add dialog's
// check box sets it on each confirmation, a Yes to the 5 MB question
// switches it on; while on, every added file is linked.
bool linkOnly = false;

std::string windowText(HWND hwnd) {
    int length = GetWindowTextLengthA(hwnd);
    std::string text(std::size_t(length) + 1, '\0');
    text.resize(std::size_t(GetWindowTextA(hwnd, &text[0], length + 1)));
    return text;
}

void showError(const store::CppSQLite3Exception& e) { fw::messageBox(e.errorMessage(), MB_OK); }

// The file's size, -1 when it cannot be opened or measured (a folder, a
// file that is gone or locked).
std::int64_t measureFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER size;
    BOOL measured = GetFileSizeEx(file, &size);
    CloseHandle(file);
    return measured ? size.QuadPart : -1;
}

// The shell's "open" on `path`, from a worker thread.
bool shellOpen(const std::string& path) {
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = "open";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    BOOL ok = ShellExecuteExA(&info);
    if (SUCCEEDED(com)) CoUninitialize();
    return ok && reinterpret_cast<INT_PTR>(info.hInstApp) > 32;
}

// The open worker's work: a link opens its file; a stored attachment is
// written to the temporary folder under a plain name made of its title and
// opened there, unless that failed.  Returns the message to show, "" when
// the shell opened it.
std::string openAttachment(attach::PaneStore& store, int id, const std::string& title, const std::string& folder) {
    std::string path;
    try {
        attach::AttachmentContent content = store.content(id);
        if (content.linked) {
            path = content.linkedPath();
        } else {
            path = attach::openingPath(folder, title);
            if (path.empty() || !attach::liesInFolder(folder, path)) return attach::kExtractFailedMessage;
            std::string failed = attach::extractAttachment(store, id, path);
            if (!failed.empty()) return failed;
        }
    } catch (const store::CppSQLite3Exception& e) {
        return e.errorMessage();
    }
    return shellOpen(path) ? "" : kOpenFailed;
}

// A report that shows `message`, or none when there is nothing to say.
PaneWorkers::Report messageReport(const std::string& message) {
    if (message.empty()) return nullptr;
    return [message] { fw::messageBox(message.c_str(), MB_OK); };
}

// The add dialog's hook: at the confirmation the check box sets the
// link-only flag.
UINT_PTR CALLBACK addDialogHook(HWND dialog, UINT msg, WPARAM, LPARAM lParam) {
    if (msg == WM_NOTIFY && reinterpret_cast<OFNOTIFYA*>(lParam)->hdr.code == CDN_FILEOK)
        attach::confirmAddDialog(IsDlgButtonChecked(dialog, IDC_ADD_PATH_ONLY) == BST_CHECKED, linkOnly);
    return 0;
}

HWND createList(HWND parent, int id, DWORD style, std::initializer_list<std::pair<const char*, int>> columns) {
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | style, 0, 0, 0,
                                0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                nullptr);
    if (!list) return nullptr;
    int index = 0;
    for (const auto& [label, width] : columns) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(label);
        column.cx = width;
        ListView_InsertColumn(list, index++, &column);
    }
    return list;
}

void setItemText(HWND list, int row, int column, const std::string& text) {
    ListView_SetItemText(list, row, column, const_cast<char*>(text.c_str()));
}

// The row of a list view under the point where the last message was sent
// from, or -1.
int rowUnderCursor(HWND list) {
    DWORD at = GetMessagePos();
    LVHITTESTINFO hit = {};
    hit.pt = {short(LOWORD(at)), short(HIWORD(at))};
    ScreenToClient(list, &hit.pt);
    return ListView_SubItemHitTest(list, &hit);
}

// The number of characters in the first `bytes` bytes of `text`.
int charactersIn(const std::string& text, std::size_t bytes) {
    int n = 0;
    for (std::size_t i = 0; i < bytes && i < text.size(); i += gbk::charLength(text, i)) ++n;
    return n;
}

}  // namespace

CListTabView::CListTabView(ViewContext& context)
    : context_(context), store_(context.db), cancel_(std::make_shared<std::atomic<bool>>(false)) {}

CListTabView::~CListTabView() {
    if (images_) ImageList_Destroy(images_);
}

HWND CListTabView::topWindow() const { return GetAncestor(hwnd(), GA_ROOT); }

// --- creation and layout ------------------------------------------------------

bool CListTabView::onCreate() {
    DragAcceptFiles(hwnd(), TRUE);
    if (!createTabs(kTabControlId, TCS_BOTTOM, {"备注", "附件", "搜索结果"})) return false;
    HWND tabs = tabControl();
    SetWindowSubclass(tabs, tabForwarder, 1, reinterpret_cast<DWORD_PTR>(this));
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HGDIOBJ guiFont = GetStockObject(DEFAULT_GUI_FONT);

    memo_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                            WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE |
                                ES_AUTOVSCROLL | ES_WANTRETURN,
                            0, 0, 0, 0, tabs, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMemoId)), instance,
                            nullptr);
    if (!memo_) return false;
    SendMessageA(memo_, EM_LIMITTEXT, kMemoLimit, 0);
    SendMessageA(memo_, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont), FALSE);
    SetWindowSubclass(memo_, memoGuard, 1, reinterpret_cast<DWORD_PTR>(this));

    list_ = createList(tabs, kAttachListId, WS_DISABLED | LVS_SHAREIMAGELISTS,
                       {{"序号", 50}, {"名称", 200}, {"大小", 80}, {"创建日期", 120}});
    if (!list_) return false;
    ListView_SetExtendedListViewStyle(list_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    images_ = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0);
    HBITMAP kinds = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_ATTACH_KINDS));
    ImageList_AddMasked(images_, kinds, RGB(255, 255, 255));
    DeleteObject(kinds);
    ListView_SetImageList(list_, images_, LVSIL_SMALL);

    rename_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 0, 0, hwnd(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kRenameId)), instance, nullptr);
    if (!rename_) return false;
    SendMessageA(rename_, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont), FALSE);

    results_ = createList(tabs, kSearchListId, 0, {{"序号", 50}, {"目录", 200}, {"标题", 200}});
    if (!results_) return false;
    ListView_SetExtendedListViewStyle(results_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

    accelerators_ = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_PANE_ACCEL));
    workers_.setReceiver(hwnd());
    registerDropTargets();
    showPage(kMemoPage);
    return true;
}

void CListTabView::onResize() {
    int width = width_ - 6;
    int height = height_ - headerHeight() - 4 - 3;
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    for (HWND page : {memo_, list_, results_})
        if (page) MoveWindow(page, 3, 3, width, height, TRUE);
    if (renameRow_ >= 0) endRename(false);  // its cell has moved
}

int CListTabView::currentPage() const { return int(SendMessageA(tabControl(), TCM_GETCURSEL, 0, 0)); }

void CListTabView::showPage(int page) {
    if (currentPage() != page) SendMessageA(tabControl(), TCM_SETCURSEL, WPARAM(page), 0);
    if (page != kAttachPage && renameRow_ >= 0) endRename(false);
    ShowWindow(memo_, page == kMemoPage ? SW_SHOW : SW_HIDE);
    ShowWindow(list_, page == kAttachPage ? SW_SHOW : SW_HIDE);
    ShowWindow(results_, page == kSearchPage ? SW_SHOW : SW_HIDE);
}

// --- the current text ----------------------------------------------------------

void CListTabView::setCurrentText(int id) {
    if (id != memoOwner_) saveMemo();
    currentText_ = id;
}

void CListTabView::loadText(int id) {
    if (id == -1) return;
    saveMemo();
    endRename(false);
    ListView_DeleteAllItems(list_);
    loadMemo(id);
    listAttachments(id);
}

void CListTabView::enable(bool on) {
    if (!on) {
        saveMemo();
        endRename(false);
        emptyPages();
    }
    EnableWindow(memo_, on);
    EnableWindow(list_, on);
}

void CListTabView::clear() {
    saveMemo();
    endRename(false);
    emptyPages();
    currentText_ = -1;
}

void CListTabView::emptyPages() {
    SetWindowTextA(memo_, "");
    SendMessageA(memo_, EM_SETMODIFY, FALSE, 0);
    ListView_DeleteAllItems(list_);
    memoOwner_ = -1;
}

// --- the memo --------------------------------------------------------------------

bool CListTabView::memoLoaded() const { return memoOwner_ > 0 && memoOwner_ == currentText_; }

std::string CListTabView::memoText() const { return windowText(memo_); }

bool CListTabView::memoModified() const { return memo_ && SendMessageA(memo_, EM_GETMODIFY, 0, 0) != 0; }

void CListTabView::setMemoModified(bool modified) { SendMessageA(memo_, EM_SETMODIFY, modified, 0); }

// A text without a content row shows no memo (not the one shown before).
void CListTabView::loadMemo(int id) {
    std::string memo;
    try {
        memo = store_.memo(id).value_or("");
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
    }
    SetWindowTextA(memo_, memo.c_str());
    SendMessageA(memo_, EM_SETMODIFY, FALSE, 0);
    memoOwner_ = id;
}

// The memo goes to the text it was loaded with.  A failed save keeps it
// marked as modified, so that it is tried again and not lost unnoticed.
void CListTabView::saveMemo() {
    if (memoOwner_ <= 0 || !memoModified()) return;
    try {
        store_.saveMemo(memoOwner_, memoText());
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
        return;
    }
    setMemoModified(false);
}

// Keeps the memo within kMemoLimit bytes, whatever the edit control counts
// (Wine's counts characters): a change that would make it longer is undone.
LRESULT CALLBACK CListTabView::memoGuard(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (msg) {
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_PASTE:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL: {
        std::string before = windowText(hwnd);
        LRESULT selection = SendMessageA(hwnd, EM_GETSEL, 0, 0);
        LRESULT modified = SendMessageA(hwnd, EM_GETMODIFY, 0, 0);
        LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
        if (GetWindowTextLengthA(hwnd) > kMemoLimit && windowText(hwnd).size() > std::size_t(kMemoLimit)) {
            SetWindowTextA(hwnd, before.c_str());
            SendMessageA(hwnd, EM_SETSEL, LOWORD(selection), HIWORD(selection));
            SendMessageA(hwnd, EM_SETMODIFY, modified, 0);
            MessageBeep(MB_OK);
        }
        return result;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, memoGuard, 1);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// Copy, cut, paste, undo and select all act on the memo while its page is
// shown, and on the title while one is renamed.
void CListTabView::memoCommand(int id) {
    HWND target = renameRow_ >= 0 ? rename_ : currentPage() == kMemoPage ? memo_ : nullptr;
    if (!target || !IsWindowEnabled(target)) return;
    switch (id) {
    case kCmdCopy:
        SendMessageA(target, WM_COPY, 0, 0);
        break;
    case kCmdCut:
        SendMessageA(target, WM_CUT, 0, 0);
        break;
    case kCmdPaste:
        SendMessageA(target, WM_PASTE, 0, 0);
        break;
    case kCmdUndo:
        SendMessageA(target, WM_UNDO, 0, 0);
        break;
    case kCmdSelectAll:
        SendMessageA(target, EM_SETSEL, 0, -1);
        SendMessageA(target, EM_SCROLLCARET, 0, 0);
        break;
    default:
        break;
    }
}

// --- the attachments list ---------------------------------------------------------

void CListTabView::listAttachments(int id) {
    try {
        for (const AttachmentRow& row : store_.attachments(id)) appendRow(row);
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
    }
}

// A new row is numbered with the count of rows before it.
void CListTabView::appendRow(const AttachmentRow& row) {
    int index = ListView_GetItemCount(list_);
    std::string number = std::to_string(index);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(number.c_str());
    item.lParam = row.id;
    item.iImage = row.linked ? 1 : 0;
    index = ListView_InsertItem(list_, &item);
    if (index < 0) return;
    setItemText(list_, index, 1, row.title);
    setItemText(list_, index, 2, text::sizeText(row.size));
    setItemText(list_, index, 3, row.created);
}

int CListTabView::selectedRow(bool tell) const {
    int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (row < 0 && tell) fw::messageBox(kNothingSelected, MB_OK);
    return row;
}

int CListTabView::attachIdAt(int row) const {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    ListView_GetItem(list_, &item);
    return int(item.lParam);
}

std::string CListTabView::titleAt(int row) const {
    char text[1024] = {};
    ListView_GetItemText(list_, row, 1, text, sizeof text);
    return text;
}

// The list's context menu at the cursor; without a selected row only the
// first entry (add) can be chosen.  Its commands come back through the
// frame to this view.
void CListTabView::showContextMenu() {
    POINT screen;
    GetCursorPos(&screen);
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ATTACH_MENU));
    HMENU popup = GetSubMenu(menu, 0);
    if (selectedRow(false) < 0)
        for (int id : {ID_ATTACH_DELETE, ID_ATTACH_OPEN, ID_ATTACH_RENAME, ID_ATTACH_EXTRACT})
            EnableMenuItem(popup, UINT(id), MF_BYCOMMAND | MF_GRAYED);
    HWND owner = frame() ? frame()->hwnd() : hwnd();
    if (frame()) frame()->setActiveView(this);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner, nullptr);
    DestroyMenu(menu);
}

// --- adding -------------------------------------------------------------------------------

// The open dialog with the check box "不存入数据库，只是存入文件路径" below
// it, in the system's look.
void CListTabView::chooseAndAdd() {
    if (!IsWindowEnabled(list_)) return;
    char file[MAX_PATH] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = topWindow();
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = "所有文件(*.*)\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = "请选择一个附件";
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK;
    ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_ADD_ATTACHMENT);
    ofn.lpfnHook = addDialogHook;
    BOOL chosen;
    {
        JexUnskinnedScope unskinned;
        chosen = GetOpenFileNameA(&ofn);
    }
    if (chosen) addAttachment(file);
}

void CListTabView::addAttachment(const std::string& path) {
    if (path.empty() || currentText_ <= 0) return;
    std::int64_t size = measureFile(path);
    attach::AddDecision decision = attach::decideAdd(size, linkOnly);
    if (decision.action == attach::AddAction::AskLink)
        decision = attach::answerLinkQuestion(fw::messageBox(decision.message, MB_YESNO) == IDYES, linkOnly);
    switch (decision.action) {
    case attach::AddAction::Refuse:
        fw::messageBox(decision.message, MB_OK);
        break;
    case attach::AddAction::Store:
        startStore(path, size);
        break;
    case attach::AddAction::Link:
        link(path);
        break;
    default:
        break;
    }
}

// The file is read and stored by a worker while the main window is
// disabled; above 512 KB the busy dialog shows its path, and Escape there
// cancels the store.
void CListTabView::startStore(const std::string& path, std::int64_t size) {
    saveMemo();  // the memo loses the focus now: save it before the worker holds the database
    cancel_->store(false);
    HWND top = topWindow();
    EnableWindow(top, FALSE);
    if (size > attach::kBusyDialogAbove) {
        busy_ = std::make_unique<CBusyDlg>();
        if (busy_->createModeless(top, hwnd())) {
            busy_->setText(path.c_str());
            ShowWindow(busy_->hwnd(), SW_SHOW);
        }
    }
    attach::PaneStore store = store_;
    std::shared_ptr<std::atomic<bool>> cancel = cancel_;
    int itemId = currentText_;
    workers_.start(WM_WORK_DONE, [this, store, cancel, itemId, path]() mutable -> PaneWorkers::Report {
        attach::StoreOutcome outcome = attach::storeFile(store, itemId, path, *cancel);
        return [this, outcome, itemId] { onStoreDone(outcome.message, outcome.row, itemId); };
    });
}

void CListTabView::closeBusyDialog() {
    if (busy_ && busy_->hwnd()) DestroyWindow(busy_->hwnd());
    busy_.reset();
}

// The row is in the list by the time the window can be used again.
void CListTabView::onStoreDone(const std::string& message, const std::optional<AttachmentRow>& row, int itemId) {
    closeBusyDialog();
    if (row && itemId == memoOwner_) appendRow(*row);
    if (!waitingForWorkers_) {
        HWND top = topWindow();
        EnableWindow(top, TRUE);
        SetForegroundWindow(top);
        SetFocus(IsWindowVisible(list_) ? list_ : top);
    }
    if (!message.empty()) fw::messageBox(message.c_str(), MB_OK);
}

// A link keeps the file's full path (fewer than 260 bytes) in its 260-byte
// field; the file is measured again first.
void CListTabView::link(const std::string& path) {
    char full[MAX_PATH] = {};
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        fw::messageBox(kPathTooLong, MB_OK);
        return;
    }
    std::int64_t size = measureFile(full);
    attach::AddDecision decision = attach::decideLink(size);
    if (decision.action == attach::AddAction::Refuse) {
        fw::messageBox(decision.message, MB_OK);
        return;
    }
    try {
        AttachmentRow row = store_.link(currentText_, attach::fileNameOf(full), full, int(size));
        if (currentText_ == memoOwner_) appendRow(row);
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
    }
}

// --- delete, rename -------------------------------------------------------------------

// The row goes once its attachment is gone from the database; a linked
// file itself is never touched.
void CListTabView::deleteSelected() {
    int row = selectedRow(true);
    if (row < 0) return;
    if (fw::messageBox(kDeleteQuestion, MB_YESNO | MB_ICONQUESTION, kDeleteCaption) != IDYES) return;
    try {
        store_.remove(attachIdAt(row));
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
        return;
    }
    ListView_DeleteItem(list_, row);
}

// The rename edit over the row's name cell, the title in it, selected up to
// its last dot.
void CListTabView::beginRename() {
    int row = selectedRow(true);
    if (row < 0) return;
    ListView_EnsureVisible(list_, row, FALSE);
    RECT cell = {};
    ListView_GetSubItemRect(list_, row, 1, LVIR_BOUNDS, &cell);
    MapWindowPoints(list_, hwnd(), reinterpret_cast<POINT*>(&cell), 2);
    OffsetRect(&cell, 1, 1);
    std::string title = titleAt(row);
    renameRow_ = row;
    SetWindowTextA(rename_, title.c_str());
    SetWindowPos(rename_, HWND_TOP, cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top,
                 SWP_SHOWWINDOW);
    SetFocus(rename_);
    // The edit counts either bytes or characters (as Wine's does): its
    // length tells which.
    std::size_t keep = attach::renamePreselection(title);
    SendMessageA(rename_, EM_SETSEL, 0, -1);
    DWORD end = 0;
    SendMessageA(rename_, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    WPARAM selectionEnd = end == title.size() ? WPARAM(keep) : WPARAM(charactersIn(title, keep));
    SendMessageA(rename_, EM_SETSEL, 0, LPARAM(selectionEnd));
    SendMessageA(rename_, EM_SCROLLCARET, 0, 0);
}

// Enter commits a title that is not empty; Escape and a lost focus only
// put the edit away.  The list shows the new title once it is stored.
void CListTabView::endRename(bool commit) {
    if (renameRow_ < 0) return;
    int row = renameRow_;
    renameRow_ = -1;
    std::string title = windowText(rename_);
    SetWindowTextA(rename_, "");
    bool hadFocus = GetFocus() == rename_;
    ShowWindow(rename_, SW_HIDE);
    if (hadFocus) SetFocus(list_);
    if (!commit || title.empty()) return;
    try {
        store_.rename(attachIdAt(row), title);
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
        return;
    }
    setItemText(list_, row, 1, title);
}

// --- extract, open ----------------------------------------------------------------------

void CListTabView::extractSelected() {
    int row = selectedRow(true);
    if (row < 0) return;
    int id = attachIdAt(row);
    char file[MAX_PATH] = {};
    lstrcpynA(file, attach::plainFileName(titleAt(row)).c_str(), sizeof file);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = topWindow();
    ofn.lpstrFilter = "所有文件 (*.*)\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    BOOL chosen;
    {
        JexUnskinnedScope unskinned;
        chosen = GetSaveFileNameA(&ofn);
    }
    if (!chosen) return;
    attach::PaneStore store = store_;
    std::string target = file;
    workers_.start(kWorkerReport, [store, id, target]() mutable {
        return messageReport(attach::extractAttachment(store, id, target));
    });
}

// Each open is a request of its own: its worker writes the attachment out
// (when stored) and then opens it, or reports why not.
void CListTabView::openSelected() {
    int row = selectedRow(true);
    if (row < 0) return;
    attach::PaneStore store = store_;
    int id = attachIdAt(row);
    std::string title = titleAt(row);
    std::string folder = tempAttachmentFolder();
    workers_.start(kWorkerReport, [store, id, title, folder]() mutable {
        return messageReport(openAttachment(store, id, title, folder));
    });
}

bool CListTabView::closeDown() {
    if (waitingForWorkers_) return false;
    // What is unsaved has been saved or given up by now: the memo losing the
    // focus as the windows go does not write it.
    memoOwner_ = -1;
    if (!workersRunning()) return true;
    waitingForWorkers_ = true;
    HWND top = topWindow();
    EnableWindow(top, FALSE);
    std::unique_ptr<CBusyDlg> dialog;
    workers_.waitAll(kExitWaitMs, kShowWaitAfterMs, [&] {
        if (busy_ && busy_->hwnd()) return;  // a store's own dialog is up
        dialog = std::make_unique<CBusyDlg>();
        if (dialog->createModeless(top, nullptr)) {
            dialog->setText(kFinishingWork);
            ShowWindow(dialog->hwnd(), SW_SHOW);
        }
    });
    if (dialog && dialog->hwnd()) DestroyWindow(dialog->hwnd());
    closeBusyDialog();
    waitingForWorkers_ = false;
    return true;
}

// --- search -------------------------------------------------------------------------------

void CListTabView::search(const std::string& word) {
    ListView_DeleteAllItems(results_);
    std::vector<attach::TitleMatch> found;
    try {
        found = store_.searchTitles(word);
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
        showPage(kSearchPage);
        return;
    }
    if (found.empty()) {
        fw::messageBox(kNothingFound, MB_OK);
        return;
    }
    for (const attach::TitleMatch& match : found) {
        int index = ListView_GetItemCount(results_);
        std::string number = std::to_string(index + 1);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = index;
        item.pszText = const_cast<char*>(number.c_str());
        item.lParam = match.nodeId;
        index = ListView_InsertItem(results_, &item);
        if (index < 0) continue;
        setItemText(results_, index, 1, match.folder);
        setItemText(results_, index, 2, match.title);
    }
    showPage(kSearchPage);
}

void CListTabView::openSearchResult() {
    int row = rowUnderCursor(results_);
    if (row < 0 || !navigator_) return;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (ListView_GetItem(results_, &item)) navigator_->locateAndOpen(int(item.lParam));
}

// --- exchange with the shell -------------------------------------------------------------

// Without OLE in the thread only the shell's file drops reach the pane.  An
// OLE drop reaches a disabled window too: while a store holds the main
// window disabled, nothing is taken.
void CListTabView::registerDropTargets() {
    fileTarget_ = new FileDropTarget([this] { return IsWindowEnabled(list_) && IsWindowEnabled(topWindow()); },
                                     [this](const std::string& path) {
                                         droppedPath_ = path;
                                         PostMessageA(hwnd(), kFileDropped, 0, 0);
                                     });
    if (RegisterDragDrop(tabControl(), fileTarget_) != S_OK) {
        fileTarget_->Release();
        fileTarget_ = nullptr;
    }
    listTarget_ = new RefusingDropTarget;
    if (RegisterDragDrop(list_, listTarget_) != S_OK) {
        listTarget_->Release();
        listTarget_ = nullptr;
    }
}

void CListTabView::revokeDropTargets() {
    if (fileTarget_) {
        RevokeDragDrop(tabControl());
        fileTarget_->Release();
        fileTarget_ = nullptr;
    }
    if (listTarget_) {
        RevokeDragDrop(list_);
        listTarget_->Release();
        listTarget_ = nullptr;
    }
}

// A dropped file goes to the add decision as it is: the add dialog's check
// box plays no part, the link-only flag does.
void CListTabView::dropFile(const std::string& path) {
    if (!IsWindowEnabled(list_) || !IsWindowEnabled(topWindow())) return;
    showPage(kAttachPage);
    addAttachment(path);
}

// The first selected row's kind decides the drag: a linked file goes as
// itself, stored attachments as files whose bytes are produced from the
// database only when the receiver asks for them.
void CListTabView::dragOut() {
    std::vector<int> rows;
    for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list_, row, LVNI_SELECTED))
        rows.push_back(row);
    if (rows.empty()) return;
    AttachmentDataObject* data = nullptr;
    DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    try {
        int first = attachIdAt(rows.front());
        if (store_.isLinked(first)) {
            std::string path = store_.content(first).linkedPath();
            DWORD attributes = GetFileAttributesA(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                fw::messageBox(kLinkGone, MB_OK);
                return;
            }
            data = AttachmentDataObject::forLinkedFile(path);
            allowed |= DROPEFFECT_LINK;
        } else {
            std::vector<AttachmentDataObject::File> files;
            std::vector<int> ids;
            for (int row : rows) {
                ids.push_back(attachIdAt(row));
                files.push_back({attach::descriptorName(titleAt(row)), store_.recordedSize(ids.back())});
            }
            data = AttachmentDataObject::forVirtualFiles(
                files, [store = store_, ids](int index, const attach::RenderSink& sink) mutable {
                    attach::RenderOutcome outcome = attach::renderAttachment(store, ids[std::size_t(index)], sink);
                    if (!outcome.message.empty()) fw::messageBox(outcome.message.c_str(), MB_OK);
                    return outcome.ok;
                });
        }
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
        return;
    }
    if (!data) return;
    auto* source = new LeftButtonDropSource;
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data, source, allowed, &effect);
    source->Release();
    data->Release();
}

// --- keys, commands, messages -------------------------------------------------------------

bool CListTabView::preTranslateMessage(MSG& msg) {
    if (busy_ && busy_->hwnd() && IsDialogMessageA(busy_->hwnd(), &msg)) return true;
    if (!hwnd() || !msg.hwnd || (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd))) return false;
    if (msg.message == WM_KEYDOWN) {
        bool renaming = renameRow_ >= 0;
        bool attachmentsShown = currentPage() == kAttachPage;
        switch (msg.wParam) {
        case VK_RETURN:
            if (renaming) {
                endRename(true);
                return true;
            }
            if (attachmentsShown && IsWindowEnabled(list_)) {
                openSelected();
                return true;
            }
            break;
        case VK_ESCAPE:
            if (renaming) {
                endRename(false);
                return true;
            }
            break;
        case VK_DELETE:
        case VK_F2:
            if (renaming || !attachmentsShown || !IsWindowEnabled(list_)) break;
            if (msg.wParam == VK_DELETE)
                deleteSelected();
            else
                beginRename();
            return true;
        default:
            break;
        }
    }
    return accelerators_ && TranslateAcceleratorA(hwnd(), accelerators_, &msg);
}

bool CListTabView::onCommand(int id) {
    switch (id) {
    case ID_ATTACH_ADD:
        chooseAndAdd();
        return true;
    case ID_ATTACH_DELETE:
        deleteSelected();
        return true;
    case ID_ATTACH_OPEN:
        openSelected();
        return true;
    case ID_ATTACH_RENAME:
        beginRename();
        return true;
    case ID_ATTACH_EXTRACT:
        extractSelected();
        return true;
    case kCmdCopy:
    case kCmdCut:
    case kCmdPaste:
    case kCmdUndo:
    case kCmdSelectAll:
        memoCommand(id);
        return true;
    default:
        return false;
    }
}

void CListTabView::onControlCommand(HWND control, int code) {
    if (code != EN_KILLFOCUS) return;
    if (control == memo_) saveMemo();
    if (control == rename_) endRename(false);
}

LRESULT CListTabView::onNotify(NMHDR& header) {
    if (header.hwndFrom == tabControl()) {
        if (header.code == TCN_SELCHANGE) showPage(currentPage());
        return 0;
    }
    if (header.hwndFrom == list_) {
        if (header.code == NM_DBLCLK && rowUnderCursor(list_) >= 0) openSelected();
        if (header.code == LVN_BEGINDRAG) dragOut();
        if (header.code == NM_RCLICK) {
            showContextMenu();
            return TRUE;
        }
        return 0;
    }
    if (header.hwndFrom == results_ && header.code == NM_CLICK) openSearchResult();
    return 0;
}

// The pages live in the tab control: their notifications are the pane's.
LRESULT CALLBACK CListTabView::tabForwarder(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data) {
    auto* self = reinterpret_cast<CListTabView*>(data);
    if (msg == WM_COMMAND && lParam && reinterpret_cast<HWND>(lParam) == self->memo_)
        return SendMessageA(self->hwnd(), msg, wParam, lParam);
    if (msg == WM_NOTIFY) {
        HWND from = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
        if (from == self->list_ || from == self->results_) return SendMessageA(self->hwnd(), msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, tabForwarder, 1);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CListTabView::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NOTIFY:
        return onNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_COMMAND:
        if (lParam)
            onControlCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        else
            onCommand(LOWORD(wParam));  // the pane's accelerators
        return 0;
    case WM_BUSY_CANCEL:
        cancel_->store(true);
        return 0;
    case WM_WORK_DONE:
    case kWorkerReport:
        workers_.deliver();
        return 0;
    case WM_DROPFILES: {
        auto drop = reinterpret_cast<HDROP>(wParam);
        std::string path = firstDroppedPath(drop);
        DragFinish(drop);
        dropFile(path);
        return 0;
    }
    case kFileDropped:
        dropFile(std::exchange(droppedPath_, std::string()));
        return 0;
    case WM_DESTROY:
        revokeDropTargets();
        return CTabView::windowProc(msg, wParam, lParam);
    default:
        return CTabView::windowProc(msg, wParam, lParam);
    }
}
