// A fixed-width font for the editing core outside a window: 8 pixels a byte,
// 16 a two-byte character, tab stops every 32 pixels, lines 16 pixels high.
#pragma once

#include "editor/editor_core.h"

class FixedMeasurer : public TextMeasurer {
public:
    int charWidth(unsigned char, unsigned char trail) override { return trail ? 16 : 8; }
    int tabStopWidth() override { return 32; }
    int lineHeight() override { return 16; }
    int columnWidth() override { return 8; }
};
