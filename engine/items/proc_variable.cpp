// Calling a script procedure.
#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "engine/items/items.h"
#include "engine/program/program.h"
#include "engine/program/stack_guard.h"
#include "engine/run/designator.h"
#include "engine/run/expression.h"
#include "engine/run/run_messages.h"
#include "engine/run/specialised.h"
#include "engine/run/statement.h"
#include "support/errors.h"

namespace qv {

TfsProcVariable::TfsProcVariable(std::u16string name, TfsVarType typ, std::u16string typeName,
                                 TfsScript* parent, bool isFunc)
    : TfsCustomVariable(std::move(name), typ, std::move(typeName)),
      isFunc_(isFunc),
      leanAllowed_(SpecialisedPaths()),
      program_(std::make_unique<TfsScript>()) {
  SetIsReadOnly(true);
  program_->SetParent(parent);
  if (parent != nullptr) program_->SetUseClassLateBinding(parent->UseClassLateBinding());
  if (isFunc_) {
    result_ = program_->AddItem(u"Result", std::make_unique<TfsVariable>(u"Result", Typ(), TypeName()));
    SetRefItem(result_);
  }
}

// The local program goes first: it only borrows the parameters, which the
// item's own list frees afterwards.
TfsProcVariable::~TfsProcVariable() { program_.reset(); }

TfsParamItem* TfsProcVariable::AddParameter(std::unique_ptr<TfsParamItem> param) {
  TfsParamItem* raw = param.get();
  if (raw == nullptr) return nullptr;
  if (raw->IsVarParam()) hasVarParams_ = true;
  if (raw->Storage() != ItemStorage::Parameter || raw->IsReadOnly()) plainParams_ = false;
  AddParam(std::move(param));
  program_->AddBorrowed(raw->Name(), raw);
  return raw;
}

namespace {

// Restores on every way out of a call what the call changed. A call made
// while the routine runs (recursion) shares the local program with the
// calling level, which goes on afterwards: its flags stay the calling
// level's, except that an exit ends only the inner call, and a Terminate
// that arrived is kept, so that every level stops.
template <bool kNested>
class CallScope {
 public:
  CallScope(bool& executing, TfsScript& local, TfsScript* main)
      : executing_(executing), local_(local), main_(main) {
    if (main_ != nullptr) {
      previous_ = main_->ProgRunning();
      main_->SetProgRunning(&local);
    }
    if constexpr (kNested) {
      outerExit_ = local_.ExitCalled();
      if (!local_.Terminated()) local_.SetExitCalled(false);
      return;
    }
    executing_ = true;
    // A stop request holds for every routine entered after it, until the
    // run ends (which clears it); entering never clears it.
    if (local_.StopRequested()) {
      local_.SetTerminated(true);
      local_.SetExitCalled(true);
    } else {
      local_.SetExitCalled(false);
    }
    local_.SetIsRunning(true);
  }
  ~CallScope() {
    if (main_ != nullptr) main_->SetProgRunning(previous_);
    if constexpr (kNested) {
      if (!local_.Terminated()) local_.SetExitCalled(outerExit_);
      return;
    }
    if (!local_.Terminated()) local_.SetExitCalled(false);
    local_.SetIsRunning(false);
    executing_ = false;
  }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  bool& executing_;
  bool outerExit_ = false;
  TfsScript& local_;
  TfsScript* main_;
  TfsScript* previous_ = nullptr;
};

}  // namespace

// Storage items of a local program are its variables and parameters (a few
// builder-made unnamed items besides, which keep their value).
const std::vector<TfsProcVariable::Local>& TfsProcVariable::RefreshLocals() {
  const int n = program_->Count();
  locals_.clear();
  others_.clear();
  for (int i = 0; i < n; ++i) {
    TfsCustomVariable* item = program_->Items(i)->AsItem();
    if (item == nullptr || !item->HasStorage()) continue;
    bool plain = item->HasPlainStorage() && !item->IsShared();
    locals_.push_back({item, plain});
    bool param = false;
    for (int j = 0; j < ParamCount() && !param; ++j) param = Param(j) == item;
    if (!param && item != result_) others_.push_back({item, plain});
  }
  localsFor_ = n;
  leanShape_ = leanAllowed_ && plainParams_ && !hasVarParams_ && others_.empty();
  return locals_;
}

inline const std::vector<TfsProcVariable::Local>& TfsProcVariable::Locals() {
  return program_->Count() == localsFor_ ? locals_ : RefreshLocals();
}

inline const std::vector<TfsProcVariable::Local>& TfsProcVariable::OtherLocals() {
  if (program_->Count() != localsFor_) RefreshLocals();
  return others_;
}

// The values of a local program's variables and parameters, restored when
// the scope ends.
class SavedLocals {
 public:
  SavedLocals(TfsProcVariable& proc, const std::vector<TfsProcVariable::Local>& locals)
      : stack_(proc.saved_), base_(stack_.size) {
    const size_t n = locals.size();
    if (base_ + n > stack_.capacity) stack_.Grow(base_ + n);
    TfsProcVariable::SavedLocal* out = stack_.data.get() + base_;
    for (size_t i = 0; i < n; ++i) {
      const TfsProcVariable::Local& local = locals[i];
      out[i].local = local;
      if (local.plain)
        out[i].value = local.item->PValue();
      else
        out[i].value = local.item->StoredValue();
    }
    stack_.size = base_ + n;
  }
  ~SavedLocals() {
    TfsProcVariable::SavedLocal* saved = stack_.data.get();
    for (size_t i = base_; i < stack_.size; ++i) {
      auto& [local, value] = saved[i];
      if (local.plain)
        local.item->PValue() = std::move(value);
      else
        local.item->RestoreStoredValue(std::move(value));
    }
    stack_.size = base_;
  }
  SavedLocals(const SavedLocals&) = delete;
  SavedLocals& operator=(const SavedLocals&) = delete;

 private:
  TfsProcVariable::SavedStack& stack_;
  size_t base_;
};

void TfsProcVariable::SavedStack::Grow(size_t needed) {
  const size_t room = std::max(needed, capacity * 2);
  auto bigger = std::make_unique<SavedLocal[]>(room);
  for (size_t i = 0; i < size; ++i) bigger[i] = std::move(data[i]);
  data = std::move(bigger);
  capacity = room;
}

// Cached against the tree generation: running a program makes it a main
// program, so the answer can change between calls.
TfsScript* TfsProcVariable::MainProgram() {
  const uint64_t now = TfsScript::TreeGeneration();
  if (mainFor_ == now) return mainProg_;
  mainProg_ = nullptr;
  for (TfsScript* p = program_.get(); p != nullptr; p = p->Parent())
    if (p->MainProg()) {
      mainProg_ = p;
      break;
    }
  mainFor_ = now;
  return mainProg_;
}

// Result starts from the empty value converted to its kind, made once.
inline const Value& TfsProcVariable::ResultInit() {
  if (!resultInitMade_) {
    result_->SetValue(Value());
    resultInit_ = result_->StoredValue();
    resultInitMade_ = true;
  }
  return resultInit_;
}

// Inlined into the call paths: a script call is the interpreter's most
// frequent step, and each function level costs its prologue.
template <bool kNested, bool kMoveResult, bool kResultSet>
[[gnu::always_inline]] inline Value TfsProcVariable::Run() {
  // Every call of a script routine comes here: runaway recursion ends with
  // an error instead of a crash.
  CheckStack();
  CallScope<kNested> scope(executing_, *program_, MainProgram());
  if (!kResultSet && isFunc_) {
    if (result_->IsShared())
      result_->RestoreStoredValue(ResultInit());
    else
      result_->PValue() = ResultInit();
  }
  try {
    program_->Statement()->RunBody();
  } catch (ScriptError& e) {
    NoteErrorLeaving(e);
    throw;
  }
  if (!isFunc_) return Value::Null();
  if (result_->IsShared() || result_->HasGetOverride()) return result_->GetValue();
  // Where the calling level's Result is put back right after, this one's
  // may be taken.
  if constexpr (kMoveResult) return std::move(result_->PValue());
  return result_->PValue();
}

void TfsProcVariable::NoteErrorLeaving(ScriptError& e) const { e.NoteRoutine(Name()); }

Value TfsProcVariable::GetValue() { return executing_ ? Run<true, false>() : Run<false, false>(); }

// A call made while the procedure runs. The parameters trade values with
// the arguments: while the call runs the argument array keeps the calling
// level's values, and trading back restores them and leaves the final
// parameter values (the by-reference results) in the array. Result and the
// other locals are kept aside.
class TfsProcVariable::Trade {
 public:
  Trade(TfsProcVariable& proc, Value* args, int n)
      : proc_(proc), params_(proc.ParamItems()), args_(args), n_(n) {
    Exchange();
    if (proc_.isFunc_) outerResult_.swap(proc_.result_->PValue());
  }
  ~Trade() {
    Exchange();
    if (proc_.isFunc_) proc_.result_->PValue() = std::move(outerResult_);
  }
  Trade(const Trade&) = delete;
  Trade& operator=(const Trade&) = delete;

 private:
  void Exchange() {
    // Most routines take one parameter: no loop for them.
    if (n_ == 1) return params_[0]->PValue().swap(args_[0]);
    for (int j = 0; j < n_; ++j) params_[j]->PValue().swap(args_[j]);
  }
  TfsProcVariable& proc_;
  TfsParamItem* const* params_;
  Value* args_;
  int n_;
  Value outerResult_;
};

// Trade for the lean path's single parameter: the argument and the
// parameter trade values, Result starts from its starting value, and all
// comes back when the call ends, however it ends.
class TfsProcVariable::OneTrade {
 public:
  OneTrade(TfsProcVariable& proc, Value& arg)
      : param_(proc.ParamItems()[0]->PValue()),
        arg_(arg),
        result_(proc.isFunc_ ? &proc.result_->PValue() : nullptr) {
    param_.swap(arg_);
    if (result_ != nullptr) {
      outerResult_ = std::move(*result_);
      *result_ = proc.resultInit_;
    }
  }
  ~OneTrade() {
    param_.swap(arg_);
    if (result_ != nullptr) *result_ = std::move(outerResult_);
  }
  OneTrade(const OneTrade&) = delete;
  OneTrade& operator=(const OneTrade&) = delete;

 private:
  Value& param_;
  Value& arg_;
  Value* result_;
  Value outerResult_;
};

// Running implies that Result's starting value has been made.
inline bool TfsProcVariable::NestedLean() const {
  return executing_ && leanShape_ && program_->Count() == localsFor_ &&
         !(isFunc_ && (result_->IsShared() || result_->HasGetOverride()));
}

[[gnu::always_inline]] inline Value TfsProcVariable::InvokeNested(Value* args, int n) {
  if (!OtherLocals().empty()) return InvokeNestedSaving(args, n);
  Trade trade(*this, args, n);
  return Run<true, true>();
}

// InvokeNested for a routine with locals besides its parameters and Result.
[[gnu::noinline]] Value TfsProcVariable::InvokeNestedSaving(Value* args, int n) {
  SavedLocals saved(*this, OtherLocals());
  Trade trade(*this, args, n);
  return Run<true, true>();
}

[[gnu::always_inline]] inline Value TfsProcVariable::InvokeInline(Value* args, int n) {
  n = std::min(n, ParamCount());
  if (executing_ && n == ParamCount() && plainParams_ && !(isFunc_ && result_->IsShared()))
    return InvokeNested(args, n);
  return InvokeGeneral(args, n);
}

// The first call, and calls whose parameters are not all plain storage.
[[gnu::noinline]] Value TfsProcVariable::InvokeGeneral(Value* args, int n) {
  auto run = [&] {
    for (int j = 0; j < n; ++j) {
      TfsParamItem* param = Param(j);
      // The argument is ours: a by-reference one is overwritten below.
      if (plainParams_ && !param->IsShared())
        param->PValue() = std::move(args[j]);
      else
        param->SetValue(args[j]);
    }
    Value result = GetValue();
    if (hasVarParams_)
      for (int j = 0; j < n; ++j)
        if (Param(j)->IsVarParam()) args[j] = Param(j)->GetValue();
    return result;
  };
  if (!executing_) return run();
  // The arguments have taken the by-reference results before the locals
  // come back, so a result meant for a local of the calling level survives.
  SavedLocals saved(*this, Locals());
  return run();
}

Value TfsProcVariable::Invoke(Value* args, int n) { return InvokeInline(args, n); }

Value TfsProcVariable::CallStep(TfsDesignatorItem& step) {
  if (ParamCount() == 1 && step.ArgCount() == 1) return CallOne(step);
  return CallMany(step);
}

[[gnu::always_inline]] inline Value TfsProcVariable::CallOne(TfsDesignatorItem& step) {
  Value arg = step.Arg(0)->GetValue();
  if (NestedLean()) {
    OneTrade trade(*this, arg);
    return Run<true, true, true>();
  }
  Value result = InvokeInline(&arg, 1);
  if (hasVarParams_) step.Arg(0)->SetValue(arg);
  return result;
}

[[gnu::noinline]] Value TfsProcVariable::CallMany(TfsDesignatorItem& step) {
  const int params = ParamCount();
  if (params > CallFrame::kInlineArgs) throw ScriptError(run_msg::kDirectCallParams);
  // Only as many values as there are parameters are made and destroyed.
  struct Args {
    alignas(Value) unsigned char bytes[CallFrame::kInlineArgs * sizeof(Value)];
    int made = 0;
    Value* At(int j) { return std::launder(reinterpret_cast<Value*>(bytes)) + j; }
    ~Args() {
      if (made == 1)
        At(0)->~Value();
      else
        for (int j = 0; j < made; ++j) At(j)->~Value();
    }
  } args;
  // Every argument is evaluated before the procedure sees any.
  const int given = step.ArgCount();
  if (params == 1 && given >= 1) {
    new (args.At(0)) Value(step.Arg(0)->GetValue());
    args.made = 1;
  } else {
    for (int j = 0; j < params; ++j) {
      new (args.At(j)) Value(j < given ? step.Arg(j)->GetValue() : Param(j)->DefValue());
      ++args.made;
    }
  }
  Value result = InvokeInline(args.At(0), params);
  if (hasVarParams_)
    for (int j = 0; j < params && j < given; ++j)
      if (Param(j)->IsVarParam()) step.Arg(j)->SetValue(*args.At(j));
  return result;
}

Value TfsProcVariable::Read(Caller& call) { return Invoke(call.args_, call.Count()); }

}  // namespace qv
