// The stack's own powers: best values, summed chances, the city level, banding and the bonus
// clamp, and what a copy into a stack keeps.
#include <gtest/gtest.h>

#include "engine/stack.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

CArmy With(CArmy a, void (CArmy::*set)(Long), Long v) {
    (a.*set)(v);
    return a;
}

TEST(CStackAtt, BestValuesAndSums) {
    CStackAtt s;
    s.Add(With(With(MakeArmy("A", 4, 2), &CArmy::SetChaos, 2), &CArmy::SetPoison, 2));
    s.Add(With(With(MakeArmy("B", 4, 2), &CArmy::SetChaos, 3), &CArmy::SetPoison, 3));
    s.Add(With(With(MakeArmy("C", 4, 2), &CArmy::SetFear, 1), &CArmy::SetDisease, 4));
    s.Add(With(With(MakeArmy("D", 4, 2), &CArmy::SetCurse, 6), &CArmy::SetSiege, -2));
    s.CountSelfPowers(0, 3);
    s.EvalSelfPowers();
    EXPECT_EQ(s.StackChaos(), 3);
    EXPECT_EQ(s.StackPoison(), 5);
    EXPECT_EQ(s.StackFear(), 1);
    EXPECT_EQ(s.StackDisease(), 4);
    EXPECT_EQ(s.StackCurse(), 6);
    EXPECT_EQ(s.StackSiege(), 0);    // best of a negative value and the blank 0
    EXPECT_EQ(s.StackFortify(), 0);  // an attacking stack ignores the city level
    EXPECT_EQ(s.StackLeadership(), 0);
    EXPECT_EQ(s.StackMorale(), 0);
}

TEST(CStackAtt, DefendersFortifyAtLeastTheCityLevel) {
    CStackAtt s;
    s.Add(With(MakeArmy("A", 4, 2), &CArmy::SetFortify, 2));
    s.CountSelfPowers(1, 3);
    EXPECT_EQ(s.StackFortify(), 3);
    CStackAtt t;
    t.Add(With(MakeArmy("A", 4, 2), &CArmy::SetFortify, 4));
    t.CountSelfPowers(1, 3);
    EXPECT_EQ(t.StackFortify(), 4);
    CStackAtt u;
    u.Add(MakeArmy("A", 4, 2));
    u.CountSelfPowers(1, 1);
    EXPECT_EQ(u.StackFortify(), 1);
}

CArmy Bander(const std::string& name, Long strength, Long cap) {
    CArmy a = MakeArmy(name, strength, 2);
    a.SetBanding(cap);
    a.SetPowerValue(cap);
    return a;
}

TEST(CStackAtt, BandingGainsOnePerFellowUpToTheFirstCap) {
    {
        CStackAtt s;
        for (int i = 0; i < 3; ++i) s.Add(Bander("Pikes", 4, 1));
        s.CountSelfPowers(0, 0);
        for (const CArmy& a : s) EXPECT_EQ(a.TotalStrength(), 5);
    }
    {
        CStackAtt s;
        for (int i = 0; i < 3; ++i) s.Add(Bander("Pikes", 4, 5));
        s.CountSelfPowers(0, 0);
        for (const CArmy& a : s) EXPECT_EQ(a.TotalStrength(), 6);
    }
    {
        // The cap is the power value of the first banding army of the name.
        CStackAtt s;
        s.Add(Bander("Pikes", 4, 1));
        s.Add(Bander("Pikes", 4, 5));
        s.Add(Bander("Pikes", 4, 5));
        s.Add(Bander("Pikes", 4, 5));
        s.CountSelfPowers(0, 0);
        for (const CArmy& a : s) EXPECT_EQ(a.TotalStrength(), 5);
    }
    {
        // Names are tallied apart; a lone bander, and an army of the name without banding, gain
        // nothing; the strength stays at most 14.
        CStackAtt s;
        s.Add(Bander("Pikes", 4, 3));
        s.Add(Bander("Pikes", 13, 3));
        s.Add(Bander("Axes", 4, 3));
        s.Add(MakeArmy("Pikes", 4, 2));
        s.Add(Bander("pikes", 4, 3));
        s.CountSelfPowers(0, 0);
        EXPECT_EQ(s.Item(1).TotalStrength(), 5);
        EXPECT_EQ(s.Item(2).TotalStrength(), 14);
        EXPECT_EQ(s.Item(3).TotalStrength(), 4);
        EXPECT_EQ(s.Item(4).TotalStrength(), 4);
        EXPECT_EQ(s.Item(5).TotalStrength(), 4);
    }
}

TEST(CStackAtt, BonusClampAndCopies) {
    CStackAtt s;
    s.SetTotalStackBonus(7);
    EXPECT_EQ(s.TotalStackBonus(), 5);
    s.SetTotalStackBonus(-4);
    EXPECT_EQ(s.TotalStackBonus(), -3);
    s.SetStackPoison(-9);
    EXPECT_EQ(s.StackPoison(), -9);

    CArmy shooter = MakeArmy("Bows", 3, 1);
    shooter.SetMissle(3);
    shooter.SetMissleShotsLeft(2);
    shooter.SetUsedSpecial(true);
    shooter.SetBlacksmith(true);
    shooter.SetWeaponsmaster(true);
    shooter.SetStartHits(std::int64_t{1});
    shooter.SetBlessed(true);
    CArmy& copy = s.Add(shooter, "SN1");
    EXPECT_EQ(copy.MissleShotsLeft(), 0);
    EXPECT_FALSE(copy.UsedSpecial());
    EXPECT_FALSE(copy.Blacksmith());
    EXPECT_FALSE(copy.Weaponsmaster());
    EXPECT_EQ(copy.StartHits(), 0);
    EXPECT_TRUE(copy.Blessed());
    EXPECT_EQ(copy.Missle(), 3);
    EXPECT_EQ(&s.Item("SN1"), &copy);
    // Copying goes through the clamped setters: a blank army arrives with 1 hit and strength 1.
    CStackAtt t;
    const CArmy& blank = t.Add(CArmy());
    EXPECT_EQ(blank.Hits(), 1);
    EXPECT_EQ(blank.StartStrength(), 1);
    EXPECT_EQ(blank.TotalStrength(), 1);
    EXPECT_EQ(blank.StartHits(), 0);
    s.Remove(1);
    EXPECT_EQ(s.Count(), 0);
}

}  // namespace
}  // namespace b3::engine::test
