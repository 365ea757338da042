// Fixed, exponent and general number texts shared by Format and FormatFloat.
#pragma once

#include <string>

#include "engine/value/decimal_digits.h"

namespace qv {

// Digits of the integer part with the thousands separator between groups.
std::u16string GroupThousands(const std::string& integerDigits, char16_t separator);

// "-ddd.ddd" with `decimals` digits after the point (0 to omit the point);
// the thousands separator when `separator` is not 0. No sign for a value
// that rounds to zero.
std::u16string FixedText(double value, int decimals, char16_t separator = 0);

// "-d.ddd...E+ddd" with `precision` significant digits and an exponent of at
// least three digits.
std::u16string ExponentText(double value, int precision);

// The shortest of fixed and exponent form with `precision` significant
// digits, trailing zeros dropped; the exponent form is used when the decimal
// exponent is `precision` or more or below -4 ("1E20", "1.5E-5").
std::u16string GeneralText(double value, int precision);

// "NAN", "INF" or "-INF" for a value that is not finite, else empty.
std::u16string NonFiniteText(double value);

}  // namespace qv
