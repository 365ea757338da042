// Execute of the loops. Every loop ends a pass with the same epilogue:
// leave on break or exit (Terminate sets exit too), otherwise forget a
// continue; and clears break when it ends.
#include <cstdint>
#include <typeinfo>

#include "engine/program/program.h"
#include "engine/run/specialised.h"
#include "engine/run/statements.h"

namespace qv {

namespace {

[[gnu::always_inline]] inline bool LeaveAfterPass(TfsScript& prog) {
  if (prog.BreakCalled() || prog.ExitCalled()) return true;
  if (prog.ContinueCalled()) prog.SetContinueCalled(false);
  return false;
}

// The loop variable receives counters without its value conversion.
void StoreCounter(TfsCustomVariable* variable, Value v) { variable->RestoreStoredValue(std::move(v)); }

// A private script variable takes a counter straight into its storage,
// which is what RestoreStoredValue does for it.
bool TakesCounterDirectly(const TfsCustomVariable* v) {
  return SpecialisedPaths() && v != nullptr && v->Storage() == ItemStorage::Variable && !v->IsShared();
}

}  // namespace

void TfsRepeatStmt::Execute() {
  RunLine();
  TfsScript& prog = *Prog();
  if (prog.Terminated()) return;
  for (;;) {
    RunChildren();
    if (LeaveAfterPass(prog)) break;
    if (condition_->GetBool() != inverseCondition_) break;
  }
  prog.SetBreakCalled(false);
}

void TfsWhileStmt::Execute() {
  RunLine();
  TfsScript& prog = *Prog();
  if (prog.Terminated()) return;
  for (;;) {
    if (!condition_->GetBool()) break;
    RunChildren();
    if (LeaveAfterPass(prog)) break;
  }
  prog.SetBreakCalled(false);
}

void TfsForStmt::SetVariable(TfsCustomVariable* v) {
  variable_ = v;
  direct_ = TakesCounterDirectly(v);
}

void TfsForStmt::Execute() {
  const int32_t a = ToInt32(beginValue_->GetValue());
  const int32_t b = ToInt32(endValue_->GetValue());
  RunLine();
  TfsScript& prog = *Prog();
  if (prog.Terminated()) return;
  // The pass count is fixed here; 64 bits so that the full 32-bit range
  // neither overflows nor loops for ever.
  int64_t passes = down_ ? int64_t{a} - b + 1 : int64_t{b} - a + 1;
  int64_t counter = a;
  const int step = down_ ? -1 : 1;
  if (direct_ && !variable_->IsShared()) {
    Value& stored = variable_->PValue();
    for (; passes > 0; --passes, counter += step) {
      stored = Value::Int(static_cast<int32_t>(counter));
      RunChildren();
      if (LeaveAfterPass(prog)) break;
    }
  } else {
    for (; passes > 0; --passes, counter += step) {
      StoreCounter(variable_, Value::Int(static_cast<int32_t>(counter)));
      RunChildren();
      if (LeaveAfterPass(prog)) break;
    }
  }
  prog.SetBreakCalled(false);
}

void TfsVbForStmt::Execute() {
  Value counter = beginValue_->GetValue();
  const Value end = endValue_->GetValue();
  const Value step = step_ != nullptr ? step_->GetValue() : Value::Int(1);
  const bool down = Compare(BinaryOp::Less, step, Value::Int(0));
  RunLine();
  TfsScript& prog = *Prog();
  if (prog.Terminated()) return;
  const BinaryOp inRange = down ? BinaryOp::GreatEq : BinaryOp::LessEq;
  while (Compare(inRange, counter, end)) {
    StoreCounter(variable_, counter);
    RunChildren();
    if (LeaveAfterPass(prog)) break;
    counter = qv::Add(counter, step);
  }
  prog.SetBreakCalled(false);
}

TfsCppForStmt::TfsCppForStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos)
    : TfsStatement(program, unitName, sourcePos),
      firstStmt_(std::make_unique<TfsStatement>(program, unitName, sourcePos)),
      secondStmt_(std::make_unique<TfsStatement>(program, unitName, sourcePos)) {}

void TfsCppForStmt::Execute() {
  RunLine();
  TfsScript& prog = *Prog();
  if (prog.Terminated()) return;
  firstStmt_->RunChildren();
  if (prog.Terminated()) return;
  if (counting_ != nullptr) {
    switch (counting_->comparison) {
      case BinaryOp::Less:
        return RunCounting<BinaryOp::Less>(prog);
      case BinaryOp::LessEq:
        return RunCounting<BinaryOp::LessEq>(prog);
      case BinaryOp::Great:
        return RunCounting<BinaryOp::Great>(prog);
      case BinaryOp::GreatEq:
        return RunCounting<BinaryOp::GreatEq>(prog);
      case BinaryOp::NonEq:
        return RunCounting<BinaryOp::NonEq>(prog);
      default:
        return RunCounting<BinaryOp::Eq>(prog);
    }
  }
  for (;;) {
    if (expression_ != nullptr && !expression_->GetBool()) break;
    RunChildren();
    if (LeaveAfterPass(prog)) break;
    secondStmt_->RunChildren();
  }
  prog.SetBreakCalled(false);
}

// What the comparison node computes when it reads both operands in place.
template <BinaryOp kCmp>
[[gnu::always_inline]] inline bool TfsCppForStmt::CountingCondition() {
  const Counting& c = *counting_;
  if (!c.counter->IsShared() && !c.counter->HasGetOverride()) {
    const Value* bound = c.boundConst;
    if (bound == nullptr && !c.boundVar->IsShared() && !c.boundVar->HasGetOverride()) bound = &c.boundVar->PValue();
    if (bound != nullptr) return CompareOp<kCmp>(c.counter->PValue(), *bound);
  }
  return expression_->GetBool();
}

// What running the iteration list does for its one i++ statement when no
// run-line handler wants to hear of it.
[[gnu::always_inline]] inline void TfsCppForStmt::CountingStep() {
  TfsCallStmt* step = counting_->step;
  TfsScript& prog = *step->Prog();
  if (secondStmt_->OnlyChild() != step || prog.RunLineOwner() != nullptr)
    return secondStmt_->RunChildren();
  if (prog.Terminated()) return;
  if (!step->StepInPlace()) RunOne(*step);
}

// The general loop with the condition and the step inline.
template <BinaryOp kCmp>
void TfsCppForStmt::RunCounting(TfsScript& prog) {
  for (;;) {
    if (!CountingCondition<kCmp>()) break;
    RunChildren();
    if (LeaveAfterPass(prog)) break;
    CountingStep();
  }
  prog.SetBreakCalled(false);
}

void TfsCppForStmt::FindCountingShape() {
  counting_.reset();
  if (!SpecialisedPaths() || expression_ == nullptr || secondStmt_->Count() != 1) return;
  auto* step = dynamic_cast<TfsCallStmt*>(secondStmt_->Get(0));
  TfsOperatorNode* compare = expression_->Root() != nullptr ? expression_->Root()->AsOperator() : nullptr;
  if (step == nullptr || step->Counter() == nullptr || step->Prog() != Prog() || compare == nullptr) return;
  BinaryOp comparison;
  switch (compare->Op()) {
    case opLess:
      comparison = BinaryOp::Less;
      break;
    case opLessEq:
      comparison = BinaryOp::LessEq;
      break;
    case opGreat:
      comparison = BinaryOp::Great;
      break;
    case opGreatEq:
      comparison = BinaryOp::GreatEq;
      break;
    case opNonEq:
      comparison = BinaryOp::NonEq;
      break;
    case opEq:
      comparison = BinaryOp::Eq;
      break;
    default:
      return;
  }
  TfsDesignatorNode* left = compare->Left() != nullptr ? compare->Left()->AsDesignatorNode() : nullptr;
  TfsExpressionNode* right = compare->Right();
  if (left == nullptr || !left->IsPlain() || left->Var() != step->Counter() || right == nullptr) return;
  auto c = std::make_unique<Counting>();
  c->counter = step->Counter();
  c->step = step;
  c->comparison = comparison;
  if (typeid(*right) == typeid(TfsOperandNode)) {
    c->boundConst = &static_cast<TfsOperandNode*>(right)->Constant();
  } else if (TfsDesignatorNode* bound = right->AsDesignatorNode(); bound != nullptr && bound->IsPlain()) {
    c->boundVar = bound->Var();
  } else {
    return;
  }
  counting_ = std::move(c);
}

}  // namespace qv
