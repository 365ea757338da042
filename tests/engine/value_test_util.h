// Shorthands for writing value tables, and an exact comparison that reports
// kind and payload on failure.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "engine/value/value.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::testing {

inline Value Em() { return Value(); }
inline Value Nu() { return Value::Null(); }
inline Value I(int32_t i) { return Value::Int(i); }
inline Value L(int64_t i) { return Value::Int64(i); }
inline Value U(uint64_t u) { return Value::UInt64(u); }
inline Value D(double d) { return Value::Double(d); }
inline Value Cy(int64_t scaled) { return Value::CurrencyScaled(scaled); }
inline Value Dt(double d) { return Value::Date(d); }
inline Value Bo(bool b) { return Value::Bool(b); }
inline Value T(const char16_t* s) { return Value::Text(s); }
inline Value By(const char* s) { return Value::Bytes(s); }
inline Value Ob(int32_t id) { return Value::Object(id); }
inline Value Arr() { return Value::Array({Value::Int(1), Value::Int(2)}); }

// Which error a row expects; None means a value.
enum class Err { None, Convert, DivByZero, ZeroDivide, Overflow, Script };

inline const char* KindName(ValueKind k) {
  static const char* names[] = {"Empty", "Null", "Int32", "Int64", "UInt64", "Double", "Currency",
                                "Date",  "Bool", "Text",  "Bytes", "Array",  "Object"};
  return names[static_cast<int>(k)];
}

// Kind and payload, readable in a failure message.
inline std::string Describe(const Value& v) {
  std::string s = KindName(v.kind());
  s += "(";
  switch (v.kind()) {
    case ValueKind::Double:
    case ValueKind::Date: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", v.as_double());
      s += buf;
      break;
    }
    case ValueKind::UInt64:
      s += std::to_string(v.as_uint64());
      break;
    case ValueKind::Text:
      s += "\"" + ToUtf8(v.as_text()) + "\"";
      break;
    case ValueKind::Bytes:
      s += "\"" + v.as_bytes() + "\"";
      break;
    case ValueKind::Array:
      s += std::to_string(v.as_array().items.size()) + " items";
      break;
    case ValueKind::Empty:
    case ValueKind::Null:
      break;
    case ValueKind::Boolean:
      s += v.as_bool() ? "true" : "false";
      break;
    case ValueKind::Int32:
    case ValueKind::Object:
      s += std::to_string(v.as_int32());
      break;
    default:  // Int64, Currency (scaled)
      s += std::to_string(v.as_int64());
  }
  return s + ")";
}

inline bool Identical(const Value& a, const Value& b) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case ValueKind::Empty:
    case ValueKind::Null:
      return true;
    case ValueKind::Int32:
    case ValueKind::Object:
      return a.as_int32() == b.as_int32();
    case ValueKind::Boolean:
      return a.as_bool() == b.as_bool();
    case ValueKind::Double:
    case ValueKind::Date:
      return a.as_double() == b.as_double() || (std::isnan(a.as_double()) && std::isnan(b.as_double()));
    case ValueKind::Text:
      return a.as_text() == b.as_text();
    case ValueKind::Bytes:
      return a.as_bytes() == b.as_bytes();
    case ValueKind::Array:
      return false;
    default:
      return a.as_int64() == b.as_int64();
  }
}

// Runs `f` and checks that it raises the expected error class, or returns
// (through `out`) without one.
inline ::testing::AssertionResult RaisesAsExpected(const std::function<Value()>& f, Err expected,
                                                   Value& out) {
  Err got = Err::None;
  std::string message;
  try {
    out = f();
  } catch (const ConvertError& e) {
    got = Err::Convert, message = e.what();
  } catch (const DivByZeroError& e) {
    got = Err::DivByZero, message = e.what();
  } catch (const ZeroDivideError& e) {
    got = Err::ZeroDivide, message = e.what();
  } catch (const OverflowError& e) {
    got = Err::Overflow, message = e.what();
  } catch (const ScriptError& e) {
    got = Err::Script, message = e.what();
  }
  if (got == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "error class " << static_cast<int>(got) << " (" << message
                                       << "), expected " << static_cast<int>(expected);
}

}  // namespace qv::testing
