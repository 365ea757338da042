// Error types raised by the engine and everything below it.
//
// Every run-time error a script can catch is a ScriptError; its class name is
// what a script sees in ExceptionClassName, its message what it sees in
// ExceptionMessage.
#pragma once

#include <exception>
#include <string>

namespace qv {

class ScriptError : public std::exception {
 public:
  explicit ScriptError(std::u16string message, std::u16string className = u"Exception");
  const char* what() const noexcept override { return utf8_.c_str(); }
  const std::u16string& message() const { return message_; }
  const std::u16string& className() const { return className_; }

 private:
  std::u16string message_;
  std::u16string className_;
  std::string utf8_;
};

// Text that cannot be converted to the wanted kind of value.
class ConvertError : public ScriptError {
 public:
  explicit ConvertError(std::u16string message) : ScriptError(std::move(message), u"EConvertError") {}
};

// Integer division or modulo by zero.
class DivByZeroError : public ScriptError {
 public:
  DivByZeroError() : ScriptError(u"Division by zero", u"EDivByZero") {}
};

// Floating-point division by zero.
class ZeroDivideError : public ScriptError {
 public:
  ZeroDivideError() : ScriptError(u"Floating point division by zero", u"EZeroDivide") {}
};

// A result that does not fit its type.
class OverflowError : public ScriptError {
 public:
  explicit OverflowError(std::u16string message = u"Arithmetic overflow")
      : ScriptError(std::move(message), u"EOverflow") {}
};

// An index outside a list's bounds ("List index out of bounds (5)").
class ListIndexError : public ScriptError {
 public:
  explicit ListIndexError(long long index);
};

}  // namespace qv
