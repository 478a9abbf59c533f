#include "calculator/ui/errors.h"

#include <new>
#include <stdexcept>

#include "b3/edit_object.h"
#include "calculator/ui/services.h"

namespace b3::oddslab {

namespace {
constexpr std::int32_t kErrOutOfMemory = 7;
}  // namespace

QString FormatErrorText(std::int32_t number, const QString& label) {
    return "Error: " + QString::number(number) + "\n" + label;
}

void ReportError(CalculatorServices& services, std::int32_t number, const QString& label,
                 const QString& description) {
    services.messageBox(nullptr, FormatErrorText(number, label), description);
}

void ReportCurrentException(CalculatorServices& services, const QString& label) {
    auto generic = [](std::int32_t n) { return QString::fromStdString(b3::DescribeError(n)); };
    try {
        throw;
    } catch (const b3::Error& e) {
        ReportError(services, e.number(), label, QString::fromStdString(e.description()));
    } catch (const std::bad_alloc&) {
        ReportError(services, kErrOutOfMemory, label, generic(kErrOutOfMemory));
    } catch (const std::out_of_range&) {
        ReportError(services, b3::kErrSubscript, label, generic(b3::kErrSubscript));
    } catch (const std::overflow_error&) {
        ReportError(services, b3::kErrOverflow, label, generic(b3::kErrOverflow));
    } catch (const std::exception& e) {
        ReportError(services, b3::kErrInvalidArgument, label, QString::fromUtf8(e.what()));
    } catch (...) {
        ReportError(services, b3::kErrInvalidArgument, label, generic(b3::kErrInvalidArgument));
    }
}

}  // namespace b3::oddslab
