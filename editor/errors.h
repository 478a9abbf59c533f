// The editor's error report: every procedure traps its own failures and shows them in one
// format, the error number, CR LF, the procedure's label, CR LF and the description, under the
// program's title.
#pragma once

#include <QString>
#include <cstdint>
#include <utility>

#include "b3/edit_object.h"
#include "common_ui/error_trap.h"

namespace b3::editor {

class EditorServices;

inline constexpr const char* kAppTitle = "B3Tools";
// The object-error base; the editor's own numbers lie above it.
inline constexpr std::int32_t kObjectErrorBase = static_cast<std::int32_t>(0x80040000u);
inline constexpr std::int32_t kErrNoItemPower = kObjectErrorBase + 514;  // -2147220990
// The number of a cancelled file dialog; never reported.
inline constexpr std::int32_t kErrDialogCancelled = 32755;

// The text of a report.
QString FormatErrorReport(std::int32_t number, const QString& label, const QString& description);

// Shows a report (OK only, title "B3Tools"); a cancelled dialog's number shows nothing.
void ReportError(EditorServices& services, std::int32_t number, const QString& label,
                 const QString& description);

// Reports the exception currently being handled. With `useSource` the failure's own source
// stands in the middle line (when it has one), else `label`.
void ReportCurrentException(EditorServices& services, const QString& label, bool useSource = false);

// Runs `f`, reporting any failure under `label`. Returns whether `f` completed.
template <typename F>
bool Trap(EditorServices& services, const QString& label, F&& f) {
    return b3::ui::Trap([&] { ReportCurrentException(services, label); }, std::forward<F>(f));
}

}  // namespace b3::editor
