// The main window's start-up state, its unit choosers, the list limit, the defender's terrain
// rule and the number-of-battles box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include "calculator/ui/errors.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/updown_box.h"
#include "ui_support.h"

namespace b3::oddslab::test {
namespace {

class OddsLabSetup : public ::testing::Test {
protected:
    std::unique_ptr<FakeEditObject> game = MakeTinyGame();
    ScriptServices services;
    std::unique_ptr<frmOddsLab> w = std::make_unique<frmOddsLab>(services, *game);
};

TEST_F(OddsLabSetup, StartsWithTheFixedDefaults) {
    EXPECT_EQ(w->windowTitle(), "Banerule 3 Combat Calculator");
    EXPECT_EQ(w->Terrain(), "field");
    EXPECT_EQ(w->cboTerrain->currentText(), "field");
    EXPECT_TRUE(w->cboTerrain->isEnabled());
    EXPECT_EQ(w->cboCityLevel->currentIndex(), -1);
    EXPECT_FALSE(w->cboCityLevel->isEnabled());
    EXPECT_EQ(w->txtCombatDice->text(), "20");
    EXPECT_EQ(w->CombatDice(), 20);
    EXPECT_EQ(w->txtNumSimulations->text(), "1000");
    EXPECT_EQ(w->NumBattles(), 1000);
    EXPECT_FALSE(w->sschkViewStats->isChecked());
    EXPECT_FALSE(w->sscMoreResults->isEnabled());
    EXPECT_FALSE(w->sscAbort->isEnabled());
    EXPECT_TRUE(w->cmdAttack->isEnabled());
    EXPECT_TRUE(w->sscExit->isEnabled());
    EXPECT_FALSE(w->pbBattleProgress->isVisibleTo(w.get()));
    EXPECT_EQ(w->sbrPanel[0]->text(), "Progress Indicator");
    EXPECT_EQ(w->sbrPanel[1]->text(), "Percent Completed");
    EXPECT_FALSE(w->sbrPanel[2]->text().isEmpty());  // date
    EXPECT_FALSE(w->sbrPanel[3]->text().isEmpty());  // time
    EXPECT_EQ(w->NumArmies(), 6);
    EXPECT_EQ(w->NumHeroes(), 3);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(OddsLabSetup, ControlsCarryTheirCaptionsRangesAndTips) {
    EXPECT_EQ(w->fraAttack->title(), "Attacking Armies");
    EXPECT_EQ(w->fraDefend->title(), "Defending Armies");
    EXPECT_EQ(w->fraSetup->title(), "Setup Options");
    EXPECT_EQ(w->fraQuickResults->title(), "Quick Results");
    EXPECT_EQ(w->Label10->text(), "Select Attacking Armies");
    EXPECT_EQ(w->Label11->text(), "Select Defending Armies");
    EXPECT_EQ(w->cboArmies[0]->toolTip(), "Select attacking armies");
    EXPECT_EQ(w->cboArmies[1]->toolTip(), "Select defending armies");
    for (int side = 0; side < 2; ++side) {
        EXPECT_EQ(w->lstArmies[side]->toolTip(),
                  "Double click armies to delete, right click for options");
        EXPECT_EQ(w->lstArmies[side]->selectionMode(), QAbstractItemView::ExtendedSelection);
        EXPECT_EQ(w->sscListArrow[side * 2]->text(), "Army Up");
        EXPECT_EQ(w->sscListArrow[side * 2 + 1]->text(), "Army Dn");
        EXPECT_EQ(w->sscListArrow[side * 2]->toolTip(), "Move the selected army up in the list");
        EXPECT_EQ(w->sscListArrow[side * 2 + 1]->toolTip(),
                  "Move the selected army down in the list");
        EXPECT_EQ(w->sscDup[side]->text(), "Duplicate");
        EXPECT_EQ(w->txtDup[side]->text(), "1");
        EXPECT_EQ(w->updDup[side]->minimum(), 1);
        EXPECT_EQ(w->updDup[side]->maximum(), 31);
        EXPECT_TRUE(w->txtDup[side]->isReadOnly());
        EXPECT_EQ(w->updDup[side]->toolTip(), "Select # of times to duplicate army");
        EXPECT_EQ(w->sscClearList[side]->text(), "Clear List");
        EXPECT_EQ(w->sscClearList[side]->toolTip(), "Remove all armies from the list");
    }
    EXPECT_EQ(w->Label12->text(), "Number of Duplicates");
    EXPECT_EQ(w->Label13->text(), "Number of Duplicates");
    EXPECT_EQ(w->lblStack[0]->text(), "Stack 1");
    EXPECT_EQ(w->lblStack[3]->text(), "Stack 4");
    EXPECT_EQ(w->lblStack[4]->text(), "Stack 1");
    EXPECT_EQ(w->Label1->text(), "Combat Dice:");
    EXPECT_EQ(w->updCombatDice->minimum(), 18);
    EXPECT_EQ(w->updCombatDice->maximum(), 26);
    EXPECT_EQ(w->updCombatDice->singleStep(), 1);
    EXPECT_TRUE(w->txtCombatDice->isReadOnly());
    EXPECT_EQ(w->updCombatDice->toolTip(), "Select # of combat dice");
    EXPECT_EQ(w->Label2->text(), "Defender's Terrain:");
    EXPECT_EQ(w->Label3->text(), "Number of Battles:");
    // The limit of a run is told before Attack.
    EXPECT_TRUE(w->txtNumSimulations->toolTip().startsWith("Indicate # of battles to simulate\n"));
    EXPECT_NE(w->txtNumSimulations->toolTip().indexOf(QLocale().toString(kMaxBattles)), -1);
    EXPECT_EQ(w->Label9->text(), "City Level:");
    EXPECT_EQ(w->cboCityLevel->toolTip(), "Select level of city");
    EXPECT_EQ(w->sschkViewStats->text(), "View Stack Statistics");
    EXPECT_EQ(w->sschkViewStats->toolTip(), "See detailed info on stacks");
    EXPECT_EQ(w->Label5->text(), "Attacker Wins:");
    EXPECT_EQ(w->lblAttWinPercent->toolTip(),
              "The attacker should win approximately this percentage of battles");
    EXPECT_EQ(w->Label7->text(), "Avg. Def Units Lost:");
    EXPECT_EQ(w->lblAvg[5]->toolTip(),
              "The units lost, on average, by the defender add up to this many turns of "
              "production");
    EXPECT_EQ(w->cmdAttack->text(), "&Attack");
    EXPECT_EQ(w->sscAbort->text(), "A&bort");
    EXPECT_EQ(w->sscExit->text(), "E&xit");
    EXPECT_EQ(w->sscMoreResults->text(), "&More Results");
    EXPECT_EQ(w->sscMoreResults->toolTip(),
              "See a chart detailing the frequency distribution of the loss of armies");
    EXPECT_EQ(w->pbBattleProgress->minimum(), 0);
    EXPECT_EQ(w->pbBattleProgress->maximum(), 100);

    // Stepping the dice spinner writes the number into its box and the property.
    w->updCombatDice->stepBy(3);
    EXPECT_EQ(w->txtCombatDice->text(), "23");
    EXPECT_EQ(w->CombatDice(), 23);
    w->updCombatDice->stepBy(10);
    EXPECT_EQ(w->txtCombatDice->text(), "26");
    // The box cannot be typed into.
    QTest::keyClicks(w->updCombatDice, "9");
    EXPECT_EQ(w->txtCombatDice->text(), "26");
}

// Every field is named for screen readers by itself, not by its frame, and no two alike.
TEST_F(OddsLabSetup, EveryFieldHasAnAccessibleNameOfItsOwn) {
    QStringList names;
    for (QWidget* field : w->findChildren<QWidget*>()) {
        const bool isField =
            qobject_cast<QAbstractSpinBox*>(field) || qobject_cast<QComboBox*>(field) ||
            qobject_cast<QListWidget*>(field) ||
            (qobject_cast<QLineEdit*>(field) && !field->parent()->inherits("QAbstractSpinBox") &&
             !field->parent()->inherits("QComboBox"));
        if (!isField) continue;
        EXPECT_FALSE(field->accessibleName().isEmpty()) << field->metaObject()->className();
        names << field->accessibleName();
    }
    QStringList figures;
    for (QLabel* value : {w->lblAttWinPercent, w->lblAttWinPm, w->lblExactWinPercent, w->lblAvg[2],
                          w->lblAvgPm[3], w->lblExactAvg[5]}) {
        EXPECT_FALSE(value->accessibleName().isEmpty());
        figures << value->accessibleName();
    }
    names << figures;
    EXPECT_EQ(names.removeDuplicates(), 0) << names.join(", ").toStdString();
    EXPECT_EQ(w->updCombatDice->accessibleName(), "Combat Dice");
    // Before any run the names say there is no figure yet.
    EXPECT_EQ(w->lblAttWinPercent->accessibleName(), "Attacker Wins, simulated: no figure");
    EXPECT_EQ(w->lblExactAvg[5]->accessibleName(), "Avg. Def. Prod. Turns Lost, exact: no figure");
}

// The window fits a 1024x768 screen; the lists take the height the window gives them and the
// stack labels stay beside their groups.
TEST_F(OddsLabSetup, FitsASmallScreenAndTheListsGrowWithIt) {
    // The least window that shows its content without scrolling.
    auto* scroll = qobject_cast<QScrollArea*>(w->centralWidget());
    ASSERT_NE(scroll, nullptr);
    const QSize least =
        scroll->widget()->minimumSizeHint().expandedTo(w->minimumSize()) +
        QSize(0, w->menuWidget()->sizeHint().height() + w->statusBar()->sizeHint().height());
    EXPECT_LE(least.width(), 1000);
    EXPECT_LE(least.height(), 700);
    Pick(*w, 0, "Footmen", 32);
    w->resize(least);
    w->show();
    QCoreApplication::processEvents();
    QListWidget* list = w->lstArmies[0];
    const int small = list->height();
    w->resize(least + QSize(0, 300));
    QCoreApplication::processEvents();
    EXPECT_GE(list->height(), small + 250);
    // "Stack 2" stands beside the ninth unit, also when the list is scrolled.
    auto besideRow = [&](int label, int row) {
        const QRect rect = list->visualItemRect(list->item(row));
        const int y = w->lblStack[label]->mapTo(w.get(), w->lblStack[label]->rect().center()).y();
        const int rowY = list->viewport()->mapTo(w.get(), rect.center()).y();
        return std::abs(y - rowY) <= 2;
    };
    EXPECT_TRUE(besideRow(1, 8));
    w->resize(least);
    QCoreApplication::processEvents();
    list->scrollToItem(list->item(31));
    ASSERT_GT(list->verticalScrollBar()->value(), 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(besideRow(3, 24));
    EXPECT_TRUE(besideRow(2, 16));
}

TEST_F(OddsLabSetup, ChoosersListUnitsAlphabeticallyWithTheirIdentifiers) {
    const QStringList expected = {"Archers", "Brute", "Footmen", "Goblins",    "Knights",
                                  "None",    "Sage",  "Scout",   "Wall Guard", "Wights"};
    // Armies are rows 0..5, heroes 6..8, "None" 9.
    const std::vector<int> ids = {3, 6, 0, 1, 4, 9, 7, 8, 2, 5};
    for (int side = 0; side < 2; ++side) {
        QComboBox* c = w->cboArmies[side];
        ASSERT_EQ(c->count(), expected.size());
        EXPECT_EQ(c->currentIndex(), -1);
        for (int i = 0; i < c->count(); ++i) {
            EXPECT_EQ(c->itemText(i), expected[i]);
            EXPECT_EQ(c->itemData(i).toInt(), ids[static_cast<std::size_t>(i)]) << i;
        }
    }
    const QStringList terrains = {"city", "ice", "hills", "marsh", "field", "woods"};
    ASSERT_EQ(w->cboTerrain->count(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(w->cboTerrain->itemText(i), terrains[i]);
    ASSERT_EQ(w->cboCityLevel->count(), 3);
    EXPECT_EQ(w->cboCityLevel->itemText(0), "Village (+1)");
    EXPECT_EQ(w->cboCityLevel->itemText(2), "Citadel (+3)");
    EXPECT_EQ(w->cboCityLevel->itemData(1).toInt(), 2);
    EXPECT_TRUE(w->CheckIfUndead(5));
    EXPECT_FALSE(w->CheckIfUndead(0));
}

TEST_F(OddsLabSetup, ChoosingAddsAtOnceUpToThirtyTwoUnits) {
    Pick(*w, 0, "Knights");
    Pick(*w, 0, "Brute");
    Pick(*w, 0, "None");
    EXPECT_EQ(Texts(*w, 0), (QStringList{"Knights", "Brute", "None"}));
    EXPECT_EQ(w->lstArmies[0]->item(0)->data(Qt::UserRole).toInt(), 4);
    EXPECT_EQ(w->lstArmies[0]->item(1)->data(Qt::UserRole).toInt(), 6);
    EXPECT_EQ(w->lstArmies[0]->item(2)->data(Qt::UserRole).toInt(), 9);
    EXPECT_EQ(w->lstArmies[1]->count(), 0);

    Pick(*w, 0, "Footmen", 31);
    EXPECT_EQ(w->lstArmies[0]->count(), 32);
    Pick(*w, 1, "Goblins", 33);
    EXPECT_EQ(w->lstArmies[1]->count(), 32);
    EXPECT_TRUE(services.messages.empty());

    // A choice that leaves the chooser without a selection adds nothing.
    w->sscClearList_Click(0);
    w->cboArmies[0]->setCurrentIndex(-1);
    w->cboArmies_Click(0);
    EXPECT_EQ(w->lstArmies[0]->count(), 0);
}

TEST_F(OddsLabSetup, NinthDefenderForcesTheCityAndEightGiveTheTerrainBack) {
    w->cboTerrain->setCurrentIndex(5);  // woods
    Pick(*w, 1, "Goblins", 8);
    EXPECT_TRUE(w->cboTerrain->isEnabled());
    EXPECT_EQ(w->Terrain(), "woods");
    Pick(*w, 1, "Goblins");
    EXPECT_EQ(w->cboTerrain->currentText(), "city");
    EXPECT_EQ(w->Terrain(), "city");
    EXPECT_FALSE(w->cboTerrain->isEnabled());
    EXPECT_TRUE(w->cboCityLevel->isEnabled());
    EXPECT_EQ(w->cboCityLevel->currentText(), "Village (+1)");

    // Deleting by double-click back to eight unlocks the terrain but leaves it on "city".
    SelectOne(*w, 1, 3);
    w->lstArmies_DblClick(1);
    EXPECT_EQ(w->lstArmies[1]->count(), 8);
    EXPECT_TRUE(w->cboTerrain->isEnabled());
    EXPECT_EQ(w->cboTerrain->currentText(), "city");

    // Duplicating to nine locks it again.
    w->cboTerrain->setCurrentIndex(2);  // hills
    EXPECT_FALSE(w->cboCityLevel->isEnabled());
    SelectOne(*w, 1, 0);
    w->sscDup_Click(1);
    EXPECT_EQ(w->lstArmies[1]->count(), 9);
    EXPECT_EQ(w->cboTerrain->currentText(), "city");
    EXPECT_FALSE(w->cboTerrain->isEnabled());

    // Clearing the list does not apply the rule: the terrain stays "city" and locked.
    w->sscClearList_Click(1);
    EXPECT_EQ(w->lstArmies[1]->count(), 0);
    EXPECT_FALSE(w->cboTerrain->isEnabled());
    EXPECT_EQ(w->cboTerrain->currentText(), "city");
    // ...until the next unit is added.
    Pick(*w, 1, "Knights");
    EXPECT_TRUE(w->cboTerrain->isEnabled());

    // The attacking side has no such rule.
    w->cboTerrain->setCurrentIndex(4);
    Pick(*w, 0, "Footmen", 20);
    EXPECT_EQ(w->cboTerrain->currentText(), "field");
    EXPECT_TRUE(w->cboTerrain->isEnabled());
}

TEST_F(OddsLabSetup, TerrainChoiceSwitchesTheCityLevel) {
    w->cboTerrain->setCurrentIndex(0);
    EXPECT_EQ(w->Terrain(), "city");
    EXPECT_TRUE(w->cboCityLevel->isEnabled());
    EXPECT_EQ(w->cboCityLevel->currentIndex(), 0);
    w->cboCityLevel->setCurrentIndex(2);
    w->cboTerrain->setCurrentIndex(1);
    EXPECT_EQ(w->Terrain(), "ice");
    EXPECT_FALSE(w->cboCityLevel->isEnabled());
    EXPECT_EQ(w->cboCityLevel->currentIndex(), -1);
}

TEST_F(OddsLabSetup, NumberOfBattlesTakesOnlyDigits) {
    w->txtNumSimulations->clear();
    QTest::keyClicks(w->txtNumSimulations, "1a2-3 .e4x");
    EXPECT_EQ(w->txtNumSimulations->text(), "1234");
    EXPECT_EQ(w->NumBattles(), 1234);
    // Backspace passes.
    QTest::keyClick(w->txtNumSimulations, Qt::Key_Backspace);
    EXPECT_EQ(w->txtNumSimulations->text(), "123");
    EXPECT_EQ(w->NumBattles(), 123);
    // The filter itself: 8, 27 and the digits pass, nothing else.
    EXPECT_TRUE(w->txtNumSimulations_KeyPress(8));
    EXPECT_TRUE(w->txtNumSimulations_KeyPress(27));
    EXPECT_TRUE(w->txtNumSimulations_KeyPress('0'));
    EXPECT_TRUE(w->txtNumSimulations_KeyPress('9'));
    EXPECT_FALSE(w->txtNumSimulations_KeyPress('a'));
    EXPECT_FALSE(w->txtNumSimulations_KeyPress('-'));
    EXPECT_FALSE(w->txtNumSimulations_KeyPress(' '));
    EXPECT_FALSE(w->txtNumSimulations_KeyPress(13));
}

TEST_F(OddsLabSetup, LeavingTheNumberOfBattlesRoundsItDownToTens) {
    struct Case {
        const char* typed;
        const char* shown;
        int battles;
    };
    const Case cases[] = {{"7", "10", 10},        {"", "10", 10},   {"2345", "2340", 2340},
                          {"15", "10", 10},       {"10", "10", 10}, {"9", "10", 10},
                          {"1234", "1230", 1230}, {"0", "10", 10},  {"99", "90", 90}};
    for (const Case& c : cases) {
        w->txtNumSimulations->setText(c.typed);
        w->txtNumSimulations_LostFocus();
        EXPECT_EQ(w->txtNumSimulations->text(), c.shown) << c.typed;
        EXPECT_EQ(w->NumBattles(), c.battles) << c.typed;
    }
    // The same through a real change of focus.
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    {
        w->txtNumSimulations->setFocus();
        w->txtNumSimulations->setText("777");
        w->sschkViewStats->setFocus();
        EXPECT_EQ(w->txtNumSimulations->text(), "770");
        EXPECT_EQ(w->NumBattles(), 770);
    }
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(OddsLabSetup, NumberOfBattlesTooLargeKeepsTheLastValue) {
    w->txtNumSimulations->setText("4321");
    w->txtNumSimulations->setText("99999999999");
    EXPECT_EQ(w->NumBattles(), 4321);
    // The property keeps its value for text that is no number.
    w->SetNumBattles("many");
    EXPECT_EQ(w->NumBattles(), 4321);
    w->SetNumBattles(" 2147483647 ");
    EXPECT_EQ(w->NumBattles(), 2147483647);
    w->SetCombatDice("x");
    EXPECT_EQ(w->CombatDice(), 20);
}

TEST(OddsLabErrorReport, NamesTheNumberAndTheProcedureUnderTheDescription) {
    EXPECT_EQ(FormatErrorText(-2147219986, "MBattleCalc::ShowStats"),
              "Error: -2147219986\nMBattleCalc::ShowStats");
    ScriptServices services;
    ReportError(services, 9, "frmOddsLab::AddArmyToList", "Subscript out of range");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Error: 9\nfrmOddsLab::AddArmyToList");
    EXPECT_EQ(services.messages[0].title, "Subscript out of range");
    // Failures of every kind come through the one helper with their numbers.
    Trap(services, "frmHero::LoadHeroInfo",
         [] { throw b3::Error(b3::kErrNoName, "CEditObject::X", "No name"); });
    Trap(services, "frmStats::Form_Load", [] { throw std::out_of_range("x"); });
    Trap(services, "frmMoreResults::FillChart", [] { throw std::runtime_error("broken"); });
    ASSERT_EQ(services.messages.size(), 4u);
    EXPECT_EQ(services.messages[1].text, "Error: -2147219986\nfrmHero::LoadHeroInfo");
    EXPECT_EQ(services.messages[1].title, "No name");
    EXPECT_EQ(services.messages[2].text, "Error: 9\nfrmStats::Form_Load");
    EXPECT_EQ(services.messages[3].text, "Error: 5\nfrmMoreResults::FillChart");
    EXPECT_EQ(services.messages[3].title, "broken");
}

TEST(OddsLabStartUpFailure, MissingDataIsReportedAndLeavesOnlyNone) {
    auto game = MakeTinyGame();
    game->failData = true;
    ScriptServices services;
    frmOddsLab w(services, *game);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Error: -2147219991\nfrmOddsLab::Form_Load");
    EXPECT_EQ(services.messages[0].title, "The folder holds no definition files.");
    ASSERT_EQ(w.cboArmies[0]->count(), 1);
    EXPECT_EQ(w.cboArmies[0]->itemText(0), "None");
    EXPECT_EQ(w.cboTerrain->currentText(), "field");
    EXPECT_FALSE(w.sscMoreResults->isEnabled());
    // Attack with nothing listed only shows the usual message.
    w.cmdAttack_Click();
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1].text, "You need to specify attacking and defending armies.");
}

}  // namespace
}  // namespace b3::oddslab::test
