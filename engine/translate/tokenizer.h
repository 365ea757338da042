// TfsParser: the lexical scanner of the script engine.
//
// The scanner holds one text and a current position and offers one reader
// per token class. It never decides which token comes next: the grammar
// interpreter asks for the class its rule expects and sets Position back when
// a rule fails. Every lexical convention of a syntax (comments, quote,
// hexadecimal prefix, keywords, line handling, continuation) is a setting.
//
// Positions are 1-based indexes into the text, counted in UTF-16 units.
// Every reader is bounds-safe for any Position, including ones outside the
// text. A failed reader returns an empty string and leaves the position after
// the blank skipping it did, so callers back-track by restoring Position.
//
//   TfsParser p;
//   p.SetText(u"x := $1F; // done");
//   p.GetIdent();   // u"x"
//   p.SkipSpaces();
//   p.GetChar();    // u":"
//   p.GetChar();    // u"="
//   p.GetNumber();  // u"$1F"
//   p.GetXYPosition();  // u"1:9"
#pragma once

#include <array>
#include <bitset>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qv {

// A column (x) and a line (y), both 1-based.
struct TPoint {
  int x = 0;
  int y = 0;
};

class TfsParser {
 public:
  using Charset = std::bitset<256>;

  // Default settings (see Clear), UseY on, empty text.
  TfsParser();

  // Empties the keyword list and resets every lexical setting to its
  // default. The text and position are kept.
  void Clear();

  // --- Lexical settings -------------------------------------------------
  // Keyword matching ignores case unless this is on. Default off.
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool on);

  // Block comment pairs, written "open,close" (comma or blank separated,
  // items may be double-quoted). Defaults "{,}" and "(*,*)". A pair with an
  // empty opening or closing delimiter never matches.
  const std::u16string& CommentBlock1() const { return commentBlock1_; }
  const std::u16string& CommentBlock11() const { return commentBlock11_; }
  const std::u16string& CommentBlock12() const { return commentBlock12_; }
  void SetCommentBlock1(std::u16string_view pair);
  const std::u16string& CommentBlock2() const { return commentBlock2_; }
  const std::u16string& CommentBlock21() const { return commentBlock21_; }
  const std::u16string& CommentBlock22() const { return commentBlock22_; }
  void SetCommentBlock2(std::u16string_view pair);

  // Line comment openers, matched exactly as a prefix of what follows.
  // Defaults "//" and empty; an empty opener never matches.
  const std::u16string& CommentLine1() const { return commentLine1_; }
  void SetCommentLine1(std::u16string_view opener);
  const std::u16string& CommentLine2() const { return commentLine2_; }
  void SetCommentLine2(std::u16string_view opener);

  // Prefix of hexadecimal digits in numbers and "#" codes. Default "$"; an
  // empty prefix means no hexadecimal numbers.
  const std::u16string& HexSequence() const { return hexSequence_; }
  void SetHexSequence(std::u16string_view prefix);

  // Identifier characters below 256; every code from 127 up is an
  // identifier character regardless. Default digits, letters and "_".
  const Charset& IdentifierCharset() const { return identifierCharset_; }
  void SetIdentifierCharset(const Charset& set);
  // Replaces the set by exactly the given characters (codes >= 256, which
  // are identifier characters anyway, are ignored).
  void ConstructCharset(std::u16string_view chars);

  // Line continuation character (first character used). Default empty.
  const std::u16string& SkiPChar() const { return skipChar_; }
  void SetSkiPChar(std::u16string_view chars);

  // Line breaks count as blanks. Default on. When off, a carriage return is
  // significant (GetEOL); a line feed is always blank.
  bool SkipEOL() const { return skipEOL_; }
  void SetSkipEOL(bool on);

  // Token readers skip blanks and comments first. Default on.
  bool SkipSpace() const { return skipSpace_; }
  void SetSkipSpace(bool on) { skipSpace_ = on; }

  // String quote (first character used). Default "'".
  const std::u16string& StringQuotes() const { return stringQuotes_; }
  void SetStringQuotes(std::u16string_view quotes);

  // Backslash escapes inside strings. Default off.
  bool SpecStrChar() const { return specStrChar_; }
  void SetSpecStrChar(bool on) { specStrChar_ = on; }

  // Record line starts when the text is set. Default on.
  bool UseY() const { return useY_; }
  void SetUseY(bool on) { useY_ = on; }

  // --- Keywords ---------------------------------------------------------
  // Kept sorted without regard to case; an exact duplicate is ignored.
  const std::vector<std::u16string>& Keywords() const { return keywords_; }
  void AddKeyword(std::u16string_view word);
  // Compares ignoring case, or exactly when CaseSensitive is on.
  bool IsKeyWord(std::u16string_view word) const;

  // --- Text and position ------------------------------------------------
  // The source text, without the terminator.
  std::u16string_view Text() const { return std::u16string_view(text_).substr(0, size_); }
  // Stores the text, sets Position to 1 and rebuilds the line list (or
  // empties it when UseY is off). Throws ScriptError beyond 2^31-16 units.
  void SetText(std::u16string_view text);
  // SetText, taking the text over instead of copying it.
  void TakeText(std::u16string&& text);
  int Size() const { return size_; }

  int Position() const { return position_; }
  // Sets both the position and the token start; this is how callers back-track.
  void SetPosition(int position) {
    position_ = position;
    lastPosition_ = position;
  }
  // Where the last token started: the position after the last blank skipping.
  int LastPosition() const { return lastPosition_; }

  // --- Token readers ----------------------------------------------------
  // Skips blanks, continuation characters and comments.
  void SkipSpaces() {
    int pos = position_;
    // A skip result is a fixed point, and back-tracking often re-skips the
    // same stretch: both are answered from the remembered pair.
    if (pos != skipTo_) {
      if (pos == skipFrom_) {
        pos = skipTo_;
      } else if (!IsPlain(pos)) {
        skipFrom_ = pos;
        pos = SkipFrom(pos);
        skipTo_ = pos;
      }
    }
    position_ = pos;
    lastPosition_ = pos;
  }
  // Consumes a run of line feeds and carriage returns after blanks.
  bool GetEOL();
  // An identifier character that is not a digit, then identifier characters.
  std::u16string GetWord();
  // GetWord, but empty for a keyword (the keyword stays consumed).
  std::u16string GetIdent();
  // One punctuation character (33..126, not a letter or digit); no skipping.
  std::u16string GetChar();
  // A real or integer number; a hexadecimal prefix comes back as "$".
  std::u16string GetNumber();
  // Adjacent quoted and "#" code parts; the value enclosed in single quotes.
  std::u16string GetString();
  // Raw text up to the bracket that closes an already opened "<" or "[".
  std::u16string GetFRString();
  // Look-ahead without copying: the word GetWord would read, or the
  // character GetChar would read (0 for none) after SkipSpaces when `skip`.
  // Both leave Position after the blanks they skipped, as a failed reader.
  std::u16string_view WordAhead() {
    SkipIfWanted();
    const int end = ScanWord(position_);
    if (end == position_) return {};
    return Text().substr(static_cast<size_t>(position_ - 1), static_cast<size_t>(end - position_));
  }
  char16_t PunctAhead(bool skip) {
    if (skip) SkipSpaces();
    const char16_t c = At(position_);
    return Has(c, kPunct) ? c : u'\0';
  }

  // --- Positions --------------------------------------------------------
  // 0, then the position of every line feed, ascending.
  const std::vector<int>& YList() const { return yList_; }
  // Line and column of a position; a line feed belongs to the line it ends.
  TPoint GetXYPoint(int position) const;
  // The current position as "line:col".
  std::u16string GetXYPosition() const;
  // The position of a column and line, or -1 for a line outside the text.
  int GetPlainPosition(TPoint point) const;

 private:
  enum CharClass : uint8_t {
    kBlank = 1,
    kIdent = 2,
    kIdentStart = 4,
    kPunct = 8,
    kDigit = 16,
    kHexDigit = 32,
    kSkipStart = 64,  // may start a comment or a continuation
    kStringEnd = 128,
  };

  // The character at a 1-based position, 0 outside the text.
  char16_t At(int pos) const {
    return static_cast<unsigned>(pos) - 1u < static_cast<unsigned>(size_) ? text_[pos - 1] : u'\0';
  }
  uint8_t ClassOf(char16_t c) const {
    return c < 128 ? classes_[c] : static_cast<uint8_t>(kIdent | kIdentStart);
  }
  bool Has(char16_t c, uint8_t cls) const { return (ClassOf(c) & cls) != 0; }
  // True when the text at `pos` continues with `s` (never for empty `s`).
  bool Continues(int pos, std::u16string_view s) const {
    if (s.empty() || pos < 1 || static_cast<size_t>(pos - 1) + s.size() > static_cast<size_t>(size_)) {
      return false;
    }
    const char16_t* p = text_.data() + (pos - 1);
    return *p == s[0] && std::char_traits<char16_t>::compare(p, s.data(), s.size()) == 0;
  }

  // The parser with the default settings, worked out once (every
  // declaration string is parsed with a parser of its own); new parsers
  // are copies of it.
  struct WorkOutDefaults {};
  explicit TfsParser(WorkOutDefaults);
  static const TfsParser& Defaults();
  static const std::array<uint8_t, 128>& FixedClasses();
  void RebuildClasses();
  void Changed() { skipFrom_ = skipTo_ = kNoSkip; }
  // True when no blank, comment or continuation starts at `pos`.
  bool IsPlain(int pos) const {
    char16_t c = At(pos);
    return pos >= 1 && pos <= size_ && !Has(c, kBlank | kSkipStart) && !(c >= 128 && skipStartHigh_);
  }
  // A filter on length, first and last letter that rules out most words
  // before the keyword sets are asked.
  static unsigned KeyBit(std::u16string_view word);
  bool SkipComment(int& pos) const;
  int SkipFrom(int pos) const;
  void SkipIfWanted() {
    if (skipSpace_) {
      SkipSpaces();
    } else {
      lastPosition_ = position_;
    }
  }
  // The end of the word at `pos`, or `pos` when none starts there. The
  // terminator is never an identifier character, so the loop needs no bound.
  int ScanWord(int pos) const {
    if (pos < 1 || pos > size_ || !Has(text_[pos - 1], kIdentStart)) return pos;
    const char16_t* p = text_.data() + pos;
    while (Has(*p, kIdent)) ++p;
    return static_cast<int>(p - text_.data()) + 1;
  }
  int ScanInteger(int pos) const;
  int ScanNumber(int pos) const;
  int ScanQuoted(int pos, std::u16string& value) const;
  int ScanCharCode(int pos, std::u16string& value) const;
  std::u16string Slice(int from, int to) const;

  static constexpr int kNoSkip = INT_MIN;

  bool caseSensitive_ = false;
  std::u16string commentBlock1_, commentBlock11_, commentBlock12_;
  std::u16string commentBlock2_, commentBlock21_, commentBlock22_;
  std::u16string commentLine1_, commentLine2_;
  std::u16string hexSequence_;
  Charset identifierCharset_;
  std::u16string skipChar_;
  bool skipEOL_ = true;
  bool skipSpace_ = true;
  std::u16string stringQuotes_;
  bool specStrChar_ = false;
  bool useY_ = true;

  // Lookups take views, so checking a word builds no string.
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view s) const { return std::hash<std::u16string_view>{}(s); }
  };
  using WordSet = std::unordered_set<std::u16string, TextHash, std::equal_to<>>;

  std::vector<std::u16string> keywords_;
  WordSet exactKeywords_;   // as added
  WordSet foldedKeywords_;  // upper-cased
  size_t minKeyword_ = SIZE_MAX;
  size_t maxKeyword_ = 0;
  uint64_t keyFilter_[64] = {};

  std::u16string text_ = std::u16string(1, u'\0');  // the text plus a terminator
  int size_ = 0;
  int position_ = 1;
  int lastPosition_ = 1;
  std::vector<int> yList_;

  uint8_t classes_[128] = {};
  bool skipStartHigh_ = false;  // some opener starts with a code >= 128
  // One remembered SkipSpaces result: back-tracking re-skips the same spot.
  int skipFrom_ = kNoSkip;
  int skipTo_ = kNoSkip;
};

}  // namespace qv
