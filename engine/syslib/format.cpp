// Format: the percent-sign specifiers.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/run/run_messages.h"
#include "engine/syslib/format.h"
#include "engine/value/format_settings.h"
#include "engine/value/number_text.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

// Widths and precisions beyond this are refused rather than allocated.
constexpr int kMaxWidth = 1 << 20;

class Formatter {
 public:
  Formatter(std::u16string_view format, std::span<const Value> args) : fmt_(format), args_(args) {}

  std::u16string Run() {
    while (pos_ < fmt_.size()) {
      char16_t c = fmt_[pos_++];
      if (c != u'%') {
        out_ += c;
        continue;
      }
      if (pos_ < fmt_.size() && fmt_[pos_] == u'%') {
        out_ += u'%';
        ++pos_;
        continue;
      }
      Specifier();
    }
    return std::move(out_);
  }

 private:
  [[noreturn]] void Invalid() const {
    throw ScriptError(run_msg::kFormat + std::u16string(fmt_) + run_msg::kFormatIncompatible);
  }

  const Value& NextArg() {
    if (next_ >= args_.size()) throw ScriptError(run_msg::kNoFormatArgument + std::u16string(fmt_) + u"'");
    return args_[next_++];
  }

  // Digits or "*"; nullopt when neither is present.
  std::optional<int> Number() {
    if (pos_ < fmt_.size() && fmt_[pos_] == u'*') {
      ++pos_;
      const Value& v = NextArg();
      if (v.kind() != ValueKind::Int32 && v.kind() != ValueKind::Int64) Invalid();
      int64_t n = ToInt64(v);
      if (n > kMaxWidth || n < -kMaxWidth) Invalid();
      return static_cast<int>(n);
    }
    if (pos_ >= fmt_.size() || fmt_[pos_] < u'0' || fmt_[pos_] > u'9') return std::nullopt;
    int64_t n = 0;
    while (pos_ < fmt_.size() && fmt_[pos_] >= u'0' && fmt_[pos_] <= u'9') {
      n = n * 10 + (fmt_[pos_++] - u'0');
      if (n > kMaxWidth) Invalid();
    }
    return static_cast<int>(n);
  }

  void Specifier() {
    bool left = false;
    std::optional<int> number = Number();
    if (number && pos_ < fmt_.size() && fmt_[pos_] == u':') {
      ++pos_;
      if (*number < 0) Invalid();
      next_ = static_cast<size_t>(*number);
      number.reset();
    }
    if (!number) {
      if (pos_ < fmt_.size() && fmt_[pos_] == u'-') {
        left = true;
        ++pos_;
      }
      number = Number();
    }
    int width = number.value_or(0);
    if (width < 0) {
      // A negative "*" width left-justifies, as a "-" would.
      left = true;
      width = -width;
    }
    int precision = -1;
    if (pos_ < fmt_.size() && fmt_[pos_] == u'.') {
      ++pos_;
      precision = std::max(Number().value_or(0), 0);
    }
    if (pos_ >= fmt_.size()) Invalid();
    char16_t type = fmt_[pos_++];
    if (type >= u'A' && type <= u'Z') type = static_cast<char16_t>(type + 32);
    std::u16string text = Convert(type, precision, NextArg());
    if (static_cast<int>(text.size()) < width) {
      std::u16string pad(width - text.size(), u' ');
      text = left ? text + pad : pad + text;
    }
    out_ += text;
  }

  static bool IsInteger(const Value& v) {
    switch (v.kind()) {
      case ValueKind::Int32:
      case ValueKind::Int64:
      case ValueKind::UInt64:
      case ValueKind::Object:
      case ValueKind::Empty:
      case ValueKind::Null:
        return true;
      default:
        return false;
    }
  }

  // An integer argument as its 64-bit pattern; 32-bit values keep 32 bits.
  bool IntegerArg(const Value& v, int64_t& n, bool& wide) const {
    wide = false;
    if (v.is_string()) {
      std::u16string text = ToText(v);
      int32_t n32;
      if (TextToInt32(text, n32)) {
        n = n32;
        return true;
      }
      wide = true;
      return TextToInt64(text, n);
    }
    if (!IsInteger(v)) return false;
    wide = v.kind() == ValueKind::Int64 || v.kind() == ValueKind::UInt64;
    n = v.kind() == ValueKind::UInt64 ? static_cast<int64_t>(v.as_uint64()) : ToInt64(v);
    return true;
  }

  double FloatArg(const Value& v) const {
    switch (v.kind()) {
      case ValueKind::Array:
      case ValueKind::Object:
      case ValueKind::Boolean:
        Invalid();
      case ValueKind::Text:
      case ValueKind::Bytes: {
        double d;
        if (!TextToDouble(ToText(v), d)) Invalid();
        return d;
      }
      default:
        return ToDouble(v);
    }
  }

  static std::u16string Hex(uint64_t n, int minDigits) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string out;
    do {
      out.insert(out.begin(), kDigits[n & 15]);
      n >>= 4;
    } while (n != 0);
    if (static_cast<int>(out.size()) < minDigits) out.insert(0, minDigits - out.size(), u'0');
    return out;
  }

  static std::u16string Decimal(uint64_t magnitude, bool negative, int minDigits) {
    std::u16string digits = FromAscii(std::to_string(magnitude));
    if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), u'0');
    return negative ? u"-" + digits : digits;
  }

  std::u16string Convert(char16_t type, int precision, const Value& v) const {
    int64_t n;
    bool wide;
    switch (type) {
      case u'd':
        if (!IntegerArg(v, n, wide)) Invalid();
        if (v.kind() == ValueKind::UInt64) return Decimal(v.as_uint64(), false, precision);
        return Decimal(n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n), n < 0, precision);
      case u'u':
        if (!IntegerArg(v, n, wide)) Invalid();
        return Decimal(wide ? static_cast<uint64_t>(n) : static_cast<uint32_t>(n), false, precision);
      case u'x':
        if (!IntegerArg(v, n, wide)) Invalid();
        return Hex(wide ? static_cast<uint64_t>(n) : static_cast<uint32_t>(n), precision);
      case u'p':
        if (!IntegerArg(v, n, wide) || v.is_string()) Invalid();
        if (!wide || (n >= 0 && n <= UINT32_MAX)) return Hex(static_cast<uint32_t>(n), 8);
        return Hex(static_cast<uint64_t>(n), 16);
      case u's': {
        if (v.is_array()) Invalid();
        std::u16string text = ToText(v);
        if (precision >= 0 && static_cast<size_t>(precision) < text.size()) {
          size_t cut = precision;
          // Never keep half of a surrogate pair.
          if (cut > 0 && IsHighSurrogate(text[cut - 1])) --cut;
          text.resize(cut);
        }
        return text;
      }
      case u'e':
        return ExponentText(FloatArg(v), precision < 0 ? 15 : precision);
      case u'f':
        return FixedText(FloatArg(v), precision < 0 ? 2 : precision);
      case u'g':
        return GeneralText(FloatArg(v), precision < 0 ? 15 : precision);
      case u'n':
        return FixedText(FloatArg(v), precision < 0 ? 2 : precision,
                         ProcessFormatSettings().thousandSeparator);
      case u'm':
        return Money(FloatArg(v), precision);
      default:
        Invalid();
    }
  }

  static std::u16string Money(double value, int precision) {
    const FormatSettings& fs = ProcessFormatSettings();
    if (!std::isfinite(value)) return NonFiniteText(value);
    std::u16string number =
        FixedText(std::fabs(value), precision < 0 ? fs.currencyDecimals : precision, fs.thousandSeparator);
    const std::u16string& c = fs.currencyString;
    bool negative = value < 0 && FixedText(value, precision < 0 ? fs.currencyDecimals : precision)[0] == u'-';
    if (!negative) {
      switch (fs.currencyFormat) {
        case 1:
          return number + c;
        case 2:
          return c + u" " + number;
        case 3:
          return number + u" " + c;
        default:
          return c + number;
      }
    }
    switch (fs.negCurrFormat) {
      case 0:
        return u"(" + c + number + u")";
      case 2:
        return c + u"-" + number;
      case 3:
        return c + number + u"-";
      case 4:
        return u"(" + number + c + u")";
      case 5:
        return u"-" + number + c;
      case 6:
        return number + u"-" + c;
      case 7:
        return number + c + u"-";
      case 8:
        return u"-" + number + u" " + c;
      case 9:
        return u"-" + c + u" " + number;
      case 10:
        return number + u" " + c + u"-";
      case 11:
        return c + u" " + number + u"-";
      case 12:
        return c + u" -" + number;
      case 13:
        return number + u"- " + c;
      case 14:
        return u"(" + c + u" " + number + u")";
      case 15:
        return u"(" + number + u" " + c + u")";
      default:
        return u"-" + c + number;
    }
  }

  std::u16string_view fmt_;
  std::span<const Value> args_;
  size_t pos_ = 0;
  size_t next_ = 0;
  std::u16string out_;
};

}  // namespace

std::u16string Format(std::u16string_view format, std::span<const Value> args) {
  return Formatter(format, args).Run();
}

}  // namespace qv
