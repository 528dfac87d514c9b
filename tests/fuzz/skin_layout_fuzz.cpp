// libFuzzer target for the arithmetic that reads and cuts skin images: the
// size an image file's header declares, strips of frames and nine-grid
// files with their marker pixels, for images of odd and large sizes,
// markers missing, doubled, out of order or at the edges, and any
// requested size a window can have.  Every rectangle must lie in
// the file (sources) or in the new image (destinations), pieces must not
// overlap, and nothing may overflow (the target runs under UBSan).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "skin/image_header.h"
#include "skin/skin_rules.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "skin_layout_fuzz: broken invariant: %s\n", what);
        std::abort();
    }
}

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    unsigned next(unsigned bits) {
        unsigned v = 0;
        for (unsigned i = 0; i < bits; i += 8) v = (v << 8) | (pos_ < size_ ? data_[pos_++] : 0);
        return v & ((bits >= 32) ? ~0u : ((1u << bits) - 1));
    }
    bool more() const { return pos_ < size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Marker pixels along one edge of `size` pixels: a few chosen positions.
skin::Markers markers(Input& in, int size) {
    std::vector<int> marked;
    const unsigned count = in.next(8) % 5;
    for (unsigned i = 0; i < count; ++i) marked.push_back(size > 0 ? static_cast<int>(in.next(24) % size) : 0);
    return skin::findMarkers(size, [&](int i) { return std::find(marked.begin(), marked.end(), i) != marked.end(); });
}

void checkInside(const skin::Rect& r, int width, int height, const char* what) {
    check(r.width >= 0 && r.height >= 0, what);
    check(r.x >= 0 && r.y >= 0, what);
    check(r.x <= width && r.y <= height, what);
    check(r.width <= width - r.x && r.height <= height - r.y, what);
}

void nineGrid(Input& in) {
    // Files up to 65 535 pixels a side (a huge image loads or fails in the
    // image library; the arithmetic must hold either way); windows up to
    // 32 767 pixels.
    const int fileWidth = static_cast<int>(in.next(16));
    const int fileHeight = static_cast<int>(in.next(16));
    const skin::Markers xs = markers(in, fileWidth);
    const skin::Markers ys = markers(in, fileHeight);
    const int requestedWidth = static_cast<int>(in.next(16) & 0x7FFF);
    const int requestedHeight = static_cast<int>(in.next(16) & 0x7FFF);
    const bool addBorders = in.next(8) & 1;

    const skin::NineGrid g =
        skin::nineGridLayout(fileWidth, fileHeight, xs, ys, requestedWidth, requestedHeight, addBorders);
    check(g.width >= 0 && g.height >= 0, "the laid-out image has a size");
    check(g.marginX >= 0 && g.marginY >= 0, "margins are not negative");
    for (int i = 0; i < 9; ++i) {
        checkInside(g.source[i], fileWidth, fileHeight, "source piece inside the file");
        checkInside(g.dest[i], g.width, g.height, "destination piece inside the image");
    }
    // The pieces of each row lie side by side without overlap.
    for (int row = 0; row < 3; ++row) {
        const skin::Rect* r = &g.dest[row * 3];
        for (int a = 0; a < 3; ++a)
            for (int b = a + 1; b < 3; ++b)
                if (r[a].width > 0 && r[b].width > 0)
                    check(r[a].x + r[a].width <= r[b].x, "pieces of a row do not overlap");
    }
}

void strip(Input& in) {
    const int width = static_cast<int>(in.next(24)) - 8;
    const int height = static_cast<int>(in.next(16)) - 8;
    const int frames = static_cast<int>(in.next(8)) - 2;
    const skin::Strip s = skin::stripLayout(width, height, frames);
    check(s.frameWidth >= 0 && s.frameHeight >= 0, "frame sizes are not negative");
    if (frames > 0 && width > 0 && s.frameWidth > 0) {
        // The last frame ends inside the file.
        check(s.frameX(frames - 1) + s.frameWidth <= width, "the last frame lies inside the strip");
    }
}

void fade(Input& in) {
    const int hoverTime = static_cast<int>(in.next(32));
    const skin::Fade f = skin::fadeFromHoverTime(hoverTime);
    check(f.steps >= 0 && f.opacityStep >= 0, "fade steps are not negative");
    int opacity = 0;
    int ticks = 0;
    while (opacity < 255) {
        const int next = skin::nextFadeOpacity(f, opacity);
        check(next > opacity && next <= 255, "a fade moves on and stays in range");
        opacity = next;
        check(++ticks <= 1024, "a fade ends");
    }
}

}  // namespace

// The rest of the input as the beginning of an image file, behind a
// signature chosen by its first byte so that every reader is reached.  The
// reader stays within the bytes (AddressSanitizer), and what it accepts is
// within the limits (a BMP may declare a negative width: it is refused).
void imageHead(const std::uint8_t* data, std::size_t size) {
    static const std::string_view signatures[] = {std::string_view("\x89PNG\r\n\x1a\n", 8), "BM", "GIF89a",
                                                  "\xFF\xD8", ""};
    if (size == 0) return;
    std::string head(signatures[data[0] % 5]);
    head.append(reinterpret_cast<const char*>(data + 1), size - 1);
    const skin::ImageHeader header = skin::readImageHeader(head);
    if (skin::imageHeadAcceptable(head) && header.format != skin::ImageFormat::Unknown)
        check(header.size && header.size->width <= skin::kMaxImageSide && header.size->height <= skin::kMaxImageSide &&
                  header.size->width * header.size->height <= skin::kMaxImagePixels,
              "an image over the limits is accepted");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    switch (in.next(8) % 4) {
    case 0: nineGrid(in); break;
    case 1: strip(in); break;
    case 2: fade(in); break;
    default: imageHead(data + 1, size - 1); break;
    }
    return 0;
}
