#include "cli/table_file.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "engine/json_input.h"
#include "formats/csv.h"
#include "platform/native_path.h"
#include "platform/text1252.h"

namespace b3cli {
namespace {

using nlohmann::json;

bool EndsWithJson(const std::string& file) {
    return file.size() >= 5 &&
           b3::platform::EqualsIgnoreCase(file.substr(file.size() - 5), ".json");
}

json CellJson(const b3::Cell& cell) {
    if (cell.isEmpty()) return nullptr;
    if (cell.isText()) return cell.str();
    return cell.number();
}

}  // namespace

std::string ReadInputFile(const std::string& file) {
    return b3::engine::ReadLimitedInput(file, kMaxTableBytes, "a table of the game's objects");
}

bool IsJsonFile(const std::string& file) {
    return file == "-" || EndsWithJson(file);
}

std::string CsvText(const std::vector<std::string>& header,
                    const std::vector<std::vector<b3::Cell>>& rows) {
    std::string out;
    b3::csv::Writer writer(out, b3::csv::Encoding::Utf8);
    for (const std::string& name : header) writer.field(name);
    writer.endRow();
    for (const auto& row : rows) {
        for (const b3::Cell& cell : row) {
            if (cell.isText())
                writer.quoted(cell.str());
            else if (cell.isNumber())
                writer.number(cell.number());
            else
                writer.empty();
        }
        writer.endRow();
    }
    return out;
}

std::string JsonText(const std::vector<std::string>& header,
                     const std::vector<std::vector<b3::Cell>>& rows) {
    // Written by hand so that the keys keep the header's order, one object a line.
    std::string text = "[";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        text += r == 0 ? "\n  {" : ",\n  {";
        for (std::size_t i = 0; i < header.size() && i < rows[r].size(); ++i) {
            if (i > 0) text += ", ";
            text += json(header[i]).dump() + ": " +
                    CellJson(rows[r][i]).dump(-1, ' ', false, json::error_handler_t::replace);
        }
        text += "}";
    }
    text += rows.empty() ? "]\n" : "\n]\n";
    return text;
}

void ForEachCsvRow(std::string_view text, const std::string& name, const RowVisitor& visit) {
    if (!b3::platform::IsValidUtf8(text)) {
        throw std::runtime_error(name +
                                 " is not UTF-8 text; save it from the spreadsheet as "
                                 "\"CSV UTF-8\"");
    }
    b3::csv::Limits limits;
    limits.maxBytes = kMaxTableBytes;
    limits.maxFieldBytes = kMaxCellBytes;
    limits.maxFields = kMaxCsvFields;
    b3::csv::Reader reader(text, limits);
    std::vector<std::string> header;
    bool haveHeader = false;
    std::vector<std::optional<std::string>> cells;
    std::vector<std::string> record;
    const auto row = [&reader] { return "row " + std::to_string(reader.row()); };
    while (reader.next(record)) {
        bool blank = true;
        for (const auto& cell : record) blank = blank && cell.empty();
        if (blank) continue;
        if (!haveHeader) {
            header = std::move(record);
            haveHeader = true;
            continue;
        }
        // Spreadsheets may leave trailing empty fields off or add them.
        while (record.size() > header.size() && record.back().empty()) record.pop_back();
        while (record.size() < header.size()) record.emplace_back();
        if (record.size() != header.size()) {
            throw std::runtime_error(name + ": " + row() + " has " + std::to_string(record.size()) +
                                     " fields; the header has " + std::to_string(header.size()));
        }
        cells.assign(std::make_move_iterator(record.begin()),
                     std::make_move_iterator(record.end()));
        visit(header, cells, row());
    }
    if (const auto& problem = reader.problem()) {
        std::string why;
        switch (problem->kind) {
            case b3::csv::Problem::Kind::TooManyFields:
                why = "; a table of the game's objects has at most 127 columns";
                break;
            case b3::csv::Problem::Kind::FieldTooLong:
                why = "; no field of the game holds more than 128 characters";
                break;
            default:
                break;
        }
        throw std::runtime_error(name + ": " + b3::csv::Describe(*problem) + why);
    }
    if (!haveHeader) throw std::runtime_error(name + " holds no header line of column names");
}

namespace {

// The objects of a JSON array, each handed on as soon as it ends. Nothing deeper than a value
// of an object is ever entered: a list or an object there is refused at its start, so no input
// nests deep and nothing is built but the one object.
class JsonRows : public nlohmann::json_sax<json> {
public:
    JsonRows(std::string_view text, const std::string& name, const RowVisitor& visit)
        : text_(text), name_(name), visit_(visit) {}

    bool null() override { return Value(std::string(), nullptr); }
    bool boolean(bool value) override { return Value(std::nullopt, json(value)); }
    bool number_integer(number_integer_t value) override {
        return Value(std::to_string(value), nullptr);
    }
    bool number_unsigned(number_unsigned_t value) override {
        return Value(std::to_string(value), nullptr);
    }
    bool number_float(number_float_t value, const string_t&) override {
        return Value(std::nullopt, json(value));
    }
    bool string(string_t& value) override {
        if (depth_ == 2 && value.size() > kMaxCellBytes) {
            Refuse(Where() + " is longer than " + std::to_string(kMaxCellBytes) +
                   " bytes; no field of the game holds more than 128 characters");
        }
        return Value(std::move(value), nullptr);
    }
    bool binary(binary_t&) override { return Value(std::nullopt, json()); }

    bool start_object(std::size_t) override {
        if (depth_ == 0) Refuse(name_ + " must hold a JSON array of objects");
        if (depth_ == 2) Nested("an object");
        ++depth_;
        ++objects_;
        names_.clear();
        cells_.clear();
        return true;
    }
    bool key(string_t& key) override {
        if (key.size() > kMaxCellBytes) {
            Refuse(name_ + ": " + Label() + " has a key longer than " +
                   std::to_string(kMaxCellBytes) + " bytes, which names no column");
        }
        names_.push_back(std::move(key));
        return true;
    }
    bool end_object() override {
        --depth_;
        visit_(names_, cells_, Label());
        return true;
    }
    bool start_array(std::size_t) override {
        if (depth_ == 1) NotAnObject();
        if (depth_ == 2) Nested("a list");
        ++depth_;
        return true;
    }
    bool end_array() override {
        --depth_;
        return true;
    }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& e) override {
        throw b3::engine::JsonSyntaxError(e, text_, name_);
    }

private:
    std::string Label() const { return "object " + std::to_string(objects_); }
    std::string Where() const {
        return name_ + ": " + Label() + ", key " + b3::engine::Excerpt(json(names_.back()));
    }
    [[noreturn]] void Refuse(const std::string& text) const { throw std::runtime_error(text); }
    [[noreturn]] void NotAnObject() const {
        Refuse(name_ + ": object " + std::to_string(objects_ + 1) + " is not a JSON object");
    }
    [[noreturn]] void Nested(const std::string& what) const {
        Refuse(Where() + ": " + what + " is neither a text nor a whole number");
    }
    // A value: `text` where it is one a cell takes, else `other` for the refusal.
    bool Value(std::optional<std::string> text, const json& other) {
        if (depth_ == 0) Refuse(name_ + " must hold a JSON array of objects");
        if (depth_ == 1) NotAnObject();
        if (!text) {
            Refuse(Where() + ": " + b3::engine::Excerpt(other) +
                   " is neither a text nor a whole number");
        }
        cells_.emplace_back(std::move(text));
        return true;
    }

    std::string_view text_;
    const std::string& name_;
    const RowVisitor& visit_;
    int depth_ = 0;
    std::size_t objects_ = 0;
    std::vector<std::string> names_;
    std::vector<std::optional<std::string>> cells_;
};

}  // namespace

void ForEachJsonRow(std::string_view text, const std::string& name, const RowVisitor& visit) {
    JsonRows rows(text, name, visit);
    try {
        json::sax_parse(text, &rows);
    } catch (const json::exception& e) {
        throw b3::engine::JsonSyntaxError(e, text, name);
    }
}

void ForEachTableRow(std::string_view text, const std::string& file, const std::string& name,
                     const RowVisitor& visit) {
    if (IsJsonFile(file)) {
        ForEachJsonRow(text, name, visit);
    } else {
        ForEachCsvRow(text, name, visit);
    }
}

TextTable ReadCsv(std::string_view text, const std::string& name) {
    TextTable table;
    ForEachCsvRow(text, name, [&table](const auto& header, const auto& cells, const auto& label) {
        if (table.header.empty()) table.header = header;
        table.rows.push_back(cells);
        table.labels.push_back(label);
    });
    return table;
}

TextTable ReadJson(std::string_view text, const std::string& name) {
    TextTable table;
    std::vector<std::vector<std::pair<std::string, std::string>>> objects;
    ForEachJsonRow(text, name, [&](const auto& names, const auto& cells, const auto& label) {
        auto& object = objects.emplace_back();
        for (std::size_t k = 0; k < names.size(); ++k) {
            object.emplace_back(names[k], *cells[k]);
            if (std::find(table.header.begin(), table.header.end(), names[k]) == table.header.end())
                table.header.push_back(names[k]);
        }
        table.labels.push_back(label);
    });
    for (const auto& object : objects) {
        auto& cells = table.rows.emplace_back();
        for (const std::string& key : table.header) {
            // A key given twice counts as its last value, as JSON readers take it.
            std::optional<std::string> cell;
            for (const auto& [k, v] : object)
                if (k == key) cell = v;
            cells.push_back(std::move(cell));
        }
    }
    return table;
}
}  // namespace b3cli
