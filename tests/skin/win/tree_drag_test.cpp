// Dragging in a skinned tree view with the real mouse: what the window that
// owns the tree hears of a drop, where drops are refused, the insertion
// mark, closed folders opening under a resting pointer, scrolling at the
// edges, and trees that do not drag.
//
// The tree (one icon for every item):
//   Folder A (open)  - A child one, A child two
//   Folder B (closed) - B child
//   Text C with a long label for the mark
//   Text D
//   Text E
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/skin/win/skin_test_support.h"

namespace {

using namespace skintest;

constexpr int kIconSize = 16;

class TreeDragOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        parkMouse();
        ASSERT_TRUE(frame.bringToFront());
        images = ImageList_Create(kIconSize, kIconSize, ILC_COLOR32, 1, 1);
        HDC screen = GetDC(nullptr);
        HBITMAP icon = CreateCompatibleBitmap(screen, kIconSize, kIconSize);
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(dc, icon);
        RECT all = {0, 0, kIconSize, kIconSize};
        HBRUSH brush = CreateSolidBrush(kGlyph);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        ImageList_Add(images, icon, nullptr);
        DeleteObject(icon);
    }
    void TearDown() override {
        parkMouse();
        if (IsWindow(tree)) DestroyWindow(tree);
        ImageList_Destroy(images);
    }

    void makeTree(DWORD style = 0, int height = 300) {
        tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                               WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT |
                                   TVS_SHOWSELALWAYS | style,
                               10, 10, 300, height, frame.hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(tree);
        TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    }
    void fillTree() {
        folderA = add(TVI_ROOT, "Folder A");
        a1 = add(folderA, "A child one");
        a2 = add(folderA, "A child two");
        folderB = add(TVI_ROOT, "Folder B");
        add(folderB, "B child");
        textC = add(TVI_ROOT, "Text C with a long label for the mark");
        textD = add(TVI_ROOT, "Text D");
        textE = add(TVI_ROOT, "Text E");
        TreeView_Expand(tree, folderA, TVE_EXPAND);
        // With the focus in the tree and the item to be pressed selected (as
        // the tests do), a press changes no item's look.
        SetFocus(tree);
        ASSERT_TRUE(waitUntil([&] { return GetFocus() == tree; }));
        UpdateWindow(tree);
    }
    HTREEITEM add(HTREEITEM parent, const char* text) {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.pszText = const_cast<char*>(text);
        return TreeView_InsertItem(tree, &insert);
    }

    RECT label(HTREEITEM item) const {
        RECT r = {};
        TreeView_GetItemRect(tree, item, &r, TRUE);
        return r;
    }
    // Client points on an item's label (near its right end: the drag image
    // hangs right of the pointer and leaves the mark's left end in view),
    // near its left end (for a press soon after one on the right end, which
    // would otherwise make a double-click), and on its icon.  Found as the
    // tree's hit test finds them (Wine's label rectangle is a few pixels
    // wider than the label it hits).
    POINT onLabel(HTREEITEM item) const { return hitPoint(item, TVHT_ONITEMLABEL, label(item).right, -1, 2); }
    POINT onLabelStart(HTREEITEM item) const { return hitPoint(item, TVHT_ONITEMLABEL, label(item).left, 1, 6); }
    POINT onIcon(HTREEITEM item) const { return hitPoint(item, TVHT_ONITEMICON, label(item).left, -1, kIconSize / 2); }
    // From x = `start` in steps of `direction`, the first point of `item`
    // with hit flag `flag`, moved `inset` pixels further in.
    POINT hitPoint(HTREEITEM item, UINT flag, int start, int direction, int inset) const {
        RECT r = label(item);
        const int y = (r.top + r.bottom) / 2;
        for (int x = start, n = 0; n < 4 * kIconSize; x += direction, ++n) {
            TVHITTESTINFO hit = {};
            hit.pt = {x, y};
            if (TreeView_HitTest(tree, &hit) == item && (hit.flags & flag)) return {x + direction * inset, y};
        }
        ADD_FAILURE() << "no point of " << name(item) << " with hit flag " << flag;
        return {};
    }
    POINT screen(POINT client) const { return screenPoint(tree, client.x, client.y); }

    // Presses on `p` and moves off a little with the button down: the tree's
    // own drag detection returns only on a move.
    bool press(POINT p) {
        POINT step = screen({p.x - 8, p.y});
        return moveMouse(screen(p)) && pressLeft(&step);
    }
    // Moves to client point `p` in a few steps with the button down.
    bool dragTo(POINT p) {
        POINT from;
        GetCursorPos(&from);
        POINT to = screen(p);
        for (int i = 1; i <= 3; ++i)
            if (!moveMouse({from.x + (to.x - from.x) * i / 3, from.y + (to.y - from.y) * i / 3})) return false;
        return true;
    }
    bool drag(POINT from, POINT to) { return press(from) && dragTo(to) && releaseLeft(); }

    bool expanded(HTREEITEM item) const {
        return (TreeView_GetItemState(tree, item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    }
    std::string drops() const {
        std::string out;
        for (const TestWindow::Drop& d : frame.drops)
            out += "{" + name(d.source) + " on " + name(d.target) + (d.position ? " label}" : " icon}");
        return out;
    }
    std::string name(HTREEITEM item) const {
        char text[64] = {};
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof text;
        if (!TreeView_GetItem(tree, &tv)) return "(not an item of the tree)";
        return std::string(text).substr(0, 8);
    }
    COLORREF pixel(POINT p) const { return clientPixel(tree, p.x, p.y); }
    static COLORREF inverse(COLORREF c) { return RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c)); }

    TestWindow frame{100, 100, 400, 400};
    HWND tree = nullptr;
    HIMAGELIST images = nullptr;
    HTREEITEM folderA = nullptr, a1 = nullptr, a2 = nullptr, folderB = nullptr, textC = nullptr, textD = nullptr,
              textE = nullptr;
};

// The record names the tree's own items and where on the target the item
// was let go; the insertion mark is drawn inverted and taken away exactly.
TEST_F(TreeDragOnScreen, ADropOnALabelOrAnIconTellsTheOwner) {
    makeTree();
    fillTree();
    TreeView_SelectItem(tree, textE);
    UpdateWindow(tree);
    const POINT markC = {label(textC).left - 2, label(textC).bottom};
    const POINT markD = {label(textD).left - 2, label(textD).bottom};
    const COLORREF underC = pixel(markC), underD = pixel(markD);

    ASSERT_TRUE(press(onLabel(textE)));
    ASSERT_TRUE(dragTo(onLabel(textC)));
    EXPECT_EQ(rgb(pixel(markC)), rgb(inverse(underC)));
    ASSERT_TRUE(dragTo(onLabel(textD)));
    EXPECT_EQ(rgb(pixel(markC)), rgb(underC));
    EXPECT_EQ(rgb(pixel(markD)), rgb(inverse(underD)));
    ASSERT_TRUE(dragTo(onLabel(textC)));
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(drops(), "{Text E on Text C w label}");
    ASSERT_EQ(frame.drops.size(), 1u);
    EXPECT_EQ(frame.drops[0].source, textE);
    EXPECT_EQ(frame.drops[0].target, textC);
    EXPECT_EQ(rgb(pixel(markC)), rgb(underC));
    EXPECT_EQ(rgb(pixel(markD)), rgb(underD));
    EXPECT_EQ(GetCapture(), nullptr);

    frame.drops.clear();
    const POINT iconMarkC = {label(textC).left - kIconSize - 4, label(textC).bottom};
    const COLORREF underIconMark = pixel(iconMarkC);
    ASSERT_TRUE(press(onLabelStart(textE)));
    ASSERT_TRUE(dragTo(onIcon(textC)));
    EXPECT_EQ(rgb(pixel(iconMarkC)), rgb(inverse(underIconMark)));
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(drops(), "{Text E on Text C w icon}");
    EXPECT_EQ(rgb(pixel(iconMarkC)), rgb(underIconMark));
}

// A folder cannot go into itself or below itself; a child may go onto its
// parent; a release outside the tree drops nothing.
TEST_F(TreeDragOnScreen, NoDropOnItselfItsChildrenOrOutside) {
    makeTree();
    fillTree();
    TreeView_SelectItem(tree, folderA);
    ASSERT_TRUE(press(onLabel(folderA)));
    ASSERT_TRUE(dragTo(onLabel(a2)));
    EXPECT_EQ(cursorAfterLastMouseMessage(), LoadCursor(nullptr, IDC_NO));
    ASSERT_TRUE(releaseLeft());
    ASSERT_TRUE(drag(onLabelStart(folderA), onIcon(a1)));
    ASSERT_TRUE(drag(onLabel(folderA), onLabelStart(folderA)));
    EXPECT_EQ(drops(), "");
    EXPECT_TRUE(expanded(folderA));

    TreeView_SelectItem(tree, textE);
    ASSERT_TRUE(press(onLabel(textE)));
    ASSERT_TRUE(dragTo(onLabel(textD)));
    RECT client;
    GetClientRect(tree, &client);
    ASSERT_TRUE(dragTo({client.right / 2, client.bottom + 30}));  // below the tree, in its owner
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(drops(), "");

    TreeView_SelectItem(tree, a2);
    ASSERT_TRUE(drag(onLabel(a2), onLabel(folderA)));
    EXPECT_EQ(drops(), "{A child  on Folder A label}");
}

// Resting on a closed folder for more than half a second opens it, without
// a further move; passing over it does not.  A pass counts only when it was
// quick: on a slow machine it is tried again.
TEST_F(TreeDragOnScreen, RestingOnAClosedFolderOpensItPassingDoesNot) {
    makeTree();
    fillTree();
    TreeView_SelectItem(tree, textE);
    ASSERT_TRUE(press(onLabel(textE)));
    ASSERT_TRUE(dragTo(onLabel(textC)));
    bool quick = false;
    for (int attempt = 0; attempt < 5 && !quick; ++attempt) {
        ASSERT_TRUE(moveMouse(screen(onLabel(folderB))));
        const DWORD arrived = GetTickCount();
        ASSERT_TRUE(moveMouse(screen(onLabel(textC))));
        quick = GetTickCount() - arrived < 250;
    }
    ASSERT_TRUE(quick) << "the machine is too slow for a quick pass";
    pumpFor(700);  // resting on a text, which has nothing to open
    EXPECT_FALSE(expanded(folderB));

    ASSERT_TRUE(moveMouse(screen(onLabel(folderB))));
    const DWORD arrived = GetTickCount();
    EXPECT_TRUE(waitUntil([&] { return expanded(folderB); })) << "the folder did not open";
    ASSERT_FALSE(frame.expansions.empty());
    EXPECT_EQ(frame.expansions.back().item, folderB);
    EXPECT_GE(int(frame.expansions.back().tick - arrived), 450);
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(drops(), "{Text E on Folder B label}");
}

// Where an earlier drag ended does not count as resting for the next one,
// even when the next one comes straight to the same folder.
TEST_F(TreeDragOnScreen, AnEarlierDragsRestDoesNotCount) {
    makeTree();
    fillTree();
    TreeView_SelectItem(tree, textE);
    ASSERT_TRUE(drag(onLabel(textE), onLabel(folderB)));
    TreeView_Expand(tree, folderB, TVE_COLLAPSE);  // in case the release came late
    pumpFor(700);

    TreeView_SelectItem(tree, textD);
    const POINT onB = screen(onLabel(folderB));
    ASSERT_TRUE(moveMouse(screen(onLabel(textD))));
    ASSERT_TRUE(pressLeft(&onB));                 // this move ends the tree's drag detection
    ASSERT_TRUE(moveMouse({onB.x - 1, onB.y}));  // the first the skin sees, on the folder
    EXPECT_FALSE(expanded(folderB));
    ASSERT_TRUE(releaseLeft());
}

// Near the bottom edge the tree scrolls on its own while the item is held there.
TEST_F(TreeDragOnScreen, TheTreeScrollsWhileTheItemIsHeldAtItsEdge) {
    makeTree(0, 120);
    std::vector<HTREEITEM> items;
    for (int i = 0; i < 30; ++i) items.push_back(add(TVI_ROOT, ("Item " + std::to_string(i)).c_str()));
    TreeView_SelectItem(tree, items[0]);
    SetFocus(tree);
    UpdateWindow(tree);
    ASSERT_EQ(TreeView_GetFirstVisible(tree), items[0]);
    RECT client;
    GetClientRect(tree, &client);
    ASSERT_TRUE(press(onLabel(items[0])));
    ASSERT_TRUE(dragTo({40, client.bottom - 3}));
    EXPECT_TRUE(waitUntil([&] { return TreeView_GetFirstVisible(tree) != items[0]; })) << "no scrolling";
    ASSERT_TRUE(releaseLeft());
}

TEST_F(TreeDragOnScreen, ATreeWithoutDragAndDropNeverDrags) {
    makeTree(TVS_DISABLEDRAGDROP);
    fillTree();
    TreeView_SelectItem(tree, textE);
    UpdateWindow(tree);
    const POINT markC = {label(textC).left - 2, label(textC).bottom};
    const COLORREF underC = pixel(markC);
    ASSERT_TRUE(press(onLabel(textE)));
    ASSERT_TRUE(dragTo(onLabel(textC)));
    EXPECT_EQ(rgb(pixel(markC)), rgb(underC));
    ASSERT_TRUE(releaseLeft());
    EXPECT_EQ(drops(), "");
}

}  // namespace
