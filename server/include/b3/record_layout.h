// The record layouts of the five definition kinds, declared once as data. They drive the
// loaders, the writers and the tests alike.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "b3/edit_object.h"

namespace b3 {

enum class FieldEncoding {
    Byte,      // one unsigned byte
    Int16,     // signed 16-bit, little-endian
    Int32,     // signed 32-bit, little-endian
    Text,      // `width` bytes of Windows-1252, ending at the first NUL or the field's end
    IconByte,  // item icon: the column is the byte divided by 4; written as 4 * column plus the
               // low two bits the byte held before
};

enum class FieldAccess {
    ReadWrite,
    ReadOnly,   // read into its column, never written
    WriteOnly,  // written from its column, not read back (the short name inside the record)
};

struct FieldLayout {
    int offset;  // 0-based
    int width;   // bytes
    FieldEncoding encoding;
    int column;
    FieldAccess access;
};

struct RecordLayout {
    EditObjectKind kind;
    const char* kindName;   // "item", "army", ...
    const char* subfolder;  // "Items", "Army", "Hero", "Sites", "Spell"
    const char* extension;  // ".ITM", ...
    int recordLength;       // 204, 252, 1380, 46, 210
    int columns;            // 11, 28, 127, 9, 21
    int shortNameColumn;    // the column filled from the file name; for spells the path column 20
    std::span<const FieldLayout> fields;  // in the order the loader reads them
};

// The layout of `kind` (0 to 4); any other kind fails with number 9.
B3EDTSVR_EXPORT const RecordLayout& LayoutOf(int kind);

// Decodes one record into a row of the kind's data array. Bytes missing at the end read as zeros;
// any bytes decode. `row` goes to column 0; `nameCell` is the short name (or, for spells, the
// file's full path) and goes to the layout's short name column.
B3EDTSVR_EXPORT ObjectArray DecodeRecord(int kind, std::string_view bytes, std::int32_t row,
                                         const std::string& nameCell);

// Checks every written field of `object` and returns `existing` with those fields replaced;
// `existing` is first zero-padded to the record length, and bytes past it are kept. Nothing is
// returned on failure: number 9 when `object` does not reach the kind's last column, 5 for a text
// longer than its field, 6 for a number that does not fit, 13 for a value that cannot be converted
// (a text that is no number, a character that Windows-1252 cannot hold). The source is the
// writer's own ("CEditObject::WriteArmy" and so on).
B3EDTSVR_EXPORT std::string EncodeRecord(int kind, const ObjectArray& object, std::string existing);

}  // namespace b3
