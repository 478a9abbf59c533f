// The detailed results window: for each side, how often each number of its units was destroyed
// over the battles of the last run, as a chart of the percentage of battles ("C1") and the
// production turns lost ("C2", on an axis of its own) over the numbers 0 to 32.
#pragma once

#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/run_statistics.h"

class QBarSeries;
class QBarSet;
class QComboBox;
class QChart;
class QLabel;
class QRadioButton;
class QTableWidget;
class QTabWidget;
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

    // Who survives: for each side (0 attacker, 1 defender) the listed units' texts and, per
    // entry, the exact chance and the share of simulated battles in which it survived (nothing
    // for "None" entries or figures that could not be computed). Shown on the "Survival" tab.
    struct SideSurvival {
        QStringList units;
        std::vector<std::optional<double>> exact, simulated;
    };
    void SetSurvival(const SideSurvival& attacker, const SideSurvival& defender);

    // The charts show how often exactly N armies were destroyed (false, the default) or N or
    // more (true).
    void SetAtLeast(bool atLeast);
    bool AtLeast() const { return atLeast_; }

    // The exact loss distributions given each outcome ([0] the defender won, [1] the attacker
    // won; all zero when that outcome cannot happen), and which battles the charts show: -1 all
    // (the default), 1 those the attacker won, 0 those the defender won. Given one outcome, C1
    // is the share of those battles only.
    void SetExactGiven(const std::array<std::array<double, 33>, 2>& attacker,
                       const std::array<std::array<double, 33>, 2>& defender);
    void SetOutcome(int outcome);
    int Outcome() const { return outcome_; }

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
    QTabWidget* tabResults;
    QComboBox* cboOutcome;
    QRadioButton* optExactlyN;
    QRadioButton* optNOrMore;
    // Columns: side, position, unit, exact survival, simulated survival.
    QTableWidget* grdSurvival;
    QLabel* lblRun;
    QLabel* lblHover;

private:
    QChartView* MakeChart(const QString& title, int side);
    QBarSet* NewSet(const QString& label, int side, int series);
    static void LabelLegend(QChart* chart);
    void FillOne(QChartView* chart, const ResultTable& table, int side);

    CalculatorServices& services_;
    b3::engine::RunStatistics statistics_;
    std::int64_t numBattles_;
    ResultTable att_{};
    ResultTable def_{};
    QBarSet* sets_[2][3] = {};
    // Per side: the percentages (left axis) and the production turns (right axis).
    QBarSeries* series_[2] = {};
    QBarSeries* turnSeries_[2] = {};
    QLabel* legend_ = nullptr;
    bool hasExact_ = false;
    bool atLeast_ = false;
    int outcome_ = -1;
    std::array<std::array<std::array<double, 33>, 2>, 2> exactGiven_{};
    std::array<std::array<double, 33>, 2> exact_{};
};

}  // namespace b3::oddslab
