// The regular-expression object: a pattern, a subject and options; compiles
// the pattern on first use (PCRE2, UTF-8 mode, any line ending as newline,
// JIT where possible) and keeps it until pattern or options change.
//
// Texts inside are UTF-8 byte strings and positions are 1-based byte
// positions in the subject. Setters and getters with a UTF-16 twin convert
// through support/text.h.
//
//   auto rx = CreateRegEx(u"href=\"([^\"]*)\"", page);
//   for (bool ok = rx->Match(); ok; ok = rx->MatchAgain()) Use(rx->GroupsU16(1));
//
//   rx->SetSubject(u"2024-05-06");
//   rx->SetRegEx(u"(\\d+)-(\\d+)-(\\d+)");
//   rx->ReplaceAll(u"$3.$2.$1");   // Subject() is now "06.05.2024"
//
// Replacement templates: "$1" or "\1" (two digits when that group exists),
// "${12}", "${name}", "\g<name>", "$&", "$`", "$'", "$+", "$_", "$$", "\\",
// "\$", and "\U1", "\L1", "\F1", "\I1" for a group in upper, lower, first
// letter upper, or each word's first letter upper.
//
// Errors are ScriptErrors: compile errors ("TQvRegEx.Compile() - ..."),
// failures of a match other than "no match" such as the match limit
// ("TQvRegEx.Match() - ..."), and broken contracts ("REQUIRE: ...").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/enum_set.h"
#include "support/owned_object.h"

namespace qv {

enum class TQvRegExOption : uint8_t {
  preCaseLess,       // letters match without regard to case
  preMultiLine,      // "^" and "$" match at line breaks
  preSingleLine,     // "." also matches line breaks
  preExtended,       // white space and comments in the pattern are ignored
  preAnchored,       // the match must start where the search starts
  preUnGreedy,       // quantifiers are lazy unless followed by "?"
  preNoAutoCapture,  // plain parentheses do not capture
};
using TQvRegExOptions = EnumSet<TQvRegExOption>;

enum class TQvRegExStateFlag : uint8_t { preNotBOL, preNotEOL, preNotEmpty };
using TQvRegExState = EnumSet<TQvRegExStateFlag>;

class TQvRegEx : public OwnedObject {
 public:
  // State preNotEmpty, no options, character tables of the current locale.
  TQvRegEx();
  ~TQvRegEx() override;

  const std::string& RegEx() const { return regEx_; }
  std::u16string RegExU16() const;
  // A different pattern drops the compiled form and the current match.
  void SetRegEx(std::string_view pattern);
  void SetRegEx(std::u16string_view pattern);

  TQvRegExOptions Options() const { return options_; }
  void SetOptions(TQvRegExOptions options);
  TQvRegExState State() const { return state_; }
  void SetState(TQvRegExState state) { state_ = state; }

  const std::string& Subject() const { return subject_; }
  std::u16string SubjectU16() const;
  // Start := 1, Stop := length; drops the current match.
  void SetSubject(std::string subject);
  void SetSubject(std::u16string_view subject);
  // SetSubject for bytes the caller knows to be well-formed UTF-8 (made by
  // ToUtf8, or such text cut and joined only at character boundaries):
  // matching skips the check that would read the whole subject once more.
  // Checked builds verify the claim.
  void SetValidSubject(std::string subject);
  // Moves the subject out (after ReplaceAll, say) and leaves the object with
  // an empty subject, so a cached object keeps no page alive.
  std::string TakeSubject();

  // 1-based byte position where MatchAgain starts.
  int Start() const { return start_; }
  void SetStart(int start) { start_ = start < 1 ? 1 : start; }
  // Bytes of the subject that are searched.
  int Stop() const { return stop_; }
  // Searches only the first `stop` bytes (at most the subject's length);
  // matches see nothing after them, and ReplaceAll keeps them as they are.
  // Drops the current match.
  void SetStop(int stop);

  const std::string& Replacement() const { return replacement_; }
  void SetReplacement(std::string_view replacement) { replacement_ = replacement; }
  void SetReplacement(std::u16string_view replacement);

  bool Compiled() const { return compiled_; }
  void Compile();

  // First match from the subject's start; on success Start is the position
  // after the match (one character further for an empty match).
  bool Match();
  // Next match from Start.
  bool MatchAgain();

  bool FoundMatch() const { return offsetCount_ > 0; }
  // Highest group that took part in the current match; -1 without a match.
  int GroupCount() const { return (offsetCount_ > 0 ? offsetCount_ : 0) - 1; }

  // Group texts: empty for a group above GroupCount or one that did not take part.
  std::string Groups(int index) const;
  std::u16string GroupsU16(int index) const;
  std::string MatchedText() const { return Groups(0); }
  std::u16string MatchedTextU16() const { return GroupsU16(0); }
  // 1-based position and byte length; 0 and 0 for a group that did not take part.
  int GroupOffsets(int index) const;
  int GroupLengths(int index) const;
  int MatchedOffset() const { return GroupOffsets(0); }
  int MatchedLength() const { return GroupLengths(0); }

  // Number of the named group, negative when the pattern has none by that name.
  int NamedGroup(std::string_view name);
  int NamedGroup(std::u16string_view name);
  int NamedSubExpression(std::string_view name) { return NamedGroup(name); }

  // The current match and Start, to be put back after a look-around search
  // (counting matches, say). Restoring after the subject or pattern changed
  // only restores Start.
  struct MatchState {
    int offsetCount = 0;
    int start = 1;
    std::vector<size_t> ovector;
    uint64_t generation = 0;
  };
  MatchState SaveMatch() const;
  void RestoreMatch(const MatchState& state);

  // The expansion of `tmpl` (or of Replacement) for the current match.
  std::string ComputeReplacement(std::string_view tmpl) const;
  std::string ComputeReplacement() const { return ComputeReplacement(replacement_); }
  // Replaces the current match by ComputeReplacement() in the subject.
  void Replace();
  // Replaces every match; false (subject unchanged) when nothing matches.
  bool ReplaceAll(std::string_view tmpl);
  bool ReplaceAll(std::u16string_view tmpl);

  // Pieces between matches, empty ones included. Limit 1 gives the whole
  // subject, L > 1 at most L - 1 cuts, 0 (or less) no limit. On an error the
  // list holds the pieces found so far.
  void Split(std::vector<std::string>& pieces, int limit = 0);
  void Split(std::vector<std::u16string>& pieces, int limit = 0);

  // Puts "\" before each of $()*+.?[\]^{|}; NUL becomes "\0".
  static std::string EscapeRegExChars(std::string_view text);
  static std::u16string EscapeRegExChars(std::u16string_view text);

 private:
  struct Pcre;

  void DropCompiled();
  void EnsureCompiled();
  void EnsureValidSubject();
  bool Exec(size_t offset);
  [[noreturn]] void ThrowMatchError(int code);
  // Whole-subject rebuild for ReplaceAll, used when no match can look back
  // into text already replaced.
  bool ReplaceOutOfPlace(std::string_view tmpl) const;
  void ReplaceRest();
  void GroupSpan(int index, size_t& begin, size_t& end) const;
  // Number of a named group of the compiled pattern, negative when none.
  int GroupNumber(std::string_view name) const;
  void AppendReplacement(std::string& out, std::string_view tmpl) const;

  std::unique_ptr<Pcre> pcre_;
  bool compiled_ = false;
  TQvRegExOptions options_;
  TQvRegExState state_{TQvRegExStateFlag::preNotEmpty};
  std::string regEx_;
  std::string replacement_;
  std::string subject_;
  bool subjectValid_ = true;  // subject_ checked to be UTF-8
  int start_ = 1;
  int stop_ = 0;
  uint32_t pcreOptions_ = 0;
  uint32_t maxLookbehind_ = 0;
  int offsetCount_ = 0;
  uint64_t generation_ = 0;  // changes with the subject and the compiled pattern
};

// The class that scripts see.
class TRegExp : public TQvRegEx {};

// The object every caller uses when it needs a regular expression: options
// preCaseLess and preMultiLine, and the pattern and subject when given.
std::unique_ptr<TRegExp> CreateRegEx(std::u16string_view pattern = {}, std::u16string_view subject = {});

}  // namespace qv
