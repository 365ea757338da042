#include "engine/translate/grammar_table.h"

#include <algorithm>

#include <array>

#include "engine/translate/tokenizer.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

// Far deeper than any grammar is written, shallow enough for the stack.
constexpr int kMaxGrammarDepth = 2000;

struct KindName {
  std::u16string_view name;
  ItemKind kind;
};

constexpr std::array<KindName, 13> kKinds = {{
    {u"char", ItemKind::kChar},
    {u"keyword", ItemKind::kKeyword},
    {u"ident", ItemKind::kIdent},
    {u"number", ItemKind::kNumber},
    {u"string", ItemKind::kString},
    {u"frstring", ItemKind::kFRString},
    {u"eol", ItemKind::kEol},
    {u"sequence", ItemKind::kSequence},
    {u"switch", ItemKind::kSwitch},
    {u"optionalswitch", ItemKind::kOptionalSwitch},
    {u"loop", ItemKind::kLoop},
    {u"optionalloop", ItemKind::kOptionalLoop},
    {u"optional", ItemKind::kOptional},
}};

[[noreturn]] void InvalidDefinition() { throw ScriptError(u"Invalid language definition"); }

}  // namespace

std::shared_ptr<const CompiledGrammar> CompiledGrammar::Compile(std::string_view grammarUtf8) {
  std::shared_ptr<CompiledGrammar> g(new CompiledGrammar());
  g->document_.LoadFromBytes(grammarUtf8);
  g->Build();
  return g;
}

ItemKind CompiledGrammar::KindOf(std::u16string_view lowerName) const {
  for (const KindName& k : kKinds) {
    if (k.name == lowerName) return k.kind;
  }
  return ItemKind::kReference;
}

void CompiledGrammar::Build() {
  const TfsXMLItem* root = document_.Root();
  int parser = root->Find(u"parser");
  if (parser >= 0) {
    const TfsXMLItem* p = root->Items(parser);
    int kw = p->Find(u"keywords");
    if (kw >= 0) {
      for (const auto& k : p->Items(kw)->Children()) keywords_.emplace_back(k->Name());
    }
    int errors = p->Find(u"errors");
    if (errors >= 0) errors_ = p->Items(errors);
    for (const auto& s : p->Children()) settings_.emplace_back(LowerCase(s->Name()), s->Prop(u"text"));
  }
  int types = root->Find(u"types");
  if (types >= 0) types_ = root->Items(types);

  // Every top-level element is a rule definition; references are resolved
  // once all of them have an index.
  ruleOfTop_.assign(static_cast<size_t>(root->Count()), -1);
  for (int i = 0; i < root->Count(); ++i) ruleOfTop_[static_cast<size_t>(i)] = CompileRule(i);
  for (GrammarItem& item : items_) {
    if (item.kind != ItemKind::kReference) continue;
    if (item.target < 0) {
      item.kind = ItemKind::kUndefined;
    } else {
      item.target = ruleOfTop_[static_cast<size_t>(item.target)];
    }
  }
  int program = root->Find(u"program");
  if (program >= 0) {
    programRule_ = ruleOfTop_[static_cast<size_t>(program)];
  } else {
    TfsXMLItem empty;
    empty.SetName(u"program");
    programRule_ = NewItem(empty, ItemKind::kRule);
  }
  ComputeGuards();
}

void CompiledGrammar::ComputeGuards() {
  std::vector<uint8_t> state(items_.size(), 0);  // 0 new, 1 in progress, 2 done
  std::vector<GuardSet> sets(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) {
    const GuardSet& set = GuardOf(static_cast<int32_t>(i), state, sets, 0);
    GrammarItem& item = items_[i];
    item.firstGuard = static_cast<uint32_t>(guards_.size());
    item.guardCount = static_cast<uint32_t>(set.tokens.size());
    item.guardRules = set.rules;
    guards_.insert(guards_.end(), set.tokens.begin(), set.tokens.end());
  }
}

// An item fails without a trace when its first step does: tokens record
// nothing unless they have an error code; a rule, sequence or reference
// whose first child fails emits nothing before it (no `add`; no `node` on a
// sequence, which would wrap before its children; no `uses`, which includes
// units even on failure); a switch fails when every alternative does. Left
// recursion ends the chain, and so do long sets, which cost more to test
// than they save, and long chains: a grammar is data, and the walk must not
// go as deep as it is nested.
const CompiledGrammar::GuardSet& CompiledGrammar::GuardOf(int32_t index, std::vector<uint8_t>& state,
                                                          std::vector<GuardSet>& sets, int depth) {
  static constexpr size_t kMaxGuards = 12;
  static constexpr int kMaxGuardDepth = 64;
  static const GuardSet kNone;
  const size_t at = static_cast<size_t>(index);
  if (state[at] != 0) return sets[at];       // done, or in progress: none yet
  if (depth > kMaxGuardDepth) return kNone;  // worked out when its own turn comes
  state[at] = 1;
  const GrammarItem& item = items_[at];
  GuardSet set;
  if (!item.hasErr) {
    std::vector<int32_t> next;
    switch (item.kind) {
      case ItemKind::kChar:
        if (item.hasText && item.text.size() == 1) set.tokens.push_back(index);
        break;
      case ItemKind::kKeyword:
        if (item.hasText && !item.text.empty()) set.tokens.push_back(index);
        break;
      case ItemKind::kIdent:
        set.tokens.push_back(index);
        break;
      case ItemKind::kRule:
        if (!item.hasAdd && !item.nodeIsUses && item.childCount > 0) next.push_back(Child(item, 0));
        break;
      case ItemKind::kSequence:
        if (!item.hasAdd && !item.hasNode && item.childCount > 0) next.push_back(Child(item, 0));
        break;
      case ItemKind::kReference:
        next.push_back(item.target);
        break;
      case ItemKind::kSwitch:
        for (uint32_t i = 0; i < item.childCount; ++i) next.push_back(Child(item, i));
        break;
      default:
        break;
    }
    bool complete = !next.empty();
    for (int32_t n : next) {
      const GuardSet& sub = GuardOf(n, state, sets, depth + 1);
      if (sub.tokens.empty() || set.tokens.size() + sub.tokens.size() > kMaxGuards) {
        complete = false;
        break;
      }
      set.tokens.insert(set.tokens.end(), sub.tokens.begin(), sub.tokens.end());
      set.rules = std::max(set.rules, sub.rules);
    }
    if (!next.empty() && !complete) set = GuardSet{};
    if (item.kind == ItemKind::kRule && !set.tokens.empty()) ++set.rules;
  }
  sets[at] = std::move(set);
  state[at] = 2;
  return sets[at];
}

int32_t CompiledGrammar::CompileRule(int topIndex) {
  const TfsXMLItem& element = *document_.Root()->Items(topIndex);
  int32_t index = NewItem(element, ItemKind::kRule);
  CompileChildren(element, index);
  return index;
}

int32_t CompiledGrammar::NewItem(const TfsXMLItem& element, ItemKind kind) {
  GrammarItem item;
  item.kind = kind;
  item.name = std::u16string(element.Name());
  if (kind == ItemKind::kReference) {
    item.target = document_.Root()->Find(element.Name());  // top-level index for now
  }
  if (element.PropExists(u"text")) {
    item.hasText = true;
    item.text = LowerCase(element.Prop(u"text"));
  }
  if (element.PropExists(u"add")) {
    item.hasAdd = true;
    item.addName = XmlName(element.Prop(u"add"));
  }
  if (element.PropExists(u"addtext")) {
    item.hasAddText = true;
    item.addText = EncodeXmlValue(element.Prop(u"addtext"));
  }
  if (element.PropExists(u"err")) {
    item.hasErr = true;
    std::u16string code = element.Prop(u"err");
    int e = errors_ ? errors_->Find(code) : -1;
    if (e >= 0) item.errMessage = errors_->Items(e)->Prop(u"text");
  }
  if (element.PropExists(u"node")) {
    item.hasNode = true;
    std::u16string node = LowerCase(element.Prop(u"node"));
    item.nodeIsExpr = node == u"expr";
    item.nodeIsUses = node == u"uses";
    item.nodeName = XmlName(node);
  }
  std::u16string skip = element.Prop(u"skip");
  item.noSkip = skip == u"0";
  item.skipErrors = skip == u"1";
  item.term = element.Prop(u"term") == u"1";
  items_.push_back(std::move(item));
  return static_cast<int32_t>(items_.size() - 1);
}

void CompiledGrammar::CompileChildren(const TfsXMLItem& element, int32_t index) {
  // Walk down with an explicit stack: a grammar is data and may be nested
  // deeper than a recursive compiler would like.
  struct Frame {
    const TfsXMLItem* element;
    int32_t index;
    size_t next;
    std::vector<int32_t> kids;
  };
  std::vector<Frame> stack;
  stack.push_back(Frame{&element, index, 0, {}});
  while (!stack.empty()) {
    Frame& top = stack.back();
    auto children = top.element->Children();
    if (top.next < children.size()) {
      const TfsXMLItem& child = *children[top.next++];
      int32_t ci = NewItem(child, KindOf(LowerCase(child.Name())));
      top.kids.push_back(ci);
      if (child.Count() > 0) {
        if (stack.size() >= kMaxGrammarDepth) InvalidDefinition();
        stack.push_back(Frame{&child, ci, 0, {}});
      }
      continue;
    }
    GrammarItem& item = items_[static_cast<size_t>(top.index)];
    item.firstChild = static_cast<uint32_t>(children_.size());
    item.childCount = static_cast<uint32_t>(top.kids.size());
    children_.insert(children_.end(), top.kids.begin(), top.kids.end());
    stack.pop_back();
  }
}

bool CompiledGrammar::ConfigureParser(TfsParser& parser) const {
  parser.Clear();
  for (const std::u16string& k : keywords_) parser.AddKeyword(k);
  bool declareVars = true;
  for (const auto& [name, value] : settings_) {
    if (name == u"identchars") {
      parser.ConstructCharset(value);
    } else if (name == u"commentline1") {
      parser.SetCommentLine1(value);
    } else if (name == u"commentline2") {
      parser.SetCommentLine2(value);
    } else if (name == u"commentblock1") {
      parser.SetCommentBlock1(value);
    } else if (name == u"commentblock2") {
      parser.SetCommentBlock2(value);
    } else if (name == u"stringquotes") {
      parser.SetStringQuotes(value);
    } else if (name == u"hexsequence") {
      parser.SetHexSequence(value);
    } else if (name == u"specstrchar") {
      if (value == u"1") parser.SetSpecStrChar(true);
    } else if (name == u"declarevars") {
      if (value == u"0") declareVars = false;
    } else if (name == u"skipeol") {
      if (value == u"0") parser.SetSkipEOL(false);
    } else if (name == u"skipchar") {
      parser.SetSkiPChar(value);
    } else if (name == u"casesensitive") {
      if (value == u"1") parser.SetCaseSensitive(true);
    }
  }
  return declareVars;
}

}  // namespace qv
