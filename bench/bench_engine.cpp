// Battles per second of the combat engine on the sample installation: 8 against 8 (each duel's
// end drawn, and every exchange rolled), four stacks of 8 against 32 defenders in a village, and a
// 1 against 1 duel; on one thread and on all cores.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "b3/edit_object.h"
#include "engine/battle_calc.h"
#include "engine/simple_host.h"
#include "sample_data.h"

using namespace b3::engine;

namespace {

using b3bench::Sample;

std::unique_ptr<SimpleHost> MakeHost(const std::vector<std::string>& attack,
                                     const std::vector<std::string>& defend,
                                     const std::string& terrain) {
    auto host = std::make_unique<SimpleHost>(Sample().armies, Sample().heroes);
    host->SetTerrain(terrain);
    for (std::size_t i = 0; i < attack.size(); ++i)
        host->AddUnit(true, *host->FindUnit(attack[i]), static_cast<Long>(i), {});
    for (std::size_t i = 0; i < defend.size(); ++i)
        host->AddUnit(false, *host->FindUnit(defend[i]), static_cast<Long>(i), {});
    return host;
}

const std::vector<std::string> kAttack8 = {"SPEARMEN", "SPEARMEN", "KNIGHTS", "KNIGHTS",
                                           "ORCS",     "ARCHERS",  "GRIFFON", "PALADIN"};
const std::vector<std::string> kDefend8 = {"DWARVES",  "DWARVES", "SKELETON", "DAWNGARD",
                                           "SPEARMEN", "GIANTS",  "MONKS",    "SPIDERS"};

void RunScenario(benchmark::State& state, std::unique_ptr<SimpleHost> host, Long cityLevel,
                 Simulation level = Simulation::Duel) {
    const int threads = static_cast<int>(state.range(0));
    const Long battles = static_cast<Long>(state.range(1));
    MBattleCalc calc(*host);
    calc.SetSimulation(level);
    calc.SetThreads(threads);
    calc.SetSeed(12345);
    for (auto _ : state) {
        calc.RunBattles(battles, 20, false, cityLevel);
        benchmark::DoNotOptimize(calc.Statistics().Battles());
    }
    state.counters["battles/s"] =
        benchmark::Counter(static_cast<double>(battles) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["win%"] = calc.WinPercent(battles);
}

void BM_EightAgainstEight(benchmark::State& state) {
    RunScenario(state, MakeHost(kAttack8, kDefend8, "field"), 0);
}

// The same battle with every exchange rolled, for comparison.
void BM_EightAgainstEightRolled(benchmark::State& state) {
    RunScenario(state, MakeHost(kAttack8, kDefend8, "field"), 0, Simulation::Rolled);
}

void BM_FourStacksAgainst32(benchmark::State& state) {
    std::vector<std::string> attack, defend;
    for (int s = 0; s < 4; ++s) attack.insert(attack.end(), kAttack8.begin(), kAttack8.end());
    for (int s = 0; s < 4; ++s) defend.insert(defend.end(), kDefend8.begin(), kDefend8.end());
    RunScenario(state, MakeHost(attack, defend, "city"), 1);
}

void BM_OneAgainstOne(benchmark::State& state) {
    RunScenario(state, MakeHost({"KNIGHTS"}, {"ORCS"}, "field"), 0);
}

// One thread (battles per CPU second) and, on a machine with more cores, all of them (battles
// per second of wall-clock time, registered separately so that only they use it).
void Threads(benchmark::internal::Benchmark* b, long battles) {
    b->Args({1, battles})->ArgNames({"threads", "battles"})->Unit(benchmark::kMillisecond);
}
void AllCores(benchmark::internal::Benchmark* b, long battles) {
    const long cores = std::max(1u, std::thread::hardware_concurrency());
    b->Args({cores, battles})
        ->ArgNames({"threads", "battles"})
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_EightAgainstEight)->Apply([](auto* b) { Threads(b, 200000); });
BENCHMARK(BM_EightAgainstEightRolled)->Apply([](auto* b) { Threads(b, 50000); });
BENCHMARK(BM_FourStacksAgainst32)->Apply([](auto* b) { Threads(b, 20000); });
BENCHMARK(BM_OneAgainstOne)->Apply([](auto* b) { Threads(b, 1000000); });
BENCHMARK(BM_EightAgainstEight)->Apply([](auto* b) { AllCores(b, 2000000); });
BENCHMARK(BM_FourStacksAgainst32)->Apply([](auto* b) { AllCores(b, 200000); });

}  // namespace

BENCHMARK_MAIN();
