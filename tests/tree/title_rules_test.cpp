// Extensions, trimming, new labels and the scheme and icon a title implies.
#include <gtest/gtest.h>

#include "editor/scheme_list.h"
#include "tree/title_rules.h"

namespace {

TEST(TitleRules, ExtensionIsTheTextAfterTheLastDot) {
    EXPECT_EQ(titleExtension("a.cpp"), "cpp");
    EXPECT_EQ(titleExtension("a.b.txt"), "txt");
    EXPECT_EQ(titleExtension("abc"), "");
    EXPECT_EQ(titleExtension("a."), "");
    EXPECT_EQ(titleExtension(".bashrc"), "bashrc");
    EXPECT_EQ(titleExtension("\xB4\xFA\xC2\xEB.h"), "h");  // GBK "代码.h"
}

TEST(TitleRules, WithoutExtensionKeepsALeadingDot) {
    EXPECT_EQ(titleWithoutExtension("a.b.c"), "a.b");
    EXPECT_EQ(titleWithoutExtension("abc"), "abc");
    EXPECT_EQ(titleWithoutExtension("a."), "a");
    EXPECT_EQ(titleWithoutExtension(".bashrc"), ".bashrc");
    EXPECT_EQ(titleWithoutExtension(""), "");
}

TEST(TitleRules, TrimsSpacesAndTabsAtBothEndsOnly) {
    EXPECT_EQ(trimBlanks(" \ta b\t "), "a b");
    EXPECT_EQ(trimBlanks("ab"), "ab");
    EXPECT_EQ(trimBlanks(" \t "), "");
    EXPECT_EQ(trimBlanks(""), "");
    EXPECT_EQ(trimBlanks("\nx\n"), "\nx\n");
}

TEST(TitleRules, NewLabelsAreGbkWithTheTurn) {
    EXPECT_EQ(newNodeLabel(1, 3), "\xD0\xC2\xBD\xA8\xCE\xC4\xB1\xBE" "3");
    EXPECT_EQ(newNodeLabel(0, 10), "\xD0\xC2\xBD\xA8\xC4\xBF\xC2\xBC" "10");
}

class TitleSchemes : public ::testing::Test {
protected:
    void SetUp() override {
        schemes.add({3, "C++", "cpp.xml", {"cpp", "h"}});
        schemes.add({5, "Plain", "plain.xml", {}});
    }
    SchemeList schemes;
};

TEST_F(TitleSchemes, SchemeComesFromTheExtensionElseStays) {
    EXPECT_EQ(schemeForTitle(schemes, "main.CPP", 5), 3);
    EXPECT_EQ(schemeForTitle(schemes, "notes.xyz", 3), -1);
    EXPECT_EQ(schemeForTitle(schemes, "notes", 5), 5);
    EXPECT_EQ(schemeForTitle(schemes, "notes.", 3), 3);
}

TEST_F(TitleSchemes, IconPrefersTheTitleThenTheScheme) {
    bool own = false;
    EXPECT_EQ(iconExtension(schemes, "a.xyz", -1, own), "xyz");
    EXPECT_TRUE(own);
    EXPECT_EQ(iconExtension(schemes, "a", -1, own), "");
    EXPECT_FALSE(own);
    EXPECT_EQ(iconExtension(schemes, "a", 3, own), "cpp");
    EXPECT_TRUE(own);
    own = false;
    EXPECT_EQ(iconExtension(schemes, "a", 5, own), "");  // scheme without extensions
    EXPECT_TRUE(own);
    own = false;
    EXPECT_EQ(iconExtension(schemes, "a", 42, own), "");  // scheme no longer listed
    EXPECT_TRUE(own);
}

}  // namespace
