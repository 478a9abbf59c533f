// The checks of an installation before a mod ships.
#include "b3/install_check.h"

#include <filesystem>
#include <map>
#include <set>

#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "platform/file_names.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/text1252.h"
#include "server_internal.h"

namespace b3 {
namespace {

class Checker {
public:
    explicit Checker(const _CEditObject& object) : object_(object) {
        for (int kind = 0; kind < kKindCount; ++kind) {
            data_[kind] = object.GetEditObjectData(kind);
            std::error_code ec;
            files_[kind] = platform::ListFiles(Folder(kind), "*", ec);
            if (ec) throw detail::FileError(ec, "CheckInstallation", Folder(kind) + "/x");
            // Names as text, as the server reads them from the listing: one that is not UTF-8
            // is read as Windows-1252, as the game reads it, and so matches the name its record
            // gives.
            for (const std::string& file : files_[kind])
                upperFiles_[kind].insert(detail::UpperName(platform::FileNameText(file)));
        }
    }

    std::vector<InstallProblem> Run() {
        for (int kind = 0; kind < kKindCount; ++kind) {
            FileNames(kind);
            for (std::size_t row = 0; row < data_[kind].rows(); ++row) {
                const std::string name = ShortName(kind, row);
                ShortNameRule(kind, name);
                Codes(kind, row, name);
                if (kind == kArmy) Picture(kind, name, name + ".PCX");
                if (kind == kHero) HeroRow(row, name);
                if (kind == kSpell) Summons(row, name);
            }
        }
        return std::move(problems_);
    }

private:
    std::string Folder(int kind) const { return KindFolder(object_, kind); }

    std::string ShortName(int kind, std::size_t row) const {
        const Cell& cell =
            data_[kind].at(row, static_cast<std::size_t>(LayoutOf(kind).shortNameColumn));
        if (kind != kSpell) return cell.str();
        const std::string& path = cell.str();
        const std::string file = path.substr(path.find_last_of("/\\") + 1);
        return file.size() > 4 ? file.substr(0, file.size() - 4) : file;
    }

    void Add(int kind, const std::string& name, std::string problem) {
        problems_.push_back({kind, name, std::move(problem)});
    }

    // Files of a folder whose names only differ in case, and records shorter than their layout.
    void FileNames(int kind) {
        std::map<std::string, std::string> seen;
        for (const std::string& raw : files_[kind]) {
            const std::string file = platform::FileNameText(raw);
            const auto [it, added] = seen.emplace(detail::UpperName(file), file);
            if (!added) {
                Add(kind, file,
                    "the file name differs only in letter case from " + it->second +
                        "; Windows keeps only one of them");
            }
        }
        const RecordLayout& layout = LayoutOf(kind);
        for (const std::string& file : files_[kind]) {
            if (!platform::EqualsIgnoreCase(
                    file.size() >= 4 ? std::string_view(file).substr(file.size() - 4) : "",
                    layout.extension))
                continue;
            std::error_code ec;
            const auto size = std::filesystem::file_size(
                platform::FsPath(platform::JoinPath(Folder(kind), file)), ec);
            if (!ec && size < static_cast<std::uintmax_t>(layout.recordLength)) {
                Add(kind, platform::FileNameText(file),
                    "the file has " + std::to_string(size) + " bytes; its record needs " +
                        std::to_string(layout.recordLength));
            }
        }
    }

    void ShortNameRule(int kind, const std::string& name) {
        if (auto problem = FileNameProblem(name)) {
            Add(kind, name, "Windows cannot hold the short name: " + *problem);
        } else if (platform::Utf8Length(name) > static_cast<std::size_t>(ShortNameLimit(kind))) {
            Add(kind, name,
                "the short name is longer than " + std::to_string(ShortNameLimit(kind)) +
                    " characters");
        }
    }

    void Picture(int kind, const std::string& name, const std::string& file) {
        if (!upperFiles_[kind].contains(detail::UpperName(file)))
            Add(kind, name, "the picture file " + file + " is missing");
    }

    // One of the three code conversions of the object.
    using Namer = std::string (_CEditObject::*)(const std::int16_t&) const;
    static constexpr Namer kPower = &_CEditObject::ConvertPowerTypeToName;
    static constexpr Namer kSound = &_CEditObject::ConvertSoundToName;
    static constexpr Namer kFacing = &_CEditObject::ConvertFacingToName;

    void Code(int kind, const std::string& name, const std::string& what, Namer namer,
              const Cell& cell) {
        const auto code = static_cast<std::int16_t>(cell.number());
        try {
            (object_.*namer)(code);
        } catch (const Error&) {
            Add(kind, name, what + " " + std::to_string(code) + " has no name");
        }
    }

    void Codes(int kind, std::size_t row, const std::string& name) {
        const DataArray& d = data_[kind];
        switch (kind) {
            case kItem:
                Code(kind, name, "power 1 type", kPower, d.at(row, 7));
                Code(kind, name, "power 2 type", kPower, d.at(row, 9));
                break;
            case kArmy:
                Code(kind, name, "power type", kPower, d.at(row, 22));
                Code(kind, name, "sound", kSound, d.at(row, 24));
                Code(kind, name, "default facing", kFacing, d.at(row, 25));
                break;
            case kHero:
                for (int p = 1; p <= 10; ++p) {
                    const std::string what = "power " + std::to_string(p) + " type";
                    Code(kind, name, what, kPower, d.at(row, static_cast<std::size_t>(60 + 3 * p)));
                }
                Code(kind, name, "sound", kSound, d.at(row, 123));
                Code(kind, name, "facing", kFacing, d.at(row, 124));
                break;
            case kSite:
                Code(kind, name, "power 1 type", kPower, d.at(row, 3));
                break;
            default:
                for (int p = 1; p <= 4; ++p) {
                    const std::string what = "power " + std::to_string(p) + " type";
                    Code(kind, name, what, kPower, d.at(row, static_cast<std::size_t>(4 * p)));
                }
                break;
        }
    }

    void HeroRow(std::size_t row, const std::string& name) {
        const DataArray& d = data_[kHero];
        for (std::size_t column : {std::size_t{5}, std::size_t{6}}) {
            const std::string& picture = d.at(row, column).str();
            const std::string gender = column == 5 ? "male" : "female";
            if (picture.empty()) {
                Add(kHero, name, "the " + gender + " picture name is empty");
            } else {
                Picture(kHero, name, picture + ".PCX");
            }
        }
        for (int level = 2; level <= 11; ++level) {
            const auto before = d.at(row, static_cast<std::size_t>(39 + level)).number();
            const auto xp = d.at(row, static_cast<std::size_t>(40 + level)).number();
            if (xp <= before) {
                Add(kHero, name,
                    "the level table does not rise: level " + std::to_string(level) + " needs " +
                        std::to_string(xp) + " XP, level " + std::to_string(level - 1) + " " +
                        std::to_string(before));
                break;
            }
        }
    }

    void Summons(std::size_t row, const std::string& name) {
        const DataArray& d = data_[kSpell];
        for (int p = 1; p <= 4; ++p) {
            if (d.at(row, static_cast<std::size_t>(4 * p)).number() != 22) continue;
            const std::string army = d.at(row, static_cast<std::size_t>(4 * p + 3)).str();
            const ObjectArray found = object_.ConvertArmyShortName(army);
            if (found.at(3).isEmpty()) {
                Add(kSpell, name,
                    "power " + std::to_string(p) + " summons the army \"" + army +
                        "\", which does not exist");
            }
        }
    }

    const _CEditObject& object_;
    DataArray data_[kKindCount];
    std::vector<std::string> files_[kKindCount];
    std::set<std::string> upperFiles_[kKindCount];
    std::vector<InstallProblem> problems_;
};

}  // namespace

std::vector<InstallProblem> CheckInstallation(const _CEditObject& object) {
    return Checker(object).Run();
}

}  // namespace b3
