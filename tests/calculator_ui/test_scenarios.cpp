// Scenario files in the calculator's window on the sample installation: a file opened and run in
// the window gives b3cli's figures, what the window saves reads back the same, bad files are
// refused without touching the lists, the detailed results show survival and "N or more", a
// pinned run is compared with the next, and the results export as text and CSV.
#include <gtest/gtest.h>

#include <QBarSet>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "calculator/ui/frm_hero.h"
#include "calculator/ui/frm_more_results.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/frm_suggest.h"
#include "engine/number_format.h"
#include "engine/scenario.h"
#include "sample/sample.h"
#include "support/portable.h"
#include "ui_support.h"

namespace b3::oddslab::test {
namespace {

const char* const kScenario = R"({"dice": 22, "terrain": "city", "city_level": 2, "battles": 400,
  "attack": [{"hero": "PALADIN", "bonuses": {"strength": 8, "leadership": 3}},
             {"army": "KNIGHTS", "blessed": true, "medals": 2}, "None", "GRIFFON"],
  "defend": ["ORCS", {"army": "DWARVES", "poisoned": true}, "SKELETON"]})";

// A text file, its line ends read as the platform's text files have them.
std::string Slurp(const QString& file) {
    std::ifstream in(file.toStdString());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A file's bytes as they are (line ends included, on Windows too).
std::string SlurpBytes(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return {};
    return in.readAll().toStdString();
}

class ScenarioWindow : public ::testing::Test {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        // The window starts with the options of a new installation, whatever an earlier test of
        // this program chose.
        QSettings().clear();
        ASSERT_TRUE(temp.isValid());
        game = temp.filePath("game").toStdString();
        b3::sample::WriteSampleInstallation(game);
        editObject = b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{game});
        window = std::make_unique<frmOddsLab>(services, *editObject);
        file = temp.filePath("battle.json");
        std::ofstream(file.toStdString()) << kScenario;
        // Heroes are confirmed with what their dialog offers.
        services.onDialog = [](QDialog& dialog) {
            if (auto* hero = qobject_cast<frmHero*>(&dialog)) hero->cmdProceed_Click();
        };
    }
    // b3cli odds on a scenario file with a seed: its five text lines.
    std::string Cli(const QString& scenario, const std::string& args) {
        const std::filesystem::path folder = temp.path().toStdWString();
        std::vector<std::string> argv = {"--install", game, "odds", scenario.toStdString()};
        std::istringstream words(args);
        for (std::string word; words >> word;) argv.push_back(word);
        const b3::testing::RunResult r =
            b3::testing::RunCaptured(B3CLI_PATH, argv, b3::testing::CurrentEnvironment(), folder);
        const std::string out = b3::testing::Unix(r.out);
        EXPECT_EQ(r.status, 0) << out << r.err;
        return out;
    }
    // b3cli's arguments for the run the window makes with `seed`: the same seed and threads.
    std::string Same(int seed) const {
        return "--seed " + std::to_string(seed) + " --threads " + std::to_string(window->Threads());
    }
    // The window's figures (its model, at full precision) in b3cli's words and number format.
    std::string WindowFigures() {
        const QuickFigures f = window->CurrentFigures();
        EXPECT_TRUE(f.valid);
        auto single = [&](int i) {
            return b3::engine::FormatGeneralSingle(static_cast<float>(f.simulated[i]));
        };
        return "Attacker Wins: " + b3::engine::FormatGeneral(f.simulated[0]) +
               "%\nAvg. Att. Units Lost: " + single(1) +
               "\nAvg. Att. Prod. Turns Lost: " + single(2) +
               "\nAvg. Def Units Lost: " + single(3) +
               "\nAvg. Def. Prod. Turns Lost: " + single(4) + "\n";
    }

    QTemporaryDir temp;
    std::string game;
    std::unique_ptr<b3::_CEditObject> editObject;
    ScriptServices services;
    std::unique_ptr<frmOddsLab> window;
    QString file;
};

TEST_F(ScenarioWindow, OpenedScenarioRunsLikeB3cliAndSavesTheSame) {
    frmOddsLab& w = *window;
    services.openFile = file;
    w.mnuOpenScenario_Click();
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    EXPECT_EQ(Texts(w, 0), (QStringList{"Paladin", "Knights *", "None", "Griffons"}));
    EXPECT_EQ(Texts(w, 1), (QStringList{"Orcs", "Dwarven Guard *", "Skeletons"}));
    EXPECT_EQ(w.Health(0).at(2, kMedals), 2);
    EXPECT_EQ(w.txtCombatDice->text(), "22");
    EXPECT_EQ(w.cboTerrain->currentText(), "city");
    EXPECT_EQ(w.cboCityLevel->currentIndex(), 1);
    EXPECT_EQ(w.RecentScenarios().value(0), QFileInfo(file).absoluteFilePath());
    // Opened again (on Windows spelled in capitals, the same file there) it is still one entry.
#ifdef _WIN32
    services.openFile = file.toUpper();
#endif
    w.mnuOpenScenario_Click();
    const QString opened = QFileInfo(file).absoluteFilePath();
    const QStringList recent = w.RecentScenarios();
    EXPECT_EQ(std::count_if(
                  recent.begin(), recent.end(),
                  [&](const QString& r) { return r.compare(opened, Qt::CaseInsensitive) == 0; }),
              1)
        << recent.join(", ").toStdString();

    // Saved before any run: the same scenario, byte for byte as the engine writes it.
    const QString saved = temp.filePath("saved.json");
    ASSERT_TRUE(w.SaveScenarioFile(saved));
    const auto original = b3::engine::ParseScenario(kScenario, "original");
    EXPECT_EQ(Slurp(saved), b3::engine::ScenarioJson(original));

    // Run with b3cli's default seed handling replaced by a fixed seed on both sides.
    w.SetSeed(11);
    w.cmdAttack->click();
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    EXPECT_EQ(WindowFigures(), Cli(file, Same(11)));
    // What the window saves after the run (with every bonus the dialog confirmed) runs the same.
    const QString after = temp.filePath("after.json");
    ASSERT_TRUE(w.SaveScenarioFile(after));
    EXPECT_EQ(Cli(after, Same(11)), WindowFigures());
}

// A scenario's "simulation" becomes the window's choice, its next run is simulated that way as
// b3cli simulates the file, and a saved scenario keeps the choice.
TEST_F(ScenarioWindow, ScenarioSimulationBecomesTheWindowsChoice) {
    frmOddsLab& w = *window;
    ASSERT_EQ(w.SimulationChoice(), b3::engine::Simulation::Duel);
    std::string text = kScenario;
    text.insert(1, R"("simulation": "rolled", )");
    const QString rolled = temp.filePath("rolled.json");
    std::ofstream(rolled.toStdString()) << text;
    ASSERT_TRUE(w.OpenScenarioFile(rolled));
    EXPECT_EQ(w.SimulationChoice(), b3::engine::Simulation::Rolled);
    EXPECT_TRUE(w.mnuEveryExchangeRolled->isChecked());
    EXPECT_FALSE(w.mnuDuelByDuel->isChecked());

    w.SetSeed(11);
    w.cmdAttack->click();
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    EXPECT_EQ(w.BattleCalc().GetSimulation(), b3::engine::Simulation::Rolled);
    EXPECT_EQ(WindowFigures(), Cli(rolled, Same(11)));
    EXPECT_NE(WindowFigures(), Cli(file, Same(11)));  // duel by duel, the file without the key

    const QString saved = temp.filePath("saved-rolled.json");
    ASSERT_TRUE(w.SaveScenarioFile(saved));
    EXPECT_EQ(b3::engine::LoadScenario(saved.toStdString()).simulation,
              b3::engine::Simulation::Rolled);
    // A scenario without the key is simulated duel by duel.
    ASSERT_TRUE(w.OpenScenarioFile(file));
    EXPECT_EQ(w.SimulationChoice(), b3::engine::Simulation::Duel);
    EXPECT_TRUE(w.mnuDuelByDuel->isChecked());
}

TEST_F(ScenarioWindow, BadFilesAreRefusedAndTheListsKept) {
    frmOddsLab& w = *window;
    services.openFile = file;
    w.mnuOpenScenario_Click();
    const QString bad = temp.filePath("bad.json");
    std::ofstream(bad.toStdString()) << R"({"attack": ["KNIGHTS", "NOBODY"], "defend": ["ORCS"]})";
    EXPECT_FALSE(w.OpenScenarioFile(bad));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(services.messages[0].text.contains("attack[1]"))
        << services.messages[0].text.toStdString();
    EXPECT_EQ(w.lstArmies[0]->count(), 4);

    // Empty lists cannot be saved: the reason is given and an existing file is kept.
    w.sscClearList[0]->click();
    std::ofstream(temp.filePath("keep.json").toStdString()) << "keep";
    EXPECT_FALSE(w.SaveScenarioFile(temp.filePath("keep.json")));
    EXPECT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(Slurp(temp.filePath("keep.json")), "keep");
}

TEST_F(ScenarioWindow, DetailedResultsShowSurvivalAndNOrMore) {
    frmOddsLab& w = *window;
    ASSERT_TRUE(w.OpenScenarioFile(file));
    w.SetSeed(3);
    w.cmdAttack->click();
    // Editing the lists after the run does not change whom its figures are about.
    // The user deletes the fourth attacker (selected, the Delete key).
    SelectOne(w, 0, 3);
    QTest::keyClick(w.lstArmies[0], Qt::Key_Delete);
    w.sscMoreResults->click();
    frmMoreResults* more = w.MoreResults();
    ASSERT_NE(more, nullptr);
    QTableWidget* grid = more->grdSurvival;
    ASSERT_EQ(grid->rowCount(), 7);
    EXPECT_EQ(grid->item(2, 2)->text(), "None");
    EXPECT_EQ(grid->item(3, 2)->text(), "Griffons");
    EXPECT_EQ(grid->item(2, 3)->text(), "");
    // The first defender falls exactly when the attacker wins.
    const double win = w.LastExactOdds()->attackerWinProbability;
    EXPECT_EQ(grid->item(4, 3)->text(), QString::number((1 - win) * 100.0, 'f', 1) + "%");

    // "N or more": nobody escapes losing 0 or more, and the exact bars fall from 100.
    more->SetAtLeast(true);
    EXPECT_DOUBLE_EQ(more->Series(0, 0)->at(0), 100.0);
    EXPECT_NEAR(more->Series(1, 2)->at(0), 100.0, 1e-9);
    EXPECT_NEAR(more->Series(1, 2)->at(3), win * 100.0, 1e-9);
    more->optExactlyN->setChecked(true);
    EXPECT_FALSE(more->AtLeast());
    EXPECT_NEAR(more->Series(1, 2)->at(3), w.LastExactOdds()->defenderUnitsLost[3] * 100.0, 1e-9);

    // Given an outcome: a win costs the defender all three, a loss the attacker its three; the
    // attacker's losses given a win are shares of the won battles only.
    more->cboOutcome->setCurrentIndex(1);
    EXPECT_EQ(more->Outcome(), 1);
    EXPECT_DOUBLE_EQ(more->Series(1, 0)->at(3), 100.0);
    EXPECT_NEAR(more->Series(1, 2)->at(3), 100.0, 1e-9);
    double shares = 0, exact = 0;
    for (int n = 0; n < 33; ++n) {
        shares += more->Series(0, 0)->at(n);
        exact += more->Series(0, 2)->at(n);
        EXPECT_NEAR(
            more->Series(0, 2)->at(n),
            w.LastExactOdds()->attackerUnitsLostGiven[1][static_cast<std::size_t>(n)] * 100.0,
            1e-9);
    }
    EXPECT_NEAR(shares, 100.0, 1e-9);
    EXPECT_NEAR(exact, 100.0, 1e-9);
    more->SetOutcome(0);
    EXPECT_DOUBLE_EQ(more->Series(0, 0)->at(3), 100.0);
    EXPECT_NEAR(more->Series(0, 2)->at(3), 100.0, 1e-9);
}

TEST_F(ScenarioWindow, SuggestListsOptionsThatReachTheTarget) {
    frmOddsLab& w = *window;
    ASSERT_TRUE(w.OpenScenarioFile(file));
    b3::engine::Suggestion answer;
    services.onDialog = [&](QDialog& dialog) {
        if (auto* suggest = qobject_cast<frmSuggest*>(&dialog)) {
            suggest->updTarget->setValue(99.5);
            suggest->cmdSearch->click();
            suggest->WaitForAnswer();
            answer = suggest->Answer();
            EXPECT_EQ(suggest->grdOptions->rowCount(), static_cast<int>(answer.options.size()));
        }
    };
    w.mnuSuggest->trigger();
    EXPECT_DOUBLE_EQ(answer.target, 0.995);
    ASSERT_FALSE(answer.options.empty());
    for (const auto& o : answer.options) EXPECT_GE(o.winProbability, 0.995);
    EXPECT_EQ(w.lstArmies[0]->count(), 4);  // the window's lists are left alone
}

TEST_F(ScenarioWindow, PinnedRunIsComparedAndResultsExport) {
    frmOddsLab& w = *window;
    ASSERT_TRUE(w.OpenScenarioFile(file));
    EXPECT_FALSE(w.sscPin->isEnabled());
    w.SetSeed(1);
    w.cmdAttack->click();
    ASSERT_TRUE(w.sscPin->isEnabled());
    w.sscPin->click();
    const QuickFigures first = w.PinnedFigures();
    ASSERT_TRUE(first.valid);
    EXPECT_NEAR(w.lblPinned[0][0]->text().toDouble(), first.simulated[0], 0.05);
    EXPECT_EQ(w.lblPinned[0][1]->text(), "0");

    // A weaker attack: every change is the new figure less the pinned one. Each figure shows the
    // precision its interval supports and each change that of the coarser of its two figures, so
    // it lies within half a unit of its last decimal; exact figures and their changes show two
    // decimals.
    // The user deletes the fourth attacker (selected, the Delete key).
    SelectOne(w, 0, 3);
    QTest::keyClick(w.lstArmies[0], Qt::Key_Delete);
    w.SetSeed(2);
    w.cmdAttack->click();
    const QuickFigures now = w.CurrentFigures();
    for (int r = 0; r < kFigureCount; ++r) {
        const int decimals = FigureDecimals(first.interval[r]);
        EXPECT_EQ(w.lblPinned[r][0]->text(), QString::number(first.simulated[r], 'f', decimals))
            << r;
        const int changeDecimals = std::min(decimals, FigureDecimals(now.interval[r]));
        const QString change = w.lblPinned[r][1]->text();
        if (change != "0") {
            EXPECT_EQ(change.section('.', 1).size(), changeDecimals) << r;
        }
        EXPECT_NEAR(change.toDouble(), now.simulated[r] - first.simulated[r],
                    0.5 * std::pow(10.0, -changeDecimals) + 1e-12)
            << r;
        ASSERT_TRUE(now.exact[r] && first.exact[r]);
        EXPECT_EQ(w.lblPinned[r][2]->text(), QString::number(*first.exact[r], 'f', 2)) << r;
        EXPECT_NEAR(w.lblPinned[r][3]->text().toDouble(), *now.exact[r] - *first.exact[r],
                    0.005 + 1e-12)
            << r;
    }
    EXPECT_LT(now.exact[0].value(), first.exact[0].value());

    // CSV: the set-up, the five figures, then one row per number of armies destroyed, 0 to 32.
    const QString csv = temp.filePath("results.csv");
    ASSERT_TRUE(w.ExportResults(csv));
    const QStringList lines = QString::fromStdString(SlurpBytes(csv)).split("\r\n");
    const int figures = static_cast<int>(lines.indexOf(
        "\"Figure\",\"Simulated\",\"95% interval low\",\"95% interval high\",\"Exact\""));
    ASSERT_GT(figures, 0) << lines.join('|').toStdString();
    EXPECT_TRUE(lines[figures + 1].startsWith("\"Attacker Wins (%)\",\"" +
                                              FullPrecision(now.simulated[0]) + "\""));
    long long battles = 0;
    for (int n = 0; n <= 32; ++n) {
        const QStringList cells = lines[figures + 8 + n].split(',');
        ASSERT_EQ(cells.size(), 7);
        EXPECT_EQ(cells[0], "\"" + QString::number(n) + "\"");
        battles += QString(cells[4]).remove('"').toLongLong();
    }
    EXPECT_EQ(battles, 400);
    // The clipboard gets the same table with tabs.
    w.mnuCopyResults->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), w.ResultsText());
    EXPECT_TRUE(w.ResultsText().startsWith("OddsLab results\nRun\tRun 2: 400 battles"));
    // A folder that does not exist: a message, no file.
    EXPECT_FALSE(w.ExportResults(temp.filePath("missing/results.csv")));
    EXPECT_FALSE(services.messages.empty());
}

}  // namespace
}  // namespace b3::oddslab::test
