// The figures of a completed run as the windows show and export them: the five quick figures
// (the attacker's win percentage and the four average losses) at full precision, each simulated
// figure with its 95% interval, the exact figures when they could be computed, and how the run
// was made (battles, seed, threads). The windows display this model; they never read a figure
// back from a label.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "engine/army.h"
#include "engine/intervals.h"

namespace b3::oddslab {

// The win percentage and the four averages, in this order.
inline constexpr int kFigureCount = 5;

struct QuickFigures {
    bool valid = false;
    b3::engine::Long battles = 0;
    std::uint64_t seed = 0;
    int threads = 1;
    // Full precision: the win percentage (0..100) and the averages.
    double simulated[kFigureCount] = {};
    // The 95% interval of each simulated figure.
    b3::engine::Interval interval[kFigureCount];
    std::optional<double> exact[kFigureCount];
};

// The name of a figure as copies and files head it ("Attacker Wins (%)", "Avg. Att. Units Lost").
const char* FigureName(int figure);

// The figures of a run's totals (battles, wins and loss sums).
QuickFigures FiguresOf(const b3::engine::RunTotals& totals);

// The decimals a simulated figure is shown with: as many as the first significant digit of its
// interval's half width needs (0 to 8); two for a figure without spread.
int FigureDecimals(const b3::engine::Interval& interval);
// A simulated figure to the precision its interval supports ("43.5", "6.21"), with "%" for the
// win percentage (figure 0).
QString SimulatedText(const QuickFigures& f, int figure);
// The half width of the figure's interval at the same precision ("± 0.3").
QString PlusMinusText(const QuickFigures& f, int figure);
// An exact figure to two decimals ("43.49%", "6.27").
QString ExactText(double value, int figure);
// A number with every digit it holds (the shortest text that reads back as the same double), for
// copies and files.
QString FullPrecision(double value);

}  // namespace b3::oddslab
