// A grammar document compiled into a flat table of rule items.
//
// The translator walks this table instead of the XML: item kinds, the
// lower-cased `text` and `node` attributes, the error messages and the rule
// references are resolved once, when the grammar is compiled, so matching a
// token never searches the document or compares attribute names.
//
// The table describes exactly the document: every element inside a rule is
// one GrammarItem, in document order, and a rule reference points at the
// rule definition of that name (the first top-level element with that name,
// any case). A reference to a name the grammar does not define stays in the
// table as kUndefined; the translator raises "Invalid language definition"
// only when it reaches such an item.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/xml/xml.h"

namespace qv {

class TfsParser;

enum class ItemKind : uint8_t {
  kRule,  // a rule definition: a direct child of the grammar's root
  kChar,
  kKeyword,
  kIdent,
  kNumber,
  kString,
  kFRString,
  kEol,
  kSequence,
  kSwitch,
  kOptionalSwitch,
  kLoop,
  kOptionalLoop,
  kOptional,
  kReference,  // names a rule
  kUndefined,  // names a rule the grammar does not have
};

struct GrammarItem {
  ItemKind kind = ItemKind::kRule;
  bool hasText = false;  // `text`: expected token, or loop separator
  bool hasAdd = false;   // `add`: emit a token element
  bool hasAddText = false;
  bool hasErr = false;      // `err`: record an error when the item fails
  bool hasNode = false;     // `node`: wrap the item's output
  bool noSkip = false;      // skip="0": no blanks before a char
  bool skipErrors = false;  // skip="1": a loop discards the recorded error
  bool term = false;        // term="1"
  bool nodeIsExpr = false;
  bool nodeIsUses = false;
  int32_t target = -1;  // kReference: index of the rule definition
  // Token items (a char or keyword with a text, or an identifier) such that
  // when none of them can be read at the entry position, this item fails
  // with no output, no error and no other effect: alternatives that cannot
  // start here are passed over without interpreting them. Indexes into
  // CompiledGrammar's guard list; none when guardCount is 0.
  uint32_t firstGuard = 0;
  uint32_t guardCount = 0;
  int32_t guardRules = 0;   // the most rules entered on the way to a guard
  uint32_t firstChild = 0;  // into CompiledGrammar::children
  uint32_t childCount = 0;
  std::u16string text;        // lower-cased
  std::u16string errMessage;  // empty when the code is not defined
  XmlName addName;            // element name of the token element
  std::u16string addText;     // the encoded `addtext`
  XmlName nodeName;           // element name of the node, lower-cased
  std::u16string name;        // element name, for messages
};

class CompiledGrammar {
 public:
  // Loads the grammar text (UTF-8 bytes) and compiles it. Raises
  // "Invalid file format" when the text is not well-formed.
  static std::shared_ptr<const CompiledGrammar> Compile(std::string_view grammarUtf8);

  // The start rule `program`; a grammar without one gets an empty rule.
  int32_t ProgramRule() const { return programRule_; }
  const GrammarItem& Item(int32_t index) const { return items_[static_cast<size_t>(index)]; }
  int32_t Child(const GrammarItem& item, uint32_t i) const { return children_[item.firstChild + i]; }
  int32_t Guard(const GrammarItem& item, uint32_t i) const { return guards_[item.firstGuard + i]; }

  // Resets `parser` and applies the grammar's keywords and lexical settings.
  // Returns false when the grammar switches declaration of variables off.
  bool ConfigureParser(TfsParser& parser) const;

  // The loaded grammar document (read only; shared between translators).
  const TfsXMLDocument& Document() const { return document_; }
  // The grammar's `types` element, or nullptr when it has none.
  const TfsXMLItem* Types() const { return types_; }

 private:
  CompiledGrammar() = default;
  void Build();
  struct GuardSet {
    std::vector<int32_t> tokens;
    int32_t rules = 0;
  };
  void ComputeGuards();
  const GuardSet& GuardOf(int32_t index, std::vector<uint8_t>& state, std::vector<GuardSet>& sets, int depth);
  int32_t CompileRule(int topIndex);
  int32_t NewItem(const TfsXMLItem& element, ItemKind kind);
  void CompileChildren(const TfsXMLItem& element, int32_t index);
  ItemKind KindOf(std::u16string_view lowerName) const;

  TfsXMLDocument document_;
  const TfsXMLItem* types_ = nullptr;
  const TfsXMLItem* errors_ = nullptr;
  std::vector<GrammarItem> items_;
  std::vector<int32_t> children_;
  std::vector<int32_t> guards_;
  std::vector<int32_t> ruleOfTop_;  // per top-level element: its compiled rule, or -1
  int32_t programRule_ = -1;
  std::vector<std::u16string> keywords_;
  std::vector<std::pair<std::u16string, std::u16string>> settings_;  // lower-cased name, value
};

}  // namespace qv
