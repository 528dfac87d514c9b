// The pane below the code view: memo, attachments and search results, with
// the tab headers along its bottom edge.  The code view tells it which text
// is current; until its pages are filled it holds no memo of its own.
#pragma once

#include <string>

#include "fw/tab_view.h"
#include "views/current_text.h"
#include "views/navigator.h"
#include "views/view_context.h"

class CListTabView : public CTabView, public CurrentText {
public:
    static constexpr int kTabControlId = 1002;

    explicit CListTabView(ViewContext& context) : context_(context) {}
    // Where a search result's text is found and opened.
    void setNavigator(Navigator& navigator) { navigator_ = &navigator; }

    void setCurrentText(int id) override { currentText_ = id; }
    int currentText() const { return currentText_; }
    void loadText(int) override {}
    void enable(bool on) override { EnableWindow(tabControl(), on); }
    void clear() override { currentText_ = 0; }

    bool memoLoaded() const override { return false; }
    std::string memoText() const override { return std::string(); }
    bool memoModified() const override { return false; }
    void setMemoModified(bool) override {}

protected:
    const char* windowClassName() const override { return "Afx:jexmarlo:ListTabView"; }
    bool onCreate() override;

private:
    ViewContext& context_;
    Navigator* navigator_ = nullptr;
    int currentText_ = 0;
};
