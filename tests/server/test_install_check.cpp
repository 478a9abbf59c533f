// The installation checks on crafted installations, and the named table columns they share with
// the batch commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "b3/install_check.h"
#include "b3/table_columns.h"
#include "support/install_fixture.h"

namespace {

using b3test::Bytes;
using b3test::Installation;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The problems as "KIND-CODE NAME: problem" lines.
std::vector<std::string> Problems(const Installation& game) {
    std::vector<std::string> lines;
    for (const auto& p : b3::CheckInstallation(*game.open()))
        lines.push_back(std::to_string(p.kind) + " " + p.name + ": " + p.problem);
    return lines;
}

// A hero record whose level XP rise and whose pictures are named after it.
Bytes RisingHero(const std::string& name) {
    Bytes b(1380);
    b.text(0, 32, name).text(201, 9, name + "m").text(210, 9, name + "f");
    for (int level = 1; level <= 11; ++level)
        b.i16(976 + 2 * static_cast<std::size_t>(level - 1), 100 * level);
    return b;
}

// One clean object of each kind with its pictures.
void CleanInstallation(const Installation& game) {
    game.write("Items", "RING.ITM", Bytes(204).text(0, 32, "Ring").str());
    game.write("Army", "KNIGHT.ARM", Bytes(252).text(0, 16, "Knight").str());
    game.write("Army", "KNIGHT.PCX", "picture");
    game.write("Hero", "WIZARD.HER", RisingHero("WIZARD").str());
    game.write("Hero", "WIZARDm.PCX", "picture");
    game.write("Hero", "WIZARDf.PCX", "picture");
    game.write("Sites", "TOWER.SIT", Bytes(46).text(0, 16, "Tower").str());
    game.write("Spell", "CALL.SPL",
               Bytes(210).text(0, 16, "Call").i16(146, 22).text(152, 10, "knight").str());
}

TEST(InstallCheck, ACleanInstallationHasNoProblem) {
    Installation game;
    CleanInstallation(game);
    EXPECT_EQ(Problems(game), std::vector<std::string>{});
}

TEST(InstallCheck, FindsEachKindOfProblem) {
    Installation game;
    CleanInstallation(game);
    // A summoned army that does not exist, in the spell's third power.
    game.write(
        "Spell", "RAISE.SPL",
        Bytes(210).text(0, 16, "Raise").i16(146 + 32, 22).text(152 + 32, 10, "GHOULS").str());
    // An army without its picture, with a power, a sound and a facing that have no name.
    game.write("Army", "ORCS.ARM", Bytes(252).i16(230, 34).u8(246, 11).u8(247, 8).str());
    // A hero without its female picture whose level 5 needs fewer XP than level 4.
    Bytes seer = RisingHero("SEER");
    seer.i16(976 + 2 * 4, 350);
    game.write("Hero", "SEER.HER", seer.str());
    game.write("Hero", "SEERm.PCX", "picture");
    // Names Windows cannot hold or the game cannot store, and two names differing in case.
    // (Windows itself holds neither, so only POSIX file systems can show those two.)
#ifndef _WIN32
    game.write("Items", "CON.ITM", Bytes(204).str());
    game.write("Sites", "tower.sit", Bytes(46).str());
#endif
    game.write("Items", "LONGNAMES.ITM", Bytes(204).str());
    // A record shorter than its layout.
    game.write("Sites", "HUT.SIT", Bytes(40).str());
    game.write("Sites", "HUT.PCX", "picture");

    const std::vector<std::string> problems = Problems(game);
    const std::set<std::string> found(problems.begin(), problems.end());
    std::vector<std::string> expected = {
        "0 LONGNAMES: the short name is longer than 8 characters",
        "1 ORCS: power type 34 has no name",
        "1 ORCS: sound 11 has no name",
        "1 ORCS: default facing 8 has no name",
        "1 ORCS: the picture file ORCS.PCX is missing",
        "2 SEER: the picture file SEERf.PCX is missing",
        "2 SEER: the level table does not rise: level 5 needs 350 XP, level 4 400",
        "3 HUT.SIT: the file has 40 bytes; its record needs 46",
        "4 RAISE: power 3 summons the army \"GHOULS\", which does not exist",
    };
#ifndef _WIN32
    expected.push_back(
        "0 CON: Windows cannot hold the short name: \"CON\" is a reserved device name");
    expected.push_back(
        "3 tower.sit: the file name differs only in letter case from TOWER.SIT; Windows keeps "
        "only one of them");
#endif
    for (const std::string& line : expected) EXPECT_TRUE(found.contains(line)) << line;
    EXPECT_EQ(problems.size(), expected.size()) << ::testing::PrintToString(problems);
}

TEST(TableColumns, NamesAreUniqueAndCoverEveryColumnButTheRowIndex) {
    for (int kind = 0; kind < b3::kKindCount; ++kind) {
        const auto& columns = b3::TableColumns(kind);
        ASSERT_EQ(columns.size(), static_cast<std::size_t>(b3::kColumnCount[kind] - 1));
        std::set<std::string> names;
        std::set<int> numbers;
        for (const auto& c : columns) {
            names.insert(Upper(c.name));
            numbers.insert(c.column);
        }
        EXPECT_EQ(names.size(), columns.size());
        EXPECT_EQ(*numbers.begin(), 1);
        EXPECT_EQ(columns.front().name, kind == b3::kSpell ? "File" : "ShortName");
    }
    EXPECT_EQ(b3::FindTableColumn(b3::kHero, "level11ap")->column, 62);
    EXPECT_EQ(b3::FindTableColumn(b3::kHero, "Power3Descrip")->column, 71);
    EXPECT_EQ(b3::FindTableColumn(b3::kSpell, "Power4Description")->column, 19);
    EXPECT_FALSE(b3::FindTableColumn(b3::kArmy, "TypeWord2")->writable);
}

TEST(TableColumns, CellsFromTextKeepToTheirFields) {
    const auto strength = *b3::FindTableColumn(b3::kArmy, "Strength");
    EXPECT_EQ(b3::CellFromText(strength, " 255 "), b3::Cell::byte(255));
    const auto cost = *b3::FindTableColumn(b3::kArmy, "BuildCost");
    EXPECT_EQ(b3::CellFromText(cost, "-7"), b3::Cell::integer(-7));
    const auto icon = *b3::FindTableColumn(b3::kItem, "IconNumber");
    EXPECT_EQ(b3::CellFromText(icon, "63"), b3::Cell::integer(63));
    const auto failure = [](const b3::TableColumn& c, const char* text) {
        return b3test::Failure([&] { b3::CellFromText(c, text); }).value();
    };
    EXPECT_EQ(failure(strength, "256").description(), "256 does not fit: 0 to 255");
    EXPECT_EQ(failure(strength, "256").number(), b3::kErrOverflow);
    EXPECT_EQ(failure(strength, "3.5").number(), b3::kErrTypeMismatch);
    EXPECT_EQ(failure(strength, "").number(), b3::kErrTypeMismatch);
    EXPECT_EQ(failure(icon, "64").number(), b3::kErrOverflow);
    const auto name = *b3::FindTableColumn(b3::kArmy, "DisplayName");
    EXPECT_EQ(b3::CellFromText(name, "Caf\xC3\xA9 Guards 1234"),
              b3::Cell::text("Caf\xC3\xA9 Guards 1234"));
    EXPECT_EQ(failure(name, "Seventeen chars!!").description(),
              "the text has 17 characters; at most 16 fit");
    EXPECT_EQ(failure(name, "\xC5\x81odz").description(),
              "the character '\xC5\x81' cannot be stored in the game's files");
}

TEST(TableColumns, ObjectProblemNamesTheFirstFieldThatCannotBeStored) {
    EXPECT_EQ(b3::ColumnWords("CombatBonusTerrain"), "Combat Bonus Terrain");
    EXPECT_EQ(b3::ColumnWords("Level3XP"), "Level 3 XP");
    b3::ObjectArray army(28);
    army[1] = b3::Cell::text("Knights");
    army[5] = b3::Cell::byte(6);
    EXPECT_FALSE(b3::ObjectProblem(b3::kArmy, army));
    army[2] = b3::Cell::text("Caf\xC3\xA9 \xE2\x82\xAC \xC5\x81");  // é and € fit, Ł does not
    EXPECT_EQ(b3::ObjectProblem(b3::kArmy, army).value_or(""),
              "Description: the character '\xC5\x81' cannot be stored in the game's files");
    army[2] = b3::Cell::text("");
    army[20] = b3::Cell::long_(40000);
    EXPECT_EQ(b3::ObjectProblem(b3::kArmy, army).value_or(""),
              "Build Cost: 40000 does not fit: -32768 to 32767");
}

TEST(TableColumns, FileNamesWindowsCannotHold) {
    EXPECT_FALSE(b3::FileNameProblem("KNIGHTS"));
    EXPECT_FALSE(b3::FileNameProblem("Caf\xC3\xA9"));
    for (const char* bad : {"", ".HIDDEN", "A:B", "A?", "TRAIL.", "TRAIL ", "nul", "Lpt1",
                            "\xC5\x81"
                            "ODZ",
                            "A\x01", "A\xC2\x85"})
        EXPECT_TRUE(b3::FileNameProblem(bad)) << bad;
}

}  // namespace
