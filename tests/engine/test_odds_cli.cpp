// b3cli odds on the sample installation: output formats, figures against hand-worked odds,
// reproducible seeds, and clear refusals of bad scenarios.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sample/sample.h"
#include "support/portable.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class OddsCli : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = b3::testing::MakeTempFolder("b3-odds-test");
        b3::sample::WriteSampleInstallation((root_ / "game").string());
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    using Result = b3::testing::RunResult;

    // Runs b3cli odds on a scenario text with extra arguments.
    Result Odds(const std::string& scenario, const std::string& args = "") {
        return Run("odds", scenario, args);
    }
    Result Run(const std::string& command, const std::string& scenario, const std::string& args) {
        const fs::path file = root_ / "scenario.json";
        std::ofstream(file) << scenario;
        std::vector<std::string> argv = {"--install", (root_ / "game").string(), command,
                                         file.string()};
        std::istringstream words(args);
        for (std::string word; words >> word;) argv.push_back(word);
        Result r =
            b3::testing::RunCaptured(B3CLI_PATH, argv, b3::testing::CurrentEnvironment(), root_);
        r.out = b3::testing::Unix(r.out);
        r.err = b3::testing::Unix(r.err);
        return r;
    }
    json OddsJson(const std::string& scenario, const std::string& args = "") {
        const Result r = Odds(scenario, args + " --json");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return json::parse(r.out);
    }
    // Expects the simulated win share within 4.5 standard errors of p.
    static void ExpectWinShare(const json& j, double p) {
        const double n = j["battles"].get<double>();
        const double share = j["attacker_win_percent"].get<double>() / 100.0;
        EXPECT_NEAR(share, p, 4.5 * std::sqrt(p * (1 - p) / n));
    }

    static fs::path root_;
};

fs::path OddsCli::root_;

TEST_F(OddsCli, TextOutputHasTheFiveQuickResultLines) {
    const Result r =
        Odds(R"({"attack": ["KNIGHTS"], "defend": ["ORCS"], "battles": 2000})", "--seed 7");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");  // no progress bar when standard error is no terminal
    std::istringstream lines(r.out);
    const char* const labels[] = {
        "Attacker Wins: ", "Avg. Att. Units Lost: ", "Avg. Att. Prod. Turns Lost: ",
        "Avg. Def Units Lost: ", "Avg. Def. Prod. Turns Lost: "};
    std::string line;
    for (const char* label : labels) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line.rfind(label, 0), 0u) << line;
    }
    EXPECT_FALSE(std::getline(lines, line));
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')).back(), '%');
    // The same seed gives the same text.
    EXPECT_EQ(
        Odds(R"({"attack": ["KNIGHTS"], "defend": ["ORCS"], "battles": 2000})", "--seed 7").out,
        r.out);
}

TEST_F(OddsCli, InterruptStopsTheRunCleanly) {
#ifdef _WIN32
    GTEST_SKIP() << "sends SIGINT with timeout(1) and reads a POSIX exit status";
#else
    // Ctrl+C during a run of two billion battles: the run stops before its next battle, prints no
    // results and exits with 130; --quiet is accepted.
    const fs::path file = root_ / "long.json";
    std::ofstream(file) << R"({"attack": ["KNIGHTS"], "defend": ["ORCS"]})";
    const std::string cmd = "timeout --preserve-status -s INT 0.5 " + std::string(B3CLI_PATH) +
                            " --install '" + (root_ / "game").string() + "' odds '" +
                            file.string() + "' --quiet --battles 2000000000 >'" +
                            (root_ / "out").string() + "' 2>'" + (root_ / "err").string() + "'";
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    EXPECT_EQ(b3::testing::ReadAll(root_ / "out"), "");
    EXPECT_NE(b3::testing::ReadAll(root_ / "err").find("interrupted after"), std::string::npos)
        << b3::testing::ReadAll(root_ / "err");
#endif
}

TEST_F(OddsCli, JsonOutputAndHistograms) {
    const json j = OddsJson(R"({"attack": ["spearmen", "SPEARMEN", "None", "ARCHERS"],
                               "defend": ["ORCS", "DWARVES"], "terrain": "hills"})",
                            "--battles 3000 --seed 3 --threads 2");
    EXPECT_EQ(j["battles"], 3000);
    EXPECT_EQ(j["dice"], 20);
    EXPECT_EQ(j["terrain"], "hills");
    EXPECT_EQ(j["city_level"], 0);
    const auto att = j["attacker_units_lost_histogram"].get<std::vector<long>>();
    const auto def = j["defender_units_lost_histogram"].get<std::vector<long>>();
    ASSERT_EQ(att.size(), 33u);
    ASSERT_EQ(def.size(), 33u);
    long attSum = 0, defSum = 0, attUnits = 0, defUnits = 0;
    for (std::size_t k = 0; k < 33; ++k) {
        attSum += att[k];
        defSum += def[k];
        attUnits += static_cast<long>(k) * att[k];
        defUnits += static_cast<long>(k) * def[k];
        if (k > 3) {
            EXPECT_EQ(att[k], 0);
        }
        if (k > 2) {
            EXPECT_EQ(def[k], 0);
        }
    }
    EXPECT_EQ(attSum, 3000);
    EXPECT_EQ(defSum, 3000);
    // Every battle ends with one side wiped out: 2 defenders lost exactly when the attacker won.
    EXPECT_NEAR(static_cast<double>(def[2]) / 30.0, j["attacker_win_percent"].get<double>(), 1e-9);
    EXPECT_NEAR(j["averages"]["attacker_units_lost"].get<double>(),
                static_cast<double>(attUnits) / 3000.0, 1e-6);
    EXPECT_NEAR(j["averages"]["defender_units_lost"].get<double>(),
                static_cast<double>(defUnits) / 3000.0, 1e-6);
    const std::string text = j["attacker_wins_text"];
    EXPECT_EQ(text.back(), '%');
    EXPECT_NEAR(std::stod(text), j["attacker_win_percent"].get<double>(), 1e-9);
    // Each figure lies inside its 95% interval, which narrows with the battles (about 1.96
    // standard errors each way).
    const auto win = j["intervals_95"]["attacker_win_percent"].get<std::vector<double>>();
    ASSERT_EQ(win.size(), 2u);
    const double p = j["attacker_win_percent"].get<double>();
    EXPECT_LT(win[0], p);
    EXPECT_GT(win[1], p);
    EXPECT_NEAR((win[1] - win[0]) / 2, 1.96 * std::sqrt(p * (100 - p) / 3000), 0.05);
    for (const char* figure : {"attacker_units_lost", "defender_units_lost"}) {
        const auto i = j["intervals_95"][figure].get<std::vector<double>>();
        const double v = j["averages"][figure].get<double>();
        EXPECT_LE(i[0], v) << figure;
        EXPECT_GE(i[1], v) << figure;
    }
    // Same seed and threads: the same figures.
    EXPECT_EQ(OddsJson(R"({"attack": ["spearmen", "SPEARMEN", "None", "ARCHERS"],
                          "defend": ["ORCS", "DWARVES"], "terrain": "hills"})",
                       "--battles 3000 --seed 3 --threads 2"),
              j);
}

TEST_F(OddsCli, KnightsAgainstOrcsMatchTheHandWorkedOdds) {
    // Knights: strength 6, +1 on field, minus 1 for the orcs' chaos against their leadership 0:
    // 6 (0.3 on 20 faces). Orcs: 4 (0.2). A point goes to the knights with 0.24 / 0.38; their
    // trample 1 takes both of an orc's hits at once, while the orcs need two points.
    const json j =
        OddsJson(R"({"attack": ["KNIGHTS"], "defend": ["ORCS"], "battles": 40000})", "--seed 11");
    const double q = 0.24 / 0.38;
    ExpectWinShare(j, 1 - (1 - q) * (1 - q));
    EXPECT_NEAR(j["averages"]["attacker_turns_lost"].get<double>(),
                3 * j["averages"]["attacker_units_lost"].get<double>(), 1e-5);
}

TEST_F(OddsCli, ExactOddsFollowTheSimulatedFigures) {
    // Knights against orcs as above: the knights win with 1 - (1 - q)^2, q = 12/19, that is
    // 312/361 = 86.4266%; they lose their one army (3 turns) with 49/361, the orcs theirs (2
    // turns) with 312/361.
    const std::string scenario = R"({"attack": ["KNIGHTS"], "defend": ["ORCS"], "battles": 500})";
    const Result r = Odds(scenario, "--seed 2 --exact");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) all.push_back(line);
    ASSERT_EQ(all.size(), 10u) << r.out;
    EXPECT_EQ(all[0].rfind("Attacker Wins: ", 0), 0u);
    EXPECT_EQ(all[5], "Exact: attacker wins 86.4266%");
    EXPECT_EQ(all[6], "Exact Avg. Att. Units Lost: 0.1357341");
    EXPECT_EQ(all[7], "Exact Avg. Att. Prod. Turns Lost: 0.4072022");
    EXPECT_EQ(all[8], "Exact Avg. Def Units Lost: 0.8642659");
    EXPECT_EQ(all[9], "Exact Avg. Def. Prod. Turns Lost: 1.728532");
    // With no battle to simulate only the exact figures are printed.
    const Result alone = Odds(scenario, "--battles 0 --exact");
    ASSERT_EQ(alone.status, 0) << alone.err;
    std::string expected;
    for (std::size_t i = 5; i < 10; ++i) expected += all[i] + "\n";
    EXPECT_EQ(alone.out, expected);

    const json j = OddsJson(scenario, "--battles 0 --exact");
    std::vector<std::string> keys;
    for (const auto& [key, value] : j.items()) keys.push_back(key);
    EXPECT_EQ(keys,
              (std::vector<std::string>{"battles", "city_level", "dice", "exact", "terrain"}));
    EXPECT_EQ(j["battles"], 0);
    const json& e = j["exact"];
    EXPECT_NEAR(e["attacker_win_probability"].get<double>(), 312.0 / 361, 1e-14);
    EXPECT_NEAR(e["expected"]["attacker_units_lost"].get<double>(), 49.0 / 361, 1e-14);
    EXPECT_NEAR(e["expected"]["attacker_turns_lost"].get<double>(), 147.0 / 361, 1e-14);
    EXPECT_NEAR(e["expected"]["defender_units_lost"].get<double>(), 312.0 / 361, 1e-14);
    EXPECT_NEAR(e["expected"]["defender_turns_lost"].get<double>(), 624.0 / 361, 1e-14);
    const auto att = e["attacker_units_lost"].get<std::vector<double>>();
    const auto def = e["defender_units_lost"].get<std::vector<double>>();
    ASSERT_EQ(att.size(), 33u);
    ASSERT_EQ(def.size(), 33u);
    EXPECT_NEAR(att[0], 312.0 / 361, 1e-14);
    EXPECT_NEAR(att[1], 49.0 / 361, 1e-14);
    EXPECT_NEAR(def[0], 49.0 / 361, 1e-14);
    EXPECT_NEAR(def[1], 312.0 / 361, 1e-14);
    for (std::size_t k = 2; k < 33; ++k) {
        EXPECT_EQ(att[k], 0.0);
        EXPECT_EQ(def[k], 0.0);
    }
}

TEST_F(OddsCli, ExactOddsAgreeWithALargeSimulationOnTheSampleInstallation) {
    // Two attacking stacks with heroes, medals, missiles, acid, lightning and poison against a
    // castle's defenders with curse, disease and warding; simulated duel by duel (the default)
    // and with every exchange rolled, neither of which reads the exact odds.
    const std::string scenario = R"({"terrain": "city", "city_level": 2, "dice": 22,
        "attack": ["ARCHERS", {"army": "KNIGHTS", "medals": 2}, "BOGWYRM", "SPIDERS",
                   {"hero": "RANGER", "bonuses": {"missile": 3, "assassination": 2}},
                   "GRIFFON", {"army": "DWARVES", "blessed": true, "medals": 1}, "SPEARMEN",
                   "GIANTS", {"army": "ARCHERS", "medals": 3}, "SHADOWS"],
        "defend": ["MONKS", "WITCHES", {"army": "DWARVES", "medals": 2}, "GHOULS",
                   "SPEARMEN", "SPEARMEN", "DAWNGARD", "BOGWYRM", "ARCHERS",
                   {"hero": "THANE", "bonuses": {"fortification": 2}}]})";
    for (const char* way : {"duel", "rolled"}) {
        const bool rolled = std::string(way) == "rolled";
        const int n = rolled ? 30000 : 60000;
        const json j =
            OddsJson(scenario, "--battles " + std::to_string(n) + " --seed 17 --threads 2 --exact" +
                                   (rolled ? " --rolled" : ""));
        EXPECT_EQ(j["simulation"], way);
        const json& e = j["exact"];
        const double p = e["attacker_win_probability"].get<double>();
        EXPECT_GT(p, 0.05);
        EXPECT_LT(p, 0.95);
        ExpectWinShare(j, p);
        double attSum = 0, defSum = 0;
        const auto att = e["attacker_units_lost"].get<std::vector<double>>();
        const auto def = e["defender_units_lost"].get<std::vector<double>>();
        const auto attSim = j["attacker_units_lost_histogram"].get<std::vector<double>>();
        const auto defSim = j["defender_units_lost_histogram"].get<std::vector<double>>();
        for (std::size_t k = 0; k < 33; ++k) {
            attSum += att[k];
            defSum += def[k];
            EXPECT_NEAR(attSim[k] / n, att[k], 5 * std::sqrt(att[k] * (1 - att[k]) / n) + 1e-9)
                << way << ", " << k;
            EXPECT_NEAR(defSim[k] / n, def[k], 5 * std::sqrt(def[k] * (1 - def[k]) / n) + 1e-9)
                << way << ", " << k;
        }
        EXPECT_NEAR(attSum, 1.0, 1e-12);
        EXPECT_NEAR(defSum, 1.0, 1e-12);
    }
    // The scenario file may ask for every exchange rolled itself.
    const std::string rolledFile =
        R"({"simulation": "rolled", "battles": 50, )" + scenario.substr(scenario.find('{') + 1);
    EXPECT_EQ(OddsJson(rolledFile, "--seed 1")["simulation"], "rolled");
}

TEST_F(OddsCli, HeroBonusesGoThroughTheDialogsClamps) {
    // The paladin's strength 255 is kept at 14, its hits 1; leadership opens as 1 and gives the
    // stack +1 (still 14). Peasants: 1 + 1 on field = 2 (0.1). One point decides:
    // 0.7 * 0.9 / (0.63 + 0.1 * 0.3) = 0.63 / 0.66.
    const json j = OddsJson(R"({"attack": [{"hero": "paladin",
                                            "bonuses": {"strength": 255, "hits": 1}}],
                               "defend": ["PEASANTS"], "battles": 20000})",
                            "--seed 5");
    ExpectWinShare(j, 0.63 / 0.66);
    EXPECT_EQ(j["averages"]["attacker_turns_lost"], 0.0);  // a hero costs no production turns
}

TEST_F(OddsCli, MarksAndCities) {
    // Nine defenders need a city; city level 3 is accepted there.
    std::string nine = R"({"terrain": "city", "city_level": 3, "attack": [{"army": "KNIGHTS",
        "blessed": true, "medals": 4, "blacksmith": true, "weaponsmaster": true,
        "flying": true, "poisoned": false, "diseased": false}], "defend": [)";
    for (int i = 0; i < 9; ++i) nine += std::string(i ? "," : "") + "\"PEASANTS\"";
    nine += "]}";
    const json j = OddsJson(nine, "--battles 500 --seed 1");
    EXPECT_EQ(j["city_level"], 3);
    EXPECT_EQ(j["terrain"], "city");
}

TEST_F(OddsCli, BadScenariosAreRefusedNamingTheEntry) {
    struct Case {
        const char* scenario;
        const char* message;
    };
    const Case cases[] = {
        {R"({"attack": ["ORCS"], "defend": ["ORCS"], "dice": 14})", "dice"},
        {R"({"attack": ["ORCS"], "defend": ["ORCS"], "dice": 1001})", "dice"},
        {R"({"attack": ["ORCS"], "defend": ["ORCS"], "terrain": "desert"})", "terrain"},
        {R"({"attack": ["ORCS"], "defend": ["ORCS"], "terrain": "city", "city_level": 0})",
         "city_level"},
        {R"({"attack": ["ORCS"], "defend": ["ORCS"], "city_level": 2})", "city_level"},
        {R"({"attack": ["ORCS"], "defend": ["ORCS"], "battles": 0})", "battles"},
        {R"({"attack": ["ORCS"], "defend": ["ORCS"], "weather": "rain"})", "weather"},
        {R"({"attack": ["ORCS"], "defend": ["ORCS"], "simulation": "monte carlo"})",
         "simulation must be \"duel\" or \"rolled\", not \"monte carlo\""},
        {R"({"attack": ["ORCS", "GOBLINS"], "defend": ["ORCS"]})", "attack[1]"},
        {R"({"attack": ["ORCS"], "defend": [{"army": "PALADIN"}]})", "defend[0]"},
        {R"({"attack": [{"hero": "PALADIN", "bonuses": {"trample": 4}}], "defend": ["ORCS"]})",
         "attack[0].bonuses.trample"},
        {R"({"attack": [{"army": "ORCS", "bonuses": {}}], "defend": ["ORCS"]})", "attack[0]"},
        {R"({"attack": [{"army": "ORCS", "medals": -1}], "defend": ["ORCS"]})", "attack[0].medals"},
        {R"({"attack": [{"army": "ORCS", "flying": "yes"}], "defend": ["ORCS"]})",
         "attack[0].flying"},
        {R"({"attack": [{"army": "ORCS", "hero": "PALADIN"}], "defend": ["ORCS"]})", "attack[0]"},
        {R"({"attack": [7], "defend": ["ORCS"]})", "attack[0]"},
        {R"({"attack": [], "defend": ["ORCS"]})", "attack"},
        {R"({"attack": ["ORCS"]})", "defend"},
        {R"({"attack": ["ORCS"], "defend": ["ORCS","ORCS","ORCS","ORCS","ORCS","ORCS","ORCS",
             "ORCS","ORCS"]})",
         "city"},
        {R"({"attack": ["None","None","None","None","None","None","None","None","ORCS"],
             "defend": ["ORCS"]})",
         "first stack"},
        {R"({"attack": ["ORCS"], "defend": ["None"]})", "defending side"},
        {R"({"attack": ["ORCS"], "defend": ["ORCS"])", "not valid JSON"},
        {R"([])", "one JSON object"},
    };
    for (const Case& c : cases) {
        const Result r = Odds(c.scenario);
        EXPECT_EQ(r.status, 1) << c.scenario;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.scenario << "\n" << r.err;
        EXPECT_EQ(r.out, "") << c.scenario;
    }
    std::string many = R"({"attack": [)";
    for (int i = 0; i < 33; ++i) many += std::string(i ? "," : "") + "\"ORCS\"";
    many += R"(], "defend": ["ORCS"]})";
    const Result r = Odds(many);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("1 to 32"), std::string::npos) << r.err;
    // A bad option is a usage error.
    EXPECT_EQ(Odds(R"({"attack": ["ORCS"], "defend": ["ORCS"]})", "--battles 0").status, 2);
    EXPECT_EQ(Odds(R"({"attack": ["ORCS"], "defend": ["ORCS"]})", "--threads 0").status, 2);
}

TEST_F(OddsCli, ExactJsonHasSurvivalAndLossViews) {
    const std::string scenario = R"({"attack": ["SPEARMEN", {"army": "KNIGHTS", "medals": 1},
                                               "None", "ORCS"],
                                    "defend": ["ORCS", "SPEARMEN", "KNIGHTS"]})";
    const json j = OddsJson(scenario, "--exact --battles 20000 --seed 5");
    const json& e = j["exact"];
    ASSERT_EQ(e["survival"]["attack"].size(), 4u);
    ASSERT_EQ(e["survival"]["defend"].size(), 3u);
    EXPECT_TRUE(e["survival"]["attack"][2].is_null());
    EXPECT_TRUE(j["survival"]["attack"][2].is_null());
    // The first listed defender falls exactly when the attacker wins; every entry's simulated
    // share is near its exact chance.
    const double win = e["attacker_win_probability"];
    EXPECT_NEAR(e["survival"]["defend"][0].get<double>(), 1 - win, 1e-12);
    for (const char* side : {"attack", "defend"})
        for (std::size_t i = 0; i < j["survival"][side].size(); ++i) {
            if (j["survival"][side][i].is_null()) continue;
            const double p = e["survival"][side][i];
            EXPECT_NEAR(j["survival"][side][i].get<double>(), p,
                        4.5 * std::sqrt(p * (1 - p) / 20000) + 1e-9)
                << side << i;
        }
    for (const char* key : {"attacker_units_lost_at_least", "defender_units_lost_at_least",
                            "attacker_units_lost_given_win", "attacker_units_lost_given_loss",
                            "defender_units_lost_given_win", "defender_units_lost_given_loss"}) {
        ASSERT_EQ(e[key].size(), 33u) << key;
        double sum = 0;
        for (const auto& v : e[key]) sum += v.get<double>();
        if (std::string(key).find("given") != std::string::npos) {
            EXPECT_NEAR(sum, 1.0, 1e-12) << key;
        }
    }
    EXPECT_NEAR(e["defender_units_lost_at_least"][3].get<double>(), win, 1e-12);
    EXPECT_NEAR(j["defender_units_lost_at_least"][3].get<double>(),
                j["attacker_win_percent"].get<double>() / 100, 1e-9);
}

TEST_F(OddsCli, SuggestionsHoldWhatTheyClaim) {
    const std::string base = R"({"attack": ["SPEARMEN", "ORCS"], "defend": ["KNIGHTS", "ORCS"]})";
    const Result r = Run("suggest", base, "--max-add 2 --target 0.8 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["target"], 0.8);
    EXPECT_NEAR(j["current"].get<double>(),
                OddsJson(base, "--exact --battles 0")["exact"]["attacker_win_probability"], 1e-15);
    ASSERT_FALSE(j["options"].empty());
    EXPECT_LE(j["options"].size(), 5u);
    long long lastTurns = 0;
    for (const auto& o : j["options"]) {
        // Appending the named armies and computing again gives the claimed chance.
        std::string attack = R"("SPEARMEN", "ORCS")";
        for (const auto& name : o["add"]) attack += ", \"" + name.get<std::string>() + "\"";
        const json check =
            OddsJson(R"({"attack": [)" + attack + R"(], "defend": ["KNIGHTS", "ORCS"]})",
                     "--exact --battles 0");
        EXPECT_NEAR(check["exact"]["attacker_win_probability"].get<double>(),
                    o["win_probability"].get<double>(), 1e-15);
        EXPECT_GE(o["win_probability"].get<double>(), 0.8);
        EXPECT_GE(o["turns"].get<long long>(), lastTurns);
        lastTurns = o["turns"];
    }
    // Already reached, in words; and options out of range are usage errors.
    const Result easy = Run("suggest", base, "--target 0.01");
    EXPECT_EQ(easy.status, 0);
    EXPECT_NE(easy.out.find("already reaches"), std::string::npos) << easy.out;
    EXPECT_EQ(Run("suggest", base, "--target 2").status, 2);
    EXPECT_EQ(Run("suggest", base, "--max-add 0").status, 2);
    const Result bad = Run("suggest", R"({"attack": ["NOBODY"], "defend": ["ORCS"]})", "");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("attack[0]"), std::string::npos) << bad.err;
}

TEST_F(OddsCli, HostileScenariosAreRefusedBrieflyAndSeedsExactly) {
    const std::string units = R"("attack": ["ORCS"], "defend": ["ORCS"])";
    struct Case {
        std::string scenario;
        const char* message;
    };
    const std::vector<Case> cases = {
        // Deeply nested: refused while parsing, never dumped.
        {"{" + units + R"(, "dice": )" + std::string(80000, '[') + std::string(80000, ']') + "}",
         "levels deep"},
        {"{" + units + R"(, "terrain": [)" + std::string(100, '[') + std::string(100, ']') + "]}",
         "levels deep"},
        // A long value is quoted by a short excerpt only.
        {"{" + units + R"(, "terrain": ")" + std::string(500000, 'w') + "\"}", "terrain"},
        {"{" + units + R"(, "dice": [1, 2, 3]})", "a list of 3 values"},
        // Larger than any scenario: refused before parsing.
        {"{" + units + R"(, "pad": ")" + std::string(2u << 20, ' ') + "\"}", "larger than 1 MiB"},
        // No library text, but the place of the fault.
        {"{" + units + ",\n \"dice\": 2x}", "line 2, column 11"},
        {"{" + units, "ends too early"},
    };
    for (const Case& c : cases) {
        const Result r = Odds(c.scenario);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err.substr(0, 300);
        EXPECT_LT(r.err.size(), 300u) << c.message;
        EXPECT_EQ(r.err.find("json.exception"), std::string::npos) << r.err.substr(0, 300);
    }
    // No battles: the exact odds alone, from the file as from the command line.
    const std::string none = "{" + units + R"(, "battles": 0})";
    EXPECT_EQ(Odds(none, "--exact").status, 0);
    EXPECT_NE(Odds(none).err.find("--exact"), std::string::npos);
    // A seed is an unsigned 64-bit number as written, nothing rounded or wrapped into one.
    const std::string fine = "{" + units + "}";
    EXPECT_EQ(Odds(fine, "--battles 10 --seed 18446744073709551615").status, 0);
    for (const char* bad : {"-1", "1e23", "18446744073709551616", "1.5", "x"})
        EXPECT_EQ(Odds(fine, std::string("--battles 10 --seed ") + bad).status, 2) << bad;
}

}  // namespace
