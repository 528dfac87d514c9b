// Looking up the syntax schemes.
#include <gtest/gtest.h>

#include "editor/scheme_list.h"

namespace {

SchemeList sample() {
    SchemeList list;
    list.add({3, "C++", "/s/cpp.xml", {"cpp", "H", "cc"}});
    list.add({7, "C", "/s/c.xml", {"c", "h"}});
    list.add({9, "Odd", "/s/odd.xml", {"\xC1"}});
    return list;
}

TEST(SchemeList, AddSkipsAnIdAlreadyListed) {
    SchemeList list = sample();
    EXPECT_FALSE(list.add({7, "Other", "/s/other.xml", {"x"}}));
    ASSERT_EQ(list.entries().size(), 3u);
    EXPECT_EQ(list.byId(7)->name, "C");
    EXPECT_EQ(list.byExtension("x"), nullptr);
    EXPECT_TRUE(list.add({8, "Other", "/s/other.xml", {"x"}}));
    EXPECT_EQ(list.entries().back().id, 8);
}

TEST(SchemeList, LooksUpByIdAndName) {
    SchemeList list = sample();
    EXPECT_EQ(list.byId(3)->name, "C++");
    EXPECT_EQ(list.byId(4), nullptr);
    EXPECT_EQ(list.byName("C")->id, 7);
    EXPECT_EQ(list.byName("Pascal"), nullptr);
}

TEST(SchemeList, ExtensionsMatchIgnoringAsciiCaseFirstEntryWins) {
    SchemeList list = sample();
    EXPECT_EQ(list.byExtension("CPP")->id, 3);
    EXPECT_EQ(list.byExtension("C")->id, 7);
    EXPECT_EQ(list.byExtension("h")->id, 3);  // both list it; C++ comes first
    EXPECT_EQ(list.byExtension("cp"), nullptr);
    EXPECT_EQ(list.byExtension("cppx"), nullptr);
    EXPECT_EQ(list.byExtension(""), nullptr);
    // Bytes above 0x7F are never folded.
    EXPECT_EQ(list.byExtension("\xC1")->id, 9);
    EXPECT_EQ(list.byExtension("\xE1"), nullptr);
}

}  // namespace
