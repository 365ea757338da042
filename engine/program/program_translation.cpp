// The translation side of TfsScript: Compile up to the builder, ComplieScript
// and GetILCode. The source reaches the translator as its lines, each
// followed by CR LF.
#include "engine/program/program.h"

#include "engine/build/builder.h"
#include "engine/translate/source_lines.h"
#include "engine/translate/translator.h"
#include "engine/xml/stream.h"
#include "engine/xml/xml.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

bool IsIntermediateCode(std::u16string_view text) {
  return LowerCase(TrimBlanks(text).substr(0, 5)) == u"<?xml";
}

// A line "#complie FILE" (not the first line) asks for the intermediate
// code to be saved to FILE.
struct ComplieDirective {
  bool found = false;
  std::u16string fileName;
};

// Finds the directive and removes it from `text`, keeping its line break so
// that the lines after it keep their positions.
ComplieDirective TakeComplieDirective(std::u16string& text) {
  static constexpr std::u16string_view kWord = u"#complie";
  const std::u16string lower = LowerCase(text);
  size_t at = std::u16string::npos;
  for (size_t from = 0; (at = lower.find(kWord, from)) != std::u16string::npos; from = at + 1) {
    if (at > 0 && (lower[at - 1] == u'\n' || lower[at - 1] == u'\r')) break;
  }
  ComplieDirective d;
  if (at == std::u16string::npos) return d;
  size_t end = text.find_first_of(u"\r\n", at);
  if (end == std::u16string::npos) end = text.size();
  const size_t arg = at + kWord.size();
  d.found = true;
  d.fileName = std::u16string(TrimBlanks(std::u16string_view(text).substr(arg, end - arg)));
  text.erase(at, end - at);
  return d;
}

// Starts a compile: clears the message and the unit of an earlier error
// (a stale unit would label a later error in the script's own text), and
// selects the syntax.
void BeginTranslation(TfsScript& prog, TfsILParser& translator) {
  prog.SetErrorMsg(u"");
  prog.SetErrorUnit(u"");
  translator.SelectLanguage(prog.SyntaxType());
}

// Builds the program from the translator's document; `use` tells whether
// the document is needed afterwards.
void BuildProgram(TfsILParser& translator, TfsDocumentUse use) { ParseILScript(translator, use); }

bool Finish(TfsScript& prog) {
  if (!prog.ErrorMsg().empty()) return false;
  prog.SetErrorPos(u"");
  return true;
}

}  // namespace

bool TfsScript::Compile() {
  implicitNames_.clear();
  unitTranslationStops_.clear();
  TfsILParser translator(*this);
  BeginTranslation(*this, translator);
  std::u16string text = JoinLines(lines_);
  if (IsIntermediateCode(text)) {
    try {
      translator.ILScript().LoadFromBytes("\xEF\xBB\xBF" + ToUtf8(text));
    } catch (const ScriptError& e) {
      // Stored code that cannot be read is a compile error, not a crash of
      // the caller.
      SetErrorMsg(e.message());
      SetErrorPos(u"");
      return false;
    }
    BuildProgram(translator, TfsDocumentUse::Release);
    return Finish(*this);
  }
  ComplieDirective directive = TakeComplieDirective(text);
  translationStop_.clear();
  if (translator.MakeILScriptTaking(std::move(text))) {
    translationStop_ = translator.StopPos();
    // The directive saves the whole document after the build.
    const bool save = directive.found && !directive.fileName.empty();
    BuildProgram(translator, save ? TfsDocumentUse::Keep : TfsDocumentUse::Release);
  }
  if (directive.found && !directive.fileName.empty()) translator.ILScript().SaveToFile(directive.fileName);
  return Finish(*this);
}

bool TfsScript::ComplieScript(std::u16string& code) {
  code.clear();
  TfsILParser translator(*this);
  BeginTranslation(*this, translator);
  std::u16string text = JoinLines(lines_);
  if (IsIntermediateCode(text)) {
    code = std::move(text);
  } else if (translator.MakeILScript(text)) {
    code = FromUtf8(translator.ILScript().SaveToBytes());
  }
  return Finish(*this);
}

bool TfsScript::GetILCode(Stream& stream) {
  TfsILParser translator(*this);
  BeginTranslation(*this, translator);
  if (translator.MakeILScript(JoinLines(lines_))) translator.ILScript().SaveToStream(stream);
  return Finish(*this);
}

}  // namespace qv
