// Writes the sample installation: definition files through the server's own record layouts, and
// our own pictures.
#include "sample/sample.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "b3/record_layout.h"
#include "formats/pcx.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/text1252.h"
#include "sample/pictures.h"

namespace b3::sample {

namespace {

using platform::JoinPath;

struct PendingFile {
    std::string path;
    std::string bytes;
};

// The record's bytes before the writer runs: zeros, with the texts of the fields the writer never
// touches (the army's type words) already in place.
std::string PresetBytes(const RecordLayout& layout, const SampleObject& object) {
    std::string bytes(static_cast<std::size_t>(layout.recordLength), '\0');
    if (layout.kind != kArmy) return bytes;
    const int wordColumns[] = {ColumnOf(kArmy, "TypeWord1"), ColumnOf(kArmy, "TypeWord2")};
    for (const FieldLayout& field : layout.fields) {
        if (field.access != FieldAccess::ReadOnly || field.encoding != FieldEncoding::Text)
            continue;
        const auto at = std::find(std::begin(wordColumns), std::end(wordColumns), field.column);
        if (at == std::end(wordColumns)) continue;
        const auto word = static_cast<std::size_t>(at - std::begin(wordColumns));
        const auto text = platform::EncodeCp1252(object.typeWords[word]);
        if (!text || static_cast<int>(text->size()) > field.width ||
            field.offset + field.width > layout.recordLength)
            throw std::runtime_error("sample army " + object.shortName + ": type word \"" +
                                     object.typeWords[word] + "\" does not fit its field");
        bytes.replace(static_cast<std::size_t>(field.offset), text->size(), *text);
    }
    return bytes;
}

void AddPicture(std::vector<PendingFile>& files, std::string path, const pcx::Picture& picture) {
    files.push_back({std::move(path), pcx::EncodePcx(picture)});
}

}  // namespace

void WriteSampleInstallation(const std::string& dir) {
    if (dir.empty()) throw std::runtime_error("no folder given for the sample installation");
    const SampleContent content = LoadSampleContent();

    std::vector<std::string> folders;
    std::vector<PendingFile> files;
    for (int kind = 0; kind < kKindCount; ++kind) {
        const RecordLayout& layout = LayoutOf(kind);
        const std::string folder = JoinPath(dir, layout.subfolder);
        folders.push_back(folder);
        for (const SampleObject& object : content.kinds[static_cast<std::size_t>(kind)]) {
            const std::string path = JoinPath(folder, object.shortName + layout.extension);
            ObjectArray cells = object.cells;
            // The spell's file is its identity: its cell holds the full path.
            if (kind == kSpell)
                cells[static_cast<std::size_t>(layout.shortNameColumn)] = Cell::text(path);
            try {
                files.push_back({path, EncodeRecord(kind, cells, PresetBytes(layout, object))});
            } catch (const Error& e) {
                throw std::runtime_error("sample " + std::string(layout.kindName) + " " +
                                         object.shortName + " cannot be encoded: error " +
                                         std::to_string(e.number()) + " in " + e.source() + ": " +
                                         e.description());
            }
            switch (kind) {
                case kArmy:
                    AddPicture(files, JoinPath(folder, object.shortName + ".PCX"),
                               pcx::ArmyPortrait(object.shortName));
                    break;
                case kHero:
                    AddPicture(files, JoinPath(folder, object.shortName + "m.PCX"),
                               pcx::HeroPortrait(object.shortName, false));
                    AddPicture(files, JoinPath(folder, object.shortName + "f.PCX"),
                               pcx::HeroPortrait(object.shortName, true));
                    break;
                case kSite:
                    AddPicture(files, JoinPath(folder, object.shortName + ".PCX"),
                               pcx::SitePortrait(object.shortName));
                    break;
                default:
                    break;
            }
        }
    }
    const std::string pics = JoinPath(dir, "EDPICTS");
    folders.push_back(pics);
    AddPicture(files, JoinPath(pics, "NEWARMY.PCX"), pcx::NewArmyTemplate());
    AddPicture(files, JoinPath(pics, "NEWSITE.PCX"), pcx::NewSiteTemplate());

    // Everything is ready in memory; only now does the disk change.
    for (const std::string& folder : folders) {
        std::error_code ec;
        std::filesystem::create_directories(platform::FsPath(folder), ec);
        if (ec || !platform::IsDirectory(folder))
            throw std::runtime_error("cannot create the folder " + folder + ": " +
                                     (ec ? ec.message() : "a file of that name is in the way"));
    }
    for (const PendingFile& file : files) {
        std::error_code ec;
        if (!platform::ReplaceFileContents(file.path, file.bytes, ec))
            throw std::runtime_error("cannot write " + file.path + ": " + ec.message());
    }
}

}  // namespace b3::sample
