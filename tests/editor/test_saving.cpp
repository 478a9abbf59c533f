// Saving through the toolbar: edited objects of every kind, read back through a new edit
// object; unchanged objects; new objects with their names and pictures; refused names.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "editor/errors.h"
#include "editor/frm_heroprops.h"
#include "editor/strings.h"
#include "editor_harness.h"

namespace b3edtest {

TEST_F(EditorTest, SavingAnEditedArmyWritesItsFile) {
    tab(1);
    choose("Knights");
    const auto before = reread(1);
    const auto oldRow = rowIndex(before, 3, "KNIGHTS");
    setText(w->txtArmyProps[1], "Iron Knights");
    w->updArmyProps[5]->upButton()->click();  // strength 6 -> 7
    w->cboArmyPowers->setCurrentIndex(w->cboArmyPowers->findText("Fear"));
    w->cboMoveBonus->setCurrentIndex(w->cboMoveBonus->findText("woods"));
    emit w->cboMoveBonus->activated(w->cboMoveBonus->currentIndex());
    w->cboBonusTerrain->setCurrentIndex(0);  // "none"
    setText(w->txtArmyProps[20], "9999");
    press("Save");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    EXPECT_TRUE(services.fileRequests.empty());  // an existing army keeps its name

    const auto after = reread(1);
    const auto r = rowIndex(after, 3, "KNIGHTS");
    ASSERT_LT(r, after.rows());
    EXPECT_EQ(after.at(r, 1).str(), "Iron Knights");
    EXPECT_EQ(after.at(r, 5).number(), 7);
    EXPECT_EQ(after.at(r, 22).number(), 4);  // Fear
    EXPECT_EQ(after.at(r, 13).str(), "woods");
    EXPECT_EQ(after.at(r, 17).str(), "");
    EXPECT_EQ(after.at(r, 20).number(), 9999);
    // What the tab does not show stays as the file held it.
    for (std::size_t c :
         {2u, 4u, 6u, 7u, 8u, 9u, 10u, 11u, 12u, 18u, 19u, 21u, 23u, 24u, 25u, 26u, 27u}) {
        EXPECT_EQ(after.at(r, c), before.at(oldRow, c)) << c;
    }
    // The window was reloaded from the new files and still shows the army.
    EXPECT_EQ(w->cboEditObject->currentText(), "Iron Knights");
}

TEST_F(EditorTest, SavingWithoutChangeWritesNothing) {
    const auto before = snapshot();
    for (int kind = 0; kind < 5; ++kind) {
        tab(kind);
        for (int i = 0; i < w->cboEditObject->count(); ++i) {
            w->cboEditObject->setCurrentIndex(i);
            press("Save");
        }
    }
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    EXPECT_TRUE(services.fileRequests.empty());
    EXPECT_EQ(snapshot(), before);
}

TEST_F(EditorTest, SavingAnEditedHeroKeepsItsExtendedProperties) {
    tab(2);
    choose("Ranger");
    const auto before = reread(2);
    const auto oldRow = rowIndex(before, 4, "RANGER");
    setText(w->txtHeroProps[2], "Huntress");
    w->updHeroProps[7]->setValue(-10);
    press("Save");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    const auto after = reread(2);
    const auto r = rowIndex(after, 4, "RANGER");
    ASSERT_LT(r, after.rows());
    EXPECT_EQ(after.at(r, 2).str(), "Huntress");
    EXPECT_EQ(after.at(r, 7).number(), 246);  // -10 as the record's byte
    for (std::size_t c = 8; c < 127; ++c) {
        if (c == 123 || c == 124 || (c >= 5 && c <= 6)) continue;
        EXPECT_EQ(after.at(r, c), before.at(oldRow, c)) << c;
    }
    EXPECT_EQ(after.at(r, 5).str(), "RANGERm");
    EXPECT_EQ(after.at(r, 6).str(), "RANGERf");
    // Shown again, the amount reads as a negative one.
    choose("Ranger");
    EXPECT_EQ(w->updHeroProps[7]->value(), -10);
    EXPECT_EQ(w->lblHeroProps[7]->text(), "-10");
}

TEST_F(OddValuesEditorTest, SavingAnEditedItemSiteAndSpell) {
    choose("Banner of Dawn");
    for (int i = 0; i < 3; ++i) w->updPicSelect->upButton()->click();  // 12 -> 15
    w->updItemProps[6]->upButton()->click();                           // 700 -> 800
    w->cboItemPowers[1]->setCurrentIndex(w->cboItemPowers[1]->findText("Flight"));
    press("Save");
    auto items = reread(0);
    auto r = rowIndex(items, 1, "BANNER");
    ASSERT_LT(r, items.rows());
    EXPECT_EQ(items.at(r, 5).number(), 15);
    EXPECT_EQ(items.at(r, 6).number(), 800);
    EXPECT_EQ(items.at(r, 9).number(), 13);
    EXPECT_EQ(items.at(r, 7).number(), 1);  // Leadership kept

    tab(3);
    choose("Drowned Barrow");  // its unused flag is set, its power is not in the site list
    w->chkSite[7]->setChecked(true);
    w->updSiteProps[4]->upButton()->click();
    press("Save");
    auto sites = reread(3);
    r = rowIndex(sites, 2, "BARROW");
    ASSERT_LT(r, sites.rows());
    EXPECT_EQ(sites.at(r, 7).number(), 1);
    EXPECT_EQ(sites.at(r, 4).number(), 3);
    EXPECT_EQ(sites.at(r, 8).number(), 1);   // carried unchanged
    EXPECT_EQ(sites.at(r, 3).number(), 53);  // Necromancy kept
    EXPECT_EQ(sites.at(r, 5).number(), 0);

    tab(4);
    choose("Fireball");
    setText(w->txtSpellProps[1], "Firestorm");
    press("Save");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    auto spells = reread(4);
    r = rowIndex(spells, 1, "Firestorm");
    ASSERT_LT(r, spells.rows());
    EXPECT_EQ(spells.at(r, 4).number(), 8);     // Strength
    EXPECT_EQ(spells.at(r, 5).number(), -2);    // a value below the spinner's range is kept
    EXPECT_EQ(spells.at(r, 7).str(), "enemy");  // the slot's text stays with its power
    EXPECT_EQ(spells.rows(), 6u);
}

TEST_F(EditorTest, SpellSummonArmySlots) {
    tab(4);
    choose("Gloam Veil");
    QComboBox* power = w->cboSpellPowers[1];
    power->setCurrentIndex(power->findText("Summon Army"));
    EXPECT_TRUE(w->cboSpellArmy[1]->isVisible());
    EXPECT_TRUE(w->updSpellProps[10]->isVisible());
    EXPECT_TRUE(w->txtSpellProps[10]->isEnabled());
    EXPECT_TRUE(w->lblVal2[1]->isVisible());
    w->cboSpellArmy[1]->setCurrentIndex(w->cboSpellArmy[1]->findText("Orcs"));
    press("Save");
    auto spells = reread(4);
    auto r = rowIndex(spells, 1, "Gloam Veil");
    ASSERT_LT(r, spells.rows());
    EXPECT_EQ(spells.at(r, 8).number(), 22);
    EXPECT_EQ(spells.at(r, 11).str(), "ORCS");
    EXPECT_EQ(spells.at(r, 10).number(), 3);

    // Switched from "Summon Army" to "Fear", the slot loses its army.
    choose("Raise Drowned");
    EXPECT_EQ(w->cboSpellArmy[0]->currentText(), "Skeletons");
    power = w->cboSpellPowers[0];
    power->setCurrentIndex(power->findText("Fear"));
    EXPECT_FALSE(w->cboSpellArmy[0]->isVisible());
    EXPECT_EQ(w->cboSpellArmy[0]->currentIndex(), -1);
    EXPECT_FALSE(w->updSpellProps[6]->isVisible());
    EXPECT_FALSE(w->lblVal2[0]->isVisible());
    press("Save");
    spells = reread(4);
    r = rowIndex(spells, 1, "Raise Drowned");
    ASSERT_LT(r, spells.rows());
    EXPECT_EQ(spells.at(r, 4).number(), 4);
    EXPECT_EQ(spells.at(r, 7).str(), "");
}

TEST_F(EditorTest, NewArmyWithANineLetterName) {
    tab(1);
    choose("Knights");
    press("New");
    EXPECT_EQ(w->cboEditObject->currentIndex(), -1);
    EXPECT_TRUE(w->txtArmyProps[1]->text().isEmpty());
    setText(w->txtArmyProps[1], "Swordsmen");
    w->updArmyProps[5]->upButton()->click();
    services.files.push_back(QString::fromStdString(folder("Army") + "/SWORDSMEN.arm"));
    press("Save");
    ASSERT_EQ(services.fileRequests.size(), 1u);
    EXPECT_EQ(services.fileRequests[0].title, "Save Army As (8 Characters or Less)");
    EXPECT_EQ(services.fileRequests[0].filter, "Army files (*.arm)|*.arm");
    EXPECT_EQ(services.fileRequests[0].initialFolder.toStdString(), folder("Army"));
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    const auto armies = reread(1);
    const auto r = rowIndex(armies, 3, "SWORDSME");
    ASSERT_LT(r, armies.rows());
    EXPECT_EQ(armies.rows(), 19u);
    EXPECT_EQ(armies.at(r, 1).str(), "Swordsmen");
    EXPECT_EQ(armies.at(r, 2).str(), "None");  // an empty description
    EXPECT_EQ(armies.at(r, 5).number(), 2);
    EXPECT_EQ(armies.at(r, 25).number(), 4);  // South
    EXPECT_EQ(b3test::ReadBytes(file("Army", "SWORDSME.PCX")),
              b3test::ReadBytes(file("EDPICTS", "NEWARMY.PCX")));
    EXPECT_GE(w->cboEditObject->findText("Swordsmen"), 0);
}

TEST_F(EditorTest, NewObjectIsSavedInItsKindsFolderWhereverTheDialogEnded) {
    tab(3);
    press("New");
    setText(w->txtSiteProps[1], "Old Mill");
    const std::string elsewhere = temp.str() + "/elsewhere";
    services.files.push_back(QString::fromStdString(elsewhere + "/MILL.sit"));
    press("Save");
    EXPECT_EQ(services.fileRequests.at(0).title, "Save Site As (8 Characters or Less)");
    EXPECT_EQ(services.fileRequests.at(0).filter, "Site files (*.sit)|*.sit");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    const auto sites = reread(3);
    ASSERT_GE(rowWith(sites, 2, "MILL"), 0);
    EXPECT_EQ(b3test::ReadBytes(file("Sites", "MILL.txt")), "MILL");
    EXPECT_EQ(b3test::ReadBytes(file("Sites", "MILL.PCX")),
              b3test::ReadBytes(file("EDPICTS", "NEWSITE.PCX")));
    EXPECT_FALSE(b3test::Exists(elsewhere));
}

TEST_F(EditorTest, NamesThatCannotBeFilesAreRefusedAndNothingIsWritten) {
    tab(1);
    press("New");
    setText(w->txtArmyProps[1], "Raiders");
    const auto before = snapshot();
    for (const char* name : {"/RAID\\ERS.arm",
                             "/R\x01"
                             "AID.arm",
                             "/\xce\xa9MEGA.arm", "/.arm"}) {
        services.messages.clear();
        services.files.push_back(QString::fromStdString(folder("Army")) + QString::fromUtf8(name));
        press("Save");
        ASSERT_EQ(services.messages.size(), 1u) << name;
        EXPECT_TRUE(services.messages[0].text.startsWith("The name \"")) << name;
        EXPECT_EQ(services.messages[0].title, "B3Tools");
    }
    EXPECT_EQ(snapshot(), before);
    // A cancelled dialog neither writes nor reports.
    services.messages.clear();
    press("Save");
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(snapshot(), before);
}

TEST_F(EditorTest, NewItemWithoutPowersIsRefused) {
    press("New");
    setText(w->txtItemProps[2], "Plain Stick");
    w->cboItemPowers[0]->setCurrentIndex(-1);
    w->cboItemPowers[1]->setCurrentIndex(-1);
    const auto before = snapshot();
    press("Save");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              FormatErrorReport(-2147220990, "MItem::FillItemObjects",
                                "You have not specified any powers for this item.  Please specify "
                                "at least one power before attempting to save."));
    EXPECT_EQ(services.messages[0].title, "B3Tools");
    EXPECT_EQ(services.messages[0].buttons, MsgButtons::Error);
    EXPECT_TRUE(services.fileRequests.empty());
    EXPECT_EQ(snapshot(), before);

    // "None" in one list counts as a choice.
    services.messages.clear();
    w->cboItemPowers[1]->setCurrentIndex(w->cboItemPowers[1]->findText("None"));
    services.files.push_back(QString::fromStdString(folder("Items") + "/STICK.itm"));
    press("Save");
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(services.fileRequests.at(0).title, "Save Item As (8 Characters or Less)");
    EXPECT_GE(rowWith(reread(0), 1, "STICK"), 0);
}

TEST_F(EditorTest, NewHeroNeedsExtendedPropertiesThenGetsSevenLettersAndTwoPictures) {
    tab(2);
    press("New");
    setText(w->txtHeroProps[1], "Crusader");
    setText(w->txtHeroProps[2], "Crusader");
    const auto before = snapshot();
    press("Save");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, LoadResString(kMsgNewHeroNeedsProps));
    EXPECT_TRUE(services.messages[0].text.endsWith("'More Properties...'"));
    EXPECT_TRUE(services.fileRequests.empty());
    EXPECT_EQ(snapshot(), before);

    // Fill the grid through its model, as its editors do, and leave it.
    services.messages.clear();
    services.onDialog = [](QDialog& d) {
        auto& props = static_cast<frmHeroProps&>(d);
        QAbstractItemModel* m = props.tdbgHeroProps->model();
        for (int r = 0; r < 10; ++r) {
            m->setData(m->index(r, 1), QString("Level %1").arg(r + 1));
            m->setData(m->index(r, 2), QString("Lady %1").arg(r + 1));
            m->setData(m->index(r, 3), (r + 1) * 100);
            m->setData(m->index(r, 5), 8);  // Strength
            m->setData(m->index(r, 6), 1);
            m->setData(m->index(r, 9), QString("Name%1").arg(r));
            m->setData(m->index(r, 10), r % 2);
        }
        props.cmdExit->click();
    };
    w->cmdHeroProps->click();
    EXPECT_EQ(services.dialogsShown, 1);
    EXPECT_TRUE(w->heroProps()->HasFilledProps());
    services.files.push_back(QString::fromStdString(folder("Hero") + "/CRUSADER.her"));
    press("Save");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    EXPECT_EQ(services.fileRequests.at(0).title, "Save Hero As (7 Characters or Less)");
    EXPECT_EQ(services.fileRequests.at(0).filter, "Hero files (*.her)|*.her");
    const auto heroes = reread(2);
    const auto r = rowIndex(heroes, 4, "CRUSADE");
    ASSERT_LT(r, heroes.rows());
    EXPECT_EQ(heroes.at(r, 5).str(), "CRUSADEm");
    EXPECT_EQ(heroes.at(r, 6).str(), "CRUSADEf");
    EXPECT_EQ(heroes.at(r, 19).str(), "Level 1");
    EXPECT_EQ(heroes.at(r, 39).str(), "Lady 10");
    EXPECT_EQ(heroes.at(r, 42).number(), 200);
    EXPECT_EQ(heroes.at(r, 63).number(), 8);
    EXPECT_EQ(heroes.at(r, 93).number(), 1);  // the cost a new grid starts with
    EXPECT_EQ(heroes.at(r, 104).str(), "Name1");
    EXPECT_EQ(heroes.at(r, 114).number(), 1);
    const std::string templ = b3test::ReadBytes(file("EDPICTS", "NEWARMY.PCX"));
    EXPECT_EQ(b3test::ReadBytes(file("Hero", "CRUSADEm.PCX")), templ);
    EXPECT_EQ(b3test::ReadBytes(file("Hero", "CRUSADEf.PCX")), templ);
    EXPECT_FALSE(b3test::Exists(file("Hero", "CRUSADER.HER")));
}

}  // namespace b3edtest
