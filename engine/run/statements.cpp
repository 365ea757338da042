// Execute of the simple statements: assignments, calls, branches, jumps,
// try and with. The loops live in loop_statements.cpp.
#include "engine/run/statements.h"

#include <cstdint>
#include <exception>
#include <new>
#include <stdexcept>
#include <typeinfo>

#include "engine/program/program.h"
#include "engine/run/specialised.h"
#include "support/errors.h"
#include "support/size_limit.h"
#include "support/text.h"

namespace qv {

namespace {

// A private script variable kept as `storage`: it may be used directly.
bool IsPrivateVariable(const TfsCustomVariable* v, ItemStorage storage) {
  return v != nullptr && v->Storage() == storage && !v->IsShared() && !v->IsReadOnly();
}

}  // namespace

// ---- assignments ----------------------------------------------------------

void TfsAssignmentStmt::Prepare() {
  var_ = designator_.get();
  if (designator_ != nullptr && designator_->Kind() == dkVariable && designator_->RefItem() != nullptr &&
      dynamic_cast<TfsVariableDesignator*>(designator_.get()) != nullptr)
    var_ = designator_->RefItem();
  expr_ = expression_.get();
  if (expression_ != nullptr)
    if (TfsCustomVariable* single = expression_->SingleItem()) expr_ = single;
  exprTree_ = expr_ == expression_.get() ? expression_.get() : nullptr;
  exprVar_ = expr_ != nullptr && expr_->HasPlainStorage() ? expr_ : nullptr;
  plainTarget_ = IsPrivateVariable(var_, ItemStorage::Variable);
  FindAppendChain();
}

// A very large script is mostly such statements: what they do not read at
// run time is most of their size.
void TfsAssignmentStmt::DropUnused() {
  if (designator_ != nullptr && var_ != designator_.get()) designator_.reset();
  if (expression_ == nullptr || expr_ == expression_.get() || !appends_.empty()) return;
  // A plain variable operand lives in its program; otherwise the root node
  // is the operand or owns it.
  if (exprVar_ == nullptr) single_ = expression_->TakeRoot();
  expression_.reset();
}

[[gnu::always_inline]] inline void TfsAssignmentStmt::Assign() {
  RunLine();
  if (Prog()->Terminated()) return;
  if (!appends_.empty() && AppendInPlace()) return;
  Value v = ReadExpr();
  if (plainTarget_ && TfsVariable::Holds(var_->Typ(), v)) {
    var_->PValue() = std::move(v);
    return;
  }
  var_->SetValue(v);
}

void TfsAssignmentStmt::Execute() { Assign(); }

TfsReturnStmt::TfsReturnStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos,
                             std::u16string exitPos)
    : TfsAssignmentStmt(program, unitName, std::move(sourcePos)),
      exit_(program, unitName, std::move(exitPos)) {}

void TfsReturnStmt::Execute() {
  Assign();
  // What a list checks between two statements.
  TfsScript& prog = *Prog();
  if (prog.Terminated() || prog.BreakCalled() || prog.ContinueCalled() || prog.ExitCalled()) return;
  exit_.Execute();
}

namespace {

// Operands whose reading cannot change the target: constants and plain
// variables.
bool HasNoSideEffects(TfsCustomVariable* e) {
  if (e == nullptr) return false;
  if (auto* node = dynamic_cast<TfsExpressionNode*>(e))
    return node->AsSetNode() == nullptr && node->AsDesignatorNode() == nullptr &&
           node->AsOperator() == nullptr;
  return dynamic_cast<TfsVariable*>(e) != nullptr || dynamic_cast<TfsParamItem*>(e) != nullptr;
}

}  // namespace

void TfsCompoundAssignStmt::Prepare() {
  TfsAssignmentStmt::Prepare();
  fast_ = Fast::None;
  // s := s + IntToStr(i) must append in place too, or building a text
  // this way turns quadratic.
  if (!HasNoSideEffects(expr_) && !ExpressionLeavesTarget()) return;
  if (IsPrivateVariable(var_, ItemStorage::Variable)) {
    const TfsVarType t = var_->Typ();
    if (t == fvtVariant) fast_ = Fast::Variant;
    if (t == fvtInt || t == fvtFloat) fast_ = Fast::Typed;
  } else if (op_ == BinaryOp::Plus && IsPrivateVariable(var_, ItemStorage::Text)) {
    fast_ = Fast::Text;
  }
  numeric_ = Numeric::None;
  if (!SpecialisedPaths()) return;
  if (fast_ == Fast::Variant) numeric_ = Numeric::Variant;
  if (fast_ == Fast::Typed) numeric_ = var_->Typ() == fvtFloat ? Numeric::Float : Numeric::Int;
  constantOperand_ = expr_ != nullptr && typeid(*expr_) == typeid(TfsOperandNode);
}

template <BinaryOp kOp>
void TfsCompoundAssignStmt::Run() {
  RunLine();
  if (Prog()->Terminated()) return;
  RunNoticed<kOp>();
}

void TfsCompoundAssignStmt::RunGeneral() {
  // In place, so that s := s + x appends instead of copying s each time.
  if (fast_ != Fast::None && !var_->HasGetOverride()) {
    Value right = ReadExpr();
    if (fast_ == Fast::Variant) {
      ApplyInPlace(op_, var_->PValue(), right);
      return;
    }
    if (fast_ == Fast::Typed) {
      var_->SetValue(Apply(op_, var_->PValue(), right));
      return;
    }
    std::u16string& text = static_cast<TfsStringVariable*>(var_)->Str();
    if (right.is_text()) {
      CheckSize(text.size(), right.as_text().size());
      text += right.as_text();
      return;
    }
    if (right.is_bytes()) {
      const std::u16string more = BytesToText(right.as_bytes());
      CheckSize(text.size(), more.size());
      text += more;
      return;
    }
    Value current = var_->GetValue();
    var_->SetValue(Apply(op_, current, right));
    return;
  }
  Value current = var_->GetValue();
  Value right = ReadExpr();
  ApplyInPlace(op_, current, right);
  var_->SetValue(current);
}

void TfsCompoundAssignStmt::Execute() {
  switch (op_) {
    case BinaryOp::Plus:
      return Run<BinaryOp::Plus>();
    case BinaryOp::Minus:
      return Run<BinaryOp::Minus>();
    case BinaryOp::Mul:
      return Run<BinaryOp::Mul>();
    case BinaryOp::DivFloat:
      return Run<BinaryOp::DivFloat>();
    default:
      RunLine();
      if (Prog()->Terminated()) return;
      RunGeneral();
  }
}

template <BinaryOp kOp>
void TfsCompoundOpStmt<kOp>::Execute() {
  Run<kOp>();
}

template class TfsCompoundOpStmt<BinaryOp::Plus>;
template class TfsCompoundOpStmt<BinaryOp::Minus>;
template class TfsCompoundOpStmt<BinaryOp::Mul>;
template class TfsCompoundOpStmt<BinaryOp::DivFloat>;

// ---- calls ----------------------------------------------------------------

void TfsCallStmt::SetDesignator(std::unique_ptr<TfsDesignator> d) {
  designator_ = std::move(d);
  counter_ = nullptr;
  if (designator_ != nullptr && dynamic_cast<TfsVariableDesignator*>(designator_.get()) != nullptr &&
      IsPrivateVariable(designator_->RefItem(), ItemStorage::Variable) &&
      (designator_->RefItem()->Typ() == fvtVariant || designator_->RefItem()->Typ() == fvtInt))
    counter_ = designator_->RefItem();
}

void TfsCallStmt::Execute() {
  RunLine();
  if (Prog()->Terminated()) return;
  if (StepInPlace()) return;
  if (modificator_.empty()) {
    designator_->SetNeedResult(false);
    designator_->GetValue();
    return;
  }
  Value v = designator_->GetValue();
  if (step_ > 0) {
    designator_->SetValue(qv::Add(v, Value::Int(1)));
  } else if (step_ < 0) {
    designator_->SetValue(Apply(BinaryOp::Minus, v, Value::Int(1)));
  }
}

// ---- branches -------------------------------------------------------------

TfsIfStmt::TfsIfStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos)
    : TfsStatement(program, unitName, sourcePos),
      elseStmt_(std::make_unique<TfsStatement>(program, unitName, sourcePos)) {}

void TfsIfStmt::Execute() {
  RunLine();
  if (Prog()->Terminated()) return;
  if (direct_ != nullptr ? direct_->Test(*condition_) : condition_->GetBool()) {
    RunChildren();
  } else {
    elseStmt_->RunChildren();
  }
}

TfsCaseStmt::TfsCaseStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos)
    : TfsStatement(program, unitName, sourcePos),
      elseStmt_(std::make_unique<TfsStatement>(program, unitName, sourcePos)) {}

void TfsCaseStmt::Execute() {
  Value v = condition_->GetValue();
  RunLine();
  if (Prog()->Terminated()) return;
  for (int i = 0; i < Count(); ++i) {
    auto* selector = dynamic_cast<TfsCaseSelector*>(Get(i));
    if (selector != nullptr && selector->SetExpression() != nullptr && selector->SetExpression()->Check(v)) {
      selector->RunChildren();
      return;
    }
  }
  elseStmt_->RunChildren();
}

// ---- jumps ----------------------------------------------------------------

void TfsBreakStmt::Execute() { Prog()->SetBreakCalled(true); }

void TfsContinueStmt::Execute() { Prog()->SetContinueCalled(true); }

// ---- try ------------------------------------------------------------------

TfsTryStmt::TfsTryStmt(TfsScript* program, std::u16string unitName, std::u16string sourcePos)
    : TfsStatement(program, unitName, sourcePos),
      exceptStmt_(std::make_unique<TfsStatement>(program, unitName, sourcePos)) {}

namespace {

// Runs the finally part with the exit flag cleared, so that an exit in the
// protected part still lets the whole finally part run; then puts the flag
// back.
void RunFinally(TfsScript& prog, TfsStatement& part) {
  bool exitCalled = prog.ExitCalled();
  prog.SetExitCalled(false);
  part.Execute();
  if (exitCalled) prog.SetExitCalled(true);
}

}  // namespace

void TfsTryStmt::Execute() {
  RunLine();
  TfsScript& prog = *Prog();
  if (prog.Terminated()) return;
  if (!isExcept_) {
    try {
      RunChildren();
    } catch (...) {
      RunFinally(prog, *exceptStmt_);
      throw;
    }
    RunFinally(prog, *exceptStmt_);
    return;
  }
  std::u16string className;
  std::u16string message;
  try {
    RunChildren();
    return;
  } catch (const ScriptError& e) {
    className = e.className();
    message = e.message();
  } catch (const std::bad_alloc&) {
    // The failed allocation is gone: the script can handle it.
    OutOfMemoryError e;
    className = e.className();
    message = e.message();
  } catch (const std::length_error&) {
    OutOfMemoryError e;
    className = e.className();
    message = e.message();
  } catch (const std::exception& e) {
    // Host code may fail with a standard error; scripts see it as the base
    // class.
    className = u"Exception";
    message = FromUtf8(e.what());
  }
  prog.SetVariable(u"ExceptionClassName", Value::Text(std::move(className)));
  prog.SetVariable(u"ExceptionMessage", Value::Text(std::move(message)));
  exceptStmt_->RunChildren();
}

// ---- with -----------------------------------------------------------------

void TfsWithStmt::Execute() {
  RunChildren();
  variable_->SetValue(designator_->GetValue());
}

}  // namespace qv
