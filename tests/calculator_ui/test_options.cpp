// The main window's Options menu: the choice between simulating duel by duel and rolling every
// exchange, the number of threads a run is split over, both remembered for the next session and
// given to the engine by the next run; the figures say how they were simulated and go out of
// date when the choice changes; progress and abort on several threads.
#include <gtest/gtest.h>

#include <QActionGroup>
#include <QMenuBar>
#include <QSettings>
#include <QThread>
#include <algorithm>

#include "calculator/ui/frm_oddslab.h"
#include "engine/battle_calc.h"
#include "ui_support.h"

namespace b3::oddslab::test {
namespace {

using b3::engine::Simulation;

// The letter after '&' in a caption, in lower case (none: a null character).
QChar Mnemonic(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return text[i + 1].toLower();
        ++i;
    }
    return QChar();
}

class OddsLabOptions : public ::testing::Test {
protected:
    void SetUp() override {
        // Every test starts as a new installation does, with nothing remembered.
        QSettings().clear();
        w = NewWindow();
    }
    void TearDown() override {
        w.reset();
        QSettings().clear();
    }
    std::unique_ptr<frmOddsLab> NewWindow() {
        auto window = std::make_unique<frmOddsLab>(services, *game);
        window->SetSeed(5);
        return window;
    }
    // Knights and Footmen against two Goblins, the given number of battles.
    void SetUpBattle(frmOddsLab& window, const char* battles) {
        Pick(window, 0, "Knights");
        Pick(window, 0, "Footmen");
        Pick(window, 1, "Goblins", 2);
        window.txtNumSimulations->setText(battles);
    }
    // What the run kept of its battles, to compare two runs.
    static std::vector<std::int64_t> Kept(const b3::engine::MBattleCalc& calc) {
        const b3::engine::RunStatistics& stats = calc.Statistics();
        std::vector<std::int64_t> kept{stats.Battles()};
        for (int side = 0; side < 2; ++side)
            for (const auto& bin : stats.Lost(side)) kept.push_back(bin.battles);
        return kept;
    }

    std::unique_ptr<FakeEditObject> game = MakeTinyGame();
    ScriptServices services;
    std::unique_ptr<frmOddsLab> w;
};

TEST_F(OddsLabOptions, MenuOffersBothSimulationsAndTheThreads) {
    QMenu* options = w->mnuOptions;
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->title(), "&Options");
    EXPECT_TRUE(w->menuBar()->actions().contains(options->menuAction()));
    EXPECT_EQ(w->mnuDuelByDuel->text(), "&Duel by duel");
    EXPECT_EQ(w->mnuEveryExchangeRolled->text(), "Every exchange &rolled");
    EXPECT_EQ(w->mnuThreads->text(), "&Threads...");
    for (QAction* entry : {w->mnuDuelByDuel, w->mnuEveryExchangeRolled}) {
        EXPECT_TRUE(entry->isCheckable());
        ASSERT_NE(entry->actionGroup(), nullptr);
        EXPECT_TRUE(entry->actionGroup()->isExclusive());
    }
    EXPECT_EQ(w->mnuDuelByDuel->actionGroup(), w->mnuEveryExchangeRolled->actionGroup());
    // Duel by duel, on one thread per core, until the user chooses otherwise.
    EXPECT_TRUE(w->mnuDuelByDuel->isChecked());
    EXPECT_FALSE(w->mnuEveryExchangeRolled->isChecked());
    EXPECT_EQ(w->SimulationChoice(), Simulation::Duel);
    EXPECT_EQ(w->Threads(), std::clamp(QThread::idealThreadCount(), 1, kMaxThreads));

    // The menu's letter is no other menu's and no button's, its entries' letters are their own.
    std::vector<QChar> taken;
    for (QAction* menu : w->menuBar()->actions())
        if (menu != options->menuAction()) taken.push_back(Mnemonic(menu->text()));
    for (QPushButton* button : w->findChildren<QPushButton*>())
        taken.push_back(Mnemonic(button->text()));
    std::vector<QChar> own{Mnemonic(options->title())};
    for (QAction* entry : options->actions())
        if (!entry->isSeparator()) own.push_back(Mnemonic(entry->text()));
    for (const QChar letter : own) {
        EXPECT_FALSE(letter.isNull());
        EXPECT_EQ(std::count(taken.begin(), taken.end(), letter), 0)
            << QString(letter).toStdString();
        EXPECT_EQ(std::count(own.begin(), own.end(), letter), 1) << QString(letter).toStdString();
    }
}

TEST_F(OddsLabOptions, EveryExchangeRolledIsHowTheNextRunFights) {
    SetUpBattle(*w, "200");
    w->cmdAttack->click();
    EXPECT_EQ(w->BattleCalc().GetSimulation(), Simulation::Duel);
    EXPECT_EQ(w->lblSimHeader->text(), "Simulated (200 battles,\nduel by duel)");

    w->mnuEveryExchangeRolled->trigger();
    EXPECT_EQ(w->SimulationChoice(), Simulation::Rolled);
    EXPECT_TRUE(w->mnuEveryExchangeRolled->isChecked());
    EXPECT_FALSE(w->mnuDuelByDuel->isChecked());
    // The figures shown are still the duel-by-duel run's, and say so.
    EXPECT_EQ(w->lblSimHeader->text(), "Simulated (200 battles,\nduel by duel)");

    w->cmdAttack->click();
    EXPECT_EQ(w->BattleCalc().GetSimulation(), Simulation::Rolled);
    EXPECT_EQ(w->lblSimHeader->text(), "Simulated (200 battles,\nevery exchange rolled)");
    EXPECT_EQ(w->Record().Describe(),
              "Run 2: 200 battles, every exchange rolled, 20 combat dice, terrain field, seed 5 "
              "on " +
                  std::to_string(w->Threads()) + (w->Threads() == 1 ? " thread" : " threads"));
    EXPECT_NE(w->ResultsText().indexOf("Simulation\tevery exchange rolled\n"), -1);
    EXPECT_FALSE(w->ResultsStale());

    // Back to duel by duel: the next run fights that way again.
    w->mnuDuelByDuel->trigger();
    w->cmdAttack->click();
    EXPECT_EQ(w->BattleCalc().GetSimulation(), Simulation::Duel);
    EXPECT_EQ(w->lblSimHeader->text(), "Simulated (200 battles,\nduel by duel)");
}

TEST_F(OddsLabOptions, ChangingTheSimulationMarksTheFiguresOutOfDate) {
    SetUpBattle(*w, "100");
    w->cmdAttack->click();
    ASSERT_FALSE(w->ResultsStale());
    w->mnuEveryExchangeRolled->trigger();
    EXPECT_TRUE(w->ResultsStale());
    EXPECT_FALSE(w->lblAttWinPercent->isEnabled());
    EXPECT_FALSE(w->lblSimHeader->isEnabled());
    EXPECT_TRUE(w->lblResultsNote->isVisibleTo(w.get()));
    EXPECT_EQ(w->lblResultsNote->text(),
              "Out of date: run 1 was simulated duel by duel. Attack again for figures with every "
              "exchange rolled.");
    // Chosen back, the figures describe the setup again.
    w->mnuDuelByDuel->trigger();
    EXPECT_FALSE(w->ResultsStale());
    EXPECT_TRUE(w->lblAttWinPercent->isEnabled());
    EXPECT_FALSE(w->lblResultsNote->isVisibleTo(w.get()));
    // Rolled figures go out of date when duel by duel is chosen.
    w->mnuEveryExchangeRolled->trigger();
    w->cmdAttack->click();
    EXPECT_FALSE(w->ResultsStale());
    w->mnuDuelByDuel->trigger();
    EXPECT_TRUE(w->ResultsStale());
    EXPECT_EQ(w->lblResultsNote->text(),
              "Out of date: run 2 was simulated every exchange rolled. Attack again for figures "
              "with duel by duel.");
}

TEST_F(OddsLabOptions, ChoicesSurviveIntoTheNextSession) {
    w->mnuEveryExchangeRolled->trigger();
    services.integerAnswer = 3;
    w->mnuThreads->trigger();
    w.reset();

    w = NewWindow();
    EXPECT_EQ(w->SimulationChoice(), Simulation::Rolled);
    EXPECT_TRUE(w->mnuEveryExchangeRolled->isChecked());
    EXPECT_FALSE(w->mnuDuelByDuel->isChecked());
    EXPECT_EQ(w->Threads(), 3);
    SetUpBattle(*w, "50");
    w->cmdAttack->click();
    EXPECT_EQ(w->BattleCalc().GetSimulation(), Simulation::Rolled);

    // Duel by duel chosen again is remembered too.
    w->mnuDuelByDuel->trigger();
    w.reset();
    w = NewWindow();
    EXPECT_EQ(w->SimulationChoice(), Simulation::Duel);
    EXPECT_TRUE(w->mnuDuelByDuel->isChecked());
}

TEST_F(OddsLabOptions, ThreadsAreAskedForAndSplitTheNextRun) {
    const int cores = w->Threads();
    services.integerAnswer = 3;
    w->mnuThreads->trigger();
    ASSERT_EQ(services.questions.size(), 1u);
    const ScriptServices::Question& question = services.questions[0];
    EXPECT_EQ(question.title, "Threads");
    EXPECT_EQ(question.value, cores);
    EXPECT_EQ(question.minimum, 1);
    EXPECT_EQ(question.maximum, 64);
    EXPECT_EQ(w->Threads(), 3);
    // Cancelled, the number stays; asked again, the current one is offered.
    services.integerAnswer.reset();
    w->mnuThreads->trigger();
    EXPECT_EQ(w->Threads(), 3);
    EXPECT_EQ(services.questions.back().value, 3);
    // A number beyond the range is held to it.
    w->SetThreads(0);
    EXPECT_EQ(w->Threads(), 1);
    w->SetThreads(500);
    EXPECT_EQ(w->Threads(), kMaxThreads);
    w->SetThreads(3);

    // The run is split over three threads: the same battles as the engine fights with the same
    // seed on three threads, not those of one thread. The entry waits while the run goes on.
    SetUpBattle(*w, "600");
    bool enabledWhileRunning = false;
    services.onPump = [&] { enabledWhileRunning |= w->mnuThreads->isEnabled(); };
    w->cmdAttack->click();
    services.onPump = nullptr;
    EXPECT_FALSE(enabledWhileRunning);
    EXPECT_TRUE(w->mnuThreads->isEnabled());
    const auto kept = Kept(w->BattleCalc());
    ASSERT_EQ(kept[0], 600);
    auto engineRun = [&](int threads) {
        b3::engine::MBattleCalc calc(*w);
        calc.SetSeed(5);
        calc.SetThreads(threads);
        EXPECT_TRUE(calc.RunBattles(600, 20, false, 0));
        return Kept(calc);
    };
    EXPECT_EQ(kept, engineRun(3));
    EXPECT_NE(kept, engineRun(1));
}

// On several threads the progress still climbs to the end in this thread, and Abort still stops
// the run before its end and does not stop the next one.
TEST_F(OddsLabOptions, ProgressAndAbortOnSeveralThreads) {
    w->SetThreads(2);
    SetUpBattle(*w, "4000");
    std::vector<int> progress;
    services.onPump = [&] { progress.push_back(w->pbBattleProgress->value()); };
    w->cmdAttack->click();
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(w->sbrPanel[1]->text(), "Run 1: 4000 battles, seed 5");
    EXPECT_EQ(w->Record().Number(), 1);

    const QString before = w->lblAttWinPercent->text();
    services.onPump = [&] { w->sscAbort->click(); };
    w->cmdAttack->click();
    services.onPump = nullptr;
    EXPECT_LT(w->BattleCalc().Statistics().Battles(), 4000);
    EXPECT_EQ(w->lblAttWinPercent->text(), before);
    EXPECT_TRUE(w->ResultsStale());
    EXPECT_FALSE(w->sscMoreResults->isEnabled());
    EXPECT_FALSE(w->Running());
    EXPECT_TRUE(w->cmdAttack->isEnabled());
    EXPECT_FALSE(w->pbBattleProgress->isVisibleTo(w.get()));

    w->cmdAttack->click();
    EXPECT_EQ(w->BattleCalc().Statistics().Battles(), 4000);
    EXPECT_EQ(w->Record().Number(), 2);
    EXPECT_FALSE(w->ResultsStale());
}

}  // namespace
}  // namespace b3::oddslab::test
