#include "engine/value/date_time.h"

#include <cmath>

#include "engine/value/value_ops.h"
#include "support/text.h"

namespace qv {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Serial numbers of 0001-01-01 and 9999-12-31.
constexpr double kMinSerial = -693593.0;
constexpr double kMaxSerial = 2958465.0;
// 1970-01-01 as a serial number.
constexpr int64_t kUnixEpochSerial = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's
// days_from_civil), and its inverse.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

void AppendPadded(std::u16string& out, int value, int width) {
  std::u16string digits = IntToText(value);
  for (int n = static_cast<int>(digits.size()); n < width; ++n) out += u'0';
  out += digits;
}

void AppendDate(std::u16string& out, const DateTimeParts& p) {
  AppendPadded(out, p.year, 4);
  out += u'-';
  AppendPadded(out, p.month, 2);
  out += u'-';
  AppendPadded(out, p.day, 2);
}

void AppendTime(std::u16string& out, const DateTimeParts& p) {
  AppendPadded(out, p.hour, 2);
  out += u':';
  AppendPadded(out, p.minute, 2);
  out += u':';
  AppendPadded(out, p.second, 2);
}

bool IsBlank(char16_t c) { return c <= u' '; }

// A cursor over the text being parsed.
struct Scanner {
  std::u16string_view s;
  size_t i = 0;

  void SkipBlanks() {
    while (i < s.size() && IsBlank(s[i])) ++i;
  }
  bool AtEnd() const { return i >= s.size(); }
  bool Take(char16_t c) {
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  // 1 to maxDigits decimal digits.
  bool Number(int maxDigits, int& out, int* digitCount = nullptr) {
    int n = 0;
    out = 0;
    while (i < s.size() && n < maxDigits && s[i] >= u'0' && s[i] <= u'9') {
      out = out * 10 + (s[i] - u'0');
      ++i, ++n;
    }
    if (digitCount) *digitCount = n;
    return n > 0;
  }
};

bool ScanDate(Scanner& sc, double& out) {
  int y, m, d;
  if (!sc.Number(4, y)) return false;
  char16_t sep = sc.AtEnd() ? 0 : sc.s[sc.i];
  if (sep != u'-' && sep != u'/') return false;
  ++sc.i;
  if (!sc.Number(2, m) || !sc.Take(sep) || !sc.Number(2, d)) return false;
  return TryEncodeDate(y, m, d, out);
}

bool ScanTime(Scanner& sc, double& out) {
  int h, n, s = 0, ms = 0;
  if (!sc.Number(2, h) || !sc.Take(u':') || !sc.Number(2, n)) return false;
  if (sc.Take(u':')) {
    if (!sc.Number(2, s)) return false;
    if (sc.Take(u'.')) {
      int digits = 0;
      if (!sc.Number(3, ms, &digits)) return false;
      for (; digits < 3; ++digits) ms *= 10;
    }
  }
  return TryEncodeTime(h, n, s, ms, out);
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, double& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;
  out = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochSerial);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, double& out) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  if (millisecond < 0 || millisecond > 999) return false;
  const int64_t ms = ((int64_t(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
  out = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return true;
}

double ComposeDateTime(double date, double time) {
  return date < 0 ? date - std::fabs(time) : date + std::fabs(time);
}

bool DecodeDateTime(double value, DateTimeParts& out) {
  if (!std::isfinite(value) || value <= kMinSerial - 1 || value >= kMaxSerial + 1) return false;
  int64_t days = static_cast<int64_t>(value);  // toward zero: the fraction counts forward
  int64_t ms = std::llround(std::fabs(value - static_cast<double>(days)) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {
    // Rounded up to the next midnight, which for a negative date is the
    // day nearer to zero.
    ms -= kMsPerDay;
    days += 1;
  }
  if (days > static_cast<int64_t>(kMaxSerial)) return false;
  CivilFromDays(days - kUnixEpochSerial, out.year, out.month, out.day);
  out.hour = static_cast<int>(ms / 3600000);
  out.minute = static_cast<int>(ms / 60000 % 60);
  out.second = static_cast<int>(ms / 1000 % 60);
  out.millisecond = static_cast<int>(ms % 1000);
  const int64_t w = ((days % 7) + 7) % 7;  // serial 0 was a Saturday
  out.dayOfWeek = w == 0 ? 7 : static_cast<int>(w);
  return true;
}

std::u16string DateToText(double value) {
  DateTimeParts p;
  if (!DecodeDateTime(value, p)) return FloatToText(value);
  std::u16string out;
  AppendDate(out, p);
  return out;
}

std::u16string TimeToText(double value) {
  DateTimeParts p;
  if (!DecodeDateTime(value, p)) return FloatToText(value);
  std::u16string out;
  AppendTime(out, p);
  return out;
}

std::u16string DateTimeToText(double value) {
  DateTimeParts p;
  if (!DecodeDateTime(value, p)) return FloatToText(value);
  const bool hasTime = p.hour || p.minute || p.second || p.millisecond;
  const bool hasDate = static_cast<int64_t>(value) != 0 || !hasTime;
  std::u16string out;
  if (hasDate) AppendDate(out, p);
  if (hasDate && hasTime) out += u' ';
  if (hasTime) AppendTime(out, p);
  return out;
}

bool TextToDate(std::u16string_view text, double& out) {
  Scanner sc{text};
  sc.SkipBlanks();
  double d;
  if (!ScanDate(sc, d)) return false;
  sc.SkipBlanks();
  if (!sc.AtEnd()) return false;
  out = d;
  return true;
}

bool TextToTime(std::u16string_view text, double& out) {
  Scanner sc{text};
  sc.SkipBlanks();
  double t;
  if (!ScanTime(sc, t)) return false;
  sc.SkipBlanks();
  if (!sc.AtEnd()) return false;
  out = t;
  return true;
}

bool TextToDateTime(std::u16string_view text, double& out) {
  if (TextToTime(text, out)) return true;
  Scanner sc{text};
  sc.SkipBlanks();
  double d, t = 0;
  if (!ScanDate(sc, d)) return false;
  size_t beforeBlanks = sc.i;
  sc.SkipBlanks();
  if (!sc.AtEnd()) {
    if (sc.i == beforeBlanks || !ScanTime(sc, t)) return false;
    sc.SkipBlanks();
    if (!sc.AtEnd()) return false;
  }
  out = ComposeDateTime(d, t);
  return true;
}

}  // namespace qv
