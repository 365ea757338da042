#include "engine/value/number_text.h"

#include <cmath>

#include "engine/value/format_settings.h"
#include "support/text.h"

namespace qv {

namespace {

std::u16string Widen(const std::string& digits) { return FromAscii(digits); }

}  // namespace

std::u16string GroupThousands(const std::string& integerDigits, char16_t separator) {
  std::u16string out;
  size_t n = integerDigits.size();
  for (size_t i = 0; i < n; ++i) {
    out += static_cast<char16_t>(integerDigits[i]);
    size_t left = n - 1 - i;
    if (separator != 0 && left > 0 && left % 3 == 0) out += separator;
  }
  return out;
}

std::u16string NonFiniteText(double value) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
  return {};
}

std::u16string FixedText(double value, int decimals, char16_t separator) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  DecimalDigits d = ToDecimalDigits(value);
  RoundDecimals(d, decimals);
  std::string integer = IntegerDigits(d);
  if (integer.empty()) integer = "0";
  std::u16string out;
  if (!d.IsZero() && d.negative) out += u'-';
  out += GroupThousands(integer, separator);
  if (decimals > 0) {
    out += ProcessFormatSettings().decimalSeparator;
    out += Widen(FractionDigits(d, decimals));
  }
  return out;
}

std::u16string ExponentText(double value, int precision) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (precision < 1) precision = 1;
  DecimalDigits d = ToDecimalDigits(value);
  RoundSignificant(d, precision);
  std::string mantissa = d.digits;
  mantissa.resize(precision, '0');
  int exponent = d.IsZero() ? 0 : d.exponent - 1;
  std::u16string out;
  if (d.negative && !d.IsZero()) out += u'-';
  out += static_cast<char16_t>(mantissa[0]);
  if (precision > 1) {
    out += ProcessFormatSettings().decimalSeparator;
    out += Widen(mantissa.substr(1));
  }
  out += exponent < 0 ? u"E-" : u"E+";
  std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
  if (e.size() < 3) e.insert(0, 3 - e.size(), '0');
  out += Widen(e);
  return out;
}

std::u16string GeneralText(double value, int precision) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (precision < 1) precision = 1;
  DecimalDigits d = ToDecimalDigits(value);
  RoundSignificant(d, precision);
  if (d.IsZero()) return u"0";
  std::u16string out;
  if (d.negative) out += u'-';
  char16_t point = ProcessFormatSettings().decimalSeparator;
  int exponent = d.exponent - 1;
  if (exponent >= precision || exponent < -4) {
    out += static_cast<char16_t>(d.digits[0]);
    if (d.digits.size() > 1) {
      out += point;
      out += Widen(d.digits.substr(1));
    }
    out += u'E';
    out += IntToText(exponent);
    return out;
  }
  std::string integer = IntegerDigits(d);
  out += integer.empty() ? u"0" : Widen(integer);
  int fraction = static_cast<int>(d.digits.size()) - d.exponent;
  if (fraction > 0) {
    out += point;
    out += Widen(FractionDigits(d, fraction));
  }
  return out;
}

}  // namespace qv
