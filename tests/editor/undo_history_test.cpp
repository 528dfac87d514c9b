// Walking the undo history and keeping track of the save point.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/undo_history.h"

namespace {

UndoRecord typed(const std::string& text, bool grouped = false) {
    UndoRecord r;
    r.kind = kUndoInsert | kActionTyping;
    r.text = text;
    r.grouped = grouped;
    return r;
}

std::vector<std::string> texts(const std::vector<const UndoRecord*>& records) {
    std::vector<std::string> out;
    for (const UndoRecord* r : records) out.push_back(r->text);
    return out;
}

using Texts = std::vector<std::string>;

// Walks `steps` ('u' undo, 'r' redo) and notes after each step whether the
// history is at its save point ('S') or not ('-').
std::string savePoints(UndoHistory& h, const char* steps) {
    std::string marks;
    for (const char* step = steps; *step; ++step) {
        if (*step == 'u')
            h.undo();
        else
            h.redo();
        marks += h.atSavePoint() ? 'S' : '-';
    }
    return marks;
}

TEST(UndoHistoryWalk, UndoesNewestFirstAndRedoesInOrder) {
    UndoHistory h;
    EXPECT_FALSE(h.canUndo());
    EXPECT_TRUE(h.undo().empty());
    h.add(typed("a"));
    h.add(typed("b"));
    EXPECT_EQ(texts(h.undo()), Texts{"b"});
    EXPECT_TRUE(h.canUndo());
    EXPECT_TRUE(h.canRedo());
    EXPECT_EQ(texts(h.undo()), Texts{"a"});
    EXPECT_FALSE(h.canUndo());
    EXPECT_TRUE(h.undo().empty());
    EXPECT_EQ(texts(h.redo()), Texts{"a"});
    EXPECT_EQ(texts(h.redo()), Texts{"b"});
    EXPECT_FALSE(h.canRedo());
    EXPECT_TRUE(h.redo().empty());
    EXPECT_EQ(h.size(), 2u);
}

TEST(UndoHistoryWalk, GroupedRecordGoesWithTheNextOne) {
    UndoHistory h;
    h.add(typed("x"));
    h.add(typed("a", true));
    h.add(typed("b"));
    EXPECT_EQ(texts(h.undo()), (Texts{"b", "a"}));
    EXPECT_EQ(texts(h.undo()), Texts{"x"});
    EXPECT_EQ(texts(h.redo()), Texts{"x"});
    EXPECT_EQ(texts(h.redo()), (Texts{"a", "b"}));
    EXPECT_FALSE(h.canRedo());
}

TEST(UndoHistoryWalk, ChainOfGroupedRecordsIsOneStep) {
    UndoHistory h;
    h.add(typed("a", true));
    h.add(typed("b", true));
    h.add(typed("c"));
    h.add(typed("d"));
    EXPECT_EQ(texts(h.undo()), Texts{"d"});
    EXPECT_EQ(texts(h.undo()), (Texts{"c", "b", "a"}));
    EXPECT_FALSE(h.canUndo());
    EXPECT_EQ(texts(h.redo()), (Texts{"a", "b", "c"}));
    EXPECT_EQ(texts(h.redo()), Texts{"d"});
}

TEST(UndoHistoryWalk, GroupedNewestRecordStandsAloneUntilFollowed) {
    UndoHistory h;
    h.add(typed("a"));
    h.add(typed("b", true));
    EXPECT_EQ(texts(h.undo()), Texts{"b"});
    EXPECT_EQ(texts(h.redo()), Texts{"b"});
    h.add(typed("c"));
    EXPECT_EQ(texts(h.undo()), (Texts{"c", "b"}));
}

TEST(UndoHistoryWalk, AddDiscardsTheUndoneRecords) {
    UndoHistory h;
    h.add(typed("a"));
    h.add(typed("b"));
    h.add(typed("c"));
    h.undo();
    h.undo();
    EXPECT_EQ(texts(h.redo()), Texts{"b"});
    h.add(typed("d"));
    EXPECT_FALSE(h.canRedo());
    EXPECT_EQ(h.size(), 3u);
    EXPECT_EQ(texts(h.undo()), Texts{"d"});
    EXPECT_EQ(texts(h.undo()), Texts{"b"});
    EXPECT_EQ(texts(h.undo()), Texts{"a"});
    EXPECT_FALSE(h.canUndo());
    EXPECT_EQ(texts(h.redo()), Texts{"a"});
    EXPECT_EQ(texts(h.redo()), Texts{"b"});
    EXPECT_EQ(texts(h.redo()), Texts{"d"});
}

TEST(UndoHistoryWalk, KeepsTheNewestRecordsUpToTheLimit) {
    UndoHistory h;
    for (int i = 1; i <= 301; ++i) h.add(typed(std::to_string(i)));
    EXPECT_EQ(h.size(), UndoHistory::kLimit);
    std::vector<const UndoRecord*> last;
    for (std::size_t i = 0; i < UndoHistory::kLimit; ++i) {
        last = h.undo();
        ASSERT_EQ(last.size(), 1u) << "undo " << i + 1;
    }
    EXPECT_EQ(last[0]->text, "2");
    EXPECT_TRUE(h.undo().empty());
    EXPECT_EQ(texts(h.redo()), Texts{"2"});
}

TEST(UndoHistorySavePoint, NewHistoryIsAtTheSavePoint) {
    UndoHistory h;
    EXPECT_TRUE(h.atSavePoint());
    h.add(typed("a"));
    EXPECT_FALSE(h.atSavePoint());
    EXPECT_EQ(savePoints(h, "u"), "S");
}

TEST(UndoHistorySavePoint, OnlyTheSavedStateIsUnmodified) {
    UndoHistory h;
    h.add(typed("a"));
    h.add(typed("b"));
    h.setSavePoint();
    h.add(typed("c"));
    EXPECT_FALSE(h.atSavePoint());
    // Back to the saved text, before it (modified again), and forward.
    EXPECT_EQ(savePoints(h, "uuurrr"), "S---S-");
}

TEST(UndoHistorySavePoint, DiscardedUndoneRecordIsNeverReachedAgain) {
    UndoHistory h;
    h.add(typed("a"));
    h.add(typed("b"));
    h.setSavePoint();
    h.undo();
    h.add(typed("c"));  // replaces the saved "b"
    EXPECT_FALSE(h.atSavePoint());
    EXPECT_EQ(savePoints(h, "uurr"), "----");
}

TEST(UndoHistorySavePoint, SavedStateDroppedByTheLimitIsNeverReachedAgain) {
    UndoHistory h;
    h.add(typed("a"));
    h.setSavePoint();
    for (std::size_t i = 0; i < UndoHistory::kLimit + 1; ++i) h.add(typed("x"));
    while (h.canUndo()) {
        h.undo();
        EXPECT_FALSE(h.atSavePoint());
    }
    while (h.canRedo()) {
        h.redo();
        EXPECT_FALSE(h.atSavePoint());
    }
}

TEST(UndoHistorySavePoint, UnsavedNewTextStaysModifiedOnceTheFirstRecordIsDropped) {
    UndoHistory h;
    for (std::size_t i = 0; i < UndoHistory::kLimit + 1; ++i) h.add(typed("x"));
    while (h.canUndo()) h.undo();
    EXPECT_FALSE(h.atSavePoint());
}

TEST(UndoHistorySavePoint, OldestRetainedStateCanStillBeTheSavedOne) {
    // Only the record of the save point itself is dropped: undoing every
    // retained record still gives back the saved text.
    UndoHistory h;
    h.add(typed("a"));
    h.setSavePoint();
    for (std::size_t i = 0; i < UndoHistory::kLimit; ++i) h.add(typed("x"));
    while (h.canUndo()) h.undo();
    EXPECT_TRUE(h.atSavePoint());
}

TEST(UndoHistoryMerge, TargetIsTheNewestRecordWhenNothingIsUndone) {
    UndoHistory h;
    EXPECT_EQ(h.mergeTarget(), nullptr);
    h.add(typed("a"));
    h.add(typed("b"));
    ASSERT_NE(h.mergeTarget(), nullptr);
    h.mergeTarget()->text += "c";
    EXPECT_EQ(texts(h.undo()), Texts{"bc"});
    EXPECT_EQ(h.mergeTarget(), nullptr);
    h.redo();
    ASSERT_NE(h.mergeTarget(), nullptr);
    EXPECT_EQ(h.mergeTarget()->text, "bc");
}

TEST(UndoHistoryMerge, NoTargetAtTheSavePointsRecord) {
    UndoHistory h;
    h.add(typed("a"));
    h.setSavePoint();
    EXPECT_EQ(h.mergeTarget(), nullptr);
    h.add(typed("b"));
    ASSERT_NE(h.mergeTarget(), nullptr);
    EXPECT_EQ(h.mergeTarget()->text, "b");
}

TEST(UndoHistoryClear, LeavesAFreshBaseline) {
    UndoHistory h;
    h.add(typed("a"));
    h.add(typed("b"));
    h.undo();
    h.setSavePoint();
    const long saved = h.position();
    h.clear();
    EXPECT_TRUE(h.empty());
    EXPECT_FALSE(h.canUndo());
    EXPECT_FALSE(h.canRedo());
    EXPECT_TRUE(h.undo().empty());
    EXPECT_TRUE(h.redo().empty());
    EXPECT_EQ(h.mergeTarget(), nullptr);
    EXPECT_NE(h.position(), saved);
    EXPECT_FALSE(h.atSavePoint());

    h.setSavePoint();
    const long baseline = h.position();
    h.add(typed("c"));
    EXPECT_FALSE(h.atSavePoint());
    EXPECT_EQ(texts(h.undo()), Texts{"c"});
    EXPECT_EQ(h.position(), baseline);
    EXPECT_TRUE(h.atSavePoint());
}

TEST(UndoHistoryClear, NewHistoryClearedIsModifiedUntilSaved) {
    UndoHistory h;
    h.clear();
    EXPECT_FALSE(h.atSavePoint());
    h.clear();
    h.setSavePoint();
    EXPECT_TRUE(h.atSavePoint());
    h.clear();
    EXPECT_FALSE(h.atSavePoint());
}

}  // namespace
