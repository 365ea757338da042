// Building expression trees, their static type check and the rewriting for
// compound assignments.
#include "engine/run/expression.h"

#include <algorithm>
#include <vector>

#include "engine/program/program.h"
#include "engine/program/stack_guard.h"
#include "engine/run/run_messages.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

// Evaluation recurses down the tree; deeper trees are refused when they are
// finalised rather than overflowing the stack at run time. A tree of the
// largest depth needs well under the stack reserve that CheckStack keeps,
// so checking once before evaluating a deep tree suffices.
constexpr int kMaxDepth = 4096;
constexpr int kCheckedDepth = 64;

struct OperatorToken {
  std::u16string_view token;
  TfsOperatorType op;
  bool strCat;
};

// Binary and upper-cased forms; "(" and the lower-case prefix tokens are
// recognised before this table is consulted.
constexpr OperatorToken kTokens[] = {
    {u">", opGreat, false},    {u"<", opLess, false},          {u"<=", opLessEq, false},
    {u">=", opGreatEq, false}, {u"<>", opNonEq, false},        {u"=", opEq, false},
    {u"+", opPlus, false},     {u"STRCAT", opPlus, true},      {u"-", opMinus, false},
    {u"OR", opOr, false},      {u"XOR", opXor, false},         {u"*", opMul, false},
    {u"/", opDivFloat, false}, {u"DIV", opDivInt, false},      {u"MOD", opMod, false},
    {u"AND", opAnd, false},    {u"SHL", opShl, false},         {u"SHR", opShr, false},
    {u"NOT", opNot, false},    {u"UNMINUS", opUnMinus, false}, {u"IN", opIn, false},
    {u"IS", opIs, false},
};

bool IsComparison(TfsOperatorType op) {
  return op == opGreat || op == opLess || op == opLessEq || op == opGreatEq || op == opNonEq || op == opEq;
}

bool DerivesFrom(const TfsClassVariable* from, const TfsClassVariable* target) {
  for (int depth = 0; from != nullptr && depth < 256; ++depth) {
    if (from == target) return true;
    if (from->ClassRef().InheritsFrom(target->ClassRef())) return true;
    if (from->Ancestor().empty() || from->Prog() == nullptr) return false;
    from = from->Prog()->FindClass(from->Ancestor());
  }
  return false;
}

bool ClassCompatible(const std::u16string& a, const std::u16string& b, const TfsScript* script) {
  if (script == nullptr) return false;
  const TfsClassVariable* ca = script->FindClass(a);
  const TfsClassVariable* cb = script->FindClass(b);
  return ca != nullptr && cb != nullptr && DerivesFrom(cb, ca);
}

void DestroyIteratively(std::unique_ptr<TfsExpressionNode> root) {
  std::vector<std::unique_ptr<TfsExpressionNode>> pending;
  if (root) pending.push_back(std::move(root));
  while (!pending.empty()) {
    std::unique_ptr<TfsExpressionNode> n = std::move(pending.back());
    pending.pop_back();
    if (auto l = n->DetachChild(n->Left())) pending.push_back(std::move(l));
    if (auto r = n->DetachChild(n->Right())) pending.push_back(std::move(r));
  }
}

}  // namespace

bool TypesCompatible(TfsVarType a, const std::u16string& aTypeName, TfsVarType b,
                     const std::u16string& bTypeName, const TfsScript* script) {
  switch (a) {
    case fvtInt:
      return b == fvtInt || b == fvtFloat || b == fvtVariant || b == fvtEnum;
    case fvtBool:
      return b == fvtBool || b == fvtVariant;
    case fvtFloat:
      return b == fvtInt || b == fvtFloat || b == fvtVariant;
    case fvtChar:
    case fvtString:
      return b == fvtChar || b == fvtString || b == fvtVariant;
    case fvtClass:
      return b == fvtVariant || (b == fvtClass && ClassCompatible(aTypeName, bTypeName, script));
    case fvtArray:
      return b == fvtArray || b == fvtVariant;
    case fvtVariant:
      return true;
    case fvtEnum:
      return b == fvtInt || b == fvtVariant || (b == fvtEnum && SameText(aTypeName, bTypeName));
    case fvtConstructor:
      return false;
  }
  return false;
}

bool AssignCompatible(const TfsCustomVariable& target, const TfsCustomVariable& source,
                      const TfsScript* script) {
  bool ok = TypesCompatible(target.Typ(), target.TypeName(), source.Typ(), source.TypeName(), script) &&
            !(source.Typ() == fvtFloat && target.Typ() == fvtInt);
  if (ok) return true;
  return (source.TypeName().empty() && SameText(target.TypeName(), u"string")) ||
         SameText(target.TypeName(), source.TypeName());
}

// ---- building -------------------------------------------------------------

TfsExpression::TfsExpression(TfsScript* script) : node_(TfsOperatorNode::Create(opNone)), script_(script) {
  curNode_ = node_.get();
}

TfsExpression::~TfsExpression() { DestroyIteratively(std::move(node_)); }

template <class N>
N* TfsExpression::AddOperand(std::unique_ptr<N> n) {
  if (finalized_) throw ScriptError(run_msg::kExpressionComplete);
  // An operand has no operand slots: two in a row lack an operator, and
  // attaching below the first would silently drop the second.
  if (curNode_->AsOperator() == nullptr) throw ScriptError(run_msg::kMissingOperator);
  n->SetPos(Pos());
  N* raw = n.get();
  curNode_->AttachChild(std::move(n));
  curNode_ = raw;
  return raw;
}

TfsOperandNode* TfsExpression::AddConst(const Value& v) {
  return AddOperand(std::make_unique<TfsOperandNode>(v));
}

TfsDesignatorNode* TfsExpression::AddDesignator(std::unique_ptr<TfsDesignator> d) {
  return AddOperand(std::make_unique<TfsDesignatorNode>(std::move(d)));
}

TfsSetNode* TfsExpression::AddSet(std::unique_ptr<TfsSetExpression> s) {
  return AddOperand(std::make_unique<TfsSetNode>(std::move(s)));
}

void TfsExpression::AddOperator(std::u16string_view op) {
  if (finalized_) throw ScriptError(run_msg::kExpressionComplete);
  if (op == u"(" || op == u"unminus" || op == u"not") {
    TfsOperatorType type = op == u"(" ? opLeftBracket : op == u"not" ? opNot : opUnMinus;
    AddOperand(TfsOperatorNode::Create(type));
    return;
  }
  if (op == u")") {
    CloseBracket();
    return;
  }
  std::u16string upper = UpperCase(op);
  for (const OperatorToken& t : kTokens)
    if (t.token == upper) {
      auto n = TfsOperatorNode::Create(t.op, t.strCat);
      n->SetPos(Pos());
      InsertBinary(std::move(n));
      return;
    }
  throw ScriptError(std::u16string(run_msg::kInvalidOperator) + u": '" + std::u16string(op) + u"'");
}

// The content of the matching bracket takes the bracket's place.
void TfsExpression::CloseBracket() {
  TfsExpressionNode* bracket = curNode_;
  while (bracket != nullptr && bracket->Priority() <= 5) bracket = bracket->Parent();
  if (bracket == nullptr || bracket->Priority() != 6) throw ScriptError(run_msg::kMissingBracket);
  TfsExpressionNode* content = bracket->Left();
  if (content == nullptr) throw ScriptError(run_msg::kExpressionExpected);
  TfsExpressionNode* parent = bracket->Parent();
  std::unique_ptr<TfsExpressionNode> inner = bracket->DetachChild(content);
  // The bracket node itself is handed back and freed here.
  parent->ReplaceChild(bracket, std::move(inner));
  curNode_ = content;
}

// Climbs while the new operator binds as loosely or more loosely than the
// node above, so equal priorities associate to the left.
void TfsExpression::InsertBinary(std::unique_ptr<TfsOperatorNode> n) {
  TfsOperatorNode* raw = n.get();
  if (curNode_ == node_.get()) {
    curNode_->AttachChild(std::move(n));
    curNode_ = raw;
    return;
  }
  TfsExpressionNode* c = curNode_;
  TfsExpressionNode* l = nullptr;
  if (c->Priority() != 6) {
    l = c;
    c = c->Parent();
  }
  const int priority = raw->Priority();
  while (c != nullptr && c->Parent() != nullptr && priority >= c->Priority()) {
    l = c;
    c = c->Parent();
  }
  if (c == nullptr) throw ScriptError(run_msg::kInvalidExpression);
  if (l == nullptr) {
    c->AttachChild(std::move(n));
  } else {
    std::unique_ptr<TfsExpressionNode> left = c->ReplaceChild(l, std::move(n));
    raw->AttachChild(std::move(left));
  }
  curNode_ = raw;
}

// ---- type check -----------------------------------------------------------

namespace {

struct StaticType {
  TfsVarType typ = fvtVariant;
  std::u16string typeName;
};

StaticType TypeOfChild(const TfsExpressionNode* n) {
  if (n == nullptr) return {};
  return {n->Typ(), n->TypeName()};
}

bool OperatorFits(TfsOperatorType op, const StaticType& a, const StaticType& b, const TfsScript* script) {
  if (op == opIs && a.typ == fvtClass && b.typ == fvtClass) return true;
  if (!TypesCompatible(a.typ, a.typeName, b.typ, b.typeName, script)) return false;
  switch (a.typ) {
    case fvtBool:
      return op == opNonEq || op == opEq || op == opOr || op == opXor || op == opAnd || op == opNot;
    case fvtChar:
    case fvtString:
      return IsComparison(op) || op == opPlus || op == opIn;
    case fvtClass:
    case fvtArray:
      return op == opNonEq || op == opEq;
    default:
      return true;
  }
}

// Types one operator node from its children; false when they do not fit.
bool TypeOperator(TfsOperatorNode& n, const TfsScript* script) {
  StaticType a = TypeOfChild(n.Left());
  StaticType b = TypeOfChild(n.Right());
  TfsOperatorType op = n.Op();
  if (op == opNone || op == opLeftBracket || op == opRightBracket) {  // an unclosed bracket
    n.SetTyp(a.typ);
    n.SetTypeName(a.typeName);
    return true;
  }
  n.SetOptimizeBool(a.typ == fvtBool && b.typ == fvtBool);
  bool fits = OperatorFits(op, a, b, script);
  StaticType result = a;
  if (IsComparison(op) || op == opIn || op == opIs)
    result = {fvtBool, u""};
  else if (a.typ == fvtInt && b.typ == fvtFloat)
    result = b;
  else if (op == opDivFloat && a.typ == fvtInt && b.typ == fvtInt)
    result = {fvtFloat, u""};
  n.SetTyp(result.typ);
  n.SetTypeName(std::move(result.typeName));
  return fits;
}

}  // namespace

bool TfsExpression::Finalize(std::u16string& errorPos) {
  errorPos.clear();
  if (!finalized_) {
    finalized_ = true;
    std::unique_ptr<TfsExpressionNode> top = node_->DetachChild(node_->Left());
    DestroyIteratively(std::move(node_));
    node_ = std::move(top);
    curNode_ = node_.get();
  }
  bool ok = true;
  // Post-order without recursion: children before their parent, left first.
  struct Visit {
    TfsExpressionNode* node;
    int depth;
    bool expanded;
  };
  std::vector<Visit> stack;
  if (node_) stack.push_back({node_.get(), 1, false});
  int deepest = 0;
  while (!stack.empty()) {
    Visit& v = stack.back();
    if (v.depth > kMaxDepth) throw ScriptError(run_msg::kExpressionTooDeep);
    deepest = std::max(deepest, v.depth);
    if (!v.expanded) {
      v.expanded = true;
      TfsExpressionNode* node = v.node;
      int depth = v.depth;
      if (node->Right() != nullptr) stack.push_back({node->Right(), depth + 1, false});
      if (node->Left() != nullptr) stack.push_back({node->Left(), depth + 1, false});
      continue;
    }
    TfsExpressionNode* node = v.node;
    stack.pop_back();
    if (TfsOperatorNode* op = node->AsOperator())
      if (!TypeOperator(*op, script_) && ok) {
        ok = false;
        errorPos = op->SourcePos();
      }
  }
  deep_ = deepest > kCheckedDepth;
  TakeRootType();
  return ok;
}

Value TfsExpression::EvalDeep() {
  CheckStack();
  return node_->Eval();
}

void TfsExpression::TakeRootType() {
  if (node_ == nullptr) {
    SetTyp(fvtVariant);
    SetTypeName(u"");
    SetIsReadOnly(true);
    return;
  }
  SetTyp(node_->Typ());
  SetTypeName(node_->TypeName());
  TfsDesignatorNode* d = node_->AsDesignatorNode();
  SetIsReadOnly(d == nullptr || d->Designator()->IsReadOnly());
}

// ---- compound assignments -------------------------------------------------

namespace {

// The variable of a plain-variable designator operand, else nullptr.
TfsCustomVariable* PlainVariable(TfsExpressionNode* n) {
  TfsDesignatorNode* d = n != nullptr ? n->AsDesignatorNode() : nullptr;
  if (d == nullptr || dynamic_cast<TfsVariableDesignator*>(d->Designator()) == nullptr) return nullptr;
  return d->Designator()->RefItem();
}

}  // namespace

void TfsExpression::PromoteChild(TfsExpressionNode* child) {
  std::unique_ptr<TfsExpressionNode> top = node_->DetachChild(child);
  DestroyIteratively(std::move(node_));
  node_ = std::move(top);
  curNode_ = node_.get();
  TakeRootType();
}

// Concatenation (STRCAT) is left alone: the compound statement adds by the
// "+" rule, which would turn s := s & 1 into a numeric addition.
void TfsExpression::Optimize(TfsDesignator& target, std::u16string& op) {
  op = u" ";
  TfsOperatorNode* root = node_ != nullptr ? node_->AsOperator() : nullptr;
  if (dynamic_cast<TfsVariableDesignator*>(&target) == nullptr || root == nullptr || root->IsStrCat()) return;
  TfsCustomVariable* var = target.RefItem();
  if (var == nullptr || root->Left() == nullptr || root->Right() == nullptr) return;
  const char16_t* name = nullptr;
  switch (root->Op()) {
    case opPlus:
      name = u"+";
      break;
    case opMinus:
      name = u"-";
      break;
    case opMul:
      name = u"*";
      break;
    case opDivFloat:
      name = u"/";
      break;
    default:
      return;
  }
  if (PlainVariable(root->Left()) == var) {
    op = name;
    PromoteChild(root->Right());
    return;
  }
  if ((root->Op() == opPlus || root->Op() == opMul) && PlainVariable(root->Right()) == var &&
      var->Typ() != fvtString && var->Typ() != fvtVariant) {
    op = name;
    PromoteChild(root->Left());
  }
}

TfsCustomVariable* TfsExpression::SingleItem() const {
  if (node_ == nullptr || !finalized_) return nullptr;
  if (TfsDesignatorNode* d = node_->AsDesignatorNode()) return d->Var();
  if (node_->AsOperator() != nullptr) return nullptr;
  return node_.get();
}

void TfsExpression::SetValue(const Value& v) {
  if (IsReadOnly() || node_ == nullptr) return;
  if (TfsDesignatorNode* d = node_->AsDesignatorNode()) d->Designator()->SetValue(v);
}

}  // namespace qv
