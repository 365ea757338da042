#include "engine/syslib/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/value/date_time.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

Value I(int32_t i) { return Value::Int(i); }
Value L(int64_t i) { return Value::Int64(i); }
Value D(double d) { return Value::Double(d); }
Value T(const char16_t* s) { return Value::Text(s); }

std::string U8(const std::u16string& s) { return ToUtf8(s); }

struct FormatRow {
  const char16_t* format;
  std::vector<Value> args;
  const char16_t* expected;
};

TEST(FormatTest, Specifiers) {
  const double inf = std::numeric_limits<double>::infinity();
  const FormatRow rows[] = {
      {u"%d", {I(42)}, u"42"},
      {u"%5d|%-5d|", {I(42), I(42)}, u"   42|42   |"},
      {u"%.5d", {I(-42)}, u"-00042"},
      {u"%d", {L(3000000000LL)}, u"3000000000"},
      {u"%d", {Value::Null()}, u"0"},
      {u"%d", {T(u"12")}, u"12"},
      {u"%u", {I(-1)}, u"4294967295"},
      {u"%x|%.4x|%x", {I(255), I(255), I(-1)}, u"FF|00FF|FFFFFFFF"},
      {u"%x", {L(-1)}, u"FFFFFFFFFFFFFFFF"},
      {u"%p", {I(255)}, u"000000FF"},
      {u"%s|%.2s|%5s", {T(u"abc"), T(u"abc"), T(u"ab")}, u"abc|ab|   ab"},
      {u"%s %s %s", {I(5), Value::Bool(true), Value()}, u"5 True "},
      {u"%6.2f|%f|%.0f", {D(3.14159), D(2.5), D(2.5)}, u"  3.14|2.50|3"},
      {u"%.2f|%.2f|%.1f", {D(1.005), D(-0.001), D(0.05)}, u"1.01|0.00|0.1"},
      {u"%f", {I(3)}, u"3.00"},
      {u"%e", {D(1234.5)}, u"1.23450000000000E+003"},
      {u"%.3e|%.1e", {D(-0.00012345), D(0)}, u"-1.23E-004|0E+000"},
      {u"%g|%g|%g", {D(0.5), D(1e20), D(1.5e-5)}, u"0.5|1E20|1.5E-5"},
      {u"%.3g|%g", {D(1234.5), D(100)}, u"1.23E3|100"},
      {u"%n|%.0n", {D(1234567.891), D(999.5)}, u"1,234,567.89|1,000"},
      {u"%m|%m|%.0m", {D(1234.5), D(-3), D(7)}, u"$1,234.50|-$3.00|$7"},
      {u"%f|%8.1f|", {D(inf), D(-inf)}, u"INF|    -INF|"},
      {u"100%%", {}, u"100%"},
      {u"%1:s %0:s", {T(u"a"), T(u"b")}, u"b a"},
      {u"%1:s %s", {T(u"a"), T(u"b"), T(u"c")}, u"b c"},
      {u"%*d|%-*d|%*d|", {I(4), I(7), I(3), I(7), I(-3), I(7)}, u"   7|7  |7  |"},
      {u"%.*f", {I(1), D(2.25)}, u"2.3"},
      {u"%D %S %X", {I(1), T(u"s"), I(10)}, u"1 s A"},
      {u"%s", {T(u"x\U0001F600y")}, u"x\U0001F600y"},
      {u"%.2s|", {T(u"x\U0001F600")}, u"x|"},
  };
  for (const FormatRow& row : rows) {
    EXPECT_EQ(U8(Format(row.format, row.args)), U8(row.expected)) << U8(row.format);
  }
}

TEST(FormatTest, Errors) {
  struct Row {
    const char16_t* format;
    std::vector<Value> args;
    const char16_t* message;
  };
  const Row rows[] = {
      {u"%d", {D(1.5)}, u"Format '%d' invalid or incompatible with argument"},
      {u"%d", {T(u"x")}, u"Format '%d' invalid or incompatible with argument"},
      {u"%z", {I(1)}, u"Format '%z' invalid or incompatible with argument"},
      {u"a%", {I(1)}, u"Format 'a%' invalid or incompatible with argument"},
      {u"%.2", {I(1)}, u"Format '%.2' invalid or incompatible with argument"},
      {u"%f", {Value::Bool(true)}, u"Format '%f' invalid or incompatible with argument"},
      {u"%f", {T(u"abc")}, u"Format '%f' invalid or incompatible with argument"},
      {u"%s", {Value::Array({I(1)})}, u"Format '%s' invalid or incompatible with argument"},
      {u"%*d", {T(u"3"), I(1)}, u"Format '%*d' invalid or incompatible with argument"},
      {u"%99999999d", {I(1)}, u"Format '%99999999d' invalid or incompatible with argument"},
      {u"%d %d", {I(1)}, u"No argument for format '%d %d'"},
      {u"%5:d", {I(1)}, u"No argument for format '%5:d'"},
  };
  for (const Row& row : rows) {
    try {
      Format(row.format, row.args);
      ADD_FAILURE() << "no error for " << U8(row.format);
    } catch (const ScriptError& e) {
      EXPECT_EQ(U8(e.message()), U8(row.message));
    }
  }
}

TEST(FormatFloatTest, Pictures) {
  struct Row {
    const char16_t* picture;
    double value;
    const char16_t* expected;
  };
  const Row rows[] = {
      {u"0", 1234.5, u"1235"},
      {u"0.00", 1234.5, u"1234.50"},
      {u"0.00", -1.5, u"-1.50"},
      {u"#,##0.00", 1234567.891, u"1,234,567.89"},
      {u"#,##0.00", -1234.5, u"-1,234.50"},
      {u"#,###", 1234567, u"1,234,567"},
      {u"#,##0", 999999.5, u"1,000,000"},
      {u"0,000", 1, u"0,001"},
      {u"#,##0", 0, u"0"},
      {u"#", 0, u""},
      {u"#.##", 0.5, u".5"},
      {u"0.##", 1, u"1"},
      {u"0.###", 1.5, u"1.5"},
      {u"000", 7, u"007"},
      {u"00-00", 1234, u"12-34"},
      {u"0", 123456, u"123456"},
      {u".00", 12.5, u"12.50"},
      {u"0.00", 1.005, u"1.01"},
      {u"0.00", 2.675, u"2.68"},
      {u"0.0", 0.05, u"0.1"},
      {u"0.0000000000000000", 0.1, u"0.1000000000000000"},
      {u"0", 1e20, u"100000000000000000000"},
      {u"0.00E+00", 1234.5, u"1.23E+03"},
      {u"0.00e-00", 0.000123, u"1.23e-04"},
      {u"0.0E-0", 12345, u"1.2E4"},
      {u"0.0E+0", 0, u"0.0E+0"},
      {u"00.00E+00", 1234.5, u"12.35E+02"},
      {u"0.##E+00", 1500, u"1.5E+03"},
      {u"0.00;(0.00)", -1.5, u"(1.50)"},
      {u"0.00;(0.00);zero", 0, u"zero"},
      {u"0.00;;zero", -2, u"-2.00"},
      {u"0.00;(0.00);", 0, u"0.00"},
      {u"0", -0.4, u"0"},
      {u"0.00;(0.00);nil", -0.001, u"nil"},
      {u"\"$\"#,##0.00", 1234.5, u"$1,234.50"},
      {u"'x'0' y'", 5, u"x5 y"},
      {u"'a;b'0;'neg'0", -5, u"neg5"},
      {u"0.00%", 12.5, u"12.50%"},
      {u"", 1.5, u"1.5"},
      {u"", 1e20, u"1E20"},
      {u"0", std::numeric_limits<double>::quiet_NaN(), u"NAN"},
      {u"0", -std::numeric_limits<double>::infinity(), u"-INF"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(U8(FormatFloat(row.picture, row.value)), U8(row.expected))
        << U8(row.picture) << " " << row.value;
  }
}

TEST(FormatDateTimeTest, Pictures) {
  double date, time;
  ASSERT_TRUE(TryEncodeDate(2024, 3, 9, date));
  ASSERT_TRUE(TryEncodeTime(14, 5, 7, 89, time));
  const double afternoon = date + time;
  double half;
  ASSERT_TRUE(TryEncodeTime(0, 30, 0, 0, half));
  const double night = date + half;
  struct Row {
    const char16_t* picture;
    double value;
    const char16_t* expected;
  };
  const Row rows[] = {
      {u"yyyy-mm-dd", afternoon, u"2024-03-09"},
      {u"yy/m/d", afternoon, u"24-3-9"},
      {u"y", afternoon, u"24"},
      {u"dd.mm.yyyy", afternoon, u"09.03.2024"},
      {u"ddd dddd", afternoon, u"Sat Saturday"},
      {u"mmm mmmm", afternoon, u"Mar March"},
      {u"hh:nn:ss.zzz", afternoon, u"14:05:07.089"},
      {u"h:n:s.z", afternoon, u"14:5:7.89"},
      {u"hh:mm", afternoon, u"14:05"},
      {u"hh:mm:ss mm", afternoon, u"14:05:07 03"},
      {u"h:nn am/pm", afternoon, u"2:05 pm"},
      {u"h:nn AM/PM", afternoon, u"2:05 PM"},
      {u"h:nn a/p", afternoon, u"2:05 p"},
      {u"hh ampm", afternoon, u"02 PM"},
      {u"h:nn am/pm", night, u"12:30 am"},
      {u"h:nn 'am/pm'", afternoon, u"14:05 am/pm"},
      {u"h ax", afternoon, u"14 ax"},
      {u"c", afternoon, u"2024-03-09 14:05:07"},
      {u"", afternoon, u"2024-03-09 14:05:07"},
      {u"c", date, u"2024-03-09"},
      {u"ddddd", afternoon, u"2024-03-09"},
      {u"dddddd", afternoon, u"Saturday, March 9, 2024"},
      {u"t|tt", afternoon, u"14:05|14:05:07"},
      {u"'yyyy' yyyy \"at\" hh", afternoon, u"yyyy 2024 at 14"},
      {u"e ee g gg", afternoon, u"2024 2024 AD A.D."},
      {u"[q]", afternoon, u"[q]"},
      {u"c", -1.25, u"1899-12-29 06:00:00"},
      {u"c", 0, u"1899-12-30"},
      {u"yyyy", 1e10, u"10000000000"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(U8(FormatDateTime(row.picture, row.value)), U8(row.expected)) << U8(row.picture);
  }
}

TEST(FormatMaskTextTest, Masks) {
  struct Row {
    const char16_t* mask;
    const char16_t* value;
    const char16_t* expected;
  };
  const Row rows[] = {
      // Literals inserted.
      {u"000-0000;0;_", u"5551234", u"555-1234"},
      {u"(000) 000-0000;0;_", u"5551234567", u"(555) 123-4567"},
      {u"000-0000;0;_", u"555", u"555-    "},
      {u"!000-0000;0;_", u"1234", u"   -1234"},
      {u"000;0;_", u"12345", u"12345"},
      {u">LLL-000;0;_", u"abc123", u"ABC-123"},
      {u"<LL>LL;0", u"AbCd", u"abCD"},
      {u">L<>l;0", u"ab", u"Ab"},
      {u"\\(000\\);0;_", u"123", u"(123)"},
      {u"00:00;0;_", u"1230", u"12:30"},
      {u"00/00/0000;0;_", u"09032024", u"09-03-2024"},
      {u"00_00;0", u"1234", u"12 34"},
      // Literals part of the value.
      {u"000-0000;1;_", u"555-1234", u"555-1234"},
      {u"000-0000", u"55-12", u"55 -12  "},
      {u"!000-0000", u"55-12", u" 55-  12"},
      {u"000-0000", u"5551234", u"5551234-    "},
      {u"99999;1;_", u"", u"     "},
      {u"", u"abc", u"abc"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(U8(FormatMaskText(row.mask, row.value)), U8(row.expected)) << U8(row.mask);
  }
}

}  // namespace
}  // namespace qv
