// Calling a script procedure.
#include <algorithm>
#include <vector>

#include "engine/items.h"
#include "engine/program.h"
#include "engine/statement.h"

namespace qv {

TfsProcVariable::TfsProcVariable(std::u16string name, TfsVarType typ, std::u16string typeName,
                                 TfsScript* parent, bool isFunc)
    : TfsCustomVariable(std::move(name), typ, std::move(typeName)),
      isFunc_(isFunc),
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
  AddParam(std::move(param));
  program_->AddBorrowed(raw->Name(), raw);
  return raw;
}

namespace {

// Restores on every way out of a call what the call changed.
class CallScope {
 public:
  CallScope(bool& executing, TfsScript& local)
      : executing_(executing), wasExecuting_(executing), local_(local) {
    executing_ = true;
    for (TfsScript* p = &local; p != nullptr; p = p->Parent())
      if (p->MainProg()) {
        main_ = p;
        break;
      }
    if (main_ != nullptr) {
      previous_ = main_->ProgRunning();
      main_->SetProgRunning(&local);
    }
  }
  ~CallScope() {
    local_.SetExitCalled(false);
    local_.SetTerminated(false);
    local_.SetIsRunning(false);
    if (main_ != nullptr) main_->SetProgRunning(previous_);
    executing_ = wasExecuting_;
  }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  bool& executing_;
  bool wasExecuting_;
  TfsScript& local_;
  TfsScript* main_ = nullptr;
  TfsScript* previous_ = nullptr;
};

// The values of a local program's variables and parameters, by table
// position, restored when the scope ends.
class SavedLocals {
 public:
  explicit SavedLocals(TfsScript& local) {
    const int n = local.Count();
    saved_.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      TfsCustomVariable* item = local.Items(i)->AsItem();
      // Storage items of a local program are its variables and parameters
      // (a few builder-made unnamed items besides, which keep their value).
      bool storage = item != nullptr && item->HasStorage();
      saved_.push_back({storage ? item : nullptr, storage ? item->StoredValue() : Value()});
    }
  }
  ~SavedLocals() {
    for (auto& [item, value] : saved_)
      if (item != nullptr) item->RestoreStoredValue(std::move(value));
  }
  SavedLocals(const SavedLocals&) = delete;
  SavedLocals& operator=(const SavedLocals&) = delete;

 private:
  std::vector<std::pair<TfsCustomVariable*, Value>> saved_;
};

}  // namespace

Value TfsProcVariable::GetValue() {
  CallScope scope(executing_, *program_);
  if (isFunc_) result_->SetValue(Value());
  program_->SetExitCalled(false);
  program_->SetTerminated(false);
  program_->SetIsRunning(true);
  program_->Statement()->Execute();
  return isFunc_ ? result_->GetValue() : Value::Null();
}

Value TfsProcVariable::Read(Caller& call) {
  auto run = [&] {
    int n = std::min(call.Count(), ParamCount());
    for (int j = 0; j < n; ++j) Param(j)->SetValue(call.GetParam(j));
    Value result = GetValue();
    for (int j = 0; j < n; ++j)
      if (Param(j)->IsVarParam()) call.SetParam(j, Param(j)->GetValue());
    return result;
  };
  if (!executing_) return run();
  // The frame has taken the by-reference results before the locals come
  // back, so a result meant for a local of the calling level survives.
  SavedLocals saved(*program_);
  return run();
}

}  // namespace qv
