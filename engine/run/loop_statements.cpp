// Execute of the loops. Every loop ends a pass with the same epilogue:
// leave on break or exit (Terminate sets exit too), otherwise forget a
// continue; and clears break when it ends.
#include <cstdint>

#include "engine/program/program.h"
#include "engine/run/statements.h"

namespace qv {

namespace {

bool LeaveAfterPass(TfsScript& prog) {
  if (prog.BreakCalled() || prog.ExitCalled()) return true;
  prog.SetContinueCalled(false);
  return false;
}

// The loop variable receives counters without its value conversion.
void StoreCounter(TfsCustomVariable* variable, Value v) { variable->RestoreStoredValue(std::move(v)); }

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
  for (; passes > 0; --passes, counter += step) {
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

void TfsCppForStmt::Execute() {
  RunLine();
  TfsScript& prog = *Prog();
  if (prog.Terminated()) return;
  firstStmt_->RunChildren();
  if (prog.Terminated()) return;
  for (;;) {
    if (expression_ != nullptr && !expression_->GetBool()) break;
    RunChildren();
    if (LeaveAfterPass(prog)) break;
    secondStmt_->RunChildren();
  }
  prog.SetBreakCalled(false);
}

}  // namespace qv
