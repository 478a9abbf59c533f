#include "editor/save_names.h"

#include "platform/file_names.h"

namespace b3::editor {

QString ChosenBaseName(const QString& chosenPath) {
    // The dialogs give paths with forward slashes on every platform; a backslash left in the
    // name is refused later.
    QString name = chosenPath;
    const qsizetype cut = name.lastIndexOf('/');
    if (cut >= 0) name = name.mid(cut + 1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot > 0) name = name.left(dot);
    return name;
}

bool IsValidGameFileName(const QString& name) {
    return platform::IsWindowsFileName(name.toStdString());
}

std::optional<QString> ShortNameFromChosenFile(const QString& chosenPath, int limit) {
    const QString base = ChosenBaseName(chosenPath);
    if (!IsValidGameFileName(base)) return std::nullopt;
    const QString cut = base.left(limit);
    if (!IsValidGameFileName(cut)) return std::nullopt;
    return cut;
}

}  // namespace b3::editor
