// Fuzzes the gzip reader with hostile members, and checks that whatever it
// compresses it reads back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/encode/gzip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string out;
  // A small limit keeps bombs cheap; the limit check is the same code.
  if (qv::library::GunzipBytes(in, out, size_t{1} << 20) && out.size() > (size_t{1} << 20)) abort();
  // Compression is costly to start: round trips for one input in eight.
  if (size > 0 && data[0] < 32) {
    std::string back;
    if (!qv::library::GunzipBytes(qv::library::GzipBytes(in), back) || back != in) abort();
  }
  return 0;
}
