// The item list, the item base and the storage items: variables, string
// variables, types and parameters.
#include "engine/items/items.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

// Values of items in shared programs. One lock for all of them: they are
// few and rarely written (application variables and error variables).
std::mutex& TfsCustomVariable::SharedValueMutex() {
  static std::mutex m;
  return m;
}

TfsItemList::~TfsItemList() { TfsItemList::Clear(); }

void TfsItemList::Add(std::unique_ptr<TfsObject> item) {
  if (item) list_.push_back(std::move(item));
}

std::unique_ptr<TfsObject> TfsItemList::Remove(TfsObject* item) {
  for (auto it = list_.begin(); it != list_.end(); ++it)
    if (it->get() == item) {
      std::unique_ptr<TfsObject> owned = std::move(*it);
      list_.erase(it);
      return owned;
    }
  return nullptr;
}

void TfsItemList::Clear() {
  // Moved out first, so an element's destructor never sees a half-cleared list.
  std::vector<std::unique_ptr<TfsObject>> doomed = std::move(list_);
  list_.clear();
  for (auto& item : doomed) item.reset();
}

std::u16string FullTypeName(TfsVarType typ, const std::u16string& typeName) {
  switch (typ) {
    case fvtInt:
      return u"Integer";
    case fvtBool:
      return u"Boolean";
    case fvtFloat:
      return u"Extended";
    case fvtChar:
      return u"Char";
    case fvtString:
      return u"String";
    case fvtClass:
      return typeName;
    case fvtArray:
      return u"Array";
    case fvtVariant:
      return u"Variant";
    case fvtEnum:
      return typeName;
    case fvtConstructor:
      return u"Variant";
  }
  return typeName;
}

// ---- TfsCustomVariable ----------------------------------------------------

TfsCustomVariable::TfsCustomVariable(std::u16string name, TfsVarType typ, std::u16string typeName)
    : name_(std::move(name)), typeName_(std::move(typeName)), typ_(typ) {}

TfsCustomVariable::~TfsCustomVariable() { DropUppercaseName(); }

void TfsCustomVariable::SetName(std::u16string name) {
  name_ = std::move(name);
  DropUppercaseName();
}

void TfsCustomVariable::DropUppercaseName() noexcept {
  const std::u16string* upper = upper_.exchange(nullptr, std::memory_order_acq_rel);
  if (upper != &name_) delete upper;
}

const std::u16string& TfsCustomVariable::MakeUppercaseName() const {
  auto made = std::make_unique<std::u16string>(UpperCase(name_));
  const std::u16string* fresh = *made == name_ ? &name_ : made.get();
  const std::u16string* expected = nullptr;
  // Two threads may race here: the first one's text stays, the other's is
  // dropped.
  if (!upper_.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) return *expected;
  if (fresh != &name_) made.release();
  return *fresh;
}

TfsCustomVariable::Extra& TfsCustomVariable::MakeExtra() {
  if (!extra_) extra_ = std::make_unique<Extra>();
  return *extra_;
}

const std::u16string& TfsCustomVariable::EmptyText() noexcept {
  static const std::u16string empty;
  return empty;
}

const TfsGetVariableValueEvent& TfsCustomVariable::NoGetOverride() noexcept {
  static const TfsGetVariableValueEvent none;
  return none;
}

Value TfsCustomVariable::LoadShared() const {
  std::lock_guard lock(SharedValueMutex());
  return value_;
}

void TfsCustomVariable::StoreShared(Value v) {
  Value old;
  {
    std::lock_guard lock(SharedValueMutex());
    old = std::move(value_);
    value_ = std::move(v);
  }
  // `old` is released outside the lock.
}

void TfsCustomVariable::SetValue(const Value& v) {
  if (!isReadOnly_) StoreValue(v);
}

Value TfsCustomVariable::GetValue() { return LoadValue(); }

Value TfsCustomVariable::Read(Caller&) { return GetValue(); }

void TfsCustomVariable::Write(Caller&, const Value& v) { SetValue(v); }

void TfsCustomVariable::AddParam(std::unique_ptr<TfsParamItem> param) {
  if (!param) return;
  params_.push_back(param.get());
  Add(std::move(param));
}

int TfsCustomVariable::GetNumberOfRequiredParams() const {
  int n = 0;
  for (const TfsParamItem* p : params_)
    if (!p->IsOptional()) ++n;
  return n;
}

// ---- TfsVariable ----------------------------------------------------------

namespace {

Value ConvertByKind(TfsVarType typ, const Value& v) {
  // Text stays UTF-16 and byte strings stay bytes: nothing is lost.
  if (TfsVariable::Holds(typ, v)) return v;
  switch (typ) {
    case fvtInt:
      return Value::Int(ToInt32(v));
    case fvtBool:
      return Value::Bool(ToBool(v));
    case fvtFloat:
      return Value::Double(ToDouble(v));
    case fvtString:
      return Value::Text(ToText(v));
    default:
      return v;
  }
}

Value Override(const TfsCustomVariable& item, const Value& stored) {
  Value replaced = item.OnGetVarValue()(item.Name(), item.Typ(), stored);
  return replaced.is_null() ? stored : replaced;
}

}  // namespace

void TfsVariable::SetValue(const Value& v) {
  if (IsReadOnly()) return;
  StoreValue(ConvertByKind(Typ(), v));
}

Value TfsVariable::GetValue() {
  Value stored = LoadValue();
  if (!HasGetOverride()) return stored;
  return Override(*this, stored);
}

// ---- TfsThreadVariable ----------------------------------------------------

uint64_t TfsThreadVariable::NextSerial() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

Value& TfsThreadVariable::Slot() const {
  // A thread's slots go with the thread.
  thread_local std::unordered_map<uint64_t, Value> slots;
  auto [it, added] = slots.try_emplace(serial_);
  if (added) it->second = LoadValue();
  return it->second;
}

void TfsThreadVariable::SetValue(const Value& v) {
  if (!IsReadOnly()) Slot() = ConvertByKind(Typ(), v);
}

Value TfsThreadVariable::GetValue() {
  Value stored = Slot();
  if (!HasGetOverride()) return stored;
  return Override(*this, stored);
}

Value TfsThreadVariable::StoredValue() const { return Slot(); }

void TfsThreadVariable::RestoreStoredValue(Value v) { Slot() = std::move(v); }

// ---- TfsStringVariable ----------------------------------------------------

void TfsStringVariable::SetValue(const Value& v) { str_ = ToText(v); }

Value TfsStringVariable::GetValue() {
  Value stored = Value::Text(str_);
  if (!HasGetOverride()) return stored;
  return Override(*this, stored);
}

Value TfsStringVariable::StoredValue() const { return Value::Text(str_); }

void TfsStringVariable::RestoreStoredValue(Value v) { str_ = ToText(v); }

// ---- TfsParamItem ---------------------------------------------------------

TfsParamItem::TfsParamItem(std::u16string name, TfsVarType typ, std::u16string typeName, bool isOptional,
                           bool isVarParam)
    : TfsCustomVariable(std::move(name), typ, std::move(typeName)),
      isOptional_(isOptional),
      isVarParam_(isVarParam) {}

}  // namespace qv
