// Drives the real b3cli program: every run gets its own registry file, an empty Wine prefix and
// its own home, so nothing outside the test's temporary folder is read or changed.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/portable.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using b3::testing::ReadAll;

using b3::testing::WriteAll;

using b3::testing::Unix;

// The separator the server joins folders with.
#ifdef _WIN32
const std::string kSep = "\\";
#else
const std::string kSep = "/";
#endif

using Result = b3::testing::RunResult;

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        temp_ = b3::testing::MakeTempFolder("b3cli");
        fs::create_directories(temp_ / "wine");
        fs::create_directories(temp_ / "home");
        registry_ = temp_ / "registry.reg";
        game_ = temp_ / "game";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(temp_, ec);
    }

    // Runs b3cli with `args`; `input` becomes its standard input; `cwd` its working folder.
    Result Run(const std::vector<std::string>& args, const std::string& input = "",
               const fs::path& cwd = {}) {
        const std::vector<std::string> env = b3::testing::EnvironmentWith({
            "B3_REGISTRY=" + registry_.string(),
            "WINEPREFIX=" + (temp_ / "wine").string(),
            "XDG_CONFIG_HOME=" + (temp_ / "home" / ".config").string(),
            "XDG_DATA_HOME=" + (temp_ / "home" / ".local" / "share").string(),
            "HOME=" + (temp_ / "home").string(),
        });
        Result result = b3::testing::RunCaptured(B3CLI_PATH, args, env, temp_, input, cwd);
        if (result.status < 0) {
            ADD_FAILURE() << "cannot start " << B3CLI_PATH;
            return result;
        }
        result.out = Unix(result.out);
        result.err = Unix(result.err);
        return result;
    }

    // Writes the sample installation and checks that it worked.
    void MakeSample() {
        const Result r = Run({"sample", game_.string()});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    Result RunInstalled(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), {"--install", game_.string()});
        return Run(args, input);
    }

    json Dump(const std::string& kind) {
        const Result r = RunInstalled({"dump", kind});
        EXPECT_EQ(r.status, 0) << r.err;
        return json::parse(r.out);
    }

    static json SampleJson(const std::string& file) {
        return json::parse(ReadAll(fs::path(B3_SAMPLE_CONTENT_DIR) / file));
    }

    static const json* RowByShortName(const json& dump, std::size_t column,
                                      const std::string& name) {
        for (const json& row : dump["rows"])
            if (row[column] == name) return &row;
        return nullptr;
    }

    fs::path temp_, registry_, game_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(Cli, SampleThenInfoWithInstall) {
    MakeSample();
    const Result r = RunInstalled({"info"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string g = game_.string();
    const std::vector<std::string> expected = {
        "InstallPath: " + g,
        "ItemPath: " + g + kSep + "Items",
        "ArmyPath: " + g + kSep + "Army",
        "HeroPath: " + g + kSep + "Hero",
        "SitePath: " + g + kSep + "Sites",
        "SpellPath: " + g + kSep + "Spell",
        "PicsPath: " + g + kSep + "EDPICTS",
        "NumEditObjects 0: 8",
        "NumEditObjects 1: " + std::to_string(SampleJson("armies.json").size()),
        "NumEditObjects 2: 4",
        "NumEditObjects 3: 4",
        "NumEditObjects 4: 6",
        "NumEditObjects 5: 0",
        "InstallSource: --install",
    };
    EXPECT_EQ(Lines(r.out), expected);
    EXPECT_EQ(r.err, "");
}

TEST_F(Cli, RegisterThenInfoThroughTheRegistryFile) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows register writes the Windows registry, tested by wine_registry";
#endif
    MakeSample();
    // A relative folder with a detour and a trailing separator is stored absolute and clean.
    const Result reg = Run({"register", "sub/../game/"}, "", temp_);
    ASSERT_EQ(reg.status, 0) << reg.err;
    EXPECT_NE(reg.out.find(registry_.string()), std::string::npos) << reg.out;
    EXPECT_NE(reg.out.find(game_.string()), std::string::npos) << reg.out;
    ASSERT_TRUE(fs::is_regular_file(registry_));

    const Result r = Run({"info"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "InstallPath: " + game_.string());
    EXPECT_EQ(lines[13], "InstallSource: registry file " + registry_.string());
}

TEST_F(Cli, RegisterRefusesWhatIsNoInstallationAndSampleNeedsNoRegistry) {
#ifndef _WIN32
    // (On Windows this would change the Windows registry; wine_registry tests register there.)
    // A folder that does not exist, or one without any kind folder, is refused and nothing is
    // stored.
    fs::create_directories(temp_ / "empty" / "Pictures");
    for (const std::string folder : {"nowhere", "empty"}) {
        const Result reg = Run({"register", (temp_ / folder).string()});
        EXPECT_EQ(reg.status, 1) << folder;
        EXPECT_NE(reg.err.find((temp_ / folder).string()), std::string::npos) << reg.err;
        EXPECT_NE(reg.err.find(folder == "nowhere" ? "does not exist" : "holds none of"),
                  std::string::npos)
            << reg.err;
        EXPECT_EQ(reg.out, "");
        EXPECT_FALSE(fs::exists(registry_));
    }
#endif
    // Sample needs no registered game.
    const Result sample = Run({"sample", (temp_ / "other").string()});
    EXPECT_EQ(sample.status, 0) << sample.err;
    EXPECT_TRUE(fs::is_regular_file(temp_ / "other" / "Army" / "KNIGHTS.ARM"));
}

#ifndef _WIN32
// The game's value in the registry file (an expandable value with CR LF line ends, beside a
// value of its own) is replaced only with --replace, and unregister puts back its very bytes.
TEST_F(Cli, RegisterKeepsTheGamesValueAndUnregisterPutsItBack) {
    MakeSample();
    const std::string key =
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Slate Crown Entertainment\\Banerule III: Gloamkings "
        "Tide\\1.0]\r\n";
    // "/opt/b3" as UTF-16LE, as a registry editor writes an expandable value.
    const std::string original = "REGEDIT4\r\n\r\n" + key +
                                 "\"$Install_ToDirectory$\"=hex(2):2f,00,6f,00,70,00,74,00,\\\r\n"
                                 "  2f,00,62,00,33,00,00,00\r\n\"Language\"=\"en\"\r\n";
    WriteAll(registry_, original);

    Result r = Run({"register", game_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("/opt/b3"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--replace"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(registry_), original);

    r = Run({"register", "--replace", game_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("/opt/b3"), std::string::npos) << r.out;
    r = Run({"info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out)[0], "InstallPath: " + game_.string());
    EXPECT_NE(ReadAll(registry_).find("\"Language\"=\"en\""), std::string::npos);
    // The same folder again changes nothing and needs no --replace.
    r = Run({"register", game_.string() + "/"});
    EXPECT_EQ(r.status, 0) << r.err;

    r = Run({"unregister"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("/opt/b3"), std::string::npos) << r.out;
    EXPECT_EQ(ReadAll(registry_), original);
    // Nothing more to undo.
    r = Run({"unregister"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadAll(registry_), original);

    // Without a value before, unregister removes the key and the file register made.
    fs::remove(registry_);
    r = Run({"register", game_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::exists(registry_));
    r = Run({"unregister"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(registry_));

    // A value changed by someone else after register is not overwritten by unregister.
    WriteAll(registry_, original);
    ASSERT_EQ(Run({"register", "--replace", game_.string()}).status, 0);
    const std::string changed =
        "REGEDIT4\r\n\r\n" + key + "\"$Install_ToDirectory$\"=\"/srv/b3\"\r\n";
    WriteAll(registry_, changed);
    r = Run({"unregister"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("/srv/b3"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(registry_), changed);
}

// The folder a Wine prefix's registry names (as the game's installer wrote it there) is not
// hidden by another registered folder without --replace; the prefix itself is never written.
TEST_F(Cli, RegisterRespectsTheWinePrefixsValue) {
    MakeSample();
    const std::string system =
        "WINE REGISTRY Version 2\n#arch=win32\n\n"
        "[Software\\\\Slate Crown Entertainment\\\\Banerule III: Gloamkings Tide\\\\1.0] 1\n"
        "\"$Install_ToDirectory$\"=\"C:\\\\Games\\\\B3\"\n";
    WriteAll(temp_ / "wine" / "system.reg", system);
    Result r = Run({"register", game_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Wine prefix"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(registry_));
    r = Run({"register", "--replace", game_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"unregister"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(registry_));
    EXPECT_EQ(ReadAll(temp_ / "wine" / "system.reg"), system);
}
#endif

TEST_F(Cli, DumpArmyMatchesTheSampleSource) {
    MakeSample();
    const json dump = Dump("army");
    EXPECT_EQ(dump["kind"], "army");
    const json source = SampleJson("armies.json");
    ASSERT_EQ(dump["rows"].size(), source.size());
    ASSERT_EQ(dump["types"].size(), source.size());
    std::map<std::string, std::string> powerNames;
    for (const json& a : source) {
        SCOPED_TRACE(a["short"].get<std::string>());
        const json* row = RowByShortName(dump, 3, a["short"]);
        ASSERT_TRUE(row);
        ASSERT_EQ(row->size(), 28u);
        EXPECT_EQ((*row)[1], a["name"]);
        EXPECT_EQ((*row)[2], a["description"]);
        EXPECT_EQ((*row)[4], a["medalChance"]);
        EXPECT_EQ((*row)[5], a["strength"]);
        EXPECT_EQ((*row)[6], a["move"]);
        EXPECT_EQ((*row)[7], a["hits"]);
        EXPECT_EQ((*row)[8], a["turns"]);
        EXPECT_EQ((*row)[9], a["upkeep"]);
        EXPECT_EQ((*row)[10], a["view"]);
        EXPECT_EQ((*row)[11], a["types"][0]);
        EXPECT_EQ((*row)[12], a["types"][1]);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ((*row)[13 + i], i < a["moveBonus"].size() ? a["moveBonus"][i] : json(""));
        if (a.contains("combatBonus")) {
            EXPECT_EQ((*row)[17], a["combatBonus"]["terrain"]);
            EXPECT_EQ((*row)[18], a["combatBonus"]["value"]);
        } else {
            EXPECT_EQ((*row)[17], "");
        }
        EXPECT_EQ((*row)[20], a["buildCost"]);
        EXPECT_EQ((*row)[21], a["setupCost"]);
        EXPECT_EQ((*row)[23], a["power"]["value"]);
        powerNames[std::to_string((*row)[22].get<int>())] = a["power"]["type"];
        // The names behind the codes, as the server gives them.
        const Result sound = RunInstalled({"name", "sound", std::to_string((*row)[24].get<int>())});
        EXPECT_EQ(sound.out, a["sound"].get<std::string>() + "\n");
        const Result facing =
            RunInstalled({"name", "facing", std::to_string((*row)[25].get<int>())});
        EXPECT_EQ(facing.out, a["facing"].get<std::string>() + "\n");
    }
    for (const auto& [code, name] : powerNames)
        EXPECT_EQ(RunInstalled({"name", "power", code}).out, name + "\n") << code;

    // Cell types by column: row index long, texts, bytes, integers.
    const json& types = dump["types"][0];
    EXPECT_EQ(types[0], "long");
    EXPECT_EQ(types[1], "text");
    EXPECT_EQ(types[5], "byte");
    EXPECT_EQ(types[18], "byte");
    EXPECT_EQ(types[20], "integer");
    EXPECT_EQ(types[22], "integer");
    EXPECT_EQ(types[25], "byte");
    // Rows in enumeration order, column 0 their index.
    for (std::size_t r = 0; r < dump["rows"].size(); ++r) EXPECT_EQ(dump["rows"][r][0], r);
    // The kind code works as well as the kind's name.
    EXPECT_EQ(Dump("1"), dump);
}

TEST_F(Cli, DumpOfTheOtherKinds) {
    MakeSample();
    const json heroes = Dump("hero");
    const json* paladin = RowByShortName(heroes, 4, "PALADIN");
    ASSERT_TRUE(paladin);
    EXPECT_EQ((*paladin)[5], "PALADINm");
    EXPECT_EQ((*paladin)[108], "Héloïse");  // Windows-1252 on disk, UTF-8 here
    EXPECT_EQ((*paladin)[71], "HEALING");
    const json spells = Dump("spell");
    ASSERT_EQ(spells["rows"].size(), 6u);
    EXPECT_EQ(spells["types"][0][20], "text");
    const json items = Dump("0");
    EXPECT_EQ(items["kind"], "item");
    const json sites = Dump("site");
    EXPECT_EQ(sites["rows"][0].size(), 9u);
}

TEST_F(Cli, WriteChangedArmyThenDumpShowsIt) {
    MakeSample();
    const json armies = Dump("army");
    const json* row = RowByShortName(armies, 3, "KNIGHTS");
    ASSERT_TRUE(row);
    json changed = *row;
    changed[1] = "Black Knights";
    changed[5] = 8;
    changed[22] = 28;  // Assassin
    WriteAll(temp_ / "knights.json", changed.dump());
    const Result w = RunInstalled({"write", "army", (temp_ / "knights.json").string()});
    ASSERT_EQ(w.status, 0) << w.err;
    const json dumpAfter = Dump("army");
    const json* after = RowByShortName(dumpAfter, 3, "KNIGHTS");
    ASSERT_TRUE(after);
    EXPECT_EQ((*after)[1], "Black Knights");
    EXPECT_EQ((*after)[5], 8);
    EXPECT_EQ((*after)[22], 28);
    EXPECT_EQ((*after)[11], "human");  // the type words are not the writer's

    // A new short name from standard input makes a new army.
    changed[3] = "NEWKNGHT";
    const Result n = RunInstalled({"write", "1", "-"}, changed.dump());
    ASSERT_EQ(n.status, 0) << n.err;
    EXPECT_EQ(fs::file_size(game_ / "Army" / "NEWKNGHT.ARM"), 252u);
}

TEST_F(Cli, WriteFailuresReportTheServersError) {
    MakeSample();
    const json armies = Dump("army");
    const json* row = RowByShortName(armies, 3, "KNIGHTS");
    ASSERT_TRUE(row);
    const fs::path file = game_ / "Army" / "KNIGHTS.ARM";
    const std::string before = ReadAll(file);

    // Too short: the array does not reach column 27.
    json shortRow = *row;
    shortRow.erase(27);
    Result r = RunInstalled({"write", "army", "-"}, shortRow.dump());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("b3cli: error 9 in CEditObject::WriteObject: ", 0), 0u) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    // The message says why: how many cells an army takes and how many the array has.
    json fewCells = json::array();
    for (std::size_t i = 0; i < 11; ++i) fewCells.push_back((*row)[i]);
    r = RunInstalled({"write", "army", "-"}, fewCells.dump());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(0, r.err.find_first_of("\r\n")),
              "b3cli: error 9 in CEditObject::WriteObject: Subscript out of range: an army takes "
              "28 cells; the array has 11");
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_EQ(ReadAll(file), before);

    // A Display Name of 17 characters: refused before anything changes.
    json longName = *row;
    longName[1] = "Knights of Embers";
    r = RunInstalled({"write", "army", "-"}, longName.dump());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("b3cli: error 5 in CEditObject::WriteObject: ", 0), 0u) << r.err;
    EXPECT_EQ(ReadAll(file), before);

    // Numbers too large for their field reach the server, which reports the overflow.
    for (const char* big : {"300", "70000", "5000000000", "-1"}) {
        json overflow = *row;
        overflow[5] = json::parse(big);
        r = RunInstalled({"write", "army", "-"}, overflow.dump());
        EXPECT_EQ(r.status, 1) << big;
        EXPECT_EQ(r.err.rfind("b3cli: error 6 in CEditObject::WriteObject: ", 0), 0u)
            << big << ": " << r.err;
    }
    json bigCost = *row;
    bigCost[20] = 40000;  // Build Cost is a 16-bit field
    r = RunInstalled({"write", "army", "-"}, bigCost.dump());
    EXPECT_EQ(r.err.rfind("b3cli: error 6 in CEditObject::WriteObject: ", 0), 0u) << r.err;
}

TEST_F(Cli, WriteRefusesInputThatIsNoArrayOfCells) {
    MakeSample();
    const std::string before = ReadAll(game_ / "Army" / "KNIGHTS.ARM");
    const json armies = Dump("army");
    const json* row = RowByShortName(armies, 3, "KNIGHTS");
    ASSERT_TRUE(row);
    std::vector<std::string> inputs = {"{\"a\": 1}", "[1, 2", "", "42"};
    for (const json& bad : {json(true), json(1.5), json::object(), json::array({1})}) {
        json r = *row;
        r[4] = bad;
        inputs.push_back(r.dump());
    }
    for (const std::string& input : inputs) {
        const Result r = RunInstalled({"write", "army", "-"}, input);
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.err.rfind("b3cli: ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find("b3cli: error "), std::string::npos) << r.err;
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    }
    const Result missing = RunInstalled({"write", "army", (temp_ / "absent.json").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("absent.json"), std::string::npos) << missing.err;
    EXPECT_EQ(ReadAll(game_ / "Army" / "KNIGHTS.ARM"), before);
}

TEST_F(Cli, DeleteObjects) {
    MakeSample();
    Result r = RunInstalled({"delete", "army", "ORCS"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(game_ / "Army" / "ORCS.ARM"));
    EXPECT_FALSE(fs::exists(game_ / "Army" / "ORCS.PCX"));
    EXPECT_TRUE(fs::exists(game_ / "Army" / "KNIGHTS.ARM"));

    r = RunInstalled({"delete", "hero", "RANGER"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* f : {"RANGER.HER", "RANGERm.PCX", "RANGERf.PCX"})
        EXPECT_FALSE(fs::exists(game_ / "Hero" / f)) << f;

    // A spell by its bare short name, and one by its full path.
    r = RunInstalled({"delete", "spell", "RAISE"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(game_ / "Spell" / "RAISE.SPL"));
    r = RunInstalled({"delete", "4", (game_ / "Spell" / "FIREBALL.SPL").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(game_ / "Spell" / "FIREBALL.SPL"));
    EXPECT_TRUE(fs::exists(game_ / "Spell" / "HEALING.SPL"));

    const auto lines = Lines(RunInstalled({"info"}).out);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[8],
              "NumEditObjects 1: " + std::to_string(SampleJson("armies.json").size() - 1));
    EXPECT_EQ(lines[11], "NumEditObjects 4: 4");
}

TEST_F(Cli, HistoryListsWhatWritesAndDeletesReplacedAndRestoreBringsItBack) {
    MakeSample();
    const std::string orcs = ReadAll(game_ / "Army" / "ORCS.ARM");
    const std::string picture = ReadAll(game_ / "Army" / "ORCS.PCX");
    ASSERT_EQ(RunInstalled({"delete", "army", "ORCS"}).status, 0);
    ASSERT_EQ(RunInstalled({"delete", "hero", "RANGER"}).status, 0);

    // Newest first, one line per operation (ID  TIME  OPERATION  KIND  NAME) and its files
    // below it: the delete of an army is one entry holding its record and its picture.
    Result r = RunInstalled({"history", "army", "orcs"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_NE(lines[0].find("  delete  army  ORCS"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], "    Army/ORCS.ARM");
    EXPECT_EQ(lines[2], "    Army/ORCS.PCX");
    // The hero's record and two pictures: four lines more.
    EXPECT_EQ(Lines(RunInstalled({"history"}).out).size(), 7u);

    const json listed = json::parse(RunInstalled({"history", "--json"}).out);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["kind"], "hero");
    EXPECT_EQ(listed[0]["files"].size(), 3u);
    const std::string id = lines[0].substr(0, lines[0].find(' '));
    EXPECT_EQ(listed[1]["id"], id);
    EXPECT_EQ(listed[1]["files"][1]["file"], "Army/ORCS.PCX");

    // One file alone, then the whole operation in one step.
    r = RunInstalled({"restore", id, "Army/ORCS.ARM", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json::parse(r.out)["file"], "Army/ORCS.ARM");
    EXPECT_FALSE(fs::exists(game_ / "Army" / "ORCS.PCX"));
    r = RunInstalled({"restore", id});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 2u) << r.out;
    EXPECT_EQ(ReadAll(game_ / "Army" / "ORCS.ARM"), orcs);
    EXPECT_EQ(ReadAll(game_ / "Army" / "ORCS.PCX"), picture);
    // The history lives in the user's data folder, not in the installation (on Windows under
    // %LOCALAPPDATA%, the test's own).
#ifndef _WIN32
    EXPECT_TRUE(fs::exists(temp_ / "home" / ".local" / "share" / "b3tools" / "history"));
#endif

    r = RunInstalled({"restore", "19990101-000000-1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("19990101-000000-1"), std::string::npos) << r.err;
}

// A restore that is refused writes nothing and leaves no trace in the history: a version cut
// short, emptied or changed, an index line that names a place outside the kind folders, an id
// that is not there, and a file that cannot be put back. b3cli fails and says what to do.
TEST_F(Cli, ARefusedRestoreLeavesNoEntryInTheHistory) {
    MakeSample();
    ASSERT_EQ(RunInstalled({"delete", "army", "ORCS"}).status, 0);
    const json listed = json::parse(RunInstalled({"history", "--json"}).out);
    ASSERT_EQ(listed.size(), 1u);
    const std::string id = listed[0]["id"];
    // The history's one folder, in this run's data folder.
#ifdef _WIN32
    const char* local = std::getenv("LOCALAPPDATA");
    ASSERT_TRUE(local);
    const fs::path root = fs::path(local) / "B3Tools" / "history";
#else
    const fs::path root = temp_ / "home" / ".local" / "share" / "b3tools" / "history";
#endif
    // This installation's (on Windows the earlier cases' are there too): its path, which holds
    // the test's own temporary folder, is in installation.txt.
    fs::path folder;
    for (const auto& entry : fs::directory_iterator(root))
        if (ReadAll(entry.path() / "installation.txt").find(temp_.filename().string()) !=
            std::string::npos)
            folder = entry.path();
    ASSERT_FALSE(folder.empty()) << root;
    const fs::path version = folder / "versions" / id;
    const std::string kept = ReadAll(version);
    ASSERT_FALSE(kept.empty());

    const auto refused = [&](const std::vector<std::string>& args, const std::string& why) {
        const std::string index = ReadAll(folder / "index.tsv");
        const Result r = RunInstalled(args);
        EXPECT_EQ(r.status, 1) << why;
        // One error, last; a message about lines written by hand may come before it.
        const auto lines = Lines(r.err);
        EXPECT_EQ(
            std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("b3cli: error", 0) == 0; }),
            1)
            << why << ": " << r.err;
        EXPECT_EQ(lines.empty() ? "" : lines.back().substr(0, 12), "b3cli: error") << r.err;
        EXPECT_EQ(r.out, "") << why;
        EXPECT_EQ(ReadAll(folder / "index.tsv"), index) << why;
        EXPECT_EQ(json::parse(RunInstalled({"history", "--json"}).out), listed) << why;
        EXPECT_FALSE(fs::exists(game_ / "Army" / "ORCS.ARM")) << why;
        return r.err;
    };
    for (const std::string& damaged :
         {kept.substr(0, kept.size() / 2), std::string(), std::string(kept.size(), 'x')}) {
        WriteAll(version, damaged);
        const std::string err = refused({"restore", id}, "damaged");
        EXPECT_NE(err.find("is damaged"), std::string::npos) << err;
        EXPECT_NE(err.find("nothing was restored. Choose another version."), std::string::npos)
            << err;
    }
    WriteAll(version, kept);

    // A line written by hand that leads out of the kind folders.
    WriteAll(folder / "versions" / "up", "outside");
    WriteAll(folder / "index.tsv", ReadAll(folder / "index.tsv") +
                                       "up\t1\tsave\tarmy\tORCS\tArmy/../../outside.txt\t7\n");
    std::string err = refused({"restore", "up"}, "outside");
    EXPECT_NE(err.find("\"up\""), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(temp_ / "outside.txt"));
    err = refused({"restore", "19990101-000000-1"}, "no such id");
    EXPECT_NE(err.find("b3cli history"), std::string::npos) << err;

    // The picture's place is taken by a folder: the record put back first is taken away again,
    // and the record there before is neither changed nor kept as a restore.
    ASSERT_EQ(RunInstalled({"restore", id, "Army/ORCS.ARM"}).status, 0);
    const json before = json::parse(RunInstalled({"history", "--json"}).out);
    ASSERT_EQ(before.size(), 1u) << before.dump();
    WriteAll(game_ / "Army" / "ORCS.ARM", "changed since");
    fs::create_directory(game_ / "Army" / "ORCS.PCX");
    const Result r = RunInstalled({"restore", id});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("ORCS.PCX; nothing was restored. Free that place"), std::string::npos)
        << r.err;
    EXPECT_EQ(ReadAll(game_ / "Army" / "ORCS.ARM"), "changed since");
    EXPECT_EQ(json::parse(RunInstalled({"history", "--json"}).out), before);
}

TEST_F(Cli, AKindWithoutFilesMakesTheInstallationUnusable) {
    MakeSample();
    for (const char* site : {"TEMPLE", "GOLDMINE", "TOWER", "BARROW"})
        ASSERT_EQ(RunInstalled({"delete", "site", site}).status, 0);
    const Result r = RunInstalled({"info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(
        Lines(r.err).back().rfind("b3cli: error -2147219991 in CEditObject::Class_Initialize: ", 0),
        0u)
        << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(Cli, AMissingKindFolderIsShownThenFails) {
    MakeSample();
    fs::remove_all(game_ / "Sites");
    const Result r = RunInstalled({"info"});
    EXPECT_EQ(r.status, 1);
    const auto lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 2u) << r.err;
    // The server's message about the folder it could not count, then the failure itself.
    EXPECT_EQ(lines[0].rfind("b3cli: message: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("CEditObject::CountEditObjectFiles"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].rfind("b3cli: error -2147219991 in CEditObject::Class_Initialize: ", 0), 0u)
        << lines[1];
}

TEST_F(Cli, TemplatesForNewObjects) {
    MakeSample();
    const std::string armyTemplate = ReadAll(game_ / "EDPICTS" / "NEWARMY.PCX");
    ASSERT_FALSE(armyTemplate.empty());
    Result r = RunInstalled({"template", "hero", "X"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(game_ / "Hero" / "Xm.PCX"), armyTemplate);
    EXPECT_EQ(ReadAll(game_ / "Hero" / "Xf.PCX"), armyTemplate);
    r = RunInstalled({"template", "army", "NEWGUARD"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(game_ / "Army" / "NEWGUARD.PCX"), armyTemplate);
    r = RunInstalled({"template", "site", "KEEP"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(game_ / "Sites" / "KEEP.PCX"), ReadAll(game_ / "EDPICTS" / "NEWSITE.PCX"));
}

TEST_F(Cli, NamesOfCodes) {
    MakeSample();
    EXPECT_EQ(RunInstalled({"name", "power", "22"}).out, "Summon Army\n");
    EXPECT_EQ(RunInstalled({"name", "power", "0"}).out, "None\n");
    EXPECT_EQ(RunInstalled({"name", "sound", "4"}).out, "Gallop\n");
    EXPECT_EQ(RunInstalled({"name", "facing", "7"}).out, "Northwest\n");

    Result r = RunInstalled({"name", "power", "-1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "b3cli: error -2147219986 in CEditObject::ConvertPowerTypeToName: Error converting "
              "power type to name.\n");
    EXPECT_EQ(r.out, "");
    r = RunInstalled({"name", "power", "34"});
    EXPECT_EQ(r.status, 1);
    r = RunInstalled({"name", "sound", "11"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "b3cli: error -2147219986 in CEditObject::ConvertSoundToName: Error converting sound "
              "to name.\n");
    r = RunInstalled({"name", "facing", "8"});
    EXPECT_EQ(r.err,
              "b3cli: error -2147219986 in CEditObject::ConvertFacingToName: Error converting "
              "facing to name.\n");
    r = RunInstalled({"name", "power", "70000"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("b3cli: ", 0), 0u);
}

TEST_F(Cli, ReportWritesTheFile) {
    MakeSample();
    const fs::path report = temp_ / "armies.csv";
    const Result r = RunInstalled({"report", "army", report.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(ReadAll(report));
    ASSERT_EQ(lines.size(), SampleJson("armies.json").size() + 1);
    EXPECT_EQ(lines[0].rfind("\"File Name\",\"Display Name\"", 0), 0u) << lines[0];
    EXPECT_NE(ReadAll(report).find("\"KNIGHTS\",\"Knights\""), std::string::npos);
}

#ifndef _WIN32
// Pipes, devices and the POSIX registry file: POSIX only.
TEST_F(Cli, ReportsOntoSpecialFilesAndStoresThatWouldLoseSomething) {
    MakeSample();
    // A pipe is refused and stays a pipe; a character device is written in place.
    const fs::path pipe = temp_ / "pipe.csv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    Result r = RunInstalled({"report", "army", pipe.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not an ordinary file"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_fifo(pipe));
    // Standard output that leads to a file writes the file; on a pipe it is refused as a pipe.
    r = RunInstalled({"report", "army", "/dev/stdout"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"KNIGHTS\""), std::string::npos);
    if (std::FILE* piped = ::popen(("'" + std::string(B3CLI_PATH) + "' --install '" +
                                    game_.string() + "' report army /dev/stdout 2>&1")
                                       .c_str(),
                                   "r")) {
        std::string text;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, piped) != nullptr) text += buffer;
        const int status = ::pclose(piped);
        EXPECT_EQ(WEXITSTATUS(status), 1) << text;
        EXPECT_NE(text.find("not an ordinary file"), std::string::npos) << text;
    }
    r = RunInstalled({"report", "army", "/dev/null"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // A registry file too large to rewrite is refused, not cut short.
    { std::ofstream(registry_) << "REGEDIT4\n"; }
    const auto huge = static_cast<std::uintmax_t>(300) << 20;
    fs::resize_file(registry_, huge);
    r = Run({"register", game_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("256 MiB"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(fs::file_size(registry_), huge);
    fs::remove(registry_);

    // A folder the game could not read back from the registry is not stored.
    const fs::path deep = temp_ / std::string(250, 'd');
    fs::create_directories(deep / "Army");
    r = Run({"register", deep.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("254"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(registry_));
}
#endif

TEST_F(Cli, UsageErrorsExitWithTwo) {
    MakeSample();
    const std::vector<std::vector<std::string>> usages = {
        {},
        {"fly"},
        {"dump"},
        {"dump", "dragon"},
        {"dump", "5"},
        {"write", "army"},
        {"name", "colour", "1"},
        {"name", "power", "many"},
        {"template", "item", "X"},
        {"info", "--frobnicate"},
    };
    for (const auto& args : usages) {
        const Result r = RunInstalled(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args) << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_EQ(Run({"--help"}).status, 0);
}

TEST_F(Cli, NoInstallationAnywhere) {
    WriteAll(registry_, "");  // an empty registry file and an empty Wine prefix
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info"}, {"dump", "army"}, {"name", "power", "1"}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("b3cli: error -2147219992 in CEditObject::FindInstallPath: ", 0), 0u)
            << r.err;
        EXPECT_EQ(Lines(r.err).size(), 1u);
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(Cli, ExportImportAndCheckFromTheCommandLine) {
    MakeSample();
    const Result exported = RunInstalled({"export", "site", "-"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const json sites = json::parse(exported.out);
    ASSERT_FALSE(sites.empty());
    EXPECT_TRUE(sites[0].contains("ShortName"));

    json changed = json::array({{{"ShortName", sites[0]["ShortName"]}, {"Power1Value", 7}}});
    const Result dry = RunInstalled({"import", "site", "-", "--dry-run"}, changed.dump());
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(Lines(dry.out).front(), "site " + sites[0]["ShortName"].get<std::string>() +
                                          ": Power1Value: " + sites[0]["Power1Value"].dump() +
                                          " -> 7");
    EXPECT_EQ(RunInstalled({"export", "site", "-"}).out, exported.out);

    changed[0]["Power1Value"] = 70000;
    const Result bad = RunInstalled({"import", "site", "-"}, changed.dump());
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("column Power1Value, value \"70000\""), std::string::npos) << bad.err;

    const Result clean = RunInstalled({"check"});
    EXPECT_EQ(clean.status, 0) << clean.out << clean.err;
    fs::remove(game_ / "Army" / "KNIGHTS.PCX");
    const Result problems = RunInstalled({"check", "--json"});
    EXPECT_EQ(problems.status, 1);
    EXPECT_EQ(json::parse(problems.out).size(), 1u) << problems.out;
    EXPECT_EQ(RunInstalled({"import", "dragon", "x.csv"}).status, 2);
}

// Values that the game's files cannot hold as given are refused by write with a sentence that
// names the field and says what to fix, and the file stays as it was.
TEST_F(Cli, WriteRefusalsSayWhichFieldAndWhatToFix) {
    MakeSample();
    const json armies = Dump("army");
    const json* row = RowByShortName(armies, 3, "KNIGHTS");
    ASSERT_TRUE(row);
    const std::string before = ReadAll(game_ / "Army" / "KNIGHTS.ARM");
    const auto refused = [&](const std::string& input, const std::string& expected) {
        const Result r = RunInstalled({"write", "army", "-"}, input);
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_EQ(r.err.find("json.exception"), std::string::npos) << r.err;
    };
    // A NUL would cut the text short in the file, and the next read would differ.
    json nul = *row;
    nul[1] = std::string("Kni\0ghts", 8);
    refused(nul.dump(),
            "error 5 in CEditObject::WriteObject: Invalid procedure call or argument: "
            "column 1 (DisplayName) of the army: the text holds a NUL character");
    json longName = *row;
    longName[1] = "Knights of Embers";
    refused(longName.dump(),
            "column 1 (DisplayName) of the army: the text has 17 characters; at "
            "most 16 fit");
    json device = *row;
    device[3] = "CON";
    refused(device.dump(),
            "error 5 in CEditObject::WriteObject: Invalid procedure call or "
            "argument: the short name cannot name a file: \"CON\" is a reserved "
            "device name");
    json marked = *row;
    marked[5] = 7777;
    std::string huge = marked.dump();
    huge.replace(huge.find("7777"), 4, "1e400");
    refused(huge, "holds a number too large for any field");
    EXPECT_EQ(ReadAll(game_ / "Army" / "KNIGHTS.ARM"), before);
    EXPECT_FALSE(fs::exists(game_ / "Army" / "CON.ARM"));
}

// import on JSON nested 100,000 deep (200 KB), with and without --dry-run: one short line and
// exit status 1, nothing written.
TEST_F(Cli, ImportOfDeeplyNestedJsonIsRefused) {
    MakeSample();
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const std::string value = "[{\"ShortName\": \"KNIGHTS\", \"Strength\": " + deep + "}]";
    for (const std::string& input : {deep, value}) {
        for (const bool dryRun : {true, false}) {
            std::vector<std::string> args = {"import", "army", "-"};
            if (dryRun) args.push_back("--dry-run");
            const Result r = RunInstalled(args, input);
            EXPECT_EQ(r.status, 1) << r.err.substr(0, 200);
            EXPECT_EQ(Lines(r.err).size(), 1u);
            EXPECT_LT(r.err.size(), 200u);
            EXPECT_EQ(r.out, "");
        }
    }
}

#ifndef _WIN32
// A read-only file (mode 444) is not deleted, whoever runs b3cli, as it is not written; an
// object's other files are not deleted either.
TEST_F(Cli, DeleteRefusesReadOnlyFiles) {
    MakeSample();
    const fs::path record = game_ / "Army" / "KNIGHTS.ARM",
                   picture = game_ / "Army" / "KNIGHTS.PCX";
    for (const fs::path& readOnly : {record, picture}) {
        ::chmod(readOnly.c_str(), 0444);
        const Result r = RunInstalled({"delete", "army", "KNIGHTS"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("b3cli: error 70 in CEditObject::Delete: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(readOnly.string() + " is read-only"), std::string::npos) << r.err;
        EXPECT_TRUE(fs::exists(record));
        EXPECT_TRUE(fs::exists(picture));
        ::chmod(readOnly.c_str(), 0644);
    }
    ::chmod((game_ / "Spell" / "RAISE.SPL").c_str(), 0444);
    EXPECT_EQ(RunInstalled({"delete", "spell", "RAISE"}).status, 1);
    EXPECT_TRUE(fs::exists(game_ / "Spell" / "RAISE.SPL"));
    EXPECT_EQ(RunInstalled({"delete", "army", "KNIGHTS"}).status, 0);
    EXPECT_FALSE(fs::exists(record));
}

// Ctrl+C during suggest stops the search and prints the best found so far, as the time limit
// does, with exit status 130.
TEST_F(Cli, InterruptedSuggestPrintsTheBestFoundSoFar) {
    MakeSample();
    WriteAll(temp_ / "hard.json", R"({"attack": ["ORCS"], "defend": ["KNIGHTS", "KNIGHTS",
        "KNIGHTS", "KNIGHTS", "KNIGHTS", "KNIGHTS", "KNIGHTS", "KNIGHTS"]})");
    // Long enough for the search to have found something even on a busy machine.
    const std::string cmd = "timeout --preserve-status -s INT 5 " + std::string(B3CLI_PATH) +
                            " --install '" + game_.string() + "' suggest '" +
                            (temp_ / "hard.json").string() +
                            "' --max-add 6 --target 1 --time-limit 600 >'" +
                            (temp_ / "out").string() + "' 2>'" + (temp_ / "err").string() + "'";
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    const std::string out = ReadAll(temp_ / "out"), err = ReadAll(temp_ / "err");
    EXPECT_NE(out.find("the best found: "), std::string::npos) << out;
    EXPECT_NE(out.find("The search stopped early"), std::string::npos) << out;
    EXPECT_NE(err.find("b3cli: interrupted after "), std::string::npos) << err;
}
#endif

TEST_F(Cli, NumberOptionsMustBeFinite) {
    MakeSample();
    WriteAll(temp_ / "s.json", R"({"attack": ["ORCS"], "defend": ["KNIGHTS"]})");
    const std::string scenario = (temp_ / "s.json").string();
    for (const char* option : {"--time-limit", "--target"}) {
        for (const char* value : {"nan", "-nan", "inf", "1x"}) {
            const Result r = RunInstalled({"suggest", scenario, option, value});
            EXPECT_EQ(r.status, 2) << option << ' ' << value << ": " << r.out;
            EXPECT_NE(r.err.find(option), std::string::npos) << r.err;
        }
    }
}

}  // namespace
