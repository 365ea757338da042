#include "library/mask/match_content.h"

#include <memory>

#include "library/mask/mask_pattern.h"
#include "library/mask/regex_functions.h"
#include "library/mask/regex_notation.h"
#include "library/strings/split_text.h"
#include "support/text.h"

namespace qv::library {

std::u16string MatchContent(std::u16string_view source, std::u16string_view patterns, TQvRegEx* regex) {
  std::unique_ptr<TRegExp> own;
  auto object = [&]() -> TQvRegEx* {
    if (regex == nullptr) {
      own = NewPatternRegex();
      regex = own.get();
    }
    return regex;
  };
  std::u16string result;
  for (const std::u16string& alternative : SplitText(patterns, u"||")) {
    std::u16string body = alternative;
    TQvRegExOptions unused;
    if (alternative.size() >= 5 && LowerCase(std::u16string_view(alternative).substr(0, 5)) == u"(reg)")
      result = NamedGroupPick(source, std::u16string_view(alternative).substr(5), object());
    else if (ParseRegexNotation(body, unused))
      result = NamedGroupPick(source, body, object());
    else
      result = MaskMatch(source, alternative, u"||", kHideMask, kCaptureMask, false);
    if (!result.empty()) break;
  }
  return result;
}

}  // namespace qv::library
