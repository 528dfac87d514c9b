#include "app/code_view.h"

#include <commctrl.h>

#include "app/commands.h"
#include "app/compaction.h"
#include "app/welcome_page.h"
#include "editor/hedit_ctrl.h"
#include "editor/syntax_scheme.h"
#include "fw/dialog.h"
#include "skin/jexui.h"
#include "store/db_sql_buffer.h"
#include "store/statements.h"
#include "tree/tree_store.h"

namespace {
constexpr UINT_PTR kAutoSaveTimer = 1;
constexpr int kScrollTop = 6;  // SB_TOP
}  // namespace

CCodeView::CCodeView(ViewContext& context, StatusLine& status, CurrentText& pane, CExternal& external)
    : context_(context), status_(status), pane_(pane), external_(external) {}

CCodeView::~CCodeView() {
    texts_.clear();  // editors first: nothing is saved on the way out
    if (font_) DeleteObject(font_);
}

std::string CCodeView::tabLabel(const std::string& title) {
    return title.size() >= 19 ? title.substr(0, 18) + "..." : title;
}

int CCodeView::indexOf(int id) const {
    for (std::size_t i = 0; i < texts_.size(); ++i)
        if (texts_[i].id == id) return int(i);
    return -1;
}

CHEditCtrl* CCodeView::currentEditor() const {
    return current_ >= 0 && current_ < int(texts_.size()) ? texts_[std::size_t(current_)].editor.get() : nullptr;
}

RECT CCodeView::pageRect() const {
    RECT r = {3, headerHeight() + 6, width_ - 3, height_ - 3};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

void CCodeView::setTabText(int index, const std::string& text) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(tabControl(), TCM_SETITEMA, WPARAM(index), reinterpret_cast<LPARAM>(&item));
}

// --- creation and layout ----------------------------------------------------------

bool CCodeView::onCreate() {
    if (!createTabs(kTabControlId, 0, {"欢迎！"})) return false;
    welcome_ = std::make_unique<CWelcomePage>(external_);
    if (!welcome_->createPage(tabControl())) return false;
    ShowWindow(welcome_->hwnd(), SW_SHOW);
    rearmAutoSave();
    return true;
}

void CCodeView::onResize() {
    RECT page = pageRect();
    if (CHEditCtrl* editor = currentEditor())
        SetWindowPos(editor->hwnd(), nullptr, page.left, page.top, page.right - page.left, page.bottom - page.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    else if (welcome_ && welcome_->hwnd())
        MoveWindow(welcome_->hwnd(), page.left, page.top, page.right - page.left, page.bottom - page.top, TRUE);
}

void CCodeView::rearmAutoSave() {
    int minutes = context_.settings.autoSaveTime;
    if (minutes > 0)
        SetTimer(hwnd(), kAutoSaveTimer, UINT(minutes) * 60000u, nullptr);
    else
        KillTimer(hwnd(), kAutoSaveTimer);
}

// --- fonts and schemes ---------------------------------------------------------------

// The font of FaceName and FontSize, shared by every editor; without both
// an editor keeps its own default font.
void CCodeView::applyFont(CHEditCtrl& editor) {
    const Settings& settings = context_.settings;
    if (settings.faceName.empty() || settings.fontSize == 0) return;
    if (!font_) {
        HDC dc = GetDC(nullptr);
        int height = -MulDiv(settings.fontSize, GetDeviceCaps(dc, LOGPIXELSY), 72);
        ReleaseDC(nullptr, dc);
        font_ = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, settings.faceName.c_str());
    }
    SendMessageA(editor.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
}

// A new font applies to the open editors at once and, through the shared
// font being made again on first use, to the texts opened later.
void CCodeView::applyFontToAll() {
    if (font_) {
        for (OpenText& t : texts_) SendMessageA(t.editor->hwnd(), WM_SETFONT, 0, FALSE);
        DeleteObject(font_);
        font_ = nullptr;
    }
    for (OpenText& t : texts_) applyFont(*t.editor);
}

void CCodeView::loadScheme(CHEditCtrl& editor, int schemeId) {
    const SchemeEntry* entry = schemeId != 0 ? context_.schemes.byId(schemeId) : nullptr;
    if (!entry) {
        editor.ClearSyntax();
        return;
    }
    std::string text = readSchemeFile(entry->path);
    if (!text.empty()) editor.LoadSyntax(text);
}

void CCodeView::showTimes(int id) {
    try {
        TreeStore::Times times = TreeStore(context_.db).times(id);
        status_.showTextTimes(times.created, times.modified);
    } catch (const store::CppSQLite3Exception& e) {
        fw::messageBox(e.errorMessage(), MB_OK);
    }
}

// --- opening and showing ------------------------------------------------------------

void CCodeView::show(int index) {
    OpenText& t = texts_[std::size_t(index)];
    RECT page = pageRect();
    SetWindowPos(t.editor->hwnd(), nullptr, page.left, page.top, page.right - page.left, page.bottom - page.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(t.editor->hwnd(), SW_SHOW);
    applyFont(*t.editor);
    current_ = index;
    SendMessageA(tabControl(), TCM_SETCURSEL, WPARAM(index), 0);
    pane_.setCurrentText(t.id);
    pane_.loadText(t.id);
}

void CCodeView::openText(const std::string& title, int id, int schemeId) {
    int index = indexOf(id);
    if (texts_.empty()) pane_.enable(true);
    if (index >= 0 && index == current_) return;

    if (CHEditCtrl* editor = currentEditor())
        ShowWindow(editor->hwnd(), SW_HIDE);
    if (texts_.empty()) {
        ShowWindow(welcome_->hwnd(), SW_HIDE);
        SendMessageA(tabControl(), TCM_DELETEALLITEMS, 0, 0);
    }
    if (index >= 0) {
        show(index);
        return;
    }

    // A new tab and editor.
    index = int(texts_.size());
    std::string label = tabLabel(title);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(label.c_str());
    SendMessageA(tabControl(), TCM_INSERTITEMA, WPARAM(index), reinterpret_cast<LPARAM>(&item));
    SendMessageA(tabControl(), TCM_SETCURSEL, WPARAM(index), 0);
    auto editor = std::make_unique<CHEditCtrl>();
    RECT none = {0, 0, 0, 0};
    editor->Create(WS_CHILD, none, tabControl(), ++editorNumber_);
    editor->SetTabOwner(tabControl(), index);
    loadScheme(*editor, schemeId);
    CHEditCtrl& view = *editor;
    texts_.push_back({id, schemeId, std::move(editor)});
    current_ = index;

    try {
        store::DbSqlBuffer sql;
        store::DbQuery q = context_.db.query(sql.format(store::sql::kLoadContent, id));
        if (q.eof()) throw store::CppSQLite3Exception(store::kLayerError, "Invalid scalar query");
        SetWindowTextA(view.hwnd(), q.getStringField(0, ""));
    } catch (const store::CppSQLite3Exception& e) {
        // A text that did not load is not left open: saving it would
        // overwrite what is stored with nothing.
        fw::messageBox(e.errorMessage(), MB_OK);
        closeAt(index, false);
        return;
    }
    view.core().scroll(true, kScrollTop, 0);
    view.core().scroll(false, kScrollTop, 0);
    show(index);
}

void CCodeView::textChanged(const std::string& title, int id, int schemeId) {
    int index = indexOf(id);
    if (index < 0) return;
    OpenText& t = texts_[std::size_t(index)];
    setTabText(index, t.editor->IsModified() ? title + "*" : title);
    if (schemeId != t.schemeId) {
        t.schemeId = schemeId;
        t.editor->ClearSyntax();
        loadScheme(*t.editor, schemeId);
        InvalidateRect(t.editor->hwnd(), nullptr, FALSE);
    }
}

// --- saving ----------------------------------------------------------------------------

// Saves one text: its content, and the memo with it when it is the current
// text (the memo shown belongs to that text only).  A failure leaves the
// text marked as modified.
bool CCodeView::save(int index) {
    if (index < 0 || index >= int(texts_.size())) return true;
    OpenText& t = texts_[std::size_t(index)];
    bool withMemo = index == current_ && pane_.memoLoaded();
    bool memoChanged = withMemo && pane_.memoModified();
    if (!t.editor->IsModified() && !memoChanged) return true;
    try {
        store::DbSqlBuffer sql;
        std::string content = store::doubledQuotes(t.editor->text().c_str());
        int changed;
        if (withMemo) {
            std::string memo = store::doubledQuotes(pane_.memoText().c_str());
            changed = context_.db.execute(sql.format(store::sql::kSaveContent, content.c_str(), memo.c_str(), t.id));
        } else {
            changed = context_.db.execute(sql.format(store::sql::kSaveContentOnly, content.c_str(), t.id));
        }
        if (changed == 0) throw store::CppSQLite3Exception(store::kLayerError, "The text no longer exists");
    } catch (const store::CppSQLite3Exception& e) {
        fw::messageBox(e.errorMessage(), MB_OK);
        return false;
    }
    t.editor->SetSavePoint();
    if (withMemo) pane_.setMemoModified(false);
    if (index == current_) showTimes(t.id);
    return true;
}

bool CCodeView::saveCurrent() { return save(current_); }

bool CCodeView::saveAll() {
    bool ok = true;
    for (int i = 0; i < int(texts_.size()); ++i) ok = save(i) && ok;
    return ok;
}

bool CCodeView::anyModified() const {
    for (const OpenText& t : texts_)
        if (t.editor->IsModified()) return true;
    return pane_.memoModified();
}

// --- closing ---------------------------------------------------------------------------

bool CCodeView::closeText(int id) {
    int index = indexOf(id);
    return index < 0 || closeAt(index, true);
}

void CCodeView::discardText(int id) { closeAt(indexOf(id), false); }

bool CCodeView::closeAt(int index, bool ask) {
    if (index < 0 || index >= int(texts_.size())) return true;
    if (ask && texts_[std::size_t(index)].editor->IsModified()) {
        // The question runs a message loop in which texts may be closed
        // (this one too, by a second request): the text is found again
        // by its id once it is answered.
        const int id = texts_[std::size_t(index)].id;
        if (fw::messageBox("此文本尚未保存，确定关闭？", MB_YESNO | MB_DEFBUTTON2) != IDYES) return false;
        index = indexOf(id);
        if (index < 0) return true;
    }

    bool wasCurrent = index == current_;
    CHEditCtrl* keep = wasCurrent ? nullptr : currentEditor();
    texts_.erase(texts_.begin() + index);
    SendMessageA(tabControl(), TCM_DELETEITEM, WPARAM(index), 0);
    pane_.clear();
    // Editors after the closed tab now sit one tab to the left.
    for (std::size_t i = std::size_t(index); i < texts_.size(); ++i) texts_[i].editor->SetTabOwner(tabControl(), int(i));

    if (texts_.empty()) {
        current_ = -1;
        showWelcome();
        return true;
    }
    // The closed text's tab was current: its neighbour takes its place.
    // Otherwise the current text stays, at its new index.
    int next = std::min(index, int(texts_.size()) - 1);
    for (std::size_t i = 0; keep && i < texts_.size(); ++i)
        if (texts_[i].editor.get() == keep) next = int(i);
    show(next);
    showTimes(texts_[std::size_t(next)].id);
    return true;
}

void CCodeView::showWelcome() {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("欢迎");
    SendMessageA(tabControl(), TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    RECT page = pageRect();
    MoveWindow(welcome_->hwnd(), page.left, page.top, page.right - page.left, page.bottom - page.top, TRUE);
    ShowWindow(welcome_->hwnd(), SW_SHOW);
    pane_.enable(false);
    status_.clearTextTimes();
}

// --- messages ----------------------------------------------------------------------------

bool CCodeView::onCommand(int id) {
    CHEditCtrl* editor = currentEditor();
    switch (id) {
    case kCmdUndo:
        if (editor) editor->core().undo();
        return editor != nullptr;
    case kCmdSelectAll:
        if (editor) editor->core().selectAll();
        return editor != nullptr;
    default:
        return false;
    }
}

LRESULT CCodeView::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == tabControl() && header->code == TCN_SELCHANGE && !texts_.empty()) {
            int index = int(SendMessageA(tabControl(), TCM_GETCURSEL, 0, 0));
            if (index >= 0 && index < int(texts_.size()) && index != current_) {
                if (CHEditCtrl* editor = currentEditor()) ShowWindow(editor->hwnd(), SW_HIDE);
                show(index);
                showTimes(texts_[std::size_t(index)].id);
            }
            return 0;
        }
        break;
    }
    case WM_TABCTRL_CLOSE:
        // Only tabs of open texts can be closed (not the welcome tab).
        if (int(wParam) >= 0 && int(wParam) < int(texts_.size())) closeAt(int(wParam), true);
        return 0;
    case WM_TIMER:
        // The auto-save leaves the database alone while a compaction runs.
        if (wParam == kAutoSaveTimer && !texts_.empty() && !databaseBusy()) saveAll();
        return 0;
    default:
        break;
    }
    return CTabView::windowProc(msg, wParam, lParam);
}
