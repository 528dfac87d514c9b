// SHA-1 and RC4, the two primitives behind the database page codec.
// Portable implementations; on Windows the codec derives its key through
// CryptoAPI instead, and a Wine test checks both give the same bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace store {

using Sha1Digest = std::array<std::uint8_t, 20>;

Sha1Digest sha1(const void* data, std::size_t length);

class Rc4 {
public:
    Rc4(const std::uint8_t* key, std::size_t keyLength);
    // Writes the next `length` bytes of the key stream into `out`.
    void keyStream(std::uint8_t* out, std::size_t length);

private:
    std::array<std::uint8_t, 256> s_{};
    std::uint8_t i_ = 0;
    std::uint8_t j_ = 0;
};

}  // namespace store
