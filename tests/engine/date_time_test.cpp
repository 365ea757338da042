#include "engine/syslib/sys_date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

std::string U8(const std::u16string& s) { return ToUtf8(s); }

template <typename F>
std::string ConvertMessage(F f) {
  try {
    f();
  } catch (const ConvertError& e) {
    return U8(e.message());
  }
  return "(no error)";
}

TEST(SysDateTimeTest, EncodeAndDecode) {
  struct Row {
    int y, m, d;
    double serial;
  };
  const Row rows[] = {
      {1899, 12, 30, 0},   {1899, 12, 31, 1},    {1899, 12, 29, -1}, {2024, 1, 1, 45292},
      {2024, 3, 9, 45360}, {2000, 2, 29, 36585}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(EncodeDate(row.y, row.m, row.d), row.serial) << row.y << "-" << row.m << "-" << row.d;
    int y, m, d;
    DecodeDate(row.serial + (row.serial < 0 ? -0.75 : 0.75), y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, row.y * 10000 + row.m * 100 + row.d) << row.serial;
  }
  const int bad[][3] = {{2023, 2, 29}, {0, 1, 1}, {10000, 1, 1}, {2024, 13, 1}, {2024, 1, 0}, {2024, 4, 31}};
  for (const auto& b : bad)
    EXPECT_EQ(ConvertMessage([&] { EncodeDate(b[0], b[1], b[2]); }), "Invalid argument to date encode");

  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  const int badTimes[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}};
  for (const auto& b : badTimes)
    EXPECT_EQ(ConvertMessage([&] { EncodeTime(b[0], b[1], b[2], b[3]); }), "Invalid argument to time encode");
}

TEST(SysDateTimeTest, DecodeTimeRoundsAndKeepsFractionForNegativeDates) {
  struct Row {
    double value;
    int y, m, d, h, n, s, ms;
  };
  const Row rows[] = {
      {-1.25, 1899, 12, 29, 6, 0, 0, 0},
      {-0.5, 1899, 12, 30, 12, 0, 0, 0},
      {45360 + EncodeTime(14, 5, 7, 89), 2024, 3, 9, 14, 5, 7, 89},
      {0.9999999999, 1899, 12, 31, 0, 0, 0, 0},  // rounds to the next midnight
      {1e10, 0, 0, 0, 0, 0, 0, 0},               // outside the date range
      {std::nan(""), 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    int y, m, d, h, n, s, ms;
    DecodeDate(r.value, y, m, d);
    DecodeTime(r.value, h, n, s, ms);
    EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, ms}),
              (std::vector<int>{r.y, r.m, r.d, r.h, r.n, r.s, r.ms}))
        << r.value;
  }
}

TEST(SysDateTimeTest, Calendar) {
  struct Row {
    double value;
    int dayOfWeek;
  };
  const Row days[] = {{45360, 7}, {0, 7}, {1, 1}, {-1, 6}, {45292.9, 2}, {-693593, 2}, {1e10, 0}};
  for (const Row& r : days) EXPECT_EQ(DayOfWeek(r.value), r.dayOfWeek) << r.value;

  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2023));
  const int months[][3] = {{2024, 2, 29},  {2023, 2, 28}, {2024, 4, 30},
                           {2024, 12, 31}, {2024, 13, 0}, {2024, 0, 0}};
  for (const auto& m : months) EXPECT_EQ(DaysInMonth(m[0], m[1]), m[2]) << m[0] << "/" << m[1];
}

TEST(SysDateTimeTest, TextForms) {
  const double value = EncodeDate(2024, 3, 9) + EncodeTime(14, 5, 7, 0);
  EXPECT_EQ(U8(DateToStr(value)), "2024-03-09");
  EXPECT_EQ(U8(TimeToStr(value)), "14:05:07");
  EXPECT_EQ(U8(DateTimeToStr(value)), "2024-03-09 14:05:07");
  EXPECT_EQ(U8(DateTimeToStr(EncodeDate(2024, 3, 9))), "2024-03-09");
  EXPECT_EQ(U8(DateTimeToStr(0.5)), "1899-12-30 12:00:00");

  struct Row {
    const char16_t* text;
    double expected;
  };
  const Row dates[] = {
      {u"2024-03-09", 45360},
      {u"2024/3/9", 45360},
      {u" 2024-03-09 ", 45360},
      {u"1899-12-29", -1},
  };
  for (const Row& r : dates) {
    EXPECT_EQ(StrToDate(r.text), r.expected) << U8(r.text);
    EXPECT_TRUE(ValidDate(r.text));
  }
  EXPECT_DOUBLE_EQ(StrToTime(u"14:05:07"), EncodeTime(14, 5, 7, 0));
  EXPECT_DOUBLE_EQ(StrToTime(u"12:00:00.5"), EncodeTime(12, 0, 0, 500));
  EXPECT_DOUBLE_EQ(StrToDateTime(u"2024-03-09 14:05:07"), value);
  EXPECT_DOUBLE_EQ(StrToDateTime(u"1899-12-29 06:00:00"), -1.25);

  EXPECT_EQ(ConvertMessage([] { StrToDate(u"2024-02-30"); }), "'2024-02-30' is not a valid date");
  EXPECT_EQ(ConvertMessage([] { StrToDate(u"abc"); }), "'abc' is not a valid date");
  EXPECT_EQ(ConvertMessage([] { StrToDate(u""); }), "'' is not a valid date");
  EXPECT_EQ(ConvertMessage([] { StrToTime(u"25:00"); }), "'25:00' is not a valid time");
  EXPECT_EQ(ConvertMessage([] { StrToDateTime(u"2024-03-09 x"); }),
            "'2024-03-09 x' is not a valid date and time");
  EXPECT_FALSE(ValidDate(u"2024-03-09 12:00"));
  EXPECT_FALSE(ValidDate(u"9.3.2024"));
}

// What DateToStr and DateTimeToStr write, the StrTo functions read back.
TEST(SysDateTimeTest, RoundTrips) {
  for (double day = -693593; day <= 2958465; day += 997) {
    EXPECT_EQ(StrToDate(DateToStr(day)), day) << day;
    double withTime =
        day + (day >= 0 ? 1 : -1) * EncodeTime(static_cast<int>(std::fmod(std::fabs(day), 24)), 7, 59, 0);
    EXPECT_NEAR(StrToDateTime(DateTimeToStr(withTime)), withTime, 1e-9) << day;
    EXPECT_NEAR(StrToTime(TimeToStr(withTime)), std::fabs(withTime - std::trunc(withTime)), 1e-9) << day;
  }
}

TEST(SysDateTimeTest, ClockAgreesWithTheSystemClock) {
  double today = Date();
  double now = Now();
  EXPECT_EQ(today, std::trunc(today));
  EXPECT_GE(now, today);
  EXPECT_LT(now, today + 1.001);
  double t = Time();
  EXPECT_GE(t, 0);
  EXPECT_LT(t, 1);

  std::time_t seconds = std::time(nullptr);
  std::tm local{};
  localtime_r(&seconds, &local);
  int y, m, d;
  DecodeDate(Now(), y, m, d);
  // Allow for midnight passing between the two readings.
  EXPECT_NEAR(EncodeDate(y, m, d), EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday), 1);
}

}  // namespace
}  // namespace qv
