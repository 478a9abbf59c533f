// Battle set-up: stacks in groups of eight list positions, fronts, poison, disease, curse and the
// stack bonus of leadership against chaos, morale against fear, fortification against siege.
#include <gtest/gtest.h>

#include "engine/battle_calc.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        grunt = host.AddArmyRow({"Grunt", 4, 2, 1});
        calc.PrepareRun(20, 1);
        calc.SetSimulation(Simulation::Rolled);
    }
    CArmy& AttackWith(CArmy a) { return calc.AttackFront().Add(a); }
    CArmy& DefendWith(CArmy a) { return calc.DefendFront().Add(a); }

    TestHost host;
    MBattleCalc calc{host};
    Long grunt = 0;
};

TEST_F(SetupTest, StacksFollowTheListInGroupsOfEight) {
    for (int slot = 0; slot < 9; ++slot) host.Attack(grunt, slot);
    host.Defend(grunt, 0);
    calc.BuildStacks();
    EXPECT_EQ(calc.NumAttackStacks(), 2);
    EXPECT_EQ(calc.AttackingStack(0).Count(), 8);
    EXPECT_EQ(calc.AttackingStack(1).Count(), 1);
    EXPECT_EQ(calc.DefendingStack().Count(), 1);
    EXPECT_EQ(&calc.DefendingStack().Item("SN1"), &calc.DefendingStack().Item(1));

    host.att.Clear();
    for (int slot = 0; slot < 32; ++slot) host.Attack(grunt, slot);
    calc.BuildStacks();
    EXPECT_EQ(calc.NumAttackStacks(), 4);
    for (int s = 0; s < 4; ++s) EXPECT_EQ(calc.AttackingStack(s).Count(), 8);
}

TEST_F(SetupTest, EmptySlotsAreSkippedAndAnEmptyStackEndsTheBuilding) {
    // Slots 0 and 2 hold armies, 1 holds "None"; stack 2 (8-15) is empty; stack 3 has an army.
    host.Attack(grunt, 0);
    host.Attack(host.NoneId(), 1);
    host.Attack(grunt, 2);
    host.Attack(grunt, 16);
    host.Defend(grunt, 0);
    calc.BuildStacks();
    EXPECT_EQ(calc.AttackingStack(0).Count(), 2);
    EXPECT_EQ(calc.NumAttackStacks(), 1);
    calc.SetCurrentAttackStack(0);
    EXPECT_TRUE(calc.SendToAttackFront());
    EXPECT_EQ(calc.AttackFront().Count(), 2);
    EXPECT_FALSE(calc.SendToAttackFront());
    EXPECT_EQ(calc.AttackFront().Count(), 0);
}

TEST_F(SetupTest, FrontsAreFreshCopies) {
    host.Attack(grunt, 0);
    host.Defend(grunt, 0);
    calc.BuildStacks();
    calc.SendToDefendFront();
    calc.DefendFront().Item(1).SetHits(1);
    calc.SendToDefendFront();
    EXPECT_EQ(calc.DefendFront().Count(), 1);
    EXPECT_EQ(calc.DefendFront().Item(1).Hits(), 2);
    EXPECT_EQ(calc.DefendingStack().Item(1).Hits(), 2);
}

TEST_F(SetupTest, FilterClamps) {
    EXPECT_EQ(MBattleCalc::PowerFilter(-4), -1);
    EXPECT_EQ(MBattleCalc::PowerFilter(7), 5);
    EXPECT_EQ(MBattleCalc::PowerFilter(3), 3);
    EXPECT_EQ(MBattleCalc::TotalStackFilter(-7), -3);
    EXPECT_EQ(MBattleCalc::TotalStackFilter(9), 5);
}

// The bonus of each side for the given raw values.
std::pair<Long, Long> Bonus(Long lea, Long mor, Long fort, Long cha, Long fea, Long sie,
                            Long dLea = 0, Long dMor = 0, Long dFort = 0, Long dCha = 0,
                            Long dFea = 0, Long dSie = 0) {
    CStackAtt a, b;
    a.Add(MakeArmy("A", 5, 2));
    b.Add(MakeArmy("B", 5, 2));
    a.SetStackLeadership(lea);
    a.SetStackMorale(mor);
    a.SetStackFortify(fort);
    a.SetStackChaos(dCha);
    a.SetStackFear(dFea);
    a.SetStackSiege(dSie);
    b.SetStackChaos(cha);
    b.SetStackFear(fea);
    b.SetStackSiege(sie);
    b.SetStackLeadership(dLea);
    b.SetStackMorale(dMor);
    b.SetStackFortify(dFort);
    MBattleCalc::ApplyMutualPowers(a, b);
    EXPECT_EQ(a.Item(1).TotalStrength(), ClampLong(5 + a.TotalStackBonus(), 1, 14));
    EXPECT_EQ(b.Item(1).TotalStrength(), ClampLong(5 + b.TotalStackBonus(), 1, 14));
    return {a.TotalStackBonus(), b.TotalStackBonus()};
}

TEST(MutualPowers, StackBonusExamples) {
    // Leadership 3 against chaos 1, morale 0 against fear 4, fortification 2 against siege 0:
    // 2 + (-1) + 2 = 3.
    EXPECT_EQ(Bonus(3, 0, 2, 1, 4, 0).first, 3);
    // Leadership 7 against chaos 0: 5. Fear 7 against morale 0: -1, not -5.
    EXPECT_EQ(Bonus(7, 0, 0, 0, 0, 0).first, 5);
    EXPECT_EQ(Bonus(0, 0, 0, 0, 7, 0).first, -1);
    // Three terms of 5 give 5; three of -1 give -3.
    EXPECT_EQ(Bonus(5, 5, 5, 0, 0, 0).first, 5);
    EXPECT_EQ(Bonus(0, 0, 0, 3, 3, 3).first, -3);
    // Each raw value is filtered before subtracting: leadership 9 against chaos 6 is 5 - 5 = 0.
    EXPECT_EQ(Bonus(9, 0, 0, 6, 0, 0).first, 0);
    // The defender's bonus uses its own values against the attacker's.
    EXPECT_EQ(Bonus(0, 0, 0, 0, 0, 0, 2, 1, 1, 0, 0, 0).second, 4);
    EXPECT_EQ(Bonus(0, 0, 0, 0, 0, 0, 2, 1, 1, 1, 0, 3).second, 1);
}

TEST_F(SetupTest, EachCityLevelFortifiesTheDefenderByItself) {
    // No city, a village, a castle and a citadel: the defender's fortification and bonus are the
    // level (a bonus of 3 at most from one term would show a citadel of 2 as well).
    host.Attack(grunt, 0);
    host.Defend(grunt, 0);
    for (Long level = 0; level <= 3; ++level) {
        calc.BuildStacks();
        calc.SetCurrentAttackStack(0);
        calc.SendToAttackFront();
        calc.SendToDefendFront();
        calc.EvalStacksSelfEffect(level);
        calc.EvalStacksMutualEffect();  // nothing random in play: no draw needed
        EXPECT_EQ(calc.DefendFront().StackFortify(), level) << "city level " << level;
        EXPECT_EQ(calc.DefendFront().TotalStackBonus(), level) << "city level " << level;
        EXPECT_EQ(calc.DefendFront().Item(1).TotalStrength(), 4 + level) << "city level " << level;
        EXPECT_EQ(calc.AttackFront().StackFortify(), 0) << "city level " << level;
        EXPECT_EQ(calc.AttackFront().TotalStackBonus(), 0) << "city level " << level;
        EXPECT_EQ(calc.AttackFront().Item(1).TotalStrength(), 4) << "city level " << level;
    }
}

TEST_F(SetupTest, PoisonStrikesEligibleArmiesOnItsChance) {
    CArmy spider = MakeArmy("Spider", 3, 1);
    spider.SetPoison(5);
    DefendWith(spider);
    CArmy blessed = MakeArmy("Blessed", 6, 2);
    blessed.SetBlessed(true);
    AttackWith(MakeArmy("A", 6, 2));
    AttackWith(blessed);
    CArmy poisoner = MakeArmy("OwnPoison", 6, 2);
    poisoner.SetPoison(1);
    AttackWith(poisoner);
    AttackWith(MakeArmy("D", 6, 2));
    calc.AttackFront().CountSelfPowers(0, 0);
    calc.DefendFront().CountSelfPowers(1, 0);
    // Limit 5 * 4 = 20 for the attackers (a draw of 19 strikes, 20 does not); then the attackers'
    // stack poison 1 gives limit 4 against the spider, which has Poison itself: not eligible.
    calc.Random().Script({Pct(19), Pct(20)});
    calc.CheckIfPoisoned(calc.AttackFront(), calc.DefendFront());
    EXPECT_EQ(calc.Random().ScriptLeft(), 0u);
    const CStackAtt& att = calc.AttackFront();
    EXPECT_TRUE(att.Item(1).Poisoned());
    EXPECT_EQ(att.Item(1).TotalStrength(), 5);
    EXPECT_FALSE(att.Item(2).Poisoned());  // blessed
    EXPECT_FALSE(att.Item(3).Poisoned());  // has Poison
    EXPECT_FALSE(att.Item(4).Poisoned());
    EXPECT_EQ(att.Item(4).TotalStrength(), 6);
    EXPECT_FALSE(calc.DefendFront().Item(1).Poisoned());
}

TEST_F(SetupTest, PoisonOf25OrMoreStrikesEveryEligibleArmy) {
    CArmy spider = MakeArmy("Spider", 3, 1);
    spider.SetPoison(25);
    DefendWith(spider);
    for (int i = 0; i < 8; ++i) AttackWith(MakeArmy("A", 1 + i, 2));
    CArmy already = MakeArmy("Already", 6, 2);
    already.SetPoisoned(true);
    AttackWith(already);
    calc.AttackFront().CountSelfPowers(0, 0);
    calc.DefendFront().CountSelfPowers(1, 0);
    calc.Random().Script({0.999});  // must stay unused: the chance is certain
    calc.CheckIfPoisoned(calc.AttackFront(), calc.DefendFront());
    EXPECT_EQ(calc.Random().ScriptLeft(), 1u);
    for (Long i = 1; i <= 8; ++i) {
        EXPECT_TRUE(calc.AttackFront().Item(i).Poisoned());
        EXPECT_EQ(calc.AttackFront().Item(i).TotalStrength(), std::max<Long>(1, i - 1));
    }
    EXPECT_EQ(calc.AttackFront().Item(9).TotalStrength(), 6);  // already poisoned: untouched

    // 24 gives limit 96: a draw of 96 or more spares the army.
    calc.AttackFront().Reset();
    calc.DefendFront().Item(1).SetPoison(24);
    calc.DefendFront().CountSelfPowers(1, 0);  // sums again: 25 + 24
    EXPECT_EQ(calc.DefendFront().StackPoison(), 49);
    CStackAtt fresh;
    CArmy p = MakeArmy("Spider", 3, 1);
    p.SetPoison(24);
    fresh.Add(p);
    fresh.CountSelfPowers(1, 0);
    AttackWith(MakeArmy("A", 6, 2));
    AttackWith(MakeArmy("B", 6, 2));
    calc.Random().Script({Pct(95), Pct(96)});
    calc.CheckIfPoisoned(calc.AttackFront(), fresh);
    EXPECT_TRUE(calc.AttackFront().Item(1).Poisoned());
    EXPECT_FALSE(calc.AttackFront().Item(2).Poisoned());
}

TEST_F(SetupTest, DiseaseTakesAHitButNeverTheLast) {
    CArmy ghoul = MakeArmy("Ghoul", 4, 2);
    ghoul.SetDisease(25);
    AttackWith(ghoul);
    DefendWith(MakeArmy("One", 4, 1));
    DefendWith(MakeArmy("Three", 4, 3));
    CArmy blessed = MakeArmy("Blessed", 4, 3);
    blessed.SetBlessed(true);
    DefendWith(blessed);
    calc.AttackFront().CountSelfPowers(0, 0);
    calc.DefendFront().CountSelfPowers(1, 0);
    calc.CheckIfDiseased(calc.AttackFront(), calc.DefendFront());
    const CStackAtt& def = calc.DefendFront();
    EXPECT_TRUE(def.Item(1).Diseased());
    EXPECT_EQ(def.Item(1).Hits(), 1);
    EXPECT_TRUE(def.Item(2).Diseased());
    EXPECT_EQ(def.Item(2).Hits(), 2);
    EXPECT_FALSE(def.Item(3).Diseased());
    EXPECT_EQ(def.Item(3).Hits(), 3);
    EXPECT_FALSE(calc.AttackFront().Item(1).Diseased());
}

TEST_F(SetupTest, CurseStripsBlessingThenMedals) {
    CArmy witch = MakeArmy("Witch", 2, 1);
    witch.SetCurse(25);
    DefendWith(witch);
    CArmy blessed = MakeArmy("Blessed", 7, 2);  // its strength includes the blessing's point
    blessed.SetBlessed(true);
    blessed.SetHasMedal(2);
    AttackWith(blessed);
    AttackWith(MakeArmy("Plain", 7, 2));  // neither blessed nor medalled: not eligible
    CArmy medal = MakeArmy("Medal", 7, 2);
    medal.SetHasMedal(1);
    AttackWith(medal);
    calc.AttackFront().CountSelfPowers(0, 0);
    calc.DefendFront().CountSelfPowers(1, 0);
    calc.CheckIfCursed(calc.AttackFront(), calc.DefendFront());  // limit 100: certain
    const CStackAtt& att = calc.AttackFront();
    EXPECT_FALSE(att.Item(1).Blessed());
    EXPECT_EQ(att.Item(1).TotalStrength(), 6);
    EXPECT_EQ(att.Item(1).HasMedal(), 0);
    EXPECT_EQ(att.Item(2).TotalStrength(), 7);
    EXPECT_EQ(att.Item(3).HasMedal(), 0);
    EXPECT_EQ(att.Item(3).TotalStrength(), 7);

    // A curse of 1 has limit 4: a draw of 3 strikes, of 4 spares.
    calc.AttackFront().Reset();
    calc.DefendFront().Item(1).SetCurse(1);
    CStackAtt weak;
    weak.Add(calc.DefendFront().Item(1));
    weak.CountSelfPowers(1, 0);
    AttackWith(blessed);
    AttackWith(blessed);
    calc.Random().Script({Pct(4), Pct(3)});
    calc.CheckIfCursed(calc.AttackFront(), weak);
    EXPECT_TRUE(calc.AttackFront().Item(1).Blessed());
    EXPECT_FALSE(calc.AttackFront().Item(2).Blessed());
}

TEST(MutualEligibility, OwnPowersProtect) {
    CArmy a = MakeArmy("A", 4, 2);
    EXPECT_TRUE(MBattleCalc::IsPoisonEligible(a));
    EXPECT_TRUE(MBattleCalc::IsDiseaseEligible(a));
    EXPECT_FALSE(MBattleCalc::IsCurseEligible(a));
    a.SetHasMedal(1);
    EXPECT_TRUE(MBattleCalc::IsCurseEligible(a));
    a.SetCurse(2);
    EXPECT_FALSE(MBattleCalc::IsCurseEligible(a));
    a.SetDisease(1);
    EXPECT_FALSE(MBattleCalc::IsDiseaseEligible(a));
    a.SetDiseased(true);
    a.SetDisease(0);
    EXPECT_FALSE(MBattleCalc::IsDiseaseEligible(a));
    a.SetBlessed(true);
    EXPECT_FALSE(MBattleCalc::IsPoisonEligible(a));
}

}  // namespace
}  // namespace b3::engine::test
