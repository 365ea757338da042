// Decimal digits of a double, shared by the number format functions.
//
// Numbers are shown with at most 15 significant digits, the precision of the
// text form of numbers, and rounded half away from zero on those decimal
// digits: 1.005 with two decimals gives 1.01 and 0.125 gives 0.13, as people
// read them, rather than what the nearest binary value would give.
#pragma once

#include <string>

namespace qv {

struct DecimalDigits {
  bool negative = false;
  std::string digits;  // significant digits '0'..'9', no leading or trailing zeros; empty for zero
  int exponent = 0;    // value = 0.<digits> * 10^exponent

  bool IsZero() const { return digits.empty(); }
};

constexpr int kDisplayDigits = 15;

// `value` (finite) with `significant` (1..17) correctly rounded significant digits.
DecimalDigits ToDecimalDigits(double value, int significant = kDisplayDigits);

// Rounds half away from zero to at most `significant` significant digits.
void RoundSignificant(DecimalDigits& d, int significant);

// Rounds half away from zero to at most `decimals` digits after the point.
void RoundDecimals(DecimalDigits& d, int decimals);

// The digits before the decimal point ("" when the value is below 1).
std::string IntegerDigits(const DecimalDigits& d);

// `count` digits after the decimal point, zero filled.
std::string FractionDigits(const DecimalDigits& d, int count);

}  // namespace qv
