#include "engine/scenario.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>

#include <nlohmann/json.hpp>

#include "engine/json_input.h"
#include "platform/native_path.h"

namespace b3::engine {
namespace {

using nlohmann::json;
using ordered_json = nlohmann::ordered_json;

const char* const kMarks[] = {"blessed",    "diseased",      "poisoned",
                              "blacksmith", "weaponsmaster", "flying"};

bool* MarkNamed(HealthMarks& marks, const std::string& key) {
    bool* const flags[] = {&marks.blessed,    &marks.diseased,      &marks.poisoned,
                           &marks.blacksmith, &marks.weaponsmaster, &marks.flying};
    for (int i = 0; i < 6; ++i)
        if (key == kMarks[i]) return flags[i];
    return nullptr;
}

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

ScenarioEntry ParseEntry(const json& value, const std::string& where) {
    ScenarioEntry e;
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
    e.kind = army ? ScenarioEntry::Kind::Army : ScenarioEntry::Kind::Hero;
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
                const auto bonus = HeroBonusFromName(bonusName);
                if (!bonus) throw ScenarioError(at + ": unknown bonus " + Excerpt(json(bonusName)));
                const auto range = SpinnerRange(*bonus);
                e.bonuses[static_cast<int>(*bonus)] = static_cast<Long>(
                    WholeNumber(amount, at + "." + bonusName, range.lo, range.hi));
            }
        } else {
            bool* mark = MarkNamed(e.marks, key);
            if (!mark) throw ScenarioError(where + ": unknown key " + Excerpt(json(key)));
            *mark = Flag(v, at);
        }
    }
    return e;
}

std::vector<ScenarioEntry> ParseSide(const json& value, const std::string& side) {
    if (!value.is_array()) throw ScenarioError(side + " must be a list of units");
    if (value.empty() || value.size() > 32)
        throw ScenarioError(side + " must list 1 to 32 units, not " + std::to_string(value.size()));
    std::vector<ScenarioEntry> entries;
    for (std::size_t i = 0; i < value.size(); ++i)
        entries.push_back(ParseEntry(value[i], side + "[" + std::to_string(i) + "]"));
    return entries;
}

ordered_json EntryJson(const ScenarioEntry& e) {
    if (e.none) return "None";
    const HealthMarks none;
    const bool marked = e.marks.blessed || e.marks.diseased || e.marks.poisoned ||
                        e.marks.medals != none.medals || e.marks.blacksmith ||
                        e.marks.weaponsmaster || e.marks.flying;
    // A plain name finds an army before a hero, so a hero is always named as one.
    if (!marked && !e.hasBonuses && e.kind != ScenarioEntry::Kind::Hero) return e.name;
    ordered_json o;
    o[e.kind == ScenarioEntry::Kind::Hero ? "hero" : "army"] = e.name;
    HealthMarks marks = e.marks;
    for (const char* mark : kMarks)
        if (*MarkNamed(marks, mark)) o[mark] = true;
    if (e.marks.medals != 0) o["medals"] = e.marks.medals;
    if (e.hasBonuses) {
        ordered_json bonuses = ordered_json::object();
        for (int i = 0; i < kHeroBonusCount; ++i)
            if (e.bonuses[i]) bonuses[HeroBonusName(static_cast<HeroBonus>(i))] = *e.bonuses[i];
        o["bonuses"] = bonuses;
    }
    return o;
}

}  // namespace

std::string ReadScenarioText(const std::string& file) {
    try {
        return ReadJsonInput(file);
    } catch (const JsonInputError& e) {
        throw ScenarioError(std::string("the scenario: ") + e.what());
    }
}

Scenario ParseScenario(const std::string& text, const std::string& file) {
    json doc;
    try {
        doc = ParseJsonInput(text, file);
    } catch (const JsonInputError& e) {
        throw ScenarioError(e.what());
    }
    if (!doc.is_object()) throw ScenarioError(InputName(file) + " must hold one JSON object");
    Scenario s;
    for (const auto& [key, v] : doc.items()) {
        if (key == "dice")
            s.dice = static_cast<Long>(WholeNumber(v, "dice", 15, 1000));
        else if (key == "terrain") {
            if (!v.is_string()) throw ScenarioError("terrain must be a text, not " + Excerpt(v));
            s.terrain = v.get<std::string>();
            bool known = false;
            for (const char* t : kScenarioTerrains) known = known || s.terrain == t;
            if (!known)
                throw ScenarioError(
                    "terrain must be one of city, ice, hills, marsh, field, "
                    "woods, not " +
                    Excerpt(v));
        } else if (key == "simulation") {
            const auto level =
                v.is_string() ? SimulationFromName(v.get<std::string>()) : std::nullopt;
            if (!level)
                throw ScenarioError(std::string("simulation must be \"") + kSimulationNames[0] +
                                    "\" or \"" + kSimulationNames[1] + "\", not " + Excerpt(v));
            s.simulation = *level;
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

Scenario LoadScenario(const std::string& file) {
    return ParseScenario(ReadScenarioText(file), file);
}

std::string ScenarioJson(const Scenario& s) {
    ordered_json doc = {{"dice", s.dice},
                        {"terrain", s.terrain},
                        {"city_level", s.cityLevel},
                        {"battles", s.battles},
                        {"simulation", SimulationName(s.simulation)}};
    ordered_json attack = ordered_json::array(), defend = ordered_json::array();
    for (const auto& e : s.attack) attack.push_back(EntryJson(e));
    for (const auto& e : s.defend) defend.push_back(EntryJson(e));
    doc["attack"] = attack;
    doc["defend"] = defend;
    return doc.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

void SaveScenario(const Scenario& s, const std::string& file) {
    namespace fs = std::filesystem;
    const std::string text = ScenarioJson(s);
    const fs::path target = b3::platform::FsPath(file);
    fs::path temp = target;
    temp += ".tmp" + std::to_string(std::random_device{}() % 100000);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw ScenarioError("cannot write the scenario " + file);
        out << text;
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(temp, ec);
            throw ScenarioError("cannot write the scenario " + file);
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw ScenarioError("cannot replace the scenario " + file + ": " + ec.message());
    }
}

Long ResolveScenarioUnit(const UnitData& data, const ScenarioEntry& e, const std::string& where) {
    if (e.none) return data.NoneId();
    const std::string wanted = LowerCase(e.name);
    if (e.kind != ScenarioEntry::Kind::Hero) {
        for (std::size_t r = 0; r < data.armies->rows(); ++r)
            if (LowerCase(data.armies->at(r, 3).toString()) == wanted) return static_cast<Long>(r);
    }
    if (e.kind != ScenarioEntry::Kind::Army) {
        for (std::size_t r = 0; r < data.heroes->rows(); ++r)
            if (LowerCase(data.heroes->at(r, 4).toString()) == wanted)
                return data.NumArmies() + static_cast<Long>(r);
    }
    const char* what = e.kind == ScenarioEntry::Kind::Army   ? "army"
                       : e.kind == ScenarioEntry::Kind::Hero ? "hero"
                                                             : "army or hero";
    throw ScenarioError(where + ": no " + std::string(what) + " has the short name " +
                        Excerpt(json(e.name)));
}

ScenarioEntry ScenarioEntryOf(const UnitData& data, Long unitId, const HealthMarks& marks,
                              const SimpleHost::Bonuses* bonuses) {
    ScenarioEntry e;
    if (unitId >= 0 && unitId < data.NumArmies()) {
        e.kind = ScenarioEntry::Kind::Army;
        e.name = data.armies->at(static_cast<std::size_t>(unitId), 3).toString();
    } else if (unitId >= data.NumArmies() && unitId < data.NoneId()) {
        e.kind = ScenarioEntry::Kind::Hero;
        e.name = data.heroes->at(static_cast<std::size_t>(unitId - data.NumArmies()), 4).toString();
        if (bonuses) {
            e.hasBonuses = true;
            for (int i = 0; i < kHeroBonusCount; ++i) e.bonuses[i] = (*bonuses)[i];
        }
    } else {
        e.none = true;
        e.name = "None";
        return e;
    }
    e.marks = marks;
    return e;
}

void AddScenarioSide(SimpleHost& host, const std::vector<ScenarioEntry>& entries, bool attacking) {
    const std::string side = attacking ? "attack" : "defend";
    std::vector<Long> ids;
    for (std::size_t i = 0; i < entries.size(); ++i)
        ids.push_back(
            ResolveScenarioUnit(host.Data(), entries[i], side + "[" + std::to_string(i) + "]"));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ScenarioEntry& e = entries[i];
        if (e.hasBonuses && ids[i] < host.Data().NumArmies())
            throw ScenarioError(side + "[" + std::to_string(i) + "]: only a hero has bonuses");
        host.AddUnit(attacking, ids[i], static_cast<Long>(i), e.marks,
                     e.hasBonuses ? &e.bonuses : nullptr);
    }
}

void ApplyScenario(SimpleHost& host, const Scenario& s) {
    host.SetTerrain(s.terrain);
    AddScenarioSide(host, s.attack, true);
    AddScenarioSide(host, s.defend, false);
}

}  // namespace b3::engine
