// JSON input of the suite (objects to write, battle scenarios): read with a size limit, parsed with
// a depth limit, and quoted in messages only by a short excerpt.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace b3::engine {

// Inputs larger than this are refused before they are parsed.
inline constexpr std::size_t kMaxJsonInputBytes = 1u << 20;
// Values nested deeper than this are refused while they are parsed.
inline constexpr int kMaxJsonDepth = 64;

// A refused input; the message says what to fix.
class JsonInputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The name of `file` in messages: the file itself, or "standard input" for "-".
std::string InputName(const std::string& file);

// The text of `file` ("-" for standard input); refuses a file that cannot be read or that holds
// more than `limit` bytes, without reading more than that. `what` names such an input in the
// refusal ("a JSON input").
std::string ReadLimitedInput(const std::string& file, std::size_t limit, const std::string& what);

// ReadLimitedInput with kMaxJsonInputBytes.
std::string ReadJsonInput(const std::string& file);

// Parses `text`, read from `file`; refuses text that is not JSON (naming the line and column) and
// values nested deeper than kMaxJsonDepth.
nlohmann::json ParseJsonInput(const std::string& text, const std::string& file);

// The refusal of `text`, read from `file`, for a parse error of the JSON library: the line and
// column of the fault, or that the text ends too early. For readers that parse on their own.
JsonInputError JsonSyntaxError(const nlohmann::json::exception& e, std::string_view text,
                               const std::string& file);

// A short, flat excerpt of `value` for messages: numbers, truth values and null as written, a
// text quoted and cut after 40 characters, a list or an object by its size only.
std::string Excerpt(const nlohmann::json& value);

}  // namespace b3::engine
