// The colours of text under a syntax scheme: blocks (comments, strings)
// first, including one that began above the first painted line, then
// keywords token by token.  Selection colours are the painter's business.
#pragma once

#include <cstddef>
#include <vector>

#include "editor/syntax_scheme.h"

class TextBuffer;

// The colours of one byte; kSystemColour stands for the editor's colour.
struct ByteColours {
    Colour text = kSystemColour;
    Colour back = kSystemColour;
};

// A block found in the text: [first, last] inclusive.
struct BlockRange {
    std::size_t first;
    std::size_t last;
    const BlockDefinition* block;
};

class SyntaxColorizer {
public:
    SyntaxColorizer(const SyntaxScheme& scheme, const TextBuffer& text) : scheme_(scheme), text_(text) {}

    // Colours of the bytes [from, to); `from` is the start of the first
    // painted line.
    std::vector<ByteColours> colour(std::size_t from, std::size_t to) const;

    // The blocks of the stretch [from, to), in text order.
    std::vector<BlockRange> blockRanges(std::size_t from, std::size_t to) const;

    // A multi-line block that is open at `pos` (it began before it and has
    // not ended): its range up to its end delimiter, or none (block null).
    BlockRange carryIn(std::size_t pos) const;

    // Whether an end delimiter at `pos` is escaped: preceded by an odd
    // number of escape characters.
    bool escaped(std::size_t pos) const;

private:
    bool isWordDelimiter(char c) const;
    const SyntaxScheme& scheme_;
    const TextBuffer& text_;
};
