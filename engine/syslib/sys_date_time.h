// The date and time functions of the system library, on the date-time
// values of date_time.h (days since 1899-12-30, the fraction is the time).
//
// Text forms follow the process's format settings: DateToStr gives
// "2024-03-09", TimeToStr "14:05:00", DateTimeToStr "2024-03-09 14:05:00"
// (the time is left out at midnight), and the StrTo functions read them
// back; a date may also be written with "/".
#pragma once

#include <string>
#include <string_view>

#include "engine/value/date_time.h"

namespace qv {

// Raise ConvertError "Invalid argument to date encode" / "... time encode"
// for parts out of range (see TryEncodeDate and TryEncodeTime).
double EncodeDate(int year, int month, int day);
double EncodeTime(int hour, int minute, int second, int msec);

// The parts of a value, rounded to the millisecond; all zero for a value
// outside 0001-01-01..9999-12-31.
void DecodeDate(double value, int& year, int& month, int& day);
void DecodeTime(double value, int& hour, int& minute, int& second, int& msec);
// 1 for Sunday to 7 for Saturday; 0 for a value outside the date range.
int DayOfWeek(double value);

// The local clock.
double Now();
double Date();  // today, time part zero
double Time();  // the time of day, date part zero

std::u16string DateToStr(double value);
std::u16string TimeToStr(double value);
std::u16string DateTimeToStr(double value);

// Raise ConvertError "'x' is not a valid date" (time, date and time).
double StrToDate(std::u16string_view text);
double StrToTime(std::u16string_view text);
double StrToDateTime(std::u16string_view text);
// True when StrToDate accepts the text.
bool ValidDate(std::u16string_view text);

}  // namespace qv
