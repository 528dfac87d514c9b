// The size image files declare, read before they are decoded.
#include "skin/image_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using skin::ImageFormat;

std::string be32(std::uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string le32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string be16(unsigned v) { return {char(v >> 8), char(v)}; }
std::string le16(unsigned v) { return {char(v), char(v >> 8)}; }

std::string png(std::uint32_t w, std::uint32_t h) {
    return std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + be32(w) + be32(h) + std::string("\x08\x06\0\0\0", 5);
}
std::string bmp(std::int32_t w, std::int32_t h) {
    return "BM" + std::string(12, '\0') + le32(40) + le32(std::uint32_t(w)) + le32(std::uint32_t(h)) + le16(1) +
           le16(32);
}
std::string gif(unsigned w, unsigned h) { return "GIF89a" + le16(w) + le16(h) + std::string(3, '\0'); }
// A JPEG with an application segment of `appBytes` before its frame header.
std::string jpeg(unsigned w, unsigned h, unsigned appBytes = 14, unsigned char sof = 0xC0) {
    std::string s = "\xFF\xD8";
    s += std::string("\xFF\xE0", 2) + be16(appBytes + 2) + std::string(appBytes, 'j');
    s += std::string("\xFF\xC4", 2) + be16(4) + "hh";  // a Huffman table is not a frame
    s += std::string("\xFF", 1) + char(sof) + be16(17) + '\x08' + be16(h) + be16(w) + std::string(10, '\x01');
    return s;
}

TEST(ImageHeader, EachFormatDeclaresItsWidthAndHeight) {
    struct Case {
        std::string head;
        ImageFormat format;
        long long width, height;
    } cases[] = {
        {png(300, 25), ImageFormat::Png, 300, 25},
        {bmp(64, 48), ImageFormat::Bmp, 64, 48},
        {bmp(64, -48), ImageFormat::Bmp, 64, 48},  // top-down
        {"BM" + std::string(12, '\0') + le32(12) + le16(20) + le16(10), ImageFormat::Bmp, 20, 10},  // core header
        {gif(16, 16), ImageFormat::Gif, 16, 16},
        {jpeg(640, 480), ImageFormat::Jpeg, 640, 480},
        {jpeg(8, 9, 60000, 0xC2), ImageFormat::Jpeg, 8, 9},  // progressive, behind a large segment
    };
    for (const Case& c : cases) {
        skin::ImageHeader header = skin::readImageHeader(c.head);
        EXPECT_EQ(header.format, c.format);
        ASSERT_TRUE(header.size);
        EXPECT_EQ(header.size->width, c.width);
        EXPECT_EQ(header.size->height, c.height);
        EXPECT_TRUE(skin::imageHeadAcceptable(c.head));
    }
}

TEST(ImageHeader, HugeEmptyOrCutShortImagesAreRefusedAndUnknownFormatsLeftToTheLibrary) {
    for (const std::string& refused :
         {png(200000, 200000), png(8193, 1), png(4097, 4096), png(0, 10), bmp(60000, -60000), bmp(-5, 5),
          gif(65535, 300), jpeg(65535, 65535), jpeg(0, 100),
          png(300, 25).substr(0, 20), bmp(64, 48).substr(0, 20), std::string("GIF89a\x10", 7),
          jpeg(640, 480).substr(0, 30), std::string("\xFF\xD8\xFF\xE0\x00\x01", 6),  // a length below 2
          std::string("\xFF\xD8\xFF\xDA\x00\x04ss", 8)})                            // a scan before any frame
        EXPECT_FALSE(skin::imageHeadAcceptable(refused)) << testing::PrintToString(refused);
    EXPECT_TRUE(skin::imageHeadAcceptable(png(8192, 2048)));  // both limits met exactly
    EXPECT_TRUE(skin::imageHeadAcceptable(png(4096, 4096)));
    EXPECT_EQ(skin::readImageHeader("").format, ImageFormat::Unknown);
    EXPECT_TRUE(skin::imageHeadAcceptable(std::string("\0\0\1\0", 4)));  // an icon: GDI+ decides
    EXPECT_TRUE(skin::imageHeadAcceptable(""));                          // GDI+ refuses an empty file
}

}  // namespace
