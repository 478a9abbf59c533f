#include "formats/csv.h"

namespace b3::csv {

std::string_view SkipByteOrderMark(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    return text;
}

Writer::Writer(std::string& out, Encoding encoding, std::string_view lineEnd)
    : out_(out), lineEnd_(lineEnd) {
    if (encoding == Encoding::Utf8) out_ += kByteOrderMark;
}

void Writer::separate() {
    if (rowStarted_) out_ += ',';
    rowStarted_ = true;
}

Writer& Writer::field(std::string_view text) {
    if (NeedsQuotes(text)) return quoted(text);
    separate();
    out_ += text;
    return *this;
}

Writer& Writer::quoted(std::string_view text) {
    separate();
    out_ += '"';
    for (const char ch : text) {
        if (ch == '"') out_ += '"';
        out_ += ch;
    }
    out_ += '"';
    return *this;
}

Writer& Writer::number(std::int64_t value) {
    separate();
    out_ += std::to_string(value);
    return *this;
}

Writer& Writer::empty() {
    separate();
    return *this;
}

void Writer::endRow() {
    out_ += lineEnd_;
    rowStarted_ = false;
}

bool NeedsQuotes(std::string_view text) {
    return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

std::string Describe(const Problem& problem) {
    const auto n = [](std::size_t value) { return std::to_string(value); };
    const std::string row = "row " + n(problem.row);
    const std::string field = row + ", field " + n(problem.column);
    switch (problem.kind) {
        case Problem::Kind::TooLarge:
            return "the text is longer than " + n(problem.limit) + " bytes";
        case Problem::Kind::TooManyFields:
            return row + " has more than " + n(problem.limit) + " fields";
        case Problem::Kind::FieldTooLong:
            return field + " is longer than " + n(problem.limit) + " bytes";
        case Problem::Kind::UnclosedQuote:
            break;
    }
    return field + " opens a quoted field that never closes";
}

Reader::Reader(std::string_view text, Limits limits) : text_(text), limits_(limits) {
    if (text_.size() > limits_.maxBytes) {
        fail(Problem::Kind::TooLarge, 0, limits_.maxBytes);
        return;
    }
    text_ = SkipByteOrderMark(text_);
}

bool Reader::fail(Problem::Kind kind, std::size_t column, std::size_t limit) {
    problem_ = Problem{kind, kind == Problem::Kind::TooLarge ? 0 : row_, column, limit};
    pos_ = text_.size();
    return false;
}

bool Reader::next(std::vector<std::string>& fields) {
    fields.clear();
    if (problem_ || pos_ >= text_.size()) return false;
    ++row_;
    std::string field;
    bool quoted = false, fieldStarted = false;
    // Each returns false at a limit.
    const auto endField = [&] {
        if (fields.size() == limits_.maxFields) {
            return fail(Problem::Kind::TooManyFields, fields.size() + 1, limits_.maxFields);
        }
        fields.push_back(std::move(field));
        field.clear();
        fieldStarted = false;
        return true;
    };
    const auto add = [&](char ch) {
        if (field.size() == limits_.maxFieldBytes) {
            return fail(Problem::Kind::FieldTooLong, fields.size() + 1, limits_.maxFieldBytes);
        }
        field += ch;
        return true;
    };
    while (pos_ < text_.size()) {
        const char ch = text_[pos_];
        if (quoted) {
            if (ch == '"' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                if (!add('"')) return false;
                pos_ += 2;
                continue;
            }
            if (ch == '"') {
                quoted = false;
            } else if (!add(ch)) {
                return false;
            }
            ++pos_;
            continue;
        }
        if (ch == '"' && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (ch == ',') {
            if (!endField()) return false;
        } else if (ch == '\r' || ch == '\n') {
            const bool crlf = ch == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n';
            pos_ += crlf ? 2u : 1u;
            return endField();
        } else {
            if (!add(ch)) return false;
            fieldStarted = true;
        }
        ++pos_;
    }
    if (quoted) return fail(Problem::Kind::UnclosedQuote, fields.size() + 1, 0);
    return endField();
}

}  // namespace b3::csv
