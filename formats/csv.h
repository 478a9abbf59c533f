// Comma-separated tables (RFC 4180): the writer behind every CSV file the programs write and the
// reader behind every one they read. Fields are separated by single commas; a quoted field may
// hold commas, quotes (doubled) and line breaks.
//
// The byte order mark: a table written as UTF-8 starts with one, so that spreadsheet programs
// read names with accents; a table written as Windows-1252 (the reports, in the game's own
// encoding) starts with its first field. A reader skips one byte order mark at the start of the
// text if there is one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace b3::csv {

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// What the file of a table is written in. The writer only decides the start of the text by it;
// turning UTF-8 into Windows-1252 is left to the caller.
enum class Encoding { Utf8, Windows1252 };

// The text with one leading byte order mark taken off, if it has one.
std::string_view SkipByteOrderMark(std::string_view text);

// Appends a table to a text, row by row. Every row ends with `lineEnd` (CR LF unless told).
class Writer {
public:
    // Starts the table at the end of `out`, with the byte order mark where `encoding` calls for
    // one.
    Writer(std::string& out, Encoding encoding, std::string_view lineEnd = "\r\n");

    // A field quoted only where it must be: when it holds a comma, a quote, CR or LF.
    Writer& field(std::string_view text);
    // A field always quoted, so that a spreadsheet takes it as text ("007" stays "007").
    Writer& quoted(std::string_view text);
    // A whole number in plain decimal.
    Writer& number(std::int64_t value);
    // A field with nothing in it.
    Writer& empty();
    // Ends the row (a row without fields is an empty line).
    void endRow();

private:
    void separate();

    std::string& out_;
    std::string lineEnd_;
    bool rowStarted_ = false;
};

// Whether a field must be quoted: it holds a comma, a quote, CR or LF.
bool NeedsQuotes(std::string_view text);

// What a reader refuses.
struct Limits {
    std::size_t maxBytes = std::size_t{256} << 20;  // the whole text
    std::size_t maxFieldBytes = 4096;               // one field, after its quotes are undone
    std::size_t maxFields = 1024;                   // one row
};

// Why a reader stopped before the end of the text, and where: the row counts records from 1 (a
// line break inside quotes does not start a row, as in a spreadsheet), the column counts the
// row's fields from 1.
struct Problem {
    enum class Kind {
        TooLarge,       // the text is longer than Limits::maxBytes (row and column 0)
        TooManyFields,  // the row has more than Limits::maxFields fields
        FieldTooLong,   // the field is longer than Limits::maxFieldBytes
        UnclosedQuote,  // the field opens a quote that the text never closes
    };
    Kind kind;
    std::size_t row = 0;
    std::size_t column = 0;
    std::size_t limit = 0;  // the limit broken, for the first three kinds
};

// The problem in words, without a file name: "row 3, field 2 opens a quoted field that never
// closes".
std::string Describe(const Problem& problem);

// Reads a table one row at a time, holding no more than that row. A row ends at CR LF, LF or a
// lone CR outside quotes; the text may end without a line break. A quote inside an unquoted field
// and text after a field's closing quote are kept as they are.
class Reader {
public:
    explicit Reader(std::string_view text, Limits limits = {});

    // Reads the next row into `fields` (cleared first). False at the end of the text, and at a
    // problem, which problem() then names; the fields are then not to be used.
    bool next(std::vector<std::string>& fields);
    // The row last read, from 1.
    std::size_t row() const { return row_; }
    const std::optional<Problem>& problem() const { return problem_; }

private:
    bool fail(Problem::Kind kind, std::size_t column, std::size_t limit);

    std::string_view text_;
    Limits limits_;
    std::size_t pos_ = 0;
    std::size_t row_ = 0;
    std::optional<Problem> problem_;
};

}  // namespace b3::csv
