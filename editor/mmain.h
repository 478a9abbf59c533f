// The program-wide edit object: created before the main window is shown, re-created after every
// save and delete, released at exit.
#pragma once

#include <memory>

#include "b3/edit_object.h"

namespace b3::editor::MMain {

// Where the edit object finds the installation (the registry store unless told otherwise).
void SetCreateOptions(const b3::CreateOptions& options);
const b3::CreateOptions& CreateOptions();

// Creates (or re-creates) the shared object; throws the server's failure.
void CreateEditObject();
void ReleaseEditObject();
bool HasEditObject();
// The shared object; fails with number 91 when there is none.
b3::_CEditObject& EditObject();

}  // namespace b3::editor::MMain
