#include "attach/busy_bar.h"

void BusyBar::advance() {
    if (fromLeft) {
        if (count < kBlocks) {
            ++count;
        } else {
            fromLeft = false;  // the full bar starts to empty from the left
        }
    } else {
        if (count > 1) {
            --count;
        } else {
            fromLeft = true;
        }
    }
}

BusyBar& sharedBusyBar() {
    static BusyBar bar;
    return bar;
}
