// What it takes to win on the sample installation: the time of one search for the cheapest
// additions to four attackers against 8 defenders (field, dice of 20) with at most 1, 2 or 3
// armies added. With a target of 0.9 the search stops once the five cheapest options are sure;
// with 0.999, which no addition reaches, it visits every group. The counter gives the exact
// calculations done.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/scenario.h"
#include "engine/simple_host.h"
#include "engine/suggest.h"
#include "sample_data.h"

using namespace b3::engine;

namespace {

const char* const kScenario = R"({"attack": ["KNIGHTS", "KNIGHTS", "ORCS", "SPEARMEN"],
    "defend": ["SPEARMEN", "SPEARMEN", "KNIGHTS", "KNIGHTS", "ORCS", "DWARVES", "ARCHERS",
               "GRIFFON"]})";

void BM_Suggest(benchmark::State& state) {
    const Scenario s = ParseScenario(kScenario, "benchmark");
    SimpleHost host(b3bench::Sample().armies, b3bench::Sample().heroes);
    ApplyScenario(host, s);
    SuggestOptions options;
    options.maxAdd = static_cast<Long>(state.range(0));
    options.target = static_cast<double>(state.range(1)) / 1000.0;
    options.timeLimit = 600;
    std::size_t evaluated = 0;
    for (auto _ : state) {
        const Suggestion answer =
            Suggest(host, static_cast<Long>(s.attack.size()), s.dice, s.cityLevel, options);
        evaluated = answer.evaluated;
        benchmark::DoNotOptimize(answer.best.winProbability);
    }
    state.counters["exact_calculations"] = static_cast<double>(evaluated);
}

}  // namespace

BENCHMARK(BM_Suggest)
    ->ArgNames({"K", "target_permille"})
    ->Args({1, 900})
    ->Args({2, 900})
    ->Args({3, 900})
    ->Args({3, 999})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
