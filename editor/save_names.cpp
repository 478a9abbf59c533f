#include "editor/save_names.h"

#include <QStringList>

#include "platform/text1252.h"

namespace b3::editor {

QString ChosenBaseName(const QString& chosenPath) {
    // The dialogs give paths with forward slashes on every platform; a backslash left in the
    // name is refused later.
    QString name = chosenPath;
    const int cut = name.lastIndexOf('/');
    if (cut >= 0) name = name.mid(cut + 1);
    const int dot = name.lastIndexOf('.');
    if (dot > 0) name = name.left(dot);
    return name;
}

bool IsValidGameFileName(const QString& name) {
    // A leading dot would hide the file from the game's folder listing.
    if (name.isEmpty() || name.startsWith('.')) return false;
    for (const QChar ch : name) {
        const char16_t u = ch.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) return false;
        if (QStringLiteral("/\\<>:\"|?*").contains(ch)) return false;
    }
    if (name.endsWith('.') || name.endsWith(' ')) return false;
    if (!platform::EncodeCp1252(name.toStdString())) return false;
    static const QStringList reserved = {
        "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
        "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    return !reserved.contains(name.toUpper());
}

std::optional<QString> ShortNameFromChosenFile(const QString& chosenPath, int limit) {
    const QString base = ChosenBaseName(chosenPath);
    if (!IsValidGameFileName(base)) return std::nullopt;
    const QString cut = base.left(limit);
    if (!IsValidGameFileName(cut)) return std::nullopt;
    return cut;
}

}  // namespace b3::editor
