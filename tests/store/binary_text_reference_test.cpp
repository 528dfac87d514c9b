// The block-wise encoder and decoder against a byte-by-byte reference of the
// same encoding, which stored files depend on byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "store/binary_text.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The encoding written out plainly: the offset with the fewest escapes, then
// each byte minus the offset, with 0, 1 and the quote escaped.
Bytes referenceEncode(const Bytes& in) {
    if (in.empty()) return {'x'};
    std::size_t count[256] = {};
    for (std::uint8_t b : in) ++count[b];
    std::size_t best = in.size();
    int e = 0;
    for (int i = 1; i < 256; ++i) {
        if (i == 0x27) continue;
        std::size_t sum = count[i] + count[(i + 1) % 256] + count[(i + 0x27) % 256];
        if (sum < best) {
            best = sum;
            e = i;
            if (sum == 0) break;
        }
    }
    Bytes out{std::uint8_t(e)};
    for (std::uint8_t b : in) {
        std::uint8_t x = std::uint8_t(b - e);
        if (x == 0 || x == 1 || x == 0x27)
            out.insert(out.end(), {0x01, std::uint8_t(x == 0 ? 1 : x == 1 ? 2 : 3)});
        else
            out.push_back(x);
    }
    return out;
}

// Encodes into a buffer of exactly the promised capacity, so that a write
// past it is caught by the sanitizer build.
Bytes encode(const Bytes& in) {
    Bytes out(std::size_t(store::encodedCapacity(in.size())));
    std::size_t n = store::encodeBinary(in.data(), in.size(), out.data());
    EXPECT_EQ(out[n], 0);
    out.resize(n);
    return out;
}

// Decodes in place, as DbBinary does, from a buffer holding just the text.
Bytes decode(const Bytes& text) {
    Bytes buffer(text);
    buffer.push_back(0);
    std::ptrdiff_t n = store::decodeBinary(buffer.data(), buffer.data());
    if (n < 0) return {0xDE, 0xAD};
    buffer.resize(std::size_t(n));
    return buffer;
}

// Inputs of every length up to a few blocks and some large ones, drawn from
// three kinds: uniform bytes (escapes scattered at every place in a block),
// a few values only (long runs without escapes) and uniform counts with the
// escaped values packed together (runs of escapes across block borders).
std::vector<Bytes> inputs() {
    std::mt19937 rng(20240601);
    std::vector<Bytes> all;
    std::vector<std::size_t> sizes;
    for (std::size_t n = 0; n <= 70; ++n) sizes.push_back(n);
    for (std::size_t n : {127u, 128u, 129u, 255u, 256u, 4095u, 65537u, 1000003u}) sizes.push_back(n);
    for (std::size_t n : sizes) {
        Bytes uniform(n), few(n);
        for (auto& b : uniform) b = std::uint8_t(rng());
        for (auto& b : few) b = std::uint8_t(0x25 + rng() % 4);  // 0x25..0x28 around the quote
        all.push_back(uniform);
        all.push_back(few);
    }
    // Every value 64 times: each offset needs the same number of escapes, so
    // the first one, 1, wins; its escaped values 1, 2 and 0x28 go in a row.
    Bytes others;
    for (int v = 0; v < 256; ++v)
        if (v != 1 && v != 2 && v != 0x28) others.insert(others.end(), 64, std::uint8_t(v));
    std::shuffle(others.begin(), others.end(), rng);
    for (std::size_t at : {0u, 5u, 13u, 1000u}) {
        Bytes packed(others);
        for (std::uint8_t v : {1, 2, 0x28}) packed.insert(packed.begin() + std::ptrdiff_t(at), 64, v);
        all.push_back(packed);
    }
    return all;
}

TEST(BinaryTextReference, EncodingMatchesTheReferenceByteForByteAndDecodesBack) {
    for (const Bytes& in : inputs()) {
        Bytes text = encode(in);
        ASSERT_EQ(text, referenceEncode(in)) << "length " << in.size();
        ASSERT_EQ(decode(text), in) << "length " << in.size();
    }
}

TEST(BinaryTextReference, DecodingIntoASeparateBufferGivesTheSameBytes) {
    Bytes in(100000);
    std::mt19937 rng(3);
    for (auto& b : in) b = std::uint8_t(rng());
    Bytes text = encode(in);
    text.push_back(0);
    Bytes out(text.size());
    ASSERT_EQ(store::decodeBinary(text.data(), out.data()), std::ptrdiff_t(in.size()));
    out.resize(in.size());
    EXPECT_EQ(out, in);
}

// A bad escape anywhere, also in the middle of a run of clean blocks or as
// the last byte, fails the whole text.
TEST(BinaryTextReference, ABadEscapeFailsWhereverItIs) {
    Bytes clean(200, 0x50);
    for (std::size_t at : {1u, 15u, 16u, 17u, 100u, 198u, 199u}) {
        Bytes text(clean);
        text[0] = 0x05;
        text[at] = 0x01;
        if (at + 1 < text.size()) text[at + 1] = 0x04;
        EXPECT_EQ(decode(text), (Bytes{0xDE, 0xAD})) << at;
    }
}

}  // namespace
