// The operators of the value rules: the category table, arithmetic in every
// category, comparisons and the unary operators.
#include "engine/value/value_ops.h"

#include <cmath>

#include "engine/run/run_messages.h"
#include "engine/value/value_internal.h"
#include "support/errors.h"
#include "support/size_limit.h"
#include "support/text.h"

namespace qv {

namespace {

using Int128 = __int128;

constexpr ValueCategory E = ValueCategory::Empty, N = ValueCategory::Null, I = ValueCategory::Integer,
                        F = ValueCategory::Float, Y = ValueCategory::Currency, S = ValueCategory::String,
                        B = ValueCategory::Boolean, D = ValueCategory::Date, L = ValueCategory::Int64,
                        U = ValueCategory::UInt64, X = ValueCategory::Invalid;

constexpr int kCategories = static_cast<int>(ValueCategory::Invalid) + 1;

// The category of an operation: rows are the left operand's category,
// columns the right one's. Invalid (arrays) poisons every pair.
constexpr ValueCategory kOperationCategory[kCategories][kCategories] = {
    //        E  N  I  F  Y  S  B  D  L  U  X
    /* E */ {E, N, I, F, Y, S, B, D, L, U, X},
    /* N */ {N, N, N, N, N, N, N, N, N, N, X},
    /* I */ {I, N, I, F, Y, F, I, D, L, U, X},
    /* F */ {F, N, F, F, Y, F, F, D, F, F, X},
    /* Y */ {Y, N, Y, Y, Y, Y, Y, D, Y, Y, X},
    /* S */ {S, N, F, F, Y, S, B, D, F, F, X},
    /* B */ {B, N, I, F, Y, B, B, D, L, U, X},
    /* D */ {D, N, D, D, D, D, D, D, D, D, X},
    /* L */ {L, N, L, F, Y, F, L, D, L, U, X},
    /* U */ {U, N, U, F, Y, F, U, D, U, U, X},
    /* X */ {X, X, X, X, X, X, X, X, X, X, X},
};

// Indexed by ValueKind.
constexpr ValueCategory kCategoryOfKind[] = {
    E,  // Empty
    N,  // Null
    I,  // Int32
    L,  // Int64
    U,  // UInt64
    F,  // Double
    Y,  // Currency
    D,  // Date
    B,  // Boolean
    I,  // Object: references travel as integers
    S,  // Text
    S,  // Bytes
    X,  // Array
};
static_assert(sizeof(kCategoryOfKind) / sizeof(kCategoryOfKind[0]) ==
              static_cast<size_t>(ValueKind::Array) + 1);

constexpr int64_t kCurrencyScale = 10000;

std::u16string_view Symbol(BinaryOp op) {
  static constexpr std::u16string_view kSymbols[] = {u"+",   u"-",   u"*",   u"/",  u"div", u"mod",
                                                     u"shl", u"shr", u"and", u"or", u"xor", u"=",
                                                     u"<>",  u"<",   u"<=",  u">",  u">="};
  return kSymbols[static_cast<size_t>(op)];
}

bool IsComparison(BinaryOp op) { return op >= BinaryOp::Eq; }

bool FitsInt32(int64_t i) { return i >= INT32_MIN && i <= INT32_MAX; }

// 32-bit integer arithmetic; a +, -, * or div result that overflows becomes
// a double holding the exact value.
Value Int32Op(BinaryOp op, int32_t a, int32_t b) {
  int64_t r;
  switch (op) {
    case BinaryOp::Plus:
      r = int64_t(a) + b;
      break;
    case BinaryOp::Minus:
      r = int64_t(a) - b;
      break;
    case BinaryOp::Mul:
      r = int64_t(a) * b;
      break;
    case BinaryOp::DivFloat:
      if (b == 0) throw ZeroDivideError();
      return Value::Double(double(a) / double(b));
    case BinaryOp::DivInt:
      if (b == 0) throw DivByZeroError();
      r = int64_t(a) / b;
      break;
    case BinaryOp::Mod:
      if (b == 0) throw DivByZeroError();
      return Value::Int(b == -1 ? 0 : a % b);  // INT32_MIN % -1 traps in hardware
    case BinaryOp::Shl:
      return Value::Int(static_cast<int32_t>(static_cast<uint32_t>(a) << (b & 31)));
    case BinaryOp::Shr:
      return Value::Int(static_cast<int32_t>(static_cast<uint32_t>(a) >> (b & 31)));
    case BinaryOp::And:
      return Value::Int(a & b);
    case BinaryOp::Or:
      return Value::Int(a | b);
    case BinaryOp::Xor:
      return Value::Int(a ^ b);
    default:
      return Value::Bool(Compare(op, Value::Int(a), Value::Int(b)));
  }
  return FitsInt32(r) ? Value::Int(static_cast<int32_t>(r)) : Value::Double(static_cast<double>(r));
}

// A 64-bit result: UInt64 in the unsigned category when it fits there,
// else Int64 when it fits, else the nearest double.
Value Wide(Int128 r, bool unsignedCategory) {
  if (unsignedCategory && r >= 0 && r <= Int128(UINT64_MAX)) return Value::UInt64(static_cast<uint64_t>(r));
  if (r >= INT64_MIN && r <= INT64_MAX) return Value::Int64(static_cast<int64_t>(r));
  return Value::Double(static_cast<double>(r));
}

// 64-bit integer arithmetic, signed or unsigned. Operands are exact values
// (a 64-bit category holds nothing wider than an unsigned 64-bit integer),
// so +, -, div and mod cannot overflow 128 bits; results outside 64 bits are
// redone in floating point like the 32-bit rule.
Value WideOp(BinaryOp op, Int128 a, Int128 b, bool unsignedCategory) {
  const uint64_t pa = static_cast<uint64_t>(a), pb = static_cast<uint64_t>(b);  // bit patterns
  auto pattern = [unsignedCategory](uint64_t p) {
    return unsignedCategory ? Value::UInt64(p) : Value::Int64(static_cast<int64_t>(p));
  };
  switch (op) {
    case BinaryOp::Plus:
      return Wide(a + b, unsignedCategory);
    case BinaryOp::Minus:
      return Wide(a - b, unsignedCategory);
    case BinaryOp::Mul: {
      Int128 r;
      if (__builtin_mul_overflow(a, b, &r)) return Value::Double(double(a) * double(b));
      return Wide(r, unsignedCategory);
    }
    case BinaryOp::DivFloat:
      if (b == 0) throw ZeroDivideError();
      return Value::Double(double(a) / double(b));
    case BinaryOp::DivInt:
      if (b == 0) throw DivByZeroError();
      return Wide(a / b, unsignedCategory);
    case BinaryOp::Mod:
      if (b == 0) throw DivByZeroError();
      return Wide(a % b, unsignedCategory);
    case BinaryOp::Shl:
      return pattern(pa << (pb & 63));
    case BinaryOp::Shr:
      return pattern(pa >> (pb & 63));
    case BinaryOp::And:
      return pattern(pa & pb);
    case BinaryOp::Or:
      return pattern(pa | pb);
    case BinaryOp::Xor:
      return pattern(pa ^ pb);
    default:
      return Value::Bool(false);  // comparisons never get here
  }
}

// div, mod, shifts and bitwise operators of the categories that convert to
// integers for them: 32-bit rules when both fit, 64-bit rules otherwise.
Value IntegerOp(BinaryOp op, int64_t a, int64_t b) {
  if (FitsInt32(a) && FitsInt32(b)) return Int32Op(op, static_cast<int32_t>(a), static_cast<int32_t>(b));
  return WideOp(op, a, b, false);
}

// +, -, * and / in double precision.
Value FloatArith(BinaryOp op, double a, double b) {
  double r;
  switch (op) {
    case BinaryOp::Plus:
      r = a + b;
      break;
    case BinaryOp::Minus:
      r = a - b;
      break;
    case BinaryOp::Mul:
      r = a * b;
      break;
    default:
      if (b == 0) throw ZeroDivideError();
      r = a / b;
      break;
  }
  if (std::isinf(r) && std::isfinite(a) && std::isfinite(b)) throw OverflowError(run_msg::kFloatOverflow);
  return Value::Double(r);
}

bool IsFloatArith(BinaryOp op) {
  return op == BinaryOp::Plus || op == BinaryOp::Minus || op == BinaryOp::Mul || op == BinaryOp::DivFloat;
}

// The exact integer value of an operand of a 64-bit category.
Int128 Exact(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Int32:
    case ValueKind::Object:
      return v.as_int32();
    case ValueKind::Int64:
      return v.as_int64();
    case ValueKind::UInt64:
      return v.as_uint64();
    case ValueKind::Boolean:
      return v.as_bool() ? -1 : 0;
    default:
      return ToInt64(v);
  }
}

// n / d to the nearest integer, halves to even.
Int128 RoundDiv(Int128 n, Int128 d) {
  Int128 q = n / d;
  const Int128 r = n % d;
  const Int128 twice = 2 * (r < 0 ? -r : r), ad = d < 0 ? -d : d;
  if (twice > ad || (twice == ad && (q & 1))) q += ((n < 0) != (d < 0)) ? -1 : 1;
  return q;
}

Value CurrencyResult(Int128 scaled) {
  if (scaled < INT64_MIN || scaled > INT64_MAX) throw OverflowError(run_msg::kCurrencyOverflow);
  return Value::CurrencyScaled(static_cast<int64_t>(scaled));
}

Value CurrencyOp(BinaryOp op, const Value& l, const Value& r) {
  if (!IsFloatArith(op)) return IntegerOp(op, ToInt64(l), ToInt64(r));
  const Int128 a = ToCurrencyScaled(l), b = ToCurrencyScaled(r);
  switch (op) {
    case BinaryOp::Plus:
      return CurrencyResult(a + b);
    case BinaryOp::Minus:
      return CurrencyResult(a - b);
    case BinaryOp::Mul:
      return CurrencyResult(RoundDiv(a * b, kCurrencyScale));
    default:
      if (b == 0) throw ZeroDivideError();
      return CurrencyResult(RoundDiv(a * kCurrencyScale, b));
  }
}

Value Concat(const Value& l, const Value& r) {
  if (l.is_empty()) return r;
  if (r.is_empty()) return l;
  if (l.is_bytes() && r.is_bytes()) {
    CheckSize(l.as_bytes().size(), r.as_bytes().size());
    return Value::Bytes(l.as_bytes() + r.as_bytes());
  }
  if (l.is_text() && r.is_text()) {
    CheckSize(l.as_text().size(), r.as_text().size());
    std::u16string s;
    s.reserve(l.as_text().size() + r.as_text().size());
    s += l.as_text();
    s += r.as_text();
    return Value::Text(std::move(s));
  }
  std::u16string left = ToText(l);
  const std::u16string right = ToText(r);
  CheckSize(left.size(), right.size());
  left += right;
  return Value::Text(std::move(left));
}

Value StringOp(BinaryOp op, const Value& l, const Value& r) {
  if (op == BinaryOp::Plus) return Concat(l, r);
  if (IsFloatArith(op)) return FloatArith(op, ToDouble(l), ToDouble(r));
  return IntegerOp(op, ToInt64(l), ToInt64(r));
}

Value BooleanOp(BinaryOp op, const Value& l, const Value& r) {
  const bool a = ToBool(l), b = ToBool(r);
  switch (op) {
    case BinaryOp::And:
      return Value::Bool(a && b);
    case BinaryOp::Or:
      return Value::Bool(a || b);
    case BinaryOp::Xor:
      return Value::Bool(a != b);
    default:
      break;
  }
  if (IsFloatArith(op)) return FloatArith(op, a ? -1 : 0, b ? -1 : 0);
  return Int32Op(op, a ? -1 : 0, b ? -1 : 0);
}

bool IsDateLike(const Value& v) { return v.kind() == ValueKind::Date || v.is_string(); }

Value DateOp(BinaryOp op, const Value& l, const Value& r) {
  const double a = ToDate(l), b = ToDate(r);
  switch (op) {
    case BinaryOp::Plus:
      return Value::Date(FloatArith(op, a, b).as_double());
    case BinaryOp::Minus: {
      const double d = FloatArith(op, a, b).as_double();
      // The distance between two dates is a number of days, not a date.
      return IsDateLike(l) && IsDateLike(r) ? Value::Double(d) : Value::Date(d);
    }
    case BinaryOp::Mul:
    case BinaryOp::DivFloat:
      return FloatArith(op, a, b);
    default:
      return IntegerOp(op, RoundToInt64(a), RoundToInt64(b));
  }
}

Value EmptyOp(BinaryOp op) {
  if (op == BinaryOp::DivFloat) throw ZeroDivideError();
  if (op == BinaryOp::DivInt || op == BinaryOp::Mod) throw DivByZeroError();
  return Value();
}

// and/or with Null: a decided result when the other operand decides it.
Value NullOp(BinaryOp op, const Value& l, const Value& r) {
  if (op != BinaryOp::And && op != BinaryOp::Or) return Value::Null();
  const Value& other = l.is_null() ? r : l;
  if (other.is_null()) return Value::Null();
  const bool b = ToBool(other);
  if (op == BinaryOp::And && !b) return Value::Bool(false);
  if (op == BinaryOp::Or && b) return Value::Bool(true);
  return Value::Null();
}

template <typename T>
int ThreeWay(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

constexpr int kUnordered = 2;  // a NaN on either side

int CompareDoubles(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return kUnordered;
  return ThreeWay(a, b);
}

int Sign(int c) { return (c > 0) - (c < 0); }

// By code units; char_traits compares bytes as unsigned char.
int CompareStrings(const Value& l, const Value& r) {
  if (l.is_text() && r.is_text()) return Sign(l.as_text().compare(r.as_text()));
  if (l.is_bytes() && r.is_bytes()) return Sign(l.as_bytes().compare(r.as_bytes()));
  return Sign(ToText(l).compare(ToText(r)));
}

// -1, 0, 1 (or kUnordered) for left against right.
int CompareValues(BinaryOp op, const Value& l, const Value& r) {
  const ValueCategory cl = CategoryOf(l), cr = CategoryOf(r);
  if (cl == X || cr == X) detail::ThrowInvalidOperand(Symbol(op));
  // Null below empty below everything else; each equals itself.
  if (cl == N || cr == N) return cl == cr ? 0 : (cl == N ? -1 : 1);
  if (cl == E || cr == E) return cl == cr ? 0 : (cl == E ? -1 : 1);
  switch (OperationCategory(cl, cr)) {
    case I:
      return ThreeWay(ToInt32(l), ToInt32(r));
    case L:
    case U:
      return ThreeWay(Exact(l), Exact(r));
    case F:
      return CompareDoubles(ToDouble(l), ToDouble(r));
    case Y:
      return ThreeWay(ToCurrencyScaled(l), ToCurrencyScaled(r));
    case S:
      return CompareStrings(l, r);
    case B:
      return ThreeWay(ToBool(l) ? -1 : 0, ToBool(r) ? -1 : 0);
    case D:
      return CompareDoubles(ToDate(l), ToDate(r));
    default:
      return 0;  // empty and null are settled above
  }
}

bool ComparisonHolds(BinaryOp op, int c) {
  if (c == kUnordered) return op == BinaryOp::NonEq;
  switch (op) {
    case BinaryOp::Eq:
      return c == 0;
    case BinaryOp::NonEq:
      return c != 0;
    case BinaryOp::Less:
      return c < 0;
    case BinaryOp::LessEq:
      return c <= 0;
    case BinaryOp::Great:
      return c > 0;
    default:
      return c >= 0;
  }
}

}  // namespace

ValueCategory CategoryOf(const Value& v) noexcept { return kCategoryOfKind[static_cast<size_t>(v.kind())]; }

ValueCategory OperationCategory(ValueCategory left, ValueCategory right) noexcept {
  return kOperationCategory[static_cast<size_t>(left)][static_cast<size_t>(right)];
}

Value Apply(BinaryOp op, const Value& left, const Value& right) {
  if (left.is_int32() && right.is_int32()) return Int32Op(op, left.as_int32(), right.as_int32());
  if (IsComparison(op)) return Value::Bool(Compare(op, left, right));
  if (left.is_double() && right.is_double() && IsFloatArith(op)) {
    return FloatArith(op, left.as_double(), right.as_double());
  }
  switch (OperationCategory(CategoryOf(left), CategoryOf(right))) {
    case E:
      return EmptyOp(op);
    case N:
      return NullOp(op, left, right);
    case I:
      return Int32Op(op, ToInt32(left), ToInt32(right));
    case F:
      if (IsFloatArith(op)) return FloatArith(op, ToDouble(left), ToDouble(right));
      return IntegerOp(op, ToInt64(left), ToInt64(right));
    case Y:
      return CurrencyOp(op, left, right);
    case S:
      return StringOp(op, left, right);
    case B:
      return BooleanOp(op, left, right);
    case D:
      return DateOp(op, left, right);
    case L:
      return WideOp(op, Exact(left), Exact(right), false);
    case U:
      return WideOp(op, Exact(left), Exact(right), true);
    case X:
      break;
  }
  detail::ThrowInvalidOperand(Symbol(op));
}

Value Add(const Value& left, const Value& right) {
  if (left.is_int32() && right.is_int32()) {
    int32_t r;
    if (!__builtin_add_overflow(left.as_int32(), right.as_int32(), &r)) return Value::Int(r);
  } else if (left.is_double() && right.is_double()) {
    return FloatArith(BinaryOp::Plus, left.as_double(), right.as_double());
  }
  return Apply(BinaryOp::Plus, left, right);
}

bool Compare(BinaryOp comparison, const Value& left, const Value& right) {
  if (left.is_int32() && right.is_int32())
    return ComparisonHolds(comparison, ThreeWay(left.as_int32(), right.as_int32()));
  return ComparisonHolds(comparison, CompareValues(comparison, left, right));
}

Value Not(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null:
      return v;
    case ValueKind::Boolean:
      return Value::Bool(!v.as_bool());
    case ValueKind::Empty:
      return Value::Int(-1);  // empty acts as the integer 0
    case ValueKind::Int32:
    case ValueKind::Object:
      return Value::Int(~v.as_int32());
    case ValueKind::Int64:
      return Value::Int64(~v.as_int64());
    case ValueKind::UInt64:
      return Value::UInt64(~v.as_uint64());
    case ValueKind::Text:
    case ValueKind::Bytes: {
      // Text that holds an integer is negated bitwise, "true"/"false" logically.
      int64_t i;
      const std::u16string text = ToText(v);
      if (TextToInt64(text, i)) return FitsInt32(i) ? Value::Int(~static_cast<int32_t>(i)) : Value::Int64(~i);
      double d;
      bool b;
      if (!TextToDouble(text, d) && TextToBool(text, b)) return Value::Bool(!b);
      break;
    }
    case ValueKind::Array:
      detail::ThrowInvalidOperand(u"not");
    default:
      break;
  }
  const int64_t i = ToInt64(v);
  return FitsInt32(i) ? Value::Int(~static_cast<int32_t>(i)) : Value::Int64(~i);
}

Value Negate(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Empty:
      return Value::Int(0);  // empty acts as the integer 0
    case ValueKind::Null:
      return v;
    case ValueKind::Int32:
    case ValueKind::Object:
      return Int32Op(BinaryOp::Minus, 0, v.as_int32());
    case ValueKind::Boolean:
      return Value::Int(v.as_bool() ? 1 : 0);
    case ValueKind::Int64:
      return Wide(-Int128(v.as_int64()), false);
    case ValueKind::UInt64:
      return Wide(-Int128(v.as_uint64()), false);
    case ValueKind::Double:
      return Value::Double(-v.as_double());
    case ValueKind::Date:
      return Value::Date(-v.as_double());
    case ValueKind::Currency:
      return CurrencyResult(-Int128(v.as_currency_scaled()));
    case ValueKind::Text:
    case ValueKind::Bytes:
      return Value::Double(-ToDouble(v));
    case ValueKind::Array:
      break;
  }
  detail::ThrowInvalidOperand(u"-");
}

void ApplyInPlace(BinaryOp op, Value& target, const Value& right) {
  if (op == BinaryOp::Plus) {
    if (target.is_int32() && right.is_int32()) {
      int32_t r;
      if (!__builtin_add_overflow(target.as_int32(), right.as_int32(), &r)) {
        target = Value::Int(r);
        return;
      }
    } else if (target.is_text() && (right.is_string() || right.is_empty())) {
      // Appending to a text no other value holds: amortised linear growth.
      CheckSize(target.as_text().size(), right.is_text()    ? right.as_text().size()
                                         : right.is_bytes() ? right.as_bytes().size()
                                                            : 0);
      if (&right == &target) {
        const std::u16string copy = right.as_text();
        target.mutable_text() += copy;
      } else if (right.is_text()) {
        target.mutable_text() += right.as_text();
      } else if (right.is_bytes()) {
        target.mutable_text() += BytesToText(right.as_bytes());
      }
      return;
    } else if (target.is_bytes() && right.is_bytes() && &right != &target) {
      CheckSize(target.as_bytes().size(), right.as_bytes().size());
      target.mutable_bytes() += right.as_bytes();
      return;
    }
  }
  target = Apply(op, target, right);
}

}  // namespace qv
