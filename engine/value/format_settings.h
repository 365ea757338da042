// The process's format settings: the one set of separators, pictures and
// names that every date, time, number and currency conversion and format
// function uses. They are fixed and never read from the locale, so a script
// produces the same text on every machine and the conversion functions read
// back exactly what the format functions write.
#pragma once

#include <array>
#include <string>

namespace qv {

struct FormatSettings {
  // Dates and times.
  std::u16string shortDateFormat = u"yyyy-mm-dd";         // DateToStr, "ddddd", "c"
  std::u16string longDateFormat = u"dddd, mmmm d, yyyy";  // "dddddd"
  std::u16string shortTimeFormat = u"hh:nn";              // "t"
  std::u16string longTimeFormat = u"hh:nn:ss";            // TimeToStr, "tt", "c"
  char16_t dateSeparator = u'-';                          // "/" in a date picture
  char16_t timeSeparator = u':';                          // ":" in a date picture
  std::u16string dateTimeSeparator = u" ";                // between date and time
  std::u16string timeAMString = u"AM";                    // "ampm"
  std::u16string timePMString = u"PM";
  std::u16string shortEraName = u"AD";   // "g"
  std::u16string longEraName = u"A.D.";  // "gg"
  // A two-digit year read by StrToDate lies within this many years before
  // the current year and (100 - window) after it.
  int twoDigitYearCenturyWindow = 50;
  std::array<std::u16string, 12> shortMonthNames;
  std::array<std::u16string, 12> longMonthNames;
  std::array<std::u16string, 7> shortDayNames;  // Sunday first
  std::array<std::u16string, 7> longDayNames;

  // Numbers.
  char16_t decimalSeparator = u'.';
  char16_t thousandSeparator = u',';

  // Currency ("%m"): the symbol, its place for positive amounts
  // (0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"), the pattern for negative amounts
  // (0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-", 4 "(1$)", 5 "-1$", 6 "1-$",
  // 7 "1$-", 8 "-1 $", 9 "-$ 1", 10 "1 $-", 11 "$ 1-", 12 "$ -1", 13 "1- $",
  // 14 "($ 1)", 15 "(1 $)") and the default number of decimals.
  std::u16string currencyString = u"$";
  int currencyFormat = 0;
  int negCurrFormat = 1;
  int currencyDecimals = 2;

  FormatSettings();
};

// The settings of this process. They never change, so any thread may read them.
const FormatSettings& ProcessFormatSettings();

}  // namespace qv
