// b3cli history and b3cli restore: the versions the history store keeps of the installation's
// files, newest first, and putting one of them back.
#pragma once

#include <iosfwd>
#include <string>

#include <CLI/CLI.hpp>

#include "b3/edit_object.h"

namespace b3cli {

struct HistoryOptions {
    std::string kind;  // empty: every object
    std::string name;
    std::string id;    // restore only
    std::string file;  // restore only: one file of the version
    bool json = false;
};

// Registers the subcommands "history" and "restore" on `app`; parsing fills `options`.
struct HistoryCommands {
    CLI::App* history;
    CLI::App* restore;
};
HistoryCommands AddHistoryCommands(CLI::App& app, HistoryOptions& options);

// Lists operations, newest first: "ID  TIME  OPERATION  KIND  NAME" and below it each file it
// kept, indented; or a JSON array of operations, each with its "files".
void RunHistory(const HistoryOptions& options, const b3::CreateOptions& install, std::ostream& out);
// Restores every file of the version options.id (only options.file when given) and prints each
// (one line each; a JSON object for one file, an array for several).
void RunRestore(const HistoryOptions& options, const b3::CreateOptions& install, std::ostream& out);

}  // namespace b3cli
