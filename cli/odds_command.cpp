#include "cli/odds_command.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <new>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/json_input.h"
#include "engine/battle_calc.h"
#include "engine/exact_odds.h"
#include "engine/hero_dialog.h"
#include "engine/intervals.h"
#include "engine/number_format.h"
#include "engine/simple_host.h"
#include "engine/unit_list.h"

namespace b3cli {
namespace {

using nlohmann::json;
using ordered_json = nlohmann::ordered_json;
using b3::engine::Long;

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

const char* const kTerrains[] = {"city", "ice", "hills", "marsh", "field", "woods"};
const char* const kMarks[] = {"blessed",    "diseased",      "poisoned",
                              "blacksmith", "weaponsmaster", "flying"};

struct Entry {
    bool none = false;
    std::string name;  // the short name as written
    enum class Kind { Any, Army, Hero } kind = Kind::Any;
    b3::engine::HealthMarks marks;
    b3::engine::SimpleHost::Bonuses bonuses = {};
    bool hasBonuses = false;
};

struct Scenario {
    Long dice = 20;
    std::string terrain = "field";
    Long cityLevel = 0;
    Long battles = 1000;
    std::vector<Entry> attack, defend;
};

// A whole number in [lo, hi], or a clear refusal naming `what`.
long long WholeNumber(const json& value, const std::string& what, long long lo, long long hi) {
    if (!value.is_number_integer())
        throw ScenarioError(what + " must be a whole number, not " + Excerpt(value));
    long long v = 0;
    if (value.is_number_unsigned()) {
        const auto u = value.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(hi))
            throw ScenarioError(what + " must be from " + std::to_string(lo) + " to " +
                                std::to_string(hi) + ", not " + Excerpt(value));
        v = static_cast<long long>(u);
    } else {
        v = value.get<long long>();
    }
    if (v < lo || v > hi)
        throw ScenarioError(what + " must be from " + std::to_string(lo) + " to " +
                            std::to_string(hi) + ", not " + std::to_string(v));
    return v;
}

bool Flag(const json& value, const std::string& what) {
    if (!value.is_boolean())
        throw ScenarioError(what + " must be true or false, not " + Excerpt(value));
    return value.get<bool>();
}

Entry ParseEntry(const json& value, const std::string& where) {
    Entry e;
    if (value.is_string()) {
        e.name = value.get<std::string>();
        if (e.name == "None") e.none = true;
        return e;
    }
    if (!value.is_object())
        throw ScenarioError(where + " must be \"None\", a short name or an object, not " +
                            Excerpt(value));
    const bool army = value.contains("army"), hero = value.contains("hero");
    if (army == hero) throw ScenarioError(where + " needs exactly one of \"army\" and \"hero\"");
    const json& name = value.at(army ? "army" : "hero");
    if (!name.is_string())
        throw ScenarioError(where + "." + (army ? "army" : "hero") + " must be a short name, not " +
                            Excerpt(name));
    e.name = name.get<std::string>();
    e.kind = army ? Entry::Kind::Army : Entry::Kind::Hero;
    for (const auto& [key, v] : value.items()) {
        const std::string at = where + "." + key;
        if (key == "army" || key == "hero") continue;
        if (key == "medals") {
            e.marks.medals = static_cast<Long>(WholeNumber(v, at, 0, 4));
        } else if (key == "bonuses") {
            if (!hero) throw ScenarioError(at + ": only a hero has bonuses");
            if (!v.is_object()) throw ScenarioError(at + " must be an object, not " + Excerpt(v));
            e.hasBonuses = true;
            for (const auto& [bonusName, amount] : v.items()) {
                const auto bonus = b3::engine::HeroBonusFromName(bonusName);
                if (!bonus) throw ScenarioError(at + ": unknown bonus " + Excerpt(json(bonusName)));
                const auto range = b3::engine::SpinnerRange(*bonus);
                e.bonuses[static_cast<int>(*bonus)] = static_cast<Long>(
                    WholeNumber(amount, at + "." + bonusName, range.lo, range.hi));
            }
        } else {
            bool* mark = nullptr;
            if (key == kMarks[0]) mark = &e.marks.blessed;
            if (key == kMarks[1]) mark = &e.marks.diseased;
            if (key == kMarks[2]) mark = &e.marks.poisoned;
            if (key == kMarks[3]) mark = &e.marks.blacksmith;
            if (key == kMarks[4]) mark = &e.marks.weaponsmaster;
            if (key == kMarks[5]) mark = &e.marks.flying;
            if (!mark) throw ScenarioError(where + ": unknown key " + Excerpt(json(key)));
            *mark = Flag(v, at);
        }
    }
    return e;
}

std::vector<Entry> ParseSide(const json& value, const std::string& side) {
    if (!value.is_array()) throw ScenarioError(side + " must be a list of units");
    if (value.empty() || value.size() > 32)
        throw ScenarioError(side + " must list 1 to 32 units, not " + std::to_string(value.size()));
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < value.size(); ++i)
        entries.push_back(ParseEntry(value[i], side + "[" + std::to_string(i) + "]"));
    return entries;
}

Scenario ParseScenario(const std::string& text, const std::string& file) {
    const json doc = ParseJsonInput(text, file);
    if (!doc.is_object()) throw ScenarioError(InputName(file) + " must hold one JSON object");
    Scenario s;
    for (const auto& [key, v] : doc.items()) {
        if (key == "dice")
            s.dice = static_cast<Long>(WholeNumber(v, "dice", 15, 1000));
        else if (key == "terrain") {
            if (!v.is_string()) throw ScenarioError("terrain must be a text, not " + Excerpt(v));
            s.terrain = v.get<std::string>();
            bool known = false;
            for (const char* t : kTerrains) known = known || s.terrain == t;
            if (!known)
                throw ScenarioError(
                    "terrain must be one of city, ice, hills, marsh, field, "
                    "woods, not " +
                    Excerpt(v));
        } else if (key == "city_level" || key == "battles" || key == "attack" || key == "defend")
            continue;
        else
            throw ScenarioError(InputName(file) + ": unknown key " + Excerpt(json(key)));
    }
    if (doc.contains("battles"))
        s.battles = static_cast<Long>(
            WholeNumber(doc["battles"], "battles", 0, std::numeric_limits<Long>::max()));
    if (s.terrain == "city") {
        s.cityLevel = 1;
        if (doc.contains("city_level"))
            s.cityLevel = static_cast<Long>(WholeNumber(doc["city_level"], "city_level", 1, 3));
    } else if (doc.contains("city_level")) {
        s.cityLevel = static_cast<Long>(WholeNumber(doc["city_level"], "city_level", 0, 0));
    }
    if (!doc.contains("attack"))
        throw ScenarioError(InputName(file) + " lists no attacking units (\"attack\")");
    if (!doc.contains("defend"))
        throw ScenarioError(InputName(file) + " lists no defending units (\"defend\")");
    s.attack = ParseSide(doc["attack"], "attack");
    s.defend = ParseSide(doc["defend"], "defend");
    if (s.defend.size() > 8 && s.terrain != "city")
        throw ScenarioError("more than 8 defending units need the terrain city (the terrain is " +
                            s.terrain + ")");
    return s;
}

// Finds an entry's unit among the installation's armies and heroes.
Long ResolveUnit(const b3::engine::SimpleHost& host, const Entry& e, const std::string& where) {
    const b3::engine::UnitData data = host.Data();
    if (e.none) return data.NoneId();
    const std::string wanted = b3::engine::LowerCase(e.name);
    if (e.kind != Entry::Kind::Hero) {
        for (std::size_t r = 0; r < data.armies->rows(); ++r)
            if (b3::engine::LowerCase(data.armies->at(r, 3).toString()) == wanted)
                return static_cast<Long>(r);
    }
    if (e.kind != Entry::Kind::Army) {
        for (std::size_t r = 0; r < data.heroes->rows(); ++r)
            if (b3::engine::LowerCase(data.heroes->at(r, 4).toString()) == wanted)
                return data.NumArmies() + static_cast<Long>(r);
    }
    const char* what = e.kind == Entry::Kind::Army   ? "army"
                       : e.kind == Entry::Kind::Hero ? "hero"
                                                     : "army or hero";
    throw ScenarioError(where + ": no " + std::string(what) + " has the short name " +
                        Excerpt(json(e.name)));
}

void AddSide(b3::engine::SimpleHost& host, const std::vector<Entry>& entries, bool attacking) {
    const std::string side = attacking ? "attack" : "defend";
    std::vector<Long> ids;
    for (std::size_t i = 0; i < entries.size(); ++i)
        ids.push_back(ResolveUnit(host, entries[i], side + "[" + std::to_string(i) + "]"));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (e.hasBonuses && ids[i] < host.Data().NumArmies())
            throw ScenarioError(side + "[" + std::to_string(i) + "]: only a hero has bonuses");
        host.AddUnit(attacking, ids[i], static_cast<Long>(i), e.marks,
                     e.hasBonuses ? &e.bonuses : nullptr);
    }
}

// `value` with `decimals` digits after the point.
std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

class ProgressBar {
public:
    explicit ProgressBar(bool shown) : shown_(shown) {}
    ~ProgressBar() { Finish(); }
    void Show(Long percent) {
        if (!shown_) return;
        const int width = 40;
        const int filled = static_cast<int>(percent * width / 100);
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                     std::string(width - filled, ' ').c_str(), static_cast<int>(percent));
        std::fflush(stderr);
        drawn_ = true;
    }
    void Finish() {
        if (drawn_) std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    bool shown_;
    bool drawn_ = false;
};

// A seed is written as plain decimal digits of an unsigned 64-bit number: a sign, a fraction or
// an exponent would otherwise be wrapped or rounded into some other seed.
const CLI::Validator kSeedValidator(
    [](std::string& text) -> std::string {
        std::uint64_t value = 0;
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (text.empty() || ec != std::errc() || ptr != end)
            return "SEED must be a whole number from 0 to 18446744073709551615, not " + text;
        return std::string();
    },
    "SEED", "seed");

}  // namespace

CLI::App* AddOddsCommand(CLI::App& app, OddsOptions& options) {
    CLI::App* odds = app.add_subcommand(
        "odds", "Simulate the battle of a scenario file and print the attacker's odds");
    odds->add_option("SCENARIO", options.scenario, "The scenario (JSON), - for standard input")
        ->required();
    odds->add_option("--battles", options.battles,
                     "Number of battles (overrides the scenario); 0 with --exact")
        ->check(CLI::Range(0LL, static_cast<long long>(std::numeric_limits<Long>::max())));
    odds->add_option("--seed", options.seed, "Seed for a reproducible run (0 to 2^64 - 1)")
        ->check(kSeedValidator);
    odds->add_option("--threads", options.threads, "Split the battles over T threads")
        ->check(CLI::Range(1, 256))
        ->type_name("T");
    odds->add_flag("--json", options.json, "Print one JSON object");
    odds->add_flag("--exact", options.exact,
                   "Also compute the exact odds and expected losses of one battle");
    odds->callback([&options] {
        if (options.battles && *options.battles == 0 && !options.exact)
            throw CLI::ValidationError("--battles", "0 battles simulate nothing; add --exact");
    });
    return odds;
}

void RunOdds(const OddsOptions& options, const b3::CreateOptions& install, std::ostream& out) {
    Scenario s = ParseScenario(ReadJsonInput(options.scenario), options.scenario);
    if (options.battles) s.battles = static_cast<Long>(*options.battles);
    // No battles is the exact odds alone, from the file as from the command line.
    if (s.battles == 0 && !options.exact)
        throw ScenarioError(
            "\"battles\": 0 simulates nothing; add --exact for the exact odds alone");

    const auto object = b3::CreateObject(b3::CLSID_CEditObject, install);
    b3::engine::SimpleHost host(object->GetEditObjectData(b3::kArmy),
                                object->GetEditObjectData(b3::kHero));
    host.SetTerrain(s.terrain);
    host.powerName = [&object](Long code) {
        return object->ConvertPowerTypeToName(static_cast<std::int16_t>(code));
    };
    AddSide(host, s.attack, true);
    AddSide(host, s.defend, false);

    // The exact odds are refused (like a bad scenario) before any battle is simulated.
    const bool simulate = s.battles > 0;
    if (options.exact) {
        const std::string refusal = b3::engine::CheckExactOdds(host, s.dice);
        if (!refusal.empty()) throw ScenarioError(refusal);
    }

    b3::engine::MBattleCalc calc(host);
    if (simulate) {
        calc.SetThreads(options.threads);
        calc.SetSeed(options.seed);
        ProgressBar bar(isatty(STDERR_FILENO) != 0);
        host.onProgress = [&bar](Long percent) { bar.Show(percent); };
        const std::string refusal = calc.CheckRun(s.battles, s.dice);
        if (!refusal.empty()) throw ScenarioError(refusal);
        try {
            calc.RunBattles(s.battles, s.dice, false, s.cityLevel);
        } catch (const std::bad_alloc&) {
            throw std::runtime_error("not enough memory for the results of " +
                                     std::to_string(s.battles) + " battles");
        }
        bar.Finish();
        host.onProgress = nullptr;
    }
    std::optional<b3::engine::ExactOdds> exact;
    if (options.exact) exact = b3::engine::CalculateExactOdds(host, s.dice, s.cityLevel);

    const char* const labels[] = {"Avg. Att. Units Lost: ", "Avg. Att. Prod. Turns Lost: ",
                                  "Avg. Def Units Lost: ", "Avg. Def. Prod. Turns Lost: "};
    if (!options.json) {
        if (simulate) {
            out << "Attacker Wins: " << host.winText << '\n';
            for (int i = 0; i < 4; ++i) out << labels[i] << host.averageTexts[i] << '\n';
        }
        if (exact) {
            out << "Exact: attacker wins " << Fixed(exact->attackerWinProbability * 100.0, 4)
                << "%\n";
            const double expected[] = {
                exact->expectedAttackerUnitsLost, exact->expectedAttackerTurnsLost,
                exact->expectedDefenderUnitsLost, exact->expectedDefenderTurnsLost};
            for (int i = 0; i < 4; ++i)
                out << "Exact " << labels[i]
                    << b3::engine::FormatGeneralSingle(static_cast<float>(expected[i])) << '\n';
        }
        return;
    }
    ordered_json result = {
        {"battles", s.battles},
        {"dice", s.dice},
        {"terrain", s.terrain},
        {"city_level", s.cityLevel},
    };
    if (simulate) {
        std::vector<long long> attLost(33, 0), defLost(33, 0);
        for (const auto& row : calc.Results()) {
            if (row[1] >= 0 && row[1] <= 32) ++attLost[static_cast<std::size_t>(row[1])];
            if (row[3] >= 0 && row[3] <= 32) ++defLost[static_cast<std::size_t>(row[3])];
        }
        // The averages as shown: single precision, at most 7 significant digits.
        auto shown = [&](int i) { return std::stod(host.averageTexts[i]); };
        result["attacker_win_percent"] = std::stod(host.winText.substr(0, host.winText.size() - 1));
        result["attacker_wins_text"] = host.winText;
        result["averages"] = {{"attacker_units_lost", shown(0)},
                              {"attacker_turns_lost", shown(1)},
                              {"defender_units_lost", shown(2)},
                              {"defender_turns_lost", shown(3)}};
        // The 95% interval of each figure, as the calculator's window shows it.
        const b3::engine::RunTotals totals = calc.Totals(s.battles);
        auto bounds = [](const b3::engine::Interval& i) {
            return std::vector<double>{i.low, i.high};
        };
        result["intervals_95"] = {
            {"attacker_win_percent", bounds(b3::engine::WinInterval(totals))},
            {"attacker_units_lost", bounds(b3::engine::AverageInterval(totals, 0))},
            {"attacker_turns_lost", bounds(b3::engine::AverageInterval(totals, 1))},
            {"defender_units_lost", bounds(b3::engine::AverageInterval(totals, 2))},
            {"defender_turns_lost", bounds(b3::engine::AverageInterval(totals, 3))}};
        result["attacker_units_lost_histogram"] = attLost;
        result["defender_units_lost_histogram"] = defLost;
    }
    if (exact) {
        const std::vector<double> att(exact->attackerUnitsLost.begin(),
                                      exact->attackerUnitsLost.end());
        const std::vector<double> def(exact->defenderUnitsLost.begin(),
                                      exact->defenderUnitsLost.end());
        result["exact"] = {
            {"attacker_win_probability", exact->attackerWinProbability},
            {"expected",
             {{"attacker_units_lost", exact->expectedAttackerUnitsLost},
              {"attacker_turns_lost", exact->expectedAttackerTurnsLost},
              {"defender_units_lost", exact->expectedDefenderUnitsLost},
              {"defender_turns_lost", exact->expectedDefenderTurnsLost}}},
            {"attacker_units_lost", att},
            {"defender_units_lost", def},
        };
    }
    out << result.dump(-1, ' ', false, ordered_json::error_handler_t::replace) << '\n';
}

}  // namespace b3cli
