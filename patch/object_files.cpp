#include "patch/object_files.h"

#include <cstdio>
#include <limits>

#include "b3/file_transaction.h"
#include "b3/record_layout.h"
#include "platform/files.h"
#include "platform/hash.h"
#include "platform/native_path.h"
#include "platform/text1252.h"

namespace b3::patch {
namespace {

constexpr const char* kOtherBytes = "OtherBytes";
// A record with more bytes than this after it is no definition file of the game.
constexpr std::size_t kMaxRecordFile = 1u << 20;

std::vector<FieldDef> BuildDefs(int kind) {
    const RecordLayout& layout = LayoutOf(kind);
    std::vector<FieldDef> defs;
    for (const TableColumn& c : TableColumns(kind)) {
        if (c.column == layout.shortNameColumn) continue;
        FieldDef d;
        d.name = c.name;
        d.column = c;
        defs.push_back(std::move(d));
    }
    const std::vector<std::string> suffixes = PictureSuffixes(kind);
    for (std::size_t i = 0; i < suffixes.size(); ++i) {
        FieldDef d;
        d.type = FieldDef::Type::Picture;
        d.picture = static_cast<int>(i);
        d.name = suffixes[i].empty()  ? "PictureFile"
                 : suffixes[i] == "m" ? "PictureFileMale"
                                      : "PictureFileFemale";
        defs.push_back(std::move(d));
    }
    FieldDef other;
    other.type = FieldDef::Type::OtherBytes;
    other.name = kOtherBytes;
    defs.push_back(std::move(other));
    return defs;
}

json CellJson(const Cell& cell) {
    if (cell.isText()) return cell.str();
    if (cell.isNumber()) return cell.number();
    return nullptr;
}

// The record with the bytes of every value zeroed: what OtherBytes holds.
std::string Residue(int kind, std::string_view record) {
    const RecordLayout& layout = LayoutOf(kind);
    std::string bytes(record);
    if (bytes.size() < static_cast<std::size_t>(layout.recordLength))
        bytes.resize(static_cast<std::size_t>(layout.recordLength), '\0');
    for (const FieldLayout& f : layout.fields) {
        if (f.access == FieldAccess::WriteOnly) continue;
        char* at = bytes.data() + f.offset;
        switch (f.encoding) {
            case FieldEncoding::Text:
                for (int i = 0; i < f.width && at[i] != '\0'; ++i) at[i] = '\0';
                break;
            case FieldEncoding::IconByte:
                at[0] = static_cast<char>(static_cast<unsigned char>(at[0]) & 3u);
                break;
            default:
                for (int i = 0; i < f.width; ++i) at[i] = '\0';
                break;
        }
    }
    return bytes;
}

}  // namespace

const std::vector<FieldDef>& FieldDefs(int kind) {
    static const std::array<std::vector<FieldDef>, kKindCount> all = {
        BuildDefs(kItem), BuildDefs(kArmy), BuildDefs(kHero), BuildDefs(kSite), BuildDefs(kSpell)};
    return all.at(static_cast<std::size_t>(kind));
}

const FieldDef* FindField(int kind, std::string_view name) {
    for (const FieldDef& d : FieldDefs(kind))
        if (platform::EqualsIgnoreCase(d.name, name)) return &d;
    return nullptr;
}

std::vector<std::string> PictureSuffixes(int kind) {
    switch (kind) {
        case kArmy:
        case kSite:
            return {""};
        case kHero:
            return {"m", "f"};
        default:
            return {};
    }
}

std::vector<json> ObjectValues(const ObjectFiles& object) {
    const ObjectArray row = DecodeRecord(object.kind, object.record, 0, object.name);
    std::vector<json> values;
    const auto& defs = FieldDefs(object.kind);
    values.reserve(defs.size());
    for (const FieldDef& d : defs) {
        switch (d.type) {
            case FieldDef::Type::Column:
                values.push_back(CellJson(row[static_cast<std::size_t>(d.column.column)]));
                break;
            case FieldDef::Type::Picture: {
                const auto& picture = object.pictures[static_cast<std::size_t>(d.picture)];
                values.push_back(picture ? json(Base64Encode(*picture)) : json(nullptr));
                break;
            }
            case FieldDef::Type::OtherBytes:
                values.push_back(Base64Encode(Residue(object.kind, object.record)));
                break;
        }
    }
    return values;
}

void SetObjectValues(ObjectFiles& object, const std::vector<json>& values) {
    const RecordLayout& layout = LayoutOf(object.kind);
    const auto& defs = FieldDefs(object.kind);
    std::vector<const json*> ofColumn(static_cast<std::size_t>(layout.columns), nullptr);
    std::string record;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const FieldDef& d = defs[i];
        if (d.type == FieldDef::Type::Column) {
            ofColumn[static_cast<std::size_t>(d.column.column)] = &values[i];
        } else if (d.type == FieldDef::Type::Picture) {
            auto& picture = object.pictures[static_cast<std::size_t>(d.picture)];
            picture.reset();
            if (values[i].is_string()) picture = Base64Decode(values[i].get<std::string>());
        } else {
            record = Base64Decode(values[i].get<std::string>()).value_or(std::string());
        }
    }
    if (record.size() < static_cast<std::size_t>(layout.recordLength))
        record.resize(static_cast<std::size_t>(layout.recordLength), '\0');
    for (const FieldLayout& f : layout.fields) {
        if (f.access == FieldAccess::WriteOnly) continue;
        const json& value = *ofColumn[static_cast<std::size_t>(f.column)];
        char* at = record.data() + f.offset;
        if (f.encoding == FieldEncoding::Text) {
            const std::string text =
                platform::EncodeCp1252(value.get<std::string>()).value_or(std::string());
            const std::size_t n = std::min(text.size(), static_cast<std::size_t>(f.width));
            std::copy_n(text.data(), n, at);
            if (n < static_cast<std::size_t>(f.width)) at[n] = '\0';
            continue;
        }
        const auto n = value.get<std::int64_t>();
        if (f.encoding == FieldEncoding::IconByte) {
            at[0] = static_cast<char>(((n * 4) & 0xFC) | (static_cast<unsigned char>(at[0]) & 3));
            continue;
        }
        const auto u = static_cast<std::uint64_t>(n);
        for (int i = 0; i < f.width; ++i) at[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    }
    object.record = std::move(record);
}

std::vector<json> EmptyValues(int kind) {
    std::vector<json> values;
    for (const FieldDef& d : FieldDefs(kind)) {
        switch (d.type) {
            case FieldDef::Type::Column:
                values.push_back(d.column.type == Cell::Type::Text ? json("") : json(0));
                break;
            case FieldDef::Type::Picture:
                values.push_back(nullptr);
                break;
            case FieldDef::Type::OtherBytes:
                values.push_back(Base64Encode(
                    std::string(static_cast<std::size_t>(LayoutOf(kind).recordLength), '\0')));
                break;
        }
    }
    return values;
}

std::optional<std::string> FieldValueProblem(int kind, const FieldDef& field, const json& value) {
    switch (field.type) {
        case FieldDef::Type::Column: {
            const TableColumn& c = field.column;
            if (c.type == Cell::Type::Text) {
                if (!value.is_string()) return std::string("a text is needed");
                return ValueProblem(c, Cell::text(value.get<std::string>()));
            }
            const std::string range = std::to_string(c.min) + " to " + std::to_string(c.max);
            if (!value.is_number_integer()) return "a whole number is needed (" + range + ")";
            if (value.is_number_unsigned() &&
                value.get<std::uint64_t>() >
                    static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                return value.dump() + " does not fit: " + range;
            const auto n = value.get<std::int64_t>();
            if (n < c.min || n > c.max) return std::to_string(n) + " does not fit: " + range;
            return std::nullopt;
        }
        case FieldDef::Type::Picture:
            if (value.is_null()) return std::nullopt;
            if (!value.is_string() || !Base64Decode(value.get<std::string>()))
                return std::string("a picture is the file's bytes as base64, or null for none");
            return std::nullopt;
        case FieldDef::Type::OtherBytes: {
            const auto length = static_cast<std::size_t>(LayoutOf(kind).recordLength);
            std::optional<std::string> bytes;
            if (value.is_string()) bytes = Base64Decode(value.get<std::string>());
            if (!bytes) return std::string("the record's bytes are needed as base64");
            if (bytes->size() < length || bytes->size() > kMaxRecordFile) {
                return "the record has " + std::to_string(bytes->size()) + " bytes; a " +
                       LayoutOf(kind).kindName + " record has " + std::to_string(length);
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::string ShowValue(const FieldDef& field, const json& value) {
    if (field.type == FieldDef::Type::Column)
        return value.dump(-1, ' ', false, json::error_handler_t::replace);
    if (value.is_null()) return "no picture";
    const std::string bytes = Base64Decode(value.get<std::string>()).value_or(std::string());
    return std::string(field.type == FieldDef::Type::Picture ? "picture" : "record") + " of " +
           std::to_string(bytes.size()) + " bytes #" + platform::Fnv1aHex(bytes).substr(0, 8);
}

json SummaryValue(const FieldDef& field, const json& value) {
    if (field.type == FieldDef::Type::Column || value.is_null()) return value;
    const std::string bytes = Base64Decode(value.get<std::string>()).value_or(std::string());
    return {{"bytes", bytes.size()}, {"fnv1a64", platform::Fnv1aHex(bytes)}};
}

std::string ContentHash(const ObjectFiles& object) {
    std::uint64_t h = platform::Fnv1a(std::to_string(object.record.size()) + ":");
    h = platform::Fnv1a(object.record, h);
    for (const auto& picture : object.pictures) {
        h = platform::Fnv1a(picture ? std::to_string(picture->size()) + ":" : std::string("-"), h);
        if (picture) h = platform::Fnv1a(*picture, h);
    }
    return "fnv1a64:" + platform::Hex16(h);
}

std::string Base64Encode(std::string_view bytes) {
    static const char* const digits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += digits[v >> 18];
        out += digits[(v >> 12) & 63];
        out += digits[(v >> 6) & 63];
        out += digits[v & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           (two ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0u);
        out += digits[v >> 18];
        out += digits[(v >> 12) & 63];
        out += two ? digits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::string> Base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    const auto digit = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int pad = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
        if (pad == 1 && text[i + 2] == '=') return std::nullopt;
        unsigned v = 0;
        for (int j = 0; j < 4; ++j) {
            const int d = j >= 4 - pad ? 0 : digit(text[i + static_cast<std::size_t>(j)]);
            if (d < 0) return std::nullopt;
            v = v << 6 | static_cast<unsigned>(d);
        }
        out += static_cast<char>(v >> 16);
        if (pad < 2) out += static_cast<char>((v >> 8) & 0xFF);
        if (pad < 1) out += static_cast<char>(v & 0xFF);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------

Installation::Installation(std::string folder, Access access) : folder_(std::move(folder)) {
    if (access == Access::Recover) RecoverInstallation(folder_);
    bool any = false;
    for (int k = 0; k < kKindCount; ++k) {
        const RecordLayout& layout = LayoutOf(k);
        Kind& kind = kinds_[static_cast<std::size_t>(k)];
        kind.folder =
            platform::JoinPath(folder_, platform::FindEntryIgnoreCase(folder_, layout.subfolder));
        if (!platform::IsDirectory(kind.folder)) continue;
        any = true;
        std::error_code ec;
        const std::string extension = layout.extension;
        for (std::string& file : platform::ListFiles(kind.folder, "*", ec)) {
            const std::string upper = platform::AsciiUpper(file);
            if (upper.size() > extension.size() &&
                upper.compare(upper.size() - extension.size(), extension.size(), extension) == 0) {
                std::string stem = file.substr(0, file.size() - extension.size());
                if (kind.nameOfUpper.emplace(platform::AsciiUpper(stem), stem).second)
                    kind.names.push_back(std::move(stem));
            }
            kind.fileOfUpper.emplace(upper, std::move(file));
        }
        if (ec) throw Error(kErrPathNotFound, "Installation", "cannot list " + kind.folder);
    }
    if (!any) {
        throw Error(kErrPathNotFound, "Installation",
                    folder_ +
                        " is not an installation of the game: it holds none of the folders "
                        "Items, Army, Hero, Sites and Spell");
    }
}

std::string Installation::PathOf(const Kind& kind, const std::string& file) const {
    const auto hit = kind.fileOfUpper.find(platform::AsciiUpper(file));
    return platform::JoinPath(kind.folder, hit == kind.fileOfUpper.end() ? file : hit->second);
}

bool Installation::Has(int kind, std::string_view name) const {
    return kinds_[static_cast<std::size_t>(kind)].nameOfUpper.count(platform::AsciiUpper(name)) > 0;
}

ObjectFiles Installation::NewObject(int kind, const std::string& name) const {
    const Kind& k = kinds_[static_cast<std::size_t>(kind)];
    ObjectFiles object;
    object.kind = kind;
    object.name = name;
    object.recordPath = PathOf(k, name + LayoutOf(kind).extension);
    for (const std::string& suffix : PictureSuffixes(kind)) {
        const std::string file = name + suffix + ".PCX";
        object.picturePaths.push_back(PathOf(k, file));
        std::optional<std::string> bytes;
        if (k.fileOfUpper.count(platform::AsciiUpper(file))) {
            std::string read;
            std::error_code ec;
            if (!platform::ReadFileBytes(object.picturePaths.back(), read, ec))
                throw Error(kErrPathFileAccess, "Installation",
                            "cannot read " + object.picturePaths.back() + ": " + ec.message());
            bytes = std::move(read);
        }
        object.pictures.push_back(std::move(bytes));
    }
    return object;
}

std::optional<ObjectFiles> Installation::Load(int kind, std::string_view name) const {
    const Kind& k = kinds_[static_cast<std::size_t>(kind)];
    const auto hit = k.nameOfUpper.find(platform::AsciiUpper(name));
    if (hit == k.nameOfUpper.end()) return std::nullopt;
    ObjectFiles object = NewObject(kind, hit->second);
    std::error_code ec;
    if (!platform::ReadFileBytes(object.recordPath, object.record, ec, kMaxRecordFile + 1) ||
        object.record.size() > kMaxRecordFile)
        throw Error(kErrPathFileAccess, "Installation",
                    "cannot read " + object.recordPath + ": " +
                        (ec ? ec.message() : std::string("larger than any definition file")));
    return object;
}

std::string InstallationFolder(const std::string& argument, const CreateOptions& options) {
    if (argument == "@") return LocateInstallation(options).folder;
    std::string folder = argument;
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    return folder;
}

}  // namespace b3::patch
