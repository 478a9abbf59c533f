#include "engine/number_format.h"

#include <cmath>
#include <cstdio>

namespace b3::engine {
namespace {

std::string Format(double value, int digits) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    if (value == 0) return "0";  // also for -0
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
    return buffer;
}

}  // namespace

std::string FormatGeneral(double value) {
    return Format(value, 15);
}
std::string FormatGeneralSingle(float value) {
    return Format(static_cast<double>(value), 7);
}

}  // namespace b3::engine
