// The binary-to-text encoding of attachment data and DbBinary around it.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "store/binary_text.h"
#include "store/db_binary.h"
#include "store/db_exception.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string encode(const Bytes& in) {
    std::vector<std::uint8_t> out(std::size_t(store::encodedCapacity(in.size())));
    std::size_t n = store::encodeBinary(in.data(), in.size(), out.data());
    EXPECT_EQ(out[n], 0);
    return std::string(reinterpret_cast<const char*>(out.data()), n);
}

void expectSafeText(const std::string& text) {
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(text.find('\''), std::string::npos);
}

Bytes roundTrip(const Bytes& in) {
    store::DbBinary encoder;
    encoder.setBinary(in.data(), int(in.size()));
    std::string text = encoder.getEncoded();
    store::DbBinary decoder;
    decoder.setEncoded(text.c_str());
    const unsigned char* data = decoder.getBinary();
    return Bytes(data, data + decoder.getBinaryLength());
}

TEST(BinaryText, EmptyInputIsXAndDecodesToNothing) {
    EXPECT_EQ(encode({}), "x");
    store::DbBinary b;
    b.setEncoded("x");
    EXPECT_EQ(b.getBinaryLength(), 0);
    store::DbBinary never;
    EXPECT_STREQ(never.getEncoded(), "x");
}

TEST(BinaryText, ZeroAndQuoteChooseAnOffsetThatAvoidsEscapes) {
    std::string text = encode({0x00, 0x27});
    expectSafeText(text);
    // The offset makes neither byte land on 0, 1 or the quote: no escapes.
    EXPECT_EQ(text.size(), 3u);
    std::uint8_t e = std::uint8_t(text[0]);
    for (std::uint8_t b : {0x00, 0x27}) {
        std::uint8_t x = std::uint8_t(b - e);
        EXPECT_NE(x, 0);
        EXPECT_NE(x, 1);
        EXPECT_NE(x, 0x27);
    }
}

TEST(BinaryText, EveryByteValueRoundTripsAndStaysQuotable) {
    Bytes all;
    for (int rep = 0; rep < 3; ++rep)
        for (int v = 0; v < 256; ++v) all.push_back(std::uint8_t(v));
    expectSafeText(encode(all));
    EXPECT_EQ(roundTrip(all), all);

    std::mt19937 rng(7);
    for (std::size_t size : {1u, 2u, 255u, 4096u, 100000u}) {
        Bytes data(size);
        for (auto& b : data) b = std::uint8_t(rng());
        expectSafeText(encode(data));
        EXPECT_EQ(roundTrip(data), data) << size;
    }
}

// The capacity must hold the worst case: inputs where every offset forces
// many escapes.  Uniform inputs are the worst, runs of one value the best.
TEST(BinaryText, EncodedLengthStaysWithinCapacity) {
    std::vector<Bytes> inputs;
    Bytes uniform;
    for (int i = 0; i < 256 * 254; ++i) uniform.push_back(std::uint8_t(i));
    inputs.push_back(uniform);
    inputs.push_back(Bytes(5000, 0x00));
    inputs.push_back(Bytes(5000, 0x27));
    Bytes pairs;
    for (int i = 0; i < 5000; ++i) pairs.push_back(i % 2 ? 0x27 : 0x00);
    inputs.push_back(pairs);
    for (const Bytes& in : inputs) {
        std::size_t n = encode(in).size();
        EXPECT_LT(n + 1, store::encodedCapacity(in.size()));
        EXPECT_EQ(roundTrip(in), in);
    }
}

TEST(BinaryText, BadEscapeFailsToDecode) {
    const std::uint8_t text[] = {0x05, 0x41, 0x01, 0x04, 0x42, 0x00};
    std::uint8_t out[sizeof text];
    EXPECT_EQ(store::decodeBinary(text, out), -1);

    store::DbBinary b;
    b.setEncoded(reinterpret_cast<const char*>(text));
    try {
        b.getBinary();
        FAIL() << "decoded a bad escape";
    } catch (const store::CppSQLite3Exception& e) {
        EXPECT_EQ(e.errorCode(), 1000);
        EXPECT_STREQ(e.errorMessage(), "CPPSQLITE_ERROR[1000]: Cannot decode binary");
    }
}

TEST(BinaryText, EscapeAtTheVeryEndDoesNotReadPastTheTerminator) {
    const std::uint8_t text[] = {0x05, 0x41, 0x01, 0x00, 0x07};
    std::uint8_t out[sizeof text];
    EXPECT_EQ(store::decodeBinary(text, out), -1);
}

// The capacity arithmetic once overflowed 32 bits above about 8 MB; sizes are
// now computed in 64 bits and lengths the layer cannot hold are refused.
TEST(DbBinary, CapacityIsComputedWithoutOverflow) {
    EXPECT_EQ(store::encodedCapacity(16u * 1024 * 1024), 16ull * 1024 * 1024 * 257 / 254 + 3);
    EXPECT_GT(store::encodedCapacity(std::uint64_t(INT_MAX)), std::uint64_t(INT_MAX));
}

TEST(DbBinary, LengthTooLargeToEncodeIsRefusedBeforeTouchingData) {
    unsigned char one = 1;
    store::DbBinary b;
    try {
        b.setBinary(&one, INT_MAX);  // only one byte is readable: must not copy
        FAIL() << "accepted a length whose encoding cannot be held";
    } catch (const store::CppSQLite3Exception& e) {
        EXPECT_EQ(e.errorCode(), 1000);
        EXPECT_STREQ(e.errorMessage(), "CPPSQLITE_ERROR[1000]: Cannot allocate memory");
    }
}

TEST(DbBinary, TwentyMegabytesRoundTrip) {
    Bytes big(20u * 1024 * 1024);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = std::uint8_t(i * 2654435761u >> 13);
    EXPECT_EQ(roundTrip(big), big);
}

}  // namespace
