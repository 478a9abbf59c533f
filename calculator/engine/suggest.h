// What it takes to win: the cheapest ways, in production turns, to append a few of the
// installation's armies to the attacking list so that the exact chance of an attacker's win
// reaches a target.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/host.h"

namespace b3::engine {

struct SuggestOptions {
    double target = 0.9;      // the attacker's win probability to reach, 0..1
    Long maxAdd = 3;          // at most this many armies are added
    double timeLimit = 20.0;  // seconds of search before it stops early
    std::size_t options = 5;  // how many ways to report
};

struct SuggestedAddition {
    std::vector<Long> armies;      // army rows, in the order they are appended
    std::vector<std::string> add;  // their short names
    Long turns = 0;                // the sum of their production turns
    double winProbability = 0;     // the exact win probability with them
};

struct Suggestion {
    double target = 0;
    double current = 0;  // the exact win probability of the list as it is
    // The cheapest additions that reach the target, cheapest first and, at equal cost, the more
    // likely win first; empty when the list already reaches it or nothing within maxAdd does.
    std::vector<SuggestedAddition> options;
    // The most likely win found (when no option reaches the target: the best there is).
    SuggestedAddition best;
    bool complete = true;       // false when the time limit (or a cancel) stopped the search early
    std::size_t evaluated = 0;  // exact calculations done
    bool Reached() const { return current >= target; }
};

// Searches additions to the host's attacking list (whose entries take list positions
// 0 .. attackListSize-1): every group of 1 .. maxAdd armies, cheapest first, each group in every
// order of appending. The sides are left as they were. Throws RunRefused when the battle as it
// is cannot be computed exactly, and std::invalid_argument for a target outside 0..1, a maxAdd
// below 1 or a list without room for one more entry. `cancelled` is asked between calculations.
Suggestion Suggest(CalculatorHost& host, Long attackListSize, Long CombatDice, Long CityLevel,
                   const SuggestOptions& options, const std::function<bool()>& cancelled = {});

// The answer in words, one line per option ("Add KNIGHTS + ORCS: 5 turns, attacker wins
// 91.20%"), saying when the list already reaches the target, when nothing within `maxAdd`
// armies does (with the best found) and when the search stopped early.
std::string SuggestionText(const Suggestion& s, Long maxAdd);

}  // namespace b3::engine
