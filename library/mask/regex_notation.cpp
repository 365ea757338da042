#include "library/mask/regex_notation.h"

#include "support/text.h"

namespace qv::library {

namespace {

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// The letter after a backslash that makes a token, after upper-casing (so
// the long s, whose upper case is S, counts as well).
bool IsEscapeTokenLetter(char16_t c) {
  switch (UpCaseCodePoint(c)) {
    case U'W':
    case U'T':
    case U'D':
    case U'S':
    case U'B':
    case U'.':
    case U'?':
      return true;
    default:
      return false;
  }
}

}  // namespace

bool LooksLikeRegex(std::u16string_view t) {
  const size_t n = t.size();
  for (size_t i = 0; i + 1 < n; ++i) {
    const char16_t c = t[i], d = t[i + 1];
    switch (c) {
      case u'\\':
        if (IsEscapeTokenLetter(d)) return true;
        break;
      case u'[':
        if (d == u'^') return true;
        break;
      case u'.':
        if (d == u'*' || d == u'+') return true;
        break;
      case u'+':
      case u'*':
        if (d == u'?') return true;
        break;
      case u'?':
        if (d == u'!') return true;
        break;
      case u'(':
        if (d == u'?' && i + 2 < n && t[i + 2] == u'<') return true;
        break;
      default:
        break;
    }
  }
  return false;
}

bool ParseRegexNotation(std::u16string& pattern, TQvRegExOptions& options) {
  options = {};
  if (LooksLikeRegex(pattern) && pattern[0] != u'/') pattern = u"/" + pattern + u"/is";
  if (pattern.empty() || pattern[0] != u'/') return false;
  // The closing slash: the first non-letter from the second-to-last
  // character back to the third (0-based L-2 .. 2).
  const size_t len = pattern.size();
  size_t p = 0;
  for (size_t i = len - 1; i-- > 2;) {
    if (!IsAsciiLetter(pattern[i])) {
      p = i;
      break;
    }
  }
  if (p == 0 || pattern[p] != u'/') return false;
  TQvRegExOptions found;
  for (size_t i = len; i-- > p;) {
    const char16_t c = pattern[i];
    if (c == u'/') break;
    switch (c | 0x20) {
      case u'i':
        found.Include(TQvRegExOption::preCaseLess);
        break;
      case u'm':
        found.Include(TQvRegExOption::preMultiLine);
        break;
      case u's':
        found.Include(TQvRegExOption::preSingleLine);
        break;
      case u'x':
        found.Include(TQvRegExOption::preExtended);
        break;
      case u'u':
        found.Include(TQvRegExOption::preAnchored);
        break;
      case u'a':
        found.Include(TQvRegExOption::preUnGreedy);
        break;
      case u'g':
        found.Include(TQvRegExOption::preNoAutoCapture);
        break;
      default:
        break;
    }
  }
  pattern = pattern.substr(1, p - 1);
  options = found;
  return true;
}

TQvRegExOptions DefaultPatternOptions() {
  return TQvRegExOptions{TQvRegExOption::preCaseLess, TQvRegExOption::preMultiLine};
}

std::unique_ptr<TRegExp> NewPatternRegex(std::u16string_view pattern, std::u16string_view subject) {
  return CreateRegEx(pattern, subject);
}

}  // namespace qv::library
