// Battles fought along the run's line-up: the armies of both sides in the order in which they
// fight, each entering its first duel with its set-up strikes rolled from the chances the fronts
// would give it. Only the two fighting armies are kept, so a battle copies an army when it
// enters instead of both fronts, and counts its losses from the line-up's running sums.
#include "engine/battle_calc.h"

#include "engine/duel_rules.h"
#include "engine/duel_states.h"
#include "engine/melee_rolls.h"

namespace b3::engine {

void MBattleCalc::Enter(const Fighter& fighter, CArmy& army) {
    // The strikes are independent for each army, so each army's are drawn when it enters, in the
    // order the set-up applies them.
    unsigned struck = 0;
    for (std::size_t k = 0; k < fighter.drawnStrikes.size(); ++k)
        if (Chance(fighter.drawnStrikes[k])) struck |= 1u << k;
    army = fighter.entering[struck];
}

Killed MBattleCalc::Duel(CArmy& a, CArmy& d, const PairRules& rules) {
    if (rules.openings) {
        Draws draws{*this};
        if (const Killed killed = OpeningRules(a, d, draws); killed != Killed::None) return killed;
    } else if (simulation_ == Simulation::Rolled) {
        // The common duel, a melee alone, rolled here rather than through Melee.
        const ExchangeRoll roll = exchangeRolls_.Between(a.HasMedal(), a.TotalStrength(),
                                                         d.HasMedal(), d.TotalStrength());
        if (roll.lanes != 0) return JointMelee(roll, a, d, rules.toD, rules.toA);
    }
    return Melee(a, d, rules.toD, rules.toA);
}

void MBattleCalc::FightAlongLineup(std::int64_t first, std::int64_t last) {
    const Lineup& line = *lineup_;
    const auto A = line.attackers.size();
    const auto D = line.defenders.size();
    CArmy a, d;  // the two armies fighting
    for (std::int64_t n = first; n <= last; ++n) {
        std::size_t ka = 0, kd = 0;
        Enter(line.attackers[0], a);
        Enter(line.defenders[0], d);
        Long outcome = kGoOn;
        while (outcome == kGoOn) {
            if (Duel(a, d, line.Pair(ka, kd)) == Killed::Defender) {
                if (++kd == D) {
                    outcome = kAttackerWon;
                } else {
                    Enter(line.defenders[kd], d);
                }
            } else if (++ka == A) {
                outcome = kDefenderWon;
            } else {
                Enter(line.attackers[ka], a);
                // A new attacking stack: the defender returns to its start-of-battle hits.
                if (line.attackers[ka].stack != line.attackers[ka - 1].stack) d.RestoreStartHits();
            }
        }
        ResultsRow& row = Row(static_cast<Long>(n));
        row = {outcome, static_cast<Long>(ka), SaturateLong(line.attTurns[ka]),
               static_cast<Long>(kd), SaturateLong(line.defTurns[kd])};
        stats_.Book(row);
        if (!keepTable_) row = {};
    }
}

}  // namespace b3::engine
