// Conversions between value kinds, text forms of numbers and the parsers
// that read numbers back from text.
#include <charconv>
#include <cmath>
#include <limits>

#include "engine/run/run_messages.h"
#include "engine/value/date_time.h"
#include "engine/value/value_internal.h"
#include "engine/value/value_ops.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace detail {

void ThrowInvalidOperand(std::u16string_view opSymbol) {
  throw ScriptError(run_msg::kArrayOperand + std::u16string(opSymbol));
}

void ThrowInvalidConversion(std::u16string_view targetName) {
  throw ScriptError(run_msg::kArrayConversion + std::u16string(targetName));
}

}  // namespace detail

namespace {

constexpr int64_t kCurrencyScale = 10000;

std::u16string_view Trim(std::u16string_view s) { return TrimBlanks(s); }

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The pieces of an integer literal: sign, magnitude, and whether it was
// written in hexadecimal (then the magnitude is a bit pattern of
// `hexDigits` significant digits).
struct ParsedInteger {
  bool negative = false;
  bool hex = false;
  int hexDigits = 0;
  uint64_t magnitude = 0;
};

bool ParseInteger(std::u16string_view text, ParsedInteger& out) {
  std::u16string_view s = Trim(text);
  size_t i = 0;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) out.negative = s[i++] == u'-';
  if (i < s.size() && s[i] == u'$') {
    out.hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    out.hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  for (; i < s.size(); ++i) {
    if (out.hex) {
      const int d = HexDigit(s[i]);
      if (d < 0) return false;
      if (out.hexDigits > 0 || d != 0) ++out.hexDigits;
      if (out.hexDigits > 16) return false;
      out.magnitude = (out.magnitude << 4) | static_cast<uint64_t>(d);
    } else {
      if (s[i] < u'0' || s[i] > u'9') return false;
      const uint64_t d = s[i] - u'0';
      if (out.magnitude > (std::numeric_limits<uint64_t>::max() - d) / 10) return false;
      out.magnitude = out.magnitude * 10 + d;
    }
  }
  return true;
}

// Signed value of a parse within `bits` (32 or 64) bits.
bool SignedValue(const ParsedInteger& p, int bits, int64_t& out) {
  uint64_t m = p.magnitude;
  if (p.hex) {
    if (p.hexDigits > bits / 4) return false;
    // The digits are a bit pattern of the width; a sign negates it with
    // wrap-around, so "-$1" reads -1 and "$FFFFFFFF" in 32 bits is -1.
    if (p.negative) m = 0 - m;
    out = bits == 32 ? static_cast<int32_t>(static_cast<uint32_t>(m)) : static_cast<int64_t>(m);
    return true;
  }
  const uint64_t limit = uint64_t(1) << (bits - 1);  // |min| of the width
  if (p.negative) {
    if (m > limit) return false;
    out = static_cast<int64_t>(0 - m);
  } else {
    if (m >= limit) return false;
    out = static_cast<int64_t>(m);
  }
  return true;
}

std::u16string_view StringOf(const Value& v, std::u16string& scratch) {
  if (v.is_text()) return v.as_text();
  scratch = BytesToText(v.as_bytes());
  return scratch;
}

[[noreturn]] void ThrowNotA(const Value& v, const char16_t* what) {
  std::u16string scratch;
  throw NotValidError(StringOf(v, scratch), what);
}

int64_t CheckedScale(int64_t i) {
  int64_t out;
  if (__builtin_mul_overflow(i, kCurrencyScale, &out)) throw OverflowError(run_msg::kCurrencyOverflow);
  return out;
}

int64_t DoubleToCurrencyScaled(double d) {
  const double r = std::nearbyint(d * static_cast<double>(kCurrencyScale));
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
    throw OverflowError(run_msg::kCurrencyOverflow);
  return static_cast<int64_t>(r);
}

// scaled / 10000 to the nearest integer, halves to even.
int64_t CurrencyToInt64(int64_t scaled) {
  int64_t q = scaled / kCurrencyScale;
  const int64_t r = scaled % kCurrencyScale;
  const int64_t twice = 2 * (r < 0 ? -r : r);
  if (twice > kCurrencyScale || (twice == kCurrencyScale && (q & 1))) q += r < 0 ? -1 : 1;
  return q;
}

std::u16string UInt64ToText(uint64_t u) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, u);
  return FromAscii(std::string_view(buf, static_cast<size_t>(res.ptr - buf)));
}

// Syntax of a decimal floating-point literal after trimming: sign, digits
// with an optional ".", optional exponent. Returns false on anything else.
bool ScanFloatSyntax(std::u16string_view s, std::string& ascii, bool& negativeExponent) {
  size_t i = 0;
  int mantissaDigits = 0;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    if (s[i] == u'-') ascii += '-';
    ++i;
  }
  auto digits = [&](int& count) {
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
      ascii += static_cast<char>(s[i++]);
      ++count;
    }
  };
  digits(mantissaDigits);
  if (i < s.size() && s[i] == u'.') {
    ascii += '.';
    ++i;
    digits(mantissaDigits);
  }
  if (mantissaDigits == 0) return false;
  negativeExponent = false;
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    ascii += 'e';
    ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
      negativeExponent = s[i] == u'-';
      ascii += static_cast<char>(s[i++]);
    }
    int exponentDigits = 0;
    digits(exponentDigits);
    if (exponentDigits == 0) return false;
  }
  return i == s.size();
}

}  // namespace

// Byte strings carry no character set of their own; like the rest of the
// system they are read in the ANSI code page.
std::u16string BytesToText(std::string_view bytes) { return DecodeAnsi(bytes); }
std::string TextToBytes(std::u16string_view text) { return EncodeAnsi(text); }

bool TextToInt64(std::u16string_view text, int64_t& out) {
  ParsedInteger p;
  return ParseInteger(text, p) && SignedValue(p, 64, out);
}

bool TextToInt32(std::u16string_view text, int32_t& out) {
  ParsedInteger p;
  int64_t v;
  if (!ParseInteger(text, p) || !SignedValue(p, 32, v)) return false;
  out = static_cast<int32_t>(v);
  return true;
}

bool TextToDouble(std::u16string_view text, double& out) {
  ParsedInteger p;
  if (ParseInteger(text, p)) {
    if (p.hex) {
      int64_t v;
      if (!SignedValue(p, 64, v)) return false;
      out = static_cast<double>(v);
    } else {
      const double m = static_cast<double>(p.magnitude);
      out = p.negative ? -m : m;
    }
    return true;
  }
  std::string ascii;
  bool negativeExponent = false;
  if (!ScanFloatSyntax(Trim(text), ascii, negativeExponent)) return false;
  double d = 0;
  auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), d);
  if (res.ec == std::errc::result_out_of_range) {
    // Too small to represent is zero; too large is no number at all.
    if (!negativeExponent) return false;
    d = ascii[0] == '-' ? -0.0 : 0.0;
  } else if (res.ec != std::errc() || res.ptr != ascii.data() + ascii.size()) {
    return false;
  }
  out = d == 0 ? 0.0 : d;
  return true;
}

bool TextToBool(std::u16string_view text, bool& out) {
  std::u16string_view s = Trim(text);
  if (SameText(s, u"true")) {
    out = true;
    return true;
  }
  if (SameText(s, u"false")) {
    out = false;
    return true;
  }
  double d;
  if (!TextToDouble(s, d)) return false;
  out = d != 0;
  return true;
}

int32_t RoundToInt32(double d) {
  const double r = std::nearbyint(d);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw OverflowError(run_msg::kIntegerRange);
  return static_cast<int32_t>(r);
}

int64_t RoundToInt64(double d) {
  const double r = std::nearbyint(d);
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) {
    throw OverflowError(run_msg::kInt64Range);
  }
  return static_cast<int64_t>(r);
}

int32_t ToInt32(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Int32:
    case ValueKind::Object:
      return v.as_int32();
    case ValueKind::Empty:
    case ValueKind::Null:
      return 0;
    case ValueKind::Boolean:
      return v.as_bool() ? -1 : 0;
    case ValueKind::Double:
    case ValueKind::Date:
      return RoundToInt32(v.as_double());
    case ValueKind::Text:
    case ValueKind::Bytes: {
      // 32-bit first, so hexadecimal reads as a 32-bit pattern.
      std::u16string scratch;
      int32_t i;
      if (TextToInt32(StringOf(v, scratch), i)) return i;
      break;
    }
    case ValueKind::Array:
      detail::ThrowInvalidConversion(u"Integer");
    default:
      break;
  }
  const int64_t i = ToInt64(v);
  if (i < INT32_MIN || i > INT32_MAX) throw OverflowError(run_msg::kIntegerRange);
  return static_cast<int32_t>(i);
}

int64_t ToInt64(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Empty:
    case ValueKind::Null:
      return 0;
    case ValueKind::Int32:
    case ValueKind::Object:
      return v.as_int32();
    case ValueKind::Int64:
      return v.as_int64();
    case ValueKind::UInt64:
      if (v.as_uint64() > uint64_t(INT64_MAX)) throw OverflowError(run_msg::kInt64Range);
      return static_cast<int64_t>(v.as_uint64());
    case ValueKind::Double:
    case ValueKind::Date:
      return RoundToInt64(v.as_double());
    case ValueKind::Currency:
      return CurrencyToInt64(v.as_currency_scaled());
    case ValueKind::Boolean:
      return v.as_bool() ? -1 : 0;
    case ValueKind::Text:
    case ValueKind::Bytes: {
      std::u16string scratch;
      std::u16string_view s = StringOf(v, scratch);
      int64_t i;
      if (TextToInt64(s, i)) return i;
      double d;
      if (TextToDouble(s, d)) return RoundToInt64(d);
      ThrowNotA(v, u"integer value");
    }
    case ValueKind::Array:
      break;
  }
  detail::ThrowInvalidConversion(u"Int64");
}

uint64_t ToUInt64(const Value& v) {
  switch (v.kind()) {
    case ValueKind::UInt64:
      return v.as_uint64();
    case ValueKind::Double:
    case ValueKind::Date: {
      const double r = std::nearbyint(v.as_double());
      if (!(r >= 0 && r < 18446744073709551616.0)) throw OverflowError(run_msg::kUInt64Range);
      return static_cast<uint64_t>(r);
    }
    case ValueKind::Text:
    case ValueKind::Bytes: {
      std::u16string scratch;
      std::u16string_view s = StringOf(v, scratch);
      ParsedInteger p;
      if (ParseInteger(s, p) && !p.negative) return p.magnitude;
      break;  // negative or not an integer: through the signed route
    }
    case ValueKind::Array:
      detail::ThrowInvalidConversion(u"UInt64");
    default:
      break;
  }
  const int64_t i = ToInt64(v);
  if (i < 0) throw OverflowError(run_msg::kUInt64Range);
  return static_cast<uint64_t>(i);
}

double ToDouble(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Empty:
    case ValueKind::Null:
      return 0;
    case ValueKind::Int32:
    case ValueKind::Object:
      return v.as_int32();
    case ValueKind::Int64:
      return static_cast<double>(v.as_int64());
    case ValueKind::UInt64:
      return static_cast<double>(v.as_uint64());
    case ValueKind::Double:
    case ValueKind::Date:
      return v.as_double();
    case ValueKind::Currency:
      return static_cast<double>(v.as_currency_scaled()) / kCurrencyScale;
    case ValueKind::Boolean:
      return v.as_bool() ? -1 : 0;
    case ValueKind::Text:
    case ValueKind::Bytes: {
      std::u16string scratch;
      double d;
      if (TextToDouble(StringOf(v, scratch), d)) return d;
      ThrowNotA(v, u"floating point value");
    }
    case ValueKind::Array:
      break;
  }
  detail::ThrowInvalidConversion(u"Double");
}

int64_t ToCurrencyScaled(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Currency:
      return v.as_currency_scaled();
    case ValueKind::Int32:
    case ValueKind::Object:
    case ValueKind::Int64:
    case ValueKind::Boolean:
    case ValueKind::Empty:
    case ValueKind::Null:
      return CheckedScale(ToInt64(v));
    case ValueKind::UInt64:
      if (v.as_uint64() > uint64_t(INT64_MAX)) throw OverflowError(run_msg::kCurrencyOverflow);
      return CheckedScale(static_cast<int64_t>(v.as_uint64()));
    case ValueKind::Array:
      detail::ThrowInvalidConversion(u"Currency");
    default:
      return DoubleToCurrencyScaled(ToDouble(v));
  }
}

double ToDate(const Value& v) {
  if (v.is_string()) {
    std::u16string scratch;
    std::u16string_view s = StringOf(v, scratch);
    double d;
    if (TextToDateTime(s, d) || TextToDouble(s, d)) return d;
    ThrowNotA(v, u"date and time");
  }
  if (v.is_array()) detail::ThrowInvalidConversion(u"Date");
  return ToDouble(v);
}

bool ToBoolConverted(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Empty:
    case ValueKind::Null:
      return false;
    case ValueKind::Boolean:
      return v.as_bool();
    case ValueKind::Int32:
    case ValueKind::Object:
      return v.as_int32() != 0;
    case ValueKind::Int64:
    case ValueKind::Currency:
      return v.as_int64() != 0;
    case ValueKind::UInt64:
      return v.as_uint64() != 0;
    case ValueKind::Double:
    case ValueKind::Date:
      return v.as_double() != 0;
    case ValueKind::Text:
    case ValueKind::Bytes: {
      std::u16string scratch;
      bool b;
      if (TextToBool(StringOf(v, scratch), b)) return b;
      ThrowNotA(v, u"boolean value");
    }
    case ValueKind::Array:
      break;
  }
  detail::ThrowInvalidConversion(u"Boolean");
}

std::u16string FloatToText(double d) {
  if (std::isnan(d)) return u"NAN";
  if (std::isinf(d)) return d < 0 ? u"-INF" : u"INF";
  if (d == 0) return u"0";
  // 15 significant digits: one before the point, fourteen after.
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, 14);
  std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
  const size_t ePos = s.find('e');
  int exponent = 0;
  std::from_chars(s.data() + ePos + 1 + (s[ePos + 1] == '+'), s.data() + s.size(), exponent);
  std::string digits;
  for (size_t i = 0; i < ePos; ++i) {
    if (s[i] >= '0' && s[i] <= '9') digits += s[i];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out;
  if (d < 0) out += '-';
  if (exponent >= 15 || exponent < -4) {
    out += digits[0];
    if (digits.size() > 1) out += '.' + digits.substr(1);
    out += 'E' + std::to_string(exponent);
  } else if (exponent < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    const size_t intDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out += digits.substr(0, intDigits) + '.' + digits.substr(intDigits);
    }
  }
  return FromAscii(out);
}

std::u16string CurrencyToText(int64_t scaled) {
  const uint64_t mag = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::u16string out;
  if (scaled < 0) out += u'-';
  out += UInt64ToText(mag / kCurrencyScale);
  uint64_t frac = mag % kCurrencyScale;
  if (frac != 0) {
    std::u16string f = UInt64ToText(frac);
    f.insert(0, 4 - f.size(), u'0');
    while (f.back() == u'0') f.pop_back();
    out += u'.' + f;
  }
  return out;
}

std::u16string ToText(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Empty:
    case ValueKind::Null:
      return std::u16string();
    case ValueKind::Int32:
    case ValueKind::Object:
      return IntToText(v.as_int32());
    case ValueKind::Int64:
      return IntToText(v.as_int64());
    case ValueKind::UInt64:
      return UInt64ToText(v.as_uint64());
    case ValueKind::Double:
      return FloatToText(v.as_double());
    case ValueKind::Currency:
      return CurrencyToText(v.as_currency_scaled());
    case ValueKind::Date:
      return DateTimeToText(v.as_double());
    case ValueKind::Boolean:
      return v.as_bool() ? u"True" : u"False";
    case ValueKind::Text:
      return v.as_text();
    case ValueKind::Bytes:
      return BytesToText(v.as_bytes());
    case ValueKind::Array:
      break;
  }
  detail::ThrowInvalidConversion(u"String");
}

std::string ToBytes(const Value& v) {
  if (v.is_bytes()) return v.as_bytes();
  if (v.is_text()) return TextToBytes(v.as_text());
  return TextToBytes(ToText(v));
}

int32_t VarTypeCode(const Value& v) noexcept {
  switch (v.kind()) {
    case ValueKind::Empty:
      return 0;
    case ValueKind::Null:
      return 1;
    case ValueKind::Int32:
    case ValueKind::Object:  // object references travel as integers
      return 3;
    case ValueKind::Double:
      return 5;
    case ValueKind::Currency:
      return 6;
    case ValueKind::Date:
      return 7;
    case ValueKind::Boolean:
      return 11;
    case ValueKind::Int64:
      return 20;
    case ValueKind::UInt64:
      return 21;
    case ValueKind::Text:
    case ValueKind::Bytes:
      return 256;
    case ValueKind::Array:
      return 8192 | 12;
  }
  return 0;
}

ConvertError NotValidError(std::u16string_view text, std::u16string_view what) {
  return ConvertError(u"'" + std::u16string(text) + run_msg::kIsNotAValid + std::u16string(what));
}

}  // namespace qv
