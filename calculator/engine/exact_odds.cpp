// The exact odds sum the chances of the duel states (see duel_states.h) level by level: after L
// duels L armies are gone, L = 0, 1, ...
#include "engine/exact_odds.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "engine/battle_calc.h"
#include "engine/duel_states.h"

namespace b3::engine {

void AtLeast(const std::array<double, 33>& exactly, std::array<double, 33>& atLeast) {
    double tail = 0;
    for (std::size_t n = exactly.size(); n-- > 0;) {
        tail += exactly[n];
        atLeast[n] = std::min(tail, 1.0);
    }
}

std::string CheckExactOdds(CalculatorHost& host, Long CombatDice) {
    MBattleCalc calc(host);
    std::string refusal = calc.CheckRun(1, CombatDice);
    if (!refusal.empty()) return refusal;
    const CAttackArmies& def = host.DefArmies();
    if (def.Count() > kMaxExactArmies)
        return "Exact odds cover at most " + std::to_string(kMaxExactArmies) +
               " defending armies (there are " + std::to_string(def.Count()) + ").";
    const std::int64_t most = MostMissileShots(host);
    if (most > kMaxExactMissileShots)
        return "Exact odds follow at most " + std::to_string(kMaxExactMissileShots) +
               " missile shots per army; an army of this battle has " + std::to_string(most) +
               ". Simulate this battle instead.";
    return {};
}

ExactOdds CalculateExactOdds(CalculatorHost& host, Long CombatDice, Long CityLevel) {
    const std::string refusal = CheckExactOdds(host, CombatDice);
    if (!refusal.empty()) throw RunRefused(refusal);

    const Lineup line = BuildLineup(host, CombatDice, CityLevel);
    const std::vector<Fighter>& attackers = line.attackers;
    const std::vector<Fighter>& defenders = line.defenders;
    // Which victims fly, as the run tells.
    MBattleCalc calc(host);
    calc.PrepareRun(CombatDice, 0);

    ExactOdds odds;
    const Long A = static_cast<Long>(attackers.size());
    const Long D = static_cast<Long>(defenders.size());
    odds.attackers = A;
    odds.defenders = D;

    using Level = std::unordered_map<State, double, StateHash>;
    Level now, next;
    for (const auto& ea : attackers[0].entries)
        for (const auto& ed : defenders[0].entries) now[{0, ea.carried, ed.carried}] += ea.p * ed.p;

    Duels duels(calc, CombatDice);
    std::vector<DuelEnd> ends;
    for (Long level = 0; !now.empty(); ++level) {
        next.clear();
        odds.duelStates += now.size();
        for (const auto& [state, p] : now) {
            const Long ka = state.attackersLost;
            const Long kd = level - ka;
            CArmy a = attackers[static_cast<std::size_t>(ka)].army;
            CArmy d = defenders[static_cast<std::size_t>(kd)].army;
            Carry(a, state.att, false);
            Carry(d, state.def, true);
            duels.Resolve(a, d, ends);
            for (const DuelEnd& e : ends) {
                const double pe = p * e.p;
                FollowDuel(
                    line, state, level, e, [&](const State& n, double pn) { next[n] += pe * pn; },
                    [&](Long outcome, Long attLost, Long defLost) {
                        odds.joint[static_cast<std::size_t>(outcome)][static_cast<std::size_t>(
                            attLost)][static_cast<std::size_t>(defLost)] += pe;
                    });
            }
        }
        now.swap(next);
    }

    const std::vector<std::int64_t>& attTurns = line.attTurns;
    const std::vector<std::int64_t>& defTurns = line.defTurns;
    for (std::size_t k = 0; k < attTurns.size() && k < 33; ++k)
        odds.attackerTurnsLost[k] = attTurns[k];
    for (std::size_t k = 0; k < defTurns.size() && k < 33; ++k)
        odds.defenderTurnsLost[k] = defTurns[k];
    for (std::size_t o = 0; o < 2; ++o) {
        for (std::size_t ka = 0; ka <= static_cast<std::size_t>(A); ++ka) {
            for (std::size_t kd = 0; kd <= static_cast<std::size_t>(D); ++kd) {
                const double p = odds.joint[o][ka][kd];
                if (p == 0) continue;
                if (o == 1) odds.attackerWinProbability += p;
                odds.attackerUnitsLost[ka] += p;
                odds.defenderUnitsLost[kd] += p;
                odds.expectedAttackerUnitsLost += p * static_cast<double>(ka);
                odds.expectedDefenderUnitsLost += p * static_cast<double>(kd);
                odds.expectedAttackerTurnsLost += p * static_cast<double>(attTurns[ka]);
                odds.expectedDefenderTurnsLost += p * static_cast<double>(defTurns[kd]);
                odds.attackerUnitsLostGiven[o][ka] += p;
                odds.defenderUnitsLostGiven[o][kd] += p;
            }
        }
    }
    AtLeast(odds.attackerUnitsLost, odds.attackerUnitsLostAtLeast);
    AtLeast(odds.defenderUnitsLost, odds.defenderUnitsLostAtLeast);
    const double outcome[2] = {1.0 - odds.attackerWinProbability, odds.attackerWinProbability};
    for (std::size_t o = 0; o < 2; ++o) {
        // Divided by the outcome's own sum rather than by 1 - p, which keeps the digits of a
        // rare outcome.
        double total = 0;
        for (double p : odds.attackerUnitsLostGiven[o]) total += p;
        if (!(total > 0) || !(outcome[o] > 0)) {
            odds.attackerUnitsLostGiven[o].fill(0);
            odds.defenderUnitsLostGiven[o].fill(0);
            continue;
        }
        for (auto& p : odds.attackerUnitsLostGiven[o]) p /= total;
        for (auto& p : odds.defenderUnitsLostGiven[o]) p /= total;
    }
    return odds;
}

}  // namespace b3::engine
