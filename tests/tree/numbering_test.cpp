// Turn numbering of new and moved nodes.
#include <gtest/gtest.h>

#include "tree/numbering.h"

namespace {

using Updates = std::vector<TurnUpdate>;

TEST(ShiftForInsert, ShiftsTheRunUpToTheFirstGap) {
    EXPECT_EQ(shiftForInsert(4, {{10, 4}, {11, 5}, {12, 7}}), (Updates{{10, 5}, {11, 6}}));
    EXPECT_EQ(shiftForInsert(1, {{10, 1}, {11, 2}, {12, 3}}), (Updates{{10, 2}, {11, 3}, {12, 4}}));
}

TEST(ShiftForInsert, NothingMovesWhenTheNextTurnIsFree) {
    EXPECT_EQ(shiftForInsert(4, {{10, 6}}), Updates{});
    EXPECT_EQ(shiftForInsert(4, {}), Updates{});
    // A gap right after the first shifted sibling stops the walk there.
    EXPECT_EQ(shiftForInsert(2, {{10, 2}, {11, 4}, {12, 5}}), (Updates{{10, 3}}));
}

TEST(PlanMove, TakesTheTurnAfterThePreviousSiblingAndShiftsTheRun) {
    MovePlan plan = planMove(2, {{20, 3}, {21, 4}, {22, 9}});
    EXPECT_EQ(plan.turn, 3);
    EXPECT_EQ(plan.shifts, (Updates{{20, 4}, {21, 5}}));
}

TEST(PlanMove, FirstChildTakesTurnOne) {
    MovePlan plan = planMove(std::nullopt, {{20, 1}});
    EXPECT_EQ(plan.turn, 1);
    EXPECT_EQ(plan.shifts, (Updates{{20, 2}}));
    EXPECT_EQ(planMove(std::nullopt, {}).turn, 1);
}

TEST(PlanMove, NoShiftsWhenThereIsRoom) {
    MovePlan plan = planMove(5, {});
    EXPECT_EQ(plan.turn, 6);
    EXPECT_TRUE(plan.shifts.empty());
    EXPECT_TRUE(planMove(5, {{20, 7}, {21, 8}}).shifts.empty());
}

TEST(PlanMove, AShiftedSiblingTakesItsOwnTurnPlusOne) {
    // Duplicate turns both become d + 1 rather than being spread apart.
    MovePlan plan = planMove(4, {{20, 5}, {21, 5}, {22, 8}});
    EXPECT_EQ(plan.turn, 5);
    EXPECT_EQ(plan.shifts, (Updates{{20, 6}, {21, 6}}));
}

}  // namespace
