// Designators: the general walk, the specialised kinds and late binding.
#include "engine/run/designator.h"

#include <atomic>

#include "engine/items/array_index.h"
#include "engine/program/program.h"
#include "engine/run/expression.h"
#include "engine/run/run_messages.h"
#include "engine/run/specialised.h"
#include "engine/value/value_ops.h"
#include "engine/xml/xml.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

std::atomic<LateBinder> lateBinder{nullptr};

}  // namespace

void SetLateBinder(LateBinder binder) noexcept { lateBinder.store(binder, std::memory_order_release); }

LateBinder GetLateBinder() noexcept { return lateBinder.load(std::memory_order_acquire); }

// ---- TfsDesignatorItem ----------------------------------------------------

TfsDesignatorItem::TfsDesignatorItem(TfsCustomVariable* ref, std::u16string_view sourcePos)
    : sourcePos_(sourcePos) {
  SetRef(ref);
}

TfsDesignatorItem::~TfsDesignatorItem() = default;

void TfsDesignatorItem::SetRef(TfsCustomVariable* ref) noexcept {
  ref_ = ref;
  nested_ = ref != nullptr ? ref->AsDesignator() : nullptr;
  proc_ = ref != nullptr ? ref->AsProcedure() : nullptr;
}

TfsExpression* TfsDesignatorItem::AddArg(std::unique_ptr<TfsExpression> arg) {
  TfsExpression* raw = arg.get();
  if (raw != nullptr) args_.push_back(std::move(arg));
  return raw;
}

// ---- TfsDesignator --------------------------------------------------------

TfsDesignator::TfsDesignator(TfsScript* program)
    : TfsCustomVariable(u"", fvtVariant, u""), program_(program) {
  for (TfsScript* p = program; p != nullptr; p = p->Parent())
    if (p->MainProg()) {
      mainProg_ = p;
      break;
    }
  if (mainProg_ == nullptr) mainProg_ = program;
  if (program != nullptr) program->SetUseClassLateBinding(mainProg_->UseClassLateBinding());
}

TfsDesignator::~TfsDesignator() = default;

TfsDesignatorItem* TfsDesignator::AddStep(TfsCustomVariable* ref, std::u16string_view sourcePos) {
  return AddStep(std::make_unique<TfsDesignatorItem>(ref, sourcePos));
}

TfsDesignatorItem* TfsDesignator::AddStep(std::unique_ptr<TfsDesignatorItem> step) {
  TfsDesignatorItem* raw = step.get();
  if (raw != nullptr) steps_.push_back(std::move(step));
  return raw;
}

void TfsDesignator::RemoveLastStep() {
  if (steps_.empty()) return;
  if (ref2_ == steps_.back().get()) ref2_ = nullptr;
  steps_.pop_back();
}

TfsDesignatorItem* TfsDesignator::Step(int i) const {
  if (static_cast<size_t>(i) >= steps_.size()) throw ListIndexError(i);
  return steps_[static_cast<size_t>(i)].get();
}

void TfsDesignator::Finalize() {
  kind_ = dkOther;
  elementInPlace_ = false;
  ref1_ = nullptr;
  ref2_ = nullptr;
  soleProc_ = steps_.size() == 1 ? steps_[0]->Proc() : nullptr;
  if (steps_.empty() || steps_.back()->Ref() == nullptr) return;

  TfsCustomVariable* last = steps_.back()->Ref();
  SetTyp(last->Typ());
  SetTypeName(last->TypeName());
  // A constructor call has the type of the class it creates.
  if (last->Typ() == fvtConstructor) {
    SetTyp(fvtClass);
    TfsCustomVariable* cls = steps_.size() >= 2 ? steps_[steps_.size() - 2]->Ref() : nullptr;
    SetTypeName(cls != nullptr ? cls->TypeName() : u"");
  }
  SetIsReadOnly(last->IsReadOnly());

  TfsCustomVariable* first = steps_.front()->Ref();
  if (steps_.size() == 1) {
    // Parameters are plain storage too: reading one needs no walk.
    if (dynamic_cast<TfsVariable*>(first) != nullptr || dynamic_cast<TfsParamItem*>(first) != nullptr) {
      kind_ = dkVariable;
      SetRefItem(first);
    }
  } else if (steps_.size() == 2 && first != nullptr) {
    TfsDesignatorItem* second = steps_[1].get();
    if (auto* str = dynamic_cast<TfsStringVariable*>(first)) {
      if (second->ArgCount() >= 1) {
        kind_ = dkStringArray;
        SetRefItem(str);
        ref1_ = second->Arg(0);
      }
    } else if (auto* var = dynamic_cast<TfsVariable*>(first); var != nullptr && var->Typ() == fvtArray) {
      auto* helper = dynamic_cast<TfsArrayHelper*>(var->RefItem());
      if (helper != nullptr && second->Ref() == helper) {
        kind_ = dkArray;
        SetRefItem(var);
        ref1_ = helper;
        ref2_ = second;
      }
    }
    // Any other plain variable or parameter indexed by an array helper (a
    // variant holding an array): the walk reads such an element in place.
    if (kind_ == dkOther && SpecialisedPaths() && first->HasPlainStorage())
      if (auto* helper = dynamic_cast<TfsArrayHelper*>(second->Ref())) {
        kind_ = dkArray;
        SetRefItem(first);
        ref1_ = helper;
        ref2_ = second;
      }
    elementInPlace_ = kind_ == dkArray && SpecialisedPaths();
  }
}

void TfsDesignator::Borrow(TfsDesignator& other) {
  steps_.swap(other.steps_);
  kind_ = other.kind_;
  elementInPlace_ = other.elementInPlace_;
  soleProc_ = other.soleProc_;
  ref1_ = other.ref1_;
  ref2_ = other.ref2_;
  SetTyp(other.Typ());
  SetTypeName(other.TypeName());
  SetIsReadOnly(other.IsReadOnly());
  SetRefItem(other.RefItem());
  Adopted();
}

void TfsDesignator::SetLateBindingXmlSource(std::unique_ptr<TfsXMLItem> xml) {
  lateBindingXmlSource_ = std::move(xml);
}

// The kept element goes whatever happens: a failed rebuild reports its error
// once, and later evaluations walk the steps resolved at build time.
void TfsDesignator::CompleteLateBinding() {
  std::unique_ptr<TfsXMLItem> xml = std::move(lateBindingXmlSource_);
  LateBinder binder = GetLateBinder();
  if (binder == nullptr) throw ScriptError(run_msg::kNoLateBinding);
  if (program_ == nullptr) throw ScriptError(run_msg::kLateBindingProgram);
  std::unique_ptr<TfsDesignator> rebuilt = binder(*xml, *program_);
  if (!rebuilt) throw ScriptError(run_msg::kLateBindingFailed);
  Borrow(*rebuilt);
  // `rebuilt` now holds the old steps and frees them.
}

Value TfsDesignator::GetValue() {
  if (lateBindingXmlSource_) CompleteLateBinding();
  if (soleProc_ != nullptr) return CallProc(*steps_[0], *soleProc_);
  if (Value element; elementInPlace_ && WalkElement(nullptr, element)) return element;
  return Walk(nullptr);
}

void TfsDesignator::SetValue(const Value& v) {
  if (lateBindingXmlSource_) CompleteLateBinding();
  if (Value ignored; elementInPlace_ && WalkElement(&v, ignored)) return;
  Walk(&v);
}

Value TfsDesignator::Walk(const Value* store) {
  Value running = Value::Null();
  TfsCustomVariable* previous = nullptr;
  const size_t n = steps_.size();
  for (size_t i = 0; i < n; ++i) {
    TfsDesignatorItem& step = *steps_[i];
    TfsCustomVariable* x = step.Ref();
    if (x == nullptr) throw ScriptError(run_msg::kUnresolvedStep);
    bool last = i + 1 == n;
    if (TfsDesignator* nested = step.NestedDesignator()) {
      previous = nested;
      if (last && store != nullptr) {
        nested->SetValue(*store);
        return Value::Null();
      }
      running = nested->GetValue();
      continue;
    }
    if (TfsProcVariable* proc = step.Proc(); proc != nullptr && !(last && store != nullptr))
      running = CallProc(step, *proc);
    else
      running = RunStep(step, previous, std::move(running), last, store);
    previous = x;
  }
  return running;
}

// One step through its own frame. All arguments are evaluated before the
// item sees any of them; a recursive script procedure saves and restores its
// locals inside Read, before by-reference results are written back here, so
// a result meant for a local of the calling level is not overwritten.
Value TfsDesignator::RunStep(TfsDesignatorItem& step, TfsCustomVariable* previous, Value running, bool last,
                             const Value* store) {
  TfsCustomVariable& x = *step.Ref();
  const int params = x.ParamCount();
  // Storage items (variables, parameters, constants) ignore the frame.
  if (params == 0 && x.HasStorage()) {
    if (!last || store == nullptr) return x.GetValue();
    x.SetValue(*store);
    return Value();
  }
  CallFrame frame(x, program_);
  const int args = step.ArgCount();
  const bool macro = x.IsMacro();
  for (int j = 0; j < params; ++j) {
    if (j < args) {
      TfsExpression* arg = step.Arg(j);
      frame.Arg(j) = macro ? Value::Text(arg->Source()) : arg->GetValue();
    } else {
      frame.Arg(j) = x.Param(j)->DefValue();
    }
  }
  frame.SetParent(previous, std::move(running));
  frame.SetNeedResult(last ? NeedResult() : true);

  Value result;
  if (last && store != nullptr)
    x.Write(frame, *store);
  else
    result = x.Read(frame);

  for (int j = 0; j < params && j < args; ++j)
    if (x.Param(j)->IsVarParam()) step.Arg(j)->SetValue(frame.GetParam(j));
  return result;
}

// The same order as RunStep: every argument is evaluated before the
// procedure sees any, by-reference results are written back after the
// procedure's locals came back.
Value TfsDesignator::CallFramed(TfsDesignatorItem& step) {
  return RunStep(step, nullptr, Value::Null(), false, nullptr);
}

// ---- array elements in place --------------------------------------------

// The index values of one access as evaluated: 32-bit integers as they
// are, anything else kept to be converted once the array is known, as the
// helper converts its arguments. An index without expression is empty: 0.
struct ArrayIndexValues {
  int32_t at[ArrayBlock::kMaxDims] = {0, 0, 0};
  Value other[ArrayBlock::kMaxDims];
  unsigned convert = 0;  // bit d: index d is other[d]

  void Set(int j, Value v) {
    if (v.is_int32()) {
      at[j] = v.as_int32();
      return;
    }
    other[j] = std::move(v);
    convert |= 1u << j;
  }
  // The element's offset in `a` (-1 when there is none) by the helper's
  // rules for `count` declared indexes.
  long long OffsetIn(const ArrayBlock& a, int count) {
    int32_t index[ArrayBlock::kMaxDims];
    auto at_d = [&](int d) { return (convert >> d & 1u) != 0 ? ToInt32(other[d]) : at[d]; };
    return ConvertIndexes(a.dims, count, at_d, index) ? ElementOffset(a, index, a.dims) : -1;
  }
};

namespace {

// TfsArrayHelper::Read on a stored value: any failure reads Null.
Value ReadElement(const Value& stored, ArrayIndexValues& values, int count) {
  if (!stored.is_array()) return Value::Null();
  const ArrayBlock& a = stored.as_array();
  long long offset;
  try {
    offset = values.OffsetIn(a, count);
  } catch (const ScriptError&) {
    return Value::Null();
  }
  return offset < 0 ? Value::Null() : a.items[static_cast<size_t>(offset)];
}

// TfsArrayHelper::Write on a stored value: the element is replaced as
// given, copying an array shared with other values first.
void WriteElement(Value& stored, ArrayIndexValues& values, int count, const Value& v) {
  if (!stored.is_array()) throw ScriptError(run_msg::kArrayRequired);
  const long long offset = values.OffsetIn(stored.as_array(), count);
  if (offset < 0) throw ScriptError(run_msg::kArrayIndex);
  stored.mutable_array().items[static_cast<size_t>(offset)] = v;
}

}  // namespace

// What the walk does for a variable or parameter indexed by an array
// helper, without its frames, when reading the variable runs no code: the
// variable's value is not used (the helper takes its stored value), the
// index expressions run in order, then the helper's rules. False, having
// evaluated nothing, when the walk must run.
bool TfsDesignator::WalkElement(const Value* store, Value& out) {
  TfsCustomVariable& var = *RefItem();
  TfsCustomVariable& helper = *ref1_;
  TfsDesignatorItem& step = *ref2_;
  const int params = helper.ParamCount();
  if (!var.HasPlainStorage() || var.IsShared() || var.HasGetOverride() || var.ParamCount() != 0 ||
      helper.IsMacro() || params > ArrayBlock::kMaxDims || step.ArgCount() < params)
    return false;
  ArrayIndexValues values;
  for (int j = 0; j < params; ++j) values.Set(j, step.Arg(j)->GetValue());
  if (store == nullptr)
    out = ReadElement(var.PValue(), values, params);
  else
    WriteElement(var.PValue(), values, params, *store);
  return true;
}

// ---- specialised kinds ----------------------------------------------------

// A specialised object that never received its chain walks like any other.
Value TfsVariableDesignator::GetValue() {
  return RefItem() != nullptr ? RefItem()->GetValue() : TfsDesignator::GetValue();
}

void TfsVariableDesignator::SetValue(const Value& v) {
  if (RefItem() != nullptr)
    RefItem()->SetValue(v);
  else
    TfsDesignator::SetValue(v);
}

size_t TfsStringDesignator::Index(const std::u16string& text) {
  int32_t i = ToInt32(Ref1()->GetValue());
  if (i < 1 || static_cast<size_t>(i) > text.size())
    throw ScriptError(run_msg::kStringIndex + IntToText(i) + u")");
  return static_cast<size_t>(i) - 1;
}

Value TfsStringDesignator::GetValue() {
  if (Ref1() == nullptr) return TfsDesignator::GetValue();
  auto& str = static_cast<TfsStringVariable&>(*RefItem());
  size_t at = Index(str.Str());
  return Value::Text(std::u16string(1, str.Str()[at]));
}

void TfsStringDesignator::SetValue(const Value& v) {
  if (Ref1() == nullptr) return TfsDesignator::SetValue(v);
  auto& str = static_cast<TfsStringVariable&>(*RefItem());
  // The index first, then the value: the order the general walk would use.
  size_t at = Index(str.Str());
  std::u16string c = ToText(v);
  str.Str()[at] = c.empty() ? u'\0' : c[0];
}

void TfsArrayDesignator::Adopted() {
  inPlace_ = false;
  TfsCustomVariable* var = RefItem();
  TfsDesignatorItem* step = Ref2();
  declared_ = var != nullptr && Ref1() != nullptr && dynamic_cast<TfsVariable*>(var) != nullptr &&
              var->Typ() == fvtArray && var->RefItem() == Ref1();
  if (!SpecialisedPaths() || !declared_ || step == nullptr) return;
  if (var->Storage() != ItemStorage::Variable) return;
  const int params = Ref1()->ParamCount();
  const int n = std::min(params, step->ArgCount());
  if (params > ArrayBlock::kMaxDims) return;
  for (int j = 0; j < n; ++j) {
    index_[j] = step->Arg(j);
    TfsExpressionNode* root = index_[j]->Root();
    TfsDesignatorNode* node = root != nullptr ? root->AsDesignatorNode() : nullptr;
    indexVar_[j] = node != nullptr && node->IsPlain() ? node->Var() : nullptr;
  }
  params_ = static_cast<int8_t>(params);
  evaluated_ = static_cast<int8_t>(n);
  plainIndexes_ = n == params;
  for (int j = 0; j < n; ++j) plainIndexes_ = plainIndexes_ && indexVar_[j] != nullptr;
  inPlace_ = true;
}

void TfsArrayDesignator::FillIndexes(CallFrame& frame) {
  TfsDesignatorItem& step = *Ref2();
  int n = std::min(frame.Count(), step.ArgCount());
  for (int j = 0; j < n; ++j) frame.Arg(j) = step.Arg(j)->GetValue();
  frame.SetParent(RefItem(), Value::Null());
}

// In order, as the frame would be filled; a plain variable is read as its
// expression node would read it.
inline void TfsArrayDesignator::EvalIndexes(ArrayIndexValues& values) {
  for (int j = 0; j < evaluated_; ++j) {
    TfsCustomVariable* var = indexVar_[j];
    if (var != nullptr && !var->IsShared() && !var->HasGetOverride() && var->PValue().is_int32()) {
      values.at[j] = var->PValue().as_int32();
      continue;
    }
    values.Set(j, index_[j]->GetValue());
  }
}

// a[i, j] with plain variables that hold 32-bit integers: reading them has
// no effect, so when one does not hold one, the indexes are evaluated the
// general way instead.
inline bool TfsArrayDesignator::PlainIndexes(int32_t* index) const noexcept {
  if (!plainIndexes_) return false;
  for (int j = 0; j < evaluated_; ++j) {
    TfsCustomVariable* var = indexVar_[j];
    if (var->IsShared() || var->HasGetOverride() || !var->PValue().is_int32()) return false;
    index[j] = var->PValue().as_int32();
  }
  return true;
}

inline long long TfsArrayDesignator::PlainOffset(const ArrayBlock& a, const int32_t* index) const noexcept {
  return IndexesFit(a.dims, params_) ? ElementOffset(a, index, a.dims) : -1;
}

// As TfsArrayHelper::Read on the variable's stored value: any failure to
// find the element reads Null.
Value TfsArrayDesignator::GetValue() {
  if (int32_t index[ArrayBlock::kMaxDims]; InPlace() && PlainIndexes(index)) {
    const Value& stored = RefItem()->PValue();
    const long long offset = stored.is_array() ? PlainOffset(stored.as_array(), index) : -1;
    return offset < 0 ? Value::Null() : stored.as_array().items[static_cast<size_t>(offset)];
  }
  return GetEvaluated();
}

Value TfsArrayDesignator::GetEvaluated() {
  if (InPlace()) {
    ArrayIndexValues values;
    EvalIndexes(values);
    // The stored value as it is after the indexes ran.
    return ReadElement(RefItem()->PValue(), values, params_);
  }
  if (Ref2() == nullptr || !declared_) return TfsDesignator::GetValue();
  CallFrame frame(*Ref1(), Prog());
  FillIndexes(frame);
  return Ref1()->Read(frame);
}

// As TfsArrayHelper::Write: the element is replaced as given, copying an
// array shared with other values first.
void TfsArrayDesignator::SetValue(const Value& v) {
  if (int32_t index[ArrayBlock::kMaxDims]; InPlace() && PlainIndexes(index)) {
    Value& stored = RefItem()->PValue();
    if (!stored.is_array()) throw ScriptError(run_msg::kArrayRequired);
    const long long offset = PlainOffset(stored.as_array(), index);
    if (offset < 0) throw ScriptError(run_msg::kArrayIndex);
    stored.mutable_array().items[static_cast<size_t>(offset)] = v;
    return;
  }
  SetEvaluated(v);
}

void TfsArrayDesignator::SetEvaluated(const Value& v) {
  if (InPlace()) {
    ArrayIndexValues values;
    EvalIndexes(values);
    WriteElement(RefItem()->PValue(), values, params_, v);
    return;
  }
  if (Ref2() == nullptr || !declared_) return TfsDesignator::SetValue(v);
  CallFrame frame(*Ref1(), Prog());
  FillIndexes(frame);
  Ref1()->Write(frame, v);
}

}  // namespace qv
