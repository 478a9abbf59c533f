// The names a file of the game may have: the game runs on Windows, so a name must be one that
// Windows can hold, whatever system the tools run on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace b3::platform {

// Whether `name` (UTF-8, without folder) can stand as a file name of the game: not empty, not
// starting with a dot (it would be hidden from the folder's listing), no path separators, no
// control characters, none of < > : " | ? *, only characters of Windows-1252, not ending in a dot
// or a space, and not a reserved device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9,
// also with an extension, as "NUL.ARM").
bool IsWindowsFileName(std::string_view name);

// Why `name` cannot stand as a file name of the game, in words for a message ("the name holds the
// character ':'"), or nothing when it can. The one rule behind IsWindowsFileName.
std::optional<std::string> WindowsFileNameProblem(std::string_view name);

// A file name as the folder listing gives it, as text: UTF-8 as it is; any other byte sequence
// read as Windows-1252, as the game reads it.
std::string FileNameText(std::string_view raw);

}  // namespace b3::platform
