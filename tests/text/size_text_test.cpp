#include <gtest/gtest.h>

#include "text/size_text.h"

namespace {

TEST(SizeText, UnitsChangeAtExactlyOneKilobyteAndOneMegabyte) {
    EXPECT_EQ(text::sizeText(0), "0 B");
    EXPECT_EQ(text::sizeText(1023), "1023 B");
    EXPECT_EQ(text::sizeText(1024), "1 KB");
    EXPECT_EQ(text::sizeText(2047), "1 KB");  // truncated, not rounded
    EXPECT_EQ(text::sizeText(1048575), "1023 KB");
    EXPECT_EQ(text::sizeText(1048576), "1.00 MB");
    EXPECT_EQ(text::sizeText(5242880), "5.00 MB");
    EXPECT_EQ(text::sizeText(104857600), "100.00 MB");
}

TEST(SizeText, MegabytesAreRoundedToTwoDecimals) {
    EXPECT_EQ(text::sizeText(1572864), "1.50 MB");
    EXPECT_EQ(text::sizeText(1048576 + 5243), "1.01 MB");             // 1.0050001 MB
    EXPECT_EQ(text::sizeText(1024LL * 1048576 - 1), "1024.00 MB");  // 1023.999999 MB
}

// A size that could not be measured is -1; sizes past 2 GB do not wrap.
TEST(SizeText, UnknownAndHugeSizes) {
    EXPECT_EQ(text::sizeText(-1), "-1 B");
    EXPECT_EQ(text::sizeText(2147483648LL), "2048.00 MB");
    EXPECT_EQ(text::sizeText(3221225472LL), "3072.00 MB");
    EXPECT_EQ(text::sizeText(5LL << 40), "5242880.00 MB");
}

}  // namespace
