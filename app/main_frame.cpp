#include "app/main_frame.h"

#include <shellapi.h>

#include "app/about_dlg.h"
#include "app/code_view.h"
#include "app/commands.h"
#include "app/html_page.h"
#include "app/product_page.h"
#include "attach/busy_dlg.h"
#include "attach/list_tab_view.h"
#include "editor/hedit_ctrl.h"
#include "fw/app.h"
#include "fw/dialog.h"
#include "options/options_dlg.h"
#include "res/resource.h"
#include "skin/jexui.h"
#include "tree/item_view.h"
#include "update/update_check.h"

namespace {

const char kFrameClass[] = "Afx:jexmarlo:MainFrame";
constexpr int kOuterSplitterId = 0xE900;  // the framework's first-pane id
constexpr int kInnerSplitterId = 0xE901;

// Status bar panes: the message pane, then the creation and modification
// times of the current text.
const std::vector<int> kPaneWidths = {300, 157, 165};

// The search box sits right-aligned on the toolbar, 5 pixels from its
// edge, while at least 176 pixels remain right of the last button.
constexpr int kSearchBoxWidth = 170;
constexpr int kSearchBoxHeight = 32;
constexpr int kSearchBoxRoom = 176;
constexpr int kSearchBoxTop = 8;
constexpr int kSearchTextSize = 80;

}  // namespace

CMainFrame::CMainFrame(ViewContext& context, CExternal& external)
    : context_(context),
      external_(external),
      outer_(fw::SplitterWnd::Orientation::Columns),
      inner_(fw::SplitterWnd::Orientation::Rows, 30, 34),
      listTabView_(std::make_unique<CListTabView>(context)),
      codeView_(std::make_unique<CCodeView>(context, *this, *listTabView_, external)),
      itemView_(std::make_unique<CItemView>(context, *codeView_, *this)) {}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::createFrame() {
    // The frame's own class: no class style, cursor, background or icon.
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(GetModuleHandleA(nullptr), kFrameClass, &wc)) registerClass(kFrameClass, 0, nullptr, nullptr, nullptr);
    setMinTrackSize(kMinWidth, kMinHeight);
    setAccelerators(IDR_MAINFRAME);
    return create(0, kFrameClass, fw::App::current()->title(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                  CW_USEDEFAULT, 700, 550, nullptr, nullptr);
}

bool CMainFrame::onCreate() {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));

    const std::vector<ToolButton> buttons = {
        {kCmdSave, 0}, {kCmdSaveAll, 1}, {0, 0}, {kCmdCompact, 2}, {kCmdOptions, 3}, {kCmdHelp, 4}, {kCmdAbout, 5},
    };
    if (!createToolBar(IDR_MAINFRAME, 48, buttons)) return false;
    searchBox_ = jexsoft_CreateSearchBox(WS_CHILD | WS_VISIBLE, 0, 0, kSearchBoxWidth, kSearchBoxHeight, toolBar(), 1);
    if (!searchBox_) return false;
    if (!createStatusBar(kPaneWidths)) return false;
    clearTextTimes();
    return createClient();
}

void CMainFrame::showTextTimes(const std::string& created, const std::string& modified) {
    setPaneText(1, ("创建于：" + created).c_str());
    setPaneText(2, ("最后修改：" + modified).c_str());
}

void CMainFrame::clearTextTimes() {
    setPaneText(1, "创建时间：");
    setPaneText(2, "最后修改：");
}

bool CMainFrame::createClient() {
    if (!outer_.createSplitter(hwnd(), kOuterSplitterId)) return false;
    RECT none = {0, 0, 0, 0};
    if (!itemView_->createView(outer_.hwnd(), 0xE900 + 0x10, none)) return false;
    if (!inner_.createSplitter(outer_.hwnd(), 0xE900 + 0x11)) return false;
    if (!codeView_->createView(inner_.hwnd(), 0xE900 + 0x20, none)) return false;
    if (!listTabView_->createView(inner_.hwnd(), 0xE900 + 0x21, none)) return false;
    outer_.setPane(0, itemView_->hwnd());
    outer_.setPane(1, inner_.hwnd());
    outer_.setFirstSize(200);
    inner_.setPane(0, codeView_->hwnd());
    inner_.setPane(1, listTabView_->hwnd());
    inner_.setFirstSize(400);
    setClient(outer_.hwnd());

    listTabView_->setNavigator(*itemView_);
    itemView_->setFrame(this);
    codeView_->setFrame(this);
    listTabView_->setFrame(this);
    listTabView_->enable(false);
    setActiveView(itemView_.get());
    return true;
}

bool CMainFrame::onCommand(int id, int, HWND) {
    switch (id) {
    case kCmdSave:
        codeView_->saveCurrent();
        return true;
    case kCmdSaveAll:
        codeView_->saveAll();
        return true;
    case kCmdCompact:
        compact();
        return true;
    case kCmdOptions:
        showOptions();
        return true;
    case kCmdCheckUpdate:
        update::checkForUpdatesNow(hwnd());
        return true;
    case kCmdHelp:
        openProductPage();
        return true;
    case kCmdAbout: {
        CAboutDlg about(external_);
        about.doModal(hwnd());
        return true;
    }
    case kCmdNextPane:
    case kCmdPrevPane:
        focusPane(id == kCmdPrevPane);
        return true;
    case kCmdCopy:
    case kCmdCut:
    case kCmdPaste:
    case kCmdUndo:
        return editFocused(id);
    default:
        return false;
    }
}

// The edit keys act on the window with the focus: an edit control (the
// memo, the search box) gets its own message, an editor the command.
bool CMainFrame::editFocused(int command) {
    HWND focus = GetFocus();
    if (!focus) return false;
    char className[32] = {};
    GetClassNameA(focus, className, sizeof className);
    if (lstrcmpiA(className, "Edit") == 0) {
        UINT message = command == kCmdCopy    ? WM_COPY
                       : command == kCmdCut   ? WM_CUT
                       : command == kCmdPaste ? WM_PASTE
                                              : WM_UNDO;
        SendMessageA(focus, message, 0, 0);
        return true;
    }
    if (dynamic_cast<CHEditCtrl*>(fw::Wnd::fromHandle(focus))) {
        SendMessageA(focus, WM_COMMAND, WPARAM(command), 0);
        return true;
    }
    return false;  // the active view's
}

LRESULT CMainFrame::onMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return onCreate() ? 0 : -1;
    case WM_WORK_DONE:
        onCompactionDone();
        return 0;
    case WM_SEARCHBOX_SEARCH:
        search();
        return 0;
    case WM_TREE_DRAGDROP: {
        const auto* drag = reinterpret_cast<const JEXTREEDRAGDROP*>(lParam);
        if (drag)
            itemView_->move(drag->source, drag->target, drag->position == 1);
        return 0;
    }
    case WM_CLOSE:
        // The database must not be closed under a running compaction: the
        // window closes once it has finished.
        if (compaction_.running()) {
            closeWhenDone_ = true;
            return 0;
        }
        if (!confirmClose()) return 0;
        // The pane's workers use the database and the temporary folder,
        // which go with the program.
        if (!listTabView_->closeDown()) return 0;
        break;
    case WM_QUERYENDSESSION:
        // Logging off asks about unsaved texts as closing does.
        return compaction_.running() ? FALSE : confirmClose() ? TRUE : FALSE;
    case WM_NCDESTROY:
        PostQuitMessage(0);
        break;
    default:
        break;
    }
    return defaultProc(msg, wParam, lParam);
}

// Unsaved texts are not lost without a word: Yes saves them all (and stays
// open when a save fails), No closes without saving, Cancel keeps working.
bool CMainFrame::confirmClose() {
    if (!codeView_->anyModified()) return true;
    int answer = fw::messageBox("有文本尚未保存，是否保存后退出？", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) return codeView_->saveAll();
    return true;
}

void CMainFrame::compact() {
    if (compaction_.running()) return;
    EnableWindow(hwnd(), FALSE);
    busy_ = std::make_unique<CBusyDlg>();
    if (busy_->createModeless(hwnd(), nullptr)) {
        busy_->setText("压缩中……");
        ShowWindow(busy_->hwnd(), SW_SHOW);
    }
    compaction_.start(context_.db, hwnd());
}

void CMainFrame::onCompactionDone() {
    std::string error = compaction_.finish();
    if (busy_ && busy_->hwnd()) DestroyWindow(busy_->hwnd());
    busy_.reset();
    EnableWindow(hwnd(), TRUE);
    SetForegroundWindow(hwnd());
    if (!error.empty()) fw::messageBox(error.c_str(), MB_OK);
    if (closeWhenDone_) PostMessageA(hwnd(), WM_CLOSE, 0, 0);
}

// F6 and Shift+F6: the focus moves through tree, code view and pane.
void CMainFrame::focusPane(bool backwards) {
    fw::View* order[] = {itemView_.get(), codeView_.get(), listTabView_.get()};
    int current = 0;
    for (int i = 0; i < 3; ++i)
        if (order[i] == activeView()) current = i;
    fw::View* next = order[(current + (backwards ? 2 : 1)) % 3];
    setActiveView(next);
    SetFocus(next->hwnd());
}

void CMainFrame::showOptions() {
    CHtmlPage about;  // the about page's content, destroyed with the dialog's windows
    OptionsHost host;
    host.applySettings = [this] { applySettings(); };
    host.checkForUpdates = [this](HWND owner) { checkForUpdates(owner); };
    host.showAboutPage = [this, &about](HWND parent, int id, const RECT& area) {
        about.create(parent, id, area, "HTML_ABOUT", &external_);
    };
    COptionsDlg dialog(context_, std::move(host));
    dialog.doModal(hwnd());
}

// The manual update check of the options dialog's update page.
void CMainFrame::checkForUpdates(HWND owner) { update::checkForUpdatesNow(owner); }

void CMainFrame::applySettings() {
    itemView_->selectDefaultScheme();
    codeView_->applyFontToAll();
    codeView_->rearmAutoSave();
}

void CMainFrame::recalcLayout() {
    fw::FrameWnd::recalcLayout();
    placeSearchBox();
}

void CMainFrame::placeSearchBox() {
    if (!searchBox_) return;
    int buttons = int(SendMessageA(toolBar(), TB_BUTTONCOUNT, 0, 0));
    RECT last = {};
    if (buttons > 0) SendMessageA(toolBar(), TB_GETITEMRECT, WPARAM(buttons - 1), reinterpret_cast<LPARAM>(&last));
    RECT bar;
    GetClientRect(toolBar(), &bar);
    if (bar.right - last.right < kSearchBoxRoom) {
        ShowWindow(searchBox_, SW_HIDE);
        return;
    }
    SetWindowPos(searchBox_, nullptr, bar.right - kSearchBoxWidth - 5, kSearchBoxTop, kSearchBoxWidth,
                 kSearchBoxHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

// The search box reported a search; an empty one asks for text.
void CMainFrame::search() {
    char text[kSearchTextSize] = {};
    jexsoft_GetSearchText(searchBox_, text, sizeof text);
    if (!text[0]) {
        fw::messageBox("请输入内容！", MB_OK);
        return;
    }
    listTabView_->search(text);
}

void CMainFrame::openProductPage() {
    std::string url = productPageUrl(JEX_SITE_URL);
    ShellExecuteA(hwnd(), "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
