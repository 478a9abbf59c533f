#include "calculator/ui/run_record.h"

namespace b3::oddslab {

namespace {

const char* const kCityLevels[] = {"", "Village (+1)", "Castle (+2)", "Citadel (+3)"};

}  // namespace

const char* SimulationWords(b3::engine::Simulation simulation) {
    return simulation == b3::engine::Simulation::Rolled ? "every exchange rolled" : "duel by duel";
}

bool RunSetup::SameBattle(const RunSetup& other) const {
    return lists == other.lists && combatDice == other.combatDice && terrain == other.terrain &&
           cityLevel == other.cityLevel;
}

void RunRecord::Started(const RunSetup& setup) {
    pending_ = setup;
}

void RunRecord::Completed() {
    shown_ = pending_;
    ++number_;
    aborted_ = false;
}

void RunRecord::Aborted() {
    aborted_ = true;
}

bool RunRecord::Stale(const RunSetup& current) const {
    return HasResults() &&
           (aborted_ || !shown_.SameBattle(current) || shown_.simulation != current.simulation);
}

std::string RunRecord::StaleNote(const RunSetup& current) const {
    if (!HasResults()) return {};
    if (aborted_)
        return "Out of date: the last run was aborted; these figures are from run " +
               std::to_string(number_) + ".";
    if (!shown_.SameBattle(current))
        return "Out of date: the setup has changed since run " + std::to_string(number_) +
               ". Attack again for figures of this battle.";
    if (shown_.simulation != current.simulation)
        return "Out of date: run " + std::to_string(number_) + " was simulated " +
               SimulationWords(shown_.simulation) + ". Attack again for figures with " +
               SimulationWords(current.simulation) + ".";
    return {};
}

std::string RunRecord::Describe() const {
    if (!HasResults()) return {};
    std::string text = "Run " + std::to_string(number_) + ": " + std::to_string(shown_.numBattles) +
                       " battles, " + SimulationWords(shown_.simulation) + ", " +
                       std::to_string(shown_.combatDice) + " combat dice, terrain " +
                       shown_.terrain;
    if (shown_.cityLevel >= 1 && shown_.cityLevel <= 3)
        text += std::string(" ") + kCityLevels[shown_.cityLevel];
    return text + ", seed " + std::to_string(shown_.seed) + " on " +
           std::to_string(shown_.threads) + (shown_.threads == 1 ? " thread" : " threads");
}

std::string RunRecord::Heading(const std::string& separator) const {
    if (!HasResults()) return "Simulated";
    return "Simulated (" + std::to_string(shown_.numBattles) + " battles," + separator +
           SimulationWords(shown_.simulation) + ")";
}

}  // namespace b3::oddslab
