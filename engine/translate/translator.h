// TfsILParser: turns script source into intermediate code by interpreting
// the rules of the selected grammar against the tokenizer.
//
// The translator has no syntax of its own. It walks the compiled grammar
// (engine/grammar_table.h), asks the tokenizer for the token class each item
// expects, back-tracks by restoring the tokenizer position, and emits the
// intermediate code as it goes (engine/translator_output.h); the result ends
// up in ILScript(). Included units are translated by nested translators and
// embedded.
//
//   TfsScript prog;
//   TfsILParser t(prog);
//   t.SelectLanguage(u"Pascal");
//   if (t.MakeILScript(u"begin x := 1 end.\r\n")) Use(*t.ILScript().Root());
//   else Report(prog.ErrorMsg(), prog.ErrorPos());
//
// Errors: a syntax error is recorded (the first one wins) and lands in the
// program object's ErrorMsg/ErrorPos/ErrorUnit; "Language '...' not found",
// "Invalid language definition" and the file error of an unreadable unit are
// raised as ScriptError. Rule recursion deeper than kMaxRuleDepth (counted
// across nested units) stops the translation with kNestingTooDeep at the
// position where it happened, so no input can exhaust the stack.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/translate/tokenizer.h"
#include "engine/translate/translator_output.h"
#include "engine/xml/xml.h"

namespace qv {

class CompiledGrammar;
struct GrammarItem;
class TfsScript;

class TfsILParser {
 public:
  // Rules nested deeper than this end the translation with an error. Real
  // scripts stay far below (each parenthesis costs four levels in the
  // expression rules); the stack survives it in sanitizer builds too.
  static constexpr int kMaxRuleDepth = 1000;
  static constexpr std::u16string_view kNestingTooDeep = u"Nesting too deep (more than 1000 levels)";

  explicit TfsILParser(TfsScript& program);
  ~TfsILParser();
  TfsILParser(const TfsILParser&) = delete;
  TfsILParser& operator=(const TfsILParser&) = delete;

  // Resets the tokenizer, loads the grammar registered as `langName` and
  // applies its settings. Raises "Language '...' not found".
  void SelectLanguage(std::u16string_view langName);

  // Translates `text`. True on success, when ILScript() holds the code.
  // Either way the program object's error message and position are set to
  // the recorded error (both empty on success).
  bool MakeILScript(std::u16string_view text);
  // The same, taking the text over: a very large script is not copied.
  bool MakeILScriptTaking(std::u16string&& text);

  // After a successful translation that ended before the end of the text
  // (the grammar's program rule did not take it all): the "line:col" where
  // it stopped. Empty when the whole text was translated.
  const std::u16string& StopPos() const { return stopPos_; }

  TfsXMLDocument& ILScript() { return ilScript_; }
  const TfsXMLDocument& ILScript() const { return ilScript_; }
  TfsScript& Program() const { return program_; }
  TfsParser& Parser() { return parser_; }

  // The selected grammar document (read only) and its `types` element
  // (nullptr when it has none, or before a language is selected).
  const TfsXMLDocument* Grammar() const;
  const TfsXMLItem* GrammarTypes() const;

  // Off when the grammar lets undeclared names become variant variables.
  bool NeedDeclareVars() const { return needDeclareVars_; }
  const std::u16string& LangName() const { return langName_; }
  // The unit this translator translates; empty for the script's own text.
  const std::u16string& UnitName() const { return unitName_; }
  void SetUnitName(std::u16string_view name) { unitName_ = std::u16string(name); }
  // Units already included by this translation (names in any case).
  const std::vector<std::u16string>& UsesList() const { return usesList_; }

 private:
  struct NestingTooDeep {
    int position;
  };

  int LanguageDirective(std::u16string_view text);
  void BuildDocument();

  bool Interpret(int32_t index);
  bool GuardHolds(const GrammarItem& token);
  bool CannotStart(const GrammarItem& item);
  bool InterpretChildren(const GrammarItem& item);
  bool InterpretSwitch(const GrammarItem& item, int entryPos);
  bool InterpretLoop(const GrammarItem& item, int entryPos);
  bool TokenMatches(const GrammarItem& item, std::u16string_view token) const;
  void RecordError(const GrammarItem& item, int entryPos);
  int TokenStart(int entryPos);
  void AppendPos(std::u16string& out, int position);
  std::u16string PosText(int position) const;

  void EmitToken(const GrammarItem& item, std::u16string_view token);
  void EmitFRString(std::u16string_view text);
  void OpenNode(const GrammarItem& item, int entryPos, size_t entryLines);
  void CloseRule(const GrammarItem& item, bool matched, int entryPos, size_t entryLines);

  void IncludeUnits(size_t entryLines);
  bool LoadUnit(const std::u16string& unit, std::unique_ptr<TfsXMLItem>& code);
  std::vector<std::u16string> UnitLines(const std::u16string& unit);

  TfsScript& program_;
  TfsParser parser_;
  std::shared_ptr<const CompiledGrammar> grammar_;
  TfsXMLDocument ilScript_;
  std::u16string langName_;
  std::u16string unitName_;
  std::vector<std::u16string> usesList_;
  bool needDeclareVars_ = true;

  // What the guards found ahead of `position`; -1 for not yet looked at.
  struct Lookahead {
    int position = -1;
    int punct = -1;
    int punctAfterBlanks = -1;
    bool haveWord = false;
    int wordIsKeyword = -1;
    std::u16string_view word;
  };

  // State of one MakeILScript call.
  ILOutput out_;
  std::u16string attributes_;  // reused while building an element's attributes
  std::u16string errorMsg_;
  std::u16string errorPos_;
  std::u16string stopPos_;
  bool term_ = false;
  Lookahead ahead_;
  int ruleDepth_ = 0;
  int outerDepth_ = 0;  // rule levels of the translators that include this unit
  // The line of the last position looked up: positions in (lineFrom_, lineTo_].
  int line_ = 0;
  int lineFrom_ = 0;
  int lineTo_ = 0;
};

}  // namespace qv
