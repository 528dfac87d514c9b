// The snippet tree: creating, renaming, deleting, moving and opening nodes
// in the running program, checked in the tree, the code view's tabs, the
// status bar and the database.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "skin/jexui.h"
#include "store/db_connection.h"
#include "store/schema.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/main_window_fixture.h"
#include "tests/store/test_db.h"

namespace {

using e2e::Program;
using e2e::ProgramFolder;
using Rows = std::vector<std::string>;

using Tree = e2e::MainWindowTest;

TEST_F(Tree, ListsTheTopLevelAndFoldersLazily) {
    int folderId = addNode(1, 1, 0, "lib");
    addNode(folderId, 1, 1, "deep.c");
    addNode(1, 2, 1, "readme");
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(labels(TVI_ROOT), std::vector<std::string>{"默认"});
    EXPECT_EQ(labels(top), std::vector<std::string>{"tmp"});  // listed on first expansion
    expand(top);
    EXPECT_EQ(labels(top), (std::vector<std::string>{"lib", "readme"}));
    expand(find(top, "lib"));
    EXPECT_EQ(labels(find(top, "lib")), std::vector<std::string>{"deep.c"});
    EXPECT_FALSE(e2e::screenshot("tree-listed").empty());
}

TEST_F(Tree, NewNodesGetGeneratedLabelsAndRowsWhenTheEditEnds) {
    ASSERT_NO_FATAL_FAILURE(start());
    // No selection: a folder at the top level, after 默认 (turn 1).
    select(nullptr);
    stripButton(1010);
    EXPECT_EQ(e2e::windowText(labelEditor()), "新建目录2");
    EXPECT_EQ(SendMessageA(labelEditor(), EM_GETLIMITTEXT, 0, 0), 50);
    finishEdit(nullptr, true);  // Esc keeps the generated label
    EXPECT_EQ(labels(TVI_ROOT), (std::vector<std::string>{"默认", "新建目录2"}));
    EXPECT_EQ(query("SELECT pId, turn, type, SynId, title FROM tree_tbl WHERE ItemId > 1;"),
              Rows{"0|2|0|-1|新建目录2"});

    // On a folder: a text inside it, with a typed title.
    select(top);
    stripButton(1009);
    EXPECT_EQ(e2e::windowText(labelEditor()), "新建文本1");
    EXPECT_FALSE(e2e::screenshot("tree-new-text").empty());
    finishEdit("  it's.cpp  ");
    expand(top);
    EXPECT_EQ(labels(top), std::vector<std::string>{"it's.cpp"});
    // The extension picks the shipped C++ scheme (id 2).
    EXPECT_EQ(query("SELECT pId, turn, type, SynId, title FROM tree_tbl WHERE type = 1;"),
              Rows{"1|1|1|2|it's.cpp"});
    EXPECT_EQ(query("SELECT COUNT(*) FROM content_tbl;"), Rows{"1"});
}

TEST_F(Tree, NewTextAfterATextShiftsOnlyTheContiguousSiblings) {
    int a = addNode(1, 3, 1, "a");
    int b = addNode(1, 4, 1, "b");
    int c = addNode(1, 5, 1, "c");
    int d = addNode(1, 7, 1, "d");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    select(find(top, "a"));
    stripButton(1009);
    EXPECT_EQ(e2e::windowText(labelEditor()), "新建文本4");
    finishEdit("new");
    EXPECT_EQ(labels(top), (std::vector<std::string>{"a", "new", "b", "c", "d"}));
    auto turnOf = [&](int id) { return query("SELECT turn FROM tree_tbl WHERE ItemId = " + std::to_string(id) + ";"); };
    EXPECT_EQ(turnOf(a), Rows{"3"});
    EXPECT_EQ(query("SELECT turn FROM tree_tbl WHERE title = 'new';"), Rows{"4"});
    EXPECT_EQ(turnOf(b), Rows{"5"});
    EXPECT_EQ(turnOf(c), Rows{"6"});
    EXPECT_EQ(turnOf(d), Rows{"7"});
}

TEST_F(Tree, OpenRenameAndTheCodeViewTab) {
    int id = addNode(1, 1, 1, "hello.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    select(find(top, "hello.c"));
    key(VK_RETURN);
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"hello.c"});
    HWND status = e2e::findDescendant(frame, STATUSCLASSNAMEA);
    EXPECT_EQ(e2e::statusText(pid(), status, 1).rfind("创建于：20", 0), 0u);
    EXPECT_EQ(e2e::statusText(pid(), status, 2), "最后修改：");

    key(VK_F2);
    finishEdit("   ");  // blanks only: the old title stays
    EXPECT_EQ(labels(top), std::vector<std::string>{"hello.c"});
    key(VK_F2);
    finishEdit("a much longer title for this text.c");
    EXPECT_EQ(query("SELECT title FROM tree_tbl WHERE ItemId = " + std::to_string(id) + ";"),
              Rows{"a much longer title for this text.c"});
    // A rename shows the whole new title (only opening cuts long titles).
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"a much longer title for this text.c"});
    EXPECT_FALSE(e2e::screenshot("tree-open-rename").empty());
}

TEST_F(Tree, DeletingAFolderRemovesItsWholeSubtreeAndClosesItsTexts) {
    int outer = addNode(1, 1, 0, "outer");
    int inner = addNode(outer, 1, 0, "inner");
    int text = addNode(inner, 1, 1, "leaf.c");
    addNode(outer, 2, 1, "sibling.c");
    {
        store::DbConnection db;
        db.openWithKey(e2e::databasePath(folder).c_str(), store::kPassPhrase);
        db.execute(("INSERT INTO attach_tbl VALUES(NULL, " + std::to_string(text) +
                    ", 'a.bin', 1, datetime('now', 'localtime'), 0, 'x');").c_str());
    }
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    expand(find(top, "outer"));
    expand(find(find(top, "outer"), "inner"));
    select(find(find(find(top, "outer"), "inner"), "leaf.c"));
    key(VK_RETURN);
    ASSERT_EQ(codeTabLabels(), std::vector<std::string>{"leaf.c"});

    select(find(top, "outer"));
    key(VK_DELETE);
    HWND box = messageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(e2e::windowText(box), "确认删除");
    EXPECT_EQ(e2e::messageBoxText(box), "目录\"outer\"及其所有子目录及对应文章将被删除且不可恢复，确认？");
    EXPECT_FALSE(e2e::screenshot("tree-delete-question").empty());
    answer(box, IDYES);

    EXPECT_EQ(labels(top), std::vector<std::string>{});
    EXPECT_EQ(codeTabLabels(), std::vector<std::string>{"欢迎"});
    EXPECT_EQ(query("SELECT COUNT(*) FROM tree_tbl;"), Rows{"1"});
    EXPECT_EQ(query("SELECT COUNT(*) FROM content_tbl;"), Rows{"0"});
    EXPECT_EQ(query("SELECT COUNT(*) FROM attach_tbl;"), Rows{"0"});
    (void)inner;
}

TEST_F(Tree, DeleteAsksAboutATextAndNoMeansNo) {
    addNode(1, 1, 1, "keep.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    select(find(top, "keep.c"));
    stripButton(1011);
    HWND box = messageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(e2e::messageBoxText(box), "文本\"keep.c\"及其对应附件将被删除且不可恢复，确认？");
    answer(box, IDNO);
    EXPECT_EQ(labels(top), std::vector<std::string>{"keep.c"});
    EXPECT_EQ(query("SELECT COUNT(*) FROM tree_tbl;"), Rows{"2"});
}

TEST_F(Tree, CommandsWithoutSelectionSaySo) {
    ASSERT_NO_FATAL_FAILURE(start());
    select(nullptr);
    key(VK_DELETE);
    HWND box = messageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(e2e::messageBoxText(box), "未选择任何项！");
    answer(box, IDOK);

    select(top);  // a folder
    PostMessageA(frame, WM_COMMAND, 32800, 0);
    box = messageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(e2e::messageBoxText(box), "此功能只针对文本节点有效！");
    e2e::clickButton(box, IDOK);
}

// A delete that fails part way down (a trigger refuses one row) is rolled
// back as a whole: the tree keeps the folder and its children, and the text
// open from inside it stays open.
TEST_F(Tree, AFailedDeleteKeepsTheItemItsChildrenAndItsOpenText) {
    int outer = addNode(1, 1, 0, "outer");
    addNode(outer, 1, 1, "open.c");
    int inner = addNode(outer, 2, 0, "inner");
    int refused = addNode(inner, 1, 1, "refused.c");
    {
        store::DbConnection db;
        db.openWithKey(e2e::databasePath(folder).c_str(), store::kPassPhrase);
        db.execute(("CREATE TRIGGER refuse_trig BEFORE DELETE ON tree_tbl WHEN OLD.ItemId = " + std::to_string(refused) +
                    " BEGIN SELECT RAISE(ABORT, 'refused by the test'); END;")
                       .c_str());
    }
    const Rows before = query("SELECT ItemId, pId, title FROM tree_tbl ORDER BY ItemId;");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    HTREEITEM outerItem = find(top, "outer");
    expand(outerItem);
    select(find(outerItem, "open.c"));
    openSelected();
    ASSERT_TRUE(codeTabsAre({"open.c"}));

    select(outerItem);
    key(VK_DELETE);
    HWND question = messageBox();
    ASSERT_TRUE(question);
    ASSERT_EQ(e2e::windowText(question), "确认删除");
    e2e::clickButton(question, IDYES);
    ASSERT_TRUE(e2e::waitForGone(question));
    HWND failure = messageBox();
    ASSERT_TRUE(failure);
    EXPECT_NE(e2e::messageBoxText(failure).find("refused by the test"), std::string::npos)
        << e2e::messageBoxText(failure);
    answer(failure, IDOK);

    EXPECT_EQ(labels(top), std::vector<std::string>{"outer"});
    EXPECT_EQ(labels(outerItem), (std::vector<std::string>{"open.c", "inner"}));
    expand(find(outerItem, "inner"));
    EXPECT_EQ(labels(find(outerItem, "inner")), std::vector<std::string>{"refused.c"});
    EXPECT_TRUE(codeTabsAre({"open.c"}));
    EXPECT_EQ(query("SELECT ItemId, pId, title FROM tree_tbl ORDER BY ItemId;"), before);
    EXPECT_EQ(query("SELECT COUNT(*) FROM content_tbl;"), Rows{"2"});
}

// Real mouse input: the first click of a freshly shown window may go to its
// activation, so a gesture is repeated until it has taken effect.
TEST_F(Tree, DoubleClickOpensAndTheContextMenuCreatesInTheFolderClicked) {
    addNode(1, 1, 1, "clicked.c");
    ASSERT_NO_FATAL_FAILURE(start());
    SetForegroundWindow(frame);
    expand(top);
    RECT text = e2e::treeItemRect(pid(), tree, find(top, "clicked.c"));
    POINT label = {(text.left + text.right) / 2, (text.top + text.bottom) / 2};
    EXPECT_TRUE(e2e::repeatUntil(
        tree, [&] { e2e::click(label.x, label.y, false, 2); }, "the code view's tabs", [&] { return codeTabLabels(); },
        std::vector<std::string>{"clicked.c"}));

    RECT folderRect = e2e::treeItemRect(pid(), tree, top);
    POINT folderLabel = {(folderRect.left + folderRect.right) / 2, (folderRect.top + folderRect.bottom) / 2};
    ASSERT_TRUE(e2e::repeatUntil(
        tree, [&] { e2e::click(folderLabel.x, folderLabel.y, true); }, "a context menu shown",
        [&] { return program->findWindow(nullptr, "#32768") != nullptr; }, true));
    EXPECT_FALSE(e2e::screenshot("tree-context-menu").empty());
    e2e::pressKey('F');  // 新建目录(&F)
    ASSERT_TRUE(waitForLabelEditor());
    EXPECT_EQ(e2e::windowText(labelEditor()), "新建目录2");
    finishEdit("made by menu");
    EXPECT_EQ(query("SELECT pId, turn, type FROM tree_tbl WHERE title = 'made by menu';"), Rows{"1|2|0"});
}

class TreeMove : public e2e::MainWindowTest {
protected:
    // Reports a finished drag to the frame as the tree's skin does.
    void drop(HTREEITEM dragged, HTREEITEM target, bool onLabel) {
        e2e::RemoteBuffer buffer(pid(), sizeof(JEXTREEDRAGDROP));
        JEXTREEDRAGDROP result = {dragged, target, onLabel ? 1 : 0};
        buffer.write(&result, sizeof result);
        SendMessageA(frame, WM_TREE_DRAGDROP, 0, buffer.address());  // the move is done when it returns
    }
};

TEST_F(TreeMove, TextDroppedBetweenSiblingsTakesTheNextTurnAndShiftsTheRest) {
    addNode(1, 1, 1, "one");
    addNode(1, 2, 1, "two");
    int three = addNode(1, 3, 1, "three");
    int four = addNode(1, 4, 1, "four");
    int mover = addNode(1, 9, 1, "mover");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    drop(find(top, "mover"), find(top, "two"), true);
    EXPECT_EQ(labels(top), (std::vector<std::string>{"one", "two", "mover", "three", "four"}));
    auto turnOf = [&](int id) { return query("SELECT turn FROM tree_tbl WHERE ItemId = " + std::to_string(id) + ";"); };
    EXPECT_EQ(turnOf(mover), Rows{"3"});
    EXPECT_EQ(turnOf(three), Rows{"4"});
    EXPECT_EQ(turnOf(four), Rows{"5"});
}

TEST_F(TreeMove, UnexpandedFolderIntoAnotherUnexpandedFolderListsEachChildOnce) {
    int from = addNode(1, 1, 0, "from");
    addNode(from, 1, 1, "x.c");
    addNode(from, 2, 1, "y.c");
    int to = addNode(1, 2, 0, "to");
    addNode(to, 1, 1, "z.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    drop(find(top, "from"), find(top, "to"), true);
    EXPECT_EQ(labels(top), std::vector<std::string>{"to"});
    HTREEITEM target = find(top, "to");
    expand(target);
    EXPECT_EQ(labels(target), (std::vector<std::string>{"z.c", "from"}));
    HTREEITEM moved = find(target, "from");
    expand(moved);
    EXPECT_EQ(labels(moved), (std::vector<std::string>{"x.c", "y.c"}));
    EXPECT_EQ(query("SELECT pId, turn FROM tree_tbl WHERE ItemId = " + std::to_string(from) + ";"),
              Rows{std::to_string(to) + "|2"});
    EXPECT_FALSE(e2e::screenshot("tree-moved").empty());
}

TEST_F(TreeMove, DroppedOnAFolderIconGoesAfterTheFolder) {
    addNode(1, 1, 0, "folder");
    int text = addNode(1, 2, 1, "text.c");
    ASSERT_NO_FATAL_FAILURE(start());
    expand(top);
    drop(find(top, "text.c"), find(top, "folder"), false);
    EXPECT_EQ(labels(top), (std::vector<std::string>{"folder", "text.c"}));
    EXPECT_EQ(query("SELECT pId, turn FROM tree_tbl WHERE ItemId = " + std::to_string(text) + ";"), Rows{"1|2"});
}

}  // namespace
