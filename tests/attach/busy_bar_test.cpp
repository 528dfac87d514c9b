#include <gtest/gtest.h>

#include <string>

#include "attach/busy_bar.h"

namespace {

// The bar drawn as text: '#' for a block shown.
std::string draw(const BusyBar& bar) {
    std::string s(BusyBar::kBlocks, '.');
    for (int i = bar.firstBlock(); i < bar.firstBlock() + bar.count; ++i) s[std::size_t(i)] = '#';
    return s;
}

TEST(BusyBar, FillsFromTheLeftEmptiesToTheRightAndStartsAgain) {
    BusyBar bar;
    EXPECT_EQ(draw(bar), "#..............");
    bar.advance();
    EXPECT_EQ(draw(bar), "##.............");
    for (int i = 0; i < 13; ++i) bar.advance();
    EXPECT_EQ(draw(bar), "###############");
    bar.advance();  // the full bar now empties towards the right end
    EXPECT_EQ(draw(bar), "###############");
    bar.advance();
    EXPECT_EQ(draw(bar), ".##############");
    for (int i = 0; i < 13; ++i) bar.advance();
    EXPECT_EQ(draw(bar), "..............#");
    bar.advance();
    EXPECT_EQ(draw(bar), "#..............");
    bar.advance();
    EXPECT_EQ(draw(bar), "##.............");
}

TEST(BusyBar, NeverShowsFewerThanOneOrMoreThanAllBlocks) {
    BusyBar bar;
    for (int tick = 0; tick < 100; ++tick) {
        bar.advance();
        ASSERT_GE(bar.count, 1);
        ASSERT_LE(bar.count, BusyBar::kBlocks);
        ASSERT_GE(bar.firstBlock(), 0);
        ASSERT_LE(bar.firstBlock() + bar.count, BusyBar::kBlocks);
    }
}

TEST(BusyBar, OneBarIsSharedByTheWholeProcess) {
    BusyBar& shared = sharedBusyBar();
    int before = shared.count;
    bool fromLeft = shared.fromLeft;
    sharedBusyBar().advance();
    EXPECT_TRUE(shared.count != before || shared.fromLeft != fromLeft);
    EXPECT_EQ(&shared, &sharedBusyBar());
}

}  // namespace
