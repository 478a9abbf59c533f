// Writing objects into their files, deleting them and copying picture templates: exactly the
// known fields change, every other byte stays, and a rejected write leaves no trace.
#include <gtest/gtest.h>

#include "cedit_object.h"
#include "platform/files.h"
#include "support/full_disk.h"
#include "support/install_fixture.h"

using namespace b3test;
using b3::Cell;

namespace {

// An installation whose army KNIGHT.ARM is a record of distinct non-zero bytes, 8 bytes longer
// than the record, so that every byte the writer must keep can be compared.
struct Fixture {
    Installation install;
    std::string knight;
    std::unique_ptr<b3::_CEditObject> object;

    Fixture() {
        install.withOneOfEach();
        for (int i = 0; i < 260; ++i) knight.push_back(static_cast<char>(1 + (i * 37) % 251));
        knight.replace(0, 7, std::string("Knight\0", 7));
        install.write("Army", "KNIGHT.ARM", knight);
        object = install.open();
    }
    b3::ObjectArray army() const { return object->GetEditObjectData(1).row(0); }
    std::string armyFile(const std::string& name = "KNIGHT") const {
        return ReadBytes(install.path("Army", name + ".ARM"));
    }
};

// Every byte offset at which two byte strings differ.
std::vector<int> Differences(const std::string& a, const std::string& b) {
    std::vector<int> out;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size() || a[i] != b[i]) out.push_back(static_cast<int>(i));
    }
    return out;
}

TEST(WriteArmy, AnUnchangedRowRewritesNothingButTheShortNameField) {
    Fixture f;
    f.object->WriteObject(f.army(), 1);
    const std::string after = f.armyFile();
    // Only the short name at 144 (text 9) is written from outside the record, and a text field is
    // written NUL-padded after its text (the Display Name's leftovers after "Knight\0"); all else
    // is the row read back, including the gaps at 160..177 (type words) and 234..245 and the 8
    // extra bytes.
    for (int at : Differences(f.knight, after)) {
        EXPECT_TRUE((at >= 144 && at < 153) || (at >= 7 && at < 16)) << at;
    }
    EXPECT_EQ(after.substr(0, 16), std::string("Knight") + std::string(10, '\0'));
    EXPECT_EQ(after.substr(144, 9), std::string("KNIGHT\0\0\0", 9));
    EXPECT_EQ(after.size(), 260u);
}

TEST(WriteArmy, UpkeepAndViewWriteOneByteEach) {
    Fixture f;
    f.object->WriteObject(f.army(), 1);
    const std::string before = f.armyFile();
    auto row = f.army();
    row[9] = Cell::byte(2);
    row[10] = Cell::byte(3);
    f.object->WriteObject(row, 1);
    const std::string after = f.armyFile();
    EXPECT_EQ(Differences(before, after), (std::vector<int>{158, 159}));
    EXPECT_EQ(after[158], 2);
    EXPECT_EQ(after[159], 3);
}

TEST(WriteArmy, EveryColumnLandsAtItsOffset) {
    Fixture f;
    b3::ObjectArray row(28);
    row[1] = Cell::text("Pikemen");
    row[2] = Cell::text("Long spears, short tempers.");
    row[3] = Cell::text("PIKEMEN");
    for (std::size_t c = 4; c <= 10; ++c) row[c] = Cell::byte(static_cast<std::uint8_t>(c * 10));
    row[11] = Cell::text("ignored");
    row[12] = Cell::text("ignored");
    for (std::size_t c = 13; c <= 17; ++c)
        row[c] = Cell::text(std::string("w").append(std::to_string(c)));
    row[18] = Cell::byte(250);
    row[19] = Cell::integer(-2);
    row[20] = Cell::integer(300);
    row[21] = Cell::text("-7");  // a text that holds a number converts to it
    row[22] = Cell::integer(137);
    row[23] = Cell::long_(-32768);
    row[24] = Cell::byte(9);
    row[25] = Cell();  // empty: zero
    row[26] = Cell::integer(32767);
    row[27] = Cell::integer(0x1234);
    f.object->WriteObject(row, 1);
    const std::string b = f.armyFile("PIKEMEN");
    ASSERT_EQ(b.size(), 252u);
    EXPECT_EQ(b.substr(0, 16), std::string("Pikemen") + std::string(9, '\0'));
    EXPECT_EQ(b.substr(16, 27), "Long spears, short tempers.");
    EXPECT_EQ(b.substr(144, 9), std::string("PIKEMEN\0\0", 9));
    for (std::size_t c = 4; c <= 10; ++c) EXPECT_EQ(static_cast<unsigned char>(b[149 + c]), c * 10);
    EXPECT_EQ(b.substr(160, 18), std::string(18, '\0'));  // type words are never written
    EXPECT_EQ(b.substr(178, 9), std::string("w13\0\0\0\0\0\0", 9));
    EXPECT_EQ(b.substr(214, 9), std::string("w17\0\0\0\0\0\0", 9));
    EXPECT_EQ(static_cast<unsigned char>(b[223]), 250);
    const auto u = [&](std::size_t at) { return static_cast<unsigned char>(b[at]); };
    EXPECT_EQ(u(224), 0xFE);
    EXPECT_EQ(u(225), 0xFF);
    EXPECT_EQ(u(226) | u(227) << 8, 300);
    EXPECT_EQ(u(228) | u(229) << 8, 0xFFF9);
    EXPECT_EQ(u(230), 137);
    EXPECT_EQ(u(232) | u(233) << 8, 0x8000);
    EXPECT_EQ(b.substr(234, 12), std::string(12, '\0'));
    EXPECT_EQ(u(246), 9);
    EXPECT_EQ(u(247), 0);
    EXPECT_EQ(u(248) | u(249) << 8, 32767);
    EXPECT_EQ(u(250), 0x34);
    EXPECT_EQ(u(251), 0x12);
}

TEST(WriteObject, RejectedWritesLeaveNoTrace) {
    struct Case {
        const char* what;
        int column;
        Cell value;
        std::int32_t number;
    };
    const std::vector<Case> cases = {
        {"17-character Display Name", 1, Cell::text(std::string(17, 'x')), 5},
        {"129-character Description", 2, Cell::text(std::string(129, 'x')), 5},
        {"10-character terrain word", 17, Cell::text("woodlands!"), 5},
        {"Medal Chance 300", 4, Cell::integer(300), 6},
        {"negative Strength", 5, Cell::integer(-1), 6},
        {"Build Cost 40000", 20, Cell::long_(40000), 6},
        {"a word for a number", 7, Cell::text("many"), 13},
        {"an empty text for a number", 8, Cell::text(""), 13},
        {"a character Windows-1252 lacks", 1, Cell::text("Dragon \xE9\xBE\x8D"), 13},
    };
    for (const Case& c : cases) {
        for (const char* name : {"KNIGHT", "NEWCOMER"}) {
            Fixture f;
            auto row = f.army();
            row[3] = Cell::text(name);
            row[static_cast<std::size_t>(c.column)] = c.value;
            const auto before = FolderNames(f.install.folder("Army"));
            auto e = Failure([&] { f.object->WriteObject(row, 1); });
            ASSERT_TRUE(e) << c.what;
            EXPECT_EQ(e->number(), c.number) << c.what;
            EXPECT_EQ(e->source(), "CEditObject::WriteObject") << c.what;
            EXPECT_EQ(f.armyFile(), f.knight) << c.what;  // byte for byte
            EXPECT_EQ(FolderNames(f.install.folder("Army")), before) << c.what << " " << name;
        }
    }
}

TEST(WriteObject, AFailingDiskLeavesTheOldFile) {
    Fixture f;
    auto row = f.army();
    row[1] = Cell::text("Changed");
    const FullDisk full(100);
    b3::CreateOptions options = f.install.options();
    options.writeFaults = &full;
    const auto object = b3::CreateObject(b3::CLSID_CEditObject, options);
    auto e = Failure([&] { object->WriteObject(row, 1); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 61);  // disk full
    EXPECT_EQ(e->source(), "CEditObject::WriteObject");
    EXPECT_EQ(f.armyFile(), f.knight);
    EXPECT_EQ(FolderNames(f.install.folder("Army")), (std::vector<std::string>{"KNIGHT.ARM"}));
}

TEST(WriteObject, TooShortAnArrayAndUnknownKinds) {
    Fixture f;
    // The description says how many cells the kind's record takes and how many there are.
    const char* const records[] = {"an item takes 11", "an army takes 28", "a hero takes 127",
                                   "a site takes 9", "a spell takes 21"};
    for (int kind = 0; kind < 5; ++kind) {
        b3::ObjectArray row = f.object->GetEditObjectData(kind).row(0);
        row.pop_back();
        auto e = Failure([&] { f.object->WriteObject(row, kind); });
        ASSERT_TRUE(e) << kind;
        EXPECT_EQ(e->number(), 9) << kind;
        EXPECT_EQ(e->source(), "CEditObject::WriteObject");
        EXPECT_EQ(e->description(), std::string("Subscript out of range: ") + records[kind] +
                                        " cells; the array has " + std::to_string(row.size()));
    }
    EXPECT_FALSE(Failure([&] { f.object->WriteObject(b3::ObjectArray(3), 7); }));
    EXPECT_FALSE(Failure([&] { f.object->WriteObject(f.army(), -1); }));
}

TEST(WriteObject, UnsafeNamesCannotLeaveTheKindFolder) {
    Fixture f;
    const auto before = FolderNames(f.install.root());
    for (const char* bad : {"", ".", "..", "../KNIGHT", "a/b", "a\\b", "/tmp/x"}) {
        for (int kind : {0, 1, 2, 3}) {
            b3::ObjectArray row = f.object->GetEditObjectData(kind).row(0);
            row[static_cast<std::size_t>(b3::LayoutOf(kind).shortNameColumn)] = Cell::text(bad);
            auto e = Failure([&] { f.object->WriteObject(row, kind); });
            ASSERT_TRUE(e) << bad;
            EXPECT_EQ(e->number(), 5) << bad;
            EXPECT_EQ(e->source(), "CEditObject::WriteObject");
        }
    }
    const std::string spells = f.object->SpellPath();
    for (const std::string& bad : std::vector<std::string>{
             f.install.root() + "/X.SPL", spells + "/../X.SPL", spells + "/", spells + "/sub/X.SPL",
             spells + "X.SPL", spells + "/X.TXT", std::string("X.SPL"), spells + "/.SPL"}) {
        b3::ObjectArray row = f.object->GetEditObjectData(4).row(0);
        row[20] = Cell::text(bad);
        auto e = Failure([&] { f.object->WriteObject(row, 4); });
        ASSERT_TRUE(e) << bad;
        EXPECT_EQ(e->number(), 5) << bad;
        e = Failure([&] { f.object->Delete(4, bad); });
        ASSERT_TRUE(e) << bad;
        EXPECT_EQ(e->number(), 5) << bad;
        EXPECT_EQ(e->source(), "CEditObject::Delete");
    }
    EXPECT_EQ(FolderNames(f.install.root()), before);
    EXPECT_EQ(FolderNames(f.install.folder("Spell")), (std::vector<std::string>{"BOLT.SPL"}));
}

TEST(WriteObject, NewFilesAreExactlyOneRecordWithZeroGaps) {
    Fixture f;
    const int lengths[5] = {204, 252, 1380, 46, 210};
    for (int kind = 0; kind < 5; ++kind) {
        b3::ObjectArray row(static_cast<std::size_t>(b3::kColumnCount[kind]));
        const auto& layout = b3::LayoutOf(kind);
        const std::string path =
            kind == 4 ? f.object->SpellPath() + "/FRESH.SPL"
                      : f.install.path(layout.subfolder, std::string("FRESH") + layout.extension);
        row[static_cast<std::size_t>(layout.shortNameColumn)] =
            Cell::text(kind == 4 ? path : "FRESH");
        f.object->WriteObject(row, kind);
        const std::string bytes = ReadBytes(path);
        ASSERT_EQ(bytes.size(), static_cast<std::size_t>(lengths[kind])) << kind;
        std::string expected(bytes.size(), '\0');
        // Only the short name inside the record is not zero.
        if (kind == 0) expected.replace(160, 5, "FRESH");
        if (kind == 1) expected.replace(144, 5, "FRESH");
        if (kind == 2) expected.replace(192, 5, "FRESH");
        if (kind == 3) expected.replace(16, 5, "FRESH");
        EXPECT_EQ(bytes, expected) << kind;
    }
}

TEST(WriteHero, EmptyLongsAndEveryListAtItsPlace) {
    Fixture f;
    b3::ObjectArray row(127);
    row[4] = Cell::text("MAGE");
    for (std::size_t i = 0; i < 22; ++i)
        row[19 + i] = Cell::text(std::string("T").append(std::to_string(i)));
    for (std::size_t i = 0; i < 22; ++i)
        row[41 + i] = Cell::integer(static_cast<std::int16_t>(1000 + i));
    for (std::size_t k = 0; k < 10; ++k) {
        row[63 + 3 * k] = Cell::integer(static_cast<std::int16_t>(100 + k));
        row[64 + 3 * k] = Cell::integer(static_cast<std::int16_t>(200 + k));
        row[65 + 3 * k] = Cell::text(std::string("D").append(std::to_string(k)));
        row[93 + k] = Cell::integer(static_cast<std::int16_t>(300 + k));
        row[103 + k] = Cell::text(std::string("Name").append(std::to_string(k)));
        row[113 + k] = Cell::byte(static_cast<std::uint8_t>(k % 2));
    }
    f.object->WriteObject(row, 2);
    const std::string b = ReadBytes(f.install.path("Hero", "MAGE.HER"));
    ASSERT_EQ(b.size(), 1380u);
    const auto i16 = [&](std::size_t at) {
        return static_cast<int>(static_cast<std::int16_t>(
            static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8));
    };
    EXPECT_EQ(b.substr(271, 3), std::string("T0\0", 3));
    EXPECT_EQ(b.substr(271 + 32 * 21, 4), std::string("T21\0", 4));
    EXPECT_EQ(i16(976), 1000);
    EXPECT_EQ(i16(976 + 2 * 21), 1021);
    EXPECT_EQ(i16(1020 + 16 * 9), 109);
    EXPECT_EQ(i16(1022 + 16 * 9), 209);
    EXPECT_EQ(b.substr(1026 + 16 * 9, 3), std::string("D9\0", 3));
    EXPECT_EQ(i16(1180 + 2 * 9), 309);
    EXPECT_EQ(b.substr(1200 + 16 * 9, 6), std::string("Name9\0", 6));
    EXPECT_EQ(b[1369], 1);
    EXPECT_EQ(b.substr(1372, 8), std::string(8, '\0'));  // empty longs are 0
    // Read back through a new object: the same cells.
    auto again = f.install.open()->GetEditObjectData(2);
    const std::size_t r = again.at(0, 4).str() == "MAGE" ? 0 : 1;
    for (std::size_t c = 19; c <= 122; ++c) {
        if (row[c].isEmpty()) continue;
        EXPECT_EQ(again.at(r, c).toString(), row[c].toString()) << c;
    }
}

TEST(WriteItem, TheIconNumberReadsBackAndKeepsTheLowBits) {
    Fixture f;
    Bytes ring(204);
    ring.text(0, 32, "Ring").u8(176, 13);  // picture 3, low bits 01
    f.install.write("Items", "RING.ITM", ring);
    auto object = f.install.open();
    b3::ObjectArray row = object->GetEditObjectData(0).row(0);
    ASSERT_EQ(row[5], Cell::integer(3));
    row[5] = Cell::integer(31);
    object->WriteObject(row, 0);
    EXPECT_EQ(static_cast<unsigned char>(ReadBytes(f.install.path("Items", "RING.ITM"))[176]),
              4 * 31 + 1);
    EXPECT_EQ(f.install.open()->GetEditObjectData(0).at(0, 5), Cell::integer(31));
    row[1] = Cell::text("NEWRING");
    row[5] = Cell::integer(7);
    object->WriteObject(row, 0);
    EXPECT_EQ(ReadBytes(f.install.path("Items", "NEWRING.ITM"))[176], 28);
    row[5] = Cell::integer(64);  // 256 does not fit the byte
    auto e = Failure([&] { object->WriteObject(row, 0); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 6);
}

TEST(WriteObject, AnExistingFileIsFoundWhateverItsLetterCase) {
    Fixture f;
    RenameCase(f.install.path("Army", "KNIGHT.ARM"), f.install.path("Army", "Knight.arm"));
    auto row = f.army();
    row[3] = Cell::text("KNIGHT");
    row[5] = Cell::byte(9);
    f.object->WriteObject(row, 1);
    EXPECT_EQ(FolderNames(f.install.folder("Army")), (std::vector<std::string>{"Knight.arm"}));
    EXPECT_EQ(ReadBytes(f.install.path("Army", "Knight.arm"))[154], 9);
}

TEST(WriteObject, EveryKindRoundTripsThroughANewObject) {
    Fixture f;
    for (int kind = 0; kind < 5; ++kind) {
        b3::ObjectArray row = f.object->GetEditObjectData(kind).row(0);
        for (const auto& field : b3::LayoutOf(kind).fields) {
            if (field.access != b3::FieldAccess::ReadWrite) continue;
            Cell& cell = row[static_cast<std::size_t>(field.column)];
            switch (field.encoding) {
                case b3::FieldEncoding::Text:
                    cell = Cell::text(std::string("é") + std::to_string(field.column));
                    break;
                case b3::FieldEncoding::Byte:
                    cell = Cell::byte(static_cast<std::uint8_t>(field.column));
                    break;
                case b3::FieldEncoding::IconByte:
                    cell = Cell::integer(17);
                    break;
                case b3::FieldEncoding::Int16:
                    cell = Cell::integer(static_cast<std::int16_t>(-field.column));
                    break;
                case b3::FieldEncoding::Int32:
                    cell = Cell::long_(-100000 * field.column);
                    break;
            }
        }
        f.object->WriteObject(row, kind);
        const b3::DataArray again = f.install.open()->GetEditObjectData(kind);
        ASSERT_EQ(again.rows(), 1u);
        EXPECT_EQ(again.row(0), row) << kind;
    }
}

TEST(Delete, RemovesTheObjectAndItsPictures) {
    Fixture f;
    f.install.write("Hero", "KNIGHTS.HER", std::string(1380, '\0'));
    f.install.write("Hero", "KNIGHTSm.PCX", "m");
    f.install.write("Hero", "KNIGHTSf.PCX", "f");
    f.object->Delete(2, "KNIGHTS");
    EXPECT_EQ(FolderNames(f.install.folder("Hero")), (std::vector<std::string>{"WIZARD.HER"}));
    // Missing pictures are skipped.
    f.object->Delete(1, "KNIGHT");
    EXPECT_TRUE(FolderNames(f.install.folder("Army")).empty());
    f.install.write("Sites", "TOWER.PCX", "p");
    f.object->Delete(3, "tower");  // the game's names ignore case
    EXPECT_TRUE(FolderNames(f.install.folder("Sites")).empty());
    f.object->Delete(0, "RING");
    EXPECT_TRUE(FolderNames(f.install.folder("Items")).empty());
    f.object->Delete(4, f.object->GetEditObjectData(4).at(0, 20).str());
    EXPECT_TRUE(FolderNames(f.install.folder("Spell")).empty());
    f.object->Delete(1, "NOBODY");   // nothing there: no failure
    f.object->Delete(9, "../../x");  // unknown kind: nothing
}

TEST(Delete, UnsafeNamesAreRefused) {
    Fixture f;
    for (const char* bad : {"", ".", "..", "../Hero/WIZARD", "x/y"}) {
        auto e = Failure([&] { f.object->Delete(1, bad); });
        ASSERT_TRUE(e) << bad;
        EXPECT_EQ(e->number(), 5);
        EXPECT_EQ(e->source(), "CEditObject::Delete");
    }
    EXPECT_TRUE(fs::exists(f.install.path("Hero", "WIZARD.HER")));
}

TEST(Delete, AFailingDeleteCarriesItsOwnDescription) {
    Fixture f;
    fs::create_directory(f.install.path("Army", "STUCK.PCX"));
    f.install.write("Army", "STUCK.PCX/inside", "x");
    f.install.write("Army", "STUCK.ARM", std::string(252, '\0'));
    auto e = Failure([&] { f.object->Delete(1, "STUCK"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->source(), "CEditObject::Delete");
    EXPECT_EQ(e->description(), "Error attempting to delete file.");
    EXPECT_FALSE(fs::exists(f.install.path("Army", "STUCK.ARM")));  // deleted before the failure
}

TEST(CopyPictureTemplate, CopiesTheTemplatesUnderTheirNewNames) {
    Fixture f;
    f.object->CopyPictureTemplate(1, "KNIGHTS");
    EXPECT_EQ(ReadBytes(f.install.path("Hero", "KNIGHTSm.PCX")), "army template");
    EXPECT_EQ(ReadBytes(f.install.path("Hero", "KNIGHTSf.PCX")), "army template");
    f.object->CopyPictureTemplate(0, "PIKEMEN");
    EXPECT_EQ(ReadBytes(f.install.path("Army", "PIKEMEN.PCX")), "army template");
    f.install.write("Sites", "TOWER.PCX", "old picture");
    f.object->CopyPictureTemplate(2, "TOWER");  // replaces
    EXPECT_EQ(ReadBytes(f.install.path("Sites", "TOWER.PCX")), "site template");
    const auto before = FolderNames(f.install.folder("Army"));
    f.object->CopyPictureTemplate(3, "NOTHING");
    EXPECT_EQ(FolderNames(f.install.folder("Army")), before);
}

TEST(CopyPictureTemplate, FailuresAndUnsafeNames) {
    Fixture f;
    for (const char* bad : {"", "..", "../x"}) {
        auto e = Failure([&] { f.object->CopyPictureTemplate(0, bad); });
        ASSERT_TRUE(e) << bad;
        EXPECT_EQ(e->number(), 5);
    }
    fs::remove(f.install.path("EDPICTS", "NEWSITE.PCX"));
    auto e = Failure([&] { f.object->CopyPictureTemplate(2, "TOWER"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 53);
    EXPECT_EQ(e->source(), "CFile::CopyFile");
    EXPECT_FALSE(fs::exists(f.install.path("Sites", "TOWER.PCX")));
}

TEST(EncodeRecord, KeepsBytesPastTheRecordAndNamesTheWriter) {
    b3::ObjectArray site(9);
    site[2] = Cell::text("KEEP");
    const std::string existing = std::string(46, '\x11') + "tail";
    const std::string out = b3::EncodeRecord(3, site, existing);
    ASSERT_EQ(out.size(), 50u);
    EXPECT_EQ(out.substr(46), "tail");
    EXPECT_EQ(out[25], '\x11');  // the gap after the short name
    EXPECT_EQ(out.substr(30, 12), std::string(12, '\x11'));
    site[1] = Cell::text(std::string(17, 'x'));
    auto e = Failure([&] { b3::EncodeRecord(3, site, existing); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->source(), "CEditObject::WriteSite");
    EXPECT_EQ(e->number(), 5);
}

}  // namespace
