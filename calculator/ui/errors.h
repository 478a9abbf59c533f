// The calculator's error report: every procedure traps its own failures and shows them in one
// format, "Error: " and the error number, a line break and the procedure's label
// ("frmOddsLab::cmdAttack_Click"), under the error's description as the title.
#pragma once

#include <QString>
#include <cstdint>
#include <utility>

#include "common_ui/error_trap.h"

namespace b3::oddslab {

class CalculatorServices;

// The report's text and title.
QString FormatErrorText(std::int32_t number, const QString& label);

// Shows a report (OK button only).
void ReportError(CalculatorServices& services, std::int32_t number, const QString& label,
                 const QString& description);

// Reports the exception currently being handled under `label`: a server failure with its own
// number and description, running out of memory as 7, an out-of-range access as 9, an overflow
// as 6, anything else as 5 with its message.
void ReportCurrentException(CalculatorServices& services, const QString& label);

// Runs `f`, reporting any failure under `label`. Returns whether `f` completed.
template <typename F>
bool Trap(CalculatorServices& services, const QString& label, F&& f) {
    return b3::ui::Trap([&] { ReportCurrentException(services, label); }, std::forward<F>(f));
}

}  // namespace b3::oddslab
