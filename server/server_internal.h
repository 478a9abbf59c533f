// Internals shared by the server's sources: error helpers, the field codec and the string table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "b3/edit_object.h"

namespace b3::detail {

// A failure of the platform, with its own number and generic description.
Error PlatformError(std::int32_t number, std::string source);

// Error 9 for a record array of the kind with fewer cells than its record takes: the
// description says how many it takes and how many the array has.
Error TooFewCells(int kind, std::size_t cells, std::string source);

// Maps a system error to the platform's file error numbers (53 file not found, 76 path not found,
// 70 permission denied, 61 disk full, 57 device I/O error, 75 otherwise).
std::int32_t FileErrorNumber(const std::error_code& ec, bool pathMissing = false);
Error FileError(const std::error_code& ec, std::string source, const std::string& path = {});

// Width codes of field access: 1 byte, 2 signed 16-bit, 4 signed 32-bit, 8 text.
inline constexpr int kWidthByte = 1;
inline constexpr int kWidthInteger = 2;
inline constexpr int kWidthLong = 4;
inline constexpr int kWidthText = 8;

// Decodes a field from `bytes` (exactly the field's bytes). Text keeps every byte, NULs included.
Cell DecodeField(std::string_view bytes, int widthCode);

// Converts a cell for writing with the given width code; fails with 6 (does not fit) or 13
// (cannot be converted) and `source`. Text comes back encoded as Windows-1252.
std::string EncodeField(const Cell& value, int widthCode, const std::string& source);

// The text up to, not including, its first NUL.
std::string TrimNulls(std::string_view text);

// Fields of tab-separated lines: tabs, line ends and backslashes written as \t, \n, \r and
// \\, and read back.
std::string Escape(const std::string& text);
std::string Unescape(const std::string& text);
// The fields of a line, unescaped.
std::vector<std::string> SplitTabs(const std::string& line);

// Upper case for name comparisons (ASCII and the Latin-1 letters of Windows-1252).
std::string UpperName(std::string_view utf8);

// A short name that can stand in a path and that Windows can hold (platform::IsWindowsFileName).
bool IsSafeShortName(std::string_view name);

// The server's string table.
const char* LookupString(int identifier);

// Shows a message to the user through `sink`; on standard error when it is empty.
void ShowMessage(const MessageSink& sink, const std::string& text);

}  // namespace b3::detail
