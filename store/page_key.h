// The key of an encrypted database: RC4 keyed with the first 16 bytes of the
// SHA-1 digest of the pass phrase.  Every page is encrypted on its own from
// the start of the key stream, so a key is simply the first kMaxPageSize bytes
// of that stream, computed once and XORed onto every page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace store {

constexpr std::size_t kMaxPageSize = 65536;

class PageKey {
public:
    // `stream` holds kMaxPageSize bytes of key stream.
    explicit PageKey(std::vector<std::uint8_t> stream);

    // XORs `length` bytes with the key stream starting at `streamOffset`;
    // streamOffset + length must not exceed kMaxPageSize.
    void apply(std::uint8_t* data, std::size_t length, std::size_t streamOffset) const;

    const std::vector<std::uint8_t>& stream() const { return stream_; }
    bool sameAs(const PageKey& other) const { return stream_ == other.stream_; }

private:
    std::vector<std::uint8_t> stream_;
};

using PageKeyRef = std::shared_ptr<const PageKey>;

// Outcome of deriving a key: rc is an SQLite result code; a null key with
// rc == 0 means "no encryption" (empty pass phrase).
struct KeyResult {
    int rc = 0;
    std::string error;
    PageKeyRef key;
};

using KeyDeriver = std::function<KeyResult(const void* pass, int length)>;

// The key for `pass` computed with our own SHA-1 and RC4.
PageKeyRef portablePageKey(const void* pass, int length);

// The key for `pass` from the platform: CryptoAPI's enhanced RSA provider on
// Windows, portablePageKey elsewhere.  Fails with code 1 and "Cryptographic
// provider not available" when the provider cannot be acquired.
KeyResult derivePageKey(const void* pass, int length);

}  // namespace store
