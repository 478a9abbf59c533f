// Figures the player can trust: every figure of a run comes from the setup it started with, the
// simulated figures carry their 95% intervals, figures that no longer match the setup are shown
// as out of date, and the windows say which run and which hero they are about.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <cmath>

#include "calculator/ui/frm_hero.h"
#include "calculator/ui/frm_more_results.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/updown_box.h"
#include "engine/exact_odds.h"
#include "engine/intervals.h"
#include "engine/number_format.h"
#include "ui_support.h"

namespace b3::oddslab::test {
namespace {

double Number(QString text) {
    text.remove('%').remove(QString::fromUtf8("\u00b1")).replace(' ', "");
    bool ok = false;
    const double v = text.toDouble(&ok);
    EXPECT_TRUE(ok) << text.toStdString();
    return v;
}

class OddsLabTrust : public ::testing::Test {
protected:
    void SetUp() override {
        w->SetSeed(5);
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }
    // Knights against two Goblins, the given number of battles.
    void SetUpBattle(const char* battles) {
        Pick(*w, 0, "Knights");
        Pick(*w, 1, "Goblins", 2);
        w->txtNumSimulations->setText(battles);
    }
    std::unique_ptr<FakeEditObject> game = MakeTinyGame();
    ScriptServices services;
    std::unique_ptr<frmOddsLab> w = std::make_unique<frmOddsLab>(services, *game);
};

// Changing the dice while the run is in progress changes neither half of the run's figures.
TEST_F(OddsLabTrust, ExactFiguresUseTheDiceTheRunStartedWith) {
    SetUpBattle("2000");
    bool changed = false;
    services.onPump = [&] {
        if (changed) return;
        changed = true;
        w->updCombatDice->setValue(26);
    };
    w->cmdAttack->click();
    ASSERT_TRUE(changed);
    EXPECT_EQ(w->CombatDice(), 26);
    ASSERT_TRUE(w->LastExactOdds().has_value());
    const auto with20 = b3::engine::CalculateExactOdds(*w, 20, 0);
    const auto with26 = b3::engine::CalculateExactOdds(*w, 26, 0);
    ASSERT_GT(std::abs(with20.attackerWinProbability - with26.attackerWinProbability), 0.01);
    EXPECT_DOUBLE_EQ(w->LastExactOdds()->attackerWinProbability, with20.attackerWinProbability);
    EXPECT_NEAR(Number(w->lblExactWinPercent->text()), with20.attackerWinProbability * 100, 5e-3);
    // The simulated figure agrees with the exact one of its own dice.
    const double simulated = Number(w->lblAttWinPercent->text());
    EXPECT_NEAR(simulated, with20.attackerWinProbability * 100, 4 * Number(w->lblAttWinPm->text()));
    // The figures describe 20 dice, the setup says 26: they are out of date.
    EXPECT_TRUE(w->ResultsStale());
    EXPECT_FALSE(w->lblExactWinPercent->isEnabled());
    w->updCombatDice->setValue(20);
    EXPECT_FALSE(w->ResultsStale());
    EXPECT_TRUE(w->lblExactWinPercent->isEnabled());
}

TEST_F(OddsLabTrust, SimulatedFiguresCarryTheirIntervals) {
    EXPECT_EQ(w->lblSimHeader->text(), "Simulated");
    SetUpBattle("1000");
    w->cmdAttack->click();
    EXPECT_EQ(w->lblSimHeader->text(), "Simulated (1000 battles,\nduel by duel)");
    const auto totals = w->BattleCalc().Totals(1000);
    ASSERT_EQ(totals.battles, 1000);
    const b3::engine::Interval win = b3::engine::WinInterval(totals);
    const double p = Number(w->lblAttWinPercent->text());
    // The Wilson interval holds the figure and is about 1.96 standard errors wide each way.
    EXPECT_LT(win.low, p);
    EXPECT_GT(win.high, p);
    EXPECT_NEAR(win.HalfWidth(), 1.96 * std::sqrt(p * (100 - p) / 1000), 0.05);
    EXPECT_TRUE(w->lblAttWinPm->text().startsWith(QString::fromUtf8("\u00b1 ")));
    // Shown to one significant digit, the tool tip one digit further.
    const int decimals = FigureDecimals(win);
    EXPECT_NEAR(Number(w->lblAttWinPm->text()), win.HalfWidth(), 0.5 * std::pow(10.0, -decimals));
    EXPECT_NE(w->lblAttWinPm->toolTip().indexOf("Wilson"), -1);
    EXPECT_NE(w->lblAttWinPm->toolTip().indexOf(QString::number(win.low, 'f', decimals + 1)), -1);
    for (int i = 2; i <= 5; ++i) {
        EXPECT_FALSE(w->lblAvgPm[i]->text().isEmpty()) << i;
        EXPECT_NE(w->lblAvgPm[i]->toolTip().indexOf("1.96 standard errors"), -1) << i;
    }
    // Exact figures to two decimals, the full value in the tool tip.
    const QString exact = w->lblExactWinPercent->text();
    ASSERT_TRUE(exact.endsWith('%'));
    EXPECT_EQ(exact.section('.', 1).size(), 3);  // two decimals and "%"
    const double full = w->LastExactOdds()->attackerWinProbability * 100;
    EXPECT_TRUE(w->lblExactWinPercent->toolTip().startsWith(
        QString::fromStdString(b3::engine::FormatGeneral(full))));
}

TEST_F(OddsLabTrust, ChangedSetupOrAbortedRunMarksTheFiguresOutOfDate) {
    SetUpBattle("100");
    EXPECT_FALSE(w->ResultsStale());
    w->cmdAttack->click();
    EXPECT_FALSE(w->ResultsStale());
    EXPECT_FALSE(w->lblResultsNote->isVisibleTo(w.get()));
    EXPECT_TRUE(w->lblAttWinPercent->isEnabled());

    auto staleAfter = [&](const std::function<void()>& change, const std::function<void()>& undo) {
        change();
        const bool stale = w->ResultsStale() && !w->lblAttWinPercent->isEnabled() &&
                           !w->lblAvgPm[3]->isEnabled() &&
                           w->lblResultsNote->isVisibleTo(w.get()) &&
                           w->lblResultsNote->text().startsWith("Out of date");
        undo();
        return stale && !w->ResultsStale() && w->lblAttWinPercent->isEnabled();
    };
    // A unit more, a mark, the terrain, the city level.
    EXPECT_TRUE(staleAfter([&] { Pick(*w, 1, "Goblins"); }, [&] { w->DeleteArmyFromList(1, 2); }));
    SelectOne(*w, 0, 0);
    OpenMenu(*w, 0);
    EXPECT_TRUE(staleAfter(
        [&] {
            w->mnuPopupItem[kBlessed]->setChecked(true);
            w->mnuPopupItem_Click(kBlessed);
        },
        [&] {
            w->mnuPopupItem[kBlessed]->setChecked(false);
            w->mnuPopupItem_Click(kBlessed);
        }));
    EXPECT_TRUE(staleAfter([&] { w->cboTerrain->setCurrentIndex(2); },
                           [&] { w->cboTerrain->setCurrentIndex(4); }));
    w->cboTerrain->setCurrentIndex(0);
    w->cmdAttack->click();
    EXPECT_FALSE(w->ResultsStale());
    EXPECT_TRUE(staleAfter([&] { w->cboCityLevel->setCurrentIndex(2); },
                           [&] { w->cboCityLevel->setCurrentIndex(0); }));
    // The number of battles is not part of the battle.
    w->txtNumSimulations->setText("500");
    EXPECT_FALSE(w->ResultsStale());

    // An aborted run leaves the earlier figures, marked out of date. On one thread the abort
    // asked for at the first progress update is seen before the next battle.
    w->SetThreads(1);
    const QString before = w->lblAttWinPercent->text();
    services.onPump = [&] { w->sscAbort->click(); };
    w->cmdAttack->click();
    services.onPump = nullptr;
    EXPECT_EQ(w->lblAttWinPercent->text(), before);
    EXPECT_TRUE(w->ResultsStale());
    EXPECT_TRUE(w->lblResultsNote->text().contains("aborted"));
    // A completed run makes them current again.
    w->cmdAttack->click();
    EXPECT_FALSE(w->ResultsStale());
    EXPECT_EQ(w->Record().Number(), 3);
}

TEST_F(OddsLabTrust, MoreResultsSaysWhichRunItShows) {
    SetUpBattle("60");
    w->cmdAttack->click();
    w->txtNumSimulations->setText("80");
    w->cmdAttack->click();
    w->sscMoreResults->click();
    frmMoreResults* more = w->MoreResults();
    ASSERT_NE(more, nullptr);
    EXPECT_TRUE(more->lblRun->text().startsWith(
        "Run 2: 80 battles, duel by duel, 20 combat dice, terrain field, seed 5 on "));
}

// Two heroes of the same name are told apart by where they stand.
TEST_F(OddsLabTrust, HeroDialogSaysWhereTheHeroStands) {
    Pick(*w, 0, "Knights");
    Pick(*w, 0, "Sage");
    Pick(*w, 0, "None", 7);
    Pick(*w, 0, "Sage");
    Pick(*w, 1, "Sage");
    w->txtNumSimulations->setText("10");
    QStringList places;
    services.onDialog = [&](QDialog& dialog) {
        auto* hero = qobject_cast<frmHero*>(&dialog);
        ASSERT_NE(hero, nullptr);
        places << hero->lblName->text() + " | " + hero->lblPlace->text();
        hero->cmdProceed_Click();
    };
    w->cmdAttack->click();
    EXPECT_EQ(places, (QStringList{"Sage | Attacking side, list position 2 (Stack 1)",
                                   "Sage | Attacking side, list position 10 (Stack 2)",
                                   "Sage | Defending side, list position 1"}));
}

}  // namespace
}  // namespace b3::oddslab::test
