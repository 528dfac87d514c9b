#include "skin/skin_image.h"

#include <algorithm>
#include <fstream>

#include "skin/gdiplus.h"
#include "skin/image_header.h"
#include "skin/skin_rules.h"

namespace skin {

namespace {

// Whether the file's header declares a size the skins take; read before
// GDI+ decodes the whole image.
bool headerAcceptable(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return false;
    const std::streamoff size = file.tellg();
    std::string head(std::size_t(std::clamp<std::streamoff>(size, 0, std::streamoff(kImageHeadBytes))), '\0');
    file.seekg(0);
    file.read(&head[0], std::streamsize(head.size()));
    head.resize(std::size_t(file.gcount()));
    return imageHeadAcceptable(head);
}

// The file as GDI+ reads it, or null.  The bitmap keeps the file open, so
// the skins always work on a copy made from it.
std::unique_ptr<Gdiplus::Bitmap> loadFile(const std::string& path) {
    if (path.empty() || !headerAcceptable(path)) return nullptr;
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
    NineGridSource source(path, marker);
    if (marginX) *marginX = source.marginX();
    if (marginY) *marginY = source.marginY();
    return source.render(width, height, addBorders);
}

SkinImage SkinImage::fromBitmap(std::unique_ptr<Gdiplus::Bitmap> bitmap) {
    SkinImage image;
    if (!bitmap) return image;
    image.width_ = int(bitmap->GetWidth());
    image.height_ = int(bitmap->GetHeight());
    image.bitmap_ = std::move(bitmap);
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

namespace {

// The disabled look: grey from the colours' luminance, at 70 % opacity
// (times the opacity asked for).
void setGreyMatrix(Gdiplus::ImageAttributes& attributes, float opacity) {
    Gdiplus::ColorMatrix m = {{{0.3f, 0.3f, 0.3f, 0, 0},
                               {0.59f, 0.59f, 0.59f, 0, 0},
                               {0.11f, 0.11f, 0.11f, 0, 0},
                               {0, 0, 0, 0.7f * opacity, 0},
                               {0, 0, 0, 0, 1}}};
    attributes.SetColorMatrix(&m);
}

}  // namespace

void SkinImage::draw(HDC dc, const RECT& dest, const RECT& source, int opacity, bool grey) const {
    int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    int sw = source.right - source.left, sh = source.bottom - source.top;
    if (!bitmap_ || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || opacity <= 0) return;
    Gdiplus::Graphics g(dc);
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    float alpha = float(std::min(opacity, 255)) / 255.0f;
    if (grey) {
        setGreyMatrix(attributes, alpha);
    } else if (opacity < 255) {
        Gdiplus::ColorMatrix m = {{{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, alpha, 0}, {0, 0, 0, 0, 1}}};
        attributes.SetColorMatrix(&m);
    }
    g.DrawImage(bitmap_.get(), Gdiplus::Rect(dest.left, dest.top, dw, dh), source.left, source.top, sw, sh,
                Gdiplus::UnitPixel, &attributes);
}

void SkinImage::fill(HDC dc, const RECT& r, int wrapMode, POINT origin) const {
    if (!bitmap_ || r.right <= r.left || r.bottom <= r.top) return;
    auto mode = Gdiplus::WrapMode(std::clamp(wrapMode, 0, 4));
    Gdiplus::TextureBrush brush(bitmap_.get(), mode);
    brush.TranslateTransform(Gdiplus::REAL(origin.x), Gdiplus::REAL(origin.y));
    Gdiplus::Graphics g(dc);
    g.FillRectangle(&brush, Gdiplus::Rect(r.left, r.top, r.right - r.left, r.bottom - r.top));
}

void SkinImage::drawGrey(HDC dc, int x, int y) const {
    draw(dc, RECT{x, y, x + width_, y + height_}, RECT{0, 0, width_, height_}, 255, true);
}

SkinImage SkinImage::with(const SkinImage& over) const {
    SkinImage copy;
    if (!bitmap_) return copy;
    copy.bitmap_.reset(bitmap_->Clone(0, 0, width_, height_, PixelFormat32bppARGB));
    if (!copy.bitmap_ || copy.bitmap_->GetLastStatus() != Gdiplus::Ok) return SkinImage();
    copy.width_ = width_;
    copy.height_ = height_;
    if (over.bitmap_) {
        Gdiplus::Graphics g(copy.bitmap_.get());
        g.DrawImage(over.bitmap_.get(), 0, 0, over.width_, over.height_);
    }
    return copy;
}

// --- nine-grid sources ---------------------------------------------------------------

NineGridSource::NineGridSource() = default;
NineGridSource::~NineGridSource() = default;
NineGridSource::NineGridSource(NineGridSource&&) noexcept = default;
NineGridSource& NineGridSource::operator=(NineGridSource&&) noexcept = default;

NineGridSource::NineGridSource(const std::string& path, COLORREF marker) {
    // A copy in memory: the file itself stays open while GDI+ holds it.
    auto file = loadFile(path);
    if (!file) return;
    int w = int(file->GetWidth()), h = int(file->GetHeight());
    file_ = newArgb(w, h);
    if (!file_) return;
    {
        Gdiplus::Graphics g(file_.get());
        g.DrawImage(file.get(), Gdiplus::Rect(0, 0, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
    }
    const Gdiplus::ARGB wanted = Gdiplus::Color::MakeARGB(255, GetRValue(marker), GetGValue(marker), GetBValue(marker));
    auto isMarkerAt = [&](int x, int y) {
        Gdiplus::Color c;
        return file_->GetPixel(x, y, &c) == Gdiplus::Ok && c.GetValue() == wanted;
    };
    Markers xs = findMarkers(w, [&](int x) { return isMarkerAt(x, 0); });
    Markers ys = findMarkers(h, [&](int y) { return isMarkerAt(0, y); });
    xs_[0] = xs.first;
    xs_[1] = xs.second;
    ys_[0] = ys.first;
    ys_[1] = ys.second;
}

int NineGridSource::marginX() const { return file_ ? std::max(xs_[0], int(file_->GetWidth()) - xs_[1]) : 0; }
int NineGridSource::marginY() const { return file_ ? std::max(ys_[0], int(file_->GetHeight()) - ys_[1]) : 0; }

SkinImage NineGridSource::render(int& width, int& height, bool addBorders) const {
    if (!file_) return SkinImage();
    int w = int(file_->GetWidth()), h = int(file_->GetHeight());
    NineGrid grid = nineGridLayout(w, h, Markers{xs_[0], xs_[1]}, Markers{ys_[0], ys_[1]}, width, height, addBorders);
    width = grid.width;
    height = grid.height;
    auto bitmap = newArgb(grid.width, grid.height);
    if (!bitmap) return SkinImage();
    Gdiplus::Graphics g(bitmap.get());
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
            file_->Clone(Gdiplus::Rect(s.x, s.y, s.width, s.height), PixelFormat32bppARGB));
        if (!piece || piece->GetLastStatus() != Gdiplus::Ok) continue;
        g.DrawImage(piece.get(), Gdiplus::Rect(d.x, d.y, d.width, d.height), 0, 0, s.width, s.height,
                    Gdiplus::UnitPixel, &tiling);
    }
    return SkinImage::fromBitmap(std::move(bitmap));
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

MemoryDC MemoryDC::copyOf(int x, int y, int width, int height) const {
    MemoryDC part(dc_, width, height);
    if (part && dc_) BitBlt(part.dc(), 0, 0, width, height, dc_, x, y, SRCCOPY);
    return part;
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
