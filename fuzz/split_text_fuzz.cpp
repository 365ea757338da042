// Source and separator, separated by a NUL byte (UTF-8), through SplitText.
// A literal separator must give pieces that join back to the source.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/mask/regex_notation.h"
#include "library/strings/split_text.h"
#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const size_t cut = in.find('\0');
  if (cut == std::string_view::npos) return 0;
  const std::u16string source = qv::FromUtf8(in.substr(0, cut));
  const std::u16string separator = qv::FromUtf8(in.substr(cut + 1));
  const auto pieces = qv::library::SplitText(source, separator);
  if (pieces.empty()) std::abort();
  std::u16string probe = separator;
  qv::TQvRegExOptions options;
  if (!qv::library::ParseRegexNotation(probe, options)) {
    std::u16string joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
      if (i > 0) joined += separator;
      joined += pieces[i];
    }
    if (joined != source) std::abort();
  }
  return 0;
}
