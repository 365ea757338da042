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
  // One heap for all threads. Scripts run on worker threads, and a
  // thread's own heap grows a page at a time (a protection change per
  // page), maps large blocks on their own whatever the threshold, and keeps
  // what it frees away from the other threads. Small blocks still come from
  // each thread's cache without taking the heap's lock.
  mallopt(M_ARENA_MAX, 1);
}

}  // namespace qv
