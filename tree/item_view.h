// The snippet tree view, on the left of the main frame: a tree of folders
// and texts read lazily from the database, with the tool strip above it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "fw/tab_view.h"
#include "tree/tool_strip.h"
#include "tree/tree_store.h"
#include "views/navigator.h"
#include "views/status_line.h"
#include "views/text_workspace.h"
#include "views/view_context.h"

class CItemView : public CTabView, public Navigator {
public:
    static constexpr int kTabControlId = 1003;
    static constexpr int kTreeId = 1002;

    // Texts open in `workspace`; the times of an opened text show in `status`.
    CItemView(ViewContext& context, TextWorkspace& workspace, StatusLine& status);
    ~CItemView() override;

    void locateAndOpen(int nodeId) override;
    // Moves `dragged` after `target`, or into the folder `target` when it
    // was dropped on a folder's label (`onLabel`).
    void move(HTREEITEM dragged, HTREEITEM target, bool onLabel);
    // Selects the entry named by the DefSyntex setting in the scheme list.
    void selectDefaultScheme();

    bool onCommand(int id) override;
    HWND tree() const { return tree_; }

protected:
    const char* windowClassName() const override { return "Afx:jexmarlo:ItemView"; }
    bool onCreate() override;
    void onResize() override;
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // What a tree item carries: owned by the item, freed with it.
    struct Node {
        int id;
        int turn;
        int type;  // 0 folder, 1 text
        int schemeId;
        bool listed;  // children read into the tree
    };

    // Tree helpers.
    Node* nodeOf(HTREEITEM item) const;
    void setNode(HTREEITEM item, Node* node);
    std::string labelOf(HTREEITEM item) const;
    HTREEITEM insertItem(HTREEITEM parent, HTREEITEM after, const std::string& label, int image, Node* node);
    void setImage(HTREEITEM item, int image);
    int cachedImage(const std::string& key, const std::function<int()>& add);
    int bitmapImage(int bitmapId);
    int folderImage();
    int plainTextImage();
    int textImage(const std::string& title, int schemeId);
    int shellIcon(const std::string& extension);

    std::vector<Sibling> followingSiblings(HTREEITEM item, std::vector<Node*>& nodes) const;
    void listChildren(int parentId, HTREEITEM parent);
    void ensureListed(HTREEITEM item);
    void open(HTREEITEM item);
    // Closes the open texts of a subtree and frees its nodes; `ask` lets an
    // unsaved text ask first (not when its rows are gone).
    void closeSubtree(HTREEITEM item, bool ask);

    // Commands.
    void newNode(int type);
    void beginRename();
    void deleteSelected();
    void changeToCurrentScheme();
    void showContextMenu();
    bool endLabelEdit(NMTVDISPINFOA& info);
    int renumber(HTREEITEM parent, HTREEITEM item);

    LRESULT onNotify(NMHDR& header);
    static LRESULT CALLBACK treeKeys(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    void showError(const store::CppSQLite3Exception& e) const;

    ViewContext& context_;
    TextWorkspace& workspace_;
    StatusLine& status_;
    HWND tree_ = nullptr;
    HIMAGELIST images_ = nullptr;
    std::unordered_map<std::string, int> imageOf_;  // image list index by kind or extension
    CToolStrip strip_;
    TreeStore store_;
    HTREEITEM anchor_ = nullptr;
    bool creating_ = false;
    int creatingType_ = 0;
    int creatingTurn_ = 0;
    bool editing_ = false;
};
