// Expressions: binary trees of operand and operator nodes.
//
// The builder feeds the flat operand/operator sequence of the intermediate
// code into a TfsExpression, which arranges it by operator priority and
// brackets, then type-checks it once with Finalize:
//
//   TfsExpression e(&prog);
//   e.AddConst(Value::Int(1));
//   e.AddOperator(u"+");
//   e.AddConst(Value::Int(2));
//   e.AddOperator(u"*");
//   e.AddConst(Value::Int(3));
//   std::u16string errorPos;
//   e.Finalize(errorPos);       // true: the types fit
//   e.GetValue();               // 7
//
// Operator tokens are matched after upper-casing, except the prefix tokens
// "(", "unminus" and "not", which are recognised only in that exact form.
// Every operator computes by the value rules of value_ops.h.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/items/items.h"
#include "engine/run/designator.h"
#include "engine/run/set_expression.h"
#include "engine/value/value_ops.h"

namespace qv {

class TfsScript;

enum TfsOperatorType : uint8_t {
  opNone,
  opGreat,
  opLess,
  opLessEq,
  opGreatEq,
  opNonEq,
  opEq,
  opPlus,
  opMinus,
  opOr,
  opXor,
  opMul,
  opDivFloat,
  opDivInt,
  opMod,
  opAnd,
  opShl,
  opShr,
  opLeftBracket,
  opRightBracket,
  opNot,
  opUnMinus,
  opIn,
  opIs
};

class TfsOperatorNode;
class TfsSetNode;
class TfsDesignatorNode;

// A node of the tree. A lower priority binds tighter; unary operators keep
// their operand in the left child.
class TfsExpressionNode : public TfsCustomVariable {
 public:
  TfsExpressionNode(TfsVarType typ, std::u16string typeName);
  ~TfsExpressionNode() override;

  virtual Value Eval() = 0;
  // The value as a condition; comparisons answer without making a value.
  virtual bool EvalBool() { return ToBool(Eval()); }
  virtual int Priority() const noexcept = 0;
  Value GetValue() override { return Eval(); }
  void SetValue(const Value&) override {}
  bool HasStorage() const noexcept override { return false; }

  virtual TfsOperatorNode* AsOperator() noexcept { return nullptr; }
  virtual TfsDesignatorNode* AsDesignatorNode() noexcept { return nullptr; }
  virtual TfsSetNode* AsSetNode() noexcept { return nullptr; }

  TfsExpressionNode* Left() const noexcept { return left_.get(); }
  TfsExpressionNode* Right() const noexcept { return right_.get(); }
  TfsExpressionNode* Parent() const noexcept { return parent_; }

  // Puts `n` into the first free slot (left, then right); raises when both
  // are taken.
  TfsExpressionNode* AttachChild(std::unique_ptr<TfsExpressionNode> n);
  // Empties the slot holding `n` and hands `n` back (empty when absent).
  std::unique_ptr<TfsExpressionNode> DetachChild(TfsExpressionNode* n);
  // Puts `n` into the slot that holds `old`, handing `old` back.
  std::unique_ptr<TfsExpressionNode> ReplaceChild(TfsExpressionNode* old,
                                                  std::unique_ptr<TfsExpressionNode> n);

 protected:
  // The value of a child; an absent operand is empty.
  static Value EvalOf(TfsExpressionNode* n);
  // Called after a child was attached, detached or replaced.
  virtual void ChildrenChanged() {}

  // A designator node over a chain that may be a call: EvalOf calls the
  // routine from the operator's own frame, one native frame less per level
  // of a recursion through an operand. First, so that it takes the tail
  // padding of the base.
  bool callOperand_ = false;

 private:
  std::unique_ptr<TfsExpressionNode> left_;
  std::unique_ptr<TfsExpressionNode> right_;
  TfsExpressionNode* parent_ = nullptr;
};

// A constant. Booleans are fvtBool, floating-point and currency fvtFloat,
// strings fvtString, everything else fvtInt.
class TfsOperandNode : public TfsExpressionNode {
 public:
  explicit TfsOperandNode(Value v);
  Value Eval() override { return constant_; }
  int Priority() const noexcept override { return 0; }
  const Value& Constant() const noexcept { return constant_; }

 protected:
  TfsOperandNode(TfsVarType typ, std::u16string typeName);

 private:
  Value constant_;
};

// A designator operand; over a plain variable it reads the variable itself.
class TfsDesignatorNode : public TfsOperandNode {
 public:
  explicit TfsDesignatorNode(std::unique_ptr<TfsDesignator> d);
  Value Eval() override {
    // A script's own plain variable without a read override is its stored
    // value; everything else goes through the item.
    if (plain_ && !var_->IsShared() && !var_->HasGetOverride()) return var_->PValue();
    if (designator_->IsSoleCall()) return designator_->CallSole();
    return var_->GetValue();
  }
  // Eval for a node with callOperand_ set.
  Value EvalOperand() {
    if (designator_->IsSoleCall()) return designator_->CallSole();
    return Eval();
  }
  TfsDesignatorNode* AsDesignatorNode() noexcept override { return this; }
  TfsDesignator* Designator() const noexcept { return designator_.get(); }
  // The variable for a TfsVariableDesignator, else the designator.
  TfsCustomVariable* Var() const noexcept { return var_; }
  // Var() is exactly a TfsVariable or a TfsParamItem.
  bool IsPlain() const noexcept { return plain_; }

 private:
  std::unique_ptr<TfsDesignator> designator_;
  TfsCustomVariable* var_;
  bool plain_;  // var_ is exactly a TfsVariable or a TfsParamItem
};

inline Value TfsExpressionNode::EvalOf(TfsExpressionNode* n) {
  if (n == nullptr) return Value();
  if (n->callOperand_) return static_cast<TfsDesignatorNode*>(n)->EvalOperand();
  return n->Eval();
}

// A set constructor operand; its value is the set's array.
class TfsSetNode : public TfsOperandNode {
 public:
  explicit TfsSetNode(std::unique_ptr<TfsSetExpression> s);
  Value Eval() override { return set_->GetValue(); }
  TfsSetNode* AsSetNode() noexcept override { return this; }
  TfsSetExpression* SetExpression() const noexcept { return set_.get(); }

 private:
  std::unique_ptr<TfsSetExpression> set_;
};

class TfsOperatorNode : public TfsExpressionNode {
 public:
  // The node class of an operator; `strCat` picks concatenation among the
  // opPlus operators.
  static std::unique_ptr<TfsOperatorNode> Create(TfsOperatorType op, bool strCat = false);

  TfsOperatorNode* AsOperator() noexcept override { return this; }
  TfsOperatorType Op() const noexcept { return op_; }
  bool IsStrCat() const noexcept { return strCat_; }
  int Priority() const noexcept override;
  // Both operands are statically boolean: and/or evaluate the right operand
  // only when it decides the result.
  bool OptimizeBool() const noexcept { return optimizeBool_; }
  void SetOptimizeBool(bool on) noexcept { optimizeBool_ = on; }

 protected:
  TfsOperatorNode(TfsOperatorType op, bool strCat);

  // Points l and r at the operands' values when both are plain storage
  // read in place: a plain variable and a constant, or two plain variables,
  // neither shared nor with a read override (what evaluating the nodes
  // would read). False when the nodes must be evaluated.
  bool Direct(const Value*& l, const Value*& r) const noexcept {
    if (shape_ == Shape::kGeneral || leftVar_->IsShared() || leftVar_->HasGetOverride()) return false;
    l = &leftVar_->PValue();
    if (shape_ == Shape::kVarConst) {
      r = rightConst_;
      return true;
    }
    if (rightVar_->IsShared() || rightVar_->HasGetOverride()) return false;
    r = &rightVar_->PValue();
    return true;
  }
  void ChildrenChanged() override;

 private:
  enum class Shape : uint8_t { kGeneral, kVarConst, kVarVar };
  Shape shape_ = Shape::kGeneral;
  TfsCustomVariable* leftVar_ = nullptr;
  TfsCustomVariable* rightVar_ = nullptr;
  const Value* rightConst_ = nullptr;
  TfsOperatorType op_;
  bool strCat_;
  bool optimizeBool_ = false;
};

// Base of expression items (the only kind is TfsExpression).
class TfsCustomExpression : public TfsCustomVariable {
 public:
  TfsCustomExpression() : TfsCustomVariable(u"", fvtVariant, u"") {}
  bool HasStorage() const noexcept override { return false; }
};

class TfsExpression final : public TfsCustomExpression {
 public:
  explicit TfsExpression(TfsScript* script);
  ~TfsExpression() override;

  // Operands: each is attached below the insertion point and becomes it.
  // New nodes take the expression's current SourcePos().
  TfsOperandNode* AddConst(const Value& v);
  TfsDesignatorNode* AddDesignator(std::unique_ptr<TfsDesignator> d);
  TfsSetNode* AddSet(std::unique_ptr<TfsSetExpression> s);
  // Raises for an unknown token and for a ")" without its "(".
  void AddOperator(std::u16string_view op);

  // Removes the sentinel and type-checks the tree; the expression takes the
  // root's type. Trees deeper than 4096 levels raise. False when an operator does not fit its operands; then
  // `errorPos` is the position of the first such node (bottom-up, left
  // before right).
  bool Finalize(std::u16string& errorPos);

  // Rewrites `target := target op e` (and `target := e op target` for
  // commutative + and * on numeric variables) into `e`, for the compound
  // assignment statements; `op` becomes "+", "-", "*" or "/", or " " when
  // nothing changed.
  void Optimize(TfsDesignator& target, std::u16string& op);

  // What an assignment can read instead of the tree: the variable of a
  // single plain-variable operand, the designator of another single
  // designator operand, a single constant or set node; else nullptr.
  TfsCustomVariable* SingleItem() const;

  Value GetValue() override {
    if (node_ == nullptr) return Value::Null();
    return deep_ ? EvalDeep() : node_->Eval();
  }
  // The value as a condition (ToBool of GetValue).
  bool GetBool() {
    if (node_ == nullptr || deep_) return ToBool(GetValue());
    return node_->EvalBool();
  }
  // Writes through a single assignable designator operand (by-reference
  // arguments); ignored otherwise.
  void SetValue(const Value& v) override;

  // The expression's source text; the builder keeps it for call arguments
  // only, which macro routines receive as text.
  const std::u16string& Source() const noexcept { return source_; }
  void SetSource(std::u16string source) { source_ = std::move(source); }
  TfsScript* Script() const noexcept { return script_; }
  TfsExpressionNode* Root() const noexcept { return node_.get(); }
  // Hands the tree over; the expression is empty afterwards.
  std::unique_ptr<TfsExpressionNode> TakeRoot() noexcept {
    curNode_ = nullptr;
    return std::move(node_);
  }

 private:
  template <class N>
  N* AddOperand(std::unique_ptr<N> n);
  void CloseBracket();
  void InsertBinary(std::unique_ptr<TfsOperatorNode> n);
  void TakeRootType();
  // Makes `child` of the root the new root, freeing the old root.
  void PromoteChild(TfsExpressionNode* child);
  // Evaluates a deep tree after making sure the stack has room for it.
  Value EvalDeep();

  TfsExpressionNode* curNode_;
  std::unique_ptr<TfsExpressionNode> node_;
  TfsScript* script_;
  std::u16string source_;
  bool finalized_ = false;
  bool deep_ = false;
};

// Static compatibility of the operand types of an operator (a the left, b
// the right). Class kinds are compatible when b's class derives from a's;
// both names must name class items visible in `script`.
bool TypesCompatible(TfsVarType a, const std::u16string& aTypeName, TfsVarType b,
                     const std::u16string& bTypeName, const TfsScript* script);
// Whether `source` may be assigned to `target` (assignments, arguments).
bool AssignCompatible(const TfsCustomVariable& target, const TfsCustomVariable& source,
                      const TfsScript* script);

}  // namespace qv
