#include "engine/syslib/sys_date_time.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "engine/run/run_messages.h"
#include "engine/syslib/format.h"
#include "engine/value/format_settings.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"

namespace qv {

double EncodeDate(int year, int month, int day) {
  double out;
  if (!TryEncodeDate(year, month, day, out)) throw ConvertError(run_msg::kDateEncode);
  return out;
}

double EncodeTime(int hour, int minute, int second, int msec) {
  double out;
  if (!TryEncodeTime(hour, minute, second, msec, out)) throw ConvertError(run_msg::kTimeEncode);
  return out;
}

void DecodeDate(double value, int& year, int& month, int& day) {
  DateTimeParts p;
  if (!DecodeDateTime(value, p)) p.year = p.month = p.day = 0;
  year = p.year, month = p.month, day = p.day;
}

void DecodeTime(double value, int& hour, int& minute, int& second, int& msec) {
  DateTimeParts p;
  if (!DecodeDateTime(value, p)) p.hour = p.minute = p.second = p.millisecond = 0;
  hour = p.hour, minute = p.minute, second = p.second, msec = p.millisecond;
}

int DayOfWeek(double value) {
  DateTimeParts p;
  return DecodeDateTime(value, p) ? p.dayOfWeek : 0;
}

double Now() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  long long msec = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  if (msec < 0) msec += 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  double date = 0, time = 0;
  TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
  // A leap second (tm_sec 60) counts as the last second of its minute.
  TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, static_cast<int>(msec),
                time);
  return ComposeDateTime(date, time);
}

double Date() { return std::trunc(Now()); }

double Time() {
  double now = Now();
  return now - std::trunc(now);
}

std::u16string DateToStr(double value) {
  return FormatDateTime(ProcessFormatSettings().shortDateFormat, value);
}

std::u16string TimeToStr(double value) {
  return FormatDateTime(ProcessFormatSettings().longTimeFormat, value);
}

std::u16string DateTimeToStr(double value) { return FormatDateTime(u"c", value); }

double StrToDate(std::u16string_view text) {
  double out;
  if (!TextToDate(text, out)) throw NotValidError(text, u"date");
  return out;
}

double StrToTime(std::u16string_view text) {
  double out;
  if (!TextToTime(text, out)) throw NotValidError(text, u"time");
  return out;
}

double StrToDateTime(std::u16string_view text) {
  double out;
  if (!TextToDateTime(text, out)) throw NotValidError(text, u"date and time");
  return out;
}

bool ValidDate(std::u16string_view text) {
  double out;
  return TextToDate(text, out);
}

}  // namespace qv
