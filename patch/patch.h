// Mods as patches: the differences between two installations, object by object and value by
// value, and the patch file that carries them from one installation to another.
//
// A patch file is JSON:
//
//   {"format": "b3patch", "version": 1, "name": "...", "description": "...",
//    "changed": [{"kind": "army", "name": "ORC",
//                 "fields": {"Strength": {"old": 5, "new": 6}, ...}}, ...],
//    "added":   [{"kind": "army", "name": "TROLL", "fields": {"DisplayName": "Troll", ...}}],
//    "removed": [{"kind": "site", "name": "RUIN", "hash": "fnv1a64:..."}]}
//
// The value names are those of object_files.h. Every value is checked when the file is read, so
// a patch that is read can be applied as far as its values go.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "b3/message_sink.h"
#include "patch/object_files.h"

namespace b3::platform {
class WriteFaults;  // platform/files.h
}

namespace b3::patch {

inline constexpr int kPatchVersion = 1;
// Patches larger than this are refused before they are parsed (pictures make them larger than
// the other JSON inputs).
inline constexpr std::size_t kMaxPatchBytes = 64u << 20;

// A patch or an installation that cannot be used; the message names the entry and what to fix.
class PatchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct FieldChange {
    std::string field;  // the name as FieldDefs spells it
    json before;        // "old"
    json after;         // "new"
};

struct ChangedObject {
    int kind = 0;
    std::string name;
    std::vector<FieldChange> fields;
};

struct AddedObject {
    int kind = 0;
    std::string name;
    // The object's values; a value the patch leaves out is zero, empty or no picture.
    std::vector<std::pair<std::string, json>> fields;
};

struct RemovedObject {
    int kind = 0;
    std::string name;
    std::string hash;  // ContentHash of the object as the base holds it
};

struct Patch {
    std::string name;
    std::string description;
    std::vector<ChangedObject> changed;
    std::vector<AddedObject> added;
    std::vector<RemovedObject> removed;
};

// ---------------------------------------------------------------------------------------------
// Differences

struct ObjectDifference {
    int kind = 0;
    std::string name;
    std::vector<FieldChange> fields;  // before: A's value, after: B's
};

struct InstallationDifference {
    std::vector<std::pair<int, std::string>> onlyInA;
    std::vector<std::pair<int, std::string>> onlyInB;
    std::vector<ObjectDifference> changed;
    bool empty() const { return onlyInA.empty() && onlyInB.empty() && changed.empty(); }
};

// The differences of the kinds in `kinds` (all when empty), objects matched by short name
// without regard to letter case; each kind in the order of A's folder, then B's.
InstallationDifference Compare(const Installation& a, const Installation& b,
                               const std::vector<int>& kinds = {});

// The values of one object that differ (pictures by content).
std::vector<FieldChange> CompareObject(const ObjectFiles& a, const ObjectFiles& b);

// Text for people: "army ORC: Strength: 5 -> 6" lines, then a summary line.
void WriteDifferenceText(const InstallationDifference& difference, const std::string& a,
                         const std::string& b, std::ostream& out);
// JSON for scripts: {"a", "b", "onlyInA", "onlyInB", "changed"}.
json DifferenceJson(const InstallationDifference& difference, const std::string& a,
                    const std::string& b);

// ---------------------------------------------------------------------------------------------
// Patch files

// The patch that turns `base` into `modded`.
Patch MakePatch(const Installation& base, const Installation& modded, std::string name,
                std::string description);

Patch PatchFromJson(const json& doc, const std::string& file);
// Reads FILE ("-" for standard input) within kMaxPatchBytes and the JSON inputs' nesting limit,
// and checks every entry. Throws PatchError (or the JSON input's error) naming the entry.
Patch ReadPatch(const std::string& file);
// Writes the patch to FILE (replaced whole), or to `out` for "-".
void WritePatch(const Patch& patch, const std::string& file, std::ostream& out);

// ---------------------------------------------------------------------------------------------
// Applying

enum class ConflictChoice { Refuse, Force, Keep };

struct Conflict {
    int kind = 0;
    std::string object;
    std::string field;  // "(object)" when the whole object is at stake
    std::string base;   // shown as ShowValue does
    std::string current;
    std::string patch;
};

// One change of an apply, value by value, for tables.
struct PlannedChange {
    int kind = 0;
    std::string object;
    std::string field;   // "(object)" when the whole object is added or removed
    std::string before;  // shown as ShowValue does; for a whole object "missing" or "present"
    std::string after;   // for a whole object "added" or "removed"
};

struct ApplyReport {
    std::vector<std::string> changes;    // "army ORC: Strength: 5 -> 6", "army TROLL: added", ...
    std::vector<PlannedChange> planned;  // the same changes, one per line of `changes`
    std::vector<Conflict> conflicts;
    std::vector<std::string> skipped;  // changes that could not be made (object missing)
    std::size_t objectsChanged = 0, objectsAdded = 0, objectsRemoved = 0, files = 0;
    bool written = false;
};

// Applies `patch` to the installation in `folder`: every value whose current value is the
// patch's old one takes the new one; any other is a conflict. With conflicts and Refuse nothing
// is written; Force takes the patch's values, Keep the installation's. The files are replaced as
// one change (FileTransaction), each kept in the history first; a version the history cannot
// keep is told through `messages` (standard error when it is empty); the change meets `faults`
// (none but in tests). With `dryRun` nothing is written.
ApplyReport ApplyPatch(const Patch& patch, const std::string& folder, ConflictChoice choice,
                       bool dryRun, const MessageSink& messages = {},
                       const platform::WriteFaults* faults = nullptr);

// ---------------------------------------------------------------------------------------------
// Merging

struct MergeConflict {
    int kind = 0;
    std::string object;
    std::string field;  // "(object)" when one patch removes what the other changes
    std::string a;
    std::string b;
};

struct MergeResult {
    Patch patch;
    std::vector<MergeConflict> conflicts;
};

// Both patches' changes. A value that both change to different values, an object that one
// removes and the other changes, an object both add differently: a conflict, taken from the
// patch `prefer` names ('a' or 'b'), or left out when it names none (0). Throws PatchError when
// the two were not made against the same base (one's old value is not the other's).
MergeResult MergePatches(const Patch& a, const Patch& b, char prefer, std::string name,
                         std::string description);

}  // namespace b3::patch
