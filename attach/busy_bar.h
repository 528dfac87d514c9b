// The animated block bar of the busy dialog: it fills from the left one
// block per tick, then empties towards the right end, then fills again.
// One bar state is shared by every busy dialog of the process, so a dialog
// shown later continues where the previous one stopped.
#pragma once

struct BusyBar {
    static constexpr int kBlocks = 15;

    int count = 1;         // blocks shown
    bool fromLeft = true;  // growing from the left (else shrinking to the right end)

    // Moves on by one tick.
    void advance();
    // Index of the first block shown (blocks are numbered from the left).
    int firstBlock() const { return fromLeft ? 0 : kBlocks - count; }
};

// The process-wide bar.
BusyBar& sharedBusyBar();
