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

  // The condition's value; `e` is the expression it was found in.
  [[gnu::always_inline]] bool Test(TfsExpression& e) const {
    if (left_->IsShared() || left_->HasGetOverride()) return e.GetBool();
    const Value* right = &constant_;
    if (rightVar_ != nullptr) {
      if (rightVar_->IsShared() || rightVar_->HasGetOverride()) return e.GetBool();
      right = &rightVar_->PValue();
    }
    const Value& left = left_->PValue();
    if (left.is_int32() && right->is_int32()) {
      const int32_t a = left.as_int32(), b = right->as_int32();
      return (holds_ >> ((a > b) - (a < b) + 1)) & 1;
    }
    return Compare(op_, left, *right);
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
