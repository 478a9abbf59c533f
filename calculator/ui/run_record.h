// Which run the window's figures come from, and whether they still describe the battle on
// screen. A run takes a snapshot of the setup when it starts; its figures, simulated and exact,
// are computed from that snapshot only, and they are out of date as soon as the lists (units, their
// order, marks and heroes' bonuses), the combat dice, the terrain, the city level or the way the
// battles are simulated differ from it, or when a later run was aborted before it replaced them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/army.h"
#include "engine/hero_dialog.h"
#include "engine/simulation.h"

namespace b3::oddslab {

// How a simulation fights its battles, in the words of the window ("duel by duel", "every exchange
// rolled").
const char* SimulationWords(b3::engine::Simulation simulation);

// One list entry as a battle sees it: the unit identifier, its seven marks and, for a hero, the
// bonuses last entered for it (nothing where none were).
struct ListedEntry {
    b3::engine::Long id = 0;
    std::array<std::int16_t, 7> marks{};
    std::array<std::optional<b3::engine::Long>, b3::engine::kHeroBonusCount> bonuses{};
    bool operator==(const ListedEntry&) const = default;
};

struct RunSetup {
    std::array<std::vector<ListedEntry>, 2> lists;
    b3::engine::Long combatDice = 0;
    std::string terrain;
    b3::engine::Long cityLevel = 0;
    b3::engine::Long numBattles = 0;
    b3::engine::Simulation simulation = b3::engine::Simulation::Duel;
    // The seed the run's random streams start from and the threads it is split over: the same
    // seed with the same threads fights the same battles.
    std::uint64_t seed = 0;
    int threads = 1;

    // The same battle: lists, dice, terrain and city level (not the number of battles, nor how
    // they are simulated).
    bool SameBattle(const RunSetup& other) const;
};

class RunRecord {
public:
    // A run starts with `setup`.
    void Started(const RunSetup& setup);
    // The run that started last completed: its figures are shown.
    void Completed();
    // The run that started last was aborted: the figures shown (if any) are an earlier run's.
    void Aborted();

    bool HasResults() const { return number_ > 0; }
    // The number of the completed run whose figures are shown (1 for the first).
    int Number() const { return number_; }
    // The setup of the run whose figures are shown.
    const RunSetup& Shown() const { return shown_; }
    bool Stale(const RunSetup& current) const;
    // Why the figures are out of date, or an empty text when they are not.
    std::string StaleNote(const RunSetup& current) const;
    // The run whose figures are shown, in words: "Run 2: 1000 battles, duel by duel, 20 combat
    // dice, terrain field, seed 42 on 4 threads".
    std::string Describe() const;
    // The heading of the simulated figures shown: "Simulated (1000 battles, duel by duel)", or
    // "Simulated" before any run has completed. `separator` comes between the number of battles
    // and the simulation (after the comma).
    std::string Heading(const std::string& separator = " ") const;

private:
    RunSetup pending_;
    RunSetup shown_;
    int number_ = 0;
    bool aborted_ = false;
};

}  // namespace b3::oddslab
