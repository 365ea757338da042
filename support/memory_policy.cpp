#include "support/memory_policy.h"

#include <limits.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "support/huge_page_blocks.h"

namespace qv {

namespace {
// Blocks from this size up are mapped on their own and unmapped when freed.
constexpr int kMapThreshold = 256 << 20;
// Freed memory at the top of the heap beyond this goes back to the system.
// It is above the reserve, so that the reserve keeps its huge pages.
constexpr int kTrimThreshold = 1 << 30;
// Address space the heap takes at start, with huge pages asked for.
constexpr int kHeapReserve = 512 << 20;
constexpr int kDefaultTopPad = 128 << 10;
constexpr uintptr_t kHugePage = uintptr_t{1} << 21;

// Makes the heap take its reserve at once and asks for huge pages on it. A
// large script builds millions of small objects; on 4 KB pages the
// processor spends much of that time walking page tables. Only pages that
// are used take memory, and where huge pages are off, or the system refuses
// the reserve, nothing changes.
void ReserveHugePageHeap() {
  mallopt(M_TOP_PAD, kHeapReserve);
  void* probe = std::malloc(kHugePage);  // below the map threshold: from the heap
  if (probe != nullptr) {
    const auto start = (reinterpret_cast<uintptr_t>(probe) + kHugePage - 1) & ~(kHugePage - 1);
    void* top = sbrk(0);
    const auto end = reinterpret_cast<uintptr_t>(top);
    if (top != reinterpret_cast<void*>(-1) && end > start + kHugePage)
      madvise(reinterpret_cast<void*>(start), (end - start) & ~(kHugePage - 1), MADV_HUGEPAGE);
    std::free(probe);
  }
  // Later growth in the usual small steps: a large pad holds more memory
  // at the top of the heap than the program uses.
  mallopt(M_TOP_PAD, kDefaultTopPad);
}
}  // namespace

void RestartWithHugePageBlocks(char** argv) {
  namespace hp = huge_page_blocks;
  if (hp::TakeMark() || argv == nullptr || argv[0] == nullptr || !hp::Wanted()) return;
  hp::Set();
  // By its own path, not /proc/self/exe: the process's name comes from the
  // file started, and ps or killall would otherwise know it as "exe".
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = '\0';
    execv(self, argv);
  }
  execv("/proc/self/exe", argv);
  // Not restarted: run as it is.
  hp::TakeMark();
}

void ApplyMemoryPolicy() {
  mallopt(M_MMAP_THRESHOLD, kMapThreshold);
  mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
  // One heap for all threads. Scripts run on worker threads, and a
  // thread's own heap grows a page at a time (a protection change per
  // page), maps large blocks on their own whatever the threshold, and keeps
  // what it frees away from the other threads. Small blocks still come from
  // each thread's cache without taking the heap's lock.
  mallopt(M_ARENA_MAX, 1);
  ReserveHugePageHeap();
}

}  // namespace qv
