// Declaration strings of registered methods, read with the tokenizer in its
// default settings.
#include "engine/items/declaration.h"

#include <cstdint>

#include "engine/items/items.h"
#include "engine/program/program.h"
#include "engine/run/run_messages.h"
#include "engine/translate/tokenizer.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

[[noreturn]] void ThrowInvalid(std::u16string_view syntax) {
  throw ScriptError(run_msg::kInvalidDeclaration + std::u16string(syntax));
}

// The next punctuation character after blanks and comments, not consumed;
// 0 at the end of the text.
char16_t Peek(TfsParser& p) {
  p.SkipSpaces();
  std::u16string_view text = p.Text();
  int pos = p.Position();
  return pos >= 1 && pos <= static_cast<int>(text.size()) ? text[static_cast<size_t>(pos - 1)] : u'\0';
}

bool Accept(TfsParser& p, char16_t c) {
  if (Peek(p) != c) return false;
  p.GetChar();
  return true;
}

// The result type: the identifier after the last ':' of the whole string.
std::u16string ResultTypeName(std::u16string_view syntax) {
  size_t colon = syntax.rfind(u':');
  if (colon == std::u16string_view::npos) return u"";
  TfsParser p;
  p.SetText(syntax.substr(colon + 1));
  return p.GetIdent();
}

// "= default": a number, a quoted string or the value of a visible item.
// Sets `has` when a default was found.
Value ReadDefault(TfsParser& p, const TfsScript& script, bool& has) {
  has = false;
  if (!Accept(p, u'=')) return Value::Null();
  bool negative = Accept(p, u'-');
  std::u16string number = p.GetNumber();
  if (!number.empty()) {
    has = true;
    return ParseDefaultLiteral(negative ? u"-" + number : number);
  }
  std::u16string quoted = p.GetString();
  if (!quoted.empty()) {
    has = true;
    return ParseDefaultLiteral(quoted);
  }
  std::u16string name = p.GetIdent();
  if (TfsCustomVariable* item = name.empty() ? nullptr : script.Find(name)) {
    has = true;
    return item->GetValue();
  }
  return Value::Null();
}

// Skips what a group may carry after its type ("of integer") up to the next
// ";" or ")".
void SkipToSeparator(TfsParser& p) {
  for (;;) {
    char16_t c = Peek(p);
    if (c == u';' || c == u')' || c == u'\0') return;
    int before = p.Position();
    if (p.GetIdent().empty() && p.GetNumber().empty() && p.GetString().empty()) p.GetChar();
    if (p.Position() == before) p.SetPosition(before + 1);
    if (p.Position() > p.Size()) return;
  }
}

// One group "[var|const] a, b: Type [= default]".
void ReadGroup(TfsParser& p, const TfsScript& script, std::u16string_view syntax, TfsDeclaration& d) {
  bool byRef = false;
  std::u16string word = p.GetIdent();
  if (word.empty()) ThrowInvalid(syntax);
  std::u16string lower = LowerCase(word);
  char16_t next = Peek(p);
  if ((lower == u"var" || lower == u"const") && next != u':' && next != u',') {
    byRef = lower == u"var";
    word = p.GetIdent();
    if (word.empty()) ThrowInvalid(syntax);
  }
  std::vector<std::u16string> names{word};
  while (Accept(p, u',')) {
    std::u16string more = p.GetIdent();
    if (more.empty()) ThrowInvalid(syntax);
    names.push_back(std::move(more));
  }
  std::u16string typeName;
  if (Accept(p, u':')) typeName = p.GetIdent();
  bool hasDefault = false;
  Value def = ReadDefault(p, script, hasDefault);
  SkipToSeparator(p);
  TfsVarType typ = script.KindOfTypeName(typeName);
  for (size_t i = 0; i < names.size(); ++i) {
    bool last = i + 1 == names.size();
    bool optional = last && hasDefault && !def.is_null();
    auto param = std::make_unique<TfsParamItem>(names[i], typ, typeName, optional, byRef);
    if (last && hasDefault) param->SetDefValue(def);
    d.params.push_back(std::move(param));
  }
}

}  // namespace

TfsDeclaration ParseDeclarationSyntax(std::u16string_view syntax, const TfsScript& script) {
  TfsDeclaration d;
  TfsParser p;
  if (script.ExtendedCharset()) {
    TfsParser::Charset set = p.IdentifierCharset();
    for (int c = 128; c < 256; ++c) set.set(static_cast<size_t>(c));
    p.SetIdentifierCharset(set);
  }
  p.SetText(syntax);
  std::u16string word = p.GetIdent();
  if (LowerCase(word).starts_with(u"macro")) {
    d.isMacro = true;
    word = word.substr(5);
  }
  d.isFunc = SameText(word, u"function");
  d.name = p.GetIdent();
  if (d.name.empty()) ThrowInvalid(syntax);
  if (d.isFunc) d.typeName = ResultTypeName(syntax);
  d.typ = script.KindOfTypeName(d.typeName);
  if (Accept(p, u'(')) {
    while (!Accept(p, u')')) {
      if (Peek(p) == u'\0') break;  // unterminated list: take what was read
      ReadGroup(p, script, syntax, d);
      Accept(p, u';');
    }
  }
  return d;
}

Value ParseDefaultLiteral(std::u16string_view text) {
  if (!text.empty() && (text.front() == u'\'' || text.front() == u'"'))
    return Value::Text(text.size() >= 2 ? text.substr(1, text.size() - 2) : std::u16string_view());
  int64_t i;
  if (TextToInt64(text, i)) {
    if (i >= INT32_MIN && i <= INT32_MAX) return Value::Int(static_cast<int32_t>(i));
    return Value::Int64(i);
  }
  double d;
  if (TextToDouble(text, d)) return Value::Double(d);
  throw ConvertError(u"'" + std::u16string(text) + run_msg::kIsNotAValid + u"floating point value");
}

}  // namespace qv
