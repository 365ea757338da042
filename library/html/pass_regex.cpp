#include "library/html/pass_regex.h"

#include "support/errors.h"

namespace qv::library::html {

namespace {

// True when a match may depend on text before its start: "^" outside a
// character class, a look-behind, or a word-boundary assertion at the start
// of the pattern. (The passes here have "\b" only after a tag's name, where
// the character before it is part of the match.)
bool LooksBehind(std::string_view p) {
  if (p.size() >= 2 && p[0] == '\\' && (p[1] == 'b' || p[1] == 'B' || p[1] == 'G')) return true;
  bool inClass = false;
  for (size_t i = 0; i < p.size(); ++i) {
    char c = p[i];
    if (c == '\\') {
      ++i;  // the escaped character
    } else if (inClass) {
      if (c == ']') inClass = false;
    } else if (c == '[') {
      inClass = true;
      if (i + 1 < p.size() && p[i + 1] == '^') ++i;
      if (i + 1 < p.size() && p[i + 1] == ']') ++i;  // a "]" first is a member
    } else if (c == '^') {
      return true;
    } else if (c == '(' && p.compare(i, 3, "(?<") == 0 && i + 3 < p.size() &&
               (p[i + 3] == '=' || p[i + 3] == '!')) {
      return true;
    }
  }
  return false;
}

}  // namespace

PassResult ReplacePass(TQvRegEx& rx, std::string& text, std::string_view tmpl, PassScope scope) {
  size_t end = text.size();
  if (scope == PassScope::ToLastTagEnd) {
    size_t gt = text.rfind('>');
    end = gt == std::string::npos ? 0 : gt + 1;
  }
  PassResult result = PassResult::Unchanged;
  try {
    if (end == 0) return result;
    if (LooksBehind(rx.RegEx())) {
      rx.SetSubject(text.substr(0, end));
      if (rx.ReplaceAll(tmpl)) {
        text = rx.Subject() + text.substr(end);
        result = PassResult::Replaced;
      }
    } else {
      rx.SetSubject(end == text.size() ? text : text.substr(0, end));
      if (rx.Match()) {
        std::string out;
        out.reserve(text.size());
        size_t copied = 0;
        do {
          const size_t b = static_cast<size_t>(rx.MatchedOffset() - 1);
          out.append(text, copied, b - copied);
          out += rx.ComputeReplacement(tmpl);
          copied = b + static_cast<size_t>(rx.MatchedLength());
        } while (rx.MatchAgain());
        out.append(text, copied, std::string::npos);
        text = std::move(out);
        result = PassResult::Replaced;
      }
    }
  } catch (const ScriptError&) {
    result = PassResult::Stopped;  // the text stays as it was
  }
  rx.SetSubject(std::string());
  return result;
}

}  // namespace qv::library::html
