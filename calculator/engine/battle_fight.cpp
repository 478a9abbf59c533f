// Fighting a battle on its fronts: duel after duel between the last armies of the two fronts,
// each with its abilities, then its melee, every exchange rolled or each point drawn at once.
#include "engine/battle_calc.h"

#include "engine/duel_rules.h"

namespace b3::engine {

Long MBattleCalc::Fight(CStackAtt& att, CStackAtt& def, Long battle) {
    Long state = kGoOn;
    while (state == kGoOn) {
        UnitvsUnit(att, att.Count(), def, def.Count(), battle);
        state = CheckIfVictor(att.Count(), def.Count(), def);
    }
    return state;
}

Long MBattleCalc::CheckIfVictor(Long attCount, Long defCount, CStackAtt& def) {
    if (defCount == 0) return kAttackerWon;
    if (attCount != 0) return kGoOn;
    if (SendToAttackFront()) {
        def.Item(def.Count()).RestoreStartHits();
        return kGoOn;
    }
    return kDefenderWon;
}

double MBattleCalc::ScoreChance(const CArmy& army) const {
    return scoreChance_[MedalIndex(army.HasMedal())][army.TotalStrength()];
}

void MBattleCalc::UnitvsUnit(CStackAtt& att, Long aPos, CStackAtt& def, Long dPos, Long battle) {
    CArmy& a = att.Item(aPos);
    CArmy& d = def.Item(dPos);
    // Each ability acts only when the two armies' strengths in it differ (and equal assassins
    // above 0 spend theirs): most duels skip all four.
    if (a.Acid() != d.Acid()) ResolveAcid(aPos, dPos, att, def);
    if (a.Lightning() != d.Lightning()) ResolveLightning(aPos, dPos, att, def);
    if ((a.Assass() != d.Assass() || a.Assass() > 0) && ResolveAssass(aPos, dPos, att, def, battle))
        return;
    if (a.Missle() != d.Missle() && ResolveMissle(aPos, dPos, att, def, battle)) return;

    // Neither the damage of a point nor the chances of an exchange change during the melee.
    const Long toD = a.Trample() > 0 ? DamagePerHit(aPos, dPos, att, def, kDefenderLoses) : 1;
    const Long toA = d.Trample() > 0 ? DamagePerHit(aPos, dPos, att, def, kAttackerLoses) : 1;
    if (Melee(a, d, toD, toA) == Killed::Defender)
        RemoveDefender(def, dPos, d.Turns(), battle);
    else
        RemoveAttacker(att, aPos, a.Turns(), battle);
}

Killed MBattleCalc::Duel(CArmy& a, CArmy& d) {
    Draws draws{*this};
    if (const Killed killed = OpeningRules(a, d, draws); killed != Killed::None) return killed;
    const Long toD = a.Trample() > 0 ? MeleeDamage(a, VictimFlies(d)) : 1;
    const Long toA = d.Trample() > 0 ? MeleeDamage(d, VictimFlies(a)) : 1;
    return Melee(a, d, toD, toA);
}

Killed MBattleCalc::Melee(CArmy& a, CArmy& d, Long toD, Long toA) {
    if (simulation_ == Simulation::Rolled) {
        const RolledMelee m{static_cast<std::size_t>(a.TotalStrength()),
                            static_cast<std::size_t>(d.TotalStrength()),
                            MedalIndex(a.HasMedal()),
                            MedalIndex(d.HasMedal()),
                            toD,
                            toA};
        std::int64_t hitsA = a.Hits(), hitsD = d.Hits();
        if (shortDice_ && !rng_.Scripted())
            MeleeShortRolls(m, hitsA, hitsD);
        else
            MeleeRolls(m, hitsA, hitsD);
        if (hitsD <= 0) {
            a.SetHits(hitsA);
            return Killed::Defender;
        }
        d.SetHits(hitsD);
        return Killed::Attacker;
    }
    // The exchange that decides a point: the attacking army wins it with the chance that it
    // alone scores, given that exactly one of the two scores.
    const PointOdds odds = MeleePointOdds(ScoreChance(a), ScoreChance(d));
    // u < attackerOnly / (attackerOnly + defenderOnly), without a division.
    const double aOnly = odds.attackerOnly;
    const double either = odds.attackerOnly + odds.defenderOnly;
    for (;;) {
        if (rng_.Next() * either < aOnly) {
            if (const Long left = HitsAfterPoint(d.Hits(), toD)) {
                d.SetHits(left);
            } else {
                return Killed::Defender;
            }
        } else {
            if (const Long left = HitsAfterPoint(a.Hits(), toA)) {
                a.SetHits(left);
            } else {
                return Killed::Attacker;
            }
        }
    }
}

// Every exchange rolls as WhoLosesPoint does, drawing the same values in the same order, written
// without a branch per exchange: a point costs its loser the damage, and the melee ends when an
// army has no hits left.
void MBattleCalc::MeleeRolls(const RolledMelee& m, std::int64_t& hitsA, std::int64_t& hitsD) {
    const std::uint64_t aDice = rollBound_[0][m.sa], aMedal = rollBound_[m.ma][m.sa];
    const std::uint64_t dDice = rollBound_[0][m.sd], dMedal = rollBound_[m.md][m.sd];
    auto melee = [&](auto& source) {
        for (;;) {
            bool hitA = source.Next32() < aDice;
            if (m.ma != 0) hitA |= source.Next32() < aMedal;
            bool hitD = source.Next32() < dDice;
            if (m.md != 0) hitD |= source.Next32() < dMedal;
            hitsD -= static_cast<std::int64_t>(hitA && !hitD) * m.toD;
            hitsA -= static_cast<std::int64_t>(hitD && !hitA) * m.toA;
            if ((hitsA <= 0) | (hitsD <= 0)) return;
        }
    };
    if (rng_.Scripted()) {
        melee(rng_);
    } else {
        // The generator in registers rather than behind `this` for the melee's many draws.
        Generator gen = rng_.Gen();
        melee(gen);
        rng_.SetGen(gen);
    }
}

// Every exchange rolled from 16-bit values (RandomSource::ShortBound), four to a step of the
// generator: without medals two exchanges (attacker, defender, attacker, defender), with medals
// one (attacker's dice and medal die, defender's dice and medal die; a side without medals never
// scores on its medal slot). A step holding a value that is no roll is drawn again whole, which
// leaves the other values as uniform as before; so is the rest of a step after the melee ends.
void MBattleCalc::MeleeShortRolls(const RolledMelee& m, std::int64_t& hitsAOut,
                                  std::int64_t& hitsDOut) {
    Xoshiro256 gen = rng_.Steps();
    std::int64_t hitsA = hitsAOut, hitsD = hitsDOut;
    auto exchange = [&](bool hitA, bool hitD) {
        hitsD -= static_cast<std::int64_t>(hitA && !hitD) * m.toD;
        hitsA -= static_cast<std::int64_t>(hitD && !hitA) * m.toA;
        return (hitsA <= 0) | (hitsD <= 0);
    };
    auto slot = [](std::uint64_t bits, int k) {
        return static_cast<std::uint32_t>(bits >> (16 * k)) & 0xffffu;
    };
    const std::uint32_t aDice = shortBound_[0][m.sa], dDice = shortBound_[0][m.sd];
    const std::uint32_t limit = shortLimit_[0];
    if (m.ma == 0 && m.md == 0) {
        for (;;) {
            const std::uint64_t bits = gen.Next64();
            const std::uint32_t v0 = slot(bits, 0), v1 = slot(bits, 1), v2 = slot(bits, 2),
                                v3 = slot(bits, 3);
            if (((v0 >= limit) | (v1 >= limit) | (v2 >= limit) | (v3 >= limit))) [[unlikely]]
                continue;
            if (exchange(v0 < aDice, v1 < dDice)) break;
            if (exchange(v2 < aDice, v3 < dDice)) break;
        }
    } else {
        const std::uint32_t aMedal = m.ma != 0 ? shortBound_[m.ma][m.sa] : 0;
        const std::uint32_t dMedal = m.md != 0 ? shortBound_[m.md][m.sd] : 0;
        const std::uint32_t aLimit = m.ma != 0 ? shortLimit_[m.ma] : 65536;
        const std::uint32_t dLimit = m.md != 0 ? shortLimit_[m.md] : 65536;
        for (;;) {
            const std::uint64_t bits = gen.Next64();
            const std::uint32_t v0 = slot(bits, 0), v1 = slot(bits, 1), v2 = slot(bits, 2),
                                v3 = slot(bits, 3);
            if (((v0 >= limit) | (v1 >= aLimit) | (v2 >= limit) | (v3 >= dLimit))) [[unlikely]]
                continue;
            if (exchange((v0 < aDice) | (v1 < aMedal), (v2 < dDice) | (v3 < dMedal))) break;
        }
    }
    rng_.SetSteps(gen);
    hitsAOut = hitsA;
    hitsDOut = hitsD;
}

bool MBattleCalc::Draws::ShotLands(const CArmy& a, const CArmy& d, bool attackerShoots) {
    if (calc.simulation_ == Simulation::Rolled)
        return calc.WhoLosesPoint(a, d) == (attackerShoots ? kDefenderLoses : kAttackerLoses);
    const CArmy& shooter = attackerShoots ? a : d;
    const CArmy& target = attackerShoots ? d : a;
    return calc.rng_.Next() < calc.ScoreChance(shooter) * (1.0 - calc.ScoreChance(target));
}

Long MBattleCalc::WhoLosesPoint(const CArmy& a, const CArmy& d) {
    const bool hitA = RollScores(a);
    const bool hitD = RollScores(d);
    if (hitA == hitD) return kNobodyLoses;
    return hitA ? kDefenderLoses : kAttackerLoses;
}

// ScoresHit(GetCombatRoll(medals), strength) without working out the roll: the same draws, in the
// same order (the combat dice, then any medal die, both always rolled), each compared with the
// bound below which it rolls at most the strength.
bool MBattleCalc::RollScores(const CArmy& army) {
    const auto s = static_cast<std::size_t>(army.TotalStrength());  // 1..14
    bool hit = rng_.Next32() < rollBound_[0][s];
    if (const int m = MedalIndex(army.HasMedal())) hit |= rng_.Next32() < rollBound_[m][s];
    return hit;
}

Long MBattleCalc::GetCombatRoll(Long medals) {
    const Long r = CombatDiceRoll(0);
    const Long die = kMedalDie[MedalIndex(medals)];
    if (die == 0) return r;
    const Long second = CombatDiceRoll(die);
    return second < r ? second : r;
}

Long MBattleCalc::CombatDiceRoll(Long faces) {
    const Long n = faces == 0 ? combatDice_ : faces;
    if (n < 1) return n;  // a die without faces rolls nothing higher
    return static_cast<Long>(rng_.Roll(static_cast<std::uint32_t>(n)));
}

bool MBattleCalc::VictimFlies(const CArmy& victim) const {
    if (victim.IsFlying()) return true;
    const Long id = victim.UnitID();
    // A unit identifier outside the data arrays names no move bonus.
    if (id < 0 || static_cast<std::size_t>(id) >= fliesByMoveBonus_.size()) return false;
    return fliesByMoveBonus_[static_cast<std::size_t>(id)] != 0;
}

Long MBattleCalc::DamagePerHit(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def,
                               Long loser) const {
    if (loser != kDefenderLoses && loser != kAttackerLoses) return 1;
    const CArmy& hitter = loser == kDefenderLoses ? att.Item(aPos) : def.Item(dPos);
    if (hitter.Trample() <= 0) return 1;
    const CArmy& victim = loser == kDefenderLoses ? def.Item(dPos) : att.Item(aPos);
    return MeleeDamage(hitter, VictimFlies(victim));
}

void MBattleCalc::ResolveAcid(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def) {
    Draws draws{*this};
    AcidRule(att.Item(aPos), def.Item(dPos), draws);
}

void MBattleCalc::ResolveLightning(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def) {
    Draws draws{*this};
    LightningRule(att.Item(aPos), def.Item(dPos), draws);
}

bool MBattleCalc::ResolveAssass(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def, Long battle) {
    Draws draws{*this};
    return RemoveKilled(AssassRule(att.Item(aPos), def.Item(dPos), draws), aPos, dPos, att, def,
                        battle);
}

bool MBattleCalc::ResolveMissle(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def, Long battle) {
    Draws draws{*this};
    return RemoveKilled(MissileRule(att.Item(aPos), def.Item(dPos), draws), aPos, dPos, att, def,
                        battle);
}

bool MBattleCalc::RemoveKilled(Killed killed, Long aPos, Long dPos, CStackAtt& att, CStackAtt& def,
                               Long battle) {
    if (killed == Killed::Defender) RemoveDefender(def, dPos, def.Item(dPos).Turns(), battle);
    if (killed == Killed::Attacker) RemoveAttacker(att, aPos, att.Item(aPos).Turns(), battle);
    return killed != Killed::None;
}

void MBattleCalc::RemoveFrom(CStackAtt& front, bool attacking, Long position, Long turns,
                             Long battle) {
    ResultsRow& row = Row(battle);
    const int lost = attacking ? 1 : 3;
    row[lost] = SaturateLong(std::int64_t{row[lost]} + 1);
    row[lost + 1] = SaturateLong(std::int64_t{row[lost + 1]} + turns);
    front.Remove(position);
}

void MBattleCalc::RemoveAttacker(CStackAtt& front, Long position, Long turns, Long battle) {
    RemoveFrom(front, true, position, turns, battle);
}

void MBattleCalc::RemoveDefender(CStackAtt& front, Long position, Long turns, Long battle) {
    RemoveFrom(front, false, position, turns, battle);
}

}  // namespace b3::engine
