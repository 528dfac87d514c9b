#include "store/crypto.h"

#include <cstring>

namespace store {

namespace {

std::uint32_t rotl(std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

void sha1Block(std::uint32_t h[5], const std::uint8_t* block) {
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = std::uint32_t(block[4 * t]) << 24 | std::uint32_t(block[4 * t + 1]) << 16 |
               std::uint32_t(block[4 * t + 2]) << 8 | std::uint32_t(block[4 * t + 3]);
    for (int t = 16; t < 80; ++t) w[t] = rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int t = 0; t < 80; ++t) {
        std::uint32_t f, k;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        std::uint32_t tmp = rotl(a, 5) + f + e + k + w[t];
        e = d;
        d = c;
        c = rotl(b, 30);
        b = a;
        a = tmp;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

}  // namespace

Sha1Digest sha1(const void* data, std::size_t length) {
    std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t rest = length;
    for (; rest >= 64; rest -= 64, p += 64) sha1Block(h, p);

    // Final block(s): the remaining bytes, 0x80, zeros, and the bit length.
    std::uint8_t tail[128] = {};
    if (rest) std::memcpy(tail, p, rest);
    tail[rest] = 0x80;
    std::size_t tailLength = rest + 1 + 8 <= 64 ? 64 : 128;
    std::uint64_t bits = std::uint64_t(length) * 8;
    for (int i = 0; i < 8; ++i) tail[tailLength - 1 - i] = std::uint8_t(bits >> (8 * i));
    for (std::size_t off = 0; off < tailLength; off += 64) sha1Block(h, tail + off);

    Sha1Digest out;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j) out[4 * i + j] = std::uint8_t(h[i] >> (24 - 8 * j));
    return out;
}

Rc4::Rc4(const std::uint8_t* key, std::size_t keyLength) {
    for (int i = 0; i < 256; ++i) s_[i] = std::uint8_t(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = std::uint8_t(j + s_[i] + key[i % keyLength]);
        std::swap(s_[i], s_[j]);
    }
}

void Rc4::keyStream(std::uint8_t* out, std::size_t length) {
    for (std::size_t n = 0; n < length; ++n) {
        i_ = std::uint8_t(i_ + 1);
        j_ = std::uint8_t(j_ + s_[i_]);
        std::swap(s_[i_], s_[j_]);
        out[n] = s_[std::uint8_t(s_[i_] + s_[j_])];
    }
}

}  // namespace store
