#include "engine/value/decimal_digits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace qv {

namespace {

void StripTrailingZeros(DecimalDigits& d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.exponent = 0;
}

// Keeps the first `keep` digits, rounding half away from zero on the next one.
void RoundAt(DecimalDigits& d, int keep) {
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    d.exponent = 0;
    return;
  }
  bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.exponent;
    }
  }
  StripTrailingZeros(d);
}

}  // namespace

DecimalDigits ToDecimalDigits(double value, int significant) {
  significant = std::clamp(significant, 1, 17);
  DecimalDigits d;
  d.negative = std::signbit(value);
  if (value == 0) return d;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value < 0 ? -value : value, std::chars_format::scientific,
                           significant - 1);
  std::string_view text(buf, res.ptr - buf);
  size_t e = text.find('e');
  for (size_t i = 0; i < e; ++i)
    if (text[i] != '.') d.digits += text[i];
  d.exponent = std::atoi(std::string(text.substr(e + 1)).c_str()) + 1;
  StripTrailingZeros(d);
  return d;
}

void RoundSignificant(DecimalDigits& d, int significant) { RoundAt(d, std::max(significant, 0)); }

void RoundDecimals(DecimalDigits& d, int decimals) {
  if (d.IsZero()) return;
  RoundAt(d, d.exponent + decimals);
}

std::string IntegerDigits(const DecimalDigits& d) {
  if (d.exponent <= 0 || d.IsZero()) return {};
  std::string out = d.digits.substr(0, std::min<size_t>(d.digits.size(), d.exponent));
  out.append(d.exponent - out.size(), '0');
  return out;
}

std::string FractionDigits(const DecimalDigits& d, int count) {
  std::string out(std::max(count, 0), '0');
  for (int j = 0; j < count; ++j) {
    long long index = static_cast<long long>(d.exponent) + j;
    if (index >= 0 && index < static_cast<long long>(d.digits.size())) out[j] = d.digits[index];
  }
  return out;
}

}  // namespace qv
