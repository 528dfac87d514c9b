// SHA-256 (FIPS 180-4), to check a downloaded package against the digest
// the update information gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace update {

class Sha256 {
public:
    Sha256();
    void add(const void* data, std::size_t size);
    // The digest in lower-case hexadecimal; ends the computation.
    std::string hexDigest();

private:
    void block(const unsigned char* p);

    std::uint32_t state_[8];
    unsigned char buffer_[64];
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;  // bytes added
};

}  // namespace update
