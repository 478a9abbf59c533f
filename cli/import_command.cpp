// b3cli import: writes the objects of a table that differ from the installation. Every row is
// checked before anything is written, so one bad cell leaves every file as it was.
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <nlohmann/json.hpp>

#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "cli/table_commands.h"
#include "cli/table_file.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/text1252.h"

namespace b3cli {
namespace {

struct Change {
    std::string column;
    b3::Cell before;
    b3::Cell after;
};

// One object of the table that differs from the installation.
struct Planned {
    std::string key;  // short name; for spells the file name
    bool isNew = false;
    b3::ObjectArray object;
    std::vector<Change> changes;
};

std::string Show(const b3::Cell& cell) {
    if (cell.isText())
        return nlohmann::json(cell.str())
            .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return cell.toString();
}

std::string FileName(const std::string& path) {
    return path.substr(path.find_last_of("/\\") + 1);
}

// The key of a spell row: its file name, with the extension added when it has none.
std::string SpellFileKey(const std::string& text) {
    const std::string ext = b3::LayoutOf(b3::kSpell).extension;
    if (text.size() > ext.size() &&
        b3::platform::EqualsIgnoreCase(text.substr(text.size() - ext.size()), ext))
        return text;
    return text + ext;
}

class Importer {
public:
    Importer(b3::_CEditObject& object, int kind, std::string name)
        : object_(object),
          kind_(kind),
          layout_(b3::LayoutOf(kind)),
          name_(std::move(name)),
          data_(object.GetEditObjectData(kind)) {
        for (std::size_t r = 0; r < data_.rows(); ++r) rowOfKey_.emplace(Upper(KeyOfRow(r)), r);
    }

    std::vector<Planned> Plan(const TextTable& table, std::size_t& unchanged) {
        const std::vector<b3::TableColumn> columns = HeaderColumns(table);
        std::vector<Planned> planned;
        std::map<std::string, std::string> seen;
        for (std::size_t i = 0; i < table.rows.size(); ++i) {
            const auto& cells = table.rows[i];
            std::string key = cells[keyIndex_].value_or(std::string());
            if (kind_ == b3::kSpell && !key.empty()) key = SpellFileKey(key);
            const std::string label = table.labels[i] + " (" + key + ")";
            const auto [it, added] = seen.emplace(Upper(key), table.labels[i]);
            if (!added) {
                Fail(label, columns[keyIndex_].name, key,
                     "the same object is already in " + it->second);
            }
            const auto found = rowOfKey_.find(Upper(key));
            Planned p;
            p.key = key;
            p.isNew = found == rowOfKey_.end();
            if (p.isNew) CheckNewKey(label, columns[keyIndex_].name, key);
            const b3::ObjectArray before =
                p.isNew ? NewObject(key, table.header) : data_.row(found->second);
            p.object = before;
            for (std::size_t j = 0; j < columns.size(); ++j) {
                if (j == keyIndex_ || !cells[j]) continue;
                const b3::TableColumn& c = columns[j];
                const std::string& text = *cells[j];
                b3::Cell cell;
                try {
                    cell = b3::CellFromText(c, text);
                } catch (const b3::Error& e) {
                    Fail(label, c.name, text, e.description());
                }
                auto& target = p.object[static_cast<std::size_t>(c.column)];
                if (!c.writable && cell != target) {
                    Fail(label, c.name, text,
                         "this field is kept as the game's file holds it; leave it as " +
                             Show(target));
                }
                target = std::move(cell);
            }
            try {
                b3::EncodeRecord(kind_, p.object, std::string());
            } catch (const b3::Error& e) {
                Fail(label, "", "", e.description());
            }
            for (const b3::TableColumn& c : b3::TableColumns(kind_)) {
                const auto column = static_cast<std::size_t>(c.column);
                if (c.column != layout_.shortNameColumn && p.object[column] != before[column])
                    p.changes.push_back({c.name, before[column], p.object[column]});
            }
            if (!p.isNew && p.changes.empty()) {
                ++unchanged;
            } else {
                planned.push_back(std::move(p));
            }
        }
        return planned;
    }

    // Writes every planned object; on a failure the files written so far are put back.
    void Write(const std::vector<Planned>& planned) {
        struct Undo {
            std::string path;
            std::optional<std::string> bytes;  // nothing: the file did not exist
        };
        std::vector<Undo> undo;
        const auto remember = [&undo](const std::string& path) {
            std::string bytes;
            std::error_code ec;
            if (b3::platform::IsRegularFile(path)) {
                if (!b3::platform::ReadFileBytes(path, bytes, ec))
                    throw std::runtime_error("cannot read " + path + ": " + ec.message());
                undo.push_back({path, bytes});
            } else if (!std::filesystem::exists(b3::platform::FsPath(path), ec) && !ec) {
                // Removed again on a failure; whatever else stands at the path (a folder) is
                // not the import's to remove.
                undo.push_back({path, std::nullopt});
            }
        };
        try {
            for (const Planned& p : planned) {
                if (p.isNew) {
                    const std::vector<std::string> pictures = PictureFiles(p.key);
                    bool anyPicture = false;
                    for (const auto& picture : pictures)
                        anyPicture = anyPicture || b3::platform::IsRegularFile(picture);
                    if (!pictures.empty() && !anyPicture) {
                        for (const auto& picture : pictures) remember(picture);
                        object_.CopyPictureTemplate(PictureType(), p.key);
                    }
                }
                remember(RecordPath(p));
                object_.WriteObject(p.object, kind_);
            }
        } catch (...) {
            for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
                std::error_code ec;
                if (it->bytes)
                    b3::platform::ReplaceFileContents(it->path, *it->bytes, ec);
                else
                    std::filesystem::remove(b3::platform::FsPath(it->path), ec);
            }
            throw;
        }
    }

private:
    std::string KeyOfRow(std::size_t row) const {
        const std::string& cell =
            data_.at(row, static_cast<std::size_t>(layout_.shortNameColumn)).str();
        return kind_ == b3::kSpell ? FileName(cell) : cell;
    }

    static std::string Upper(const std::string& text) { return b3::platform::AsciiUpper(text); }

    [[noreturn]] void Fail(const std::string& label, const std::string& column,
                           const std::string& value, const std::string& problem) const {
        std::string text = name_ + ": " + label;
        if (!column.empty()) text += ", column " + column + ", value \"" + value + "\"";
        throw std::runtime_error(text + ": " + problem + "; nothing was written");
    }

    std::vector<b3::TableColumn> HeaderColumns(const TextTable& table) {
        std::vector<b3::TableColumn> columns;
        std::map<int, std::string> seen;
        bool haveKey = false;
        for (std::size_t j = 0; j < table.header.size(); ++j) {
            const std::string& text = table.header[j];
            const auto column = b3::FindTableColumn(kind_, text);
            if (!column) {
                std::string names;
                for (const auto& c : b3::TableColumns(kind_))
                    names += (names.empty() ? "" : ", ") + c.name;
                throw std::runtime_error(name_ + ": \"" + text + "\" is not a column of " +
                                         layout_.kindName + " (the columns are " + names +
                                         "); nothing was written");
            }
            if (!seen.emplace(column->column, text).second) {
                throw std::runtime_error(name_ + ": the column " + column->name +
                                         " appears twice; nothing was written");
            }
            if (column->column == layout_.shortNameColumn) {
                keyIndex_ = j;
                haveKey = true;
            }
            columns.push_back(*column);
        }
        if (!haveKey) {
            throw std::runtime_error(name_ + ": the table needs the column " +
                                     b3::TableColumns(kind_).front().name +
                                     " to tell the objects apart; nothing was written");
        }
        return columns;
    }

    void CheckNewKey(const std::string& label, const std::string& column,
                     const std::string& key) const {
        const std::string base =
            kind_ == b3::kSpell ? key.substr(0, key.size() - std::string(layout_.extension).size())
                                : key;
        if (auto problem = b3::FileNameProblem(base)) Fail(label, column, key, *problem);
        const auto limit = static_cast<std::size_t>(b3::ShortNameLimit(kind_));
        if (b3::platform::Utf8Length(base) > limit) {
            Fail(label, column, key,
                 "a new object's short name has at most " + std::to_string(limit) + " characters");
        }
    }

    // A new object: zero numbers and empty texts, named by its key; a hero's pictures are named
    // after it unless the table names them.
    b3::ObjectArray NewObject(const std::string& key,
                              const std::vector<std::string>& header) const {
        b3::ObjectArray object(static_cast<std::size_t>(layout_.columns));
        object[0] = b3::Cell::long_(0);
        for (const b3::TableColumn& c : b3::TableColumns(kind_)) {
            auto& cell = object[static_cast<std::size_t>(c.column)];
            switch (c.type) {
                case b3::Cell::Type::Byte:
                    cell = b3::Cell::byte(0);
                    break;
                case b3::Cell::Type::Integer:
                    cell = b3::Cell::integer(0);
                    break;
                case b3::Cell::Type::Long:
                    cell = b3::Cell::long_(0);
                    break;
                default:
                    cell = b3::Cell::text("");
                    break;
            }
        }
        object[static_cast<std::size_t>(layout_.shortNameColumn)] = b3::Cell::text(
            kind_ == b3::kSpell ? b3::platform::JoinPath(object_.SpellPath(), key) : key);
        if (kind_ == b3::kHero) {
            const auto named = [&header](const char* column) {
                for (const auto& h : header)
                    if (b3::platform::EqualsIgnoreCase(h, column)) return true;
                return false;
            };
            if (!named("PictureMale")) object[5] = b3::Cell::text(key + "m");
            if (!named("PictureFemale")) object[6] = b3::Cell::text(key + "f");
        }
        return object;
    }

    std::string RecordPath(const Planned& p) const {
        if (kind_ == b3::kSpell) return p.object[20].str();
        const std::string folder = KindFolder(object_, kind_);
        return b3::platform::JoinPath(
            folder, b3::platform::FindEntryIgnoreCase(folder, p.key + layout_.extension));
    }

    std::int32_t PictureType() const {
        return kind_ == b3::kArmy   ? b3::kArmyPicture
               : kind_ == b3::kHero ? b3::kHeroPicture
                                    : b3::kSitePicture;
    }

    // The picture files that a new object of this kind gets from its template.
    std::vector<std::string> PictureFiles(const std::string& key) const {
        const std::string folder = KindFolder(object_, kind_);
        const auto in = [&folder](const std::string& file) {
            return b3::platform::JoinPath(folder, b3::platform::FindEntryIgnoreCase(folder, file));
        };
        switch (kind_) {
            case b3::kArmy:
            case b3::kSite:
                return {in(key + ".PCX")};
            case b3::kHero:
                return {in(key + "m.PCX"), in(key + "f.PCX")};
            default:
                return {};
        }
    }

    b3::_CEditObject& object_;
    const int kind_;
    const b3::RecordLayout& layout_;
    const std::string name_;
    const b3::DataArray data_;
    std::map<std::string, std::size_t> rowOfKey_;
    std::size_t keyIndex_ = 0;
};

}  // namespace

void ImportTable(b3::_CEditObject& object, int kind, const std::string& file, bool dryRun,
                 std::ostream& out) {
    const std::string name = file == "-" ? "standard input" : file;
    const std::string text = ReadInputFile(file);
    const TextTable table = IsJsonFile(file) ? ReadJson(text, name) : ReadCsv(text, name);
    Importer importer(object, kind, name);
    std::size_t unchanged = 0;
    const std::vector<Planned> planned = importer.Plan(table, unchanged);

    std::ostringstream report;
    std::size_t created = 0;
    const std::string kindName = b3::LayoutOf(kind).kindName;
    for (const Planned& p : planned) {
        created += p.isNew ? 1 : 0;
        const std::string prefix = kindName + ' ' + p.key + (p.isNew ? " (new)" : "") + ": ";
        if (p.changes.empty()) report << prefix << "new object with zero fields\n";
        for (const Change& c : p.changes)
            report << prefix << c.column << ": " << Show(c.before) << " -> " << Show(c.after)
                   << '\n';
    }
    if (!dryRun) importer.Write(planned);
    report << (planned.size() - created) << " changed, " << created << " new, " << unchanged
           << " unchanged" << (dryRun ? "; dry run, nothing written" : "") << '\n';
    out << report.str();
}

}  // namespace b3cli
