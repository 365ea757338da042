#include "library/chinese/chinese_script.h"

#include "support/east_asian_width.h"
#include "support/han_script.h"

namespace qv::library {

namespace {

// The whole text at once; where a rule changes the length, one character
// at a time, keeping a character whose mapping has another length.
std::u16string MapHan(std::u16string_view text, std::u16string (*map)(std::u16string_view)) {
  if (text.empty()) return {};
  std::u16string whole = map(text);
  if (whole.size() == text.size()) return whole;
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    bool pair = (text[i] & 0xFC00) == 0xD800 && i + 1 < text.size() && (text[i + 1] & 0xFC00) == 0xDC00;
    size_t n = pair ? 2 : 1;
    std::u16string_view one = text.substr(i, n);
    std::u16string mapped = map(one);
    out += mapped.size() == n ? mapped : std::u16string(one);
    i += n;
  }
  return out;
}

}  // namespace

std::u16string ToTraditional(std::u16string_view text) { return MapHan(text, SimplifiedToTraditional); }
std::u16string ToSimplified(std::u16string_view text) { return MapHan(text, TraditionalToSimplified); }

std::u16string FullToHalf(std::u16string_view text) { return ToHalfWidth(text); }

}  // namespace qv::library
