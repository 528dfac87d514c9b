// The editor's search: occurrences of a pattern in a TextBuffer, forwards
// or backwards, with or without regard to case, optionally as a whole word.
//
// The text is GBK: the trail byte of a two-byte character may equal an
// ASCII letter, so an occurrence counts only when it starts and ends on
// character boundaries, only single-byte letters A-Z fold to a-z, and the
// neighbours a whole word looks at are characters (a two-byte character is
// a word character).  The bytes are scanned where they lie, on either side
// of the buffer's gap, for one byte of the pattern at memory speed; only
// there is the rest compared.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "editor/text_buffer.h"

class TextSearch {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    TextSearch(const TextBuffer& text, std::string_view pattern, bool matchCase, bool wholeWord,
               std::string_view wordDelimiters);

    std::size_t patternLength() const { return pattern_.size(); }
    // The first occurrence starting in [from, to), or npos.
    std::size_t forward(std::size_t from, std::size_t to) const;
    // The last occurrence ending in [minEnd, maxEnd] (its start), passing
    // over one that starts at `skip`; npos when there is none.
    std::size_t backward(std::size_t minEnd, std::size_t maxEnd, std::size_t skip = npos) const;

    // Whether `pos` is a character boundary of the text.
    bool isBoundary(std::size_t pos) const;

private:
    unsigned char byteAt(std::size_t pos) const {
        return static_cast<unsigned char>(pos < head_.size() ? head_[pos] : tail_[pos - head_.size()]);
    }
    bool matchesAt(std::size_t start) const;
    // The first / last start in [lo, hi) of `piece` (the whole pattern
    // inside it) whose anchor bytes match; npos when none does.
    std::size_t firstCandidate(std::string_view piece, std::size_t lo, std::size_t hi) const;
    std::size_t lastCandidate(std::string_view piece, std::size_t lo, std::size_t hi) const;
    bool isWordCharBefore(std::size_t pos) const;
    bool isWordCharAt(std::size_t pos) const;

    std::string_view head_;
    std::string_view tail_;
    std::size_t length_;
    std::string pattern_;   // letters folded to lower case where they may fold
    std::string folds_;     // per pattern byte: 1 where the text's byte is compared folded
    bool anyFold_ = false;
    bool wholeWord_;
    bool delimiter_[256] = {};
    // The pattern bytes the scan looks for (in either case where they
    // fold): the rarest one, and with folding a second one, since letters
    // in either case turn up too often for one to sift the text.
    struct Anchor {
        std::size_t offset = 0;
        unsigned char mask = 0;  // 0x20 where the byte folds
        unsigned char value = 0;
    };
    Anchor first_;
    Anchor second_;
    bool pair_ = false;
};
