// FormatFloat: the number picture language.
#include <cmath>
#include <string>
#include <vector>

#include "engine/syslib/format.h"
#include "engine/value/decimal_digits.h"
#include "engine/value/format_settings.h"
#include "engine/value/number_text.h"
#include "engine/value/value_ops.h"

namespace qv {

namespace {

bool IsQuote(char16_t c) { return c == u'\'' || c == u'"'; }

// The length of the quoted text starting at `i` (a quote), closing quote included.
size_t QuotedLength(std::u16string_view s, size_t i) {
  size_t end = s.find(s[i], i + 1);
  return (end == std::u16string_view::npos ? s.size() : end + 1) - i;
}

std::vector<std::u16string_view> SplitSections(std::u16string_view format) {
  std::vector<std::u16string_view> sections;
  size_t start = 0;
  for (size_t i = 0; i < format.size();) {
    if (IsQuote(format[i])) {
      i += QuotedLength(format, i);
    } else if (format[i] == u';') {
      sections.push_back(format.substr(start, i - start));
      start = ++i;
    } else {
      ++i;
    }
  }
  sections.push_back(format.substr(start));
  return sections;
}

bool IsExponentAt(std::u16string_view s, size_t i) {
  return (s[i] == u'E' || s[i] == u'e') && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-');
}

// What one section asks for.
struct Picture {
  std::u16string_view text;
  int intCount = 0;  // digit places before the point
  int minInt = 0;    // of them, from the first '0' on
  int fracCount = 0;
  int minFrac = 0;  // digit places after the point up to the last '0'
  bool thousands = false;
  bool scientific = false;
  int expDigits = 0;
};

Picture Scan(std::u16string_view text) {
  Picture p;
  p.text = text;
  bool point = false;
  int firstZero = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (IsQuote(c)) {
      i += QuotedLength(text, i) - 1;
    } else if (c == u'0' || c == u'#') {
      if (!point) {
        if (c == u'0' && firstZero < 0) firstZero = p.intCount;
        ++p.intCount;
      } else {
        ++p.fracCount;
        if (c == u'0') p.minFrac = p.fracCount;
      }
    } else if (c == u'.') {
      point = true;
    } else if (c == u',') {
      p.thousands = true;
    } else if (IsExponentAt(text, i)) {
      p.scientific = true;
      for (i += 2; i < text.size() && text[i] == u'0'; ++i) ++p.expDigits;
      if (p.expDigits > 4) p.expDigits = 4;
      break;
    }
  }
  p.minInt = firstZero < 0 ? 0 : p.intCount - firstZero;
  return p;
}

// The digits a picture shows for a magnitude.
struct Digits {
  std::string integer;
  std::string fraction;
  int exponent = 0;
  bool zero = false;
};

Digits Layout(const Picture& p, double magnitude) {
  Digits out;
  DecimalDigits d = ToDecimalDigits(magnitude);
  if (p.scientific) {
    int significant = p.intCount + p.fracCount;
    RoundSignificant(d, significant > 0 ? significant : 1);
    out.zero = d.IsZero();
    out.exponent = out.zero ? 0 : d.exponent - p.intCount;
    std::string all = d.digits;
    if (static_cast<int>(all.size()) < significant) all.resize(significant, '0');
    out.integer = all.substr(0, p.intCount);
    out.fraction = all.substr(p.intCount);
    size_t nonZero = out.integer.find_first_not_of('0');
    out.integer.erase(0, nonZero == std::string::npos ? out.integer.size() : nonZero);
  } else {
    RoundDecimals(d, p.fracCount);
    out.zero = d.IsZero();
    out.integer = IntegerDigits(d);
    out.fraction = FractionDigits(d, p.fracCount);
  }
  if (static_cast<int>(out.integer.size()) < p.minInt)
    out.integer.insert(0, p.minInt - out.integer.size(), '0');
  while (static_cast<int>(out.fraction.size()) > p.minFrac && out.fraction.back() == '0')
    out.fraction.pop_back();
  return out;
}

std::u16string Render(const Picture& p, const Digits& digits, bool minus) {
  const FormatSettings& fs = ProcessFormatSettings();
  const std::string& I = digits.integer;
  std::u16string out;
  if (minus) out += u'-';
  auto emitInteger = [&](long long from, long long to) {  // digits I[from..to]
    for (long long j = from < 0 ? 0 : from; j <= to; ++j) {
      out += static_cast<char16_t>(I[j]);
      long long right = static_cast<long long>(I.size()) - 1 - j;
      if (p.thousands && right > 0 && right % 3 == 0) out += fs.thousandSeparator;
    }
  };
  long long extra = static_cast<long long>(I.size()) - p.intCount;
  int place = 0, fracPlace = 0;
  bool point = false, integerDone = false;
  const std::u16string_view t = p.text;
  for (size_t i = 0; i < t.size(); ++i) {
    char16_t c = t[i];
    if (IsQuote(c)) {
      size_t len = QuotedLength(t, i);
      size_t inner = len >= 2 && i + len <= t.size() && t[i + len - 1] == c ? len - 2 : len - 1;
      out += t.substr(i + 1, inner);
      i += len - 1;
    } else if ((c == u'0' || c == u'#') && !point) {
      long long index = extra + place;
      emitInteger(place == 0 ? 0 : index, index);
      ++place;
    } else if (c == u'0' || c == u'#') {
      if (fracPlace < static_cast<int>(digits.fraction.size()))
        out += static_cast<char16_t>(digits.fraction[fracPlace]);
      ++fracPlace;
    } else if (c == u'.') {
      if (point) continue;
      // A picture without integer places shows the integer digits here.
      if (p.intCount == 0 && !integerDone) emitInteger(0, static_cast<long long>(I.size()) - 1);
      integerDone = true;
      point = true;
      if (!digits.fraction.empty()) out += fs.decimalSeparator;
    } else if (c == u',') {
      continue;
    } else if (p.scientific && IsExponentAt(t, i)) {
      if (p.intCount == 0 && !integerDone) emitInteger(0, static_cast<long long>(I.size()) - 1);
      integerDone = true;
      out += c;
      int e = digits.exponent;
      if (e < 0)
        out += u'-';
      else if (t[i + 1] == u'+')
        out += u'+';
      std::string text = std::to_string(e < 0 ? -e : e);
      if (static_cast<int>(text.size()) < p.expDigits) text.insert(0, p.expDigits - text.size(), '0');
      for (char d : text) out += static_cast<char16_t>(d);
      for (i += 2; i < t.size() && t[i] == u'0'; ++i) {
      }
      // Digit places after the exponent belong to it; anything else is text.
      --i;
      point = true;
      fracPlace = static_cast<int>(digits.fraction.size());
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::u16string FormatFloat(std::u16string_view format, double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  std::vector<std::u16string_view> sections = SplitSections(format);
  auto pick = [&](int index, bool& minus) {
    minus = false;
    if (index < static_cast<int>(sections.size()) && !sections[index].empty()) return sections[index];
    minus = index == 1;
    return sections[0];
  };
  bool minus;
  int index = value > 0 ? 0 : (value < 0 ? 1 : 2);
  std::u16string_view section = pick(index, minus);
  if (section.empty()) return FloatToText(value);
  Picture picture = Scan(section);
  Digits digits = Layout(picture, std::fabs(value));
  if (digits.zero && index != 2) {
    // A value that rounds to zero is shown as zero, without a sign.
    section = pick(2, minus);
    picture = Scan(section);
    digits = Layout(picture, 0);
  }
  return Render(picture, digits, minus);
}

}  // namespace qv
