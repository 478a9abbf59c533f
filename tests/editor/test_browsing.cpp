// Browsing, tab changes and the display of known objects of the sample installation.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "editor/frm_heroprops.h"
#include "editor_harness.h"

namespace b3edtest {

TEST_F(EditorTest, WindowStartsOnTheItemTabWithNothingSelected) {
    EXPECT_EQ(w->windowTitle(), "Banerule 3 Editor - " + QString::fromStdString(game));
    EXPECT_EQ(w->model().kind(), 0);
    EXPECT_TRUE(w->IsReady);
    ASSERT_EQ(w->sstEditor->count(), 5);
    const char* captions[] = {"Items", "Armies", "Heroes", "Sites", "Spells"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(w->sstEditor->tabText(i), captions[i]);
    // Items are listed in the order of their files: BANNER, BOOTS, COEUR, ...
    ASSERT_EQ(w->cboEditObject->count(), 8);
    EXPECT_EQ(w->cboEditObject->itemText(0), "Banner of Dawn");
    EXPECT_EQ(w->cboEditObject->itemText(1), "Seven-League Boots");
    EXPECT_EQ(w->cboEditObject->itemData(1).toInt(), 1);
    EXPECT_EQ(w->cboEditObject->currentIndex(), -1);
    EXPECT_EQ(w->cboEditObject->placeholderText(), "Select an Item");
    EXPECT_EQ(w->updBrowse->max(), 7);
    EXPECT_EQ(w->updBrowse->toolTip(), "Browse Items");
    EXPECT_EQ(w->tbrButtons[1]->toolTip(), "Create a new Item");
    EXPECT_EQ(w->tbrButtons[9]->toolTip(), "Start the Combat Calculator");
    EXPECT_EQ(w->tbrButtons[11]->toolTip(), "Exit the Program");
    EXPECT_EQ(w->tbrButtons[3], nullptr);  // a separator
    EXPECT_TRUE(w->lblItemProps[2]->text().isEmpty());
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(EditorTest, FirstSpinnerStepShowsTheFirstObjectThenValueIsPosition) {
    w->updBrowse->upButton()->click();
    EXPECT_EQ(w->cboEditObject->currentIndex(), 0);
    EXPECT_EQ(w->lblItemProps[2]->text(), "Banner of Dawn");
    w->updBrowse->upButton()->click();  // value 2: position 2
    EXPECT_EQ(w->cboEditObject->currentIndex(), 2);
    EXPECT_EQ(w->lblItemProps[2]->text(), QString::fromUtf8("Cœur de Lumière"));
    w->updBrowse->downButton()->click();
    EXPECT_EQ(w->lblItemProps[2]->text(), "Seven-League Boots");
    // The spinner stops at the last object.
    for (int i = 0; i < 12; ++i) w->updBrowse->upButton()->click();
    EXPECT_EQ(w->updBrowse->value(), 7);
    EXPECT_EQ(w->lblItemProps[2]->text(), "Helm of the Tide");
}

TEST_F(EditorTest, ListChoiceMovesTheSpinnerAlong) {
    choose("Staff of Storms");
    EXPECT_EQ(w->lblItemProps[2]->text(), "Staff of Storms");
    EXPECT_EQ(w->updBrowse->value(), w->cboEditObject->currentIndex());
}

TEST_F(EditorTest, DisplayRequestsWhileNotReadyAreIgnored) {
    w->IsReady = false;
    w->DisplayEditObjectProps(3, 0);
    EXPECT_TRUE(w->lblItemProps[2]->text().isEmpty());
    w->IsReady = true;
    w->DisplayEditObjectProps(3, 0);
    EXPECT_EQ(w->lblItemProps[2]->text(), "Dragon's Tooth");
}

TEST_F(EditorTest, TabChangeLoadsTheKindAndItsTooltips) {
    choose("Staff of Storms");
    tab(1);
    EXPECT_EQ(w->model().kind(), 1);
    EXPECT_TRUE(w->IsReady);
    EXPECT_EQ(w->cboEditObject->count(), 18);
    EXPECT_EQ(w->cboEditObject->currentIndex(), -1);
    EXPECT_EQ(w->cboEditObject->placeholderText(), "Select an Army");
    EXPECT_EQ(w->updBrowse->toolTip(), "Browse Armies");
    EXPECT_EQ(w->updBrowse->value(), 0);
    EXPECT_EQ(w->updBrowse->max(), 17);
    EXPECT_EQ(w->tbrButtons[2]->toolTip(), "Save this Army");
    EXPECT_EQ(w->tbrButtons[5]->toolTip(), "Revert to Army's unmodified properties");
    EXPECT_EQ(w->heroProps(), nullptr);
    // The first step after the change shows the first army again.
    w->updBrowse->upButton()->click();
    EXPECT_EQ(w->lblArmyProps[1]->text(), "Elven Archers");

    tab(2);
    ASSERT_NE(w->heroProps(), nullptr);
    EXPECT_TRUE(w->heroProps()->isHidden());
    EXPECT_EQ(w->tbrButtons[7]->toolTip(), "Output properties of all Heros to a file");
    EXPECT_EQ(w->cboEditObject->placeholderText(), "Select a Hero");
    tab(3);
    EXPECT_EQ(w->heroProps(), nullptr);
    EXPECT_EQ(w->tbrButtons[4]->toolTip(), "Delete this Site");
    tab(4);
    EXPECT_EQ(w->tbrButtons[1]->toolTip(), "Create a new Spell");
    EXPECT_EQ(w->cboEditObject->placeholderText(), "Select a Spell");
}

TEST_F(EditorTest, FixedListsHoldTheirEntriesInOrder) {
    tab(1);
    ASSERT_EQ(w->cboSound->count(), 11);
    EXPECT_EQ(w->cboSound->itemText(4), "Gallop");
    EXPECT_EQ(w->cboSound->itemData(4).toInt(), 4);
    ASSERT_EQ(w->cboFacing->count(), 8);
    EXPECT_EQ(w->cboFacing->itemText(4), "South");
    EXPECT_EQ(w->cboFacing->itemData(4).toInt(), 24);
    ASSERT_EQ(w->cboMoveBonus->count(), 8);
    EXPECT_EQ(w->cboMoveBonus->itemText(2), "fly");
    ASSERT_EQ(w->cboBonusTerrain->count(), 7);
    EXPECT_EQ(w->cboBonusTerrain->itemText(0), "none");
    // Power lists are sorted by name and carry the codes.
    ASSERT_EQ(w->cboArmyPowers->count(), 28);
    EXPECT_EQ(w->cboArmyPowers->itemText(0), "Acid");
    EXPECT_EQ(w->cboArmyPowers->itemData(0).toInt(), 38);
    EXPECT_EQ(w->cboArmyPowers->itemText(27), "Warding");
    EXPECT_EQ(w->cboItemPowers[0]->count(), 44);
    EXPECT_EQ(w->cboItemPowers[1]->count(), 44);
    EXPECT_EQ(w->cboSitePowers->count(), 13);
    for (QComboBox* c : w->cboSpellPowers) EXPECT_EQ(c->count(), 47);
    EXPECT_EQ(w->cboFacing->currentIndex(), 4);  // a fresh army faces South
    EXPECT_EQ(w->cboSound->currentIndex(), 0);
    EXPECT_EQ(w->cboArmyPowers->currentText(), "None");
    EXPECT_EQ(w->cboBonusTerrain->currentIndex(), 0);
    EXPECT_EQ(w->updArmyProps[21]->increment(), 10);
    EXPECT_EQ(w->updArmyProps[20]->max(), 9990);
    EXPECT_EQ(w->updHeroProps[7]->min(), -50);
    EXPECT_EQ(w->updItemProps[6]->increment(), 100);
}

TEST_F(EditorTest, ArmyDisplayShowsBothFrames) {
    tab(1);
    choose("Knights");
    const std::pair<std::size_t, const char*> view[] = {
        {1, "Knights"},  {4, "15"}, {5, "6"},       {6, "16"},        {7, "2"},   {8, "3"},
        {9, "3"},        {10, "2"}, {17, "field"},  {18, "1"},        {20, "16"}, {21, "300"},
        {22, "Trample"}, {23, "1"}, {24, "Gallop"}, {25, "Southeast"}};
    for (const auto& [c, text] : view) EXPECT_EQ(w->lblArmyProps[c]->text(), text) << c;
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Knights");
    EXPECT_EQ(w->updArmyProps[5]->value(), 6);
    EXPECT_EQ(w->txtArmyProps[5]->text(), "6");
    EXPECT_EQ(w->updArmyProps[21]->value(), 300);
    EXPECT_EQ(w->cboArmyPowers->currentText(), "Trample");
    EXPECT_EQ(w->cboBonusTerrain->currentIndex(), 2);
    EXPECT_EQ(w->cboFacing->currentIndex(), 3);
    EXPECT_EQ(w->cboSound->currentIndex(), 4);
    EXPECT_EQ(w->lstMoveBonuses->count(), 0);
    EXPECT_EQ(w->lstArmyMoveBonuses->count(), 4);  // blank entries included
    EXPECT_FALSE(w->lblPlus[kPlusArmyView23]->isHidden());
    EXPECT_FALSE(w->lblPlus[kPlusArmyEdit18]->isHidden());
    EXPECT_FALSE(w->picPreview[0]->pixmap().isNull());

    choose("Dwarven Guard");
    ASSERT_EQ(w->lstMoveBonuses->count(), 2);
    EXPECT_EQ(w->lstMoveBonuses->item(0)->text(), "hills");
    EXPECT_EQ(w->lstMoveBonuses->item(1)->text(), "dungeon");
    EXPECT_EQ(w->lstArmyMoveBonuses->item(1)->text(), "dungeon");

    choose("Peasant Mob");  // power None with value 0
    EXPECT_TRUE(w->lblPlus[kPlusArmyView23]->isHidden());
    EXPECT_TRUE(w->lblPlus[kPlusArmyEdit23]->isHidden());
    EXPECT_FALSE(w->lblPlus[kPlusArmyView18]->isHidden());
    w->updArmyProps[23]->upButton()->click();
    EXPECT_FALSE(w->lblPlus[kPlusArmyEdit23]->isHidden());

    choose("Skeletons");  // no combat terrain: "none"
    EXPECT_EQ(w->cboBonusTerrain->currentIndex(), 0);
}

TEST_F(OddValuesEditorTest, HeroItemSiteAndSpellDisplays) {
    tab(2);
    choose("Ranger");
    EXPECT_EQ(w->lblHeroProps[1]->text(), "Ranger");
    EXPECT_EQ(w->lblHeroProps[7]->text(), "8");
    EXPECT_EQ(w->lblHeroProps[9]->text(), "18");
    EXPECT_EQ(w->lblHeroProps[11]->text(), "4");
    EXPECT_EQ(w->lblHeroProps[123]->text(), "Walk");
    EXPECT_EQ(w->lblHeroProps[124]->text(), "East");
    EXPECT_EQ(w->updHeroProps[9]->value(), 18);
    EXPECT_EQ(w->cboHeroFacing->currentIndex(), 2);
    EXPECT_EQ(w->cboHeroSound->currentIndex(), 1);
    EXPECT_FALSE(w->picPreview[1]->pixmap().isNull());
    EXPECT_FALSE(w->picPreview[2]->pixmap().isNull());

    tab(0);
    choose("Seven-League Boots");
    EXPECT_EQ(w->lblItemProps[4]->text(), "4");
    EXPECT_EQ(w->lblItemProps[6]->text(), "500");
    EXPECT_EQ(w->lblItemProps[7]->text(), "Group Movement");
    EXPECT_EQ(w->lblItemProps[9]->text(), "None");
    EXPECT_EQ(w->cboItemPowers[0]->currentText(), "Group Movement");
    EXPECT_EQ(w->updPicSelect->value(), 18);
    EXPECT_EQ(w->picItem[0]->property("b3Bitmap").toInt(), 118);
    EXPECT_EQ(w->picItem[1]->property("b3Bitmap").toInt(), 118);
    EXPECT_FALSE(w->lblPlus[kPlusItemView8]->isHidden());
    EXPECT_TRUE(w->lblPlus[kPlusItemView10]->isHidden());
    // A stored value beyond the spinner's range is shown as it is.
    choose("Emberblade");
    EXPECT_EQ(w->updItemProps[4]->value(), 6);
    EXPECT_EQ(w->txtItemProps[4]->text(), "6");

    tab(3);
    choose("Sun Temple");
    EXPECT_EQ(w->lblSiteProps[3]->text(), "Bless");
    EXPECT_EQ(w->lblSiteProps[4]->text(), "1");
    EXPECT_TRUE(w->chkSiteReadOnly[5]->isChecked());
    EXPECT_TRUE(w->chkSiteReadOnly[6]->isChecked());
    EXPECT_FALSE(w->chkSiteReadOnly[7]->isChecked());
    EXPECT_TRUE(w->chkSite[5]->isChecked());
    EXPECT_FALSE(w->chkSite[7]->isChecked());
    EXPECT_EQ(w->cboSitePowers->currentText(), "Bless");
    EXPECT_FALSE(w->lblPlus[kPlusSiteView4]->isHidden());

    tab(4);
    choose("Call Griffons");
    EXPECT_EQ(w->lblSpellProps[3]->text(), "20");
    EXPECT_EQ(w->lblSpellProps[4]->text(), "Summon Army");
    EXPECT_EQ(w->lblSpellProps[8]->text(), "None");
    EXPECT_EQ(w->lblSpellArmy[0]->text(), "Griffons");
    EXPECT_TRUE(w->lblSpellArmy[1]->text().isEmpty());
    EXPECT_TRUE(w->cboSpellArmy[0]->isVisible());
    EXPECT_EQ(w->cboSpellArmy[0]->currentText(), "Griffons");
    EXPECT_TRUE(w->updSpellProps[6]->isVisible());
    EXPECT_FALSE(w->cboSpellArmy[1]->isVisible());
    EXPECT_FALSE(w->updSpellProps[10]->isVisible());
    EXPECT_FALSE(w->lblVal2[1]->isVisible());
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(EditorTest, ItemPictureSpinnerShowsBitmapsOfItsValue) {
    choose("Dragon's Tooth");  // picture 0
    EXPECT_EQ(w->picItem[1]->property("b3Bitmap").toInt(), 100);
    for (int v = 1; v <= 31; ++v) {
        w->updPicSelect->upButton()->click();
        EXPECT_EQ(w->picItem[1]->property("b3Bitmap").toInt(), 100 + v);
    }
    w->updPicSelect->upButton()->click();
    EXPECT_EQ(w->updPicSelect->value(), 31);
}

TEST_F(EditorTest, MoveBonusListHoldsAtMostFour) {
    tab(1);
    choose("Knights");
    for (int i = 0; i < 5; ++i) {
        w->cboMoveBonus->setCurrentIndex(i);
        emit w->cboMoveBonus->activated(i);
    }
    ASSERT_EQ(w->lstMoveBonuses->count(), 4);
    EXPECT_EQ(w->lstMoveBonuses->item(3)->text(), "forest");
    w->lstMoveBonuses->setCurrentRow(1);
    emit w->lstMoveBonuses->itemDoubleClicked(w->lstMoveBonuses->item(1));
    ASSERT_EQ(w->lstMoveBonuses->count(), 3);
    EXPECT_EQ(w->lstMoveBonuses->item(1)->text(), "fly");
    w->cboMoveBonus->setCurrentIndex(0);
    emit w->cboMoveBonus->activated(0);  // the same terrain may come twice
    EXPECT_EQ(w->lstMoveBonuses->count(), 4);
    EXPECT_EQ(w->lstMoveBonuses->item(3)->text(), "desert");
}

TEST_F(EditorTest, CostBoxTakesDigitsOnlyUpTo9999) {
    tab(1);
    choose("Knights");
    QLineEdit* cost = w->txtArmyProps[20];
    cost->setFocus();
    cost->selectAll();
    QTest::keyClicks(cost, "ab-");
    EXPECT_EQ(cost->text(), "16");
    cost->selectAll();
    QTest::keyClick(cost, Qt::Key_Backspace);
    EXPECT_EQ(cost->text(), "0");
    cost->selectAll();
    QTest::keyClicks(cost, "12000");
    EXPECT_EQ(cost->text(), "9999");
}

}  // namespace b3edtest
