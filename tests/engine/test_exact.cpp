// Exact battle odds: closed forms worked out by hand, distributions that sum to 1, refusals, and
// agreement with large seeded simulations of varied battles (within several standard errors, so
// that a fault in either the sums or the simulation shows).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

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
                const double p = odds.joint[o][ka][kd];
                EXPECT_GE(p, 0.0);
                if (p == 0) continue;
                total += p;
                if (o == 1) win += p;
                att[ka] += p;
                def[kd] += p;
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
    for (int k = 0; k <= 32; ++k) {
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
    const Long a = host.AddArmyRow({"A", 5, 1, 1});
    const Long d = host.AddArmyRow({"D", 5, 1, 1});
    HealthMarks two;
    two.medals = 2;
    host.Attack(a, 0, two);
    host.Defend(d, 0);
    const double pa = 1 - (15.0 / 20.0) * (21.0 / 26.0);
    EXPECT_NEAR(Odds().attackerWinProbability, PointChance(pa, 0.25), 1e-14);

    TestHost h2;
    const Long a9 = h2.AddArmyRow({"A", 9, 1, 1});
    const Long d9 = h2.AddArmyRow({"D", 9, 1, 1});
    HealthMarks four, three;
    four.medals = 4;
    three.medals = 3;
    h2.Attack(a9, 0, four);
    h2.Defend(d9, 0, three);
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
// Agreement with the simulation

struct Scenario {
    const char* name;
    Long dice;
    Long cityLevel;
    std::function<void(TestHost&)> build;
};

// Power type codes of the army rows.
enum Power {
    kChaos = 2,
    kMorale = 3,
    kFear = 4,
    kSiege = 5,
    kFortify = 6,
    kPoison = 26,
    kDisease = 27,
    kAssassin = 28,
    kMissiles = 30,
    kTrample = 32,
    kCurse = 33,
    kBanding = 37,
    kAcid = 38,
    kLightning = 39,
    kWarding = 41,
};

HealthMarks Marks(bool blessed, Long medals, bool flying = false) {
    HealthMarks m;
    m.blessed = blessed;
    m.medals = medals;
    m.flying = flying;
    return m;
}

const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> list = {
        {"PlainMixedArmies", 20, 0,
         [](TestHost& h) {
             const Long a = h.AddArmyRow({"A", 6, 2, 3});
             const Long b = h.AddArmyRow({"B", 4, 3, 2});
             const Long c = h.AddArmyRow({"C", 9, 1, 4});
             const Long d = h.AddArmyRow({"D", 5, 2, 2});
             const Long e = h.AddArmyRow({"E", 7, 2, 3});
             for (Long s : {a, b, c, a}) h.Attack(s, h.att.Count());
             for (Long s : {d, e, d, b}) h.Defend(s, h.def.Count());
         }},
        {"MedalsBlessingAndCurse", 22, 0,
         [](TestHost& h) {
             const Long a = h.AddArmyRow({"A", 5, 2, 2});
             const Long witch = h.AddArmyRow({"Witch", 3, 1, 3, "", 0, kCurse, 6});
             const Long d = h.AddArmyRow({"D", 6, 2, 2});
             h.Attack(a, 0, Marks(true, 1));
             h.Attack(a, 1, Marks(false, 3));
             h.Attack(a, 2, Marks(true, 4));
             h.Attack(witch, 3, Marks(false, 2));
             h.Defend(d, 0, Marks(true, 2));
             h.Defend(witch, 1);
             h.Defend(d, 2, Marks(false, 1));
         }},
        {"PoisonAndDiseaseBothWays", 20, 0,
         [](TestHost& h) {
             const Long spider = h.AddArmyRow({"Spider", 4, 1, 2, "", 0, kPoison, 5});
             const Long ghoul = h.AddArmyRow({"Ghoul", 5, 2, 2, "", 0, kDisease, 6});
             const Long a = h.AddArmyRow({"A", 6, 2, 3});
             h.Attack(a, 0);
             h.Attack(a, 1, Marks(true, 0));
             h.Attack(spider, 2);
             h.Attack(ghoul, 3);
             h.Attack(a, 4);
             h.Defend(ghoul, 0);
             h.Defend(a, 1);
             h.Defend(spider, 2);
             h.Defend(a, 3);
         }},
        {"AcidLightningAndWarding", 20, 0,
         [](TestHost& h) {
             const Long wyrm = h.AddArmyRow({"Wyrm", 7, 3, 4, "", 0, kAcid, 5});
             const Long bolt = h.AddArmyRow({"Bolt", 5, 2, 3, "", 0, kLightning, 4, "fly"});
             const Long monk = h.AddArmyRow({"Monk", 6, 3, 2, "", 0, kWarding, 2});
             const Long d = h.AddArmyRow({"D", 8, 4, 3, "", 0, kAcid, 1});
             h.Attack(bolt, 0);
             h.Attack(wyrm, 1);
             h.Attack(bolt, 2);
             h.Defend(d, 0);
             h.Defend(monk, 1);
             h.Defend(d, 2);
             h.Defend(monk, 3);
         }},
        {"AssassinsAndMissilesCarried", 20, 0,
         [](TestHost& h) {
             const Long shadow = h.AddArmyRow({"Shadow", 4, 1, 3, "", 0, kAssassin, 6});
             const Long archer = h.AddArmyRow({"Archer", 5, 1, 2, "", 0, kMissiles, 4});
             const Long sniper = h.AddArmyRow({"Sniper", 4, 1, 2, "", 0, kMissiles, 1});
             const Long cut = h.AddArmyRow({"Cut", 5, 2, 2, "", 0, kAssassin, 2});
             const Long d = h.AddArmyRow({"D", 6, 2, 2});
             h.Attack(shadow, 0);
             h.Attack(archer, 1);
             h.Attack(shadow, 2);
             h.Attack(archer, 3);
             h.Defend(d, 0);
             h.Defend(cut, 1);
             h.Defend(sniper, 2);
             h.Defend(d, 3);
             h.Defend(cut, 4);
         }},
        {"TrampleAgainstFlyersAndWalkers", 20, 0,
         [](TestHost& h) {
             const Long knight = h.AddArmyRow({"Knight", 7, 2, 3, "", 0, kTrample, 1});
             const Long giant = h.AddArmyRow({"Giant", 8, 3, 4, "", 0, kTrample, 2});
             const Long griffon = h.AddArmyRow({"Griffon", 6, 3, 3, "", 0, 0, 0, "Fly"});
             const Long d = h.AddArmyRow({"D", 6, 4, 2});
             h.Attack(knight, 0);
             h.Attack(giant, 1);
             h.Attack(knight, 2);
             h.Defend(griffon, 0);
             h.Defend(d, 1);
             h.Defend(d, 2, Marks(false, 0, true));
             h.Defend(giant, 3);
         }},
        {"BandingInACastle", 20, 2,
         [](TestHost& h) {
             h.terrain = "city";
             const Long pikes = h.AddArmyRow({"Pikes", 3, 2, 1, "city", 1, kBanding, 2});
             const Long ram = h.AddArmyRow({"Ram", 5, 2, 3, "", 0, kSiege, 2});
             const Long a = h.AddArmyRow({"A", 6, 2, 2});
             const Long dwarf = h.AddArmyRow({"Dwarf", 5, 3, 3, "city", 2, kFortify, 1});
             h.Attack(ram, 0);
             h.Attack(a, 1);
             h.Attack(a, 2);
             h.Attack(pikes, 3);
             h.Attack(pikes, 4);
             for (int i = 0; i < 3; ++i) h.Defend(pikes, i);
             h.Defend(dwarf, 3);
             h.Defend(pikes, 4);
         }},
        {"StackPowersAndHeroLeadership", 24, 0,
         [](TestHost& h) {
             const Long orc = h.AddArmyRow({"Orc", 4, 2, 2, "", 0, kChaos, 1});
             const Long drum = h.AddArmyRow({"Drum", 4, 2, 2, "", 0, kMorale, 2});
             const Long skull = h.AddArmyRow({"Skull", 3, 2, 2, "", 0, kFear, 3});
             const Long lord = h.AddHeroRow({"Lord", 7, 3, "field", 1});
             h.heroDialog = [](CArmy& hero) { hero.SetLeadership(3); };
             h.Attack(drum, 0);
             h.Attack(orc, 1);
             h.Attack(lord, 2);
             h.Defend(skull, 0);
             h.Defend(orc, 1);
             h.Defend(drum, 2);
         }},
        {"HeroesWithSpecialAttacks", 20, 0,
         [](TestHost& h) {
             const Long a = h.AddArmyRow({"A", 5, 2, 2});
             const Long ranger = h.AddHeroRow({"Ranger", 6, 2});
             const Long mage = h.AddHeroRow({"Mage", 4, 3, "", 0, "fly"});
             h.heroDialog = [](CArmy& hero) {
                 if (hero.Name() == "Ranger") {
                     hero.SetMissle(3);
                     hero.SetAssass(4);
                     hero.SetTrample(1);
                 } else {
                     hero.SetAcid(6);
                     hero.SetLightning(5);
                     hero.SetCurse(5);
                 }
             };
             h.Attack(a, 0, Marks(false, 2));
             h.Attack(ranger, 1, Marks(true, 1));
             h.Defend(a, 0, Marks(true, 0));
             h.Defend(mage, 1);
             h.Defend(a, 2);
         }},
        {"FourStacksIntoACitadel", 21, 3,
         [](TestHost& h) {
             h.terrain = "city";
             const Long spider = h.AddArmyRow({"Spider", 4, 1, 2, "", 0, kPoison, 4});
             const Long archer = h.AddArmyRow({"Archer", 4, 1, 2, "", 0, kMissiles, 2});
             const Long a = h.AddArmyRow({"A", 6, 2, 3});
             const Long guard = h.AddArmyRow({"Guard", 5, 2, 2, "city", 1});
             const Long wyrm = h.AddArmyRow({"Wyrm", 6, 2, 4, "", 0, kAcid, 4});
             for (int s = 0; s < 4; ++s) {
                 h.Attack(a, 8 * s, Marks(false, s));
                 h.Attack(archer, 8 * s + 1);
                 h.Attack(spider, 8 * s + 2);
             }
             for (int i = 0; i < 8; ++i) h.Defend(i % 3 == 2 ? wyrm : guard, i);
             h.Defend(archer, 8);
             h.Defend(spider, 9);
         }},
        {"EqualAbilitiesCancel", 20, 0,
         [](TestHost& h) {
             const Long shadow = h.AddArmyRow({"Shadow", 6, 2, 2, "", 0, kAssassin, 3});
             const Long archer = h.AddArmyRow({"Archer", 6, 2, 2, "", 0, kMissiles, 2});
             const Long wyrm = h.AddArmyRow({"Wyrm", 6, 2, 2, "", 0, kAcid, 3});
             h.Attack(shadow, 0);
             h.Attack(archer, 1);
             h.Attack(wyrm, 2);
             h.Defend(wyrm, 0);
             h.Defend(archer, 1);
             h.Defend(shadow, 2);
         }},
        {"TwoStacksAfterAnAcidDefender", 18, 0,
         [](TestHost& h) {
             const Long wyrm = h.AddArmyRow({"Wyrm", 9, 3, 4, "", 0, kAcid, 8});
             const Long a = h.AddArmyRow({"A", 7, 2, 2});
             const Long archer = h.AddArmyRow({"Archer", 5, 1, 2, "", 0, kMissiles, 3});
             h.Attack(a, 0);
             h.Attack(archer, 1);
             h.Attack(a, 8, Marks(true, 2));
             h.Attack(archer, 9);
             h.Defend(a, 0);
             h.Defend(wyrm, 1);
         }},
    };
    return list;
}

// The exact figures against a seeded simulation of many battles: the win share, the four
// averages and every bin of the two loss distributions within 5 standard errors of the exact
// values (the standard errors follow from the exact distribution itself).
class ExactAgainstSimulation : public ::testing::TestWithParam<std::tuple<std::size_t, bool>> {};

TEST_P(ExactAgainstSimulation, Agrees) {
    const auto [index, rolled] = GetParam();
    const Scenario& s = Scenarios()[index];
    TestHost host;
    s.build(host);
    const ExactOdds odds = CalculateExactOdds(host, s.dice, s.cityLevel);
    ExpectConsistent(odds);
    // Each scenario is a real contest: both outcomes have a fair chance.
    EXPECT_GT(odds.attackerWinProbability, 0.02);
    EXPECT_LT(odds.attackerWinProbability, 0.98);

    const Long n = rolled ? 60000 : 200000;
    TableCalc calc(host);
    calc.SetExactExchanges(rolled);
    calc.SetSeed(7001 + index * 17 + (rolled ? 1 : 0));
    ASSERT_TRUE(calc.RunBattles(n, s.dice, false, s.cityLevel));

    // Moments of the five columns under the exact distribution.
    std::vector<std::int64_t> attTurns(33, 0), defTurns(33, 0);
    double mean[5] = {}, square[5] = {};
    double simMean[5] = {};
    for (const auto& row : calc.Results())
        for (int c = 0; c < 5; ++c) simMean[c] += row[static_cast<std::size_t>(c)];
    for (double& m : simMean) m /= n;
    // Turns per number lost follow from any battle's rows: collect them from the simulation.
    std::vector<double> attTurnsOf(33, -1), defTurnsOf(33, -1);
    for (const auto& row : calc.Results()) {
        attTurnsOf[static_cast<std::size_t>(row[1])] = row[2];
        defTurnsOf[static_cast<std::size_t>(row[3])] = row[4];
    }
    for (int o = 0; o < 2; ++o) {
        for (int ka = 0; ka <= 32; ++ka) {
            for (int kd = 0; kd <= 32; ++kd) {
                const double p = odds.joint[o][ka][kd];
                if (p == 0) continue;
                const double x[5] = {double(o), double(ka), attTurnsOf[ka], double(kd),
                                     defTurnsOf[kd]};
                for (int c = 0; c < 5; ++c) {
                    if (x[c] < 0) continue;  // never seen in the simulation: compared below
                    mean[c] += p * x[c];
                    square[c] += p * x[c] * x[c];
                }
            }
        }
    }
    const double exactMeans[5] = {odds.attackerWinProbability, odds.expectedAttackerUnitsLost,
                                  odds.expectedAttackerTurnsLost, odds.expectedDefenderUnitsLost,
                                  odds.expectedDefenderTurnsLost};
    for (int c = 0; c < 5; ++c) {
        const double var = square[c] - mean[c] * mean[c];
        const double se = std::sqrt(std::max(var, 0.0) / n);
        EXPECT_NEAR(simMean[c], exactMeans[c], 5 * se + 1e-9) << s.name << ", column " << c + 1;
    }
    // The loss distributions bin by bin.
    std::vector<double> attSim(33, 0), defSim(33, 0);
    for (const auto& row : calc.Results()) {
        attSim[static_cast<std::size_t>(row[1])] += 1.0 / n;
        defSim[static_cast<std::size_t>(row[3])] += 1.0 / n;
    }
    for (int k = 0; k <= 32; ++k) {
        const double pa = odds.attackerUnitsLost[k], pd = odds.defenderUnitsLost[k];
        EXPECT_NEAR(attSim[k], pa, 5 * std::sqrt(pa * (1 - pa) / n) + 1e-9)
            << s.name << ", attacking armies lost " << k;
        EXPECT_NEAR(defSim[k], pd, 5 * std::sqrt(pd * (1 - pd) / n) + 1e-9)
            << s.name << ", defending armies lost " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ExactAgainstSimulation,
                         ::testing::Combine(::testing::Range<std::size_t>(0, 12),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(Scenarios()[std::get<0>(info.param)].name) +
                                    (std::get<1>(info.param) ? "_Rolled" : "_Direct");
                         });

}  // namespace
}  // namespace b3::engine::test
