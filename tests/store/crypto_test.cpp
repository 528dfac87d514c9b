// SHA-1 and RC4 against published vectors, and the key stream of the
// program's pass phrase against values computed with an independent tool.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "store/crypto.h"
#include "store/page_key.h"
#include "store/schema.h"

namespace {

std::string hex(const std::uint8_t* data, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

std::string sha1Hex(const std::string& text) {
    store::Sha1Digest d = store::sha1(text.data(), text.size());
    return hex(d.data(), d.size());
}

TEST(Sha1, PublishedVectorsIncludingPaddingIntoASecondBlock) {
    EXPECT_EQ(sha1Hex(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(sha1Hex(std::string(1000000, 'a')), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Rc4, PublishedKeyStreams) {
    std::uint8_t out[10];
    store::Rc4 key(reinterpret_cast<const std::uint8_t*>("Key"), 3);
    key.keyStream(out, 10);
    EXPECT_EQ(hex(out, 10), "eb9f7781b734ca72a719");

    store::Rc4 wiki(reinterpret_cast<const std::uint8_t*>("Wiki"), 4);
    wiki.keyStream(out, 6);
    EXPECT_EQ(hex(out, 6), "6044db6d41b7");
}

TEST(PageKey, PassPhraseStreamMatchesIndependentComputation) {
    store::PageKeyRef key = store::portablePageKey(store::kPassPhrase, 10);
    ASSERT_TRUE(key);
    const auto& s = key->stream();
    ASSERT_EQ(s.size(), store::kMaxPageSize);
    EXPECT_EQ(hex(s.data(), 16), "3aab0ad2df4c4ca0d748c4317b7e2968");
    EXPECT_EQ(hex(s.data() + 4096 - 8, 8), "9df0d9728ba1a3cd");
    EXPECT_EQ(hex(s.data() + s.size() - 8, 8), "d3ce149b5b87b166");
}

TEST(PageKey, ApplyIsItsOwnInverseAtAnyStreamOffsetAndLength) {
    store::PageKeyRef key = store::portablePageKey("pass", 4);
    std::vector<std::uint8_t> data(1000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 7);
    for (std::size_t offset : {0u, 3u, 4095u, 65536u - 1000u}) {
        std::vector<std::uint8_t> copy = data;
        key->apply(copy.data() + 1, 997, offset);
        EXPECT_EQ(copy[1], std::uint8_t(data[1] ^ key->stream()[offset]));
        EXPECT_EQ(copy[997], std::uint8_t(data[997] ^ key->stream()[offset + 996]));
        EXPECT_EQ(copy[0], data[0]);
        EXPECT_EQ(copy[998], data[998]);
        key->apply(copy.data() + 1, 997, offset);
        EXPECT_EQ(copy, data);
    }
}

TEST(PageKey, EmptyPassPhraseMeansNoKey) {
    EXPECT_FALSE(store::portablePageKey("", 0));
    EXPECT_FALSE(store::portablePageKey(nullptr, 5));
    store::KeyResult r = store::derivePageKey("", 0);
    EXPECT_EQ(r.rc, 0);
    EXPECT_FALSE(r.key);
}

// On Windows derivePageKey goes through CryptoAPI; it must give the very
// bytes of our own implementation, or files would not move between builds.
TEST(PageKey, PlatformDerivationIsByteIdenticalToPortable) {
    for (const char* pass : {store::kPassPhrase, "a", "another pass phrase of some length"}) {
        int n = int(std::strlen(pass));
        store::KeyResult platform = store::derivePageKey(pass, n);
        ASSERT_EQ(platform.rc, 0) << platform.error;
        ASSERT_TRUE(platform.key);
        EXPECT_TRUE(platform.key->sameAs(*store::portablePageKey(pass, n))) << pass;
    }
}

}  // namespace
