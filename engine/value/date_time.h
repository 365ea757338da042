// Date-time values and their text forms.
//
// A date-time is a double: whole days since 1899-12-30, plus the time of day
// as a fraction (0.5 is noon). Before 1899-12-30 the whole part is negative
// and the fraction still counts forward from midnight: -1.25 is 1899-12-29
// 06:00.
//
// The text forms use the process's fixed format settings: "yyyy-mm-dd" for
// dates, "hh:nn:ss" for times, joined by one space. The parsers read what the
// formatters write, and also accept "/" as the date separator:
//
//   DateTimeToText(45292.5)            -> u"2024-01-01 12:00:00"
//   TextToDateTime(u"2024/1/1 12:00")  -> 45292.5
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  int dayOfWeek = 7;  // 1 for Sunday to 7 for Saturday
};

bool IsLeapYear(int year);
// Days of `month` (1..12) in `year`; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

// Date and time of day from their parts; false when a part is out of range
// (years 1..9999, hours 0..23, minutes and seconds 0..59, ms 0..999).
bool TryEncodeDate(int year, int month, int day, double& out);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, double& out);

// A date plus a time of day, following the negative-date convention above.
double ComposeDateTime(double date, double time);

// Splits a date-time, rounded to the millisecond. False when the value lies
// outside 0001-01-01 .. 9999-12-31 or is not finite.
bool DecodeDateTime(double value, DateTimeParts& out);

// Text forms. A value that DecodeDateTime rejects is written as a plain
// number, so formatting never fails.
std::u16string DateToText(double value);
std::u16string TimeToText(double value);
// The date and the time; the time is left out at midnight, the date when the
// value has no whole days (a pure time of day).
std::u16string DateTimeToText(double value);

// Parsers; surrounding blanks are allowed. TextToDateTime accepts a date, a
// date followed by a time, or a time alone. False when the text holds none.
bool TextToDate(std::u16string_view text, double& out);
bool TextToTime(std::u16string_view text, double& out);
bool TextToDateTime(std::u16string_view text, double& out);

}  // namespace qv
