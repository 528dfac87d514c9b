#include "editor/text_buffer.h"

#include <algorithm>
#include <cstring>

namespace {

// Smallest gap opened when the buffer has to grow, so that typing into a
// small text does not reallocate on every keystroke.
constexpr std::size_t kMinGap = 256;

}  // namespace

TextBuffer::TextBuffer() : starts_{0} {}

std::size_t TextBuffer::length() const { return buffer_.size() - (gapEnd_ - gapStart_); }

char TextBuffer::at(std::size_t pos) const { return buffer_[physical(pos)]; }

void TextBuffer::assign(std::string_view text) {
    // The whole text before the gap, and an empty gap at the end: the first
    // insertion grows the buffer.  assign() on a vector keeps its capacity,
    // so reloading a text of a similar size does not allocate.
    buffer_.assign(text.begin(), text.end());
    gapStart_ = gapEnd_ = buffer_.size();
    absent_.clear();

    starts_.clear();
    starts_.push_back(0);
    const char* begin = text.data();
    const char* end = begin + text.size();
    for (const char* p = begin; p < end;) {
        const void* lf = std::memchr(p, '\n', std::size_t(end - p));
        if (!lf) break;
        p = static_cast<const char*>(lf) + 1;
        starts_.push_back(std::size_t(p - begin));
    }
    stepLine_ = starts_.size() - 1;
    stepDelta_ = 0;
}

void TextBuffer::insert(std::size_t pos, std::string_view bytes) {
    if (bytes.empty()) return;
    pos = std::min(pos, length());
    forgetSearchesFrom(pos);
    const std::size_t n = bytes.size();

    // The line is found before the text changes.  Inserting at the very
    // start of a line keeps that start where it is: the bytes join the line.
    const std::size_t line = lineOf(pos);

    reserveGap(n);
    moveGap(pos);
    std::memcpy(buffer_.data() + gapStart_, bytes.data(), n);
    gapStart_ += n;

    std::vector<std::size_t> added;
    const char* begin = bytes.data();
    const char* end = begin + n;
    for (const char* p = begin; p < end;) {
        const void* lf = std::memchr(p, '\n', std::size_t(end - p));
        if (!lf) break;
        p = static_cast<const char*>(lf) + 1;
        added.push_back(pos + std::size_t(p - begin));
    }

    // The old lines below move down by n; the new lines go in between with
    // their final positions.
    shiftStartsAfter(line, std::ptrdiff_t(n));
    if (!added.empty()) insertLineStarts(line, added);
}

void TextBuffer::erase(std::size_t pos, std::size_t count) {
    const std::size_t len = length();
    if (pos >= len) return;
    count = std::min(count, len - pos);
    if (count == 0) return;
    forgetSearchesFrom(pos);

    // Every line whose start lies in (pos, pos + count] lost the LF before
    // it and merges into the line holding pos.  Most erasures stay within
    // one line, which needs no second search.
    const std::size_t first = lineOf(pos);
    const std::size_t last = pos + count <= lineEnd(first) ? first : lineOf(pos + count);

    // The gap swallows the erased bytes from either side: it is moved to the
    // end of the range or to its start, whichever moves fewer bytes.
    const auto distance = [](std::size_t a, std::size_t b) { return a < b ? b - a : a - b; };
    if (distance(gapStart_, pos + count) < distance(gapStart_, pos)) {
        moveGap(pos + count);
        gapStart_ = pos;
    } else {
        moveGap(pos);
        gapEnd_ += count;
    }

    if (last > first) removeLineStarts(first + 1, last - first);
    shiftStartsAfter(first, -std::ptrdiff_t(count));
}

void TextBuffer::copy(std::size_t pos, std::size_t count, char* out) const {
    const std::size_t len = length();
    if (pos >= len) return;
    count = std::min(count, len - pos);
    if (pos < gapStart_) {
        const std::size_t before = std::min(count, gapStart_ - pos);
        std::memcpy(out, buffer_.data() + pos, before);
        out += before;
        pos += before;
        count -= before;
    }
    if (count > 0) std::memcpy(out, buffer_.data() + physical(pos), count);
}

std::string TextBuffer::substr(std::size_t pos, std::size_t count) const {
    const std::size_t len = length();
    if (pos >= len) return std::string();
    std::string out(std::min(count, len - pos), '\0');
    copy(pos, out.size(), out.data());
    return out;
}

std::string TextBuffer::text() const { return substr(0, length()); }

std::size_t TextBuffer::lineCount() const { return starts_.size(); }

std::size_t TextBuffer::lineStart(std::size_t line) const {
    std::size_t start = starts_[line];
    if (line > stepLine_) start += std::size_t(stepDelta_);
    return start;
}

std::size_t TextBuffer::lineEnd(std::size_t line) const {
    return line + 1 < starts_.size() ? lineStart(line + 1) - 1 : length();
}

std::size_t TextBuffer::lineOf(std::size_t pos) const {
    // The last line is checked first: appending at the end is common and
    // needs no search.
    std::size_t hi = starts_.size() - 1;
    if (lineStart(hi) <= pos) return hi;
    // Invariant: lineStart(lo) <= pos < lineStart(hi).
    std::size_t lo = 0;
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (lineStart(mid) <= pos)
            lo = mid;
        else
            hi = mid;
    }
    return lo;
}

void TextBuffer::moveGap(std::size_t pos) {
    if (pos < gapStart_) {
        const std::size_t n = gapStart_ - pos;
        std::memmove(buffer_.data() + gapEnd_ - n, buffer_.data() + pos, n);
        gapStart_ -= n;
        gapEnd_ -= n;
    } else if (pos > gapStart_) {
        const std::size_t n = pos - gapStart_;
        std::memmove(buffer_.data() + gapStart_, buffer_.data() + gapEnd_, n);
        gapStart_ += n;
        gapEnd_ += n;
    }
}

void TextBuffer::reserveGap(std::size_t needed) {
    const std::size_t gap = gapEnd_ - gapStart_;
    if (gap >= needed) return;
    const std::size_t oldSize = buffer_.size();
    const std::size_t after = oldSize - gapEnd_;
    // Doubling keeps a run of appends linear overall.
    const std::size_t newSize = std::max(oldSize * 2, oldSize - gap + needed + kMinGap);
    buffer_.resize(newSize);
    // The bytes after the gap go to the new end; the gap widens in place.
    std::memmove(buffer_.data() + newSize - after, buffer_.data() + gapEnd_, after);
    gapEnd_ = newSize - after;
}

void TextBuffer::applyStepUpTo(std::size_t line) const {
    const std::size_t last = starts_.size() - 1;
    line = std::min(line, last);
    if (line <= stepLine_) return;
    if (stepDelta_ != 0) {
        const std::size_t delta = std::size_t(stepDelta_);
        for (std::size_t i = stepLine_ + 1; i <= line; ++i) starts_[i] += delta;
    }
    stepLine_ = line;
    if (stepLine_ == last) stepDelta_ = 0;
}

void TextBuffer::insertLineStarts(std::size_t afterLine, const std::vector<std::size_t>& starts) {
    // The new starts are stored as they are, so they must land among the
    // starts the step has already been applied to: bring the step down to
    // afterLine, then count the new lines into the applied stretch.
    applyStepUpTo(afterLine);
    starts_.insert(starts_.begin() + std::ptrdiff_t(afterLine + 1), starts.begin(), starts.end());
    stepLine_ += starts.size();
}

void TextBuffer::removeLineStarts(std::size_t firstLine, std::size_t count) {
    starts_.erase(starts_.begin() + std::ptrdiff_t(firstLine), starts_.begin() + std::ptrdiff_t(firstLine + count));
    // Keep the boundary between applied and pending starts on the same
    // entries: whatever followed the removed ones is pending if the
    // boundary lay inside or after them.
    if (stepLine_ >= firstLine + count)
        stepLine_ -= count;
    else if (stepLine_ >= firstLine)
        stepLine_ = firstLine - 1;
}

void TextBuffer::shiftStartsAfter(std::size_t line, std::ptrdiff_t delta) {
    const std::size_t last = starts_.size() - 1;
    if (delta == 0 || line >= last) return;
    if (stepDelta_ == 0) {
        stepLine_ = line;
        stepDelta_ = delta;
        return;
    }
    if (line >= stepLine_) {
        // At or after the pending boundary: carry it forward to this line
        // and fold the new shift into the pending one.
        applyStepUpTo(line);
        stepDelta_ += delta;
        return;
    }
    // Before the boundary: either un-apply the pending shift back to this
    // line, or apply it to the end and start a new one here, whichever
    // touches fewer starts.
    if (stepLine_ - line <= last - stepLine_) {
        const std::size_t undo = std::size_t(stepDelta_);
        for (std::size_t i = line + 1; i <= stepLine_; ++i) starts_[i] -= undo;
        stepLine_ = line;
        stepDelta_ += delta;
    } else {
        applyStepUpTo(last);
        stepLine_ = line;
        stepDelta_ = delta;
    }
}

// The two stretches of the text either side of the gap are searched as they
// lie; an occurrence across the gap is looked for in a small copy of the
// bytes around it.
std::size_t TextBuffer::find(std::string_view pattern, std::size_t from, std::size_t limit) const {
    const std::size_t npos = std::string_view::npos;
    std::size_t n = length() < limit ? length() : limit;
    if (pattern.empty() || from >= n || pattern.size() > n - from) return npos;
    std::string_view before(buffer_.data(), gapStart_ < n ? gapStart_ : n);
    std::string_view after(buffer_.data() + gapEnd_, n > gapStart_ ? n - gapStart_ : 0);
    if (from < gapStart_) {
        std::size_t hit = before.find(pattern, from);
        if (hit != npos) return hit;
        // Across the gap: starts within the last pattern.size() - 1 bytes before it.
        std::size_t windowStart = gapStart_ >= pattern.size() - 1 ? gapStart_ - (pattern.size() - 1) : 0;
        windowStart = windowStart < from ? from : windowStart;
        std::string window = substr(windowStart, (gapStart_ - windowStart) + pattern.size() - 1);
        std::size_t across = window.find(pattern);
        if (across != npos && windowStart + across < gapStart_ && windowStart + across + pattern.size() <= n)
            return windowStart + across;
        from = gapStart_;
    }
    if (from >= n) return npos;
    std::size_t hit = after.find(pattern, from - gapStart_);
    return hit == npos ? npos : hit + gapStart_;
}

namespace {

// The last occurrence of `pattern` in `text` starting at or before `last`:
// the pattern's first byte is looked for with memrchr where the C library
// has it, and only there is the rest compared.
std::size_t lastOccurrence(std::string_view text, std::string_view pattern, std::size_t last) {
    const std::size_t npos = std::string_view::npos;
    if (pattern.size() > text.size()) return npos;
    std::size_t limit = std::min(last, text.size() - pattern.size()) + 1;  // candidates [0, limit)
    const char* base = text.data();
    char first = pattern[0];
    while (limit > 0) {
#ifdef __GLIBC__
        const void* hit = memrchr(base, first, limit);
        if (!hit) return npos;
        std::size_t at = std::size_t(static_cast<const char*>(hit) - base);
#else
        std::size_t at = limit - 1;
        while (base[at] != first) {
            if (at == 0) return npos;
            --at;
        }
#endif
        if (std::memcmp(base + at, pattern.data(), pattern.size()) == 0) return at;
        limit = at;
    }
    return npos;
}

}  // namespace

std::size_t TextBuffer::rfind(std::string_view pattern, std::size_t before) const {
    const std::size_t npos = std::string_view::npos;
    if (pattern.empty()) return npos;
    if (before > length()) before = length();
    auto known = absent_.find(std::string(pattern));
    std::size_t hit = npos;
    if (known != absent_.end() && known->second.lo < before && known->second.hi < before) {
        // Only what lies above the remembered stretch is new: search it in
        // a copy, then carry on below the stretch.
        std::size_t top = known->second.hi;
        std::string window = substr(top, before - top + pattern.size() - 1);
        std::size_t inWindow = window.rfind(pattern, before - top - 1);
        hit = inWindow != std::string::npos ? top + inWindow : rawRfind(pattern, known->second.lo);
    } else if (known != absent_.end() && known->second.lo < before && before <= known->second.hi) {
        hit = rawRfind(pattern, known->second.lo);
    } else {
        hit = rawRfind(pattern, before);
    }
    Absent learned = {hit == npos ? 0 : hit + 1, before};
    if (known != absent_.end() && known->second.lo <= learned.hi && learned.lo <= known->second.hi) {
        known->second.lo = std::min(known->second.lo, learned.lo);
        known->second.hi = std::max(known->second.hi, learned.hi);
    } else if (learned.lo < learned.hi) {
        absent_[std::string(pattern)] = learned;
    }
    return hit;
}

// An edit at `pos` may make or break occurrences that start up to a
// pattern's length before it; what is known above that is dropped.
void TextBuffer::forgetSearchesFrom(std::size_t pos) {
    for (auto it = absent_.begin(); it != absent_.end();) {
        std::size_t reach = it->first.size() - 1;
        std::size_t cut = pos > reach ? pos - reach : 0;
        if (it->second.hi > cut) it->second.hi = cut;
        if (it->second.lo >= it->second.hi)
            it = absent_.erase(it);
        else
            ++it;
    }
}

std::size_t TextBuffer::rawRfind(std::string_view pattern, std::size_t before) const {
    const std::size_t npos = std::string_view::npos;
    std::size_t n = length();
    if (pattern.empty() || before == 0) return npos;
    if (before > n) before = n;
    std::string_view head(buffer_.data(), gapStart_);
    std::string_view tail(buffer_.data() + gapEnd_, buffer_.size() - gapEnd_);
    // Starts at or after the gap.
    if (before > gapStart_) {
        std::size_t hit = lastOccurrence(tail, pattern, before - 1 - gapStart_);
        if (hit != npos) return hit + gapStart_;
        // Across the gap.
        std::size_t windowStart = gapStart_ >= pattern.size() - 1 ? gapStart_ - (pattern.size() - 1) : 0;
        std::string window = substr(windowStart, (gapStart_ - windowStart) + pattern.size() - 1);
        std::size_t across = window.rfind(pattern);
        while (across != npos && windowStart + across >= gapStart_) across = across ? window.rfind(pattern, across - 1) : npos;
        if (across != npos && windowStart + across < before) return windowStart + across;
        before = gapStart_;
    }
    if (before == 0) return npos;
    return lastOccurrence(head, pattern, before - 1);
}
