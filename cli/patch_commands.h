// Mods as patches on the command line: `diff A B [KIND...]` compares two installations,
// `patch make BASE MODDED -o FILE` writes the patch between them, `patch apply FILE` applies one
// to the installation, `patch merge A B -o FILE` combines two.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "b3/edit_object.h"

namespace b3cli {

struct PatchOptions {
    std::string a, b;  // diff and make: the installations (or "@"); merge: the patches
    std::vector<std::string> kinds;
    bool json = false;
    std::string file;  // apply: the patch
    std::string output;
    std::string name, description;
    std::string prefer;
    bool dryRun = false, force = false, keep = false;
};

struct PatchCommands {
    CLI::App* diff = nullptr;
    CLI::App* patch = nullptr;
    CLI::App* make = nullptr;
    CLI::App* apply = nullptr;
    CLI::App* merge = nullptr;
    bool ran() const { return *diff || *patch; }
};

// Registers "diff" and "patch" (with make, apply and merge) on `app`; parsing fills `options`.
PatchCommands AddPatchCommands(CLI::App& app, PatchOptions& options);

// Runs the one that was given; returns the exit status. diff: 0 equal, 1 different, 2 on error
// (reported to `err` here). patch: 0 done, 1 when conflicts stopped it or were left out; other
// failures are thrown.
int RunPatchCommands(const PatchCommands& commands, const PatchOptions& options,
                     const b3::CreateOptions& install, std::ostream& out, std::ostream& err);

// The diff command alone (AddPatchCommands registers it).
CLI::App* AddDiffCommand(CLI::App& app, PatchOptions& options);
int RunDiff(const PatchOptions& options, const b3::CreateOptions& install, std::ostream& out,
            std::ostream& err);

}  // namespace b3cli
