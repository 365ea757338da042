// Expression nodes and how each operator evaluates. This is the inner loop
// of the interpreter: every operator is its own class with one virtual Eval,
// and integer operands take the fast paths of value_ops.
#include <memory>
#include <typeinfo>

#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/run/expression.h"
#include "engine/run/run_messages.h"
#include "engine/run/specialised.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/size_limit.h"
#include "support/text.h"

namespace qv {

// ---- TfsExpressionNode ----------------------------------------------------

TfsExpressionNode::TfsExpressionNode(TfsVarType typ, std::u16string typeName)
    : TfsCustomVariable(u"", typ, std::move(typeName)) {}

TfsExpressionNode::~TfsExpressionNode() = default;

TfsExpressionNode* TfsExpressionNode::AttachChild(std::unique_ptr<TfsExpressionNode> n) {
  TfsExpressionNode* raw = n.get();
  if (raw == nullptr) return nullptr;
  if (!left_)
    left_ = std::move(n);
  else if (!right_)
    right_ = std::move(n);
  else
    throw ScriptError(run_msg::kMissingOperator);
  raw->parent_ = this;
  ChildrenChanged();
  return raw;
}

std::unique_ptr<TfsExpressionNode> TfsExpressionNode::DetachChild(TfsExpressionNode* n) {
  std::unique_ptr<TfsExpressionNode> out;
  if (n == nullptr) return out;
  if (left_.get() == n)
    out = std::move(left_);
  else if (right_.get() == n)
    out = std::move(right_);
  if (out) out->parent_ = nullptr;
  ChildrenChanged();
  return out;
}

std::unique_ptr<TfsExpressionNode> TfsExpressionNode::ReplaceChild(TfsExpressionNode* old,
                                                                   std::unique_ptr<TfsExpressionNode> n) {
  std::unique_ptr<TfsExpressionNode>* slot = left_.get() == old    ? &left_
                                             : right_.get() == old ? &right_
                                                                   : nullptr;
  if (slot == nullptr || old == nullptr) {
    AttachChild(std::move(n));
    return nullptr;
  }
  std::unique_ptr<TfsExpressionNode> out = std::move(*slot);
  out->parent_ = nullptr;
  *slot = std::move(n);
  if (*slot) (*slot)->parent_ = this;
  ChildrenChanged();
  return out;
}

// ---- operands -------------------------------------------------------------

namespace {

TfsVarType KindOfConstant(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Boolean:
      return fvtBool;
    case ValueKind::Double:
    case ValueKind::Currency:
      return fvtFloat;
    case ValueKind::Text:
    case ValueKind::Bytes:
      return fvtString;
    default:
      return fvtInt;
  }
}

TfsCustomVariable* DirectVariable(TfsDesignator* d) {
  if (d != nullptr && dynamic_cast<TfsVariableDesignator*>(d) != nullptr && d->RefItem() != nullptr)
    return d->RefItem();
  return d;
}

}  // namespace

TfsOperandNode::TfsOperandNode(Value v)
    : TfsExpressionNode(KindOfConstant(v), u""), constant_(std::move(v)) {}

TfsOperandNode::TfsOperandNode(TfsVarType typ, std::u16string typeName)
    : TfsExpressionNode(typ, std::move(typeName)) {}

TfsDesignatorNode::TfsDesignatorNode(std::unique_ptr<TfsDesignator> d)
    : TfsOperandNode(d ? d->Typ() : fvtVariant, d ? d->TypeName() : u""),
      designator_(std::move(d)),
      var_(DirectVariable(designator_.get())),
      plain_(var_ != nullptr && var_->HasPlainStorage()) {
  if (designator_ == nullptr) throw ScriptError(run_msg::kDesignatorRequired);
  callOperand_ = !plain_ && SpecialisedPaths();
}

TfsSetNode::TfsSetNode(std::unique_ptr<TfsSetExpression> s)
    : TfsOperandNode(fvtVariant, u""), set_(std::move(s)) {
  if (set_ == nullptr) throw ScriptError(run_msg::kSetRequired);
}

// ---- operators ------------------------------------------------------------

int TfsOperatorNode::Priority() const noexcept {
  switch (op_) {
    case opNone:
      return 7;
    case opLeftBracket:
      return 6;
    case opRightBracket:
      return 5;
    case opGreat:
    case opLess:
    case opLessEq:
    case opGreatEq:
    case opNonEq:
    case opEq:
    case opIn:
    case opIs:
      return 4;
    case opPlus:
    case opMinus:
    case opOr:
    case opXor:
      return 3;
    case opMul:
    case opDivFloat:
    case opDivInt:
    case opMod:
    case opAnd:
    case opShl:
    case opShr:
      return 2;
    case opNot:
    case opUnMinus:
      return 1;
  }
  return 0;
}

TfsOperatorNode::TfsOperatorNode(TfsOperatorType op, bool strCat)
    : TfsExpressionNode(fvtVariant, u""), op_(op), strCat_(strCat) {}

void TfsOperatorNode::ChildrenChanged() {
  shape_ = Shape::kGeneral;
  TfsDesignatorNode* left = Left() != nullptr ? Left()->AsDesignatorNode() : nullptr;
  if (left == nullptr || !left->IsPlain() || Right() == nullptr) return;
  leftVar_ = left->Var();
  TfsExpressionNode& right = *Right();
  if (typeid(right) == typeid(TfsOperandNode)) {
    rightConst_ = &static_cast<TfsOperandNode&>(right).Constant();
    shape_ = Shape::kVarConst;
  } else if (TfsDesignatorNode* variable = right.AsDesignatorNode();
             variable != nullptr && variable->IsPlain()) {
    rightVar_ = variable->Var();
    shape_ = Shape::kVarVar;
  }
}

namespace {

// The sentinel root and an unclosed bracket: the value of the left child.
class TNoneNode : public TfsOperatorNode {
 public:
  explicit TNoneNode(TfsOperatorType op) : TfsOperatorNode(op, false) {}
  Value Eval() override { return EvalOf(Left()); }
};

// In the binary nodes below, operands that Direct reads in place need no
// evaluation; the evaluating path is out of line, so that the in-place one
// runs without a stack frame of its own.

// Comparisons: always a boolean.
template <BinaryOp kOp>
class TCompareNode final : public TfsOperatorNode {
 public:
  explicit TCompareNode(TfsOperatorType op) : TfsOperatorNode(op, false) {}
  Value Eval() override { return Value::Bool(EvalBool()); }
  bool EvalBool() override {
    const Value *a, *b;
    if (Direct(a, b)) return CompareOp<kOp>(*a, *b);
    return EvalNodes();
  }

 private:
  [[gnu::noinline]] bool EvalNodes() {
    Value l = EvalOf(Left());
    Value r = EvalOf(Right());
    return CompareOp<kOp>(l, r);
  }
};

// The arithmetic operators; "+" without concatenation is kOp Plus. With
// kFloat (the specialised paths) floating-point operands are combined
// inline too. The operands' evaluation stays in Eval's own frame: a call
// as an operand (f(n - 1) + f(n - 2)) recurses through one native frame
// fewer per level, which measured 4% on a recursive function.
template <BinaryOp kOp, bool kFloat>
class TArithNode final : public TfsOperatorNode {
 public:
  explicit TArithNode(TfsOperatorType op) : TfsOperatorNode(op, false) {}
  Value Eval() override {
    const Value *a, *b;
    if (Direct(a, b)) return ApplyOp<kOp, kFloat>(*a, *b);
    return EvalNodes();
  }

 private:
  [[gnu::always_inline]] Value EvalNodes() {
    Value l = EvalOf(Left());
    Value r = EvalOf(Right());
    return ApplyOp<kOp, kFloat>(l, r);
  }
};

// Concatenation when the left value is a string, else addition.
class TStrCatNode final : public TfsOperatorNode {
 public:
  TStrCatNode() : TfsOperatorNode(opPlus, true) {}
  Value Eval() override {
    Value l = EvalOf(Left());
    Value r = EvalOf(Right());
    if (l.is_bytes() && r.is_bytes()) {
      CheckSize(l.as_bytes().size(), r.as_bytes().size());
      return Value::Bytes(l.as_bytes() + r.as_bytes());
    }
    if (l.is_string()) {
      std::u16string s = l.is_text() ? l.as_text() : ToText(l);
      if (r.is_text()) {
        CheckSize(s.size(), r.as_text().size());
        s += r.as_text();
      } else {
        const std::u16string more = ToText(r);
        CheckSize(s.size(), more.size());
        s += more;
      }
      return Value::Text(std::move(s));
    }
    return qv::Add(l, r);
  }
};

class TOrNode : public TfsOperatorNode {
 public:
  TOrNode() : TfsOperatorNode(opOr, false) {}
  Value Eval() override {
    Value l = EvalOf(Left());
    if (OptimizeBool()) return ToBool(l) ? l : EvalOf(Right());
    Value r = EvalOf(Right());
    return Apply(BinaryOp::Or, l, r);
  }
};

bool IsIntegerValue(const Value& v) {
  return v.kind() == ValueKind::Int32 || v.kind() == ValueKind::Int64 || v.kind() == ValueKind::UInt64;
}

// The right operand as a boolean for a non-optimised and: Null is false,
// a non-boolean is true when it differs from the empty string, and any
// error makes it false. Two integers keep their bitwise and: normalising
// 3 against "" would fail and turn 6 and 3 into 0.
Value NormalisedRight(const Value& left, TfsExpressionNode* right) {
  try {
    Value r = right != nullptr ? right->Eval() : Value();
    if (r.is_null()) return Value::Bool(false);
    if (r.is_bool()) return r;
    if (IsIntegerValue(left) && IsIntegerValue(r)) return r;
    return Value::Bool(Compare(BinaryOp::NonEq, r, Value::Text(u"")));
  } catch (const OutOfMemoryError&) {
    throw;
  } catch (const ScriptError&) {
    return Value::Bool(false);
  }
}

class TAndNode : public TfsOperatorNode {
 public:
  TAndNode() : TfsOperatorNode(opAnd, false) {}
  Value Eval() override {
    Value l = EvalOf(Left());
    if (OptimizeBool()) return ToBool(l) ? EvalOf(Right()) : l;
    Value r = NormalisedRight(l, Right());
    if (l.is_null()) return r;
    try {
      return Apply(BinaryOp::And, l, r);
    } catch (const ScriptError&) {
      return Value::Bool(false);
    }
  }
};

class TNotNode : public TfsOperatorNode {
 public:
  TNotNode() : TfsOperatorNode(opNot, false) {}
  Value Eval() override { return Not(EvalOf(Left())); }
};

class TUnMinusNode : public TfsOperatorNode {
 public:
  TUnMinusNode() : TfsOperatorNode(opUnMinus, false) {}
  Value Eval() override { return Negate(EvalOf(Left())); }
};

// Membership in a set constructor, or in an array value where a Null
// element between two others marks a range.
class TInNode : public TfsOperatorNode {
 public:
  TInNode() : TfsOperatorNode(opIn, false) {}
  Value Eval() override {
    TfsExpressionNode* right = Right();
    if (right != nullptr)
      if (TfsSetNode* set = right->AsSetNode())
        return Value::Bool(set->SetExpression()->Check(EvalOf(Left())));
    Value array = EvalOf(right);
    Value v = EvalOf(Left());
    if (!array.is_array()) throw ScriptError(run_msg::kArrayRequired);
    const std::vector<Value>& items = array.as_array().items;
    for (size_t i = 0; i < items.size(); ++i) {
      if (Compare(BinaryOp::Eq, v, items[i])) return Value::Bool(true);
      if (i + 2 < items.size() && items[i + 1].is_null()) {
        if (Compare(BinaryOp::LessEq, items[i], v) && Compare(BinaryOp::LessEq, v, items[i + 2]))
          return Value::Bool(true);
        i += 2;
      }
    }
    return Value::Bool(false);
  }
};

// The class a designator operand names: its first step's class item.
TfsClassVariable* NamedClass(TfsExpressionNode* n) {
  TfsDesignatorNode* d = n != nullptr ? n->AsDesignatorNode() : nullptr;
  if (d == nullptr || d->Designator()->StepCount() == 0) return nullptr;
  return dynamic_cast<TfsClassVariable*>(d->Designator()->Step(0)->Ref());
}

// True when the class item `from`, or an ancestor item reached through the
// ancestor names, is `target`.
bool DerivesByName(const TfsClassVariable* from, const TfsClassVariable& target) {
  // A bound on the walk guards against ancestor names that form a cycle.
  for (int depth = 0; from != nullptr && depth < 256; ++depth) {
    if (from == &target) return true;
    if (from->Ancestor().empty() || from->Prog() == nullptr) return false;
    from = from->Prog()->FindClass(from->Ancestor());
  }
  return false;
}

class TIsNode : public TfsOperatorNode {
 public:
  TIsNode() : TfsOperatorNode(opIs, false) {}
  Value Eval() override {
    Value l = EvalOf(Left());
    TfsClassVariable* cls = NamedClass(Right());
    if (cls == nullptr) throw ScriptError(run_msg::kClassRequired);
    int32_t id = ObjectIdOf(l);
    HostObject* object = id != 0 ? ObjectRegistry::Instance().Find(id) : nullptr;
    if (object == nullptr) return Value::Bool(false);
    const HostClass& own = object->Class();
    if (own.InheritsFrom(cls->ClassRef())) return Value::Bool(true);
    TfsScript* scope = cls->Prog();
    TfsClassVariable* ownItem = scope != nullptr ? scope->FindClass(own.name) : nullptr;
    return Value::Bool(DerivesByName(ownItem, *cls));
  }
};

}  // namespace

namespace {

template <BinaryOp kOp>
std::unique_ptr<TfsOperatorNode> Arith(TfsOperatorType op) {
  if (SpecialisedPaths()) return std::make_unique<TArithNode<kOp, true>>(op);
  return std::make_unique<TArithNode<kOp, false>>(op);
}

}  // namespace

std::unique_ptr<TfsOperatorNode> TfsOperatorNode::Create(TfsOperatorType op, bool strCat) {
  switch (op) {
    case opNone:
    case opLeftBracket:
    case opRightBracket:
      return std::make_unique<TNoneNode>(op);
    case opGreat:
      return std::make_unique<TCompareNode<BinaryOp::Great>>(op);
    case opLess:
      return std::make_unique<TCompareNode<BinaryOp::Less>>(op);
    case opLessEq:
      return std::make_unique<TCompareNode<BinaryOp::LessEq>>(op);
    case opGreatEq:
      return std::make_unique<TCompareNode<BinaryOp::GreatEq>>(op);
    case opNonEq:
      return std::make_unique<TCompareNode<BinaryOp::NonEq>>(op);
    case opEq:
      return std::make_unique<TCompareNode<BinaryOp::Eq>>(op);
    case opPlus:
      if (strCat) return std::make_unique<TStrCatNode>();
      return Arith<BinaryOp::Plus>(op);
    case opMinus:
      return Arith<BinaryOp::Minus>(op);
    case opXor:
      return Arith<BinaryOp::Xor>(op);
    case opMul:
      return Arith<BinaryOp::Mul>(op);
    case opDivFloat:
      return Arith<BinaryOp::DivFloat>(op);
    case opDivInt:
      return Arith<BinaryOp::DivInt>(op);
    case opMod:
      return Arith<BinaryOp::Mod>(op);
    case opShl:
      return Arith<BinaryOp::Shl>(op);
    case opShr:
      return Arith<BinaryOp::Shr>(op);
    case opOr:
      return std::make_unique<TOrNode>();
    case opAnd:
      return std::make_unique<TAndNode>();
    case opNot:
      return std::make_unique<TNotNode>();
    case opUnMinus:
      return std::make_unique<TUnMinusNode>();
    case opIn:
      return std::make_unique<TInNode>();
    case opIs:
      return std::make_unique<TIsNode>();
  }
  throw ScriptError(run_msg::kInvalidOperator);
}

}  // namespace qv
