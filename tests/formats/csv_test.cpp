// The CSV writer and reader: awkward fields both ways, the byte order mark, the limits, and the
// places that a broken text is reported at.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/csv.h"

namespace {

using b3::csv::Encoding;
using b3::csv::Limits;
using b3::csv::Problem;
using b3::csv::Reader;
using b3::csv::Writer;
using Rows = std::vector<std::vector<std::string>>;

// Every row of the text, and the problem that stopped the reader, if any.
struct ReadResult {
    Rows rows;
    std::optional<Problem> problem;
};

ReadResult ReadAll(std::string_view text, Limits limits = {}) {
    ReadResult result;
    Reader reader(text, limits);
    std::vector<std::string> fields;
    while (reader.next(fields)) result.rows.push_back(fields);
    result.problem = reader.problem();
    return result;
}

TEST(Csv, AwkwardFieldsComeBackAsTheyWereWritten) {
    const Rows rows = {
        {"plain", "with, comma", "with \"quotes\"", "\"", "\"\""},
        {"two\r\nlines", "line\nfeed", "carriage\rreturn", "", " spaced "},
        {},
        {"caf\xC3\xA9", "trailing,", ",", "\n"},
    };
    for (const bool always : {false, true}) {
        std::string text;
        Writer writer(text, Encoding::Utf8);
        for (const auto& row : rows) {
            for (const auto& field : row) always ? writer.quoted(field) : writer.field(field);
            writer.endRow();
        }
        const ReadResult back = ReadAll(text);
        EXPECT_FALSE(back.problem);
        // The empty row reads as one empty field.
        Rows expected = rows;
        expected[2] = {""};
        EXPECT_EQ(back.rows, expected) << text;
    }

    // Quoted only where needed, quotes doubled, numbers bare, CR LF unless told otherwise.
    std::string text;
    Writer(text, Encoding::Windows1252)
        .field("a")
        .field("b,c")
        .field("say \"hi\"")
        .field("x\ry")
        .empty()
        .number(-32768)
        .quoted("007")
        .endRow();
    EXPECT_EQ(text, "a,\"b,c\",\"say \"\"hi\"\"\",\"x\ry\",,-32768,\"007\"\r\n");
    std::string unix;
    Writer lf(unix, Encoding::Windows1252, "\n");
    lf.field("a").endRow();
    lf.endRow();
    EXPECT_EQ(unix, "a\n\n");
}

TEST(Csv, AByteOrderMarkStartsUtf8TablesAndIsSkippedOnceOnReading) {
    std::string utf8 = "before:";
    Writer(utf8, Encoding::Utf8).field("A").endRow();
    EXPECT_EQ(utf8,
              "before:\xEF\xBB\xBF"
              "A\r\n");
    std::string legacy;
    Writer(legacy, Encoding::Windows1252).field("A").endRow();
    EXPECT_EQ(legacy, "A\r\n");

    EXPECT_EQ(ReadAll("\xEF\xBB\xBF"
                      "A,B\n")
                  .rows,
              (Rows{{"A", "B"}}));
    EXPECT_EQ(ReadAll("A,B\n").rows, (Rows{{"A", "B"}}));
    // Only one, and only at the start.
    EXPECT_EQ(ReadAll("\xEF\xBB\xBF\xEF\xBB\xBF"
                      "A\n")
                  .rows,
              (Rows{{"\xEF\xBB\xBF"
                     "A"}}));
    EXPECT_EQ(ReadAll("A,\xEF\xBB\xBF"
                      "B\n")
                  .rows,
              (Rows{{"A",
                     "\xEF\xBB\xBF"
                     "B"}}));
    EXPECT_EQ(b3::csv::SkipByteOrderMark("\xEF\xBB"), "\xEF\xBB");
}

TEST(Csv, LineEndsRowsAndLenientQuotes) {
    // CR LF, LF and a lone CR each end a row; the text may end without one; a line break inside
    // quotes belongs to the field, so the row after it is row 2.
    const ReadResult r = ReadAll("a,\"b\r\nc\"\r\nd\ne\rf");
    EXPECT_EQ(r.rows, (Rows{{"a", "b\r\nc"}, {"d"}, {"e"}, {"f"}}));
    EXPECT_FALSE(r.problem);
    EXPECT_TRUE(ReadAll("").rows.empty());
    EXPECT_EQ(ReadAll("\n\n").rows, (Rows{{""}, {""}}));
    // A quote inside an unquoted field and text after a closing quote are kept.
    EXPECT_EQ(ReadAll("ab\"c,\"x\"y,\"\"\n").rows, (Rows{{"ab\"c", "xy", ""}}));
}

TEST(Csv, LimitsAreReportedWithTheirRowAndField) {
    Limits limits;
    limits.maxBytes = 64;
    limits.maxFieldBytes = 4;
    limits.maxFields = 3;
    // At the limits exactly, everything is read.
    EXPECT_EQ(ReadAll("abcd,\"ab\"\"c\",x\n", limits).rows, (Rows{{"abcd", "ab\"c", "x"}}));
    std::string full;
    while (full.size() < 64) full += "ab\n";
    full.resize(64);
    EXPECT_FALSE(ReadAll(full, limits).problem);

    ReadResult r = ReadAll("a\nb,c,d,e\n", limits);
    EXPECT_EQ(r.rows, (Rows{{"a"}}));
    ASSERT_TRUE(r.problem);
    EXPECT_EQ(r.problem->kind, Problem::Kind::TooManyFields);
    EXPECT_EQ(b3::csv::Describe(*r.problem), "row 2 has more than 3 fields");

    r = ReadAll("a\n\"x\ny\"\nb,\"ab\"\"cd\"\n", limits);
    EXPECT_EQ(r.rows.size(), 2u);
    ASSERT_TRUE(r.problem);
    EXPECT_EQ(r.problem->kind, Problem::Kind::FieldTooLong);
    EXPECT_EQ(b3::csv::Describe(*r.problem), "row 3, field 2 is longer than 4 bytes");

    r = ReadAll(std::string(65, 'x'), limits);
    EXPECT_TRUE(r.rows.empty());
    ASSERT_TRUE(r.problem);
    EXPECT_EQ(r.problem->kind, Problem::Kind::TooLarge);
    EXPECT_EQ(b3::csv::Describe(*r.problem), "the text is longer than 64 bytes");

    // The defaults are the table reader's.
    EXPECT_EQ(Limits{}.maxBytes, std::size_t{256} << 20);
    EXPECT_EQ(Limits{}.maxFieldBytes, 4096u);
    EXPECT_EQ(Limits{}.maxFields, 1024u);
}

TEST(Csv, AnUnclosedQuoteIsReportedWhereItOpens) {
    // Row 3 is the third record: the quoted line break in row 2 does not count.
    const ReadResult r = ReadAll("h1,h2,h3\r\n\"a\nb\",c,d\r\ne,f,\"g\r\nh\r\n");
    EXPECT_EQ(r.rows, (Rows{{"h1", "h2", "h3"}, {"a\nb", "c", "d"}}));
    ASSERT_TRUE(r.problem);
    EXPECT_EQ(r.problem->kind, Problem::Kind::UnclosedQuote);
    EXPECT_EQ(r.problem->row, 3u);
    EXPECT_EQ(r.problem->column, 3u);
    EXPECT_EQ(b3::csv::Describe(*r.problem),
              "row 3, field 3 opens a quoted field that never closes");
    // A doubled quote at the very end does not close the field.
    EXPECT_EQ(ReadAll("\"abc\"\"").problem->kind, Problem::Kind::UnclosedQuote);
    // After a problem the reader stays stopped.
    Reader reader("\"open");
    std::vector<std::string> fields;
    EXPECT_FALSE(reader.next(fields));
    EXPECT_FALSE(reader.next(fields));
    EXPECT_TRUE(reader.problem());
}

}  // namespace
