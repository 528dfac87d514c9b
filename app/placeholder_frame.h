// The top-level window of the program until the main frame with its views
// takes its place: captioned "墨舟", closing it ends the program.
#pragma once

#include "fw/wnd.h"

class CPlaceholderFrame : public fw::Wnd {
public:
    bool createFrame();

protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
