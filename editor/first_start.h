// The editor's start when the game cannot be read: says what is missing and lets the user
// choose the installation folder (remembered in the registry store for the next start) or open
// the sample installation that comes with the suite.
#pragma once

#include <string>

namespace b3::editor {

class EditorServices;

// Creates the shared edit object. When no game is registered or a kind folder holds no files,
// asks until an installation opens or the user quits; `sampleFolder` receives the sample
// installation when the user opens it. Other failures are reported. Whether an edit object
// exists afterwards.
bool StartEditObject(EditorServices& services, const std::string& sampleFolder);

// Where the sample installation is written for the editor: beside the user's history store.
std::string DefaultSampleFolder();

}  // namespace b3::editor
