#include "skin/skin_image.h"

#include <algorithm>

#include "skin/gdiplus.h"
#include "skin/skin_rules.h"

namespace skin {

namespace {

// The file as GDI+ reads it, or null.  The bitmap keeps the file open, so
// the skins always work on a copy made from it.
std::unique_ptr<Gdiplus::Bitmap> loadFile(const std::string& path) {
    if (path.empty()) return nullptr;
    std::unique_ptr<Gdiplus::Bitmap> file(Gdiplus::Bitmap::FromFile(gdiplusPath(path).c_str()));
    if (!file || file->GetLastStatus() != Gdiplus::Ok || file->GetWidth() == 0 || file->GetHeight() == 0)
        return nullptr;
    return file;
}

std::unique_ptr<Gdiplus::Bitmap> newArgb(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
    if (bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return bitmap;
}

}  // namespace

SkinImage::SkinImage() = default;
SkinImage::~SkinImage() = default;
SkinImage::SkinImage(SkinImage&&) noexcept = default;
SkinImage& SkinImage::operator=(SkinImage&&) noexcept = default;

SkinImage SkinImage::loadScaled(const std::string& path, int width, int height) {
    SkinImage image;
    auto file = loadFile(path);
    if (!file) return image;
    if (width * height == 0) {
        width = int(file->GetWidth());
        height = int(file->GetHeight());
    }
    image.bitmap_ = newArgb(width, height);
    if (!image.bitmap_) return image;
    Gdiplus::Graphics g(image.bitmap_.get());
    g.DrawImage(file.get(), Gdiplus::Rect(0, 0, width, height), 0, 0, INT(file->GetWidth()), INT(file->GetHeight()),
                Gdiplus::UnitPixel);
    image.width_ = width;
    image.height_ = height;
    return image;
}

std::vector<SkinImage> SkinImage::loadStrip(const std::string& path, int frames, int* frameWidth, int* frameHeight) {
    std::vector<SkinImage> out(std::size_t(std::max(frames, 0)));
    auto file = loadFile(path);
    Strip strip = file ? stripLayout(int(file->GetWidth()), int(file->GetHeight()), frames) : Strip{};
    if (frameWidth) *frameWidth = strip.frameWidth;
    if (frameHeight) *frameHeight = strip.frameHeight;
    if (!file || strip.frameWidth <= 0) return out;
    for (int k = 0; k < frames; ++k) {
        SkinImage& frame = out[std::size_t(k)];
        frame.bitmap_ = newArgb(strip.frameWidth, strip.frameHeight);
        if (!frame.bitmap_) continue;
        Gdiplus::Graphics g(frame.bitmap_.get());
        g.DrawImage(file.get(), Gdiplus::Rect(0, 0, strip.frameWidth, strip.frameHeight), strip.frameX(k), 0,
                    strip.frameWidth, strip.frameHeight, Gdiplus::UnitPixel);
        frame.width_ = strip.frameWidth;
        frame.height_ = strip.frameHeight;
    }
    return out;
}

SkinImage SkinImage::loadNineGrid(const std::string& path, COLORREF marker, int& width, int& height, bool addBorders,
                                  int* marginX, int* marginY) {
    SkinImage image;
    if (marginX) *marginX = 0;
    if (marginY) *marginY = 0;
    auto file = loadFile(path);
    if (!file) return image;
    int w = int(file->GetWidth()), h = int(file->GetHeight());
    const Gdiplus::ARGB wanted = Gdiplus::Color::MakeARGB(255, GetRValue(marker), GetGValue(marker), GetBValue(marker));
    auto isMarkerAt = [&](int x, int y) {
        Gdiplus::Color c;
        return file->GetPixel(x, y, &c) == Gdiplus::Ok && c.GetValue() == wanted;
    };
    Markers xs = findMarkers(w, [&](int x) { return isMarkerAt(x, 0); });
    Markers ys = findMarkers(h, [&](int y) { return isMarkerAt(0, y); });
    NineGrid grid = nineGridLayout(w, h, xs, ys, width, height, addBorders);
    width = grid.width;
    height = grid.height;
    if (marginX) *marginX = grid.marginX;
    if (marginY) *marginY = grid.marginY;

    image.bitmap_ = newArgb(grid.width, grid.height);
    if (!image.bitmap_) return image;
    image.width_ = grid.width;
    image.height_ = grid.height;
    Gdiplus::Graphics g(image.bitmap_.get());
    // Each piece is copied out of the file and stretched on its own, with
    // flipped tiling at its edges: stretching a part of the file in place
    // lets the interpolation take colour from the neighbouring pixels (the
    // marker lines and the next piece), as Wine's GDI+ does.
    Gdiplus::ImageAttributes tiling;
    tiling.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    for (std::size_t i = 0; i < grid.source.size(); ++i) {
        const Rect& s = grid.source[i];
        const Rect& d = grid.dest[i];
        if (s.width <= 0 || s.height <= 0 || d.width <= 0 || d.height <= 0) continue;
        std::unique_ptr<Gdiplus::Bitmap> piece(
            file->Clone(Gdiplus::Rect(s.x, s.y, s.width, s.height), PixelFormat32bppARGB));
        if (!piece || piece->GetLastStatus() != Gdiplus::Ok) continue;
        g.DrawImage(piece.get(), Gdiplus::Rect(d.x, d.y, d.width, d.height), 0, 0, s.width, s.height,
                    Gdiplus::UnitPixel, &tiling);
    }
    return image;
}

void SkinImage::draw(HDC dc, int x, int y, int width, int height) const {
    if (!bitmap_ || width <= 0 || height <= 0) return;
    Gdiplus::Graphics g(dc);
    if (width == width_ && height == height_) {
        g.DrawImage(bitmap_.get(), x, y, width, height);
        return;
    }
    Gdiplus::ImageAttributes tiling;
    tiling.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    g.DrawImage(bitmap_.get(), Gdiplus::Rect(x, y, width, height), 0, 0, width_, height_, Gdiplus::UnitPixel, &tiling);
}

// --- memory device contexts ---------------------------------------------------------

MemoryDC::MemoryDC(HDC compatible, int width, int height) {
    if (width <= 0 || height <= 0) return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(compatible);
    bitmap_ = CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dc_ || !bitmap_) {
        release();
        return;
    }
    old_ = SelectObject(dc_, bitmap_);
    width_ = width;
    height_ = height;
}

MemoryDC::~MemoryDC() { release(); }

MemoryDC::MemoryDC(MemoryDC&& other) noexcept { *this = std::move(other); }

MemoryDC& MemoryDC::operator=(MemoryDC&& other) noexcept {
    if (this != &other) {
        release();
        std::swap(dc_, other.dc_);
        std::swap(bitmap_, other.bitmap_);
        std::swap(old_, other.old_);
        std::swap(width_, other.width_);
        std::swap(height_, other.height_);
    }
    return *this;
}

void MemoryDC::release() {
    if (dc_ && old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    old_ = nullptr;
    width_ = height_ = 0;
}

void MemoryDC::copyTo(HDC target, int x, int y) const {
    if (dc_) BitBlt(target, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
}

void MemoryDC::blendFrom(const MemoryDC& source, int opacity) {
    if (!dc_ || !source.dc_) return;
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, BYTE(std::clamp(opacity, 0, 255)), 0};
    int width = std::min(width_, source.width_), height = std::min(height_, source.height_);
    AlphaBlend(dc_, 0, 0, width, height, source.dc_, 0, 0, width, height, blend);
}

MemoryDC snapshotOfParent(HWND window, const RECT& rect) {
    HWND parent = GetParent(window);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC source = GetDC(parent ? parent : window);
    MemoryDC snapshot(source, width, height);
    if (snapshot) BitBlt(snapshot.dc(), 0, 0, width, height, source, rect.left, rect.top, SRCCOPY);
    ReleaseDC(parent ? parent : window, source);
    return snapshot;
}

}  // namespace skin
