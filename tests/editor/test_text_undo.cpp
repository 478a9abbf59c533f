// Ctrl+Z and Ctrl+Y in the text boxes of the edit frame: the box's own typing step by step, then
// the earlier changes of the working copy.
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "editor/working_copy_history.h"
#include "editor_harness.h"

namespace b3edtest {
namespace {

class TextUndoTest : public EditorTest {
protected:
    // Ctrl and `key`, `times` over, as typed into `box`.
    static void keys(QWidget* box, Qt::Key key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            QTest::keyClick(box, key, Qt::ControlModifier);
            QCoreApplication::processEvents();
        }
    }
    static void settle() { QCoreApplication::processEvents(); }
};

TEST_F(TextUndoTest, CtrlZStepsThroughTheBoxThenThroughTheEarlierChanges) {
    tab(1);
    choose("Orcs");
    settle();
    QLineEdit* name = w->txtArmyProps[1];
    QLineEdit* hits = w->txtArmyProps[7];
    const QString hitsBefore = hits->text();

    // An earlier change of another field, then typing with a correction in the name.
    w->updArmyProps[7]->upButton()->click();
    settle();
    const QString hitsAfter = hits->text();
    ASSERT_NE(hitsAfter, hitsBefore);
    name->setFocus();
    QTest::keyClick(name, Qt::Key_End);
    QTest::keyClicks(name, " big");
    QTest::keyClick(name, Qt::Key_Backspace);
    QTest::keyClick(name, Qt::Key_Backspace);
    QTest::keyClicks(name, "ad");
    ASSERT_EQ(name->text(), "Orcs bad");

    // The box's own steps, one by one.
    QStringList seen;
    for (int i = 0; i < 3; ++i) {
        keys(name, Qt::Key_Z);
        seen << name->text();
    }
    EXPECT_EQ(seen, (QStringList{"Orcs b", "Orcs big", "Orcs"}));
    EXPECT_EQ(hits->text(), hitsAfter);
    // Nothing more in the box: the earlier change of the working copy.
    keys(name, Qt::Key_Z);
    EXPECT_EQ(hits->text(), hitsBefore);
    EXPECT_EQ(w->updArmyProps[7]->value(), hitsBefore.toInt());
    EXPECT_EQ(name->text(), "Orcs");
    EXPECT_FALSE(w->mnuUndo->isEnabled());

    // Ctrl+Y goes back the same way: the earlier change, then the box's steps.
    keys(name, Qt::Key_Y);
    EXPECT_EQ(hits->text(), hitsAfter);
    EXPECT_EQ(name->text(), "Orcs");
    seen.clear();
    for (int i = 0; i < 3; ++i) {
        keys(name, Qt::Key_Y);
        seen << name->text();
    }
    EXPECT_EQ(seen, (QStringList{"Orcs big", "Orcs b", "Orcs bad"}));

    // Undoing in the box and redoing at once redoes the box's step; the menu undoes the
    // typing as one step.
    keys(name, Qt::Key_Z, 2);
    EXPECT_EQ(name->text(), "Orcs big");
    keys(name, Qt::Key_Y);
    EXPECT_EQ(name->text(), "Orcs b");
    EXPECT_EQ(w->mnuUndo->text(), "&Undo Change Display Name");
    w->mnuUndo->trigger();
    EXPECT_EQ(name->text(), "Orcs");
    EXPECT_EQ(hits->text(), hitsAfter);

    // What Save writes is what the keys left.
    keys(name, Qt::Key_Y);
    EXPECT_EQ(name->text(), "Orcs b");
    press("Save");
    const auto armies = reread(1);
    EXPECT_EQ(armies.at(static_cast<std::size_t>(rowWith(armies, 3, "ORCS")), 1).str(), "Orcs b");
}

TEST_F(TextUndoTest, TheDescriptionBoxUndoesItsOwnTypingThenTheEarlierChanges) {
    tab(1);
    choose("Orcs");
    settle();
    QPlainTextEdit* box = w->txtDescription[1];
    const QString before = box->toPlainText();
    w->updArmyProps[5]->upButton()->click();  // strength
    settle();
    const int strength = w->updArmyProps[5]->value();

    box->setFocus();
    box->moveCursor(QTextCursor::End);
    QTest::keyClicks(box, " Fierce");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, "Loud");
    const QString typed = box->toPlainText();
    ASSERT_NE(typed, before);

    // Step by step back to the text as shown, each step also in the saved field; then the
    // strength.
    QStringList seen;
    while (box->toPlainText() != before && seen.size() < 10) {
        keys(box, Qt::Key_Z);
        seen << box->toPlainText();
        EXPECT_EQ(w->txtArmyProps[2]->text(), QString(seen.last()).replace('\n', ' '));
    }
    EXPECT_GE(seen.size(), 2);
    EXPECT_EQ(box->toPlainText(), before);
    EXPECT_EQ(w->updArmyProps[5]->value(), strength);
    keys(box, Qt::Key_Z);
    EXPECT_EQ(w->updArmyProps[5]->value(), strength - 1);
    EXPECT_EQ(box->toPlainText(), before);

    // And forward again, to the typed text.
    keys(box, Qt::Key_Y);
    EXPECT_EQ(w->updArmyProps[5]->value(), strength);
    for (int i = 0; i < seen.size(); ++i) keys(box, Qt::Key_Y);
    EXPECT_EQ(box->toPlainText(), typed);
}

}  // namespace
}  // namespace b3edtest
