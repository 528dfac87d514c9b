// The code view, upper right: one tab and one CHEditCtrl per open text, or
// the welcome tab while none is open.  It loads texts from the database,
// saves content (and the current text's memo) in one statement, asks before
// closing an unsaved text, and auto-saves on a timer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fw/tab_view.h"
#include "views/current_text.h"
#include "views/status_line.h"
#include "views/text_workspace.h"
#include "views/view_context.h"

class CExternal;
class CHEditCtrl;
class CWelcomePage;

class CCodeView : public CTabView, public TextWorkspace {
public:
    static constexpr int kTabControlId = 1001;

    // The current text's memo and attachments show in `pane`, its times in
    // `status`; the welcome page's scripts reach `external`.
    CCodeView(ViewContext& context, StatusLine& status, CurrentText& pane, CExternal& external);
    ~CCodeView() override;

    // From the tree.
    void openText(const std::string& title, int id, int schemeId) override;
    void textChanged(const std::string& title, int id, int schemeId) override;
    bool closeText(int id) override;
    void discardText(int id) override;
    bool isOpen(int id) const { return indexOf(id) >= 0; }

    // From the frame.
    bool saveCurrent();
    bool saveAll();
    bool anyModified() const;
    void applyFontToAll();
    void rearmAutoSave();
    bool onCommand(int id) override;

    CHEditCtrl* currentEditor() const;
    int openCount() const { return int(texts_.size()); }

    // A tab label: titles of 19 bytes or more are cut to 18 and "...".
    static std::string tabLabel(const std::string& title);

protected:
    const char* windowClassName() const override { return "Afx:jexmarlo:CodeView"; }
    bool onCreate() override;
    void onResize() override;
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    struct OpenText {
        int id;
        int schemeId;
        std::unique_ptr<CHEditCtrl> editor;
    };

    int indexOf(int id) const;
    RECT pageRect() const;
    bool save(int index);
    bool closeAt(int index, bool ask);
    void show(int index);
    void showWelcome();
    void loadScheme(CHEditCtrl& editor, int schemeId);
    void applyFont(CHEditCtrl& editor);
    void showTimes(int id);
    void setTabText(int index, const std::string& text);

    ViewContext& context_;
    StatusLine& status_;
    CurrentText& pane_;
    CExternal& external_;
    std::vector<OpenText> texts_;  // in tab order
    int current_ = -1;
    int editorNumber_ = 0;
    HFONT font_ = nullptr;
    std::unique_ptr<CWelcomePage> welcome_;
};
