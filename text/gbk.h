// The rules of the program's 8-bit code page, GBK (code page 936), that
// every part walking text bytes shares: which byte starts a two-byte
// character and which single bytes are characters of their own.
#pragma once

#include <cstddef>
#include <string_view>

namespace gbk {

// A lead byte: the first byte of a two-byte character (0x81 to 0xFE).  The
// trail byte may be any byte from 0x40, including ASCII letters and the
// backslash, so text must be walked from a known character boundary.
constexpr bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
constexpr bool isLeadByte(char c) { return isLeadByte(static_cast<unsigned char>(c)); }

// A single byte that is a printable character by itself: blank, the ASCII
// graphic characters and 0x80 (the euro sign).  Control characters, DEL
// (0x7F) and 0xFF are not.
constexpr bool isPrintableSingle(unsigned char c) { return (c >= 0x20 && c < 0x7F) || c == 0x80; }

// The length in bytes (1 or 2) of the character starting at `i`: a lead
// byte with a byte after it is a pair; a lead byte at the end stands alone.
constexpr std::size_t charLength(std::string_view text, std::size_t i) {
    return isLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
}

}  // namespace gbk
