// b3cli's batch work for modders: `export KIND FILE` writes every object of a kind as a table
// (CSV or JSON), `import KIND FILE [--dry-run]` writes the objects of such a table that differ
// from the installation, `check [--json]` lists the installation's problems.
#pragma once

#include <iosfwd>
#include <string>

#include <CLI/CLI.hpp>

#include "b3/edit_object.h"
#include "cli/table_commands.h"

namespace b3cli {

struct BatchOptions {
    std::string kind;  // item, army, hero, site, spell or 0 to 4
    std::string file;  // "-" for standard output (export) or input (import), as JSON
    bool dryRun = false;
    bool json = false;
};

struct BatchCommands {
    CLI::App* exportCommand = nullptr;
    CLI::App* importCommand = nullptr;
    CLI::App* checkCommand = nullptr;
    bool ran() const { return *exportCommand || *importCommand || *checkCommand; }
};

// Registers the three subcommands on `app`; parsing fills `options`.
BatchCommands AddBatchCommands(CLI::App& app, BatchOptions& options);

// Runs the one that was given and returns the exit status (check: 1 when it found a problem).
// Throws std::runtime_error for a bad table (naming the row, the column and the value) and
// b3::Error when the edit server fails.
int RunBatch(const BatchCommands& commands, const BatchOptions& options,
             const b3::CreateOptions& install, std::ostream& out);

// The kind code of a kind name or number; -1 for anything else.
int KindCode(const std::string& text);

}  // namespace b3cli
