#include "cli/history_command.h"

#include <iostream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "b3/file_transaction.h"
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

nlohmann::json ToJson(const b3::HistoryOperationEntry& o) {
    nlohmann::json files = nlohmann::json::array();
    for (const auto& e : o.files) files.push_back(ToJson(e));
    return {{"id", o.id},
            {"time", b3::HistoryTimeText(o.time)},
            {"operation", o.operation},
            {"kind", b3::KindWord(o.kind)},
            {"name", o.name},
            {"files", files}};
}

std::string Line(const b3::HistoryEntry& e) {
    return e.id + "  " + b3::HistoryTimeText(e.time) + "  " + e.operation + "  " +
           b3::KindWord(e.kind) + "  " + e.name + "  " + e.file;
}

// "ID  TIME  OPERATION  KIND  NAME", then each file on a line of its own, indented; an
// operation over several objects shows "-" for what they do not share.
std::string Lines(const b3::HistoryOperationEntry& o) {
    std::string text = o.id + "  " + b3::HistoryTimeText(o.time) + "  " + o.operation + "  " +
                       (o.kind >= 0 ? b3::KindWord(o.kind) : "-") + "  " +
                       (o.name.empty() ? "-" : o.name) + '\n';
    for (const auto& e : o.files) text += "    " + e.file + '\n';
    return text;
}

// The history of the installation the options name; the installation need not be readable
// as a whole (a restore may be what makes it so again).
b3::HistoryStore StoreOf(const b3::CreateOptions& install) {
    return b3::HistoryStore(b3::LocateInstallation(install).folder, install.messageSink);
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
    auto* restore = app.add_subcommand(
        "restore", "Put every file of a kept version back in its place (or only FILE)");
    restore->add_option("ID", options.id, "The version's ID as history lists it")->required();
    restore->add_option("FILE", options.file, "Only this file of the version, as history lists it");
    restore->add_flag("--json", options.json, "Print the restored version as JSON");
    return {history, restore};
}

void RunHistory(const HistoryOptions& options, const b3::CreateOptions& install,
                std::ostream& out) {
    const int kind = options.kind.empty() ? -1 : b3::KindFromWord(options.kind);
    const auto operations = StoreOf(install).Operations(kind, options.name);
    if (options.json) {
        nlohmann::json all = nlohmann::json::array();
        for (const auto& o : operations) all.push_back(ToJson(o));
        out << all.dump(2) << '\n';
        return;
    }
    for (const auto& o : operations) out << Lines(o);
}

void RunRestore(const HistoryOptions& options, const b3::CreateOptions& install,
                std::ostream& out) {
    auto store = StoreOf(install);
    std::string warning;
    const std::vector<b3::HistoryEntry> restored =
        store.RestoreFiles(options.id, options.file, &warning);
    // A version that undoes a change of several files (a patch) is a journal: finishing it puts
    // every file back at once.
    const std::size_t files = b3::RecoverInstallation(store.installFolder());
    if (!warning.empty()) {
        std::cerr << "b3cli: message: the replaced version could not be kept in the history ("
                  << warning << ")" << std::endl;
    }
    if (options.json) {
        // One file as before; several as an array.
        nlohmann::json all = nlohmann::json::array();
        for (const auto& e : restored) all.push_back(ToJson(e));
        out << (restored.size() == 1 ? all[0] : all).dump(2) << '\n';
    } else {
        for (const auto& e : restored) out << "restored " << Line(e) << '\n';
        if (files > 0) out << "put back " << files << (files == 1 ? " file" : " files") << '\n';
    }
}

}  // namespace b3cli
