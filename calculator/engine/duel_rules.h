// The combat rules that act on single armies: the chance of a combat roll, the set-up strikes of
// poison, disease and curse, the stack bonus, and the steps of a duel (acid, lightning,
// assassination, missiles, melee damage). They are written once for every way of deciding a
// chance: the simulation draws each chance from its random stream, the exact odds follow both
// outcomes of each chance with their probabilities. A `Draws` object decides the chances:
//
//   bool Percent(std::int64_t limit);  // true with chance limit/99 (a percent draw below limit)
//   bool ShotLands(const CArmy& a, const CArmy& d, bool attackerShoots);
//                                      // one missile shot: the shooter scores, the target misses
#pragma once

#include <cstdint>
#include <limits>

#include "engine/army.h"

namespace b3::engine {

// The second die of an army with 1..4 medals; 0 for none.
inline constexpr Long kMedalDie[5] = {0, 30, 26, 22, 18};

// The medal count that chooses the second die: 1..4, any other value none.
inline int MedalIndex(Long medals) {
    return medals >= 1 && medals <= 4 ? medals : 0;
}

inline Long SaturateLong(std::int64_t v) {
    return ClampLong(v, std::numeric_limits<Long>::min(), std::numeric_limits<Long>::max());
}

// The chance that one combat roll scores for an army of `strength` with `medals` on combat dice
// of `dice` faces: the lower of the dice roll and, with medals, the medal die's roll must be at
// most the strength, so the roll misses only when both dice miss.
inline double ScoreProbability(Long dice, Long medals, Long strength) {
    const double n = dice;
    const double s = strength < 0 ? 0 : strength;
    const double missDice = n > 0 ? 1.0 - (s < n ? s : n) / n : 0.0;
    double missMedal = 1.0;
    if (const Long m = kMedalDie[MedalIndex(medals)]) missMedal = 1.0 - (s < m ? s : m) / m;
    return 1.0 - missDice * missMedal;
}

// The chance that a percent draw (0..98) falls below `limit`.
inline double PercentChance(std::int64_t limit) {
    if (limit <= 0) return 0.0;
    if (limit >= 99) return 1.0;
    return static_cast<double>(limit) / 99.0;
}

// ---- Set-up strikes on one army of the first fronts

// Poison: one strength point less.
inline void StrikePoison(CArmy& a) {
    a.SetTotalStrength(std::int64_t{a.TotalStrength()} - 1);
    a.SetPoisoned(true);
}
// Disease: one hit less (never below 1).
inline void StrikeDisease(CArmy& a) {
    a.SetHits(std::int64_t{a.Hits()} - 1);
    a.SetDiseased(true);
}
// Curse: the blessing and its strength point are lost, and every medal.
inline void StrikeCurse(CArmy& a) {
    if (a.Blessed()) {
        a.SetBlessed(false);
        a.SetTotalStrength(std::int64_t{a.TotalStrength()} - 1);
    }
    if (a.HasMedal() > 0) a.SetHasMedal(0);
}
// The stack bonus added to one member's strength.
inline void AddStackBonus(CArmy& a, Long bonus) {
    if (bonus == 0) return;
    a.SetTotalStrength(std::int64_t{a.TotalStrength()} + bonus);
}

// ---- Duel steps

// Which army an ability killed.
enum class Killed { None, Attacker, Defender };

// Acid: the army with the higher acid may halve the other's strength.
template <class Draws>
void AcidRule(CArmy& a, CArmy& d, Draws& draws) {
    if (a.Acid() == d.Acid()) return;
    CArmy& striker = a.Acid() > d.Acid() ? a : d;
    CArmy& victim = a.Acid() > d.Acid() ? d : a;
    const std::int64_t S = striker.Acid(), W = victim.Acid();
    if (S <= victim.Warding()) return;
    const std::int64_t n = S - (W + victim.Warding());
    if (draws.Percent(n * 10)) victim.SetTotalStrength(victim.TotalStrength() / 2);
}

// Lightning: the army with the higher lightning may halve the other's hits.
template <class Draws>
void LightningRule(CArmy& a, CArmy& d, Draws& draws) {
    if (a.Lightning() == d.Lightning()) return;
    CArmy& striker = a.Lightning() > d.Lightning() ? a : d;
    CArmy& victim = a.Lightning() > d.Lightning() ? d : a;
    const std::int64_t S = striker.Lightning(), W = victim.Lightning();
    if (S <= victim.Warding()) return;
    const std::int64_t n = S - (W + victim.Warding());
    if (draws.Percent(n * 10)) victim.SetHits(victim.Hits() / 2);
}

// Assassination: equal strengths spend both abilities; otherwise the stronger assassin may kill
// the other army once per battle. Either way the abilities involved are spent.
template <class Draws>
Killed AssassRule(CArmy& a, CArmy& d, Draws& draws) {
    const Long A = a.Assass(), D = d.Assass();
    if (A == D) {
        if (A > 0) a.SetUsedSpecial(true);
        if (D > 0) d.SetUsedSpecial(true);
        return Killed::None;
    }
    const bool attackerStrikes = A > D;
    CArmy& striker = attackerStrikes ? a : d;
    CArmy& victim = attackerStrikes ? d : a;
    const std::int64_t S = striker.Assass(), W = victim.Assass();
    if (W > 0) victim.SetUsedSpecial(true);
    bool killed = false;
    if (S > victim.Warding()) {
        const std::int64_t n = S - (std::int64_t{victim.Warding()} + W);
        if (!striker.UsedSpecial() && draws.Percent(n * 10)) killed = true;
    }
    striker.SetUsedSpecial(true);
    if (!killed) return Killed::None;
    return attackerStrikes ? Killed::Defender : Killed::Attacker;
}

// Missiles: the army with more missile strength shoots its shots (the difference, counted when it
// first shoots in the battle) until one lands, which kills the target; the shots after the hit
// stay for its next duel. A volley that misses spends the ability for the battle.
template <class Draws>
Killed MissileRule(CArmy& a, CArmy& d, Draws& draws) {
    const Long A = a.Missle(), D = d.Missle();
    if (A == D) return Killed::None;
    const bool attackerShoots = A > D;
    CArmy& shooter = attackerShoots ? a : d;
    if (shooter.UsedSpecial()) return Killed::None;
    if (shooter.MissleShotsLeft() == 0)
        shooter.SetMissleShotsLeft(
            SaturateLong(attackerShoots ? std::int64_t{A} - D : std::int64_t{D} - A));

    const Long shots = shooter.MissleShotsLeft();
    bool hit = false;
    for (Long k = 1; k <= shots; ++k) {
        if (draws.ShotLands(a, d, attackerShoots)) {
            shooter.SetMissleShotsLeft(shooter.MissleShotsLeft() - k);
            hit = true;
            break;
        }
    }
    if (!hit) {
        shooter.SetUsedSpecial(true);  // the remaining shots are lost for this battle
        return Killed::None;
    }
    if (shooter.MissleShotsLeft() == 0) shooter.SetUsedSpecial(true);
    return attackerShoots ? Killed::Defender : Killed::Attacker;
}

// Whether any ability can act before the melee of `a` and `d`: acid, lightning, assassination or
// missiles, each when the two armies' strengths in it differ, and equal assassins above 0, which
// spend theirs. The strengths in them never change, so this holds for the pair of armies.
inline bool OpeningRulesMayAct(const CArmy& a, const CArmy& d) {
    return a.Acid() != d.Acid() || a.Lightning() != d.Lightning() || a.Assass() != d.Assass() ||
           a.Assass() > 0 || a.Missle() != d.Missle();
}

// Everything of a duel before the melee, in order: acid, lightning, assassination and, unless
// that killed, missiles. Each ability acts only when the two armies' strengths in it differ (and
// equal assassins above 0 spend theirs).
template <class Draws>
Killed OpeningRules(CArmy& a, CArmy& d, Draws& draws) {
    if (a.Acid() != d.Acid()) AcidRule(a, d, draws);
    if (a.Lightning() != d.Lightning()) LightningRule(a, d, draws);
    Killed killed = Killed::None;
    if (a.Assass() != d.Assass() || a.Assass() > 0) killed = AssassRule(a, d, draws);
    if (killed == Killed::None && a.Missle() != d.Missle()) killed = MissileRule(a, d, draws);
    return killed;
}

// The hits a melee point takes from the army that loses it: trample + 1 from a victim that does
// not fly when the hitter tramples, else 1.
inline Long MeleeDamage(const CArmy& hitter, bool victimFlies) {
    if (hitter.Trample() > 0 && !victimFlies)
        return SaturateLong(std::int64_t{hitter.Trample()} + 1);
    return 1;
}

// The hits left after losing a point worth `damage`, or 0 when the army dies (its hits must
// exceed the damage for it to survive).
inline Long HitsAfterPoint(Long hits, Long damage) {
    return hits > damage ? hits - damage : 0;
}

// The chances of one exchange that decide a point: only the attacking army scores, only the
// defending one does. Exchanges in which both or neither score change nothing.
struct PointOdds {
    double attackerOnly;
    double defenderOnly;
};
inline PointOdds MeleePointOdds(double attackerScores, double defenderScores) {
    return {attackerScores * (1.0 - defenderScores), defenderScores * (1.0 - attackerScores)};
}

// How a melee ends: the chance that the defending army dies with the attacking army left with h
// hits (defenderDies[h]) and that the attacking army dies with the defending army left with h
// hits (attackerDies[h]), h = 1..4.
struct MeleeEnds {
    double defenderDies[5] = {};
    double attackerDies[5] = {};
};

// The ends of a melee between armies of `hitsA` and `hitsD` hits (1..4) in which the attacking
// army wins each point with chance `q` and a lost point costs the defending army `toD` hits and
// the attacking army `toA`; every chance is scaled by `p`.
inline MeleeEnds MeleeOutcomes(Long hitsA, Long hitsD, Long toD, Long toA, double q,
                               double p = 1.0) {
    // mass[x][y]: the chance of reaching x attacking and y defending hits; every point lowers
    // one of them, so visiting both in falling order meets each state after all of the states
    // that lead to it.
    MeleeEnds ends;
    double mass[5][5] = {};
    mass[ClampLong(hitsA, 1, 4)][ClampLong(hitsD, 1, 4)] = p;
    for (Long x = 4; x >= 1; --x) {
        for (Long y = 4; y >= 1; --y) {
            const double m = mass[x][y];
            if (m == 0) continue;
            if (const Long left = HitsAfterPoint(y, toD))
                mass[x][left] += m * q;
            else
                ends.defenderDies[x] += m * q;
            if (const Long left = HitsAfterPoint(x, toA))
                mass[left][y] += m * (1 - q);
            else
                ends.attackerDies[y] += m * (1 - q);
        }
    }
    return ends;
}

}  // namespace b3::engine
