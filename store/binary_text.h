// The binary-to-text encoding of attachment data: any byte string becomes a
// zero-terminated text with neither zero bytes nor single quotes, so that it
// can stand between quotes in a statement.
#pragma once

#include <cstddef>
#include <cstdint>

namespace store {

// Bytes needed to encode `length` input bytes, terminator included
// (length * 257 / 254 + 3, computed without overflow).
std::uint64_t encodedCapacity(std::uint64_t length);

// Encodes `length` bytes of `in` into `out` (at least encodedCapacity bytes)
// and returns the encoded length, terminator excluded.
std::size_t encodeBinary(const std::uint8_t* in, std::size_t length, std::uint8_t* out);

// Decodes the zero-terminated `in` into `out`, which may be `in` itself: the
// output is never longer than the input.  Returns the decoded length, or -1
// when an escape byte is followed by anything but 1, 2 or 3.
std::ptrdiff_t decodeBinary(const std::uint8_t* in, std::uint8_t* out);

}  // namespace store
