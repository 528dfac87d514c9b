// Finding a phrase in GBK text the way a person means it: letters A-Z and
// a-z alike, a match beginning and ending at character boundaries (never on
// the trail byte of a double-byte character, whose byte may look like an
// ASCII letter), the trail bytes themselves compared exactly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace jexlib {

class PhraseFinder {
public:
    // `phrase` is GBK and not empty.
    explicit PhraseFinder(std::string_view phrase);

    // The first match at or after `from`, which must be a character
    // boundary of `text`; npos when there is none.
    std::size_t find(std::string_view text, std::size_t from = 0) const;
    std::size_t size() const { return phrase_.size(); }

    static constexpr std::size_t npos = std::string_view::npos;

private:
    bool matchesAt(const unsigned char* at) const;

    std::string phrase_;  // single-byte letters in lower case
    std::string exact_;   // per byte: 1 where it is compared exactly (bytes of double-byte characters)
    std::size_t shift_[256];  // Horspool's shift by the window's last byte, letters folded
};

}  // namespace jexlib
