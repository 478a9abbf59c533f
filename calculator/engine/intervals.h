// 95% intervals of the figures of a simulation run, from its counts and sums: the Wilson score
// interval for the attacker's win percentage and the mean plus or minus 1.96 standard errors for
// the average losses. Shared by every program that shows simulated figures.
#pragma once

#include <array>
#include <cstdint>

namespace b3::engine {

// The quantile of the normal distribution that leaves 2.5% in each tail.
inline constexpr double kZ95 = 1.96;

struct Interval {
    double low = 0;
    double high = 0;
    // Half the width: the "plus or minus" of the figure.
    double HalfWidth() const { return (high - low) / 2; }
};

// What a run adds up: the battles fought, the attacker's wins, and per loss column (attacking
// units, attacking production turns, defending units, defending production turns) the sum and
// the sum of squares over the battles.
struct RunTotals {
    std::int64_t battles = 0;
    std::int64_t wins = 0;
    std::array<double, 4> sums{};
    std::array<double, 4> sumSquares{};
};

// The Wilson score interval of a proportion, in percent (0..100). Empty (0..0) without trials.
Interval WilsonPercent(std::int64_t successes, std::int64_t trials, double z = kZ95);

// The interval of a mean: sum / n plus or minus z standard errors, the standard deviation taken
// from the sums with n - 1 in the divisor. A single observation gives a zero-width interval.
Interval MeanInterval(double sum, double sumSquares, std::int64_t n, double z = kZ95);

// The interval of the win percentage and of loss column `column` (0..3) of a run's totals.
Interval WinInterval(const RunTotals& totals);
Interval AverageInterval(const RunTotals& totals, int column);

}  // namespace b3::engine
