// b3cli suggest: the cheapest ways, in production turns, to add armies to a scenario's attacking
// list so that the attacker's exact win probability reaches a target.
#pragma once

#include <iosfwd>
#include <string>

#include <CLI/CLI.hpp>

#include "b3/edit_object.h"

namespace b3cli {

struct SuggestOptions {
    std::string scenario;  // a file, or "-" for standard input
    double target = 0.9;
    int maxAdd = 3;
    double timeLimit = 20;
    bool json = false;
};

// Registers the subcommand "suggest" on `app`; parsing fills `options`.
CLI::App* AddSuggestCommand(CLI::App& app, SuggestOptions& options);

// Searches and writes the answer to `out`. Ctrl+C stops the search as its time limit does: the
// best found so far is written, then Interrupted is thrown. Throws b3::engine::ScenarioError for
// a bad scenario or a battle that cannot be computed exactly, and b3::Error when the edit server
// fails.
void RunSuggest(const SuggestOptions& options, const b3::CreateOptions& install, std::ostream& out);

}  // namespace b3cli
