// Exact battle odds on the sample installation: the time of one exact calculation for the
// engine benchmark's battles (8 against 8, four stacks of 8 against 32 in a city, 1 against 1)
// and for four stacks of 8 against 32 with medals, missiles, acid and poison in play; dice of 20.
// The counters give the duel states summed over and the process's peak memory. For comparison,
// the last battle is also simulated (battles per second on one thread).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <memory>
#include <string>
#include <vector>

#include "b3/edit_object.h"
#include "engine/battle_calc.h"
#include "engine/exact_odds.h"
#include "engine/simple_host.h"
#include "sample_data.h"

using namespace b3::engine;

namespace {

using b3bench::Sample;

// A listed unit: its short name and its medals.
struct Unit {
    std::string name;
    Long medals = 0;
};

std::unique_ptr<SimpleHost> MakeHost(const std::vector<Unit>& attack,
                                     const std::vector<Unit>& defend, const std::string& terrain) {
    auto host = std::make_unique<SimpleHost>(Sample().armies, Sample().heroes);
    host->SetTerrain(terrain);
    auto add = [&](bool attacking, const std::vector<Unit>& units) {
        for (std::size_t i = 0; i < units.size(); ++i) {
            HealthMarks marks;
            marks.medals = units[i].medals;
            host->AddUnit(attacking, *host->FindUnit(units[i].name), static_cast<Long>(i), marks);
        }
    };
    add(true, attack);
    add(false, defend);
    return host;
}

std::vector<Unit> Units(const std::vector<std::string>& names) {
    std::vector<Unit> units;
    for (const auto& n : names) units.push_back({n, 0});
    return units;
}

std::vector<Unit> FourTimes(const std::vector<Unit>& eight) {
    std::vector<Unit> all;
    for (int s = 0; s < 4; ++s) all.insert(all.end(), eight.begin(), eight.end());
    return all;
}

const std::vector<Unit> kAttack8 =
    Units({"SPEARMEN", "SPEARMEN", "KNIGHTS", "KNIGHTS", "ORCS", "ARCHERS", "GRIFFON", "PALADIN"});
const std::vector<Unit> kDefend8 =
    Units({"DWARVES", "DWARVES", "SKELETON", "DAWNGARD", "SPEARMEN", "GIANTS", "MONKS", "SPIDERS"});

// Medals on half the armies, missiles on both sides, acid against warding, poison both ways.
const std::vector<Unit> kSpecialAttack8 = {{"ARCHERS", 1}, {"KNIGHTS", 2}, {"BOGWYRM", 0},
                                           {"SPIDERS", 0}, {"GRIFFON", 3}, {"SPEARMEN", 0},
                                           {"DWARVES", 4}, {"ARCHERS", 0}};
const std::vector<Unit> kSpecialDefend8 = {{"MONKS", 0},   {"ARCHERS", 2}, {"SPIDERS", 0},
                                           {"DWARVES", 1}, {"BOGWYRM", 0}, {"GIANTS", 3},
                                           {"ARCHERS", 0}, {"SPEARMEN", 1}};

void RunExact(benchmark::State& state, std::unique_ptr<SimpleHost> host, Long cityLevel) {
    ExactOdds odds;
    for (auto _ : state) {
        odds = CalculateExactOdds(*host, 20, cityLevel);
        benchmark::DoNotOptimize(odds.joint.data());
    }
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["win%"] = odds.attackerWinProbability * 100.0;
    state.counters["duel states"] = static_cast<double>(odds.duelStates);
    state.counters["peak MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_ExactEightAgainstEight(benchmark::State& state) {
    RunExact(state, MakeHost(kAttack8, kDefend8, "field"), 0);
}

void BM_ExactFourStacksAgainst32(benchmark::State& state) {
    RunExact(state, MakeHost(FourTimes(kAttack8), FourTimes(kDefend8), "city"), 1);
}

void BM_ExactOneAgainstOne(benchmark::State& state) {
    RunExact(state, MakeHost(Units({"KNIGHTS"}), Units({"ORCS"}), "field"), 0);
}

void BM_ExactFourStacksAgainst32Specials(benchmark::State& state) {
    RunExact(state, MakeHost(FourTimes(kSpecialAttack8), FourTimes(kSpecialDefend8), "city"), 1);
}

void BM_SimulatedFourStacksAgainst32Specials(benchmark::State& state) {
    auto host = MakeHost(FourTimes(kSpecialAttack8), FourTimes(kSpecialDefend8), "city");
    const Long battles = 20000;
    MBattleCalc calc(*host);
    calc.SetSeed(12345);
    for (auto _ : state) {
        calc.RunBattles(battles, 20, false, 1);
        benchmark::DoNotOptimize(calc.Statistics().Battles());
    }
    state.counters["battles/s"] =
        benchmark::Counter(static_cast<double>(battles) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["win%"] = calc.WinPercent(battles);
}

BENCHMARK(BM_ExactEightAgainstEight)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExactFourStacksAgainst32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExactOneAgainstOne)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExactFourStacksAgainst32Specials)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimulatedFourStacksAgainst32Specials)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
