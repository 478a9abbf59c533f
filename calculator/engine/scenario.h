// Scenario files: the two lists of a battle with their marks and hero bonuses, the combat dice,
// the terrain, the city level and the number of battles, as one JSON object. b3cli and the
// calculator's window read and write them here, so a file saved by one runs the same in the other.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/hero_dialog.h"
#include "engine/simple_host.h"
#include "engine/simulation.h"
#include "engine/unit_list.h"

namespace b3::engine {

// A scenario that cannot be read or used; the message names the offending entry or key.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The terrain words of a scenario, in the order of the window's terrain chooser.
inline constexpr const char* kScenarioTerrains[] = {"city",  "ice",   "hills",
                                                    "marsh", "field", "woods"};

struct ScenarioEntry {
    bool none = false;
    std::string name;  // the short name as written
    enum class Kind { Any, Army, Hero } kind = Kind::Any;
    HealthMarks marks;
    SimpleHost::Bonuses bonuses = {};
    bool hasBonuses = false;
};

struct Scenario {
    Long dice = 20;
    std::string terrain = "field";
    Long cityLevel = 0;
    Long battles = 1000;
    Simulation simulation = Simulation::Duel;
    std::vector<ScenarioEntry> attack, defend;
};

// The text of a scenario file, or of standard input for "-".
std::string ReadScenarioText(const std::string& file);
// Parses and checks a scenario; `file` names it in messages.
Scenario ParseScenario(const std::string& text, const std::string& file);
// Reads and parses a scenario file.
Scenario LoadScenario(const std::string& file);

// The scenario as JSON text that ParseScenario reads back unchanged: plain short names for
// armies without marks, objects for the others, and every key.
std::string ScenarioJson(const Scenario& s);
// Writes the scenario to `file` through a temporary file renamed over it, so that a failure
// leaves an existing file as it was. Throws ScenarioError naming the file.
void SaveScenario(const Scenario& s, const std::string& file);

// The unit identifier of an entry among the host's armies and heroes; `where` names it in the
// refusal ("attack[2]").
Long ResolveScenarioUnit(const UnitData& data, const ScenarioEntry& e, const std::string& where);
// The entry for unit `unitId` of `data` with its marks and, for a hero, its bonuses (none:
// the hero as loaded).
ScenarioEntry ScenarioEntryOf(const UnitData& data, Long unitId, const HealthMarks& marks,
                              const SimpleHost::Bonuses* bonuses = nullptr);

// Lists the scenario's sides on the host (its terrain too); throws ScenarioError for an entry
// whose unit is not in the installation.
void ApplyScenario(SimpleHost& host, const Scenario& s);
// Lists one side's entries on the host, at list positions 0, 1, ...
void AddScenarioSide(SimpleHost& host, const std::vector<ScenarioEntry>& entries, bool attacking);

}  // namespace b3::engine
