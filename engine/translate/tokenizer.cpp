#include "engine/translate/tokenizer.h"

#include <algorithm>
#include <array>
#include <climits>

#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

bool IsLineBreak(char16_t c) { return c == u'\n' || c == u'\r'; }

bool IsAsciiAlnum(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Codes beyond Unicode saturate here, so long digit runs cannot overflow.
constexpr uint32_t kCodeLimit = 0x110000;

uint32_t Accumulate(uint32_t code, int base, int digit) {
  uint32_t next = code * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
  return next >= kCodeLimit ? kCodeLimit : next;
}

// A character code becomes one unit, a surrogate pair, or U+FFFD beyond Unicode.
void AppendCode(std::u16string& out, uint32_t code) {
  AppendCodePoint(out, code < kCodeLimit ? code : 0xFFFD);
}

// Splits a comma list: items separated by commas or blanks, an item may be
// enclosed in double quotes (a doubled quote inside stands for one). Every
// control character counts as a blank, so each pass consumes something.
std::vector<std::u16string> SplitCommaText(std::u16string_view s) {
  std::vector<std::u16string> items;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < s.size() && s[i] <= u' ') ++i;
  };
  skipBlanks();
  while (i < s.size()) {
    std::u16string item;
    if (s[i] == u'"') {
      ++i;
      while (i < s.size()) {
        if (s[i] == u'"') {
          if (i + 1 < s.size() && s[i + 1] == u'"') {
            item += u'"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += s[i++];
      }
    } else {
      size_t from = i;
      while (i < s.size() && s[i] > u' ' && s[i] != u',') ++i;
      item.assign(s.substr(from, i - from));
    }
    items.push_back(std::move(item));
    skipBlanks();
    if (i < s.size() && s[i] == u',') {
      ++i;
      if (i == s.size()) items.emplace_back();
      skipBlanks();
    }
  }
  return items;
}

void SplitPair(std::u16string_view pair, std::u16string& open, std::u16string& close) {
  std::vector<std::u16string> items = SplitCommaText(pair);
  open = items.size() > 0 ? items[0] : std::u16string();
  close = items.size() > 1 ? items[1] : std::u16string();
}

}  // namespace

TfsParser::TfsParser() : TfsParser(Defaults()) {}

TfsParser::TfsParser(WorkOutDefaults) { Clear(); }

const TfsParser& TfsParser::Defaults() {
  static const TfsParser defaults{WorkOutDefaults{}};
  return defaults;
}

void TfsParser::Clear() {
  keywords_.clear();
  exactKeywords_.clear();
  foldedKeywords_.clear();
  minKeyword_ = SIZE_MAX;
  maxKeyword_ = 0;
  std::fill(std::begin(keyFilter_), std::end(keyFilter_), 0);

  specStrChar_ = false;
  commentLine1_ = u"//";
  commentLine2_.clear();
  commentBlock1_ = u"{,}";
  SplitPair(commentBlock1_, commentBlock11_, commentBlock12_);
  commentBlock2_ = u"(*,*)";
  SplitPair(commentBlock2_, commentBlock21_, commentBlock22_);
  hexSequence_ = u"$";
  identifierCharset_.reset();
  for (int c = '0'; c <= '9'; ++c) identifierCharset_.set(c);
  for (int c = 'A'; c <= 'Z'; ++c) identifierCharset_.set(c);
  for (int c = 'a'; c <= 'z'; ++c) identifierCharset_.set(c);
  identifierCharset_.set('_');
  skipChar_.clear();
  skipEOL_ = true;
  stringQuotes_ = u"'";
  skipSpace_ = true;
  caseSensitive_ = false;
  RebuildClasses();
}

// --- Settings ----------------------------------------------------------------

void TfsParser::SetCaseSensitive(bool on) { caseSensitive_ = on; }

void TfsParser::SetCommentBlock1(std::u16string_view pair) {
  commentBlock1_ = pair;
  SplitPair(pair, commentBlock11_, commentBlock12_);
  RebuildClasses();
}

void TfsParser::SetCommentBlock2(std::u16string_view pair) {
  commentBlock2_ = pair;
  SplitPair(pair, commentBlock21_, commentBlock22_);
  RebuildClasses();
}

void TfsParser::SetCommentLine1(std::u16string_view opener) {
  commentLine1_ = opener;
  RebuildClasses();
}

void TfsParser::SetCommentLine2(std::u16string_view opener) {
  commentLine2_ = opener;
  RebuildClasses();
}

void TfsParser::SetHexSequence(std::u16string_view prefix) { hexSequence_ = prefix; }

void TfsParser::SetIdentifierCharset(const Charset& set) {
  identifierCharset_ = set;
  RebuildClasses();
}

void TfsParser::ConstructCharset(std::u16string_view chars) {
  identifierCharset_.reset();
  for (char16_t c : chars) {
    if (c < 256) identifierCharset_.set(c);
  }
  RebuildClasses();
}

void TfsParser::SetSkiPChar(std::u16string_view chars) {
  skipChar_ = chars;
  RebuildClasses();
}

void TfsParser::SetSkipEOL(bool on) {
  skipEOL_ = on;
  RebuildClasses();
}

void TfsParser::SetStringQuotes(std::u16string_view quotes) { stringQuotes_ = quotes; }

// What a character is whatever the settings say, computed once.
const std::array<uint8_t, 128>& TfsParser::FixedClasses() {
  static const std::array<uint8_t, 128> table = [] {
    std::array<uint8_t, 128> t{};
    for (int c = 0; c < 128; ++c) {
      uint8_t cls = 0;
      if (c <= 32) cls |= kBlank;
      if (c >= 33 && c <= 126 && !IsAsciiAlnum(static_cast<char16_t>(c))) cls |= kPunct;
      if (c >= '0' && c <= '9') cls |= kDigit;
      if (HexValue(static_cast<char16_t>(c)) >= 0) cls |= kHexDigit;
      if (c < 32 && c != '\t') cls |= kStringEnd;
      t[c] = cls;
    }
    return t;
  }();
  return table;
}

// The class table answers every per-character question of the scanner with
// one load; it changes only with the settings, so only what they decide is
// worked out here.
void TfsParser::RebuildClasses() {
  const std::array<uint8_t, 128>& fixed = FixedClasses();
  for (int c = 0; c < 128; ++c) {
    uint8_t cls = fixed[c];
    // Code 0 is never part of a word: the terminator ends every scan.
    if (c == 127 || (c != 0 && identifierCharset_[c]))
      cls |= (cls & kDigit) ? kIdent : (kIdent | kIdentStart);
    classes_[c] = cls;
  }
  if (!skipEOL_) classes_[static_cast<int>(u'\r')] &= static_cast<uint8_t>(~kBlank);
  skipStartHigh_ = false;
  auto markStart = [this](const std::u16string& s) {
    if (s.empty()) return;
    if (s[0] < 128) {
      classes_[s[0]] |= kSkipStart;
    } else {
      skipStartHigh_ = true;
    }
  };
  markStart(commentLine1_);
  markStart(commentLine2_);
  if (!commentBlock12_.empty()) markStart(commentBlock11_);
  if (!commentBlock22_.empty()) markStart(commentBlock21_);
  markStart(skipChar_);
  Changed();
}

// --- Keywords ----------------------------------------------------------------

void TfsParser::AddKeyword(std::u16string_view word) {
  std::u16string w(word);
  if (!exactKeywords_.insert(w).second) return;
  foldedKeywords_.insert(UpperCase(w));
  auto less = [](const std::u16string& a, const std::u16string& b) {
    int c = CompareText(a, b);
    return c != 0 ? c < 0 : a < b;
  };
  keywords_.insert(std::upper_bound(keywords_.begin(), keywords_.end(), w, less), w);
  minKeyword_ = std::min(minKeyword_, w.size());
  maxKeyword_ = std::max(maxKeyword_, w.size());
  unsigned bit = KeyBit(w);
  keyFilter_[bit / 64] |= uint64_t{1} << (bit % 64);
}

// Letters fold to upper case; every other code above 127 maps to one value,
// so the filter never rules out a word that matches ignoring case.
unsigned TfsParser::KeyBit(std::u16string_view word) {
  if (word.empty()) return 0;
  auto fold = [](char16_t c) -> unsigned {
    if (c >= 128) return 0;
    return (c >= u'a' && c <= u'z') ? c - 32u : c;
  };
  return (static_cast<unsigned>(word.size()) * 131u + fold(word.front()) * 31u + fold(word.back())) % 4096u;
}

bool TfsParser::IsKeyWord(std::u16string_view word) const {
  if (word.size() < minKeyword_ || word.size() > maxKeyword_) return false;
  unsigned bit = KeyBit(word);
  if ((keyFilter_[bit / 64] & (uint64_t{1} << (bit % 64))) == 0) return false;
  if (caseSensitive_) return exactKeywords_.find(word) != exactKeywords_.end();
  // Words are almost always ASCII: fold them on the stack.
  char16_t buf[64];
  if (word.size() <= std::size(buf)) {
    bool ascii = true;
    for (size_t i = 0; i < word.size() && ascii; ++i) {
      char16_t c = word[i];
      ascii = c < 128;
      buf[i] = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    }
    if (ascii) return foldedKeywords_.find(std::u16string_view(buf, word.size())) != foldedKeywords_.end();
  }
  return foldedKeywords_.find(UpperCase(word)) != foldedKeywords_.end();
}

// --- Text and positions ------------------------------------------------------

void TfsParser::SetText(std::u16string_view text) {
  if (text.size() > static_cast<size_t>(INT_MAX - 16)) throw ScriptError(u"Script text too long");
  // Sized exactly: appending the terminator after assign() would double the block.
  std::u16string copy;
  copy.reserve(text.size() + 1);
  copy.append(text);
  TakeText(std::move(copy));
}

void TfsParser::TakeText(std::u16string&& text) {
  if (text.size() > static_cast<size_t>(INT_MAX - 16)) throw ScriptError(u"Script text too long");
  text_ = std::move(text);
  text_ += u'\0';
  size_ = static_cast<int>(text_.size() - 1);
  position_ = 1;
  lastPosition_ = 1;
  yList_.clear();
  if (useY_) {
    yList_.reserve(static_cast<size_t>(std::count(text_.begin(), text_.end() - 1, u'\n')) + 1);
    yList_.push_back(0);
    for (int i = 0; i < size_; ++i) {
      if (text_[i] == u'\n') yList_.push_back(i + 1);
    }
  }
  Changed();
}

TPoint TfsParser::GetXYPoint(int position) const {
  if (yList_.empty()) return TPoint{position, 1};
  // Entries below the position; a line feed's own entry is not below it, so
  // the line feed stays on the line it ends.
  auto below = std::lower_bound(yList_.begin(), yList_.end(), position) - yList_.begin();
  int line = std::max(1, static_cast<int>(below));
  return TPoint{position - yList_[line - 1], line};
}

std::u16string TfsParser::GetXYPosition() const {
  TPoint p = GetXYPoint(position_);
  return IntToText(p.y) + u":" + IntToText(p.x);
}

int TfsParser::GetPlainPosition(TPoint point) const {
  if (point.y < 1 || point.y > static_cast<int>(yList_.size())) return -1;
  long long pos = static_cast<long long>(yList_[point.y - 1]) + point.x;
  return (pos < INT_MIN || pos > INT_MAX) ? -1 : static_cast<int>(pos);
}

// --- Blanks and comments -----------------------------------------------------

// Steps over one comment at `pos`; false when none starts there.
bool TfsParser::SkipComment(int& pos) const {
  std::u16string_view text = Text();
  size_t from = static_cast<size_t>(pos - 1);
  size_t opener = Continues(pos, commentLine1_)   ? commentLine1_.size()
                  : Continues(pos, commentLine2_) ? commentLine2_.size()
                                                  : 0;
  if (opener > 0) {
    // The line end is looked for after the opener, so a comment always
    // consumes at least its opener, whatever characters that holds.
    size_t end = text.find(u'\n', from + opener);
    if (end == std::u16string_view::npos) end = text.size();
    // Mid-line, a comment leaves the carriage return for GetEOL; the start
    // of the text counts as the start of a line.
    if (!skipEOL_ && pos > 1 && text[from - 1] != u'\n') {
      end = std::min(end, text.substr(0, end).find(u'\r', from + opener));
    }
    pos = static_cast<int>(end) + 1;
    return true;
  }
  const std::u16string* pairs[2][2] = {{&commentBlock11_, &commentBlock12_},
                                       {&commentBlock21_, &commentBlock22_}};
  for (auto& pair : pairs) {
    const std::u16string& open = *pair[0];
    const std::u16string& close = *pair[1];
    if (close.empty() || !Continues(pos, open)) continue;
    size_t end = text.find(close, from + open.size());
    pos = end == std::u16string_view::npos ? size_ + 1 : static_cast<int>(end + close.size()) + 1;
    return true;
  }
  return false;
}

// Blanks, comments and continuations from `pos`. A continuation character
// asks for one line end after the blanks that follow it; the loop keeps a
// count of those requests instead of recursing, so a long run of
// continuation characters cannot exhaust the stack.
int TfsParser::SkipFrom(int pos) const {
  int pendingEols = 0;
  for (;;) {
    while (pos >= 1 && pos <= size_ && Has(text_[pos - 1], kBlank)) ++pos;
    if (pos < 1 || pos > size_) break;
    char16_t c = text_[pos - 1];
    if (!skipChar_.empty() && c == skipChar_[0]) {
      ++pos;
      ++pendingEols;
      continue;
    }
    if (pos < size_ && (Has(c, kSkipStart) || (c >= 128 && skipStartHigh_)) && SkipComment(pos)) continue;
    if (pendingEols > 0 && IsLineBreak(c)) {
      while (pos <= size_ && IsLineBreak(text_[pos - 1])) ++pos;
      --pendingEols;
      continue;
    }
    break;
  }
  return pos;
}

bool TfsParser::GetEOL() {
  SkipSpaces();
  if (position_ < 1 || position_ > size_ || !IsLineBreak(text_[position_ - 1])) return false;
  while (position_ <= size_ && IsLineBreak(text_[position_ - 1])) ++position_;
  return true;
}

// --- Tokens ------------------------------------------------------------------

std::u16string TfsParser::Slice(int from, int to) const {
  from = std::clamp(from, 1, size_ + 1);
  to = std::clamp(to, from, size_ + 1);
  return text_.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from));
}

std::u16string TfsParser::GetWord() {
  SkipIfWanted();
  int start = position_;
  position_ = ScanWord(start);
  return Slice(start, position_);
}

std::u16string TfsParser::GetIdent() {
  SkipIfWanted();
  int start = position_;
  position_ = ScanWord(start);
  if (position_ == start) return {};
  std::u16string_view word = Text().substr(static_cast<size_t>(start - 1), position_ - start);
  if (IsKeyWord(word)) return {};
  return std::u16string(word);
}

std::u16string TfsParser::GetChar() {
  char16_t c = At(position_);
  if (!Has(c, kPunct)) return {};
  lastPosition_ = position_++;
  return std::u16string(1, c);
}

// Integer part: the hexadecimal prefix and at least one hex digit, or at
// least one decimal digit. Returns `pos` when there is none.
int TfsParser::ScanInteger(int pos) const {
  if (Continues(pos, hexSequence_)) {
    int p = pos + static_cast<int>(hexSequence_.size());
    if (!Has(At(p), kHexDigit)) return pos;
    while (Has(At(p), kHexDigit)) ++p;
    return p;
  }
  int p = pos;
  while (Has(At(p), kDigit)) ++p;
  return p;
}

// A real number if there is one (fraction, exponent), else the integer.
int TfsParser::ScanNumber(int pos) const {
  int p = ScanInteger(pos);
  if (p == pos) return pos;
  if (At(p) == u'.') {
    if (!Has(At(p + 1), kDigit)) return p;
    p += 2;
    while (Has(At(p), kDigit)) ++p;
  }
  char16_t e = At(p);
  if (e == u'E' || e == u'e') {
    int q = p + 1;
    if (At(q) == u'+' || At(q) == u'-') ++q;
    if (Has(At(q), kDigit)) {
      while (Has(At(q), kDigit)) ++q;
      p = q;
    }
  }
  return p;
}

std::u16string TfsParser::GetNumber() {
  SkipIfWanted();
  int start = position_;
  position_ = ScanNumber(start);
  if (position_ == start) return {};
  std::u16string number = Slice(start, position_);
  // Later stages know only the "$" prefix.
  if (hexSequence_ != u"$" && Continues(start, hexSequence_)) number.replace(0, hexSequence_.size(), u"$");
  return number;
}

// One quoted part at `pos`, its value appended. Returns `pos` (and leaves
// `value` as it was) when a string terminator comes before the closing quote.
int TfsParser::ScanQuoted(int pos, std::u16string& value) const {
  const char16_t quote = stringQuotes_[0];
  const size_t keep = value.size();
  int p = pos + 1;
  for (;;) {
    // Copy the run of ordinary characters in one go.
    int run = p;
    while (run <= size_) {
      char16_t c = text_[run - 1];
      if (c == quote || Has(c, kStringEnd) || (c == u'\\' && specStrChar_)) break;
      ++run;
    }
    value.append(text_, static_cast<size_t>(p - 1), static_cast<size_t>(run - p));
    p = run;
    char16_t c = At(p);
    if (p > size_ || Has(c, kStringEnd)) break;
    if (c == quote) {
      if (!specStrChar_ && p < size_ && text_[p] == quote) {
        value += quote;
        p += 2;
        continue;
      }
      return p + 1;
    }
    // A backslash escape.
    char16_t e = At(p + 1);
    if (p + 1 > size_ || Has(e, kStringEnd)) break;
    p += 2;
    if (e == u'n' || e == u'N') {
      value += u'\n';
    } else if (e == u'r' || e == u'R') {
      value += u'\r';
    } else if (e == u'x' || e == u'X') {
      uint32_t code = 0;
      bool any = false;
      for (int d; (d = HexValue(At(p))) >= 0; ++p) {
        code = Accumulate(code, 16, d);
        any = true;
      }
      if (any) AppendCode(value, code);
    } else {
      value += e;
    }
  }
  value.resize(keep);
  return pos;
}

// One "#" character code at `pos`, its character appended.
int TfsParser::ScanCharCode(int pos, std::u16string& value) const {
  int end = ScanInteger(pos + 1);
  if (end == pos + 1) return pos;
  uint32_t code = 0;
  if (Continues(pos + 1, hexSequence_)) {
    for (int p = pos + 1 + static_cast<int>(hexSequence_.size()); p < end; ++p)
      code = Accumulate(code, 16, HexValue(At(p)));
  } else {
    for (int p = pos + 1; p < end; ++p) code = Accumulate(code, 10, At(p) - u'0');
  }
  AppendCode(value, code);
  return end;
}

std::u16string TfsParser::GetString() {
  SkipIfWanted();
  std::u16string value;
  int p = position_;
  bool any = false;
  for (;;) {
    char16_t c = At(p);
    int next = p;
    if (p >= 1 && p <= size_ && !stringQuotes_.empty() && c == stringQuotes_[0]) {
      next = ScanQuoted(p, value);
    } else if (c == u'#') {
      next = ScanCharCode(p, value);
    }
    if (next == p) break;
    p = next;
    any = true;
  }
  if (!any) return {};
  position_ = p;
  std::u16string result;
  result.reserve(value.size() + 2);
  result += u'\'';
  result += value;
  result += u'\'';
  return result;
}

std::u16string TfsParser::GetFRString() {
  int start = position_;
  if (start < 1 || start > size_) return {};
  lastPosition_ = start;
  int depth = 1;
  bool inDouble = false;
  bool inSingle = false;
  int p = start;
  for (; p <= size_; ++p) {
    char16_t c = text_[p - 1];
    if (c == u'"' && !inSingle) {
      inDouble = !inDouble;
    } else if (c == u'\'' && !inDouble) {
      inSingle = !inSingle;
    } else if (!inDouble && !inSingle) {
      if (c == u'<' || c == u'[') {
        ++depth;
      } else if ((c == u'>' || c == u']') && --depth == 0) {
        break;
      }
    }
  }
  position_ = p;
  return Slice(start, p);
}

}  // namespace qv
