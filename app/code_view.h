// The code view, upper right: one tab and one CHEditCtrl per open text, or
// the welcome tab while none is open.  It loads texts from the database,
// saves content (and the current text's memo) in one statement, asks before
// closing an unsaved text, and auto-saves on a timer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/tab_view.h"

class CHEditCtrl;
class CListTabView;
class CWelcomePage;

class CCodeView : public CTabView {
public:
    static constexpr int kTabControlId = 1001;

    CCodeView();
    ~CCodeView() override;

    void setPane(CListTabView* pane) { pane_ = pane; }

    // From the tree.
    void openText(const std::string& title, int id, int schemeId);
    void textChanged(const std::string& title, int id, int schemeId);
    // Closes a text; with `ask`, an unsaved one only after "Yes".  Returns
    // whether it was closed (or was not open).
    bool closeText(int id, bool ask = true);
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

    std::vector<OpenText> texts_;  // in tab order
    int current_ = -1;
    int editorNumber_ = 0;
    HFONT font_ = nullptr;
    CListTabView* pane_ = nullptr;
    std::unique_ptr<CWelcomePage> welcome_;
};
