#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "engine/value/value_ops.h"
#include "tests/engine/value_test_util.h"

namespace qv {
namespace {

using namespace qv::testing;
using Op = BinaryOp;

// One representative value per category, in table order.
std::vector<Value> Representatives() {
  // false, not true: true is -1, which would leave the unsigned range.
  return {Em(), Nu(), I(1), D(1.5), Cy(10000), T(u"1"), Bo(false), Dt(1), L(1), U(1)};
}

ValueCategory FromLetter(char c) {
  switch (c) {
    case 'E':
      return ValueCategory::Empty;
    case 'N':
      return ValueCategory::Null;
    case 'I':
      return ValueCategory::Integer;
    case 'F':
      return ValueCategory::Float;
    case 'Y':
      return ValueCategory::Currency;
    case 'S':
      return ValueCategory::String;
    case 'B':
      return ValueCategory::Boolean;
    case 'D':
      return ValueCategory::Date;
    case 'L':
      return ValueCategory::Int64;
    case 'U':
      return ValueCategory::UInt64;
    default:
      return ValueCategory::Invalid;
  }
}

// Rows: left category; columns: right category, both in the order
// empty null integer float currency string boolean date int64 uint64.
constexpr const char* kMatrix[] = {
    "ENIFYSBDLU",  // empty
    "NNNNNNNNNN",  // null
    "INIFYFIDLU",  // integer
    "FNFFYFFDFF",  // float
    "YNYYYYYDYY",  // currency
    "SNFFYSBDFF",  // string
    "BNIFYBBDLU",  // boolean
    "DNDDDDDDDD",  // date
    "LNLFYFLDLU",  // int64
    "UNUFYFUDUU",  // uint64
};

// The kind "*" and "+" give in each category, for the representatives.
ValueKind MulKind(char c) {
  switch (c) {
    case 'E':
      return ValueKind::Empty;
    case 'N':
      return ValueKind::Null;
    case 'I':
      return ValueKind::Int32;
    case 'Y':
      return ValueKind::Currency;
    case 'L':
      return ValueKind::Int64;
    case 'U':
      return ValueKind::UInt64;
    default:
      return ValueKind::Double;  // float, and string, boolean, date in floating point
  }
}
ValueKind PlusKind(char c) {
  if (c == 'S') return ValueKind::Text;
  if (c == 'D') return ValueKind::Date;
  return MulKind(c);
}

TEST(ValueCategories, EveryCellOfTheMatrix) {
  const auto reps = Representatives();
  for (size_t r = 0; r < reps.size(); ++r) {
    for (size_t c = 0; c < reps.size(); ++c) {
      const char cell = kMatrix[r][c];
      SCOPED_TRACE(Describe(reps[r]) + " with " + Describe(reps[c]));
      EXPECT_EQ(OperationCategory(CategoryOf(reps[r]), CategoryOf(reps[c])), FromLetter(cell));
      // The operators really run in that category.
      EXPECT_EQ(Apply(Op::Mul, reps[r], reps[c]).kind(), MulKind(cell));
      EXPECT_EQ(Apply(Op::Plus, reps[r], reps[c]).kind(), PlusKind(cell));
    }
  }
}

TEST(ValueCategories, ObjectsAreIntegersAndArraysHaveNone) {
  EXPECT_EQ(CategoryOf(Ob(3)), ValueCategory::Integer);
  EXPECT_EQ(CategoryOf(By("x")), ValueCategory::String);
  EXPECT_EQ(CategoryOf(Arr()), ValueCategory::Invalid);
  for (const Value& v : Representatives()) {
    EXPECT_EQ(OperationCategory(CategoryOf(Arr()), CategoryOf(v)), ValueCategory::Invalid);
    EXPECT_EQ(OperationCategory(CategoryOf(v), CategoryOf(Arr())), ValueCategory::Invalid);
  }
}

struct Row {
  Value left;
  Op op;
  Value right;
  Value expected;
  Err err = Err::None;
};

void RunRows(const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    SCOPED_TRACE(Describe(r.left) + " op#" + std::to_string(static_cast<int>(r.op)) + " " +
                 Describe(r.right));
    Value got;
    ASSERT_TRUE(RaisesAsExpected([&] { return Apply(r.op, r.left, r.right); }, r.err, got));
    if (r.err == Err::None) {
      EXPECT_TRUE(Identical(got, r.expected)) << Describe(got) << " expected " << Describe(r.expected);
    }
  }
}

TEST(ValueOps, Integer) {
  RunRows({
      {I(7), Op::DivFloat, I(2), D(3.5)},
      {I(7), Op::DivInt, I(2), I(3)},
      {I(-7), Op::DivInt, I(2), I(-3)},
      {I(-7), Op::Mod, I(2), I(-1)},
      {I(7), Op::Mod, I(-2), I(1)},
      {I(1), Op::Shl, I(33), I(2)},
      {I(1), Op::Shl, I(31), I(INT32_MIN)},
      {I(-1), Op::Shr, I(28), I(15)},
      {I(-8), Op::Shr, I(1), I(0x7FFFFFFC)},
      {I(1), Op::Shl, I(-1), I(INT32_MIN)},
      {I(12), Op::And, I(10), I(8)},
      {I(12), Op::Or, I(10), I(14)},
      {I(12), Op::Xor, I(10), I(6)},
      {I(1), Op::Plus, I(2), I(3)},
      {I(INT32_MAX), Op::Plus, I(1), D(2147483648.0)},
      {I(INT32_MIN), Op::Minus, I(1), D(-2147483649.0)},
      {I(65536), Op::Mul, I(65536), D(4294967296.0)},
      {I(INT32_MIN), Op::Mul, I(INT32_MIN), D(4611686018427387904.0)},
      {I(INT32_MIN), Op::DivInt, I(-1), D(2147483648.0)},
      {I(INT32_MIN), Op::Mod, I(-1), I(0)},
      {I(1), Op::DivInt, I(0), {}, Err::DivByZero},
      {I(1), Op::Mod, I(0), {}, Err::DivByZero},
      {I(1), Op::DivFloat, I(0), {}, Err::ZeroDivide},
      {I(0), Op::DivFloat, I(0), {}, Err::ZeroDivide},
      {Bo(true), Op::Plus, I(1), I(0)},
      {I(5), Op::And, Bo(true), I(5)},
      {Ob(4), Op::Plus, I(1), I(5)},
      {Ob(0), Op::Eq, I(0), Bo(true)},
      {Em(), Op::Minus, I(3), I(-3)},
  });
}

TEST(ValueOps, Float) {
  RunRows({
      {D(0.1), Op::Plus, D(0.2), D(0.1 + 0.2)},
      {D(1.5), Op::Mul, I(2), D(3.0)},
      {D(5.0), Op::Minus, I(1), D(4.0)},
      {I(1), Op::DivFloat, D(4), D(0.25)},
      {D(7.5), Op::DivInt, I(2), I(4)},  // 7.5 rounds to 8 first
      {D(2.5), Op::DivInt, I(1), I(2)},  // halves go to the even neighbour
      {D(-7.0), Op::Mod, D(2.0), I(-1)},
      {D(3.0), Op::And, I(1), I(1)},
      {D(1.0), Op::Shl, D(4.0), I(16)},
      {D(1e10), Op::DivInt, I(3), L(3333333333)},  // too wide for 32 bits
      {D(1e308), Op::Mul, I(10), {}, Err::Overflow},
      {D(1.0), Op::DivFloat, D(0.0), {}, Err::ZeroDivide},
      {D(1e300), Op::DivInt, I(2), {}, Err::Overflow},
      {D(1.0), Op::Plus, L(2), D(3.0)},
      {U(1), Op::Plus, D(0.5), D(1.5)},
  });
}

TEST(ValueOps, String) {
  RunRows({
      {T(u"ab"), Op::Plus, T(u"cd"), T(u"abcd")},
      {T(u""), Op::Plus, T(u""), T(u"")},
      {T(u"x"), Op::Plus, Em(), T(u"x")},
      {Em(), Op::Plus, T(u"x"), T(u"x")},
      {By("ab"), Op::Plus, By("cd"), By("abcd")},
      {T(u"ab"), Op::Plus, By("cd"), T(u"abcd")},
      {T(u"10"), Op::Plus, I(5), D(15)},
      {I(5), Op::Plus, T(u"10"), D(15)},
      {T(u"abc"), Op::Plus, I(5), {}, Err::Convert},
      {T(u"10"), Op::Minus, T(u"4"), D(6)},
      {T(u"6"), Op::Mul, T(u"7"), D(42)},
      {T(u"3.5"), Op::Mul, I(2), D(7)},
      {T(u"1"), Op::DivFloat, T(u"4"), D(0.25)},
      {T(u"1"), Op::DivFloat, T(u"0"), {}, Err::ZeroDivide},
      {T(u"7"), Op::DivInt, T(u"2"), I(3)},
      {T(u"-7"), Op::Mod, T(u"2"), I(-1)},
      {T(u"12"), Op::And, T(u"10"), I(8)},
      {T(u"1"), Op::Shl, T(u"4"), I(16)},
      {T(u"$10"), Op::Or, T(u"0x01"), I(17)},
      {T(u"a"), Op::Minus, T(u"b"), {}, Err::Convert},
      {T(u"a"), Op::DivInt, T(u"b"), {}, Err::Convert},
      {T(u"5"), Op::DivInt, T(u"0"), {}, Err::DivByZero},
      {T(u" 2 "), Op::Mul, L(3), D(6)},
  });
}

TEST(ValueOps, Boolean) {
  RunRows({
      {Bo(true), Op::And, Bo(false), Bo(false)},
      {Bo(true), Op::Or, Bo(false), Bo(true)},
      {Bo(true), Op::Xor, Bo(true), Bo(false)},
      {Bo(true), Op::Plus, Bo(true), D(-2)},
      {Bo(false), Op::Minus, Bo(true), D(1)},
      {Bo(true), Op::DivFloat, Bo(true), D(1)},
      {Bo(true), Op::DivFloat, Bo(false), {}, Err::ZeroDivide},
      {Bo(true), Op::DivInt, Bo(true), I(1)},
      {Bo(true), Op::Mod, Bo(false), {}, Err::DivByZero},
      {Bo(true), Op::Shr, Bo(true), I(1)},
      {T(u"true"), Op::And, Bo(true), Bo(true)},
      {T(u"FALSE"), Op::Or, Bo(false), Bo(false)},
      {T(u"2"), Op::And, Bo(true), Bo(true)},
      {Bo(true), Op::And, T(u"maybe"), {}, Err::Convert},
      {Em(), Op::Or, Bo(true), Bo(true)},
  });
}

TEST(ValueOps, Currency) {
  RunRows({
      {Cy(15000), Op::Plus, Cy(25000), Cy(40000)},
      {Cy(15000), Op::Minus, I(2), Cy(-5000)},
      {Cy(15000), Op::Mul, Cy(15000), Cy(22500)},
      {Cy(10000), Op::DivFloat, Cy(30000), Cy(3333)},
      {Cy(20000), Op::DivFloat, Cy(30000), Cy(6667)},
      {Cy(1), Op::Mul, Cy(5000), Cy(0)},  // 0.00005 to even
      {Cy(3), Op::Mul, Cy(5000), Cy(2)},  // 0.00015 to even
      {Cy(-3), Op::Mul, Cy(5000), Cy(-2)},
      {I(2), Op::Plus, Cy(5000), Cy(25000)},
      {D(1.25), Op::Plus, Cy(10000), Cy(22500)},
      {T(u"0.1"), Op::Plus, Cy(2000), Cy(3000)},
      {L(3), Op::Mul, Cy(5000), Cy(15000)},
      {Cy(INT64_MAX), Op::Plus, Cy(1), {}, Err::Overflow},
      {Cy(INT64_MAX), Op::Mul, I(2), {}, Err::Overflow},
      {Cy(10000), Op::DivFloat, Cy(0), {}, Err::ZeroDivide},
      {Cy(75000), Op::DivInt, I(2), I(4)},
      {Cy(75000), Op::Mod, I(4), I(0)},
      {Cy(10000), Op::DivInt, I(0), {}, Err::DivByZero},
  });
}

TEST(ValueOps, Date) {
  RunRows({
      {Dt(45292), Op::Plus, I(1), Dt(45293)},
      {I(1), Op::Plus, Dt(5), Dt(6)},
      {Dt(45292.5), Op::Minus, I(1), Dt(45291.5)},
      {Dt(45293), Op::Minus, Dt(45292), D(1)},
      {Dt(45293), Op::Minus, T(u"2024-01-01"), D(1)},
      {Dt(45292), Op::Plus, D(0.25), Dt(45292.25)},
      {Dt(2), Op::Mul, I(3), D(6)},
      {Dt(3), Op::DivFloat, I(2), D(1.5)},
      {Dt(7), Op::DivInt, I(2), I(3)},
      {Dt(1), Op::DivFloat, I(0), {}, Err::ZeroDivide},
      {Dt(1), Op::Plus, T(u"soon"), {}, Err::Convert},
  });
}

TEST(ValueOps, SixtyFourBit) {
  RunRows({
      {I(2), Op::Plus, L(3), L(5)},
      {L(5), Op::Mul, L(6), L(30)},
      {L(INT64_MAX), Op::Plus, I(1), D(9223372036854775808.0)},
      {L(INT64_MIN), Op::Minus, I(1), D(-9223372036854775809.0)},
      {L(INT64_MIN), Op::DivInt, L(-1), D(9223372036854775808.0)},
      {L(INT64_MIN), Op::Mod, L(-1), L(0)},
      {L(-7), Op::Mod, I(2), L(-1)},
      {L(-7), Op::DivInt, I(2), L(-3)},
      {L(1), Op::Shl, I(63), L(INT64_MIN)},
      {L(1), Op::Shl, I(64), L(1)},
      {L(-1), Op::Shr, I(60), L(15)},
      {L(6), Op::And, I(3), L(2)},
      {L(6), Op::Xor, Bo(true), L(-7)},
      {L(1), Op::DivFloat, L(4), D(0.25)},
      {L(1), Op::DivFloat, L(0), {}, Err::ZeroDivide},
      {L(1), Op::DivInt, L(0), {}, Err::DivByZero},
      {L(1), Op::Plus, T(u"5"), D(6)},
      {U(UINT64_MAX), Op::Plus, I(1), D(18446744073709551616.0)},
      {U(3), Op::Minus, U(5), L(-2)},
      {U(10), Op::DivInt, I(3), U(3)},
      {U(UINT64_MAX), Op::Mul, U(2), D(36893488147419103230.0)},
      {U(UINT64_MAX), Op::Mul, U(UINT64_MAX), D(3.4028236692093846e38)},
      {U(1), Op::Shl, I(63), U(uint64_t(1) << 63)},
      {U(UINT64_MAX), Op::Shr, I(60), U(15)},
      {L(INT64_MAX), Op::Plus, U(1), U(uint64_t(1) << 63)},
      {L(-1), Op::And, U(0xFF), U(0xFF)},
      {U(5), Op::Mod, U(0), {}, Err::DivByZero},
  });
}

TEST(ValueOps, EmptyNullAndArrays) {
  RunRows({
      {Em(), Op::Plus, Em(), Em()},
      {Em(), Op::Xor, Em(), Em()},
      {Em(), Op::DivFloat, Em(), {}, Err::ZeroDivide},
      {Em(), Op::DivInt, Em(), {}, Err::DivByZero},
      {Em(), Op::Mod, Em(), {}, Err::DivByZero},
      {Em(), Op::Plus, I(5), I(5)},
      {Nu(), Op::Plus, I(1), Nu()},
      {T(u"a"), Op::Plus, Nu(), Nu()},
      {Nu(), Op::DivInt, I(0), Nu()},
      {Nu(), Op::And, Bo(false), Bo(false)},
      {Bo(false), Op::And, Nu(), Bo(false)},
      {Nu(), Op::And, Bo(true), Nu()},
      {Nu(), Op::And, I(0), Bo(false)},
      {Nu(), Op::Or, Bo(true), Bo(true)},
      {Nu(), Op::Or, Bo(false), Nu()},
      {Nu(), Op::And, Nu(), Nu()},
      {Nu(), Op::Or, Em(), Nu()},
      {Nu(), Op::Xor, Bo(true), Nu()},
      {Arr(), Op::Plus, I(1), {}, Err::Script},
      {I(1), Op::Mul, Arr(), {}, Err::Script},
      {Nu(), Op::Plus, Arr(), {}, Err::Script},
      {Arr(), Op::Eq, Arr(), {}, Err::Script},
  });
}

TEST(ValueOps, Comparisons) {
  RunRows({
      {T(u"10"), Op::Great, I(9), Bo(true)},
      {T(u"10"), Op::Less, T(u"9"), Bo(true)},
      {T(u"a"), Op::Less, T(u"B"), Bo(false)},  // by character code
      {T(u"abc"), Op::Eq, T(u"abc"), Bo(true)},
      {T(u"abc"), Op::NonEq, T(u"ABC"), Bo(true)},
      {T(u"ab"), Op::Less, T(u"abc"), Bo(true)},
      {T(u"\uFF01"), Op::Great, T(u"\u00FF"), Bo(true)},
      {T(u"b"), Op::Great, By("a"), Bo(true)},
      {By("\xFF"), Op::Great, By("a"), Bo(true)},
      {T(u"abc"), Op::Less, I(1), {}, Err::Convert},
      {T(u" 2.50 "), Op::Eq, D(2.5), Bo(true)},
      {Em(), Op::Eq, Em(), Bo(true)},
      {Em(), Op::Less, I(-5), Bo(true)},
      {Em(), Op::Eq, T(u""), Bo(false)},
      {I(0), Op::Great, Em(), Bo(true)},
      {Nu(), Op::Eq, Nu(), Bo(true)},
      {Nu(), Op::Less, Em(), Bo(true)},
      {Nu(), Op::Less, I(INT32_MIN), Bo(true)},
      {Nu(), Op::Eq, I(0), Bo(false)},
      {Nu(), Op::NonEq, I(0), Bo(true)},
      {I(0), Op::GreatEq, Nu(), Bo(true)},
      {Bo(true), Op::Less, Bo(false), Bo(true)},  // as integers: -1 < 0
      {Bo(true), Op::Eq, I(-1), Bo(true)},
      {Bo(true), Op::Eq, T(u"TRUE"), Bo(true)},
      {D(1.5), Op::Great, I(1), Bo(true)},
      {D(0.1 + 0.2), Op::Eq, D(0.3), Bo(false)},
      {U(UINT64_MAX), Op::Great, L(-1), Bo(true)},
      {I(-1), Op::Less, U(1), Bo(true)},
      {L(INT64_MIN), Op::LessEq, I(INT32_MIN), Bo(true)},
      {Cy(15000), Op::Eq, D(1.5), Bo(true)},
      {Cy(15000), Op::Less, I(2), Bo(true)},
      {Dt(45292), Op::Eq, T(u"2024-01-01"), Bo(true)},
      {Dt(45292.5), Op::Great, T(u"2024-01-01"), Bo(true)},
      {Ob(5), Op::Eq, I(5), Bo(true)},
      {Ob(5), Op::NonEq, Ob(6), Bo(true)},
      {I(3), Op::GreatEq, I(3), Bo(true)},
      {I(3), Op::Great, I(3), Bo(false)},
      {I(2), Op::LessEq, I(3), Bo(true)},
  });
}

TEST(ValueOps, CompareAgreesWithApply) {
  const auto reps = Representatives();
  const Op ops[] = {Op::Eq, Op::NonEq, Op::Less, Op::LessEq, Op::Great, Op::GreatEq};
  for (const Value& a : reps) {
    for (const Value& b : reps) {
      for (Op op : ops) {
        EXPECT_EQ(Compare(op, a, b), Apply(op, a, b).as_bool()) << Describe(a) << " " << Describe(b);
      }
    }
  }
}

TEST(ValueOps, UnaryOperators) {
  struct UnaryRow {
    bool negate;
    Value operand;
    Value expected;
    Err err = Err::None;
  } rows[] = {
      {false, Bo(true), Bo(false)},
      {false, I(5), I(-6)},
      {false, Nu(), Nu()},
      {false, Em(), I(-1)},
      {false, L(0), L(-1)},
      {false, U(0), U(UINT64_MAX)},
      {false, T(u"true"), Bo(false)},
      {false, T(u" False "), Bo(true)},
      {false, T(u"5"), I(-6)},
      {false, D(2.0), I(-3)},
      {false, T(u"nope"), {}, Err::Convert},
      {false, Arr(), {}, Err::Script},
      {true, I(5), I(-5)},
      {true, I(INT32_MIN), D(2147483648.0)},
      {true, L(INT64_MIN), D(9223372036854775808.0)},
      {true, U(5), L(-5)},
      {true, D(1.5), D(-1.5)},
      {true, Cy(5), Cy(-5)},
      {true, Cy(INT64_MIN), {}, Err::Overflow},
      {true, T(u"2.5"), D(-2.5)},
      {true, Nu(), Nu()},
      {true, Bo(true), I(1)},
      {true, Arr(), {}, Err::Script},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.negate ? "-" : "not ") + Describe(r.operand));
    Value got;
    ASSERT_TRUE(RaisesAsExpected([&] { return r.negate ? Negate(r.operand) : Not(r.operand); }, r.err, got));
    if (r.err == Err::None) {
      EXPECT_TRUE(Identical(got, r.expected)) << Describe(got);
    }
  }
}

TEST(ValueOps, AddMatchesApplyPlus) {
  const Value rows[][2] = {{I(1), I(2)}, {I(INT32_MAX), I(1)}, {T(u"a"), I(1)}, {D(1), I(1)}};
  for (const auto& r : rows) {
    Value a, b;
    bool aThrew = false, bThrew = false;
    try {
      a = Add(r[0], r[1]);
    } catch (const ScriptError&) {
      aThrew = true;
    }
    try {
      b = Apply(Op::Plus, r[0], r[1]);
    } catch (const ScriptError&) {
      bThrew = true;
    }
    EXPECT_EQ(aThrew, bThrew);
    if (!aThrew) {
      EXPECT_TRUE(Identical(a, b)) << Describe(a) << " vs " << Describe(b);
    }
  }
}

TEST(ValueOps, ApplyInPlace) {
  // Repeated appending stays correct (and linear; the benchmark times it).
  Value s = T(u"");
  for (int i = 0; i < 100000; ++i) ApplyInPlace(Op::Plus, s, T(u"ab"));
  EXPECT_EQ(s.as_text().size(), 200000u);

  // A copy taken before the append keeps its content.
  Value t = T(u"abc");
  Value copy = t;
  ApplyInPlace(Op::Plus, t, T(u"d"));
  EXPECT_EQ(t.as_text(), u"abcd");
  EXPECT_EQ(copy.as_text(), u"abc");

  // Appending a value to itself, and a value sharing the target's block.
  ApplyInPlace(Op::Plus, t, t);
  EXPECT_EQ(t.as_text(), u"abcdabcd");
  Value u = t;
  ApplyInPlace(Op::Plus, t, u);
  EXPECT_EQ(t.as_text(), u"abcdabcdabcdabcd");
  EXPECT_EQ(u.as_text(), u"abcdabcd");

  struct InPlaceRow {
    Value target;
    Op op;
    Value right;
    Value expected;
  } rows[] = {
      {I(1), Op::Plus, I(2), I(3)},           {I(INT32_MAX), Op::Plus, I(1), D(2147483648.0)},
      {T(u"5"), Op::Plus, I(1), D(6)},        {T(u"x"), Op::Plus, By("y"), T(u"xy")},
      {By("x"), Op::Plus, By("y"), By("xy")}, {By("x"), Op::Plus, T(u"y"), T(u"xy")},
      {T(u"x"), Op::Plus, Em(), T(u"x")},     {I(7), Op::Minus, I(2), I(5)},
      {D(1), Op::DivFloat, I(4), D(0.25)},
  };
  for (auto& r : rows) {
    ApplyInPlace(r.op, r.target, r.right);
    EXPECT_TRUE(Identical(r.target, r.expected)) << Describe(r.target);
  }
}

}  // namespace
}  // namespace qv
