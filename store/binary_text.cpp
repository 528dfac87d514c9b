#include "store/binary_text.h"

namespace store {

namespace {
constexpr std::uint8_t kQuote = 0x27;
constexpr std::uint8_t kEscape = 0x01;
}  // namespace

std::uint64_t encodedCapacity(std::uint64_t length) { return length * 257 / 254 + 3; }

std::size_t encodeBinary(const std::uint8_t* in, std::size_t length, std::uint8_t* out) {
    if (length == 0) {
        out[0] = 'x';
        out[1] = 0;
        return 1;
    }

    // Pick the offset e that makes the fewest input bytes land on 0, 1 or the
    // quote after subtraction: those are the ones that need two bytes.
    std::size_t count[256] = {};
    for (std::size_t i = 0; i < length; ++i) ++count[in[i]];
    std::size_t best = length;
    int e = 0;
    for (int i = 1; i < 256; ++i) {
        if (i == kQuote) continue;
        std::size_t sum = count[i] + count[(i + 1) & 0xff] + count[(i + kQuote) & 0xff];
        if (sum < best) {
            best = sum;
            e = i;
            if (sum == 0) break;
        }
    }

    std::size_t n = 0;
    out[n++] = std::uint8_t(e);
    for (std::size_t i = 0; i < length; ++i) {
        std::uint8_t x = std::uint8_t(in[i] - e);
        if (x == 0 || x == 1 || x == kQuote) {
            out[n++] = kEscape;
            out[n++] = x == 0 ? 1 : x == 1 ? 2 : 3;
        } else {
            out[n++] = x;
        }
    }
    out[n] = 0;
    return n;
}

std::ptrdiff_t decodeBinary(const std::uint8_t* in, std::uint8_t* out) {
    std::uint8_t e = in[0];
    if (e == 0) return 0;
    std::size_t i = 1;
    std::ptrdiff_t n = 0;
    for (std::uint8_t c; (c = in[i++]) != 0;) {
        if (c == kEscape) {
            std::uint8_t next = in[i++];
            if (next == 1)
                c = 0;
            else if (next == 2)
                c = 1;
            else if (next == 3)
                c = kQuote;
            else
                return -1;
        }
        out[n++] = std::uint8_t(c + e);
    }
    return n;
}

}  // namespace store
