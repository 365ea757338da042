#include "library/chinese/chinese_script.h"

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

std::u16string FullToHalf(std::u16string_view text) {
  static constexpr char16_t kSigns[] = {u'\u00A2', u'\u00A3', u'\u00AC', u'\u00AF',
                                        u'\u00A6', u'\u00A5', u'\u20A9'};  // U+FFE0..U+FFE6
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= 0xFF01 && c <= 0xFF5E)
      c = static_cast<char16_t>(c - 0xFEE0);
    else if (c == 0x3000)
      c = u' ';
    else if (c >= 0xFFE0 && c <= 0xFFE6)
      c = kSigns[c - 0xFFE0];
  }
  return out;
}

}  // namespace qv::library
