// The five record layouts and the record codec built on them.
#include "b3/record_layout.h"

#include <algorithm>
#include <vector>

#include "b3/table_columns.h"
#include "platform/text1252.h"
#include "server_internal.h"

namespace b3 {
namespace {

using E = FieldEncoding;
using A = FieldAccess;

std::vector<FieldLayout> ItemFields() {
    return {
        {0, 32, E::Text, 2, A::ReadWrite},      {32, 128, E::Text, 3, A::ReadWrite},
        {160, 9, E::Text, 1, A::WriteOnly},     {178, 1, E::Byte, 4, A::ReadWrite},
        {176, 1, E::IconByte, 5, A::ReadWrite}, {180, 2, E::Int16, 6, A::ReadWrite},
        {184, 2, E::Int16, 7, A::ReadWrite},    {186, 2, E::Int16, 8, A::ReadWrite},
        {200, 2, E::Int16, 9, A::ReadWrite},    {202, 2, E::Int16, 10, A::ReadWrite},
    };
}

std::vector<FieldLayout> ArmyFields() {
    std::vector<FieldLayout> f = {
        {0, 16, E::Text, 1, A::ReadWrite},
        {16, 128, E::Text, 2, A::ReadWrite},
        {144, 9, E::Text, 3, A::WriteOnly},
    };
    for (int i = 0; i < 7; ++i) f.push_back({153 + i, 1, E::Byte, 4 + i, A::ReadWrite});
    // The two type words are read, never written; then the four move bonuses and the combat
    // bonus terrain.
    for (int i = 0; i < 7; ++i) {
        f.push_back({160 + 9 * i, 9, E::Text, 11 + i, i < 2 ? A::ReadOnly : A::ReadWrite});
    }
    f.push_back({223, 1, E::Byte, 18, A::ReadWrite});
    for (int i = 0; i < 5; ++i) f.push_back({224 + 2 * i, 2, E::Int16, 19 + i, A::ReadWrite});
    f.push_back({246, 1, E::Byte, 24, A::ReadWrite});
    f.push_back({247, 1, E::Byte, 25, A::ReadWrite});
    f.push_back({248, 2, E::Int16, 26, A::ReadWrite});
    f.push_back({250, 2, E::Int16, 27, A::ReadWrite});
    return f;
}

std::vector<FieldLayout> HeroFields() {
    std::vector<FieldLayout> f = {
        {0, 32, E::Text, 1, A::ReadWrite},   {32, 32, E::Text, 2, A::ReadWrite},
        {64, 128, E::Text, 3, A::ReadWrite}, {192, 9, E::Text, 4, A::WriteOnly},
        {201, 9, E::Text, 5, A::ReadWrite},  {210, 9, E::Text, 6, A::ReadWrite},
    };
    for (int i = 0; i < 5; ++i) f.push_back({219 + i, 1, E::Byte, 7 + i, A::ReadWrite});
    for (int i = 0; i < 5; ++i) f.push_back({224 + 9 * i, 9, E::Text, 12 + i, A::ReadWrite});
    f.push_back({269, 1, E::Byte, 17, A::ReadWrite});
    f.push_back({270, 1, E::Byte, 18, A::ReadWrite});
    // Level names: 11 male then 11 female titles; then 11 XP and 11 AP figures.
    for (int i = 0; i < 22; ++i) f.push_back({271 + 32 * i, 32, E::Text, 19 + i, A::ReadWrite});
    for (int i = 0; i < 22; ++i) f.push_back({976 + 2 * i, 2, E::Int16, 41 + i, A::ReadWrite});
    // Ten power records of 16 bytes: type, value, two unused bytes, a 10-byte description.
    for (int k = 0; k < 10; ++k)
        f.push_back({1020 + 16 * k, 2, E::Int16, 63 + 3 * k, A::ReadWrite});
    for (int k = 0; k < 10; ++k)
        f.push_back({1022 + 16 * k, 2, E::Int16, 64 + 3 * k, A::ReadWrite});
    for (int k = 0; k < 10; ++k)
        f.push_back({1026 + 16 * k, 10, E::Text, 65 + 3 * k, A::ReadWrite});
    for (int k = 0; k < 10; ++k) f.push_back({1180 + 2 * k, 2, E::Int16, 93 + k, A::ReadWrite});
    for (int k = 0; k < 10; ++k) f.push_back({1200 + 16 * k, 16, E::Text, 103 + k, A::ReadWrite});
    for (int k = 0; k < 10; ++k) f.push_back({1360 + k, 1, E::Byte, 113 + k, A::ReadWrite});
    f.push_back({1370, 1, E::Byte, 123, A::ReadWrite});
    f.push_back({1371, 1, E::Byte, 124, A::ReadWrite});
    f.push_back({1372, 4, E::Int32, 125, A::ReadWrite});
    f.push_back({1376, 4, E::Int32, 126, A::ReadWrite});
    return f;
}

std::vector<FieldLayout> SiteFields() {
    std::vector<FieldLayout> f = {
        {0, 16, E::Text, 1, A::ReadWrite},
        {16, 9, E::Text, 2, A::WriteOnly},
        {26, 2, E::Int16, 3, A::ReadWrite},
        {28, 2, E::Int16, 4, A::ReadWrite},
    };
    for (int i = 0; i < 4; ++i) f.push_back({42 + i, 1, E::Byte, 5 + i, A::ReadWrite});
    return f;
}

std::vector<FieldLayout> SpellFields() {
    std::vector<FieldLayout> f = {
        {0, 16, E::Text, 1, A::ReadWrite},
        {16, 128, E::Text, 2, A::ReadWrite},
        {144, 2, E::Int16, 3, A::ReadWrite},
    };
    for (int p = 0; p < 4; ++p) {
        const int at = 146 + 16 * p;
        const int col = 4 * (p + 1);
        f.push_back({at, 2, E::Int16, col, A::ReadWrite});
        f.push_back({at + 2, 2, E::Int16, col + 1, A::ReadWrite});
        f.push_back({at + 4, 2, E::Int16, col + 2, A::ReadWrite});
        f.push_back({at + 6, 10, E::Text, col + 3, A::ReadWrite});
    }
    return f;
}

struct Layouts {
    std::vector<FieldLayout> fields[kKindCount] = {ItemFields(), ArmyFields(), HeroFields(),
                                                   SiteFields(), SpellFields()};
    RecordLayout layouts[kKindCount] = {
        {kItem, "item", "Items", ".ITM", 204, 11, 1, fields[0]},
        {kArmy, "army", "Army", ".ARM", 252, 28, 3, fields[1]},
        {kHero, "hero", "Hero", ".HER", 1380, 127, 4, fields[2]},
        {kSite, "site", "Sites", ".SIT", 46, 9, 2, fields[3]},
        {kSpell, "spell", "Spell", ".SPL", 210, 21, 20, fields[4]},
    };
};

const Layouts& AllLayouts() {
    static const Layouts layouts;
    return layouts;
}

const char* const kWriterNames[kKindCount] = {"CEditObject::WriteItem", "CEditObject::WriteArmy",
                                              "CEditObject::WriteHero", "CEditObject::WriteSite",
                                              "CEditObject::WriteSpell"};

int WidthCode(FieldEncoding e) {
    switch (e) {
        case E::Byte:
        case E::IconByte:
            return detail::kWidthByte;
        case E::Int16:
            return detail::kWidthInteger;
        case E::Int32:
            return detail::kWidthLong;
        case E::Text:
            return detail::kWidthText;
    }
    return 0;
}

}  // namespace

const RecordLayout& LayoutOf(int kind) {
    if (kind < 0 || kind >= kKindCount) throw detail::PlatformError(kErrSubscript, "B3EdtSvr");
    return AllLayouts().layouts[kind];
}

ObjectArray DecodeRecord(int kind, std::string_view bytes, std::int32_t row,
                         const std::string& nameCell) {
    const RecordLayout& layout = LayoutOf(kind);
    std::string padded;
    if (bytes.size() < static_cast<std::size_t>(layout.recordLength)) {
        padded.assign(bytes);
        padded.resize(static_cast<std::size_t>(layout.recordLength), '\0');
        bytes = padded;
    }
    ObjectArray out(static_cast<std::size_t>(layout.columns));
    out[0] = Cell::long_(row);
    out[static_cast<std::size_t>(layout.shortNameColumn)] = Cell::text(nameCell);
    for (const FieldLayout& f : layout.fields) {
        if (f.access == FieldAccess::WriteOnly) continue;
        const std::string_view raw =
            bytes.substr(static_cast<std::size_t>(f.offset), static_cast<std::size_t>(f.width));
        Cell value;
        switch (f.encoding) {
            case E::Text:
                value = Cell::text(platform::DecodeCp1252(raw.substr(0, raw.find('\0'))));
                break;
            case E::IconByte:
                value = Cell::integer(
                    static_cast<std::int16_t>(static_cast<unsigned char>(raw[0]) / 4));
                break;
            default:
                value = detail::DecodeField(raw, WidthCode(f.encoding));
                break;
        }
        out[static_cast<std::size_t>(f.column)] = std::move(value);
    }
    return out;
}

namespace {

// What a field of the given layout takes, for messages.
std::string FieldRule(const FieldLayout& f) {
    switch (f.encoding) {
        case E::Text:
            return "a text of at most " + std::to_string(f.width) + " characters";
        case E::Byte:
            return "a whole number from 0 to 255";
        case E::IconByte:
            return "a picture number from 0 to 63";
        case E::Int16:
            return "a whole number from -32768 to 32767";
        default:
            return "a whole number from -2147483648 to 2147483647";
    }
}

// Encodes one field of `cell` into its place in `record`.
void EncodeInto(std::string& record, const FieldLayout& f, const Cell& cell,
                const std::string& source) {
    std::string bytes;
    if (f.encoding == E::Text) {
        bytes = detail::EncodeField(cell, detail::kWidthText, source);
        // Padding to the field's width fails for a text longer than the field.
        if (bytes.size() > static_cast<std::size_t>(f.width)) {
            throw detail::PlatformError(kErrInvalidArgument, source);
        }
        bytes.resize(static_cast<std::size_t>(f.width), '\0');
    } else if (f.encoding == E::IconByte) {
        // Four times the picture number, keeping the two low bits the file held.
        const std::string n = detail::EncodeField(cell, detail::kWidthInteger, source);
        const int number = static_cast<std::int16_t>(static_cast<unsigned char>(n[0]) |
                                                     (static_cast<unsigned char>(n[1]) << 8));
        const int low = static_cast<unsigned char>(record[static_cast<std::size_t>(f.offset)]) & 3;
        if (number < 0 || number * 4 + low > 255) {
            throw detail::PlatformError(kErrOverflow, source);
        }
        bytes.push_back(static_cast<char>(number * 4 + low));
    } else {
        bytes = detail::EncodeField(cell, WidthCode(f.encoding), source);
    }
    std::copy(bytes.begin(), bytes.end(), record.begin() + f.offset);
}

}  // namespace

Error detail::TooFewCells(int kind, std::size_t cells, std::string source) {
    static const char* const records[] = {"an item", "an army", "a hero", "a site", "a spell"};
    return Error(kErrSubscript, std::move(source),
                 DescribeError(kErrSubscript) + ": " + records[kind] + " takes " +
                     std::to_string(LayoutOf(kind).columns) + " cells; the array has " +
                     std::to_string(cells));
}

std::string EncodeRecord(int kind, const ObjectArray& object, std::string existing) {
    const RecordLayout& layout = LayoutOf(kind);
    const std::string source = kWriterNames[kind];
    if (object.size() < static_cast<std::size_t>(layout.columns)) {
        throw detail::TooFewCells(kind, object.size(), source);
    }
    if (existing.size() < static_cast<std::size_t>(layout.recordLength)) {
        existing.resize(static_cast<std::size_t>(layout.recordLength), '\0');
    }
    for (const FieldLayout& f : layout.fields) {
        if (f.access == FieldAccess::ReadOnly) continue;
        const Cell& cell = object[static_cast<std::size_t>(f.column)];
        // The game's files end a text at its first NUL: a text holding one would be stored cut
        // short, and read back different from what was written.
        const bool cut = cell.isText() && cell.str().find('\0') != std::string::npos;
        try {
            if (cut) throw detail::PlatformError(kErrInvalidArgument, source);
            EncodeInto(existing, f, cell, source);
        } catch (const Error& e) {
            // The message names the column and says what is wrong with its value, so that the
            // user knows which value to fix and how.
            std::string column = "column " + std::to_string(f.column);
            std::string problem = FieldRule(f);
            for (const TableColumn& c : TableColumns(kind)) {
                if (c.column != f.column) continue;
                column += " (" + c.name + ")";
                if (auto why = ValueProblem(c, cell)) problem = *why;
            }
            throw Error(
                e.number(), e.source(),
                e.description() + ": " + column + " of the " + layout.kindName + ": " + problem);
        }
    }
    return existing;
}

}  // namespace b3
