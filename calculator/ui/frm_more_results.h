// The detailed results window: for each side, how often each number of its units was destroyed
// over the battles of the last run, as a chart of the percentage of battles ("C1") and the
// production turns lost ("C2", on an axis of its own) over the numbers 0 to 32.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/battle_calc.h"

class QBarSeries;
class QBarSet;
class QChart;
class QLabel;
class QChartView;
class QPushButton;

namespace b3::oddslab {

class CalculatorServices;

class frmMoreResults : public QWidget {
    Q_OBJECT
public:
    using ResultsRow = b3::engine::MBattleCalc::ResultsRow;
    // Row = number of units destroyed (0..32); columns: battles with exactly that many losses,
    // their percentage of all battles (a whole number), the production turns lost in the last
    // such battle.
    using ResultTable = std::array<std::array<std::int32_t, 3>, 33>;

    // The results of a run: one row per battle, `numBattles` of them are read.
    frmMoreResults(CalculatorServices& services, std::vector<ResultsRow> results,
                   b3::engine::Long numBattles, QWidget* parent = nullptr);

    // The exact chances of each number of units destroyed, attacker and defender; charted as the
    // series "Exact" beside the simulated percentages, against the same axis. Set before the
    // window loads.
    void SetExact(const std::array<double, 33>& attacker, const std::array<double, 33>& defender);
    bool HasExact() const { return hasExact_; }
    // Which run the window shows ("Run 2: 1000 battles, ...").
    void SetRunDescription(const QString& text);
    // What the bar under the pointer shows (also as a tool tip).
    QString HoverText() const;
    // A bar of `series` (as for Series) at `index` entered (status true) or left by the pointer.
    void Hovered(int side, int series, bool status, int index);

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
    QLabel* lblRun;
    QLabel* lblHover;

private:
    QChartView* MakeChart(const QString& title, int side);
    QBarSet* NewSet(const QString& label, int side, int series);
    static void LabelLegend(QChart* chart);
    void FillOne(QChartView* chart, const ResultTable& table, int side);

    CalculatorServices& services_;
    std::vector<ResultsRow> results_;
    b3::engine::Long numBattles_;
    ResultTable att_{};
    ResultTable def_{};
    QBarSet* sets_[2][3] = {};
    // Per side: the percentages (left axis) and the production turns (right axis).
    QBarSeries* series_[2] = {};
    QBarSeries* turnSeries_[2] = {};
    QLabel* legend_ = nullptr;
    bool hasExact_ = false;
    std::array<std::array<double, 33>, 2> exact_{};
};

}  // namespace b3::oddslab
