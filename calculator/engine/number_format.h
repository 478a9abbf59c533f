// The general number format of the calculator's labels: the shortest form of a number with at
// most 15 (double) or 7 (single precision) significant digits, no thousands separators, and an
// exponent written as "E+15" / "E-05" when the number is too large or too small for plain digits.
#pragma once

#include <string>

namespace b3::engine {

std::string FormatGeneral(double value);
std::string FormatGeneralSingle(float value);

}  // namespace b3::engine
