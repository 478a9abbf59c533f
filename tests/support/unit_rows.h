// Hand-made army and hero rows for the combat tests: only the fields the calculator reads.
#pragma once

#include <cstdint>
#include <string>

#include "b3/edit_object.h"

namespace b3test {

struct ArmyRow {
    std::string name;
    int strength = 4;
    int hits = 2;
    int turns = 2;
    std::string cbName;
    int cbValue = 0;
    int powerType = 0;
    int powerValue = 0;
    std::string moveBonus1;
    std::string type1 = "human";
    std::string type2 = "infantry";
};

struct HeroRow {
    std::string name;
    int strength = 5;
    int hits = 2;
    std::string cbName;
    int cbValue = 0;
    std::string moveBonus1;
};

// Row `row` of an army data array; the short name is the name cut to 8 characters.
inline b3::ObjectArray ArmyCells(const ArmyRow& a, std::int32_t row) {
    using b3::Cell;
    b3::ObjectArray cells(b3::kColumnCount[b3::kArmy]);
    cells[0] = Cell::long_(row);
    cells[1] = Cell::text(a.name);
    cells[3] = Cell::text(a.name.substr(0, 8));
    cells[5] = Cell::byte(static_cast<std::uint8_t>(a.strength));
    cells[7] = Cell::byte(static_cast<std::uint8_t>(a.hits));
    cells[8] = Cell::byte(static_cast<std::uint8_t>(a.turns));
    cells[11] = Cell::text(a.type1);
    cells[12] = Cell::text(a.type2);
    cells[13] = Cell::text(a.moveBonus1);
    cells[17] = Cell::text(a.cbName);
    cells[18] = Cell::byte(static_cast<std::uint8_t>(a.cbValue));
    cells[22] = Cell::integer(static_cast<std::int16_t>(a.powerType));
    cells[23] = Cell::integer(static_cast<std::int16_t>(a.powerValue));
    return cells;
}

// Row `row` of a hero data array; the short name is the name cut to 7 characters.
inline b3::ObjectArray HeroCells(const HeroRow& h, std::int32_t row) {
    using b3::Cell;
    b3::ObjectArray cells(b3::kColumnCount[b3::kHero]);
    cells[0] = Cell::long_(row);
    cells[1] = Cell::text(h.name);
    cells[4] = Cell::text(h.name.substr(0, 7));
    cells[8] = Cell::byte(static_cast<std::uint8_t>(h.strength));
    cells[10] = Cell::byte(static_cast<std::uint8_t>(h.hits));
    cells[12] = Cell::text(h.moveBonus1);
    cells[16] = Cell::text(h.cbName);
    cells[17] = Cell::byte(static_cast<std::uint8_t>(h.cbValue));
    return cells;
}

}  // namespace b3test
