// Rolled melees from joint rolls of both armies' dice: the bounds of every pair of dice and
// strengths against the faces counted one by one, and melees rolled from chosen generator steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/battle_calc.h"
#include "engine/melee_rolls.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

// An army's dice counted face by face: how many combinations of the combat die and any medal die
// there are, and how many of them score at each strength.
struct Faces {
    std::uint64_t combos = 0;
    std::uint64_t scoring[15] = {};
};
Faces CountFaces(Long dice, Long medals) {
    const Long medalDie = kMedalDie[MedalIndex(medals)];
    Faces f;
    for (Long r = 1; r <= dice; ++r) {
        for (Long m = 1; m <= std::max<Long>(medalDie, 1); ++m) {
            ++f.combos;
            const Long roll = medalDie > 0 ? std::min(r, m) : r;
            for (Long s = 1; s <= 14; ++s) f.scoring[s] += MBattleCalc::ScoresHit(roll, s);
        }
    }
    return f;
}

// Lane k of a step of `lanes` lanes.
std::uint64_t LaneOf(std::uint64_t step, int lanes, int k) {
    const int width = 64 / lanes;
    const std::uint64_t mask = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
    return (step >> (width * k)) & mask;
}

TEST(JointRolls, EveryCombinationOfBothArmiesFacesTakesAsManyValues) {
    for (const Long dice : {15, 18, 20, 22, 26, 32, 33, 64, 1000, 4096}) {
        const ExchangeRolls rolls(dice);
        for (Long ma = 0; ma <= 4; ++ma) {
            const Faces fa = CountFaces(dice, ma);
            for (Long md = 0; md <= 4; ++md) {
                const Faces fd = CountFaces(dice, md);
                // Four values of 15 bits to a step while at most 1 in 32 is no roll, then two of
                // 31, then one of 63.
                const std::uint64_t n = fa.combos * fd.combos;
                const int lanes = n <= 1024 ? 4 : n <= (std::uint64_t{1} << 26) ? 2 : 1;
                const std::uint64_t values = std::uint64_t{1} << (64 / lanes - 1);
                // Each combination takes the same number of values, as many as fit.
                const std::uint64_t each = values / n;
                ASSERT_LT(values - each * n, n);
                ASSERT_LE(values - each * n, values / 32) << dice << " " << ma << " " << md;
                for (Long sa = 1; sa <= 14; ++sa) {
                    for (Long sd = 1; sd <= 14; ++sd) {
                        const ExchangeRoll roll = rolls.Between(ma, sa, md, sd);
                        ASSERT_EQ(roll.lanes, lanes) << dice << " " << ma << " " << md;
                        const std::uint64_t onlyA = fa.scoring[sa] * (fd.combos - fd.scoring[sd]);
                        const std::uint64_t onlyD = (fa.combos - fa.scoring[sa]) * fd.scoring[sd];
                        for (int k = 0; k < lanes; ++k) {
                            ASSERT_EQ(LaneOf(roll.attackerOnly, lanes, k), each * onlyA)
                                << dice << " faces, medals " << ma << "/" << md << ", strengths "
                                << sa << "/" << sd << ", lane " << k;
                            ASSERT_EQ(LaneOf(roll.scored, lanes, k), each * (onlyA + onlyD))
                                << dice << " faces, medals " << ma << "/" << md << ", strengths "
                                << sa << "/" << sd << ", lane " << k;
                        }
                    }
                }
            }
        }
    }
    // Medals outside 1..4 roll no medal die.
    const ExchangeRolls rolls(20);
    EXPECT_EQ(rolls.Between(5, 7, -1, 9).scored, rolls.Between(0, 7, 0, 9).scored);
    // Without faces, or with more combinations than 63 bits take, there are no joint rolls.
    EXPECT_EQ(ExchangeRolls().Between(0, 7, 0, 9).lanes, 0);
    EXPECT_EQ(ExchangeRolls(2147483647).Between(0, 7, 0, 9).lanes, 0);
    EXPECT_EQ(ExchangeRolls(2147483647).Between(4, 7, 1, 9).lanes, 0);
}

// Generator steps made of chosen exchanges, the first in the lowest lane: 'A' only the attacking
// army scores, 'D' only the defending army, '-' both or neither, 'x' a value that is no roll.
// Each is the value at an edge of its range, and every lane's top bit, which is no part of its
// value, is set in every other step.
class ChosenSteps {
public:
    explicit ChosenSteps(const ExchangeRoll& roll) : roll_(roll) {}
    ChosenSteps& Step(std::initializer_list<char> exchanges) {
        const int width = 64 / roll_.lanes;
        std::uint64_t step = 0;
        int k = 0;
        for (const char e : exchanges) {
            const std::uint64_t onlyA = LaneOf(roll_.attackerOnly, roll_.lanes, 0);
            const std::uint64_t scored = LaneOf(roll_.scored, roll_.lanes, 0);
            const std::uint64_t top = std::uint64_t{1} << (width - 1);
            std::uint64_t v = e == 'A'   ? onlyA - 1
                              : e == 'D' ? (k % 2 ? onlyA : scored - 1)
                                         : scored;
            if (e == 'x') v = top - 1;
            if (steps_.size() % 2 == 1) v |= top;
            step |= v << (width * k++);
        }
        EXPECT_EQ(k, roll_.lanes);
        steps_.push_back(step);
        return *this;
    }
    std::uint64_t Next64() { return steps_.at(next_++); }
    std::size_t Left() const { return steps_.size() - next_; }

private:
    ExchangeRoll roll_;
    std::vector<std::uint64_t> steps_;
    std::size_t next_ = 0;
};

TEST(JointRolls, MeleesEndOnTheExchangeThatTakesTheLastPoint) {
    const ExchangeRolls rolls(20);
    const ExchangeRoll roll = rolls.Between(0, 10, 0, 10);  // 400 combinations: four to a step
    ASSERT_EQ(roll.lanes, 4);
    using M = MeleeSteps<4>;
    {
        // 2 points against 1: the defender dies on the fourth exchange, the attacker has lost one.
        // Steps are drawn two at a time; what follows the end changes nothing.
        ChosenSteps steps(roll);
        steps.Step({'D', '-', 'x', 'A'}).Step({'D', 'D', 'D', 'D'});
        const std::uint8_t end = RollExchanges<4>(steps, roll, M::State(2, 1));
        EXPECT_EQ(end, M::kDefenderDied | M::State(1, 1));
        EXPECT_EQ(steps.Left(), 0u);
    }
    {
        // 1 point against 3: two points won, then lost on the second exchange of the next step
        // with the defender at 1.
        ChosenSteps steps(roll);
        steps.Step({'A', '-', 'A', 'x'}).Step({'x', 'D', 'A', 'A'}).Step({'A', 'A', 'A', 'A'});
        const std::uint8_t end = RollExchanges<4>(steps, roll, M::State(1, 3));
        EXPECT_EQ(end, M::kAttackerDied | M::State(1, 1));
        EXPECT_EQ(steps.Left(), 1u);
    }
    {
        // Steps without a point change nothing.
        ChosenSteps steps(roll);
        steps.Step({'-', 'x', '-', 'x'}).Step({'x', 'x', 'x', 'x'});
        steps.Step({'-', '-', 'A', '-'}).Step({'D', 'D', 'D', 'D'});
        const std::uint8_t end = RollExchanges<4>(steps, roll, M::State(4, 1));
        EXPECT_EQ(end, M::kDefenderDied | M::State(4, 1));
        EXPECT_EQ(steps.Left(), 0u);
    }
}

TEST(JointRolls, FewerLanesForMoreFaces) {
    // One medal against none on 20 faces: 600 x 20 combinations, two to a step.
    const ExchangeRoll two = ExchangeRolls(20).Between(1, 6, 0, 9);
    ASSERT_EQ(two.lanes, 2);
    using M = MeleeSteps<2>;
    ChosenSteps steps(two);
    steps.Step({'A', 'D'}).Step({'-', 'D'}).Step({'A', 'A'});
    EXPECT_EQ(RollExchanges<2>(steps, two, M::State(2, 2)), M::kAttackerDied | M::State(1, 1));
    EXPECT_EQ(steps.Left(), 1u);

    // Medals on both sides of 1000 faces: one value of 63 bits to a step.
    const ExchangeRoll one = ExchangeRolls(1000).Between(2, 14, 4, 3);
    ASSERT_EQ(one.lanes, 1);
    using S = MeleeSteps<1>;
    ChosenSteps single(one);
    single.Step({'D'}).Step({'x'}).Step({'A'}).Step({'-'}).Step({'A'}).Step({'D'});
    EXPECT_EQ(RollExchanges<1>(single, one, S::State(3, 2)), S::kDefenderDied | S::State(2, 1));
    EXPECT_EQ(single.Left(), 0u);
}

TEST(JointRolls, AShotLandsWhenTheShooterAloneScores) {
    const ExchangeRoll roll = ExchangeRolls(20).Between(0, 10, 0, 10);
    ChosenSteps steps(roll);
    // One value a shot, the first of its step; a value that is no roll is drawn again.
    steps.Step({'A', 'D', 'D', 'D'}).Step({'D', 'A', 'A', 'A'}).Step({'-', 'A', 'A', 'A'});
    EXPECT_TRUE(RollShot(steps, roll, true));
    EXPECT_FALSE(RollShot(steps, roll, true));
    EXPECT_FALSE(RollShot(steps, roll, true));
    steps.Step({'x', 'A', 'A', 'A'}).Step({'D', 'A', 'A', 'A'}).Step({'A', 'D', 'D', 'D'});
    EXPECT_TRUE(RollShot(steps, roll, false));
    EXPECT_EQ(steps.Left(), 1u);
    EXPECT_FALSE(RollShot(steps, roll, false));

    const ExchangeRoll one = ExchangeRolls(1000).Between(2, 14, 4, 3);
    ChosenSteps single(one);
    single.Step({'x'}).Step({'x'}).Step({'D'});
    EXPECT_TRUE(RollShot(single, one, false));
    EXPECT_EQ(single.Left(), 0u);
}

TEST(JointRolls, TheSurvivorKeepsTheHitsItHasLeft) {
    const ExchangeRoll roll = ExchangeRolls(20).Between(0, 10, 0, 10);
    // A trampler's point costs the walker 3 hits: 4 hits are two points. The attacker, 3 hits at
    // 1 a point, loses one before it kills.
    CArmy a = MakeArmy("Trampler", 10, 3);
    CArmy d = MakeArmy("Walker", 10, 4);
    ChosenSteps steps(roll);
    steps.Step({'D', 'A', '-', '-'}).Step({'A', '-', '-', '-'});
    EXPECT_EQ(RollMelee(steps, roll, a, d, 3, 1), Killed::Defender);
    EXPECT_EQ(a.Hits(), 2);
    // The other way round the walker survives the trampler with 4 - 3 hits.
    a = MakeArmy("Trampler", 10, 2);
    d = MakeArmy("Walker", 10, 4);
    ChosenSteps more(roll);
    more.Step({'A', 'D', 'x', 'D'}).Step({'A', 'A', 'A', 'A'});
    EXPECT_EQ(RollMelee(more, roll, a, d, 3, 1), Killed::Attacker);
    EXPECT_EQ(d.Hits(), 1);
}

}  // namespace
}  // namespace b3::engine::test
