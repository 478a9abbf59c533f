// Both levels of simulation against the exact odds, and against each other, over the battle
// corpus. Each level fights its battles with its own draws and never reads the exact odds, so a
// fault in the exact sums, in a simulation's set-up or fight, or in the way a level draws a duel
// shows as a disagreement: a chi-square test over the cells of (outcome, armies lost) and z-tests
// of the five averages. Seeds are fixed, so the suite is deterministic; the levels are chosen so
// that a true engine passes with a wide margin (a chance of about 1 in 10,000 per test that a true
// engine would fail on some seed) while a rule changed by a little fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "battle_corpus.h"
#include "engine/battle_calc.h"
#include "engine/exact_odds.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

// The normal quantile for a two-sided level of about 1 in 10,000 (z-tests), and the one-sided
// quantile at the same level for the chi-square bound.
constexpr double kZ = 3.9;
constexpr double kChiZ = 3.72;

// The chi-square value that `df` degrees of freedom exceed with the chosen small chance
// (Wilson and Hilferty's cube-root approximation).
double ChiSquareBound(int df) {
    const double k = df;
    const double t = 1.0 - 2.0 / (9.0 * k) + kChiZ * std::sqrt(2.0 / (9.0 * k));
    return k * t * t * t;
}

// The outcome cells of a battle with A attackers and D defenders: the attacker wins with ka < A
// attackers lost (every defender is gone), or the defender wins with kd < D defenders lost.
struct Cells {
    std::vector<double> counts;  // ka = 0..A-1, then kd = 0..D-1
};

Cells SimulatedCells(const RunStatistics& stats, Long attackers, Long defenders) {
    Cells c;
    for (std::size_t ka = 0; ka < static_cast<std::size_t>(attackers); ++ka)
        c.counts.push_back(static_cast<double>(stats.LostGiven(1, 0)[ka].battles));
    for (std::size_t kd = 0; kd < static_cast<std::size_t>(defenders); ++kd)
        c.counts.push_back(static_cast<double>(stats.LostGiven(0, 1)[kd].battles));
    return c;
}

std::vector<double> ExactCells(const ExactOdds& odds) {
    std::vector<double> p;
    const auto attackers = static_cast<std::size_t>(odds.attackers);
    const auto defenders = static_cast<std::size_t>(odds.defenders);
    for (std::size_t ka = 0; ka < attackers; ++ka) p.push_back(odds.joint[1][ka][defenders]);
    for (std::size_t kd = 0; kd < defenders; ++kd) p.push_back(odds.joint[0][attackers][kd]);
    return p;
}

// Cells whose expected count is below 5 are pooled (the smallest first) until the pool reaches
// 5, so that the chi-square approximation holds; returns the groups as lists of cell indices.
std::vector<std::vector<std::size_t>> Pool(const std::vector<double>& expected) {
    std::vector<std::size_t> order(expected.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t x, std::size_t y) { return expected[x] < expected[y]; });
    std::vector<std::vector<std::size_t>> groups;
    std::vector<std::size_t> pool;
    double pooled = 0;
    for (std::size_t i : order) {
        if (expected[i] <= 0) continue;
        if (pooled > 0 && pooled < 5) {
            pool.push_back(i);
            pooled += expected[i];
            if (pooled >= 5) {
                groups.push_back(pool);
                pool.clear();
                pooled = 0;
            }
        } else if (expected[i] < 5) {
            pool = {i};
            pooled = expected[i];
        } else {
            groups.push_back({i});
        }
    }
    if (!pool.empty()) {
        if (groups.empty())
            groups.push_back(pool);
        else
            groups.front().insert(groups.front().end(), pool.begin(), pool.end());
    }
    return groups;
}

struct SimulatedRun {
    RunStatistics stats;
    Long attackers = 0;
    Long defenders = 0;
};

SimulatedRun Simulate(const CorpusBattle& battle, Simulation level, Long battles,
                      std::uint64_t seed) {
    TestHost host;
    battle.build(host);
    MBattleCalc calc(host);
    calc.SetSimulation(level);
    calc.SetSeed(seed);
    EXPECT_TRUE(calc.RunBattles(battles, battle.dice, false, battle.cityLevel));
    const ExactOdds shape = CalculateExactOdds(host, battle.dice, battle.cityLevel);
    return {calc.Statistics(), shape.attackers, shape.defenders};
}

// The five figures of a battle (win, armies and turns lost per side) as sums over the run.
std::array<double, 5> Sums(const RunStatistics& s) {
    std::array<double, 5> sums{};
    for (int c = 1; c <= 5; ++c)
        sums[static_cast<std::size_t>(c - 1)] = static_cast<double>(s.Sum(c));
    return sums;
}
std::array<double, 5> SquareSums(const RunStatistics& s) {
    std::array<double, 5> sq{};
    sq[0] = static_cast<double>(s.Sum(1));  // a win counts 1, its square too
    for (int c = 2; c <= 5; ++c)
        sq[static_cast<std::size_t>(c - 1)] = static_cast<double>(s.SumOfSquares(c));
    return sq;
}

constexpr const char* kFigure[] = {"attacker's wins", "attacking armies lost",
                                   "attacking turns lost", "defending armies lost",
                                   "defending turns lost"};

// Battles per run: many at the duel level, which is fast; fewer when every exchange is rolled.
Long BattlesFor(Simulation level) {
    return level == Simulation::Duel ? 200000 : 40000;
}

class AgainstExact : public ::testing::TestWithParam<std::tuple<std::size_t, Simulation>> {};

TEST_P(AgainstExact, Agrees) {
    const auto [index, level] = GetParam();
    const CorpusBattle& battle = BattleCorpus()[index];
    TestHost host;
    battle.build(host);
    const ExactOdds odds = CalculateExactOdds(host, battle.dice, battle.cityLevel);
    const Long n = BattlesFor(level);
    const SimulatedRun run =
        Simulate(battle, level, n, 9001 + index * 31 + static_cast<std::size_t>(level));
    ASSERT_EQ(run.stats.Battles(), n);

    // Chi-square over the outcome cells.
    const std::vector<double> p = ExactCells(odds);
    const Cells observed = SimulatedCells(run.stats, odds.attackers, odds.defenders);
    std::vector<double> expected(p.size());
    for (std::size_t i = 0; i < p.size(); ++i) expected[i] = p[i] * n;
    double seen = std::accumulate(observed.counts.begin(), observed.counts.end(), 0.0);
    EXPECT_EQ(seen, n) << "every battle ends in one of the cells";
    double chi = 0;
    double impossible = 0;  // battles in cells the exact odds rule out
    for (std::size_t i = 0; i < p.size(); ++i)
        if (p[i] <= 0) impossible += observed.counts[i];
    EXPECT_EQ(impossible, 0) << battle.name << ": battles ended where the exact odds say none can";
    const auto groups = Pool(expected);
    for (const auto& g : groups) {
        double o = 0, e = 0;
        for (std::size_t i : g) {
            o += observed.counts[i];
            e += expected[i];
        }
        chi += (o - e) * (o - e) / e;
    }
    const int df = std::max<int>(1, static_cast<int>(groups.size()) - 1);
    EXPECT_LT(chi, ChiSquareBound(df))
        << battle.name << ": chi-square " << chi << " over " << groups.size() << " cells";

    // z-tests of the averages against the exact expectations; the spread follows from the exact
    // distribution.
    double mean[5] = {}, square[5] = {};
    for (std::size_t o = 0; o < 2; ++o) {
        for (std::size_t ka = 0; ka <= static_cast<std::size_t>(odds.attackers); ++ka) {
            for (std::size_t kd = 0; kd <= static_cast<std::size_t>(odds.defenders); ++kd) {
                const double q = odds.joint[o][ka][kd];
                if (q == 0) continue;
                const double x[5] = {double(o), double(ka), double(odds.attackerTurnsLost[ka]),
                                     double(kd), double(odds.defenderTurnsLost[kd])};
                for (int c = 0; c < 5; ++c) {
                    mean[c] += q * x[c];
                    square[c] += q * x[c] * x[c];
                }
            }
        }
    }
    const auto sums = Sums(run.stats);
    for (std::size_t c = 0; c < 5; ++c) {
        const double se = std::sqrt(std::max(square[c] - mean[c] * mean[c], 0.0) / n);
        EXPECT_NEAR(sums[c] / n, mean[c], kZ * se + 1e-12) << battle.name << ", " << kFigure[c];
    }
    EXPECT_NEAR(mean[0], odds.attackerWinProbability, 1e-12);
    EXPECT_NEAR(mean[2], odds.expectedAttackerTurnsLost, 1e-9);
}

std::string Named(std::size_t index, Simulation level) {
    return std::string(BattleCorpus()[index].name) +
           (level == Simulation::Rolled ? "_Rolled" : "_Duel");
}

INSTANTIATE_TEST_SUITE_P(Corpus, AgainstExact,
                         ::testing::Combine(::testing::Range<std::size_t>(0, BattleCorpus().size()),
                                            ::testing::Values(Simulation::Duel,
                                                              Simulation::Rolled)),
                         [](const auto& instance) {
                             return Named(std::get<0>(instance.param), std::get<1>(instance.param));
                         });

// The duel level against the rolled level on the same battle: a chi-square test of homogeneity
// over the outcome cells and z-tests of the differences of the averages.
class DuelAgainstRolled : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DuelAgainstRolled, Agree) {
    const std::size_t index = GetParam();
    const CorpusBattle& battle = BattleCorpus()[index];
    const Long nd = BattlesFor(Simulation::Duel), nr = BattlesFor(Simulation::Rolled);
    const SimulatedRun duel = Simulate(battle, Simulation::Duel, nd, 5003 + index * 7);
    const SimulatedRun rolled = Simulate(battle, Simulation::Rolled, nr, 6007 + index * 7);
    const Cells d = SimulatedCells(duel.stats, duel.attackers, duel.defenders);
    const Cells r = SimulatedCells(rolled.stats, rolled.attackers, rolled.defenders);

    // Expected counts of each run under the pooled shares; pooled where either is small.
    const double total = nd + nr;
    std::vector<double> expectedSmaller(d.counts.size());
    for (std::size_t i = 0; i < d.counts.size(); ++i)
        expectedSmaller[i] = (d.counts[i] + r.counts[i]) * nr / total;
    const auto groups = Pool(expectedSmaller);
    double chi = 0;
    for (const auto& g : groups) {
        double od = 0, orr = 0;
        for (std::size_t i : g) {
            od += d.counts[i];
            orr += r.counts[i];
        }
        const double share = (od + orr) / total;
        const double ed = share * nd, er = share * nr;
        chi += (od - ed) * (od - ed) / ed + (orr - er) * (orr - er) / er;
    }
    const int df = std::max<int>(1, static_cast<int>(groups.size()) - 1);
    EXPECT_LT(chi, ChiSquareBound(df))
        << battle.name << ": chi-square " << chi << " over " << groups.size() << " cells";

    const auto sd = Sums(duel.stats), sr = Sums(rolled.stats);
    const auto qd = SquareSums(duel.stats), qr = SquareSums(rolled.stats);
    for (std::size_t c = 0; c < 5; ++c) {
        const double md = sd[c] / nd, mr = sr[c] / nr;
        const double vd = qd[c] / nd - md * md, vr = qr[c] / nr - mr * mr;
        const double se = std::sqrt(std::max(vd, 0.0) / nd + std::max(vr, 0.0) / nr);
        EXPECT_NEAR(md, mr, kZ * se + 1e-12) << battle.name << ", " << kFigure[c];
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, DuelAgainstRolled,
                         ::testing::Range<std::size_t>(0, BattleCorpus().size()),
                         [](const auto& instance) {
                             return std::string(BattleCorpus()[instance.param].name);
                         });

}  // namespace
}  // namespace b3::engine::test
