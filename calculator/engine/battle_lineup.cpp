// Battles fought along the run's line-up: the armies of both sides in the order in which they
// fight, each entering its first duel with its set-up strikes rolled from the chances the fronts
// would give it. Only the two fighting armies are kept, so a battle copies an army when it
// enters instead of both fronts, and counts its losses from the line-up's running sums.
#include "engine/battle_calc.h"

#include "engine/duel_rules.h"
#include "engine/duel_states.h"

namespace b3::engine {

void MBattleCalc::Enter(const Fighter& fighter, const SetUpStrikes& strikes, bool defender,
                        CArmy& army) {
    army = fighter.army;
    // Later attacking stacks enter as they stand.
    if (fighter.stack != 0) return;
    // The strikes are independent for each army, so each army's are rolled when it enters, in
    // the order the set-up applies them.
    if (strikes.poison > 0 && IsPoisonEligible(army) && Chance(strikes.poison)) StrikePoison(army);
    if (strikes.disease > 0 && IsDiseaseEligible(army) && Chance(strikes.disease))
        StrikeDisease(army);
    if (strikes.curse > 0 && IsCurseEligible(army) && Chance(strikes.curse)) StrikeCurse(army);
    AddStackBonus(army, strikes.bonus);
    if (defender) army.SetStartHits();
}

void MBattleCalc::FightAlongLineup(std::int64_t first, std::int64_t last) {
    const Lineup& line = *lineup_;
    const auto A = line.attackers.size();
    const auto D = line.defenders.size();
    CArmy a, d;  // the two armies fighting
    for (std::int64_t n = first; n <= last; ++n) {
        std::size_t ka = 0, kd = 0;
        Enter(line.attackers[0], line.onAttackers, false, a);
        Enter(line.defenders[0], line.onDefenders, true, d);
        Long outcome = kGoOn;
        while (outcome == kGoOn) {
            if (Duel(a, d) == Killed::Defender) {
                if (++kd == D) {
                    outcome = kAttackerWon;
                } else {
                    Enter(line.defenders[kd], line.onDefenders, true, d);
                }
            } else if (++ka == A) {
                outcome = kDefenderWon;
            } else {
                Enter(line.attackers[ka], line.onAttackers, false, a);
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
