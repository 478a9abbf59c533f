#include "cli/batch_commands.h"

#include <ostream>

#include "b3/record_layout.h"

namespace b3cli {

int KindCode(const std::string& text) {
    for (int k = 0; k < b3::kKindCount; ++k)
        if (text == b3::LayoutOf(k).kindName || text == std::to_string(k)) return k;
    return -1;
}

BatchCommands AddBatchCommands(CLI::App& app, BatchOptions& options) {
    const CLI::Validator kind(
        [](std::string& text) -> std::string {
            return KindCode(text) >= 0 ? std::string()
                                       : "KIND must be item, army, hero, site, spell or 0 to 4";
        },
        "KIND", "kind");
    // KIND and FILE, the arguments of both table commands.
    const auto table = [&](const char* name, const char* help, const char* fileHelp) {
        CLI::App* command = app.add_subcommand(name, help);
        command->add_option("KIND", options.kind, "item, army, hero, site or spell")
            ->required()
            ->check(kind);
        command->add_option("FILE", options.file, fileHelp)->required();
        return command;
    };
    BatchCommands commands;
    commands.exportCommand =
        table("export", "Write every object of a kind as CSV, or as JSON for FILE.json and -",
              "The table file (.csv or .json), - for standard output");
    commands.importCommand = table(
        "import", "Write the objects of a CSV or JSON table that differ from the installation",
        "The table file (.csv or .json), - for standard input");
    commands.importCommand->add_flag("--dry-run", options.dryRun,
                                     "Print the changes field by field and write nothing");
    commands.checkCommand =
        app.add_subcommand("check", "List the installation's problems; exit status 1 if any");
    commands.checkCommand->add_flag("--json", options.json, "Print the problems as JSON");
    return commands;
}

int RunBatch(const BatchCommands& commands, const BatchOptions& options,
             const b3::CreateOptions& install, std::ostream& out) {
    const auto object = b3::CreateObject(b3::CLSID_CEditObject, install);
    if (*commands.exportCommand) {
        ExportTable(*object, KindCode(options.kind), options.file, out);
    } else if (*commands.importCommand) {
        ImportTable(*object, KindCode(options.kind), options.file, options.dryRun, out,
                    install.messageSink);
    } else {
        return CheckInstallation(*object, options.json, out);
    }
    return 0;
}

}  // namespace b3cli
