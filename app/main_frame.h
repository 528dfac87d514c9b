// The main window: toolbar, status bar, and two splitters holding the tree
// (left), the code view (upper right) and the memo/attachment/search pane
// (lower right).
#pragma once

#include <memory>

#include "app/compaction.h"
#include "app/my_splitter_wnd.h"
#include "fw/frame_wnd.h"

class CItemView;
class CCodeView;
class CListTabView;
class CBusyDlg;

class CMainFrame : public fw::FrameWnd {
public:
    CMainFrame();
    ~CMainFrame() override;

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

private:
    bool onCreate();
    bool createClient();
    bool confirmClose();
    void compact();
    void onCompactionDone();
    void focusPane(bool backwards);
    void openProductPage();

    CMySplitterWnd outer_;
    CMySplitterWnd inner_;
    std::unique_ptr<CItemView> itemView_;
    std::unique_ptr<CCodeView> codeView_;
    std::unique_ptr<CListTabView> listTabView_;
    std::unique_ptr<CBusyDlg> busy_;
    Compaction compaction_;
    bool closeWhenDone_ = false;
};
