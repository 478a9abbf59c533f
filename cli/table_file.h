// Tables of objects as files that spreadsheets and scripts read and write: CSV (RFC 4180, UTF-8
// with a byte order mark) and JSON (an array of objects keyed by column name).
#pragma once

#include <cstddef>
#include <functional>
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

// A table larger than this is refused before it is read; no game holds that many objects.
inline constexpr std::size_t kMaxTableBytes = std::size_t{256} << 20;
// A cell (or a column name) longer than this is refused; the longest field of the game holds 128
// characters, 384 bytes of UTF-8 at most.
inline constexpr std::size_t kMaxCellBytes = 4096;
// A CSV row with more fields than this is refused; the widest kind has 127 columns.
inline constexpr std::size_t kMaxCsvFields = 1024;

// The whole of FILE, or of standard input for "-". Throws std::runtime_error naming the file when
// it cannot be read or holds more than kMaxTableBytes bytes.
std::string ReadInputFile(const std::string& file);

// Whether FILE is taken as JSON: "-" or a name ending in ".json" (letter case ignored).
bool IsJsonFile(const std::string& file);

// The table as CSV (formats/csv.h): byte order mark, CR LF line ends, column names quoted only
// where they must be, texts always quoted (inner quotes doubled), numbers bare, empty cells as
// nothing.
std::string CsvText(const std::vector<std::string>& header,
                    const std::vector<std::vector<b3::Cell>>& rows);

// The table as a JSON array of objects, keys in header order, texts as strings, numbers as
// numbers, empty cells as null; ends with a line feed.
std::string JsonText(const std::vector<std::string>& header,
                     const std::vector<std::vector<b3::Cell>>& rows);

// One row of a table as it is read: the names of its cells (for CSV the header line, for JSON
// the object's own keys in their order), the cells and the row's label as in TextTable.
using RowVisitor = std::function<void(const std::vector<std::string>& names,
                                      const std::vector<std::optional<std::string>>& cells,
                                      const std::string& label)>;

// Reads CSV text (byte order mark optional, CR LF or LF, quoted fields may hold line breaks) and
// hands each row to `visit` as soon as it is read, holding no more than that row. Lines with only
// empty fields are skipped. Throws std::runtime_error naming `name` and the row for text that is
// not UTF-8, an unclosed quote, a row with a different number of fields than the header or more
// than kMaxCsvFields, and a field longer than kMaxCellBytes.
void ForEachCsvRow(std::string_view text, const std::string& name, const RowVisitor& visit);

// Reads a JSON array of objects and hands each object to `visit` as soon as it is read. Each
// value is a string (at most kMaxCellBytes long), an integer or null (read as the empty text).
// Throws std::runtime_error naming `name`, the object and the key otherwise, with a short excerpt
// of a bad value; nothing is nested deeper than a value of an object, so no input nests deep.
void ForEachJsonRow(std::string_view text, const std::string& name, const RowVisitor& visit);

// ForEachJsonRow for FILE taken as JSON (IsJsonFile), else ForEachCsvRow.
void ForEachTableRow(std::string_view text, const std::string& file, const std::string& name,
                     const RowVisitor& visit);

// The whole table of ForEachCsvRow.
TextTable ReadCsv(std::string_view text, const std::string& name);

// The whole table of ForEachJsonRow; the header is every key in the order first met, and an
// object may lack keys.
TextTable ReadJson(std::string_view text, const std::string& name);

}  // namespace b3cli
