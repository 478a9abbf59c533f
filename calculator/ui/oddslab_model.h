// What the OddsLab main window shows and edits, without its widgets: the units of the
// installation, the attacking and defending lists with their marks and heroes' bonuses, the
// combat dice, terrain, city level and number of battles, how runs are simulated, the record of
// the run whose figures are shown and those figures (simulated, exact and pinned). The window
// displays this model and forwards its users' edits to it; its figures flow from here to the
// labels, never back.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "b3/edit_object.h"
#include "calculator/ui/run_figures.h"
#include "calculator/ui/run_record.h"
#include "engine/army.h"
#include "engine/exact_odds.h"
#include "engine/hero_dialog.h"
#include "engine/intervals.h"
#include "engine/scenario.h"
#include "engine/simple_host.h"
#include "engine/simulation.h"
#include "engine/unit_list.h"

namespace b3::engine {
class RunStatistics;
}

namespace b3::oddslab {

// The marks of the units of one list: rows 1 to 33 (the unit at list position p owns row p + 1;
// row 33 is never written and moves up when a unit leaves a full list), columns 1 blessed,
// 2 diseased, 3 poisoned, 4 number of medals (0..4), 5 blacksmith, 6 weaponsmaster, 7 flying.
// Boolean columns hold 0 or 1.
struct HealthArray {
    std::array<std::array<std::int16_t, 8>, 34> cell{};
    std::int16_t& at(int row, int column) {
        return cell.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
    }
    std::int16_t at(int row, int column) const {
        return cell.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
    }
};

// Health array columns.
inline constexpr int kBlessed = 1;
inline constexpr int kDiseased = 2;
inline constexpr int kPoisoned = 3;
inline constexpr int kMedals = 4;
inline constexpr int kBlacksmith = 5;
inline constexpr int kWeaponsmaster = 6;
inline constexpr int kFlying = 7;

// The text after a marked unit's name in the lists.
inline constexpr const char* kMarkSuffix = " *";

// A list holds at most this many units.
inline constexpr int kMaxListUnits = 32;
// The largest number of battles a run accepts: any count a Long holds, since a run keeps its
// statistics, not a row per battle.
inline constexpr b3::engine::Long kMaxBattles = std::numeric_limits<b3::engine::Long>::max();
// A run is split over at most this many threads.
inline constexpr int kMaxThreads = 64;

// A hero's bonuses as last entered for a list entry, each a number or nothing (as loaded).
using EntryBonusValues = std::array<std::optional<b3::engine::Long>, b3::engine::kHeroBonusCount>;

// One entry of a list: the unit's identifier (armies first, then heroes, then "None") and, for a
// hero, the bonuses last entered or opened for it.
struct ListEntry {
    b3::engine::Long id = 0;
    std::optional<EntryBonusValues> bonuses;
    bool operator==(const ListEntry&) const = default;
};

// Which marks the pop-up menu offers for the units it acts on: a blessed unit cannot be made
// diseased or poisoned, a diseased or poisoned one cannot be blessed.
struct MarkChoices {
    bool blessed = true;
    bool sick = true;  // diseased and poisoned
};

class OddsLabModel {
public:
    OddsLabModel();
    ~OddsLabModel();

    // ---- The units of the installation
    // Replaces the army and hero tables; the lists keep their identifiers.
    void SetUnits(DataArray armies, DataArray heroes);
    const DataArray& Armies() const { return armies_; }
    const DataArray& Heroes() const { return heroes_; }
    b3::engine::Long NumArmies() const { return static_cast<b3::engine::Long>(armies_.rows()); }
    b3::engine::Long NumHeroes() const { return static_cast<b3::engine::Long>(heroes_.rows()); }
    // The identifier of the "None" entry.
    b3::engine::Long NoneId() const { return NumArmies() + NumHeroes(); }
    b3::engine::UnitData Units() const { return {&armies_, &heroes_}; }
    // A unit's name; "None" for any identifier that names no army or hero.
    QString UnitText(b3::engine::Long id) const;
    bool CheckIfUndead(b3::engine::Long Row) const;

    // ---- The two lists (side 0 attacking, 1 defending) and their marks
    int Count(int side) const;
    const std::vector<ListEntry>& Entries(int side) const { return entries_[side]; }
    b3::engine::Long ItemId(int side, int position) const;
    // Appends a unit; false when the list is full.
    bool AddEntry(int side, b3::engine::Long id);
    // Removes the entry; the entries below it move up with their marks.
    bool DeleteEntry(int side, int position);
    // Swaps the entry with its neighbour above (direction -1) or below (+1), marks and bonuses
    // included; false when either position is outside the list.
    bool MoveEntry(int side, int position, int direction);
    // Appends up to `copies` copies of the entry, with its marks and bonuses, as far as the list
    // has room; returns the number appended.
    int DuplicateEntry(int side, int position, int copies);
    // Empties one list and its marks; the other list keeps its own.
    void ClearList(int side);
    // Sets one mark (a column of the health array) of the entries at `positions`.
    void SetMark(int side, const std::vector<int>& positions, int column, std::int16_t value);
    const HealthArray& Health(int side) const { return health_[side]; }
    b3::engine::HealthMarks MarksOf(int side, b3::engine::Long slot) const;
    // Whether the battle uses marks for the entry at `position`: a unit (not "None") with any
    // mark.
    bool UsesMarks(int side, int position) const;
    // The entry's text in its list: the unit's name, followed by " *" exactly when the battle
    // uses its marks.
    QString EntryText(int side, int position) const;
    // The marks the pop-up menu may set on the entries at `positions`.
    MarkChoices HealthConflicts(int side, const std::vector<int>& positions) const;
    // The bonuses kept on an entry; false when it has none.
    bool EntryBonuses(int side, int position, b3::engine::SimpleHost::Bonuses& bonuses) const;
    void SetBonuses(int side, int position, const EntryBonusValues& bonuses);
    // Whether positions `from` to `to` of the list hold any unit but "None".
    bool HoldsUnit(int side, int from, int to) const;

    // The marks rows of a health array from `Start` + 1 down take the row `Shift` below them
    // (the rows left at the bottom are cleared).
    static void ShuffleArray(HealthArray& health, int Start, int Shift);
    // Swaps the marks of row `Row` with those of row `Row` + `Direction`.
    static void MoveArmyInHealthArray(HealthArray& health, int Row, int Direction);
    // Resets the marks of one side's list.
    void RefreshHealthArray(int side) { health_[side] = HealthArray{}; }

    // ---- The battle
    b3::engine::Long NumBattles() const { return numBattles_; }
    // Stores the value only when the text is a number; one too large for a 32-bit integer fails
    // with an overflow.
    void SetNumBattles(const QString& value);
    // The number of battles as typed: a count beyond the range keeps the last one that fits and
    // is remembered as out of range until a count that fits is typed.
    void TypeNumBattles(const QString& value);
    bool BattlesOutOfRange() const { return battlesOutOfRange_; }
    b3::engine::Long CombatDice() const { return combatDice_; }
    void SetCombatDice(const QString& value);
    const std::string& Terrain() const { return terrain_; }
    void SetTerrain(const std::string& terrain) { terrain_ = terrain; }
    // The city level: 1 to 3, 0 outside a city.
    b3::engine::Long CityLevel() const { return cityLevel_; }
    void SetCityLevel(b3::engine::Long level) { cityLevel_ = level; }

    // ---- How runs are made
    b3::engine::Simulation SimulationChoice() const { return simulation_; }
    void SetSimulationChoice(b3::engine::Simulation simulation) { simulation_ = simulation; }
    int Threads() const { return threads_; }
    // Held to 1..kMaxThreads.
    void SetThreads(int threads);
    std::optional<std::uint64_t> SeedChoice() const { return seed_; }
    void SetSeed(std::optional<std::uint64_t> seed) { seed_ = seed; }

    // ---- The set-up as a run and as a scenario
    // The set-up as a run would take it.
    RunSetup CurrentSetup() const;
    // The set-up of the next run: the current one with the chosen seed (or a drawn one) and
    // threads.
    RunSetup NextRun() const;
    // The battle as a scenario: both lists with their marks, the heroes' bonuses as last entered
    // or opened, the dice, terrain, city level, number of battles and the way they are
    // simulated.
    b3::engine::Scenario CurrentScenario() const;
    // Replaces both lists and their marks by the scenario's; throws b3::engine::ScenarioError,
    // changing nothing, when its number of battles is out of range, a list is too long or an
    // entry names no unit of the installation. The number of battles, dice, terrain, city level
    // and simulation are the window's to set (through its controls).
    void TakeScenarioLists(const b3::engine::Scenario& s);

    // ---- The collections of the sides a run fights with
    // New empty collections whose hero dialogs `context` shows.
    void NewSides(b3::engine::ArmyContext& context);
    b3::engine::CAttackArmies& AttArmies() { return *sides_[0]; }
    b3::engine::CAttackArmies& DefArmies() { return *sides_[1]; }

    // ---- The runs and their figures
    // A run with the set-up `run` has completed with `totals`: its figures are shown (the exact
    // ones to come through SetExactOdds).
    void RunCompleted(const RunSetup& run, const b3::engine::RunTotals& totals);
    // A run was aborted (started with `run` when given): the figures shown (if any) are an
    // earlier run's.
    void RunAborted(const RunSetup* run);
    // The exact odds of the run shown, or nothing when they cannot be computed.
    void SetExactOdds(const std::optional<b3::engine::ExactOdds>& odds);
    const std::optional<b3::engine::ExactOdds>& LastExactOdds() const { return exact_; }
    const RunRecord& Record() const { return record_; }
    bool HasResults() const { return record_.HasResults(); }
    // Whether the figures shown no longer describe the set-up, and why.
    bool ResultsStale() const;
    std::string StaleNote() const;
    // The figures of the last completed run (invalid before one).
    const QuickFigures& Figures() const { return figures_; }
    // The figures shown: those of the last completed run.
    QuickFigures CurrentFigures() const;
    const QuickFigures& PinnedFigures() const { return pinned_; }
    // Keeps the figures shown to compare later runs with them.
    void Pin() { pinned_ = CurrentFigures(); }
    // The run's set-up, its figures with their intervals and the exact ones, and both loss
    // distributions of `statistics`, as rows of cells (full precision).
    std::vector<std::vector<QString>> ResultsTable(
        const b3::engine::RunStatistics& statistics) const;
    // The same as text with tab-separated cells (for the clipboard).
    QString ResultsText(const b3::engine::RunStatistics& statistics) const;

private:
    bool ValidPosition(int side, int position) const;

    DataArray armies_;
    DataArray heroes_;
    std::vector<ListEntry> entries_[2];
    HealthArray health_[2];
    std::string terrain_;
    b3::engine::Long combatDice_ = 0;
    b3::engine::Long numBattles_ = 0;
    b3::engine::Long cityLevel_ = 0;
    bool battlesOutOfRange_ = false;
    b3::engine::Simulation simulation_ = b3::engine::Simulation::Duel;
    int threads_ = 1;
    std::optional<std::uint64_t> seed_;
    std::unique_ptr<b3::engine::CAttackArmies> sides_[2];
    RunRecord record_;
    QuickFigures figures_;
    std::optional<b3::engine::ExactOdds> exact_;
    QuickFigures pinned_;
};

}  // namespace b3::oddslab
