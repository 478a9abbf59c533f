// The editor keeps the modder's work: unsaved changes are asked about before they are left,
// replacing an existing object and deleting one need a Yes, Escape in the hero grid asks, files
// changed by other programs are noticed, and every replaced file can be restored from history.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "b3/history.h"
#include "b3/registration.h"
#include "editor/first_start.h"
#include "editor/frm_heroprops.h"
#include "editor/frm_history.h"
#include "editor_harness.h"
#include "platform/registry.h"

namespace b3edtest {
namespace {

// The sample the editor's program hands in, written under `temp`.
SampleInstallation SampleIn(const b3test::TempDir& temp) {
    return {temp / "sample", b3::sample::WriteSampleInstallation};
}

class SafetyTest : public EditorHistoryTest {
protected:
    std::size_t asked() const { return services.messages.size(); }
};

TEST_F(SafetyTest, UnsavedChangesAreAskedAboutOnlyWhenSomethingChanged) {
    tab(1);
    choose("Orcs");
    choose("Knights");
    w->updBrowse->upButton()->click();
    tab(2);
    tab(1);
    EXPECT_EQ(asked(), 0u);

    choose("Orcs");
    setText(w->txtArmyProps[1], "Goblins");
    // Another object, the browse arrows, another tab and the close box: Cancel stays.
    services.answers = {MsgResult::Cancel, MsgResult::Cancel, MsgResult::Cancel, MsgResult::Cancel};
    choose("Knights");
    w->updBrowse->upButton()->click();
    tab(2);
    w->close();
    ASSERT_EQ(asked(), 4u);
    for (const auto& m : services.messages) {
        EXPECT_EQ(m.text, "Save changes to Orcs?");
        EXPECT_EQ(m.buttons, MsgButtons::SaveDiscardCancel);
    }
    EXPECT_EQ(w->model().kind(), 1);
    EXPECT_EQ(w->sstEditor->currentIndex(), 1);
    EXPECT_EQ(w->cboEditObject->currentText(), "Orcs");
    EXPECT_EQ(w->lblArmyProps[1]->text(), "Orcs");
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Goblins");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(services.quits, 0);

    // Save writes the edit and goes on to the object chosen.
    services.answers = {MsgResult::Save};
    choose("Knights");
    EXPECT_EQ(w->cboEditObject->currentText(), "Knights");
    EXPECT_EQ(w->lblArmyProps[1]->text(), "Knights");
    const auto armies = reread(1);
    EXPECT_EQ(armies.at(static_cast<std::size_t>(rowWith(armies, 3, "ORCS")), 1).str(), "Goblins");

    // Discard drops an edit; with nothing changed closing asks nothing.
    setText(w->txtArmyProps[1], "Lancers");
    services.answers = {MsgResult::Discard};
    tab(0);
    EXPECT_EQ(w->model().kind(), 0);
    EXPECT_EQ(asked(), 6u);
    w->close();
    EXPECT_EQ(asked(), 6u);
    EXPECT_EQ(services.quits, 1);
    EXPECT_EQ(reread(1), armies);
}

TEST_F(SafetyTest, ANewObjectReplacesAnExistingOneOnlyAfterYesAndWholly) {
    // Bytes the editor does not show, in the existing army's file.
    std::string orcs = b3test::ReadBytes(file("Army", "ORCS.ARM"));
    orcs.replace(160, 18, std::string(18, '\x55'));
    b3test::WriteBytes(file("Army", "ORCS.ARM"), orcs);
    const std::string picture = b3test::ReadBytes(file("Army", "ORCS.PCX"));

    tab(1);
    press("New");
    setText(w->txtArmyProps[1], "Wolves");
    services.files.push_back(QString::fromStdString(folder("Army") + "/orcs.arm"));
    services.answers = {MsgResult::No};
    press("Save");
    ASSERT_EQ(asked(), 1u);
    EXPECT_EQ(services.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(services.messages[0].text.contains("\"Orcs\""))
        << services.messages[0].text.toStdString();
    EXPECT_EQ(b3test::ReadBytes(file("Army", "ORCS.ARM")), orcs);
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Wolves");

    services.files.push_back(QString::fromStdString(folder("Army") + "/orcs.arm"));
    services.answers = {MsgResult::Yes};
    press("Save");
    const std::string written = b3test::ReadBytes(file("Army", "ORCS.ARM"));
    EXPECT_EQ(written.substr(0, 7), std::string("Wolves\0", 7));
    EXPECT_EQ(written.substr(160, 18), std::string(18, '\0'));  // nothing of the old record
    EXPECT_EQ(b3test::ReadBytes(file("Army", "ORCS.PCX")), picture);
    const auto kept = history().List(b3::kArmy, "ORCS");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(*history().Bytes(kept[0].id), orcs);
}

TEST_F(SafetyTest, HistoryNamesTheFieldsThatDifferFromTheFileNow) {
    tab(1);
    choose("Orcs");
    setText(w->txtArmyProps[1], "Goblins");
    press("Save");
    QStringList changes;
    services.onDialog = [&](QDialog& dialog) {
        auto& h = static_cast<frmHistory&>(dialog);
        ASSERT_EQ(h.lstVersions->topLevelItemCount(), 1);
        h.lstVersions->setCurrentItem(h.lstVersions->topLevelItem(0));
        for (int r = 0; r < h.grdChanges->rowCount(); ++r)
            changes << h.grdChanges->item(r, 0)->text() + ": " + h.grdChanges->item(r, 1)->text() +
                           " -> " + h.grdChanges->item(r, 2)->text();
    };
    choose("Goblins");
    w->cmdHistory->click();
    EXPECT_EQ(changes, QStringList{"Display Name: Orcs -> Goblins"});
}

TEST_F(SafetyTest, CopyPictureAndDeleteCanBeRestoredFromHistoryByteForByte) {
    tab(2);
    choose("Thane");
    const std::string male = b3test::ReadBytes(file("Hero", "THANEm.PCX"));
    const std::string female = b3test::ReadBytes(file("Hero", "THANEf.PCX"));
    services.files.push_back(QString::fromStdString(file("Sites", "TEMPLE.PCX")));
    w->cmdPicCopy[1]->click();
    ASSERT_NE(b3test::ReadBytes(file("Hero", "THANEm.PCX")), male);

    // The history window lists the copy of the shown hero's two pictures as one operation and
    // restores both in one step.
    int rows = -1;
    services.onDialog = [&](QDialog& dialog) {
        auto& h = static_cast<frmHistory&>(dialog);
        EXPECT_EQ(h.cboFilter->currentText(), "Hero THANE");
        rows = h.lstVersions->topLevelItemCount();
        ASSERT_EQ(rows, 1);
        QTreeWidgetItem* copy = h.lstVersions->topLevelItem(0);
        EXPECT_EQ(copy->text(1), "picture");
        EXPECT_EQ(copy->text(3), "2 files");
        ASSERT_EQ(copy->childCount(), 2);
        services.answers = {MsgResult::Yes};
        h.lstVersions->setCurrentItem(copy);
        EXPECT_TRUE(h.RestoreSelected());
        // The restore itself is listed first now, again with both pictures.
        ASSERT_EQ(h.lstVersions->topLevelItemCount(), 2);
        EXPECT_EQ(h.lstVersions->topLevelItem(0)->text(1), "restore");
        EXPECT_EQ(h.lstVersions->topLevelItem(0)->childCount(), 2);
    };
    w->cmdHistory->click();
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(b3test::ReadBytes(file("Hero", "THANEm.PCX")), male);
    EXPECT_EQ(b3test::ReadBytes(file("Hero", "THANEf.PCX")), female);
    EXPECT_EQ(w->cboEditObject->currentText(), "Thane");

    const std::string record = b3test::ReadBytes(file("Hero", "THANE.HER"));
    services.answers = {MsgResult::Yes};
    press("Delete");
    ASSERT_FALSE(b3test::Exists(file("Hero", "THANE.HER")));
    auto store = history();
    int restored = 0;
    for (const auto& e : store.List(b3::kHero, "THANE")) {
        if (e.operation != "delete") continue;
        store.Restore(e.id);
        ++restored;
    }
    EXPECT_EQ(restored, 3);
    EXPECT_EQ(b3test::ReadBytes(file("Hero", "THANE.HER")), record);
    EXPECT_EQ(b3test::ReadBytes(file("Hero", "THANEm.PCX")), male);
    EXPECT_EQ(b3test::ReadBytes(file("Hero", "THANEf.PCX")), female);
}

TEST_F(SafetyTest, EscapeInTheHeroGridAsksWhetherToKeepTheEdits) {
    tab(2);
    press("New");
    services.onDialog = [&](QDialog& dialog) {
        auto& grid = static_cast<frmHeroProps&>(dialog);
        grid.editCell(0, 1, "Squire");
        services.answers = {MsgResult::Save};
        QTest::keyClick(&grid, Qt::Key_Escape);
    };
    w->cmdHeroProps->click();
    ASSERT_EQ(asked(), 1u);
    EXPECT_EQ(services.messages[0].text, "Keep the changes you made in the Hero Properties grid?");

    // Reopened, the grid still holds the kept cell; a dropped edit is gone, and leaving an
    // unchanged grid asks nothing.
    services.onDialog = [&](QDialog& dialog) {
        auto& grid = static_cast<frmHeroProps&>(dialog);
        EXPECT_EQ(grid.cell(0, 1).toString(), "Squire");
        grid.editCell(1, 1, "Knave");
        services.answers = {MsgResult::Discard};
        grid.reject();
    };
    w->cmdHeroProps->click();
    services.onDialog = [&](QDialog& dialog) {
        auto& grid = static_cast<frmHeroProps&>(dialog);
        EXPECT_EQ(grid.cell(0, 1).toString(), "Squire");
        EXPECT_EQ(grid.cell(1, 1).toString(), "");
        grid.reject();
    };
    w->cmdHeroProps->click();
    EXPECT_EQ(asked(), 2u);
    // The kept grid is an unsaved change of the new hero.
    EXPECT_TRUE(w->WorkingCopyDiffers());
}

TEST_F(SafetyTest, AFileChangedByAnotherProgramIsNoticedBeforeASave) {
    tab(1);
    choose("Orcs");
    setText(w->txtArmyProps[1], "Goblins");
    std::string outside = b3test::ReadBytes(file("Army", "ORCS.ARM"));
    outside.replace(0, 8, std::string("Raiders\0", 8));
    b3test::WriteBytes(file("Army", "ORCS.ARM"), outside);

    services.answers = {MsgResult::No};
    press("Save");
    ASSERT_EQ(asked(), 1u);
    EXPECT_TRUE(services.messages[0].text.startsWith("ORCS.ARM was changed by another program"));
    EXPECT_EQ(b3test::ReadBytes(file("Army", "ORCS.ARM")), outside);
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Goblins");

    services.answers = {MsgResult::Yes};
    press("Save");
    EXPECT_EQ(b3test::ReadBytes(file("Army", "ORCS.ARM")).substr(0, 8),
              std::string("Goblins\0", 8));
    const auto kept = history().List(b3::kArmy, "ORCS");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(*history().Bytes(kept[0].id), outside);

    // The watch offers to show the other program's version.
    choose("Knights");
    std::string knights = b3test::ReadBytes(file("Army", "KNIGHTS.ARM"));
    knights.replace(0, 8, std::string("Paladin\0", 8));
    b3test::WriteBytes(file("Army", "KNIGHTS.ARM"), knights);
    services.answers = {MsgResult::Yes};
    w->CheckOutsideChange();
    EXPECT_TRUE(
        services.messages.back().text.startsWith("KNIGHTS.ARM was changed by another program"));
    EXPECT_EQ(w->lblArmyProps[1]->text(), "Paladin");
    EXPECT_EQ(w->cboEditObject->currentText(), "Paladin");
    const std::size_t before = asked();
    w->CheckOutsideChange();
    EXPECT_EQ(asked(), before);
}

TEST_F(SafetyTest, EveryTabShowsOnlyWhatTheListSelects) {
    tab(3);
    const auto nothingShown = [&](const char* after) {
        EXPECT_EQ(w->cboEditObject->currentIndex(), -1) << after;
        EXPECT_TRUE(w->lblSiteProps[1]->text().isEmpty()) << after;
        EXPECT_TRUE(w->txtSiteProps[1]->text().isEmpty()) << after;
    };
    choose("Drowned Barrow");
    setText(w->txtSiteProps[1], "Sunken Barrow");
    services.answers = {MsgResult::Discard};
    press("New");
    nothingShown("New");
    choose("Drowned Barrow");
    setText(w->txtSiteProps[1], "Sunken Barrow");
    press("Save");
    // The saved site stays on show.
    EXPECT_EQ(w->cboEditObject->currentText(), "Sunken Barrow");
    EXPECT_EQ(w->lblSiteProps[1]->text(), "Sunken Barrow");
    services.answers = {MsgResult::Yes};
    press("Delete");
    nothingShown("Delete");
    EXPECT_EQ(w->cboEditObject->findText("Sunken Barrow"), -1);
}

}  // namespace
}  // namespace b3edtest

namespace b3edtest {
namespace {

// A first start without a registered game: the choice names what is missing; a chosen folder
// is registered for the next start; the sample opens without one.
TEST(FirstStart, OffersToChooseTheFolderOrOpenTheSample) {
    b3test::TempDir temp;
    b3test::IsolatedRegistry registry;
    const std::string game = temp / "game";
    b3::sample::WriteSampleInstallation(game);
    EditObjectHolder holder;

    ScriptedServices services;
    services.choices = {0, 0};
    services.folders = {std::nullopt, QString::fromStdString(game)};
    ASSERT_TRUE(StartEditObject(services, holder, SampleIn(temp)));
    ASSERT_EQ(services.choiceLists.size(), 2u);
    EXPECT_EQ(services.choiceLists[0], (QStringList{"Choose Folder...", "Open Sample", "Quit"}));
    EXPECT_TRUE(services.messages[0].text.startsWith("No installation of Banerule III"));
    EXPECT_EQ(holder.EditObject().InstallPath(), game);
    // The next start finds it by itself.
    holder.ReleaseEditObject();
    holder.SetCreateOptions(b3::CreateOptions{});
    ScriptedServices again;
    ASSERT_TRUE(StartEditObject(again, holder, SampleIn(temp)));
    EXPECT_TRUE(again.messages.empty());
    EXPECT_EQ(holder.EditObject().InstallPath(), game);
    holder.ReleaseEditObject();

    // An emptied kind folder names the folder and the kind; the sample opens instead.
    const std::string sites = b3::platform::JoinPath(game, "Sites");
    for (const auto& name : b3test::FolderNames(sites))
        b3test::fs::remove(b3::platform::FsPath(b3::platform::JoinPath(sites, name)));
    ScriptedServices sample;
    sample.choices = {1};
    ASSERT_TRUE(StartEditObject(sample, holder, SampleIn(temp)));
    EXPECT_TRUE(sample.messages[0].text.contains("Sites holds no site files (*.SIT)"))
        << sample.messages[0].text.toStdString();
    EXPECT_EQ(holder.EditObject().InstallPath(), temp / "sample");
    holder.ReleaseEditObject();

    ScriptedServices quit;
    holder.SetCreateOptions(b3::CreateOptions{game});
    quit.choices = {2};
    EXPECT_FALSE(StartEditObject(quit, holder, SampleIn(temp)));
    EXPECT_FALSE(holder.HasEditObject());
}

#ifndef _WIN32
// "Choose Folder" over a folder the game's value names: a folder that is no installation is
// refused, and the game's value is replaced only when the user says so, naming both folders;
// unregistering puts the game's value back byte for byte.
TEST(FirstStart, ChoosingAnotherFolderAsksBeforeReplacingTheGamesValue) {
    b3test::TempDir temp;
    b3test::IsolatedRegistry registry;
    b3test::ScopedEnv data("XDG_DATA_HOME", temp / "data");
    const std::string old = temp / "old";
    const std::string game = temp / "game";
    const std::string empty = temp / "empty";
    b3::sample::WriteSampleInstallation(old);
    b3::sample::WriteSampleInstallation(game);
    b3test::fs::create_directories(b3::platform::FsPath(empty));
    // The registered game has lost its sites, so the editor cannot open it.
    const std::string sites = b3::platform::JoinPath(old, "Sites");
    for (const auto& name : b3test::FolderNames(sites))
        b3test::fs::remove(b3::platform::FsPath(b3::platform::JoinPath(sites, name)));
    registry.registerFolder(old);
    const std::string before = b3test::ReadBytes(registry.file());
    EditObjectHolder holder;

    ScriptedServices no;
    no.choices = {0, 0};
    no.folders = {QString::fromStdString(empty), QString::fromStdString(game)};
    no.answers = {MsgResult::Ok, MsgResult::No};
    ASSERT_TRUE(StartEditObject(no, holder, SampleIn(temp)));
    ASSERT_EQ(no.messages.size(), 4u);
    EXPECT_TRUE(no.messages[1].text.contains("holds none of the game's folders"))
        << no.messages[1].text.toStdString();
    const QString question = no.messages[3].text;
    EXPECT_EQ(no.messages[3].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(question.contains(QString::fromStdString(old)) &&
                question.contains(QString::fromStdString(game)))
        << question.toStdString();
    EXPECT_EQ(holder.EditObject().InstallPath(), game);
    EXPECT_EQ(b3test::ReadBytes(registry.file()), before);
    holder.ReleaseEditObject();

    holder.SetCreateOptions(b3::CreateOptions{});
    ScriptedServices yes;
    yes.choices = {0};
    yes.folders = {QString::fromStdString(game)};
    yes.answers = {MsgResult::Yes};
    ASSERT_TRUE(StartEditObject(yes, holder, SampleIn(temp)));
    EXPECT_EQ(holder.EditObject().InstallPath(), game);
    holder.ReleaseEditObject();
    ASSERT_EQ(b3::platform::LookupMachineValue(b3::kInstallKey, b3::kInstallValue)->folder, game);

    const b3::UnregistrationResult undone = b3::UnregisterInstallation();
    EXPECT_EQ(undone.restored, old);
    EXPECT_EQ(b3test::ReadBytes(registry.file()), before);
}
#endif

}  // namespace
}  // namespace b3edtest
