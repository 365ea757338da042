// The C library's switch that gives its own mapped blocks (256 MB and up,
// see memory_policy.h) huge pages. The library reads it only when a program
// starts, from the environment, so whoever starts the runner sets it. Plain
// libc, so that the small qvrun launcher needs nothing else.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace qv::huge_page_blocks {

// Set beside the switch, so that the program started with it knows the
// switch is ours: it neither starts itself again nor hands the switch on
// to the commands it runs.
inline constexpr const char* kMark = "QV_HUGE_PAGE_BLOCKS";
inline constexpr const char* kTunables = "GLIBC_TUNABLES";
inline constexpr const char* kSwitch = "glibc.malloc.hugetlb=1";

// Only where huge pages are given on request ("madvise": with "always"
// every block gets them anyway, with "never" none does), only when the user
// set no tunables of their own, and not under the sanitizers, which bring
// their own allocator.
inline bool Wanted() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return false;
#else
  if (getenv(kTunables) != nullptr) return false;
  int fd = open("/sys/kernel/mm/transparent_hugepage/enabled", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char modes[128];
  ssize_t n = read(fd, modes, sizeof modes - 1);
  close(fd);
  if (n <= 0) return false;
  modes[n] = '\0';
  return strstr(modes, "[madvise]") != nullptr;
#endif
}

// Before an exec: the program started gets the switch and the mark.
inline void Set() {
  setenv(kMark, "1", 1);
  setenv(kTunables, kSwitch, 1);
}

// In the program started with them: true when they were set by Set, which
// are then taken out of the environment the program hands on.
inline bool TakeMark() {
  if (getenv(kMark) == nullptr) return false;
  unsetenv(kMark);
  unsetenv(kTunables);
  return true;
}

}  // namespace qv::huge_page_blocks
