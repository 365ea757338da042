#include "engine/classes/text_file.h"

#include "engine/xml/stream.h"

namespace qv {

std::string ReadRestOfStream(Stream& stream) {
  std::string out;
  int64_t left = stream.Size() - stream.Position();
  if (left > 0) out.reserve(static_cast<size_t>(left));
  char buf[65536];
  for (;;) {
    int64_t n = stream.Read(buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace qv
