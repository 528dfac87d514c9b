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

#if defined(__SSE2__)
// Bit i of the result is set where block byte i is `a` or `b`.
inline unsigned hits16(const unsigned char* p, __m128i a, __m128i b) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b))));
}
#endif

// The first byte of [p, p + n) that is `a` or `b`; n when none is.
std::size_t firstOf(const unsigned char* p, std::size_t n, unsigned char a, unsigned char b) {
    if (a == b) {
        const void* hit = std::memchr(p, a, n);
        return hit ? std::size_t(static_cast<const unsigned char*>(hit) - p) : n;
    }
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(char(a)), vb = _mm_set1_epi8(char(b));
    for (; i + 16 <= n; i += 16)
        if (unsigned bits = hits16(p + i, va, vb)) return i + std::size_t(__builtin_ctz(bits));
#endif
    for (; i < n; ++i)
        if (p[i] == a || p[i] == b) return i;
    return n;
}

// The last byte of [p, p + n) that is `a` or `b`; npos when none is.
std::size_t lastOf(const unsigned char* p, std::size_t n, unsigned char a, unsigned char b) {
#ifdef __GLIBC__
    if (a == b) {
        const void* hit = memrchr(p, a, n);
        return hit ? std::size_t(static_cast<const unsigned char*>(hit) - p) : npos;
    }
#endif
    std::size_t i = n;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(char(a)), vb = _mm_set1_epi8(char(b));
    // Four blocks at a time, looked into only when one of them has a hit.
    while (i >= 64) {
        const unsigned char* q = p + i - 64;
        unsigned b3 = hits16(q + 48, va, vb), b2 = hits16(q + 32, va, vb);
        unsigned b1 = hits16(q + 16, va, vb), b0 = hits16(q, va, vb);
        if (b0 | b1 | b2 | b3) {
            if (b3) return i - 64 + 48 + std::size_t(31 - __builtin_clz(b3));
            if (b2) return i - 64 + 32 + std::size_t(31 - __builtin_clz(b2));
            if (b1) return i - 64 + 16 + std::size_t(31 - __builtin_clz(b1));
            return i - 64 + std::size_t(31 - __builtin_clz(b0));
        }
        i -= 64;
    }
    while (i >= 16) {
        if (unsigned bits = hits16(p + i - 16, va, vb)) return i - 16 + std::size_t(31 - __builtin_clz(bits));
        i -= 16;
    }
#endif
    while (i > 0) {
        --i;
        if (p[i] == a || p[i] == b) return i;
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
    int best = 1 << 30;
    for (std::size_t i = 0; i < pattern_.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(pattern_[i]);
        unsigned char other = folds_[i] ? static_cast<unsigned char>(c - 32) : c;
        int score = commonness(c) + (other != c ? commonness(other) : 0);
        if (score < best) {
            best = score;
            anchor_ = i;
            anchorA_ = c;
            anchorB_ = other;
        }
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

std::size_t TextSearch::forward(std::size_t from, std::size_t to) const {
    const std::size_t m = pattern_.size();
    if (m == 0 || m > length_) return npos;
    to = std::min(to, length_ - m + 1);
    if (from >= to) return npos;
    // Anchor bytes at [from + anchor, to + anchor), in the head, then the tail.
    std::size_t lo = from + anchor_, hi = to + anchor_;
    const std::string_view pieces[2] = {head_, tail_};
    std::size_t offset = 0;
    for (const std::string_view& piece : pieces) {
        std::size_t a = std::max(lo, offset), b = std::min(hi, offset + piece.size());
        const unsigned char* base = reinterpret_cast<const unsigned char*>(piece.data());
        while (a < b) {
            std::size_t hit = firstOf(base + (a - offset), b - a, anchorA_, anchorB_);
            if (hit == b - a) break;
            std::size_t start = a + hit - anchor_;
            if (matchesAt(start)) return start;
            a += hit + 1;
        }
        offset += piece.size();
    }
    return npos;
}

std::size_t TextSearch::backward(std::size_t minEnd, std::size_t maxEnd, std::size_t skip) const {
    const std::size_t m = pattern_.size();
    maxEnd = std::min(maxEnd, length_);
    if (m == 0 || maxEnd < m || minEnd > maxEnd) return npos;
    std::size_t minStart = minEnd > m ? minEnd - m : 0;
    std::size_t maxStart = maxEnd - m;
    // Anchor bytes at [minStart + anchor, maxStart + anchor], in the tail, then the head.
    std::size_t lo = minStart + anchor_, hi = maxStart + anchor_ + 1;
    const std::string_view pieces[2] = {tail_, head_};
    const std::size_t offsets[2] = {head_.size(), 0};
    for (int k = 0; k < 2; ++k) {
        const std::string_view& piece = pieces[k];
        std::size_t offset = offsets[k];
        std::size_t a = std::max(lo, offset), b = std::min(hi, offset + piece.size());
        const unsigned char* base = reinterpret_cast<const unsigned char*>(piece.data());
        while (a < b) {
            std::size_t hit = lastOf(base + (a - offset), b - a, anchorA_, anchorB_);
            if (hit == npos) break;
            std::size_t start = a + hit - anchor_;
            if (start != skip && matchesAt(start)) return start;
            b = a + hit;
        }
    }
    return npos;
}
