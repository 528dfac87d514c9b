// The main window: toolbar, status bar, and two splitters holding the tree
// (left), the code view (upper right) and the memo/attachment/search pane
// (lower right).
#pragma once

#include <memory>

#include "app/compaction.h"
#include "app/my_splitter_wnd.h"
#include "fw/frame_wnd.h"
#include "views/status_line.h"
#include "views/view_context.h"

class CBusyDlg;
class CCodeView;
class CExternal;
class CItemView;
class CListTabView;

// The frame owns the three views and wires them through the narrow
// interfaces of views/: the tree opens texts in the code view's workspace,
// the code view tells the pane which text is current, the pane's search
// results find texts through the tree's navigator, and all of them show
// times through the frame's status line.
class CMainFrame : public fw::FrameWnd, public StatusLine {
public:
    CMainFrame(ViewContext& context, CExternal& external);
    ~CMainFrame() override;

    void showTextTimes(const std::string& created, const std::string& modified) override;
    void clearTextTimes() override;

    // The settings changed: the views take them up.
    void applySettings();

    // Creates the frame window (not yet shown).
    bool createFrame();

    CItemView* itemView() const { return itemView_.get(); }
    CCodeView* codeView() const { return codeView_.get(); }
    CListTabView* listTabView() const { return listTabView_.get(); }

    static constexpr int kMinWidth = 400;
    static constexpr int kMinHeight = 300;

protected:
    bool onCommand(int id, int code, HWND control) override;
    LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void recalcLayout() override;

private:
    bool onCreate();
    bool createClient();
    bool confirmClose();
    void compact();
    void onCompactionDone();
    void focusPane(bool backwards);
    bool editFocused(int command);
    void openProductPage();
    void showOptions();
    void checkForUpdates(HWND owner);
    void placeSearchBox();
    void search();

    ViewContext& context_;
    CExternal& external_;
    CMySplitterWnd outer_;
    CMySplitterWnd inner_;
    // In the order they need each other.
    std::unique_ptr<CListTabView> listTabView_;
    std::unique_ptr<CCodeView> codeView_;
    std::unique_ptr<CItemView> itemView_;
    HWND searchBox_ = nullptr;  // the skin library's, on the toolbar
    std::unique_ptr<CBusyDlg> busy_;
    Compaction compaction_;
    bool closeWhenDone_ = false;
};
