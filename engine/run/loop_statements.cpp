// Execute of the loops. Every loop ends a pass with the same epilogue:
// leave on break or exit (Terminate sets exit too), otherwise forget a
// continue; and clears break when it ends.
#include <cstdint>

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
    if ((direct_ != nullptr ? direct_->Test(*condition_) : condition_->GetBool()) != inverseCondition_) break;
  }
  prog.SetBreakCalled(false);
}

void TfsWhileStmt::Execute() {
  RunLine();
  TfsScript& prog = *Prog();
  if (prog.Terminated()) return;
  for (;;) {
    if (!(direct_ != nullptr ? direct_->Test(*condition_) : condition_->GetBool())) break;
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
  Value* stored = direct_ && !variable_->IsShared() ? &variable_->PValue() : nullptr;
  for (; passes > 0; --passes, counter += step) {
    if (stored != nullptr)
      *stored = Value::Int(static_cast<int32_t>(counter));
    else
      StoreCounter(variable_, Value::Int(static_cast<int32_t>(counter)));
    RunChildren();
    if (LeaveAfterPass(prog)) break;
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

// What running the iteration list does for its one i++ statement when no
// run-line handler wants to hear of it.
[[gnu::always_inline]] inline void TfsCppForStmt::CountingStep() {
  TfsCallStmt* step = countingStep_;
  // The step runs in this loop's program (FindCountingShape checks it).
  TfsScript& prog = *Prog();
  if (secondStmt_->OnlyChild() != step || prog.RunLineOwner() != nullptr) return secondStmt_->RunChildren();
  if (prog.Terminated()) return;
  if (!step->StepInPlace()) RunOne(*step);
}

// The general loop with the condition and the step inline; the operands'
// items are kept in registers across the passes. A body of one `total += x`
// (the most frequent loop of all) runs inline while it is the body.
template <BinaryOp kCmp, bool kSum>
void TfsCppForStmt::RunCounting(TfsScript& prog, TfsCompoundOpStmt<BinaryOp::Plus>* sum) {
  TfsCustomVariable* const counter = direct_->Left();
  TfsCustomVariable* const boundVar = direct_->RightVar();
  const Value& boundConst = direct_->Constant();
  for (;;) {
    const Value *left, *right;
    const bool holds = DirectComparison::InPlace(counter, boundVar, boundConst, left, right)
                           ? CompareOp<kCmp>(*left, *right)
                           : expression_->GetBool();
    if (!holds) break;
    if (kSum && OnlyChild() == sum && prog.RunLineOwner() == nullptr) {
      if (!prog.Terminated()) RunOneAs(*sum, [sum] { sum->ExecuteNoticed(); });
    } else {
      RunChildren();
    }
    if (LeaveAfterPass(prog)) break;
    CountingStep();
  }
  prog.SetBreakCalled(false);
}

template <BinaryOp kCmp>
void TfsCppForStmt::RunCounting(TfsScript& prog) {
  // The body's notice and stop check are the loop's when it runs in the
  // loop's program.
  auto* sum = dynamic_cast<TfsCompoundOpStmt<BinaryOp::Plus>*>(OnlyChild());
  if (sum != nullptr && sum->Prog() == &prog) return RunCounting<kCmp, true>(prog, sum);
  RunCounting<kCmp, false>(prog, nullptr);
}

void TfsCppForStmt::Execute() {
  RunLine();
  TfsScript& prog = *Prog();
  if (prog.Terminated()) return;
  firstStmt_->RunChildren();
  if (prog.Terminated()) return;
  if (countingStep_ != nullptr) {
    switch (direct_->Op()) {
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
    if (expression_ != nullptr &&
        !(direct_ != nullptr ? direct_->Test(*expression_) : expression_->GetBool()))
      break;
    RunChildren();
    if (LeaveAfterPass(prog)) break;
    secondStmt_->RunChildren();
  }
  prog.SetBreakCalled(false);
}

void TfsCppForStmt::FindCountingShape() {
  direct_ = DirectComparison::Find(expression_.get());
  countingStep_ = nullptr;
  if (direct_ == nullptr || secondStmt_->Count() != 1) return;
  auto* step = dynamic_cast<TfsCallStmt*>(secondStmt_->Get(0));
  if (step != nullptr && step->Counter() == direct_->Left() && step->Prog() == Prog()) countingStep_ = step;
}

}  // namespace qv
