// Registering types, constants, variables, enumerations, classes and
// methods into a program.
#include <type_traits>

#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/run/run_messages.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

std::u16string_view Trim(std::u16string_view s) { return TrimBlanks(s); }

}  // namespace

TfsTypeVariable* TfsScript::AddType(std::u16string_view typeName, TfsVarType parentType) {
  if (Visible(typeName)) return nullptr;
  return AddItem(typeName, std::make_unique<TfsTypeVariable>(std::u16string(typeName), parentType, u""));
}

TfsClassVariable* TfsScript::AddClass(const HostClass& cls, std::u16string_view ancestor) {
  if (Visible(cls.name)) return nullptr;
  auto item = std::make_unique<TfsClassVariable>(cls, std::u16string(ancestor), this);
  if (TfsClassVariable* parentClass = ancestor.empty() ? nullptr : FindClass(ancestor))
    item->SetDefProperty(parentClass->DefProperty());
  return AddItem(cls.name, std::move(item));
}

TfsVariable* TfsScript::AddConst(std::u16string_view name, std::u16string_view typ, const Value& value) {
  if (Visible(name)) return nullptr;
  // Complete before it is entered: readers of a shared program never see a
  // constant without its value.
  auto v = std::make_unique<TfsVariable>(std::u16string(name), KindOfTypeName(typ), std::u16string(typ));
  v->SetValue(value);
  v->SetIsReadOnly(true);
  return AddItem(name, std::move(v));
}

TfsVariable* TfsScript::AddVariable(std::u16string_view name, std::u16string_view typ, const Value& value) {
  std::unique_lock lock(additionMutex_, std::defer_lock);
  if (shared_) lock.lock();
  if (Visible(name)) return nullptr;
  auto v = std::make_unique<TfsVariable>(std::u16string(name), KindOfTypeName(typ), std::u16string(typ));
  v->SetValue(value);
  v->SetOnGetVarValue(onGetVarValue_);
  return AddItem(name, std::move(v));
}

TfsVariable* TfsScript::AddThreadVariable(std::u16string_view name, std::u16string_view typ,
                                          const Value& value) {
  std::unique_lock lock(additionMutex_, std::defer_lock);
  if (shared_) lock.lock();
  if (Visible(name)) return nullptr;
  auto v =
      std::make_unique<TfsThreadVariable>(std::u16string(name), KindOfTypeName(typ), std::u16string(typ));
  v->TfsVariable::SetValue(value);
  v->SetOnGetVarValue(onGetVarValue_);
  return AddItem(name, std::move(v));
}

TfsVariable* TfsScript::AddObject(std::u16string_view name, const HostObject& obj) {
  return AddVariable(name, obj.Class().name, Value::Object(obj.ObjectId()));
}

void TfsScript::AddEnumValues(std::u16string_view typ, std::u16string_view names, bool asSet) {
  AddItem(typ, std::make_unique<TfsVariable>(std::u16string(typ), fvtEnum, std::u16string(typ)));
  int i = 0;
  while (!names.empty()) {
    size_t comma = names.find(u',');
    std::u16string_view name = Trim(names.substr(0, comma));
    names = comma == std::u16string_view::npos ? std::u16string_view() : names.substr(comma + 1);
    if (name.empty()) continue;
    Value v;
    if (!asSet)
      v = Value::Int(i);
    else if (i < 31)
      v = Value::Int(int32_t{1} << i);
    else if (i < 63)
      v = Value::Int64(int64_t{1} << i);
    else
      throw ScriptError(run_msg::kTooManySetMembers + std::u16string(typ));
    auto item = std::make_unique<TfsVariable>(std::u16string(name), fvtEnum, std::u16string(typ));
    item->SetValue(v);
    item->SetIsReadOnly(true);
    AddItem(name, std::move(item));
    ++i;
  }
}

void TfsScript::AddEnum(std::u16string_view typ, std::u16string_view names) {
  AddEnumValues(typ, names, false);
}

void TfsScript::AddEnumSet(std::u16string_view typ, std::u16string_view names) {
  AddEnumValues(typ, names, true);
}

namespace {

template <class H>
std::unique_ptr<TfsMethodHelper> NewMethod(TfsScript& script, std::u16string_view syntax, H handler,
                                           std::u16string_view category, std::u16string_view description) {
  auto m = std::make_unique<TfsMethodHelper>(syntax, script);
  if constexpr (std::is_same_v<H, TfsCallMethodNewEvent>)
    m->SetOnCallNew(std::move(handler));
  else
    m->SetOnCall(std::move(handler));
  m->SetCategory(std::u16string(category));
  m->SetDescription(description.empty() ? m->Name() : std::u16string(description));
  return m;
}

}  // namespace

TfsMethodHelper* TfsScript::AddMethod(std::u16string_view syntax, TfsCallMethodNewEvent handler,
                                      std::u16string_view category, std::u16string_view description) {
  auto m = NewMethod(*this, syntax, std::move(handler), category, description);
  std::u16string name = m->Name();
  return AddItem(name, std::move(m));
}

TfsMethodHelper* TfsScript::AddMethod(std::u16string_view syntax, TfsCallMethodEvent handler,
                                      std::u16string_view category, std::u16string_view description) {
  auto m = NewMethod(*this, syntax, std::move(handler), category, description);
  std::u16string name = m->Name();
  return AddItem(name, std::move(m));
}

}  // namespace qv
