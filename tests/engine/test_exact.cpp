// Exact battle odds: closed forms worked out by hand, distributions that sum to 1, refusals, and
// agreement with large seeded simulations of varied battles (within several standard errors, so
// that a fault in either the sums or the simulation shows).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "battle_corpus.h"
#include "engine/battle_calc.h"
#include "engine/exact_odds.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

// The chance that the attacker wins a point: it alone scores, given that exactly one does.
double PointChance(double pa, double pd) {
    return pa * (1 - pd) / (pa * (1 - pd) + pd * (1 - pa));
}

double Sum(const std::array<double, 33>& v) {
    double s = 0;
    for (double x : v) s += x;
    return s;
}

// Every figure of the result is consistent with its joint distribution, which sums to 1.
void ExpectConsistent(const ExactOdds& odds) {
    double total = 0, win = 0;
    std::array<double, 33> att{}, def{};
    for (int o = 0; o < 2; ++o) {
        for (int ka = 0; ka <= 32; ++ka) {
            for (int kd = 0; kd <= 32; ++kd) {
                const auto a = static_cast<std::size_t>(ka), d = static_cast<std::size_t>(kd);
                const double p = odds.joint[static_cast<std::size_t>(o)][a][d];
                EXPECT_GE(p, 0.0);
                if (p == 0) continue;
                total += p;
                if (o == 1) win += p;
                att[a] += p;
                def[d] += p;
                // A win destroys every defender, a loss every attacker.
                if (o == 1) {
                    EXPECT_EQ(kd, odds.defenders) << "attacker wins with " << ka;
                } else {
                    EXPECT_EQ(ka, odds.attackers) << "defender wins with " << kd;
                }
            }
        }
    }
    EXPECT_NEAR(total, 1.0, 1e-12);
    EXPECT_NEAR(win, odds.attackerWinProbability, 1e-12);
    for (std::size_t k = 0; k <= 32; ++k) {
        EXPECT_NEAR(att[k], odds.attackerUnitsLost[k], 1e-12);
        EXPECT_NEAR(def[k], odds.defenderUnitsLost[k], 1e-12);
    }
    EXPECT_NEAR(Sum(odds.attackerUnitsLost), 1.0, 1e-12);
    EXPECT_NEAR(Sum(odds.defenderUnitsLost), 1.0, 1e-12);
}

class ExactOddsTest : public ::testing::Test {
protected:
    ExactOdds Odds(Long dice = 20, Long cityLevel = 0) {
        ExactOdds odds = CalculateExactOdds(host, dice, cityLevel);
        ExpectConsistent(odds);
        return odds;
    }
    TestHost host;
};

TEST_F(ExactOddsTest, OneAgainstOneDuel) {
    // Strength 8 against 5 on 20 faces: 0.4 and 0.25; the attacker wins a point with
    // 0.4 * 0.75 / (0.4 * 0.75 + 0.25 * 0.6) = 2/3, and one point ends the duel.
    const Long a = host.AddArmyRow({"A", 8, 1, 3});
    const Long d = host.AddArmyRow({"D", 5, 1, 2});
    host.Attack(a, 0);
    host.Defend(d, 0);
    const ExactOdds odds = Odds();
    EXPECT_EQ(odds.attackers, 1);
    EXPECT_EQ(odds.defenders, 1);
    EXPECT_NEAR(odds.attackerWinProbability, 2.0 / 3.0, 1e-14);
    EXPECT_NEAR(odds.joint[1][0][1], 2.0 / 3.0, 1e-14);
    EXPECT_NEAR(odds.joint[0][1][0], 1.0 / 3.0, 1e-14);
    EXPECT_NEAR(odds.expectedAttackerUnitsLost, 1.0 / 3.0, 1e-14);
    EXPECT_NEAR(odds.expectedAttackerTurnsLost, 1.0, 1e-14);
    EXPECT_NEAR(odds.expectedDefenderUnitsLost, 2.0 / 3.0, 1e-14);
    EXPECT_NEAR(odds.expectedDefenderTurnsLost, 4.0 / 3.0, 1e-14);
    EXPECT_NEAR(odds.attackerUnitsLost[0], 2.0 / 3.0, 1e-14);
    EXPECT_NEAR(odds.attackerUnitsLost[1], 1.0 / 3.0, 1e-14);
}

TEST_F(ExactOddsTest, DuelOfTwoHitsEachAndOtherDice) {
    // Two points needed on each side: q^2 + 2 q^2 (1 - q) with q = 2/3 gives 20/27.
    const Long a = host.AddArmyRow({"A", 8, 2, 3});
    const Long d = host.AddArmyRow({"D", 5, 2, 2});
    host.Attack(a, 0);
    host.Defend(d, 0);
    EXPECT_NEAR(Odds().attackerWinProbability, 20.0 / 27.0, 1e-14);
    // On 25 faces: 8/25 against 5/25, q = (8 * 20) / (8 * 20 + 5 * 17) = 160/245.
    const double q = 160.0 / 245.0;
    EXPECT_NEAR(Odds(25).attackerWinProbability, q * q * (3 - 2 * q), 1e-14);
}

TEST_F(ExactOddsTest, MedalsKeepTheLowerOfTwoRolls) {
    // Two medals: a second die of 26 faces. Strength 5 scores with 1 - (15/20)(21/26).
    // Four medals (18 faces) against three (22 faces), strength 9 on 24 faces, for a second duel.
    ListMedalDuel(host, 5, 2, 5, 0);
    const double pa = 1 - (15.0 / 20.0) * (21.0 / 26.0);
    EXPECT_NEAR(Odds().attackerWinProbability, PointChance(pa, 0.25), 1e-14);

    TestHost h2;
    ListMedalDuel(h2, 9, 4, 9, 3);
    const double p4 = 1 - (15.0 / 24.0) * (9.0 / 18.0);
    const double p3 = 1 - (15.0 / 24.0) * (13.0 / 22.0);
    EXPECT_NEAR(CalculateExactOdds(h2, 24, 0).attackerWinProbability, PointChance(p4, p3), 1e-14);
}

TEST_F(ExactOddsTest, MissileShooterAndShotsCarriedToTheNextTarget) {
    // Missile 3 against 0: three shots, each hitting when the archer (strength 3: 0.15) scores
    // and the target (strength 5: 0.25) does not, h = 0.1125; without a hit the melee decides.
    const Long archer = host.AddArmyRow({"Archer", 3, 1, 1, "", 0, 30, 3});
    const Long d = host.AddArmyRow({"D", 5, 1, 1});
    host.Attack(archer, 0);
    host.Defend(d, 0);
    const double h = 0.15 * 0.75;
    const double miss3 = std::pow(1 - h, 3);
    EXPECT_NEAR(Odds().attackerWinProbability, 1 - miss3 + miss3 * PointChance(0.15, 0.25), 1e-14);

    // Strength 10 with missile 3 against two defenders of strength 10 and one hit: h = 1/4,
    // q = 1/2; a hit on shot k leaves 3 - k shots for the second defender: 121/256 (shots
    // restored after a kill would give 0.5616, none left 0.3945).
    TestHost h2;
    const Long a10 = h2.AddArmyRow({"Archer", 10, 1, 1, "", 0, 30, 3});
    const Long d10 = h2.AddArmyRow({"D", 10, 1, 1});
    h2.Attack(a10, 0);
    h2.Defend(d10, 0);
    h2.Defend(d10, 1);
    const ExactOdds two = CalculateExactOdds(h2, 20, 0);
    ExpectConsistent(two);
    EXPECT_NEAR(two.attackerWinProbability, 121.0 / 256.0, 1e-14);
    // The archer dies against the first defender only when no shot of three lands and it then
    // loses the melee: (3/4)^3 / 2.
    EXPECT_NEAR(two.joint[0][1][0], 27.0 / 128.0, 1e-14);
}

TEST_F(ExactOddsTest, TramplerAgainstAFlyerAndAWalker) {
    // Trample 1 takes two hits per point from a walker with two hits (one point kills it) but
    // one from a flyer (two points needed). Strength 10 against 10: q = 1/2. A flyer by its move
    // bonus and one by the user's mark count alike.
    const Long knight = host.AddArmyRow({"Knight", 10, 1, 1, "", 0, 32, 1});
    const Long walker = host.AddArmyRow({"Walker", 10, 2, 1});
    const Long bird = host.AddArmyRow({"Bird", 10, 2, 1, "", 0, 0, 0, "FLY"});
    host.Attack(knight, 0);
    host.Defend(walker, 0);
    EXPECT_NEAR(Odds().attackerWinProbability, 0.5, 1e-14);
    host.def.Clear();
    host.Defend(bird, 0);
    EXPECT_NEAR(Odds().attackerWinProbability, 0.25, 1e-14);
    host.def.Clear();
    HealthMarks flying;
    flying.flying = true;
    host.Defend(walker, 0, flying);
    EXPECT_NEAR(Odds().attackerWinProbability, 0.25, 1e-14);
}

TEST_F(ExactOddsTest, FollowUpStacksMeetTheDefenderAtItsStartHits) {
    // Three attacking stacks of one army (strength 10, one hit) against a defender of strength
    // 10 with two hits: each stack wins with (1/2)^2 = 1/4, and the defender starts each new
    // stack's duel with its two hits again: 1 - (3/4)^3 = 37/64. (Without the return to start
    // hits the second stack would win with 1/2 after a point taken.)
    const Long a = host.AddArmyRow({"A", 10, 1, 2});
    const Long d = host.AddArmyRow({"D", 10, 2, 5});
    host.Attack(a, 0);
    host.Attack(a, 8);
    host.Attack(a, 16);
    host.Defend(d, 0);
    const ExactOdds odds = Odds();
    EXPECT_EQ(odds.attackers, 3);
    EXPECT_NEAR(odds.attackerWinProbability, 37.0 / 64.0, 1e-14);
    EXPECT_NEAR(odds.attackerUnitsLost[0], 1.0 / 4, 1e-14);
    EXPECT_NEAR(odds.attackerUnitsLost[1], 3.0 / 16, 1e-14);
    EXPECT_NEAR(odds.attackerUnitsLost[2], 9.0 / 64, 1e-14);
    EXPECT_NEAR(odds.attackerUnitsLost[3], 27.0 / 64, 1e-14);
    EXPECT_NEAR(odds.expectedAttackerTurnsLost, 2 * (3.0 / 16 + 2 * 9.0 / 64 + 3 * 27.0 / 64),
                1e-14);
    EXPECT_NEAR(odds.expectedDefenderTurnsLost, 5 * 37.0 / 64, 1e-14);
}

TEST_F(ExactOddsTest, OnlyTheFirstStackHasTheStackBonusAndTheSetUpStrikes) {
    // Morale 2 gives stack 1 a bonus of 2: strength 8 + 2 against 10 wins with 1/2; stack 2
    // fights at 8 against 10: 0.4 * 0.5 / (0.4 * 0.5 + 0.5 * 0.6) = 0.4. The defender has one
    // hit: 1/2 + 1/2 * 0.4 = 0.7 (0.75 if the second stack had the bonus too).
    const Long m = host.AddArmyRow({"M", 8, 1, 1, "", 0, 3, 2});
    const Long d = host.AddArmyRow({"D", 10, 1, 1});
    host.Attack(m, 0);
    host.Attack(m, 8);
    host.Defend(d, 0);
    EXPECT_NEAR(Odds().attackerWinProbability, 0.7, 1e-14);

    // A defending poison of 5 strikes each eligible army of the first front with 20/99: the
    // first stack's army fights at 9 instead of 10; the second stack is never poisoned.
    TestHost h2;
    const Long m2 = h2.AddArmyRow({"M", 8, 1, 1, "", 0, 3, 2});
    const Long spider = h2.AddArmyRow({"Spider", 10, 1, 1, "", 0, 26, 5});
    h2.Attack(m2, 0);
    h2.Attack(m2, 8);
    h2.Defend(spider, 0);
    const double poisoned = 20.0 / 99.0;
    const double first = (1 - poisoned) * 0.5 + poisoned * PointChance(0.45, 0.5);
    const ExactOdds odds = CalculateExactOdds(h2, 20, 0);
    ExpectConsistent(odds);
    EXPECT_NEAR(odds.attackerWinProbability, first + (1 - first) * 0.4, 1e-14);
}

TEST_F(ExactOddsTest, CurseStripsMedalsAndBlessingBeforeTheBonus) {
    // A defending witch with curse 10 strikes an eligible army with 40/99. The attacker (strength
    // 5, blessed: 6, one medal: second die of 30) fights at 5 without its medal when cursed.
    const Long a = host.AddArmyRow({"A", 5, 1, 1});
    const Long witch = host.AddArmyRow({"Witch", 6, 1, 1, "", 0, 33, 10});
    HealthMarks marks;
    marks.blessed = true;
    marks.medals = 1;
    host.Attack(a, 0, marks);
    host.Defend(witch, 0);
    const double cursed = 40.0 / 99.0;
    const double intact = 1 - (14.0 / 20.0) * (24.0 / 30.0);
    const double p = (1 - cursed) * PointChance(intact, 0.3) + cursed * PointChance(0.25, 0.3);
    EXPECT_NEAR(Odds().attackerWinProbability, p, 1e-14);
}

TEST_F(ExactOddsTest, AcidLightningAndAssassinationChances) {
    // Acid 4 against acid 1 and warding 0: n = 3, the defender's strength 10 halves to 5 with
    // 30/99. Strength 10 against 10 or 5 on 20 faces.
    const Long acid = host.AddArmyRow({"Acid", 10, 1, 1, "", 0, 38, 4});
    const Long d = host.AddArmyRow({"D", 10, 1, 1, "", 0, 38, 1});
    host.Attack(acid, 0);
    host.Defend(d, 0);
    const double s = 30.0 / 99.0;
    EXPECT_NEAR(Odds().attackerWinProbability, (1 - s) * 0.5 + s * PointChance(0.5, 0.25), 1e-14);

    // Assassin 5 against a warded (1) defender: n = 4, a kill with 40/99, else the melee.
    TestHost h2;
    const Long shadow = h2.AddArmyRow({"Shadow", 10, 1, 1, "", 0, 28, 5});
    const Long monk = h2.AddArmyRow({"Monk", 10, 1, 1, "", 0, 41, 1});
    h2.Attack(shadow, 0);
    h2.Defend(monk, 0);
    EXPECT_NEAR(CalculateExactOdds(h2, 20, 0).attackerWinProbability, 40.0 / 99 + (59.0 / 99) * 0.5,
                1e-14);

    // Lightning 3 halves a defender's 3 hits to 1 with 30/99; strength 10 against 10 with the
    // attacker's 1 hit: the defender's hits must all go before the attacker's single one.
    TestHost h3;
    const Long bolt = h3.AddArmyRow({"Bolt", 10, 1, 1, "", 0, 39, 3});
    const Long big = h3.AddArmyRow({"Big", 10, 3, 1});
    h3.Attack(bolt, 0);
    h3.Defend(big, 0);
    EXPECT_NEAR(CalculateExactOdds(h3, 20, 0).attackerWinProbability,
                (30.0 / 99) * 0.5 + (69.0 / 99) * 0.125, 1e-14);
}

TEST_F(ExactOddsTest, RefusesWhatItCannotSum) {
    const Long a = host.AddArmyRow({"A", 5, 1, 1});
    const Long longbow = host.AddArmyRow({"Longbow", 5, 1, 1, "", 0, 30, 101});
    const Long d = host.AddArmyRow({"D", 5, 1, 1});
    // No defender, then dice that could make a duel endless, then an empty first stack.
    host.Attack(a, 0);
    EXPECT_THROW(CalculateExactOdds(host, 20, 0), RunRefused);
    host.Defend(d, 0);
    EXPECT_EQ(CheckExactOdds(host, 20), "");
    EXPECT_THROW(CalculateExactOdds(host, 14, 0), RunRefused);
    host.att.Clear();
    host.Attack(a, 8);
    EXPECT_THROW(CalculateExactOdds(host, 20, 0), RunRefused);
    // 101 missile shots are more than the calculator follows; 100 are not.
    host.att.Clear();
    host.Attack(longbow, 0);
    const std::string why = CheckExactOdds(host, 20);
    EXPECT_NE(why.find("101"), std::string::npos) << why;
    EXPECT_THROW(CalculateExactOdds(host, 20, 0), RunRefused);
    // 33 defenders are more than the loss charts show.
    host.att.Clear();
    host.Attack(a, 0);
    for (int i = 1; i < 33; ++i) host.Defend(d, i);
    EXPECT_EQ(host.def.Count(), 33);
    EXPECT_NE(CheckExactOdds(host, 20).find("32 defending"), std::string::npos);
}

TEST_F(ExactOddsTest, ManyShotsStayExact) {
    // Missile 100 against strength-1 targets: (1 - h)^100 with h = 0.5 * 0.95 leaves almost no
    // chance to the melee; the shots carry over two defenders.
    const Long bow = host.AddArmyRow({"Bow", 10, 1, 1, "", 0, 30, 100});
    const Long d = host.AddArmyRow({"D", 1, 1, 1});
    host.Attack(bow, 0);
    host.Defend(d, 0);
    host.Defend(d, 1);
    const double h = 0.5 * 0.95;
    const double q = PointChance(0.5, 0.05);
    // First defender: shot k hits with (1-h)^(k-1) h and leaves 100 - k shots.
    double p = 0;
    for (int k = 1; k <= 100; ++k)
        p += std::pow(1 - h, k - 1) * h * (1 - std::pow(1 - h, 100 - k) * (1 - q));
    p += std::pow(1 - h, 100) * q * q;
    EXPECT_NEAR(Odds().attackerWinProbability, p, 1e-12);
}

// ---------------------------------------------------------------------------------------------
// The battle corpus: every distribution is consistent and each battle is a real contest.

class CorpusOdds : public ::testing::TestWithParam<std::size_t> {};

TEST_P(CorpusOdds, AreConsistent) {
    const CorpusBattle& battle = BattleCorpus()[GetParam()];
    TestHost host;
    battle.build(host);
    const ExactOdds odds = CalculateExactOdds(host, battle.dice, battle.cityLevel);
    ExpectConsistent(odds);
    EXPECT_GT(odds.attackerWinProbability, 0.01) << battle.name;
    EXPECT_LT(odds.attackerWinProbability, 0.99) << battle.name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusOdds,
                         ::testing::Range<std::size_t>(0, BattleCorpus().size()),
                         [](const auto& instance) {
                             return std::string(BattleCorpus()[instance.param].name);
                         });

}  // namespace
}  // namespace b3::engine::test
