// The server's string table and the code-to-name conversions.
#include <map>

#include "cedit_object.h"
#include "server_internal.h"

namespace b3 {
namespace detail {

namespace {

const std::map<int, const char*>& StringTable() {
    static const std::map<int, const char*> table = {
        // Power types, base 100 (34 has no name).
        {100, "None"},
        {101, "Leadership"},
        {102, "Chaos"},
        {103, "Morale"},
        {104, "Fear"},
        {105, "Siege"},
        {106, "Fortify"},
        {107, "Movement"},
        {108, "Strength"},
        {109, "MoveBonus"},
        {110, "Gold"},
        {111, "Gold per City"},
        {112, "Engineer"},
        {113, "Flight"},
        {114, "Hits"},
        {115, "Speed"},
        {116, "Invisibility"},
        {117, "Group Movement"},
        {118, "Group Hits"},
        {119, "Port"},
        {120, "Spell"},
        {121, "Production"},
        {122, "Summon Army"},
        {123, "View"},
        {124, "Group View"},
        {125, "Bless"},
        {126, "Poison"},
        {127, "Disease"},
        {128, "Assassin"},
        {129, "Reveal Map"},
        {130, "Missiles"},
        {131, "Medals"},
        {132, "Trample"},
        {133, "Curse"},
        {135, "Teleport"},
        {136, "Summon Item"},
        {137, "Banding"},
        {138, "Acid"},
        {139, "Lightning"},
        {140, "Paralysis"},
        {141, "Warding"},
        {142, "Group Acid"},
        {143, "Group Lightning"},
        {144, "Dragonslayer"},
        {145, "Demonslayer"},
        {146, "Deathslayer"},
        {147, "Manslayer"},
        {148, "Elfslayer"},
        {149, "Dwarfslayer"},
        {150, "Orcslayer"},
        {151, "Gnollslayer"},
        {152, "Group Warding"},
        {153, "Necromancy"},
        {154, "Life Drain"},
        {155, "Renown"},
        {156, "Mana Drain"},
        {157, "Questing"},
        // Sounds, base 300.
        {300, "None"},
        {301, "Walk"},
        {302, "March"},
        {303, "Stomp"},
        {304, "Gallop"},
        {305, "Sail"},
        {306, "Flap"},
        {307, "Pad"},
        {308, "Wagon"},
        {309, "Soar"},
        {310, "Fire"},
        // Facings, base 400.
        {400, "North"},
        {401, "Northeast"},
        {402, "East"},
        {403, "Southeast"},
        {404, "South"},
        {405, "Southwest"},
        {406, "West"},
        {407, "Northwest"},
        // Move-bonus terrains, 450 to 457; combat-bonus terrains, 500 to 505.
        {450, "desert"},
        {451, "dungeon"},
        {452, "fly"},
        {453, "forest"},
        {454, "hills"},
        {455, "ice"},
        {456, "marsh"},
        {457, "woods"},
        {500, "city"},
        {501, "field"},
        {502, "hills"},
        {503, "ice"},
        {504, "marsh"},
        {505, "woods"},
    };
    return table;
}

}  // namespace

const char* LookupString(int identifier) {
    const auto& table = StringTable();
    auto it = table.find(identifier);
    return it == table.end() ? nullptr : it->second;
}

}  // namespace detail

namespace {

// A code's name from its own list only: a power code of 200 is no power, although identifier 300
// names a sound.
std::string ConvertCode(int code, int base, int last, const char* source, const char* description) {
    const char* text = code >= 0 && code <= last ? detail::LookupString(base + code) : nullptr;
    if (text == nullptr) throw Error(kErrNoName, source, description);
    return text;
}

}  // namespace

std::string CEditObject::ConvertPowerTypeToName(const std::int16_t& Index) const {
    return ConvertCode(Index, 100, 57, "CEditObject::ConvertPowerTypeToName",
                       "Error converting power type to name.");
}

std::string CEditObject::ConvertSoundToName(const std::int16_t& Index) const {
    return ConvertCode(Index, 300, 10, "CEditObject::ConvertSoundToName",
                       "Error converting sound to name.");
}

std::string CEditObject::ConvertFacingToName(const std::int16_t& Index) const {
    return ConvertCode(Index, 400, 7, "CEditObject::ConvertFacingToName",
                       "Error converting facing to name.");
}

ObjectArray CEditObject::ConvertShortName(std::string ShortName,
                                          const DataArray& ItemDataArray) const {
    try {
        if (ItemDataArray.columns() < 3) throw detail::PlatformError(kErrSubscript, "B3EdtSvr");
        const std::string wanted = detail::UpperName(ShortName);
        for (std::size_t row = 0; row < ItemDataArray.rows(); ++row) {
            if (detail::UpperName(ItemDataArray.at(row, 1).toString()) == wanted) {
                return {ItemDataArray.at(row, 0), ItemDataArray.at(row, 1),
                        ItemDataArray.at(row, 2)};
            }
        }
        return ObjectArray(3);
    } catch (const Error& e) {
        throw e.withSource("CEditObject::ConvertShortName");
    }
}

ObjectArray CEditObject::ConvertArmyShortName(std::string ShortName) const {
    const DataArray& armies = caches_[kArmy];
    const std::string wanted = detail::UpperName(ShortName);
    for (std::size_t row = 0; row < armies.rows(); ++row) {
        if (detail::UpperName(armies.at(row, 3).toString()) == wanted) {
            return {armies.at(row, 0), armies.at(row, 1), Cell(), armies.at(row, 3)};
        }
    }
    return ObjectArray(4);
}

std::string CEditObject::ConvertSpellShortNameToDisplay(const std::string& ShortName) const {
    try {
        const DataArray& spells = caches_[kSpell];
        const std::string wanted = detail::UpperName(ShortName);
        for (std::size_t row = 0; row < spells.rows(); ++row) {
            const std::string name = ShortNameFromPath(spells.at(row, 20).toString(), kSpell);
            if (detail::UpperName(name) == wanted) return spells.at(row, 1).toString();
        }
        return ShortName;
    } catch (const Error& e) {
        throw e.withSource("CEditObject::ConvertSpellShortNameToDisplay");
    }
}

std::string CEditObject::ConvertGender(std::int32_t gender) {
    return gender == 0 ? "Male" : gender == 1 ? "Female" : "";
}

std::string CEditObject::ConvertTruth(std::uint8_t flag) {
    return flag == 0 ? "False" : "True";
}

}  // namespace b3
