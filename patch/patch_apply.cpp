// Applying a patch: every value is checked against the installation first; the files are then
// replaced as one change.
#include "b3/file_transaction.h"
#include "b3/history.h"
#include "patch/patch.h"

namespace b3::patch {
namespace {

std::size_t IndexOf(int kind, const std::string& field) {
    const auto& defs = FieldDefs(kind);
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (defs[i].name == field) return i;
    return defs.size();
}

class Applier {
public:
    Applier(const Patch& patch, const std::string& folder, ConflictChoice choice,
            const MessageSink& messages, const platform::WriteFaults* faults)
        : patch_(patch),
          install_(folder),
          choice_(choice),
          transaction_(folder, "patch", patch.name, messages, faults) {}

    ApplyReport Run(bool dryRun) {
        for (const ChangedObject& c : patch_.changed) Changed(c);
        for (const AddedObject& a : patch_.added) Added(a);
        for (const RemovedObject& r : patch_.removed) Removed(r);
        report_.files = transaction_.changes().size();
        if (dryRun || (!report_.conflicts.empty() && choice_ == ConflictChoice::Refuse))
            return report_;
        transaction_.Commit();
        report_.written = true;
        return report_;
    }

private:
    std::string Label(int kind, const std::string& name) const {
        return std::string(KindWord(kind)) + ' ' + name;
    }

    // A change made (or to be made), as a line and value by value.
    void Planned(std::string line, int kind, const std::string& name, const std::string& field,
                 std::string before, std::string after) {
        report_.changes.push_back(std::move(line));
        report_.planned.push_back({kind, name, field, std::move(before), std::move(after)});
    }

    void Conflicted(int kind, const std::string& name, const std::string& field, std::string base,
                    std::string current, std::string patch) {
        report_.conflicts.push_back(
            {kind, name, field, std::move(base), std::move(current), std::move(patch)});
    }

    // Stages the files of `after` that differ from `before`.
    void Stage(const ObjectFiles& before, const ObjectFiles& after, bool exists) {
        if (!exists || before.record != after.record)
            transaction_.Replace(after.recordPath, after.record, after.kind, after.name);
        for (std::size_t i = 0; i < after.pictures.size(); ++i) {
            if (after.pictures[i] == before.pictures[i]) continue;
            if (after.pictures[i]) {
                transaction_.Replace(after.picturePaths[i], *after.pictures[i], after.kind,
                                     after.name);
            } else {
                transaction_.Remove(after.picturePaths[i], after.kind, after.name);
            }
        }
    }

    void Changed(const ChangedObject& c) {
        const auto object = install_.Load(c.kind, c.name);
        const std::string label = Label(c.kind, c.name);
        if (!object) {
            Conflicted(c.kind, c.name, "(object)", "present", "missing", "changed");
            report_.skipped.push_back(label + ": not in the installation; its " +
                                      std::to_string(c.fields.size()) +
                                      " changed values are left out");
            return;
        }
        const std::vector<json> values = ObjectValues(*object);
        std::vector<json> next = values;
        const auto& defs = FieldDefs(c.kind);
        for (const FieldChange& f : c.fields) {
            const std::size_t i = IndexOf(c.kind, f.field);
            const FieldDef& def = defs[i];
            if (values[i] == f.after) continue;
            const std::string change = label + ": " + f.field + ": " + ShowValue(def, values[i]) +
                                       " -> " + ShowValue(def, f.after);
            if (values[i] == f.before) {
                next[i] = f.after;
                Planned(change, c.kind, object->name, f.field, ShowValue(def, values[i]),
                        ShowValue(def, f.after));
                continue;
            }
            Conflicted(c.kind, object->name, f.field, ShowValue(def, f.before),
                       ShowValue(def, values[i]), ShowValue(def, f.after));
            if (choice_ == ConflictChoice::Force) {
                next[i] = f.after;
                Planned(change + " (in place of a value of its own)", c.kind, object->name, f.field,
                        ShowValue(def, values[i]), ShowValue(def, f.after));
            }
        }
        if (next == values) return;
        ObjectFiles changed = *object;
        SetObjectValues(changed, next);
        Stage(*object, changed, true);
        ++report_.objectsChanged;
    }

    void Added(const AddedObject& a) {
        std::vector<json> values = EmptyValues(a.kind);
        for (const auto& [field, value] : a.fields) values[IndexOf(a.kind, field)] = value;
        const std::string label = Label(a.kind, a.name);
        const auto existing = install_.Load(a.kind, a.name);
        if (existing) {
            const std::vector<json> current = ObjectValues(*existing);
            if (current == values) return;
            const auto& defs = FieldDefs(a.kind);
            for (std::size_t i = 0; i < defs.size(); ++i) {
                if (current[i] != values[i])
                    Conflicted(a.kind, existing->name, defs[i].name, "(not in the base)",
                               ShowValue(defs[i], current[i]), ShowValue(defs[i], values[i]));
            }
            if (choice_ != ConflictChoice::Force) return;
            ObjectFiles replaced = *existing;
            SetObjectValues(replaced, values);
            Stage(*existing, replaced, true);
            Planned(label + ": added in place of an object of its own", a.kind, existing->name,
                    "(object)", "present", "added");
            ++report_.objectsAdded;
            return;
        }
        const ObjectFiles before = install_.NewObject(a.kind, a.name);
        ObjectFiles added = before;
        SetObjectValues(added, values);
        Stage(before, added, false);
        Planned(label + ": added", a.kind, a.name, "(object)", "missing", "added");
        ++report_.objectsAdded;
    }

    void Removed(const RemovedObject& r) {
        const auto existing = install_.Load(r.kind, r.name);
        if (!existing) return;
        const std::string label = Label(r.kind, existing->name);
        if (ContentHash(*existing) != r.hash) {
            Conflicted(r.kind, existing->name, "(object)", "as in the base", "changed since",
                       "removed");
            if (choice_ != ConflictChoice::Force) return;
        }
        transaction_.Remove(existing->recordPath, r.kind, existing->name);
        for (std::size_t i = 0; i < existing->pictures.size(); ++i)
            if (existing->pictures[i])
                transaction_.Remove(existing->picturePaths[i], r.kind, existing->name);
        Planned(label + ": removed", r.kind, existing->name, "(object)", "present", "removed");
        ++report_.objectsRemoved;
    }

    const Patch& patch_;
    Installation install_;
    ConflictChoice choice_;
    FileTransaction transaction_;
    ApplyReport report_;
};

}  // namespace

ApplyReport ApplyPatch(const Patch& patch, const std::string& folder, ConflictChoice choice,
                       bool dryRun, const MessageSink& messages,
                       const platform::WriteFaults* faults) {
    return Applier(patch, folder, choice, messages, faults).Run(dryRun);
}

}  // namespace b3::patch
