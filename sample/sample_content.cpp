// Turns the readable JSON of the sample installation into data array rows.
#include <cctype>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "b3/record_layout.h"
#include "b3/table_columns.h"
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

std::string Numbered(const char* prefix, int n, const char* suffix = "") {
    return prefix + std::to_string(n) + suffix;
}

// The column of `kind` that the table names `name`, spelt exactly as the table spells it.
const TableColumn& NamedColumn(int kind, std::string_view name) {
    return TableColumnNamed(kind, name, "sample");
}

// One row of a kind's data array, filled by the column names of the kind's table, so that the
// builders below follow the record layouts as the readers and writers do. A number takes its
// column's cell type and range, a text its column's width. A name the table lacks, a value of the
// wrong sort or out of its column's range and a column left unfilled are faults of this file:
// they stop the first load of the sample.
class Row {
public:
    explicit Row(int kind) : kind_(kind), cells_(static_cast<std::size_t>(kColumnCount[kind])) {}

    void Text(std::string_view name, std::string text) {
        At(TextColumn(name)) = Cell::text(std::move(text));
    }

    void Number(std::string_view name, std::int64_t value) {
        const TableColumn& c = NumberColumn(name);
        if (value < c.min || value > c.max)
            Fault("the value " + std::to_string(value) + " does not fit the column \"" +
                  std::string(name) + "\"");
        switch (c.type) {
            case Cell::Type::Byte:
                At(c) = Cell::byte(static_cast<std::uint8_t>(value));
                break;
            case Cell::Type::Integer:
                At(c) = Cell::integer(static_cast<std::int16_t>(value));
                break;
            default:
                At(c) = Cell::long_(static_cast<std::int32_t>(value));
                break;
        }
    }

    // The text or number `key` of `r`, checked against the column's width or range.
    void TextFrom(std::string_view name, FieldReader& r, const std::string& key,
                  bool required = true) {
        Text(name, r.Text(key, Width(name), required));
    }
    void NumberFrom(std::string_view name, FieldReader& r, const std::string& key,
                    std::optional<std::int64_t> fallback = std::nullopt) {
        const TableColumn& c = NumberColumn(name);
        Number(name, r.Number(key, c.min, c.max, fallback));
    }

    // The column's empty value: 0 or an empty text.
    void Blank(std::string_view name) {
        if (NamedColumn(kind_, name).type == Cell::Type::Text)
            Text(name, {});
        else
            Number(name, 0);
    }

    int Width(std::string_view name) const { return TextColumn(name).width; }

    // The finished row; every column but the row index must have been filled.
    ObjectArray Finish() && {
        for (const TableColumn& c : TableColumns(kind_))
            if (cells_[static_cast<std::size_t>(c.column)].isEmpty())
                Fault("the column \"" + c.name + "\" is never filled");
        return std::move(cells_);
    }

private:
    [[noreturn]] void Fault(const std::string& what) const {
        throw Error(kErrSubscript, "sample", std::string(LayoutOf(kind_).kindName) + ": " + what);
    }

    const TableColumn& TextColumn(std::string_view name) const {
        const TableColumn& c = NamedColumn(kind_, name);
        if (c.type != Cell::Type::Text) Fault("the column \"" + c.name + "\" holds no text");
        return c;
    }
    const TableColumn& NumberColumn(std::string_view name) const {
        const TableColumn& c = NamedColumn(kind_, name);
        if (c.type == Cell::Type::Text) Fault("the column \"" + c.name + "\" holds no number");
        return c;
    }

    b3::Cell& At(const TableColumn& c) { return cells_[static_cast<std::size_t>(c.column)]; }

    int kind_;
    ObjectArray cells_;
};

// The width of the short name inside every record but the spell's, which has none.
constexpr int kShortNameWidth = 9;
// The item pictures the game offers.
constexpr int kItemIcons = 32;

std::string ShortName(FieldReader& r, int kind) {
    const std::size_t maxLength = static_cast<std::size_t>(ShortNameLimit(kind));
    const std::string s = r.Text("short", kShortNameWidth);
    if (s.empty() || s.size() > maxLength)
        r.Fail("short", "must have 1 to " + std::to_string(maxLength) + " characters");
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (!(std::isupper(c) || std::isdigit(c) || c == '_'))
            r.Fail("short", "may hold only upper-case letters, digits and underscores");
    }
    return s;
}

// The terrain words of the move bonus list into MoveBonus1 to MoveBonus4.
void MoveBonuses(FieldReader& r, Row& row) {
    const json& list = r.Array("moveBonus", 4, false);
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string column = Numbered("MoveBonus", static_cast<int>(i) + 1);
        std::string word;
        if (i < list.size()) {
            word = r.CheckText("moveBonus", list[i], row.Width(column));
            if (!IsOneOf(kMoveTerrains, word))
                r.Fail("moveBonus", "unknown terrain \"" + word + "\"");
        }
        row.Text(column, word);
    }
}

// The combat bonus terrain and value.
void CombatBonus(FieldReader& r, Row& row) {
    const json* bonus = r.Find("combatBonus");
    if (!bonus) {
        row.Blank("CombatBonusTerrain");
        row.Blank("CombatBonusValue");
        return;
    }
    FieldReader b(*bonus, r.where() + ", combatBonus");
    const std::string terrain = b.Text("terrain", row.Width("CombatBonusTerrain"));
    if (!IsOneOf(kCombatTerrains, terrain))
        b.Fail("terrain", "unknown terrain \"" + terrain + "\"");
    row.Text("CombatBonusTerrain", terrain);
    row.NumberFrom("CombatBonusValue", b, "value");
    b.Finish();
}

// The list "powers" of `r` into the power slots Power1... to Power<slots>...: `fill` reads each
// listed power from its own object into the columns of its slot ("Power2" and so on); the
// columns `fields` of the slots after the last listed power stay blank.
template <class Fill>
void PowerSlots(FieldReader& r, Row& row, int slots, std::initializer_list<const char*> fields,
                Fill fill) {
    const json& powers = r.Array("powers", static_cast<std::size_t>(slots));
    for (int p = 1; p <= slots; ++p) {
        const std::string slot = Numbered("Power", p);
        if (p > static_cast<int>(powers.size())) {
            for (const char* field : fields) row.Blank(slot + field);
            continue;
        }
        FieldReader pr(powers[static_cast<std::size_t>(p - 1)],
                       r.where() + ", power " + std::to_string(p));
        fill(pr, slot);
        pr.Finish();
    }
}

// Reads the list `key`, which must give all `count` entries: each an object that `read` takes
// with its number (from 1). `entry` names one entry in messages.
template <typename Read>
void CompleteList(FieldReader& r, const std::string& key, int count, const std::string& entry,
                  Read read) {
    const json& list = r.Array(key, static_cast<std::size_t>(count));
    if (list.size() != static_cast<std::size_t>(count))
        r.Fail(key, "must list all " + std::to_string(count) + " " + entry + "s");
    for (int n = 1; n <= count; ++n) {
        FieldReader er(list[static_cast<std::size_t>(n - 1)],
                       r.where() + ", " + entry + " " + std::to_string(n));
        read(er, n);
        er.Finish();
    }
}

int PowerType(FieldReader& pr) {
    return pr.Code("type", kPowerNames, "power");
}

// The one power of an army or a site, its field "power": its type and value into the columns
// named.
void OnePower(FieldReader& r, Row& row, const char* typeColumn, const char* valueColumn) {
    FieldReader pr(r.Require("power"), r.where() + ", power");
    row.Number(typeColumn, PowerType(pr));
    row.NumberFrom(valueColumn, pr, "value");
    pr.Finish();
}

std::string Where(int kind, std::size_t index, const json& entry) {
    std::string where =
        std::string("sample ") + LayoutOf(kind).kindName + " " + std::to_string(index + 1);
    if (entry.is_object() && entry.contains("short") && entry["short"].is_string())
        where += " (" + entry["short"].get<std::string>() + ")";
    return where;
}

void ParseItem(FieldReader& r, SampleObject& o, Row& row) {
    o.shortName = ShortName(r, kItem);
    row.Text("ShortName", o.shortName);
    row.TextFrom("DisplayName", r, "name");
    row.TextFrom("Description", r, "description");
    row.NumberFrom("RelativePower", r, "relativePower");
    row.Number("IconNumber", r.Number("icon", 0, kItemIcons - 1));
    row.NumberFrom("Cost", r, "cost");
    PowerSlots(r, row, 2, {"Type", "Value"}, [&](FieldReader& pr, const std::string& slot) {
        row.Number(slot + "Type", PowerType(pr));
        row.NumberFrom(slot + "Value", pr, "value");
    });
}

void ParseArmy(FieldReader& r, SampleObject& o, Row& row) {
    o.shortName = ShortName(r, kArmy);
    row.TextFrom("DisplayName", r, "name");
    row.TextFrom("Description", r, "description");
    row.Text("ShortName", o.shortName);
    row.NumberFrom("MedalChance", r, "medalChance");
    row.NumberFrom("Strength", r, "strength");
    row.NumberFrom("Move", r, "move");
    row.NumberFrom("Hits", r, "hits");
    row.NumberFrom("Turns", r, "turns");
    row.NumberFrom("Upkeep", r, "upkeep");
    row.NumberFrom("View", r, "view");
    const json& types = r.Array("types", o.typeWords.size(), false);
    for (std::size_t i = 0; i < o.typeWords.size(); ++i) {
        const std::string column = Numbered("TypeWord", static_cast<int>(i) + 1);
        if (i < types.size()) o.typeWords[i] = r.CheckText("types", types[i], row.Width(column));
        row.Text(column, o.typeWords[i]);
    }
    MoveBonuses(r, row);
    CombatBonus(r, row);
    row.Blank("Unnamed224");
    row.NumberFrom("BuildCost", r, "buildCost");
    row.NumberFrom("SetupCost", r, "setupCost");
    OnePower(r, row, "PowerType", "PowerValue");
    row.Number("Sound", r.Code("sound", kSoundNames, "sound"));
    row.Number("DefaultFacing", r.Code("facing", kFacingNames, "facing"));
    row.Blank("Unnamed248");
    row.Blank("Unnamed250");
}

void ParseHero(FieldReader& r, SampleObject& o, Row& row) {
    o.shortName = ShortName(r, kHero);
    row.TextFrom("DisplayNameMale", r, "nameMale");
    row.TextFrom("DisplayNameFemale", r, "nameFemale");
    row.TextFrom("Description", r, "description");
    row.Text("ShortName", o.shortName);
    row.Text("PictureMale", o.shortName + "m");
    row.Text("PictureFemale", o.shortName + "f");
    row.NumberFrom("MedalChanceAddition", r, "medalChance");
    row.NumberFrom("Strength", r, "strength");
    row.NumberFrom("Move", r, "move");
    row.NumberFrom("Hits", r, "hits");
    row.NumberFrom("View", r, "view");
    MoveBonuses(r, row);
    CombatBonus(r, row);
    row.Blank("Unnamed270");

    CompleteList(r, "levels", 11, "level", [&](FieldReader& lr, int l) {
        row.TextFrom(Numbered("Level", l, "NameMale"), lr, "male");
        row.TextFrom(Numbered("Level", l, "NameFemale"), lr, "female");
        row.NumberFrom(Numbered("Level", l, "XP"), lr, "xp");
        row.NumberFrom(Numbered("Level", l, "AP"), lr, "ap");
    });

    PowerSlots(r, row, 10, {"Type", "Value", "Descrip", "Cost"},
               [&](FieldReader& pr, const std::string& slot) {
                   row.Number(slot + "Type", PowerType(pr));
                   row.NumberFrom(slot + "Value", pr, "value");
                   row.TextFrom(slot + "Descrip", pr, "descrip", false);
                   row.NumberFrom(slot + "Cost", pr, "cost");
               });

    CompleteList(r, "defaultNames", 10, "default name", [&](FieldReader& nr, int n) {
        row.TextFrom(Numbered("DefaultName", n), nr, "name");
        const std::string gender = nr.Text("gender", 6);
        if (gender != "male" && gender != "female") nr.Fail("gender", "must be male or female");
        row.Number(Numbered("DefaultName", n, "Gender"), gender == "female" ? 1 : 0);
    });
    row.Number("Sound", r.Code("sound", kSoundNames, "sound"));
    row.Number("Facing", r.Code("facing", kFacingNames, "facing"));
    row.Blank("Unnamed1372");
    row.Blank("Unnamed1376");
}

void ParseSite(FieldReader& r, SampleObject& o, Row& row) {
    o.shortName = ShortName(r, kSite);
    row.TextFrom("DisplayName", r, "name");
    row.Text("ShortName", o.shortName);
    OnePower(r, row, "Power1Type", "Power1Value");
    for (const auto& [column, key] : {std::pair{"CanRaze", "canRaze"},
                                      {"RegAnimOperational", "regAnimOperational"},
                                      {"RegAnimRazed", "regAnimRazed"},
                                      {"RegAnimUnused", "regAnimUnused"}})
        row.Number(column, r.Flag(key) ? 1 : 0);
}

void ParseSpell(FieldReader& r, SampleObject& o, Row& row) {
    o.shortName = ShortName(r, kSpell);
    row.TextFrom("DisplayName", r, "name");
    row.TextFrom("Description", r, "description");
    row.NumberFrom("Mana", r, "mana");
    PowerSlots(r, row, 4, {"Type", "Value1", "Value2", "Description"},
               [&](FieldReader& pr, const std::string& slot) {
                   row.Number(slot + "Type", PowerType(pr));
                   row.NumberFrom(slot + "Value1", pr, "value1");
                   row.NumberFrom(slot + "Value2", pr, "value2", 0);
                   row.TextFrom(slot + "Description", pr, "description", false);
               });
    // The spell's identity is its file; the writer puts the full path here.
    row.Text("File", o.shortName + ".SPL");
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

int ColumnOf(int kind, std::string_view name) {
    return NamedColumn(kind, name).column;
}

int TextWidth(int kind, int column) {
    if (kind < 0 || kind >= kKindCount) return 0;
    for (const TableColumn& c : TableColumns(kind))
        if (c.column == column && c.type == Cell::Type::Text) return c.width;
    return 0;
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
        Row row(kind);
        switch (kind) {
            case kItem:
                ParseItem(r, o, row);
                break;
            case kArmy:
                ParseArmy(r, o, row);
                break;
            case kHero:
                ParseHero(r, o, row);
                break;
            case kSite:
                ParseSite(r, o, row);
                break;
            default:
                ParseSpell(r, o, row);
                break;
        }
        r.Finish();
        o.cells = std::move(row).Finish();
        if (!seen.insert(o.shortName).second) r.Fail("short", "is used twice");
        objects.push_back(std::move(o));
    }
    return objects;
}

SampleContent LoadSampleContent() {
    SampleContent content;
    for (int kind = 0; kind < kKindCount; ++kind)
        content.kinds[static_cast<std::size_t>(kind)] = ParseKind(kind, EmbeddedJson(kind));
    return content;
}

}  // namespace b3::sample
