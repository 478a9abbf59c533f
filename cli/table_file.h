// Tables of objects as files that spreadsheets and scripts read and write: CSV (RFC 4180, UTF-8
// with a byte order mark) and JSON (an array of objects keyed by column name).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "b3/edit_object.h"

namespace b3cli {

// A table as read from a file: the column names and, for each row, its cells as texts (numbers
// in decimal; nothing where a JSON object lacks the key) and a label that names the row in messages
// ("row 3" for CSV, counting the header as row 1 as spreadsheets do; "object 2" for JSON).
struct TextTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::optional<std::string>>> rows;
    std::vector<std::string> labels;
};

// The whole of FILE, or of standard input for "-". Throws std::runtime_error naming the file when
// it cannot be read.
std::string ReadInputFile(const std::string& file);

// Whether FILE is taken as JSON: "-" or a name ending in ".json" (letter case ignored).
bool IsJsonFile(const std::string& file);

// The table as CSV: byte order mark, CR LF line ends, texts always quoted (inner quotes doubled),
// numbers bare, empty cells as nothing.
std::string CsvText(const std::vector<std::string>& header,
                    const std::vector<std::vector<b3::Cell>>& rows);

// The table as a JSON array of objects, keys in header order, texts as strings, numbers as
// numbers, empty cells as null; ends with a line feed.
std::string JsonText(const std::vector<std::string>& header,
                     const std::vector<std::vector<b3::Cell>>& rows);

// Reads CSV text (byte order mark optional, CR LF or LF, quoted fields may hold line breaks).
// Lines with only empty fields are skipped. Throws std::runtime_error naming `name` and the row
// for text that is not UTF-8, an unclosed quote or a row with a different number of fields.
TextTable ReadCsv(std::string_view text, const std::string& name);

// Reads a JSON array of objects; the header is every key in the order first met, an object may
// lack keys, each value is a string, an integer or null (read as the empty text). Throws
// std::runtime_error naming `name`, the object and the key otherwise.
TextTable ReadJson(std::string_view text, const std::string& name);

}  // namespace b3cli
