// The size cap on what a script can make: texts (UTF-16 units), byte
// strings and memory streams (bytes) stay below it, so a runaway script
// fails with "Out of memory" instead of taking the machine. Positions and
// lengths that scripts see are 32-bit, hence 2^31.
#pragma once

#include <atomic>
#include <cstdint>

#include "support/errors.h"

namespace qv {

inline constexpr int64_t kDefaultSizeLimit = int64_t{1} << 31;

// The script-visible error for a size over the cap and for an allocation
// that failed while a script ran.
class OutOfMemoryError : public ScriptError {
 public:
  OutOfMemoryError() : ScriptError(u"Out of memory", u"EOutOfMemory") {}
};

namespace detail {
inline std::atomic<int64_t> sizeLimit{kDefaultSizeLimit};
}

inline int64_t SizeLimit() noexcept { return detail::sizeLimit.load(std::memory_order_relaxed); }
// Lowered by hosts that want a smaller cap (and by tests); never above the
// default.
inline void SetSizeLimit(int64_t limit) noexcept {
  detail::sizeLimit.store(limit > 0 && limit < kDefaultSizeLimit ? limit : kDefaultSizeLimit,
                          std::memory_order_relaxed);
}

// Raises OutOfMemoryError when a value of `size` units would reach the cap.
inline void CheckSize(uint64_t size) {
  if (size >= static_cast<uint64_t>(SizeLimit())) throw OutOfMemoryError();
}
// The same for the sum of two sizes (a concatenation).
inline void CheckSize(uint64_t a, uint64_t b) { CheckSize(a + b); }

}  // namespace qv
