// Code-to-name conversions: power types, sounds and facings from the string table, short names
// looked up in data arrays, genders and truth values.
#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "cedit_object.h"
#include "support/install_fixture.h"

namespace b3 {
void PrintTo(const Cell& c, std::ostream* os) {
    *os << Cell::typeName(c.type()) << "(" << c.toString() << ")";
}
}  // namespace b3

namespace {

using b3::CEditObject;
using b3::Cell;
using b3::DataArray;
using b3::ObjectArray;
using b3test::Bytes;
using b3test::Failure;
using b3test::Installation;

constexpr std::int32_t kNoName = -2147219986;  // 0x800405EE

// One installation shared by the tests: two armies, three spells, one of every other kind.
class Conversions : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        inst_ = new Installation();
        inst_->withOneOfEach();
        inst_->write("Army", "Orc.ARM", Bytes(252).text(0, 16, "Orc Warband").str());
        inst_->write("Army", "\xC3\x89LITE.ARM", Bytes(252).text(0, 16, "Elite Guard").str());
        inst_->write("Spell", "FireBall.SPL", Bytes(210).text(0, 16, "Fire Ball").str());
        inst_->write("Spell", "FIREBALL2.SPL", Bytes(210).text(0, 16, "Second Ball").str());
        obj_ = new CEditObject(inst_->options());
    }
    static void TearDownTestSuite() {
        delete obj_;
        delete inst_;
    }
    static Installation* inst_;
    static CEditObject* obj_;
};

Installation* Conversions::inst_ = nullptr;
CEditObject* Conversions::obj_ = nullptr;

void ExpectNoName(const std::optional<b3::Error>& e, const char* source, const char* description) {
    ASSERT_TRUE(e) << source;
    EXPECT_EQ(e->number(), kNoName);
    EXPECT_EQ(e->number(), static_cast<std::int32_t>(0x800405EEu));
    EXPECT_EQ(e->source(), source);
    EXPECT_EQ(e->description(), description);
}

// ---------------------------------------------------------------------------------------------
// Power types

TEST_F(Conversions, PowerTypeNames) {
    EXPECT_EQ(obj_->ConvertPowerTypeToName(22), "Summon Army");
    EXPECT_EQ(obj_->ConvertPowerTypeToName(0), "None");
    EXPECT_EQ(obj_->ConvertPowerTypeToName(57), "Questing");
}

TEST_F(Conversions, EveryPowerTypeName) {
    // Codes 0 to 57; 34 has no name.
    const char* const names[58] = {
        "None",          "Leadership",     "Chaos",       "Morale",
        "Fear",          "Siege",          "Fortify",     "Movement",
        "Strength",      "MoveBonus",      "Gold",        "Gold per City",
        "Engineer",      "Flight",         "Hits",        "Speed",
        "Invisibility",  "Group Movement", "Group Hits",  "Port",
        "Spell",         "Production",     "Summon Army", "View",
        "Group View",    "Bless",          "Poison",      "Disease",
        "Assassin",      "Reveal Map",     "Missiles",    "Medals",
        "Trample",       "Curse",          nullptr,       "Teleport",
        "Summon Item",   "Banding",        "Acid",        "Lightning",
        "Paralysis",     "Warding",        "Group Acid",  "Group Lightning",
        "Dragonslayer",  "Demonslayer",    "Deathslayer", "Manslayer",
        "Elfslayer",     "Dwarfslayer",    "Orcslayer",   "Gnollslayer",
        "Group Warding", "Necromancy",     "Life Drain",  "Renown",
        "Mana Drain",    "Questing"};
    for (int code = 0; code < 58; ++code) {
        const auto index = static_cast<std::int16_t>(code);
        if (names[code] == nullptr) {
            ExpectNoName(Failure([&] { obj_->ConvertPowerTypeToName(index); }),
                         "CEditObject::ConvertPowerTypeToName",
                         "Error converting power type to name.");
        } else {
            EXPECT_EQ(obj_->ConvertPowerTypeToName(index), names[code]) << "code " << code;
        }
    }
}

TEST_F(Conversions, PowerTypesWithoutANameFail) {
    // 200 and 300 would be the identifiers of sounds and facings: no power has them.
    for (std::int16_t code : std::initializer_list<std::int16_t>{34, 58, -1, -100, 99, 100, 200,
                                                                 300, 350, 400, 32767, -32768}) {
        ExpectNoName(Failure([&] { obj_->ConvertPowerTypeToName(code); }),
                     "CEditObject::ConvertPowerTypeToName", "Error converting power type to name.");
    }
}

// ---------------------------------------------------------------------------------------------
// Sounds and facings

TEST_F(Conversions, SoundNames) {
    const char* const names[] = {"None", "Walk", "March", "Stomp", "Gallop", "Sail",
                                 "Flap", "Pad",  "Wagon", "Soar",  "Fire"};
    for (int code = 0; code <= 10; ++code) {
        EXPECT_EQ(obj_->ConvertSoundToName(static_cast<std::int16_t>(code)), names[code]) << code;
    }
    for (std::int16_t code :
         std::initializer_list<std::int16_t>{11, -1, 100, 150, 200, -200, 32767}) {
        ExpectNoName(Failure([&] { obj_->ConvertSoundToName(code); }),
                     "CEditObject::ConvertSoundToName", "Error converting sound to name.");
    }
}

TEST_F(Conversions, FacingNames) {
    const char* const names[] = {"North", "Northeast", "East", "Southeast",
                                 "South", "Southwest", "West", "Northwest"};
    for (int code = 0; code <= 7; ++code) {
        EXPECT_EQ(obj_->ConvertFacingToName(static_cast<std::int16_t>(code)), names[code]) << code;
    }
    EXPECT_EQ(obj_->ConvertFacingToName(7), "Northwest");
    for (std::int16_t code : std::initializer_list<std::int16_t>{8, -1, 50, 100, -300, -400}) {
        ExpectNoName(Failure([&] { obj_->ConvertFacingToName(code); }),
                     "CEditObject::ConvertFacingToName", "Error converting facing to name.");
    }
}

// ---------------------------------------------------------------------------------------------
// ConvertShortName

DataArray ItemTable(const std::vector<std::vector<Cell>>& rows, std::size_t columns = 11) {
    DataArray d(rows.size(), columns);
    for (std::size_t r = 0; r < rows.size(); ++r) d.setRow(r, rows[r]);
    return d;
}

TEST_F(Conversions, ShortNameFindsTheFirstMatchIgnoringCase) {
    const DataArray items =
        ItemTable({{Cell::long_(0), Cell::text("AMULET"), Cell::text("Amulet of Ages")},
                   {Cell::long_(1), Cell::text("ring"), Cell::text("Small Ring"), Cell::byte(4)},
                   {Cell::long_(2), Cell::text("RING"), Cell::text("Big Ring")},
                   {Cell::long_(3), Cell::text("\xC3\xA9p\xC3\xA9\x65"), Cell::text("Sword")}});
    const ObjectArray ring = obj_->ConvertShortName("Ring", items);
    ASSERT_EQ(ring.size(), 3u);
    EXPECT_EQ(ring[0], Cell::long_(1));
    EXPECT_EQ(ring[1], Cell::text("ring"));
    EXPECT_EQ(ring[2], Cell::text("Small Ring"));

    const ObjectArray amulet = obj_->ConvertShortName("amulet", items);
    ASSERT_EQ(amulet.size(), 3u);
    EXPECT_EQ(amulet[0], Cell::long_(0));
    EXPECT_EQ(amulet[2], Cell::text("Amulet of Ages"));

    // Accented letters compare without case too: "ÉPÉE" finds "épée".
    const ObjectArray sword = obj_->ConvertShortName("\xC3\x89P\xC3\x89\x45", items);
    ASSERT_EQ(sword.size(), 3u);
    EXPECT_EQ(sword[0], Cell::long_(3));
}

TEST_F(Conversions, ShortNameUpperCasesEveryWindows1252Letter) {
    // š Š, œ Œ, ž Ž and ÿ Ÿ are letter pairs of Windows-1252 outside Latin-1.
    const DataArray items =
        ItemTable({{Cell::long_(0), Cell::text("\xC5\xA0KODA"), Cell::text("A")},
                   {Cell::long_(1), Cell::text("\xC5\x92UVRE"), Cell::text("B")},
                   {Cell::long_(2), Cell::text("\xC5\xBD\xC5\xB8"), Cell::text("C")},
                   {Cell::long_(3), Cell::text("\xC3\x9E\xC3\x98"), Cell::text("D")}});
    EXPECT_EQ(obj_->ConvertShortName("\xC5\xA1koda", items)[2], Cell::text("A"));
    EXPECT_EQ(obj_->ConvertShortName("\xC5\x93uvre", items)[2], Cell::text("B"));
    EXPECT_EQ(obj_->ConvertShortName("\xC5\xBE\xC3\xBF", items)[2], Cell::text("C"));
    EXPECT_EQ(obj_->ConvertShortName("\xC3\xBE\xC3\xB8", items)[2], Cell::text("D"));  // þø
    // The division and multiplication signs are no letters: they match only themselves.
    const DataArray signs = ItemTable({{Cell::long_(0), Cell::text("\xC3\x97"), Cell::text("x")}});
    EXPECT_TRUE(obj_->ConvertShortName("\xC3\xB7", signs)[0].isEmpty());
    EXPECT_EQ(obj_->ConvertShortName("\xC3\x97", signs)[2], Cell::text("x"));
}

TEST_F(Conversions, ShortNameWithoutMatchGivesThreeEmptyCells) {
    const DataArray items = ItemTable({{Cell::long_(0), Cell::text("RING"), Cell::text("Ring")}});
    for (const char* name : {"RIN", "RINGS", "", " RING"}) {
        const ObjectArray none = obj_->ConvertShortName(name, items);
        ASSERT_EQ(none.size(), 3u) << name;
        for (const Cell& c : none) EXPECT_TRUE(c.isEmpty()) << name;
    }
    const ObjectArray none = obj_->ConvertShortName("RING", DataArray(0, 11));
    ASSERT_EQ(none.size(), 3u);
    for (const Cell& c : none) EXPECT_TRUE(c.isEmpty());
}

TEST_F(Conversions, ShortNameOfTheServersItems) {
    const ObjectArray ring = obj_->ConvertShortName("ring", obj_->GetEditObjectData(b3::kItem));
    ASSERT_EQ(ring.size(), 3u);
    EXPECT_EQ(ring[0], Cell::long_(0));
    EXPECT_EQ(ring[1], Cell::text("RING"));
    EXPECT_EQ(ring[2], Cell::text("Ring"));
}

TEST_F(Conversions, ShortNameInATableOfFewerThanThreeColumnsFails) {
    for (std::size_t columns : {0u, 1u, 2u}) {
        DataArray narrow(2, columns);
        const auto e = Failure([&] { obj_->ConvertShortName("RING", narrow); });
        ASSERT_TRUE(e) << columns;
        EXPECT_EQ(e->number(), 9);
        EXPECT_EQ(e->source(), "CEditObject::ConvertShortName");
        EXPECT_EQ(e->description(), "Subscript out of range");
    }
    // Exactly three columns is enough.
    DataArray three(1, 3);
    three.setRow(0, {Cell::long_(0), Cell::text("X"), Cell::text("Y")});
    EXPECT_EQ(obj_->ConvertShortName("x", three)[2], Cell::text("Y"));
}

// ---------------------------------------------------------------------------------------------
// ConvertArmyShortName

TEST_F(Conversions, ArmyShortNameIgnoresCase) {
    // The row numbers are those of the server's own army array.
    const DataArray armies = obj_->GetEditObjectData(b3::kArmy);
    ASSERT_EQ(armies.rows(), 3u);
    std::size_t knightRow = armies.rows();
    std::size_t orcRow = armies.rows();
    for (std::size_t r = 0; r < armies.rows(); ++r) {
        if (armies.at(r, 3).str() == "KNIGHT") knightRow = r;
        if (armies.at(r, 3).str() == "Orc") orcRow = r;
    }
    ASSERT_LT(knightRow, armies.rows());
    ASSERT_LT(orcRow, armies.rows());

    const ObjectArray knight = obj_->ConvertArmyShortName("knight");
    ASSERT_EQ(knight.size(), 4u);
    EXPECT_EQ(knight[0], Cell::long_(static_cast<std::int32_t>(knightRow)));
    EXPECT_EQ(knight[1], Cell::text("Knight"));
    EXPECT_TRUE(knight[2].isEmpty());
    EXPECT_EQ(knight[3], Cell::text("KNIGHT"));

    const ObjectArray orc = obj_->ConvertArmyShortName("ORC");
    ASSERT_EQ(orc.size(), 4u);
    EXPECT_EQ(orc[0], Cell::long_(static_cast<std::int32_t>(orcRow)));
    EXPECT_EQ(orc[1], Cell::text("Orc Warband"));
    EXPECT_TRUE(orc[2].isEmpty());
    EXPECT_EQ(orc[3], Cell::text("Orc"));

    const ObjectArray elite = obj_->ConvertArmyShortName("\xC3\xA9lite");  // "élite"
    ASSERT_EQ(elite.size(), 4u);
    EXPECT_EQ(elite[1], Cell::text("Elite Guard"));
    EXPECT_TRUE(elite[2].isEmpty());
}

TEST_F(Conversions, ArmyShortNameWithoutMatchGivesFourEmptyCells) {
    for (const char* name : {"KNIGH", "KNIGHTS", "", "Knight "}) {
        const ObjectArray none = obj_->ConvertArmyShortName(name);
        ASSERT_EQ(none.size(), 4u) << name;
        for (const Cell& c : none) EXPECT_TRUE(c.isEmpty()) << name;
    }
}

// ---------------------------------------------------------------------------------------------
// ConvertSpellShortNameToDisplay

TEST_F(Conversions, SpellShortNameToDisplay) {
    EXPECT_EQ(obj_->ConvertSpellShortNameToDisplay("BOLT"), "Bolt");
    EXPECT_EQ(obj_->ConvertSpellShortNameToDisplay("bolt"), "Bolt");
    EXPECT_EQ(obj_->ConvertSpellShortNameToDisplay("fireball"), "Fire Ball");
    EXPECT_EQ(obj_->ConvertSpellShortNameToDisplay("FIREBALL2"), "Second Ball");
    // A name no spell has comes back as it was given.
    EXPECT_EQ(obj_->ConvertSpellShortNameToDisplay("NoSuch"), "NoSuch");
    EXPECT_EQ(obj_->ConvertSpellShortNameToDisplay("FIREBAL"), "FIREBAL");
    EXPECT_EQ(obj_->ConvertSpellShortNameToDisplay(""), "");
    EXPECT_EQ(obj_->ConvertSpellShortNameToDisplay("BOLT.SPL"), "BOLT.SPL");
}

// ---------------------------------------------------------------------------------------------
// Genders and truth values

TEST(GenderAndTruth, Gender) {
    EXPECT_EQ(CEditObject::ConvertGender(0), "Male");
    EXPECT_EQ(CEditObject::ConvertGender(1), "Female");
    EXPECT_EQ(CEditObject::ConvertGender(2), "");
    EXPECT_EQ(CEditObject::ConvertGender(-1), "");
    EXPECT_EQ(CEditObject::ConvertGender(255), "");
}

TEST(GenderAndTruth, Truth) {
    EXPECT_EQ(CEditObject::ConvertTruth(0), "False");
    EXPECT_EQ(CEditObject::ConvertTruth(1), "True");
    EXPECT_EQ(CEditObject::ConvertTruth(2), "True");
    EXPECT_EQ(CEditObject::ConvertTruth(255), "True");
}

}  // namespace
