#include "cli/suggest_command.h"

#include <cmath>
#include <cstdlib>
#include <ostream>

#include <nlohmann/json.hpp>

#include "cli/odds_command.h"
#include "engine/battle_calc.h"
#include "engine/scenario.h"
#include "engine/simple_host.h"
#include "engine/suggest.h"

namespace b3cli {
namespace {

using ordered_json = nlohmann::ordered_json;
using b3::engine::Long;

// A number option's text must be a finite number: "nan" would pass every range check.
const CLI::Validator kFiniteNumber(
    [](std::string& text) -> std::string {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value))
            return "a number is needed, not " + text;
        return std::string();
    },
    "NUMBER", "finite number");

void Print(const b3::engine::Suggestion& answer, const SuggestOptions& options, std::ostream& out) {
    if (options.json) {
        ordered_json doc = {{"target", answer.target}, {"current", answer.current}};
        ordered_json list = ordered_json::array();
        for (const auto& o : answer.options)
            list.push_back(
                {{"add", o.add}, {"turns", o.turns}, {"win_probability", o.winProbability}});
        doc["options"] = list;
        doc["reached"] = answer.Reached();
        if (!answer.Reached() && answer.options.empty())
            doc["best"] = {{"add", answer.best.add},
                           {"turns", answer.best.turns},
                           {"win_probability", answer.best.winProbability}};
        doc["complete"] = answer.complete;
        doc["evaluated"] = answer.evaluated;
        out << doc.dump(-1, ' ', false, ordered_json::error_handler_t::replace) << '\n';
        return;
    }
    out << b3::engine::SuggestionText(answer, options.maxAdd);
}

}  // namespace

CLI::App* AddSuggestCommand(CLI::App& app, SuggestOptions& options) {
    CLI::App* cmd = app.add_subcommand(
        "suggest", "The cheapest armies to add to the attack to reach a win probability");
    cmd->add_option("SCENARIO", options.scenario, "The scenario (JSON), - for standard input")
        ->required();
    cmd->add_option("--target", options.target, "The win probability to reach (default 0.9)")
        ->check(kFiniteNumber)
        ->check(CLI::Range(0.0, 1.0))
        ->type_name("P");
    cmd->add_option("--max-add", options.maxAdd, "Add at most K armies (default 3)")
        ->check(CLI::Range(1, 6))
        ->type_name("K");
    cmd->add_option("--time-limit", options.timeLimit,
                    "Stop searching after this many seconds (default 20)")
        ->check(kFiniteNumber)
        ->check(CLI::Range(0.0, 86400.0))
        ->type_name("SECONDS");
    cmd->add_flag("--json", options.json, "Print one JSON object");
    return cmd;
}

void RunSuggest(const SuggestOptions& options, const b3::CreateOptions& install,
                std::ostream& out) {
    using b3::engine::ScenarioError;
    const b3::engine::Scenario s = b3::engine::LoadScenario(options.scenario);
    const auto object = b3::CreateObject(b3::CLSID_CEditObject, install);
    b3::engine::SimpleHost host(object->GetEditObjectData(b3::kArmy),
                                object->GetEditObjectData(b3::kHero));
    b3::engine::ApplyScenario(host, s);

    b3::engine::SuggestOptions search;
    search.target = options.target;
    search.maxAdd = options.maxAdd;
    search.timeLimit = options.timeLimit;
    b3::engine::Suggestion answer;
    bool interrupted = false;
    try {
        // Ctrl+C ends the search as its time limit does: the best found so far is printed.
        InterruptStopsRun interrupt;
        answer = b3::engine::Suggest(host, static_cast<Long>(s.attack.size()), s.dice, s.cityLevel,
                                     search, [] { return InterruptStopsRun::Interrupted(); });
        interrupted = InterruptStopsRun::Interrupted();
    } catch (const std::invalid_argument& e) {
        // RunRefused is one of these: the battle as listed cannot be computed exactly.
        throw ScenarioError(e.what());
    }
    Print(answer, options, out);
    if (interrupted) {
        throw Interrupted("interrupted after " + std::to_string(answer.evaluated) +
                          " calculations; what is printed is the best found until then");
    }
}

}  // namespace b3cli
