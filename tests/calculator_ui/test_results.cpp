// The detailed results window over hand-made results tables, the statistics window's layout,
// and one whole run on the sample installation.
#include <gtest/gtest.h>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLegendMarker>
#include <QTemporaryDir>
#include <QValueAxis>

#include "calculator/ui/frm_more_results.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/frm_stats.h"
#include "sample/sample.h"
#include "ui_support.h"

namespace b3::oddslab::test {
namespace {

using Row = b3::engine::BattleRow;

// The statistics a run keeps of these battles.
b3::engine::RunStatistics Booked(const std::vector<Row>& rows) {
    b3::engine::RunStatistics statistics;
    for (const Row& row : rows) statistics.Book(row);
    return statistics;
}

// 200 battles. The attacker lost 0 units once, 1 unit 3 times, 2 units 5 times, 3 units 7 times
// and 32 units 184 times; the defender lost 1 unit in odd battles and 4 in even ones. The turns
// columns count up so that "the last battle with that many losses" is visible.
std::vector<Row> TwoHundredBattles() {
    std::vector<Row> rows;
    auto add = [&](int times, int attLost) {
        for (int i = 0; i < times; ++i) {
            const int b = static_cast<int>(rows.size()) + 1;
            const bool odd = b % 2 == 1;
            rows.push_back({attLost == 0 ? 1 : 0, attLost, 100 + b, odd ? 1 : 4, 1000 + b});
        }
    };
    add(1, 0);
    add(3, 1);
    add(5, 2);
    add(7, 3);
    add(184, 32);
    return rows;
}

QBarCategoryAxis* Categories(QChartView* view) {
    return qobject_cast<QBarCategoryAxis*>(view->chart()->axes(Qt::Horizontal).value(0));
}
QValueAxis* Values(QChartView* view) {
    return qobject_cast<QValueAxis*>(view->chart()->axes(Qt::Vertical).value(0));
}

TEST(OddsLabMoreResults, TablesCountLossesRoundHalvesToEvenAndKeepTheLastTurns) {
    ScriptServices services;
    frmMoreResults w(services, Booked(TwoHundredBattles()));
    w.Form_Load();
    EXPECT_TRUE(services.messages.empty());
    const auto& a = w.AttackerTable();
    // Counts.
    EXPECT_EQ(a[0][0], 1);
    EXPECT_EQ(a[1][0], 3);
    EXPECT_EQ(a[2][0], 5);
    EXPECT_EQ(a[3][0], 7);
    EXPECT_EQ(a[32][0], 184);
    EXPECT_EQ(a[4][0], 0);
    // 0.5% gives 0, 1.5% gives 2, 2.5% gives 2, 3.5% gives 4, 92% stays.
    EXPECT_EQ(a[0][1], 0);
    EXPECT_EQ(a[1][1], 2);
    EXPECT_EQ(a[2][1], 2);
    EXPECT_EQ(a[3][1], 4);
    EXPECT_EQ(a[32][1], 92);
    // The turns of the last battle with that many losses: battles 1, 4, 9, 16 and 200.
    EXPECT_EQ(a[0][2], 101);
    EXPECT_EQ(a[1][2], 104);
    EXPECT_EQ(a[2][2], 109);
    EXPECT_EQ(a[3][2], 116);
    EXPECT_EQ(a[32][2], 300);
    EXPECT_EQ(a[10][2], 0);
    const auto& d = w.DefenderTable();
    EXPECT_EQ(d[1][0], 100);
    EXPECT_EQ(d[4][0], 100);
    EXPECT_EQ(d[1][1], 50);
    EXPECT_EQ(d[4][1], 50);
    EXPECT_EQ(d[1][2], 1199);  // battle 199, the last odd one
    EXPECT_EQ(d[4][2], 1200);
    EXPECT_EQ(d[0][0], 0);
    EXPECT_EQ(d[0][1], 0);
}

TEST(OddsLabMoreResults, ChartsShowBothSeriesOverAllThirtyThreeCategories) {
    ScriptServices services;
    frmMoreResults w(services, Booked(TwoHundredBattles()));
    w.Form_Load();
    EXPECT_EQ(w.windowTitle(), "Detailed Combat Results");
    EXPECT_EQ(w.sscDone->text(), "&Done");
    EXPECT_EQ(w.mscAttMore->chart()->title(),
              "Distribution of Number of Attacking Armies Destroyed");
    EXPECT_EQ(w.mscDefMore->chart()->title(),
              "Distribution of Number of Defending Armies Destroyed");
    for (QChartView* view : {w.mscAttMore, w.mscDefMore}) {
        QBarCategoryAxis* categories = Categories(view);
        ASSERT_NE(categories, nullptr);
        ASSERT_EQ(categories->count(), 33);
        for (int i = 0; i < 33; ++i) EXPECT_EQ(categories->at(i), QString::number(i));
        EXPECT_EQ(categories->titleText(), "Number of Armies Destroyed");
        ASSERT_NE(Values(view), nullptr);
        EXPECT_EQ(Values(view)->titleText(), "% Chance");
        // C1 against "% Chance" on the left, C2 against its own axis on the right.
        auto* percent = qobject_cast<QBarSeries*>(view->chart()->series().value(0));
        auto* turns = qobject_cast<QBarSeries*>(view->chart()->series().value(1));
        ASSERT_NE(percent, nullptr);
        ASSERT_NE(turns, nullptr);
        EXPECT_EQ(percent->barSets()[0]->label(), "C1");
        EXPECT_EQ(turns->barSets()[0]->label(), "C2");
        const auto left = view->chart()->axes(Qt::Vertical, percent);
        const auto right = view->chart()->axes(Qt::Vertical, turns);
        ASSERT_EQ(left.size(), 1);
        ASSERT_EQ(right.size(), 1);
        EXPECT_EQ(left[0]->alignment(), Qt::AlignLeft);
        EXPECT_EQ(right[0]->alignment(), Qt::AlignRight);
        EXPECT_EQ(right[0]->titleText(), "Production Turns");
        // The legend names the series in words.
        QStringList legend;
        for (QLegendMarker* marker : view->chart()->legend()->markers()) legend << marker->label();
        EXPECT_EQ(legend, (QStringList{"C1: % of battles", "C2: production turns lost"}));
    }
    QBarSet* attPct = w.Series(0, 0);
    QBarSet* attTurns = w.Series(0, 1);
    ASSERT_EQ(attPct->count(), 33);
    ASSERT_EQ(attTurns->count(), 33);
    EXPECT_EQ(attPct->at(0), 0);
    EXPECT_EQ(attPct->at(1), 2);
    EXPECT_EQ(attPct->at(2), 2);
    EXPECT_EQ(attPct->at(3), 4);
    EXPECT_EQ(attPct->at(32), 92);
    EXPECT_EQ(attTurns->at(3), 116);
    EXPECT_EQ(attTurns->at(32), 300);
    EXPECT_EQ(attTurns->at(20), 0);
    EXPECT_EQ(w.Series(1, 0)->at(4), 50);
    EXPECT_EQ(w.Series(1, 1)->at(1), 1199);
    // Each axis reaches the largest value it shows; the percentages keep their 0..100 scale.
    EXPECT_EQ(Values(w.mscAttMore)->max(), 100);
    auto* turnAxis = qobject_cast<QValueAxis*>(w.mscAttMore->chart()->axes(Qt::Vertical).value(1));
    ASSERT_NE(turnAxis, nullptr);
    EXPECT_GE(turnAxis->max(), 300);
    // A bar tells its value when the pointer is over it.
    emit w.Series(0, 0)->hovered(true, 3);
    EXPECT_EQ(w.HoverText(), "Attacking side, 3 armies destroyed: C1 4% of battles (7 battles)");
    emit w.Series(1, 1)->hovered(true, 1);
    EXPECT_EQ(w.HoverText(), "Defending side, 1 armies destroyed: C2 1199 production turns lost");
}

TEST(OddsLabMoreResults, ExactChancesAreAThirdSeries) {
    ScriptServices services;
    frmMoreResults w(services, Booked(TwoHundredBattles()));
    EXPECT_FALSE(w.HasExact());
    EXPECT_EQ(w.Series(0, 2), nullptr);
    std::array<double, 33> att{}, def{};
    att[0] = 0.25;
    att[32] = 0.75;
    def[5] = 1.0;
    w.SetExact(att, def);
    w.Form_Load();
    ASSERT_TRUE(w.HasExact());
    for (QChartView* view : {w.mscAttMore, w.mscDefMore}) {
        auto* series = qobject_cast<QBarSeries*>(view->chart()->series().value(0));
        ASSERT_NE(series, nullptr);
        // Beside C1, against the same "% Chance" axis.
        ASSERT_EQ(series->count(), 2);
        EXPECT_EQ(series->barSets()[1]->label(), "Exact");
    }
    EXPECT_EQ(w.Series(0, 2)->at(0), 25);
    EXPECT_EQ(w.Series(0, 2)->at(32), 75);
    EXPECT_EQ(w.Series(0, 2)->at(1), 0);
    EXPECT_EQ(w.Series(1, 2)->at(5), 100);
    // The simulated series are untouched.
    EXPECT_EQ(w.Series(0, 0)->at(32), 92);
    EXPECT_EQ(w.Series(0, 1)->at(32), 300);
}

TEST(OddsLabMoreResults, AttackerNeverLosingGivesRowZeroAllBattles) {
    ScriptServices services;
    std::vector<Row> rows(1000, Row{1, 0, 0, 2, 6});
    frmMoreResults w(services, Booked(rows));
    w.Form_Load();
    EXPECT_EQ(w.AttackerTable()[0][0], 1000);
    EXPECT_EQ(w.AttackerTable()[0][1], 100);
    for (int i = 1; i < 33; ++i) {
        EXPECT_EQ(w.AttackerTable()[static_cast<std::size_t>(i)][0], 0) << i;
        EXPECT_EQ(w.Series(0, 0)->at(i), 0) << i;
    }
    EXPECT_EQ(w.DefenderTable()[2][1], 100);
    EXPECT_EQ(w.DefenderTable()[2][2], 6);
    EXPECT_EQ(Values(w.mscAttMore)->max(), 100);
}

TEST(OddsLabMoreResults, CountsOutsideTheTableAreNotBooked) {
    ScriptServices services;
    std::vector<Row> rows = {{1, 33, 5, 1, 1}, {0, -1, 0, 1, 1}, {1, 2, 4, 1, 1}};
    frmMoreResults w(services, Booked(rows));
    w.Form_Load();
    EXPECT_TRUE(services.messages.empty());
    int sum = 0;
    for (const auto& r : w.AttackerTable()) sum += r[0];
    EXPECT_EQ(sum, 1);
    EXPECT_EQ(w.AttackerTable()[2][1], 33);
    EXPECT_EQ(w.DefenderTable()[1][1], 100);
}

TEST(OddsLabStatsWindow, HasItsFramesGridsTipsAndButton) {
    ScriptServices services;
    frmStats w(services);
    EXPECT_EQ(w.windowTitle(), "Stack Statistics");
    EXPECT_EQ(w.fraAttStack->title(), "Attacking Stack");
    EXPECT_EQ(w.fraDefStack->title(), "Defending Stack");
    EXPECT_EQ(w.sscDone->text(), "&Done");
    EXPECT_EQ(w.msfgStackStats[0]->rowCount(), 8);
    EXPECT_EQ(w.msfgStackStats[1]->rowCount(), 32);
    EXPECT_EQ(w.msfgStackStats[0]->columnCount(), 12);
    EXPECT_EQ(w.lblAttRawFea->toolTip(),
              "The Fear value for the attacking stack, NOT including any effects from the "
              "opposing stack");
    EXPECT_EQ(w.lblDefRawSie->toolTip(),
              "The Siege value for the defending stack, NOT including any effects from the "
              "opposing stack");
    EXPECT_EQ(w.lblAttAdjMor->toolTip(),
              "The Morale value for the attacking stack, adjusted for the effects of the enemy "
              "stack's Fear bonus");
    EXPECT_EQ(w.lblDefAdjFor->toolTip(),
              "The Fortification value for the defending stack, adjusted for the effects of the "
              "enemy stack's Siege bonus");
    EXPECT_TRUE(w.lblDefAdjLea->toolTip().isEmpty());
    EXPECT_EQ(w.lblAttStackBonus->toolTip(),
              "The final stack bonus, ajusted into the range of -3 to +5, and applied to the "
              "stregth of each army in the stack");
    // The columns are as wide as the header's fields: the name field of the attacking grid is
    // wider than its defending twin, and so on.
    EXPECT_GT(w.msfgStackStats[0]->columnWidth(0), w.msfgStackStats[1]->columnWidth(0));
    EXPECT_GT(w.msfgStackStats[0]->columnWidth(1), w.msfgStackStats[1]->columnWidth(1));
    EXPECT_EQ(w.msfgStackStats[0]->columnWidth(4), w.msfgStackStats[1]->columnWidth(4));
    // A stack larger than the grid gets more rows rather than losing units.
    b3::engine::StackStatistics stats;
    stats.rows[0].resize(9);
    w.Fill(stats);
    EXPECT_EQ(w.msfgStackStats[0]->rowCount(), 9);
    EXPECT_TRUE(services.messages.empty());
}

// The statistics window fits a 1024x768 screen; its grids grow with it.
TEST(OddsLabStatsWindow, FitsASmallScreenAndItsGridsGrow) {
    ScriptServices services;
    frmStats w(services);
    const QSize least = w.minimumSizeHint();
    EXPECT_LE(least.width(), 1000);
    EXPECT_LE(least.height(), 700);
    w.resize(least);
    w.show();
    QCoreApplication::processEvents();
    const QSize grid = w.msfgStackStats[1]->size();
    w.resize(least + QSize(300, 300));
    QCoreApplication::processEvents();
    EXPECT_GE(w.msfgStackStats[1]->width(), grid.width() + 250);
    EXPECT_GE(w.msfgStackStats[1]->height(), grid.height() + 100);
    // Each value is named for screen readers by itself.
    QStringList names;
    for (QLabel* value : w.findChildren<QLabel*>())
        if (value->frameShape() == QFrame::Panel) names << value->accessibleName();
    EXPECT_EQ(names.size(), 20);
    EXPECT_FALSE(names.contains(QString()));
    EXPECT_EQ(names.removeDuplicates(), 0);
    EXPECT_EQ(w.lblDefAdjFor->accessibleName(), "Adjusted Fortification, defending stack");
}

TEST(OddsLabSample, AWholeRunOnTheSampleInstallation) {
    QTemporaryDir temp;
    const std::string folder = temp.filePath("game").toStdString();
    b3::sample::WriteSampleInstallation(folder);
    auto editObject = b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{folder});
    ScriptServices services;
    frmOddsLab w(services, *editObject);
    w.SetSeed(5);
    EXPECT_EQ(w.cboArmies[0]->count(), w.NumArmies() + w.NumHeroes() + 1);
    Pick(w, 0, "Paladin");
    Pick(w, 0, "Knights", 4);
    Pick(w, 0, "Griffons", 4);
    Pick(w, 0, "Frost Giants", 2);
    Pick(w, 1, "Skeletons", 6);
    Pick(w, 1, "Dwarven Guard", 3);
    EXPECT_EQ(w.cboTerrain->currentText(), "city");
    w.sschkViewStats->setChecked(true);
    w.txtNumSimulations->setText("300");
    QStringList shown;
    services.onDialog = [&](QDialog& dialog) {
        shown << dialog.metaObject()->className();
        if (auto* stats = qobject_cast<frmStats*>(&dialog)) {
            // The first attacking stack holds the first eight units, the defending one all.
            EXPECT_EQ(stats->msfgStackStats[0]->item(0, 0)->text(), "Paladin");
            EXPECT_EQ(stats->msfgStackStats[0]->item(7, 0)->text(), "Griffons");
            EXPECT_EQ(stats->msfgStackStats[1]->item(8, 0)->text(), "Dwarven Guard");
            EXPECT_EQ(stats->msfgStackStats[0]->item(0, 6)->text(), "Leadership");
            stats->sscDone_Click();
        }
    };
    w.cmdAttack->click();
    EXPECT_EQ(shown, (QStringList{"b3::oddslab::frmHero", "b3::oddslab::frmStats"}));
    EXPECT_TRUE(services.messages.empty());
    EXPECT_TRUE(w.lblAttWinPercent->text().endsWith('%'));
    w.sscMoreResults->click();
    ASSERT_NE(w.MoreResults(), nullptr);
    int battles = 0;
    for (const auto& row : w.MoreResults()->DefenderTable()) battles += row[0];
    EXPECT_EQ(battles, 300);
}

}  // namespace
}  // namespace b3::oddslab::test
