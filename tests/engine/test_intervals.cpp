// The 95% intervals of simulated figures, from counts and sums.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/intervals.h"

namespace b3::engine {
namespace {

TEST(Intervals, WilsonScoreOfAProportion) {
    // 45 of 100: the textbook Wilson interval 35.6% .. 54.8%.
    const Interval i = WilsonPercent(45, 100);
    EXPECT_NEAR(i.low, 35.6145, 1e-3);
    EXPECT_NEAR(i.high, 54.7556, 1e-3);
    // Unlike the normal approximation it stays inside 0..100 and is not empty at the edges.
    const Interval none = WilsonPercent(0, 20);
    EXPECT_NEAR(none.low, 0, 1e-12);
    EXPECT_NEAR(none.high, 16.1130, 1e-3);
    const Interval all = WilsonPercent(20, 20);
    EXPECT_NEAR(all.low, 83.8870, 1e-3);
    EXPECT_DOUBLE_EQ(all.high, 100);
    // Nothing to say without trials.
    EXPECT_DOUBLE_EQ(WilsonPercent(0, 0).HalfWidth(), 0);
}

TEST(Intervals, MeanPlusOrMinusTwoStandardErrors) {
    // The values 1, 2, 3, 4: mean 2.5, sample deviation sqrt(5/3), 4 values.
    const Interval i = MeanInterval(10, 30, 4);
    const double half = 1.96 * std::sqrt(5.0 / 3.0 / 4.0);
    EXPECT_NEAR(i.low, 2.5 - half, 1e-12);
    EXPECT_NEAR(i.high, 2.5 + half, 1e-12);
    // Equal values, a single value and no value give no width.
    EXPECT_DOUBLE_EQ(MeanInterval(3e6, 9e6, 1'000'000).HalfWidth(), 0);
    EXPECT_DOUBLE_EQ(MeanInterval(7, 49, 1).low, 7);
    EXPECT_DOUBLE_EQ(MeanInterval(0, 0, 0).HalfWidth(), 0);
}

TEST(Intervals, FromTheTotalsOfARun) {
    RunTotals t;
    t.battles = 4;
    t.wins = 2;
    t.sums = {10, 0, 4, 8};
    t.sumSquares = {30, 0, 4, 16};
    EXPECT_DOUBLE_EQ(WinInterval(t).low, WilsonPercent(2, 4).low);
    EXPECT_NEAR(AverageInterval(t, 0).HalfWidth(), 1.96 * std::sqrt(5.0 / 12.0), 1e-12);
    EXPECT_DOUBLE_EQ(AverageInterval(t, 2).HalfWidth(), 0);
    EXPECT_DOUBLE_EQ(AverageInterval(t, 3).low, 2);
}

}  // namespace
}  // namespace b3::engine
