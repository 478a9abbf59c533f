// Fighting a battle on its fronts: duel after duel between the last armies of the two fronts,
// each with its abilities, then its melee, every exchange rolled or each point drawn at once.
#include "engine/battle_calc.h"

#include "engine/duel_rules.h"
#include "engine/melee_rolls.h"

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

Killed MBattleCalc::Melee(CArmy& a, CArmy& d, Long toD, Long toA) {
    if (simulation_ == Simulation::Rolled) {
        if (!rng_.Scripted()) {
            const ExchangeRoll roll = exchangeRolls_.Between(a.HasMedal(), a.TotalStrength(),
                                                             d.HasMedal(), d.TotalStrength());
            if (roll.lanes != 0) return JointMelee(roll, a, d, toD, toA);
        }
        return DieByDieMelee(a, d, toD, toA);
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

Killed MBattleCalc::DieByDieMelee(CArmy& a, CArmy& d, Long toD, Long toA) {
    const auto sa = static_cast<std::size_t>(a.TotalStrength());
    const auto sd = static_cast<std::size_t>(d.TotalStrength());
    const int ma = MedalIndex(a.HasMedal()), md = MedalIndex(d.HasMedal());
    const LongDice dice{rollBound_[0][sa], rollBound_[ma][sa],
                        rollBound_[0][sd], rollBound_[md][sd],
                        ma != 0,           md != 0};
    MeleeHits hits(a.Hits(), d.Hits(), toA, toD);
    Killed died;
    if (rng_.Scripted()) {
        died = RollMelee(rng_, dice, hits);
    } else {
        Generator gen = rng_.Gen();
        died = RollMelee(gen, dice, hits);
        rng_.SetGen(gen);
    }
    if (died == Killed::Defender)
        a.SetHits(hits.a);
    else
        d.SetHits(hits.d);
    return died;
}

bool MBattleCalc::Draws::ShotLands(const CArmy& a, const CArmy& d, bool attackerShoots) {
    if (calc.simulation_ == Simulation::Rolled) {
        // A shot is an exchange that the shooter alone scores: a joint roll, or die by die.
        if (!calc.rng_.Scripted()) {
            const ExchangeRoll roll = calc.exchangeRolls_.Between(a.HasMedal(), a.TotalStrength(),
                                                                  d.HasMedal(), d.TotalStrength());
            if (roll.lanes != 0) {
                Xoshiro256 gen = calc.rng_.Steps();
                const bool lands = RollShot(gen, roll, attackerShoots);
                calc.rng_.SetSteps(gen);
                return lands;
            }
        }
        return calc.WhoLosesPoint(a, d) == (attackerShoots ? kDefenderLoses : kAttackerLoses);
    }
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
    const std::size_t lost = attacking ? 1 : 3;
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
