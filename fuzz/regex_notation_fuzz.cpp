// A pattern text (UTF-8) through the notation parser, the looks-like-a-regex
// rule and the pick and replace operations that read it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/mask/regex_functions.h"
#include "library/mask/regex_notation.h"
#include "support/errors.h"
#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string text = qv::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  std::u16string pattern = text;
  qv::TQvRegExOptions options;
  const bool recognised = qv::library::ParseRegexNotation(pattern, options);
  // A body is always shorter than its notation, unless the text was wrapped.
  if (recognised && pattern.size() >= text.size() && !qv::library::LooksLikeRegex(text)) std::abort();
  if (!recognised && pattern != text) std::abort();
  const std::u16string subject = u"abc 123 <a href=\"/x\">x</a>\r\nline two";
  (void)qv::library::RegexPick(subject, text, 1);
  (void)qv::library::RegexPickAny(subject, text, u"name");
  try {
    (void)qv::library::RegexReplace(subject, text, u"$1#13");
    (void)qv::library::RegexReplacePairs(subject, text);
  } catch (const qv::ScriptError&) {
  }
  return 0;
}
