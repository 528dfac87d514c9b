// The size an image file declares in its header, read before the image
// library decodes it: a skin folder may hold a small file that claims
// millions of pixels a side, and decoding it would take the memory of
// the whole process.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace skin {

struct ImageSize {
    long long width = 0;
    long long height = 0;
};

// How much of a file's beginning `declaredImageSize` needs at most: the
// header of a PNG, BMP or GIF, or the JPEG segments up to its frame header.
inline constexpr std::size_t kImageHeadBytes = 256 * 1024;

enum class ImageFormat { Unknown, Png, Bmp, Gif, Jpeg };

struct ImageHeader {
    ImageFormat format = ImageFormat::Unknown;
    // The declared size; none when the header is cut short or malformed.
    std::optional<ImageSize> size;
};

// Reads the format and declared size from the first bytes of a file.
ImageHeader readImageHeader(std::string_view head);

// The largest image the skins take: 8192 pixels a side and 16 777 216
// pixels in all (64 MiB as 32-bit pixels).
inline constexpr long long kMaxImageSide = 8192;
inline constexpr long long kMaxImagePixels = 4096LL * 4096LL;

// Whether a file that begins with `head` may be handed to the image
// library: a known format needs a readable size within the limits; a
// format we do not know is left to the library to accept or refuse.
bool imageHeadAcceptable(std::string_view head);

}  // namespace skin
