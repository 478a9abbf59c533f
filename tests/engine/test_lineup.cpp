// The line-up of a run's battles: each army as it enters its first duel in every combination of
// the set-up strikes that need a draw, and what each pair of armies' duel needs before its melee.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/duel_states.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

TEST(Lineup, EachArmyEntersInEveryCombinationOfItsDrawnStrikes) {
    TestHost host;
    const Long weak = host.AddArmyRow({"Weak", 1, 2, 1, "", 0, 3, 1});  // morale 1: bonus +1
    const Long plain = host.AddArmyRow({"Plain", 6, 3, 1});
    const Long spider = host.AddArmyRow({"Spider", 3, 1, 1, "", 0, 26, 5});  // limit 20: drawn
    const Long ghoul = host.AddArmyRow({"Ghoul", 4, 2, 1, "", 0, 27, 25});   // limit 100: certain
    host.Attack(plain, 0);
    host.Attack(weak, 1);
    host.Attack(plain, 8);  // a second stack
    host.Defend(spider, 0);
    host.Defend(ghoul, 1);
    const Lineup line = BuildLineup(host, 20, 0);
    ASSERT_EQ(line.attackers.size(), 3u);
    ASSERT_EQ(line.defenders.size(), 2u);

    // The weak army fights first. Poison needs a draw, disease does not; both come before the
    // stack bonus, so poison cannot take the weak army below 1 before the bonus lifts it to 2.
    const Fighter& first = line.attackers[0];
    EXPECT_EQ(first.army.Name(), "Weak");
    EXPECT_EQ(first.drawnStrikes, std::vector<std::int64_t>{20});
    ASSERT_EQ(first.entering.size(), 2u);
    for (const CArmy& a : first.entering) {
        EXPECT_EQ(a.TotalStrength(), 2);
        EXPECT_TRUE(a.Diseased());
        EXPECT_EQ(a.Hits(), 1);
    }
    EXPECT_FALSE(first.entering[0].Poisoned());
    EXPECT_TRUE(first.entering[1].Poisoned());
    const Fighter& second = line.attackers[1];
    ASSERT_EQ(second.entering.size(), 2u);
    EXPECT_EQ(second.entering[0].TotalStrength(), 7);
    EXPECT_EQ(second.entering[1].TotalStrength(), 6);
    EXPECT_EQ(second.entering[1].Hits(), 2);

    // A later stack enters as it stands, and nothing strikes the defenders (they keep their hits
    // as the ones to return to).
    const Fighter& later = line.attackers[2];
    EXPECT_TRUE(later.drawnStrikes.empty());
    ASSERT_EQ(later.entering.size(), 1u);
    EXPECT_EQ(later.entering[0].TotalStrength(), 6);
    EXPECT_EQ(later.entering[0].Hits(), 3);
    EXPECT_FALSE(later.entering[0].Diseased());
    for (const Fighter& f : line.defenders) {
        ASSERT_EQ(f.entering.size(), 1u);
        EXPECT_EQ(f.entering[0].StartHits(), f.entering[0].Hits());
    }
    EXPECT_EQ(line.defenders[0].entering[0].Hits(), 2);
}

TEST(Lineup, PairsKnowTheirAbilitiesAndWhatAPointCosts) {
    TestHost host;
    const Long knight = host.AddArmyRow({"Knight", 10, 1, 1, "", 0, 32, 2});  // trample 2
    const Long archer = host.AddArmyRow({"Archer", 3, 1, 1, "", 0, 30, 3});   // missile 3
    const Long walker = host.AddArmyRow({"Walker", 5, 4, 1});
    const Long bird = host.AddArmyRow({"Bird", 5, 2, 1, "", 0, 0, 0, "fly"});
    host.Attack(knight, 0);
    host.Attack(archer, 1);
    host.Defend(walker, 0);
    host.Defend(bird, 1);
    const Lineup line = BuildLineup(host, 20, 0);
    // Attackers: the archer, then the knight; defenders: the bird, then the walker.
    EXPECT_TRUE(line.Pair(0, 0).openings);
    EXPECT_TRUE(line.Pair(0, 1).openings);
    EXPECT_FALSE(line.Pair(1, 0).openings);
    EXPECT_FALSE(line.Pair(1, 1).openings);
    EXPECT_EQ(line.Pair(1, 0).toD, 1);  // the bird flies
    EXPECT_EQ(line.Pair(1, 1).toD, 3);
    EXPECT_EQ(line.Pair(1, 1).toA, 1);
    EXPECT_EQ(line.Pair(0, 1).toD, 1);
}

}  // namespace
}  // namespace b3::engine::test
