#include "engine/duel_states.h"

#include <algorithm>
#include <stdexcept>

#include "engine/battle_calc.h"
#include "engine/duel_rules.h"
#include "engine/stack.h"
#include "engine/unit_list.h"

namespace b3::engine {

Carried CarriedBy(const CArmy& a, bool defender) {
    Carried c;
    c.strength = a.TotalStrength();
    c.hits = a.Hits();
    c.medals = a.HasMedal();
    c.usedSpecial = a.UsedSpecial();
    // Once the ability is spent the shots left are never looked at again.
    c.shotsLeft = c.usedSpecial ? 0 : a.MissleShotsLeft();
    c.startHits = defender ? a.StartHits() : 0;
    return c;
}

void Carry(CArmy& a, const Carried& c, bool defender) {
    a.SetTotalStrength(c.strength);
    a.SetHits(c.hits);
    a.SetHasMedal(c.medals);
    a.SetUsedSpecial(c.usedSpecial);
    a.SetMissleShotsLeft(c.shotsLeft);
    if (defender) a.SetStartHits(std::int64_t{c.startHits});
}

namespace {

void AddEntry(Fighter& f, const Carried& c, double p) {
    if (p <= 0) return;
    for (auto& e : f.entries) {
        if (e.carried == c) {
            e.p += p;
            return;
        }
    }
    f.entries.push_back({c, p});
}

// The chances of the three set-up strikes on one side's armies and the side's stack bonus.
struct SetUpChances {
    explicit SetUpChances(const SetUpStrikes& s)
        : poison(PercentChance(s.poison)),
          disease(PercentChance(s.disease)),
          curse(PercentChance(s.curse)),
          bonus(s.bonus) {}
    double poison;
    double disease;
    double curse;
    Long bonus;
};

// An army of a first front in every combination of the strikes that can hit it, in the order
// the set-up applies them, then with the stack bonus (and, for a defender, its hits cached).
Fighter EnterFirstFront(const CArmy& army, const SetUpChances& chances, bool defender) {
    struct Partial {
        CArmy a;
        double p;
    };
    std::vector<Partial> partials{{army, 1.0}};
    auto stage = [&partials](bool (*eligible)(const CArmy&), void (*strike)(CArmy&), double p) {
        if (p <= 0) return;
        std::vector<Partial> out;
        for (Partial& x : partials) {
            if (!eligible(x.a)) {
                out.push_back(x);
                continue;
            }
            if (p < 1) out.push_back({x.a, x.p * (1 - p)});
            Partial struck = x;
            strike(struck.a);
            struck.p *= p;
            out.push_back(struck);
        }
        partials = std::move(out);
    };
    stage(&MBattleCalc::IsPoisonEligible, &StrikePoison, chances.poison);
    stage(&MBattleCalc::IsDiseaseEligible, &StrikeDisease, chances.disease);
    stage(&MBattleCalc::IsCurseEligible, &StrikeCurse, chances.curse);

    Fighter f;
    f.army = army;
    for (Partial& x : partials) {
        AddStackBonus(x.a, chances.bonus);
        if (defender) x.a.SetStartHits();
        AddEntry(f, CarriedBy(x.a, defender), x.p);
    }
    return f;
}

// The army of a first front as the simulation lets it enter, in every combination of the strikes
// that need a draw (those that are certain hit it in every one), in the order the set-up applies
// them, then with the stack bonus (and, for a defender, its hits cached). Whether a strike can hit
// the army does not depend on the strikes before it: poison changes neither the blessing nor the
// medals nor disease, disease neither of them.
void AddEntering(Fighter& f, const SetUpStrikes& strikes, bool defender) {
    struct Strike {
        std::int64_t limit;
        bool (*eligible)(const CArmy&);
        void (*strike)(CArmy&);
    };
    const Strike all[] = {{strikes.poison, &MBattleCalc::IsPoisonEligible, &StrikePoison},
                          {strikes.disease, &MBattleCalc::IsDiseaseEligible, &StrikeDisease},
                          {strikes.curse, &MBattleCalc::IsCurseEligible, &StrikeCurse}};
    auto canHit = [&f](const Strike& s) { return s.limit > 0 && s.eligible(f.army); };
    for (const Strike& s : all)
        if (canHit(s) && s.limit < 99) f.drawnStrikes.push_back(s.limit);
    for (unsigned struck = 0; struck < 1u << f.drawnStrikes.size(); ++struck) {
        CArmy a = f.army;
        unsigned k = 0;  // the drawn strike's bit
        for (const Strike& s : all) {
            if (!canHit(s)) continue;
            const bool hits = s.limit >= 99 || (struck >> k++ & 1) != 0;
            if (hits) s.strike(a);
        }
        AddStackBonus(a, strikes.bonus);
        if (defender) a.SetStartHits();
        f.entering.push_back(a);
    }
}

// Decides the chances of the duel rules by following one path of outcomes; the paths are
// visited in turn, each chance first succeeding and then failing.
class PathDraws {
public:
    explicit PathDraws(Long dice) : dice_(dice) {}

    bool Percent(std::int64_t limit) { return Branch(PercentChance(limit)); }
    bool ShotLands(const CArmy& a, const CArmy& d, bool attackerShoots) {
        const CArmy& shooter = attackerShoots ? a : d;
        const CArmy& target = attackerShoots ? d : a;
        return Branch(ScoreProbability(dice_, shooter.HasMedal(), shooter.TotalStrength()) *
                      (1.0 - ScoreProbability(dice_, target.HasMedal(), target.TotalStrength())));
    }

    double Probability() const { return p_; }
    // Moves to the next path; false when every path has been visited.
    bool Next() {
        choices_.resize(pos_);
        while (!choices_.empty() && !choices_.back()) choices_.pop_back();
        if (choices_.empty()) return false;
        choices_.back() = false;
        pos_ = 0;
        p_ = 1.0;
        return true;
    }

private:
    bool Branch(double p) {
        // A certain outcome is no branch.
        if (p <= 0) return false;
        if (p >= 1) return true;
        if (pos_ == choices_.size()) choices_.push_back(true);
        const bool choice = choices_[pos_++];
        p_ *= choice ? p : 1.0 - p;
        return choice;
    }

    Long dice_;
    std::vector<bool> choices_;
    std::size_t pos_ = 0;
    double p_ = 1.0;
};

void AddEnd(std::vector<DuelEnd>& ends, const DuelEnd& e) {
    if (e.p <= 0) return;
    for (auto& x : ends) {
        if (x.attackerDied == e.attackerDied && x.survivor == e.survivor) {
            x.p += e.p;
            return;
        }
    }
    ends.push_back(e);
}

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
    h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
}

std::uint64_t HashOf(std::uint64_t h, const Carried& c) {
    h = Mix(h, (std::uint64_t(std::uint32_t(c.strength)) << 32) | std::uint32_t(c.hits));
    h = Mix(h, (std::uint64_t(std::uint32_t(c.medals)) << 32) | std::uint32_t(c.shotsLeft));
    h = Mix(h, (std::uint64_t(std::uint32_t(c.startHits)) << 1) | (c.usedSpecial ? 1 : 0));
    return h;
}

}  // namespace

std::size_t StateHash::operator()(const State& s) const {
    std::uint64_t h = std::uint32_t(s.attackersLost);
    h = HashOf(h, s.att);
    h = HashOf(h, s.def);
    return static_cast<std::size_t>(h ^ (h >> 29));
}

void Duels::Resolve(const CArmy& a0, const CArmy& d0, std::vector<DuelEnd>& ends) const {
    ends.clear();
    PathDraws draws(dice_);
    do {
        CArmy a = a0;
        CArmy d = d0;
        const Killed killed = OpeningRules(a, d, draws);
        const double p = draws.Probability();
        if (killed == Killed::Defender)
            AddEnd(ends, {false, CarriedBy(a, false), p});
        else if (killed == Killed::Attacker)
            AddEnd(ends, {true, CarriedBy(d, true), p});
        else
            Melee(a, d, p, ends);
    } while (draws.Next());
}

void Duels::Melee(CArmy& a, CArmy& d, double p, std::vector<DuelEnd>& ends) const {
    const PointOdds odds = MeleePointOdds(ScoreProbability(dice_, a.HasMedal(), a.TotalStrength()),
                                          ScoreProbability(dice_, d.HasMedal(), d.TotalStrength()));
    const double either = odds.attackerOnly + odds.defenderOnly;
    if (!(either > 0)) throw std::logic_error("a duel that no exchange can decide");
    const double q = odds.attackerOnly / either;
    const Long toD = a.Trample() > 0 ? MeleeDamage(a, calc_.VictimFlies(d)) : 1;
    const Long toA = d.Trample() > 0 ? MeleeDamage(d, calc_.VictimFlies(a)) : 1;
    const MeleeEnds melee = MeleeOutcomes(a.Hits(), d.Hits(), toD, toA, q, p);
    for (Long h = 1; h <= 4; ++h) {
        if (melee.defenderDies[h] > 0) {
            a.SetHits(h);
            AddEnd(ends, {false, CarriedBy(a, false), melee.defenderDies[h]});
        }
        if (melee.attackerDies[h] > 0) {
            d.SetHits(h);
            AddEnd(ends, {true, CarriedBy(d, true), melee.attackerDies[h]});
        }
    }
}

std::int64_t MostMissileShots(CalculatorHost& host) {
    const CAttackArmies& att = host.AttArmies();
    const CAttackArmies& def = host.DefArmies();
    std::int64_t most = 0;
    for (Long i = 1; i <= att.Count(); ++i) {
        for (Long j = 1; j <= def.Count(); ++j) {
            const std::int64_t diff = std::int64_t{att.Item(i).Missle()} - def.Item(j).Missle();
            most = std::max(most, diff < 0 ? -diff : diff);
        }
    }
    return most;
}

Lineup BuildLineup(CalculatorHost& host, Long CombatDice, Long CityLevel) {
    // The fronts of a battle as the simulation sets them up, up to the random strikes.
    MBattleCalc calc(host);
    calc.PrepareRun(CombatDice, 0);
    calc.BuildStacks();
    calc.SetCurrentAttackStack(0);
    calc.SendToAttackFront();
    calc.SendToDefendFront();
    calc.EvalStacksSelfEffect(CityLevel);
    const CStackAtt att = calc.AttackFront();
    const CStackAtt def = calc.DefendFront();

    Lineup line;
    auto strikesOn = [](const CStackAtt& side, const CStackAtt& enemy) {
        SetUpStrikes s;
        s.poison = std::int64_t{enemy.StackPoison()} * 4;
        s.disease = std::int64_t{enemy.StackDisease()} * 4;
        s.curse = std::int64_t{enemy.StackCurse()} * 4;
        s.bonus = MBattleCalc::StackBonus(side, enemy);
        return s;
    };
    line.onAttackers = strikesOn(att, def);
    line.onDefenders = strikesOn(def, att);
    const SetUpChances onAtt(line.onAttackers), onDef(line.onDefenders);

    // Both sides in the order in which their armies fight: from the end of each front.
    for (Long i = att.Count(); i >= 1; --i) {
        line.attackers.push_back(EnterFirstFront(att.Item(i), onAtt, false));
        AddEntering(line.attackers.back(), line.onAttackers, false);
    }
    for (Long i = def.Count(); i >= 1; --i) {
        line.defenders.push_back(EnterFirstFront(def.Item(i), onDef, true));
        AddEntering(line.defenders.back(), line.onDefenders, true);
    }
    // Later attacking stacks enter as they are, without bonus or strikes.
    for (Long s = 1; calc.SendToAttackFront(); ++s) {
        const CStackAtt& front = calc.AttackFront();
        for (Long i = front.Count(); i >= 1; --i) {
            Fighter f;
            f.army = front.Item(i);
            f.stack = s;
            f.entries.push_back({CarriedBy(f.army, false), 1.0});
            f.entering.push_back(f.army);
            line.attackers.push_back(std::move(f));
        }
    }

    // Production turns lost by the number of armies destroyed, in the order they die.
    auto prefix = [](const std::vector<Fighter>& side, std::vector<std::int64_t>& turns) {
        turns.assign(side.size() + 1, 0);
        for (std::size_t k = 0; k < side.size(); ++k)
            turns[k + 1] = turns[k] + side[k].army.Turns();
    };
    prefix(line.attackers, line.attTurns);
    prefix(line.defenders, line.defTurns);

    for (const Fighter& fa : line.attackers) {
        for (const Fighter& fd : line.defenders) {
            const CArmy& a = fa.army;
            const CArmy& d = fd.army;
            line.pairs.push_back({OpeningRulesMayAct(a, d),
                                  a.Trample() > 0 ? MeleeDamage(a, calc.VictimFlies(d)) : 1,
                                  d.Trample() > 0 ? MeleeDamage(d, calc.VictimFlies(a)) : 1});
        }
    }
    return line;
}

}  // namespace b3::engine
