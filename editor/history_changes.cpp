#include "editor/history_changes.h"

#include <string_view>

#include "b3/file_transaction.h"
#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "editor/powers.h"
#include "platform/text1252.h"

namespace b3::editor {

namespace {

QString ByteCount(std::size_t n) {
    return n == 1 ? QString("1 byte") : QString("%1 bytes").arg(n);
}

// A field by the name the export gives its column, in words ("Display Name", "Level 3 XP").
QString ColumnName(int kind, int column) {
    for (const b3::TableColumn& c : b3::TableColumns(kind))
        if (c.column == column) return QString::fromStdString(b3::ColumnWords(c.name));
    return QString("Column %1").arg(column);  // every field has a column of the export
}

// A text field read from the record's bytes themselves, up to its first NUL.
QString RecordText(const std::string& bytes, const b3::FieldLayout& f) {
    const auto offset = static_cast<std::size_t>(f.offset);
    if (bytes.size() <= offset) return {};
    std::string_view text =
        std::string_view(bytes).substr(offset, static_cast<std::size_t>(f.width));
    text = text.substr(0, text.find('\0'));
    return QString::fromStdString(platform::DecodeCp1252(text));
}

// What a file other than a definition file is to the user.
QString WholeFileWord(const std::string& file) {
    if (file == b3::kJournalName) return "Every file of the change";
    const std::string upper = platform::AsciiUpper(file);
    const auto endsWith = [&](std::string_view ext) {
        return upper.size() > ext.size() &&
               upper.compare(upper.size() - ext.size(), ext.size(), ext.data(), ext.size()) == 0;
    };
    if (endsWith(".PCX")) return "Picture";
    if (endsWith(".TXT")) return "Text file";
    return "File";
}

}  // namespace

bool IsDefinitionFile(const b3::HistoryEntry& e) {
    if (e.kind < 0 || e.kind > 4) return false;
    const std::string ext = b3::LayoutOf(e.kind).extension;
    return e.file.size() > ext.size() &&
           platform::AsciiUpper(e.file.substr(e.file.size() - ext.size())) == ext;
}

std::vector<FieldDifference> VersionDifferences(const b3::HistoryEntry& entry,
                                                const std::string& kept,
                                                const std::optional<std::string>& now) {
    const QString gone = "(deleted)";
    std::vector<FieldDifference> out;
    if (!IsDefinitionFile(entry)) {
        if (!now) {
            out.push_back({WholeFileWord(entry.file), ByteCount(kept.size()), gone});
        } else if (*now != kept) {
            out.push_back({WholeFileWord(entry.file), ByteCount(kept.size()),
                           now->size() == kept.size() ? ByteCount(now->size()) + ", other ones"
                                                      : ByteCount(now->size())});
        }
        return out;
    }

    // Both versions decoded through the record layout, field by field.
    const int kind = entry.kind;
    const b3::RecordLayout& layout = b3::LayoutOf(kind);
    const b3::ObjectArray before = b3::DecodeRecord(kind, kept, 0, entry.name);
    const b3::ObjectArray after =
        now ? b3::DecodeRecord(kind, *now, 0, entry.name) : b3::ObjectArray{};
    const auto length = static_cast<std::size_t>(layout.recordLength);
    std::vector<bool> inField(length, false);
    for (const b3::FieldLayout& f : layout.fields) {
        for (int i = 0; i < f.width; ++i) {
            const auto at = static_cast<std::size_t>(f.offset + i);
            if (at < length) inField[at] = true;
        }
        QString name, was, is;
        if (f.access == b3::FieldAccess::WriteOnly) {
            // The short name the server writes into the record; the object's name is its file's.
            if (!now) continue;
            name = ColumnName(kind, f.column) + " inside the file";
            was = RecordText(kept, f);
            is = RecordText(*now, f);
        } else {
            const auto c = static_cast<std::size_t>(f.column);
            name = ColumnName(kind, f.column);
            was = c < before.size() ? CellText(before[c]) : QString();
            is = c < after.size() ? CellText(after[c]) : QString();
        }
        if (now && was == is) continue;
        out.push_back({name, was, now ? is : gone});
    }
    if (!now) return out;

    // The bytes between the fields, read as the loader reads a short record: zero past its end.
    const auto byteAt = [](const std::string& bytes, std::size_t i) {
        return i < bytes.size() ? bytes[i] : '\0';
    };
    std::size_t unused = 0, differ = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (inField[i]) continue;
        ++unused;
        if (byteAt(kept, i) != byteAt(*now, i)) ++differ;
    }
    if (differ > 0) {
        out.push_back({"Unused bytes between the fields",
                       QString("%1 that hold no field").arg(ByteCount(unused)),
                       QString("%1 of them differ").arg(differ)});
    }
    if (kept.size() != now->size()) {
        out.push_back({"Length of the file", ByteCount(kept.size()), ByteCount(now->size())});
    } else if (kept.size() > length && kept.compare(length, std::string::npos, *now, length) != 0) {
        out.push_back({"Bytes after the record", ByteCount(kept.size() - length), "other ones"});
    }
    return out;
}

}  // namespace b3::editor
