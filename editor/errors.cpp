#include "editor/errors.h"

#include "b3/edit_object.h"
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
    try {
        throw;
    } catch (const b3::Error& e) {
        const QString source = QString::fromStdString(e.source());
        ReportError(services, e.number(), useSource && !source.isEmpty() ? source : label,
                    QString::fromStdString(e.description()));
    } catch (const EditorError& e) {
        ReportError(services, e.number(), useSource && !e.source().isEmpty() ? e.source() : label,
                    e.description());
    } catch (const std::bad_alloc&) {
        ReportError(services, 7, label, QString::fromStdString(b3::DescribeError(7)));
    } catch (const std::exception& e) {
        ReportError(services, 5, label, QString::fromUtf8(e.what()));
    } catch (...) {
        ReportError(services, 5, label, QString::fromStdString(b3::DescribeError(5)));
    }
}

}  // namespace b3::editor
