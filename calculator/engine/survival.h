// Which listed units survive a battle. The armies of a side die in the order in which they fight
// (from the end of each stack, the attacking stacks one after another), so a unit survives
// exactly when its side loses fewer armies than fight before it and it; its chance follows from
// the side's loss distribution, exact or counted over simulated battles.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "engine/host.h"

namespace b3::engine {

// The place of each list entry 0 .. listSize-1 in its side's order of fighting (0 fights
// first), nullopt for an entry "None". Attacking entries in a stack that never enters (after an
// empty stack) get kNeverFights.
inline constexpr Long kNeverFights = 1000;
std::vector<std::optional<Long>> FightingOrder(CalculatorHost& host, bool attacking, Long listSize);

// The chance that each entry survives, from the side's distribution of armies lost (chances or
// counts of 0..32 lost; counts are divided by their sum). nullopt for "None".
std::vector<std::optional<double>> SurvivalChances(const std::vector<std::optional<Long>>& order,
                                                   const std::array<double, 33>& lost);

}  // namespace b3::engine
