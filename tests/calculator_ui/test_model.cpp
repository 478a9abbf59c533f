// The main window's model on its own, without a window: editing the lists keeps each entry's
// unit, bonuses and marks together, the figures go out of date when the set-up changes and are
// current after a run, and a run made from the model is the run the window makes of the same
// set-up.
#include <gtest/gtest.h>

#include "calculator/ui/oddslab_model.h"
#include "calculator/ui/updown_box.h"
#include "engine/battle_calc.h"
#include "engine/host.h"
#include "ui_support.h"

namespace b3::oddslab::test {
namespace {

using b3::engine::Long;

// The tiny game's identifiers (ui_support.h).
constexpr Long kFootmen = 0, kGoblins = 1, kArchers = 3, kKnights = 4, kBrute = 6, kNone = 9;

// Runs battles of the model's set-up as the window does, with the model as the only state: the
// engine's host reads the units and sides from it and shows nothing.
class ModelHost : public b3::engine::CalculatorHost {
public:
    explicit ModelHost(OddsLabModel& model) : model_(model) {}
    const DataArray& Armies() const override { return model_.Armies(); }
    const DataArray& Heroes() const override { return model_.Heroes(); }
    b3::engine::CAttackArmies& AttArmies() override { return model_.AttArmies(); }
    b3::engine::CAttackArmies& DefArmies() override { return model_.DefArmies(); }
    std::string Terrain() const override { return model_.Terrain(); }
    void ShowHeroDialog(b3::engine::CArmy&) override {}

    // A completed run of the model's set-up; false when it did not complete.
    bool Run() {
        model_.NewSides(*this);
        for (int side = 0; side < 2; ++side)
            for (int p = 0; p < model_.Count(side); ++p)
                b3::engine::AddListedUnit(side == 0 ? AttArmies() : DefArmies(), model_.Units(),
                                          model_.ItemId(side, p), p, model_.MarksOf(side, p));
        const RunSetup run = model_.NextRun();
        b3::engine::MBattleCalc battle(*this);
        battle.SetSeed(run.seed);
        battle.SetSimulation(run.simulation);
        battle.SetThreads(run.threads);
        if (!battle.RunBattles(run.numBattles, run.combatDice, false, run.cityLevel)) {
            model_.RunAborted(&run);
            return false;
        }
        model_.RunCompleted(run, battle.Totals(run.numBattles));
        return true;
    }

private:
    OddsLabModel& model_;
};

// The tiny game's units in a model with the window's starting set-up.
class OddsLabModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        model.SetUnits(game->GetEditObjectData(b3::kArmy), game->GetEditObjectData(b3::kHero));
        model.SetTerrain("field");
        model.SetCombatDice("20");
        model.SetNumBattles("1000");
        model.SetThreads(1);
        model.SetSeed(5);
    }
    // A side's list as "name marks-of-row" texts, top to bottom.
    QStringList Texts(int side) const {
        QStringList texts;
        for (int p = 0; p < model.Count(side); ++p) texts << model.EntryText(side, p);
        return texts;
    }
    std::unique_ptr<FakeEditObject> game = MakeTinyGame();
    OddsLabModel model;
};

TEST_F(OddsLabModelTest, EditsCarryEachEntrysMarksAndBonuses) {
    for (Long id : {kFootmen, kGoblins, kBrute, kArchers}) ASSERT_TRUE(model.AddEntry(0, id));
    model.SetMark(0, {1}, kMedals, 2);
    model.SetMark(0, {1}, kBlessed, 1);
    model.SetMark(0, {3}, kPoisoned, 1);
    EntryBonusValues bonuses{};
    bonuses[0] = 14;
    model.SetBonuses(0, 2, bonuses);
    EXPECT_EQ(Texts(0), (QStringList{"Footmen", "Goblins *", "Brute", "Archers *"}));

    // Goblins down one: their medals and blessing go with them, Brute and its bonuses come up.
    ASSERT_TRUE(model.MoveEntry(0, 1, +1));
    EXPECT_EQ(Texts(0), (QStringList{"Footmen", "Brute", "Goblins *", "Archers *"}));
    EXPECT_EQ(model.Health(0).at(3, kMedals), 2);
    EXPECT_EQ(model.Health(0).at(3, kBlessed), 1);
    EXPECT_EQ(model.Health(0).at(2, kMedals), 0);
    b3::engine::SimpleHost::Bonuses kept = {};
    ASSERT_TRUE(model.EntryBonuses(0, 1, kept));
    EXPECT_EQ(kept[0], 14);
    EXPECT_FALSE(model.EntryBonuses(0, 2, kept));
    // Nothing moves past either end.
    EXPECT_FALSE(model.MoveEntry(0, 0, -1));
    EXPECT_FALSE(model.MoveEntry(0, 3, +1));

    // Copies of the Goblins carry their marks; the list stops at 32.
    EXPECT_EQ(model.DuplicateEntry(0, 2, 2), 2);
    EXPECT_EQ(model.Health(0).at(5, kMedals), 2);
    EXPECT_EQ(model.Health(0).at(6, kBlessed), 1);
    EXPECT_EQ(model.DuplicateEntry(0, 0, 40), kMaxListUnits - 6);
    EXPECT_EQ(model.Count(0), kMaxListUnits);
    EXPECT_FALSE(model.AddEntry(0, kKnights));

    // Deleting Brute moves everything below it up, marks and bonuses included.
    ASSERT_TRUE(model.DeleteEntry(0, 1));
    EXPECT_EQ(model.Count(0), kMaxListUnits - 1);
    EXPECT_EQ(model.ItemId(0, 1), kGoblins);
    EXPECT_EQ(model.Health(0).at(2, kMedals), 2);
    EXPECT_EQ(model.Health(0).at(3, kPoisoned), 1);
    EXPECT_EQ(model.Health(0).at(kMaxListUnits, kMedals), 0);
    EXPECT_FALSE(model.EntryBonuses(0, 1, kept));

    // A blessed unit is not offered disease nor poison; a poisoned one no blessing.
    MarkChoices choices = model.HealthConflicts(0, {1});
    EXPECT_TRUE(choices.blessed);
    EXPECT_FALSE(choices.sick);
    choices = model.HealthConflicts(0, {1, 2});
    EXPECT_FALSE(choices.blessed);
    EXPECT_FALSE(choices.sick);
    choices = model.HealthConflicts(0, {0});
    EXPECT_TRUE(choices.blessed);
    EXPECT_TRUE(choices.sick);

    // The marks of a "None" entry take no part; clearing one list leaves the other.
    ASSERT_TRUE(model.AddEntry(1, kNone));
    model.SetMark(1, {0}, kFlying, 1);
    EXPECT_EQ(Texts(1), QStringList{"None"});
    EXPECT_EQ(model.CurrentSetup().lists[1][0].marks[kFlying - 1], 0);
    model.ClearList(0);
    EXPECT_EQ(model.Count(0), 0);
    EXPECT_EQ(model.Health(0).at(2, kMedals), 0);
    EXPECT_EQ(model.Health(1).at(1, kFlying), 1);
}

TEST_F(OddsLabModelTest, FiguresGoStaleWhenTheSetupChangesAndFreshAfterARun) {
    ASSERT_TRUE(model.AddEntry(0, kKnights));
    ASSERT_TRUE(model.AddEntry(1, kGoblins));
    model.SetNumBattles("200");
    // Before any run there is nothing to be out of date.
    EXPECT_FALSE(model.ResultsStale());
    EXPECT_FALSE(model.CurrentFigures().valid);

    ModelHost host(model);
    ASSERT_TRUE(host.Run());
    EXPECT_TRUE(model.HasResults());
    EXPECT_FALSE(model.ResultsStale());
    EXPECT_EQ(model.StaleNote(), "");
    EXPECT_TRUE(model.CurrentFigures().valid);
    EXPECT_EQ(model.CurrentFigures().battles, 200);
    EXPECT_EQ(model.CurrentFigures().seed, 5u);

    // Each part of the battle makes the figures out of date, and undoing it makes them current.
    model.SetMark(0, {0}, kMedals, 1);
    EXPECT_TRUE(model.ResultsStale());
    EXPECT_EQ(model.StaleNote(),
              "Out of date: the setup has changed since run 1. Attack again for figures of this "
              "battle.");
    model.SetMark(0, {0}, kMedals, 0);
    EXPECT_FALSE(model.ResultsStale());
    model.SetCombatDice("21");
    EXPECT_TRUE(model.ResultsStale());
    model.SetCombatDice("20");
    ASSERT_TRUE(model.AddEntry(1, kFootmen));
    EXPECT_TRUE(model.ResultsStale());
    ASSERT_TRUE(model.DeleteEntry(1, 1));
    EXPECT_FALSE(model.ResultsStale());
    model.SetSimulationChoice(b3::engine::Simulation::Rolled);
    EXPECT_TRUE(model.ResultsStale());
    // The number of battles is not part of the battle.
    model.SetSimulationChoice(b3::engine::Simulation::Duel);
    model.SetNumBattles("5000");
    EXPECT_FALSE(model.ResultsStale());

    // A run of the changed set-up makes them current again.
    model.SetTerrain("hills");
    EXPECT_TRUE(model.ResultsStale());
    ASSERT_TRUE(host.Run());
    EXPECT_FALSE(model.ResultsStale());
    EXPECT_EQ(model.Record().Number(), 2);
    EXPECT_EQ(model.Record().Shown().terrain, "hills");
    // An aborted run leaves the figures of the earlier one, out of date.
    model.RunAborted(nullptr);
    EXPECT_TRUE(model.ResultsStale());
}

TEST_F(OddsLabModelTest, TheModelsRunIsTheWindowsRun) {
    // The window, set up by a user.
    ScriptServices services;
    frmOddsLab w(services, *game);
    w.SetSeed(5);
    w.SetThreads(1);
    Pick(w, 0, "Knights", 2);
    Pick(w, 0, "Footmen");
    Pick(w, 1, "Goblins");
    Pick(w, 1, "Archers");
    SelectOne(w, 0, 1);
    OpenMenu(w, 0);
    w.mnuPopupItemMedals[3]->trigger();
    SelectOne(w, 1, 1);
    OpenMenu(w, 1);
    w.mnuPopupItem[kBlacksmith]->trigger();
    w.updCombatDice->setValue(22);
    w.txtNumSimulations->setText("300");
    w.cboTerrain->setCurrentIndex(w.cboTerrain->findText("city"));
    w.cboCityLevel->setCurrentIndex(1);
    w.cmdAttack->click();
    ASSERT_TRUE(w.CurrentFigures().valid);

    // The same battle set up in a model of its own.
    for (Long id : {kKnights, kKnights, kFootmen}) ASSERT_TRUE(model.AddEntry(0, id));
    for (Long id : {kGoblins, kArchers}) ASSERT_TRUE(model.AddEntry(1, id));
    model.SetMark(0, {1}, kMedals, 3);
    model.SetMark(1, {1}, kBlacksmith, 1);
    model.SetCombatDice("22");
    model.SetNumBattles("300");
    model.SetTerrain("city");
    model.SetCityLevel(2);
    const RunSetup setup = model.CurrentSetup();
    EXPECT_TRUE(setup.SameBattle(w.CurrentSetup()));
    EXPECT_TRUE(setup.SameBattle(w.Record().Shown()));
    EXPECT_EQ(setup.numBattles, w.Record().Shown().numBattles);
    EXPECT_EQ(setup.simulation, w.Record().Shown().simulation);
    EXPECT_EQ(setup.lists[0][1].marks[kMedals - 1], 3);
    EXPECT_EQ(setup.cityLevel, 2);
    EXPECT_EQ(b3::engine::ScenarioJson(model.CurrentScenario()),
              b3::engine::ScenarioJson(w.CurrentScenario()));

    // With the same seed and threads it fights the same battles: the same figures, to the last
    // digit.
    ModelHost host(model);
    ASSERT_TRUE(host.Run());
    const QuickFigures mine = model.CurrentFigures();
    const QuickFigures theirs = w.CurrentFigures();
    for (int i = 0; i < kFigureCount; ++i) {
        EXPECT_EQ(mine.simulated[i], theirs.simulated[i]) << FigureName(i);
        EXPECT_EQ(mine.interval[i].low, theirs.interval[i].low) << FigureName(i);
    }
    EXPECT_EQ(mine.battles, 300);
}

}  // namespace
}  // namespace b3::oddslab::test
