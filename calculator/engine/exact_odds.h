// Exact battle odds: the whole distribution of a battle's outcome and losses, computed from the
// probabilities of the combat rules instead of sampled. It takes the same two sides (from the
// host), combat dice, terrain and city level as a simulation run and applies the same rules.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/army.h"
#include "engine/host.h"

namespace b3::engine {

// The most missile shots one army may have in a battle whose odds are computed exactly; a volley
// is followed shot by shot, so the work grows with the number of shots.
inline constexpr Long kMaxExactMissileShots = 100;

// The most armies a side may have: the loss distributions cover 0 to 32 armies destroyed.
inline constexpr Long kMaxExactArmies = 32;

struct ExactOdds {
    // The armies that take part: all attacking stacks that enter the battle, and the defenders.
    Long attackers = 0;
    Long defenders = 0;

    // The chance that the attacker wins one battle.
    double attackerWinProbability = 0;
    // joint[outcome][attacking armies destroyed][defending armies destroyed], outcome 1 when the
    // attacker wins and 0 when the defender wins.
    std::array<std::array<std::array<double, 33>, 33>, 2> joint{};
    // The chance of each number of armies destroyed, per side (the loss charts).
    std::array<double, 33> attackerUnitsLost{};
    std::array<double, 33> defenderUnitsLost{};
    // The chance of N or more armies destroyed, per side.
    std::array<double, 33> attackerUnitsLostAtLeast{};
    std::array<double, 33> defenderUnitsLostAtLeast{};
    // The loss distributions given the outcome, indexed like `joint` (1: the attacker won, 0:
    // the defender won); all zero when that outcome cannot happen (see OutcomePossible).
    std::array<std::array<double, 33>, 2> attackerUnitsLostGiven{};
    std::array<std::array<double, 33>, 2> defenderUnitsLostGiven{};
    bool OutcomePossible(int outcome) const {
        for (double p : attackerUnitsLostGiven[static_cast<std::size_t>(outcome)])
            if (p > 0) return true;
        return false;
    }
    // The expected values of the quick results: armies and production turns lost per side.
    double expectedAttackerUnitsLost = 0;
    double expectedAttackerTurnsLost = 0;
    double expectedDefenderUnitsLost = 0;
    double expectedDefenderTurnsLost = 0;

    // The production turns a side loses with each number of armies destroyed (its armies die
    // in a fixed order).
    std::array<std::int64_t, 33> attackerTurnsLost{};
    std::array<std::int64_t, 33> defenderTurnsLost{};

    // How many distinct duel situations were summed over (a measure of the work).
    std::size_t duelStates = 0;
};

// The chance of N or more from the chance of exactly N (N = 0..32), summed from the top so
// that small tails keep their digits.
void AtLeast(const std::array<double, 33>& exactly, std::array<double, 33>& atLeast);

// Why the exact odds of the host's battle with these dice would be refused, or an empty text:
// the refusals of a simulation run, more than 32 defending armies, or an army with more than
// kMaxExactMissileShots missile shots.
std::string CheckExactOdds(CalculatorHost& host, Long CombatDice);

// The exact odds of one battle between the host's two sides. Throws RunRefused (see
// CheckExactOdds) before anything is computed. The host's hero dialog is not shown: the heroes'
// values are those already in the side collections.
ExactOdds CalculateExactOdds(CalculatorHost& host, Long CombatDice, Long CityLevel);

}  // namespace b3::engine
