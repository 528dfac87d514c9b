#include "skin/image_header.h"

#include <cstdint>

namespace skin {

namespace {

// Unsigned fields of a byte string; the callers have checked the length.
std::uint32_t be16(std::string_view s, std::size_t at) {
    return std::uint32_t(std::uint8_t(s[at])) << 8 | std::uint8_t(s[at + 1]);
}
std::uint32_t be32(std::string_view s, std::size_t at) { return be16(s, at) << 16 | be16(s, at + 2); }
std::uint32_t le16(std::string_view s, std::size_t at) {
    return std::uint32_t(std::uint8_t(s[at + 1])) << 8 | std::uint8_t(s[at]);
}
std::uint32_t le32(std::string_view s, std::size_t at) { return le16(s, at + 2) << 16 | le16(s, at); }

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::optional<ImageSize> pngSize(std::string_view s) {
    // Signature, then the IHDR chunk: length, type, width, height.
    if (s.size() < 24 || s.substr(12, 4) != "IHDR") return std::nullopt;
    return ImageSize{be32(s, 16), be32(s, 20)};
}

std::optional<ImageSize> bmpSize(std::string_view s) {
    if (s.size() < 18) return std::nullopt;
    const std::uint32_t infoSize = le32(s, 14);
    if (infoSize == 12) {  // BITMAPCOREHEADER: 16-bit sizes
        if (s.size() < 22) return std::nullopt;
        return ImageSize{le16(s, 18), le16(s, 20)};
    }
    if (infoSize < 40 || s.size() < 26) return std::nullopt;
    // A negative height is a top-down image of that many rows.
    const long long width = std::int32_t(le32(s, 18));
    const long long height = std::int32_t(le32(s, 22));
    return ImageSize{width, height < 0 ? -height : height};
}

std::optional<ImageSize> gifSize(std::string_view s) {
    if (s.size() < 10) return std::nullopt;
    return ImageSize{le16(s, 6), le16(s, 8)};
}

// Walks the segments after the start of image up to the first frame header
// (SOF0 to SOF15 but the DHT, JPG and DAC markers).
std::optional<ImageSize> jpegSize(std::string_view s) {
    std::size_t at = 2;
    while (at + 4 <= s.size()) {
        if (std::uint8_t(s[at]) != 0xFF) return std::nullopt;
        const std::uint8_t marker = std::uint8_t(s[at + 1]);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // end or scan before any frame
        const std::uint32_t length = be16(s, at + 2);
        if (length < 2) return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7 || at + 9 > s.size()) return std::nullopt;
            return ImageSize{be16(s, at + 7), be16(s, at + 5)};
        }
        at += 2 + length;
    }
    return std::nullopt;
}

}  // namespace

ImageHeader readImageHeader(std::string_view s) {
    if (startsWith(s, std::string_view("\x89PNG\r\n\x1a\n", 8))) return {ImageFormat::Png, pngSize(s)};
    if (startsWith(s, "BM")) return {ImageFormat::Bmp, bmpSize(s)};
    if (startsWith(s, "GIF87a") || startsWith(s, "GIF89a")) return {ImageFormat::Gif, gifSize(s)};
    if (startsWith(s, "\xFF\xD8")) return {ImageFormat::Jpeg, jpegSize(s)};
    return {};
}

bool imageHeadAcceptable(std::string_view head) {
    const ImageHeader header = readImageHeader(head);
    if (header.format == ImageFormat::Unknown) return true;
    if (!header.size) return false;
    const ImageSize& size = *header.size;
    return size.width > 0 && size.height > 0 && size.width <= kMaxImageSide && size.height <= kMaxImageSide &&
           size.width * size.height <= kMaxImagePixels;
}

}  // namespace skin
