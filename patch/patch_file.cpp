// The patch file: written as ordered JSON, read with every entry checked.
#include <map>
#include <ostream>
#include <set>

#include "b3/history.h"
#include "b3/record_layout.h"
#include "engine/json_input.h"
#include "patch/patch.h"
#include "platform/files.h"
#include "platform/text1252.h"

namespace b3::patch {
namespace {

using ordered = nlohmann::ordered_json;

// The values are flat (null, whole numbers, texts): copied over as they are.
ordered Ordered(const json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_unsigned()) return value.get<std::uint64_t>();
    if (value.is_number_integer()) return value.get<std::int64_t>();
    return nullptr;
}

// "an army", "a hero".
std::string AKind(int kind) {
    return (kind == kItem || kind == kArmy ? "an " : "a ") + std::string(KindWord(kind));
}

class Reader {
public:
    explicit Reader(std::string file) : file_(std::move(file)) {}

    Patch Read(const json& doc) {
        if (!doc.is_object()) Fail("", "a patch is a JSON object");
        const auto format = doc.find("format");
        if (format == doc.end() || *format != "b3patch")
            Fail("", "this is no patch file (its \"format\" is not \"b3patch\")");
        const auto version = doc.find("version");
        if (version == doc.end() || !version->is_number_integer())
            Fail("", "the patch has no format \"version\"");
        if (*version != kPatchVersion) {
            Fail("", "the patch is written in version " + version->dump() +
                         " of the patch format; this b3cli reads version " +
                         std::to_string(kPatchVersion) +
                         ". Use a b3cli that reads it, or make "
                         "the patch again");
        }
        for (const auto& [key, value] : doc.items()) {
            static const std::set<std::string> known = {
                "format", "version", "name", "description", "changed", "added", "removed"};
            if (!known.count(key)) Fail("", "\"" + key + "\" is not part of a patch");
        }
        Patch patch;
        patch.name = OptionalText(doc, "name");
        patch.description = OptionalText(doc, "description");
        ForEach(doc, "changed", [&](const json& e, const std::string& at) {
            patch.changed.push_back(ReadChanged(e, at));
        });
        ForEach(doc, "added", [&](const json& e, const std::string& at) {
            patch.added.push_back(ReadAdded(e, at));
        });
        ForEach(doc, "removed", [&](const json& e, const std::string& at) {
            patch.removed.push_back(ReadRemoved(e, at));
        });
        return patch;
    }

private:
    [[noreturn]] void Fail(const std::string& entry, const std::string& problem) const {
        throw PatchError(engine::InputName(file_) + (entry.empty() ? "" : ": " + entry) + ": " +
                         problem + "; nothing was changed");
    }

    std::string OptionalText(const json& doc, const char* key) const {
        const auto hit = doc.find(key);
        if (hit == doc.end() || hit->is_null()) return {};
        if (!hit->is_string()) Fail(key, "a text is needed");
        return hit->get<std::string>();
    }

    template <class F>
    void ForEach(const json& doc, const char* key, F&& read) {
        const auto hit = doc.find(key);
        if (hit == doc.end()) return;
        if (!hit->is_array()) Fail(key, "a list of objects is needed");
        for (std::size_t i = 0; i < hit->size(); ++i)
            read((*hit)[i], std::string(key) + "[" + std::to_string(i) + "]");
    }

    // The kind and name of an entry, checked; `at` becomes "changed[3] (army ORC)".
    std::pair<int, std::string> Identity(const json& e, std::string& at, bool adding) {
        if (!e.is_object()) Fail(at, "an object with \"kind\", \"name\" and its changes is needed");
        const auto kind = e.find("kind");
        const int code = kind != e.end() && kind->is_string() ? KindFromWord(*kind) : -1;
        if (code < 0) Fail(at, "\"kind\" must be item, army, hero, site or spell");
        const auto name = e.find("name");
        if (name == e.end() || !name->is_string()) Fail(at, "\"name\" must be the short name");
        const std::string text = name->get<std::string>();
        at += " (" + std::string(KindWord(code)) + " " + engine::Excerpt(*name) + ")";
        if (auto problem = FileNameProblem(text))
            Fail(at, "the name cannot be a file name on Windows: " + *problem);
        const auto limit = static_cast<std::size_t>(ShortNameLimit(code));
        if (adding && platform::Utf8Length(text) > limit) {
            Fail(at, "a new " + std::string(KindWord(code)) + "'s short name has at most " +
                         std::to_string(limit) + " characters");
        }
        if (!seen_.emplace(std::to_string(code) + platform::AsciiUpper(text), at).second)
            Fail(at, "the object is in the patch twice (also as " +
                         seen_[std::to_string(code) + platform::AsciiUpper(text)] + ")");
        for (const auto& [key, value] : e.items()) {
            if (key != "kind" && key != "name" && key != "fields" && key != "hash")
                Fail(at, "\"" + key + "\" is not part of an entry");
        }
        return {code, text};
    }

    const FieldDef& Field(int kind, const std::string& key, const std::string& at) const {
        const FieldDef* def = FindField(kind, key);
        if (def) return *def;
        const TableColumn& keyColumn = TableColumns(kind).front();
        if (platform::EqualsIgnoreCase(key, keyColumn.name))
            Fail(at, "the " + keyColumn.name + " names the object and cannot change");
        std::string names;
        for (const FieldDef& d : FieldDefs(kind)) names += (names.empty() ? "" : ", ") + d.name;
        Fail(at, "the field \"" + key + "\" does not exist for " + AKind(kind) +
                     " (the fields are " + names + ")");
    }

    void CheckValue(int kind, const FieldDef& def, const json& value, const std::string& at,
                    const char* which) const {
        if (auto problem = FieldValueProblem(kind, def, value)) {
            Fail(at + ", field " + def.name + (which ? std::string(" (") + which + ")" : ""),
                 (def.column.type == Cell::Type::Text && def.type == FieldDef::Type::Column
                      ? engine::Excerpt(value) + ": "
                      : "") +
                     *problem);
        }
    }

    const json& Fields(const json& e, const std::string& at) const {
        const auto fields = e.find("fields");
        if (fields == e.end() || !fields->is_object())
            Fail(at, "\"fields\" must be an object of values by field name");
        return *fields;
    }

    ChangedObject ReadChanged(const json& e, std::string at) {
        auto [kind, name] = Identity(e, at, false);
        ChangedObject c{kind, name, {}};
        std::set<std::string> names;
        for (const auto& [key, change] : Fields(e, at).items()) {
            const FieldDef& def = Field(kind, key, at);
            if (!names.insert(def.name).second)
                Fail(at, "the field " + def.name + " is there twice");
            if (!change.is_object() || !change.contains("old") || !change.contains("new") ||
                change.size() != 2)
                Fail(at + ", field " + def.name, "a change is {\"old\": value, \"new\": value}");
            CheckValue(kind, def, change["old"], at, "old");
            CheckValue(kind, def, change["new"], at, "new");
            c.fields.push_back({def.name, change["old"], change["new"]});
        }
        return c;
    }

    AddedObject ReadAdded(const json& e, std::string at) {
        auto [kind, name] = Identity(e, at, true);
        AddedObject a{kind, name, {}};
        std::set<std::string> names;
        for (const auto& [key, value] : Fields(e, at).items()) {
            const FieldDef& def = Field(kind, key, at);
            if (!names.insert(def.name).second)
                Fail(at, "the field " + def.name + " is there twice");
            CheckValue(kind, def, value, at, nullptr);
            a.fields.emplace_back(def.name, value);
        }
        return a;
    }

    RemovedObject ReadRemoved(const json& e, std::string at) {
        auto [kind, name] = Identity(e, at, false);
        const auto hash = e.find("hash");
        if (hash == e.end() || !hash->is_string() ||
            hash->get<std::string>().rfind("fnv1a64:", 0) != 0)
            Fail(at, "\"hash\" must be the removed object's hash (\"fnv1a64:...\")");
        return {kind, name, hash->get<std::string>()};
    }

    std::string file_;
    std::map<std::string, std::string> seen_;
};

}  // namespace

namespace {

// The patch as JSON in the order a person reads it: each entry's kind and name first, the fields
// in the order of the export.
ordered OrderedPatch(const Patch& patch) {
    ordered doc;
    doc["format"] = "b3patch";
    doc["version"] = kPatchVersion;
    doc["name"] = patch.name;
    doc["description"] = patch.description;
    doc["changed"] = ordered::array();
    for (const ChangedObject& c : patch.changed) {
        ordered fields = ordered::object();
        for (const FieldChange& f : c.fields)
            fields[f.field] = {{"old", Ordered(f.before)}, {"new", Ordered(f.after)}};
        doc["changed"].push_back(
            {{"kind", KindWord(c.kind)}, {"name", c.name}, {"fields", fields}});
    }
    doc["added"] = ordered::array();
    for (const AddedObject& a : patch.added) {
        ordered fields = ordered::object();
        for (const auto& [field, value] : a.fields) fields[field] = Ordered(value);
        doc["added"].push_back({{"kind", KindWord(a.kind)}, {"name", a.name}, {"fields", fields}});
    }
    doc["removed"] = ordered::array();
    for (const RemovedObject& r : patch.removed)
        doc["removed"].push_back({{"kind", KindWord(r.kind)}, {"name", r.name}, {"hash", r.hash}});
    return doc;
}

}  // namespace

Patch PatchFromJson(const json& doc, const std::string& file) {
    return Reader(file).Read(doc);
}

Patch ReadPatch(const std::string& file) {
    const std::string text = engine::ReadLimitedInput(file, kMaxPatchBytes, "a patch");
    return PatchFromJson(engine::ParseJsonInput(text, file), file);
}

void WritePatch(const Patch& patch, const std::string& file, std::ostream& out) {
    const std::string text =
        OrderedPatch(patch).dump(2, ' ', false, ordered::error_handler_t::replace) + '\n';
    if (file == "-") {
        out << text;
        return;
    }
    std::error_code ec;
    if (!platform::ReplaceFileContents(file, text, ec))
        throw PatchError("cannot write " + file + ": " + ec.message());
}

}  // namespace b3::patch
