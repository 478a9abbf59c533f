// Turns the readable JSON of the sample installation into data array rows.
#include <cctype>
#include <cstdint>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/text1252.h"
#include "sample/embedded_content.h"
#include "sample/sample.h"

namespace b3::sample {

namespace {

using nlohmann::json;

// Power type names by code; code 34 has no name.
constexpr const char* kPowerNames[] = {
    "None",
    "Leadership",
    "Chaos",
    "Morale",
    "Fear",
    "Siege",
    "Fortify",
    "Movement",
    "Strength",
    "MoveBonus",
    "Gold",
    "Gold per City",
    "Engineer",
    "Flight",
    "Hits",
    "Speed",
    "Invisibility",
    "Group Movement",
    "Group Hits",
    "Port",
    "Spell",
    "Production",
    "Summon Army",
    "View",
    "Group View",
    "Bless",
    "Poison",
    "Disease",
    "Assassin",
    "Reveal Map",
    "Missiles",
    "Medals",
    "Trample",
    "Curse",
    "",
    "Teleport",
    "Summon Item",
    "Banding",
    "Acid",
    "Lightning",
    "Paralysis",
    "Warding",
    "Group Acid",
    "Group Lightning",
    "Dragonslayer",
    "Demonslayer",
    "Deathslayer",
    "Manslayer",
    "Elfslayer",
    "Dwarfslayer",
    "Orcslayer",
    "Gnollslayer",
    "Group Warding",
    "Necromancy",
    "Life Drain",
    "Renown",
    "Mana Drain",
    "Questing",
};
constexpr const char* kSoundNames[] = {"None", "Walk", "March", "Stomp", "Gallop", "Sail",
                                       "Flap", "Pad",  "Wagon", "Soar",  "Fire"};
constexpr const char* kFacingNames[] = {"North", "Northeast", "East", "Southeast",
                                        "South", "Southwest", "West", "Northwest"};
constexpr const char* kMoveTerrains[] = {"desert", "dungeon", "fly",   "forest",
                                         "hills",  "ice",     "marsh", "woods"};
constexpr const char* kCombatTerrains[] = {"city", "field", "hills", "ice", "marsh", "woods"};

template <std::size_t N>
int CodeOf(const char* const (&names)[N], std::string_view name, const char* what) {
    for (std::size_t i = 0; i < N; ++i)
        if (!name.empty() && name == names[i]) return static_cast<int>(i);
    throw std::invalid_argument("unknown " + std::string(what) + " name \"" + std::string(name) +
                                "\"");
}

template <std::size_t N>
bool IsOneOf(const char* const (&words)[N], const std::string& word) {
    for (const char* w : words)
        if (word == w) return true;
    return false;
}

enum class CellKind { Byte, Integer, Long };

// Reads one JSON object field by field, remembers which fields were used and names the object and
// the field in every complaint.
class FieldReader {
public:
    FieldReader(const json& object, std::string where) : object_(object), where_(std::move(where)) {
        if (!object_.is_object()) Fail("", "is not a JSON object");
    }

    [[noreturn]] void Fail(const std::string& field, const std::string& what) const {
        throw std::runtime_error(where_ + (field.empty() ? "" : ", field \"" + field + "\"") +
                                 ": " + what);
    }

    const json* Find(const std::string& key) {
        used_.insert(key);
        const auto it = object_.find(key);
        return it == object_.end() ? nullptr : &*it;
    }

    const json& Require(const std::string& key) {
        const json* v = Find(key);
        if (!v) Fail(key, "is missing");
        return *v;
    }

    // A text of at most `width` bytes in Windows-1252.
    std::string Text(const std::string& key, int width, bool required = true) {
        const json* v = required ? &Require(key) : Find(key);
        if (!v) return {};
        return CheckText(key, *v, width);
    }

    std::string CheckText(const std::string& key, const json& v, int width) const {
        if (!v.is_string()) Fail(key, "must be a text");
        const std::string text = v.get<std::string>();
        const auto encoded = platform::EncodeCp1252(text);
        if (!encoded) Fail(key, "holds a character that Windows-1252 cannot hold");
        if (static_cast<int>(encoded->size()) > width)
            Fail(key, "is " + std::to_string(encoded->size()) + " characters long, more than its " +
                          std::to_string(width));
        return text;
    }

    std::int64_t Number(const std::string& key, std::int64_t min, std::int64_t max,
                        std::optional<std::int64_t> fallback = std::nullopt) {
        const json* v = fallback ? Find(key) : &Require(key);
        if (!v) return *fallback;
        return CheckNumber(key, *v, min, max);
    }

    std::int64_t CheckNumber(const std::string& key, const json& v, std::int64_t min,
                             std::int64_t max) const {
        if (!v.is_number_integer()) Fail(key, "must be a whole number");
        const std::int64_t n =
            v.is_number_unsigned()
                ? static_cast<std::int64_t>(std::min<std::uint64_t>(
                      v.get<std::uint64_t>(), std::numeric_limits<std::int64_t>::max()))
                : v.get<std::int64_t>();
        if (n < min || n > max)
            Fail(key, std::to_string(n) + " is outside " + std::to_string(min) + " to " +
                          std::to_string(max));
        return n;
    }

    bool Flag(const std::string& key) {
        const json& v = Require(key);
        if (!v.is_boolean()) Fail(key, "must be true or false");
        return v.get<bool>();
    }

    const json& Array(const std::string& key, std::size_t maxSize, bool required = true) {
        static const json kEmpty = json::array();
        const json* v = required ? &Require(key) : Find(key);
        if (!v) return kEmpty;
        if (!v->is_array()) Fail(key, "must be a list");
        if (v->size() > maxSize)
            Fail(key, "holds more than " + std::to_string(maxSize) + " entries");
        return *v;
    }

    template <std::size_t N>
    int Code(const std::string& key, const char* const (&names)[N], const char* what) {
        const json& v = Require(key);
        if (!v.is_string()) Fail(key, std::string("must be a ") + what + " name");
        try {
            return CodeOf(names, v.get<std::string>(), what);
        } catch (const std::invalid_argument& e) {
            Fail(key, e.what());
        }
    }

    // Every field of the object must have been read: a misspelt field is an error, not a default.
    void Finish() const {
        for (const auto& [key, value] : object_.items())
            if (!used_.count(key)) Fail(key, "is not a known field");
    }

    const std::string& where() const { return where_; }

private:
    const json& object_;
    std::string where_;
    std::set<std::string> used_;
};

Cell Num(CellKind kind, std::int64_t v) {
    switch (kind) {
        case CellKind::Byte:
            return Cell::byte(static_cast<std::uint8_t>(v));
        case CellKind::Integer:
            return Cell::integer(static_cast<std::int16_t>(v));
        case CellKind::Long:
            break;
    }
    return Cell::long_(static_cast<std::int32_t>(v));
}

Cell Byte(FieldReader& r, const std::string& key, std::int64_t min = 0, std::int64_t max = 255) {
    return Num(CellKind::Byte, r.Number(key, min, max));
}
Cell Int16(FieldReader& r, const std::string& key, std::int64_t min = -32768,
           std::int64_t max = 32767) {
    return Num(CellKind::Integer, r.Number(key, min, max));
}

std::string ShortName(FieldReader& r, std::size_t maxLength) {
    const std::string s = r.Text("short", 9);
    if (s.empty() || s.size() > maxLength)
        r.Fail("short", "must have 1 to " + std::to_string(maxLength) + " characters");
    for (unsigned char c : s)
        if (!(std::isupper(c) || std::isdigit(c) || c == '_'))
            r.Fail("short", "may hold only upper-case letters, digits and underscores");
    return s;
}

// Terrain words of the move bonus list into four consecutive columns.
void MoveBonuses(FieldReader& r, ObjectArray& cells, int firstColumn) {
    const json& list = r.Array("moveBonus", 4, false);
    for (std::size_t i = 0; i < 4; ++i) {
        std::string word;
        if (i < list.size()) {
            word = r.CheckText("moveBonus", list[i], 9);
            if (!IsOneOf(kMoveTerrains, word))
                r.Fail("moveBonus", "unknown terrain \"" + word + "\"");
        }
        cells[firstColumn + i] = Cell::text(word);
    }
}

// The combat bonus terrain and value into two consecutive columns.
void CombatBonus(FieldReader& r, ObjectArray& cells, int terrainColumn) {
    const json* bonus = r.Find("combatBonus");
    std::string terrain;
    std::int64_t value = 0;
    if (bonus) {
        FieldReader b(*bonus, r.where() + ", combatBonus");
        terrain = b.Text("terrain", 9);
        if (!IsOneOf(kCombatTerrains, terrain))
            b.Fail("terrain", "unknown terrain \"" + terrain + "\"");
        value = b.Number("value", 0, 255);
        b.Finish();
    }
    cells[terrainColumn] = Cell::text(terrain);
    cells[terrainColumn + 1] = Num(CellKind::Byte, value);
}

std::string Where(int kind, std::size_t index, const json& entry) {
    static const char* const kKindNames[] = {"item", "army", "hero", "site", "spell"};
    std::string where = std::string("sample ") + kKindNames[kind] + " " + std::to_string(index + 1);
    if (entry.is_object() && entry.contains("short") && entry["short"].is_string())
        where += " (" + entry["short"].get<std::string>() + ")";
    return where;
}

SampleObject ParseItem(FieldReader& r) {
    SampleObject o;
    o.cells.resize(kColumnCount[kItem]);
    auto& c = o.cells;
    o.shortName = ShortName(r, 8);
    c[1] = Cell::text(o.shortName);
    c[2] = Cell::text(r.Text("name", 32));
    c[3] = Cell::text(r.Text("description", 128));
    c[4] = Byte(r, "relativePower");
    c[5] = Int16(r, "icon", 0, 31);
    c[6] = Int16(r, "cost");
    const json& powers = r.Array("powers", 2);
    for (std::size_t p = 0; p < 2; ++p) {
        int type = 0;
        std::int64_t value = 0;
        if (p < powers.size()) {
            FieldReader pr(powers[p], r.where() + ", power " + std::to_string(p + 1));
            type = pr.Code("type", kPowerNames, "power");
            value = pr.Number("value", -32768, 32767);
            pr.Finish();
        }
        c[7 + 2 * p] = Num(CellKind::Integer, type);
        c[8 + 2 * p] = Num(CellKind::Integer, value);
    }
    return o;
}

SampleObject ParseArmy(FieldReader& r) {
    SampleObject o;
    o.cells.resize(kColumnCount[kArmy]);
    auto& c = o.cells;
    o.shortName = ShortName(r, 8);
    c[1] = Cell::text(r.Text("name", 16));
    c[2] = Cell::text(r.Text("description", 128));
    c[3] = Cell::text(o.shortName);
    c[4] = Byte(r, "medalChance");
    c[5] = Byte(r, "strength");
    c[6] = Byte(r, "move");
    c[7] = Byte(r, "hits");
    c[8] = Byte(r, "turns");
    c[9] = Byte(r, "upkeep");
    c[10] = Byte(r, "view");
    const json& types = r.Array("types", 2, false);
    for (std::size_t i = 0; i < types.size(); ++i)
        o.typeWords[i] = r.CheckText("types", types[i], 9);
    c[11] = Cell::text(o.typeWords[0]);
    c[12] = Cell::text(o.typeWords[1]);
    MoveBonuses(r, c, 13);
    CombatBonus(r, c, 17);
    c[19] = Num(CellKind::Integer, 0);
    c[20] = Int16(r, "buildCost");
    c[21] = Int16(r, "setupCost");
    {
        FieldReader pr(r.Require("power"), r.where() + ", power");
        c[22] = Num(CellKind::Integer, pr.Code("type", kPowerNames, "power"));
        c[23] = Num(CellKind::Integer, pr.Number("value", -32768, 32767));
        pr.Finish();
    }
    c[24] = Num(CellKind::Byte, r.Code("sound", kSoundNames, "sound"));
    c[25] = Num(CellKind::Byte, r.Code("facing", kFacingNames, "facing"));
    c[26] = Num(CellKind::Integer, 0);
    c[27] = Num(CellKind::Integer, 0);
    return o;
}

SampleObject ParseHero(FieldReader& r) {
    SampleObject o;
    o.cells.resize(kColumnCount[kHero]);
    auto& c = o.cells;
    o.shortName = ShortName(r, 7);
    c[1] = Cell::text(r.Text("nameMale", 32));
    c[2] = Cell::text(r.Text("nameFemale", 32));
    c[3] = Cell::text(r.Text("description", 128));
    c[4] = Cell::text(o.shortName);
    c[5] = Cell::text(o.shortName + "m");
    c[6] = Cell::text(o.shortName + "f");
    c[7] = Byte(r, "medalChance");
    c[8] = Byte(r, "strength");
    c[9] = Byte(r, "move");
    c[10] = Byte(r, "hits");
    c[11] = Byte(r, "view");
    MoveBonuses(r, c, 12);
    CombatBonus(r, c, 16);
    c[18] = Num(CellKind::Byte, 0);

    const json& levels = r.Array("levels", 11);
    if (levels.size() != 11) r.Fail("levels", "must list all 11 levels");
    for (int l = 0; l < 11; ++l) {
        FieldReader lr(levels[l], r.where() + ", level " + std::to_string(l + 1));
        c[19 + l] = Cell::text(lr.Text("male", 32));
        c[30 + l] = Cell::text(lr.Text("female", 32));
        c[41 + l] = Num(CellKind::Integer, lr.Number("xp", -32768, 32767));
        c[52 + l] = Num(CellKind::Integer, lr.Number("ap", -32768, 32767));
        lr.Finish();
    }

    const json& powers = r.Array("powers", 10);
    for (int p = 0; p < 10; ++p) {
        int type = 0;
        std::int64_t value = 0, cost = 0;
        std::string descrip;
        if (p < static_cast<int>(powers.size())) {
            FieldReader pr(powers[p], r.where() + ", power " + std::to_string(p + 1));
            type = pr.Code("type", kPowerNames, "power");
            value = pr.Number("value", -32768, 32767);
            descrip = pr.Text("descrip", 10, false);
            cost = pr.Number("cost", -32768, 32767);
            pr.Finish();
        }
        c[63 + 3 * p] = Num(CellKind::Integer, type);
        c[64 + 3 * p] = Num(CellKind::Integer, value);
        c[65 + 3 * p] = Cell::text(descrip);
        c[93 + p] = Num(CellKind::Integer, cost);
    }

    const json& names = r.Array("defaultNames", 10);
    if (names.size() != 10) r.Fail("defaultNames", "must list all 10 default names");
    for (int n = 0; n < 10; ++n) {
        FieldReader nr(names[n], r.where() + ", default name " + std::to_string(n + 1));
        c[103 + n] = Cell::text(nr.Text("name", 16));
        const std::string gender = nr.Text("gender", 6);
        if (gender != "male" && gender != "female") nr.Fail("gender", "must be male or female");
        c[113 + n] = Num(CellKind::Byte, gender == "female" ? 1 : 0);
        nr.Finish();
    }
    c[123] = Num(CellKind::Byte, r.Code("sound", kSoundNames, "sound"));
    c[124] = Num(CellKind::Byte, r.Code("facing", kFacingNames, "facing"));
    c[125] = Num(CellKind::Long, 0);
    c[126] = Num(CellKind::Long, 0);
    return o;
}

SampleObject ParseSite(FieldReader& r) {
    SampleObject o;
    o.cells.resize(kColumnCount[kSite]);
    auto& c = o.cells;
    o.shortName = ShortName(r, 8);
    c[1] = Cell::text(r.Text("name", 16));
    c[2] = Cell::text(o.shortName);
    {
        FieldReader pr(r.Require("power"), r.where() + ", power");
        c[3] = Num(CellKind::Integer, pr.Code("type", kPowerNames, "power"));
        c[4] = Num(CellKind::Integer, pr.Number("value", -32768, 32767));
        pr.Finish();
    }
    c[5] = Num(CellKind::Byte, r.Flag("canRaze") ? 1 : 0);
    c[6] = Num(CellKind::Byte, r.Flag("regAnimOperational") ? 1 : 0);
    c[7] = Num(CellKind::Byte, r.Flag("regAnimRazed") ? 1 : 0);
    c[8] = Num(CellKind::Byte, r.Flag("regAnimUnused") ? 1 : 0);
    return o;
}

SampleObject ParseSpell(FieldReader& r) {
    SampleObject o;
    o.cells.resize(kColumnCount[kSpell]);
    auto& c = o.cells;
    o.shortName = ShortName(r, 8);
    c[1] = Cell::text(r.Text("name", 16));
    c[2] = Cell::text(r.Text("description", 128));
    c[3] = Int16(r, "mana");
    const json& powers = r.Array("powers", 4);
    for (int p = 0; p < 4; ++p) {
        int type = 0;
        std::int64_t v1 = 0, v2 = 0;
        std::string description;
        if (p < static_cast<int>(powers.size())) {
            FieldReader pr(powers[p], r.where() + ", power " + std::to_string(p + 1));
            type = pr.Code("type", kPowerNames, "power");
            v1 = pr.Number("value1", -32768, 32767);
            v2 = pr.Number("value2", -32768, 32767, 0);
            description = pr.Text("description", 10, false);
            pr.Finish();
        }
        c[4 * (p + 1)] = Num(CellKind::Integer, type);
        c[4 * (p + 1) + 1] = Num(CellKind::Integer, v1);
        c[4 * (p + 1) + 2] = Num(CellKind::Integer, v2);
        c[4 * (p + 1) + 3] = Cell::text(description);
    }
    // The spell's identity is its file; the writer puts the full path here.
    c[20] = Cell::text(o.shortName + ".SPL");
    return o;
}

}  // namespace

const char* ContentFileName(int kind) {
    static const char* const kNames[] = {"items.json", "armies.json", "heroes.json", "sites.json",
                                         "spells.json"};
    if (kind < 0 || kind >= kKindCount) throw std::out_of_range("no such kind");
    return kNames[kind];
}

std::string_view EmbeddedJson(int kind) {
    const std::string_view name = ContentFileName(kind);
    for (std::size_t i = 0; i < detail::kEmbeddedCount; ++i)
        if (name == detail::kEmbedded[i].name)
            return {reinterpret_cast<const char*>(detail::kEmbedded[i].data),
                    detail::kEmbedded[i].size};
    throw std::runtime_error("the sample content lacks " + std::string(name));
}

int PowerCode(std::string_view name) {
    return CodeOf(kPowerNames, name, "power");
}
int SoundCode(std::string_view name) {
    return CodeOf(kSoundNames, name, "sound");
}
int FacingCode(std::string_view name) {
    return CodeOf(kFacingNames, name, "facing");
}

std::string PowerName(int code) {
    if (code < 0 || code >= static_cast<int>(std::size(kPowerNames))) return {};
    return kPowerNames[code];
}

int TextWidth(int kind, int column) {
    switch (kind) {
        case kItem:
            return column == 1 ? 9 : column == 2 ? 32 : column == 3 ? 128 : 0;
        case kArmy:
            if (column == 1) return 16;
            if (column == 2) return 128;
            return column == 3 || (column >= 11 && column <= 17) ? 9 : 0;
        case kHero:
            if (column == 1 || column == 2) return 32;
            if (column == 3) return 128;
            if ((column >= 4 && column <= 6) || (column >= 12 && column <= 16)) return 9;
            if (column >= 19 && column <= 40) return 32;
            if (column >= 65 && column <= 92 && (column - 65) % 3 == 0) return 10;
            return column >= 103 && column <= 112 ? 16 : 0;
        case kSite:
            return column == 1 ? 16 : column == 2 ? 9 : 0;
        case kSpell:
            if (column == 1) return 16;
            if (column == 2) return 128;
            return column >= 7 && column <= 19 && column % 4 == 3 ? 10 : 0;
        default:
            return 0;
    }
}

std::vector<SampleObject> ParseKind(int kind, std::string_view text) {
    const std::string file = ContentFileName(kind);
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        throw std::runtime_error("sample " + file + " is not valid JSON: " + e.what());
    }
    if (!doc.is_array())
        throw std::runtime_error("sample " + file + " must hold a list of objects");
    std::vector<SampleObject> objects;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < doc.size(); ++i) {
        FieldReader r(doc[i], Where(kind, i, doc[i]));
        SampleObject o;
        switch (kind) {
            case kItem:
                o = ParseItem(r);
                break;
            case kArmy:
                o = ParseArmy(r);
                break;
            case kHero:
                o = ParseHero(r);
                break;
            case kSite:
                o = ParseSite(r);
                break;
            default:
                o = ParseSpell(r);
                break;
        }
        r.Finish();
        if (!seen.insert(o.shortName).second) r.Fail("short", "is used twice");
        objects.push_back(std::move(o));
    }
    return objects;
}

SampleContent LoadSampleContent() {
    SampleContent content;
    for (int kind = 0; kind < kKindCount; ++kind)
        content.kinds[kind] = ParseKind(kind, EmbeddedJson(kind));
    return content;
}

}  // namespace b3::sample
