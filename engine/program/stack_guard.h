// Deep recursion of scripts (a function calling itself without end, or
// intermediate code nested without end) must end with a script error, not
// with the process running out of stack. CheckStack compares the current
// frame with a limit kept per thread: the low end of the thread's stack plus
// a reserve large enough for the host calls and error handling that may
// still run below the check, in sanitizer builds too.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

inline constexpr std::u16string_view kStackOverflow = u"Stack overflow";

// The lowest address the checks let this thread's stack reach; the
// largest address until the first check has computed it.
extern constinit thread_local uintptr_t tlsStackLimit;
// Computes the limit on a thread's first check; raises as CheckStack.
void CheckStackSlow();

// Raises ScriptError "Stack overflow" when the reserve has been reached.
inline void CheckStack() {
  if (reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) < tlsStackLimit) CheckStackSlow();
}

}  // namespace qv
