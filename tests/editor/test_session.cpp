// The window around the tabs: installations opened from the File menu and the recent list, the
// filter over the object list, title and status bar, shortcuts, the remembered size and tab,
// and the command line of the window programs.
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include "common_ui/program_options.h"
#include "editor/working_copy_history.h"
#include "editor_harness.h"

namespace b3edtest {

namespace {

// A second installation: the sample with one army renamed.
std::string SecondInstallation(const b3test::TempDir& temp) {
    const std::string other = temp / "other";
    b3::sample::WriteSampleInstallation(other);
    auto object = b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{other});
    const b3::DataArray armies = object->GetEditObjectData(1);
    b3::ObjectArray row = armies.row(0);
    row[1] = b3::Cell::text("Other Archers");
    object->WriteObject(row, 1);
    return other;
}

QAction* Recent(frmB3Editor& w, int i) {
    return w.mnuRecent->actions().value(i);
}

}  // namespace

TEST_F(EditorTest, AWindowLargerThanTheScreenIsFittedWhenShown) {
    frmB3Editor big(services, editObject);
    big.resize(5000, 4000);
    big.show();
    const QRect area = big.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(big.frameGeometry()))
        << big.frameGeometry().width() << "x" << big.frameGeometry().height() << " on "
        << area.width() << "x" << area.height();
}

TEST_F(EditorTest, OpenInstallationSwitchesAndRemembersIt) {
    tab(1);
    EXPECT_EQ(frmB3Editor::RecentInstallations(), QStringList{QString::fromStdString(game)});
    const std::string other = SecondInstallation(temp);

    services.files.push_back(QString::fromStdString(other));
    w->mnuOpenInstallation->trigger();
    ASSERT_EQ(services.fileRequests.size(), 1u);
    EXPECT_TRUE(services.fileRequests[0].folder);
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(w->model().kind(), 1);
    EXPECT_GE(w->cboEditObject->findText("Other Archers"), 0);
    EXPECT_TRUE(w->windowTitle().endsWith(QString::fromStdString(other)));
    EXPECT_EQ(w->lblStatusInstall->text(), QString::fromStdString(other));
    EXPECT_EQ(frmB3Editor::RecentInstallations(),
              (QStringList{QString::fromStdString(other), QString::fromStdString(game)}));

    // The recent list takes the user back; a folder without the game is refused with a message
    // and the open installation stays.
    ASSERT_TRUE(Recent(*w, 1));
    Recent(*w, 1)->trigger();
    EXPECT_EQ(w->cboEditObject->findText("Other Archers"), -1);
    EXPECT_EQ(frmB3Editor::RecentInstallations().front(), QString::fromStdString(game));

    services.files.push_back(QString::fromStdString(temp.str()));
    w->mnuOpenInstallation->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(services.messages[0].text.contains("cannot be opened as the game's installation"));
    EXPECT_EQ(w->lblStatusInstall->text(), QString::fromStdString(game));
    choose("Knights");
    EXPECT_EQ(frmB3Editor::RecentInstallations().size(), 2);

    // The same folder spelled otherwise is still one entry of the list, moved to the front.
#ifdef _WIN32
    const QString otherSpelling = QString::fromStdString(other).toUpper().replace('\\', '/');
#else
    const QString otherSpelling = QString::fromStdString(other + "/./");
#endif
    services.files.push_back(otherSpelling);
    w->mnuOpenInstallation->trigger();
    EXPECT_GE(w->cboEditObject->findText("Other Archers"), 0);
    ASSERT_EQ(frmB3Editor::RecentInstallations().size(), 2);
    EXPECT_EQ(frmB3Editor::RecentInstallations().back(), QString::fromStdString(game));
}

TEST_F(EditorTest, FilterMatchesNameShortNameAndDescription) {
    tab(1);
    const int all = w->cboEditObject->count();
    w->txtFilter->setText("knights");  // a display name
    EXPECT_EQ(w->cboEditObject->count(), 1);
    EXPECT_EQ(w->updBrowse->max(), 0);
    w->txtFilter->setText("BOGWYRM");  // a short name
    ASSERT_EQ(w->cboEditObject->count(), 1);
    EXPECT_EQ(w->cboEditObject->itemText(0), "Bog Wyrms");
    w->txtFilter->setText("serpents of the drowned");  // a description
    EXPECT_EQ(w->cboEditObject->count(), 1);
    w->txtFilter->setText("no such thing anywhere");
    EXPECT_EQ(w->cboEditObject->count(), 0);
    EXPECT_TRUE(w->lblStatusObject->text().contains("0 of"));

    // The object on show stays on show, with its working copy, while it matches.
    w->txtFilter->clear();
    EXPECT_EQ(w->cboEditObject->count(), all);
    choose("Orcs");
    setText(w->txtArmyProps[1], "Goblins");
    w->txtFilter->setText("orc");
    EXPECT_EQ(w->cboEditObject->currentText(), "Orcs");
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Goblins");
    EXPECT_TRUE(w->windowTitle().contains("ORCS (ORCS.ARM)"));
    EXPECT_EQ(w->lblStatusObject->text(), "Armies ORCS (ORCS.ARM)");
    tab(4);
    w->txtFilter->setText("fireball.spl");  // a spell by its file
    EXPECT_EQ(w->cboEditObject->count(), 1);
}

TEST_F(EditorTest, ShortcutsAndButtonsThatCannotAct) {
    EXPECT_EQ(w->tbrButtons[1]->shortcut(), QKeySequence(QKeySequence::New));
    EXPECT_EQ(w->tbrButtons[2]->shortcut(), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(w->tbrButtons[4]->shortcut(), QKeySequence(QKeySequence::Delete));
    EXPECT_EQ(w->tbrButtons[7]->shortcut(), QKeySequence(QKeySequence::Print));
    EXPECT_EQ(w->mnuReload->shortcut(), QKeySequence(QKeySequence::Refresh));
    EXPECT_EQ(w->tbrButtons[1]->text(), "&New");
    tab(1);
    EXPECT_FALSE(w->tbrButtons[4]->isEnabled());
    EXPECT_FALSE(w->tbrButtons[5]->isEnabled());
    choose("Orcs");
    EXPECT_TRUE(w->tbrButtons[4]->isEnabled());
    EXPECT_TRUE(w->tbrButtons[5]->isEnabled());

    // Ctrl+S on the window saves the changed working copy.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    setText(w->txtArmyProps[1], "Goblins");
    QTest::keyClick(w->txtArmyProps[1], Qt::Key_S, Qt::ControlModifier);
    EXPECT_GE(rowWith(reread(1), 1, "Goblins"), 0);
    // F5 reads the files again.
    patch(1, 3, "KNIGHTS", [](b3::ObjectArray& row) { row[1] = b3::Cell::text("Paladins"); });
    QTest::keyClick(w->cboEditObject, Qt::Key_F5);
    EXPECT_GE(w->cboEditObject->findText("Paladins"), 0);
}

TEST_F(EditorTest, WindowRemembersItsSizeAndTab) {
    tab(3);
    w->resize(1100, 780);
    w->close();
    EXPECT_EQ(QSettings().value("editor/tab").toInt(), 3);
    editObject.CreateEditObject();
    frmB3Editor again(services, editObject);
    EXPECT_EQ(again.sstEditor->currentIndex(), 3);
    EXPECT_EQ(again.model().kind(), 3);
    EXPECT_EQ(again.size(), QSize(1100, 780));
}

TEST_F(EditorTest, UndoAndRedoStepThroughSeveralEdits) {
    const auto settle = [] { QCoreApplication::processEvents(); };
    tab(1);
    choose("Orcs");
    settle();
    EXPECT_FALSE(w->mnuUndo->isEnabled());  // a fresh object has nothing to undo
    const QString strength = w->txtArmyProps[5]->text();

    setText(w->txtArmyProps[1], "Gob");
    settle();
    setText(w->txtArmyProps[1], "Goblins");  // typing in one box is one step
    settle();
    w->updArmyProps[5]->upButton()->click();
    settle();
    delete w->lstMoveBonuses->takeItem(0);
    settle();
    EXPECT_EQ(w->history().stack().count(), 3);
    EXPECT_EQ(w->mnuUndo->text(), "&Undo Change Move Bonuses");

    w->mnuUndo->trigger();
    EXPECT_EQ(w->lstMoveBonuses->count(), 1);
    w->mnuUndo->trigger();
    EXPECT_EQ(w->txtArmyProps[5]->text(), strength);
    EXPECT_EQ(w->updArmyProps[5]->value(), strength.toInt());
    w->mnuUndo->trigger();
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Orcs");
    EXPECT_FALSE(w->mnuUndo->isEnabled());
    w->mnuRedo->trigger();
    w->mnuRedo->trigger();
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Goblins");
    EXPECT_EQ(w->updArmyProps[5]->value(), strength.toInt() + 1);
    EXPECT_EQ(w->mnuRedo->text(), "&Redo Change Move Bonuses");

    // The toolbar's Undo puts the stored object back, and can itself be undone.
    press("Undo");
    settle();
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Orcs");
    EXPECT_EQ(w->mnuUndo->text(), "&Undo Undo Changes");
    w->mnuUndo->trigger();
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Goblins");

    // What Save writes is the working copy as undone and redone.
    press("Save");
    EXPECT_GE(rowWith(reread(1), 1, "Goblins"), 0);
    settle();
    EXPECT_FALSE(w->mnuUndo->isEnabled());  // saved and read again: a new history
    EXPECT_EQ(w->mnuRedo->shortcuts().value(0), QKeySequence(Qt::CTRL | Qt::Key_Y));
}

TEST_F(EditorTest, AFailingSaveNamesTheFieldAndTheCharacter) {
    tab(1);
    choose("Orcs");
    const auto before = snapshot();
    setText(w->txtArmyProps[1], QString::fromUtf8("\xC5\x81upieżcy"));
    press("Save");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(services.messages[0].text.endsWith(
        QString::fromUtf8("Display Name: the character '\xC5\x81' cannot be stored in the "
                          "game's files")))
        << services.messages[0].text.toStdString();
    EXPECT_EQ(snapshot(), before);
}

TEST(ProgramOptions, InstallHelpVersionAndMistakes) {
    const QString d = "The editor.";
    const auto install = b3::ui::ParseProgramOptions({"B3Tools", "--install", "/games/b3/"}, d);
    EXPECT_FALSE(install.exit);
    EXPECT_EQ(install.create.installFolder.value_or(""),
              QDir::toNativeSeparators("/games/b3").toStdString());
    EXPECT_FALSE(b3::ui::ParseProgramOptions({"B3Tools"}, d).create.installFolder);
    const auto help = b3::ui::ParseProgramOptions({"B3Tools", "--help"}, d);
    EXPECT_TRUE(help.exit);
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.output.contains("--install <DIR>"));
    EXPECT_TRUE(b3::ui::ParseProgramOptions({"B3Tools", "--version"}, d).output.contains("0."));
    for (const QStringList& wrong :
         {QStringList{"B3Tools", "--frobnicate"}, QStringList{"B3Tools", "--install"},
          QStringList{"B3Tools", "stray"}}) {
        const auto r = b3::ui::ParseProgramOptions(wrong, d);
        EXPECT_TRUE(r.exit);
        EXPECT_EQ(r.status, 2) << wrong.join(' ').toStdString();
    }
}

}  // namespace b3edtest
