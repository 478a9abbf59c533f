// CArmy's clamped setters and the steps by which CAttackArmies::Add turns a list entry into an
// army: special birth, power interpretation, terrain bonus, health marks, heroes.
#include <gtest/gtest.h>

#include "engine/army.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

TEST(CArmy, NewArmyIsAllZeroAndClampsKeepTheirRanges) {
    CArmy a;
    EXPECT_EQ(a.Name(), "");
    EXPECT_EQ(a.Hits(), 0);
    EXPECT_EQ(a.TotalStrength(), 0);
    EXPECT_FALSE(a.IsHero());
    EXPECT_FALSE(a.UsedSpecial());

    a.SetHits(0);
    EXPECT_EQ(a.Hits(), 1);
    a.SetHits(9);
    EXPECT_EQ(a.Hits(), 4);
    a.SetStartStrength(300);
    EXPECT_EQ(a.StartStrength(), 255);
    a.SetStartStrength(-7);
    EXPECT_EQ(a.StartStrength(), 1);
    a.SetTotalStrength(15);
    EXPECT_EQ(a.TotalStrength(), 14);
    a.SetTotalStrength(0);
    EXPECT_EQ(a.TotalStrength(), 1);
    a.SetStartHits(std::int64_t{5});
    EXPECT_EQ(a.StartHits(), 4);
    // Unclamped fields store what they are given.
    a.SetMorale(-12);
    EXPECT_EQ(a.Morale(), -12);
    a.SetHasMedal(7);
    EXPECT_EQ(a.HasMedal(), 7);
}

TEST(CArmy, StartHitsAreCachedAndRestored) {
    CArmy a = MakeArmy("A", 5, 3);
    a.SetStartHits();
    EXPECT_EQ(a.StartHits(), 3);
    a.SetHits(1);
    a.RestoreStartHits();
    EXPECT_EQ(a.Hits(), 3);
}

class AddTest : public ::testing::Test {
protected:
    TestHost host;
};

TEST_F(AddTest, NoneGivesNoArmyAndNoEntry) {
    EXPECT_EQ(host.att.Add("None", 0, 5, 2, 1, "", 0, 0, 0, false, false, false, 0, false, false,
                           false, false, "SN0"),
              nullptr);
    EXPECT_EQ(host.att.Count(), 0);
    EXPECT_EQ(host.att.Find("SN0"), nullptr);
}

TEST_F(AddTest, FieldsComeFromTheArgumentsAndTheKeyNamesTheEntry) {
    host.AddArmyRow({"Pikes"});
    CArmy* a = host.att.Add("Pikes", 0, 5, 3, 4, "woods", 2, 0, 0, false, false, false, 2, false,
                            false, true, true, "SN3");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(&host.att.Item("SN3"), a);
    EXPECT_EQ(&host.att.Item(1), a);
    EXPECT_EQ(a->Name(), "Pikes");
    EXPECT_EQ(a->StartStrength(), 5);
    EXPECT_EQ(a->Hits(), 3);
    EXPECT_EQ(a->Turns(), 4);
    EXPECT_EQ(a->CBName(), "woods");
    EXPECT_EQ(a->HasMedal(), 2);
    EXPECT_TRUE(a->IsFlying());
    EXPECT_TRUE(a->IsUndead());
    EXPECT_EQ(a->TotalStrength(), 5);  // terrain "field" is not "woods"
    // No key: the army is reachable by position only.
    host.att.Add("Pikes", 0, 5, 3, 4, "", 0, 0, 0, false, false, false, 0, false, false, false,
                 false, "");
    EXPECT_EQ(host.att.Count(), 2);
    // A key in use is refused.
    EXPECT_THROW(host.att.Add("Pikes", 0, 5, 3, 4, "", 0, 0, 0, false, false, false, 0, false,
                              false, false, false, "SN3"),
                 std::invalid_argument);
    host.att.Remove("SN3");
    EXPECT_EQ(host.att.Count(), 1);
    EXPECT_EQ(host.att.Find("SN3"), nullptr);
}

TEST_F(AddTest, SpecialBirthAndHealthStayInsideTheClamps) {
    host.AddArmyRow({"X"});
    auto add = [&](Long strength, Long hits, bool blessed, bool diseased, bool poisoned, bool smith,
                   bool master, const std::string& cb = "", Long cbValue = 0) {
        host.att.Clear();
        return *host.att.Add("X", 0, strength, hits, 1, cb, cbValue, 0, 0, blessed, diseased,
                             poisoned, 0, smith, master, false, false, "");
    };
    // Weaponsmaster with 4 hits keeps 4; with 2 gets 3.
    EXPECT_EQ(add(5, 4, false, false, false, false, true).Hits(), 4);
    EXPECT_EQ(add(5, 2, false, false, false, false, true).Hits(), 3);
    // Diseased with 1 hit keeps 1; with 3 drops to 2.
    EXPECT_EQ(add(5, 1, false, true, false, false, false).Hits(), 1);
    EXPECT_EQ(add(5, 3, false, true, false, false, false).Hits(), 2);
    // Blacksmith: one more start strength, and so total strength.
    CArmy s = add(5, 2, false, false, false, true, false);
    EXPECT_EQ(s.StartStrength(), 6);
    EXPECT_EQ(s.TotalStrength(), 6);
    // Blessed, diseased and poisoned: ends neither diseased nor poisoned, strength + 1.
    CArmy b = add(5, 2, true, true, true, false, false, "field", 2);
    EXPECT_FALSE(b.Diseased());
    EXPECT_FALSE(b.Poisoned());
    EXPECT_TRUE(b.Blessed());
    EXPECT_EQ(b.Hits(), 2);
    EXPECT_EQ(b.TotalStrength(), 8);
    EXPECT_EQ(add(14, 2, true, false, false, false, false).TotalStrength(), 14);
    // Poisoned: one strength less, never below 1.
    EXPECT_EQ(add(5, 2, false, false, true, false, false).TotalStrength(), 4);
    EXPECT_EQ(add(1, 2, false, false, true, false, false).TotalStrength(), 1);
    // Strength 14 with a matching bonus of 2 stays at 14.
    EXPECT_EQ(add(14, 2, false, false, false, false, false, "field", 2).TotalStrength(), 14);
    // A start strength above 14 is kept as start strength but fights at 14.
    CArmy big = add(40, 2, false, false, false, false, false);
    EXPECT_EQ(big.StartStrength(), 40);
    EXPECT_EQ(big.TotalStrength(), 14);
}

TEST_F(AddTest, TerrainBonusNeedsTheExactWord) {
    host.AddArmyRow({"X"});
    host.terrain = "woods";
    auto total = [&](const std::string& cb) {
        host.att.Clear();
        return host.att
            .Add("X", 0, 4, 2, 1, cb, 3, 0, 0, false, false, false, 0, false, false, false, false,
                 "")
            ->TotalStrength();
    };
    EXPECT_EQ(total("woods"), 7);
    EXPECT_EQ(total("Woods"), 4);
    EXPECT_EQ(total("woods "), 4);
    EXPECT_EQ(total(""), 4);
}

TEST_F(AddTest, PowerCodesFillTheirFieldsAndNothingElse) {
    host.AddArmyRow({"X"});
    struct Case {
        Long code;
        Long (CArmy::*field)() const;
    };
    const Case cases[] = {{2, &CArmy::Chaos},    {3, &CArmy::Morale},     {4, &CArmy::Fear},
                          {5, &CArmy::Siege},    {6, &CArmy::Fortify},    {26, &CArmy::Poison},
                          {27, &CArmy::Disease}, {28, &CArmy::Assass},    {30, &CArmy::Missle},
                          {32, &CArmy::Trample}, {33, &CArmy::Curse},     {37, &CArmy::Banding},
                          {38, &CArmy::Acid},    {39, &CArmy::Lightning}, {41, &CArmy::Warding}};
    for (const Case& c : cases) {
        host.att.Clear();
        CArmy* a = host.att.Add("X", 0, 4, 2, 1, "", 0, c.code, 7, false, false, false, 0, false,
                                false, false, false, "");
        int set = 0;
        for (const Case& other : cases) set += ((*a).*other.field)() != 0;
        EXPECT_EQ(((*a).*c.field)(), 7) << "code " << c.code;
        EXPECT_EQ(set, 1) << "code " << c.code;
        EXPECT_EQ(a->Leadership(), 0);
    }
    // Leadership (1) and an unlisted code (29) set nothing.
    for (Long code : {1, 29, 0, 57}) {
        host.att.Clear();
        CArmy* a = host.att.Add("X", 0, 4, 2, 1, "", 0, code, 3, false, false, false, 0, false,
                                false, false, false, "");
        EXPECT_EQ(a->Leadership(), 0);
        int set = 0;
        for (const Case& other : cases) set += ((*a).*other.field)() != 0;
        EXPECT_EQ(set, 0) << "code " << code;
    }
}

TEST_F(AddTest, HeroesOpenTheDialogAndKeepItsValues) {
    host.AddArmyRow({"Grunts"});
    const Long hero = host.AddHeroRow({"Sir Test", 6, 3, "field", 1});
    host.heroDialog = [](CArmy& h) {
        EXPECT_EQ(h.StartStrength(), 6);  // the dialog sees the game data
        EXPECT_TRUE(h.IsHero());
        h.SetStartStrength(9);
        h.SetLeadership(2);
        h.SetTrample(0);
        h.SetCurse(4);
    };
    HealthMarks marks;
    marks.blacksmith = true;
    CArmy* h = host.Attack(hero, 0, marks);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(host.heroDialogs.size(), 1u);
    EXPECT_EQ(host.heroDialogs[0], "Sir Test");
    EXPECT_TRUE(h->IsHero());
    EXPECT_EQ(h->UnitID(), hero);
    EXPECT_EQ(h->Leadership(), 2);  // power code 1 is not interpreted for a hero
    EXPECT_EQ(h->Curse(), 4);
    EXPECT_EQ(h->StartStrength(), 10);  // special birth after the dialog
    EXPECT_EQ(h->TotalStrength(), 11);  // field bonus 1
    EXPECT_EQ(h->Turns(), 0);
    // A regular army does not open the dialog.
    host.Attack(0, 1);
    EXPECT_EQ(host.heroDialogs.size(), 1u);
    EXPECT_FALSE(host.att.Item("SN1").IsHero());
}

TEST_F(AddTest, ListEntriesFollowTheDataArrays) {
    const Long orc =
        host.AddArmyRow({"Orc", 4, 2, 3, "hills", 1, 2, 1, "hills", "Orc", "  UnDead "});
    host.AddHeroRow({"Hero"});
    HealthMarks marks;
    marks.medals = 3;
    marks.poisoned = true;
    CArmy* a = host.Defend(orc, 5, marks);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(&host.def.Item("SN5"), a);
    EXPECT_EQ(a->Turns(), 3);
    EXPECT_EQ(a->Chaos(), 1);
    EXPECT_EQ(a->HasMedal(), 3);
    EXPECT_TRUE(a->IsUndead());  // second type word, trimmed, any case
    EXPECT_EQ(a->TotalStrength(), 3);
    // "None" takes the slot but makes no army.
    EXPECT_EQ(host.Defend(host.NoneId(), 6), nullptr);
    EXPECT_EQ(host.def.Count(), 1);
}

}  // namespace
}  // namespace b3::engine::test
