#include "library/chinese/chinese_numerals.h"

#include <cmath>
#include <limits>

namespace qv::library {

namespace {

constexpr std::u16string_view kLowerDigits = u"零一二三四五六七八九";
constexpr std::u16string_view kCapitalDigits = u"零壹贰叁肆伍陆柒捌玖";

int64_t Saturate(__int128 v) {
  constexpr auto lo = std::numeric_limits<int64_t>::min(), hi = std::numeric_limits<int64_t>::max();
  return v < lo ? lo : v > hi ? hi : static_cast<int64_t>(v);
}

// The value of a digit of any of the three kinds, or -1.
int DigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c == u'两') return 2;
  if (size_t i = kLowerDigits.find(c); i != std::u16string_view::npos) return static_cast<int>(i);
  if (size_t i = kCapitalDigits.find(c); i != std::u16string_view::npos) return static_cast<int>(i);
  return -1;
}

int64_t UnitValue(char16_t c) {
  switch (c) {
    case u'十':
    case u'拾':
      return 10;
    case u'百':
    case u'佰':
      return 100;
    case u'千':
    case u'仟':
      return 1000;
    case u'万':
      return 10000;
    case u'亿':
      return 100000000;
    default:
      return 0;
  }
}

std::u16string Group(int v) {  // 1..9999
  static constexpr char16_t kUnits[] = {u'\0', u'十', u'百', u'千'};
  std::u16string out;
  bool started = false, zero = false;
  for (int p = 3, scale = 1000; p >= 0; --p, scale /= 10) {
    int d = v / scale % 10;
    if (d == 0) {
      zero = started;
      continue;
    }
    if (zero) out += u'零';
    zero = false;
    out += kLowerDigits[static_cast<size_t>(d)];
    if (p > 0) out += kUnits[p];
    started = true;
  }
  return out;
}

std::u16string Whole(int64_t v) {  // v > 0
  constexpr int64_t kYi = 100000000, kWan = 10000;
  if (v >= kYi) {
    int64_t low = v % kYi;
    std::u16string s = Whole(v / kYi) + u"亿";
    if (low > 0) s += (low < kYi / 10 ? u"零" : u"") + Whole(low);
    return s;
  }
  if (v >= kWan) {
    int64_t low = v % kWan;
    std::u16string s = Group(static_cast<int>(v / kWan)) + u"万";
    if (low > 0) s += (low < 1000 ? u"零" : u"") + Group(static_cast<int>(low));
    return s;
  }
  return Group(static_cast<int>(v));
}

}  // namespace

int64_t ChineseToNumber(std::u16string_view text) {
  __int128 total = 0, section = 0, pending = 0;
  for (char16_t c : text) {
    if (int d = DigitValue(c); d >= 0) {
      pending = d;
    } else if (int64_t unit = UnitValue(c); unit == 10000) {
      total += (section + pending) * unit;
      section = pending = 0;
    } else if (unit == 100000000) {
      total = (total + section + pending) * unit;
      section = pending = 0;
    } else if (unit > 0) {
      section += (unit == 10 && pending == 0 ? 1 : pending) * unit;
      pending = 0;
    }
    // Keeps the numbers bounded whatever the text repeats.
    total = Saturate(total);
    section = Saturate(section);
  }
  return Saturate(total + section + pending);
}

std::u16string NumberToChinese(double amount) {
  auto hundredths = static_cast<int64_t>(std::nearbyint(amount * 100));
  int64_t whole = hundredths / 100, fraction = hundredths % 100;
  std::u16string s = whole == 0 ? std::u16string(u"零") : Whole(whole);
  if (s.size() >= 2 && s[0] == u'一' && s[1] == u'十') s.erase(0, 1);
  if (fraction > 0) {
    s += u'点';
    s += kLowerDigits[static_cast<size_t>(fraction / 10)];
    if (fraction % 10) s += kLowerDigits[static_cast<size_t>(fraction % 10)];
  }
  return s;
}

}  // namespace qv::library
