#include "editor/strings.h"

#include <map>

namespace b3::editor {

namespace {

void AddRange(std::map<int, QString>& t, int base, std::initializer_list<const char*> texts) {
    int id = base;
    for (const char* text : texts) t[id++] = QString::fromUtf8(text);
}

// The toolbar tooltips of one kind: the browse tooltip at the base, then New (1), Save (2),
// Delete (4), Undo (5) and Print (7).
void AddKindTooltips(std::map<int, QString>& t, int base, const QString& one, const QString& many,
                     const QString& reportMany) {
    t[base] = "Browse " + many;
    t[base + 1] = "Create a new " + one;
    t[base + 2] = "Save this " + one;
    t[base + 4] = "Delete this " + one;
    t[base + 5] = "Revert to " + one + "'s unmodified properties";
    t[base + 7] = "Output properties of all " + reportMany + " to a file";
}

std::map<int, QString> BuildTable() {
    std::map<int, QString> t;
    AddRange(t, kSoundBase,
             {"None", "Walk", "March", "Stomp", "Gallop", "Sail", "Flap", "Pad", "Wagon", "Soar",
              "Fire"});
    AddRange(
        t, kFacingBase,
        {"North", "Northeast", "East", "Southeast", "South", "Southwest", "West", "Northwest"});
    AddRange(t, kMoveTerrainBase,
             {"desert", "dungeon", "fly", "forest", "hills", "ice", "marsh", "woods"});
    AddRange(t, kCombatTerrainBase, {"none", "city", "field", "hills", "ice", "marsh", "woods"});
    AddRange(
        t, kPowerBase,
        {"None",       "Leadership", "Chaos",    "Morale",     "Fear",         "Siege",
         "Fortify",    "Movement",   "Strength", "MoveBonus",  "Gold",         "Gold per City",
         "Engineer",   "Flight",     "Hits",     "Speed",      "Invisibility", "Group Movement",
         "Group Hits", "Port",       "Spell",    "Production", "Summon Army",  "View",
         "Group View", "Bless",      "Poison",   "Disease",    "Assassin",     "Reveal Map",
         "Missiles",   "Medals",     "Trample",  "Curse"});
    AddRange(t, kPowerBase + 35, {"Teleport",        "Summon Item",   "Banding",     "Acid",
                                  "Lightning",       "Paralysis",     "Warding",     "Group Acid",
                                  "Group Lightning", "Dragonslayer",  "Demonslayer", "Deathslayer",
                                  "Manslayer",       "Elfslayer",     "Dwarfslayer", "Orcslayer",
                                  "Gnollslayer",     "Group Warding", "Necromancy",  "Life Drain",
                                  "Renown",          "Mana Drain",    "Questing"});

    t[kMsgNewHeroNeedsProps] =
        "You need to specify extended properties for the new hero you are trying to create. "
        "Create these properties in the grid you will see after you press the button captioned "
        "'More Properties...'";
    t[kMsgHeroGridIncomplete] =
        "Please ensure that you have filled required data in all columns of the Hero Properties "
        "Grid. \r\n - Press OK to go back and enter the data\r\n - Press Cancel to leave the Hero "
        "properties form.";
    t[kMsgItemNeedsPower] =
        "You have not specified any powers for this item.  Please specify at least one power "
        "before attempting to save.";
    t[kMsgBadFileName] =
        "The name \"%1\" cannot be used for a file of the game. Choose a name without path "
        "separators, control characters or the characters < > : \" | ? *, made of characters "
        "of the Western European character set, and not ending in a dot or a space.";

    AddKindTooltips(t, 300, "Item", "Items", "Items");
    AddKindTooltips(t, 310, "Army", "Armies", "Armies");
    AddKindTooltips(t, 320, "Hero", "Heroes", "Heros");
    AddKindTooltips(t, 330, "Site", "Sites", "Sites");
    AddKindTooltips(t, 340, "Spell", "Spells", "Spells");
    AddKindTooltips(t, 350, "Item List", "Item Lists", "Item Lists");
    return t;
}

const std::map<int, QString>& Table() {
    static const std::map<int, QString> table = BuildTable();
    return table;
}

}  // namespace

QString LoadResString(int id) {
    const auto it = Table().find(id);
    return it == Table().end() ? QString() : it->second;
}

bool HasResString(int id) {
    return Table().count(id) != 0;
}

}  // namespace b3::editor
