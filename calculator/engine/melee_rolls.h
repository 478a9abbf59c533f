// Rolled melees in bulk. The combat rolls of one exchange, the attacking army's combat die (and
// medal die) and the defending army's, are rolled together: one uniform value picks one of all
// the combinations of their faces, each combination exactly as likely as rolling every die on its
// own makes it. With the combinations in which only the attacking army scores counted first and
// those in which only the defending army scores next, an exchange is one value and two
// comparisons. The exchanges of a generator step are compared all at once and what they do to
// the melee is looked up, so that no branch asks anything but whether the melee has ended.
//
// The values come from steps of the generator, four of 15 bits, two of 31 or one of 63 to a step,
// as the number of combinations allows. A value at or above the largest multiple of that number
// that fits is no roll and changes nothing, like an exchange in which both or neither score; so do
// the values drawn after the melee has ended.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/army.h"
#include "engine/duel_rules.h"

namespace b3::engine {

// One exchange between two given armies as a joint roll, its bounds repeated in every lane of a
// step.
struct ExchangeRoll {
    int lanes = 0;                   // values to a generator step: 4, 2 or 1 (0: too many faces)
    std::uint64_t attackerOnly = 0;  // the values below this: only the attacking army scores
    std::uint64_t scored = 0;        // from attackerOnly up to this: only the defending army does
    std::uint64_t gathering = 0;     // LaneBits<lanes>::kGathering
    std::uint64_t rolls = 0;         // the values below this are rolls (in one lane)
};

// The joint rolls on a run's combat dice.
class ExchangeRolls {
public:
    ExchangeRolls() : ExchangeRolls(0) {}
    // For combat dice of `faces` faces and the medal dice; without faces there are no joint rolls
    // (every roll has lanes 0).
    explicit ExchangeRolls(Long faces);

    // The exchange between an attacking army of strength sa (1..14) and medals ma and a defending
    // army of strength sd and medals md (medals outside 1..4 roll no medal die).
    ExchangeRoll Between(Long ma, Long sa, Long md, Long sd) const {
        const int a = MedalIndex(ma), d = MedalIndex(md);
        const Bounds& b = bounds_[static_cast<std::size_t>((a * 15 + sa) * kDice + d * 15 + sd)];
        const Pair& p = pairs_[a][d];
        return {p.lanes, b.attackerOnly, b.scored, p.gathering, p.rolls};
    }

private:
    // An army's dice: the combat die alone or with the die of 1..4 medals, at strength 0..14.
    static constexpr int kDice = 5 * 15;
    struct Bounds {
        std::uint64_t attackerOnly = 0;
        std::uint64_t scored = 0;
    };
    std::vector<Bounds> bounds_;  // by the two armies' dice and strengths
    struct Pair {
        int lanes = 0;
        std::uint64_t gathering = 0;
        std::uint64_t rolls = 0;
    };
    Pair pairs_[5][5];  // by the two armies' medal dice
};

// The constants of values `Lanes` to a 64-bit step: each lane's lowest bit (kOnes) and top bit
// (kTops). A lane's top bit is no part of its value, so subtracting a bound from all lanes at
// once never borrows from the next lane.
template <int Lanes>
struct LaneBits {
    static_assert(Lanes == 1 || Lanes == 2 || Lanes == 4);
    static constexpr int kWidth = 64 / Lanes;
    static constexpr std::uint64_t kOnes = Lanes == 4   ? 0x0001000100010001u
                                           : Lanes == 2 ? 0x0000000100000001u
                                                        : 1u;
    static constexpr std::uint64_t kTops = kOnes << (kWidth - 1);
    // The two top bits of every lane, multiplied by this, end up side by side in the top 2 *
    // Lanes bits, lane 0 lowest (no two products share a bit, so nothing carries).
    static constexpr std::uint64_t Gathering() {
        std::uint64_t g = 0;
        for (int k = 0; k < Lanes; ++k)
            g |= std::uint64_t{1} << ((64 - 2 * Lanes + 2 * k) - (kWidth * k + kWidth - 2));
        return g;
    }
    static constexpr std::uint64_t kGathering = Gathering();
};

// How a melee goes on from one generator step to the next. While both armies live its state is
// the points each can still lose, 1 to 4 as an army has 1 to 4 hits: (attacker - 1) * 4 +
// defender - 1. Once one has died it is kAttackerDied or kDefenderDied plus the state in which
// the melee ended, the dead army's points shown as 1, and stays so. The exchanges of a step each
// give a point to the attacking army (outcome 0), to the defending army (2) or to neither (3), two
// bits each, the first exchange in the lowest bits; MeleeSteps<Lanes>::kNext.next[state][outcomes]
// is the state after the step.
template <int Lanes>
struct MeleeSteps {
    static constexpr std::uint8_t kAttackerDied = 16;
    static constexpr std::uint8_t kDefenderDied = 32;
    static constexpr int kStates = 48;
    static constexpr int kOutcomes = 1 << (2 * Lanes);

    static constexpr std::uint8_t State(Long attacker, Long defender) {
        return static_cast<std::uint8_t>((attacker - 1) * 4 + defender - 1);
    }
    static constexpr Long Attacker(std::uint8_t state) { return (state >> 2 & 3) + 1; }
    static constexpr Long Defender(std::uint8_t state) { return (state & 3) + 1; }

    struct Table {
        std::uint8_t next[kStates][static_cast<std::size_t>(kOutcomes)] = {};
    };
    static constexpr Table Make() {
        Table t;
        for (int state = 0; state < kStates; ++state) {
            for (int outcomes = 0; outcomes < kOutcomes; ++outcomes) {
                auto next = static_cast<std::uint8_t>(state);
                for (int k = 0; k < Lanes && next < kAttackerDied; ++k) {
                    Long a = Attacker(next), d = Defender(next);
                    const int outcome = outcomes >> (2 * k) & 3;
                    if (outcome == 0 && --d == 0) next = kDefenderDied | State(a, 1);
                    if (outcome == 2 && --a == 0) next = kAttackerDied | State(1, d);
                    if (next < kAttackerDied) next = State(a, d);
                }
                t.next[state][outcomes] = next;
            }
        }
        return t;
    }
    static constexpr Table kNext = Make();
};

// The points an army of `hits` hits (1..4) can lose at `damage` hits each (1 or more).
inline Long PointsToLose(Long hits, Long damage) {
    return damage == 1 ? hits : static_cast<Long>((std::int64_t{hits} + damage - 1) / damage);
}

// The outcomes of the exchanges of one step of `roll` (MeleeSteps). Each lane holds its value
// plus its top bit, so that subtracting a bound leaves the top bit exactly when the value is at
// least the bound; the two top bits of each lane are then gathered (roll.gathering rather than
// the constant: one multiplication, not shifts and adds).
template <int Lanes>
unsigned Outcomes(std::uint64_t step, const ExchangeRoll& roll) {
    using L = LaneBits<Lanes>;
    const std::uint64_t x = step | L::kTops;
    const std::uint64_t notWon = (x - roll.attackerOnly) & L::kTops;
    const std::uint64_t neither = (x - roll.scored) & L::kTops;
    return static_cast<unsigned>(((notWon | neither >> 1) * roll.gathering) >> (64 - 2 * Lanes));
}

// Rolls exchanges of `roll`, `Lanes` to a step of `steps` (anything with Next64(); the first
// exchange in the lowest bits), from melee state `state` (MeleeSteps) until one army has lost its
// last point; returns the state in which the melee ended. Steps are drawn two at a time: most
// melees end within them, so that the question whether it ended is mostly answered yes.
template <int Lanes, class Steps>
std::uint8_t RollExchanges(Steps& steps, const ExchangeRoll& roll, std::uint8_t state) {
    using M = MeleeSteps<Lanes>;
    for (;;) {
        const unsigned first = Outcomes<Lanes>(steps.Next64(), roll);
        const unsigned second = Outcomes<Lanes>(steps.Next64(), roll);
        state = M::kNext.next[M::kNext.next[state][first]][second];
        if (state >= M::kAttackerDied) return state;
    }
}

// One missile shot of the attacking army (attackerShoots) or of the defending army as an
// exchange of `roll` (roll.lanes not 0) from `steps`: whether the shooter alone scores. It takes
// the first value of a step, and the next step's while that value is no roll.
template <class Steps>
bool RollShot(Steps& steps, const ExchangeRoll& roll, bool attackerShoots) {
    const std::uint64_t valueBits = ~std::uint64_t{0} >> (65 - 64 / roll.lanes);
    std::uint64_t v = steps.Next64() & valueBits;
    while (v >= roll.rolls) v = steps.Next64() & valueBits;
    const std::uint64_t attackerOnly = roll.attackerOnly & valueBits;
    if (attackerShoots) return v < attackerOnly;
    return v >= attackerOnly && v < (roll.scored & valueBits);
}

// The melee of `a` and `d` with every exchange rolled as `roll` (roll.lanes not 0) from `steps`,
// a lost point costing the attacking army toA hits and the defending army toD; returns the army
// that died, the survivor keeping the hits it has left. Always inlined: as a call of its own it
// costs a rolled battle a tenth of its time.
template <class Steps>
[[gnu::always_inline]] inline Killed RollMelee(Steps& steps, const ExchangeRoll& roll, CArmy& a,
                                               CArmy& d, Long toD, Long toA) {
    using M = MeleeSteps<4>;  // the states and their coding are the same for every lane count
    const Long pointsA = PointsToLose(a.Hits(), toA), pointsD = PointsToLose(d.Hits(), toD);
    const std::uint8_t start = M::State(pointsA, pointsD);
    std::uint8_t end;
    if (roll.lanes == 4)
        end = RollExchanges<4>(steps, roll, start);
    else if (roll.lanes == 2)
        end = RollExchanges<2>(steps, roll, start);
    else
        end = RollExchanges<1>(steps, roll, start);
    // Without a branch on which army died: the dead army's hits are of no further use.
    const auto state = static_cast<std::uint8_t>(end & 15);
    a.SetHits(a.Hits() - (pointsA - M::Attacker(state)) * toA);
    d.SetHits(d.Hits() - (pointsD - M::Defender(state)) * toD);
    return end >= M::kDefenderDied ? Killed::Defender : Killed::Attacker;
}

}  // namespace b3::engine
