#include "support/memory_policy.h"

#include <malloc.h>

namespace qv {

namespace {
// Blocks from this size up are mapped on their own and unmapped when freed.
constexpr int kMapThreshold = 256 << 20;
// Freed memory at the top of the heap beyond this goes back to the system.
constexpr int kTrimThreshold = 512 << 20;
}  // namespace

void ApplyMemoryPolicy() {
  mallopt(M_MMAP_THRESHOLD, kMapThreshold);
  mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
}

}  // namespace qv
