// Two patches against the same base as one.
#include <map>
#include <set>

#include "b3/history.h"
#include "patch/patch.h"
#include "platform/text1252.h"

namespace b3::patch {
namespace {

using Key = std::pair<int, std::string>;

Key KeyOf(int kind, const std::string& name) {
    return {kind, platform::AsciiUpper(name)};
}

template <class T>
std::map<Key, const T*> Index(const std::vector<T>& list) {
    std::map<Key, const T*> index;
    for (const T& e : list) index.emplace(KeyOf(e.kind, e.name), &e);
    return index;
}

std::vector<json> AddedValues(const AddedObject& a) {
    std::vector<json> values = EmptyValues(a.kind);
    const auto& defs = FieldDefs(a.kind);
    for (const auto& [field, value] : a.fields)
        for (std::size_t i = 0; i < defs.size(); ++i)
            if (defs[i].name == field) values[i] = value;
    return values;
}

class Merger {
public:
    Merger(const Patch& a, const Patch& b, char prefer) : a_(a), b_(b), prefer_(prefer) {}

    MergeResult Run() {
        const auto changedA = Index(a_.changed), changedB = Index(b_.changed);
        const auto addedA = Index(a_.added), addedB = Index(b_.added);
        const auto removedA = Index(a_.removed), removedB = Index(b_.removed);

        // An object the one patch changes or removes is in the base; one the other adds is not.
        for (const auto* added : {&addedA, &addedB}) {
            const auto& otherChanged = added == &addedA ? changedB : changedA;
            const auto& otherRemoved = added == &addedA ? removedB : removedA;
            for (const auto& [key, entry] : *added)
                if (otherChanged.count(key) || otherRemoved.count(key))
                    NotSameBase(entry->kind, entry->name);
        }

        // Changed objects, in the order of a, then those only b changes.
        std::set<Key> done;
        for (const Patch* p : {&a_, &b_}) {
            for (const ChangedObject& c : p->changed) {
                const Key key = KeyOf(c.kind, c.name);
                if (!done.insert(key).second) continue;
                const auto inA = changedA.find(key), inB = changedB.find(key);
                const ChangedObject* ca = inA == changedA.end() ? nullptr : inA->second;
                const ChangedObject* cb = inB == changedB.end() ? nullptr : inB->second;
                const bool removedInA = removedA.count(key) > 0,
                           removedInB = removedB.count(key) > 0;
                if ((ca && removedInB) || (cb && removedInA)) {
                    const char remover = removedInA ? 'a' : 'b';
                    result_.conflicts.push_back({c.kind, c.name, "(object)",
                                                 remover == 'a' ? "removed" : "changed",
                                                 remover == 'b' ? "removed" : "changed"});
                    if (prefer_ != 0 && prefer_ != remover) result_.patch.changed.push_back(c);
                    if (prefer_ == remover) removedWins_.insert(key);
                    removedConflict_.insert(key);
                    continue;
                }
                if (ca && cb) {
                    result_.patch.changed.push_back(MergeFields(*ca, *cb));
                } else {
                    result_.patch.changed.push_back(c);
                }
            }
        }
        std::erase_if(result_.patch.changed,
                      [](const ChangedObject& c) { return c.fields.empty(); });

        // Added objects: the same object added by both must be added alike.
        done.clear();
        for (const Patch* p : {&a_, &b_}) {
            for (const AddedObject& added : p->added) {
                const Key key = KeyOf(added.kind, added.name);
                if (!done.insert(key).second) continue;
                const auto inA = addedA.find(key), inB = addedB.find(key);
                if (inA == addedA.end() || inB == addedB.end()) {
                    result_.patch.added.push_back(added);
                    continue;
                }
                const std::vector<json> va = AddedValues(*inA->second),
                                        vb = AddedValues(*inB->second);
                if (va == vb) {
                    result_.patch.added.push_back(*inA->second);
                    continue;
                }
                const auto& defs = FieldDefs(added.kind);
                for (std::size_t i = 0; i < defs.size(); ++i) {
                    if (va[i] != vb[i])
                        result_.conflicts.push_back({added.kind, added.name, defs[i].name,
                                                     ShowValue(defs[i], va[i]),
                                                     ShowValue(defs[i], vb[i])});
                }
                if (prefer_ == 'a') result_.patch.added.push_back(*inA->second);
                if (prefer_ == 'b') result_.patch.added.push_back(*inB->second);
            }
        }

        // Removed objects: removed by both, or by one while the other leaves them alone.
        done.clear();
        for (const Patch* p : {&a_, &b_}) {
            for (const RemovedObject& r : p->removed) {
                const Key key = KeyOf(r.kind, r.name);
                if (!done.insert(key).second) continue;
                const auto inA = removedA.find(key), inB = removedB.find(key);
                if (inA != removedA.end() && inB != removedB.end() &&
                    inA->second->hash != inB->second->hash)
                    NotSameBase(r.kind, r.name);
                if (removedConflict_.count(key) && !removedWins_.count(key)) continue;
                result_.patch.removed.push_back(r);
            }
        }
        return std::move(result_);
    }

private:
    [[noreturn]] void NotSameBase(int kind, const std::string& name) const {
        throw PatchError(
            "the two patches were not made against the same installation: they "
            "disagree about what " +
            std::string(KindWord(kind)) + " " + name +
            " was before; merge only patches made from the same base");
    }

    ChangedObject MergeFields(const ChangedObject& a, const ChangedObject& b) {
        ChangedObject merged{a.kind, a.name, {}};
        std::set<std::string> done;
        for (const ChangedObject* c : {&a, &b}) {
            for (const FieldChange& f : c->fields) {
                if (!done.insert(f.field).second) continue;
                const FieldChange* fa = Find(a, f.field);
                const FieldChange* fb = Find(b, f.field);
                if (!fa || !fb || fa->after == fb->after) {
                    if (fa && fb && fa->before != fb->before) NotSameBase(a.kind, a.name);
                    merged.fields.push_back(f);
                    continue;
                }
                if (fa->before != fb->before) NotSameBase(a.kind, a.name);
                const FieldDef* def = FindField(a.kind, f.field);
                result_.conflicts.push_back({a.kind, a.name, f.field, ShowValue(*def, fa->after),
                                             ShowValue(*def, fb->after)});
                if (prefer_ == 'a') merged.fields.push_back(*fa);
                if (prefer_ == 'b') merged.fields.push_back(*fb);
            }
        }
        return merged;
    }

    static const FieldChange* Find(const ChangedObject& c, const std::string& field) {
        for (const FieldChange& f : c.fields)
            if (f.field == field) return &f;
        return nullptr;
    }

    const Patch& a_;
    const Patch& b_;
    char prefer_;
    MergeResult result_;
    std::set<Key> removedConflict_, removedWins_;
};

}  // namespace

MergeResult MergePatches(const Patch& a, const Patch& b, char prefer, std::string name,
                         std::string description) {
    MergeResult result = Merger(a, b, prefer).Run();
    result.patch.name = std::move(name);
    result.patch.description = std::move(description);
    return result;
}

}  // namespace b3::patch
