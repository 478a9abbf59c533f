#include "engine/unit_list.h"

#include <limits>

namespace b3::engine {
namespace {

Long NumberAt(const DataArray& data, std::size_t row, std::size_t column) {
    if (row >= data.rows() || column >= data.columns()) return 0;
    const std::int64_t v = data.at(row, column).number();
    return ClampLong(v, std::numeric_limits<Long>::min(), std::numeric_limits<Long>::max());
}

std::string TextAt(const DataArray& data, std::size_t row, std::size_t column) {
    if (row >= data.rows() || column >= data.columns()) return {};
    return data.at(row, column).toString();
}

}  // namespace

std::string LowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return text.substr(b, e - b);
}

bool CheckIfUndead(const DataArray& armies, std::size_t row) {
    return LowerCase(Trim(TextAt(armies, row, 11))) == "undead" ||
           LowerCase(Trim(TextAt(armies, row, 12))) == "undead";
}

AddArgs ListedUnitArgs(const UnitData& data, Long unitId, Long slot, const HealthMarks& marks) {
    AddArgs args;
    args.sKey = "SN" + std::to_string(slot);
    const Long numArmies = data.NumArmies();
    if (unitId >= 0 && unitId < numArmies) {
        const DataArray& a = *data.armies;
        const auto row = static_cast<std::size_t>(unitId);
        args.Name = TextAt(a, row, 1);
        args.UnitID = NumberAt(a, row, 0);
        args.StartStrength = NumberAt(a, row, 5);
        args.Hits = NumberAt(a, row, 7);
        args.Turns = NumberAt(a, row, 8);
        args.CBName = TextAt(a, row, 17);
        args.CBValue = NumberAt(a, row, 18);
        args.PowerType = NumberAt(a, row, 22);
        args.PowerValue = NumberAt(a, row, 23);
        args.IsUndead = CheckIfUndead(a, row);
    } else if (unitId >= numArmies && unitId < data.NoneId()) {
        const DataArray& h = *data.heroes;
        const auto row = static_cast<std::size_t>(unitId - numArmies);
        args.Name = TextAt(h, row, 1);
        args.UnitID = unitId;
        args.StartStrength = NumberAt(h, row, 8);
        args.Hits = NumberAt(h, row, 10);
        args.Turns = 0;
        args.CBName = TextAt(h, row, 16);
        args.CBValue = NumberAt(h, row, 17);
        args.PowerType = 1;
        args.PowerValue = 1;
        args.IsUndead = false;
    } else {
        args.Name = "None";
        args.UnitID = unitId;
        return args;  // no marks for an empty slot
    }
    args.IsBlessed = marks.blessed;
    args.IsDiseased = marks.diseased;
    args.IsPoisoned = marks.poisoned;
    args.HasMedal = marks.medals;
    args.IsBlacksmith = marks.blacksmith;
    args.IsWeaponsmaster = marks.weaponsmaster;
    args.IsFlying = marks.flying;
    return args;
}

CArmy* AddListedUnit(CAttackArmies& side, const UnitData& data, Long unitId, Long slot,
                     const HealthMarks& marks) {
    return side.Add(ListedUnitArgs(data, unitId, slot, marks));
}

}  // namespace b3::engine
