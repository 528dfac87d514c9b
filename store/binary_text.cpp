#include "store/binary_text.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace store {

namespace {

constexpr std::uint8_t kQuote = 0x27;
constexpr std::uint8_t kEscape = 0x01;

// The offset makes escapes rare, so both directions move a block of bytes at
// a time; at a block's first escape they write the bytes before it and the
// escape, and go on with a block from the byte after it.  A block is 16
// bytes in an SSE2 register where the target has them, else 8 bytes in a
// 64-bit word whose bytes are handled each on its own.
#if defined(__SSE2__)
struct Block {
    static constexpr std::size_t kSize = 16;
    __m128i v;

    static Block load(const std::uint8_t* p) { return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))}; }
    static Block repeat(std::uint8_t b) { return {_mm_set1_epi8(char(b))}; }
    void store(std::uint8_t* p) const { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    Block operator+(Block o) const { return {_mm_add_epi8(v, o.v)}; }
    Block operator-(Block o) const { return {_mm_sub_epi8(v, o.v)}; }

    // The index of the first byte that is 0 or 1 (decoding: an escape), or
    // kSize when there is none.
    std::size_t firstZeroOrOne() const { return firstOf(zeroOrOne()); }
    // The index of the first byte that is 0, 1 or the quote (encoding: one
    // that needs an escape), or kSize.
    std::size_t firstEscape() const {
        return firstOf(_mm_or_si128(zeroOrOne(), _mm_cmpeq_epi8(v, _mm_set1_epi8(char(kQuote)))));
    }

private:
    __m128i zeroOrOne() const { return _mm_cmpeq_epi8(_mm_andnot_si128(_mm_set1_epi8(1), v), _mm_setzero_si128()); }
    static std::size_t firstOf(__m128i found) {
        unsigned mask = unsigned(_mm_movemask_epi8(found));
        return mask ? std::size_t(__builtin_ctz(mask)) : kSize;
    }
};
#else
struct Block {
    static constexpr std::size_t kSize = 8;
    static constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    static constexpr std::uint64_t kHigh = kOnes * 0x80;
    std::uint64_t v;

    static Block load(const std::uint8_t* p) {
        Block b;
        std::memcpy(&b.v, p, kSize);
        return b;
    }
    static Block repeat(std::uint8_t b) { return {kOnes * b}; }
    void store(std::uint8_t* p) const { std::memcpy(p, &v, kSize); }
    // Bytewise, modulo 256: the high bits are handled apart so that no carry
    // or borrow crosses into the next byte.
    Block operator+(Block o) const { return {((v & ~kHigh) + (o.v & ~kHigh)) ^ ((v ^ o.v) & kHigh)}; }
    Block operator-(Block o) const { return {((v | kHigh) - (o.v & ~kHigh)) ^ ((v ^ ~o.v) & kHigh)}; }

    std::size_t firstZeroOrOne() const {
        if (!hasZeroByte(v & ~kOnes)) return kSize;
        return firstWhere([](std::uint8_t b) { return b <= 1; });
    }
    std::size_t firstEscape() const {
        if (!hasZeroByte(v & ~kOnes) && !hasZeroByte(v ^ (kOnes * kQuote))) return kSize;
        return firstWhere([](std::uint8_t b) { return b <= 1 || b == kQuote; });
    }

private:
    // Whether any byte is zero (exact as a whole, whichever byte it is).
    static bool hasZeroByte(std::uint64_t w) { return ((w - kOnes) & ~w & kHigh) != 0; }
    template <typename Test>
    std::size_t firstWhere(Test test) const {
        std::uint8_t bytes[kSize];
        std::memcpy(bytes, &v, kSize);
        std::size_t k = 0;
        while (k < kSize && !test(bytes[k])) ++k;
        return k;
    }
};
#endif

// Counts of each byte value.  Four tables, so that neighbouring equal bytes
// do not wait on one counter; 32-bit counters, summed up every gigabyte.
void countBytes(const std::uint8_t* in, std::size_t length, std::size_t count[256]) {
    std::fill(count, count + 256, 0);
    while (length > 0) {
        const std::size_t block = std::min<std::size_t>(length, std::size_t(1) << 30);
        std::uint32_t part[4][256] = {};
        std::size_t i = 0;
        for (; i + 4 <= block; i += 4) {
            std::uint32_t w;
            std::memcpy(&w, in + i, 4);
            ++part[0][w & 0xff];
            ++part[1][(w >> 8) & 0xff];
            ++part[2][(w >> 16) & 0xff];
            ++part[3][w >> 24];
        }
        for (; i < block; ++i) ++part[0][in[i]];
        for (int v = 0; v < 256; ++v) count[v] += part[0][v] + part[1][v] + part[2][v] + part[3][v];
        in += block;
        length -= block;
    }
}

// Writes x = (input byte - e), escaped where needed; returns the new length.
std::size_t putByte(std::uint8_t* out, std::size_t n, std::uint8_t x) {
    if (x == 0 || x == 1 || x == kQuote) {
        out[n++] = kEscape;
        out[n++] = x == 0 ? 1 : x == 1 ? 2 : 3;
    } else {
        out[n++] = x;
    }
    return n;
}

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
    std::size_t count[256];
    countBytes(in, length, count);
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

    const Block offsets = Block::repeat(std::uint8_t(e));
    std::size_t n = 0;
    out[n++] = std::uint8_t(e);
    std::size_t i = 0;
    while (i + Block::kSize <= length) {
        // The whole block is stored even when it holds an escape: the bytes
        // from the escape on are overwritten next.  They never reach past
        // the terminator's place, since at least kSize input bytes are left.
        Block x = Block::load(in + i) - offsets;
        std::size_t k = x.firstEscape();
        x.store(out + n);
        i += k;
        n += k;
        if (k < Block::kSize) {
            std::uint8_t escaped = std::uint8_t(in[i++] - e);
            out[n++] = kEscape;
            out[n++] = escaped < 2 ? escaped + 1 : 3;
        }
    }
    for (; i < length; ++i) n = putByte(out, n, std::uint8_t(in[i] - e));
    out[n] = 0;
    return n;
}

std::ptrdiff_t decodeBinary(const std::uint8_t* in, std::uint8_t* out) {
    std::uint8_t e = in[0];
    if (e == 0) return 0;
    const std::size_t end = 1 + std::strlen(reinterpret_cast<const char*>(in + 1));
    const Block offsets = Block::repeat(e);

    // In place, a block is stored only after it was read, and never beyond
    // it: the output runs at least one byte behind the input.
    std::size_t i = 1;
    std::size_t n = 0;
    while (i < end) {
        if (i + Block::kSize <= end) {
            Block c = Block::load(in + i);
            std::size_t k = c.firstZeroOrOne();
            if (k == Block::kSize) {
                (c + offsets).store(out + n);
                i += k;
                n += k;
                continue;
            }
            for (const std::size_t escape = i + k; i < escape;) out[n++] = std::uint8_t(in[i++] + e);
        }
        std::uint8_t c = in[i++];
        if (c == kEscape) {
            std::uint8_t next = in[i++];  // the terminator when the escape is last
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
    return std::ptrdiff_t(n);
}

}  // namespace store
