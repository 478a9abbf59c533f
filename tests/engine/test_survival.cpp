// Who survives and how bad it gets: survival chances per listed unit against closed forms and
// against the expected losses, the N-or-more lists against the distributions, and the loss
// distributions given each outcome.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "engine/exact_odds.h"
#include "engine/survival.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

struct Survival {
    std::vector<std::optional<double>> attack, defend;
};

Survival ExactSurvival(TestHost& host, const ExactOdds& odds, Long attSize, Long defSize) {
    return {SurvivalChances(FightingOrder(host, true, attSize), odds.attackerUnitsLost),
            SurvivalChances(FightingOrder(host, false, defSize), odds.defenderUnitsLost)};
}

double Total(const std::vector<std::optional<double>>& v) {
    double s = 0;
    for (const auto& x : v) s += x.value_or(0);
    return s;
}

TEST(SurvivalTest, OneAgainstOneIsTheWinChance) {
    // Strength 8 against 5 on 20 faces, one hit each: the attacker wins with 2/3.
    TestHost host;
    const Long a = host.AddArmyRow({"A", 8, 1, 3});
    const Long d = host.AddArmyRow({"D", 5, 1, 2});
    host.Attack(a, 0);
    host.Defend(d, 0);
    const ExactOdds odds = CalculateExactOdds(host, 20, 0);
    const Survival s = ExactSurvival(host, odds, 1, 1);
    ASSERT_EQ(s.attack.size(), 1u);
    EXPECT_NEAR(*s.attack[0], 2.0 / 3.0, 1e-14);
    EXPECT_NEAR(*s.defend[0], 1.0 / 3.0, 1e-14);
}

TEST(SurvivalTest, TwoAgainstOneFightFromTheEndOfTheList) {
    // List [A8, None, A5] against D5, one hit each. A5 (last) fights first and wins its point
    // with 1/2; when it falls A8 meets the same defender and wins with 2/3. So A5 survives with
    // 1/2, A8 unless both fall: 1 - 1/2 * 1/3 = 5/6, the defender with 1/6.
    TestHost host;
    const Long a8 = host.AddArmyRow({"A8", 8, 1, 3});
    const Long a5 = host.AddArmyRow({"A5", 5, 1, 1});
    const Long d = host.AddArmyRow({"D", 5, 1, 2});
    host.Attack(a8, 0);
    host.Attack(host.NoneId(), 1);
    host.Attack(a5, 2);
    host.Defend(d, 0);
    const ExactOdds odds = CalculateExactOdds(host, 20, 0);
    const Survival s = ExactSurvival(host, odds, 3, 1);
    ASSERT_EQ(s.attack.size(), 3u);
    EXPECT_NEAR(*s.attack[0], 5.0 / 6.0, 1e-14);
    EXPECT_FALSE(s.attack[1].has_value());
    EXPECT_NEAR(*s.attack[2], 0.5, 1e-14);
    EXPECT_NEAR(*s.defend[0], 1.0 / 6.0, 1e-14);
    EXPECT_NEAR(odds.attackerWinProbability, 5.0 / 6.0, 1e-14);
}

TEST(SurvivalTest, SumsAreTheExpectedSurvivorsAndStacksKeepTheirOrder) {
    // Two attacking stacks, a gap and a fourth stack that never enters (the third is empty),
    // against four defenders of two hits.
    TestHost host;
    const Long strong = host.AddArmyRow({"Strong", 7, 2, 3});
    const Long weak = host.AddArmyRow({"Weak", 3, 1, 1});
    const Long guard = host.AddArmyRow({"Guard", 6, 2, 2, "", 0, 0, 0});
    for (Long slot : {0, 1, 3}) host.Attack(slot == 1 ? weak : strong, slot);
    for (Long slot : {8, 9}) host.Attack(weak, slot);
    host.Attack(strong, 24);
    for (Long slot = 0; slot < 4; ++slot) host.Defend(guard, slot);
    const ExactOdds odds = CalculateExactOdds(host, 20, 0);

    const auto order = FightingOrder(host, true, 25);
    EXPECT_EQ(order[3], 0);  // the end of the first stack fights first
    EXPECT_EQ(order[1], 1);
    EXPECT_EQ(order[0], 2);
    EXPECT_EQ(order[9], 3);
    EXPECT_EQ(order[8], 4);
    EXPECT_FALSE(order[2].has_value());
    EXPECT_EQ(order[24], kNeverFights);

    const Survival s = ExactSurvival(host, odds, 25, 4);
    EXPECT_NEAR(*s.attack[24], 1.0, 0.0);  // never fights
    // Everyone who fights: the expected survivors are the armies less the expected losses.
    EXPECT_NEAR(Total(s.attack) - 1.0, odds.attackers - odds.expectedAttackerUnitsLost, 1e-12);
    EXPECT_NEAR(Total(s.defend), odds.defenders - odds.expectedDefenderUnitsLost, 1e-12);
    // Within 0..1, and whoever fights later survives at least as often.
    for (const auto& side : {s.attack, s.defend})
        for (const auto& p : side)
            if (p) {
                EXPECT_GE(*p, 0.0);
                EXPECT_LE(*p, 1.0);
            }
    EXPECT_LE(*s.attack[3], *s.attack[1]);
    EXPECT_LE(*s.attack[1], *s.attack[0]);
    EXPECT_LE(*s.attack[0], *s.attack[9]);
    EXPECT_LE(*s.defend[3], *s.defend[0]);
    // The first defender dies only when the attacker wins.
    EXPECT_NEAR(1.0 - *s.defend[0], odds.attackerWinProbability, 1e-12);
}

TEST(SurvivalTest, SimulatedCountsGiveShares) {
    // Counts of battles by armies lost: 0 lost in 6, 1 in 3, 2 in 1.
    std::array<double, 33> counts{};
    counts[0] = 6;
    counts[1] = 3;
    counts[2] = 1;
    const auto s = SurvivalChances({Long{1}, std::nullopt, Long{0}}, counts);
    EXPECT_DOUBLE_EQ(*s[0], 0.9);
    EXPECT_FALSE(s[1].has_value());
    EXPECT_DOUBLE_EQ(*s[2], 0.6);
}

TEST(LossViewsTest, AtLeastAndGivenOutcomeAgreeWithTheDistributions) {
    TestHost host;
    const Long a = host.AddArmyRow({"A", 6, 2, 2});
    const Long b = host.AddArmyRow({"B", 4, 3, 1});
    const Long d = host.AddArmyRow({"D", 6, 2, 3});
    for (Long slot = 0; slot < 5; ++slot) host.Attack(slot % 2 ? a : b, slot);
    for (Long slot = 0; slot < 4; ++slot) host.Defend(d, slot);
    const ExactOdds odds = CalculateExactOdds(host, 20, 0);
    ASSERT_GT(odds.attackerWinProbability, 0.05);
    ASSERT_LT(odds.attackerWinProbability, 0.95);

    for (std::size_t n = 0; n < 33; ++n) {
        const double nextAtt = n < 32 ? odds.attackerUnitsLostAtLeast[n + 1] : 0.0;
        const double nextDef = n < 32 ? odds.defenderUnitsLostAtLeast[n + 1] : 0.0;
        EXPECT_NEAR(odds.attackerUnitsLostAtLeast[n] - nextAtt, odds.attackerUnitsLost[n], 1e-12);
        EXPECT_NEAR(odds.defenderUnitsLostAtLeast[n] - nextDef, odds.defenderUnitsLost[n], 1e-12);
    }
    EXPECT_NEAR(odds.attackerUnitsLostAtLeast[0], 1.0, 1e-12);
    EXPECT_NEAR(odds.defenderUnitsLostAtLeast[static_cast<std::size_t>(odds.defenders)],
                odds.attackerWinProbability, 1e-12);

    const double p[2] = {1 - odds.attackerWinProbability, odds.attackerWinProbability};
    for (int o = 0; o < 2; ++o) {
        EXPECT_TRUE(odds.OutcomePossible(o));
        const auto& att = odds.attackerUnitsLostGiven[static_cast<std::size_t>(o)];
        const auto& def = odds.defenderUnitsLostGiven[static_cast<std::size_t>(o)];
        EXPECT_NEAR(std::accumulate(att.begin(), att.end(), 0.0), 1.0, 1e-12);
        EXPECT_NEAR(std::accumulate(def.begin(), def.end(), 0.0), 1.0, 1e-12);
    }
    // A win costs every defender, a loss every attacker; and the two views mix back into the
    // whole distribution.
    EXPECT_NEAR(odds.defenderUnitsLostGiven[1][static_cast<std::size_t>(odds.defenders)], 1.0,
                1e-12);
    EXPECT_NEAR(odds.attackerUnitsLostGiven[0][static_cast<std::size_t>(odds.attackers)], 1.0,
                1e-12);
    for (std::size_t n = 0; n < 33; ++n)
        EXPECT_NEAR(
            p[1] * odds.attackerUnitsLostGiven[1][n] + p[0] * odds.attackerUnitsLostGiven[0][n],
            odds.attackerUnitsLost[n], 1e-12);
}

}  // namespace
}  // namespace b3::engine::test
