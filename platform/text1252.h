// Windows-1252 text: the game's files hold single-byte Windows-1252 text, the programs UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace b3::platform {

// Decodes every byte. The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) become the C1 control characters of the same number, so that they round-trip.
std::string DecodeCp1252(std::string_view bytes);

// Encodes UTF-8 text as Windows-1252. Returns nothing when the text holds a character that
// Windows-1252 cannot hold, or is not valid UTF-8.
std::optional<std::string> EncodeCp1252(std::string_view utf8);

// The first character of valid UTF-8 text that Windows-1252 cannot hold, or nothing (empty) when
// every character fits: for messages that name what cannot be stored.
std::string FirstForeignCharacter(std::string_view utf8);

// The number of characters of valid UTF-8 text (code points); malformed bytes count one each.
std::size_t Utf8Length(std::string_view utf8);

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Appends the UTF-8 form of code point `cp`; returns false (and appends nothing) for a surrogate
// or a value past U+10FFFF.
bool AppendUtf8(std::string& out, char32_t cp);

// ASCII upper and lower case, for the case-insensitive comparisons of names.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace b3::platform
