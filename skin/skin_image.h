// Images of the skin: GDI+ bitmaps in 32-bit ARGB loaded from the skin
// folder in the three ways a skin file names them, and the memory device
// contexts the skins compose and blend their looks in.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace Gdiplus {
class Bitmap;
}

namespace skin {

class SkinImage {
public:
    SkinImage();
    ~SkinImage();
    SkinImage(SkinImage&&) noexcept;
    SkinImage& operator=(SkinImage&&) noexcept;

    // The file scaled to width x height (its natural size when either is 0).
    static SkinImage loadScaled(const std::string& path, int width = 0, int height = 0);
    // `frames` looks side by side with one-pixel gaps; the frame size is
    // returned through frameWidth and frameHeight.
    static std::vector<SkinImage> loadStrip(const std::string& path, int frames, int* frameWidth = nullptr,
                                            int* frameHeight = nullptr);
    // A nine-grid file stretched to width x height (both may grow, see
    // skin::nineGridLayout); the frame's thickness comes back as the margins.
    static SkinImage loadNineGrid(const std::string& path, COLORREF marker, int& width, int& height, bool addBorders,
                                  int* marginX = nullptr, int* marginY = nullptr);
    // The image of `bitmap` (taken over) at its size.
    static SkinImage fromBitmap(std::unique_ptr<Gdiplus::Bitmap> bitmap);

    explicit operator bool() const { return bitmap_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Draws the image (with its alpha) at x, y stretched to width x height;
    // a missing image draws nothing.
    void draw(HDC dc, int x, int y, int width, int height) const;
    void draw(HDC dc, int x, int y) const { draw(dc, x, y, width_, height_); }
    // The part `source` of the image (in its pixels) stretched over `dest`,
    // at an opacity 0 ... 255, in grey when `grey` is set (the disabled
    // look: grey at 70 % of the opacity).
    void draw(HDC dc, const RECT& dest, const RECT& source, int opacity = 255, bool grey = false) const;
    // `r` covered with the image repeated as GDI+'s wrap mode `wrapMode`
    // (0 tile, 1 flip across, 2 flip down, 3 both, 4 clamp) lays it out
    // from `origin`.
    void fill(HDC dc, const RECT& r, int wrapMode, POINT origin) const;
    // The disabled look at x, y, its own size.
    void drawGrey(HDC dc, int x, int y) const;
    // A copy of the image with `over` drawn on it at its own size (the
    // checked looks of check boxes).
    SkinImage with(const SkinImage& over) const;

private:
    std::unique_ptr<Gdiplus::Bitmap> bitmap_;
    int width_ = 0;
    int height_ = 0;
};

// A nine-grid file kept decoded, laid out again at each size asked for (a
// control's frame follows its window's size).
class NineGridSource {
public:
    NineGridSource();
    NineGridSource(const std::string& path, COLORREF marker);
    ~NineGridSource();
    NineGridSource(NineGridSource&&) noexcept;
    NineGridSource& operator=(NineGridSource&&) noexcept;

    explicit operator bool() const { return file_ != nullptr; }
    // The margins, which do not depend on the size.
    int marginX() const;
    int marginY() const;
    // The image at width x height (both may grow as for loadNineGrid).
    SkinImage render(int& width, int& height, bool addBorders) const;

private:
    std::unique_ptr<Gdiplus::Bitmap> file_;
    int xs_[2] = {};
    int ys_[2] = {};
};

// A memory device context holding a 32-bit bitmap of its own.
class MemoryDC {
public:
    MemoryDC() = default;
    MemoryDC(HDC compatible, int width, int height);
    ~MemoryDC();
    MemoryDC(MemoryDC&& other) noexcept;
    MemoryDC& operator=(MemoryDC&& other) noexcept;
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    explicit operator bool() const { return dc_ != nullptr; }
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Copies all of it to `target` at x, y.
    void copyTo(HDC target, int x, int y) const;
    // Copies `source` over all of it at a constant opacity 0 ... 255.
    void blendFrom(const MemoryDC& source, int opacity);
    // The part of it at x, y of width x height as a new context.
    MemoryDC copyOf(int x, int y, int width, int height) const;

private:
    void release();
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// The pixels of `window`'s parent under `rect` (in the parent's client
// coordinates), copied from a client device context of the parent.
MemoryDC snapshotOfParent(HWND window, const RECT& rect);

}  // namespace skin
