// The pane below the code view: memo, attachments and search results, with
// the tab headers along its bottom edge.  The code view tells it which text
// is current; the main frame hands it searches; a click on a search result
// finds the text through the tree's navigator.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>

#include "attach/pane_store.h"
#include "attach/pane_workers.h"
#include "fw/tab_view.h"
#include "views/current_text.h"
#include "views/navigator.h"
#include "views/view_context.h"

class CBusyDlg;
class FileDropTarget;
class RefusingDropTarget;

class CListTabView : public CTabView, public CurrentText {
public:
    static constexpr int kTabControlId = 1002;
    static constexpr int kAttachListId = 1003;
    static constexpr int kSearchListId = 1004;
    static constexpr int kMemoId = 1005;
    static constexpr int kRenameId = 1006;
    enum Page { kMemoPage = 0, kAttachPage = 1, kSearchPage = 2 };
    static constexpr int kMemoLimit = 400;  // bytes

    explicit CListTabView(ViewContext& context);
    ~CListTabView() override;

    // Where a search result's text is found and opened.
    void setNavigator(Navigator& navigator) { navigator_ = &navigator; }

    // From the code view.  Whenever the text changes, a memo typed and not
    // yet saved is first saved under the text it belongs to.
    void setCurrentText(int id) override;
    void loadText(int id) override;
    void enable(bool on) override;
    void clear() override;
    bool memoLoaded() const override;
    std::string memoText() const override;
    bool memoModified() const override;
    void setMemoModified(bool modified) override;

    // From the main frame: lists the texts whose titles contain `word`.
    void search(const std::string& word);
    // Adds the file at `path` to the current text, stored or linked as the
    // add decision says; an empty path does nothing.
    void addAttachment(const std::string& path);
    // Keys while the focus is in the pane, before they are dispatched:
    // Enter, Escape, Delete, F2 and the memo's accelerators; Escape in a
    // store's busy dialog.  True = handled.
    bool preTranslateMessage(MSG& msg);
    bool onCommand(int id) override;

    // The program is closing, its unsaved work saved or given up: the memo
    // is no longer saved, and the running workers are waited for, at most a
    // bounded time, with the busy dialog once it takes long.  False when a
    // wait is already under way (the caller must not go on).
    bool closeDown();
    bool workersRunning() const { return workers_.running() > 0; }

protected:
    const char* windowClassName() const override { return "Afx:jexmarlo:ListTabView"; }
    bool onCreate() override;
    void onResize() override;
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    int currentPage() const;
    void showPage(int page);
    HWND topWindow() const;

    // The memo.
    void loadMemo(int id);
    void saveMemo();
    void emptyPages();
    void memoCommand(int id);
    static LRESULT CALLBACK memoGuard(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    // The attachments list.
    void listAttachments(int id);
    void appendRow(const attach::AttachmentRow& row);
    int selectedRow(bool tell) const;
    int attachIdAt(int row) const;
    std::string titleAt(int row) const;
    void showContextMenu();

    // Attachment commands.
    void chooseAndAdd();
    void startStore(const std::string& path, std::int64_t size);
    void onStoreDone(const std::string& message, const std::optional<attach::AttachmentRow>& row, int itemId);
    void closeBusyDialog();
    void link(const std::string& path);
    void deleteSelected();
    void beginRename();
    void endRename(bool commit);
    void extractSelected();
    void openSelected();

    // Exchange with the shell: a file dropped on the pane is added, rows
    // dragged out of the list arrive as files.
    void dropFile(const std::string& path);
    void dragOut();
    void registerDropTargets();
    void revokeDropTargets();

    LRESULT onNotify(NMHDR& header);
    void onControlCommand(HWND control, int code);
    void openSearchResult();
    static LRESULT CALLBACK tabForwarder(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    ViewContext& context_;
    attach::PaneStore store_;
    Navigator* navigator_ = nullptr;
    int currentText_ = -1;  // where adds go
    int memoOwner_ = -1;    // the text whose memo and attachments are shown

    HWND memo_ = nullptr;
    HWND list_ = nullptr;
    HWND rename_ = nullptr;
    HWND results_ = nullptr;
    HIMAGELIST images_ = nullptr;
    HACCEL accelerators_ = nullptr;

    int renameRow_ = -1;  // the row whose title is being edited, or -1

    FileDropTarget* fileTarget_ = nullptr;      // on the tab control: headers, memo and search pages
    RefusingDropTarget* listTarget_ = nullptr;  // on the attachments list
    std::string droppedPath_;                   // an OLE drop, added once the drop has returned

    // A store under way: the cancel flag its worker reads, the busy dialog.
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::unique_ptr<CBusyDlg> busy_;
    bool waitingForWorkers_ = false;
    PaneWorkers workers_;
};
