// The combat calculator's main window. The user picks armies and heroes into an attacking list
// (up to four stacks of eight) and a defending list (one stack of up to 32), marks them through
// the lists' pop-up menu, sets the combat dice, the defender's terrain, the city level and the
// number of battles, and starts the simulation; the run writes its progress and quick results
// back into the window, which is the engine's host. What the window shows and edits is kept in
// its model (OddsLabModel); the window displays it and forwards its users' edits to it.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "b3/edit_object.h"
#include "calculator/ui/oddslab_model.h"
#include "calculator/ui/run_figures.h"
#include "calculator/ui/run_record.h"
#include "calculator/ui/unit_chooser.h"
#include "engine/army.h"
#include "engine/battle_calc.h"
#include "engine/exact_odds.h"
#include "engine/host.h"
#include "engine/scenario.h"
#include "engine/unit_list.h"

class QAction;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QScrollArea;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

namespace b3::oddslab {

class CalculatorServices;
class UpDownBox;
class frmMoreResults;

class frmOddsLab : public QMainWindow, public b3::engine::CalculatorHost {
    Q_OBJECT
public:
    frmOddsLab(CalculatorServices& services, b3::_CEditObject& editObject,
               QWidget* parent = nullptr);
    ~frmOddsLab() override;

    // The battle set up, the options and the figures of the runs; edits go through the window,
    // which shows them.
    const OddsLabModel& Model() const { return model_; }

    // ---- Properties read by the engine (the model's)
    b3::engine::Long NumHeroes() const override { return model_.NumHeroes(); }
    b3::engine::Long NumArmies() const override { return model_.NumArmies(); }
    b3::engine::Long NumBattles() const { return model_.NumBattles(); }
    // Stores the value only when the text is a number; one too large for a 32-bit integer fails
    // with an overflow.
    void SetNumBattles(const QString& value) { model_.SetNumBattles(value); }
    b3::engine::Long CombatDice() const { return model_.CombatDice(); }
    void SetCombatDice(const QString& value) { model_.SetCombatDice(value); }
    std::string Terrain() const override { return model_.Terrain(); }
    void SetTerrain(const QString& terrain) { model_.SetTerrain(terrain.toStdString()); }
    const DataArray& Armies() const override { return model_.Armies(); }
    const DataArray& Heroes() const override { return model_.Heroes(); }
    b3::engine::CAttackArmies& AttArmies() override { return model_.AttArmies(); }
    b3::engine::CAttackArmies& DefArmies() override { return model_.DefArmies(); }

    // ---- Start-up and setup
    void Form_Load();
    void LoadArmyCombos();
    void LoadTerrainCombo();
    void LoadCityLevelCombo();
    void AddArmyToList(int Index);
    void AdjustDefTerrain(int Index, int Count);
    void FillArmyCollections();
    void AddAttacker(b3::engine::Long ArmyID, b3::engine::Long Slot);
    void AddDefender(b3::engine::Long ArmyID, b3::engine::Long Slot);
    bool CheckIfUndead(b3::engine::Long Row) const { return model_.CheckIfUndead(Row); }
    // Computes the exact odds of the sides just run, with the dice and city level the run started
    // with, and shows them beside the simulated ones (or why they cannot be computed).
    void ShowExactOdds(const RunSetup& run);
    // The exact odds of the last completed run, when they could be computed.
    const std::optional<b3::engine::ExactOdds>& LastExactOdds() const {
        return model_.LastExactOdds();
    }
    bool VerifyForm();
    // Refuses a run whose first attacking stack or whose defending stack holds no army or hero
    // (only "None" entries), with a message naming the side.
    bool VerifyStacks();

    // ---- Scenario files (the format of b3cli odds) and what it takes to win
    // The window's battle as a scenario: both lists with their marks, the heroes' bonuses as
    // last entered or opened, the dice, terrain, city level, number of battles and the way they
    // are simulated.
    b3::engine::Scenario CurrentScenario() const { return model_.CurrentScenario(); }
    // Replaces the window's battle by the scenario (and the choice of simulation by its own);
    // throws b3::engine::ScenarioError, changing nothing, when an entry names no unit of the
    // installation.
    void ShowScenario(const b3::engine::Scenario& s);
    // Open and save through the file dialog, or with a given file; false (after a message)
    // when the file cannot be read or written.
    bool OpenScenarioFile(const QString& file);
    bool SaveScenarioFile(const QString& file);
    void mnuOpenScenario_Click();
    void mnuSaveScenario_Click();
    void mnuSuggest_Click();
    // The most recently opened or saved scenarios, newest first (at most 8).
    QStringList RecentScenarios() const;
    // The bonuses kept on a hero's list entry; false when it has none.
    bool EntryBonuses(int side, int position, b3::engine::SimpleHost::Bonuses& bonuses) const {
        return model_.EntryBonuses(side, position, bonuses);
    }

    // ---- The Options menu: how runs are simulated, remembered from one session to the next
    // How the next run fights its battles.
    b3::engine::Simulation SimulationChoice() const { return model_.SimulationChoice(); }
    // Makes `simulation` the choice (checked in the menu) and remembers it; figures simulated
    // otherwise become out of date.
    void SetSimulationChoice(b3::engine::Simulation simulation);
    // The number of threads each run is split over (1 to kMaxThreads); at first one per core.
    int Threads() const { return model_.Threads(); }
    // Keeps `threads` (held to 1..kMaxThreads) for the next runs and remembers it.
    void SetThreads(int threads);
    void mnuThreads_Click();
    // The seed every run starts from, as `b3cli odds --seed` takes it; without one each run
    // draws a seed of its own (and shows it, so that the run can be repeated).
    std::optional<std::uint64_t> SeedChoice() const { return model_.SeedChoice(); }
    void SetSeed(std::optional<std::uint64_t> seed) { model_.SetSeed(seed); }
    void mnuSeed_Click();

    // ---- Comparing and exporting results
    // The figures shown: those of the last completed run.
    QuickFigures CurrentFigures() const { return model_.CurrentFigures(); }
    const QuickFigures& PinnedFigures() const { return model_.PinnedFigures(); }
    void sscPin_Click();
    // The run's set-up, its figures with their intervals and the exact ones, and both loss
    // distributions, as rows of cells (full precision).
    std::vector<std::vector<QString>> ResultsTable() const {
        return model_.ResultsTable(battle_->Statistics());
    }
    // The same as text with tab-separated cells (for the clipboard).
    QString ResultsText() const { return model_.ResultsText(battle_->Statistics()); }
    void mnuCopyResults_Click();
    void mnuExportResults_Click();
    bool ExportResults(const QString& file);

    void cboArmies_Click(int Index);
    void cboTerrain_Click();
    void txtCombatDice_Change();
    void txtNumSimulations_Change();
    // Returns false when the key is swallowed.
    bool txtNumSimulations_KeyPress(int KeyAscii);
    void txtNumSimulations_LostFocus();
    void cmdAttack_Click();
    void sscAbort_Click();
    void sscExit_Click();
    void sscMoreResults_Click();
    // Appends the armies (rows of the army data) to the attacking list, as far as it has room.
    void AddToAttack(const std::vector<b3::engine::Long>& armies);

    // ---- List editing
    void lstArmies_DblClick(int Index);
    // A mouse button released over list `Index` at `pos` (list viewport coordinates).
    void lstArmies_MouseUp(int Index, Qt::MouseButton Button, const QPoint& pos);
    void mnuPopupItem_Click(int Index);
    void mnuPopupItemMedals_Click(int Index);
    void mnuPopupDelete_Click();
    void sscListArrow_Click(int Index);
    void sscDup_Click(int Index);
    void sscClearList_Click(int Index);
    void DeleteArmyFromList(int Index, int Position);
    void MoveOnlyOne(int Index);
    void MoveArmyInList(int Side, int Position, int Direction);
    // Shows a side's list as the model holds it (every entry its unit's name, followed by " *"
    // exactly when the battle uses marks for it) and updates the state of the results.
    void ListChanged(int Side);
    static bool AsteriskEligible(const QString& Text);
    // Offers in the pop-up menu only the marks the selected units may take together.
    void EvaluateHealthConflicts(int Side);

    // ---- Which run the figures come from, and whether they still match the setup
    // The setup on screen, as a run would take it.
    RunSetup CurrentSetup() const { return model_.CurrentSetup(); }
    const RunRecord& Record() const { return model_.Record(); }
    // Greys the figures and shows why when they no longer describe the setup on screen.
    void UpdateResultState();
    bool ResultsStale() const { return model_.ResultsStale(); }

    // ---- State, for the windows the run opens and for tests
    const HealthArray& Health(int side) const { return model_.Health(side); }
    bool Running() const { return running_; }
    b3::engine::MBattleCalc& BattleCalc() { return *battle_; }
    frmMoreResults* MoreResults() const;
    // The side whose list the pop-up menu entries act on: the list that has the focus.
    int FocusedSide() const;

    // ---- CalculatorHost
    void ShowHeroDialog(b3::engine::CArmy& hero) override;
    std::string PowerTypeName(b3::engine::Long code) const override;
    void SetBusy(bool busy) override;
    void ShowProgressBar() override;
    void SetProgress(b3::engine::Long percent) override;
    void SetStatusText(const std::string& text) override;
    void PumpEvents() override;
    void ShowStats(const b3::engine::StackStatistics& stats) override;
    void ReportError(const std::string& label, std::int32_t number,
                     const std::string& description) override;

    // ---- Controls (index 0 the attacking side, 1 the defending side)
    QGroupBox* fraAttack;
    QGroupBox* fraDefend;
    QGroupBox* fraSetup;
    QGroupBox* fraQuickResults;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label12;
    QLabel* Label13;
    UnitChooser* cboArmies[2];
    QListWidget* lstArmies[2] = {};
    // 0 and 1 "Army Up" and "Army Dn" of the attacking list, 2 and 3 of the defending list.
    QPushButton* sscListArrow[4];
    QPushButton* sscDup[2];
    QLineEdit* txtDup[2];
    UpDownBox* updDup[2];
    QPushButton* sscClearList[2];
    // 0 to 3 beside the attacking stacks, 4 beside the defending stack.
    QLabel* lblStack[5];
    QLineEdit* txtCombatDice;
    UpDownBox* updCombatDice;
    QComboBox* cboTerrain;
    QLineEdit* txtNumSimulations = nullptr;
    QComboBox* cboCityLevel = nullptr;
    QCheckBox* sschkViewStats;
    QLabel* lblAttWinPercent = nullptr;
    // Indices 2 to 5 are used.
    QLabel* lblAvg[6] = {};
    // The heading over the simulated figures ("Simulated", with the battle count) and the half
    // width of each figure's 95% interval ("± 1.6"), indices as for the figures.
    QLabel* lblSimHeader = nullptr;
    QLabel* lblAttWinPm = nullptr;
    QLabel* lblAvgPm[6] = {};
    // Why the figures are out of date (hidden while they are current).
    QLabel* lblResultsNote = nullptr;
    // The exact figures beside the simulated ones, computed without sampling.
    QLabel* lblExactHeader = nullptr;
    QLabel* lblExactWinPercent = nullptr;
    QLabel* lblExactAvg[6] = {};
    QPushButton* cmdAttack;
    QPushButton* sscAbort;
    QPushButton* sscExit;
    QPushButton* sscMoreResults;
    QWidget* picProgBar;
    QProgressBar* pbBattleProgress;
    QStatusBar* sbrOddsLab;
    // The status bar's panels: progress indicator, percent completed, date, time.
    QLabel* sbrPanel[4];
    QMenu* mnuPopup;
    // Indices 1 to 7; 4 is the "Medal" sub-menu.
    QAction* mnuPopupItem[8] = {};
    QMenu* mnuPopupMedal;
    QAction* mnuPopupItemMedals[5];
    QAction* mnuSep1;
    QAction* mnuPopupDelete;
    QAction* mnuOpenScenario;
    QAction* mnuSaveScenario;
    QMenu* mnuRecentScenarios;
    QAction* mnuSuggest;
    QAction* mnuCopyResults;
    QAction* mnuExportResults;
    QMenu* mnuOptions;
    QAction* mnuDuelByDuel;
    QAction* mnuEveryExchangeRolled;
    QAction* mnuThreads;
    QAction* mnuSeed;
    QGroupBox* grpPinned;
    QPushButton* sscPin;
    // Rows: the five figures; columns: pinned, change, pinned exact, change exact.
    QLabel* lblPinned[kFigureCount][4] = {};

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QGroupBox* MakeSideFrame(int side);
    QWidget* MakeSetupColumn();
    void MakeStatusBar();
    void MakePopupMenu();
    void MakeScenarioMenu();
    void MakeOptionsMenu();
    // Who survived the last run on `side`: the listed units, exact and simulated shares.
    void FillSurvival(frmMoreResults& window);
    void MakeResultsPanel();
    // A completed run's figures are shown: comparing and exporting become possible.
    void ResultsShown();
    void ShowComparison();
    void RememberScenario(const QString& file);
    void FillRecentMenu();
    void PlaceStackLabels(int side);
    void SetProgressVisible(bool visible);
    void UpdateClock();
    // Makes a side's list widget hold the model's entries, texts and identifiers (the entries
    // it keeps keep their selection).
    void SyncList(int side);
    // The positions of the selected entries of a side's list, top to bottom.
    std::vector<int> SelectedPositions(int side) const;
    void Message(const QString& text);
    // Shows the model's figures (simulated and intervals) in their labels.
    void ShowFigures();
    // Lets the window's least size follow its figures' labels.
    void FitToFigures();
    // A figure label's text, which its accessible name carries too.
    void SetFigureText(QLabel* label, const QString& text);
    // The figure labels of the quick results: simulated, interval and exact.
    std::vector<QLabel*> FigureLabels() const;

    CalculatorServices& services_;
    b3::_CEditObject& editObject_;
    OddsLabModel model_;
    std::unique_ptr<b3::engine::MBattleCalc> battle_;
    bool running_ = false;
    bool closePending_ = false;
    int menuSide_ = -1;
    QPointer<frmMoreResults> moreResults_;
    // A hero dialog was cancelled: the Attack that opened it fights no battle.
    bool attackCancelled_ = false;
    // Where the hero whose dialog is about to open stands (side and list position).
    QString heroPlace_;
    QWidget* stackColumn_[2] = {};
    QWidget* resultsRow_ = nullptr;
    // The window's content and the area it scrolls in on a small screen.
    QWidget* content_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    // The window's size around a content of this size (menu bar and status bar added).
    QSize Around(const QSize& content) const;
    // The largest window, frame included, that the window's screen has room for.
    QSize ScreenRoom() const;
    bool placed_ = false;  // fitted to its screen when first shown
    QTimer* clock_ = nullptr;
    int rowHeight_ = 16;
    // The list entry whose hero the hero dialog is asked for (side, position), or -1.
    int askingSide_ = -1;
    int askingPosition_ = -1;
};

// The caption of the window and the title of its messages.
inline constexpr const char* kMainCaption = "Banerule 3 Combat Calculator";
inline constexpr const char* kMessageTitle = "OddsLab";

}  // namespace b3::oddslab
