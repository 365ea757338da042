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

// A template without "$" or "\\" inserts itself, whatever the match.
bool IsLiteral(std::string_view tmpl) { return tmpl.find_first_of("$\\") == std::string_view::npos; }

}  // namespace

PassResult ReplacePass(TQvRegEx& rx, std::string& text, std::string_view tmpl, PassScope scope,
                       std::string* spare) {
  size_t end = text.size();
  if (scope == PassScope::ToLastTagEnd) {
    size_t gt = text.rfind('>');
    end = gt == std::string::npos ? 0 : gt + 1;
  }
  if (end == 0) return PassResult::Unchanged;
  PassResult result = PassResult::Unchanged;
  const bool looksBehind = LooksBehind(rx.RegEx());
  // The object replaces in place when the pattern may look behind a match;
  // it then gets a copy, so that a pass stopped half-way changes nothing.
  // Otherwise it borrows the text and gives it back.
  rx.SetValidSubject(looksBehind ? text : std::move(text));
  rx.SetStop(static_cast<int>(end));
  try {
    if (looksBehind) {
      if (rx.ReplaceAll(tmpl)) {
        text = rx.TakeSubject();
        result = PassResult::Replaced;
      }
    } else if (rx.Match()) {
      const std::string& src = rx.Subject();
      const bool literal = IsLiteral(tmpl);
      std::string out = spare ? std::move(*spare) : std::string();
      out.clear();
      out.reserve(src.size());
      size_t copied = 0;
      do {
        const size_t b = static_cast<size_t>(rx.MatchedOffset() - 1);
        out.append(src, copied, b - copied);
        if (literal)
          out.append(tmpl);
        else
          out += rx.ComputeReplacement(tmpl);
        copied = b + static_cast<size_t>(rx.MatchedLength());
      } while (rx.MatchAgain());
      out.append(src, copied, std::string::npos);
      std::string old = rx.TakeSubject();
      if (spare) *spare = std::move(old);
      text = std::move(out);
      result = PassResult::Replaced;
    } else {
      text = rx.TakeSubject();
    }
  } catch (const ScriptError&) {
    result = PassResult::Stopped;  // the text stays as it was
    if (!looksBehind) text = rx.TakeSubject();
  }
  rx.SetSubject(std::string());
  return result;
}

}  // namespace qv::library::html
