// Running a program: Execute, Terminate, calling script functions from the
// host, and the executable-line index.
#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "engine/program/program.h"
#include "engine/program/stack_guard.h"
#include "engine/run/statement.h"
#include "engine/value/value_ops.h"
#include "support/size_limit.h"
#include "support/text.h"

namespace qv {

void TfsScript::Execute() {
  // A stop that came before the run (here or in a program this one runs
  // inside) is kept: a lost stop leaves a script running for good.
  if (StopRequested()) {
    SetTerminated(true);
    SetExitCalled(true);
  } else {
    SetExitCalled(false);
  }
  SetIsRunning(true);
  SetMainProg(true);
  struct Reset {
    TfsScript& s;
    ~Reset() {
      s.SetExitCalled(false);
      s.ClearStop();
      s.SetIsRunning(false);
    }
  } reset{*this};
  // Programs run inside programs (DoEval, host calls from scripts).
  CheckStack();
  try {
    statement_->Execute();
  } catch (const std::bad_alloc&) {
    // The host sees a run-time error and goes on.
    throw OutOfMemoryError();
  } catch (const std::length_error&) {
    throw OutOfMemoryError();
  }
}

bool TfsScript::Run() {
  if (!Compile()) return false;
  Execute();
  return true;
}

void TfsScript::Terminate() {
  SetExitCalled(true);
  SetTerminated(true);
  // Shared, and parent before child: table changes never hold a child's
  // lock while they wait for the parent's.
  std::shared_lock lock(tableMutex_);
  for (const Entry& e : items_)
    if (auto* proc = dynamic_cast<TfsProcVariable*>(e.object)) proc->Prog()->Terminate();
}

bool TfsScript::StopRequested() const noexcept {
  for (const TfsScript* p = this; p != nullptr; p = p->parent_)
    if (p->Terminated()) return true;
  return false;
}

void TfsScript::ClearStop() {
  SetTerminated(false);
  std::shared_lock lock(tableMutex_);
  for (const Entry& e : items_)
    if (auto* proc = dynamic_cast<TfsProcVariable*>(e.object)) {
      proc->Prog()->SetExitCalled(false);
      proc->Prog()->ClearStop();
    }
}

namespace {

// Arguments from a script array: element i goes to parameter i; parameters
// without an element keep their current values.
void FillFromArray(CallFrame& frame, TfsProcVariable& func, const Value& params) {
  for (int j = 0; j < frame.Count(); ++j) frame.Arg(j) = func.Param(j)->StoredValue();
  if (!params.is_array() || params.as_array().dims != 1) return;
  const ArrayBlock& a = params.as_array();
  for (int j = std::max(0, a.low[0]); j <= a.high[0] && j < frame.Count(); ++j) {
    size_t at = static_cast<size_t>(j - a.low[0]);
    if (at < a.items.size()) frame.Arg(j) = a.items[at];
  }
}

}  // namespace

namespace {

// A host call outside a run is a run of its own: a stop made before or
// during it holds until it returns.
struct HostCallRun {
  TfsScript& prog;
  bool outside;
  explicit HostCallRun(TfsScript& p) : prog(p), outside(!p.IsRunning()) {}
  ~HostCallRun() {
    if (outside) prog.ClearStop();
  }
  HostCallRun(const HostCallRun&) = delete;
  HostCallRun& operator=(const HostCallRun&) = delete;
};

}  // namespace

Value TfsScript::CallFunction2(TfsProcVariable* func, const Value& params) {
  if (func == nullptr) return Value::Null();
  HostCallRun run(*this);
  CallFrame frame(*func, func->Prog());
  FillFromArray(frame, *func, params);
  return func->Read(frame);
}

Value TfsScript::CallFunction(std::u16string_view name, const Value& params) {
  return CallFunction2(dynamic_cast<TfsProcVariable*>(FindLocal(name)), params);
}

Value TfsScript::CallFunction1(std::u16string_view name, Value& params) {
  auto* func = dynamic_cast<TfsProcVariable*>(FindLocal(name));
  if (func == nullptr) return Value::Null();
  HostCallRun run(*this);
  CallFrame frame(*func, func->Prog());
  FillFromArray(frame, *func, params);
  Value result = func->Read(frame);
  // Only elements the array has: a short array is not written past its end.
  if (params.is_array() && params.as_array().dims == 1) {
    ArrayBlock& a = params.mutable_array();
    for (int j = std::max(0, a.low[0]); j <= a.high[0] && j < frame.Count(); ++j) {
      size_t at = static_cast<size_t>(j - a.low[0]);
      if (at >= a.items.size()) break;
      TfsParamItem* p = func->Param(j);
      a.items[at] = p->IsVarParam() ? frame.GetParam(j) : p->StoredValue();
    }
  }
  return result;
}

TfsScript::LineSet& TfsScript::UnitLines(std::u16string_view unitName) {
  if (lastLines_ == nullptr || lastLinesUnit_ != unitName) {
    // Values of an unordered_map keep their address when it grows.
    lastLines_ = &unitLines_[UpperCase(unitName)];
    lastLinesUnit_ = std::u16string(unitName);
  }
  return *lastLines_;
}

void TfsScript::AddCodeLine(std::u16string_view unitName, std::u16string_view pos) {
  int64_t line;
  if (!TextToInt64(pos.substr(0, pos.find(u':')), line) || line < INT32_MIN || line > INT32_MAX) return;
  UnitLines(unitName).Insert(static_cast<int>(line));
}

void TfsScript::AddCodeLine(std::u16string_view unitName, const PackedPos& pos) {
  int32_t line;
  if (pos.Line(line)) {
    UnitLines(unitName).Insert(line);
  } else {
    AddCodeLine(unitName, pos.Text());
  }
}

void TfsScript::LineSet::Insert(int line) {
  if (line < 0 || line >= kDense) {
    rest_.insert(line);
    return;
  }
  const size_t word = static_cast<size_t>(line) / 64;
  if (word >= bits_.size()) bits_.resize(std::max(word + 1, bits_.size() * 2));
  bits_[word] |= uint64_t{1} << (line % 64);
}

bool TfsScript::LineSet::Contains(int line) const {
  if (line < 0 || line >= kDense) return rest_.contains(line);
  const size_t word = static_cast<size_t>(line) / 64;
  return word < bits_.size() && (bits_[word] >> (line % 64) & 1) != 0;
}

bool TfsScript::IsExecutableLine(int lineN, std::u16string_view unitName) const {
  auto it = unitLines_.find(UpperCase(unitName));
  return it != unitLines_.end() && it->second.Contains(lineN);
}

}  // namespace qv
