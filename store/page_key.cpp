#include "store/page_key.h"

#include <cstring>

#include "store/crypto.h"

namespace store {

PageKey::PageKey(std::vector<std::uint8_t> stream) : stream_(std::move(stream)) {
    stream_.resize(kMaxPageSize);
}

void PageKey::apply(std::uint8_t* data, std::size_t length, std::size_t streamOffset) const {
    const std::uint8_t* ks = stream_.data() + streamOffset;
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t a, b;
        std::memcpy(&a, data + i, 8);
        std::memcpy(&b, ks + i, 8);
        a ^= b;
        std::memcpy(data + i, &a, 8);
    }
    for (; i < length; ++i) data[i] ^= ks[i];
}

PageKeyRef portablePageKey(const void* pass, int length) {
    if (pass == nullptr || length <= 0) return nullptr;
    Sha1Digest digest = sha1(pass, std::size_t(length));
    Rc4 rc4(digest.data(), 16);
    std::vector<std::uint8_t> stream(kMaxPageSize);
    rc4.keyStream(stream.data(), stream.size());
    return std::make_shared<PageKey>(std::move(stream));
}

}  // namespace store
