// The battle as a chain of duels between the last armies of the two fronts. Each duel removes
// exactly one army, so after L duels L armies are gone and which ones they are follows from how
// many each side lost. The state before a duel is therefore the number of attackers lost (the
// defenders lost make up the rest of L) and what the two fighting armies carry from earlier duels:
// strength, hits, medals, spent ability, missile shots left and, for the defender, the hits it
// returns to when a new attacking stack enters.
//
// Within a duel the opening rules (acid, lightning, assassination, missiles) are followed along
// every combination of their chances; the melee is a chain of points, each won by the attacker
// with the chance that it alone scores given that exactly one army scores.
//
// The set-up strikes of poison, disease and curse on the first fronts are independent for each
// army and matter only once that army fights, so each army enters its first duel in each of its
// possible set-up states with that state's probability.
//
// The exact odds sum over these states; the simulation walks them, drawing each duel's end.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/army.h"
#include "engine/host.h"

namespace b3::engine {

class MBattleCalc;

// What a fighting army carries from duel to duel, besides what its type and set-up fixed.
struct Carried {
    Long strength = 0;
    Long hits = 0;
    Long medals = 0;
    Long shotsLeft = 0;
    Long startHits = 0;  // defenders only: the hits cached at the start of the battle
    bool usedSpecial = false;
    bool operator==(const Carried&) const = default;
};

Carried CarriedBy(const CArmy& a, bool defender);
void Carry(CArmy& a, const Carried& c, bool defender);

// One army in the order in which its side sends it into a duel, with its possible states on
// entering (more than one only for the armies of the first fronts).
struct Fighter {
    CArmy army;
    struct Entry {
        Carried carried;
        double p;
    };
    std::vector<Entry> entries;
    Long stack = 0;  // the attacking stack it belongs to (0 for defenders)
    // For the simulation: the set-up strikes that may hit the army as it enters and need a draw,
    // as percent-draw limits in the order of the set-up, and the army as it enters after each
    // combination of them (bit k of the index: strike k hit).
    std::vector<std::int64_t> drawnStrikes;
    std::vector<CArmy> entering;
};

// The set-up strikes on one side's armies of the first fronts, as percent-draw limits (4 x the
// enemy stack's summed power), and the side's stack bonus.
struct SetUpStrikes {
    std::int64_t poison = 0;
    std::int64_t disease = 0;
    std::int64_t curse = 0;
    Long bonus = 0;
};

// What the duel of an attacking and a defending army needs of the two that no duel changes:
// whether an ability can act before the melee (OpeningRulesMayAct) and the hits a melee point
// costs each.
struct PairRules {
    bool openings = false;
    Long toD = 1;  // what the defending army loses per point
    Long toA = 1;  // what the attacking army loses per point
};

// Both sides of a battle in the order in which their armies fight, and the production turns
// lost by each number of armies destroyed (armies die in that order).
struct Lineup {
    std::vector<Fighter> attackers;  // `army`: as it stands before the set-up strikes
    std::vector<Fighter> defenders;
    std::vector<std::int64_t> attTurns;  // attTurns[k]: the turns of the first k attackers
    std::vector<std::int64_t> defTurns;
    SetUpStrikes onAttackers;  // what the first fronts' armies meet before their first duel
    SetUpStrikes onDefenders;
    // The rules of attacker ka against defender kd, at ka * defenders.size() + kd.
    std::vector<PairRules> pairs;
    const PairRules& Pair(std::size_t ka, std::size_t kd) const {
        return pairs[ka * defenders.size() + kd];
    }
};

// The host's battle with these dice and city level as the simulation sets it up.
Lineup BuildLineup(CalculatorHost& host, Long CombatDice, Long CityLevel);

// The most missile shots any army of the host's battle can have in a duel: the largest difference
// of missile strengths between an attacking and a defending army. The ends of a duel are worked
// out shot by shot, so their work grows with the square of this number.
std::int64_t MostMissileShots(CalculatorHost& host);

// How a duel can end: which army died, what the survivor carries on, and the chance.
struct DuelEnd {
    bool attackerDied;
    Carried survivor;
    double p;
};

// The ends of duels, for armies already carrying their state.
class Duels {
public:
    // `calc` is prepared for the run (it tells which victims fly).
    Duels(const MBattleCalc& calc, Long dice) : calc_(calc), dice_(dice) {}
    void Resolve(const CArmy& a0, const CArmy& d0, std::vector<DuelEnd>& ends) const;

private:
    void Melee(CArmy& a, CArmy& d, double p, std::vector<DuelEnd>& ends) const;

    const MBattleCalc& calc_;
    Long dice_;
};

// A state before a duel.
struct State {
    Long attackersLost;
    Carried att;
    Carried def;
    bool operator==(const State&) const = default;
};

struct StateHash {
    std::size_t operator()(const State& s) const;
};

// Calls `f(next, p)` for each state that follows the duel of `state` (level = armies lost before
// it) ending in `e`, with the chance p of the entering army's state; or `done(outcome,
// attackersLost, defendersLost)` when the battle is over.
template <class Next, class Done>
void FollowDuel(const Lineup& line, const State& state, Long level, const DuelEnd& e, Next&& f,
                Done&& done) {
    const Long A = static_cast<Long>(line.attackers.size());
    const Long D = static_cast<Long>(line.defenders.size());
    const Long ka = state.attackersLost;
    const Long kd = level - ka;
    if (!e.attackerDied) {
        if (kd + 1 == D) {
            done(1, ka, D);
            return;
        }
        for (const auto& en : line.defenders[static_cast<std::size_t>(kd) + 1].entries)
            f(State{ka, e.survivor, en.carried}, en.p);
        return;
    }
    if (ka + 1 == A) {
        done(0, A, kd);
        return;
    }
    const Fighter& incoming = line.attackers[static_cast<std::size_t>(ka) + 1];
    Carried survivor = e.survivor;
    // A new attacking stack: the defender returns to its start-of-battle hits.
    if (incoming.stack != line.attackers[static_cast<std::size_t>(ka)].stack) {
        survivor.startHits = ClampLong(survivor.startHits, 1, 4);
        survivor.hits = survivor.startHits;
    }
    for (const auto& en : incoming.entries) f(State{ka + 1, en.carried, survivor}, en.p);
}

}  // namespace b3::engine
