// The hero bonus dialog's values: clamps of its setters, the values it loads from the hero and
// writes back, and the windowless "Done" path.
#include <gtest/gtest.h>

#include "engine/hero_dialog.h"
#include "engine/simple_host.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

TEST(HeroBonusDialog, SettersClamp) {
    HeroBonusDialog d;
    d.Set(HeroBonus::Strength, 20);
    EXPECT_EQ(d.Get(HeroBonus::Strength), 14);
    d.Set(HeroBonus::Strength, 0);
    EXPECT_EQ(d.Get(HeroBonus::Strength), 1);
    d.Set(HeroBonus::Hits, 5);
    EXPECT_EQ(d.Get(HeroBonus::Hits), 4);
    d.Set(HeroBonus::Hits, -1);
    EXPECT_EQ(d.Get(HeroBonus::Hits), 1);
    for (HeroBonus b : {HeroBonus::Trample, HeroBonus::Curse, HeroBonus::Leadership,
                        HeroBonus::Siege, HeroBonus::Missle}) {
        d.Set(b, 11);
        EXPECT_EQ(d.Get(b), 10) << HeroBonusName(b);
        d.Set(b, -3);
        EXPECT_EQ(d.Get(b), 0) << HeroBonusName(b);
    }
    // A box's text that is not a number leaves the value as it was.
    d.Set(HeroBonus::Morale, 3);
    d.SetText(HeroBonus::Morale, "lots");
    EXPECT_EQ(d.Get(HeroBonus::Morale), 3);
    d.SetText(HeroBonus::Morale, "");
    EXPECT_EQ(d.Get(HeroBonus::Morale), 3);
    d.SetText(HeroBonus::Morale, " 4 ");
    EXPECT_EQ(d.Get(HeroBonus::Morale), 4);
    d.SetText(HeroBonus::Morale, "99");
    EXPECT_EQ(d.Get(HeroBonus::Morale), 10);
}

TEST(HeroBonusDialog, LoadsAndWritesBack) {
    CArmy hero = MakeArmy("Sir", 20, 3);
    hero.SetStartStrength(20);
    hero.SetLeadership(4);
    hero.SetMorale(2);
    hero.SetTrample(12);
    HeroBonusDialog d;
    d.SetHero(&hero);
    d.LoadHeroInfo();
    EXPECT_EQ(d.HeroName(), "Sir");
    EXPECT_EQ(d.Get(HeroBonus::Strength), 14);   // the setter's clamp
    EXPECT_EQ(d.Get(HeroBonus::Leadership), 1);  // always opens as 1
    EXPECT_EQ(d.Get(HeroBonus::Morale), 2);
    EXPECT_EQ(d.Get(HeroBonus::Trample), 10);
    d.SetHeroName("Other");
    d.Set(HeroBonus::Acid, 3);
    d.SendPropsToHero();
    EXPECT_EQ(hero.Name(), "Sir");  // the name is not written back
    EXPECT_EQ(hero.StartStrength(), 14);
    EXPECT_EQ(hero.Leadership(), 1);
    EXPECT_EQ(hero.Acid(), 3);
    EXPECT_EQ(hero.Trample(), 10);
    EXPECT_EQ(hero.Hits(), 3);
}

TEST(HeroBonusDialog, SpinnerRanges) {
    EXPECT_EQ(SpinnerRange(HeroBonus::Strength).hi, 255);
    EXPECT_EQ(SpinnerRange(HeroBonus::Trample).hi, 3);
    EXPECT_EQ(SpinnerRange(HeroBonus::Leadership).lo, 1);
    EXPECT_EQ(SpinnerRange(HeroBonus::Leadership).hi, 5);
    EXPECT_EQ(SpinnerRange(HeroBonus::Fear).hi, 5);
    EXPECT_EQ(SpinnerRange(HeroBonus::Lightning).hi, 10);
    EXPECT_EQ(HeroBonusFromName("assassination"), HeroBonus::Assass);
    EXPECT_EQ(HeroBonusFromName("fortification"), HeroBonus::Fortification);
    EXPECT_FALSE(HeroBonusFromName("Strength"));
}

TEST(SimpleHost, HeroesAreConfirmedWithTheirBonusesInListOrder) {
    TestHost data;
    data.AddArmyRow({"Grunt"});
    data.AddHeroRow({"Big", 20, 3, "field", 1});
    SimpleHost host(data.Armies(), data.Heroes());
    ASSERT_EQ(host.FindUnit("grunt"), 0);
    ASSERT_EQ(host.FindUnit("BIG"), 1);
    EXPECT_FALSE(host.FindUnit("nobody"));
    SimpleHost::Bonuses bonuses = {};
    bonuses[static_cast<int>(HeroBonus::Leadership)] = 3;
    bonuses[static_cast<int>(HeroBonus::Hits)] = 1;
    CArmy* a = host.AddUnit(true, 1, 0, {}, &bonuses);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->StartStrength(), 14);  // 20 through the dialog's clamp
    EXPECT_EQ(a->TotalStrength(), 14);  // + field bonus, still 14
    EXPECT_EQ(a->Leadership(), 3);
    EXPECT_EQ(a->Hits(), 1);
    // Without bonuses the dialog's loaded values stand: leadership 1.
    CArmy* b = host.AddUnit(false, 1, 0, {});
    EXPECT_EQ(b->Leadership(), 1);
    EXPECT_EQ(b->Hits(), 3);
}

}  // namespace
}  // namespace b3::engine::test
