// Column names and value ranges of the data arrays, built from the record layouts.
#include "b3/table_columns.h"

#include <array>
#include <charconv>
#include <limits>

#include "b3/record_layout.h"
#include "platform/file_names.h"
#include "platform/text1252.h"
#include "server_internal.h"

namespace b3 {
namespace {

std::string Numbered(const char* prefix, int n, const char* suffix = "") {
    return prefix + std::to_string(n) + suffix;
}

// The names of columns 1 to the last of each kind, after the field names of the records.
std::vector<std::string> ItemNames() {
    return {"ShortName", "DisplayName", "Description", "RelativePower", "IconNumber",
            "Cost",      "Power1Type",  "Power1Value", "Power2Type",    "Power2Value"};
}

std::vector<std::string> ArmyNames() {
    std::vector<std::string> n = {"DisplayName", "Description", "ShortName", "MedalChance",
                                  "Strength",    "Move",        "Hits",      "Turns",
                                  "Upkeep",      "View",        "TypeWord1", "TypeWord2"};
    for (int i = 1; i <= 4; ++i) n.push_back(Numbered("MoveBonus", i));
    for (const char* s :
         {"CombatBonusTerrain", "CombatBonusValue", "Unnamed224", "BuildCost", "SetupCost",
          "PowerType", "PowerValue", "Sound", "DefaultFacing", "Unnamed248", "Unnamed250"})
        n.push_back(s);
    return n;
}

std::vector<std::string> HeroNames() {
    std::vector<std::string> n = {"DisplayNameMale",
                                  "DisplayNameFemale",
                                  "Description",
                                  "ShortName",
                                  "PictureMale",
                                  "PictureFemale",
                                  "MedalChanceAddition",
                                  "Strength",
                                  "Move",
                                  "Hits",
                                  "View"};
    for (int i = 1; i <= 4; ++i) n.push_back(Numbered("MoveBonus", i));
    for (const char* s : {"CombatBonusTerrain", "CombatBonusValue", "Unnamed270"}) n.push_back(s);
    for (const char* s : {"NameMale", "NameFemale", "XP", "AP"})
        for (int l = 1; l <= 11; ++l) n.push_back(Numbered("Level", l, s));
    for (int p = 1; p <= 10; ++p)
        for (const char* s : {"Type", "Value", "Descrip"}) n.push_back(Numbered("Power", p, s));
    for (int p = 1; p <= 10; ++p) n.push_back(Numbered("Power", p, "Cost"));
    for (int i = 1; i <= 10; ++i) n.push_back(Numbered("DefaultName", i));
    for (int i = 1; i <= 10; ++i) n.push_back(Numbered("DefaultName", i, "Gender"));
    for (const char* s : {"Sound", "Facing", "Unnamed1372", "Unnamed1376"}) n.push_back(s);
    return n;
}

std::vector<std::string> SiteNames() {
    return {"DisplayName", "ShortName",          "Power1Type",   "Power1Value",
            "CanRaze",     "RegAnimOperational", "RegAnimRazed", "RegAnimUnused"};
}

std::vector<std::string> SpellNames() {
    std::vector<std::string> n = {"DisplayName", "Description", "Mana"};
    for (int p = 1; p <= 4; ++p)
        for (const char* s : {"Type", "Value1", "Value2", "Description"})
            n.push_back(Numbered("Power", p, s));
    n.push_back("File");
    return n;
}

std::vector<TableColumn> BuildColumns(int kind) {
    const RecordLayout& layout = LayoutOf(kind);
    const std::vector<std::string> names = kind == kItem   ? ItemNames()
                                           : kind == kArmy ? ArmyNames()
                                           : kind == kHero ? HeroNames()
                                           : kind == kSite ? SiteNames()
                                                           : SpellNames();
    std::vector<TableColumn> columns;
    const auto add = [&](int column) {
        TableColumn c{
            column, names[static_cast<std::size_t>(column - 1)], Cell::Type::Text, 0, 0, 0, true};
        if (column == layout.shortNameColumn) c.width = kind == kSpell ? 0 : 9;
        for (const FieldLayout& f : layout.fields) {
            if (f.column != column) continue;
            c.writable = f.access != FieldAccess::ReadOnly;
            switch (f.encoding) {
                case FieldEncoding::Text:
                    c.width = f.width;
                    break;
                case FieldEncoding::Byte:
                    c = {column, c.name, Cell::Type::Byte, 0, 0, 255, c.writable};
                    break;
                case FieldEncoding::IconByte:
                    c = {column, c.name, Cell::Type::Integer, 0, 0, 63, c.writable};
                    break;
                case FieldEncoding::Int16:
                    c = {column,
                         c.name,
                         Cell::Type::Integer,
                         0,
                         std::numeric_limits<std::int16_t>::min(),
                         std::numeric_limits<std::int16_t>::max(),
                         c.writable};
                    break;
                case FieldEncoding::Int32:
                    c = {column,
                         c.name,
                         Cell::Type::Long,
                         0,
                         std::numeric_limits<std::int32_t>::min(),
                         std::numeric_limits<std::int32_t>::max(),
                         c.writable};
                    break;
            }
        }
        columns.push_back(std::move(c));
    };
    add(layout.shortNameColumn);
    for (int column = 1; column < layout.columns; ++column)
        if (column != layout.shortNameColumn) add(column);
    return columns;
}

}  // namespace

const std::vector<TableColumn>& TableColumns(int kind) {
    static const std::array<std::vector<TableColumn>, kKindCount> all = {
        BuildColumns(kItem), BuildColumns(kArmy), BuildColumns(kHero), BuildColumns(kSite),
        BuildColumns(kSpell)};
    if (kind < 0 || kind >= kKindCount) throw detail::PlatformError(kErrSubscript, "TableColumns");
    return all[static_cast<std::size_t>(kind)];
}

std::optional<TableColumn> FindTableColumn(int kind, std::string_view name) {
    for (const TableColumn& c : TableColumns(kind))
        if (platform::EqualsIgnoreCase(c.name, name)) return c;
    return std::nullopt;
}

const TableColumn& TableColumnNamed(int kind, std::string_view name, const char* source) {
    for (const TableColumn& c : TableColumns(kind))
        if (c.name == name) return c;
    throw Error(kErrSubscript, source,
                "the " + std::string(LayoutOf(kind).kindName) + " table has no column \"" +
                    std::string(name) + "\"");
}

std::optional<std::string> ValueProblem(const TableColumn& column, const Cell& value) {
    if (column.type == Cell::Type::Text) {
        if (!value.isText() && !value.isEmpty()) return std::string("a text is needed");
        if (!platform::IsValidUtf8(value.str())) return std::string("the text is not UTF-8");
        // The game's files end a text at its first NUL: what followed it would be lost.
        if (value.str().find('\0') != std::string::npos)
            return std::string(
                "the text holds a NUL character, which would cut it short there; "
                "remove it");
        const auto encoded = platform::EncodeCp1252(value.str());
        if (!encoded) {
            return "the character '" + platform::FirstForeignCharacter(value.str()) +
                   "' cannot be stored in the game's files";
        }
        if (column.width > 0 && encoded->size() > static_cast<std::size_t>(column.width)) {
            return "the text has " + std::to_string(encoded->size()) + " characters; at most " +
                   std::to_string(column.width) + " fit";
        }
        return std::nullopt;
    }
    if (!value.isNumber()) return std::string("a whole number is needed");
    if (value.number() < column.min || value.number() > column.max) {
        return std::to_string(value.number()) + " does not fit: " + std::to_string(column.min) +
               " to " + std::to_string(column.max);
    }
    return std::nullopt;
}

Cell CellFromText(const TableColumn& column, std::string_view text) {
    const char* const source = "TableColumn";
    if (column.type == Cell::Type::Text) {
        Cell cell = Cell::text(std::string(text));
        if (auto problem = ValueProblem(column, cell))
            throw Error(kErrInvalidArgument, source, *problem);
        return cell;
    }
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    const std::string range = std::to_string(column.min) + " to " + std::to_string(column.max);
    if (text.empty() || end != text.data() + text.size() ||
        (ec != std::errc() && ec != std::errc::result_out_of_range)) {
        throw Error(kErrTypeMismatch, source,
                    text.empty() ? "a whole number is needed (" + range + ")"
                                 : "not a whole number (" + range + ")");
    }
    if (ec == std::errc::result_out_of_range || n < column.min || n > column.max) {
        // A long run of digits is not quoted whole.
        const std::string number = text.size() <= 24
                                       ? std::string(text)
                                       : "a number of " + std::to_string(text.size()) + " digits";
        throw Error(kErrOverflow, source, number + " does not fit: " + range);
    }
    switch (column.type) {
        case Cell::Type::Byte:
            return Cell::byte(static_cast<std::uint8_t>(n));
        case Cell::Type::Integer:
            return Cell::integer(static_cast<std::int16_t>(n));
        default:
            return Cell::long_(static_cast<std::int32_t>(n));
    }
}

std::string ColumnWords(std::string_view name) {
    std::string out;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char ch = name[i], before = i > 0 ? name[i - 1] : ' ';
        if (i > 0 && ((upper(ch) && !upper(before)) || (digit(ch) && !digit(before)))) out += ' ';
        out += ch;
    }
    return out;
}

std::optional<std::string> ObjectProblem(int kind, const ObjectArray& object) {
    for (const TableColumn& c : TableColumns(kind)) {
        const auto column = static_cast<std::size_t>(c.column);
        if (!c.writable || column >= object.size() || object[column].isEmpty()) continue;
        // Numbers given as text are the writer's to convert or refuse.
        if (c.type != Cell::Type::Text && object[column].isText()) continue;
        if (kind == kSpell && c.column == LayoutOf(kind).shortNameColumn) continue;
        if (auto problem = ValueProblem(c, object[column]))
            return ColumnWords(c.name) + ": " + *problem;
    }
    return std::nullopt;
}

int ShortNameLimit(int kind) {
    return kind == kHero ? 7 : 8;
}

std::optional<std::string> FileNameProblem(std::string_view name) {
    return platform::WindowsFileNameProblem(name);
}

}  // namespace b3
