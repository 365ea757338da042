// qvrun as the user starts it: sets the C library's huge-page switch and
// starts the runner, lib/quorvint/qvrun-runner of the same installation (or
// of the build tree). The switch is read only when a program starts, and the
// runner loads some forty libraries: starting it once with the switch set
// costs a fraction of starting it twice. Plain libc, no C++ library.
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "support/huge_page_blocks.h"

namespace {

// bin/qvrun finds ../lib/quorvint/qvrun-runner; in a build tree cli/qvrun
// finds lib/quorvint/qvrun-runner the same way.
bool RunnerPath(char* path, size_t size) {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return false;
  self[n] = '\0';
  char* slash = strrchr(self, '/');
  if (slash == nullptr) return false;
  *slash = '\0';
  int written = snprintf(path, size, "%s/../lib/quorvint/qvrun-runner", self);
  return written > 0 && static_cast<size_t>(written) < size;
}

}  // namespace

int main(int argc, char** argv) {
  (void)argc;
  char runner[PATH_MAX];
  if (!RunnerPath(runner, sizeof runner)) {
    fputs("qvrun: cannot find its own program file\n", stderr);
    return 127;
  }
  if (qv::huge_page_blocks::Wanted()) qv::huge_page_blocks::Set();
  execv(runner, argv);
  fprintf(stderr, "qvrun: cannot start %s: %s\n", runner, strerror(errno));
  return 127;
}
