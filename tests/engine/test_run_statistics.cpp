// What a run keeps of its battles against the per-battle table of the same seeded run: the same
// wins, sums, loss bins and last turns per bin, on one thread and split over several, whether
// whole duels are drawn or every exchange is rolled.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/battle_calc.h"
#include "engine/run_statistics.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

// Two mixed stacks against ten defenders in a castle, with medals, missiles, poison and trample.
void MixedBattle(TestHost& host) {
    host.terrain = "city";
    const Long pikes = host.AddArmyRow({"Pikes", 3, 2, 1, "city", 1, 37, 2});
    const Long knight = host.AddArmyRow({"Knight", 6, 2, 3, "", 0, 32, 1});
    const Long archer = host.AddArmyRow({"Archer", 3, 1, 2, "", 0, 30, 3});
    const Long wyrm = host.AddArmyRow({"Wyrm", 6, 3, 4, "", 0, 38, 6});
    const Long spider = host.AddArmyRow({"Spider", 3, 1, 2, "", 0, 26, 5});
    const Long dwarf = host.AddArmyRow({"Dwarf", 5, 3, 3, "", 0, 6, 2});
    HealthMarks medal;
    medal.medals = 2;
    const Long attack[] = {pikes, knight, archer, wyrm, spider, knight, pikes, archer, wyrm, dwarf};
    for (int i = 0; i < 10; ++i) host.Attack(attack[i], i, i % 3 == 0 ? medal : HealthMarks{});
    const Long defend[] = {dwarf, dwarf, spider, pikes, archer, knight, dwarf, spider, pikes, wyrm};
    for (int i = 0; i < 10; ++i) host.Defend(defend[i], i);
}

// The figures as read from a table of rows, battle by battle.
struct TableFigures {
    std::int64_t sums[5] = {};
    std::int64_t squares[4] = {};
    RunStatistics::LossBins lost[2] = {};
    RunStatistics::LossBins given[2][2] = {};  // [outcome][side]
};

TableFigures FromTable(const std::vector<MBattleCalc::ResultsRow>& rows) {
    TableFigures f;
    for (const auto& row : rows) {
        for (int c = 0; c < 5; ++c) f.sums[c] += row[static_cast<std::size_t>(c)];
        for (int c = 1; c < 5; ++c)
            f.squares[c - 1] +=
                std::int64_t{row[static_cast<std::size_t>(c)]} * row[static_cast<std::size_t>(c)];
        for (std::size_t side = 0; side < 2; ++side) {
            const auto k = static_cast<std::size_t>(row[1 + 2 * side]);
            for (auto* bin : {&f.lost[side][k], &f.given[row[0]][side][k]}) {
                ++bin->battles;
                bin->lastTurns = row[2 + 2 * side];
            }
        }
    }
    return f;
}

class StreamingStatistics : public ::testing::TestWithParam<std::tuple<bool, int>> {};

TEST_P(StreamingStatistics, AgreeWithThePerBattleTable) {
    const auto [rolled, threads] = GetParam();
    const Long n = rolled ? 3001 : 20001;
    TestHost host;
    MixedBattle(host);

    TableCalc table(host);
    table.SetSimulation(rolled ? Simulation::Rolled : Simulation::Duel);
    table.SetThreads(threads);
    table.SetSeed(4242);
    ASSERT_TRUE(table.RunBattles(n, 20, false, 2));
    ASSERT_EQ(table.Results().size(), static_cast<std::size_t>(n));
    const std::string win = host.winText;
    const auto averages = host.averages;

    const TableFigures f = FromTable(table.Results());
    const RunStatistics& s = table.Statistics();
    EXPECT_EQ(s.Battles(), n);
    for (int c = 1; c <= 5; ++c) EXPECT_EQ(s.Sum(c), f.sums[c - 1]) << "column " << c;
    for (int c = 2; c <= 5; ++c) EXPECT_EQ(s.SumOfSquares(c), f.squares[c - 2]) << "column " << c;
    for (int side = 0; side < 2; ++side) {
        EXPECT_EQ(s.Lost(side), f.lost[side]) << "side " << side;
        for (int o = 0; o < 2; ++o)
            EXPECT_EQ(s.LostGiven(o, side), f.given[o][side])
                << "side " << side << " outcome " << o;
    }
    // Some bins were met more than once with different turns, so "the last" is tested.
    int binsMet = 0;
    for (const auto& bin : s.Lost(0)) binsMet += bin.battles > 0;
    EXPECT_GT(binsMet, 3);
    // The figures shown are the table's: sums over N in double, then single precision.
    EXPECT_DOUBLE_EQ(table.WinPercent(n), static_cast<double>(f.sums[0]) / n * 100.0);
    for (int c = 2; c <= 5; ++c)
        EXPECT_EQ(table.Average(n, c), static_cast<float>(static_cast<double>(f.sums[c - 1]) / n));

    // Without the table the same seeded run keeps the same statistics and shows the same texts.
    MBattleCalc plain(host);
    plain.SetSimulation(rolled ? Simulation::Rolled : Simulation::Duel);
    plain.SetThreads(threads);
    plain.SetSeed(4242);
    ASSERT_TRUE(plain.RunBattles(n, 20, false, 2));
    EXPECT_TRUE(plain.Results().empty());
    EXPECT_EQ(plain.Statistics(), s);
    EXPECT_EQ(host.winText, win);
    EXPECT_EQ(host.averages, averages);
}

INSTANTIATE_TEST_SUITE_P(Runs, StreamingStatistics,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(1, 3)),
                         [](const auto& instance) {
                             return std::string(std::get<0>(instance.param) ? "Rolled" : "Duel") +
                                    "_" + std::to_string(std::get<1>(instance.param)) + "Threads";
                         });

TEST(RunStatistics, MergingLaterBattlesKeepsTheirLastTurns) {
    const std::vector<BattleRow> rows = {
        {1, 0, 0, 2, 6}, {0, 3, 9, 1, 2}, {1, 0, 0, 2, 7}, {0, 3, 8, 0, 0}, {1, 1, 4, 2, 5}};
    RunStatistics all, first, later;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        all.Book(rows[i]);
        (i < 3 ? first : later).Book(rows[i]);
    }
    RunStatistics merged = first;
    merged.Merge(later);
    EXPECT_EQ(merged, all);
    EXPECT_EQ(all.Lost(0)[3].battles, 2);
    EXPECT_EQ(all.Lost(0)[3].lastTurns, 8);
    EXPECT_EQ(all.Lost(1)[2].lastTurns, 5);  // a later block's bin replaces the earlier one's
    EXPECT_EQ(all.Sum(1), 3);
    EXPECT_EQ(all.Sum(3), 21);
    // A count that no battle can have is summed but not binned.
    RunStatistics odd;
    odd.Book({0, 33, 1, -1, 0});
    for (const auto& bin : odd.Lost(0)) EXPECT_EQ(bin.battles, 0);
    EXPECT_EQ(odd.Sum(2), 33);
}

TEST(RunStatistics, AnAbortedRunKeepsTheBattlesFoughtSoFar) {
    TestHost host;
    MixedBattle(host);
    MBattleCalc calc(host);
    calc.SetSeed(3);
    host.onProgress = [&](Long percent) {
        if (percent == 3) calc.RequestAbort();
    };
    EXPECT_FALSE(calc.RunBattles(1000, 20, false, 0));
    EXPECT_EQ(calc.Statistics().Battles(), 30);
    std::int64_t binned = 0;
    for (const auto& bin : calc.Statistics().Lost(1)) binned += bin.battles;
    EXPECT_EQ(binned, 30);
}

}  // namespace
}  // namespace b3::engine::test
