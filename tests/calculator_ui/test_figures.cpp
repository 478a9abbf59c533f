// The figures as a player meets them: they belong to the set-up they were run on (heroes'
// bonuses included), each is shown to the precision its interval supports, copies and files
// carry the set-up and every figure at full precision, a run can be repeated from its seed, an
// aborted run says how far it came, a battle count out of range is told in words, and a screen
// reader can read every figure and the charts.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "calculator/ui/frm_hero.h"
#include "calculator/ui/frm_more_results.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/updown_box.h"
#include "engine/exact_odds.h"
#include "engine/hero_dialog.h"
#include "ui_support.h"

namespace b3::oddslab::test {
namespace {

using b3::engine::HeroBonus;

// The decimals of a shown number ("43.5%" has 1).
int Decimals(const QString& text) {
    const QString digits = text.section(' ', -1).remove('%');
    return digits.contains('.') ? static_cast<int>(digits.section('.', 1).size()) : 0;
}

class OddsLabFigures : public ::testing::Test {
protected:
    void SetUp() override {
        w->SetSeed(5);
        // Heroes are confirmed with what their dialog offers, Morale as `morale` says.
        services.onDialog = [this](QDialog& dialog) {
            if (auto* hero = qobject_cast<frmHero*>(&dialog)) {
                hero->updMorale->setValue(morale);
                hero->cmdProceed_Click();
            }
        };
    }
    // Knights and the hero Sage against two Goblins.
    void SetUpBattle(const char* battles) {
        Pick(*w, 0, "Knights");
        Pick(*w, 0, "Sage");
        Pick(*w, 1, "Goblins", 2);
        w->txtNumSimulations->setText(battles);
    }
    QString Status() const { return w->sbrPanel[1]->text(); }

    int morale = 0;
    std::unique_ptr<FakeEditObject> game = MakeTinyGame();
    ScriptServices services;
    std::unique_ptr<frmOddsLab> w = std::make_unique<frmOddsLab>(services, *game);
};

TEST_F(OddsLabFigures, HeroBonusesBelongToTheSetupOfTheFigures) {
    SetUpBattle("200");
    w->cmdAttack->click();
    ASSERT_TRUE(w->Record().HasResults());
    EXPECT_FALSE(w->ResultsStale());

    // The same battle but for the hero's morale, as a scenario would bring it.
    b3::engine::Scenario s = w->CurrentScenario();
    ASSERT_TRUE(s.attack[1].hasBonuses);
    s.attack[1].bonuses[static_cast<int>(HeroBonus::Morale)] = 5;
    w->ShowScenario(s);
    EXPECT_TRUE(w->ResultsStale());
    EXPECT_FALSE(w->lblAttWinPercent->isEnabled());
    EXPECT_TRUE(w->lblResultsNote->text().startsWith("Out of date: the setup has changed"));
    s.attack[1].bonuses[static_cast<int>(HeroBonus::Morale)] = 0;
    w->ShowScenario(s);
    EXPECT_FALSE(w->ResultsStale());

    // Bonuses entered with "Done" count at once: the Attack that asked for them is cancelled at
    // the next hero, and the figures shown (morale 0) no longer describe the battle (morale 3).
    Pick(*w, 0, "Sage");
    w->cmdAttack->click();
    ASSERT_EQ(w->Record().Number(), 2);
    morale = 3;
    int asked = 0;
    services.onDialog = [&](QDialog& dialog) {
        auto* hero = qobject_cast<frmHero*>(&dialog);
        ASSERT_NE(hero, nullptr);
        if (++asked == 1) {
            hero->updMorale->setValue(morale);
            hero->cmdProceed_Click();
        } else {
            hero->cmdCancel_Click();
        }
    };
    w->cmdAttack->click();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(w->Record().Number(), 2);
    EXPECT_TRUE(w->ResultsStale());
    EXPECT_EQ(Status(), "Attack cancelled: no battle was fought");
}

TEST(OddsLabFigureText, PrecisionFollowsTheInterval) {
    QuickFigures f;
    f.valid = true;
    f.simulated[0] = 43.4934;
    f.interval[0] = {43.21, 43.81};  // half width 0.3
    f.simulated[1] = 6.2071;
    f.interval[1] = {6.181, 6.233};  // 0.026
    f.simulated[2] = 12.0;
    f.interval[2] = {9.0, 15.2};  // 3.1
    f.simulated[3] = 1.25;
    f.interval[3] = {1.154, 1.346};  // 0.096 rounds to 0.1
    f.simulated[4] = 0;
    f.interval[4] = {0, 0};
    EXPECT_EQ(SimulatedText(f, 0), "43.5%");
    EXPECT_EQ(PlusMinusText(f, 0), QString::fromUtf8("\u00b1 0.3"));
    EXPECT_EQ(SimulatedText(f, 1), "6.21");
    EXPECT_EQ(PlusMinusText(f, 1), QString::fromUtf8("\u00b1 0.03"));
    EXPECT_EQ(SimulatedText(f, 2), "12");
    EXPECT_EQ(PlusMinusText(f, 2), QString::fromUtf8("\u00b1 3"));
    EXPECT_EQ(SimulatedText(f, 3), "1.3");
    EXPECT_EQ(PlusMinusText(f, 3), QString::fromUtf8("\u00b1 0.1"));
    EXPECT_EQ(SimulatedText(f, 4), "0.00");
    EXPECT_EQ(ExactText(43.49341, 0), "43.49%");
    EXPECT_EQ(ExactText(6.2, 1), "6.20");
    EXPECT_EQ(FullPrecision(2.0 / 3.0), "0.6666666666666666");
}

TEST_F(OddsLabFigures, WindowShowsWhatTheIntervalsSupportAndCopiesKeepEveryDigit) {
    SetUpBattle("3000");
    w->cmdAttack->click();
    const QuickFigures f = w->CurrentFigures();
    ASSERT_TRUE(f.valid);
    QLabel* const values[] = {w->lblAttWinPercent, w->lblAvg[2], w->lblAvg[3], w->lblAvg[4],
                              w->lblAvg[5]};
    QLabel* const pm[] = {w->lblAttWinPm, w->lblAvgPm[2], w->lblAvgPm[3], w->lblAvgPm[4],
                          w->lblAvgPm[5]};
    QLabel* const exact[] = {w->lblExactWinPercent, w->lblExactAvg[2], w->lblExactAvg[3],
                             w->lblExactAvg[4], w->lblExactAvg[5]};
    for (int i = 0; i < kFigureCount; ++i) {
        // The figure and its interval at the same precision, the interval to one significant
        // digit; no long runs of digits.
        const QString value = values[i]->text();
        EXPECT_EQ(Decimals(value), Decimals(pm[i]->text())) << i;
        EXPECT_LE(value.size(), 8) << value.toStdString();
        if (f.interval[i].HalfWidth() > 0) {
            QString digits = pm[i]->text().section(' ', -1);
            digits.remove('.');
            while (digits.startsWith('0')) digits.remove(0, 1);
            EXPECT_EQ(digits.size(), 1) << pm[i]->text().toStdString();
        }
        EXPECT_NEAR(value.chopped(i == 0 ? 1 : 0).toDouble(), f.simulated[i],
                    0.5 * std::pow(10.0, -Decimals(value)) + 1e-12);
        // Exact figures to two decimals.
        ASSERT_TRUE(f.exact[i].has_value());
        EXPECT_EQ(Decimals(exact[i]->text()), 2) << exact[i]->text().toStdString();
    }
    // The copy holds the full figures, not the rounded ones.
    w->mnuCopyResults->trigger();
    const QString copied = QApplication::clipboard()->text();
    EXPECT_NE(copied.indexOf("Attacker Wins (%)\t" + FullPrecision(f.simulated[0]) + "\t"), -1)
        << copied.toStdString();
    EXPECT_NE(copied.indexOf("\t" + FullPrecision(*f.exact[0]) + "\n"), -1);
    EXPECT_GT(FullPrecision(*f.exact[0]).size(), 8);
}

TEST(OddsLabExport, CopyAndCsvCarryTheSetupAndEveryFigure) {
    // An army whose name has accents (UTF-8 inside the program).
    FakeEditObject game({{"Knights", 6, 2, 3}, {"\xC3\x89lite Guard", 3, 1, 1}}, {{"Sage", 4, 1}});
    ScriptServices services;
    services.onDialog = [](QDialog& dialog) {
        if (auto* hero = qobject_cast<frmHero*>(&dialog)) {
            hero->updMorale->setValue(3);
            hero->cmdProceed_Click();
        }
    };
    frmOddsLab w(services, game);
    w.SetSeed(424242);
    Pick(w, 0, "Knights");
    Pick(w, 0, "Sage");
    Pick(w, 1, QString::fromUtf8("\xC3\x89lite Guard"), 2);
    SelectOne(w, 0, 0);
    OpenMenu(w, 0);
    w.mnuPopupItem[kBlessed]->trigger();
    w.cboTerrain->setCurrentIndex(0);  // city
    w.cboCityLevel->setCurrentIndex(2);
    w.txtNumSimulations->setText("500");
    w.cmdAttack->click();
    ASSERT_TRUE(services.messages.empty());
    const QuickFigures f = w.CurrentFigures();

    QTemporaryDir temp;
    const QString file = temp.filePath("results.csv");
    ASSERT_TRUE(w.ExportResults(file));
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    // A byte order mark, then UTF-8.
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QString csv = QString::fromUtf8(bytes.mid(3));
    for (const char* expected :
         {"\"Attacking\",\"1\",\"Knights\",\"blessed\",\"\"",
          "\"Attacking\",\"2\",\"Sage\",\"\",\"strength 4; hits 1;",
          "\"Defending\",\"2\",\"\xC3\x89lite Guard\",\"\",\"\"", "\"Combat dice\",\"20\"",
          "\"Defender's terrain\",\"city\"", "\"City level\",\"Citadel (+3)\"",
          "\"Battles\",\"500\"", "\"Seed\",\"424242\"", "\"Simulation\",\"duel by duel\""})
        EXPECT_NE(csv.indexOf(QString::fromUtf8(expected)), -1) << expected << "\n"
                                                                << csv.toStdString();
    EXPECT_NE(csv.indexOf("morale 3"), -1);
    EXPECT_NE(csv.indexOf("\"Threads\",\"" + QString::number(w.Threads()) + "\""), -1);
    // Each figure with its interval and the exact one, at full precision.
    for (int i = 0; i < kFigureCount; ++i) {
        const QString row =
            QString("\"%1\",\"%2\",\"%3\",\"%4\",\"%5\"")
                .arg(FigureName(i), FullPrecision(f.simulated[i]), FullPrecision(f.interval[i].low),
                     FullPrecision(f.interval[i].high), FullPrecision(f.exact[i].value()));
        EXPECT_NE(csv.indexOf(row), -1) << row.toStdString();
    }
    // The clipboard holds the same cells.
    w.mnuCopyResults->trigger();
    const QString copied = QApplication::clipboard()->text();
    EXPECT_NE(copied.indexOf(QString::fromUtf8("Defending\t2\t\xC3\x89lite Guard")), -1);
    EXPECT_NE(copied.indexOf("Seed\t424242\n"), -1);
    EXPECT_NE(copied.indexOf(QString("Avg. Def Units Lost\t") + FullPrecision(f.simulated[3])), -1);
}

TEST_F(OddsLabFigures, ARunCanBeRepeatedFromItsSeed) {
    SetUpBattle("300");
    // Options > Seed: a seed as b3cli odds --seed takes it, up to 2^64 - 1.
    services.textAnswer = "18446744073709551615";
    w->mnuSeed->trigger();
    ASSERT_EQ(services.questions.size(), 1u);
    EXPECT_EQ(w->SeedChoice(), 18446744073709551615ULL);
    w->cmdAttack->click();
    const QuickFigures first = w->CurrentFigures();
    EXPECT_EQ(first.seed, 18446744073709551615ULL);
    EXPECT_TRUE(Status().contains("seed 18446744073709551615")) << Status().toStdString();
    EXPECT_NE(w->Record().Describe().find("seed 18446744073709551615"), std::string::npos);

    // Without a seed each run draws one and shows it; that seed repeats the run.
    services.textAnswer = "";
    w->mnuSeed->trigger();
    EXPECT_FALSE(w->SeedChoice().has_value());
    w->cmdAttack->click();
    const QuickFigures drawn = w->CurrentFigures();
    EXPECT_NE(drawn.seed, first.seed);
    EXPECT_TRUE(Status().contains(QString("seed %1").arg(drawn.seed)));
    w->cmdAttack->click();
    EXPECT_NE(w->CurrentFigures().seed, drawn.seed);
    w->SetSeed(drawn.seed);
    w->cmdAttack->click();
    for (int i = 0; i < kFigureCount; ++i)
        EXPECT_EQ(w->CurrentFigures().simulated[i], drawn.simulated[i]) << i;

    // A seed that is no whole number in range is refused in words; the seed stays.
    services.textAnswer = "-1";
    w->mnuSeed->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(services.messages[0].text.contains("from 0 to 18446744073709551615"));
    EXPECT_EQ(w->SeedChoice(), drawn.seed);
}

TEST_F(OddsLabFigures, AbortSaysHowFarTheRunCameAndKeepsTheEarlierFigures) {
    SetUpBattle("1000");
    w->cmdAttack->click();
    const QString before = w->lblAttWinPercent->text();
    w->txtNumSimulations->setText("100000");
    services.onPump = [&] { w->sscAbort->click(); };
    w->cmdAttack->click();
    services.onPump = nullptr;
    const long long fought = w->BattleCalc().Statistics().Battles();
    ASSERT_GT(fought, 0);
    ASSERT_LT(fought, 100000);
    EXPECT_EQ(Status(), QString("Aborted after %1 of 100000 battles").arg(fought));
    // The figures are the first run's and say so.
    EXPECT_EQ(w->lblAttWinPercent->text(), before);
    EXPECT_TRUE(w->ResultsStale());
    EXPECT_EQ(w->lblResultsNote->text(),
              "Out of date: the last run was aborted; these figures are from run 1.");
    EXPECT_EQ(w->CurrentFigures().battles, 1000);
}

TEST_F(OddsLabFigures, BattleCountOutOfRangeIsToldInWords) {
    SetUpBattle("1000");
    w->txtNumSimulations->setText("99999999999");
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(w->NumBattles(), 1000);
    EXPECT_TRUE(w->txtNumSimulations->toolTip().contains("from 10 to 2147483647"));
    // Attack says what the range is and fights nothing.
    w->cmdAttack->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "The number of battles must be a whole number from 10 to 2147483647.");
    EXPECT_FALSE(w->Record().HasResults());
    // Leaving the box says it too and puts the last count back.
    w->txtNumSimulations_LostFocus();
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_TRUE(services.messages[1].text.startsWith(
        "The number of battles must be a whole number from 10 to 2147483647."));
    EXPECT_EQ(w->txtNumSimulations->text(), "1000");
    for (const auto& m : services.messages)
        EXPECT_FALSE(m.text.startsWith("Error")) << m.text.toStdString();
    w->cmdAttack->click();
    EXPECT_TRUE(w->Record().HasResults());
}

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
    return a ? a->text(QAccessible::Name) : QString();
}

TEST_F(OddsLabFigures, ScreenReaderReadsEveryFigureAndTheCharts) {
    SetUpBattle("400");
    w->cmdAttack->click();
    struct Figure {
        QLabel* label;
        const char* name;
    };
    const Figure figures[] = {
        {w->lblAttWinPercent, "Attacker Wins, simulated"},
        {w->lblAttWinPm, "Attacker Wins, 95% interval"},
        {w->lblExactWinPercent, "Attacker Wins, exact"},
        {w->lblAvg[2], "Avg. Att. Units Lost, simulated"},
        {w->lblAvgPm[3], "Avg. Att. Prod. Turns Lost, 95% interval"},
        {w->lblExactAvg[4], "Avg. Def Units Lost, exact"},
        {w->lblAvg[5], "Avg. Def. Prod. Turns Lost, simulated"},
    };
    for (const Figure& f : figures) {
        ASSERT_FALSE(f.label->text().isEmpty()) << f.name;
        EXPECT_EQ(AccessibleName(f.label), QString(f.name) + ": " + f.label->text());
    }

    w->sscMoreResults->click();
    frmMoreResults* more = w->MoreResults();
    ASSERT_NE(more, nullptr);
    for (int side = 0; side < 2; ++side) {
        QChartView* view = side == 0 ? more->mscAttMore : more->mscDefMore;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(view);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), view->chart()->title());
        const QString description = a->text(QAccessible::Description);
        // Every bar's figures, as the chart draws them.
        for (int n : {0, 1, 32}) {
            const QString bar = QString("%1: %2% of battles, C2 %3 turns, exact %4%")
                                    .arg(n)
                                    .arg(QString::number(more->Series(side, 0)->at(n), 'f', 2))
                                    .arg(more->Series(side, 1)->at(n))
                                    .arg(QString::number(more->Series(side, 2)->at(n), 'f', 2));
            EXPECT_NE(description.indexOf(bar), -1) << bar.toStdString() << "\n"
                                                    << description.toStdString();
        }
    }
}

}  // namespace
}  // namespace b3::oddslab::test
