#include "editor/errors.h"

#include "b3/edit_object.h"
#include "common_ui/error_trap.h"
#include "editor/services.h"

namespace b3::editor {

QString FormatErrorReport(std::int32_t number, const QString& label, const QString& description) {
    return QString::number(number) + "\r\n" + label + "\r\n" + description;
}

void ReportError(EditorServices& services, std::int32_t number, const QString& label,
                 const QString& description) {
    if (number == kErrDialogCancelled) return;
    services.messageBox(nullptr, FormatErrorReport(number, label, description), kAppTitle,
                        MsgButtons::Error);
}

void ReportCurrentException(EditorServices& services, const QString& label, bool useSource) {
    const b3::Error e = b3::ui::CurrentError();
    const QString source = QString::fromStdString(e.source());
    ReportError(services, e.number(), useSource && !source.isEmpty() ? source : label,
                QString::fromStdString(e.description()));
}

}  // namespace b3::editor
