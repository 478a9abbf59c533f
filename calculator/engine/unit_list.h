// Building a side's armies from its list of unit identifiers, as the calculator's window does:
// each list entry with its health marks becomes one Add call, keyed "SN" and its list position.
#pragma once

#include <cstdint>
#include <string>

#include "b3/edit_object.h"
#include "engine/army.h"

namespace b3::engine {

// The marks a listed unit can carry.
struct HealthMarks {
    bool blessed = false;
    bool diseased = false;
    bool poisoned = false;
    Long medals = 0;  // 0..4
    bool blacksmith = false;
    bool weaponsmaster = false;
    bool flying = false;
};

// Where the unit identifiers point: armies are rows 0 .. NumArmies-1 of the army data array,
// heroes follow (hero row + NumArmies), and NumArmies + NumHeroes is the entry "None".
struct UnitData {
    const DataArray* armies = nullptr;
    const DataArray* heroes = nullptr;
    Long NumArmies() const { return static_cast<Long>(armies ? armies->rows() : 0); }
    Long NumHeroes() const { return static_cast<Long>(heroes ? heroes->rows() : 0); }
    Long NoneId() const { return NumArmies() + NumHeroes(); }
};

// Whether army row `row` is undead: its first or second type word, trimmed and in lower case,
// reads "undead".
bool CheckIfUndead(const DataArray& armies, std::size_t row);

// The Add arguments for unit `unitId` at list position `slot` with `marks`. An identifier that
// names neither an army nor a hero gives the entry "None".
AddArgs ListedUnitArgs(const UnitData& data, Long unitId, Long slot, const HealthMarks& marks);

// Adds the unit to `side` (nothing for "None"); returns the new army or nullptr.
CArmy* AddListedUnit(CAttackArmies& side, const UnitData& data, Long unitId, Long slot,
                     const HealthMarks& marks);

// Text helpers shared by the engine: ASCII lower case and trimming of spaces.
std::string LowerCase(std::string text);
std::string Trim(const std::string& text);

}  // namespace b3::engine
