// Simulated figures against probabilities worked out by hand, at both levels of simulation (each
// duel's end drawn at once, every exchange rolled). Seeds are fixed, so the tests are stable;
// tolerances are several standard errors, so a wrong rule (a wrong die, a missing medal, shots not
// carried) fails them.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/battle_calc.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

constexpr Long kBattles = 40000;

// The chance that an army of strength s scores on dice of n faces, with a second die of m faces
// (0: none): it misses only when both rolls exceed s.
double Score(double s, double n, double m = 0) {
    const double miss = (1 - std::min(s, n) / n) * (m > 0 ? 1 - std::min(s, m) / m : 1.0);
    return 1 - miss;
}

// The chance that the attacker wins a point: it alone scores, given that exactly one does.
double PointChance(double pa, double pd) {
    return pa * (1 - pd) / (pa * (1 - pd) + pd * (1 - pa));
}

class StatisticsTest : public ::testing::TestWithParam<bool> {
protected:
    void Run(Long battles, Long dice, std::uint64_t seed) {
        MBattleCalc& c = calc;
        c.SetSimulation(GetParam() ? Simulation::Rolled : Simulation::Duel);
        c.SetSeed(seed);
        ASSERT_TRUE(c.RunBattles(battles, dice, false, 0));
    }
    // The simulated win share lies within 4.5 standard errors of p.
    void ExpectWinShare(double p, Long battles = kBattles) {
        const double share = calc.WinPercent(battles) / 100.0;
        const double se = std::sqrt(p * (1 - p) / battles);
        EXPECT_NEAR(share, p, 4.5 * se) << "expected " << p << ", simulated " << share;
    }

    TestHost host;
    TableCalc calc{host};
};

TEST_P(StatisticsTest, OneAgainstOneDuel) {
    // Strength 8 against 5 on 20 faces: 0.4 and 0.25; a point goes to the attacker with
    // 0.4 * 0.75 / (0.4 * 0.75 + 0.25 * 0.6) = 2/3.
    const Long a = host.AddArmyRow({"A", 8, 1, 3});
    const Long d = host.AddArmyRow({"D", 5, 1, 2});
    host.Attack(a, 0);
    host.Defend(d, 0);
    Run(kBattles, 20, 101);
    ExpectWinShare(2.0 / 3.0);
    // Each battle costs exactly one army: the loser's.
    const double attLost = calc.Average(kBattles, 2);
    EXPECT_NEAR(attLost + calc.Average(kBattles, 4), 1.0, 1e-6);
    EXPECT_NEAR(calc.Average(kBattles, 3), 3 * attLost, 1e-4);
}

TEST_P(StatisticsTest, DuelOfTwoHitsEach) {
    // Two points needed on each side: q^2 + 2 q^2 (1 - q) with q = 2/3 gives 20/27.
    const Long a = host.AddArmyRow({"A", 8, 2, 3});
    const Long d = host.AddArmyRow({"D", 5, 2, 2});
    host.Attack(a, 0);
    host.Defend(d, 0);
    Run(kBattles, 20, 102);
    ExpectWinShare(20.0 / 27.0);
}

TEST_P(StatisticsTest, MedalsAddALowerSecondRoll) {
    // Two medals: a second die of 26 faces. Strength 5: 1 - (15/20)(21/26) = 0.39423...
    ListMedalDuel(host, 5, 2, 5, 0);
    Run(kBattles, 20, 103);
    const double pa = 1 - (15.0 / 20.0) * (21.0 / 26.0);
    EXPECT_NEAR(pa, Score(5, 20, 26), 1e-12);
    ExpectWinShare(PointChance(pa, 0.25));  // 0.6616...
}

TEST_P(StatisticsTest, FourMedalsOnBothSides) {
    // 18 faces for four medals against 22 for three, strength 9 on 24 combat dice.
    ListMedalDuel(host, 9, 4, 9, 3);
    Run(kBattles, 24, 104);
    const double pa = 1 - (15.0 / 24.0) * (9.0 / 18.0);
    const double pd = 1 - (15.0 / 24.0) * (13.0 / 22.0);
    ExpectWinShare(PointChance(pa, pd));
}

TEST_P(StatisticsTest, DiceOfManyFacesWithMedals) {
    // 1000 faces: strength 14 with four medals (a second die of 18 faces) against 12 with one
    // (30 faces), one point deciding.
    ListMedalDuel(host, 14, 4, 12, 1);
    Run(kBattles, 1000, 114);
    const double pa = 1 - (986.0 / 1000.0) * (4.0 / 18.0);
    const double pd = 1 - (988.0 / 1000.0) * (18.0 / 30.0);
    EXPECT_NEAR(pa, Score(14, 1000, 18), 1e-12);
    ExpectWinShare(PointChance(pa, pd));
}

TEST_P(StatisticsTest, MissilesBeforeMelee) {
    // Missile 3 against 0: three shots, each hitting when the archer (strength 3: 0.15) scores
    // and the target (strength 5: 0.25) does not: h = 0.15 * 0.75 = 0.1125. Without a hit the
    // melee decides: 0.1125 / (0.1125 + 0.25 * 0.85).
    const Long archer = host.AddArmyRow({"Archer", 3, 1, 1, "", 0, 30, 3});
    const Long d = host.AddArmyRow({"D", 5, 1, 1});
    host.Attack(archer, 0);
    host.Defend(d, 0);
    Run(kBattles, 20, 105);
    const double h = 0.15 * 0.75;
    const double miss3 = std::pow(1 - h, 3);
    ExpectWinShare(1 - miss3 + miss3 * PointChance(0.15, 0.25));
}

TEST_P(StatisticsTest, MissileShotsCarryToTheNextTarget) {
    // An archer of strength 10 with missile 3 and one hit against two defenders of strength 10
    // with one hit each, on 20 faces: a shot hits with h = 0.5 * 0.5 = 1/4, a melee point goes
    // either way with q = 1/2. Against the first defender the shots are 3; a hit on shot k
    // leaves 3 - k shots for the second defender, and with none left (or none hitting) the
    // melee decides. With d(n) = 1 - (3/4)^n + (3/4)^n / 2, the chance of winning both duels:
    //   h d(2) + (3/4) h d(1) + (3/4)^2 h q + (3/4)^3 q^2
    //   = 23/128 + 15/128 + 9/128 + 13.5/128 = 121/256 = 0.4727.
    // (Shots restored to 3 after a kill would give 0.5616; no shots after a kill 0.3945.)
    const Long archer = host.AddArmyRow({"Archer", 10, 1, 1, "", 0, 30, 3});
    const Long d = host.AddArmyRow({"D", 10, 1, 1});
    host.Attack(archer, 0);
    host.Defend(d, 0);
    host.Defend(d, 1);
    Run(kBattles, 20, 106);
    ExpectWinShare(121.0 / 256.0);
}

TEST_P(StatisticsTest, LongVolleysBeyondTheDuelTables) {
    // 150 shots (more than a run works out duel ends for: every battle is fought on its fronts).
    // Strength 1 against 12 on 20 faces: a shot lands with 0.05 * 0.4 = 0.02; all 150 miss with
    // 0.98^150; the melee then goes to the shooter with 0.02 / (0.02 + 0.6 * 0.95).
    const Long bow = host.AddArmyRow({"Bow", 1, 1, 1, "", 0, 30, 150});
    const Long d = host.AddArmyRow({"D", 12, 1, 1});
    host.Attack(bow, 0);
    host.Defend(d, 0);
    Run(kBattles, 20, 113);
    const double miss = std::pow(0.98, 150);
    ExpectWinShare(1 - miss * (1 - 0.02 / (0.02 + 0.6 * 0.95)));
}

TEST_P(StatisticsTest, TrampleAgainstFlyersAndWalkers) {
    // Trample 1 takes two hits per point from a walker with two hits (one point kills it) but
    // one from a flyer (two points needed). Strength 10 against 10: q = 1/2.
    const Long knight = host.AddArmyRow({"Knight", 10, 1, 1, "", 0, 32, 1});
    const Long walker = host.AddArmyRow({"Walker", 10, 2, 1});
    const Long bird = host.AddArmyRow({"Bird", 10, 2, 1, "", 0, 0, 0, "fly"});
    host.Attack(knight, 0);
    host.Defend(walker, 0);
    Run(kBattles, 20, 107);
    ExpectWinShare(0.5);
    host.def.Clear();
    host.Defend(bird, 0);
    Run(kBattles, 20, 108);
    ExpectWinShare(0.25);
}

TEST_P(StatisticsTest, PoisonOnItsChance) {
    // A defending stack poison of 5 strikes each eligible attacker with chance 20/99. The
    // attacker (strength 11, 1 hit) then fights at 10 against a defender of strength 10 with
    // no hits to spare: q(11, 10) = 0.55 * 0.5 / (0.55 * 0.5 + 0.5 * 0.45) = 0.55, q(10, 10) =
    // 0.5. Win chance: (20/99) 0.5 + (79/99) 0.55.
    const Long a = host.AddArmyRow({"A", 11, 1, 1});
    const Long spider = host.AddArmyRow({"Spider", 10, 1, 1, "", 0, 26, 5});
    host.Attack(a, 0);
    host.Defend(spider, 0);
    Run(kBattles, 20, 109);
    ExpectWinShare(20.0 / 99.0 * 0.5 + 79.0 / 99.0 * 0.55);
}

// Two stacks of attackers with every kind of power against a fortified defence: drawing each
// duel's end at once must give the same distribution as rolling every exchange. Compared by the win
// share and the mean losses of both sides, within 4.5 standard errors of their difference.
TEST(DuelAgainstRolled, SameFiguresOnAMixedBattle) {
    TestHost host;
    host.terrain = "city";
    const Long pikes = host.AddArmyRow({"Pikes", 3, 2, 1, "city", 1, 37, 2});
    const Long knight = host.AddArmyRow({"Knight", 6, 2, 3, "", 0, 32, 1});
    const Long archer = host.AddArmyRow({"Archer", 3, 1, 2, "", 0, 30, 3});
    const Long wyrm = host.AddArmyRow({"Wyrm", 6, 3, 4, "", 0, 38, 6});
    const Long griffon = host.AddArmyRow({"Griffon", 5, 2, 3, "", 0, 39, 5, "fly"});
    const Long shadow = host.AddArmyRow({"Shadow", 4, 1, 3, "", 0, 28, 6});
    const Long spider = host.AddArmyRow({"Spider", 3, 1, 2, "", 0, 26, 5});
    const Long witch = host.AddArmyRow({"Witch", 2, 1, 3, "", 0, 33, 10});
    const Long orc = host.AddArmyRow({"Orc", 4, 2, 2, "", 0, 2, 1});
    const Long dwarf = host.AddArmyRow({"Dwarf", 5, 3, 3, "", 0, 6, 2});
    const Long monk = host.AddArmyRow({"Monk", 3, 2, 2, "", 0, 41, 2});
    const Long ghoul = host.AddArmyRow({"Ghoul", 4, 2, 2, "", 0, 27, 5});
    const Long hero = host.AddHeroRow({"Lord", 7, 3, "city", 1});
    host.heroDialog = [](CArmy& h) {
        h.SetLeadership(2);
        h.SetMissle(2);
    };
    HealthMarks medal, blessed;
    medal.medals = 2;
    blessed.blessed = true;
    const Long attack[] = {pikes,  pikes, knight, archer, wyrm, griffon,
                           shadow, hero,  knight, ghoul,  orc};
    for (int i = 0; i < 11; ++i) host.Attack(attack[i], i, i % 3 == 0 ? medal : HealthMarks{});
    const Long defend[] = {dwarf, dwarf, monk, spider, witch, orc, pikes, griffon, archer};
    for (int i = 0; i < 9; ++i) host.Defend(defend[i], i, i % 4 == 1 ? blessed : HealthMarks{});

    constexpr Long n = 30000;
    struct Figures {
        double mean[5] = {};
        double var[5] = {};
    };
    auto run = [&](Simulation level, std::uint64_t seed) {
        TableCalc calc(host);
        calc.SetSimulation(level);
        calc.SetSeed(seed);
        EXPECT_TRUE(calc.RunBattles(n, 22, false, 2));
        Figures f;
        for (const auto& row : calc.Results())
            for (std::size_t c = 0; c < 5; ++c) f.mean[c] += row[c];
        for (double& m : f.mean) m /= n;
        for (const auto& row : calc.Results())
            for (std::size_t c = 0; c < 5; ++c)
                f.var[c] += (row[c] - f.mean[c]) * (row[c] - f.mean[c]);
        for (double& v : f.var) v /= n - 1;
        return f;
    };
    const Figures duel = run(Simulation::Duel, 201);
    const Figures rolled = run(Simulation::Rolled, 202);
    for (int c = 0; c < 5; ++c) {
        const double se = std::sqrt((duel.var[c] + rolled.var[c]) / n);
        EXPECT_NEAR(duel.mean[c], rolled.mean[c], 4.5 * se + 1e-12) << "column " << c + 1;
    }
    // Both sides lose armies in this battle, and the attacker wins some of the time.
    EXPECT_GT(duel.mean[0], 0.05);
    EXPECT_LT(duel.mean[0], 0.95);
}

INSTANTIATE_TEST_SUITE_P(Draws, StatisticsTest, ::testing::Values(false, true),
                         [](const auto& instance) { return instance.param ? "Rolled" : "Duel"; });

}  // namespace
}  // namespace b3::engine::test
