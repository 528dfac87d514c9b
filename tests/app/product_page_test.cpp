#include <gtest/gtest.h>

#include "app/product_page.h"

TEST(ProductPage, PathQueryAndTheChineseNameInTheProgramCodePage) {
    // "墨舟" is C4 AB D6 DB in GBK.
    EXPECT_EQ(productPageUrl("http://www.example.cn"),
              "http://www.example.cn/soft.php?name_en=jexmarlo&name_cn=%C4%AB%D6%DB");
    EXPECT_EQ(productPageUrl("http://www.example.cn/"),
              "http://www.example.cn/soft.php?name_en=jexmarlo&name_cn=%C4%AB%D6%DB");
}

TEST(ProductPage, PercentEncodingKeepsOnlyUnreservedCharacters) {
    EXPECT_EQ(percentEncode("aZ09-_.~"), "aZ09-_.~");
    EXPECT_EQ(percentEncode("a b&c=d/?"), "a%20b%26c%3Dd%2F%3F");
    EXPECT_EQ(percentEncode(std::string("\0\xff", 2)), "%00%FF");
}
