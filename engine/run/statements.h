// The statement kinds of the executable tree. Every script syntax maps its
// constructs onto these classes; the builder creates them.
//
// Control flow works through the flags of the statement's program (break,
// continue, exit, terminated): lists stop after a child that set one, loops
// check them at their epilogue. Terminate from another thread only sets
// those flags, so a running script stops before its next statement and at
// the end of every loop pass.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/run/designator.h"
#include "engine/run/direct_comparison.h"
#include "engine/run/expression.h"
#include "engine/run/set_expression.h"
#include "engine/run/statement.h"
#include "engine/value/value_ops.h"

namespace qv {

class TfsVariable;

// exit: the lists up to the program's root stop after it.
class TfsExitStmt final : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void Execute() override {
    RunLine();
    Prog()->SetExitCalled(true);
  }
};

// target := expression.
class TfsAssignmentStmt : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void SetDesignator(std::unique_ptr<TfsDesignator> d) { designator_ = std::move(d); }
  void SetExpression(std::unique_ptr<TfsExpression> e) { expression_ = std::move(e); }
  TfsDesignator* Designator() const noexcept { return designator_.get(); }
  TfsExpression* Expression() const noexcept { return expression_.get(); }

  // Picks what Execute reads and writes: the variable itself for a plain
  // variable target, the single operand for a one-operand expression.
  // Then frees what Execute never reads, so that Designator() is null
  // for a plain variable target and Expression() for a single operand.
  // Call once, when the statement is complete.
  void Optimize() {
    Prepare();
    DropUnused();
  }
  void Execute() override;

 protected:
  virtual void Prepare();

  std::unique_ptr<TfsDesignator> designator_;
  std::unique_ptr<TfsExpression> expression_;
  // The single operand's node, kept when the expression around it is freed.
  std::unique_ptr<TfsExpressionNode> single_;
  TfsCustomVariable* var_ = nullptr;
  TfsCustomVariable* expr_ = nullptr;
  // expr_ when it is a whole expression (read without a virtual call), or
  // a plain variable (read in place when it may be).
  TfsExpression* exprTree_ = nullptr;
  TfsCustomVariable* exprVar_ = nullptr;
  Value ReadExpr() {
    if (exprVar_ != nullptr && !exprVar_->IsShared() && !exprVar_->HasGetOverride())
      return exprVar_->PValue();
    if (exprTree_ != nullptr) return exprTree_->GetValue();
    return expr_->GetValue();
  }
  // var_ is a private, writable TfsVariable: a value of its kind is stored
  // straight into it.
  bool plainTarget_ = false;
  // True when reading the expression cannot change the target (constants,
  // other variables, host functions of such operands).
  bool ExpressionLeavesTarget() const;
  // Execute's work, also run by TfsReturnStmt without a call of its own.
  void Assign();

 private:
  // v := v + a + b ...: the operands after v, appended in place.
  struct Append {
    TfsExpressionNode* node;
    bool strCat;
  };
  void FindAppendChain();
  bool AppendInPlace();
  void DropUnused();
  std::vector<Append> appends_;
};

// return e: Result := e followed by an exit at `exitPos`, run as a list
// would run the two, in one statement (a routine's most frequent list
// thus holds one statement).
class TfsReturnStmt final : public TfsAssignmentStmt {
 public:
  TfsReturnStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos,
                std::u16string exitPos);
  void Execute() override;

 private:
  TfsExitStmt exit_;
};

// target := target op expression, the current value read first.
class TfsCompoundAssignStmt : public TfsAssignmentStmt {
 public:
  TfsCompoundAssignStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos, BinaryOp op)
      : TfsAssignmentStmt(program, std::move(unitName), std::move(sourcePos)), op_(op) {}
  void Execute() override;
  BinaryOp Op() const noexcept { return op_; }

 protected:
  // Execute for op() == kOp.
  template <BinaryOp kOp>
  void Run();
  // Run after its run-line notice and stop check.
  template <BinaryOp kOp>
  void RunNoticed();

 private:
  void Prepare() override;
  // The expression's value in place when it is a constant or a plain
  // variable that may be read so; else nullptr.
  const Value* PeekExpr() const {
    if (constantOperand_) return &static_cast<const TfsOperandNode*>(expr_)->Constant();
    if (exprVar_ != nullptr && !exprVar_->IsShared() && !exprVar_->HasGetOverride())
      return &exprVar_->PValue();
    return nullptr;
  }
  // What Run does when its inline cases do not apply.
  [[gnu::noinline]] void RunGeneral();

  enum class Fast : uint8_t { None, Variant, Typed, Text };
  BinaryOp op_;
  // Set by Optimize when the target's storage may be changed in place:
  // a private variant variable, a private integer or floating-point
  // variable, or a script string variable appended to.
  Fast fast_ = Fast::None;
  // The specialised paths: numbers are combined inline when the operand
  // can be read in place and the result keeps the target's kind.
  enum class Numeric : uint8_t { None, Variant, Int, Float };
  Numeric numeric_ = Numeric::None;
  // The operand is a constant node (expr_).
  bool constantOperand_ = false;
};

// The compound assignment of one operator, with its arithmetic inline.
template <BinaryOp kOp>
class TfsCompoundOpStmt final : public TfsCompoundAssignStmt {
 public:
  TfsCompoundOpStmt(TfsScript* p, std::u16string unit, std::u16string pos)
      : TfsCompoundAssignStmt(p, std::move(unit), std::move(pos), kOp) {}
  void Execute() override;
  // Execute after its run-line notice and stop check: a counting loop
  // whose body is this statement runs it so, inline.
  [[gnu::always_inline]] void ExecuteNoticed() { RunNoticed<kOp>(); }
};

template <BinaryOp kOp>
[[gnu::always_inline]] inline void TfsCompoundAssignStmt::RunNoticed() {
  if (numeric_ != Numeric::None && !var_->HasGetOverride())
    if (const Value* right = PeekExpr()) {
      Value& target = var_->PValue();
      switch (numeric_) {
        case Numeric::Variant:
          if (ApplyInPlaceFast<kOp>(target, *right)) return;
          break;
        case Numeric::Float:
          if (target.is_double() && ApplyInPlaceFast<kOp>(target, *right)) return;
          break;
        default:
          int32_t i;
          if (target.is_int32() && right->is_int32() &&
              detail::Int32Fast<kOp>(target.as_int32(), right->as_int32(), i)) {
            target = Value::Int(i);
            return;
          }
      }
    }
  RunGeneral();
}

using TfsAssignPlusStmt = TfsCompoundOpStmt<BinaryOp::Plus>;
using TfsAssignMinusStmt = TfsCompoundOpStmt<BinaryOp::Minus>;
using TfsAssignMulStmt = TfsCompoundOpStmt<BinaryOp::Mul>;
using TfsAssignDivStmt = TfsCompoundOpStmt<BinaryOp::DivFloat>;

// A call whose value is dropped; with the modificator "+" or "-" an
// increment or decrement of the designator.
class TfsCallStmt : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void SetDesignator(std::unique_ptr<TfsDesignator> d);
  TfsDesignator* Designator() const noexcept { return designator_.get(); }
  void SetModificator(std::u16string m) {
    modificator_ = std::move(m);
    step_ = modificator_ == u"+" ? 1 : modificator_ == u"-" ? -1 : 0;
  }
  const std::u16string& Modificator() const noexcept { return modificator_; }
  void Execute() override;

  // The variable that i++ or i-- changes in place, else nullptr.
  TfsCustomVariable* Counter() const noexcept { return step_ != 0 ? counter_ : nullptr; }
  // i++ or i-- on a 32-bit integer that stays in range, in place: what
  // Execute does after its run-line notice and stop check; false when its
  // general path must run.
  bool StepInPlace() {
    if (counter_ == nullptr || step_ == 0 || counter_->HasGetOverride()) return false;
    Value& v = counter_->PValue();
    int32_t next;
    if (!v.is_int32() || __builtin_add_overflow(v.as_int32(), int32_t{step_}, &next)) return false;
    v = Value::Int(next);
    return true;
  }

 private:
  std::unique_ptr<TfsDesignator> designator_;
  std::u16string modificator_;
  // 1 for "+", -1 for "-", else 0.
  int8_t step_ = 0;
  // A private variant or integer variable incremented in place.
  TfsCustomVariable* counter_ = nullptr;
};

// The then-branch is the statement's own list.
class TfsIfStmt : public TfsStatement {
 public:
  TfsIfStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos);
  void SetCondition(std::unique_ptr<TfsExpression> e) {
    condition_ = std::move(e);
    direct_ = DirectComparison::Find(condition_.get());
  }
  TfsStatement* ElseStmt() const noexcept { return elseStmt_.get(); }
  void Execute() override;

 private:
  std::unique_ptr<TfsExpression> condition_;
  std::unique_ptr<DirectComparison> direct_;
  std::unique_ptr<TfsStatement> elseStmt_;
};

// One label list of a case statement; its own list is the branch.
class TfsCaseSelector : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void SetSetExpression(std::unique_ptr<TfsSetExpression> s) { setExpression_ = std::move(s); }
  TfsSetExpression* SetExpression() const noexcept { return setExpression_.get(); }

 private:
  std::unique_ptr<TfsSetExpression> setExpression_;
};

// Its own list holds the selectors, in order.
class TfsCaseStmt : public TfsStatement {
 public:
  TfsCaseStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos);
  void SetCondition(std::unique_ptr<TfsExpression> e) { condition_ = std::move(e); }
  TfsStatement* ElseStmt() const noexcept { return elseStmt_.get(); }
  void Execute() override;

 private:
  std::unique_ptr<TfsExpression> condition_;
  std::unique_ptr<TfsStatement> elseStmt_;
};

// Runs the body until the condition is true; with the inverse flag, while
// it is true.
class TfsRepeatStmt : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void SetCondition(std::unique_ptr<TfsExpression> e) {
    condition_ = std::move(e);
    direct_ = DirectComparison::Find(condition_.get());
  }
  void SetInverseCondition(bool on) noexcept { inverseCondition_ = on; }
  void Execute() override;

 private:
  std::unique_ptr<TfsExpression> condition_;
  std::unique_ptr<DirectComparison> direct_;
  bool inverseCondition_ = false;
};

class TfsWhileStmt : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void SetCondition(std::unique_ptr<TfsExpression> e) {
    condition_ = std::move(e);
    direct_ = DirectComparison::Find(condition_.get());
  }
  void Execute() override;

 private:
  std::unique_ptr<TfsExpression> condition_;
  std::unique_ptr<DirectComparison> direct_;
};

// for v := a to b / downto b: bounds read once as 32-bit integers, a fixed
// number of passes, the counter stored straight into the variable.
class TfsForStmt : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void SetBeginValue(std::unique_ptr<TfsExpression> e) { beginValue_ = std::move(e); }
  void SetEndValue(std::unique_ptr<TfsExpression> e) { endValue_ = std::move(e); }
  void SetDown(bool on) noexcept { down_ = on; }
  void SetVariable(TfsCustomVariable* v);
  void Execute() override;

 private:
  std::unique_ptr<TfsExpression> beginValue_;
  std::unique_ptr<TfsExpression> endValue_;
  bool down_ = false;
  // The counter goes straight into the variable's storage.
  bool direct_ = false;
  TfsCustomVariable* variable_ = nullptr;
};

// For v = a To b [Step s]: the counter follows the value rules; a negative
// step counts down, a zero step runs until break, exit or termination.
class TfsVbForStmt : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void SetBeginValue(std::unique_ptr<TfsExpression> e) { beginValue_ = std::move(e); }
  void SetEndValue(std::unique_ptr<TfsExpression> e) { endValue_ = std::move(e); }
  void SetStep(std::unique_ptr<TfsExpression> e) { step_ = std::move(e); }
  void SetVariable(TfsCustomVariable* v) noexcept { variable_ = v; }
  void Execute() override;

 private:
  std::unique_ptr<TfsExpression> beginValue_;
  std::unique_ptr<TfsExpression> endValue_;
  std::unique_ptr<TfsExpression> step_;
  TfsCustomVariable* variable_ = nullptr;
};

// for (first; condition; second) body. A continue still runs `second`.
class TfsCppForStmt : public TfsStatement {
 public:
  TfsCppForStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos);
  TfsStatement* FirstStmt() const noexcept { return firstStmt_.get(); }
  TfsStatement* SecondStmt() const noexcept { return secondStmt_.get(); }
  void SetExpression(std::unique_ptr<TfsExpression> e) { expression_ = std::move(e); }
  // Looks for a condition that compares a plain variable in place, and
  // for the counting shape `v op bound; v++` (or v--) on a private
  // variable, which the loop then also steps inline. Call once the loop
  // is built.
  void FindCountingShape();
  void Execute() override;

 private:
  // kSum: the body was one `total += x` statement when the loop started.
  template <BinaryOp kCmp, bool kSum>
  void RunCounting(TfsScript& prog, TfsCompoundOpStmt<BinaryOp::Plus>* sum);
  template <BinaryOp kCmp>
  void RunCounting(TfsScript& prog);
  void CountingStep();

  std::unique_ptr<TfsStatement> firstStmt_;
  std::unique_ptr<TfsExpression> expression_;
  std::unique_ptr<DirectComparison> direct_;
  std::unique_ptr<TfsStatement> secondStmt_;
  // The iteration's one i++ or i-- on the variable the condition compares.
  TfsCallStmt* countingStep_ = nullptr;
};

// try ... except / try ... finally; the own list is the protected part.
class TfsTryStmt : public TfsStatement {
 public:
  TfsTryStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos);
  void SetIsExcept(bool on) noexcept { isExcept_ = on; }
  bool IsExcept() const noexcept { return isExcept_; }
  TfsStatement* ExceptStmt() const noexcept { return exceptStmt_.get(); }
  void Execute() override;

 private:
  bool isExcept_ = false;
  std::unique_ptr<TfsStatement> exceptStmt_;
};

class TfsBreakStmt : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void Execute() override;
};

class TfsContinueStmt : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void Execute() override;
};

// Stores the with-object into its hidden variable; the with body follows
// in the enclosing list, resolved against that variable.
class TfsWithStmt : public TfsStatement {
 public:
  using TfsStatement::TfsStatement;
  void SetDesignator(std::unique_ptr<TfsDesignator> d) { designator_ = std::move(d); }
  void SetVariable(TfsCustomVariable* v) noexcept { variable_ = v; }
  TfsCustomVariable* Variable() const noexcept { return variable_; }
  void Execute() override;

 private:
  std::unique_ptr<TfsDesignator> designator_;
  TfsCustomVariable* variable_ = nullptr;
};

}  // namespace qv
