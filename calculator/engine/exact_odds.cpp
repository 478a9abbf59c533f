// The battle as a chain of duels between the last armies of the two fronts. Each duel removes
// exactly one army, so after L duels L armies are gone and which ones they are follows from how
// many each side lost. The state before a duel is therefore the number of attackers lost (the
// defenders lost make up the rest of L) and what the two fighting armies carry from earlier duels:
// strength, hits, medals, spent ability, missile shots left and, for the defender, the hits it
// returns to when a new attacking stack enters. States are summed level by level, L = 0, 1, ...
//
// Within a duel the opening rules (acid, lightning, assassination, missiles) are followed along
// every combination of their chances; the melee is a chain of points, each won by the attacker
// with the chance that it alone scores given that exactly one army scores.
//
// The set-up strikes of poison, disease and curse on the first fronts are independent for each
// army and matter only once that army fights, so each army enters its first duel in each of its
// possible set-up states with that state's probability.
#include "engine/exact_odds.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "engine/battle_calc.h"
#include "engine/duel_rules.h"
#include "engine/stack.h"

namespace b3::engine {
namespace {

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
};

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

// The chances of the three set-up strikes on one side's armies (from the enemy stack's summed
// powers) and the side's stack bonus.
struct SetUpChances {
    double poison = 0;
    double disease = 0;
    double curse = 0;
    Long bonus = 0;
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

// How a duel can end: which army died, what the survivor carries on, and the chance.
struct DuelEnd {
    bool attackerDied;
    Carried survivor;
    double p;
};

class Duels {
public:
    Duels(const MBattleCalc& calc, Long dice) : calc_(calc), dice_(dice) {}

    void Resolve(const CArmy& a0, const CArmy& d0, std::vector<DuelEnd>& ends) {
        ends.clear();
        PathDraws draws(dice_);
        do {
            CArmy a = a0;
            CArmy d = d0;
            const Killed killed = OpeningRules(a, d, draws);
            const double p = draws.Probability();
            if (killed == Killed::Defender)
                Add(ends, {false, CarriedBy(a, false), p});
            else if (killed == Killed::Attacker)
                Add(ends, {true, CarriedBy(d, true), p});
            else
                Melee(a, d, p, ends);
        } while (draws.Next());
    }

private:
    static void Add(std::vector<DuelEnd>& ends, const DuelEnd& e) {
        if (e.p <= 0) return;
        for (auto& x : ends) {
            if (x.attackerDied == e.attackerDied && x.survivor == e.survivor) {
                x.p += e.p;
                return;
            }
        }
        ends.push_back(e);
    }

    void Melee(CArmy& a, CArmy& d, double p, std::vector<DuelEnd>& ends) const {
        const PointOdds odds =
            MeleePointOdds(ScoreProbability(dice_, a.HasMedal(), a.TotalStrength()),
                           ScoreProbability(dice_, d.HasMedal(), d.TotalStrength()));
        const double either = odds.attackerOnly + odds.defenderOnly;
        if (!(either > 0)) throw std::logic_error("a duel that no exchange can decide");
        const double q = odds.attackerOnly / either;
        const Long toD = a.Trample() > 0 ? MeleeDamage(a, calc_.VictimFlies(d)) : 1;
        const Long toA = d.Trample() > 0 ? MeleeDamage(d, calc_.VictimFlies(a)) : 1;

        // mass[x][y]: the chance of reaching x attacking and y defending hits; every point
        // lowers one of them, so visiting both in falling order meets each state after all of
        // the states that lead to it.
        double mass[5][5] = {};
        double defenderDies[5] = {};  // by the attacker's hits left
        double attackerDies[5] = {};  // by the defender's hits left
        mass[a.Hits()][d.Hits()] = p;
        for (Long x = 4; x >= 1; --x) {
            for (Long y = 4; y >= 1; --y) {
                const double m = mass[x][y];
                if (m == 0) continue;
                if (const Long left = HitsAfterPoint(y, toD))
                    mass[x][left] += m * q;
                else
                    defenderDies[x] += m * q;
                if (const Long left = HitsAfterPoint(x, toA))
                    mass[left][y] += m * (1 - q);
                else
                    attackerDies[y] += m * (1 - q);
            }
        }
        for (Long h = 1; h <= 4; ++h) {
            if (defenderDies[h] > 0) {
                a.SetHits(h);
                Add(ends, {false, CarriedBy(a, false), defenderDies[h]});
            }
            if (attackerDies[h] > 0) {
                d.SetHits(h);
                Add(ends, {true, CarriedBy(d, true), attackerDies[h]});
            }
        }
    }

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
    static std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
        h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        return h;
    }
    static std::uint64_t Of(std::uint64_t h, const Carried& c) {
        h = Mix(h, (std::uint64_t(std::uint32_t(c.strength)) << 32) | std::uint32_t(c.hits));
        h = Mix(h, (std::uint64_t(std::uint32_t(c.medals)) << 32) | std::uint32_t(c.shotsLeft));
        h = Mix(h, (std::uint64_t(std::uint32_t(c.startHits)) << 1) | (c.usedSpecial ? 1 : 0));
        return h;
    }
    std::size_t operator()(const State& s) const {
        std::uint64_t h = std::uint32_t(s.attackersLost);
        h = Of(h, s.att);
        h = Of(h, s.def);
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

}  // namespace

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
    const CAttackArmies& att = host.AttArmies();
    const CAttackArmies& def = host.DefArmies();
    if (def.Count() > kMaxExactArmies)
        return "Exact odds cover at most " + std::to_string(kMaxExactArmies) +
               " defending armies (there are " + std::to_string(def.Count()) + ").";
    // A shooter's shots are the difference of the two armies' missile strengths.
    std::int64_t most = 0;
    for (Long i = 1; i <= att.Count(); ++i) {
        for (Long j = 1; j <= def.Count(); ++j) {
            const std::int64_t diff = std::int64_t{att.Item(i).Missle()} - def.Item(j).Missle();
            most = std::max(most, diff < 0 ? -diff : diff);
        }
    }
    if (most > kMaxExactMissileShots)
        return "Exact odds follow at most " + std::to_string(kMaxExactMissileShots) +
               " missile shots per army; an army of this battle has " + std::to_string(most) +
               ". Simulate this battle instead.";
    return {};
}

ExactOdds CalculateExactOdds(CalculatorHost& host, Long CombatDice, Long CityLevel) {
    const std::string refusal = CheckExactOdds(host, CombatDice);
    if (!refusal.empty()) throw RunRefused(refusal);

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

    SetUpChances onAtt, onDef;
    onAtt.poison = PercentChance(std::int64_t{def.StackPoison()} * 4);
    onAtt.disease = PercentChance(std::int64_t{def.StackDisease()} * 4);
    onAtt.curse = PercentChance(std::int64_t{def.StackCurse()} * 4);
    onAtt.bonus = MBattleCalc::StackBonus(att, def);
    onDef.poison = PercentChance(std::int64_t{att.StackPoison()} * 4);
    onDef.disease = PercentChance(std::int64_t{att.StackDisease()} * 4);
    onDef.curse = PercentChance(std::int64_t{att.StackCurse()} * 4);
    onDef.bonus = MBattleCalc::StackBonus(def, att);

    // Both sides in the order in which their armies fight: from the end of each front.
    std::vector<Fighter> attackers, defenders;
    for (Long i = att.Count(); i >= 1; --i)
        attackers.push_back(EnterFirstFront(att.Item(i), onAtt, false));
    for (Long i = def.Count(); i >= 1; --i)
        defenders.push_back(EnterFirstFront(def.Item(i), onDef, true));
    // Later attacking stacks enter as they are, without bonus or strikes.
    for (Long s = 1; calc.SendToAttackFront(); ++s) {
        const CStackAtt& front = calc.AttackFront();
        for (Long i = front.Count(); i >= 1; --i) {
            Fighter f;
            f.army = front.Item(i);
            f.stack = s;
            f.entries.push_back({CarriedBy(f.army, false), 1.0});
            attackers.push_back(std::move(f));
        }
    }

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
                if (!e.attackerDied) {
                    if (kd + 1 == D) {
                        odds.joint[1][static_cast<std::size_t>(ka)][static_cast<std::size_t>(D)] +=
                            pe;
                        continue;
                    }
                    for (const auto& en : defenders[static_cast<std::size_t>(kd) + 1].entries)
                        next[{ka, e.survivor, en.carried}] += pe * en.p;
                    continue;
                }
                if (ka + 1 == A) {
                    odds.joint[0][static_cast<std::size_t>(A)][static_cast<std::size_t>(kd)] += pe;
                    continue;
                }
                const Fighter& incoming = attackers[static_cast<std::size_t>(ka) + 1];
                Carried survivor = e.survivor;
                if (incoming.stack != attackers[static_cast<std::size_t>(ka)].stack) {
                    // A new attacking stack: the defender returns to its start-of-battle hits.
                    CArmy back = d;
                    Carry(back, survivor, true);
                    back.RestoreStartHits();
                    survivor = CarriedBy(back, true);
                }
                for (const auto& en : incoming.entries)
                    next[{ka + 1, en.carried, survivor}] += pe * en.p;
            }
        }
        now.swap(next);
    }

    // Production turns lost by the number of armies destroyed, in the order they die.
    std::vector<std::int64_t> attTurns(static_cast<std::size_t>(A) + 1, 0);
    std::vector<std::int64_t> defTurns(static_cast<std::size_t>(D) + 1, 0);
    for (Long k = 0; k < A; ++k)
        attTurns[static_cast<std::size_t>(k) + 1] =
            attTurns[static_cast<std::size_t>(k)] +
            attackers[static_cast<std::size_t>(k)].army.Turns();
    for (Long k = 0; k < D; ++k)
        defTurns[static_cast<std::size_t>(k) + 1] =
            defTurns[static_cast<std::size_t>(k)] +
            defenders[static_cast<std::size_t>(k)].army.Turns();

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
    for (int o = 0; o < 2; ++o) {
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
