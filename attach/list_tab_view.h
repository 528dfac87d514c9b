// The pane below the code view: memo, attachments and search results, with
// the tab headers along its bottom edge.  The code view tells it which text
// is current; until its pages are filled it holds no memo of its own.
#pragma once

#include <string>

#include "app/tab_view.h"

class CListTabView : public CTabView {
public:
    static constexpr int kTabControlId = 1002;

    void setCurrentText(int id) { currentText_ = id; }
    int currentText() const { return currentText_; }
    void loadText(int) {}
    void enable(bool on) { EnableWindow(tabControl(), on); }
    void clear() { currentText_ = 0; }

    // The memo of the current text, when the memo page has loaded one.
    bool memoLoaded() const { return false; }
    std::string memoText() const { return std::string(); }
    bool memoModified() const { return false; }
    void setMemoModified(bool) {}

protected:
    const char* windowClassName() const override { return "Afx:jexmarlo:ListTabView"; }
    bool onCreate() override;

private:
    int currentText_ = 0;
};
