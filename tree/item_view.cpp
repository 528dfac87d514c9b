#include "tree/item_view.h"

#include <shellapi.h>

#include "fw/dialog.h"
#include "fw/frame_wnd.h"
#include "res/resource.h"
#include "skin/jexui.h"
#include "tree/title_rules.h"

namespace {

// Commands of the tree's context menu (menu 137), also reached by keys and
// the tool strip.
constexpr int kCmdDelete = 32792;
constexpr int kCmdNewText = 32793;
constexpr int kCmdNewFolder = 32794;
constexpr int kCmdRename = 32795;
constexpr int kCmdCurrentScheme = 32800;

const char kPlaceholder[] = "tmp";

HTREEITEM parentOrRoot(HWND tree, HTREEITEM item) {
    HTREEITEM parent = TreeView_GetParent(tree, item);
    return parent ? parent : TVI_ROOT;
}

}  // namespace

CItemView::CItemView(ViewContext& context, TextWorkspace& workspace, StatusLine& status)
    : context_(context), workspace_(workspace), status_(status), store_(context.db) {}

CItemView::~CItemView() {
    if (images_) ImageList_Destroy(images_);
}

void CItemView::showError(const store::CppSQLite3Exception& e) const { fw::messageBox(e.errorMessage(), MB_OK); }

// --- creation and layout -------------------------------------------------------

bool CItemView::onCreate() {
    if (!createTabs(kTabControlId, 0, {"导航"})) return false;
    if (!strip_.createStrip(hwnd())) return false;
    tree_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT |
                                TVS_EDITLABELS | TVS_SHOWSELALWAYS | TVS_INFOTIP,
                            0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTreeId)),
                            GetModuleHandleA(nullptr), nullptr);
    if (!tree_) return false;
    SetWindowPos(tree_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(strip_.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    TreeView_SetUnicodeFormat(tree_, FALSE);
    SetWindowSubclass(tree_, treeKeys, 1, reinterpret_cast<DWORD_PTR>(this));

    images_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 10, 30);
    ImageList_SetBkColor(images_, RGB(255, 255, 255));
    TreeView_SetImageList(tree_, images_, TVSIL_NORMAL);
    TreeView_SetItemHeight(tree_, TreeView_GetItemHeight(tree_) + 2);

    strip_.fillSchemes(context_.schemes, context_.settings.defSyntex);
    listChildren(0, TVI_ROOT);
    return true;
}

void CItemView::onResize() {
    int top = headerHeight() + 4;
    int stripHeight = strip_.height();
    MoveWindow(strip_.hwnd(), 3, top, width_ - 6 > 0 ? width_ - 6 : 0, stripHeight, TRUE);
    int treeTop = top + stripHeight;
    int treeHeight = height_ - treeTop - 3;
    MoveWindow(tree_, 3, treeTop, width_ - 6 > 0 ? width_ - 6 : 0, treeHeight > 0 ? treeHeight : 0, TRUE);
}

void CItemView::selectDefaultScheme() { strip_.selectScheme(context_.settings.defSyntex); }

// --- items and nodes ----------------------------------------------------------------

CItemView::Node* CItemView::nodeOf(HTREEITEM item) const {
    if (!item || item == TVI_ROOT) return nullptr;
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!TreeView_GetItem(tree_, &tv)) return nullptr;
    return reinterpret_cast<Node*>(tv.lParam);
}

void CItemView::setNode(HTREEITEM item, Node* node) {
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    tv.lParam = reinterpret_cast<LPARAM>(node);
    TreeView_SetItem(tree_, &tv);
}

std::string CItemView::labelOf(HTREEITEM item) const {
    char text[256] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    TreeView_GetItem(tree_, &tv);
    return text;
}

HTREEITEM CItemView::insertItem(HTREEITEM parent, HTREEITEM after, const std::string& label, int image, Node* node) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(label.c_str());
    insert.item.iImage = insert.item.iSelectedImage = image;
    insert.item.lParam = reinterpret_cast<LPARAM>(node);
    return TreeView_InsertItem(tree_, &insert);
}

void CItemView::setImage(HTREEITEM item, int image) {
    TVITEMA tv = {};
    tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    tv.hItem = item;
    tv.iImage = tv.iSelectedImage = image;
    TreeView_SetItem(tree_, &tv);
}

// Each image is added to the list once and shared by every item that shows
// it: asking the shell for an icon is slow, and a list growing by one image
// per listed item would make a folder of a thousand texts open slowly and
// keep growing for as long as the tree lives.  Keys: "<folder>", "<text>",
// or a lower-case extension.
int CItemView::cachedImage(const std::string& key, const std::function<int()>& add) {
    auto found = imageOf_.find(key);
    if (found != imageOf_.end()) return found->second;
    int index = add();
    if (index >= 0) imageOf_.emplace(key, index);
    return index;
}

// Bitmaps take black as the transparent colour.
int CItemView::bitmapImage(int bitmapId) {
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId));
    int index = ImageList_AddMasked(images_, bitmap, RGB(0, 0, 0));
    DeleteObject(bitmap);
    return index;
}

int CItemView::folderImage() {
    return cachedImage("<folder>", [this] { return bitmapImage(IDB_TREE_FOLDER); });
}

int CItemView::plainTextImage() {
    return cachedImage("<text>", [this] { return bitmapImage(IDB_TREE_TEXT); });
}

// The siblings after `item` that carry nodes, in display order.
std::vector<Sibling> CItemView::followingSiblings(HTREEITEM item, std::vector<Node*>& nodes) const {
    std::vector<Sibling> siblings;
    for (HTREEITEM s = TreeView_GetNextSibling(tree_, item); s; s = TreeView_GetNextSibling(tree_, s)) {
        if (Node* n = nodeOf(s)) {
            siblings.push_back({n->id, n->turn});
            nodes.push_back(n);
        }
    }
    return siblings;
}

// The shell's small icon for files with this extension; the file need not
// exist and none is created.
int CItemView::shellIcon(const std::string& extension) {
    std::string key = extension;
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return cachedImage(key, [&] {
        SHFILEINFOA info = {};
        std::string name = "fakename." + extension;
        if (!SHGetFileInfoA(name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                            SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) ||
            !info.hIcon)
            return plainTextImage();
        int added = ImageList_AddIcon(images_, info.hIcon);
        DestroyIcon(info.hIcon);
        return added;
    });
}

int CItemView::textImage(const std::string& title, int schemeId) {
    bool ownIcon = false;
    std::string extension = iconExtension(context_.schemes, title, schemeId, ownIcon);
    return ownIcon ? shellIcon(extension) : plainTextImage();
}

// --- listing ----------------------------------------------------------------------------

void CItemView::listChildren(int parentId, HTREEITEM parent) {
    try {
        store_.listChildren(parentId, [&](const NodeRow& row) {
            int image = row.type == 0 ? folderImage() : textImage(row.title, row.schemeId);
            auto* node = new Node{row.id, row.turn, row.type, row.schemeId, !row.hasChildren};
            HTREEITEM item = insertItem(parent, TVI_LAST, row.title, image, node);
            if (row.hasChildren) insertItem(item, TVI_LAST, kPlaceholder, image, nullptr);
        });
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
    }
}

// Lists a folder's children the first time they are needed.
void CItemView::ensureListed(HTREEITEM item) {
    Node* node = nodeOf(item);
    if (!node || node->type != 0 || node->listed) return;
    HTREEITEM placeholder = TreeView_GetChild(tree_, item);
    if (placeholder && !nodeOf(placeholder)) TreeView_DeleteItem(tree_, placeholder);
    node->listed = true;
    listChildren(node->id, item);
}

// --- open and close -----------------------------------------------------------------------

void CItemView::open(HTREEITEM item) {
    Node* node = nodeOf(item);
    if (!node || node->type != 1) return;
    workspace_.openText(labelOf(item), node->id, node->schemeId);
    try {
        TreeStore::Times times = store_.times(node->id);
        status_.showTextTimes(times.created, times.modified);
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
    }
}

void CItemView::closeSubtree(HTREEITEM item, bool ask) {
    Node* node = nodeOf(item);
    if (!node) return;
    if (ask)
        workspace_.closeText(node->id);
    else
        workspace_.discardText(node->id);
    bool listed = node->listed;
    setNode(item, nullptr);
    delete node;
    if (!listed) return;
    for (HTREEITEM child = TreeView_GetChild(tree_, item); child; child = TreeView_GetNextSibling(tree_, child))
        closeSubtree(child, ask);
}

void CItemView::locateAndOpen(int nodeId) {
    HTREEITEM first = TreeView_GetRoot(tree_);
    if (!first) return;
    TreeView_SelectItem(tree_, first);
    TreeView_Expand(tree_, first, TVE_COLLAPSE);
    TreeView_EnsureVisible(tree_, first);
    TreeView_SelectItem(tree_, first);

    // Depth first, listing folders on the way.
    std::function<HTREEITEM(HTREEITEM)> search = [&](HTREEITEM item) -> HTREEITEM {
        for (; item; item = TreeView_GetNextSibling(tree_, item)) {
            Node* node = nodeOf(item);
            if (node && node->id == nodeId) return item;
            if (node && node->type == 0 && TreeView_GetChild(tree_, item)) {
                ensureListed(item);
                if (HTREEITEM found = search(TreeView_GetChild(tree_, item))) return found;
            }
        }
        return nullptr;
    };
    HTREEITEM found = search(first);
    if (!found) return;
    TreeView_Expand(tree_, found, TVE_EXPAND);
    TreeView_SelectItem(tree_, found);
    TreeView_EnsureVisible(tree_, found);
    open(found);
}

// --- commands ----------------------------------------------------------------------------------

bool CItemView::onCommand(int id) {
    switch (id) {
    case kCmdNewText:
        newNode(1);
        return true;
    case kCmdNewFolder:
        newNode(0);
        return true;
    case kCmdRename:
        beginRename();
        return true;
    case kCmdDelete:
        deleteSelected();
        return true;
    case kCmdCurrentScheme:
        changeToCurrentScheme();
        return true;
    default:
        return false;
    }
}

void CItemView::newNode(int type) {
    HTREEITEM anchor = anchor_;
    Node* anchorNode = nodeOf(anchor);
    HTREEITEM parent;
    HTREEITEM after;
    int turn;
    if (anchorNode && anchorNode->type == 1) {
        // Right after the anchor text; the siblings after it move up while
        // their turns are contiguous.
        parent = parentOrRoot(tree_, anchor);
        after = anchor;
        turn = anchorNode->turn + 1;
        std::vector<Node*> followingNodes;
        std::vector<TurnUpdate> updates = shiftForInsert(turn, followingSiblings(anchor, followingNodes));
        try {
            store_.applyTurns(updates);
        } catch (const store::CppSQLite3Exception& e) {
            showError(e);
            return;
        }
        for (std::size_t i = 0; i < updates.size(); ++i) followingNodes[i]->turn = updates[i].turn;
    } else {
        // Last among the anchor folder's children, or at the top level.
        parent = anchor ? anchor : TVI_ROOT;
        if (anchor) {
            ensureListed(anchor);
            TreeView_Expand(tree_, anchor, TVE_EXPAND);
        }
        turn = 1;
        HTREEITEM child = parent == TVI_ROOT ? TreeView_GetRoot(tree_) : TreeView_GetChild(tree_, parent);
        for (; child; child = TreeView_GetNextSibling(tree_, child))
            if (Node* n = nodeOf(child)) turn = n->turn + 1;
        after = TVI_LAST;
    }

    HTREEITEM item = insertItem(parent, after, newNodeLabel(type, turn), type == 1 ? plainTextImage() : folderImage(),
                                nullptr);
    if (parent != TVI_ROOT) TreeView_Expand(tree_, parent, TVE_EXPAND);
    creating_ = true;
    creatingType_ = type;
    creatingTurn_ = turn;
    TreeView_SelectItem(tree_, item);
    SetFocus(tree_);
    TreeView_EditLabel(tree_, item);
}

void CItemView::beginRename() {
    HTREEITEM item = TreeView_GetSelection(tree_);
    if (!item) {
        fw::messageBox("未选择任何项！", MB_OK);
        return;
    }
    SetFocus(tree_);
    TreeView_EditLabel(tree_, item);
}

bool CItemView::endLabelEdit(NMTVDISPINFOA& info) {
    editing_ = false;
    HTREEITEM item = info.item.hItem;
    std::string title = info.item.pszText ? trimBlanks(info.item.pszText) : std::string();
    if (title.empty()) {
        if (!creating_) return false;  // renaming to nothing: the old title stays
        title = labelOf(item);          // creating: the generated label
    }

    Node* node = nodeOf(item);
    int type = creating_ ? creatingType_ : node ? node->type : 0;
    int schemeId = type == 1 ? schemeForTitle(context_.schemes, title, strip_.currentSchemeId()) : -1;

    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = const_cast<char*>(title.c_str());
    TreeView_SetItem(tree_, &tv);
    if (type == 1) setImage(item, textImage(title, schemeId));

    try {
        if (creating_) {
            Node* anchorNode = nodeOf(anchor_);
            int parentId = 0;
            if (anchorNode && anchorNode->type == 1) {
                Node* parentNode = nodeOf(TreeView_GetParent(tree_, anchor_));
                parentId = parentNode ? parentNode->id : 0;
            } else if (anchorNode) {
                parentId = anchorNode->id;
            }
            creating_ = false;
            int id = store_.insertNode(parentId, creatingTurn_, type, schemeId, title);
            setNode(item, new Node{id, creatingTurn_, type, schemeId, true});
        } else if (node) {
            node->schemeId = schemeId;
            store_.rename(node->id, schemeId, title);
            workspace_.textChanged(title, node->id, schemeId);
        }
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
    }
    creating_ = false;
    return false;  // the label is already set
}

void CItemView::deleteSelected() {
    HTREEITEM item = TreeView_GetSelection(tree_);
    if (!item) {
        fw::messageBox("未选择任何项！", MB_OK);
        return;
    }
    Node* node = nodeOf(item);
    if (!node) {
        fw::messageBox("无效节点，删除失败！", MB_OK);
        return;
    }
    std::string label = labelOf(item);
    std::string question = node->type == 1
                               ? "文本\"" + label + "\"及其对应附件将被删除且不可恢复，确认？"
                               : "目录\"" + label + "\"及其所有子目录及对应文章将被删除且不可恢复，确认？";
    if (fw::messageBox(question.c_str(), MB_YESNO, "确认删除") != IDYES) return;

    // The rows go first: when the delete is rolled back, the item, its
    // children and their open texts all stay as they were.
    try {
        store_.deleteSubtree(node->id);
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
        return;
    }
    closeSubtree(item, false);
    TreeView_DeleteItem(tree_, item);
}

void CItemView::changeToCurrentScheme() {
    HTREEITEM item = TreeView_GetSelection(tree_);
    Node* node = nodeOf(item);
    if (!item || !node) {
        fw::messageBox("未选择任何项！", MB_OK);
        return;
    }
    if (node->type != 1) {
        fw::messageBox("此功能只针对文本节点有效！", MB_OK);
        return;
    }
    node->schemeId = strip_.currentSchemeId();
    // The icon of the scheme's first extension.
    bool ownIcon = false;
    std::string extension = iconExtension(context_.schemes, "", node->schemeId, ownIcon);
    setImage(item, ownIcon ? shellIcon(extension) : plainTextImage());
    try {
        store_.setScheme(node->id, node->schemeId);
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
    }
    workspace_.textChanged(titleWithoutExtension(labelOf(item)), node->id, node->schemeId);
}

// --- move --------------------------------------------------------------------------------------

void CItemView::move(HTREEITEM dragged, HTREEITEM target, bool onLabel) {
    Node* node = nodeOf(dragged);
    Node* targetNode = nodeOf(target);
    if (!node || !target) return;

    HTREEITEM parent;
    HTREEITEM after;
    if (!targetNode || targetNode->type == 1 || !onLabel) {
        parent = parentOrRoot(tree_, target);
        after = target;
    } else {
        ensureListed(target);
        parent = target;
        after = TVI_LAST;
    }

    TVITEMA old = {};
    old.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    old.hItem = dragged;
    TreeView_GetItem(tree_, &old);
    std::string label = labelOf(dragged);
    setNode(dragged, nullptr);  // the new item takes the node over
    HTREEITEM item = insertItem(parent, after, label, old.iImage, node);
    node->turn = renumber(parent, item);

    if (node->type == 0) {
        // Texts open from inside the moved folder are closed; the folder is
        // listed again from the database when it is next expanded.
        bool hadChildren = TreeView_GetChild(tree_, dragged) != nullptr;
        setNode(dragged, new Node(*node));
        closeSubtree(dragged, true);
        if (hadChildren) {
            insertItem(item, TVI_LAST, kPlaceholder, old.iImage, nullptr);
            node->listed = false;
        }
    }
    TreeView_DeleteItem(tree_, dragged);
    TreeView_SelectItem(tree_, item);
}

int CItemView::renumber(HTREEITEM parent, HTREEITEM item) {
    Node* parentNode = nodeOf(parent);
    int parentId = parentNode ? parentNode->id : 0;
    Node* node = nodeOf(item);

    std::optional<int> previousTurn;
    for (HTREEITEM p = TreeView_GetPrevSibling(tree_, item); p; p = TreeView_GetPrevSibling(tree_, p)) {
        if (Node* n = nodeOf(p)) {
            previousTurn = n->turn;
            break;
        }
    }
    std::vector<Node*> followingNodes;
    MovePlan plan = planMove(previousTurn, followingSiblings(item, followingNodes));
    try {
        store_.moveNode(node->id, parentId, plan);
    } catch (const store::CppSQLite3Exception& e) {
        showError(e);
        return 1;
    }
    for (std::size_t i = 0; i < plan.shifts.size(); ++i) followingNodes[i]->turn = plan.shifts[i].turn;
    return plan.turn;
}

// --- messages ------------------------------------------------------------------------------------

void CItemView::showContextMenu() {
    POINT screen;
    GetCursorPos(&screen);
    TVHITTESTINFO hit = {};
    hit.pt = screen;
    ScreenToClient(tree_, &hit.pt);
    HTREEITEM item = TreeView_HitTest(tree_, &hit);
    if (item && (hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON))) {
        TreeView_SelectItem(tree_, item);
        anchor_ = item;
    } else {
        anchor_ = nullptr;
    }
    RECT view;
    GetWindowRect(hwnd(), &view);
    if (!PtInRect(&view, screen)) return;
    frame()->setActiveView(this);
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TREE_MENU));
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, frame()->hwnd(),
                   nullptr);
    DestroyMenu(menu);
}

LRESULT CItemView::onNotify(NMHDR& header) {
    switch (header.code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        auto& tv = reinterpret_cast<NMTREEVIEWA&>(header);
        if (tv.action & TVE_EXPAND) ensureListed(tv.itemNew.hItem);
        return FALSE;
    }
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW:
        delete reinterpret_cast<Node*>(reinterpret_cast<NMTREEVIEWA&>(header).itemOld.lParam);
        return 0;
    case TVN_BEGINLABELEDITA: {
        editing_ = true;
        if (HWND edit = TreeView_GetEditControl(tree_)) SendMessageA(edit, EM_LIMITTEXT, 50, 0);
        return FALSE;
    }
    case TVN_ENDLABELEDITA:
        return endLabelEdit(reinterpret_cast<NMTVDISPINFOA&>(header)) ? TRUE : FALSE;
    case NM_DBLCLK: {
        TVHITTESTINFO hit = {};
        GetCursorPos(&hit.pt);
        ScreenToClient(tree_, &hit.pt);
        HTREEITEM item = TreeView_HitTest(tree_, &hit);
        if (item && (hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON))) open(item);
        return FALSE;
    }
    case NM_RCLICK:
        showContextMenu();
        return TRUE;
    default:
        return 0;
    }
}

// Keys the tree sees before it handles them itself.
LRESULT CALLBACK CItemView::treeKeys(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<CItemView*>(data);
    if (msg == WM_KEYDOWN && !self->editing_) {
        switch (wParam) {
        case VK_DELETE:
            self->deleteSelected();
            return 0;
        case VK_F2:
            self->beginRename();
            return 0;
        case VK_RETURN:
            self->open(TreeView_GetSelection(hwnd));
            return 0;
        default:
            break;
        }
    }
    if (msg == WM_GETDLGCODE && wParam == VK_RETURN) return DLGC_WANTALLKEYS;
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, treeKeys, 1);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CItemView::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == tree_) return onNotify(*header);
        break;
    }
    case WM_TREE_NEWNODE:
        SetFocus(strip_.hwnd());
        anchor_ = TreeView_GetSelection(tree_);
        newNode(int(wParam));
        return 0;
    case WM_TREE_DELETENODE:
        deleteSelected();
        return 0;
    default:
        break;
    }
    return CTabView::windowProc(msg, wParam, lParam);
}
