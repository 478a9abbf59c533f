#include "calculator/ui/errors.h"

#include "b3/edit_object.h"
#include "calculator/ui/services.h"
#include "common_ui/error_trap.h"

namespace b3::oddslab {

QString FormatErrorText(std::int32_t number, const QString& label) {
    return "Error: " + QString::number(number) + "\n" + label;
}

void ReportError(CalculatorServices& services, std::int32_t number, const QString& label,
                 const QString& description) {
    services.messageBox(nullptr, FormatErrorText(number, label), description);
}

void ReportCurrentException(CalculatorServices& services, const QString& label) {
    const b3::Error e = b3::ui::CurrentError();
    ReportError(services, e.number(), label, QString::fromStdString(e.description()));
}

}  // namespace b3::oddslab
