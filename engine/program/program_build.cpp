// The building side of TfsScript: programs from stored intermediate code,
// evaluating an expression, and running a piece of script text as a child
// program.
#include <exception>

#include "engine/build/builder.h"
#include "engine/program/program.h"
#include "engine/translate/source_lines.h"
#include "engine/translate/translator.h"
#include "engine/xml/stream.h"
#include "engine/xml/xml.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

// The registration modules are visible when this program or an ancestor
// instantiated them.
bool HasModules(const TfsScript* p) {
  for (; p != nullptr; p = p->Parent())
    if (p->RTTIAdded()) return true;
  return false;
}

std::u16string EvaluationSource(const std::u16string& syntax, const std::u16string& e) {
  if (SameText(syntax, u"Pascal"))
    return u"function fsEvaluateFUNC: Variant; begin Result := " + e + u" end; begin end.";
  if (SameText(syntax, u"C")) return u"Variant fsEvaluateFUNC() { return " + e + u"; } {}";
  if (SameText(syntax, u"Basic")) return u"function fsEvaluateFUNC\r\nreturn " + e + u"\r\nend function";
  return u"function fsEvaluateFUNC() { return (" + e + u"); }";
}

}  // namespace

bool TfsScript::SetILCode(Stream& stream) {
  SetErrorMsg(u"");
  TfsILParser translator(*this);
  // The program's syntax decides, as when compiling stored code, whether
  // undeclared names are errors.
  try {
    translator.SelectLanguage(syntaxType_);
  } catch (const ScriptError&) {
  }
  try {
    translator.ILScript().LoadFromStream(stream);
  } catch (const ScriptError& e) {
    SetErrorMsg(e.message());
    SetErrorPos(u"");
    return false;
  }
  ParseILScript(translator, TfsDocumentUse::Release);
  if (!ErrorMsg().empty()) return false;
  SetErrorPos(u"");
  return true;
}

Value TfsScript::Evaluate(const std::u16string& expression) {
  evaluteRiseError_ = false;
  TfsScript* context = progRunning_ != nullptr ? progRunning_ : this;
  auto temp = std::make_unique<TfsScript>();
  if (!HasModules(context)) temp->AddRTTI();
  temp->SetParent(context);
  temp->SetOnGetVarValue(context->OnGetVarValue());
  // No run-line notifications while the expression is compiled and run.
  struct SuspendRunLine {
    TfsScript& s;
    TfsRunLineEvent saved;
    explicit SuspendRunLine(TfsScript& p) : s(p), saved(p.onRunLine_) { s.SetOnRunLine(nullptr); }
    ~SuspendRunLine() { s.SetOnRunLine(std::move(saved)); }
  } suspend(*this);
  temp->SetSyntaxType(syntaxType_);
  temp->Lines() = SplitLines(EvaluationSource(syntaxType_, expression));
  if (!temp->Compile()) {
    evaluteRiseError_ = true;
    return Value::Text(temp->ErrorMsg());
  }
  auto* func = dynamic_cast<TfsProcVariable*>(temp->FindLocal(u"fsEvaluateFUNC"));
  return func != nullptr ? func->GetValue() : Value::Null();
}

std::u16string TfsScript::DoEval(const std::u16string& expression) {
  std::u16string result;
  try {
    auto child = std::make_unique<TfsScript>();
    child->SetParent(this);
    child->SetOnGetVarValue(onGetVarValue_);
    child->SetSyntaxType(syntaxType_);
    std::u16string text = expression;
    if (SameText(syntaxType_, u"pascal")) text = u"begin\r\n" + text + u"\r\nend.";
    if (text.find(u"#language") == std::u16string::npos) text = u"#language " + syntaxType_ + u"\r\n" + text;
    child->Lines() = SplitLines(text);
    if (!child->Compile()) {
      std::u16string pos;
      for (char16_t c : child->ErrorPos())
        pos += c == u':' ? std::u16string(u" 行,第 ") : std::u16string(1, c);
      return child->ErrorMsg() + u", 在第 " + pos + u" 个字符";
    }
    try {
      child->Execute();
    } catch (const std::exception&) {
      // A failing piece of text still keeps what it declared.
    }
    AddSonScript(std::move(child));
  } catch (const std::exception&) {
  }
  return result;
}

}  // namespace qv
