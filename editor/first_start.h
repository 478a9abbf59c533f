// The editor's start when the game cannot be read: says what is missing and lets the user
// choose the installation folder (remembered in the registry store for the next start) or open
// the sample installation that comes with the suite.
#pragma once

#include <functional>
#include <string>

namespace b3::editor {

class EditObjectHolder;
class EditorServices;

// The sample installation a user may open instead of a game: the folder it is written to, and
// the writer (the program hands it in, so that the editor does not depend on the sample).
struct SampleInstallation {
    std::string folder;
    std::function<void(const std::string& folder)> write;
};

// Creates the edit object of `holder`. When no game is registered or a kind folder holds no
// files, asks until an installation opens or the user quits; the sample is written (once) and
// opened when the user chooses it. Other failures are reported. Whether an edit object exists
// afterwards.
bool StartEditObject(EditorServices& services, EditObjectHolder& holder,
                     const SampleInstallation& sample);

// Where the sample installation is written for the editor: beside the user's history store.
std::string DefaultSampleFolder();

}  // namespace b3::editor
