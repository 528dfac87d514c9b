#include "editor/syntax_colorizer.h"

#include <algorithm>
#include <string>

#include "editor/text_buffer.h"
#include "text/gbk.h"

namespace {
constexpr std::size_t npos = static_cast<std::size_t>(-1);
constexpr char kEscape = '\\';
}  // namespace

bool SyntaxColorizer::isWordDelimiter(char c) const { return scheme_.wordDelimiters.find(c) != std::string::npos; }

bool SyntaxColorizer::escaped(std::size_t pos) const {
    std::size_t count = 0;
    while (pos > count && text_.at(pos - count - 1) == kEscape) ++count;
    return count % 2 == 1;
}

std::vector<BlockRange> SyntaxColorizer::blockRanges(std::size_t from, std::size_t to) const {
    std::vector<BlockRange> ranges;
    const auto& blocks = scheme_.blocks;
    // The next occurrence of each block's start, found once and moved on
    // only when the search position passes it.
    std::vector<std::size_t> next(blocks.size(), npos);
    std::vector<bool> known(blocks.size(), false);
    std::size_t lineEnd = npos;  // the next line feed at or after the block's start, found once per line
    bool lineEndKnown = false;
    std::size_t p = from;
    while (p < to) {
        std::size_t bestPos = npos;
        std::size_t best = 0;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            if (blocks[i].start.empty()) continue;
            if (!known[i] || (next[i] != npos && next[i] < p)) {
                next[i] = text_.find(blocks[i].start, p, to);
                known[i] = true;
            }
            if (next[i] < bestPos) {
                bestPos = next[i];
                best = i;
            }
        }
        if (bestPos == npos) break;
        const BlockDefinition& block = blocks[best];

        // The end is searched from the byte after the start's first byte,
        // so it may overlap the start.
        std::size_t last = to - 1;
        if (!lineEndKnown || (lineEnd != npos && lineEnd < bestPos)) {
            lineEnd = text_.find("\n", bestPos, to);
            lineEndKnown = true;
        }
        std::size_t end = npos;
        if (!block.end.empty()) {
            for (std::size_t q = bestPos + 1;; ++q) {
                q = text_.find(block.end, q, to);
                if (q == npos) break;
                if (!escaped(q)) {
                    end = q;
                    break;
                }
            }
        }
        if (!block.multiLine && lineEnd != npos && (end == npos || lineEnd < end))
            last = lineEnd;
        else if (end != npos)
            last = end + block.end.size() - 1;
        ranges.push_back({bestPos, last, &block});
        p = last + 1;
    }
    return ranges;
}

BlockRange SyntaxColorizer::carryIn(std::size_t pos) const {
    for (const BlockDefinition& block : scheme_.blocks) {
        if (!block.multiLine || block.start.empty() || block.end.empty()) continue;
        // The blocks of the line being looked at, computed once for all the
        // starts found on it (later starts on a line are further left, and
        // the ranges before them do not change with the stretch's end).
        std::size_t rangesLine = npos;
        std::vector<BlockRange> lineRanges;
        std::size_t before = pos;
        while (before > 0) {
            std::size_t start = text_.rfind(block.start, before);
            if (start == npos) break;
            // A start inside another block on its line (a string, a line
            // comment) opens nothing: go on before that block.
            std::size_t lineStart = text_.rfind("\n", start);
            lineStart = lineStart == npos ? 0 : lineStart + 1;
            if (lineStart != rangesLine) {
                lineRanges = blockRanges(lineStart, std::min(text_.length(), start + 2));
                rangesLine = lineStart;
            }
            auto after = std::upper_bound(lineRanges.begin(), lineRanges.end(), start,
                                          [](std::size_t p, const BlockRange& r) { return p < r.first; });
            const BlockRange* enclosing = nullptr;
            if (after != lineRanges.begin()) {
                const BlockRange& r = *(after - 1);
                if (r.block != &block && r.first < start && r.last >= start) enclosing = &r;
            }
            if (enclosing) {
                before = enclosing->first;
                continue;
            }
            // Accepted: open at `pos` unless its end comes before `pos`.
            std::size_t end = start + 1;
            for (;;) {
                end = text_.find(block.end, end);
                if (end == npos || !escaped(end)) break;
                ++end;
            }
            if (end != npos && end + block.end.size() <= pos) return {0, 0, nullptr};
            std::size_t last = end == npos ? text_.length() - 1 : end + block.end.size() - 1;
            return {start, last, &block};
        }
    }
    return {0, 0, nullptr};
}

std::vector<ByteColours> SyntaxColorizer::colour(std::size_t from, std::size_t to) const {
    std::vector<ByteColours> colours(to > from ? to - from : 0);
    if (colours.empty()) return colours;

    std::size_t p = from;
    BlockRange carried = carryIn(from);
    if (carried.block) {
        std::size_t last = std::min(carried.last, to - 1);
        for (std::size_t i = from; i <= last; ++i) colours[i - from] = {carried.block->text, carried.block->back};
        p = last + 1;
    }

    std::vector<BlockRange> ranges = blockRanges(p, to);
    std::size_t r = 0;
    std::string token;
    while (p < to) {
        while (r < ranges.size() && ranges[r].last < p) ++r;
        if (r < ranges.size() && ranges[r].first <= p) {
            for (; p <= ranges[r].last && p < to; ++p) colours[p - from] = {ranges[r].block->text, ranges[r].block->back};
            continue;
        }
        char c = text_.at(p);
        if (isWordDelimiter(c)) {
            ++p;
            continue;
        }
        // A token: the run of bytes that are not word delimiters, up to
        // the next block.
        std::size_t stop = r < ranges.size() ? std::min(to, ranges[r].first) : to;
        std::size_t q = p;
        token.clear();
        while (q < stop && !isWordDelimiter(text_.at(q))) {
            if (gbk::isLeadByte(text_.at(q)) && q + 1 < stop) token += text_.at(q++);
            token += text_.at(q++);
        }
        if (const KeywordStyle* style = scheme_.findKeyword(token))
            for (std::size_t i = p; i < q; ++i) colours[i - from] = {style->text, style->back};
        p = q;
    }
    return colours;
}
