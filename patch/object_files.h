// The objects of an installation as their files: the definition record and the pictures that
// belong to it, and the named values a patch speaks of. The values are the columns of the export
// (the table column names, without the short name) plus three of the files' own:
//
//   PictureFile              an army's or a site's picture (KEY.PCX), as base64 or null
//   PictureFileMale/Female   a hero's two pictures (KEYm.PCX, KEYf.PCX), as base64 or null
//   OtherBytes               the record's bytes that no value covers (gaps, text after its end,
//                            the short name inside the record, bytes past the record), as base64
//                            of the whole record with the values' own bytes zeroed
//
// so that two objects with equal values have byte-identical files.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "b3/edit_object.h"
#include "b3/table_columns.h"

namespace b3::patch {

using nlohmann::json;

// One named value of a kind.
struct FieldDef {
    enum class Type { Column, Picture, OtherBytes };
    std::string name;
    Type type = Type::Column;
    TableColumn column{};  // Column only
    int picture = 0;       // Picture only: the index into ObjectFiles::pictures
};

// The values of `kind` in the order of the export, then the pictures, then OtherBytes.
const std::vector<FieldDef>& FieldDefs(int kind);
// The value named `name` (letter case ignored); nothing for an unknown name or the short name.
const FieldDef* FindField(int kind, std::string_view name);
// The picture files of an object of `kind`: the suffixes added to its short name ("" army and
// site, "m" and "f" hero; none for items and spells).
std::vector<std::string> PictureSuffixes(int kind);

// One object as files.
struct ObjectFiles {
    int kind = 0;
    std::string name;                       // the short name as the file is named
    std::string recordPath;                 // full path
    std::string record;                     // its bytes
    std::vector<std::string> picturePaths;  // full paths, also of pictures that are missing
    std::vector<std::optional<std::string>> pictures;  // bytes; nothing when missing

    // Files and bytes alike.
    bool SameContent(const ObjectFiles& other) const {
        return record == other.record && pictures == other.pictures;
    }
};

// The object's values, one per FieldDefs(kind) entry: texts as strings, numbers as integers,
// pictures and OtherBytes as base64 (null for a missing picture).
std::vector<json> ObjectValues(const ObjectFiles& object);

// The record that holds `values` (one per FieldDefs entry; every value already checked) and the
// pictures they name: the inverse of ObjectValues. Fills record and pictures of `object`.
void SetObjectValues(ObjectFiles& object, const std::vector<json>& values);

// The values of a new object: zero numbers, empty texts, no pictures, a zero record.
std::vector<json> EmptyValues(int kind);

// Why `value` cannot be the value `field` (in words that say what to fix); nothing when it can.
std::optional<std::string> FieldValueProblem(int kind, const FieldDef& field, const json& value);

// A value for people: texts quoted, numbers as they are, pictures and other bytes by size.
std::string ShowValue(const FieldDef& field, const json& value);
// A value for scripts: as it is, except pictures and other bytes, shown by size and hash.
json SummaryValue(const FieldDef& field, const json& value);

// A hash of an object's files (record and pictures), "fnv1a64:" and 16 hexadecimal digits.
std::string ContentHash(const ObjectFiles& object);

std::string Base64Encode(std::string_view bytes);
// Nothing for text that is not base64.
std::optional<std::string> Base64Decode(std::string_view text);

// An installation folder as files. The kind folders are found whatever their letter case; each
// is listed once.
class Installation {
public:
    // Recover finishes a change of the folder that was stopped in the middle first; ReadOnly
    // writes nothing there ever and reads the files as they are (for a folder that is only
    // looked at, such as another installation compared with the one being edited).
    enum class Access { Recover, ReadOnly };

    // Fails with b3::Error (number 76) when the folder holds none of the kind folders.
    explicit Installation(std::string folder, Access access = Access::Recover);

    const std::string& folder() const { return folder_; }

    // The short names of a kind's objects, in the folder's order.
    const std::vector<std::string>& Names(int kind) const {
        return kinds_[static_cast<std::size_t>(kind)].names;
    }
    // The object of that short name (letter case ignored), read from disk; nothing when there is
    // none.
    std::optional<ObjectFiles> Load(int kind, std::string_view name) const;
    // Whether there is an object of that name.
    bool Has(int kind, std::string_view name) const;
    // The files a new object of that name would have (an existing picture file of that name is
    // found and read).
    ObjectFiles NewObject(int kind, const std::string& name) const;

private:
    struct Kind {
        std::string folder;
        std::vector<std::string> names;
        std::map<std::string, std::string> fileOfUpper;  // every file of the folder
        std::map<std::string, std::string> nameOfUpper;  // short name of each object
    };
    std::string PathOf(const Kind& kind, const std::string& file) const;

    std::string folder_;
    std::array<Kind, kKindCount> kinds_;
};

// The installation folder that an argument names: the folder itself, or for "@" the one the
// commands use (--install or the registered one).
std::string InstallationFolder(const std::string& argument, const CreateOptions& options);

}  // namespace b3::patch
