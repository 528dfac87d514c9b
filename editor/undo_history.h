// The undo history of an editor: records of insertions, deletions and line
// indents, walked by Undo and Redo, and the save point that tells whether
// the text differs from what was last saved.
//
// Records carry increasing serial numbers.  The undo position is the serial
// of the newest applied record (the serial before the oldest retained record
// when all are undone).  The text is unmodified exactly when the undo
// position equals the save point; a save point whose record has been
// discarded can no longer be reached.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// Bits of UndoRecord::kind.
enum UndoKind : int {
    kUndoInsert = 1,
    kUndoDelete = 2,
    kUndoIndent = 4,
};

// Edit action kinds, or-ed into the records' kind.
enum EditAction : int {
    kActionNone = 0,
    kActionTyping = 0x100,
    kActionCut = 0x200,
    kActionPaste = 0x400,
    kActionDelete = 0x800,
    kActionBackspace = 0x1000,
    kActionDrop = 0x2000,
    kActionEnter = 0x4000,
    kActionIndentLines = 0x8000,
    kActionOutdentLines = 0x10000,
    kActionTab = 0x20000,
};

// What an indent or outdent of selected lines did, line by line.  Lines
// keep their indices (no line break is added or removed), so each change is
// stored as an offset from its line's start.
struct LineIndentRecord {
    struct Line {
        std::size_t offset = 0;  // from the line's start, where `text` was inserted or removed
        std::string text;
    };
    std::size_t firstLine = 0;
    bool indent = true;  // false: outdent
    std::vector<Line> lines;  // one per touched line, from firstLine on
};

struct UndoRecord {
    std::size_t position = 0;  // where the text was inserted or deleted
    std::size_t caret = 0;     // selection end or caret when the record was added
    int kind = 0;              // UndoKind bits | EditAction
    std::string text;          // inserted or deleted bytes
    std::shared_ptr<LineIndentRecord> lines;  // kind kUndoIndent only
    bool grouped = false;      // undone/redone together with the record added after it
    long serial = 0;           // set by the history
};

class UndoHistory {
public:
    static constexpr std::size_t kLimit = 300;

    // Appends a record: discards every record that is currently undone,
    // appends, then drops the oldest beyond the limit.
    void add(UndoRecord record);

    bool canUndo() const;
    bool canRedo() const;

    // The records to apply for one Undo, newest first: the record at the
    // undo position and, while the next one to undo is grouped, that one
    // too.  Empty when there is nothing to undo.
    std::vector<const UndoRecord*> undo();
    // The records to apply for one Redo, oldest first: the next undone
    // record and, while the record just redone is grouped, the next one.
    std::vector<const UndoRecord*> redo();

    // The newest record when every record is applied, else null: typing may
    // be merged into it (unless it is the save point's record).
    UndoRecord* mergeTarget();

    void clear();
    bool empty() const { return records_.empty(); }
    std::size_t size() const { return records_.size(); }

    void setSavePoint() { savePoint_ = position(); }
    bool atSavePoint() const { return position() == savePoint_; }
    // Serial of the newest applied record.
    long position() const;

private:
    std::deque<UndoRecord> records_;
    std::size_t applied_ = 0;  // records_[0, applied_) are applied
    long nextSerial_ = 1;
    long discardedBefore_ = 0;  // serial of the newest record dropped by the limit (0: none)
    long emptyPosition_ = 0;  // the position while there are no records: 0, or a fresh serial from clear()
    long savePoint_ = 0;
};
