// Fighting a battle on its fronts: duel after duel between the last armies of the two fronts,
// each with its abilities, then its melee, every exchange rolled or each point drawn at once.
#include "engine/battle_calc.h"

#include "engine/duel_rules.h"

namespace b3::engine {

namespace {

// The hits of the two armies in a melee and what a lost point costs each.
struct MeleeHits {
    MeleeHits(std::int64_t hitsA, std::int64_t hitsD, std::int64_t toA, std::int64_t toD)
        : a(hitsA), d(hitsD), lossA{0, 0, toA, 0}, lossD{0, toD, 0, 0} {}
    std::int64_t a, d;
    // What each army loses in an exchange in which the attacker scores (bit 0) and the defender
    // scores (bit 1): a point only when one of them alone does.
    std::int64_t lossA[4], lossD[4];
    // Books one exchange.
    void Exchange(bool hitA, bool hitD) {
        const unsigned both = static_cast<unsigned>(hitA) | (static_cast<unsigned>(hitD) << 1);
        a -= lossA[both];
        d -= lossD[both];
    }
};

// The bounds of the scoring rolls of both armies from 32-bit values (RandomSource::RollBound).
struct LongDice {
    std::uint64_t aDice, aMedal, dDice, dMedal;
    bool aHasMedal, dHasMedal;
};

// Every exchange rolls as WhoLosesPoint does, drawing the same values in the same order, written
// without a branch per exchange.
template <class Source>
Killed RollMelee(Source& source, const LongDice& m, MeleeHits& hits) {
    for (;;) {
        bool hitA = source.Next32() < m.aDice;
        if (m.aHasMedal) hitA |= source.Next32() < m.aMedal;
        bool hitD = source.Next32() < m.dDice;
        if (m.dHasMedal) hitD |= source.Next32() < m.dMedal;
        hits.Exchange(hitA, hitD);
        if (hits.d <= 0) return Killed::Defender;
        if (hits.a <= 0) return Killed::Attacker;
    }
}

// The same from 16-bit values (RandomSource::ShortBound), with each die's value limit; a side
// without medals has bound 0 and limit 65536 on its medal die.
struct ShortDice {
    std::uint32_t aDice, aMedal, dDice, dMedal;
    std::uint32_t limit, aLimit, dLimit;
    bool medals;  // either side has some
};

// Every exchange rolled from 16-bit values, four to a step of the generator: without medals two
// exchanges (attacker, defender, attacker, defender), with medals one (attacker's dice and medal
// die, defender's dice and medal die). A step holding a value that is no roll is drawn again
// whole, which leaves the other values as uniform as before; so is the rest of a step after the
// melee ends.
Killed RollMeleeShort(Xoshiro256& gen, const ShortDice& m, MeleeHits& hits) {
    auto slot = [](std::uint64_t bits, int k) {
        return static_cast<std::uint32_t>(bits >> (16 * k)) & 0xffffu;
    };
    if (!m.medals) {
        for (;;) {
            const std::uint64_t bits = gen.Next64();
            const std::uint32_t v0 = slot(bits, 0), v1 = slot(bits, 1), v2 = slot(bits, 2),
                                v3 = slot(bits, 3);
            if ((v0 >= m.limit) | (v1 >= m.limit) | (v2 >= m.limit) | (v3 >= m.limit)) [[unlikely]]
                continue;
            hits.Exchange(v0 < m.aDice, v1 < m.dDice);
            if (hits.d <= 0) return Killed::Defender;
            if (hits.a <= 0) return Killed::Attacker;
            hits.Exchange(v2 < m.aDice, v3 < m.dDice);
            if (hits.d <= 0) return Killed::Defender;
            if (hits.a <= 0) return Killed::Attacker;
        }
    }
    for (;;) {
        const std::uint64_t bits = gen.Next64();
        const std::uint32_t v0 = slot(bits, 0), v1 = slot(bits, 1), v2 = slot(bits, 2),
                            v3 = slot(bits, 3);
        if ((v0 >= m.limit) | (v1 >= m.aLimit) | (v2 >= m.limit) | (v3 >= m.dLimit)) [[unlikely]]
            continue;
        hits.Exchange((v0 < m.aDice) | (v1 < m.aMedal), (v2 < m.dDice) | (v3 < m.dMedal));
        if (hits.d <= 0) return Killed::Defender;
        if (hits.a <= 0) return Killed::Attacker;
    }
}

}  // namespace

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
        const auto sa = static_cast<std::size_t>(a.TotalStrength());
        const auto sd = static_cast<std::size_t>(d.TotalStrength());
        const int ma = MedalIndex(a.HasMedal()), md = MedalIndex(d.HasMedal());
        MeleeHits hits(a.Hits(), d.Hits(), toA, toD);
        Killed died;
        if (shortDice_ && !rng_.Scripted()) {
            const ShortDice dice{shortBound_[0][sa],
                                 ma != 0 ? shortBound_[ma][sa] : 0u,
                                 shortBound_[0][sd],
                                 md != 0 ? shortBound_[md][sd] : 0u,
                                 shortLimit_[0],
                                 ma != 0 ? shortLimit_[ma] : 65536u,
                                 md != 0 ? shortLimit_[md] : 65536u,
                                 ma != 0 || md != 0};
            Xoshiro256 gen = rng_.Steps();
            died = RollMeleeShort(gen, dice, hits);
            rng_.SetSteps(gen);
        } else {
            const LongDice dice{rollBound_[0][sa], rollBound_[ma][sa],
                                rollBound_[0][sd], rollBound_[md][sd],
                                ma != 0,           md != 0};
            if (rng_.Scripted()) {
                died = RollMelee(rng_, dice, hits);
            } else {
                // The generator in registers rather than behind `this` for the many draws.
                Generator gen = rng_.Gen();
                died = RollMelee(gen, dice, hits);
                rng_.SetGen(gen);
            }
        }
        if (died == Killed::Defender)
            a.SetHits(hits.a);
        else
            d.SetHits(hits.d);
        return died;
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
