// Scenario files: what is written reads back the same, saving never leaves a half-written file,
// and entries are found among the installation's armies and heroes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/scenario.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

namespace fs = std::filesystem;

void ExpectSameEntry(const ScenarioEntry& a, const ScenarioEntry& b) {
    EXPECT_EQ(a.none, b.none);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.hasBonuses, b.hasBonuses);
    EXPECT_EQ(a.marks.blessed, b.marks.blessed);
    EXPECT_EQ(a.marks.diseased, b.marks.diseased);
    EXPECT_EQ(a.marks.poisoned, b.marks.poisoned);
    EXPECT_EQ(a.marks.medals, b.marks.medals);
    EXPECT_EQ(a.marks.blacksmith, b.marks.blacksmith);
    EXPECT_EQ(a.marks.weaponsmaster, b.marks.weaponsmaster);
    EXPECT_EQ(a.marks.flying, b.marks.flying);
    for (int i = 0; i < kHeroBonusCount; ++i) EXPECT_EQ(a.bonuses[i], b.bonuses[i]) << i;
}

TEST(ScenarioTest, WrittenScenarioReadsBackTheSame) {
    const std::string text = R"({"dice": 24, "terrain": "city", "city_level": 3, "battles": 77,
        "attack": ["SPEAR", {"army": "KNIGHT", "blessed": true, "medals": 2, "flying": true},
                   "None", {"hero": "PALA", "poisoned": true,
                            "bonuses": {"strength": 9, "leadership": 3, "siege": 0}}],
        "defend": [{"army": "ORC", "diseased": true, "blacksmith": true,
                    "weaponsmaster": true}, "ORC"]})";
    const Scenario s = ParseScenario(text, "test.json");
    const Scenario back = ParseScenario(ScenarioJson(s), "again.json");
    EXPECT_EQ(back.dice, 24);
    EXPECT_EQ(back.terrain, "city");
    EXPECT_EQ(back.cityLevel, 3);
    EXPECT_EQ(back.battles, 77);
    ASSERT_EQ(back.attack.size(), 4u);
    ASSERT_EQ(back.defend.size(), 2u);
    for (std::size_t i = 0; i < 4; ++i) ExpectSameEntry(back.attack[i], s.attack[i]);
    for (std::size_t i = 0; i < 2; ++i) ExpectSameEntry(back.defend[i], s.defend[i]);
    EXPECT_EQ(back.attack[3].bonuses[static_cast<int>(HeroBonus::Strength)], 9);
    EXPECT_FALSE(back.attack[3].bonuses[static_cast<int>(HeroBonus::Hits)].has_value());
    EXPECT_EQ(ScenarioJson(back), ScenarioJson(s));
}

TEST(ScenarioTest, EntriesOfListedUnitsNameTheirKind) {
    TestHost host;
    const Long army = host.AddArmyRow({"Knights", 6, 2, 3});
    const Long hero = host.AddHeroRow({"Paladin"});
    HealthMarks marks;
    marks.medals = 1;
    SimpleHost::Bonuses bonuses = {};
    bonuses[static_cast<int>(HeroBonus::Morale)] = 2;
    const ScenarioEntry a = ScenarioEntryOf(host.Data(), army, marks);
    const ScenarioEntry h = ScenarioEntryOf(host.Data(), hero, {}, &bonuses);
    const ScenarioEntry n = ScenarioEntryOf(host.Data(), host.NoneId(), marks);
    EXPECT_EQ(a.kind, ScenarioEntry::Kind::Army);
    EXPECT_EQ(a.name, "Knights");
    EXPECT_EQ(h.kind, ScenarioEntry::Kind::Hero);
    EXPECT_TRUE(h.hasBonuses);
    EXPECT_TRUE(n.none);
    EXPECT_EQ(ResolveScenarioUnit(host.Data(), a, "attack[0]"), army);
    EXPECT_EQ(ResolveScenarioUnit(host.Data(), h, "attack[1]"), hero);
    EXPECT_EQ(ResolveScenarioUnit(host.Data(), n, "attack[2]"), host.NoneId());
    ScenarioEntry missing;
    missing.name = "Dragons";
    try {
        ResolveScenarioUnit(host.Data(), missing, "defend[4]");
        ADD_FAILURE() << "no refusal";
    } catch (const ScenarioError& e) {
        EXPECT_STREQ(e.what(), "defend[4]: no army or hero has the short name \"Dragons\"");
    }
}

TEST(ScenarioTest, SavingReplacesInOneStepAndFailsCleanly) {
    const fs::path dir =
        fs::temp_directory_path() / ("b3-scenario-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    Scenario s;
    s.attack = {ScenarioEntry{false, "KNIGHTS"}};
    s.defend = {ScenarioEntry{false, "ORCS"}};
    const fs::path file = dir / "battle.json";
    std::ofstream(file) << "old";
    SaveScenario(s, file.string());
    EXPECT_EQ(LoadScenario(file.string()).attack.at(0).name, "KNIGHTS");
    // Nothing but the scenario is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    // A folder that does not exist: a clear error naming the file, and nothing written.
    const fs::path nowhere = dir / "missing" / "battle.json";
    EXPECT_THROW(SaveScenario(s, nowhere.string()), ScenarioError);
    EXPECT_FALSE(fs::exists(nowhere.parent_path()));
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace b3::engine::test
