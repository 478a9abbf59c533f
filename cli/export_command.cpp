// b3cli export: every object of a kind as one table row.
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "cli/table_commands.h"
#include "cli/table_file.h"
#include "platform/files.h"

namespace b3cli {

void ExportTable(const b3::_CEditObject& object, int kind, const std::string& file,
                 std::ostream& out) {
    const auto& columns = b3::TableColumns(kind);
    const b3::DataArray data = object.GetEditObjectData(kind);
    std::vector<std::string> header;
    for (const b3::TableColumn& c : columns) header.push_back(c.name);
    std::vector<std::vector<b3::Cell>> rows;
    for (std::size_t r = 0; r < data.rows(); ++r) {
        std::vector<b3::Cell> row;
        for (const b3::TableColumn& c : columns) {
            b3::Cell cell = data.at(r, static_cast<std::size_t>(c.column));
            // A spell stands in the table by its file's name, not by the full path.
            if (kind == b3::kSpell && c.column == b3::LayoutOf(kind).shortNameColumn) {
                const std::string& path = cell.str();
                cell = b3::Cell::text(path.substr(path.find_last_of("/\\") + 1));
            }
            row.push_back(std::move(cell));
        }
        rows.push_back(std::move(row));
    }
    const std::string text = IsJsonFile(file) ? JsonText(header, rows) : CsvText(header, rows);
    if (file == "-") {
        out << text;
        return;
    }
    std::error_code ec;
    if (!b3::platform::ReplaceFile(file, text, ec))
        throw std::runtime_error("cannot write " + file + ": " + ec.message());
    out << "Wrote " << rows.size() << ' ' << b3::LayoutOf(kind).kindName
        << (rows.size() == 1 ? " object" : " objects") << " to " << file << '\n';
}

}  // namespace b3cli
