// b3cli odds: simulates the battle of a scenario file on the installation's armies and heroes
// and prints the quick results (or, with --json, one JSON object with the loss histograms); with
// --exact also the exact odds and expected losses (alone with --battles 0).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include <CLI/CLI.hpp>

#include "b3/edit_object.h"

namespace b3::engine {
class MBattleCalc;
}

namespace b3cli {

struct OddsOptions {
    std::string scenario;  // a file, or "-" for standard input
    std::optional<long long> battles;
    std::optional<std::uint64_t> seed;
    int threads = 1;
    bool json = false;
    bool exact = false;
    bool rolled = false;  // every exchange rolled, whatever the scenario says
    bool quiet = false;   // no progress bar
};

// The user interrupted a run (Ctrl+C); nothing was printed.
class Interrupted : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// While it lives, Ctrl+C (SIGINT) does not end the process: it is noted, and the run `calc`
// (when given) is asked to stop before its next battle. A second Ctrl+C ends the process as
// usual. One lives at a time.
class InterruptStopsRun {
public:
    explicit InterruptStopsRun(b3::engine::MBattleCalc* calc = nullptr);
    ~InterruptStopsRun();
    InterruptStopsRun(const InterruptStopsRun&) = delete;
    InterruptStopsRun& operator=(const InterruptStopsRun&) = delete;
    // Whether Ctrl+C was pressed since the last one was made.
    static bool Interrupted();

private:
    struct Previous;
    std::unique_ptr<Previous> previous_;
};

// Registers the subcommand "odds" on `app`; parsing fills `options`.
CLI::App* AddOddsCommand(CLI::App& app, OddsOptions& options);

// Runs the scenario and writes its results to `out`; a progress bar goes to standard error when
// it is a terminal and the run lasts more than a moment. Ctrl+C stops the run before its next
// battle and throws Interrupted. Throws std::runtime_error with a message naming the offending
// entry for a bad scenario, and b3::Error when the edit server fails.
void RunOdds(const OddsOptions& options, const b3::CreateOptions& install, std::ostream& out);

}  // namespace b3cli
