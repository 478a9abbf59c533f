// Paths are UTF-8 text everywhere inside the suite. These helpers turn them into the platform's
// own path form at the boundary: on Windows UTF-16 for the wide ("W") system calls, so that any
// folder name works whatever the system's ANSI code page; elsewhere the bytes as they are.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace b3::platform {

// A std::filesystem path for UTF-8 text (never converted through the ANSI code page).
std::filesystem::path FsPath(std::string_view utf8);

// A std::filesystem path as UTF-8 text.
std::string Utf8Path(const std::filesystem::path& path);

// What follows `folder` and one separator in `path`, compared as the platform compares paths: on
// Windows ignoring case and taking `/` and `\` alike, elsewhere byte for byte with `/`. Nothing
// when `path` is not inside `folder` or names the folder itself.
std::optional<std::string> PathInsideFolder(std::string_view path, std::string_view folder);

// An environment variable's value as UTF-8 (on Windows read as UTF-16, so that a user folder
// outside the ANSI code page comes through); nothing when it is unset or empty.
std::optional<std::string> EnvironmentText(const char* name);

// The folder where the user's programs keep their data: %LOCALAPPDATA% on Windows (else the
// profile's AppData\Local), elsewhere $XDG_DATA_HOME (else ~/.local/share).
std::string UserDataFolder();

// A path as the platform compares paths: on Windows upper-cased as the file system folds names
// (so that two spellings of one folder become one text), elsewhere unchanged.
std::string PathCaseFolded(std::string_view path);

#ifdef _WIN32
// UTF-8 to UTF-16 and back; invalid sequences become U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
#endif

}  // namespace b3::platform
