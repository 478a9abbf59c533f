// What it takes to win: the cheapest additions on crafted armies whose answers are known, the
// single additions checked against computing every one, and the cases with nothing to suggest.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/battle_calc.h"
#include "engine/exact_odds.h"
#include "engine/suggest.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

class SuggestTest : public ::testing::Test {
protected:
    // A weak attacker against one defender of strength 5 and one hit; the candidates differ in
    // strength and cost.
    void SetUp() override {
        weak = host.AddArmyRow({"Weak", 2, 1, 1});
        defender = host.AddArmyRow({"Guard", 5, 1, 4});
        cheap = host.AddArmyRow({"Cheap", 3, 1, 1});
        middle = host.AddArmyRow({"Middle", 9, 1, 2});
        dear = host.AddArmyRow({"Dear", 12, 1, 6});
        host.Attack(weak, 0);
        host.Defend(defender, 0);
    }
    double WinWith(const std::vector<Long>& added) {
        for (std::size_t i = 0; i < added.size(); ++i)
            host.Attack(added[i], 1 + static_cast<Long>(i));
        const double p = CalculateExactOdds(host, 20, 0).attackerWinProbability;
        for (std::size_t i = 0; i < added.size(); ++i)
            host.att.Remove("SN" + std::to_string(1 + i));
        return p;
    }

    TestHost host;
    Long weak = 0, defender = 0, cheap = 0, middle = 0, dear = 0;
};

TEST_F(SuggestTest, SingleAdditionsAreCompleteAndExact) {
    SuggestOptions o;
    o.target = 0.75;
    o.maxAdd = 1;
    const Suggestion s = Suggest(host, 1, 20, 0, o);
    EXPECT_NEAR(s.current, WinWith({}), 1e-15);
    EXPECT_TRUE(s.complete);
    EXPECT_EQ(host.att.Count(), 1);  // the list is left as it was

    // Every army computed one by one: the options are exactly those that reach the target,
    // by cost and then by likelier win.
    std::vector<SuggestedAddition> expected;
    for (Long r = 0; r < host.NumArmies(); ++r) {
        const double p = WinWith({r});
        if (p >= o.target) {
            SuggestedAddition x;
            x.armies = {r};
            x.turns = static_cast<Long>(host.Armies().at(static_cast<std::size_t>(r), 8).number());
            x.winProbability = p;
            expected.push_back(x);
        }
    }
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
        return a.turns != b.turns ? a.turns < b.turns : a.winProbability > b.winProbability;
    });
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(s.options.size(), std::min<std::size_t>(expected.size(), 5));
    for (std::size_t i = 0; i < s.options.size(); ++i) {
        EXPECT_EQ(s.options[i].armies, expected[i].armies) << i;
        EXPECT_EQ(s.options[i].turns, expected[i].turns) << i;
        EXPECT_DOUBLE_EQ(s.options[i].winProbability, expected[i].winProbability) << i;
        EXPECT_GE(s.options[i].winProbability, o.target);
    }
    // The cheapest one is the middle army (2 turns), not the cheap one, which falls short.
    EXPECT_EQ(s.options[0].add, std::vector<std::string>{"Middle"});
}

TEST_F(SuggestTest, GroupsAreRankedAndHoldTheirClaims) {
    // Groups of two compete with single armies: two "Cheap" (2 turns) against one "Middle"
    // (2 turns). Every option is cheapest first, the likelier win first at equal cost, and
    // computing its battle again gives its chance.
    SuggestOptions o;
    o.target = 0.6;
    o.maxAdd = 2;
    const Suggestion s = Suggest(host, 1, 20, 0, o);
    ASSERT_FALSE(s.options.empty());
    for (std::size_t i = 1; i < s.options.size(); ++i) {
        EXPECT_LE(s.options[i - 1].turns, s.options[i].turns);
        if (s.options[i - 1].turns == s.options[i].turns) {
            EXPECT_GE(s.options[i - 1].winProbability, s.options[i].winProbability);
        }
    }
    for (const auto& opt : s.options) {
        EXPECT_NEAR(opt.winProbability, WinWith(opt.armies), 1e-15);
        EXPECT_GE(opt.winProbability, o.target);
    }
    const bool twoCheap = std::any_of(s.options.begin(), s.options.end(), [&](const auto& x) {
        return x.armies == std::vector<Long>{cheap, cheap};
    });
    EXPECT_EQ(twoCheap, WinWith({cheap, cheap}) >= o.target);
    EXPECT_EQ(host.att.Count(), 1);
}

TEST_F(SuggestTest, AlreadyReachedAndOutOfReach) {
    SuggestOptions easy;
    easy.target = 0.05;
    const Suggestion reached = Suggest(host, 1, 20, 0, easy);
    EXPECT_TRUE(reached.Reached());
    EXPECT_TRUE(reached.options.empty());

    // A target no single addition reaches: no option, and the best found is the strongest army.
    SuggestOptions hard;
    hard.target = 0.999999;
    hard.maxAdd = 1;
    const Suggestion none = Suggest(host, 1, 20, 0, hard);
    EXPECT_FALSE(none.Reached());
    EXPECT_TRUE(none.options.empty());
    EXPECT_EQ(none.best.armies, std::vector<Long>{dear});
    EXPECT_NEAR(none.best.winProbability, WinWith({dear}), 1e-15);
}

TEST_F(SuggestTest, RefusesWhatCannotBeSearched) {
    SuggestOptions o;
    o.target = 1.5;
    EXPECT_THROW(Suggest(host, 1, 20, 0, o), std::invalid_argument);
    o.target = 0.9;
    EXPECT_THROW(Suggest(host, 32, 20, 0, o), std::invalid_argument);  // no room left
    EXPECT_THROW(Suggest(host, 1, 10, 0, o), RunRefused);              // dice below 15
    // A search stopped at once says so.
    o.timeLimit = 0;
    o.maxAdd = 2;
    EXPECT_FALSE(Suggest(host, 1, 20, 0, o, [] { return true; }).complete);
    EXPECT_EQ(host.att.Count(), 1);
}

}  // namespace
}  // namespace b3::engine::test
