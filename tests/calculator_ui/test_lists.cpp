// Editing the unit lists: marks with their " *" suffix, the conflicts of the pop-up menu,
// medals, and deleting, moving, duplicating and clearing with the marks kept in step.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <QWheelEvent>

#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/updown_box.h"
#include "ui_support.h"

namespace b3::oddslab::test {
namespace {

class OddsLabLists : public ::testing::Test {
protected:
    void SetUp() override {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }
    // Lists five units A..E on a side: Footmen, Goblins, Wall Guard, Archers, Knights.
    void ListFive(int side) {
        for (const char* name : {"Footmen", "Goblins", "Wall Guard", "Archers", "Knights"})
            Pick(*w, side, name);
    }
    // Sets a mark on the selected units through the menu, as a user choosing the entry.
    void Choose(QAction* entry) { entry->trigger(); }
    QAction* Item(int k) { return w->mnuPopupItem[k]; }

    std::unique_ptr<FakeEditObject> game = MakeTinyGame();
    ScriptServices services;
    std::unique_ptr<frmOddsLab> w = std::make_unique<frmOddsLab>(services, *game);
};

TEST_F(OddsLabLists, MenuHasItsEntriesInOrder) {
    const QList<QAction*> entries = w->mnuPopup->actions();
    ASSERT_EQ(entries.size(), 9);
    const QStringList captions = {"Blessed",       "Diseased", "Poisoned", "Medal", "Blacksmith",
                                  "Weaponsmaster", "Flying",   "",         "Delete"};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(entries[i]->text(), captions[i]) << i;
    EXPECT_TRUE(entries[7]->isSeparator());
    EXPECT_EQ(entries[3]->menu(), w->mnuPopupMedal);
    EXPECT_EQ(w->mnuPopup->title(), "Popup");
    const QStringList medals = {"0 Medals", "1 Medal", "2 Medals", "3 Medals", "4 Medals"};
    for (int n = 0; n < 5; ++n) EXPECT_EQ(w->mnuPopupItemMedals[n]->text(), medals[n]);
}

TEST_F(OddsLabLists, MarkingAppendsOneSuffixAndClearingRemovesItOnlyWithoutMarks) {
    ListFive(0);
    SelectOne(*w, 0, 1);
    OpenMenu(*w, 0);
    EXPECT_EQ(services.menus, 1);
    Choose(Item(kBlessed));
    EXPECT_EQ(Texts(*w, 0)[1], "Goblins *");
    EXPECT_EQ(HealthRow(*w, 0, 2), "1 0 0 0 0 0 0");

    // Diseased and poisoned on another unit: one suffix.
    SelectOne(*w, 0, 3);
    OpenMenu(*w, 0);
    Choose(Item(kDiseased));
    OpenMenu(*w, 0);
    Choose(Item(kPoisoned));
    EXPECT_EQ(Texts(*w, 0)[3], "Archers *");
    EXPECT_EQ(HealthRow(*w, 0, 4), "0 1 1 0 0 0 0");
    // Clearing one of the two keeps the suffix, clearing both removes it.
    OpenMenu(*w, 0);
    EXPECT_TRUE(Item(kDiseased)->isChecked());
    Choose(Item(kDiseased));
    EXPECT_EQ(Texts(*w, 0)[3], "Archers *");
    OpenMenu(*w, 0);
    Choose(Item(kPoisoned));
    EXPECT_EQ(Texts(*w, 0)[3], "Archers");
    EXPECT_EQ(HealthRow(*w, 0, 4), "0 0 0 0 0 0 0");

    // A medal keeps the suffix when the blessing goes.
    SelectOne(*w, 0, 1);
    OpenMenu(*w, 0);
    Choose(w->mnuPopupItemMedals[1]);
    OpenMenu(*w, 0);
    EXPECT_TRUE(Item(kBlessed)->isChecked());
    Choose(Item(kBlessed));
    EXPECT_EQ(Texts(*w, 0)[1], "Goblins *");
    EXPECT_EQ(HealthRow(*w, 0, 2), "0 0 0 1 0 0 0");
    OpenMenu(*w, 0);
    Choose(w->mnuPopupItemMedals[0]);
    EXPECT_EQ(Texts(*w, 0)[1], "Goblins");

    // The other marks set their own columns.
    SelectOne(*w, 0, 4);
    OpenMenu(*w, 0);
    Choose(Item(kBlacksmith));
    OpenMenu(*w, 0);
    Choose(Item(kWeaponsmaster));
    OpenMenu(*w, 0);
    Choose(Item(kFlying));
    EXPECT_EQ(HealthRow(*w, 0, 5), "0 0 0 0 1 1 1");
    EXPECT_EQ(Texts(*w, 0)[4], "Knights *");
    // The other list is untouched.
    EXPECT_EQ(HealthRow(*w, 1, 2), "0 0 0 0 0 0 0");
}

TEST_F(OddsLabLists, MarksApplyToEverySelectedUnit) {
    ListFive(1);
    Select(*w, 1, 0, {0, 2, 4});
    OpenMenu(*w, 1);
    Choose(Item(kFlying));
    EXPECT_EQ(Texts(*w, 1),
              (QStringList{"Footmen *", "Goblins", "Wall Guard *", "Archers", "Knights *"}));
    EXPECT_EQ(HealthRow(*w, 1, 1), "0 0 0 0 0 0 1");
    EXPECT_EQ(HealthRow(*w, 1, 2), "0 0 0 0 0 0 0");
    EXPECT_EQ(HealthRow(*w, 1, 3), "0 0 0 0 0 0 1");
    Choose(w->mnuPopupItemMedals[3]);
    EXPECT_EQ(HealthRow(*w, 1, 5), "0 0 0 3 0 0 1");
    EXPECT_EQ(HealthRow(*w, 0, 1), "0 0 0 0 0 0 0");
}

TEST_F(OddsLabLists, MenuShowsTheFocusedUnitsMarksAndGreysConflicts) {
    ListFive(0);
    SelectOne(*w, 0, 0);
    OpenMenu(*w, 0);
    Choose(Item(kBlessed));
    OpenMenu(*w, 0);
    EXPECT_TRUE(Item(kBlessed)->isChecked());
    EXPECT_TRUE(Item(kBlessed)->isEnabled());
    EXPECT_FALSE(Item(kDiseased)->isEnabled());
    EXPECT_FALSE(Item(kPoisoned)->isEnabled());

    // A poisoned unit greys "Blessed".
    SelectOne(*w, 0, 1);
    OpenMenu(*w, 0);
    EXPECT_FALSE(Item(kBlessed)->isChecked());
    EXPECT_TRUE(Item(kPoisoned)->isEnabled());
    Choose(Item(kPoisoned));
    OpenMenu(*w, 0);
    EXPECT_FALSE(Item(kBlessed)->isEnabled());
    EXPECT_TRUE(Item(kDiseased)->isEnabled());

    // An unmarked unit has everything enabled.
    SelectOne(*w, 0, 2);
    OpenMenu(*w, 0);
    for (int k : {kBlessed, kDiseased, kPoisoned}) {
        EXPECT_TRUE(Item(k)->isEnabled()) << k;
        EXPECT_FALSE(Item(k)->isChecked()) << k;
    }

    // Several selected, one blessed and another poisoned: all three greyed.
    Select(*w, 0, 2, {0, 1, 2});
    OpenMenu(*w, 0);
    for (int k : {kBlessed, kDiseased, kPoisoned}) EXPECT_FALSE(Item(k)->isEnabled()) << k;
    // Blessed and unmarked: only "Blessed" stays.
    Select(*w, 0, 2, {0, 2});
    OpenMenu(*w, 0);
    EXPECT_TRUE(Item(kBlessed)->isEnabled());
    EXPECT_FALSE(Item(kDiseased)->isEnabled());
    EXPECT_FALSE(Item(kPoisoned)->isEnabled());
    // Poisoned and unmarked: "Blessed" greyed.
    Select(*w, 0, 2, {1, 2});
    OpenMenu(*w, 0);
    EXPECT_FALSE(Item(kBlessed)->isEnabled());
    EXPECT_TRUE(Item(kDiseased)->isEnabled());
    EXPECT_TRUE(Item(kPoisoned)->isEnabled());
    // The other entries are always enabled.
    for (int k : {kMedals, kBlacksmith, kWeaponsmaster, kFlying})
        EXPECT_TRUE(Item(k)->isEnabled()) << k;
}

TEST_F(OddsLabLists, MedalCheckMarkFollowsTheUnitWhenTheMenuOpens) {
    ListFive(0);
    SelectOne(*w, 0, 2);
    OpenMenu(*w, 0);
    EXPECT_TRUE(w->mnuPopupItemMedals[0]->isChecked());
    Choose(w->mnuPopupItemMedals[2]);
    EXPECT_EQ(Texts(*w, 0)[2], "Wall Guard *");
    SelectOne(*w, 0, 1);
    OpenMenu(*w, 0);
    EXPECT_TRUE(w->mnuPopupItemMedals[0]->isChecked());
    EXPECT_FALSE(w->mnuPopupItemMedals[2]->isChecked());
    SelectOne(*w, 0, 2);
    OpenMenu(*w, 0);
    EXPECT_TRUE(w->mnuPopupItemMedals[2]->isChecked());
    for (int n : {0, 1, 3, 4}) EXPECT_FALSE(w->mnuPopupItemMedals[n]->isChecked()) << n;
    Choose(w->mnuPopupItemMedals[0]);
    EXPECT_EQ(Texts(*w, 0)[2], "Wall Guard");
    EXPECT_EQ(HealthRow(*w, 0, 3), "0 0 0 0 0 0 0");
}

TEST_F(OddsLabLists, RightClickNeedsAFocusedEntryInAFocusedList) {
    ListFive(0);
    // No focused entry.
    w->lstArmies[0]->setFocus();
    w->lstArmies[0]->setCurrentRow(-1);
    OpenMenu(*w, 0);
    EXPECT_EQ(services.menus, 0);
    // The focus elsewhere.
    SelectOne(*w, 0, 1);
    w->txtNumSimulations->setFocus();
    OpenMenu(*w, 0);
    EXPECT_EQ(services.menus, 0);
    // Another button than the right one.
    SelectOne(*w, 0, 1);
    w->lstArmies_MouseUp(0, Qt::LeftButton, QPoint(3, 3));
    EXPECT_EQ(services.menus, 0);
    // A real right click on an entry focuses the list and opens the menu for that entry.
    w->txtNumSimulations->setFocus();
    QListWidget* list = w->lstArmies[0];
    QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                      list->visualItemRect(list->item(3)).center());
    EXPECT_EQ(services.menus, 1);
    EXPECT_EQ(list->currentRow(), 3);
    Choose(Item(kBlessed));
    EXPECT_EQ(Texts(*w, 0)[3], "Archers *");
}

TEST_F(OddsLabLists, DeletingMovesTheLaterMarksUp) {
    ListFive(0);
    SelectOne(*w, 0, 3);
    OpenMenu(*w, 0);
    Choose(Item(kBlessed));
    SelectOne(*w, 0, 4);
    OpenMenu(*w, 0);
    Choose(w->mnuPopupItemMedals[2]);
    SelectOne(*w, 0, 2);
    OpenMenu(*w, 0);
    Choose(Item(kFlying));

    // Deleting the third of five units by double-click.
    QListWidget* list = w->lstArmies[0];
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualItemRect(list->item(2)).center());
    EXPECT_EQ(Texts(*w, 0), (QStringList{"Footmen", "Goblins", "Archers *", "Knights *"}));
    EXPECT_EQ(list->item(2)->data(Qt::UserRole).toInt(), 3);
    EXPECT_EQ(list->item(3)->data(Qt::UserRole).toInt(), 4);
    EXPECT_EQ(HealthRow(*w, 0, 3), "1 0 0 0 0 0 0");
    EXPECT_EQ(HealthRow(*w, 0, 4), "0 0 0 2 0 0 0");
    EXPECT_EQ(HealthRow(*w, 0, 5), "0 0 0 0 0 0 0");

    // Deleting the selection through the menu, bottom up.
    Select(*w, 0, 0, {0, 2});
    OpenMenu(*w, 0);
    Choose(w->mnuPopupDelete);
    EXPECT_EQ(Texts(*w, 0), (QStringList{"Goblins", "Knights *"}));
    EXPECT_EQ(HealthRow(*w, 0, 1), "0 0 0 0 0 0 0");
    EXPECT_EQ(HealthRow(*w, 0, 2), "0 0 0 2 0 0 0");
    EXPECT_EQ(HealthRow(*w, 0, 3), "0 0 0 0 0 0 0");
}

TEST_F(OddsLabLists, DeletingFromAFullListLeavesTheLastRowEmpty) {
    Pick(*w, 1, "Goblins", 32);
    SelectOne(*w, 1, 31);
    OpenMenu(*w, 1);
    Choose(Item(kDiseased));
    EXPECT_EQ(HealthRow(*w, 1, 32), "0 1 0 0 0 0 0");
    SelectOne(*w, 1, 0);
    w->lstArmies_DblClick(1);
    EXPECT_EQ(w->lstArmies[1]->count(), 31);
    EXPECT_EQ(HealthRow(*w, 1, 31), "0 1 0 0 0 0 0");
    EXPECT_EQ(HealthRow(*w, 1, 32), "0 0 0 0 0 0 0");
    EXPECT_EQ(Texts(*w, 1)[30], "Goblins *");
}

TEST_F(OddsLabLists, DoubleClickAndDuplicateWithoutAFocusedEntryDoNothing) {
    ListFive(0);
    w->lstArmies[0]->setCurrentRow(-1);
    w->lstArmies[0]->clearSelection();
    w->lstArmies_DblClick(0);
    EXPECT_EQ(w->lstArmies[0]->count(), 5);
    w->updDup[0]->setValue(3);
    w->sscDup_Click(0);
    EXPECT_EQ(w->lstArmies[0]->count(), 5);
    // Nor on an empty list.
    w->lstArmies_DblClick(1);
    w->sscDup_Click(1);
    EXPECT_EQ(w->lstArmies[1]->count(), 0);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(OddsLabLists, MovingCarriesTheMarksWithTheUnit) {
    ListFive(0);
    SelectOne(*w, 0, 2);
    OpenMenu(*w, 0);
    Choose(Item(kBlessed));
    SelectOne(*w, 0, 1);
    OpenMenu(*w, 0);
    Choose(w->mnuPopupItemMedals[4]);

    // "Army Up" on the blessed Wall Guard: it swaps with the decorated Goblins.
    SelectOne(*w, 0, 2);
    w->sscListArrow[0]->click();
    EXPECT_EQ(Texts(*w, 0),
              (QStringList{"Footmen", "Wall Guard *", "Goblins *", "Archers", "Knights"}));
    EXPECT_EQ(w->lstArmies[0]->item(1)->data(Qt::UserRole).toInt(), 2);
    EXPECT_EQ(w->lstArmies[0]->item(2)->data(Qt::UserRole).toInt(), 1);
    EXPECT_EQ(HealthRow(*w, 0, 2), "1 0 0 0 0 0 0");
    EXPECT_EQ(HealthRow(*w, 0, 3), "0 0 0 4 0 0 0");
    EXPECT_EQ(w->lstArmies[0]->currentRow(), 1);
    EXPECT_TRUE(w->lstArmies[0]->item(1)->isSelected());
    EXPECT_FALSE(w->lstArmies[0]->item(2)->isSelected());

    // With several selected only the focused entry moves, and only it stays selected.
    Select(*w, 0, 3, {0, 3});
    w->sscListArrow[1]->click();
    EXPECT_EQ(Texts(*w, 0),
              (QStringList{"Footmen", "Wall Guard *", "Goblins *", "Knights", "Archers"}));
    EXPECT_EQ(w->lstArmies[0]->currentRow(), 4);
    EXPECT_EQ(w->lstArmies[0]->selectedItems().size(), 1);
    EXPECT_TRUE(w->lstArmies[0]->item(4)->isSelected());

    // Moves at the ends do nothing.
    SelectOne(*w, 0, 0);
    w->sscListArrow[0]->click();
    SelectOne(*w, 0, 4);
    w->sscListArrow[1]->click();
    EXPECT_EQ(Texts(*w, 0)[0], "Footmen");
    EXPECT_EQ(Texts(*w, 0)[4], "Archers");
    // The defending list has its own buttons.
    ListFive(1);
    SelectOne(*w, 1, 4);
    w->sscListArrow[2]->click();
    EXPECT_EQ(Texts(*w, 1)[3], "Knights");
    w->sscListArrow[3]->click();
    EXPECT_EQ(Texts(*w, 1)[4], "Knights");
}

// A duplicate is the same unit as its original, marks included: its " *" is true.
TEST_F(OddsLabLists, DuplicatesCarryTheMarksOfTheirOriginal) {
    ListFive(0);
    SelectOne(*w, 0, 1);
    OpenMenu(*w, 0);
    Choose(Item(kBlessed));
    Choose(w->mnuPopupItemMedals[2]);
    w->updDup[0]->stepBy(2);
    EXPECT_EQ(w->txtDup[0]->text(), "3");
    w->sscDup[0]->click();
    EXPECT_EQ(Texts(*w, 0), (QStringList{"Footmen", "Goblins *", "Wall Guard", "Archers", "Knights",
                                         "Goblins *", "Goblins *", "Goblins *"}));
    for (int p = 5; p < 8; ++p) {
        EXPECT_EQ(w->lstArmies[0]->item(p)->data(Qt::UserRole).toInt(), 1);
        EXPECT_EQ(HealthRow(*w, 0, p + 1), "1 0 0 2 0 0 0");
    }
    // The battle gets the marks of every copy.
    Pick(*w, 1, "Archers");
    w->txtNumSimulations->setText("10");
    w->cmdAttack->click();
    int blessed = 0;
    for (b3::engine::Long i = 1; i <= w->AttArmies().Count(); ++i)
        blessed += w->AttArmies().Item(i).Blessed() ? 1 : 0;
    EXPECT_EQ(blessed, 4);
    // Copies beyond 32 are dropped silently.
    w->updDup[0]->setValue(31);
    w->sscDup_Click(0);
    EXPECT_EQ(w->lstArmies[0]->count(), 32);
    EXPECT_TRUE(services.messages.empty());
}

// Clearing one list leaves the other's units and marks alone, and a " *" never outlives its
// marks.
TEST_F(OddsLabLists, ClearingOneSideKeepsTheOtherSidesMarks) {
    ListFive(0);
    ListFive(1);
    SelectOne(*w, 1, 0);
    OpenMenu(*w, 1);
    Choose(Item(kBlessed));
    SelectOne(*w, 0, 0);
    OpenMenu(*w, 0);
    Choose(Item(kFlying));
    w->sscClearList[0]->click();
    EXPECT_EQ(w->lstArmies[0]->count(), 0);
    EXPECT_EQ(HealthRow(*w, 0, 1), "0 0 0 0 0 0 0");
    EXPECT_EQ(HealthRow(*w, 1, 1), "1 0 0 0 0 0 0");
    EXPECT_EQ(Texts(*w, 1)[0], "Footmen *");
    // A unit added where a marked one was starts without marks.
    Pick(*w, 0, "Footmen");
    EXPECT_EQ(Texts(*w, 0), QStringList{"Footmen"});
    // Clearing the defending list too: nothing marked is left anywhere.
    w->sscClearList[1]->click();
    ListFive(1);
    EXPECT_EQ(Texts(*w, 1)[0], "Footmen");
    EXPECT_EQ(HealthRow(*w, 1, 1), "0 0 0 0 0 0 0");
}

// "None" takes no part in the battle, so its marks are never announced.
TEST_F(OddsLabLists, NoneShowsNoMarks) {
    Pick(*w, 0, "None");
    Pick(*w, 0, "Goblins");
    Select(*w, 0, 0, {0, 1});
    OpenMenu(*w, 0);
    Choose(Item(kPoisoned));
    EXPECT_EQ(Texts(*w, 0), (QStringList{"None", "Goblins *"}));
}

// Scrolling over a chooser or stepping through it with the keys only browses; a click on an
// entry of the open list, or Enter, adds the unit.
TEST_F(OddsLabLists, OnlyARealChoiceAddsAUnit) {
    QComboBox* chooser = w->cboArmies[0];
    chooser->setFocus();
    const QPoint centre = chooser->rect().center();
    for (int tick = 0; tick < 3; ++tick) {
        QWheelEvent wheel(centre, chooser->mapToGlobal(centre), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(chooser, &wheel);
    }
    QTest::keyClick(chooser, Qt::Key_Down);
    QTest::keyClick(chooser, Qt::Key_Down);
    QTest::keyClick(chooser, Qt::Key_End);
    QTest::keyClick(chooser, Qt::Key_G);
    EXPECT_EQ(w->lstArmies[0]->count(), 0);
    EXPECT_EQ(chooser->currentText(), "Goblins");
    // Enter chooses the entry the keys went to.
    QTest::keyClick(chooser, Qt::Key_Return);
    EXPECT_EQ(Texts(*w, 0), QStringList{"Goblins"});
    // A click on an entry of the open list is reported as an activation.
    Pick(*w, 0, "Knights");
    EXPECT_EQ(Texts(*w, 0), (QStringList{"Goblins", "Knights"}));
}

// Delete removes the selected entries; Shift+F10 opens the marks menu for the focused entry.
TEST_F(OddsLabLists, KeyboardDeletesAndOpensTheMenu) {
    ListFive(1);
    Select(*w, 1, 3, {1, 3});
    QTest::keyClick(w->lstArmies[1], Qt::Key_Delete);
    EXPECT_EQ(Texts(*w, 1), (QStringList{"Footmen", "Wall Guard", "Knights"}));
    EXPECT_EQ(services.menus, 0);
    SelectOne(*w, 1, 0);
    QTest::keyClick(w->lstArmies[1], Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(services.menus, 1);
}

TEST(OddsLabAsteriskRules, LookAtTheTextAndTheMarks) {
    EXPECT_TRUE(frmOddsLab::AsteriskEligible("Knights"));
    EXPECT_FALSE(frmOddsLab::AsteriskEligible("Knights *"));
    EXPECT_FALSE(frmOddsLab::AsteriskEligible(""));
    HealthArray h;
    h.at(3, kMedals) = 1;
    OddsLabModel::ShuffleArray(h, 1, 1);
    EXPECT_EQ(h.at(2, kMedals), 1);
    EXPECT_EQ(h.at(3, kMedals), 0);
    OddsLabModel::MoveArmyInHealthArray(h, 2, -1);
    EXPECT_EQ(h.at(1, kMedals), 1);
    EXPECT_EQ(h.at(2, kMedals), 0);
}

}  // namespace
}  // namespace b3::oddslab::test
