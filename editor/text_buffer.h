// The text of an editor: GBK bytes with LF line ends, kept in a gap buffer
// so that an edit moves only the bytes between the previous edit and this
// one, with the start of every line indexed so that finding a line (or the
// line of a position) is a lookup or a binary search, not a scan.
//
// The line index is a partition with a lazily applied shift: after an edit,
// the starts of the lines below it are not rewritten at once; one pending
// offset is kept for "every start after line k", and is applied to the
// stretch of starts that the next edit or query walks over.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TextBuffer {
public:
    TextBuffer();

    std::size_t length() const;
    char at(std::size_t pos) const;  // pos < length()

    // Replaces the whole text.
    void assign(std::string_view text);
    void insert(std::size_t pos, std::string_view bytes);
    void erase(std::size_t pos, std::size_t count);

    // Copies of the bytes [pos, pos + count) (clamped to the text).
    std::string substr(std::size_t pos, std::size_t count) const;
    void copy(std::size_t pos, std::size_t count, char* out) const;
    // The whole text as one string.
    std::string text() const;
    // The text as it lies in memory: the bytes before the gap and those
    // after it, read in place (valid until the next edit).
    std::string_view head() const { return std::string_view(buffer_.data(), gapStart_); }
    std::string_view tail() const { return std::string_view(buffer_.data() + gapEnd_, buffer_.size() - gapEnd_); }

    // The first occurrence of `pattern` starting at or after `from` and
    // ending at or before `limit`, and the last one starting before
    // `before` (npos when none); both search the bytes on either side of the
    // gap at memory speed.
    std::size_t find(std::string_view pattern, std::size_t from, std::size_t limit = std::string_view::npos) const;
    std::size_t rfind(std::string_view pattern, std::size_t before) const;

    // Backward searches remember the stretch below `before` in which the
    // pattern does not start, so that a search repeated from a nearby place
    // (every repaint looks back for an open comment) does not walk the whole
    // text again.  Edits forget what they may have changed.

    // Lines are separated by LF: lineCount() is the number of LF bytes + 1.
    std::size_t lineCount() const;
    std::size_t lineStart(std::size_t line) const;  // line < lineCount()
    // Position of the line's LF, or the text length for the last line.
    std::size_t lineEnd(std::size_t line) const;
    // The line holding `pos` (pos <= length(); the position of an LF belongs
    // to the line it ends).
    std::size_t lineOf(std::size_t pos) const;

private:
    // Gap buffer: bytes [0, gapStart_) and [gapEnd_, buffer_.size()).
    void moveGap(std::size_t pos);
    void reserveGap(std::size_t needed);
    std::size_t physical(std::size_t pos) const { return pos < gapStart_ ? pos : pos + (gapEnd_ - gapStart_); }

    // Line index: starts_[0] = 0; starts_[i] is the start of line i, to
    // which `stepDelta_` must be added for every i > stepLine_.
    void applyStepUpTo(std::size_t line) const;
    void insertLineStarts(std::size_t afterLine, const std::vector<std::size_t>& starts);
    void removeLineStarts(std::size_t firstLine, std::size_t count);
    void shiftStartsAfter(std::size_t line, std::ptrdiff_t delta);

    void forgetSearchesFrom(std::size_t pos);
    std::size_t rawRfind(std::string_view pattern, std::size_t before) const;
    struct Absent {
        std::size_t lo;  // the pattern starts nowhere in [lo, hi)
        std::size_t hi;
    };
    mutable std::unordered_map<std::string, Absent> absent_;

    std::vector<char> buffer_;
    std::size_t gapStart_ = 0;
    std::size_t gapEnd_ = 0;

    mutable std::vector<std::size_t> starts_;
    mutable std::size_t stepLine_ = 0;       // starts after this line carry the pending delta
    mutable std::ptrdiff_t stepDelta_ = 0;
};
