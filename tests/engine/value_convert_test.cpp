#include <gtest/gtest.h>

#include <cfloat>
#include <climits>

#include "engine/value/date_time.h"
#include "engine/value/value_ops.h"
#include "support/codepage.h"
#include "tests/engine/value_test_util.h"

namespace qv {
namespace {

using namespace qv::testing;

TEST(ValueText, FloatForms) {
  struct {
    double value;
    const char16_t* text;
  } rows[] = {
      {0.1 + 0.2, u"0.3"},
      {1.0 / 3, u"0.333333333333333"},
      {2.0 / 3, u"0.666666666666667"},
      {10.0 / 2, u"5"},
      {100, u"100"},
      {1234.5, u"1234.5"},
      {-0.5, u"-0.5"},
      {0, u"0"},
      {-0.0, u"0"},
      {1e20, u"1E20"},
      {1.5e-5, u"1.5E-5"},
      {1e-5, u"1E-5"},
      {0.0001, u"0.0001"},
      {-1.2345678901234567e-7, u"-1.23456789012346E-7"},
      {1e15, u"1E15"},
      {123456789012345.0, u"123456789012345"},
      {999999999999999.9, u"1E15"},  // rounding carries into the next power
      {2147483648.0, u"2147483648"},
      {DBL_MAX, u"1.79769313486232E308"},
      {5e-324, u"4.94065645841247E-324"},
  };
  for (const auto& r : rows) EXPECT_EQ(ToUtf8(FloatToText(r.value)), ToUtf8(r.text)) << r.value;
}

TEST(ValueText, EveryKind) {
  struct {
    Value value;
    const char16_t* text;
  } rows[] = {
      {Em(), u""},
      {Nu(), u""},
      {I(-42), u"-42"},
      {L(INT64_MIN), u"-9223372036854775808"},
      {U(UINT64_MAX), u"18446744073709551615"},
      {D(2.5), u"2.5"},
      {Bo(true), u"True"},
      {Bo(false), u"False"},
      {Cy(12345), u"1.2345"},
      {Cy(10000), u"1"},
      {Cy(-5000), u"-0.5"},
      {Cy(1), u"0.0001"},
      {Cy(INT64_MIN), u"-922337203685477.5808"},
      {Dt(45292), u"2024-01-01"},
      {Dt(45292.5), u"2024-01-01 12:00:00"},
      {Dt(0.75), u"18:00:00"},
      {Dt(0), u"1899-12-30"},
      {Dt(-1.25), u"1899-12-29 06:00:00"},
      {Dt(45292.99999999999), u"2024-01-02"},  // rounds to the next midnight
      {Dt(1e300), u"1E300"},                   // no calendar date: shown as a number
      {T(u"héllo"), u"héllo"},
      {By("abc"), u"abc"},
      {Ob(7), u"7"},
  };
  for (const auto& r : rows) EXPECT_EQ(ToUtf8(ToText(r.value)), ToUtf8(r.text)) << Describe(r.value);
  EXPECT_THROW(ToText(Arr()), ScriptError);
}

TEST(ValueParse, Integers) {
  struct {
    const char16_t* text;
    bool ok;
    int64_t value;
  } rows[] = {
      {u"42", true, 42},
      {u" 42 ", true, 42},
      {u"\t-42\r\n", true, -42},
      {u"+7", true, 7},
      {u"007", true, 7},
      {u"$FF", true, 255},
      {u"0x1f", true, 31},
      {u"0X1F", true, 31},
      {u"-$10", true, -16},
      {u"$FFFFFFFFFFFFFFFF", true, -1},
      {u"$0000000000000000001", true, 1},  // leading zeros do not count
      {u"$10000000000000000", false, 0},
      {u"9223372036854775807", true, INT64_MAX},
      {u"-9223372036854775808", true, INT64_MIN},
      {u"9223372036854775808", false, 0},
      {u"99999999999999999999", false, 0},
      {u"", false, 0},
      {u"  ", false, 0},
      {u"-", false, 0},
      {u"$", false, 0},
      {u"0x", false, 0},
      {u"12a", false, 0},
      {u"1.5", false, 0},
      {u"1 2", false, 0},
      {u"--1", false, 0},
      {u"$G", false, 0},
      {u"\uFF11", false, 0},  // a full-width digit is no digit
  };
  for (const auto& r : rows) {
    int64_t got = 0;
    EXPECT_EQ(TextToInt64(r.text, got), r.ok) << ToUtf8(r.text);
    if (r.ok) {
      EXPECT_EQ(got, r.value) << ToUtf8(r.text);
    }
  }

  struct {
    const char16_t* text;
    bool ok;
    int32_t value;
  } rows32[] = {
      {u"$FFFFFFFF", true, -1},  {u"$7FFFFFFF", true, INT32_MAX},  {u"-$80000000", true, INT32_MIN},
      {u"$100000000", false, 0}, {u"2147483647", true, INT32_MAX}, {u"-2147483648", true, INT32_MIN},
      {u"2147483648", false, 0},
  };
  for (const auto& r : rows32) {
    int32_t got = 0;
    EXPECT_EQ(TextToInt32(r.text, got), r.ok) << ToUtf8(r.text);
    if (r.ok) {
      EXPECT_EQ(got, r.value) << ToUtf8(r.text);
    }
  }
}

TEST(ValueParse, Floats) {
  struct {
    const char16_t* text;
    bool ok;
    double value;
  } rows[] = {
      {u"1.5", true, 1.5},
      {u" -2.5e3 ", true, -2500},
      {u"1E+2", true, 100},
      {u".5", true, 0.5},
      {u"1.", true, 1},
      {u"$10", true, 16},
      {u"18446744073709551615", true, 18446744073709551615.0},
      {u"0.1", true, 0.1},
      {u"1e-400", true, 0},
      {u"1e400", false, 0},
      {u"abc", false, 0},
      {u"1,5", false, 0},
      {u"1e", false, 0},
      {u"e5", false, 0},
      {u".", false, 0},
      {u"inf", false, 0},
      {u"nan", false, 0},
      {u"1.5.2", false, 0},
      {u"", false, 0},
  };
  for (const auto& r : rows) {
    double got = -1;
    EXPECT_EQ(TextToDouble(r.text, got), r.ok) << ToUtf8(r.text);
    if (r.ok) {
      EXPECT_EQ(got, r.value) << ToUtf8(r.text);
    }
  }
}

// One conversion applied to one value: the result (as a Value, for the table)
// or the error class.
struct ConvRow {
  const char* name;
  std::function<Value()> convert;
  Value expected;
  Err err = Err::None;
};

TEST(ValueConvert, ToNumbersAndBooleans) {
  auto i32 = [](Value v) { return [v] { return I(ToInt32(v)); }; };
  auto i64 = [](Value v) { return [v] { return L(ToInt64(v)); }; };
  auto u64 = [](Value v) { return [v] { return U(ToUInt64(v)); }; };
  auto dbl = [](Value v) { return [v] { return D(ToDouble(v)); }; };
  auto cur = [](Value v) { return [v] { return Cy(ToCurrencyScaled(v)); }; };
  auto date = [](Value v) { return [v] { return Dt(ToDate(v)); }; };
  auto boo = [](Value v) { return [v] { return Bo(ToBool(v)); }; };
  const ConvRow rows[] = {
      {"int 2.5", i32(D(2.5)), I(2)},
      {"int 3.5", i32(D(3.5)), I(4)},
      {"int -2.5", i32(D(-2.5)), I(-2)},
      {"int text 3.5", i32(T(u"3.5")), I(4)},
      {"int text hex", i32(T(u"$FFFFFFFF")), I(-1)},
      {"int text wide hex", i32(T(u"$100000000")), {}, Err::Overflow},
      {"int abc", i32(T(u"abc")), {}, Err::Convert},
      {"int wide", i32(L(int64_t(1) << 40)), {}, Err::Overflow},
      {"int 3e9", i32(D(3e9)), {}, Err::Overflow},
      {"int true", i32(Bo(true)), I(-1)},
      {"int null", i32(Nu()), I(0)},
      {"int currency", i32(Cy(25000)), I(2)},
      {"int currency half up", i32(Cy(35000)), I(4)},
      {"int array", i32(Arr()), {}, Err::Script},
      {"int64 big text", i64(T(u"9223372036854775807")), L(INT64_MAX)},
      {"int64 uint max", i64(U(UINT64_MAX)), {}, Err::Overflow},
      {"int64 1e19", i64(D(1e19)), {}, Err::Overflow},
      {"int64 nan text", i64(T(u"nan")), {}, Err::Convert},
      {"uint64 text max", u64(T(u"18446744073709551615")), U(UINT64_MAX)},
      {"uint64 -1", u64(L(-1)), {}, Err::Overflow},
      {"uint64 text -1", u64(T(u"-1")), {}, Err::Overflow},
      {"uint64 1e19", u64(D(1e19)), U(10000000000000000000ull)},
      {"double abc", dbl(T(u"abc")), {}, Err::Convert},
      {"double currency", dbl(Cy(12345)), D(1.2345)},
      {"double true", dbl(Bo(true)), D(-1)},
      {"double bytes", dbl(By("2.5")), D(2.5)},
      {"currency 1.23456", cur(D(1.23456)), Cy(12346)},
      {"currency 0.00005", cur(D(0.00005)), Cy(0)},
      {"currency 1e20", cur(D(1e20)), {}, Err::Overflow},
      {"currency text", cur(T(u"0.1")), Cy(1000)},
      {"currency int64", cur(L(INT64_MAX)), {}, Err::Overflow},
      {"date text", date(T(u"2024-01-01")), Dt(45292)},
      {"date text time", date(T(u"2024-01-01 12:00")), Dt(45292.5)},
      {"date number text", date(T(u"45292.5")), Dt(45292.5)},
      {"date x", date(T(u"x")), {}, Err::Convert},
      {"bool TRUE", boo(T(u"TRUE")), Bo(true)},
      {"bool false", boo(T(u" false ")), Bo(false)},
      {"bool 0", boo(T(u"0")), Bo(false)},
      {"bool 2", boo(T(u"2")), Bo(true)},
      {"bool yes", boo(T(u"yes")), {}, Err::Convert},
      {"bool 0.0", boo(D(0.0)), Bo(false)},
      {"bool cy", boo(Cy(1)), Bo(true)},
      {"bool obj", boo(Ob(0)), Bo(false)},
      {"bool empty", boo(Em()), Bo(false)},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    Value got;
    ASSERT_TRUE(RaisesAsExpected(r.convert, r.err, got));
    if (r.err == Err::None) {
      EXPECT_TRUE(Identical(got, r.expected)) << Describe(got);
    }
  }
}

TEST(ValueConvert, ErrorMessagesQuoteTheText) {
  struct {
    std::function<void()> convert;
    const char16_t* message;
  } rows[] = {
      {[] { ToInt32(T(u"abc")); }, u"'abc' is not a valid integer value"},
      {[] { ToDouble(T(u"abc")); }, u"'abc' is not a valid floating point value"},
      {[] { ToBool(T(u"abc")); }, u"'abc' is not a valid boolean value"},
      {[] { ToDate(T(u"abc")); }, u"'abc' is not a valid date and time"},
  };
  for (const auto& r : rows) {
    try {
      r.convert();
      ADD_FAILURE() << "no error for " << ToUtf8(r.message);
    } catch (const ConvertError& e) {
      EXPECT_EQ(ToUtf8(e.message()), ToUtf8(r.message));
      EXPECT_EQ(ToUtf8(e.className()), "EConvertError");
    }
  }
}

TEST(ValueConvert, VarTypeCodes) {
  struct {
    Value value;
    int32_t code;
  } rows[] = {
      {Em(), 0},  {Nu(), 1},  {I(1), 3},      {Ob(1), 3},     {L(1), 20},     {U(1), 21},    {D(1), 5},
      {Cy(1), 6}, {Dt(1), 7}, {Bo(true), 11}, {T(u"a"), 256}, {By("a"), 256}, {Arr(), 8204},
  };
  for (const auto& r : rows) EXPECT_EQ(VarTypeCode(r.value), r.code) << Describe(r.value);
}

TEST(ValueConvert, BytesGoThroughTheAnsiCodePage) {
  const CodePage saved = AnsiCodePage();
  SetAnsiCodePage(kCpGbk);
  EXPECT_EQ(ToText(By("\xD6\xD0")), u"中");
  EXPECT_EQ(ToBytes(T(u"中")), "\xD6\xD0");
  EXPECT_EQ(ToBytes(I(12)), "12");
  EXPECT_TRUE(Compare(BinaryOp::Eq, By("\xD6\xD0"), T(u"中")));
  EXPECT_EQ(Apply(BinaryOp::Plus, T(u"a"), By("\xD6\xD0")).as_text(), u"a中");
  SetAnsiCodePage(kCpUtf8);
  EXPECT_EQ(ToText(By("h\xC3\xA9")), u"hé");
  SetAnsiCodePage(saved);
}

TEST(DateTime, EncodeDecodeAndText) {
  struct {
    int y, m, d;
    double serial;
    int dayOfWeek;
  } dates[] = {
      {1899, 12, 30, 0, 7},    {1899, 12, 31, 1, 1},  {1900, 1, 1, 2, 2},         {2024, 1, 1, 45292, 2},
      {2024, 2, 29, 45351, 5}, {1, 1, 1, -693593, 2}, {9999, 12, 31, 2958465, 6}, {1899, 12, 29, -1, 6},
  };
  for (const auto& r : dates) {
    double serial = 0;
    ASSERT_TRUE(TryEncodeDate(r.y, r.m, r.d, serial)) << r.y << "-" << r.m << "-" << r.d;
    EXPECT_EQ(serial, r.serial);
    DateTimeParts p;
    ASSERT_TRUE(DecodeDateTime(serial, p));
    EXPECT_EQ(p.year, r.y);
    EXPECT_EQ(p.month, r.m);
    EXPECT_EQ(p.day, r.d);
    EXPECT_EQ(p.dayOfWeek, r.dayOfWeek) << r.y << "-" << r.m << "-" << r.d;
    double back = 0;
    ASSERT_TRUE(TextToDate(DateToText(serial), back));
    EXPECT_EQ(back, serial);
  }
  double unused;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, unused));
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1, unused));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, unused));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, unused));
  DateTimeParts p;
  EXPECT_FALSE(DecodeDateTime(std::nan(""), p));
  EXPECT_FALSE(DecodeDateTime(1e300, p));
  EXPECT_FALSE(DecodeDateTime(-693594.5, p));
}

TEST(DateTime, Parsing) {
  struct {
    const char16_t* text;
    bool ok;
    double value;
  } rows[] = {
      {u"2024-01-01", true, 45292},
      {u"2024/1/2", true, 45293},
      {u" 2024-01-01 12:00:00 ", true, 45292.5},
      {u"2024-01-01 06:00", true, 45292.25},
      {u"1899-12-29 06:00", true, -1.25},
      {u"12:00", true, 0.5},
      {u"18:00:00.5", true, (18 * 3600 + 0.5) / 86400},
      {u"2024-02-30", false, 0},
      {u"2024-01/01", false, 0},
      {u"2024-01-0112:00", false, 0},
      {u"24:00", false, 0},
      {u"12:60", false, 0},
      {u"2024-01-01 x", false, 0},
      {u"", false, 0},
  };
  for (const auto& r : rows) {
    double got = -99;
    EXPECT_EQ(TextToDateTime(r.text, got), r.ok) << ToUtf8(r.text);
    if (r.ok) {
      EXPECT_DOUBLE_EQ(got, r.value) << ToUtf8(r.text);
    }
  }
  double t = 0;
  EXPECT_FALSE(TextToDate(u"12:00", t));
  EXPECT_FALSE(TextToTime(u"2024-01-01", t));
  // The formatters and the parser agree.
  for (double v : {45292.5, 45292.25, 0.75, -1.25, 2958465.0}) {
    ASSERT_TRUE(TextToDateTime(DateTimeToText(v), t)) << v;
    EXPECT_DOUBLE_EQ(t, v);
  }
}

}  // namespace
}  // namespace qv
