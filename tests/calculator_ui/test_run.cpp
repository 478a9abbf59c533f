// Running from the main window: the checks before a run, the hero dialogs, the statistics of the
// first battle, progress, abort, closing during a run and the quick results.
#include <gtest/gtest.h>

#include <QBarSet>
#include <QFont>
#include <QTest>

#include "calculator/ui/frm_hero.h"
#include "calculator/ui/frm_more_results.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/frm_stats.h"
#include "calculator/ui/updown_box.h"
#include "ui_support.h"

namespace b3::oddslab::test {
namespace {

using b3::engine::HeroBonus;

double Number(const QString& text) {
    bool ok = false;
    const double v = QString(text).remove('%').toDouble(&ok);
    EXPECT_TRUE(ok) << text.toStdString();
    return v;
}

class OddsLabRun : public ::testing::Test {
protected:
    void SetUp() override {
        w->SetSeed(77);
        // One thread: progress comes at every hundredth of the battles, in battle order, and an
        // abort is seen before the next battle (threaded runs: test_options.cpp).
        w->SetThreads(1);
    }
    std::unique_ptr<FakeEditObject> game = MakeTinyGame();
    ScriptServices services;
    std::unique_ptr<frmOddsLab> w = std::make_unique<frmOddsLab>(services, *game);
};

TEST_F(OddsLabRun, AttackWithAnEmptyListOnlyShowsTheMessage) {
    Pick(*w, 0, "Knights");
    Pick(*w, 1, "Goblins");
    w->txtNumSimulations->setText("50");
    w->cmdAttack->click();
    ASSERT_TRUE(w->sscMoreResults->isEnabled());
    const QString win = w->lblAttWinPercent->text();
    const int pumps = services.pumps;

    w->sscClearList[1]->click();
    w->cmdAttack->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "You need to specify attacking and defending armies.");
    EXPECT_EQ(services.messages[0].title, "OddsLab");
    EXPECT_TRUE(w->sscExit->isEnabled());
    EXPECT_TRUE(w->cmdAttack->isEnabled());
    EXPECT_FALSE(w->sscAbort->isEnabled());
    EXPECT_FALSE(w->sscMoreResults->isEnabled());
    EXPECT_EQ(services.pumps, pumps);
    EXPECT_EQ(w->lblAttWinPercent->text(), win);

    w->sscClearList[0]->click();
    Pick(*w, 1, "Goblins");
    w->cmdAttack->click();
    EXPECT_EQ(services.messages.size(), 2u);
}

TEST_F(OddsLabRun, SidesOfOnlyNoneAreRefusedByName) {
    // Eight "None" entries fill the first attacking stack; a unit in the second does not help.
    Pick(*w, 0, "None", 8);
    Pick(*w, 0, "Brute");
    Pick(*w, 1, "Goblins");
    w->cmdAttack->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_NE(services.messages[0].text.indexOf("first attacking stack"), -1);
    EXPECT_NE(services.messages[0].text.indexOf("\"None\""), -1);
    EXPECT_EQ(services.dialogs, 0);  // no hero dialog before the refusal
    EXPECT_EQ(services.pumps, 0);
    EXPECT_TRUE(w->cmdAttack->isEnabled());
    EXPECT_TRUE(w->sscExit->isEnabled());
    EXPECT_FALSE(w->sscMoreResults->isEnabled());
    EXPECT_TRUE(w->lblAttWinPercent->text().isEmpty());

    // A defending list of "None" only.
    w->sscClearList[0]->click();
    Pick(*w, 0, "Knights");
    w->sscClearList[1]->click();
    Pick(*w, 1, "None", 3);
    w->cmdAttack->click();
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_NE(services.messages[1].text.indexOf("defending stack"), -1);
    EXPECT_EQ(services.pumps, 0);

    // With one real unit among the "None" entries the run goes ahead, and the "None" slot gets
    // no unit.
    Pick(*w, 1, "Goblins");
    w->txtNumSimulations->setText("20");
    w->cmdAttack->click();
    EXPECT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(w->DefArmies().Count(), 1);
    EXPECT_EQ(w->DefArmies().Find("SN0"), nullptr);
    ASSERT_NE(w->DefArmies().Find("SN3"), nullptr);
    EXPECT_EQ(w->DefArmies().Find("SN3")->Name(), "Goblins");
    EXPECT_TRUE(w->sscMoreResults->isEnabled());
}

TEST_F(OddsLabRun, RunKeepsTheWindowAliveAndReportsProgress) {
    Pick(*w, 0, "Knights", 3);
    Pick(*w, 1, "Wall Guard");
    struct Seen {
        int progress;
        QString status;
    };
    std::vector<Seen> seen;
    bool lockedWhileRunning = true;
    services.onPump = [&] {
        seen.push_back({w->pbBattleProgress->value(), w->sbrPanel[1]->text()});
        lockedWhileRunning = lockedWhileRunning && !w->cmdAttack->isEnabled() &&
                             !w->sscExit->isEnabled() && !w->sscMoreResults->isEnabled() &&
                             w->sscAbort->isEnabled() && w->Running() &&
                             w->pbBattleProgress->isVisibleTo(w.get());
    };
    w->cmdAttack->click();
    EXPECT_TRUE(lockedWhileRunning);
    // 1000 battles: an update every 10 battles, each pumping twice (before and after the status
    // text is written).
    ASSERT_EQ(seen.size(), 200u);
    for (int k = 1; k <= 100; ++k) {
        const Seen& before = seen[static_cast<std::size_t>(2 * k - 2)];
        const Seen& after = seen[static_cast<std::size_t>(2 * k - 1)];
        EXPECT_EQ(before.progress, k);
        EXPECT_EQ(after.status, QString("%1% Completed").arg(k));
    }
    EXPECT_EQ(seen[89].status, "45% Completed");
    // Once done, the status says which run it was and its seed.
    EXPECT_EQ(w->sbrPanel[1]->text(), "Run 1: 1000 battles, seed 77");
    // Idle again.
    EXPECT_FALSE(w->Running());
    EXPECT_TRUE(w->cmdAttack->isEnabled());
    EXPECT_TRUE(w->sscExit->isEnabled());
    EXPECT_TRUE(w->sscMoreResults->isEnabled());
    EXPECT_FALSE(w->sscAbort->isEnabled());
    EXPECT_FALSE(w->pbBattleProgress->isVisibleTo(w.get()));
    ASSERT_FALSE(services.busyLog.empty());
    EXPECT_TRUE(services.busyLog.front());
    EXPECT_FALSE(services.busyLog.back());

    // One defender: it loses one unit in every battle the attacker wins and none otherwise, so
    // its average units lost is the win fraction and its turns lost twice that (2 turns).
    EXPECT_TRUE(w->lblAttWinPercent->text().endsWith('%'));
    const QuickFigures f = w->CurrentFigures();
    const double win = f.simulated[0];
    EXPECT_NEAR(Number(w->lblAttWinPercent->text()), win, 0.5);
    EXPECT_GT(win, 0.0);
    EXPECT_LE(win, 100.0);
    EXPECT_NEAR(f.simulated[3] * 100.0, win, 1e-9);
    EXPECT_NEAR(f.simulated[4], 2 * f.simulated[3], 1e-12);
    // The attacker loses at most its three units of three turns each.
    EXPECT_LE(f.simulated[1], 3.0);
    EXPECT_NEAR(f.simulated[2], 3 * f.simulated[1], 1e-12);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(OddsLabRun, FiftyBattlesUpdateAtEveryBattle) {
    Pick(*w, 0, "Knights");
    Pick(*w, 1, "Goblins");
    w->txtNumSimulations->setText("50");
    std::vector<QString> statuses;
    services.onPump = [&] { statuses.push_back(w->sbrPanel[1]->text()); };
    w->cmdAttack->click();
    ASSERT_EQ(statuses.size(), 100u);
    EXPECT_EQ(statuses[1], "2% Completed");
    EXPECT_EQ(statuses[3], "4% Completed");
    EXPECT_EQ(statuses.back(), "100% Completed");
}

TEST_F(OddsLabRun, AbortStopsBeforeTheNextBattleAndKeepsTheResults) {
    Pick(*w, 0, "Knights");
    Pick(*w, 1, "Goblins");
    w->txtNumSimulations->setText("20");
    w->cmdAttack->click();
    const QString win = w->lblAttWinPercent->text();
    const QString avg = w->lblAvg[2]->text();
    ASSERT_FALSE(win.isEmpty());

    w->txtNumSimulations->setText("1000");
    services.pumps = 0;
    services.onPump = [&] {
        if (services.pumps == 1) w->sscAbort->click();
    };
    w->cmdAttack->click();
    // The abort comes in the first progress update (battle 10); the run ends before battle 11.
    EXPECT_EQ(services.pumps, 2);
    EXPECT_EQ(w->sbrPanel[1]->text(), "Aborted after 10 of 1000 battles");
    EXPECT_EQ(w->lblAttWinPercent->text(), win);
    EXPECT_EQ(w->lblAvg[2]->text(), avg);
    EXPECT_FALSE(w->Running());
    EXPECT_TRUE(w->cmdAttack->isEnabled());
    EXPECT_TRUE(w->sscExit->isEnabled());
    EXPECT_FALSE(w->sscAbort->isEnabled());
    EXPECT_FALSE(w->pbBattleProgress->isVisibleTo(w.get()));
    // An aborted run has no complete results to chart.
    EXPECT_FALSE(w->sscMoreResults->isEnabled());
    EXPECT_FALSE(services.busyLog.back());

    // The flag does not outlive the run: the next one runs to the end.
    services.onPump = nullptr;
    services.pumps = 0;
    w->cmdAttack->click();
    EXPECT_EQ(services.pumps, 200);
    EXPECT_TRUE(w->sscMoreResults->isEnabled());
}

TEST_F(OddsLabRun, ClosingDuringARunAbortsItFirst) {
    Pick(*w, 0, "Knights");
    Pick(*w, 1, "Goblins");
    w->show();
    bool visibleAfterClose = false;
    services.onPump = [&] {
        if (services.pumps == 1) {
            w->close();
            visibleAfterClose = w->isVisible();
        }
    };
    w->cmdAttack->click();
    EXPECT_TRUE(visibleAfterClose);  // the window waits for the run to stop
    EXPECT_EQ(services.pumps, 2);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->Running());
}

TEST_F(OddsLabRun, EachHeroOpensTheDialogOnceInListOrder) {
    Pick(*w, 0, "Brute");
    Pick(*w, 0, "Footmen");
    Pick(*w, 0, "Sage");
    Pick(*w, 1, "Goblins");
    Pick(*w, 1, "Scout");
    w->txtNumSimulations->setText("10");
    struct Opened {
        QString name, strength, hits, leadership;
        bool modal;
        bool abortEnabled;
        bool attackEnabled;
    };
    std::vector<Opened> opened;
    services.onDialog = [&](QDialog& dialog) {
        auto* hero = qobject_cast<frmHero*>(&dialog);
        ASSERT_NE(hero, nullptr);
        opened.push_back({hero->lblName->text(), hero->txtStrength->text(), hero->txtHits->text(),
                          hero->txtLeadership->text(), hero->isModal(), w->sscAbort->isEnabled(),
                          w->cmdAttack->isEnabled()});
        if (hero->lblName->text() == "Brute") {
            // The spinner goes past 14, the property does not.
            hero->updStrength->stepBy(6);
            EXPECT_EQ(hero->txtStrength->text(), "20");
            hero->updMorale->setValue(3);
            hero->updMissle->setValue(4);
            hero->cmdProceed->click();
        } else if (hero->lblName->text() == "Sage") {
            hero->updHits->stepBy(5);
            EXPECT_EQ(hero->txtHits->text(), "4");
            hero->updLeadership->setValue(5);
            hero->cmdProceed->click();
        } else {
            // The close box: nothing is written back.
            hero->updStrength->setValue(9);
            hero->reject();
        }
    };
    w->cmdAttack->click();
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0].name, "Brute");
    EXPECT_EQ(opened[1].name, "Sage");
    EXPECT_EQ(opened[2].name, "Scout");
    // Strength 20 in the game data opens as 14; leadership always opens as 1.
    EXPECT_EQ(opened[0].strength, "14");
    EXPECT_EQ(opened[0].hits, "3");
    EXPECT_EQ(opened[1].strength, "4");
    EXPECT_EQ(opened[1].hits, "1");
    for (const Opened& o : opened) {
        EXPECT_EQ(o.leadership, "1");
        EXPECT_TRUE(o.modal);
        EXPECT_FALSE(o.abortEnabled);
        EXPECT_FALSE(o.attackEnabled);
    }

    const b3::engine::CArmy& brute = w->AttArmies().Item("SN0");
    EXPECT_TRUE(brute.IsHero());
    EXPECT_EQ(brute.StartStrength(), 14);
    EXPECT_EQ(brute.Hits(), 3);
    EXPECT_EQ(brute.Morale(), 3);
    EXPECT_EQ(brute.Missle(), 4);
    EXPECT_EQ(brute.Leadership(), 1);
    const b3::engine::CArmy& sage = w->AttArmies().Item("SN2");
    EXPECT_EQ(sage.Hits(), 4);
    EXPECT_EQ(sage.Leadership(), 5);
    // Scout's dialog was closed without "Done": the game data's values stand.
    const b3::engine::CArmy& scout = w->DefArmies().Item("SN1");
    EXPECT_EQ(scout.StartStrength(), 5);
    EXPECT_EQ(scout.Hits(), 2);
    EXPECT_EQ(scout.Leadership(), 0);
    EXPECT_FALSE(w->AttArmies().Item("SN1").IsHero());
    EXPECT_TRUE(services.messages.empty());
}

TEST(OddsLabHeroDialog, HasItsCaptionsRangesAndClamps) {
    ScriptServices services;
    frmHero dialog(services);
    EXPECT_EQ(dialog.windowTitle(), "Hero Bonuses (Both Intrinsic and from Items)");
    EXPECT_EQ(dialog.fraUnitInfo->title(), "Hero Unit Statistics");
    EXPECT_EQ(dialog.fraStackBonus->title(), "Stack Bonuses");
    EXPECT_EQ(dialog.cmdProceed->text(), "&Done");
    struct Range {
        UpDownBox* box;
        int lo, hi;
    };
    const Range ranges[] = {
        {dialog.updStrength, 1, 255}, {dialog.updHits, 1, 4},          {dialog.updMissle, 0, 10},
        {dialog.updAssass, 0, 10},    {dialog.updCurse, 0, 10},        {dialog.updAcid, 0, 10},
        {dialog.updLightning, 0, 10}, {dialog.updTrample, 0, 3},       {dialog.updLeadership, 1, 5},
        {dialog.updMorale, 0, 5},     {dialog.updFortification, 0, 5}, {dialog.updChaos, 0, 5},
        {dialog.updFear, 0, 5},       {dialog.updSiege, 0, 5}};
    for (const Range& r : ranges) {
        EXPECT_EQ(r.box->minimum(), r.lo);
        EXPECT_EQ(r.box->maximum(), r.hi);
        EXPECT_TRUE(r.box->text()->isReadOnly());
        EXPECT_EQ(r.box->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    }
    // The setters clamp: Strength 1..14, Hits 1..4, the rest 0..10; text that is no number
    // leaves the value.
    dialog.SetValue(HeroBonus::Strength, 200);
    EXPECT_EQ(dialog.Value(HeroBonus::Strength), 14);
    dialog.SetValue(HeroBonus::Strength, -3);
    EXPECT_EQ(dialog.Value(HeroBonus::Strength), 1);
    dialog.SetValue(HeroBonus::Hits, 9);
    EXPECT_EQ(dialog.Value(HeroBonus::Hits), 4);
    dialog.SetValue(HeroBonus::Trample, 11);
    EXPECT_EQ(dialog.Value(HeroBonus::Trample), 10);
    dialog.SetValue(HeroBonus::Siege, -1);
    EXPECT_EQ(dialog.Value(HeroBonus::Siege), 0);
    dialog.SetValueText(HeroBonus::Fear, "abc");
    EXPECT_EQ(dialog.Value(HeroBonus::Fear), 0);
    dialog.SetValueText(HeroBonus::Fear, "4");
    EXPECT_EQ(dialog.Value(HeroBonus::Fear), 4);
    // Without a hero the copying steps do nothing and report nothing.
    dialog.Form_Load();
    dialog.cmdProceed_Click();
    EXPECT_TRUE(services.messages.empty());
}

// The first battle of Footmen (blessed) and Footmen against Goblins and Wall Guard on the
// field, worked by hand:
// - Footmen: strength 4, +1 for the field, +1 blessed = 6; the second 5. Morale 2.
// - Goblins 3 (hills bonus not on the field), chaos 1; Wall Guard 5, fortify 2.
// - Attacker: adjusted leadership 0 - 1 = -1, morale 2 - 0 = 2, fortification 0: bonus 1.
// - Defender: leadership 0, morale 0, fortification 2 - 0 = 2: bonus 2.
TEST_F(OddsLabRun, StatisticsWindowShowsTheFirstBattleOnce) {
    Pick(*w, 0, "Footmen", 2);
    SelectOne(*w, 0, 0);
    OpenMenu(*w, 0);
    w->mnuPopupItem[kBlessed]->trigger();
    Pick(*w, 1, "Goblins");
    Pick(*w, 1, "Wall Guard");
    w->sschkViewStats->setChecked(true);
    w->txtNumSimulations->setText("30");

    int pumpsBefore = -1;
    std::vector<std::vector<QString>> att, def;
    std::map<std::string, QString> labels;
    bool boldTotal = true;
    int attRows = 0, defRows = 0, attCurrent = -1, currentColumn = -1;
    QStringList headers;
    QString attTip, defTip;
    services.onDialog = [&](QDialog& dialog) {
        auto* stats = qobject_cast<frmStats*>(&dialog);
        ASSERT_NE(stats, nullptr);
        EXPECT_EQ(stats->windowTitle(), "Stack Statistics");
        EXPECT_TRUE(stats->isModal());
        pumpsBefore = services.pumps;
        auto read = [&](QTableWidget* grid, std::vector<std::vector<QString>>& out) {
            for (int r = 0; r < grid->rowCount(); ++r) {
                if (!grid->item(r, 0)) break;
                std::vector<QString> row;
                for (int c = 0; c < 12; ++c) row.push_back(grid->item(r, c)->text());
                out.push_back(row);
                boldTotal = boldTotal && grid->item(r, 2)->font().bold() &&
                            !grid->item(r, 1)->font().bold();
            }
        };
        read(stats->msfgStackStats[0], att);
        read(stats->msfgStackStats[1], def);
        attRows = stats->msfgStackStats[0]->rowCount();
        defRows = stats->msfgStackStats[1]->rowCount();
        attCurrent = stats->msfgStackStats[0]->currentRow();
        currentColumn = stats->msfgStackStats[0]->currentColumn();
        for (int c = 0; c < 12; ++c)
            headers << stats->msfgStackStats[0]->horizontalHeaderItem(c)->text();
        attTip = stats->msfgStackStats[0]->toolTip();
        defTip = stats->msfgStackStats[1]->toolTip();
        const std::pair<const char*, QLabel*> named[] = {
            {"AttRawLea", stats->lblAttRawLea}, {"AttRawMor", stats->lblAttRawMor},
            {"AttRawFor", stats->lblAttRawFor}, {"AttRawCha", stats->lblAttRawCha},
            {"AttRawFea", stats->lblAttRawFea}, {"AttRawSie", stats->lblAttRawSie},
            {"AttAdjLea", stats->lblAttAdjLea}, {"AttAdjMor", stats->lblAttAdjMor},
            {"AttAdjFor", stats->lblAttAdjFor}, {"AttBonus", stats->lblAttStackBonus},
            {"DefRawLea", stats->lblDefRawLea}, {"DefRawMor", stats->lblDefRawMor},
            {"DefRawFor", stats->lblDefRawFor}, {"DefRawCha", stats->lblDefRawCha},
            {"DefRawFea", stats->lblDefRawFea}, {"DefRawSie", stats->lblDefRawSie},
            {"DefAdjLea", stats->lblDefAdjLea}, {"DefAdjMor", stats->lblDefAdjMor},
            {"DefAdjFor", stats->lblDefAdjFor}, {"DefBonus", stats->lblDefStackBonus}};
        for (const auto& [key, label] : named) labels[key] = label->text();
        stats->sscDone->click();
    };
    w->cmdAttack->click();
    EXPECT_EQ(services.dialogs, 1);  // once per run
    EXPECT_EQ(pumpsBefore, 0);       // before the first battle is fought
    EXPECT_TRUE(services.messages.empty());

    const std::vector<std::vector<QString>> wantAtt = {
        {"Footmen", "4", "7", "2", "field", "1", "Morale", "2", "True", "False", "False", "0"},
        {"Footmen", "4", "6", "2", "field", "1", "Morale", "2", "False", "False", "False", "0"}};
    const std::vector<std::vector<QString>> wantDef = {
        {"Goblins", "3", "5", "1", "hills", "1", "Chaos", "1", "False", "False", "False", "0"},
        {"Wall Guard", "5", "7", "2", "city", "2", "Fortify", "2", "False", "False", "False", "0"}};
    EXPECT_EQ(att, wantAtt);
    EXPECT_EQ(def, wantDef);
    EXPECT_TRUE(boldTotal);
    EXPECT_EQ(attRows, 8);
    EXPECT_EQ(defRows, 32);
    EXPECT_EQ(attCurrent, 1);
    EXPECT_EQ(currentColumn, 2);
    EXPECT_EQ(headers,
              (QStringList{"Name", "Init Str", "Tot Str", "Hits", "CB Name", "CB Val", "Power Name",
                           "Power Val", "Blessed", "Poisoned", "Diseased", "Medals"}));
    EXPECT_EQ(attTip, "Dsiplays information about attacking armies");
    EXPECT_EQ(defTip, "Dsiplays information about defending armies");
    const std::map<std::string, QString> wantLabels = {
        {"AttRawLea", "0"}, {"AttRawMor", "2"}, {"AttRawFor", "0"},  {"AttRawCha", "0"},
        {"AttRawFea", "0"}, {"AttRawSie", "0"}, {"AttAdjLea", "-1"}, {"AttAdjMor", "2"},
        {"AttAdjFor", "0"}, {"AttBonus", "1"},  {"DefRawLea", "0"},  {"DefRawMor", "0"},
        {"DefRawFor", "2"}, {"DefRawCha", "1"}, {"DefRawFea", "0"},  {"DefRawSie", "0"},
        {"DefAdjLea", "0"}, {"DefAdjMor", "0"}, {"DefAdjFor", "2"},  {"DefBonus", "2"}};
    EXPECT_EQ(labels, wantLabels);
}

TEST_F(OddsLabRun, CityLevelReachesTheRunOnlyInACity) {
    Pick(*w, 0, "Knights");
    Pick(*w, 1, "Goblins");
    w->sschkViewStats->setChecked(true);
    w->txtNumSimulations->setText("10");
    QString fortify;
    services.onDialog = [&](QDialog& dialog) {
        auto* stats = qobject_cast<frmStats*>(&dialog);
        ASSERT_NE(stats, nullptr);
        fortify = stats->lblDefRawFor->text();
        stats->sscDone_Click();
    };
    w->cmdAttack->click();
    EXPECT_EQ(fortify, "0");
    w->cboTerrain->setCurrentIndex(0);  // city, village
    w->cboCityLevel->setCurrentIndex(1);
    w->cmdAttack->click();
    EXPECT_EQ(fortify, "2");
    w->cboCityLevel->setCurrentIndex(2);
    w->cmdAttack->click();
    EXPECT_EQ(fortify, "3");
    w->cboTerrain->setCurrentIndex(3);  // marsh
    w->cmdAttack->click();
    EXPECT_EQ(fortify, "0");
    // Unchecked: no statistics.
    w->sschkViewStats->setChecked(false);
    w->cmdAttack->click();
    EXPECT_EQ(services.dialogs, 4);
}

TEST(OddsLabRunErrors, AnUnnamedPowerIsReportedWithTheServersNumber) {
    auto game = std::make_unique<FakeEditObject>(
        std::vector<ArmyRow>{{"Oddities", 4, 2, 1, "", 0, 99, 1}, {"Goblins", 3, 1, 1}},
        std::vector<HeroRow>{{"Sage", 4, 1}});
    ScriptServices services;
    frmOddsLab w(services, *game);
    Pick(w, 0, "Oddities");
    Pick(w, 1, "Goblins");
    w.sschkViewStats->setChecked(true);
    w.txtNumSimulations->setText("10");
    w.cmdAttack->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Error: -2147219986\nMBattleCalc::ShowStats");
    EXPECT_EQ(services.messages[0].title, "The code has no name.");
    // The run goes on without the statistics and completes.
    EXPECT_EQ(services.dialogs, 0);
    EXPECT_TRUE(w.sscMoreResults->isEnabled());
    EXPECT_FALSE(w.lblAttWinPercent->text().isEmpty());
}

TEST(OddsLabRunErrors, NamesFromTheGameAreShownAsPlainText) {
    auto game =
        std::make_unique<FakeEditObject>(std::vector<ArmyRow>{{"<b>Bold</b> & Co", 4, 2, 1}},
                                         std::vector<HeroRow>{{"<i>Sly</i>", 4, 1}});
    ScriptServices services;
    frmOddsLab w(services, *game);
    Pick(w, 0, "<i>Sly</i>");
    Pick(w, 1, "<b>Bold</b> & Co");
    EXPECT_EQ(Texts(w, 1)[0], "<b>Bold</b> & Co");
    w.txtNumSimulations->setText("10");
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    services.onDialog = [&](QDialog& dialog) {
        auto* hero = qobject_cast<frmHero*>(&dialog);
        ASSERT_NE(hero, nullptr);
        shown = hero->lblName->text();
        format = hero->lblName->textFormat();
        hero->cmdProceed_Click();
    };
    w.cmdAttack->click();
    EXPECT_EQ(shown, "<i>Sly</i>");
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(w.lblAttWinPercent->textFormat(), Qt::PlainText);
    EXPECT_TRUE(services.messages.empty());
}

// Knights (strength 6, 2 hits, 3 turns) against Archers (3, 1 hit) with 20 dice, no powers and
// no terrain bonus: a melee point goes to the knights when only they score, 0.3 x 0.85 = 0.255,
// and to the archers when only they do, 0.15 x 0.7 = 0.105. The archers win only by taking two
// points before losing one: (0.105 / 0.36)^2 = 0.0850694...
TEST_F(OddsLabRun, ExactOddsStandBesideTheSimulatedOnes) {
    Pick(*w, 0, "Knights");
    Pick(*w, 1, "Archers");
    w->txtNumSimulations->setText("100");
    EXPECT_EQ(w->lblExactHeader->text(), "Exact");
    EXPECT_NE(w->lblExactHeader->toolTip().indexOf("without sampling"), -1);
    EXPECT_TRUE(w->lblExactWinPercent->text().isEmpty());
    w->cmdAttack->click();
    const double lose = (0.105 / 0.36) * (0.105 / 0.36);
    EXPECT_TRUE(w->lblExactWinPercent->text().endsWith('%'));
    // Two decimals in the window.
    EXPECT_NEAR(Number(w->lblExactWinPercent->text()), (1 - lose) * 100, 5e-3);
    EXPECT_NEAR(Number(w->lblExactAvg[2]->text()), lose, 5e-3);
    EXPECT_NEAR(Number(w->lblExactAvg[3]->text()), 3 * lose, 5e-3);
    EXPECT_NEAR(Number(w->lblExactAvg[4]->text()), 1 - lose, 5e-3);
    EXPECT_NEAR(Number(w->lblExactAvg[5]->text()), 1 - lose, 5e-3);
    EXPECT_NE(w->lblExactAvg[4]->toolTip().indexOf("without sampling"), -1);
    ASSERT_TRUE(w->LastExactOdds().has_value());
    EXPECT_NEAR(w->LastExactOdds()->attackerWinProbability, 1 - lose, 1e-12);

    // More Results charts the exact chances as a third series.
    w->sscMoreResults->click();
    frmMoreResults* more = w->MoreResults();
    ASSERT_NE(more, nullptr);
    ASSERT_TRUE(more->HasExact());
    ASSERT_NE(more->Series(0, 2), nullptr);
    EXPECT_EQ(more->Series(0, 2)->label(), "Exact");
    EXPECT_NEAR(more->Series(0, 2)->at(0), (1 - lose) * 100, 1e-9);
    EXPECT_NEAR(more->Series(0, 2)->at(1), lose * 100, 1e-9);
    EXPECT_NEAR(more->Series(1, 2)->at(1), (1 - lose) * 100, 1e-9);
    EXPECT_NEAR(more->Series(1, 2)->at(0), lose * 100, 1e-9);
    EXPECT_EQ(more->Series(0, 2)->at(2), 0);
    EXPECT_TRUE(services.messages.empty());

    // Two equal armies: even odds.
    more->close();
    w->sscClearList[0]->click();
    w->sscClearList[1]->click();
    Pick(*w, 0, "Archers");
    Pick(*w, 1, "Archers");
    w->cmdAttack->click();
    EXPECT_EQ(w->lblExactWinPercent->text(), "50.00%");
    EXPECT_EQ(w->lblExactAvg[2]->text(), "0.50");
    EXPECT_TRUE(w->lblExactAvg[2]->toolTip().startsWith("0.5\n"));
}

TEST_F(OddsLabRun, RunsAboveTenMillionBattlesStart) {
    // A run keeps its statistics, not a row per battle, so any count a Long holds may run.
    Pick(*w, 0, "Knights");
    Pick(*w, 1, "Goblins");
    w->txtNumSimulations->setText("20000000");
    services.onPump = [&] { w->sscAbort->click(); };
    w->cmdAttack->click();
    EXPECT_TRUE(services.messages.empty());
    EXPECT_GE(services.pumps, 1);  // the run started and was aborted
    EXPECT_TRUE(w->cmdAttack->isEnabled());
    EXPECT_FALSE(w->sscMoreResults->isEnabled());
}

TEST_F(OddsLabRun, MoreResultsIsOneWindowBroughtForward) {
    Pick(*w, 0, "Knights", 2);
    Pick(*w, 1, "Goblins", 3);
    w->txtNumSimulations->setText("40");
    w->cmdAttack->click();
    w->sscMoreResults->click();
    frmMoreResults* first = w->MoreResults();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), "Detailed Combat Results");
    auto battles = [](const frmMoreResults::ResultTable& t) {
        int sum = 0;
        for (const auto& row : t) sum += row[0];
        return sum;
    };
    EXPECT_EQ(battles(first->AttackerTable()), 40);
    EXPECT_EQ(battles(first->DefenderTable()), 40);
    EXPECT_EQ(services.busyLog.back(), false);

    // A newer run of another size: the open window is only brought forward, unchanged.
    w->txtNumSimulations->setText("60");
    w->cmdAttack->click();
    w->sscMoreResults->click();
    EXPECT_EQ(w->MoreResults(), first);
    EXPECT_EQ(battles(first->AttackerTable()), 40);

    // Done closes it; the next press computes from the latest run, with that run's own count
    // even when the box has been edited since.
    first->sscDone->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->MoreResults(), nullptr);
    w->txtNumSimulations->setText("500");
    w->sscMoreResults->click();
    ASSERT_NE(w->MoreResults(), nullptr);
    EXPECT_EQ(battles(w->MoreResults()->AttackerTable()), 60);
    EXPECT_TRUE(services.messages.empty());
}

}  // namespace
}  // namespace b3::oddslab::test
