#include "engine/translate/translator.h"

#include <charconv>
#include <climits>
#include <filesystem>

#include "engine/program/program.h"
#include "engine/translate/grammar_table.h"
#include "engine/translate/grammars.h"
#include "engine/translate/source_lines.h"
#include "engine/xml/stream.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

// Element names the translator itself emits, shared by every element.
struct FixedNames {
  XmlName dsgn{u"dsgn"}, node{u"node"}, expr{u"expr"}, string{u"string"};
  XmlName uses{u"uses"}, program{u"program"}, types{u"types"};
};

const FixedNames& Names() {
  static const FixedNames names;
  return names;
}

bool IsDirectiveWordChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c >= 127;
}

// Writes the decimal digits of `value` (at most 11 units); returns how many.
size_t PutInt(char16_t* out, int value) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  const size_t n = static_cast<size_t>(r.ptr - buf);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char16_t>(buf[i]);
  return n;
}

// The `file` elements at or below `item`, in document order.
void CollectFiles(TfsXMLItem& item, std::vector<TfsXMLItem*>& files) {
  std::vector<TfsXMLItem*> todo{&item};
  while (!todo.empty()) {
    TfsXMLItem* i = todo.back();
    todo.pop_back();
    if (i->Name() == u"file") files.push_back(i);
    auto children = i->Children();
    for (size_t c = children.size(); c-- > 0;) todo.push_back(children[c].get());
  }
}

std::string ReadFileBytes(const std::u16string& fileName) {
  FileStream f(fileName, FileMode::OpenRead, ShareMode::DenyWrite);
  std::string bytes(static_cast<size_t>(f.Size()), '\0');
  if (!bytes.empty()) f.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

bool IsExistingFile(const std::u16string& fileName) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(ToUtf8(fileName)), ec);
}

}  // namespace

TfsILParser::TfsILParser(TfsScript& program) : program_(program) {}

TfsILParser::~TfsILParser() = default;

const TfsXMLDocument* TfsILParser::Grammar() const { return grammar_ ? &grammar_->Document() : nullptr; }

const TfsXMLItem* TfsILParser::GrammarTypes() const { return grammar_ ? grammar_->Types() : nullptr; }

void TfsILParser::SelectLanguage(std::u16string_view langName) {
  parser_.Clear();
  langName_ = std::u16string(langName);
  grammar_ = GetCompiledLanguage(langName);
  if (!grammar_->ConfigureParser(parser_)) needDeclareVars_ = false;
  if (program_.ExtendedCharset()) {
    TfsParser::Charset set = parser_.IdentifierCharset();
    for (int c = 128; c < 256; ++c) set.set(static_cast<size_t>(c));
    parser_.SetIdentifierCharset(set);
  }
}

// --- Translation -------------------------------------------------------------

bool TfsILParser::MakeILScript(std::u16string_view text) {
  std::u16string copy;
  copy.reserve(text.size() + 1);  // room for the tokenizer's terminator
  copy.append(text);
  return MakeILScriptTaking(std::move(copy));
}

bool TfsILParser::MakeILScriptTaking(std::u16string&& source) {
  if (!grammar_) throw ScriptError(u"Language '' not found");
  out_.Clear();
  errorMsg_.clear();
  errorPos_.clear();
  term_ = false;
  ruleDepth_ = outerDepth_;
  parser_.TakeText(std::move(source));
  ahead_ = Lookahead{};
  lineFrom_ = lineTo_ = 0;
  parser_.SetPosition(LanguageDirective(parser_.Text()));

  bool ok = false;
  try {
    ok = Interpret(grammar_->ProgramRule());
  } catch (const NestingTooDeep& e) {
    // Wins over any earlier error: the translation stops right here.
    errorMsg_ = std::u16string(kNestingTooDeep);
    errorPos_ = PosText(e.position);
  }
  ok = ok && errorMsg_.empty();
  stopPos_.clear();
  if (ok) {
    BuildDocument();
    errorMsg_.clear();
    errorPos_.clear();
    // A grammar may end the program at a statement it cannot begin; what
    // follows was not translated.
    do {
      parser_.SkipSpaces();
    } while (parser_.GetEOL());
    if (parser_.Position() <= parser_.Size()) stopPos_ = PosText(parser_.Position());
  }
  out_.Clear();
  program_.SetErrorPos(errorPos_);
  program_.SetErrorMsg(errorMsg_);
  return ok;
}

// A first line "#language NAME" selects the grammar NAME; translation then
// starts on the next line. Returns the position to start at.
int TfsILParser::LanguageDirective(std::u16string_view text) {
  if (text.empty() || text[0] != u'#') return 1;
  size_t i = 1;
  while (i < text.size() && text[i] <= u' ' && text[i] != u'\r' && text[i] != u'\n') ++i;
  size_t word = i;
  while (i < text.size() && IsDirectiveWordChar(text[i])) ++i;
  if (!SameText(text.substr(word, i - word), u"language")) return 1;
  size_t end = text.find_first_of(u"\r\n", i);
  if (end == std::u16string_view::npos) end = text.size();
  SelectLanguage(TrimBlanks(text.substr(i, end - i)));
  // SelectLanguage reset the tokenizer's settings, not its text.
  size_t next = end;
  if (next < text.size() && text[next] == u'\r') ++next;
  if (next < text.size() && text[next] == u'\n') ++next;
  return static_cast<int>(next) + 1;
}

void TfsILParser::BuildDocument() {
  TfsXMLItem* root = ilScript_.Root();
  root->Clear();
  root->SetName(Names().program);
  root->SetText(u"");
  out_.MoveTo(*root);
  TfsXMLItem* types = root->Add();
  if (const TfsXMLItem* g = grammar_->Types()) {
    types->Assign(g);
  } else {
    types->SetName(Names().types);
  }
}

// --- Item interpretation -----------------------------------------------------

// Whether a guard token (see GrammarItem) could be read here. The
// alternatives of a switch all look at the same position, so what lies
// ahead is worked out once per position and kind of token.
bool TfsILParser::GuardHolds(const GrammarItem& token) {
  const int entryPos = parser_.Position();
  Lookahead& a = ahead_;
  if (a.position != entryPos) {
    a = Lookahead{};
    a.position = entryPos;
  }
  if (token.kind == ItemKind::kChar) {
    // A punctuation character has no other case: TokenMatches would
    // compare it exactly.
    int& c = token.noSkip ? a.punct : a.punctAfterBlanks;
    if (c < 0) {
      c = parser_.PunctAhead(!token.noSkip);
      parser_.SetPosition(entryPos);
    }
    return c != 0 && c == token.text[0];
  }
  if (!a.haveWord) {
    a.word = parser_.WordAhead();
    a.haveWord = true;
    parser_.SetPosition(entryPos);
  }
  if (token.kind == ItemKind::kIdent) {
    // GetIdent: a word that is not a keyword.
    if (a.wordIsKeyword < 0) a.wordIsKeyword = !a.word.empty() && parser_.IsKeyWord(a.word);
    return a.wordIsKeyword == 0 && TokenMatches(token, a.word);
  }
  return TokenMatches(token, a.word);
}

// An item that would fail here without output or error, known from its
// guard tokens alone. Near the depth limit items are interpreted, so that
// the limit is reached exactly as without guards.
inline bool TfsILParser::CannotStart(const GrammarItem& item) {
  if (item.guardCount == 0 || ruleDepth_ + item.guardRules > kMaxRuleDepth) return false;
  for (uint32_t i = 0; i < item.guardCount; ++i)
    if (GuardHolds(grammar_->Item(grammar_->Guard(item, i)))) return false;
  return true;
}

bool TfsILParser::Interpret(int32_t index) {
  const GrammarItem& item = grammar_->Item(index);
  const int entryPos = parser_.Position();
  if (CannotStart(item)) return false;
  const size_t entryLines = out_.Count();
  bool matched = false;
  std::u16string token;

  switch (item.kind) {
    case ItemKind::kRule:
      if (++ruleDepth_ > kMaxRuleDepth) throw NestingTooDeep{TokenStart(entryPos)};
      matched = true;
      break;
    case ItemKind::kChar:
      if (!item.noSkip) parser_.SkipSpaces();
      token = parser_.GetChar();
      matched = TokenMatches(item, token);
      break;
    case ItemKind::kKeyword:
      token = parser_.GetWord();
      matched = TokenMatches(item, token);
      break;
    case ItemKind::kIdent:
      token = parser_.GetIdent();
      matched = TokenMatches(item, token);
      break;
    case ItemKind::kNumber:
      token = parser_.GetNumber();
      matched = TokenMatches(item, token);
      break;
    case ItemKind::kString:
      token = parser_.GetString();
      matched = TokenMatches(item, token);
      break;
    case ItemKind::kFRString:
      token = parser_.GetFRString();
      EmitFRString(token);
      matched = TokenMatches(item, token);
      break;
    case ItemKind::kEol:
      matched = parser_.GetEOL();
      break;
    case ItemKind::kSequence:
      matched = true;
      break;
    case ItemKind::kSwitch:
    case ItemKind::kOptionalSwitch:
      return InterpretSwitch(item, entryPos);
    case ItemKind::kLoop:
    case ItemKind::kOptionalLoop:
      return InterpretLoop(item, entryPos);
    case ItemKind::kOptional:
      for (uint32_t i = 0; i < item.childCount; ++i) {
        if (!Interpret(grammar_->Child(item, i))) {
          parser_.SetPosition(entryPos);
          break;
        }
      }
      return true;
    case ItemKind::kReference:
      matched = Interpret(item.target);
      break;
    case ItemKind::kUndefined:
      throw ScriptError(u"Invalid language definition");
  }

  // The tail shared by rules, tokens, sequences and references.
  if (!matched) {
    RecordError(item, entryPos);
  } else {
    // Wrapping before the children: a node on a reference or a token wraps
    // exactly what that rule or token produced.
    if (item.kind != ItemKind::kRule && item.hasNode) {
      if (item.nodeIsUses) {
        IncludeUnits(entryLines);
      } else {
        OpenNode(item, entryPos, entryLines);
      }
    }
    if (item.hasAdd) EmitToken(item, token);
    matched = InterpretChildren(item);
  }
  if (!matched) parser_.SetPosition(entryPos);
  if (item.kind == ItemKind::kRule) {
    CloseRule(item, matched, entryPos, entryLines);
    --ruleDepth_;
  }
  return matched;
}

bool TfsILParser::InterpretChildren(const GrammarItem& item) {
  for (uint32_t i = 0; i < item.childCount; ++i) {
    if (!Interpret(grammar_->Child(item, i))) return false;
  }
  return true;
}

// An alternative that fails takes its output with it. Otherwise an
// alternative that is a prefix of a later one (Pascal's "lo..hi" before a
// plain count) would leave its expression behind, and "array[10]" would
// become the bounds 10..10.
bool TfsILParser::InterpretSwitch(const GrammarItem& item, int entryPos) {
  const size_t entryLines = out_.Count();
  for (uint32_t i = 0; i < item.childCount; ++i) {
    const int32_t child = grammar_->Child(item, i);
    if (CannotStart(grammar_->Item(child))) continue;
    if (Interpret(child)) return true;
    out_.Truncate(entryLines);
  }
  if (item.kind == ItemKind::kOptionalSwitch || item.childCount == 0) return true;
  RecordError(item, entryPos);
  return false;
}

// A repetition ends when a child fails, when a pass makes no progress, or
// when the separator does not follow. After more than one pass it succeeds
// where the last pass got to, whatever failed inside that pass.
bool TfsILParser::InterpretLoop(const GrammarItem& item, int entryPos) {
  int passes = 0;
  bool firstMatched = false;
  int reached = entryPos;
  for (;;) {
    ++passes;
    const int passStart = parser_.Position();
    const bool ok = InterpretChildren(item);
    reached = parser_.Position();
    if (passes == 1) firstMatched = ok;
    if (ok && item.hasText) {
      parser_.SkipSpaces();
      if (parser_.GetChar() != item.text) {
        parser_.SetPosition(reached);
        break;
      }
    }
    if (!ok || parser_.Position() == passStart) break;
  }
  bool matched = firstMatched;
  if (passes > 1) {
    matched = true;
    parser_.SetPosition(reached);
    if (item.skipErrors || term_) {
      errorMsg_.clear();
      errorPos_.clear();
    }
  }
  if (!matched && item.kind == ItemKind::kOptionalLoop) {
    parser_.SetPosition(entryPos);
    matched = true;
  }
  return matched;
}

bool TfsILParser::TokenMatches(const GrammarItem& item, std::u16string_view token) const {
  if (token.empty()) return false;
  if (!item.hasText) return true;
  if (token.size() != item.text.size()) return false;
  if (token == item.text) return true;
  return !parser_.CaseSensitive() && SameText(token, item.text);
}

// The first error wins; a code the grammar does not define records only a
// position and the term flag, and counts as no error.
void TfsILParser::RecordError(const GrammarItem& item, int entryPos) {
  if (!item.hasErr || !errorMsg_.empty()) return;
  errorMsg_ = item.errMessage;
  errorPos_ = PosText(TokenStart(entryPos));
  term_ = item.term;
}

// Where the first token at or after `entryPos` starts.
int TfsILParser::TokenStart(int entryPos) {
  const int here = parser_.Position();
  parser_.SetPosition(entryPos);
  parser_.SkipSpaces();
  const int start = parser_.Position();
  parser_.SetPosition(here);
  return start;
}

// Positions come in runs on the same line, so the line found last is tried
// before the tokenizer's search.
void TfsILParser::AppendPos(std::u16string& out, int position) {
  TPoint p;
  if (position > lineFrom_ && position <= lineTo_) {
    p = TPoint{position - lineFrom_, line_};
  } else {
    p = parser_.GetXYPoint(position);
    const std::vector<int>& starts = parser_.YList();
    if (p.y >= 1 && static_cast<size_t>(p.y) <= starts.size() && position > starts[p.y - 1]) {
      line_ = p.y;
      lineFrom_ = starts[p.y - 1];
      lineTo_ = static_cast<size_t>(p.y) < starts.size() ? starts[p.y] : INT_MAX;
    }
  }
  char16_t text[32];
  size_t n = PutInt(text, p.y);
  text[n++] = u':';
  n += PutInt(text + n, p.x);
  out.append(text, n);
}

std::u16string TfsILParser::PosText(int position) const {
  TPoint p = parser_.GetXYPoint(position);
  return IntToText(p.y) + u":" + IntToText(p.x);
}

// --- Emitting ----------------------------------------------------------------

void TfsILParser::EmitToken(const GrammarItem& item, std::u16string_view token) {
  std::u16string& a = attributes_;
  a.assign(u"text=\"");
  if (item.hasAddText) {
    a += item.addText;
  } else {
    AppendEncoded(a, token);
  }
  a += u"\" pos=\"";
  AppendPos(a, parser_.Position());
  a += u'"';
  out_.Append(item.addName, a);
}

// Embedded template text becomes a call of Get with the text as a string,
// every element at the position of the closing bracket.
void TfsILParser::EmitFRString(std::u16string_view text) {
  std::u16string pos = u"pos=\"";
  AppendPos(pos, parser_.Position());
  pos += u'"';
  TfsXMLItem& dsgn = out_.Append(Names().dsgn, pos);
  TfsXMLItem* node = dsgn.Add();
  node->SetName(Names().node);
  node->SetText(u"text=\"Get\" " + pos);
  TfsXMLItem* expr = dsgn.Add();
  expr->SetName(Names().expr);
  expr->SetText(pos);
  TfsXMLItem* string = expr->Add();
  string->SetName(Names().string);
  std::u16string& a = attributes_;
  a.assign(u"text=\"'");
  AppendEncoded(a, text);
  a += u"'\" ";
  a += pos;
  string->SetText(a);
}

void TfsILParser::OpenNode(const GrammarItem& item, int entryPos, size_t entryLines) {
  const int end = parser_.Position();
  std::u16string& a = attributes_;
  a.assign(u"pos=\"");
  AppendPos(a, TokenStart(entryPos));
  a += u'"';
  if (item.nodeIsExpr) {
    a += u" pos1=\"";
    AppendPos(a, end);
    a += u'"';
  }
  out_.Wrap(entryLines, item.nodeName, a);
}

// A rule's node wraps its output on success; a failed rule with a node
// leaves no output. A `uses` node includes its units either way.
void TfsILParser::CloseRule(const GrammarItem& item, bool matched, int entryPos, size_t entryLines) {
  if (!item.hasNode) return;
  if (item.nodeIsUses) {
    IncludeUnits(entryLines);
  } else if (matched) {
    OpenNode(item, entryPos, entryLines);
  } else {
    out_.Truncate(entryLines);
  }
}

// --- Included units ----------------------------------------------------------

// Replaces the `file` elements emitted since `entryLines`, last to first, by
// `uses` elements holding each unit's code; the units thus appear in the
// reverse of the order they were listed in.
void TfsILParser::IncludeUnits(size_t entryLines) {
  std::vector<TfsXMLItem*> files;
  for (size_t i = entryLines; i < out_.Count(); ++i) CollectFiles(out_.At(i), files);
  size_t inserted = 0;
  for (size_t f = files.size(); f-- > 0;) {
    TfsXMLItem* file = files[f];
    const std::u16string raw = file->RawProp(u"text");
    std::u16string_view value = raw;
    if (value.size() >= 2 && value.front() == u'\'' && value.back() == u'\'') {
      value = value.substr(1, value.size() - 2);
    }
    const std::u16string name(value);
    std::unique_ptr<TfsXMLItem> code;
    if (LoadUnit(name, code)) {
      auto uses = std::make_unique<TfsXMLItem>();
      uses->SetName(Names().uses);
      uses->SetText(u"unit=\"" + name + u"\"");
      if (code) uses->AddItem(std::move(code));
      // Counting only the units really inserted keeps the place inside the
      // list when an already included unit is skipped.
      out_.Insert(entryLines + inserted++, std::move(uses));
    }
    if (file->Parent()) {
      std::unique_ptr<TfsXMLItem> gone = file->Detach();
    } else {
      for (size_t i = entryLines; i < out_.Count(); ++i) {
        if (&out_.At(i) == file) {
          out_.Erase(i);
          break;
        }
      }
    }
  }
}

// Translates unit `unit` with a nested translator. Returns false when the
// unit was already included (nothing is inserted); `code` is the unit's
// `program` element, or empty when its text is empty or failed.
bool TfsILParser::LoadUnit(const std::u16string& unit, std::unique_ptr<TfsXMLItem>& code) {
  for (const std::u16string& u : usesList_) {
    if (SameText(u, unit)) return false;
  }
  usesList_.push_back(unit);
  code.reset();
  std::vector<std::u16string> lines = UnitLines(unit);
  if (lines.empty()) return true;

  TfsILParser nested(program_);
  nested.unitName_ = unit;
  nested.outerDepth_ = ruleDepth_;
  nested.SelectLanguage(langName_);
  nested.usesList_ = usesList_;
  if (nested.MakeILScript(JoinLines(lines))) {
    usesList_ = nested.usesList_;
    if (!nested.stopPos_.empty()) program_.UnitTranslationStops().push_back({unit, nested.stopPos_});
    // The unit's `program` element moves over as it is.
    code = std::make_unique<TfsXMLItem>();
    code->SetName(nested.ilScript_.Root()->SharedName());
    code->SetText(nested.ilScript_.Root()->RawText());
    MoveChildren(*nested.ilScript_.Root(), *code);
  } else if (!program_.ErrorMsg().empty()) {
    // A unit that failed without a message must not wipe out an error of
    // this text, and its failure is never the natural end of a list.
    errorMsg_ = program_.ErrorMsg();
    errorPos_ = program_.ErrorPos();
    term_ = false;
    // This text fails now too, so what the unit included may count as
    // included: otherwise units that include each other and fail would be
    // translated again for every order in which they can be reached.
    usesList_ = nested.usesList_;
    if (program_.ErrorUnit().empty()) program_.SetErrorUnit(unit);
  }
  return true;
}

// The unit's text from the program's handler, or from the first folder of
// the include path that has the file (the last one tried when none has it).
std::vector<std::u16string> TfsILParser::UnitLines(const std::u16string& unit) {
  if (const TfsGetUnitEvent& handler = program_.OnGetUnit()) {
    std::u16string text;
    handler(program_, unit, text);
    return SplitLines(text);
  }
  std::u16string name = unit;
  for (char16_t& c : name) {
    if (c == u'\\') c = u'/';
  }
  std::u16string fileName = name;
  if (!name.starts_with(u'/')) {
    for (std::u16string dir : program_.IncludePath()) {
      for (char16_t& c : dir) {
        if (c == u'\\') c = u'/';
      }
      if (!dir.empty() && dir.back() != u'/') dir += u'/';
      fileName = dir + name;
      if (IsExistingFile(fileName)) break;
    }
  }
  return SplitLines(DecodeScriptBytes(ReadFileBytes(fileName)));
}

}  // namespace qv
