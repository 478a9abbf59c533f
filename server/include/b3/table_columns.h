// The columns of the five data arrays by name, for tables that people edit outside the game
// (spreadsheets, scripts): one short, unique name per column, the cell type it takes and the
// range of values its field can hold.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "b3/edit_object.h"

namespace b3 {

struct TableColumn {
    int column;        // the data array's column number
    std::string name;  // "ShortName", "DisplayName", "Level3XP", ...
    Cell::Type type;   // Byte, Integer, Long or Text
    int width;         // text fields: the field's width in bytes; numbers: 0
    long long min;     // numbers: the values the field holds
    long long max;
    bool writable;  // false for the fields the writer leaves alone (the army's type words)
};

// The columns of a table of `kind`: the key first (the short name; for spells "File", the spell's
// file name), then the others in column order. The row index (column 0) has no table column.
// Any other kind fails with number 9.
B3EDTSVR_EXPORT const std::vector<TableColumn>& TableColumns(int kind);

// The column named `name` (letter case ignored), if any.
B3EDTSVR_EXPORT std::optional<TableColumn> FindTableColumn(int kind, std::string_view name);

// The column that code names `name`, spelt exactly as the table spells it; a name the table lacks
// is a fault of that code and fails with number 9, `source` as the error's source.
B3EDTSVR_EXPORT const TableColumn& TableColumnNamed(int kind, std::string_view name,
                                                    const char* source);

// Why `value` cannot be stored in the column's field, in words that say what to fix ("the
// character 'Ł' cannot be stored in the game's files", "300 does not fit: 0 to 255"); nothing when
// it can.
B3EDTSVR_EXPORT std::optional<std::string> ValueProblem(const TableColumn& column,
                                                        const Cell& value);

// The cell of `column` that the table text `text` stands for: texts as they are, numbers as
// decimal digits with an optional sign and surrounding blanks. Fails with number 13 (not a
// number) or 6 (out of the field's range) or 5 (a text the field cannot hold), the source
// "TableColumn" and a description from ValueProblem.
B3EDTSVR_EXPORT Cell CellFromText(const TableColumn& column, std::string_view text);

// A column name in words, for messages: "CombatBonusTerrain" as "Combat Bonus Terrain",
// "Level3XP" as "Level 3 XP".
B3EDTSVR_EXPORT std::string ColumnWords(std::string_view name);

// The first value of `object` (an object array of `kind`) that its field cannot hold, as
// "Display Name: the character 'Ł' cannot be stored in the game's files"; nothing when every
// written field can hold its value. Empty cells are left to the writer.
B3EDTSVR_EXPORT std::optional<std::string> ObjectProblem(int kind, const ObjectArray& object);

// The longest short name of a kind's files: 8 characters, 7 for heroes (whose two picture files
// add "m" and "f").
B3EDTSVR_EXPORT int ShortNameLimit(int kind);

// Why Windows cannot hold `name` as the name of a file of the game (without its extension): empty,
// a leading dot, a path separator or one of < > : " | ? *, a control character, a trailing dot or
// blank, a reserved device name, a character Windows-1252 lacks; nothing when it can.
B3EDTSVR_EXPORT std::optional<std::string> FileNameProblem(std::string_view name);

}  // namespace b3
