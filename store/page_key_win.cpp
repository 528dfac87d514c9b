// Key derivation through CryptoAPI: SHA-1 of the pass phrase, an RC4 key
// derived from the hash (the first 16 bytes of the digest, no salt), and the
// key stream obtained by encrypting zeros in one final call.
#include <windows.h>
#include <wincrypt.h>

#include <mutex>

#include "store/page_key.h"

namespace store {

namespace {

// The provider handle is process-wide: acquired on first use, kept until the
// process ends.  A failed attempt is retried at the next derivation.
HCRYPTPROV acquireProvider() {
    static std::mutex mutex;
    static HCRYPTPROV provider = 0;
    std::lock_guard<std::mutex> lock(mutex);
    if (provider) return provider;
    HCRYPTPROV handle = 0;
    if (CryptAcquireContextA(&handle, nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, 0) ||
        CryptAcquireContextA(&handle, nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_NEWKEYSET))
        provider = handle;
    return provider;
}

class HashHandle {
public:
    ~HashHandle() {
        if (h) CryptDestroyHash(h);
    }
    HCRYPTHASH h = 0;
};

class KeyHandle {
public:
    ~KeyHandle() {
        if (h) CryptDestroyKey(h);
    }
    HCRYPTKEY h = 0;
};

}  // namespace

KeyResult derivePageKey(const void* pass, int length) {
    KeyResult result;
    if (pass == nullptr || length <= 0) return result;

    HCRYPTPROV provider = acquireProvider();
    if (!provider) {
        result.rc = 1;
        result.error = "Cryptographic provider not available";
        return result;
    }

    HashHandle hash;
    KeyHandle key;
    if (!CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash.h) ||
        !CryptHashData(hash.h, static_cast<const BYTE*>(pass), DWORD(length), 0) ||
        !CryptDeriveKey(provider, CALG_RC4, hash.h, 0, &key.h)) {
        result.rc = 1;
        result.error = "Key derivation failed";
        return result;
    }

    // RC4 output has the length of its input.  The stream is taken from one
    // call over the whole buffer, so no size query is needed (some providers
    // answer it with the buffer length rather than the data length).
    std::vector<std::uint8_t> stream(kMaxPageSize, 0);
    DWORD dataLength = DWORD(stream.size());
    if (!CryptEncrypt(key.h, 0, TRUE, 0, stream.data(), &dataLength, DWORD(stream.size())) ||
        dataLength != stream.size()) {
        result.rc = 1;
        result.error = "Key derivation failed";
        return result;
    }
    result.key = std::make_shared<PageKey>(std::move(stream));
    return result;
}

}  // namespace store
