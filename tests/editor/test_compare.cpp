// Other installations in the editor: File > Compare with Installation... against a copy of the
// sample with a changed, an added and a removed army; File > Apply Patch... with a change, a
// conflict, Cancel, Apply and a patch that cannot be read.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTableWidget>
#include <filesystem>
#include <map>
#include <sstream>

#include "b3/file_transaction.h"
#include "b3/history.h"
#include "editor/compare_view.h"
#include "editor/frm_apply_patch.h"
#include "editor_harness.h"
#include "patch/patch.h"
#include "support/mnemonics.h"

namespace b3edtest {
namespace {

namespace fs = std::filesystem;
namespace bp = b3::patch;

// Every file under `root` with its bytes, by path relative to it.
std::map<std::string, std::string> AllFiles(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(b3::platform::FsPath(root))) {
        if (e.is_regular_file())
            files[e.path().lexically_relative(b3::platform::FsPath(root)).generic_string()] =
                b3test::ReadBytes(b3::platform::Utf8Path(e.path()));
    }
    return files;
}

// Changes the object of `kind` whose short name is `shortName` in the installation `folder`.
void Rewrite(const std::string& folder, int kind, const std::string& shortName,
             const std::function<void(b3::ObjectArray&)>& change) {
    auto object = b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{folder});
    const b3::DataArray data = object->GetEditObjectData(kind);
    const auto column = static_cast<std::size_t>(b3::LayoutOf(kind).shortNameColumn);
    for (std::size_t r = 0; r < data.rows(); ++r) {
        if (data.at(r, column).toString() != shortName) continue;
        b3::ObjectArray row = data.row(r);
        change(row);
        object->WriteObject(row, kind);
        return;
    }
    FAIL() << shortName;
}

int Strength(const b3::DataArray& armies, const std::string& shortName) {
    for (std::size_t r = 0; r < armies.rows(); ++r)
        if (armies.at(r, 3).toString() == shortName)
            return static_cast<int>(armies.at(r, 5).number());
    return -1;
}

int Move(const b3::DataArray& armies, const std::string& shortName) {
    for (std::size_t r = 0; r < armies.rows(); ++r)
        if (armies.at(r, 3).toString() == shortName)
            return static_cast<int>(armies.at(r, 6).number());
    return -1;
}

class CompareTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        // Another copy of the game: the archers one stronger, a troll army more, no spiders.
        other = temp / "Other copy";
        b3::sample::WriteSampleInstallation(other);
        archers = Strength(reread(1), "ARCHERS");
        ASSERT_GT(archers, 0);
        Rewrite(other, 1, "ARCHERS", [&](b3::ObjectArray& row) {
            row[5] = b3::Cell::byte(static_cast<std::uint8_t>(archers % 9 + 1));
        });
        Rewrite(other, 1, "ORCS", [](b3::ObjectArray& row) {
            row[1] = b3::Cell::text("Trolls");
            row[3] = b3::Cell::text("TROLLS");
        });
        const std::string army = b3::platform::JoinPath(other, "Army");
        for (const char* f : {"SPIDERS.ARM", "SPIDERS.PCX"}) {
            fs::remove(b3::platform::FsPath(
                b3::platform::JoinPath(army, b3::platform::FindEntryIgnoreCase(army, f))));
        }
    }

    // The list's entries that carry a mark: text and tooltip.
    std::map<QString, QString> markedEntries() const {
        std::map<QString, QString> marked;
        const QIcon blank = CompareView::StateIcon(b3::editor::CompareState::Same);
        for (int i = 0; i < w->cboEditObject->count(); ++i) {
            const QVariant data = w->cboEditObject->itemData(i, Qt::DecorationRole);
            // No icon, or the blank one that keeps the names in line.
            const bool icon = !data.isNull() && qvariant_cast<QIcon>(data).pixmap(16).toImage() !=
                                                    blank.pixmap(16).toImage();
            const QString tip = w->cboEditObject->itemData(i, Qt::ToolTipRole).toString();
            EXPECT_EQ(icon, !tip.isEmpty()) << w->cboEditObject->itemText(i).toStdString();
            if (icon || !tip.isEmpty()) marked[w->cboEditObject->itemText(i)] = tip;
        }
        return marked;
    }

    // The controls of the window marked as differing.
    std::vector<QWidget*> markedFields() const {
        std::vector<QWidget*> marked;
        for (QWidget* child : w->findChildren<QWidget*>())
            if (child->property("b3Differs").toBool()) marked.push_back(child);
        return marked;
    }

    QString native(const std::string& path) const {
        return QDir::toNativeSeparators(QDir::cleanPath(QString::fromStdString(path)));
    }

    std::string other;
    int archers = 0;
};

}  // namespace

TEST_F(CompareTest, MarksExactlyWhatDiffersAndFollowsTabsObjectsAndSaves) {
    // A change stopped half way in the other copy stays as it is: nothing is written there.
    b3test::WriteBytes(b3::JournalPath(other), "a journal that no one may finish");
    const auto before = AllFiles(other);
    const QString there = native(other);

    tab(1);
    services.files = {QString::fromStdString(other)};
    w->mnuCompare->trigger();
    ASSERT_EQ(services.fileRequests.size(), 1u);
    EXPECT_TRUE(services.fileRequests[0].folder);
    ASSERT_NE(w->comparison(), nullptr)
        << (services.messages.empty() ? std::string()
                                      : services.messages.back().text.toStdString());
    EXPECT_TRUE(w->mnuEndCompare->isEnabled());

    // The archers differ, the spiders are only here, the trolls only there: nothing else.
    const auto marked = markedEntries();
    ASSERT_EQ(marked.size(), 3u);
    EXPECT_TRUE(marked.at("Elven Archers").startsWith("Differs from " + there))
        << marked.at("Elven Archers").toStdString();
    EXPECT_TRUE(
        marked.at("Elven Archers")
            .contains(QString("Strength: %1 here, %2 there").arg(archers).arg(archers % 9 + 1)));
    EXPECT_EQ(marked.at("Gloom Spiders"), "Only in this installation");
    EXPECT_TRUE(marked.at("Trolls (only there)").startsWith("Only in " + there));
    // The trolls are greyed, cannot be chosen, and browsing stays on this installation's armies.
    const int trolls = w->cboEditObject->findText("Trolls (only there)");
    auto* model = qobject_cast<QStandardItemModel*>(w->cboEditObject->model());
    ASSERT_NE(model, nullptr);
    EXPECT_FALSE(model->item(trolls)->isEnabled());
    EXPECT_EQ(w->updBrowse->max(), static_cast<int>(reread(1).rows()) - 1);
    // The bar counts them.
    QString bar = w->comparison()->lblCompare->text();
    bar.replace(QChar(0x00A0), ' ');
    EXPECT_TRUE(bar.contains("1 differs") && bar.contains("1 only here") &&
                bar.contains("1 only there"))
        << bar.toStdString();

    // The archers' strength is marked, with the other copy's value; no other field.
    choose("Elven Archers");
    auto fields = markedFields();
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0], w->lblArmyProps[5]);
    EXPECT_EQ(w->lblArmyProps[5]->toolTip(),
              QString("Differs from %1\nThere: %2").arg(there).arg(archers % 9 + 1));
    EXPECT_TRUE(w->lblArmyProps[5]->autoFillBackground());
    EXPECT_NE(w->lblArmyProps[5]->palette().color(QPalette::Window),
              w->lblArmyProps[4]->palette().color(QPalette::Window));
    // Another object: no marks; back: marked again.
    choose("Knights");
    EXPECT_TRUE(markedFields().empty());
    EXPECT_TRUE(w->lblArmyProps[5]->toolTip().isEmpty());
    EXPECT_FALSE(w->lblArmyProps[5]->autoFillBackground());

    // Another kind: the sites are the same in both.
    tab(3);
    EXPECT_TRUE(markedEntries().empty());
    tab(1);
    EXPECT_EQ(markedEntries().size(), 3u);
    // A key step from the last army passes over the greyed entry.
    w->cboEditObject->setCurrentIndex(trolls - 1);
    w->cboEditObject->setFocus();
    QTest::keyClick(w->cboEditObject, Qt::Key_Down);
    EXPECT_NE(w->cboEditObject->currentIndex(), trolls);

    // Saved with the other copy's strength, the archers are the same there.
    choose("Elven Archers");
    ASSERT_EQ(markedFields().size(), 1u);
    type(w->txtArmyProps[5], QString::number(archers % 9 + 1));
    press("Save");
    EXPECT_EQ(Strength(reread(1), "ARCHERS"), archers % 9 + 1);
    EXPECT_EQ(w->cboEditObject->currentText(), "Elven Archers");
    EXPECT_TRUE(markedFields().empty());
    EXPECT_EQ(markedEntries().size(), 2u);
    EXPECT_FALSE(markedEntries().count("Elven Archers"));

    // The main window's mnemonics stay unique while comparing.
    const QStringList clashes = b3::test::MnemonicClashes(*w, "main window, comparing");
    EXPECT_TRUE(clashes.isEmpty()) << clashes.join("\n").toStdString();

    // Ending it takes every mark off.
    choose("Gloom Spiders");
    w->mnuEndCompare->trigger();
    EXPECT_EQ(w->comparison(), nullptr);
    EXPECT_TRUE(markedEntries().empty());
    EXPECT_EQ(w->cboEditObject->findText("Trolls (only there)"), -1);
    EXPECT_EQ(w->cboEditObject->currentText(), "Gloom Spiders");
    EXPECT_FALSE(w->mnuEndCompare->isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->findChild<QFrame*>("fraCompare"), nullptr);

    EXPECT_EQ(AllFiles(other), before);
}

TEST_F(CompareTest, AFolderThatIsNoInstallationIsRefused) {
    const std::string empty = temp / "nothing here";
    fs::create_directories(b3::platform::FsPath(empty));
    services.files = {QString::fromStdString(empty)};
    w->mnuCompare->trigger();
    EXPECT_EQ(w->comparison(), nullptr);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].buttons, MsgButtons::Error);
    EXPECT_TRUE(services.messages[0].text.contains("cannot be compared"))
        << services.messages[0].text.toStdString();

    // The other copy gone while comparing: the marks go, with one report.
    services.messages.clear();
    services.files = {QString::fromStdString(other)};
    w->mnuCompare->trigger();
    ASSERT_NE(w->comparison(), nullptr);
    fs::remove_all(b3::platform::FsPath(other));
    tab(2);
    EXPECT_EQ(w->comparison(), nullptr);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].buttons, MsgButtons::Error);
    tab(1);
    EXPECT_EQ(services.messages.size(), 1u);
}

TEST_F(CompareTest, AnotherInstallationOpenedIsTheOneCompared) {
    tab(1);
    services.files = {QString::fromStdString(other)};
    w->mnuCompare->trigger();
    ASSERT_EQ(markedEntries().size(), 3u);

    // A third copy whose archers are as strong as the other's: only the spiders and the trolls.
    const std::string third = temp / "Third copy";
    b3::sample::WriteSampleInstallation(third);
    Rewrite(third, 1, "ARCHERS", [&](b3::ObjectArray& row) {
        row[5] = b3::Cell::byte(static_cast<std::uint8_t>(archers % 9 + 1));
    });
    ASSERT_TRUE(w->SwitchInstallation(QString::fromStdString(third)));
    ASSERT_NE(w->comparison(), nullptr);
    const auto marked = markedEntries();
    EXPECT_EQ(marked.size(), 2u);
    EXPECT_FALSE(marked.count("Elven Archers"));

    // The other copy itself opened: nothing left to compare.
    ASSERT_TRUE(w->SwitchInstallation(QString::fromStdString(other)));
    EXPECT_EQ(w->comparison(), nullptr);
    EXPECT_TRUE(markedEntries().empty());
}

// ---------------------------------------------------------------------------------------------
// Patches

class ApplyPatchTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        // The mod: archers one stronger, orcs one faster. This installation's orcs were made
        // faster differently meanwhile: a conflict.
        const std::string base = temp / "base";
        const std::string modded = temp / "modded";
        b3::sample::WriteSampleInstallation(base);
        b3::sample::WriteSampleInstallation(modded);
        const b3::DataArray armies = reread(1);
        archers = Strength(armies, "ARCHERS");
        orcs = Move(armies, "ORCS");
        Rewrite(modded, 1, "ARCHERS", [&](b3::ObjectArray& row) {
            row[5] = b3::Cell::byte(static_cast<std::uint8_t>(archers % 9 + 1));
        });
        Rewrite(modded, 1, "ORCS", [&](b3::ObjectArray& row) {
            row[6] = b3::Cell::byte(static_cast<std::uint8_t>(orcs + 1));
        });
        patch(1, 3, "ORCS", [&](b3::ObjectArray& row) {
            row[6] = b3::Cell::byte(static_cast<std::uint8_t>(orcs + 5));
        });
        patchFile = temp / "faster.b3patch";
        std::ostringstream unused;
        bp::WritePatch(bp::MakePatch(bp::Installation(base), bp::Installation(modded),
                                     "Faster orcs", "Stronger archers, faster orcs"),
                       patchFile, unused);
        w->RefreshAll();
    }

    // The table's rows, each its cells joined by " | ".
    static QStringList rows(const frmApplyPatch& dialog) {
        QStringList out;
        for (int r = 0; r < dialog.grdChanges->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < dialog.grdChanges->columnCount(); ++c)
                cells << dialog.grdChanges->item(r, c)->text();
            out << cells.join(" | ");
        }
        return out;
    }

    std::string patchFile;
    int archers = 0;
    int orcs = 0;
};

TEST_F(ApplyPatchTest, ShowsChangesAndConflictsCancelWritesNothingApplyWrites) {
    tab(1);
    choose("Elven Archers");
    const auto before = snapshot();

    QStringList shown;
    QStringList clashes;
    bool conflictsOffered = false;
    services.onDialog = [&](QDialog& dialog) {
        auto* apply = qobject_cast<frmApplyPatch*>(&dialog);
        ASSERT_NE(apply, nullptr);
        shown = rows(*apply);
        clashes << b3::test::MnemonicClashes(dialog, dialog.windowTitle());
        conflictsOffered = apply->optKeep->isVisible() && apply->optKeep->isChecked();
        QTest::mouseClick(apply->cmdCancel, Qt::LeftButton);
    };
    services.files = {QString::fromStdString(patchFile)};
    w->mnuApplyPatch->trigger();
    ASSERT_EQ(services.dialogsShown, 1);
    EXPECT_EQ(services.fileRequests.back().filter,
              "Patch files (*.b3patch)|*.b3patch|All files (*)|*");
    EXPECT_EQ(shown, QStringList(
                         {QString("Army ARCHERS | Strength | %1 | %2 | Will change")
                              .arg(archers)
                              .arg(archers % 9 + 1),
                          QString("Army ORCS | Move | %1 | %2 | Conflict: this installation has %3")
                              .arg(orcs)
                              .arg(orcs + 1)
                              .arg(orcs + 5)}));
    EXPECT_TRUE(conflictsOffered);
    EXPECT_TRUE(clashes.isEmpty()) << clashes.join("\n").toStdString();
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(services.messages.empty());

    // Apply, keeping this installation's orcs.
    const std::size_t operations = b3::HistoryStore(game).Operations().size();
    services.onDialog = [&](QDialog& dialog) {
        QTest::mouseClick(qobject_cast<frmApplyPatch*>(&dialog)->cmdApply, Qt::LeftButton);
    };
    services.files = {QString::fromStdString(patchFile)};
    w->mnuApplyPatch->trigger();
    const b3::DataArray armies = reread(1);
    EXPECT_EQ(Strength(armies, "ARCHERS"), archers % 9 + 1);
    EXPECT_EQ(Move(armies, "ORCS"), orcs + 5);
    // One entry of the history, named after the mod.
    const auto history = b3::HistoryStore(game).Operations();
    ASSERT_EQ(history.size(), operations + 1);
    EXPECT_EQ(history[0].operation, "patch");
    ASSERT_FALSE(services.messages.empty());
    EXPECT_EQ(services.messages.back().buttons, MsgButtons::Ok);
    // The editor reads the files again, with the archers still on show.
    EXPECT_EQ(w->cboEditObject->currentText(), "Elven Archers");
    EXPECT_EQ(w->lblArmyProps[5]->text(), QString::number(archers % 9 + 1));

    // Again, taking the patch's orcs: only the conflict is left to write.
    services.onDialog = [&](QDialog& dialog) {
        auto* apply = qobject_cast<frmApplyPatch*>(&dialog);
        shown = rows(*apply);
        EXPECT_FALSE(apply->cmdApply->isEnabled());
        // On the button's circle, as the user clicks it.
        QTest::mouseClick(apply->optTake, Qt::LeftButton, {},
                          QPoint(8, apply->optTake->height() / 2));
        EXPECT_TRUE(apply->cmdApply->isEnabled());
        QTest::mouseClick(apply->cmdApply, Qt::LeftButton);
    };
    services.files = {QString::fromStdString(patchFile)};
    w->mnuApplyPatch->trigger();
    EXPECT_EQ(shown.size(), 1);
    EXPECT_EQ(Move(reread(1), "ORCS"), orcs + 1);
}

TEST_F(ApplyPatchTest, UnsavedChangesAreAskedAboutFirst) {
    tab(1);
    choose("Elven Archers");
    type(w->txtArmyProps[1], "Silver Archers");
    services.answers = {MsgResult::Cancel};
    w->mnuApplyPatch->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].buttons, MsgButtons::SaveDiscardCancel);
    EXPECT_TRUE(services.fileRequests.empty());
    EXPECT_EQ(services.dialogsShown, 0);
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Silver Archers");
}

TEST_F(ApplyPatchTest, ABadPatchIsRefusedAndNothingIsWritten) {
    const auto before = snapshot();
    // A strength the field cannot hold, in the second entry.
    std::string text = b3test::ReadBytes(patchFile);
    const std::string old = "\"new\": " + std::to_string(orcs + 1);
    const auto at = text.find(old);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, old.size(), "\"new\": 300");
    b3test::WriteBytes(patchFile, text);

    services.files = {QString::fromStdString(patchFile)};
    w->mnuApplyPatch->trigger();
    EXPECT_EQ(services.dialogsShown, 0);
    ASSERT_EQ(services.messages.size(), 1u);
    const ShownMessage& m = services.messages[0];
    EXPECT_EQ(m.buttons, MsgButtons::Error);
    EXPECT_EQ(m.title, "B3Tools");
    EXPECT_TRUE(m.text.contains("nothing was changed")) << m.text.toStdString();
    EXPECT_TRUE(m.text.contains("(army \"ORCS\"), field Move (new): 300 does not fit: 0 to 255"))
        << m.text.toStdString();
    EXPECT_EQ(snapshot(), before);
}

}  // namespace b3edtest
