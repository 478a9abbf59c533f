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
    std::string id;  // restore only
    bool json = false;
};

// Registers the subcommands "history" and "restore" on `app`; parsing fills `options`.
struct HistoryCommands {
    CLI::App* history;
    CLI::App* restore;
};
HistoryCommands AddHistoryCommands(CLI::App& app, HistoryOptions& options);

// Lists versions: "ID  TIME  OPERATION  KIND  NAME  FILE", one line each, or a JSON array.
void RunHistory(const HistoryOptions& options, const b3::CreateOptions& install, std::ostream& out);
// Restores the version options.id and prints it (one line, or a JSON object).
void RunRestore(const HistoryOptions& options, const b3::CreateOptions& install, std::ostream& out);

}  // namespace b3cli
