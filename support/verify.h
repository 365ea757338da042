// QV_VERIFY(cond): an internal invariant. Active in debug builds and in the
// sanitizer builds (QV_CHECKED); a broken invariant prints where it broke
// and aborts, so the sanitizer's report or the core dump points at it.
// Release builds compile it away: `cond` must have no side effects.
#pragma once

namespace qv {
[[noreturn]] void VerifyFailed(const char* condition, const char* file, int line) noexcept;
}  // namespace qv

#if defined(QV_CHECKED) || !defined(NDEBUG)
#define QV_VERIFY(cond) ((cond) ? static_cast<void>(0) : ::qv::VerifyFailed(#cond, __FILE__, __LINE__))
#else
#define QV_VERIFY(cond) static_cast<void>(0)
#endif
