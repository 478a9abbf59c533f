// The hero properties grid: loading, the cell rules, leaving it with and without the required
// cells, and its reset when another hero is shown.
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "editor/frm_heroprops.h"
#include "editor/modules.h"
#include "editor/strings.h"
#include "editor/working_copy_history.h"
#include "editor_harness.h"

namespace b3edtest {

class HeroPropsTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        tab(2);
        props = w->heroProps();
        ASSERT_NE(props, nullptr);
        model = props->tdbgHeroProps->model();
    }
    void edit(int r, int c, const QVariant& v) { model->setData(model->index(r, c), v); }
    QVariant at(int r, int c) const { return props->cell(r, c); }
    QString shown(int r, int c) const { return model->index(r, c).data().toString(); }

    frmHeroProps* props = nullptr;
    QAbstractItemModel* model = nullptr;
};

TEST_F(HeroPropsTest, GridShowsTheHerosRowWithItsValueLists) {
    EXPECT_EQ(props->windowTitle(), "Hero Properties");
    EXPECT_EQ(model->rowCount(), 10);
    ASSERT_EQ(model->columnCount(), 11);
    const char* captions[] = {"Number",       "Level Names - Male", "Level Names - Female",
                              "Level XP",     "Level AP",           "Power",
                              "Power Value",  "Power Description",  "Power Cost",
                              "Default Name", "Name Gender"};
    for (int c = 0; c < 11; ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), captions[c]);
    }
    EXPECT_EQ(props->cmdExit->toolTip(), "Exit this screen and return to the main Hero screen");
    EXPECT_EQ(w->cmdHeroProps->text(), "More Properties...");
    EXPECT_EQ(props->valueList(5).size(), 37u);
    EXPECT_EQ(props->valueList(5).front().display, "Acid");
    EXPECT_EQ(props->valueList(5).back().value.toInt(), 57);
    EXPECT_EQ(props->valueList(7).size(), 6u);
    EXPECT_EQ(props->valueList(10).size(), 2u);

    choose("Paladin");
    w->cmdHeroProps->click();
    EXPECT_EQ(services.dialogsShown, 1);
    EXPECT_EQ(at(0, 1).toString(), "Squire");
    EXPECT_EQ(at(1, 2).toString(), "Dame");
    EXPECT_EQ(at(2, 3).toInt(), 250);
    EXPECT_EQ(at(3, 4).toInt(), 3);
    EXPECT_EQ(at(0, 5).toInt(), 1);
    EXPECT_EQ(shown(0, 5), "Leadership");
    EXPECT_EQ(at(2, 7).toString(), "HEALING");
    EXPECT_EQ(shown(2, 7), "Healing Light");  // a spell's short name shows its name
    EXPECT_EQ(at(5, 8).toInt(), 4);
    EXPECT_EQ(at(0, 9).toString(), "Aldric");
    EXPECT_EQ(shown(1, 10), "Female");
    EXPECT_EQ(shown(4, 0), "5");
    EXPECT_FALSE(props->IsDirty);
}

TEST_F(HeroPropsTest, CellsAreNormalisedByColumn) {
    choose("Paladin");
    w->cmdHeroProps->click();
    edit(0, 1, QString(40, 'M'));
    EXPECT_EQ(at(0, 1).toString().size(), 31);
    EXPECT_TRUE(props->IsDirty);
    edit(0, 3, QString());
    EXPECT_EQ(at(0, 3).toInt(), 0);
    EXPECT_TRUE(at(0, 3).isValid());
    edit(1, 6, 5);
    edit(1, 5, 13);  // Flight has no value
    EXPECT_EQ(at(1, 5).toInt(), 13);
    EXPECT_EQ(at(1, 6).toInt(), 0);
    edit(3, 6, 4);
    edit(3, 5, 8);  // Strength keeps its value
    EXPECT_EQ(at(3, 6).toInt(), 4);
    edit(4, 5, QString());
    EXPECT_EQ(at(4, 5).toInt(), 0);
    EXPECT_EQ(at(4, 6).toInt(), 0);
    edit(2, 7, "ABCDEFGHIJKL");
    EXPECT_EQ(at(2, 7).toString(), "ABCDEFGHI");
    edit(2, 8, 0);
    EXPECT_EQ(at(2, 8).toInt(), 1);
    edit(2, 8, QString());
    EXPECT_EQ(at(2, 8).toInt(), 1);
    edit(2, 8, -5);
    EXPECT_EQ(at(2, 8).toInt(), 1);
    edit(2, 9, QString(20, 'n'));
    EXPECT_EQ(at(2, 9).toString().size(), 16);
    edit(2, 10, QString());
    EXPECT_EQ(at(2, 10).toInt(), 0);
    EXPECT_FALSE(model->setData(model->index(2, 0), 9));  // the number column is fixed
}

TEST_F(HeroPropsTest, LeavingWithAnEmptyRequiredCellAsksOkOrCancel) {
    choose("Paladin");
    w->cmdHeroProps->click();
    edit(3, 1, QString());  // an empty level title in row 3
    services.answers = {MsgResult::Ok};
    props->show();
    props->cmdExit->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "Please ensure that you have filled required data in all columns of the Hero "
              "Properties Grid. \r\n - Press OK to go back and enter the data\r\n - Press "
              "Cancel to leave the Hero properties form.");
    EXPECT_EQ(services.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_TRUE(props->isVisible());  // OK: back to the grid
    EXPECT_FALSE(props->HasFilledProps());

    services.answers = {MsgResult::Cancel};
    props->cmdExit->click();
    EXPECT_FALSE(props->isVisible());
    EXPECT_FALSE(props->HasFilledProps());

    // Row 9 and the power description are not required.
    edit(3, 1, "Sworn Knight");
    edit(9, 1, QString());
    edit(0, 7, QString());
    services.messages.clear();
    props->show();
    props->cmdExit->click();
    EXPECT_TRUE(services.messages.empty());
    EXPECT_TRUE(props->HasFilledProps());
    EXPECT_FALSE(props->isVisible());
}

TEST_F(HeroPropsTest, AnotherHeroResetsTheGridAndGridEditsAreSaved) {
    choose("Paladin");
    services.onDialog = [this](QDialog&) {
        edit(0, 1, "Page");
        edit(1, 3, 150);
        props->cmdExit->click();
    };
    w->cmdHeroProps->click();
    EXPECT_TRUE(props->HasFilledProps());
    // Reopened on the same hero, the edits are still there.
    services.onDialog = nullptr;
    w->cmdHeroProps->click();
    EXPECT_EQ(at(0, 1).toString(), "Page");
    // Another hero shown: the grid loads that hero.
    choose("Thane");
    EXPECT_FALSE(props->HasFilledProps());
    w->cmdHeroProps->click();
    EXPECT_NE(at(0, 1).toString(), "Page");
    const QString thaneTitle = at(0, 1).toString();

    // Back on the paladin, edit and save: the grid goes into the file.
    choose("Paladin");
    services.onDialog = [this](QDialog&) {
        edit(0, 1, "Page");
        edit(1, 3, 150);
        props->cmdExit->click();
    };
    w->cmdHeroProps->click();
    press("Save");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    const auto heroes = reread(2);
    const auto r = rowIndex(heroes, 4, "PALADIN");
    ASSERT_LT(r, heroes.rows());
    EXPECT_EQ(heroes.at(r, 19).str(), "Page");
    EXPECT_EQ(heroes.at(r, 42).number(), 150);
    EXPECT_EQ(heroes.at(r, 29).str(), "Lightbringer");  // level 11 is kept
    const auto t = rowIndex(heroes, 4, "THANE");
    EXPECT_EQ(QString::fromStdString(heroes.at(t, 19).str()), thaneTitle);
}

TEST_F(HeroPropsTest, ValueListColumnsEditThroughDropDowns) {
    choose("Paladin");
    w->cmdHeroProps->click();
    QAbstractItemDelegate* delegate = props->tdbgHeroProps->itemDelegate();
    QStyleOptionViewItem option;
    auto pick = [&](int r, int c, const QString& text) {
        const QModelIndex index = model->index(r, c);
        std::unique_ptr<QWidget> editor(
            delegate->createEditor(props->tdbgHeroProps->viewport(), option, index));
        auto* combo = qobject_cast<QComboBox*>(editor.get());
        ASSERT_NE(combo, nullptr) << c;
        delegate->setEditorData(combo, index);
        EXPECT_EQ(combo->currentText(), model->index(r, c).data().toString());
        combo->setCurrentIndex(combo->findText(text));
        ASSERT_GE(combo->currentIndex(), 0) << text.toStdString();
        delegate->setModelData(combo, model, index);
    };
    pick(3, 5, "Flight");
    EXPECT_EQ(at(3, 5).toInt(), 13);
    EXPECT_EQ(at(3, 6).toInt(), 0);
    EXPECT_EQ(shown(3, 5), "Flight");
    pick(3, 7, "Gloam Veil");
    EXPECT_EQ(at(3, 7).toString(), "GLOAMVEI");
    pick(3, 10, "Female");
    EXPECT_EQ(at(3, 10).toInt(), 1);
    // The other columns edit as plain cells.
    std::unique_ptr<QWidget> plain(
        delegate->createEditor(props->tdbgHeroProps->viewport(), option, model->index(3, 3)));
    EXPECT_EQ(qobject_cast<QComboBox*>(plain.get()), nullptr);
}

TEST_F(HeroPropsTest, TheGridsModelGoesWithTheDialog) {
    // Owned by the dialog, the model is freed with it.
    EXPECT_EQ(model->parent(), props);
}

TEST(HeroPictureName, DerivedFromTheShortNameUnlessGiven) {
    CHero h;
    h.setShortName("KNIGHTS1");
    EXPECT_EQ(MHero::HeroPictureName(h, 0), "KNIGHTSm");
    EXPECT_EQ(MHero::HeroPictureName(h, 1), "KNIGHTSf");
    h.setShortName("AB ");
    EXPECT_EQ(MHero::HeroPictureName(h, 0), "ABm");
    h.setPictureNameFemale("OWNPIC");
    EXPECT_EQ(MHero::HeroPictureName(h, 1), "OWNPIC");
}

TEST_F(HeroPropsTest, KeptGridEditsAreOneUndoStep) {
    const auto settle = [] { QCoreApplication::processEvents(); };
    choose("Paladin");
    settle();
    w->cmdHeroProps->click();  // looked at and left unchanged: nothing to undo
    settle();
    EXPECT_FALSE(w->mnuUndo->isEnabled());
    const QString title = at(0, 1).toString();
    const int xp = at(1, 3).toInt();
    ASSERT_NE(title, "Page");
    ASSERT_NE(xp, 150);

    services.onDialog = [this](QDialog&) {
        edit(0, 1, "Page");
        edit(1, 3, 150);
        props->cmdExit->click();
    };
    w->cmdHeroProps->click();
    services.onDialog = nullptr;
    settle();
    EXPECT_EQ(w->history().stack().count(), 1);
    EXPECT_EQ(w->mnuUndo->text(), "&Undo Hero Properties");
    // Back in the main window, where the shortcuts live.
    w->activateWindow();
    settle();
    ASSERT_TRUE(w->isActiveWindow());

    QTest::keyClick(w->cboEditObject, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(at(0, 1).toString(), title);
    EXPECT_EQ(at(1, 3).toInt(), xp);
    EXPECT_EQ(shown(0, 1), title);
    EXPECT_FALSE(props->IsDirty);
    EXPECT_FALSE(w->mnuUndo->isEnabled());
    // Opened again, the grid shows the hero's own values.
    w->cmdHeroProps->click();
    EXPECT_EQ(at(0, 1).toString(), title);
    EXPECT_TRUE(w->mnuRedo->isEnabled());
    w->activateWindow();
    settle();

    QTest::keyClick(w->cboEditObject, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(at(0, 1).toString(), "Page");
    EXPECT_EQ(at(1, 3).toInt(), 150);
    EXPECT_EQ(shown(0, 1), "Page");
    EXPECT_TRUE(props->IsDirty);
    EXPECT_TRUE(props->HasFilledProps());

    // What Save writes is the grid as redone.
    press("Save");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    const auto heroes = reread(2);
    const auto r = rowIndex(heroes, 4, "PALADIN");
    ASSERT_LT(r, heroes.rows());
    EXPECT_EQ(heroes.at(r, 19).str(), "Page");
    EXPECT_EQ(heroes.at(r, 42).number(), 150);
}

}  // namespace b3edtest
