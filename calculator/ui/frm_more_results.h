// The detailed results window: for each side, how often each number of its units was destroyed
// over the battles of the last run, as a chart of the percentage of battles ("C1") and the
// production turns lost ("C2") over the numbers 0 to 32.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/run_statistics.h"

class QBarSeries;
class QBarSet;
class QLabel;
class QChartView;
class QPushButton;

namespace b3::oddslab {

class CalculatorServices;

class frmMoreResults : public QWidget {
    Q_OBJECT
public:
    // Row = number of units destroyed (0..32); columns: battles with exactly that many losses,
    // their percentage of all battles (a whole number), the production turns lost in the last
    // such battle.
    using ResultTable = std::array<std::array<std::int32_t, 3>, 33>;

    // What a run kept of its battles.
    frmMoreResults(CalculatorServices& services, const b3::engine::RunStatistics& statistics,
                   QWidget* parent = nullptr);

    // The exact chances of each number of units destroyed, attacker and defender; charted beside
    // the simulated percentages as a third series "Exact". Set before the window loads.
    void SetExact(const std::array<double, 33>& attacker, const std::array<double, 33>& defender);
    bool HasExact() const { return hasExact_; }

    // Centres the window and computes the tables and charts.
    void Form_Load();
    void sscDone_Click();

    void InitializeResultArrays();
    void ConvertResults();
    void CalculateResultPercent();
    void FillChart();

    const ResultTable& AttackerTable() const { return att_; }
    const ResultTable& DefenderTable() const { return def_; }
    // The series of a chart: side 0 attacker, 1 defender; series 0 "C1", 1 "C2", 2 "Exact" (only
    // with exact chances).
    QBarSet* Series(int side, int series) const { return sets_[side][series]; }

    QChartView* mscDefMore;
    QChartView* mscAttMore;
    QPushButton* sscDone;

private:
    QChartView* MakeChart(const QString& title, int side);
    void FillOne(QChartView* chart, const ResultTable& table, int side);

    CalculatorServices& services_;
    b3::engine::RunStatistics statistics_;
    std::int64_t numBattles_;
    ResultTable att_{};
    ResultTable def_{};
    QBarSet* sets_[2][3] = {};
    QBarSeries* series_[2] = {};
    QLabel* legend_ = nullptr;
    bool hasExact_ = false;
    std::array<std::array<double, 33>, 2> exact_{};
};

}  // namespace b3::oddslab
