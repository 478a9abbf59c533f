// The sample installation's readable content: it parses, holds what the rest of the suite relies
// on, and every text fits its field.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "platform/text1252.h"
#include "sample/sample.h"

namespace {

using b3::sample::SampleContent;
using b3::sample::SampleObject;

const SampleContent& Content() {
    static const SampleContent content = b3::sample::LoadSampleContent();
    return content;
}

// The objects of one kind code.
const std::vector<SampleObject>& Objects(int kind) {
    return Content().kinds[static_cast<std::size_t>(kind)];
}

const SampleObject* Find(int kind, const std::string& shortName) {
    for (const SampleObject& o : Objects(kind))
        if (o.shortName == shortName) return &o;
    return nullptr;
}

std::int64_t Num(const SampleObject& o, int column) {
    return o.cells.at(static_cast<std::size_t>(column)).number();
}
const std::string& Text(const SampleObject& o, int column) {
    return o.cells.at(static_cast<std::size_t>(column)).str();
}

TEST(SampleNames, CodesOfTheNamesUsedInTheContent) {
    EXPECT_EQ(b3::sample::PowerCode("None"), 0);
    EXPECT_EQ(b3::sample::PowerCode("Spell"), 20);
    EXPECT_EQ(b3::sample::PowerCode("Summon Army"), 22);
    EXPECT_EQ(b3::sample::PowerCode("Trample"), 32);
    EXPECT_EQ(b3::sample::PowerCode("Curse"), 33);
    EXPECT_EQ(b3::sample::PowerCode("Teleport"), 35);  // code 34 has no name
    EXPECT_EQ(b3::sample::PowerCode("Questing"), 57);
    EXPECT_EQ(b3::sample::SoundCode("Gallop"), 4);
    EXPECT_EQ(b3::sample::SoundCode("Fire"), 10);
    EXPECT_EQ(b3::sample::FacingCode("South"), 4);
    EXPECT_EQ(b3::sample::FacingCode("Northwest"), 7);
    EXPECT_THROW(b3::sample::PowerCode(""), std::invalid_argument);
    EXPECT_THROW(b3::sample::PowerCode("trample"), std::invalid_argument);
    EXPECT_THROW(b3::sample::SoundCode("Neigh"), std::invalid_argument);
    EXPECT_THROW(b3::sample::FacingCode("Up"), std::invalid_argument);
    EXPECT_EQ(b3::sample::PowerName(34), "");
    EXPECT_EQ(b3::sample::PowerName(141), "");
}

TEST(SampleContent, EmbeddedTextIsTheCommittedSource) {
    for (int kind = 0; kind < b3::kKindCount; ++kind) {
        const std::string path =
            std::string(B3_SAMPLE_CONTENT_DIR) + "/" + b3::sample::ContentFileName(kind);
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path;
        const std::string source((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
        EXPECT_EQ(b3::sample::EmbeddedJson(kind), source) << path;
    }
}

TEST(SampleContent, CountsAndRequiredShortNames) {
    EXPECT_EQ(Content().kinds[b3::kItem].size(), 8u);
    EXPECT_GE(Content().kinds[b3::kArmy].size(), 16u);
    EXPECT_EQ(Content().kinds[b3::kHero].size(), 4u);
    EXPECT_EQ(Content().kinds[b3::kSite].size(), 4u);
    EXPECT_EQ(Content().kinds[b3::kSpell].size(), 6u);
    for (const char* name : {"SPEARMEN", "KNIGHTS", "ORCS", "SKELETON", "GRIFFON"})
        EXPECT_TRUE(Find(b3::kArmy, name)) << name;
    EXPECT_TRUE(Find(b3::kHero, "PALADIN"));
    for (int kind = 0; kind < b3::kKindCount; ++kind)
        for (const SampleObject& o : Objects(kind)) {
            EXPECT_LE(o.shortName.size(), kind == b3::kHero ? 7u : 8u) << o.shortName;
            EXPECT_EQ(b3::platform::AsciiUpper(o.shortName), o.shortName);
            EXPECT_EQ(o.cells.size(), static_cast<std::size_t>(b3::kColumnCount[kind]));
        }
}

TEST(SampleContent, ArmiesCoverThePowersAndTerrainsBattlesUse) {
    std::set<std::int64_t> powers;
    bool undead = false, flyer = false;
    int combatBonuses = 0;
    for (const SampleObject& a : Content().kinds[b3::kArmy]) {
        SCOPED_TRACE(a.shortName);
        powers.insert(Num(a, 22));
        if (a.typeWords[0] == "undead" || a.typeWords[1] == "undead") undead = true;
        if (Text(a, 13) == "fly") flyer = true;
        if (!Text(a, 17).empty()) {
            ++combatBonuses;
            EXPECT_GT(Num(a, 18), 0);
        }
        EXPECT_GE(Num(a, 5), 1);  // strength
        EXPECT_LE(Num(a, 5), 9);
        EXPECT_GE(Num(a, 7), 1);  // hits
        EXPECT_LE(Num(a, 7), 4);
        EXPECT_GE(Num(a, 6), 8);  // move
        EXPECT_LE(Num(a, 6), 20);
        EXPECT_GE(Num(a, 8), 1);  // turns
        EXPECT_LE(Num(a, 8), 5);
        EXPECT_LE(Num(a, 4), 20);  // medal chance
        EXPECT_GT(Num(a, 20), 0);  // build cost
        EXPECT_GT(Num(a, 21), 0);  // setup cost
        EXPECT_FALSE(Text(a, 1).empty());
        EXPECT_GE(Text(a, 2).size(), 40u);  // a real description
        EXPECT_EQ(Text(a, 3), a.shortName);
    }
    EXPECT_TRUE(undead);
    EXPECT_TRUE(flyer);
    EXPECT_GE(combatBonuses, 3);
    for (const char* name :
         {"Chaos", "Morale", "Fear", "Siege", "Fortify", "Poison", "Disease", "Assassin",
          "Missiles", "Trample", "Curse", "Banding", "Acid", "Lightning", "Warding"})
        EXPECT_TRUE(powers.count(b3::sample::PowerCode(name))) << name;
    // Hand-checked cells of one army.
    const SampleObject* knights = Find(b3::kArmy, "KNIGHTS");
    ASSERT_TRUE(knights);
    EXPECT_EQ(knights->cells[22], b3::Cell::integer(32));  // Trample
    EXPECT_EQ(knights->cells[24], b3::Cell::byte(4));      // Gallop
    EXPECT_EQ(knights->cells[25], b3::Cell::byte(3));      // Southeast
    EXPECT_EQ(knights->cells[5], b3::Cell::byte(6));
    EXPECT_EQ(knights->cells[17], b3::Cell::text("field"));
}

TEST(SampleContent, HeroesAreComplete) {
    for (const SampleObject& h : Content().kinds[b3::kHero]) {
        SCOPED_TRACE(h.shortName);
        EXPECT_EQ(Text(h, 5), h.shortName + "m");
        EXPECT_EQ(Text(h, 6), h.shortName + "f");
        for (int c : {1, 2, 3}) EXPECT_FALSE(Text(h, c).empty());
        for (int l = 0; l < 11; ++l) {
            EXPECT_FALSE(Text(h, 19 + l).empty()) << "male level " << l + 1;
            EXPECT_FALSE(Text(h, 30 + l).empty()) << "female level " << l + 1;
            if (l > 0) {
                EXPECT_GT(Num(h, 41 + l), Num(h, 40 + l)) << "XP rises with the level";
            }
        }
        int powers = 0;
        for (int p = 0; p < 10; ++p) {
            const std::int64_t type = Num(h, 63 + 3 * p);
            if (type == 0) continue;
            ++powers;
            EXPECT_GT(Num(h, 93 + p), 0) << "cost of power " << p + 1;
            if (type == b3::sample::PowerCode("Spell")) {
                EXPECT_TRUE(Find(b3::kSpell, Text(h, 65 + 3 * p))) << Text(h, 65 + 3 * p);
            }
        }
        EXPECT_GE(powers, 3);
        std::set<std::int64_t> genders;
        for (int n = 0; n < 10; ++n) {
            EXPECT_FALSE(Text(h, 103 + n).empty());
            genders.insert(Num(h, 113 + n));
        }
        EXPECT_EQ(genders, (std::set<std::int64_t>{0, 1}));
    }
    const SampleObject* paladin = Find(b3::kHero, "PALADIN");
    ASSERT_TRUE(paladin);
    // Power 3 of the paladin is the healing spell: columns 69, 70, 71.
    EXPECT_EQ(paladin->cells[69], b3::Cell::integer(20));
    EXPECT_EQ(paladin->cells[71], b3::Cell::text("HEALING"));
    EXPECT_EQ(paladin->cells[113], b3::Cell::byte(0));
    EXPECT_EQ(paladin->cells[114], b3::Cell::byte(1));
}

TEST(SampleContent, ItemsSitesAndSpells) {
    for (const SampleObject& i : Content().kinds[b3::kItem]) {
        EXPECT_GE(Num(i, 5), 0);
        EXPECT_LE(Num(i, 5), 31);
        EXPECT_NE(Num(i, 7), 0) << i.shortName << " has at least one power";
    }
    bool summons = false;
    for (const SampleObject& s : Content().kinds[b3::kSpell])
        for (int p = 1; p <= 4; ++p)
            if (Num(s, 4 * p) == 22) {
                summons = true;
                EXPECT_TRUE(Find(b3::kArmy, Text(s, 4 * p + 3))) << Text(s, 4 * p + 3);
            }
    EXPECT_TRUE(summons);
    const SampleObject* temple = Find(b3::kSite, "TEMPLE");
    ASSERT_TRUE(temple);
    EXPECT_EQ(temple->cells[3], b3::Cell::integer(25));  // Bless
    EXPECT_EQ(temple->cells[5], b3::Cell::byte(1));
    EXPECT_EQ(temple->cells[7], b3::Cell::byte(0));
}

TEST(SampleContent, EveryTextFitsItsFieldInWindows1252) {
    int checked = 0;
    bool accented = false;
    for (int kind = 0; kind < b3::kKindCount; ++kind)
        for (const SampleObject& o : Objects(kind))
            for (int c = 0; c < b3::kColumnCount[kind]; ++c) {
                const int width = b3::sample::TextWidth(kind, c);
                if (width == 0) continue;
                const std::string& text = o.cells[static_cast<std::size_t>(c)].str();
                const auto bytes = b3::platform::EncodeCp1252(text);
                ASSERT_TRUE(bytes) << o.shortName << " column " << c;
                EXPECT_LE(static_cast<int>(bytes->size()), width) << o.shortName << " column " << c;
                if (bytes->size() != text.size()) accented = true;
                ++checked;
            }
    EXPECT_GT(checked, 400);
    EXPECT_TRUE(accented);
}

TEST(SampleContent, TextWidthsAgreeWithTheRecordLayouts) {
    for (int kind = 0; kind < b3::kKindCount; ++kind) {
        std::set<int> textColumns;
        for (const b3::FieldLayout& f : b3::LayoutOf(kind).fields)
            if (f.encoding == b3::FieldEncoding::Text) {
                EXPECT_EQ(b3::sample::TextWidth(kind, f.column), f.width)
                    << "kind " << kind << " column " << f.column;
                textColumns.insert(f.column);
            }
        for (int c = 0; c < b3::kColumnCount[kind]; ++c)
            if (!textColumns.count(c)) {
                EXPECT_EQ(b3::sample::TextWidth(kind, c), 0) << c;
            }
    }
}

TEST(SampleColumns, BuildersNameTheTablesColumns) {
    EXPECT_EQ(b3::sample::ColumnOf(b3::kArmy, "PowerType"), 22);
    EXPECT_EQ(b3::sample::ColumnOf(b3::kHero, "Level3XP"), 43);
    EXPECT_EQ(b3::sample::ColumnOf(b3::kHero, "Power2Descrip"), 68);
    EXPECT_EQ(b3::sample::ColumnOf(b3::kSpell, "File"), b3::LayoutOf(b3::kSpell).shortNameColumn);
    for (int kind = 0; kind < b3::kKindCount; ++kind)
        for (const b3::TableColumn& c : b3::TableColumns(kind))
            EXPECT_EQ(b3::sample::ColumnOf(kind, c.name), c.column) << c.name;
    // A name the table lacks, or spelt otherwise, stops the builder with the kind and the name.
    for (const char* name : {"Powertype", "Power3Type", ""}) {
        try {
            b3::sample::ColumnOf(b3::kArmy, name);
            ADD_FAILURE() << "no error for \"" << name << "\"";
        } catch (const b3::Error& e) {
            EXPECT_EQ(e.number(), b3::kErrSubscript);
            EXPECT_NE(e.description().find("army"), std::string::npos) << e.description();
            EXPECT_NE(e.description().find("\"" + std::string(name) + "\""), std::string::npos)
                << e.description();
        }
    }
}

std::string ParseError(int kind, const std::string& json) {
    try {
        b3::sample::ParseKind(kind, json);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(SampleParse, BadContentIsRefusedWithItsPlace) {
    const std::string site =
        R"({"short": "WELL", "name": "Well", "power": {"type": "Gold", "value": 1},
            "canRaze": true, "regAnimOperational": true, "regAnimRazed": false,
            "regAnimUnused": false)";
    ASSERT_EQ(b3::sample::ParseKind(b3::kSite, "[" + site + "}]").size(), 1u);

    EXPECT_NE(ParseError(b3::kSite, "[" + site + R"(, "colour": 3}])").find("\"colour\""),
              std::string::npos);
    EXPECT_NE(ParseError(b3::kSite, "[" + site + "}, " + site + "}]").find("used twice"),
              std::string::npos);
    std::string s = site;
    s.replace(s.find("Gold"), 4, "Gild");
    EXPECT_NE(ParseError(b3::kSite, "[" + s + "}]").find("Gild"), std::string::npos);
    s = site;
    s.replace(s.find("\"Well\""), 6, "\"Well of Wishes Deep\"");  // 19 > 16
    EXPECT_NE(ParseError(b3::kSite, "[" + s + "}]").find("more than its 16"), std::string::npos);
    s = site;
    s.replace(s.find("\"Well\""), 6, "\"Well \\u4e95\"");  // a character Windows-1252 lacks
    EXPECT_NE(ParseError(b3::kSite, "[" + s + "}]").find("Windows-1252"), std::string::npos);
    s = site;
    s.replace(s.find("\"WELL\""), 6, "\"well\"");
    EXPECT_NE(ParseError(b3::kSite, "[" + s + "}]").find("upper-case"), std::string::npos);
    s = site;
    s.replace(s.find("true"), 4, "1");
    EXPECT_NE(ParseError(b3::kSite, "[" + s + "}]").find("canRaze"), std::string::npos);
    s = site;
    s.replace(s.find("\"value\": 1"), 10, "\"value\": 40000");
    EXPECT_NE(ParseError(b3::kSite, "[" + s + "}]").find("40000"), std::string::npos);
    EXPECT_NE(ParseError(b3::kSite, "{}").find("list"), std::string::npos);
    EXPECT_NE(ParseError(b3::kSite, "[1,").find("not valid JSON"), std::string::npos);
    // A missing field names the object.
    s = site;
    s.replace(s.find("\"canRaze\": true,"), 16, "");
    EXPECT_NE(ParseError(b3::kSite, "[" + s + "}]").find("sample site 1 (WELL), field \"canRaze\""),
              std::string::npos);
}

}  // namespace
