#include "jexlib/phrase_finder.h"

#include "text/gbk.h"

namespace jexlib {

namespace {

unsigned char fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

// Bytes below 0x40 are never the trail of a double-byte character, so the
// position after one is a character boundary.
constexpr unsigned char kNeverTrail = 0x40;

// Whether `at` is a character boundary of `text`, knowing that `known` (not
// after `at`) is one.
bool isBoundary(const unsigned char* text, std::size_t known, std::size_t at) {
    std::size_t start = at;
    while (start > known && text[start - 1] >= kNeverTrail) --start;
    std::string_view view(reinterpret_cast<const char*>(text), at + 1);
    while (start < at) start += gbk::charLength(view, start);
    return start == at;
}

}  // namespace

PhraseFinder::PhraseFinder(std::string_view phrase) : phrase_(phrase), exact_(phrase.size(), 0) {
    for (std::size_t i = 0; i < phrase_.size();) {
        std::size_t n = gbk::charLength(phrase_, i);
        if (n == 2) {
            exact_[i] = exact_[i + 1] = 1;
        } else {
            phrase_[i] = char(fold(static_cast<unsigned char>(phrase_[i])));
        }
        i += n;
    }
    std::size_t m = phrase_.size();
    for (std::size_t& s : shift_) s = m;
    // Shifts by folded byte, so that a letter in either case never shifts
    // past a place where it could match (a byte compared exactly included).
    for (std::size_t i = 0; i + 1 < m; ++i) shift_[fold(static_cast<unsigned char>(phrase_[i]))] = m - 1 - i;
    for (int c = 'A'; c <= 'Z'; ++c) shift_[c] = shift_[c + 32];
}

bool PhraseFinder::matchesAt(const unsigned char* at) const {
    const auto* p = reinterpret_cast<const unsigned char*>(phrase_.data());
    for (std::size_t k = 0; k < phrase_.size(); ++k) {
        unsigned char c = exact_[k] ? at[k] : fold(at[k]);
        if (c != p[k]) return false;
    }
    return true;
}

std::size_t PhraseFinder::find(std::string_view text, std::size_t from) const {
    const std::size_t m = phrase_.size();
    if (m == 0 || text.size() < m) return npos;
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char last = static_cast<unsigned char>(phrase_[m - 1]);
    const bool lastExact = exact_[m - 1] != 0;
    for (std::size_t pos = from; pos + m <= text.size();) {
        unsigned char c = t[pos + m - 1];
        if ((lastExact ? c : fold(c)) == last && matchesAt(t + pos)) {
            if (isBoundary(t, from, pos)) return pos;
        }
        pos += shift_[c];
    }
    return npos;
}

}  // namespace jexlib
