// Feeds arbitrary bytes to import's table readers, as a CSV file and as a JSON file that a
// spreadsheet or a script could have written, and each cell to the conversion of its column.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "b3/edit_object.h"
#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "cli/table_file.h"
#include "platform/text1252.h"

namespace {

// Every row handed out holds as many cells as names, each within the cell limit and UTF-8 (the
// CSV reader refuses other text, the JSON parser other strings); the cells then go through the
// conversion of the column they name, which either gives a cell or refuses with the server's
// error.
void Rows(int kind, bool json, std::string_view text) {
    const std::string name = json ? "fuzz.json" : "fuzz.csv";
    const auto visit = [kind](const std::vector<std::string>& names,
                              const std::vector<std::optional<std::string>>& cells,
                              const std::string& label) {
        if (names.size() != cells.size() || label.empty()) __builtin_trap();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (!cells[i]) continue;
            if (cells[i]->size() > b3cli::kMaxCellBytes) __builtin_trap();
            if (!b3::platform::IsValidUtf8(*cells[i])) __builtin_trap();
            const auto column = b3::FindTableColumn(kind, names[i]);
            if (!column) continue;
            try {
                const b3::Cell cell = b3::CellFromText(*column, *cells[i]);
                if (b3::ValueProblem(*column, cell)) __builtin_trap();
            } catch (const b3::Error&) {
            }
        }
    };
    try {
        if (json) {
            b3cli::ForEachJsonRow(text, name, visit);
        } else {
            b3cli::ForEachCsvRow(text, name, visit);
        }
    } catch (const std::runtime_error& e) {
        // A refusal is one short line.
        if (std::string_view(e.what()).size() > 1000) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the kind whose columns the cells are converted for.
    const int kind = data[0] % b3::kKindCount;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    Rows(kind, false, text);
    Rows(kind, true, text);
    return 0;
}
