// The value rules: conversions between kinds, the operators of every
// expression and the text forms of numbers. Every part of the system that
// converts or combines values calls these functions; none has its own copy.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/value/value.h"
#include "support/errors.h"

namespace qv {

// Category of a value for the operator table. Object references take part
// as integers; arrays have none (Invalid), and using them in an operator is
// an error.
enum class ValueCategory : uint8_t {
  Empty,
  Null,
  Integer,
  Float,
  Currency,
  String,
  Boolean,
  Date,
  Int64,
  UInt64,
  Invalid
};

ValueCategory CategoryOf(const Value& v) noexcept;

// The category of an operation on two values.
ValueCategory OperationCategory(ValueCategory left, ValueCategory right) noexcept;

// Binary operators, in the order of the expression tokens.
enum class BinaryOp : uint8_t {
  Plus,
  Minus,
  Mul,
  DivFloat,
  DivInt,
  Mod,
  Shl,
  Shr,
  And,
  Or,
  Xor,
  Eq,
  NonEq,
  Less,
  LessEq,
  Great,
  GreatEq
};

// left op right under the value rules. Raises ConvertError, DivByZeroError,
// ZeroDivideError, OverflowError or ScriptError (arrays).
//
//   Apply(BinaryOp::DivFloat, Int(7), Int(2))  -> Double 3.5
//   Apply(BinaryOp::Mod, Int(-7), Int(2))      -> Int32 -1
//   Apply(BinaryOp::Plus, Int(INT32_MAX), Int(1)) -> Double 2147483648
//   Apply(BinaryOp::Plus, Text(u"10"), Int(5)) -> Double 15
//
// Results that overflow their integer width (32 or 64 bits) are redone in
// floating point; currency overflow and floating-point overflow raise
// OverflowError. Shifts count modulo the width (32, or 64 for the 64-bit
// categories).
Value Apply(BinaryOp op, const Value& left, const Value& right);

// Fast paths the interpreter calls directly.
Value Add(const Value& left, const Value& right);
// Comparisons pick their category from the same table: two strings compare
// by UTF-16 code units (case-sensitively), a string against a number as
// floats, booleans as integers (true is -1). Null equals Null and is below
// everything; empty equals empty and is below everything but Null. The
// result is always a boolean.
bool Compare(BinaryOp comparison, const Value& left, const Value& right);

namespace detail {

constexpr bool IsFloatArithOp(BinaryOp op) {
  return op == BinaryOp::Plus || op == BinaryOp::Minus || op == BinaryOp::Mul || op == BinaryOp::DivFloat;
}

// a op b for two 32-bit integers whose result stays a 32-bit integer;
// false leaves the case (an overflow, another operator) to Apply.
template <BinaryOp kOp>
inline bool Int32Fast(int32_t a, int32_t b, int32_t& out) noexcept {
  if constexpr (kOp == BinaryOp::Plus) return !__builtin_add_overflow(a, b, &out);
  if constexpr (kOp == BinaryOp::Minus) return !__builtin_sub_overflow(a, b, &out);
  if constexpr (kOp == BinaryOp::Mul) return !__builtin_mul_overflow(a, b, &out);
  return false;
}

// a op b in floating point when one operand is a Double and the other a
// Double or a 32-bit integer, as Apply computes it; false leaves the case
// to Apply (other kinds, a zero divisor, an overflow that raises there).
template <BinaryOp kOp>
inline bool FloatFast(const Value& left, const Value& right, double& out) noexcept {
  if constexpr (!IsFloatArithOp(kOp)) {
    return false;
  } else {
    double a, b;
    if (left.is_double()) {
      a = left.as_double();
      if (right.is_double())
        b = right.as_double();
      else if (right.is_int32())
        b = right.as_int32();
      else
        return false;
    } else if (left.is_int32() && right.is_double()) {
      a = left.as_int32();
      b = right.as_double();
    } else {
      return false;
    }
    if constexpr (kOp == BinaryOp::Plus) out = a + b;
    if constexpr (kOp == BinaryOp::Minus) out = a - b;
    if constexpr (kOp == BinaryOp::Mul) out = a * b;
    if constexpr (kOp == BinaryOp::DivFloat) {
      if (b == 0) return false;
      out = a / b;
    }
    return !__builtin_isinf(out);
  }
}

}  // namespace detail

// Apply for an operator known at compile time, with the 32-bit integer
// case inline, and with kFloat the floating-point one (operator nodes call
// these).
template <BinaryOp kOp, bool kFloat = true>
inline Value ApplyOp(const Value& left, const Value& right) {
  if (left.is_int32() && right.is_int32()) {
    int32_t r;
    if (detail::Int32Fast<kOp>(left.as_int32(), right.as_int32(), r)) return Value::Int(r);
  } else if constexpr (kFloat) {
    double d;
    if (detail::FloatFast<kOp>(left, right, d)) return Value::Double(d);
  }
  return Apply(kOp, left, right);
}

// target := target op right for numbers, in place: true when done, false
// when the general rules must decide (ApplyInPlace).
template <BinaryOp kOp>
inline bool ApplyInPlaceFast(Value& target, const Value& right) noexcept {
  if (target.is_int32() && right.is_int32()) {
    int32_t r;
    if (!detail::Int32Fast<kOp>(target.as_int32(), right.as_int32(), r)) return false;
    target = Value::Int(r);
    return true;
  }
  double d;
  if (!detail::FloatFast<kOp>(target, right, d)) return false;
  target = Value::Double(d);
  return true;
}

// ApplyInPlaceFast for an operator known only at run time.
inline bool ApplyInPlaceFast(BinaryOp op, Value& target, const Value& right) noexcept {
  switch (op) {
    case BinaryOp::Plus:
      return ApplyInPlaceFast<BinaryOp::Plus>(target, right);
    case BinaryOp::Minus:
      return ApplyInPlaceFast<BinaryOp::Minus>(target, right);
    case BinaryOp::Mul:
      return ApplyInPlaceFast<BinaryOp::Mul>(target, right);
    case BinaryOp::DivFloat:
      return ApplyInPlaceFast<BinaryOp::DivFloat>(target, right);
    default:
      return false;
  }
}

// Compare for an operator known at compile time, with the 32-bit integer
// case inline.
template <BinaryOp kOp>
inline bool CompareOp(const Value& left, const Value& right) {
  if (left.is_int32() && right.is_int32()) {
    const int32_t a = left.as_int32(), b = right.as_int32();
    if constexpr (kOp == BinaryOp::Eq) return a == b;
    if constexpr (kOp == BinaryOp::NonEq) return a != b;
    if constexpr (kOp == BinaryOp::Less) return a < b;
    if constexpr (kOp == BinaryOp::LessEq) return a <= b;
    if constexpr (kOp == BinaryOp::Great) return a > b;
    if constexpr (kOp == BinaryOp::GreatEq) return a >= b;
  }
  return Compare(kOp, left, right);
}

// Unary operators: logical not of booleans, bitwise not of integers; negation.
Value Not(const Value& v);
Value Negate(const Value& v);

// target := target op right, reusing target's storage where it can: a text
// that only `target` holds is appended to in place, which keeps repeated
// concatenation linear.
void ApplyInPlace(BinaryOp op, Value& target, const Value& right);

// Conversions. Text converts to numbers when it holds one ("." is the decimal
// point), otherwise ConvertError; booleans convert to -1 and 0; numbers to
// true when not zero; text to a boolean when it is "true"/"false" (any case)
// or a number. Null and empty convert to 0, false and "". Doubles, dates and
// currency round to integers with halves to the even neighbour; a value that
// does not fit the target raises OverflowError.
int32_t ToInt32(const Value& v);
int64_t ToInt64(const Value& v);
uint64_t ToUInt64(const Value& v);
double ToDouble(const Value& v);
int64_t ToCurrencyScaled(const Value& v);
double ToDate(const Value& v);
bool ToBoolConverted(const Value& v);
inline bool ToBool(const Value& v) { return v.is_bool() ? v.as_bool() : ToBoolConverted(v); }
// The text form used by VarToStr, "+" with text and logging.
std::u16string ToText(const Value& v);
// The narrow (code-page) string form: byte strings as they are, everything
// else as its text form encoded in the ANSI code page.
std::string ToBytes(const Value& v);

// The one route between byte strings and text inside values.
std::u16string BytesToText(std::string_view bytes);
std::string TextToBytes(std::u16string_view text);

// Doubles to integers, to the nearest with halves to the even neighbour;
// OverflowError when the result does not fit.
int32_t RoundToInt32(double d);
int64_t RoundToInt64(double d);

// Text forms of numbers: general format with up to 15 significant digits,
// trailing zeros dropped, exponent form ("1E20", "1.5E-5") when the decimal
// exponent is 15 or more or below -4.
std::u16string FloatToText(double d);
std::u16string CurrencyToText(int64_t scaled);

// Parsing numbers from text: decimal integers, "$" or "0x" hexadecimal,
// floating point with "." and exponent. Return false when `text` holds no
// number (surrounding blanks are allowed) or the number does not fit.
// Hexadecimal takes up to 16 digits as a bit pattern ("$FFFFFFFFFFFFFFFF" is
// -1); TextToDouble also reads integers, hexadecimal ones included.
bool TextToInt64(std::u16string_view text, int64_t& out);
bool TextToDouble(std::u16string_view text, double& out);
// As TextToInt64 within 32 bits; hexadecimal takes up to 8 digits as a bit
// pattern, so "$FFFFFFFF" is -1.
bool TextToInt32(std::u16string_view text, int32_t& out);
// "true" or "false" in any case, or a number (true when not zero).
bool TextToBool(std::u16string_view text, bool& out);

// The conversion error for text that holds no `what`:
// "'abc' is not a valid integer value".
ConvertError NotValidError(std::u16string_view text, std::u16string_view what);

// The variant type code a script sees through VarType.
int32_t VarTypeCode(const Value& v) noexcept;

}  // namespace qv
