// A day's work in the window, as a user does it: finding, saving and browsing on from the object
// on show; mnemonics, error boxes and the report's file types.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <map>

#include "platform/native_path.h"

#include "editor/frm_heroprops.h"
#include "editor/frm_history.h"
#include "editor_harness.h"
#include "support/mnemonics.h"

namespace b3edtest {

TEST_F(EditorTest, SavedObjectStaysShownAndSelected) {
    tab(1);
    const int armies = w->cboEditObject->count();
    choose("Knights");
    type(w->txtArmyProps[1], "Iron Knights");
    click("Save");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    // The saved object is still the one on show, read back from its file.
    EXPECT_EQ(w->cboEditObject->currentText(), "Iron Knights");
    EXPECT_EQ(w->lblArmyProps[1]->text(), "Iron Knights");
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Iron Knights");
    EXPECT_EQ(w->lblStatusObject->text(), "Armies KNIGHTS (KNIGHTS.ARM)");
    EXPECT_EQ(w->cboEditObject->count(), armies);
    // Saving it again asks for no name and writes no second object.
    type(w->txtArmyProps[1], "Steel Knights");
    click("Save");
    EXPECT_TRUE(services.fileRequests.empty());
    EXPECT_EQ(reread(1).rows(), static_cast<std::size_t>(armies));
    // Browsing on goes from the saved object.
    const int at = w->cboEditObject->currentIndex();
    w->updBrowse->upButton()->click();
    EXPECT_EQ(w->cboEditObject->currentIndex(), std::min(at + 1, armies - 1));

    // A new object, once named and saved, is that object from then on.
    click("New");
    EXPECT_EQ(w->lblStatusObject->text(), QString("%1 objects").arg(armies));
    type(w->txtArmyProps[1], "Wolves");
    w->updArmyProps[5]->upButton()->click();
    services.files.push_back(QString::fromStdString(folder("Army") + "/WOLVES.arm"));
    click("Save");
    ASSERT_EQ(services.fileRequests.size(), 1u);
    EXPECT_EQ(w->cboEditObject->currentText(), "Wolves");
    EXPECT_EQ(w->lblStatusObject->text(), "Armies WOLVES (WOLVES.ARM)");
    EXPECT_EQ(w->cboEditObject->count(), armies + 1);
    w->updArmyProps[5]->upButton()->click();
    click("Save");
    EXPECT_EQ(services.fileRequests.size(), 1u);  // no "Save As" the second time
    EXPECT_EQ(reread(1).rows(), static_cast<std::size_t>(armies + 1));
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
}

TEST_F(EditorTest, FindNeverTurnsTheShownObjectIntoANewOne) {
    tab(1);
    const int armies = w->cboEditObject->count();
    choose("Orcs");
    type(w->txtArmyProps[1], "Goblins");
    // A filter that the object on show does not match.
    w->txtFilter->setFocus();
    QTest::keyClicks(w->txtFilter, "knights");
    EXPECT_EQ(w->cboEditObject->currentText(), "Orcs");
    EXPECT_GE(w->cboEditObject->findText("Knights"), 0);
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Goblins");
    EXPECT_EQ(w->lblStatusObject->text(), "Armies ORCS (ORCS.ARM)");
    click("Save");
    // Saved over its own file, without "Save As", and no duplicate.
    EXPECT_TRUE(services.fileRequests.empty());
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    const auto after = reread(1);
    EXPECT_EQ(after.rows(), static_cast<std::size_t>(armies));
    const auto r = rowIndex(after, 3, "ORCS");
    ASSERT_LT(r, after.rows());
    EXPECT_EQ(after.at(r, 1).str(), "Goblins");
    EXPECT_EQ(w->cboEditObject->currentText(), "Goblins");

    // Stepping away from it while it has changes asks first, as always.
    type(w->txtArmyProps[1], "Trolls");
    QTest::keyClicks(w->txtFilter, "x");  // "knightsx": matches nothing
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(w->cboEditObject->count(), 1);
    EXPECT_EQ(w->cboEditObject->currentText(), "Goblins");
    services.answers.push_back(MsgResult::Cancel);
    w->txtFilter->clear();
    choose("Knights");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Save changes to Goblins?");
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Trolls");
}

TEST_F(EditorTest, BrowsingGoesOnFromTheObjectChosenInTheList) {
    const int at = w->cboEditObject->findText("Staff of Storms");
    ASSERT_GE(at, 1);
    ASSERT_LT(at + 1, w->cboEditObject->count());
    choose("Staff of Storms");
    QTest::mouseClick(w->updBrowse->upButton(), Qt::LeftButton);
    EXPECT_EQ(w->cboEditObject->currentIndex(), at + 1);
    EXPECT_EQ(w->lblItemProps[2]->text(), w->cboEditObject->itemText(at + 1));
    QTest::mouseClick(w->updBrowse->downButton(), Qt::LeftButton);
    QTest::mouseClick(w->updBrowse->downButton(), Qt::LeftButton);
    EXPECT_EQ(w->cboEditObject->currentIndex(), at - 1);
    EXPECT_EQ(w->lblItemProps[2]->text(), w->cboEditObject->itemText(at - 1));
}

TEST_F(EditorTest, DescriptionsAreEditedAsParagraphs) {
    // Each kind with a description edits it in a box of several lines.
    for (int kind : {0, 1, 2, 4}) {
        tab(kind);
        QPlainTextEdit* box = w->txtDescription[static_cast<std::size_t>(kind)];
        ASSERT_NE(box, nullptr) << kind;
        EXPECT_TRUE(box->isVisible()) << kind;
        EXPECT_GE(box->height(), 3 * box->fontMetrics().lineSpacing()) << kind;
        EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    }
    EXPECT_EQ(w->txtDescription[3], nullptr);

    tab(1);
    choose("Knights");
    QPlainTextEdit* box = w->txtDescription[1];
    EXPECT_EQ(box->toPlainText().toStdString(),
              reread(1).at(rowIndex(reread(1), 3, "KNIGHTS"), 2).str());
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "Heavy riders.");
    QTest::keyClick(box, Qt::Key_Return);  // one paragraph: the break becomes a space
    QTest::keyClicks(box, "They break lines.");
    EXPECT_EQ(box->toPlainText(), "Heavy riders. They break lines.");
    // The record's limit holds as it did in the one-line box.
    QTest::keyClicks(box, QString(200, 'x'));
    EXPECT_EQ(box->toPlainText().size(), 128);
    box->selectAll();
    QTest::keyClicks(box, "Heavy riders.");
    click("Save");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    const auto after = reread(1);
    EXPECT_EQ(after.at(rowIndex(after, 3, "KNIGHTS"), 2).str(), "Heavy riders.");
    // Another object shows its own description.
    choose("Orcs");
    EXPECT_EQ(box->toPlainText().toStdString(), after.at(rowIndex(after, 3, "ORCS"), 2).str());
}

TEST_F(EditorTest, PromptsSayWhatHappened) {
    tab(1);
    choose("Orcs");
    type(w->txtArmyProps[1], "Goblins");
    click("Save");
    ASSERT_TRUE(services.messages.empty());

    // The History window's own Restore is not another program; the columns show their texts.
    type(w->txtArmyProps[1], "Trolls");
    services.answers = {MsgResult::Yes, MsgResult::No};
    int widest = 0;
    services.onDialog = [&](QDialog& dialog) {
        auto& h = static_cast<frmHistory&>(dialog);
        ASSERT_GE(h.lstVersions->topLevelItemCount(), 1);
        QHeaderView* header = h.lstVersions->header();
        for (int c = 0; c + 1 < h.lstVersions->columnCount(); ++c) {
            int needed = header->sectionSizeHint(c);
            for (int r = 0; r < h.lstVersions->topLevelItemCount(); ++r)
                needed = std::max(needed, h.lstVersions->fontMetrics().horizontalAdvance(
                                              h.lstVersions->topLevelItem(r)->text(c)));
            EXPECT_GE(header->sectionSize(c), needed) << c;
            widest = std::max(widest, header->sectionSize(c));
        }
        h.lstVersions->setCurrentItem(h.lstVersions->topLevelItem(0));
        QTest::mouseClick(h.cmdRestore, Qt::LeftButton);
        QTest::qWait(300);  // the folder watch has its say while the window is open
    };
    QTest::mouseClick(w->cmdHistory, Qt::LeftButton);
    EXPECT_GT(widest, 40);
    QTest::qWait(300);
    QStringList texts;
    for (const auto& m : services.messages) texts << m.text;
    ASSERT_EQ(texts.size(), 2) << texts.join("\n").toStdString();
    EXPECT_TRUE(texts[0].startsWith("Put Army/ORCS.ARM back as it was at"))
        << texts[0].toStdString();
    EXPECT_EQ(texts[1],
              "ORCS.ARM was restored from the history.\r\nShow the restored version? Unsaved "
              "changes to \"Goblins\" are lost.");
    // Kept: the edit stays, and the restored file is not reported as another program's later.
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Trolls");
    w->CheckOutsideChange();
    EXPECT_EQ(services.messages.size(), 2u);

    // Another program's change, with nothing unsaved: no word of lost changes.
    click("Undo");
    services.messages.clear();
    std::string outside = b3test::ReadBytes(file("Army", "ORCS.ARM"));
    outside.replace(0, 8, std::string("Raiders\0", 8));
    b3test::WriteBytes(file("Army", "ORCS.ARM"), outside);
    services.answers = {MsgResult::Yes};
    w->CheckOutsideChange();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "ORCS.ARM was changed by another program.\r\nReload it?");
    EXPECT_EQ(w->lblArmyProps[1]->text(), "Raiders");
}

TEST_F(EditorTest, TheListFollowsObjectsAddedDeletedAndRenamedOnDisk) {
    tab(1);
    const int armies = w->cboEditObject->count();
    choose("Orcs");
    type(w->txtArmyProps[1], "Goblins");  // an unsaved change that must stay
    const auto listed = [&](const QString& name) { return w->cboEditObject->findText(name) >= 0; };

    // Added by another program.
    std::string record = b3test::ReadBytes(file("Army", "KNIGHTS.ARM"));
    record.replace(0, 8, std::string("Pikemen\0", 8));
    b3test::WriteBytes(file("Army", "PIKEMEN.ARM"), record);
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed("Pikemen"); }, 5000));
    EXPECT_EQ(w->cboEditObject->count(), armies + 1);
    // Renamed.
    std::filesystem::rename(b3::platform::FsPath(file("Army", "PIKEMEN.ARM")),
                            b3::platform::FsPath(file("Army", "HALBERD.ARM")));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const int at = w->cboEditObject->findText("Pikemen");
            return at >= 0 && w->ShortNameAt(at) == "HALBERD";
        },
        5000));
    // Deleted.
    std::filesystem::remove(b3::platform::FsPath(file("Army", "HALBERD.ARM")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !listed("Pikemen"); }, 5000));
    EXPECT_EQ(w->cboEditObject->count(), armies);

    // The object on show and its unsaved change went through all of it, without a question.
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    EXPECT_EQ(w->cboEditObject->currentText(), "Orcs");
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Goblins");
    EXPECT_TRUE(w->WorkingCopyDiffers());

    // A kind's folder changed while another tab was shown: its tab lists what is there now.
    services.answers = {MsgResult::Discard};
    tab(0);
    record.replace(0, 8, std::string("Lancers\0", 8));
    b3test::WriteBytes(file("Army", "LANCERS.ARM"), record);
    QTest::qWait(300);
    tab(1);
    EXPECT_TRUE(listed("Lancers"));
}

TEST_F(EditorTest, EveryMnemonicIsUniqueInItsWindow) {
    QStringList clashes;
    for (int kind = 0; kind < 5; ++kind) {
        tab(kind);
        clashes << b3::test::MnemonicClashes(*w, "main window, tab " + w->sstEditor->tabText(kind));
    }

    tab(2);
    choose("Paladin");
    services.onDialog = [&](QDialog& dialog) {
        clashes << b3::test::MnemonicClashes(dialog, dialog.windowTitle());
    };
    w->cmdHeroProps->click();
    w->cmdHistory->click();
    EXPECT_EQ(services.dialogsShown, 2);
    EXPECT_TRUE(clashes.isEmpty()) << clashes.join("\n").toStdString();
}

TEST_F(EditorTest, ErrorsUseTheErrorIcon) {
    // An error report keeps its text and asks for the error box.
    services.startFails = true;
    click("Calculator");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "53\r\nfrmB3Editor::tbrMain_ButtonClick\r\nFile not found");
    EXPECT_EQ(services.messages[0].title, "B3Tools");
    EXPECT_EQ(services.messages[0].buttons, MsgButtons::Error);

    // The real boxes: the error box has the critical icon and only OK; a notice keeps the
    // information icon.
    QtEditorServices real;
    for (const auto& [buttons, icon] : {std::pair{MsgButtons::Error, QMessageBox::Critical},
                                        std::pair{MsgButtons::Ok, QMessageBox::Information}}) {
        QMessageBox::Icon seen = QMessageBox::NoIcon;
        int buttonCount = 0;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            seen = box->icon();
            buttonCount = static_cast<int>(box->buttons().size());
            box->accept();
        });
        poll.start();
        EXPECT_EQ(real.messageBox(w.get(), "5\r\nlabel\r\ntext", "B3Tools", buttons),
                  MsgResult::Ok);
        poll.stop();
        EXPECT_EQ(seen, icon);
        EXPECT_EQ(buttonCount, 1);
    }
}

}  // namespace b3edtest
