#include "support/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "support/errors.h"
#include "support/text.h"
#include "support/verify.h"

namespace qv {

namespace {

constexpr size_t kMaxSubject = INT_MAX - 8;  // positions, one past the end included, are 32-bit

// Caps on one match, so that a hostile pattern or page ends with an error
// within about two seconds and 256 MB instead of taking the machine: the
// JIT stack (reserved, committed as used) plus the interpreter's heap for
// the rare pattern that still overflows it. Ordinary pages stay far below.
constexpr size_t kJitStackStart = 64 * 1024;
constexpr size_t kJitStackMax = 128 * 1024 * 1024;
constexpr uint32_t kHeapLimitKiB = 64 * 1024;
constexpr uint32_t kDepthLimit = 1000000;
constexpr uint32_t kMatchLimit = 10000000;

const char16_t kNeedMatch[] = u"REQUIRE: There must be a successful match first";
const char16_t kBadIndex[] = u"REQUIRE: Index <= GroupCount";

std::string PcreMessage(int code) {
  PCRE2_UCHAR buf[256];
  int n = pcre2_get_error_message(code, buf, sizeof buf);
  if (n < 0) return "error " + std::to_string(code);
  return std::string(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Bytes of the UTF-8 character starting at `at`; 1 at the end.
size_t CharLength(const std::string& s, size_t at) {
  size_t n = 1;
  while (at + n < s.size() && IsContinuation(s[at + n])) ++n;
  return n;
}

bool IsBoundary(const std::string& s, size_t at) { return at >= s.size() || !IsContinuation(s[at]); }

uint32_t CompileOptions(TQvRegExOptions o) {
  uint32_t r = PCRE2_UTF;
  if (o.Contains(TQvRegExOption::preCaseLess)) r |= PCRE2_CASELESS;
  if (o.Contains(TQvRegExOption::preMultiLine)) r |= PCRE2_MULTILINE;
  if (o.Contains(TQvRegExOption::preSingleLine)) r |= PCRE2_DOTALL;
  if (o.Contains(TQvRegExOption::preExtended)) r |= PCRE2_EXTENDED;
  if (o.Contains(TQvRegExOption::preAnchored)) r |= PCRE2_ANCHORED;
  if (o.Contains(TQvRegExOption::preUnGreedy)) r |= PCRE2_UNGREEDY;
  if (o.Contains(TQvRegExOption::preNoAutoCapture)) r |= PCRE2_NO_AUTO_CAPTURE;
  return r;
}

}  // namespace

// PCRE2 handles; the tables and contexts live as long as the object, the
// code and match data as long as one compiled pattern.
struct TQvRegEx::Pcre {
  const uint8_t* tables = nullptr;
  pcre2_compile_context* compileContext = nullptr;
  pcre2_match_context* matchContext = nullptr;
  pcre2_jit_stack* jitStack = nullptr;
  pcre2_code* code = nullptr;
  pcre2_match_data* matchData = nullptr;
  bool jit = false;

  Pcre() {
    tables = pcre2_maketables(nullptr);
    compileContext = pcre2_compile_context_create(nullptr);
    matchContext = pcre2_match_context_create(nullptr);
    if (!compileContext || !matchContext) throw std::bad_alloc();
    pcre2_set_heap_limit(matchContext, kHeapLimitKiB);
    pcre2_set_depth_limit(matchContext, kDepthLimit);
    pcre2_set_match_limit(matchContext, kMatchLimit);
    pcre2_set_newline(compileContext, PCRE2_NEWLINE_ANY);
    if (tables) pcre2_set_character_tables(compileContext, tables);
  }
  ~Pcre() {
    FreeCode();
    pcre2_jit_stack_free(jitStack);
    pcre2_match_context_free(matchContext);
    pcre2_compile_context_free(compileContext);
    if (tables) pcre2_maketables_free(nullptr, tables);
  }
  void FreeCode() {
    pcre2_match_data_free(matchData);
    pcre2_code_free(code);
    matchData = nullptr;
    code = nullptr;
    jit = false;
  }
  // A JIT stack larger than the default 32 KiB, made only when a match ran
  // out of the default one; false when there is one already.
  bool UseJitStack() {
    if (jitStack) return false;
    jitStack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
    if (!jitStack) return false;
    pcre2_jit_stack_assign(matchContext, nullptr, jitStack);
    return true;
  }
};

TQvRegEx::TQvRegEx() : pcre_(std::make_unique<Pcre>()) { pcreOptions_ = CompileOptions(options_); }

TQvRegEx::~TQvRegEx() = default;

std::u16string TQvRegEx::RegExU16() const { return FromUtf8(regEx_); }
std::u16string TQvRegEx::SubjectU16() const { return FromUtf8(subject_); }

void TQvRegEx::SetRegEx(std::string_view pattern) {
  if (pattern == regEx_) return;
  regEx_ = pattern;
  DropCompiled();
}

void TQvRegEx::SetRegEx(std::u16string_view pattern) { SetRegEx(std::string_view(ToUtf8(pattern))); }

void TQvRegEx::SetReplacement(std::u16string_view replacement) { replacement_ = ToUtf8(replacement); }

void TQvRegEx::SetOptions(TQvRegExOptions options) {
  if (options == options_) return;
  options_ = options;
  pcreOptions_ = CompileOptions(options);
  DropCompiled();
}

void TQvRegEx::DropCompiled() {
  ++generation_;
  pcre_->FreeCode();
  compiled_ = false;
  offsetCount_ = 0;
}

void TQvRegEx::SetSubject(std::string subject) {
  if (subject.size() > kMaxSubject) throw ScriptError(u"TQvRegEx: subject too long");
  subject_ = std::move(subject);
  ++generation_;
  subjectValid_ = false;
  start_ = 1;
  stop_ = static_cast<int>(subject_.size());
  offsetCount_ = 0;
}

void TQvRegEx::SetValidSubject(std::string subject) {
  QV_VERIFY(IsValidUtf8(subject));
  SetSubject(std::move(subject));
  subjectValid_ = true;
}

std::string TQvRegEx::TakeSubject() {
  std::string taken = std::move(subject_);
  SetSubject(std::string());
  return taken;
}

void TQvRegEx::SetStop(int stop) {
  const int length = static_cast<int>(subject_.size());
  stop = stop < 0 ? 0 : stop > length ? length : stop;
  // A stop inside a character leaves an invalid end to be reported.
  if (!IsBoundary(subject_, static_cast<size_t>(stop))) subjectValid_ = false;
  stop_ = stop;
  offsetCount_ = 0;
}

void TQvRegEx::SetSubject(std::u16string_view subject) {
  SetSubject(ToUtf8(subject));
  subjectValid_ = true;  // ToUtf8 always yields well-formed UTF-8
}

void TQvRegEx::Compile() {
  if (regEx_.empty())
    throw ScriptError(u"TQvRegEx.Compile() - Please specify a regular expression in RegEx first");
  DropCompiled();
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(regEx_.data()), regEx_.size(), pcreOptions_,
                                   &error, &errorOffset, pcre_->compileContext);
  if (!code) {
    char text[400];
    std::snprintf(text, sizeof text, "TQvRegEx.Compile() - Error in regex at offset %d: %s",
                  static_cast<int>(errorOffset), PcreMessage(error).c_str());
    throw ScriptError(FromUtf8(text));
  }
  pcre_->code = code;
  pcre_->matchData = pcre2_match_data_create_from_pattern(code, nullptr);
  if (!pcre_->matchData) {
    pcre_->FreeCode();
    throw std::bad_alloc();
  }
  // The interpreter serves patterns the JIT cannot take.
  pcre_->jit = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
  maxLookbehind_ = 0;
  pcre2_pattern_info(code, PCRE2_INFO_MAXLOOKBEHIND, &maxLookbehind_);
  compiled_ = true;
}

void TQvRegEx::EnsureCompiled() {
  if (!compiled_) Compile();
}

// The subject is checked once; every match after that skips PCRE2's own
// check, which would otherwise scan the whole subject on every MatchAgain.
void TQvRegEx::EnsureValidSubject() {
  if (subjectValid_) return;
  std::string_view searched(subject_.data(), static_cast<size_t>(stop_));
  if (!IsValidUtf8(searched)) {
    // Let PCRE2 name the fault.
    int rc = pcre2_match(pcre_->code, reinterpret_cast<PCRE2_SPTR>(searched.data()), searched.size(), 0, 0,
                         pcre_->matchData, pcre_->matchContext);
    offsetCount_ = 0;
    if (rc < 0 && rc != PCRE2_ERROR_NOMATCH) ThrowMatchError(rc);
    throw ScriptError(u"TQvRegEx.Match() - the subject is not valid UTF-8");
  }
  subjectValid_ = true;
}

void TQvRegEx::ThrowMatchError(int code) {
  offsetCount_ = 0;
  throw ScriptError(FromUtf8("TQvRegEx.Match() - " + PcreMessage(code)));
}

bool TQvRegEx::Match() { return Exec(0); }

bool TQvRegEx::MatchAgain() {
  if (stop_ < start_ - 1) {
    offsetCount_ = PCRE2_ERROR_NOMATCH;
    return false;
  }
  return Exec(static_cast<size_t>(start_ - 1));
}

bool TQvRegEx::Exec(size_t offset) {
  EnsureCompiled();
  if (stop_ < 0 || static_cast<size_t>(stop_) > subject_.size()) stop_ = static_cast<int>(subject_.size());
  EnsureValidSubject();
  if (offset > static_cast<size_t>(stop_)) {
    offsetCount_ = PCRE2_ERROR_NOMATCH;
    return false;
  }
  // Without PCRE2's UTF check a start inside a character would be undefined.
  if (!IsBoundary(subject_, offset)) ThrowMatchError(PCRE2_ERROR_BADUTFOFFSET);
  uint32_t flags = PCRE2_NO_UTF_CHECK;
  if (state_.Contains(TQvRegExStateFlag::preNotBOL)) flags |= PCRE2_NOTBOL;
  if (state_.Contains(TQvRegExStateFlag::preNotEOL)) flags |= PCRE2_NOTEOL;
  if (state_.Contains(TQvRegExStateFlag::preNotEmpty)) flags |= PCRE2_NOTEMPTY;
  // The checks that pcre2_jit_match skips (valid UTF-8, start on a character) are done above.
  auto subject = reinterpret_cast<PCRE2_SPTR>(subject_.data());
  auto length = static_cast<size_t>(stop_);
  auto run = [&] {
    return pcre_->jit ? pcre2_jit_match(pcre_->code, subject, length, offset, flags, pcre_->matchData,
                                        pcre_->matchContext)
                      : pcre2_match(pcre_->code, subject, length, offset, flags, pcre_->matchData,
                                    pcre_->matchContext);
  };
  int rc = run();
  // Deep backtracking: a larger JIT stack, then the interpreter, which keeps
  // its backtracking on the heap.
  if (rc == PCRE2_ERROR_JIT_STACKLIMIT && pcre_->UseJitStack()) rc = run();
  if (rc == PCRE2_ERROR_JIT_STACKLIMIT)
    rc = pcre2_match(pcre_->code, subject, length, offset, flags | PCRE2_NO_JIT, pcre_->matchData,
                     pcre_->matchContext);
  if (rc == PCRE2_ERROR_NOMATCH) {
    offsetCount_ = rc;
    return false;
  }
  if (rc < 0) ThrowMatchError(rc);
  offsetCount_ = rc > 0 ? rc : static_cast<int>(pcre2_get_ovector_count(pcre_->matchData));
  size_t begin, end;
  GroupSpan(0, begin, end);
  // An empty match moves on by one whole character, never into the middle of one.
  size_t next = end + 1;
  if (end == begin) next += CharLength(subject_, end);
  start_ = static_cast<int>(next);
  return true;
}

// Byte span of a group of the current match; begin > end when it did not take part.
void TQvRegEx::GroupSpan(int index, size_t& begin, size_t& end) const {
  begin = 1;
  end = 0;
  if (index < 0 || index >= offsetCount_) return;
  const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(pcre_->matchData);
  if (ov[2 * index] == PCRE2_UNSET) return;
  size_t b = ov[2 * index], e = ov[2 * index + 1];
  if (e > subject_.size() || b > e) return;
  begin = b;
  end = e;
}

std::string TQvRegEx::Groups(int index) const {
  if (!FoundMatch()) throw ScriptError(kNeedMatch);
  size_t b, e;
  GroupSpan(index, b, e);
  return b <= e ? subject_.substr(b, e - b) : std::string();
}

std::u16string TQvRegEx::GroupsU16(int index) const { return FromUtf8(Groups(index)); }

int TQvRegEx::GroupOffsets(int index) const {
  if (!FoundMatch()) throw ScriptError(kNeedMatch);
  if (index < 0 || index > GroupCount()) throw ScriptError(kBadIndex);
  size_t b, e;
  GroupSpan(index, b, e);
  return b <= e ? static_cast<int>(b) + 1 : 0;
}

int TQvRegEx::GroupLengths(int index) const {
  if (!FoundMatch()) throw ScriptError(kNeedMatch);
  if (index < 0 || index > GroupCount()) throw ScriptError(kBadIndex);
  size_t b, e;
  GroupSpan(index, b, e);
  return b <= e ? static_cast<int>(e - b) : 0;
}

TQvRegEx::MatchState TQvRegEx::SaveMatch() const {
  MatchState state;
  state.start = start_;
  state.generation = generation_;
  if (FoundMatch()) {
    state.offsetCount = offsetCount_;
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(pcre_->matchData);
    state.ovector.assign(ov, ov + 2 * offsetCount_);
  }
  return state;
}

void TQvRegEx::RestoreMatch(const MatchState& state) {
  start_ = state.start;
  offsetCount_ = 0;
  // A match of another subject or pattern is not brought back.
  if (state.generation != generation_ || state.offsetCount <= 0 || !pcre_->matchData) return;
  if (state.ovector.size() > 2 * size_t{pcre2_get_ovector_count(pcre_->matchData)}) return;
  std::copy(state.ovector.begin(), state.ovector.end(), pcre2_get_ovector_pointer(pcre_->matchData));
  offsetCount_ = state.offsetCount;
}

int TQvRegEx::NamedGroup(std::string_view name) {
  EnsureCompiled();
  return GroupNumber(name);
}

int TQvRegEx::GroupNumber(std::string_view name) const {
  if (!pcre_->code || name.find('\0') != std::string_view::npos) return PCRE2_ERROR_NOSUBSTRING;
  std::string n(name);  // PCRE2 wants a terminated name
  return pcre2_substring_number_from_name(pcre_->code, reinterpret_cast<PCRE2_SPTR>(n.c_str()));
}

int TQvRegEx::NamedGroup(std::u16string_view name) { return NamedGroup(std::string_view(ToUtf8(name))); }

std::string TQvRegEx::ComputeReplacement(std::string_view tmpl) const {
  if (!FoundMatch()) throw ScriptError(kNeedMatch);
  std::string out;
  AppendReplacement(out, tmpl);
  return out;
}

void TQvRegEx::Replace() {
  if (!FoundMatch()) throw ScriptError(kNeedMatch);
  std::string r = ComputeReplacement(replacement_);
  size_t b, e;
  GroupSpan(0, b, e);
  if (b > e) throw ScriptError(kNeedMatch);
  if (subject_.size() - (e - b) + r.size() > kMaxSubject) throw ScriptError(u"TQvRegEx: subject too long");
  if (subjectValid_ && (!IsBoundary(subject_, b) || !IsBoundary(subject_, e) || !IsValidUtf8(r)))
    subjectValid_ = false;
  subject_.replace(b, e - b, r);
  ++generation_;
  int delta = static_cast<int>(r.size()) - static_cast<int>(e - b);
  start_ += delta;
  stop_ += delta;
  offsetCount_ = 0;
}

bool TQvRegEx::ReplaceAll(std::string_view tmpl) {
  if (!Match()) return false;
  replacement_ = tmpl;
  if (ReplaceOutOfPlace(replacement_)) {
    ReplaceRest();
  } else {
    do Replace();
    while (MatchAgain());
  }
  return true;
}

bool TQvRegEx::ReplaceAll(std::u16string_view tmpl) { return ReplaceAll(std::string_view(ToUtf8(tmpl))); }

namespace {

// A "^" that may be an anchor: anything but an escaped one or one inside a
// character class ("[^>]" is no anchor). Quoted text (\Q...\E) and
// patterns that may hold extended-mode comments count as having one, which
// only costs speed.
bool HasCircumflexAnchor(std::string_view p, bool extended) {
  if (extended || p.find("\\Q") != std::string_view::npos) return true;
  if (p.find("(?") != std::string_view::npos && p.find('x') != std::string_view::npos) return true;
  for (size_t i = 0; i < p.size(); ++i) {
    const char c = p[i];
    if (c == '\\') {
      ++i;
    } else if (c == '^') {
      return true;
    } else if (c == '[') {
      size_t j = i + 1;
      if (j < p.size() && p[j] == '^') ++j;
      if (j < p.size() && p[j] == ']') ++j;  // a leading "]" is literal
      for (; j < p.size() && p[j] != ']'; ++j)
        if (p[j] == '\\') ++j;
      i = j;
    }
  }
  return false;
}

}  // namespace

// Replacing in place moves the rest of the subject once per match. When the
// pattern cannot look behind its start ("^" and lookbehinds, \b included,
// are the only things that do) and the template does not insert the text
// before the match or the whole subject, matching the original subject gives
// the same matches, so the result can be built in one pass.
bool TQvRegEx::ReplaceOutOfPlace(std::string_view tmpl) const {
  return maxLookbehind_ == 0 &&
         !HasCircumflexAnchor(regEx_, options_.Contains(TQvRegExOption::preExtended)) &&
         tmpl.find('`') == std::string_view::npos && tmpl.find("$_") == std::string_view::npos;
}

// ReplaceAll after its first match, in one pass; leaves Start, Stop and the
// subject as the in-place loop would.
void TQvRegEx::ReplaceRest() {
  std::string out;
  out.reserve(subject_.size());
  size_t copied = 0;
  long long delta = 0;
  bool valid = subjectValid_;
  auto finish = [&] {
    out.append(subject_, copied, std::string::npos);
    if (out.size() > kMaxSubject) throw ScriptError(u"TQvRegEx: subject too long");
    subject_ = std::move(out);
    ++generation_;
    subjectValid_ = valid;
    start_ = static_cast<int>(start_ + delta);
    stop_ = static_cast<int>(stop_ + delta);
  };
  try {
    do {
      size_t b, e;
      GroupSpan(0, b, e);
      if (b > e || b < copied) break;
      out.append(subject_, copied, b - copied);
      size_t before = out.size();
      AppendReplacement(out, replacement_);
      if (valid && (!IsBoundary(subject_, b) || !IsBoundary(subject_, e) ||
                    !IsValidUtf8(std::string_view(out).substr(before))))
        valid = false;
      delta += static_cast<long long>(out.size() - before) - static_cast<long long>(e - b);
      copied = e;
      // Start and Stop stay in the original subject's positions until the end.
    } while (MatchAgain());
  } catch (...) {
    finish();
    offsetCount_ = 0;
    throw;
  }
  finish();
}

void TQvRegEx::Split(std::vector<std::string>& pieces, int limit) {
  pieces.clear();
  if (limit == 1 || !Match()) {
    pieces.push_back(subject_);
    return;
  }
  size_t pos = 0;
  int cuts = 0;
  do {
    if (limit > 1 && cuts >= limit - 1) break;
    size_t b, e;
    GroupSpan(0, b, e);
    if (b > e) break;
    pieces.push_back(b > pos ? subject_.substr(pos, b - pos) : std::string());
    if (e > pos) pos = e;
    ++cuts;
  } while (MatchAgain());
  pieces.push_back(subject_.substr(pos));
}

void TQvRegEx::Split(std::vector<std::u16string>& pieces, int limit) {
  std::vector<std::string> bytes;
  auto convert = [&] {
    pieces.clear();
    for (const std::string& p : bytes) pieces.push_back(FromUtf8(p));
  };
  try {
    Split(bytes, limit);
  } catch (...) {
    convert();
    throw;
  }
  convert();
}

namespace {

template <class Char>
std::basic_string<Char> Escape(std::basic_string_view<Char> text) {
  static constexpr std::string_view kSpecial = "$()*+.?[\\]^{|}";
  std::basic_string<Char> out;
  out.reserve(text.size() + text.size() / 4);
  for (size_t i = 0; i < text.size(); ++i) {
    Char c = text[i];
    if (c == 0) {
      // "\0" followed by an octal digit would read as another character.
      bool octalNext = i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7';
      out += Char('\\');
      out += Char('0');
      if (octalNext) out.append(2, Char('0'));
    } else {
      if (c < 0x80 && kSpecial.find(static_cast<char>(c)) != std::string_view::npos) out += Char('\\');
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string TQvRegEx::EscapeRegExChars(std::string_view text) { return Escape(text); }
std::u16string TQvRegEx::EscapeRegExChars(std::u16string_view text) { return Escape(text); }

std::unique_ptr<TRegExp> CreateRegEx(std::u16string_view pattern, std::u16string_view subject) {
  auto rx = std::make_unique<TRegExp>();
  rx->SetOptions({TQvRegExOption::preCaseLess, TQvRegExOption::preMultiLine});
  if (!pattern.empty()) rx->SetRegEx(pattern);
  if (!subject.empty()) rx->SetSubject(subject);
  return rx;
}

}  // namespace qv
