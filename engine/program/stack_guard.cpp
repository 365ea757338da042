#include "engine/program/stack_guard.h"

#include <pthread.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "support/errors.h"

namespace qv {

namespace {

constexpr size_t kMinReserve = 256 * 1024;
constexpr size_t kMaxReserve = 2 * 1024 * 1024;

uintptr_t Here() { return reinterpret_cast<uintptr_t>(__builtin_frame_address(0)); }

// The lowest address the checks let the stack reach on this thread.
uintptr_t ComputeLimit() {
  void* low = nullptr;
  size_t size = 0;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    if (pthread_attr_getstack(&attr, &low, &size) != 0) size = 0;
    pthread_attr_destroy(&attr);
  }
  const uintptr_t here = Here();
  const uintptr_t base = reinterpret_cast<uintptr_t>(low);
  if (size == 0 || here < base || here - base > size) {
    // Bounds unknown: allow one more megabyte below the first check.
    return here > (1u << 20) ? here - (1u << 20) : 1;
  }
  size_t reserve = std::clamp(size / 8, kMinReserve, kMaxReserve);
  reserve = std::min(reserve, size / 2);
  return base + reserve;
}

}  // namespace

constinit thread_local uintptr_t tlsStackLimit = UINTPTR_MAX;

void CheckStackSlow() {
  if (tlsStackLimit == UINTPTR_MAX) tlsStackLimit = ComputeLimit();
  if (Here() < tlsStackLimit) throw ScriptError(std::u16string(kStackOverflow));
}

}  // namespace qv
