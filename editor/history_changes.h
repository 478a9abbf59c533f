// What a version kept in the history holds that differs from its file as it is now: a
// definition file field by field, under the names the export gives its columns, and the bytes
// that belong to no field in plain words; any other file (a picture, a site's text) as a whole.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "b3/history.h"

namespace b3::editor {

struct FieldDifference {
    QString field;  // "Display Name", "Unnamed 224", "Unused bytes between the fields", "Picture"
    QString kept;   // the kept version's value
    QString now;    // the file's value now; "(deleted)" when the file is gone
};

// The differences of `kept`, the bytes kept of `entry`'s file, from `now`, the file's bytes now
// (nothing: the file is gone, and every field of the kept version is listed).
std::vector<FieldDifference> VersionDifferences(const b3::HistoryEntry& entry,
                                                const std::string& kept,
                                                const std::optional<std::string>& now);

// Whether the entry's file is a definition file of its kind (".ARM" of an army, and so on).
bool IsDefinitionFile(const b3::HistoryEntry& entry);

}  // namespace b3::editor
