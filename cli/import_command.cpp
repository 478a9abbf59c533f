// b3cli import: writes the objects of a table that differ from the installation. Every row is
// checked before anything is written, so one bad cell leaves every file as it was.
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include <nlohmann/json.hpp>

#include "b3/file_transaction.h"
#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "cli/table_commands.h"
#include "cli/table_file.h"
#include "engine/json_input.h"
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

// A value of the table as messages quote it: short, on one line, quoted.
std::string Quoted(const std::string& text) {
    return b3::engine::Excerpt(nlohmann::json(text));
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

    // The object a row of the table stands for, checked cell by cell and as a whole; nothing
    // when it is in the installation as the row has it. Throws std::runtime_error naming the row,
    // the column and the value for a bad cell. `names` are the row's column names (for CSV the
    // same header for every row).
    std::optional<Planned> PlanRow(const std::vector<std::string>& names,
                                   const std::vector<std::optional<std::string>>& cells,
                                   const std::string& row) {
        if (!header_ || names != *header_) {
            columns_ = HeaderColumns(names, row);
            header_ = names;
        }
        std::string key = cells[keyIndex_].value_or(std::string());
        if (kind_ == b3::kSpell && !key.empty()) key = SpellFileKey(key);
        const std::string label = row + " (" + Quoted(key) + ")";
        if (checkDuplicates_) {
            const auto [it, added] = seen_.emplace(Upper(key), row);
            if (!added) {
                Fail(label, columns_[keyIndex_].name, key,
                     "the same object is already in " + it->second);
            }
        }
        const auto found = rowOfKey_.find(Upper(key));
        Planned p;
        p.key = key;
        p.isNew = found == rowOfKey_.end();
        if (p.isNew) CheckNewKey(label, columns_[keyIndex_].name, key);
        const b3::ObjectArray before = p.isNew ? NewObject(key, names) : data_.row(found->second);
        p.object = before;
        for (std::size_t j = 0; j < columns_.size(); ++j) {
            if (j == keyIndex_ || !cells[j]) continue;
            const b3::TableColumn& c = columns_[j];
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
                     "this field is kept as the game's file holds it; leave it as " + Show(target));
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
        if (!p.isNew && p.changes.empty()) return std::nullopt;
        return p;
    }

    // Every row is checked once, with the check that no object is named twice; the later rounds
    // over the same rows leave that check out.
    void EndOfChecks() {
        checkDuplicates_ = false;
        seen_.clear();
    }

    // Stages the files of one planned object: its record and, for a new object without
    // pictures, the pictures it gets from the templates.
    void Stage(const Planned& p, b3::FileTransaction& change) const {
        if (p.isNew) {
            const std::vector<std::string> pictures = PictureFiles(p.key);
            bool anyPicture = false;
            for (const auto& picture : pictures)
                anyPicture = anyPicture || b3::platform::IsRegularFile(picture);
            if (!anyPicture) {
                for (const auto& picture : pictures)
                    change.Replace(picture, TemplateBytes(), kind_, p.key);
            }
        }
        // The record alone changes; whatever follows it in the file stays, unread.
        const std::string path = RecordPath(p);
        const auto record = static_cast<std::size_t>(layout_.recordLength);
        std::string existing;
        std::error_code ec;
        if (b3::platform::IsRegularFile(path) &&
            !b3::platform::ReadFileBytes(path, existing, ec, record))
            throw std::runtime_error("cannot read " + path + ": " + ec.message());
        change.ReplaceHead(path, b3::EncodeRecord(kind_, p.object, std::move(existing)), kind_,
                           p.key);
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
        if (!column.empty()) text += ", column " + column + ", value " + Quoted(value);
        throw std::runtime_error(text + ": " + problem + "; nothing was written");
    }

    // The columns that `names` name. For a JSON object, which names its own, a refusal says
    // which `row`.
    std::vector<b3::TableColumn> HeaderColumns(const std::vector<std::string>& names,
                                               const std::string& row) {
        const std::string where = name_ + (row.rfind("object", 0) == 0 ? ": " + row : "");
        std::vector<b3::TableColumn> columns;
        std::map<int, std::string> seen;
        bool haveKey = false;
        for (std::size_t j = 0; j < names.size(); ++j) {
            const std::string& text = names[j];
            const auto column = b3::FindTableColumn(kind_, text);
            if (!column) {
                std::string all;
                for (const auto& c : b3::TableColumns(kind_))
                    all += (all.empty() ? "" : ", ") + c.name;
                throw std::runtime_error(where + ": " + Quoted(text) + " is not a column of " +
                                         layout_.kindName + " (the columns are " + all +
                                         "); nothing was written");
            }
            if (!seen.emplace(column->column, text).second) {
                throw std::runtime_error(where + ": the column " + column->name +
                                         " appears twice; nothing was written");
            }
            if (column->column == layout_.shortNameColumn) {
                keyIndex_ = j;
                haveKey = true;
            }
            columns.push_back(*column);
        }
        if (!haveKey) {
            throw std::runtime_error(where + ": the table needs the column " +
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

    // The picture template of this kind's new objects (heroes take the army's).
    const std::string& TemplateBytes() const {
        if (templateBytes_) return *templateBytes_;
        const std::string folder = object_.PicsPath();
        const std::string path = b3::platform::JoinPath(
            folder, b3::platform::FindEntryIgnoreCase(
                        folder, kind_ == b3::kSite ? "NEWSITE.PCX" : "NEWARMY.PCX"));
        std::string bytes;
        std::error_code ec;
        if (!b3::platform::IsRegularFile(path) || !b3::platform::ReadFileBytes(path, bytes, ec)) {
            throw std::runtime_error(name_ + ": the picture template " + path +
                                     " that new objects get cannot be read" +
                                     (ec ? ": " + ec.message() : std::string()) +
                                     "; put it back, then import again; nothing was written");
        }
        templateBytes_ = std::move(bytes);
        return *templateBytes_;
    }

    b3::_CEditObject& object_;
    const int kind_;
    const b3::RecordLayout& layout_;
    const std::string name_;
    const b3::DataArray data_;
    std::map<std::string, std::size_t> rowOfKey_;
    // The column names last met and their columns.
    std::optional<std::vector<std::string>> header_;
    std::vector<b3::TableColumn> columns_;
    std::size_t keyIndex_ = 0;
    bool checkDuplicates_ = true;
    std::map<std::string, std::string> seen_;  // upper-case key: the row that has it
    mutable std::optional<std::string> templateBytes_;
};

}  // namespace

void ImportTable(b3::_CEditObject& object, int kind, const std::string& file, bool dryRun,
                 std::ostream& out, const b3::MessageSink& messages,
                 const b3::platform::WriteFaults* faults) {
    const std::string name = file == "-" ? "standard input" : file;
    const std::string text = ReadInputFile(file);
    Importer importer(object, kind, name);
    // The rows are read again for each round instead of being kept: first every row is checked,
    // then the objects that differ are written, then the changes are listed. A table of many
    // objects so costs little more memory than its own text.
    const auto eachPlanned = [&](const std::function<void(const std::optional<Planned>&)>& use) {
        ForEachTableRow(text, file, name,
                        [&](const auto& names, const auto& cells, const std::string& row) {
                            use(importer.PlanRow(names, cells, row));
                        });
    };
    eachPlanned([](const std::optional<Planned>&) {});
    importer.EndOfChecks();
    if (!dryRun) {
        // Every file of the import is replaced as one change: all or none, even when the process
        // is stopped in the middle; one entry of the history, restored in one step.
        b3::FileTransaction change(object.InstallPath(), "import", FileName(name), messages,
                                   faults);
        eachPlanned([&importer, &change](const std::optional<Planned>& p) {
            if (p) importer.Stage(*p, change);
        });
        change.Commit();
    }

    std::size_t created = 0, changed = 0, unchanged = 0;
    const std::string kindName = b3::LayoutOf(kind).kindName;
    eachPlanned([&](const std::optional<Planned>& p) {
        if (!p) {
            ++unchanged;
            return;
        }
        ++(p->isNew ? created : changed);
        const std::string prefix = kindName + ' ' + p->key + (p->isNew ? " (new)" : "") + ": ";
        if (p->changes.empty()) out << prefix << "new object with zero fields\n";
        for (const Change& c : p->changes)
            out << prefix << c.column << ": " << Show(c.before) << " -> " << Show(c.after) << '\n';
    });
    out << changed << " changed, " << created << " new, " << unchanged << " unchanged"
        << (dryRun ? "; dry run, nothing written" : "") << '\n';
}

}  // namespace b3cli
