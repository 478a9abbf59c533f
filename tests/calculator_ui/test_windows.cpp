// The calculator's windows as a keyboard and a small screen meet them: Suggest searches without
// holding the window and can be cancelled, Escape in the hero dialog only cancels, every
// mnemonic is unique within its window, and the main window fits a 1024x768 screen in every
// state with nothing cut.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>
#include <map>
#include <set>

#include "calculator/ui/frm_hero.h"
#include "calculator/ui/frm_more_results.h"
#include "calculator/ui/frm_stats.h"
#include "calculator/ui/frm_suggest.h"
#include "calculator/ui/updown_box.h"
#include "sample/sample.h"
#include "support/mnemonics.h"
#include "support/screens.h"
#include "ui_support.h"

namespace b3::oddslab::test {
namespace {

// What a window may take of a 1024x768 screen: the screen less a task bar of 40 pixels, the
// title bar and the borders.
constexpr int kScreenWidth = 1024 - 2 * 8;
constexpr int kScreenHeight = 768 - 40 - 38;

class OddsLabWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        const std::string folder = temp.filePath("game").toStdString();
        b3::sample::WriteSampleInstallation(folder);
        editObject = b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{folder});
        w = std::make_unique<frmOddsLab>(services, *editObject);
        w->SetSeed(9);
        services.onDialog = [](QDialog& dialog) {
            if (auto* hero = qobject_cast<frmHero*>(&dialog)) hero->cmdProceed_Click();
        };
    }
    void SetUpBattle() {
        Pick(*w, 0, "Paladin");
        Pick(*w, 0, "Knights", 3);
        Pick(*w, 0, "Griffons", 2);
        Pick(*w, 1, "Orcs", 4);
        Pick(*w, 1, "Dwarven Guard", 2);
        w->txtNumSimulations->setText("200");
    }
    // A run, then a pinned run after the user deletes the fourth attacker (selected, the Delete
    // key): `check` sees the window after each.
    void RunThenPinned(const std::function<void(const char*)>& check) {
        w->cmdAttack->click();
        check("after a run");
        w->sscPin->click();
        SelectOne(*w, 0, 3);
        QTest::keyClick(w->lstArmies[0], Qt::Key_Delete);
        w->cmdAttack->click();
        check("pinned");
    }

    QTemporaryDir temp;
    std::unique_ptr<b3::_CEditObject> editObject;
    ScriptServices services;
    std::unique_ptr<frmOddsLab> w;
};

TEST_F(OddsLabWindows, SuggestSearchesAsideCancelsAndAddsTheChosenArmies) {
    SetUpBattle();
    bool sawSearching = false;
    b3::engine::Suggestion cancelled, answer;
    QStringList rowNames;
    services.onDialog = [&](QDialog& dialog) {
        auto* suggest = qobject_cast<frmSuggest*>(&dialog);
        ASSERT_NE(suggest, nullptr);
        suggest->updTarget->setValue(99.9);
        suggest->updMaxAdd->setValue(4);
        // Search returns at once: the target is told, the search runs on, and it can be
        // cancelled, keeping what it found.
        suggest->cmdSearch->click();
        sawSearching = suggest->Searching();
        EXPECT_EQ(suggest->Answer().evaluated, 0u);
        EXPECT_TRUE(suggest->lblAnswer->text().contains("99.90%"))
            << suggest->lblAnswer->text().toStdString();
        EXPECT_TRUE(suggest->cmdCancel->isEnabled());
        EXPECT_FALSE(suggest->cmdSearch->isEnabled());
        EXPECT_TRUE(suggest->prgSearch->isVisibleTo(suggest));
        suggest->cmdCancel->click();
        suggest->WaitForAnswer();
        EXPECT_FALSE(suggest->Searching());
        cancelled = suggest->Answer();
        EXPECT_TRUE(suggest->lblAnswer->text().contains("Incomplete: the search was cancelled"))
            << suggest->lblAnswer->text().toStdString();
        EXPECT_FALSE(suggest->cmdCancel->isEnabled());

        // A search that runs to its end lists options by the names the lists show.
        suggest->updTarget->setValue(std::ceil(cancelled.current * 1000 + 1) / 10);
        suggest->updMaxAdd->setValue(2);
        suggest->cmdSearch->click();
        suggest->WaitForAnswer();
        answer = suggest->Answer();
        ASSERT_GT(suggest->grdOptions->rowCount(), 0);
        for (int r = 0; r < suggest->grdOptions->rowCount(); ++r)
            rowNames << suggest->grdOptions->item(r, 0)->text();
        suggest->grdOptions->selectRow(0);
        ASSERT_TRUE(suggest->cmdAddThese->isEnabled());
        suggest->cmdAddThese->click();
    };
    const int listed = w->lstArmies[0]->count();
    w->mnuSuggest->trigger();
    EXPECT_TRUE(sawSearching);
    EXPECT_FALSE(cancelled.complete);
    ASSERT_FALSE(answer.options.empty());
    EXPECT_TRUE(answer.complete);
    // Display names ("Knights"), not the files' short names ("KNIGHTS").
    for (const QString& row : rowNames)
        for (const QString& name : row.split(" + "))
            EXPECT_GE(w->cboArmies[0]->findText(name), 0) << name.toStdString();
    // "Add these" appended the first option's armies to the attacking list.
    const auto& added = answer.options[0].armies;
    ASSERT_EQ(w->lstArmies[0]->count(), listed + static_cast<int>(added.size()));
    EXPECT_EQ(Texts(*w, 0).mid(listed).join(" + "), rowNames[0]);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(OddsLabWindows, EscapeInTheHeroDialogOnlyCancels) {
    SetUpBattle();
    w->cmdAttack->click();
    ASSERT_EQ(w->Record().Number(), 1);
    const QString before = w->lblAttWinPercent->text();
    int heroes = 0;
    services.onDialog = [&](QDialog& dialog) {
        auto* hero = qobject_cast<frmHero*>(&dialog);
        ASSERT_NE(hero, nullptr);
        ++heroes;
        hero->updMorale->setValue(4);
        QTest::keyClick(hero, Qt::Key_Escape);
        EXPECT_EQ(hero->result(), QDialog::Rejected);
    };
    Pick(*w, 1, "Paladin");
    w->cmdAttack->click();
    // The first hero's Escape ended the Attack: no other dialog, no battle, nothing entered.
    EXPECT_EQ(heroes, 1);
    EXPECT_EQ(w->Record().Number(), 1);
    EXPECT_EQ(w->lblAttWinPercent->text(), before);
    EXPECT_FALSE(w->Running());
    EXPECT_TRUE(w->cmdAttack->isEnabled());
    EXPECT_TRUE(w->sscExit->isEnabled());
    b3::engine::SimpleHost::Bonuses kept = {};
    ASSERT_TRUE(w->EntryBonuses(0, 0, kept));
    EXPECT_EQ(kept[static_cast<int>(b3::engine::HeroBonus::Morale)].value_or(0), 0);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(OddsLabWindows, ClosingTheMainWindowClosesMoreResults) {
    SetUpBattle();
    w->cmdAttack->click();
    w->sscMoreResults->click();
    QPointer<frmMoreResults> more = w->MoreResults();
    ASSERT_TRUE(more && more->isVisible());
    w->sscExit->click();
    EXPECT_FALSE(w->isVisible());
    // Closed (and deleted once events run), so the program can end with its main window.
    EXPECT_TRUE(!more || !more->isVisible());
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->isVisible()) << top->metaObject()->className();
}

TEST_F(OddsLabWindows, EveryMnemonicIsUniqueWithinItsWindow) {
    SetUpBattle();
    w->cmdAttack->click();
    w->sscMoreResults->click();
    ASSERT_NE(w->MoreResults(), nullptr);
    frmHero hero(services);
    frmStats stats(services);
    frmSuggest suggest(
        services, [](const auto&, const auto&) { return b3::engine::Suggestion{}; },
        [](b3::engine::Long) { return QString(); }, [](const auto&) {});
    QWidget* const windows[] = {w.get(), &hero, &stats, w->MoreResults(), &suggest};
    int mnemonics = 0;
    for (QWidget* window : windows) {
        EXPECT_EQ(
            b3::test::MnemonicClashes(*window, window->windowTitle()).join("\n").toStdString(), "");
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
            mnemonics += b3::test::Mnemonic(b->text()) ? 1 : 0;
    }
    // The walk sees the windows' buttons (Attack, Abort, Exit, More Results, Pin, Done, ...).
    EXPECT_GE(mnemonics, 10);
    // Alt+B is Abort's alone; the Battle menu has a letter of its own.
    EXPECT_EQ(w->sscAbort->text(), "A&bort");
}

// Widgets whose text does not fit them (labels that wrap are free to).
QStringList Cut(QWidget& window) {
    QStringList cut;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window)) continue;
        auto* label = qobject_cast<QLabel*>(widget);
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if ((!label || label->wordWrap() || label->text().isEmpty()) && !button) continue;
        const QSize need = widget->minimumSizeHint();
        if (widget->width() < need.width() || widget->height() < need.height())
            cut << QString("%1 \"%2\": %3x%4 < %5x%6")
                       .arg(widget->metaObject()->className(),
                            label ? label->text() : button->text())
                       .arg(widget->width())
                       .arg(widget->height())
                       .arg(need.width())
                       .arg(need.height());
    }
    return cut;
}

TEST_F(OddsLabWindows, MainWindowFitsASmallScreenInEveryState) {
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    auto fits = [&](const char* state) {
        QApplication::processEvents();
        const QSize size = w->size();
        EXPECT_LE(size.width(), kScreenWidth) << state;
        EXPECT_LE(size.height(), kScreenHeight) << state;
        const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
        EXPECT_LE(least.width(), kScreenWidth) << state;
        EXPECT_LE(least.height(), kScreenHeight) << state;
        // At its smallest nothing is cut.
        const QSize was = w->size();
        w->resize(least);
        QApplication::processEvents();
        EXPECT_EQ(Cut(*w).join("\n").toStdString(), "") << state;
        w->resize(was);
        QApplication::processEvents();
    };
    fits("new");
    // The longest names of the installation, a full attacking list and a run with the longest
    // seed.
    w->SetSeed(18446744073709551615ULL);
    Pick(*w, 0, "Paladin");
    Pick(*w, 0, "Elven Archers", 31);
    Pick(*w, 1, "Gloom Spiders", 12);
    w->txtNumSimulations->setText("40");
    RunThenPinned(fits);
    w->updCombatDice->setValue(24);
    fits("out of date");
    services.onDialog = [&](QDialog& dialog) {
        if (auto* suggest = qobject_cast<frmSuggest*>(&dialog)) {
            suggest->show();
            fits("Suggest open");
            EXPECT_LE(suggest->frameGeometry().width(), kScreenWidth);
            EXPECT_LE(suggest->frameGeometry().height(), kScreenHeight);
            suggest->hide();
        }
    };
    w->updCombatDice->setValue(20);
    w->mnuSuggest->trigger();
}

constexpr const char* kScreenVariable = "B3_TEST_SCREEN";

// Room a window manager's title bar and borders take beyond the offscreen platform's frame.
constexpr int kFrameRoom = 38;

// The main window on a screen of a given size and scaling (the offscreen platform's screen, set
// by a file): run by MainWindowFitsScreensAtTheirScaling in a process of its own.
class ScaledScreen : public OddsLabWindows {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty(kScreenVariable))
            GTEST_SKIP() << "runs only on the screens of MainWindowFitsScreensAtTheirScaling";
        OddsLabWindows::SetUp();
    }
};

TEST(OddsLabScreens, MainWindowFitsScreensAtTheirScaling) {
    if (!qEnvironmentVariableIsEmpty(kScreenVariable)) GTEST_SKIP();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A laptop's screen at 150 % and a small one at 100 %.
    for (const b3::test::TestScreen s :
         {b3::test::TestScreen{1280, 800, 1.5}, b3::test::TestScreen{1024, 768, 1.0}}) {
        const QString name = QString("%1x%2 at %3").arg(s.width).arg(s.height).arg(s.scaling);
        const auto run = b3::test::RunOnScreen(s, dir.path(), "ScaledScreen.*", kScreenVariable,
                                               QString("%1 %2")
                                                   .arg(std::lround(s.width / s.scaling))
                                                   .arg(std::lround(s.height / s.scaling)));
        ASSERT_TRUE(run.finished) << name.toStdString();
        EXPECT_EQ(run.exitCode, 0) << name.toStdString() << ":\n" << run.output.toStdString();
        EXPECT_TRUE(run.output.contains("[  PASSED  ] 1 test")) << run.output.toStdString();
    }
}

TEST_F(ScaledScreen, MainWindowFitsInEveryState) {
    // The screen is as the file set it: its pixels over its scaling.
    const QStringList expected = qEnvironmentVariable(kScreenVariable).split(' ');
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(area.width(), expected.value(0).toInt());
    ASSERT_EQ(area.height(), expected.value(1).toInt());
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    auto fits = [&](const char* state) {
        QApplication::processEvents();
        const QRect frame = w->frameGeometry();
        EXPECT_TRUE(area.contains(frame)) << state << ": " << frame.width() << "x" << frame.height()
                                          << "+" << frame.x() << "+" << frame.y();
        // A window manager's larger title bar fits too.
        EXPECT_LE(w->height() + kFrameRoom, area.height()) << state;
        EXPECT_EQ(Cut(*w).join("\n").toStdString(), "") << state;
    };
    fits("new");
    SetUpBattle();
    w->SetSeed(18446744073709551615ULL);
    RunThenPinned(fits);
}

}  // namespace
}  // namespace b3::oddslab::test
