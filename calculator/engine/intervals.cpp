#include "engine/intervals.h"

#include <algorithm>
#include <cmath>

namespace b3::engine {

Interval WilsonPercent(std::int64_t successes, std::int64_t trials, double z) {
    if (trials <= 0) return {};
    const double n = static_cast<double>(trials);
    const double p = static_cast<double>(successes) / n;
    const double z2 = z * z;
    const double centre = (p + z2 / (2 * n)) / (1 + z2 / n);
    const double half = z / (1 + z2 / n) * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n));
    return {std::max(0.0, centre - half) * 100.0, std::min(1.0, centre + half) * 100.0};
}

Interval MeanInterval(double sum, double sumSquares, std::int64_t n, double z) {
    if (n <= 0) return {};
    const double count = static_cast<double>(n);
    const double mean = sum / count;
    if (n == 1) return {mean, mean};
    // Rounding may leave a tiny negative variance when every value is the same.
    const double variance = std::max(0.0, (sumSquares - sum * mean) / (count - 1));
    const double half = z * std::sqrt(variance / count);
    return {mean - half, mean + half};
}

Interval WinInterval(const RunTotals& totals) {
    return WilsonPercent(totals.wins, totals.battles);
}

Interval AverageInterval(const RunTotals& totals, int column) {
    const auto c = static_cast<std::size_t>(column);
    return MeanInterval(totals.sums.at(c), totals.sumSquares.at(c), totals.battles);
}

}  // namespace b3::engine
