// The sample installation: a complete, small game world of our own, kept as readable JSON (one
// file per kind, embedded into the library at build time) and turned into the game's binary
// definition files and pictures on request.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "b3/edit_object.h"

namespace b3::sample {

// One object of the sample: its short name and the cells of its data array row (column 0, the
// row index, stays empty). Armies also carry their two type words, which the record holds but the
// writer leaves alone.
struct SampleObject {
    std::string shortName;
    ObjectArray cells;
    std::array<std::string, 2> typeWords;
};

// The objects of the five kinds, indexed by kind code.
struct SampleContent {
    std::array<std::vector<SampleObject>, kKindCount> kinds;
};

// The JSON file name of a kind ("items.json", "armies.json", ...) and its embedded text.
const char* ContentFileName(int kind);
std::string_view EmbeddedJson(int kind);

// Parses the JSON text of one kind. Throws std::runtime_error naming the object and the field for
// anything that cannot become a record: unknown or missing fields, unknown power, sound or facing
// names, numbers out of their field's range, texts longer than their field (counted in
// Windows-1252 bytes) or holding a character Windows-1252 lacks, bad or duplicate short names.
std::vector<SampleObject> ParseKind(int kind, std::string_view json);

// All five embedded kinds, parsed.
SampleContent LoadSampleContent();

// The codes of the names used in the JSON: power type, sound and facing names as the conversions
// name them ("Trample", "Gallop", "South"). Throw std::invalid_argument for an unknown name.
int PowerCode(std::string_view name);
int SoundCode(std::string_view name);
int FacingCode(std::string_view name);

// The display name of a code (the inverse of the above); empty for a code without a name.
std::string PowerName(int code);

// The data array column of `kind` that the kind's table calls `name` ("PowerType",
// "Level3XP"; the names of b3/table_columns.h, spelt exactly). The sample's builders address
// every cell by these names; a name the table lacks fails with number 9.
int ColumnOf(int kind, std::string_view name);

// The width in bytes of the text field at `column` of `kind`, 0 for a column that is no text.
int TextWidth(int kind, int column);

// Writes the sample installation into `dir` (created when missing): Items, Army, Hero, Sites and
// Spell with their definition files and pictures, and EDPICTS with the two templates. Every file
// is prepared in memory first and each is replaced whole, so a failure leaves no half-written
// file. Throws std::runtime_error with a clear message on failure.
void WriteSampleInstallation(const std::string& dir);

}  // namespace b3::sample
