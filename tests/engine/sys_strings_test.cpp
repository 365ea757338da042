#include "engine/syslib/sys_strings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <thread>
#include <vector>

#include "engine/syslib/sys_convert.h"
#include "engine/syslib/sys_math.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

std::string U8(const std::u16string& s) { return ToUtf8(s); }

TEST(SysStringsTest, CopyPosDeleteInsert) {
  struct CopyRow {
    long long from, count;
    const char16_t* expected;
  };
  const CopyRow copies[] = {{3, 2, u"cd"}, {5, 10, u"ef"}, {1, 6, u"abcdef"}, {0, 2, u"ab"}, {-5, 1, u"a"},
                            {7, 1, u""},   {3, 0, u""},    {3, -1, u""},      {6, 1, u"f"}};
  for (const CopyRow& r : copies) EXPECT_EQ(U8(Copy(u"abcdef", r.from, r.count)), U8(r.expected)) << r.from;

  EXPECT_EQ(Pos(u"cd", u"abcdef"), 3);
  EXPECT_EQ(Pos(u"x", u"abcdef"), 0);
  EXPECT_EQ(Pos(u"", u"abcdef"), 0);
  EXPECT_EQ(Pos(u"ab", u"xxabab"), 3);

  struct DeleteRow {
    long long from, count;
    const char16_t* expected;
  };
  const DeleteRow deletes[] = {{2, 3, u"aef"},    {5, 10, u"abcd"},  {0, 2, u"abcdef"},
                               {7, 1, u"abcdef"}, {2, 0, u"abcdef"}, {1, 6, u""}};
  for (const DeleteRow& r : deletes) {
    std::u16string s = u"abcdef";
    Delete(s, r.from, r.count);
    EXPECT_EQ(U8(s), U8(r.expected)) << r.from << "," << r.count;
  }

  struct InsertRow {
    long long pos;
    const char16_t* expected;
  };
  const InsertRow inserts[] = {{1, u"XYabc"}, {2, u"aXYbc"}, {4, u"abcXY"}, {99, u"abcXY"}, {-3, u"XYabc"}};
  for (const InsertRow& r : inserts) {
    std::u16string s = u"abc";
    Insert(u"XY", s, r.pos);
    EXPECT_EQ(U8(s), U8(r.expected)) << r.pos;
  }
}

TEST(SysStringsTest, TrimAndCase) {
  EXPECT_EQ(U8(Trim(u"\t  a b \r\n")), "a b");
  EXPECT_EQ(U8(Trim(u" \x01 ")), "");
  struct Row {
    const char16_t* input;
    const char16_t* expected;
  };
  const Row names[] = {{u"hELLO wORLD", u"Hello World"},
                       {u"élan  VITAL", u"Élan  Vital"},
                       {u"", u""},
                       {u" x", u" X"},
                       {u"\U00010428\U00010400", u"\U00010400\U00010428"}};  // Deseret letters
  for (const Row& r : names) EXPECT_EQ(U8(NameCase(r.input)), U8(r.expected)) << U8(r.input);
  EXPECT_EQ(U8(UpperCase(u"straße ωμέγα")), U8(u"STRAßE ΩΜΈΓΑ"));
  EXPECT_LT(CompareText(u"apple", u"BANANA"), 0);
  EXPECT_EQ(CompareText(u"Ärger", u"äRGER"), 0);
}

TEST(SysStringsTest, ChrOrdAndSetLength) {
  struct Row {
    long long code;
    const char16_t* text;
  };
  const Row rows[] = {{65, u"A"}, {0x4E2D, u"中"}, {0x1F600, u"\U0001F600"}, {0, u"\0"}};
  for (const Row& r : rows) {
    std::u16string text = r.code == 0 ? std::u16string(1, u'\0') : std::u16string(r.text);
    EXPECT_EQ(Chr(r.code), text) << r.code;
    EXPECT_EQ(Ord(text), r.code);
  }
  EXPECT_EQ(Ord(u""), 0);
  EXPECT_EQ(Ord(u"\xD800x"), 0xD800);  // a lone surrogate is its own code
  EXPECT_THROW(Chr(-1), ScriptError);
  EXPECT_THROW(Chr(0x110000), ScriptError);

  std::u16string s = u"abcdef";
  SetTextLength(s, 3);
  EXPECT_EQ(U8(s), "abc");
  SetTextLength(s, 5);
  EXPECT_EQ(U8(s), "abc  ");
  SetTextLength(s, -1);
  EXPECT_EQ(U8(s), "");
  EXPECT_THROW(SetTextLength(s, 1LL << 40), ScriptError);
}

TEST(SysMathTest, RoundingAndParts) {
  struct Row {
    double e;
    int32_t round, trunc;
    double integer, frac;
  };
  const Row rows[] = {
      {2.5, 2, 2, 2, 0.5},      {3.5, 4, 3, 3, 0.5},   {-2.5, -2, -2, -2, -0.5},
      {-2.7, -3, -2, -2, -0.7}, {0.49, 0, 0, 0, 0.49}, {1e9, 1000000000, 1000000000, 1e9, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Round(r.e), r.round) << r.e;
    EXPECT_EQ(Trunc(r.e), r.trunc) << r.e;
    EXPECT_EQ(Int(r.e), r.integer) << r.e;
    EXPECT_NEAR(Frac(r.e), r.frac, 1e-12) << r.e;
  }
  // Results that do not fit 32 bits are errors, not wrapped numbers.
  for (double bad : {3e9, -3e9, std::nan(""), double(INFINITY)}) {
    EXPECT_THROW(Round(bad), OverflowError) << bad;
    EXPECT_THROW(Trunc(bad), OverflowError) << bad;
  }
}

TEST(SysMathTest, RandomIsSharedAndInRange) {
  RandomSeed(42);
  std::vector<double> first;
  for (int i = 0; i < 5; ++i) first.push_back(Random());
  RandomSeed(42);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Random(), first[i]);

  std::vector<std::thread> threads;
  std::vector<int> bad(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&bad, t] {
      for (int i = 0; i < 20000; ++i) {
        double r = Random();
        if (!(r >= 0 && r < 1)) ++bad[t];
        int64_t b = RandomBelow(10);
        if (b < 0 || b >= 10) ++bad[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int b : bad) EXPECT_EQ(b, 0);
  EXPECT_EQ(RandomBelow(0), 0);
  std::set<int64_t> seen;
  for (int i = 0; i < 200; ++i) seen.insert(RandomBelow(3));
  EXPECT_EQ(seen.size(), 3u);
  Randomize();
}

TEST(SysConvertTest, IntegerAndFloatText) {
  EXPECT_EQ(U8(IntToStr(3000000000LL)), "3000000000");
  EXPECT_EQ(U8(IntToStr(-42)), "-42");
  EXPECT_EQ(U8(FloatToStr(1.5)), "1.5");

  struct Row {
    const char16_t* text;
    bool valid32;
    int64_t value;
  };
  const Row ints[] = {{u"12", true, 12},
                      {u" -7 ", true, -7},
                      {u"$FF", true, 255},
                      {u"2147483647", true, 2147483647},
                      {u"2147483648", false, 2147483648LL}};
  for (const Row& r : ints) {
    EXPECT_EQ(ValidInt(r.text), r.valid32) << U8(r.text);
    if (r.valid32) {
      EXPECT_EQ(StrToInt(r.text), r.value);
    }
    EXPECT_EQ(StrToInt64(r.text), r.value);
  }
  struct Bad {
    const char16_t* text;
    const char* message;
  };
  const Bad badInts[] = {{u"12a", "'12a' is not a valid integer value"},
                         {u"", "'' is not a valid integer value"},
                         {u"1.5", "'1.5' is not a valid integer value"},
                         {u"2147483648", "'2147483648' is not a valid integer value"}};
  for (const Bad& b : badInts) {
    try {
      StrToInt(b.text);
      ADD_FAILURE() << U8(b.text);
    } catch (const ConvertError& e) {
      EXPECT_EQ(U8(e.message()), b.message);
      EXPECT_EQ(U8(e.className()), "EConvertError");
    }
  }
  EXPECT_THROW(StrToInt64(u"99999999999999999999"), ConvertError);

  EXPECT_EQ(StrToFloat(u"1.5e3"), 1500);
  EXPECT_EQ(StrToFloat(u" -0.25 "), -0.25);
  EXPECT_TRUE(ValidFloat(u"7"));
  EXPECT_FALSE(ValidFloat(u"1,5"));
  try {
    StrToFloat(u"1,5");
    ADD_FAILURE();
  } catch (const ConvertError& e) {
    EXPECT_EQ(U8(e.message()), "'1,5' is not a valid floating point value");
  }
}

TEST(SysConvertTest, LengthSetLengthAndArrays) {
  int32_t low = 0, high = 9;
  Value ten = Value::Array(1, &low, &high);
  EXPECT_EQ(Length(ten), 10);
  EXPECT_EQ(Length(Value::Null()), 0);
  EXPECT_EQ(Length(Value::Int(12345)), 5);
  EXPECT_EQ(Length(Value::Text(u"\U0001F600")), 2);

  Value text = Value::Text(u"abcdef");
  Value copy = text;
  SetLength(text, 3);
  EXPECT_EQ(U8(text.as_text()), "abc");
  EXPECT_EQ(U8(copy.as_text()), "abcdef");  // the shared copy keeps its text

  Value a = ten;
  SetLength(a, 0);
  EXPECT_EQ(Length(a), 1);
  EXPECT_EQ(Length(ten), 10);
  SetLength(a, 4);
  EXPECT_EQ(Length(a), 4);

  Value fromNull = Value::Null();
  SetLength(fromNull, 3);
  ASSERT_TRUE(fromNull.is_array());
  EXPECT_EQ(Length(fromNull), 3);

  Value number = Value::Int(5);
  EXPECT_THROW(SetLength(number, 2), ScriptError);

  // Two dimensions: the last one changes and elements keep their indexes.
  Value grid = VarArrayCreate(Value::Array({Value::Int(0), Value::Int(1), Value::Int(0), Value::Int(2)}), 12);
  ArrayBlock& g = grid.mutable_array();
  for (size_t i = 0; i < g.items.size(); ++i) g.items[i] = Value::Int(static_cast<int32_t>(i));
  SetLength(grid, 2);
  const ArrayBlock& r = grid.as_array();
  ASSERT_EQ(r.items.size(), 4u);
  EXPECT_EQ(r.high[1], 1);
  const int32_t kept[] = {0, 1, 3, 4};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r.items[i].as_int32(), kept[i]);
}

TEST(SysConvertTest, VarArrayCreateAndVarType) {
  struct Row {
    int32_t type;
    ValueKind element;
  };
  const Row rows[] = {{3, ValueKind::Int32},    {5, ValueKind::Double}, {8, ValueKind::Text},
                      {11, ValueKind::Boolean}, {12, ValueKind::Empty}, {20, ValueKind::Int64}};
  for (const Row& r : rows) {
    Value a = VarArrayCreate(Value::Array({Value::Int(1), Value::Int(3)}), r.type);
    const ArrayBlock& b = a.as_array();
    EXPECT_EQ(b.low[0], 1);
    EXPECT_EQ(b.high[0], 3);
    ASSERT_EQ(b.items.size(), 3u);
    EXPECT_EQ(b.items[2].kind(), r.element) << r.type;
    EXPECT_EQ(VarTypeCode(a), 8192 | 12);
  }
  Value three = VarArrayCreate(Value::Array({Value::Int(0), Value::Int(1), Value::Int(0), Value::Int(1),
                                             Value::Int(0), Value::Int(2)}),
                               12);
  EXPECT_EQ(three.as_array().dims, 3);
  EXPECT_EQ(three.as_array().items.size(), 12u);
  EXPECT_THROW(VarArrayCreate(Value::Array({Value::Int(0)}), 12), ScriptError);
  EXPECT_THROW(VarArrayCreate(Value::Array({}), 12), ScriptError);
  EXPECT_THROW(VarArrayCreate(Value::Int(3), 12), ScriptError);
  EXPECT_THROW(VarArrayCreate(Value::Array({Value::Int(0), Value::Int(1)}), 999), ScriptError);

  EXPECT_EQ(VarTypeCode(Value()), 0);
  EXPECT_EQ(VarTypeCode(Value::Null()), 1);
  EXPECT_EQ(VarTypeCode(Value::Int(1)), 3);
  EXPECT_EQ(VarTypeCode(Value::Double(1)), 5);
  EXPECT_EQ(VarTypeCode(Value::Int64(1)), 20);
}

}  // namespace
}  // namespace qv
