#include "support/verify.h"

#include <cstdio>
#include <cstdlib>

namespace qv {

void VerifyFailed(const char* condition, const char* file, int line) noexcept {
  std::fprintf(stderr, "%s:%d: internal check failed: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace qv
