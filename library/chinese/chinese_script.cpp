#include "library/chinese/chinese_script.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <memory>

namespace qv::library {

namespace {

// Transliterators are not shared between threads: each keeps its own.
const icu::Transliterator* Han(bool toTraditional) {
  auto make = [](const char* id) {
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(
        icu::Transliterator::createInstance(icu::UnicodeString(id, -1, US_INV), UTRANS_FORWARD, err));
    return U_SUCCESS(err) ? std::move(t) : nullptr;
  };
  thread_local std::unique_ptr<icu::Transliterator> toTrad = make("Hans-Hant");
  thread_local std::unique_ptr<icu::Transliterator> toSimp = make("Hant-Hans");
  return toTraditional ? toTrad.get() : toSimp.get();
}

std::u16string Apply(const icu::Transliterator& t, std::u16string_view text) {
  icu::UnicodeString s(text.data(), static_cast<int32_t>(text.size()));
  t.transliterate(s);
  return std::u16string(s.getBuffer(), static_cast<size_t>(s.length()));
}

// The whole text at once; where a rule changes the length, one character
// at a time, keeping a character whose mapping has another length.
std::u16string MapHan(std::u16string_view text, bool toTraditional) {
  const icu::Transliterator* t = Han(toTraditional);
  if (!t || text.empty()) return std::u16string(text);
  std::u16string whole = Apply(*t, text);
  if (whole.size() == text.size()) return whole;
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t n = U16_IS_LEAD(text[i]) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1]) ? 2 : 1;
    std::u16string_view one = text.substr(i, n);
    std::u16string mapped = Apply(*t, one);
    out += mapped.size() == n ? mapped : std::u16string(one);
    i += n;
  }
  return out;
}

}  // namespace

std::u16string ToTraditional(std::u16string_view text) { return MapHan(text, true); }
std::u16string ToSimplified(std::u16string_view text) { return MapHan(text, false); }

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
