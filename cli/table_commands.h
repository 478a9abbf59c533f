// The batch commands on an open installation: export and import of a kind's objects as a table,
// and the installation check. Each writes what it did or found to `out`.
#pragma once

#include <iosfwd>
#include <string>

#include "b3/edit_object.h"

namespace b3cli {

// Writes every object of `kind` to FILE as CSV, or as JSON when FILE ends in ".json"; "-" writes
// JSON to `out`.
void ExportTable(const b3::_CEditObject& object, int kind, const std::string& file,
                 std::ostream& out);
// Reads a table as ExportTable writes it, matches its rows to the objects by short name (spells:
// by file name), checks every cell, then writes the objects that differ (new names create new
// objects with their picture templates) and lists the changes field by field. With `dryRun` it
// writes nothing. A bad cell throws std::runtime_error naming the row, the column and the value
// before anything is written; a failing write puts back the files written before it. A version
// the history cannot keep is told through `messages`; the change meets `faults` (none but in
// tests).
void ImportTable(b3::_CEditObject& object, int kind, const std::string& file, bool dryRun,
                 std::ostream& out, const b3::MessageSink& messages = {},
                 const b3::platform::WriteFaults* faults = nullptr);
// Lists the installation's problems, one "KIND NAME: problem" line each or a JSON array; returns
// 1 when there is any, else 0.
int CheckInstallation(const b3::_CEditObject& object, bool json, std::ostream& out);

}  // namespace b3cli
