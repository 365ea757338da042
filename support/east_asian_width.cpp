#include "support/east_asian_width.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <unicode/uscript.h>

#include <unordered_map>
#include <utility>

namespace qv {

namespace {

// The mapping follows the <wide> and <narrow> compatibility decompositions:
// a <wide> character maps to its decomposition, the decomposition of a
// <narrow> one maps to it, and a katakana letter whose canonical
// decomposition adds a (semi-)voiced mark maps to the half-width base and
// the half-width mark.
class HalfWidthTable {
 public:
  HalfWidthTable() {
    UErrorCode err = U_ZERO_ERROR;
    const icu::Normalizer2* nfkd = icu::Normalizer2::getNFKDInstance(err);
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(err);
    if (U_FAILURE(err)) return;
    for (UChar32 c = 0xFF00; c <= 0xFFEF; ++c) {
      icu::UnicodeString d;
      if (!nfkd->getRawDecomposition(c, d) || d.length() != 1) continue;
      auto type = u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE);
      if (type == U_DT_WIDE)
        map_[static_cast<char16_t>(c)] = std::u16string(1, d.charAt(0));
      else if (type == U_DT_NARROW)
        map_[d.charAt(0)] = std::u16string(1, static_cast<char16_t>(c));
    }
    map_[u'\u3000'] = std::u16string(1, u' ');
    // The spacing sound marks become the half-width marks as well.
    for (auto [spacing, combining] : {std::pair{u'\u309B', u'\u3099'}, std::pair{u'\u309C', u'\u309A'}})
      if (auto it = map_.find(combining); it != map_.end()) map_[spacing] = it->second;
    for (UChar32 c = 0x30A0; c <= 0x30FF; ++c) {
      icu::UnicodeString d;
      if (map_.count(static_cast<char16_t>(c)) || !nfd->getDecomposition(c, d) || d.length() != 2) continue;
      auto base = map_.find(d.charAt(0));
      auto mark = map_.find(d.charAt(1));
      if (base != map_.end() && mark != map_.end())
        map_[static_cast<char16_t>(c)] = base->second + mark->second;
    }
  }

  const std::u16string* Find(char16_t c) const {
    auto it = map_.find(c);
    return it == map_.end() ? nullptr : &it->second;
  }

 private:
  std::unordered_map<char16_t, std::u16string> map_;
};

}  // namespace

bool IsWideCharacter(char32_t c) {
  if (c < 0x1100) return false;
  auto width = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_EAST_ASIAN_WIDTH);
  if (width != U_EA_WIDE && width != U_EA_FULLWIDTH && width != U_EA_HALFWIDTH) return false;
  return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_SCRIPT) != USCRIPT_HANGUL;
}

std::u16string ToHalfWidth(std::u16string_view text) {
  static const HalfWidthTable table;
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    // Nothing below the arrows has a narrower form.
    const std::u16string* half = c >= 0x2190 ? table.Find(c) : nullptr;
    if (half)
      out += *half;
    else
      out += c;
  }
  return out;
}

}  // namespace qv
