// Checks of an installation before a mod ships: the problems that make the game or the tools
// fail on a folder that the loaders still read.
#pragma once

#include <string>
#include <vector>

#include "b3/edit_object.h"

namespace b3 {

struct InstallProblem {
    int kind;             // the object kind the problem belongs to
    std::string name;     // the short name, or the file name when the problem is the file's
    std::string problem;  // what is wrong, in words that say what to fix
};

// Every problem of the installation that `object` was created on, kind by kind in row order:
// a spell power that summons an army that does not exist; an army or hero without its picture
// files; a power, sound or facing code without a name; a short name that Windows cannot hold or
// that is longer than the game allows; two files of a kind folder whose names differ only in
// letter case; a definition file shorter than its record; a hero whose level XP do not rise from
// level to level. Fails only when a kind folder cannot be listed.
B3EDTSVR_EXPORT std::vector<InstallProblem> CheckInstallation(const _CEditObject& object);

}  // namespace b3
