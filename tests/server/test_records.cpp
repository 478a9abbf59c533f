// Decoding of the five record kinds: through a real construction over crafted files, through the
// record codec directly, and randomised decode and encode/decode round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <numeric>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "b3/edit_object.h"
#include "b3/record_layout.h"
#include "platform/files.h"
#include "support/install_fixture.h"

namespace b3 {
void PrintTo(const Cell& c, std::ostream* os) {
    *os << Cell::typeName(c.type()) << "(" << c.toString() << ")";
}
}  // namespace b3

namespace {

using b3::Cell;
using b3::ObjectArray;
using b3test::Bytes;
using b3test::Failure;
using b3test::Installation;
namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// The record layouts, written out field by field as the game's file formats define them.

enum class Enc { Byte, Int16, Int32, Text, Icon };

struct DocField {
    int offset;
    int width;
    Enc enc;
    int column;
};

struct DocLayout {
    int recordLength;
    int columns;
    int nameColumn;                 // filled from the file name (spells: the full path)
    int nameOffset;                 // where the writer stores the short name; -1 for spells
    std::vector<DocField> fields;   // every field read into a column
    std::set<int> readOnlyColumns;  // read, never written
};

DocLayout ItemDoc() {
    return {204,
            11,
            1,
            160,
            {{0, 32, Enc::Text, 2},
             {32, 128, Enc::Text, 3},
             {178, 1, Enc::Byte, 4},
             {176, 1, Enc::Icon, 5},
             {180, 2, Enc::Int16, 6},
             {184, 2, Enc::Int16, 7},
             {186, 2, Enc::Int16, 8},
             {200, 2, Enc::Int16, 9},
             {202, 2, Enc::Int16, 10}},
            {}};
}

DocLayout ArmyDoc() {
    return {252,
            28,
            3,
            144,
            {{0, 16, Enc::Text, 1},    {16, 128, Enc::Text, 2},  {153, 1, Enc::Byte, 4},
             {154, 1, Enc::Byte, 5},   {155, 1, Enc::Byte, 6},   {156, 1, Enc::Byte, 7},
             {157, 1, Enc::Byte, 8},   {158, 1, Enc::Byte, 9},   {159, 1, Enc::Byte, 10},
             {160, 9, Enc::Text, 11},  {169, 9, Enc::Text, 12},  {178, 9, Enc::Text, 13},
             {187, 9, Enc::Text, 14},  {196, 9, Enc::Text, 15},  {205, 9, Enc::Text, 16},
             {214, 9, Enc::Text, 17},  {223, 1, Enc::Byte, 18},  {224, 2, Enc::Int16, 19},
             {226, 2, Enc::Int16, 20}, {228, 2, Enc::Int16, 21}, {230, 2, Enc::Int16, 22},
             {232, 2, Enc::Int16, 23}, {246, 1, Enc::Byte, 24},  {247, 1, Enc::Byte, 25},
             {248, 2, Enc::Int16, 26}, {250, 2, Enc::Int16, 27}},
            {11, 12}};
}

DocLayout HeroDoc() {
    DocLayout d{1380,
                127,
                4,
                192,
                {{0, 32, Enc::Text, 1},
                 {32, 32, Enc::Text, 2},
                 {64, 128, Enc::Text, 3},
                 {201, 9, Enc::Text, 5},
                 {210, 9, Enc::Text, 6},
                 {219, 1, Enc::Byte, 7},
                 {220, 1, Enc::Byte, 8},
                 {221, 1, Enc::Byte, 9},
                 {222, 1, Enc::Byte, 10},
                 {223, 1, Enc::Byte, 11},
                 {224, 9, Enc::Text, 12},
                 {233, 9, Enc::Text, 13},
                 {242, 9, Enc::Text, 14},
                 {251, 9, Enc::Text, 15},
                 {260, 9, Enc::Text, 16},
                 {269, 1, Enc::Byte, 17},
                 {270, 1, Enc::Byte, 18}},
                {}};
    for (int L = 1; L <= 11; ++L) d.fields.push_back({271 + 32 * (L - 1), 32, Enc::Text, 18 + L});
    for (int L = 1; L <= 11; ++L) d.fields.push_back({623 + 32 * (L - 1), 32, Enc::Text, 29 + L});
    for (int L = 1; L <= 11; ++L) d.fields.push_back({976 + 2 * (L - 1), 2, Enc::Int16, 40 + L});
    for (int L = 1; L <= 11; ++L) d.fields.push_back({998 + 2 * (L - 1), 2, Enc::Int16, 51 + L});
    for (int P = 1; P <= 10; ++P) {
        const int at = 1020 + 16 * (P - 1);
        d.fields.push_back({at, 2, Enc::Int16, 60 + 3 * P});
        d.fields.push_back({at + 2, 2, Enc::Int16, 61 + 3 * P});
        d.fields.push_back({at + 6, 10, Enc::Text, 62 + 3 * P});
    }
    for (int P = 1; P <= 10; ++P) d.fields.push_back({1180 + 2 * (P - 1), 2, Enc::Int16, 92 + P});
    for (int N = 1; N <= 10; ++N) d.fields.push_back({1200 + 16 * (N - 1), 16, Enc::Text, 102 + N});
    for (int N = 1; N <= 10; ++N) d.fields.push_back({1360 + (N - 1), 1, Enc::Byte, 112 + N});
    d.fields.push_back({1370, 1, Enc::Byte, 123});
    d.fields.push_back({1371, 1, Enc::Byte, 124});
    d.fields.push_back({1372, 4, Enc::Int32, 125});
    d.fields.push_back({1376, 4, Enc::Int32, 126});
    return d;
}

DocLayout SiteDoc() {
    return {46,
            9,
            2,
            16,
            {{0, 16, Enc::Text, 1},
             {26, 2, Enc::Int16, 3},
             {28, 2, Enc::Int16, 4},
             {42, 1, Enc::Byte, 5},
             {43, 1, Enc::Byte, 6},
             {44, 1, Enc::Byte, 7},
             {45, 1, Enc::Byte, 8}},
            {}};
}

DocLayout SpellDoc() {
    DocLayout d{
        210, 21, 20, -1, {{0, 16, Enc::Text, 1}, {16, 128, Enc::Text, 2}, {144, 2, Enc::Int16, 3}},
        {}};
    for (int P = 1; P <= 4; ++P) {
        const int at = 146 + 16 * (P - 1);
        d.fields.push_back({at, 2, Enc::Int16, 4 * P});
        d.fields.push_back({at + 2, 2, Enc::Int16, 4 * P + 1});
        d.fields.push_back({at + 4, 2, Enc::Int16, 4 * P + 2});
        d.fields.push_back({at + 6, 10, Enc::Text, 4 * P + 3});
    }
    return d;
}

const DocLayout& Doc(int kind) {
    static const DocLayout docs[5] = {ItemDoc(), ArmyDoc(), HeroDoc(), SiteDoc(), SpellDoc()};
    return docs[kind];
}

const char* const kExt[5] = {".ITM", ".ARM", ".HER", ".SIT", ".SPL"};
const char* const kFolder[5] = {"Items", "Army", "Hero", "Sites", "Spell"};

Cell::Type TypeOf(Enc e) {
    switch (e) {
        case Enc::Byte:
            return Cell::Type::Byte;
        case Enc::Int16:
        case Enc::Icon:
            return Cell::Type::Integer;
        case Enc::Int32:
            return Cell::Type::Long;
        case Enc::Text:
            return Cell::Type::Text;
    }
    return Cell::Type::Empty;
}

// The cell type every column must have.
std::vector<Cell::Type> ColumnTypes(int kind) {
    const DocLayout& d = Doc(kind);
    std::vector<Cell::Type> types(static_cast<std::size_t>(d.columns), Cell::Type::Empty);
    types[0] = Cell::Type::Long;
    types[static_cast<std::size_t>(d.nameColumn)] = Cell::Type::Text;
    for (const DocField& f : d.fields) types[static_cast<std::size_t>(f.column)] = TypeOf(f.enc);
    return types;
}

// The tables above must give every column exactly one source.
TEST(RecordTables, EveryColumnHasExactlyOneSource) {
    for (int kind = 0; kind < 5; ++kind) {
        const DocLayout& d = Doc(kind);
        EXPECT_EQ(d.columns, b3::kColumnCount[kind]);
        std::vector<int> seen(static_cast<std::size_t>(d.columns), 0);
        seen[0]++;
        seen[static_cast<std::size_t>(d.nameColumn)]++;
        for (const DocField& f : d.fields) {
            seen[static_cast<std::size_t>(f.column)]++;
            EXPECT_LE(f.offset + f.width, d.recordLength) << kind << " column " << f.column;
        }
        for (int c = 0; c < d.columns; ++c)
            EXPECT_EQ(seen[static_cast<std::size_t>(c)], 1) << kind << " column " << c;
    }
}

// The library's declared layouts agree with the file formats.
TEST(RecordTables, LibraryLayoutsMatchTheFileFormats) {
    for (int kind = 0; kind < 5; ++kind) {
        const DocLayout& d = Doc(kind);
        const b3::RecordLayout& l = b3::LayoutOf(kind);
        EXPECT_EQ(l.recordLength, d.recordLength) << kind;
        EXPECT_EQ(l.columns, d.columns) << kind;
        EXPECT_EQ(l.shortNameColumn, d.nameColumn) << kind;
        EXPECT_EQ(std::string(l.extension), kExt[kind]);
        std::map<int, DocField> byColumn;
        for (const DocField& f : d.fields) byColumn[f.column] = f;
        std::size_t readFields = 0;
        for (const b3::FieldLayout& f : l.fields) {
            if (f.access == b3::FieldAccess::WriteOnly) {
                EXPECT_EQ(f.column, d.nameColumn) << kind;
                EXPECT_EQ(f.offset, d.nameOffset) << kind;
                EXPECT_EQ(f.width, 9) << kind;
                continue;
            }
            ++readFields;
            ASSERT_TRUE(byColumn.count(f.column)) << kind << " column " << f.column;
            const DocField& want = byColumn[f.column];
            EXPECT_EQ(f.offset, want.offset) << kind << " column " << f.column;
            EXPECT_EQ(f.width, want.width) << kind << " column " << f.column;
            const Enc enc = f.encoding == b3::FieldEncoding::Byte       ? Enc::Byte
                            : f.encoding == b3::FieldEncoding::Int16    ? Enc::Int16
                            : f.encoding == b3::FieldEncoding::Int32    ? Enc::Int32
                            : f.encoding == b3::FieldEncoding::IconByte ? Enc::Icon
                                                                        : Enc::Text;
            EXPECT_EQ(enc, want.enc) << kind << " column " << f.column;
            EXPECT_EQ(f.access == b3::FieldAccess::ReadOnly, d.readOnlyColumns.count(f.column) == 1)
                << kind << " column " << f.column;
        }
        EXPECT_EQ(readFields, d.fields.size()) << kind;
        EXPECT_THROW(b3::LayoutOf(5), b3::Error);
        EXPECT_THROW(b3::LayoutOf(-1), b3::Error);
    }
}

// ---------------------------------------------------------------------------------------------
// A record where every field holds its own distinct value, with the cells it must decode to.

struct Crafted {
    std::string bytes;
    std::vector<Cell> cells;  // by column; column 0 and the name column left empty
};

Crafted CraftDistinct(int kind) {
    const DocLayout& d = Doc(kind);
    // Bytes that belong to no column hold a filler that must never show up in a cell.
    Bytes b(static_cast<std::size_t>(d.recordLength), '\xA5');
    std::vector<Cell> cells(static_cast<std::size_t>(d.columns));
    int i = 0;
    for (const DocField& f : d.fields) {
        Cell& cell = cells[static_cast<std::size_t>(f.column)];
        switch (f.enc) {
            case Enc::Byte: {
                const unsigned v = (37u + 11u * static_cast<unsigned>(i)) & 0xFFu;
                b.u8(static_cast<std::size_t>(f.offset), v);
                cell = Cell::byte(static_cast<std::uint8_t>(v));
                break;
            }
            case Enc::Icon:
                b.u8(static_cast<std::size_t>(f.offset), 55);  // 55 / 4 = 13
                cell = Cell::integer(13);
                break;
            case Enc::Int16: {
                const int v = (i % 2 ? -1 : 1) * (1000 + 97 * i);
                b.i16(static_cast<std::size_t>(f.offset), v);
                cell = Cell::integer(static_cast<std::int16_t>(v));
                break;
            }
            case Enc::Int32: {
                const std::int32_t v = i % 2 ? -1 - 1000003 * i : 2000000000 - i;
                b.i32(static_cast<std::size_t>(f.offset), v);
                cell = Cell::long_(v);
                break;
            }
            case Enc::Text: {
                // Every third text fills its field; the others end at a NUL followed by the
                // filler.
                std::string t = std::string("c").append(std::to_string(f.column)).append("-");
                const std::size_t length =
                    i % 3 == 0
                        ? static_cast<std::size_t>(f.width)
                        : std::min<std::size_t>(static_cast<std::size_t>(f.width),
                                                t.size() + 2 + static_cast<std::size_t>(i % 5));
                for (int k = 0; t.size() < length; ++k)
                    t.push_back(static_cast<char>('A' + (i + k) % 26));
                t.resize(length);
                b.raw(static_cast<std::size_t>(f.offset), t);
                if (length < static_cast<std::size_t>(f.width))
                    b.u8(static_cast<std::size_t>(f.offset) + length, 0);
                cell = Cell::text(t);
                break;
            }
        }
        ++i;
    }
    if (d.nameOffset >= 0) b.text(static_cast<std::size_t>(d.nameOffset), 9, "INSIDE");
    return {b.str(), cells};
}

void ExpectRow(int kind, const ObjectArray& row, const Crafted& crafted, std::int32_t rowIndex,
               const std::string& name) {
    const DocLayout& d = Doc(kind);
    ASSERT_EQ(row.size(), static_cast<std::size_t>(d.columns)) << "kind " << kind;
    const auto types = ColumnTypes(kind);
    for (int c = 0; c < d.columns; ++c) {
        const Cell& got = row[static_cast<std::size_t>(c)];
        EXPECT_EQ(got.type(), types[static_cast<std::size_t>(c)])
            << "kind " << kind << " column " << c;
        if (c == 0) {
            EXPECT_EQ(got, Cell::long_(rowIndex)) << "kind " << kind;
        } else if (c == d.nameColumn) {
            EXPECT_EQ(got, Cell::text(name)) << "kind " << kind;
        } else {
            EXPECT_EQ(got, crafted.cells[static_cast<std::size_t>(c)])
                << "kind " << kind << " column " << c;
        }
    }
}

class EveryColumn : public ::testing::TestWithParam<int> {};

TEST_P(EveryColumn, DecodesFromDistinctValues) {
    const int kind = GetParam();
    const Crafted crafted = CraftDistinct(kind);
    ExpectRow(kind, b3::DecodeRecord(kind, crafted.bytes, 7, "SOMENAME"), crafted, 7, "SOMENAME");
}

TEST_P(EveryColumn, LoadsFromDistinctValues) {
    const int kind = GetParam();
    const Crafted crafted = CraftDistinct(kind);
    Installation inst;
    inst.withOneOfEach();
    // "DISTINCT" sorts before every name of withOneOfEach except BOLT: it is row 0, or row 1 for
    // spells.
    inst.write(kFolder[kind], std::string("DISTINCT") + kExt[kind], crafted.bytes);
    const auto obj = inst.open();
    const b3::DataArray data = obj->GetEditObjectData(kind);
    ASSERT_EQ(data.rows(), 2u);
    ASSERT_EQ(data.columns(), static_cast<std::size_t>(Doc(kind).columns));
    const std::size_t row = kind == b3::kSpell ? 1 : 0;
    const std::string name = kind == b3::kSpell
                                 ? obj->SpellPath() + b3::platform::kPathSeparator + "DISTINCT.SPL"
                                 : "DISTINCT";
    ExpectRow(kind, data.row(row), crafted, static_cast<std::int32_t>(row), name);
}

std::string KindName(const ::testing::TestParamInfo<int>& info) {
    static const char* const names[] = {"Item", "Army", "Hero", "Site", "Spell"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryColumn, ::testing::Values(0, 1, 2, 3, 4), KindName);

// ---------------------------------------------------------------------------------------------
// Armies

// One installation whose armies are the given files; the other kinds hold one object each.
std::unique_ptr<b3::_CEditObject> WithArmies(
    Installation& inst, const std::vector<std::pair<std::string, std::string>>& files) {
    inst.withOneOfEach();
    fs::remove(inst.path("Army", "KNIGHT.ARM"));
    for (const auto& [name, bytes] : files) inst.write("Army", name, bytes);
    return inst.open();
}

TEST(ArmyRecord, TextFieldsEndAtTheirFirstNulOrTheFieldsEnd) {
    Installation inst;
    const auto obj = WithArmies(inst, {{"A.ARM", Bytes(252)
                                                     .raw(0, "ABCDEFGHIJKLMNOP")
                                                     .raw(16, std::string("Fast\0left", 9))
                                                     .raw(160, "undeadXYZ")
                                                     .raw(169, std::string("\0ghost", 6))
                                                     .raw(178, "fly")
                                                     .str()}});
    const auto data = obj->GetEditObjectData(b3::kArmy);
    ASSERT_EQ(data.rows(), 1u);
    EXPECT_EQ(data.at(0, 1), Cell::text("ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(data.at(0, 2), Cell::text("Fast"));
    EXPECT_EQ(data.at(0, 11), Cell::text("undeadXYZ"));
    EXPECT_EQ(data.at(0, 12), Cell::text(""));
    EXPECT_EQ(data.at(0, 13), Cell::text("fly"));
    EXPECT_EQ(data.at(0, 14), Cell::text(""));
}

TEST(ArmyRecord, ShortNameComesFromTheFileName) {
    Installation inst;
    const auto obj = WithArmies(
        inst, {{"KNIGHT.ARM", Bytes(252).text(0, 16, "Knight").text(144, 9, "PALADIN").str()}});
    const auto data = obj->GetEditObjectData(b3::kArmy);
    ASSERT_EQ(data.rows(), 1u);
    EXPECT_EQ(data.at(0, 3), Cell::text("KNIGHT"));
    EXPECT_EQ(data.at(0, 1), Cell::text("Knight"));
    // The bytes at 144 are no column at all: the next field starts at 153.
    EXPECT_EQ(data.at(0, 4), Cell::byte(0));
}

TEST(ArmyRecord, IntegersAreSignedLittleEndian) {
    Installation inst;
    const auto obj = WithArmies(inst, {{"ORC.ARM", Bytes(252)
                                                       .i16(230, 125)
                                                       .u8(232, 0xFF)
                                                       .u8(233, 0xFF)
                                                       .i16(226, 0x1234)
                                                       .i16(228, -32768)
                                                       .i16(250, 32767)
                                                       .str()}});
    const auto data = obj->GetEditObjectData(b3::kArmy);
    EXPECT_EQ(data.at(0, 22), Cell::integer(125));
    EXPECT_EQ(data.at(0, 23), Cell::integer(-1));
    EXPECT_EQ(data.at(0, 20), Cell::integer(4660));
    EXPECT_EQ(data.at(0, 21), Cell::integer(-32768));
    EXPECT_EQ(data.at(0, 27), Cell::integer(32767));
}

TEST(ArmyRecord, TextIsWindows1252) {
    const ObjectArray row =
        b3::DecodeRecord(b3::kArmy, Bytes(252).text(0, 16, "\xC9p\xE9\x65 \x80").str(), 0, "X");
    EXPECT_EQ(row[1], Cell::text("\xC3\x89p\xC3\xA9"
                                 "e \xE2\x82\xAC"));  // "Épée €"
}

TEST(ArmyRecord, ThreeHundredArmiesGiveThreeHundredRowsInNameOrder) {
    // The names mix letter case; the rows follow the names sorted without regard to case.
    std::vector<int> numbers(300);
    std::iota(numbers.begin(), numbers.end(), 0);
    std::mt19937 rng(300);
    std::shuffle(numbers.begin(), numbers.end(), rng);
    std::vector<std::pair<std::string, std::string>> files;
    for (int n : numbers) {
        char name[16];
        std::snprintf(name, sizeof name, "%c%03d", n % 2 ? 'u' : 'U', n);
        files.push_back({std::string(name) + ".ARM", Bytes(252)
                                                         .text(0, 16, "Army " + std::to_string(n))
                                                         .u8(154, static_cast<unsigned>(n % 256))
                                                         .str()});
    }
    Installation inst;
    const auto obj = WithArmies(inst, files);
    const auto data = obj->GetEditObjectData(b3::kArmy);
    ASSERT_EQ(data.rows(), 300u);
    EXPECT_EQ(obj->NumEditObjects(b3::kArmy), 300);
    for (int r = 0; r < 300; ++r) {
        char name[16];
        std::snprintf(name, sizeof name, "%c%03d", r % 2 ? 'u' : 'U', r);
        EXPECT_EQ(data.at(static_cast<std::size_t>(r), 0), Cell::long_(r));
        EXPECT_EQ(data.at(static_cast<std::size_t>(r), 3), Cell::text(name));
        EXPECT_EQ(data.at(static_cast<std::size_t>(r), 1), Cell::text("Army " + std::to_string(r)));
        EXPECT_EQ(data.at(static_cast<std::size_t>(r), 5),
                  Cell::byte(static_cast<std::uint8_t>(r % 256)));
    }
}

TEST(ArmyRecord, RowsIgnoreLetterCaseWhenSorting) {
    Installation inst;
    const auto obj = WithArmies(inst, {{"Zeta.ARM", Bytes(252).str()},
                                       {"alpha.ARM", Bytes(252).str()},
                                       {"Beta.arm", Bytes(252).str()},
                                       {"gamma.ARM", Bytes(252).str()}});
    const auto data = obj->GetEditObjectData(b3::kArmy);
    ASSERT_EQ(data.rows(), 4u);
    EXPECT_EQ(data.at(0, 3), Cell::text("alpha"));
    EXPECT_EQ(data.at(1, 3), Cell::text("Beta"));
    EXPECT_EQ(data.at(2, 3), Cell::text("gamma"));
    EXPECT_EQ(data.at(3, 3), Cell::text("Zeta"));
}

// ---------------------------------------------------------------------------------------------
// Heroes

TEST(HeroRecord, ColumnsOfLevelsPowersAndNames) {
    Bytes b(1380);
    b.text(1026 + 32, 10, "FIREBALL");  // Power 3 Descrip
    b.i16(976 + 20, 4321);              // Level 11 XP
    b.i16(998, -7);                     // Level 1 AP
    b.i16(998 + 20, 999);               // Level 11 AP
    b.u8(1369, 1);                      // Default Name 10 Gender
    b.u8(1368, 2);                      // Default Name 9 Gender
    b.raw(1372, "\xFF\xFF\xFF\xFF").raw(1376, std::string("\0\0\0\x80", 4));  // the two longs
    b.raw(271, "Apprentice of the Seventh Circle");  // 32 characters, no NUL
    b.raw(303, "Adept");                             // Level 2 Name Male
    Installation inst;
    inst.withOneOfEach();
    inst.write("Hero", "WIZARD.HER", b.str());
    const auto data = inst.open()->GetEditObjectData(b3::kHero);
    ASSERT_EQ(data.rows(), 1u);
    EXPECT_EQ(data.at(0, 71), Cell::text("FIREBALL"));
    EXPECT_EQ(data.at(0, 68), Cell::text(""));  // Power 2 Descrip, all NUL
    EXPECT_EQ(data.at(0, 51), Cell::integer(4321));
    EXPECT_EQ(data.at(0, 52), Cell::integer(-7));
    EXPECT_EQ(data.at(0, 62), Cell::integer(999));
    EXPECT_EQ(data.at(0, 122), Cell::byte(1));
    EXPECT_EQ(data.at(0, 121), Cell::byte(2));
    EXPECT_EQ(data.at(0, 125), Cell::long_(-1));
    EXPECT_EQ(data.at(0, 126), Cell::long_(INT32_MIN));
    EXPECT_EQ(data.at(0, 19), Cell::text("Apprentice of the Seventh Circle"));
    EXPECT_EQ(data.at(0, 20), Cell::text("Adept"));
    EXPECT_EQ(data.at(0, 4), Cell::text("WIZARD"));
}

// ---------------------------------------------------------------------------------------------
// Items, sites, spells

TEST(ItemRecord, IconNumberIsTheIconByteDividedByFour) {
    const std::pair<unsigned, int> cases[] = {{13, 3}, {12, 3}, {14, 3}, {15, 3},   {16, 4},
                                              {11, 2}, {0, 0},  {3, 0},  {255, 63}, {128, 32}};
    for (const auto& [byte, icon] : cases) {
        const ObjectArray row =
            b3::DecodeRecord(b3::kItem, Bytes(204).u8(176, byte).str(), 0, "RING");
        EXPECT_EQ(row[5], Cell::integer(static_cast<std::int16_t>(icon))) << "byte " << byte;
    }
    Installation inst;
    inst.withOneOfEach();
    inst.write("Items", "RING.ITM", Bytes(204).text(0, 32, "Ring").u8(176, 13).u8(178, 9).str());
    const auto data = inst.open()->GetEditObjectData(b3::kItem);
    EXPECT_EQ(data.at(0, 5), Cell::integer(3));
    EXPECT_EQ(data.at(0, 4), Cell::byte(9));
    EXPECT_EQ(data.at(0, 1), Cell::text("RING"));
    EXPECT_EQ(data.at(0, 2), Cell::text("Ring"));
}

TEST(SiteRecord, FlagBytesKeepTheirValue) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Sites", "TOWER.SIT",
               Bytes(46).text(0, 16, "Tower").u8(42, 2).u8(43, 0).u8(44, 1).u8(45, 255).str());
    const auto data = inst.open()->GetEditObjectData(b3::kSite);
    EXPECT_EQ(data.at(0, 5), Cell::byte(2));
    EXPECT_EQ(data.at(0, 6), Cell::byte(0));
    EXPECT_EQ(data.at(0, 7), Cell::byte(1));
    EXPECT_EQ(data.at(0, 8), Cell::byte(255));
    EXPECT_EQ(data.at(0, 2), Cell::text("TOWER"));
}

TEST(SpellRecord, PathColumnKeepsTheFileNameAsEnumerated) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Spell", "FireBall.SPL", Bytes(210).text(0, 16, "Fireball").str());
    inst.write("Spell", "zap.spl", Bytes(210).text(0, 16, "Zap").str());
    const auto obj = inst.open();
    const auto data = obj->GetEditObjectData(b3::kSpell);
    ASSERT_EQ(data.rows(), 3u);
    const std::string sep(1, b3::platform::kPathSeparator);
    EXPECT_EQ(data.at(0, 20), Cell::text(obj->SpellPath() + sep + "BOLT.SPL"));
    EXPECT_EQ(data.at(1, 20), Cell::text(obj->SpellPath() + sep + "FireBall.SPL"));
    EXPECT_EQ(data.at(1, 1), Cell::text("Fireball"));
    EXPECT_EQ(data.at(2, 20), Cell::text(obj->SpellPath() + sep + "zap.spl"));
    EXPECT_EQ(obj->SpellPath(), inst.folder("Spell"));
    EXPECT_EQ(obj->ShortNameFromPath(data.at(1, 20).str(), b3::kSpell), "FireBall");
}

TEST(SpellRecord, FourthPowerIsColumnsSixteenToNineteen) {
    Bytes b(210, '\x5A');
    b.i16(194, 22).i16(196, -2).i16(198, 300).raw(200, "KNIGHTSXYZ");
    // The third power's description, right before, ends with a NUL.
    b.text(184, 10, "ORC");
    const ObjectArray row = b3::DecodeRecord(b3::kSpell, b.str(), 4, "/p/S.SPL");
    EXPECT_EQ(row[16], Cell::integer(22));
    EXPECT_EQ(row[17], Cell::integer(-2));
    EXPECT_EQ(row[18], Cell::integer(300));
    EXPECT_EQ(row[19], Cell::text("KNIGHTSXYZ"));
    EXPECT_EQ(row[15], Cell::text("ORC"));
    EXPECT_EQ(row[20], Cell::text("/p/S.SPL"));
    EXPECT_EQ(row[0], Cell::long_(4));
}

// ---------------------------------------------------------------------------------------------
// Short files

TEST(ShortFiles, MissingBytesReadAsZeros) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Army", "KNIGHT.ARM", "Short knight name plus");  // 22 bytes
    inst.write("Hero", "WIZARD.HER", "");
    // 27 bytes: the Power 1 type at 26 has its low byte only.
    inst.write("Sites", "TOWER.SIT", std::string("Tower") + std::string(21, '\0') + "\x07");
    const auto obj = inst.open();
    const auto armies = obj->GetEditObjectData(b3::kArmy);
    EXPECT_EQ(armies.at(0, 1), Cell::text("Short knight nam"));
    EXPECT_EQ(armies.at(0, 2), Cell::text("e plus"));
    EXPECT_EQ(armies.at(0, 3), Cell::text("KNIGHT"));
    for (int c = 4; c <= 10; ++c)
        EXPECT_EQ(armies.at(0, static_cast<std::size_t>(c)), Cell::byte(0)) << c;
    for (int c = 11; c <= 17; ++c)
        EXPECT_EQ(armies.at(0, static_cast<std::size_t>(c)), Cell::text("")) << c;
    EXPECT_EQ(armies.at(0, 22), Cell::integer(0));
    EXPECT_EQ(armies.at(0, 27), Cell::integer(0));

    const auto heroes = obj->GetEditObjectData(b3::kHero);
    const auto types = ColumnTypes(b3::kHero);
    for (int c = 1; c < 127; ++c) {
        const Cell& got = heroes.at(0, static_cast<std::size_t>(c));
        EXPECT_EQ(got.type(), types[static_cast<std::size_t>(c)]) << c;
        if (c != 4) {
            EXPECT_EQ(got.toString(), got.isText() ? "" : "0") << c;
        }
    }
    const auto sites = obj->GetEditObjectData(b3::kSite);
    EXPECT_EQ(sites.at(0, 1), Cell::text("Tower"));
    EXPECT_EQ(sites.at(0, 3), Cell::integer(7));
    EXPECT_EQ(sites.at(0, 5), Cell::byte(0));
}

TEST(ShortFiles, DecodeRecordPadsWithZeros) {
    for (int kind = 0; kind < 5; ++kind) {
        const ObjectArray row = b3::DecodeRecord(kind, "", 3, "N");
        ASSERT_EQ(row.size(), static_cast<std::size_t>(Doc(kind).columns));
        for (const DocField& f : Doc(kind).fields) {
            const Cell& got = row[static_cast<std::size_t>(f.column)];
            EXPECT_EQ(got.type(), TypeOf(f.enc));
            EXPECT_EQ(got.toString(), got.isText() ? "" : "0") << kind << " column " << f.column;
        }
    }
}

TEST(ShortFiles, BytesPastTheRecordAreIgnored) {
    std::string bytes = Bytes(46).text(0, 16, "Tower").u8(45, 1).str();
    bytes += std::string(100, '\x7F');
    const ObjectArray row = b3::DecodeRecord(b3::kSite, bytes, 0, "T");
    EXPECT_EQ(row.size(), 9u);
    EXPECT_EQ(row[8], Cell::byte(1));
}

// ---------------------------------------------------------------------------------------------
// Randomised decoding

// The number of characters of UTF-8 text.
std::size_t Characters(const std::string& s) {
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    }));
}

TEST(RandomRecords, AnyBytesDecodeToTheRightShape) {
    std::mt19937 rng(20240611);
    for (int kind = 0; kind < 5; ++kind) {
        const DocLayout& d = Doc(kind);
        const auto types = ColumnTypes(kind);
        for (int n = 0; n < 400; ++n) {
            const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 2000)(rng);
            std::string bytes(length, '\0');
            // Some records are mostly NULs, some have no NUL at all.
            const int mode = n % 3;
            for (char& ch : bytes) {
                unsigned v = rng() & 0xFF;
                if (mode == 1 && v == 0) v = 1;
                if (mode == 2 && (rng() & 3) != 0) v = 0;
                ch = static_cast<char>(v);
            }
            const std::int32_t rowIndex = static_cast<std::int32_t>(rng() % 100000);
            const ObjectArray row = b3::DecodeRecord(kind, bytes, rowIndex, "NAME");
            ASSERT_EQ(row.size(), static_cast<std::size_t>(d.columns));
            EXPECT_EQ(row[0], Cell::long_(rowIndex));
            EXPECT_EQ(row[static_cast<std::size_t>(d.nameColumn)], Cell::text("NAME"));
            for (int c = 0; c < d.columns; ++c) {
                ASSERT_EQ(row[static_cast<std::size_t>(c)].type(),
                          types[static_cast<std::size_t>(c)])
                    << kind << ":" << c;
            }
            for (const DocField& f : d.fields) {
                const Cell& cell = row[static_cast<std::size_t>(f.column)];
                const auto byteAt = [&](int i) {
                    const auto at = static_cast<std::size_t>(f.offset + i);
                    return at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0u;
                };
                switch (f.enc) {
                    case Enc::Text: {
                        EXPECT_EQ(cell.str().find('\0'), std::string::npos);
                        // One character per byte up to the field's first NUL.
                        int stop = 0;
                        while (stop < f.width && byteAt(stop) != 0) ++stop;
                        EXPECT_EQ(Characters(cell.str()), static_cast<std::size_t>(stop))
                            << kind << ":" << f.column;
                        break;
                    }
                    case Enc::Byte:
                        EXPECT_EQ(cell.number(), byteAt(0));
                        break;
                    case Enc::Icon:
                        EXPECT_EQ(cell.number(), byteAt(0) / 4);
                        break;
                    case Enc::Int16:
                        EXPECT_EQ(cell.number(),
                                  static_cast<std::int16_t>(byteAt(0) | (byteAt(1) << 8)));
                        break;
                    case Enc::Int32:
                        EXPECT_EQ(cell.number(),
                                  static_cast<std::int32_t>(byteAt(0) | (byteAt(1) << 8) |
                                                            (byteAt(2) << 16) | (byteAt(3) << 24)));
                        break;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Randomised encode/decode round trips

// The characters of Windows-1252 (without NUL), as single bytes and as UTF-8.
struct Char1252 {
    char byte;
    std::string utf8;
};

std::string Utf8(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        s.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        s.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        s.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        s.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    return s;
}

const std::vector<Char1252>& Chars1252() {
    static const std::vector<Char1252> chars = [] {
        std::vector<Char1252> v;
        for (int b = 1; b < 0x80; ++b)
            v.push_back({static_cast<char>(b), Utf8(static_cast<char32_t>(b))});
        const std::pair<int, char32_t> high[] = {
            {0x80, 0x20AC}, {0x82, 0x201A}, {0x83, 0x0192}, {0x84, 0x201E}, {0x85, 0x2026},
            {0x86, 0x2020}, {0x87, 0x2021}, {0x88, 0x02C6}, {0x89, 0x2030}, {0x8A, 0x0160},
            {0x8B, 0x2039}, {0x8C, 0x0152}, {0x8E, 0x017D}, {0x91, 0x2018}, {0x92, 0x2019},
            {0x93, 0x201C}, {0x94, 0x201D}, {0x95, 0x2022}, {0x96, 0x2013}, {0x97, 0x2014},
            {0x98, 0x02DC}, {0x99, 0x2122}, {0x9A, 0x0161}, {0x9B, 0x203A}, {0x9C, 0x0153},
            {0x9E, 0x017E}, {0x9F, 0x0178}};
        for (const auto& [b, cp] : high) v.push_back({static_cast<char>(b), Utf8(cp)});
        for (int b = 0xA0; b <= 0xFF; ++b)
            v.push_back({static_cast<char>(b), Utf8(static_cast<char32_t>(b))});
        return v;
    }();
    return chars;
}

struct RandomText {
    std::string utf8;
    std::string bytes;
};

RandomText MakeText(std::mt19937& rng, int maxLength) {
    RandomText t;
    const int length = std::uniform_int_distribution<int>(0, maxLength)(rng);
    const auto& chars = Chars1252();
    for (int i = 0; i < length; ++i) {
        const Char1252& c = chars[rng() % chars.size()];
        t.utf8 += c.utf8;
        t.bytes += c.byte;
    }
    return t;
}

std::string LittleEndian(std::int64_t v, int width) {
    std::string s;
    for (int i = 0; i < width; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return s;
}

TEST(RandomRecords, EncodeThenDecodeGivesTheSameCells) {
    std::mt19937 rng(4711);
    for (int kind = 0; kind < 5; ++kind) {
        const DocLayout& d = Doc(kind);
        for (int n = 0; n < 300; ++n) {
            // What the file held before: random bytes of random length.
            std::string existing(
                std::uniform_int_distribution<std::size_t>(0, 400)(rng) * (kind == 2 ? 4 : 1),
                '\0');
            for (char& ch : existing) ch = static_cast<char>(rng() & 0xFF);
            std::string padded = existing;
            if (padded.size() < static_cast<std::size_t>(d.recordLength))
                padded.resize(static_cast<std::size_t>(d.recordLength), '\0');

            const std::int32_t rowIndex = static_cast<std::int32_t>(rng() % 1000);
            ObjectArray object(static_cast<std::size_t>(d.columns));
            object[0] = Cell::long_(rowIndex);
            std::string expected = padded;  // the bytes the encoder must produce
            std::vector<bool> written(padded.size(), false);
            const auto put = [&](int offset, const std::string& bytes) {
                for (std::size_t i = 0; i < bytes.size(); ++i) {
                    expected[static_cast<std::size_t>(offset) + i] = bytes[i];
                    written[static_cast<std::size_t>(offset) + i] = true;
                }
            };
            if (kind == b3::kSpell) {
                object[20] = Cell::text("/somewhere/Spell/X.SPL");
            } else {
                const RandomText name = MakeText(rng, 9);
                object[static_cast<std::size_t>(d.nameColumn)] = Cell::text(name.utf8);
                std::string field = name.bytes;
                field.resize(9, '\0');
                put(d.nameOffset, field);
            }
            for (const DocField& f : d.fields) {
                Cell& cell = object[static_cast<std::size_t>(f.column)];
                const bool readOnly = d.readOnlyColumns.count(f.column) == 1;
                switch (f.enc) {
                    case Enc::Text: {
                        const RandomText t = MakeText(rng, f.width);
                        cell = Cell::text(t.utf8);
                        std::string field = t.bytes;
                        field.resize(static_cast<std::size_t>(f.width), '\0');
                        if (!readOnly) put(f.offset, field);
                        break;
                    }
                    case Enc::Byte: {
                        const auto v = static_cast<std::uint8_t>(rng() & 0xFF);
                        cell = Cell::byte(v);
                        put(f.offset, std::string(1, static_cast<char>(v)));
                        break;
                    }
                    case Enc::Icon: {
                        const auto v = static_cast<std::int16_t>(rng() % 64);
                        cell = Cell::integer(v);
                        const unsigned low =
                            static_cast<unsigned char>(padded[static_cast<std::size_t>(f.offset)]) &
                            3u;
                        put(f.offset,
                            std::string(1, static_cast<char>(static_cast<unsigned>(4 * v) + low)));
                        break;
                    }
                    case Enc::Int16: {
                        const auto v = static_cast<std::int16_t>(rng() & 0xFFFF);
                        cell = Cell::integer(v);
                        put(f.offset, LittleEndian(v, 2));
                        break;
                    }
                    case Enc::Int32: {
                        const auto v = static_cast<std::int32_t>(rng());
                        cell = Cell::long_(v);
                        put(f.offset, LittleEndian(v, 4));
                        break;
                    }
                }
            }

            const std::string out = b3::EncodeRecord(kind, object, existing);
            ASSERT_EQ(out.size(), padded.size()) << "kind " << kind;
            for (std::size_t i = 0; i < out.size(); ++i) {
                ASSERT_EQ(out[i], expected[i]) << "kind " << kind << " byte " << i
                                               << (written[i] ? " (a field)" : " (no field: kept)");
            }

            const ObjectArray back = b3::DecodeRecord(kind, out, rowIndex, "READBACK");
            ASSERT_EQ(back.size(), object.size());
            const ObjectArray before = b3::DecodeRecord(kind, existing, rowIndex, "READBACK");
            for (int c = 0; c < d.columns; ++c) {
                const auto col = static_cast<std::size_t>(c);
                if (c == d.nameColumn) {
                    EXPECT_EQ(back[col], Cell::text("READBACK"));
                } else if (d.readOnlyColumns.count(c)) {
                    EXPECT_EQ(back[col], before[col]) << "kind " << kind << " column " << c;
                } else {
                    ASSERT_EQ(back[col], object[col]) << "kind " << kind << " column " << c;
                }
            }
        }
    }
}

TEST(RandomRecords, EncodeRejectsWhatDoesNotFit) {
    // A text one character longer than its field, and numbers one past their range.
    for (int kind = 0; kind < 5; ++kind) {
        const DocLayout& d = Doc(kind);
        ObjectArray base =
            b3::DecodeRecord(kind, "", 0, kind == b3::kSpell ? "/x/Spell/A.SPL" : "A");
        for (const DocField& f : d.fields) {
            if (d.readOnlyColumns.count(f.column)) continue;
            ObjectArray object = base;
            Cell& cell = object[static_cast<std::size_t>(f.column)];
            int number = 0;
            switch (f.enc) {
                case Enc::Text:
                    cell = Cell::text(std::string(static_cast<std::size_t>(f.width) + 1, 'x'));
                    number = 5;
                    break;
                case Enc::Byte:
                    cell = Cell::integer(256);
                    number = 6;
                    break;
                case Enc::Icon:
                    cell = Cell::integer(64);
                    number = 6;
                    break;
                case Enc::Int16:
                    cell = Cell::long_(32768);
                    number = 6;
                    break;
                case Enc::Int32:
                    cell = Cell::text("2147483648");
                    number = 6;
                    break;
            }
            const auto e = Failure([&] { b3::EncodeRecord(kind, object, ""); });
            ASSERT_TRUE(e) << "kind " << kind << " column " << f.column;
            EXPECT_EQ(e->number(), number) << "kind " << kind << " column " << f.column;
        }
        // A short name longer than its field of nine bytes.
        if (kind != b3::kSpell) {
            ObjectArray object = base;
            object[static_cast<std::size_t>(d.nameColumn)] = Cell::text("TENLETTERS");
            const auto e = Failure([&] { b3::EncodeRecord(kind, object, ""); });
            ASSERT_TRUE(e) << "kind " << kind;
            EXPECT_EQ(e->number(), 5);
        }
        // An object short of the last column.
        base.pop_back();
        const auto e = Failure([&] { b3::EncodeRecord(kind, base, ""); });
        ASSERT_TRUE(e);
        EXPECT_EQ(e->number(), 9);
    }
}

}  // namespace
