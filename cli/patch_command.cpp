// b3cli patch make / apply / merge: mods as patch files.
#include <iostream>

#include "b3/history.h"
#include "cli/patch_commands.h"
#include "patch/patch.h"

namespace b3cli {
namespace {

namespace bp = b3::patch;

std::string Counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

std::string Summary(const bp::Patch& patch) {
    std::size_t values = 0;
    for (const auto& c : patch.changed) values += c.fields.size();
    return Counted(patch.changed.size(), "object changed", "objects changed") + " (" +
           Counted(values, "value", "values") + "), " + std::to_string(patch.added.size()) +
           " added, " + std::to_string(patch.removed.size()) + " removed";
}

std::string Written(const std::string& file) {
    return file == "-" ? std::string("standard output") : file;
}

int Make(const PatchOptions& options, const b3::CreateOptions& install, std::ostream& out) {
    const bp::Installation base(bp::InstallationFolder(options.a, install));
    const bp::Installation modded(bp::InstallationFolder(options.b, install));
    const bp::Patch patch = bp::MakePatch(base, modded, options.name, options.description);
    // The patch itself may go to standard output; the summary then stays off it.
    bp::WritePatch(patch, options.output, out);
    if (options.output != "-")
        out << "Wrote " << Written(options.output) << ": " << Summary(patch) << '\n';
    return 0;
}

int Apply(const PatchOptions& options, const b3::CreateOptions& install, std::ostream& out) {
    bp::Patch patch = bp::ReadPatch(options.file);
    // The history names the change by the mod's name, or by its file.
    if (patch.name.empty()) patch.name = options.file;
    const std::string folder = b3::LocateInstallation(install).folder;
    const bp::ConflictChoice choice = options.force  ? bp::ConflictChoice::Force
                                      : options.keep ? bp::ConflictChoice::Keep
                                                     : bp::ConflictChoice::Refuse;
    const bp::ApplyReport report =
        bp::ApplyPatch(patch, folder, choice, options.dryRun, install.messageSink);
    out << "Patch \"" << patch.name << "\" on " << folder << '\n';
    for (const std::string& line : report.changes) out << line << '\n';
    for (const std::string& line : report.skipped) out << "skipped: " << line << '\n';
    if (!report.conflicts.empty()) {
        out << Counted(report.conflicts.size(), "conflict", "conflicts")
            << " (the installation's value is not the one the patch was made from):\n";
        for (const bp::Conflict& c : report.conflicts) {
            out << "  " << b3::KindWord(c.kind) << ' ' << c.object << ", " << c.field << ": base "
                << c.base << ", current " << c.current << ", patch " << c.patch << '\n';
        }
        if (choice == bp::ConflictChoice::Refuse) {
            out << "Nothing was written. Run again with --force to take the patch's values or "
                   "--keep to keep the installation's.\n";
            return 1;
        }
        out << (choice == bp::ConflictChoice::Force ? "Took the patch's values.\n"
                                                    : "Kept the installation's values.\n");
    }
    out << report.objectsChanged << " changed, " << report.objectsAdded << " added, "
        << report.objectsRemoved << " removed, " << Counted(report.files, "file", "files")
        << (options.dryRun   ? "; dry run, nothing written"
            : report.written ? " written"
                             : "")
        << '\n';
    return 0;
}

int Merge(const PatchOptions& options, std::ostream& out) {
    const bp::Patch a = bp::ReadPatch(options.a);
    const bp::Patch b = bp::ReadPatch(options.b);
    const char prefer = options.prefer.empty() ? 0 : options.prefer[0];
    std::string name = options.name;
    if (name.empty())
        name =
            (a.name.empty() ? options.a : a.name) + " + " + (b.name.empty() ? options.b : b.name);
    std::string description = options.description;
    if (description.empty())
        description = a.description.empty()   ? b.description
                      : b.description.empty() ? a.description
                                              : a.description + "\n\n" + b.description;
    const bp::MergeResult merged = bp::MergePatches(a, b, prefer, name, description);
    bp::WritePatch(merged.patch, options.output, out);
    std::ostream& log = options.output == "-" ? std::cerr : out;
    if (!merged.conflicts.empty()) {
        log << Counted(merged.conflicts.size(), "conflict", "conflicts") << ' '
            << (prefer ? std::string("taken from ") + prefer : std::string("left out")) << ":\n";
        for (const bp::MergeConflict& c : merged.conflicts) {
            log << "  " << b3::KindWord(c.kind) << ' ' << c.object << ", " << c.field << ": a "
                << c.a << ", b " << c.b << '\n';
        }
    }
    log << "Wrote " << Written(options.output) << ": " << Summary(merged.patch) << '\n';
    return merged.conflicts.empty() || prefer ? 0 : 1;
}

}  // namespace

PatchCommands AddPatchCommands(CLI::App& app, PatchOptions& options) {
    PatchCommands c;
    c.diff = AddDiffCommand(app, options);
    c.patch = app.add_subcommand("patch", "Mods as patches: make, apply and merge patch files");
    c.patch->require_subcommand(1);

    c.make = c.patch->add_subcommand(
        "make", "Write the patch that turns the installation BASE into MODDED");
    c.make->add_option("BASE", options.a, "The unchanged installation folder (@: registered)")
        ->required();
    c.make->add_option("MODDED", options.b, "The changed installation folder (@: registered)")
        ->required();
    c.make->add_option("-o,--output", options.output, "The patch file, - for standard output")
        ->required();
    c.make->add_option("--name", options.name, "The mod's name");
    c.make->add_option("--description", options.description, "What the mod does");

    c.apply = c.patch->add_subcommand(
        "apply", "Apply a patch file to the installation (--install DIR or the registered one)");
    c.apply->add_option("FILE", options.file, "The patch file, - for standard input")->required();
    c.apply->add_flag("--dry-run", options.dryRun, "List the changes and conflicts, write nothing");
    auto* force =
        c.apply->add_flag("--force", options.force, "On a conflict take the patch's value");
    auto* keep =
        c.apply->add_flag("--keep", options.keep, "On a conflict keep the installation's value");
    force->excludes(keep);

    c.merge = c.patch->add_subcommand("merge", "Combine two patches made against the same base");
    c.merge->add_option("A", options.a, "The first patch file")->required();
    c.merge->add_option("B", options.b, "The second patch file")->required();
    c.merge->add_option("-o,--output", options.output, "The merged patch, - for standard output")
        ->required();
    c.merge->add_option("--prefer", options.prefer, "Resolve conflicts by taking a's or b's value")
        ->check(CLI::IsMember({"a", "b"}));
    c.merge->add_option("--name", options.name, "The merged mod's name");
    c.merge->add_option("--description", options.description, "What the merged mod does");
    return c;
}

int RunPatchCommands(const PatchCommands& commands, const PatchOptions& options,
                     const b3::CreateOptions& install, std::ostream& out, std::ostream& err) {
    if (*commands.diff) return RunDiff(options, install, out, err);
    if (*commands.make) return Make(options, install, out);
    if (*commands.apply) return Apply(options, install, out);
    return Merge(options, out);
}

}  // namespace b3cli
