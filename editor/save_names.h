// Names of new objects: the short name taken from the file the user chose in the save dialog.
#pragma once

#include <QString>
#include <optional>

namespace b3::editor {

// The chosen file's name without its folder and without its extension (the text after the last
// dot), whatever folder the dialog ended in.
QString ChosenBaseName(const QString& chosenPath);

// Whether `name` can stand as a file name of the game (the rule of platform::IsWindowsFileName).
bool IsValidGameFileName(const QString& name);

// The short name for a new object from the chosen path: the base name, cut to `limit`
// characters; nothing when the name cannot be used.
std::optional<QString> ShortNameFromChosenFile(const QString& chosenPath, int limit);

}  // namespace b3::editor
