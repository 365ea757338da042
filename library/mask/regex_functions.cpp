#include "library/mask/regex_functions.h"

#include <memory>
#include <vector>

#include "library/mask/mask_pattern.h"
#include "library/mask/regex_notation.h"
#include "library/mask/replace_content.h"
#include "library/strings/numeric_text.h"
#include "library/strings/split_text.h"
#include "library/url/abspath.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library {

namespace {

// The given object, or a new one that lives as long as this holder.
class RegexHolder {
 public:
  explicit RegexHolder(TQvRegEx* given) : rx_(given) {
    if (rx_ == nullptr) {
      own_ = NewPatternRegex();
      rx_ = own_.get();
    }
  }
  TQvRegEx& operator*() const { return *rx_; }
  TQvRegEx* operator->() const { return rx_; }
  TQvRegEx* get() const { return rx_; }

 private:
  TQvRegEx* rx_;
  std::unique_ptr<TRegExp> own_;
};

// Which group a pick returns: a number, or a name when `name` is set.
struct GroupRef {
  int number = 0;
  std::u16string_view name;
  bool byName = false;
};

GroupRef ReadGroupRef(std::u16string_view which) {
  GroupRef ref;
  int32_t n;
  if (ReadInt32(which, n)) {
    ref.number = n;
  } else {
    ref.byName = true;
    ref.name = which;
  }
  return ref;
}

// RegexPick; `matched` tells whether the match attempt found a match.
std::u16string Pick(std::u16string_view subject, std::u16string_view pattern, const GroupRef& which,
                    TQvRegEx* given, bool& matched) {
  matched = false;
  if (pattern.empty() || !LooksLikeRegex(pattern)) return {};
  std::u16string body(pattern);
  TQvRegExOptions options;
  if (!ParseRegexNotation(body, options)) options = DefaultPatternOptions();
  try {
    RegexHolder rx(given);
    rx->SetOptions(options);
    rx->SetRegEx(body);
    rx->SetSubject(subject);
    if (!rx->Match()) return {};
    matched = true;
    if (!which.byName) {
      if (which.number == -1) return body;
      if (which.number < 0) return {};
      return rx->GroupsU16(which.number);
    }
    const int number = rx->NamedGroup(which.name);
    if (number < 0) return {};
    return rx->GroupsU16(number);
  } catch (const ScriptError&) {
    return {};
  }
}

std::u16string PickAny(std::u16string_view subject, std::u16string_view patterns, const GroupRef& which,
                       TQvRegEx* given) {
  if (patterns.empty()) return {};
  RegexHolder rx(given);
  std::u16string result;
  for (const std::u16string& item : SplitText(patterns, u"||")) {
    if (item.empty()) continue;
    bool matched;
    result = Pick(subject, item, which, rx.get(), matched);
    if (matched) break;
  }
  return result;
}

// Replaces every match of `pattern` in `subject` (escapes already applied).
// The object's error is raised again with its message.
std::u16string ReplaceMatches(TQvRegEx& rx, std::u16string_view subject, std::u16string_view pattern,
                              TQvRegExOptions options, std::u16string_view replacement) {
  try {
    rx.SetOptions(options);
    rx.SetRegEx(pattern);
    rx.SetSubject(subject);
    if (!rx.ReplaceAll(replacement)) return std::u16string(subject);
    return rx.SubjectU16();
  } catch (const ScriptError& e) {
    throw ScriptError(e.message());
  }
}

std::u16string Trimmed(std::u16string_view s) { return std::u16string(TrimBlanks(s)); }

}  // namespace

std::u16string ApplyReplacementEscapes(std::u16string_view replacement) {
  std::u16string r(replacement);
  if (r.find(u"#13") != std::u16string::npos) r = ReplaceAllIgnoreCase(r, u"#13", u"\r");
  if (r.find(u"#10") != std::u16string::npos) r = ReplaceAllIgnoreCase(r, u"#10", u"\n");
  if (r.find(u"#space") != std::u16string::npos) r = ReplaceAllIgnoreCase(r, u"#space", u"");
  return r;
}

std::u16string RegexPick(std::u16string_view subject, std::u16string_view pattern, int which,
                         TQvRegEx* regex) {
  bool matched;
  return Pick(subject, pattern, GroupRef{which, {}, false}, regex, matched);
}

std::u16string RegexPick(std::u16string_view subject, std::u16string_view pattern, std::u16string_view which,
                         TQvRegEx* regex) {
  bool matched;
  return Pick(subject, pattern, ReadGroupRef(which), regex, matched);
}

std::u16string RegexPickAny(std::u16string_view subject, std::u16string_view patterns,
                            std::u16string_view which, TQvRegEx* regex) {
  return PickAny(subject, patterns, ReadGroupRef(which), regex);
}

std::u16string RegexPickAny(std::u16string_view subject, std::u16string_view patterns, int which,
                            TQvRegEx* regex) {
  return PickAny(subject, patterns, GroupRef{which, {}, false}, regex);
}

std::u16string NamedGroupPick(std::u16string_view subject, std::u16string_view pattern, TQvRegEx* regex) {
  const std::u16string name = MaskMatch(pattern, u"(?<(*)>", u"||", kHideMask, kCaptureMask, false);
  if (!name.empty()) return RegexPick(subject, pattern, std::u16string_view(name), regex);
  return RegexPick(subject, pattern, 1, regex);
}

std::u16string RegexReplace(std::u16string_view subject, std::u16string_view pattern,
                            std::u16string_view replacement, TQvRegEx* regex) {
  if (pattern.empty() || subject.empty()) return std::u16string(subject);
  std::u16string body(pattern);
  TQvRegExOptions options;
  if (!ParseRegexNotation(body, options)) options = DefaultPatternOptions();
  if (body.starts_with(u"(reg)")) body.erase(0, 5);
  RegexHolder rx(regex);
  return ReplaceMatches(*rx, subject, body, options, ApplyReplacementEscapes(replacement));
}

std::u16string RegexReplacePairs(std::u16string_view subject, std::u16string_view pairs, TQvRegEx* regex) {
  std::u16string result(subject);
  if (pairs.empty()) return result;
  std::vector<std::u16string> items = SplitLiteral(pairs, u"||");
  if (items.size() % 2 != 0) items.emplace_back();
  RegexHolder rx(regex);
  for (size_t i = 0; i < items.size(); i += 2) {
    std::u16string pattern = items[i];
    if (Trimmed(pattern).empty()) continue;
    std::u16string replacement = items[i + 1];
    if (!replacement.empty()) replacement = ApplyReplacementEscapes(replacement);
    TQvRegExOptions options;
    if (pattern.starts_with(u"(reg)")) {
      result = ReplaceMatches(*rx, result, std::u16string_view(pattern).substr(5), DefaultPatternOptions(),
                              replacement);
    } else if (ParseRegexNotation(pattern, options)) {
      result = ReplaceMatches(*rx, result, pattern, options, replacement);
    } else {
      result = ReplaceContent(result, pattern, replacement);
    }
  }
  return result;
}

}  // namespace qv::library
