// The simulation run: refusals, progress steps, abort between battles, the results table and
// the quick-result texts, the statistics of the first battle, threads and seeds.
#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/battle_calc.h"
#include "engine/number_format.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

TEST(NumberFormat, GeneralFormats) {
    EXPECT_EQ(FormatGeneral(2.0 / 3.0 * 100.0), "66.6666666666667");
    EXPECT_EQ(FormatGeneral(100.0 / 3.0), "33.3333333333333");
    EXPECT_EQ(FormatGeneral(57.3), "57.3");
    EXPECT_EQ(FormatGeneral(100), "100");
    EXPECT_EQ(FormatGeneral(0), "0");
    EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00001), "1E-05");
    EXPECT_EQ(FormatGeneral(1e15), "1E+15");
    EXPECT_EQ(FormatGeneral(123456789012345.0), "123456789012345");
    EXPECT_EQ(FormatGeneral(100.0 / 2147483647.0), "4.6566128752458E-08");
    EXPECT_EQ(FormatGeneralSingle(1.234f), "1.234");
    EXPECT_EQ(FormatGeneralSingle(0.0f), "0");
    EXPECT_EQ(FormatGeneralSingle(static_cast<float>(1.0 / 3.0)), "0.3333333");
    EXPECT_EQ(FormatGeneralSingle(static_cast<float>(10.0 / 3.0)), "3.333333");
    EXPECT_EQ(FormatGeneralSingle(6.25f), "6.25");
    EXPECT_EQ(FormatGeneralSingle(12345678.0f), "1.234568E+07");
}

class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        soldier = host.AddArmyRow({"Soldier", 10, 1, 3});
        guard = host.AddArmyRow({"Guard", 10, 1, 5});
    }
    void OneAgainstOne() {
        host.Attack(soldier, 0);
        host.Defend(guard, 0);
    }

    TestHost host;
    TableCalc calc{host};
    Long soldier = 0, guard = 0;
};

TEST_F(RunTest, RefusesRunsWithoutADefinedEnd) {
    OneAgainstOne();
    calc.SetSeed(1);
    ASSERT_TRUE(calc.RunBattles(10, 20, false, 0));
    const std::string win = host.winText;
    const auto results = calc.Results();
    auto refused = [&](Long n, Long dice, const std::string& part) {
        try {
            calc.RunBattles(n, dice, false, 0);
            ADD_FAILURE() << "not refused: " << part;
        } catch (const RunRefused& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
    };
    refused(10, 14, "at least 15");
    refused(0, 20, "at least 1");
    refused(-5, 20, "at least 1");
    host.att.Clear();
    host.Attack(soldier, 8);  // only the second stack holds an army
    refused(10, 20, "attacking side");
    host.att.Clear();
    host.Attack(soldier, 7);
    host.def.Clear();
    refused(10, 20, "defending side");
    // Nothing of the previous run changed.
    EXPECT_EQ(host.winText, win);
    EXPECT_EQ(calc.Results(), results);
    // Dice of 15 are accepted.
    host.Defend(guard, 0);
    EXPECT_TRUE(calc.RunBattles(10, 15, false, 0));
}

TEST_F(RunTest, ScriptedBattlesGiveTheTableAndTheTexts) {
    OneAgainstOne();
    calc.SetSimulation(Simulation::Rolled);
    // Battle 1 and 3 won by the attacker, battle 2 by the defender.
    calc.Random().Script(
        {Die(1, 20), Die(20, 20), Die(20, 20), Die(1, 20), Die(1, 20), Die(20, 20)});
    ASSERT_TRUE(calc.RunBattles(3, 20, false, 0));
    EXPECT_EQ(calc.Random().ScriptLeft(), 0u);
    const std::vector<MBattleCalc::ResultsRow> expected = {
        {1, 0, 0, 1, 5}, {0, 1, 3, 0, 0}, {1, 0, 0, 1, 5}};
    EXPECT_EQ(calc.Results(), expected);
    EXPECT_EQ(host.winText, "66.6666666666667%");
    EXPECT_EQ(host.averages[2], "0.3333333");
    EXPECT_EQ(host.averages[3], "1");
    EXPECT_EQ(host.averages[4], "0.6666667");
    EXPECT_EQ(host.averages[5], "3.333333");
    EXPECT_EQ(host.log.front(), "busy");
    EXPECT_EQ(host.log.back(), "idle");
}

TEST_F(RunTest, AnAverageOfNothingShowsZero) {
    // The attacker's assassin (limit 100) always kills first: no attacker is ever lost.
    const Long killer = host.AddArmyRow({"Killer", 3, 1, 2, "", 0, 28, 10});
    host.Attack(killer, 0);
    host.Defend(guard, 0);
    calc.SetSeed(5);
    ASSERT_TRUE(calc.RunBattles(40, 20, false, 0));
    EXPECT_EQ(host.winText, "100%");
    EXPECT_EQ(host.averages[2], "0");
    EXPECT_EQ(host.averages[3], "0");
    EXPECT_EQ(host.averages[4], "1");
    EXPECT_EQ(host.averages[5], "5");
}

TEST_F(RunTest, ProgressSteps) {
    OneAgainstOne();
    calc.SetSeed(2);
    ASSERT_TRUE(calc.RunBattles(50, 20, false, 0));
    ASSERT_EQ(host.progress.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(host.progress[static_cast<std::size_t>(i)], 2 * (i + 1));
    EXPECT_EQ(host.status.back(), "100% Completed");
    EXPECT_EQ(host.status.front(), "2% Completed");
    EXPECT_EQ(host.pumps, 100);

    host.progress.clear();
    host.status.clear();
    ASSERT_TRUE(calc.RunBattles(1000, 20, false, 0));
    ASSERT_EQ(host.progress.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(host.progress[static_cast<std::size_t>(i)], i + 1);  // battles 10, 20, ...
    EXPECT_EQ(host.status[44], "45% Completed");

    // 120 battles: step 1; 3/120 is 2.5% and 9/120 7.5%: halves go to the even neighbour.
    host.progress.clear();
    ASSERT_TRUE(calc.RunBattles(120, 20, false, 0));
    ASSERT_EQ(host.progress.size(), 120u);
    EXPECT_EQ(host.progress[2], 2);
    EXPECT_EQ(host.progress[8], 8);
    EXPECT_EQ(host.progress[14], 12);
    EXPECT_EQ(host.progress[0], 1);  // 0.83 rounds to 1

    // 19999 battles: step 199, at most 100 updates and never 199 or more.
    host.progress.clear();
    ASSERT_TRUE(calc.RunBattles(19999, 20, false, 0));
    EXPECT_EQ(host.progress.size(), 100u);
}

TEST_F(RunTest, AbortStopsBeforeTheNextBattle) {
    OneAgainstOne();
    calc.SetSeed(3);
    host.onProgress = [&](Long percent) {
        if (percent == 3) calc.RequestAbort();
    };
    EXPECT_FALSE(calc.RunBattles(1000, 20, false, 0));
    EXPECT_EQ(host.winText, "(none)");  // no results displayed
    EXPECT_EQ(host.log.back(), "idle");
    ASSERT_EQ(calc.Results().size(), 1000u);
    for (Long i = 1; i <= 30; ++i)
        EXPECT_EQ(calc.Result(i, 2) + calc.Result(i, 4), 1) << "battle " << i << " was fought";
    for (Long i = 31; i <= 1000; ++i)
        for (int c = 1; c <= 5; ++c) ASSERT_EQ(calc.Result(i, c), 0) << "battle " << i;
    // The flag was cleared: the next run goes through.
    host.onProgress = nullptr;
    EXPECT_TRUE(calc.RunBattles(100, 20, false, 0));
    EXPECT_NE(host.winText, "(none)");
}

// An abort asked for when no battle is left to look at it (after a run's last look) belongs to
// that run: the next run goes through.
TEST_F(RunTest, AnAbortLeftOverFromAnEarlierRunDoesNotStopTheNext) {
    OneAgainstOne();
    calc.SetSeed(5);
    calc.RequestAbort();
    EXPECT_TRUE(calc.RunBattles(100, 20, false, 0));
    EXPECT_EQ(calc.Statistics().Battles(), 100);
}

TEST_F(RunTest, AbortDuringAThreadedRun) {
    OneAgainstOne();
    calc.SetSeed(3);
    calc.SetThreads(2);
    host.onProgress = [&](Long percent) {
        if (percent == 1) calc.RequestAbort();
    };
    EXPECT_FALSE(calc.RunBattles(200000, 20, false, 0));
    EXPECT_EQ(host.winText, "(none)");
    Long fought = 0;
    for (const auto& row : calc.Results()) fought += row[1] + row[3];
    EXPECT_LT(fought, 200000);
}

TEST_F(RunTest, StatisticsOfTheFirstBattleAfterSetUp) {
    const Long pikes = host.AddArmyRow({"Pikes", 3, 2, 1, "city", 1, 37, 2});
    const Long captain = host.AddArmyRow({"Captain", 5, 2, 2, "", 0, 3, 2});
    host.terrain = "city";
    host.Attack(soldier, 0);
    HealthMarks blessed;
    blessed.blessed = true;
    blessed.medals = 2;
    host.Attack(guard, 1, blessed);
    host.Defend(pikes, 0);
    host.Defend(pikes, 1);
    host.Defend(captain, 2);
    calc.SetSeed(4);
    ASSERT_TRUE(calc.RunBattles(30, 20, true, 2));
    ASSERT_EQ(host.stats.size(), 1u);
    const StackStatistics& s = host.stats[0];
    ASSERT_EQ(s.rows[0].size(), 2u);
    ASSERT_EQ(s.rows[1].size(), 3u);
    // Defender: a castle (level 2) fortifies by 2, the captain's morale 2: bonus 4. Each pikes army
    // bands with the other (+1) and has the city bonus (+1): 3 + 1 + 1 + 4 = 9.
    EXPECT_EQ(s.stackBonus[1], 4);
    EXPECT_EQ(s.raw[1][0], 0);
    EXPECT_EQ(s.raw[1][1], 2);
    EXPECT_EQ(s.raw[1][2], 2);
    EXPECT_EQ(s.adjusted[1][1], 2);
    EXPECT_EQ(s.adjusted[1][2], 2);
    const std::array<std::string, 12> pikesRow = {"Pikes",   "3", "9",     "2",     "city",  "1",
                                                  "Power37", "2", "False", "False", "False", "0"};
    EXPECT_EQ(s.rows[1][0], pikesRow);
    EXPECT_EQ(s.rows[1][2][2], "9");  // captain 5 + 4
    EXPECT_EQ(s.stackBonus[0], 0);
    EXPECT_EQ(s.rows[0][1][2], "11");  // guard 10 + blessed 1
    EXPECT_EQ(s.rows[0][1][8], "True");
    EXPECT_EQ(s.rows[0][1][11], "2");

    // Without the option nothing is shown.
    host.stats.clear();
    ASSERT_TRUE(calc.RunBattles(30, 20, false, 2));
    EXPECT_TRUE(host.stats.empty());
}

class ThrowingNamesHost : public TestHost {
public:
    std::string PowerTypeName(Long) const override { throw std::runtime_error("no name"); }
};

// Ten battles of one army against its like, with the statistics asked for.
void RunWithStatistics(TestHost& host) {
    const Long a = host.AddArmyRow({"A", 5, 1, 1});
    host.Attack(a, 0);
    host.Defend(a, 0);
    TableCalc calc(host);
    calc.SetSeed(9);
    EXPECT_TRUE(calc.RunBattles(10, 20, true, 0));
}

TEST(RunErrors, AFailingPowerNameIsReportedAndTheRunGoesOn) {
    ThrowingNamesHost host;
    RunWithStatistics(host);
    EXPECT_TRUE(host.stats.empty());
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0], "MBattleCalc::ShowStats: 5 no name");
    EXPECT_NE(host.winText, "(none)");
}

class ServerNamesHost : public TestHost {
public:
    std::string PowerTypeName(Long) const override {
        throw b3::Error(b3::kErrNoName, "CEditObject::ConvertPowerTypeToName",
                        "Error converting power type to name.");
    }
};

TEST(RunErrors, TheReportCarriesTheServersOwnNumber) {
    ServerNamesHost host;
    RunWithStatistics(host);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0],
              "MBattleCalc::ShowStats: -2147219986 Error converting power type to name.");
}

TEST_F(RunTest, SeedsAndThreadsAreReproducible) {
    for (int slot = 0; slot < 8; ++slot) host.Attack(slot % 2 ? soldier : guard, slot);
    for (int slot = 0; slot < 8; ++slot) host.Defend(slot % 2 ? guard : soldier, slot);
    auto run = [&](std::uint64_t seed, int threads) {
        calc.SetSeed(seed);
        calc.SetThreads(threads);
        EXPECT_TRUE(calc.RunBattles(3001, 20, false, 0));
        return calc.Results();
    };
    const auto a = run(11, 1);
    EXPECT_EQ(run(11, 1), a);
    EXPECT_NE(run(12, 1), a);
    const auto t = run(11, 3);
    EXPECT_EQ(run(11, 3), t);
    EXPECT_NE(t, a);                                          // another split gives other streams
    for (const auto& row : t) EXPECT_GE(row[1] + row[3], 8);  // every battle was fought
    // Progress of a threaded run still reaches 100%.
    EXPECT_EQ(host.progress.back(), 100);
}

}  // namespace
}  // namespace b3::engine::test
