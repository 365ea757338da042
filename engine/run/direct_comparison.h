// A condition that compares a plain variable with a constant or with
// another plain variable: loops and branches read both operands in place
// and compare 32-bit integers inline, without walking the expression. The
// result is what the comparison node computes; whenever an operand cannot
// be read in place (a shared variable, a read override) the expression is
// evaluated as usual.
#pragma once

#include <memory>

#include "engine/items/items.h"
#include "engine/run/expression.h"
#include "engine/value/value_ops.h"

namespace qv {

class DirectComparison {
 public:
  // The comparison at the root of `e`, or nullptr for any other condition
  // (and always when the specialised paths are off).
  static std::unique_ptr<DirectComparison> Find(TfsExpression* e);

  // Points `l` and `r` at the operands' stored values when both may be
  // read in place (the right one is `constant` without `rightVar`): what
  // the comparison node reads then. False when the node must evaluate.
  [[gnu::always_inline]] static bool InPlace(TfsCustomVariable* left, TfsCustomVariable* rightVar,
                                             const Value& constant, const Value*& l, const Value*& r) {
    if (left->IsShared() || left->HasGetOverride()) return false;
    r = &constant;
    if (rightVar != nullptr) {
      if (rightVar->IsShared() || rightVar->HasGetOverride()) return false;
      r = &rightVar->PValue();
    }
    l = &left->PValue();
    return true;
  }

  // The condition's value; `e` is the expression it was found in.
  [[gnu::always_inline]] bool Test(TfsExpression& e) const {
    const Value *l, *r;
    if (!InPlace(left_, rightVar_, constant_, l, r)) return e.GetBool();
    if (l->is_int32() && r->is_int32()) {
      const int32_t a = l->as_int32(), b = r->as_int32();
      return (holds_ >> ((a > b) - (a < b) + 1)) & 1;
    }
    return Compare(op_, *l, *r);
  }

  BinaryOp Op() const noexcept { return op_; }
  TfsCustomVariable* Left() const noexcept { return left_; }
  // The right operand: a plain variable, or else the constant.
  TfsCustomVariable* RightVar() const noexcept { return rightVar_; }
  const Value& Constant() const noexcept { return constant_; }

 private:
  DirectComparison(BinaryOp op, TfsCustomVariable* left, TfsCustomVariable* rightVar, Value constant);

  BinaryOp op_;
  // Bit 0, 1, 2: whether the comparison holds when left is below, equal to
  // or above right.
  uint8_t holds_;
  TfsCustomVariable* left_;
  TfsCustomVariable* rightVar_;
  Value constant_;
};

}  // namespace qv
