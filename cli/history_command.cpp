#include "cli/history_command.h"

#include <iostream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "b3/history.h"

namespace b3cli {

namespace {

nlohmann::json ToJson(const b3::HistoryEntry& e) {
    return {{"id", e.id},
            {"time", b3::HistoryTimeText(e.time)},
            {"operation", e.operation},
            {"kind", b3::KindWord(e.kind)},
            {"name", e.name},
            {"file", e.file},
            {"size", e.size}};
}

std::string Line(const b3::HistoryEntry& e) {
    return e.id + "  " + b3::HistoryTimeText(e.time) + "  " + e.operation + "  " +
           b3::KindWord(e.kind) + "  " + e.name + "  " + e.file;
}

// The history of the installation the options name; the installation need not be readable
// as a whole (a restore may be what makes it so again).
b3::HistoryStore StoreOf(const b3::CreateOptions& install) {
    return b3::HistoryStore(b3::LocateInstallation(install).folder);
}

}  // namespace

HistoryCommands AddHistoryCommands(CLI::App& app, HistoryOptions& options) {
    auto* history = app.add_subcommand(
        "history", "List the kept versions of the installation's files, newest first");
    history->add_option("KIND", options.kind, "item, army, hero, site, spell or 0 to 4")
        ->check([](const std::string& text) {
            return b3::KindFromWord(text) >= 0
                       ? std::string()
                       : std::string("KIND must be item, army, hero, site, spell or 0 to 4");
        });
    history->add_option("NAME", options.name, "The object's short name");
    history->add_flag("--json", options.json, "Print a JSON array");
    auto* restore = app.add_subcommand("restore", "Put a kept version back in its place");
    restore->add_option("ID", options.id, "The version's ID as history lists it")->required();
    restore->add_flag("--json", options.json, "Print the restored version as JSON");
    return {history, restore};
}

void RunHistory(const HistoryOptions& options, const b3::CreateOptions& install,
                std::ostream& out) {
    const int kind = options.kind.empty() ? -1 : b3::KindFromWord(options.kind);
    const auto versions = StoreOf(install).List(kind, options.name);
    if (options.json) {
        nlohmann::json all = nlohmann::json::array();
        for (const auto& e : versions) all.push_back(ToJson(e));
        out << all.dump(2) << '\n';
        return;
    }
    for (const auto& e : versions) out << Line(e) << '\n';
}

void RunRestore(const HistoryOptions& options, const b3::CreateOptions& install,
                std::ostream& out) {
    auto store = StoreOf(install);
    std::string warning;
    const b3::HistoryEntry e = store.Restore(options.id, &warning);
    if (!warning.empty()) {
        std::cerr << "b3cli: message: the replaced version could not be kept in the history ("
                  << warning << ")" << std::endl;
    }
    if (options.json) {
        out << ToJson(e).dump(2) << '\n';
    } else {
        out << "restored " << Line(e) << '\n';
    }
}

}  // namespace b3cli
