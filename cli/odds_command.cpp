#include "cli/odds_command.h"

#ifdef _WIN32
#include <io.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/battle_calc.h"
#include "engine/exact_odds.h"
#include "engine/hero_dialog.h"
#include "engine/intervals.h"
#include "engine/number_format.h"
#include "engine/scenario.h"
#include "engine/simple_host.h"
#include "engine/survival.h"
#include "engine/unit_list.h"

namespace b3cli {
namespace {

using nlohmann::json;
using ordered_json = nlohmann::ordered_json;
using b3::engine::Long;

ordered_json Nullable(const std::vector<std::optional<double>>& values) {
    ordered_json out = ordered_json::array();
    for (const auto& v : values) out.push_back(v ? ordered_json(*v) : ordered_json(nullptr));
    return out;
}

ordered_json Values(const std::array<double, 33>& values) {
    return ordered_json(std::vector<double>(values.begin(), values.end()));
}

// A loss distribution given an outcome, all null when the outcome cannot happen.
ordered_json Given(const b3::engine::ExactOdds& odds,
                   const std::array<std::array<double, 33>, 2>& given, int outcome) {
    if (odds.OutcomePossible(outcome)) return Values(given[static_cast<std::size_t>(outcome)]);
    return ordered_json(std::vector<std::nullptr_t>(33, nullptr));
}

std::array<double, 33> Counts(const std::vector<long long>& histogram) {
    std::array<double, 33> counts{};
    for (std::size_t k = 0; k < counts.size(); ++k) counts[k] = static_cast<double>(histogram[k]);
    return counts;
}

std::array<double, 33> Fractions(std::array<double, 33> counts) {
    double total = 0;
    for (double c : counts) total += c;
    if (total > 0)
        for (double& c : counts) c /= total;
    return counts;
}

// `value` with `decimals` digits after the point.
std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Drawn on standard error once the run has lasted more than a moment, so that short runs print
// nothing but their results.
class ProgressBar {
public:
    explicit ProgressBar(bool shown) : shown_(shown), start_(std::chrono::steady_clock::now()) {}
    ~ProgressBar() { Finish(); }
    void Show(Long percent) {
        if (!shown_) return;
        if (!drawn_ && std::chrono::steady_clock::now() - start_ < kMoment) return;
        const int width = 40;
        const int filled = static_cast<int>(percent * width / 100);
        std::fprintf(stderr, "\r[%s%s] %3d%%",
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(width - filled), ' ').c_str(),
                     static_cast<int>(percent));
        std::fflush(stderr);
        drawn_ = true;
    }
    void Finish() {
        if (drawn_) std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    static constexpr std::chrono::milliseconds kMoment{500};
    bool shown_;
    std::chrono::steady_clock::time_point start_;
    bool drawn_ = false;
};

// A seed is written as plain decimal digits of an unsigned 64-bit number: a sign, a fraction or
// an exponent would otherwise be wrapped or rounded into some other seed.
const CLI::Validator kSeedValidator(
    [](std::string& text) -> std::string {
        std::uint64_t value = 0;
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (text.empty() || ec != std::errc() || ptr != end)
            return "SEED must be a whole number from 0 to 18446744073709551615, not " + text;
        return std::string();
    },
    "SEED", "seed");

// The run that Ctrl+C stops, and whether Ctrl+C was pressed, while an InterruptStopsRun lives.
// Lock-free atomics, so that the signal handler may touch them.
std::atomic<b3::engine::MBattleCalc*> g_interruptedRun{nullptr};
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<b3::engine::MBattleCalc*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
#ifdef _WIN32
    std::signal(SIGINT, SIG_DFL);  // a second Ctrl+C ends the process
#endif
    g_interrupted.store(true);
    // Setting the run's atomic abort flag is safe inside a signal handler.
    if (b3::engine::MBattleCalc* run = g_interruptedRun.load()) run->RequestAbort();
}

}  // namespace

struct InterruptStopsRun::Previous {
#ifdef _WIN32
    void (*handler)(int) = SIG_DFL;
#else
    struct sigaction action = {};
#endif
};

InterruptStopsRun::InterruptStopsRun(b3::engine::MBattleCalc* calc)
    : previous_(std::make_unique<Previous>()) {
    g_interruptedRun.store(calc);
    g_interrupted.store(false);
#ifdef _WIN32
    previous_->handler = std::signal(SIGINT, &OnInterrupt);
#else
    struct sigaction action = {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    // The flag's bit is the sign bit of the int field.
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigaction(SIGINT, &action, &previous_->action);
#endif
}

InterruptStopsRun::~InterruptStopsRun() {
#ifdef _WIN32
    std::signal(SIGINT, previous_->handler == SIG_ERR ? SIG_DFL : previous_->handler);
#else
    sigaction(SIGINT, &previous_->action, nullptr);
#endif
    g_interruptedRun.store(nullptr);
}

bool InterruptStopsRun::Interrupted() {
    return g_interrupted.load();
}

CLI::App* AddOddsCommand(CLI::App& app, OddsOptions& options) {
    CLI::App* odds = app.add_subcommand(
        "odds", "Simulate the battle of a scenario file and print the attacker's odds");
    odds->add_option("SCENARIO", options.scenario, "The scenario (JSON), - for standard input")
        ->required();
    odds->add_option("--battles", options.battles,
                     "Number of battles (overrides the scenario); 0 with --exact")
        ->check(CLI::Range(0LL, static_cast<long long>(std::numeric_limits<Long>::max())));
    odds->add_option("--seed", options.seed, "Seed for a reproducible run (0 to 2^64 - 1)")
        ->check(kSeedValidator);
    odds->add_option("--threads", options.threads, "Split the battles over T threads")
        ->check(CLI::Range(1, 256))
        ->type_name("T");
    odds->add_flag("--json", options.json, "Print one JSON object");
    odds->add_flag("--exact", options.exact,
                   "Also compute the exact odds and expected losses of one battle");
    odds->add_flag("--rolled", options.rolled,
                   "Roll every exchange of every battle (slower); by default each duel's end is "
                   "drawn at once from that duel's own odds");
    odds->add_flag("--quiet", options.quiet, "Show no progress bar");
    odds->callback([&options] {
        if (options.battles && *options.battles == 0 && !options.exact)
            throw CLI::ValidationError("--battles", "0 battles simulate nothing; add --exact");
    });
    return odds;
}

void RunOdds(const OddsOptions& options, const b3::CreateOptions& install, std::ostream& out) {
    using b3::engine::ScenarioError;
    b3::engine::Scenario s = b3::engine::LoadScenario(options.scenario);
    if (options.battles) s.battles = static_cast<Long>(*options.battles);
    if (options.rolled) s.simulation = b3::engine::Simulation::Rolled;
    // No battles is the exact odds alone, from the file as from the command line.
    if (s.battles == 0 && !options.exact)
        throw ScenarioError(
            "\"battles\": 0 simulates nothing; add --exact for the exact odds alone");

    const auto object = b3::CreateObject(b3::CLSID_CEditObject, install);
    b3::engine::SimpleHost host(object->GetEditObjectData(b3::kArmy),
                                object->GetEditObjectData(b3::kHero));
    host.powerName = [&object](Long code) {
        return object->ConvertPowerTypeToName(static_cast<std::int16_t>(code));
    };
    b3::engine::ApplyScenario(host, s);

    // The exact odds are refused (like a bad scenario) before any battle is simulated.
    const bool simulate = s.battles > 0;
    if (options.exact) {
        const std::string refusal = b3::engine::CheckExactOdds(host, s.dice);
        if (!refusal.empty()) throw ScenarioError(refusal);
    }

    b3::engine::MBattleCalc calc(host);
    if (simulate) {
        calc.SetThreads(options.threads);
        calc.SetSeed(options.seed);
        calc.SetSimulation(s.simulation);
        const std::string refusal = calc.CheckRun(s.battles, s.dice);
        if (!refusal.empty()) throw ScenarioError(refusal);
#ifdef _WIN32
        ProgressBar bar(!options.quiet && _isatty(_fileno(stderr)) != 0);
#else
        ProgressBar bar(!options.quiet && isatty(STDERR_FILENO) != 0);
#endif
        host.onProgress = [&bar](Long percent) { bar.Show(percent); };
        bool completed = false;
        {
            InterruptStopsRun interrupt(&calc);
            completed = calc.RunBattles(s.battles, s.dice, false, s.cityLevel);
        }
        bar.Finish();
        host.onProgress = nullptr;
        if (!completed)
            throw Interrupted("interrupted after " + std::to_string(calc.Statistics().Battles()) +
                              " of " + std::to_string(s.battles) + " battles; nothing printed");
    }
    std::optional<b3::engine::ExactOdds> exact;
    if (options.exact) exact = b3::engine::CalculateExactOdds(host, s.dice, s.cityLevel);

    const char* const labels[] = {"Avg. Att. Units Lost: ", "Avg. Att. Prod. Turns Lost: ",
                                  "Avg. Def Units Lost: ", "Avg. Def. Prod. Turns Lost: "};
    if (!options.json) {
        if (simulate) {
            out << "Attacker Wins: " << host.winText << '\n';
            for (int i = 0; i < 4; ++i) out << labels[i] << host.averageTexts[i] << '\n';
        }
        if (exact) {
            out << "Exact: attacker wins " << Fixed(exact->attackerWinProbability * 100.0, 4)
                << "%\n";
            const double expected[] = {
                exact->expectedAttackerUnitsLost, exact->expectedAttackerTurnsLost,
                exact->expectedDefenderUnitsLost, exact->expectedDefenderTurnsLost};
            for (int i = 0; i < 4; ++i)
                out << "Exact " << labels[i]
                    << b3::engine::FormatGeneralSingle(static_cast<float>(expected[i])) << '\n';
        }
        return;
    }
    ordered_json result = {
        {"battles", s.battles},
        {"dice", s.dice},
        {"terrain", s.terrain},
        {"city_level", s.cityLevel},
    };
    const auto attOrder = b3::engine::FightingOrder(host, true, static_cast<Long>(s.attack.size()));
    const auto defOrder =
        b3::engine::FightingOrder(host, false, static_cast<Long>(s.defend.size()));
    auto survival = [&](const std::array<double, 33>& attLost,
                        const std::array<double, 33>& defLost) {
        return ordered_json{{"attack", Nullable(b3::engine::SurvivalChances(attOrder, attLost))},
                            {"defend", Nullable(b3::engine::SurvivalChances(defOrder, defLost))}};
    };
    if (simulate) {
        std::vector<long long> attLost, defLost;
        for (const auto& bin : calc.Statistics().Lost(0)) attLost.push_back(bin.battles);
        for (const auto& bin : calc.Statistics().Lost(1)) defLost.push_back(bin.battles);
        const auto attCounts = Counts(attLost), defCounts = Counts(defLost);
        std::array<double, 33> attAtLeast{}, defAtLeast{};
        b3::engine::AtLeast(Fractions(attCounts), attAtLeast);
        b3::engine::AtLeast(Fractions(defCounts), defAtLeast);
        // The averages as shown: single precision, at most 7 significant digits.
        auto shown = [&](int i) { return std::stod(host.averageTexts[i]); };
        result["simulation"] = b3::engine::SimulationName(s.simulation);
        result["attacker_win_percent"] = std::stod(host.winText.substr(0, host.winText.size() - 1));
        result["attacker_wins_text"] = host.winText;
        result["averages"] = {{"attacker_units_lost", shown(0)},
                              {"attacker_turns_lost", shown(1)},
                              {"defender_units_lost", shown(2)},
                              {"defender_turns_lost", shown(3)}};
        // The 95% interval of each figure, as the calculator's window shows it.
        const b3::engine::RunTotals totals = calc.Totals(s.battles);
        auto bounds = [](const b3::engine::Interval& i) {
            return std::vector<double>{i.low, i.high};
        };
        result["intervals_95"] = {
            {"attacker_win_percent", bounds(b3::engine::WinInterval(totals))},
            {"attacker_units_lost", bounds(b3::engine::AverageInterval(totals, 0))},
            {"attacker_turns_lost", bounds(b3::engine::AverageInterval(totals, 1))},
            {"defender_units_lost", bounds(b3::engine::AverageInterval(totals, 2))},
            {"defender_turns_lost", bounds(b3::engine::AverageInterval(totals, 3))}};
        result["attacker_units_lost_histogram"] = attLost;
        result["defender_units_lost_histogram"] = defLost;
        result["attacker_units_lost_at_least"] = Values(attAtLeast);
        result["defender_units_lost_at_least"] = Values(defAtLeast);
        result["survival"] = survival(attCounts, defCounts);
    }
    if (exact) {
        const std::vector<double> att(exact->attackerUnitsLost.begin(),
                                      exact->attackerUnitsLost.end());
        const std::vector<double> def(exact->defenderUnitsLost.begin(),
                                      exact->defenderUnitsLost.end());
        result["exact"] = {
            {"attacker_win_probability", exact->attackerWinProbability},
            {"expected",
             {{"attacker_units_lost", exact->expectedAttackerUnitsLost},
              {"attacker_turns_lost", exact->expectedAttackerTurnsLost},
              {"defender_units_lost", exact->expectedDefenderUnitsLost},
              {"defender_turns_lost", exact->expectedDefenderTurnsLost}}},
            {"attacker_units_lost", att},
            {"defender_units_lost", def},
            {"attacker_units_lost_at_least", Values(exact->attackerUnitsLostAtLeast)},
            {"defender_units_lost_at_least", Values(exact->defenderUnitsLostAtLeast)},
            {"attacker_units_lost_given_win", Given(*exact, exact->attackerUnitsLostGiven, 1)},
            {"attacker_units_lost_given_loss", Given(*exact, exact->attackerUnitsLostGiven, 0)},
            {"defender_units_lost_given_win", Given(*exact, exact->defenderUnitsLostGiven, 1)},
            {"defender_units_lost_given_loss", Given(*exact, exact->defenderUnitsLostGiven, 0)},
            {"survival", survival(exact->attackerUnitsLost, exact->defenderUnitsLost)},
        };
    }
    out << result.dump(-1, ' ', false, ordered_json::error_handler_t::replace) << '\n';
}

}  // namespace b3cli
