#include "editor/undo_history.h"

#include <utility>

void UndoHistory::add(UndoRecord record) {
    // The undone records describe a text that can no longer come back once
    // something new is applied on top of the current one.
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(applied_), records_.end());
    record.serial = nextSerial_++;
    records_.push_back(std::move(record));
    applied_ = records_.size();
    while (records_.size() > kLimit) {
        discardedBefore_ = records_.front().serial;
        records_.pop_front();
        --applied_;
    }
}

bool UndoHistory::canUndo() const { return applied_ > 0; }

bool UndoHistory::canRedo() const { return applied_ < records_.size(); }

std::vector<const UndoRecord*> UndoHistory::undo() {
    std::vector<const UndoRecord*> taken;
    if (applied_ == 0) return taken;
    taken.push_back(&records_[--applied_]);
    // A grouped record goes with the one added after it, so the walk back
    // continues while the record below is grouped.
    while (applied_ > 0 && records_[applied_ - 1].grouped) taken.push_back(&records_[--applied_]);
    return taken;
}

std::vector<const UndoRecord*> UndoHistory::redo() {
    std::vector<const UndoRecord*> taken;
    if (applied_ == records_.size()) return taken;
    taken.push_back(&records_[applied_++]);
    while (taken.back()->grouped && applied_ < records_.size()) taken.push_back(&records_[applied_++]);
    return taken;
}

UndoRecord* UndoHistory::mergeTarget() {
    if (records_.empty() || applied_ != records_.size()) return nullptr;
    // Merging into the save point's record would make the saved text
    // unreachable by Undo.
    UndoRecord& newest = records_.back();
    return newest.serial == savePoint_ ? nullptr : &newest;
}

void UndoHistory::clear() {
    records_.clear();
    applied_ = 0;
    discardedBefore_ = 0;
    // The current text is a new baseline: give it a serial no save point
    // can hold yet, so whether it counts as saved is the caller's call.
    emptyPosition_ = nextSerial_++;
}

long UndoHistory::position() const {
    if (applied_ > 0) return records_[applied_ - 1].serial;
    return records_.empty() ? emptyPosition_ : records_.front().serial - 1;
}
