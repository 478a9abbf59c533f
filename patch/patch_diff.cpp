// The differences of two installations, and the patch made from them.
#include <algorithm>
#include <ostream>

#include "b3/history.h"
#include "b3/record_layout.h"
#include "patch/patch.h"

namespace b3::patch {
namespace {

std::vector<int> KindsOrAll(const std::vector<int>& kinds) {
    if (!kinds.empty()) return kinds;
    std::vector<int> all;
    for (int k = 0; k < kKindCount; ++k) all.push_back(k);
    return all;
}

}  // namespace

std::vector<FieldChange> CompareObject(const ObjectFiles& a, const ObjectFiles& b) {
    std::vector<FieldChange> changes;
    if (a.SameContent(b)) return changes;
    const std::vector<json> va = ObjectValues(a);
    const std::vector<json> vb = ObjectValues(b);
    const auto& defs = FieldDefs(a.kind);
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (va[i] != vb[i]) changes.push_back({defs[i].name, va[i], vb[i]});
    return changes;
}

InstallationDifference Compare(const Installation& a, const Installation& b,
                               const std::vector<int>& kinds) {
    InstallationDifference d;
    for (int kind : KindsOrAll(kinds)) {
        for (const std::string& name : a.Names(kind)) {
            if (!b.Has(kind, name)) {
                d.onlyInA.emplace_back(kind, name);
                continue;
            }
            const auto oa = a.Load(kind, name);
            const auto ob = b.Load(kind, name);
            std::vector<FieldChange> fields = CompareObject(*oa, *ob);
            if (!fields.empty()) d.changed.push_back({kind, name, std::move(fields)});
        }
        for (const std::string& name : b.Names(kind))
            if (!a.Has(kind, name)) d.onlyInB.emplace_back(kind, name);
    }
    return d;
}

void WriteDifferenceText(const InstallationDifference& d, const std::string& a,
                         const std::string& b, std::ostream& out) {
    if (d.empty()) {
        out << "No differences between " << a << " and " << b << '\n';
        return;
    }
    out << "--- " << a << "\n+++ " << b << '\n';
    for (const auto& [kind, name] : d.onlyInA)
        out << "only in A: " << KindWord(kind) << ' ' << name << '\n';
    for (const auto& [kind, name] : d.onlyInB)
        out << "only in B: " << KindWord(kind) << ' ' << name << '\n';
    std::size_t values = 0;
    for (const ObjectDifference& o : d.changed) {
        for (const FieldChange& f : o.fields) {
            const FieldDef& def = *FindField(o.kind, f.field);
            out << KindWord(o.kind) << ' ' << o.name << ": " << f.field << ": "
                << ShowValue(def, f.before) << " -> " << ShowValue(def, f.after) << '\n';
            ++values;
        }
    }
    out << d.onlyInA.size() << " only in A, " << d.onlyInB.size() << " only in B, "
        << d.changed.size() << " changed (" << values << (values == 1 ? " value" : " values")
        << ")\n";
}

json DifferenceJson(const InstallationDifference& d, const std::string& a, const std::string& b) {
    const auto refs = [](const std::vector<std::pair<int, std::string>>& list) {
        json out = json::array();
        for (const auto& [kind, name] : list)
            out.push_back({{"kind", KindWord(kind)}, {"name", name}});
        return out;
    };
    json changed = json::array();
    for (const ObjectDifference& o : d.changed) {
        json fields = json::array();
        for (const FieldChange& f : o.fields) {
            const FieldDef& def = *FindField(o.kind, f.field);
            fields.push_back({{"field", f.field},
                              {"a", SummaryValue(def, f.before)},
                              {"b", SummaryValue(def, f.after)}});
        }
        changed.push_back({{"kind", KindWord(o.kind)}, {"name", o.name}, {"fields", fields}});
    }
    return {{"a", a},
            {"b", b},
            {"onlyInA", refs(d.onlyInA)},
            {"onlyInB", refs(d.onlyInB)},
            {"changed", changed}};
}

Patch MakePatch(const Installation& base, const Installation& modded, std::string name,
                std::string description) {
    const InstallationDifference d = Compare(base, modded);
    Patch patch;
    patch.name = std::move(name);
    patch.description = std::move(description);
    for (const ObjectDifference& o : d.changed) patch.changed.push_back({o.kind, o.name, o.fields});
    for (const auto& [kind, objectName] : d.onlyInB) {
        const ObjectFiles object = *modded.Load(kind, objectName);
        const std::vector<json> values = ObjectValues(object);
        const std::vector<json> empty = EmptyValues(kind);
        const auto& defs = FieldDefs(kind);
        AddedObject added{kind, object.name, {}};
        for (std::size_t i = 0; i < defs.size(); ++i) {
            // Every column is written out; a missing picture and a record with nothing outside
            // its values are the defaults and left out.
            if (defs[i].type != FieldDef::Type::Column && values[i] == empty[i]) continue;
            added.fields.emplace_back(defs[i].name, values[i]);
        }
        patch.added.push_back(std::move(added));
    }
    for (const auto& [kind, objectName] : d.onlyInA) {
        const ObjectFiles object = *base.Load(kind, objectName);
        patch.removed.push_back({kind, object.name, ContentHash(object)});
    }
    return patch;
}

}  // namespace b3::patch
