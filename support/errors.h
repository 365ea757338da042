// Error types raised by the engine and everything below it.
//
// Every run-time error a script can catch is a ScriptError; its class name is
// what a script sees in ExceptionClassName, its message what it sees in
// ExceptionMessage.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace qv {

// Where a run-time error was raised: the statement that was running and the
// routine calls that led to it. Filled in while the error propagates out of
// statements and routine calls, so running without an error pays nothing.
struct ErrorPlace {
  static constexpr size_t kMaxCalls = 20;
  struct Call {
    std::u16string routine;  // the routine that was called
    std::u16string unit;     // the unit of the calling statement; empty: the main script
    std::u16string pos;      // "line:col" of the calling statement
  };
  std::u16string unit;       // empty: the main script
  std::u16string pos;        // "line:col" of the statement that was running
  std::vector<Call> calls;   // innermost first
  bool callPending = false;  // calls.back() still waits for its calling statement
  size_t omittedCalls = 0;   // levels beyond kMaxCalls
};

class ScriptError : public std::exception {
 public:
  explicit ScriptError(std::u16string message, std::u16string className = u"Exception");
  const char* what() const noexcept override { return utf8_.c_str(); }
  const std::u16string& message() const { return message_; }
  const std::u16string& className() const { return className_; }
  // Null until a statement the error left has noted itself.
  const ErrorPlace* place() const { return place_.get(); }
  // The statement `pos` of `unit` was running: the first one noted is where
  // the error was raised; a later one is the call site of a pending level.
  void NoteStatement(const std::u16string& unit, const std::u16string& pos);
  // The error left the body of `routine`.
  void NoteRoutine(const std::u16string& routine);

 private:
  std::u16string message_;
  std::u16string className_;
  std::string utf8_;
  std::shared_ptr<ErrorPlace> place_;
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
