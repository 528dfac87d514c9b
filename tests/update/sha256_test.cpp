#include <gtest/gtest.h>

#include <string>

#include "update/sha256.h"

namespace {

std::string digest(const std::string& text) {
    update::Sha256 sha;
    sha.add(text.data(), text.size());
    return sha.hexDigest();
}

TEST(Sha256, StandardVectors) {
    EXPECT_EQ(digest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(digest(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Blocks of any size (the download's are 4096 bytes, the last shorter),
// across the padding boundaries at 55, 56 and 64 bytes.
TEST(Sha256, PiecesGiveTheDigestOfTheWhole) {
    std::string data;
    for (int i = 0; i < 10000; ++i) data += char(i * 7 + (i >> 5));
    for (std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 4096u, 10000u}) {
        std::string whole = digest(data.substr(0, length));
        for (std::size_t piece : {1u, 3u, 64u, 100u, 4096u}) {
            update::Sha256 sha;
            for (std::size_t at = 0; at < length; at += piece) sha.add(data.data() + at, std::min(piece, length - at));
            EXPECT_EQ(sha.hexDigest(), whole) << length << " in pieces of " << piece;
        }
    }
}

}  // namespace
