#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/gbk.h"

namespace {

// The code page's own answer (IsDBCSLeadByte for 936) for every byte.
bool leadIn936(unsigned c) { return c >= 0x81 && c <= 0xFE; }

TEST(Gbk, LeadBytesAreExactlyTheCodePagesLeadRange) {
    for (unsigned c = 0; c < 256; ++c) EXPECT_EQ(gbk::isLeadByte(static_cast<unsigned char>(c)), leadIn936(c)) << c;
    EXPECT_TRUE(gbk::isLeadByte('\xD6'));  // the char overload sees the byte, not a negative number
    EXPECT_FALSE(gbk::isLeadByte('\x7F'));
}

TEST(Gbk, PrintableSinglesLeaveOutControlCharactersAndDel) {
    EXPECT_TRUE(gbk::isPrintableSingle(' '));
    EXPECT_TRUE(gbk::isPrintableSingle('~'));
    EXPECT_TRUE(gbk::isPrintableSingle(0x80));
    for (unsigned char c : {0x00, 0x08, 0x09, 0x0A, 0x0D, 0x1F, 0x7F, 0xFF}) EXPECT_FALSE(gbk::isPrintableSingle(c)) << int(c);
    for (unsigned c = 0x81; c <= 0xFE; ++c) EXPECT_FALSE(gbk::isPrintableSingle(static_cast<unsigned char>(c)));
}

// In the pair 0x83 0x5C the trail byte is a backslash: a walk from the
// start never takes a trail byte for a character of its own.
TEST(Gbk, CharLengthWalksPairsAndLeavesALoneLeadAtTheEnd) {
    const std::string text = "a\x83\x5C\\\xD6";
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); i += gbk::charLength(text, i)) starts.push_back(i);
    EXPECT_EQ(starts, (std::vector<std::size_t>{0, 1, 3, 4}));
    EXPECT_EQ(gbk::charLength(text, 4), 1u);
}

}  // namespace
