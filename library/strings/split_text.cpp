#include "library/strings/split_text.h"

#include <memory>

#include "library/mask/regex_notation.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library {

std::vector<std::u16string> SplitLiteral(std::u16string_view source, std::u16string_view separator) {
  std::vector<std::u16string> pieces;
  if (separator.empty()) {
    pieces.emplace_back(source);
    return pieces;
  }
  size_t from = 0;
  for (size_t at; (at = source.find(separator, from)) != std::u16string_view::npos;
       from = at + separator.size())
    pieces.emplace_back(source.substr(from, at - from));
  pieces.emplace_back(source.substr(from));
  return pieces;
}

namespace {

// Pieces between the matches of the pattern already set on `rx`. An error
// while matching keeps the pieces cut so far and the rest as the last piece.
std::vector<std::u16string> SplitAtMatches(TQvRegEx& rx, std::u16string_view source) {
  std::vector<std::u16string> pieces;
  const std::string subject = ToUtf8(source);
  rx.SetSubject(subject);
  size_t pos = 0;
  try {
    for (bool found = rx.Match(); found; found = rx.MatchAgain()) {
      const size_t begin = static_cast<size_t>(rx.MatchedOffset() - 1);
      const size_t end = begin + static_cast<size_t>(rx.MatchedLength());
      if (begin < pos || end > subject.size()) break;
      pieces.push_back(FromUtf8(std::string_view(subject).substr(pos, begin - pos)));
      pos = end;
    }
  } catch (const ScriptError&) {
    if (pieces.empty()) return {std::u16string(source)};
  }
  pieces.push_back(FromUtf8(std::string_view(subject).substr(pos)));
  return pieces;
}

}  // namespace

std::vector<std::u16string> SplitText(std::u16string_view source, std::u16string_view separator,
                                      TQvRegEx* regex) {
  std::u16string pattern(separator);
  TQvRegExOptions options;
  if (!ParseRegexNotation(pattern, options)) return SplitLiteral(source, separator);
  if (options.Empty()) options = DefaultPatternOptions();
  std::unique_ptr<TRegExp> own;
  if (regex == nullptr) {
    own = NewPatternRegex();
    regex = own.get();
  }
  regex->SetOptions(options);
  regex->SetRegEx(pattern);
  return SplitAtMatches(*regex, source);
}

}  // namespace qv::library
