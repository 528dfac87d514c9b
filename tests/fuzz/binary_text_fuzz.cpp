// libFuzzer target for the binary-to-text encoding of attachment data.
//
// The input is used twice: as bytes to encode (the encoding must hold no
// zero byte and no quote, fit its capacity and decode to the same bytes),
// and as a stored text to decode, the way a damaged or edited row reaches
// the decoder (the result must never be longer than the text, in place or
// into a separate buffer, and both must agree).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "store/binary_text.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "binary_text_fuzz: broken invariant: %s\n", what);
        std::abort();
    }
}

void roundTrip(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> encoded(store::encodedCapacity(size));
    const std::size_t length = store::encodeBinary(data, size, encoded.data());
    check(length + 1 <= encoded.size(), "encoding fits its capacity");
    check(encoded[length] == 0, "encoding is zero-terminated");
    check(std::memchr(encoded.data(), 0, length) == nullptr, "no zero byte inside the encoding");
    check(std::memchr(encoded.data(), '\'', length) == nullptr, "no quote inside the encoding");

    std::vector<std::uint8_t> decoded(length + 1);
    const std::ptrdiff_t back = store::decodeBinary(encoded.data(), decoded.data());
    check(back == static_cast<std::ptrdiff_t>(size), "decoding gives the original length");
    check(size == 0 || std::memcmp(decoded.data(), data, size) == 0, "decoding gives the original bytes");
}

void decodeStoredText(const std::uint8_t* data, std::size_t size) {
    // What the database hands back is zero-terminated: cut at the first zero.
    std::vector<std::uint8_t> text(data, data + size);
    text.push_back(0);
    const std::size_t length = std::strlen(reinterpret_cast<const char*>(text.data()));

    std::vector<std::uint8_t> out(length + 1);
    const std::ptrdiff_t separate = store::decodeBinary(text.data(), out.data());
    check(separate >= -1 && separate <= static_cast<std::ptrdiff_t>(length), "decoded length within the text");

    std::vector<std::uint8_t> inPlace(text);
    const std::ptrdiff_t same = store::decodeBinary(inPlace.data(), inPlace.data());
    check(same == separate, "in-place decoding agrees with separate decoding");
    if (separate > 0) check(std::memcmp(out.data(), inPlace.data(), separate) == 0, "same bytes in place");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    roundTrip(data, size);
    decodeStoredText(data, size);
    return 0;
}
