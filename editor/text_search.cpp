#include "editor/text_search.h"

#include <algorithm>
#include <cstring>

#include "text/gbk.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t npos = TextSearch::npos;

bool isUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool isLetter(unsigned char c) { return isUpper(c) || (c >= 'a' && c <= 'z'); }
unsigned char lower(unsigned char c) { return isUpper(c) ? static_cast<unsigned char>(c + 32) : c; }

// How often a byte turns up in source code, roughly: the scan looks for the
// pattern byte that turns up least, so that few places need comparing.
int commonness(unsigned char c) {
    if (c == ' ') return 10;
    if (c && std::strchr("etaoinsr", c)) return 8;
    if (c == '\t' || c == '\n') return 7;
    if (c >= 'a' && c <= 'z') return 6;
    if (c && std::strchr("();,.=_*", c)) return 5;
    if (c >= '0' && c <= '9') return 4;
    if (isUpper(c)) return 3;
    return 1;
}

// A byte of the pattern as the scan looks for it: c matches when
// (c | mask) == value; the mask is 0x20 for a letter in either case.
struct ByteClass {
    unsigned char mask;
    unsigned char value;
    bool operator()(unsigned char c) const { return (c | mask) == value; }
};

#if defined(__SSE2__)
// Bit i of the result is set where byte i of the block is in the class.
inline unsigned hits16(const unsigned char* p, __m128i mask, __m128i value) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(v, mask), value)));
}
inline __m128i splat(unsigned char c) { return _mm_set1_epi8(char(c)); }
#endif

// The first start s in [0, n) where p[s + x] is in class `cx` and, when
// `cy` is given, p[s + y] in class `cy`; n when there is none.  The caller
// keeps s + x and s + y inside the bytes for every s < n.
std::size_t firstOf(const unsigned char* p, std::size_t n, std::size_t x, ByteClass cx, std::size_t y,
                    const ByteClass* cy) {
    if (!cy && cx.mask == 0) {
        const void* hit = std::memchr(p + x, cx.value, n);
        return hit ? std::size_t(static_cast<const unsigned char*>(hit) - (p + x)) : n;
    }
    if (!cy) cy = &cx, y = x;
    std::size_t s = 0;
#if defined(__SSE2__)
    const __m128i mx = splat(cx.mask), vx = splat(cx.value);
    const __m128i my = splat(cy->mask), vy = splat(cy->value);
    auto block = [&](std::size_t at) { return hits16(p + at + x, mx, vx) & hits16(p + at + y, my, vy); };
    // Four blocks at a time, looked into only when one of them has a hit.
    for (; s + 64 <= n; s += 64) {
        unsigned long long b0 = block(s), b1 = block(s + 16), b2 = block(s + 32), b3 = block(s + 48);
        if (unsigned long long bits = b0 | (b1 << 16) | (b2 << 32) | (b3 << 48))
            return s + std::size_t(__builtin_ctzll(bits));
    }
    for (; s + 16 <= n; s += 16)
        if (unsigned bits = block(s)) return s + std::size_t(__builtin_ctz(bits));
#endif
    for (; s < n; ++s)
        if (cx(p[s + x]) && (*cy)(p[s + y])) return s;
    return n;
}

// The last such start in [0, n); npos when there is none.
std::size_t lastOf(const unsigned char* p, std::size_t n, std::size_t x, ByteClass cx, std::size_t y,
                   const ByteClass* cy) {
#ifdef __GLIBC__
    if (!cy && cx.mask == 0) {
        const void* hit = memrchr(p + x, cx.value, n);
        return hit ? std::size_t(static_cast<const unsigned char*>(hit) - (p + x)) : npos;
    }
#endif
    if (!cy) cy = &cx, y = x;
    std::size_t s = n;
#if defined(__SSE2__)
    const __m128i mx = splat(cx.mask), vx = splat(cx.value);
    const __m128i my = splat(cy->mask), vy = splat(cy->value);
    auto block = [&](std::size_t at) { return hits16(p + at + x, mx, vx) & hits16(p + at + y, my, vy); };
    for (; s >= 64; s -= 64) {
        std::size_t at = s - 64;
        unsigned long long b0 = block(at), b1 = block(at + 16), b2 = block(at + 32), b3 = block(at + 48);
        if (unsigned long long bits = b0 | (b1 << 16) | (b2 << 32) | (b3 << 48))
            return at + std::size_t(63 - __builtin_clzll(bits));
    }
    for (; s >= 16; s -= 16)
        if (unsigned bits = block(s - 16)) return s - 16 + std::size_t(31 - __builtin_clz(bits));
#endif
    while (s > 0) {
        --s;
        if (cx(p[s + x]) && (*cy)(p[s + y])) return s;
    }
    return npos;
}

}  // namespace

TextSearch::TextSearch(const TextBuffer& text, std::string_view pattern, bool matchCase, bool wholeWord,
                       std::string_view wordDelimiters)
    : head_(text.head()), tail_(text.tail()), length_(text.length()), pattern_(pattern), wholeWord_(wholeWord) {
    for (char d : wordDelimiters) delimiter_[static_cast<unsigned char>(d)] = true;
    // Only letters that are characters of their own fold; the bytes of a
    // two-byte character are compared as they are.
    folds_.assign(pattern_.size(), '\0');
    for (std::size_t i = 0; i < pattern_.size();) {
        bool pair = gbk::isLeadByte(pattern_[i]) && i + 1 < pattern_.size() && pattern_[i + 1] != '\n';
        unsigned char c = static_cast<unsigned char>(pattern_[i]);
        if (!pair && !matchCase && isLetter(c)) {
            folds_[i] = 1;
            pattern_[i] = char(lower(c));
            anyFold_ = true;
        }
        i += pair ? 2 : 1;
    }
    // The rarest byte, then (folding) the rarest other one.
    auto score = [&](std::size_t i) {
        unsigned char c = static_cast<unsigned char>(pattern_[i]);
        return folds_[i] ? commonness(c) + commonness(static_cast<unsigned char>(c - 32)) : commonness(c);
    };
    auto anchorAt = [&](std::size_t i) {
        return Anchor{i, static_cast<unsigned char>(folds_[i] ? 0x20 : 0), static_cast<unsigned char>(pattern_[i])};
    };
    std::size_t best = 0;
    for (std::size_t i = 1; i < pattern_.size(); ++i)
        if (score(i) < score(best)) best = i;
    if (!pattern_.empty()) first_ = anchorAt(best);
    pair_ = anyFold_ && pattern_.size() >= 2;
    if (pair_) {
        std::size_t other = best == 0 ? 1 : 0;
        for (std::size_t i = 0; i < pattern_.size(); ++i)
            if (i != best && score(i) < score(other)) other = i;
        second_ = anchorAt(other);
    }
}

bool TextSearch::isBoundary(std::size_t pos) const {
    if (pos == 0 || pos >= length_ || byteAt(pos) == '\n') return true;
    // A byte that cannot start a pair ends a character; from there the
    // lead bytes up to `pos` pair up.
    std::size_t q = pos;
    while (q > 0 && gbk::isLeadByte(byteAt(q - 1))) --q;
    return (pos - q) % 2 == 0;
}

bool TextSearch::isWordCharBefore(std::size_t pos) const {
    if (pos == 0) return false;
    unsigned char b = byteAt(pos - 1);
    if (gbk::isLeadByte(b)) return true;  // the trail of a pair, or a high byte of its own
    if (pos >= 2 && b != '\n' && gbk::isLeadByte(byteAt(pos - 2)) && isBoundary(pos - 2)) return true;
    return !delimiter_[b];
}

bool TextSearch::isWordCharAt(std::size_t pos) const {
    if (pos >= length_) return false;
    unsigned char b = byteAt(pos);
    return gbk::isLeadByte(b) || !delimiter_[b];
}

bool TextSearch::matchesAt(std::size_t start) const {
    const std::size_t m = pattern_.size();
    if (start + m > length_) return false;
    const unsigned char* p = nullptr;
    if (start + m <= head_.size())
        p = reinterpret_cast<const unsigned char*>(head_.data()) + start;
    else if (start >= head_.size())
        p = reinterpret_cast<const unsigned char*>(tail_.data()) + (start - head_.size());
    const unsigned char* want = reinterpret_cast<const unsigned char*>(pattern_.data());
    if (p && !anyFold_) {
        if (std::memcmp(p, want, m) != 0) return false;
    } else {
        for (std::size_t i = 0; i < m; ++i) {
            unsigned char c = p ? p[i] : byteAt(start + i);
            if (folds_[i]) c = lower(c);
            if (c != want[i]) return false;
        }
    }
    if (!isBoundary(start) || !isBoundary(start + m)) return false;
    return !wholeWord_ || (!isWordCharBefore(start) && !isWordCharAt(start + m));
}

std::size_t TextSearch::firstCandidate(std::string_view piece, std::size_t lo, std::size_t hi) const {
    const unsigned char* base = reinterpret_cast<const unsigned char*>(piece.data()) + lo;
    const ByteClass x = {first_.mask, first_.value}, y = {second_.mask, second_.value};
    std::size_t hit = firstOf(base, hi - lo, first_.offset, x, second_.offset, pair_ ? &y : nullptr);
    return hit < hi - lo ? lo + hit : npos;
}

std::size_t TextSearch::lastCandidate(std::string_view piece, std::size_t lo, std::size_t hi) const {
    const unsigned char* base = reinterpret_cast<const unsigned char*>(piece.data()) + lo;
    const ByteClass x = {first_.mask, first_.value}, y = {second_.mask, second_.value};
    std::size_t hit = lastOf(base, hi - lo, first_.offset, x, second_.offset, pair_ ? &y : nullptr);
    return hit == npos ? npos : lo + hit;
}

// Starts are taken in order: those with the whole pattern in the head,
// those across the gap (compared byte by byte), those in the tail.
std::size_t TextSearch::forward(std::size_t from, std::size_t to) const {
    const std::size_t m = pattern_.size();
    if (m == 0 || m > length_) return npos;
    to = std::min(to, length_ - m + 1);
    if (from >= to) return npos;
    const std::size_t h = head_.size();
    // In the head: starts [from, min(to, h - m + 1)).
    if (h >= m) {
        std::size_t hi = std::min(to, h - m + 1);
        for (std::size_t lo = from; lo < hi;) {
            std::size_t start = firstCandidate(head_, lo, hi);
            if (start == npos) break;
            if (matchesAt(start)) return start;
            lo = start + 1;
        }
    }
    // Across the gap.
    for (std::size_t start = std::max(from, h >= m ? h - m + 1 : 0); start < std::min(to, h); ++start)
        if (matchesAt(start)) return start;
    // In the tail: starts [max(from, h), to), as offsets into the tail.
    if (to > h) {
        std::size_t hi = to - h;
        for (std::size_t lo = from > h ? from - h : 0; lo < hi;) {
            std::size_t start = firstCandidate(tail_, lo, hi);
            if (start == npos) break;
            if (matchesAt(h + start)) return h + start;
            lo = start + 1;
        }
    }
    return npos;
}

std::size_t TextSearch::backward(std::size_t minEnd, std::size_t maxEnd, std::size_t skip) const {
    const std::size_t m = pattern_.size();
    maxEnd = std::min(maxEnd, length_);
    if (m == 0 || maxEnd < m || minEnd > maxEnd) return npos;
    // Starts [from, to).
    const std::size_t from = minEnd > m ? minEnd - m : 0, to = maxEnd - m + 1;
    const std::size_t h = head_.size();
    auto accept = [&](std::size_t start) { return start != skip && matchesAt(start); };
    if (to > h) {
        std::size_t lo = from > h ? from - h : 0;
        for (std::size_t hi = to - h; lo < hi;) {
            std::size_t start = lastCandidate(tail_, lo, hi);
            if (start == npos) break;
            if (accept(h + start)) return h + start;
            hi = start;
        }
    }
    for (std::size_t start = std::min(to, h); start > std::max(from, h >= m ? h - m + 1 : 0);)
        if (accept(--start)) return start;
    if (h >= m) {
        for (std::size_t hi = std::min(to, h - m + 1); from < hi;) {
            std::size_t start = lastCandidate(head_, from, hi);
            if (start == npos) break;
            if (accept(start)) return start;
            hi = start;
        }
    }
    return npos;
}
