#include "calculator/ui/run_figures.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace b3::oddslab {

namespace {

constexpr int kMaxDecimals = 8;

QString Unit(int figure) {
    return figure == 0 ? "%" : "";
}

}  // namespace

const char* FigureName(int figure) {
    static const char* const kNames[kFigureCount] = {
        "Attacker Wins (%)", "Avg. Att. Units Lost", "Avg. Att. Prod. Turns Lost",
        "Avg. Def Units Lost", "Avg. Def. Prod. Turns Lost"};
    return kNames[figure];
}

QuickFigures FiguresOf(const b3::engine::RunTotals& totals) {
    QuickFigures f;
    if (totals.battles < 1) return f;
    f.valid = true;
    f.battles = static_cast<b3::engine::Long>(totals.battles);
    const double n = static_cast<double>(totals.battles);
    f.simulated[0] = static_cast<double>(totals.wins) / n * 100.0;
    f.interval[0] = b3::engine::WinInterval(totals);
    for (int i = 1; i < kFigureCount; ++i) {
        f.simulated[i] = totals.sums[static_cast<std::size_t>(i - 1)] / n;
        f.interval[i] = b3::engine::AverageInterval(totals, i - 1);
    }
    return f;
}

int FigureDecimals(const b3::engine::Interval& interval) {
    const double half = interval.HalfWidth();
    if (!(half > 0)) return 2;
    // One significant digit of the half width; a half width that rounds up to the next power of
    // ten (0.096 to 0.1) needs one decimal less.
    int d = -static_cast<int>(std::floor(std::log10(half)));
    const double rounded = std::round(half * std::pow(10.0, d));
    if (rounded >= 10) --d;
    return std::clamp(d, 0, kMaxDecimals);
}

QString SimulatedText(const QuickFigures& f, int figure) {
    if (!f.valid) return {};
    return QString::number(f.simulated[figure], 'f', FigureDecimals(f.interval[figure])) +
           Unit(figure);
}

QString PlusMinusText(const QuickFigures& f, int figure) {
    if (!f.valid) return {};
    return QString::fromUtf8("\u00b1 ") +
           QString::number(f.interval[figure].HalfWidth(), 'f', FigureDecimals(f.interval[figure]));
}

QString ExactText(double value, int figure) {
    return QString::number(value, 'f', 2) + Unit(figure);
}

QString FullPrecision(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

}  // namespace b3::oddslab
