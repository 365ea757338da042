#include "library/mask/pattern_conversions.h"

#include "library/mask/regex_functions.h"
#include "library/mask/regex_notation.h"
#include "library/strings/text_functions.h"
#include "library/url/abspath.h"
#include "support/regex.h"

namespace qv::library {

namespace {

struct Step {
  const char16_t* pattern;
  const char16_t* replacement;
};

template <size_t N>
std::u16string Apply(std::u16string text, const Step (&steps)[N]) {
  auto rx = NewPatternRegex();
  for (const Step& s : steps) text = RegexReplace(text, s.pattern, s.replacement, rx.get());
  return text;
}

}  // namespace

std::u16string Url2CReg(std::u16string_view url) {
  const std::u16string host = GetDomain(url, true);
  // The host is lower case; the address may not be.
  const size_t at = host.empty() ? 0 : PosEx(host, url);
  std::u16string rest(at == 0 ? url : url.substr(at - 1 + host.size()));
  if (rest.empty()) return rest;
  static constexpr Step kSteps[] = {
      {u"(\\%\\w{2})+", u"任意字符"},
      {u"([a-zA-z]+)\\d+([a-zA-z]+)?", u"$1数字$2"},
      {u"\\d+\\b", u"数字"},
      {u"\\b\\d+", u"数字"},
  };
  return Apply(std::move(rest), kSteps);
}

std::u16string CReg2Reg(std::u16string_view pattern) {
  static constexpr Step kSteps[] = {
      {u"数字", u"\\d+"},
      {u"任意字符", u".*?"},
      {u"字符", u"\\w+"},
  };
  return Apply(std::u16string(pattern), kSteps);
}

std::u16string Reg2CReg(std::u16string_view pattern) {
  static constexpr Step kSteps[] = {
      {u"\\\\d\\+", u"数字"},
      {u"\\.\\*\\?", u"任意字符"},
      {u"\\\\w\\+", u"字符"},
      {u"\\\\([\\.\\[\\]\\(\\)\\?\\*\\+\\{\\}\\^\\$\\|\\\\])", u"$1"},
  };
  return Apply(std::u16string(pattern), kSteps);
}

std::u16string Url2Reg(std::u16string_view url) {
  return CReg2Reg(TQvRegEx::EscapeRegExChars(Url2CReg(url)));
}

}  // namespace qv::library
