#include "cli/suggest_command.h"

#include <cstdio>
#include <ostream>

#include <nlohmann/json.hpp>

#include "engine/battle_calc.h"
#include "engine/scenario.h"
#include "engine/simple_host.h"
#include "engine/suggest.h"

namespace b3cli {
namespace {

using ordered_json = nlohmann::ordered_json;
using b3::engine::Long;

std::string Percent(double p) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%", p * 100.0);
    return text;
}

std::string Names(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : " + ") + n;
    return out;
}

}  // namespace

CLI::App* AddSuggestCommand(CLI::App& app, SuggestOptions& options) {
    CLI::App* cmd = app.add_subcommand(
        "suggest", "The cheapest armies to add to the attack to reach a win probability");
    cmd->add_option("SCENARIO", options.scenario, "The scenario (JSON), - for standard input")
        ->required();
    cmd->add_option("--target", options.target, "The win probability to reach (default 0.9)")
        ->check(CLI::Range(0.0, 1.0))
        ->type_name("P");
    cmd->add_option("--max-add", options.maxAdd, "Add at most K armies (default 3)")
        ->check(CLI::Range(1, 6))
        ->type_name("K");
    cmd->add_option("--time-limit", options.timeLimit,
                    "Stop searching after this many seconds (default 20)")
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
    try {
        answer = b3::engine::Suggest(host, static_cast<Long>(s.attack.size()), s.dice, s.cityLevel,
                                     search);
    } catch (const std::invalid_argument& e) {
        // RunRefused is one of these: the battle as listed cannot be computed exactly.
        throw ScenarioError(e.what());
    }

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
    out << "Attacker wins now: " << Percent(answer.current) << " (target " << Percent(answer.target)
        << ")\n";
    if (answer.Reached()) {
        out << "The attacking list already reaches the target.\n";
        return;
    }
    if (answer.options.empty()) {
        out << "No addition of at most " << options.maxAdd << " armies reaches the target";
        if (!answer.best.add.empty())
            out << "; the best found: " << Names(answer.best.add) << ", " << answer.best.turns
                << " turns, " << Percent(answer.best.winProbability);
        out << ".\n";
    } else {
        for (const auto& o : answer.options)
            out << "Add " << Names(o.add) << ": " << o.turns << " turns, attacker wins "
                << Percent(o.winProbability) << '\n';
    }
    if (!answer.complete)
        out << "The search stopped after " << options.timeLimit
            << " s; cheaper options were all tried, dearer ones may be missing.\n";
}

}  // namespace b3cli
