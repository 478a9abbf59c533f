#include "cli/table_file.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "platform/text1252.h"

namespace b3cli {
namespace {

using nlohmann::json;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

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
    if (file == "-") {
        std::ostringstream text;
        text << std::cin.rdbuf();
        if (std::cin.bad()) throw std::runtime_error("cannot read standard input");
        return text.str();
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + file);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("cannot read " + file);
    return text;
}

bool IsJsonFile(const std::string& file) {
    return file == "-" || EndsWithJson(file);
}

std::string CsvText(const std::vector<std::string>& header,
                    const std::vector<std::vector<b3::Cell>>& rows) {
    std::string out(kBom);
    const auto line = [&out](const auto& cells, const auto& field) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) out += ',';
            field(cells[i]);
        }
        out += "\r\n";
    };
    const auto quoted = [&out](std::string_view text) {
        out += '"';
        for (const char ch : text) {
            if (ch == '"') out += '"';
            out += ch;
        }
        out += '"';
    };
    line(header, [&](const std::string& name) { out += name; });
    for (const auto& row : rows) {
        line(row, [&](const b3::Cell& cell) {
            if (cell.isText())
                quoted(cell.str());
            else if (cell.isNumber())
                out += std::to_string(cell.number());
        });
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

TextTable ReadCsv(std::string_view text, const std::string& name) {
    if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
    if (!b3::platform::IsValidUtf8(text)) {
        throw std::runtime_error(name +
                                 " is not UTF-8 text; save it from the spreadsheet as "
                                 "\"CSV UTF-8\"");
    }
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false, fieldStarted = false;
    std::size_t i = 0;
    const auto endField = [&] {
        record.push_back(std::move(field));
        field.clear();
        fieldStarted = false;
    };
    const auto endRecord = [&] {
        endField();
        records.push_back(std::move(record));
        record.clear();
    };
    while (i < text.size()) {
        const char ch = text[i];
        if (quoted) {
            if (ch == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                i += 2;
                continue;
            }
            if (ch == '"') {
                quoted = false;
            } else {
                field += ch;
            }
            ++i;
            continue;
        }
        if (ch == '"' && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (ch == ',') {
            endField();
        } else if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            endRecord();
            ++i;
        } else if (ch == '\n' || ch == '\r') {
            endRecord();
        } else {
            field += ch;
            fieldStarted = true;
        }
        ++i;
    }
    if (quoted) {
        throw std::runtime_error(name + ": row " + std::to_string(records.size() + 1) +
                                 " opens a quoted field that never closes");
    }
    if (fieldStarted || !record.empty() || !field.empty()) endRecord();

    TextTable table;
    bool haveHeader = false;
    for (std::size_t r = 0; r < records.size(); ++r) {
        auto& cells = records[r];
        bool blank = true;
        for (const auto& cell : cells) blank = blank && cell.empty();
        if (blank) continue;
        if (!haveHeader) {
            table.header = std::move(cells);
            haveHeader = true;
            continue;
        }
        // Spreadsheets may leave trailing empty fields off or add them.
        while (cells.size() > table.header.size() && cells.back().empty()) cells.pop_back();
        while (cells.size() < table.header.size()) cells.emplace_back();
        if (cells.size() != table.header.size()) {
            throw std::runtime_error(name + ": row " + std::to_string(r + 1) + " has " +
                                     std::to_string(cells.size()) + " fields; the header has " +
                                     std::to_string(table.header.size()));
        }
        table.rows.emplace_back(cells.begin(), cells.end());
        table.labels.push_back("row " + std::to_string(r + 1));
    }
    if (!haveHeader) throw std::runtime_error(name + " holds no header line of column names");
    return table;
}

TextTable ReadJson(std::string_view text, const std::string& name) {
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        throw std::runtime_error(name + " is not valid JSON: " + e.what());
    }
    if (!doc.is_array()) throw std::runtime_error(name + " must hold a JSON array of objects");
    TextTable table;
    for (std::size_t r = 0; r < doc.size(); ++r) {
        const std::string label = "object " + std::to_string(r + 1);
        const json& object = doc[r];
        if (!object.is_object())
            throw std::runtime_error(name + ": " + label + " is not a JSON object");
        for (const auto& item : object.items())
            if (std::find(table.header.begin(), table.header.end(), item.key()) ==
                table.header.end())
                table.header.push_back(item.key());
        table.rows.push_back({});
        table.labels.push_back(label);
    }
    for (std::size_t r = 0; r < doc.size(); ++r) {
        const json& object = doc[r];
        auto& cells = table.rows[r];
        for (const std::string& key : table.header) {
            const auto it = object.find(key);
            if (it == object.end()) {
                cells.emplace_back(std::nullopt);
            } else if (it->is_null()) {
                cells.emplace_back(std::string());
            } else if (it->is_string()) {
                cells.emplace_back(it->get<std::string>());
            } else if (it->is_number_integer()) {
                cells.emplace_back(it->dump());
            } else {
                throw std::runtime_error(name + ": " + table.labels[r] + ", key \"" + key + "\": " +
                                         it->dump() + " is neither a text nor a whole number");
            }
        }
    }
    return table;
}
}  // namespace b3cli
