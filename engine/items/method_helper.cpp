// The host bridge: calling registered methods and properties.
#include <algorithm>
#include <vector>

#include "engine/items/declaration.h"
#include "engine/items/items.h"
#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"

namespace qv {

// Sets a frame's assigned value for one ".SET" call.
class AssignedValueScope {
 public:
  AssignedValueScope(Caller& call, const Value& v) : call_(call) { call_.setValue_ = v; }
  ~AssignedValueScope() { call_.setValue_ = Value::Null(); }
  AssignedValueScope(const AssignedValueScope&) = delete;
  AssignedValueScope& operator=(const AssignedValueScope&) = delete;

 private:
  Caller& call_;
};

HostObject* InstanceOf(const Caller& call) {
  int32_t id = ObjectIdOf(call.ParentValue());
  return id == 0 ? nullptr : &ObjectRegistry::Instance().Get(id);
}

// ---- TfsCustomHelper ------------------------------------------------------

void TfsCustomHelper::FillFromParams(CallFrame& frame) const {
  int n = std::min(frame.Count(), ParamCount());
  for (int j = 0; j < n; ++j) frame.Arg(j) = Param(j)->PValue();
}

Value TfsCustomHelper::GetValue() {
  CallFrame frame(*this, nullptr);
  FillFromParams(frame);
  return Read(frame);
}

void TfsCustomHelper::SetValue(const Value& v) {
  CallFrame frame(*this, nullptr);
  FillFromParams(frame);
  Write(frame, v);
}

// ---- TfsMethodHelper ------------------------------------------------------

TfsMethodHelper::TfsMethodHelper(std::u16string_view syntax, TfsScript& script)
    : TfsCustomHelper(u"", fvtClass, u""), syntax_(syntax), registeredIn_(&script) {
  TfsDeclaration d = ParseDeclarationSyntax(syntax, script);
  SetName(std::move(d.name));
  SetTyp(d.typ);
  SetTypeName(std::move(d.typeName));
  SetIsMacro(d.isMacro);
  for (auto& p : d.params) AddParam(std::move(p));
  SetIsReadOnly(true);
  getName_ = UppercaseName();
  setName_ = UppercaseName() + u".SET";
}

void TfsMethodHelper::SetIndexMethod(bool on) {
  indexMethod_ = on;
  getName_ = on ? UppercaseName() + u".GET" : UppercaseName();
}

Value TfsMethodHelper::CallOld(HostObject* instance, const std::u16string& name, Caller& call,
                               const Value* assigned) {
  std::vector<Value> params;
  params.reserve(static_cast<size_t>(call.Count()) + 1);
  for (int i = 0; i < call.Count(); ++i) params.push_back(call.GetParam(i));
  if (assigned != nullptr) params.push_back(*assigned);
  Value result = onCall_(instance, classRef_, name, params);
  if (assigned == nullptr) {
    int n = std::min(call.Count(), ParamCount());
    for (int i = 0; i < n && static_cast<size_t>(i) < params.size(); ++i)
      if (Param(i)->IsVarParam()) call.SetParam(i, std::move(params[static_cast<size_t>(i)]));
  }
  return result;
}

Value TfsMethodHelper::Read(Caller& call) {
  if (call.Prog() == nullptr) call.SetProg(registeredIn_);
  HostObject* instance = InstanceOf(call);
  if (onCallNew_) return onCallNew_(instance, classRef_, getName_, call);
  if (onCall_) return CallOld(instance, getName_, call, nullptr);
  return Value::Int(0);
}

void TfsMethodHelper::Write(Caller& call, const Value& v) {
  if (!indexMethod_) return;
  if (call.Prog() == nullptr) call.SetProg(registeredIn_);
  HostObject* instance = InstanceOf(call);
  if (onCallNew_) {
    AssignedValueScope scope(call, v);
    onCallNew_(instance, classRef_, setName_, call);
  } else if (onCall_) {
    CallOld(instance, setName_, call, &v);
  }
}

// ---- TfsPropertyHelper ----------------------------------------------------

namespace {

bool NotZero(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Empty:
    case ValueKind::Null:
      return false;
    case ValueKind::Boolean:
      return v.as_bool();
    default:
      try {
        return !Compare(BinaryOp::Eq, v, Value::Int(0));
      } catch (const ScriptError&) {
        return true;  // not comparable with 0, so not equal to it
      }
  }
}

Value AsInteger(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Int32:
    case ValueKind::Int64:
    case ValueKind::UInt64:
    case ValueKind::Object:
      return v;
    default:
      return Value::Int(ToInt32(v));
  }
}

Value FirstChar(const Value& v) {
  std::u16string s = ToText(v);
  return Value::Text(s.empty() ? std::u16string(1, u'\0') : s.substr(0, 1));
}

Value ReadPublished(const HostProperty& p, HostObject& instance) {
  if (!p.get) return Value::Null();
  Value raw = p.get(instance);
  switch (p.kind) {
    case PropertyKind::Integer:
    case PropertyKind::Enum:
    case PropertyKind::Set:
      return AsInteger(raw);
    case PropertyKind::Object:
      return Value::Object(ObjectIdOf(raw));
    case PropertyKind::Char:
      return Value::Text(ToText(raw).substr(0, 1));
    case PropertyKind::Float:
      return Value::Double(ToDouble(raw));
    case PropertyKind::String:
      return raw.is_string() ? raw : Value::Text(ToText(raw));
    case PropertyKind::Variant:
      return raw;
    case PropertyKind::Event:
      break;
  }
  return Value::Null();
}

void WritePublished(const HostProperty& p, TfsVarType typ, HostObject& instance, const Value& v) {
  if (!p.set) return;
  switch (p.kind) {
    case PropertyKind::Integer:
    case PropertyKind::Enum:
    case PropertyKind::Set:
      p.set(instance, typ == fvtBool ? Value::Int(ToBool(v) ? 1 : 0) : AsInteger(v));
      return;
    case PropertyKind::Object:
      p.set(instance, Value::Object(ObjectIdOf(v)));
      return;
    case PropertyKind::Char:
      p.set(instance, FirstChar(v));
      return;
    case PropertyKind::Float:
      p.set(instance, Value::Double(ToDouble(v)));
      return;
    case PropertyKind::String:
      p.set(instance, v.is_string() ? v : Value::Text(ToText(v)));
      return;
    case PropertyKind::Variant:
      p.set(instance, v);
      return;
    case PropertyKind::Event:
      return;
  }
}

}  // namespace

Value TfsPropertyHelper::Read(Caller& call) {
  Value v = Value::Null();
  HostObject* instance = InstanceOf(call);
  if (isPublished_ && instance != nullptr) {
    if (const HostProperty* p = instance->Class().FindProperty(Name())) v = ReadPublished(*p, *instance);
  } else if (onGetValue_) {
    v = onGetValue_(instance, classRef_, UppercaseName());
  } else if (onGetValueNew_) {
    v = onGetValueNew_(instance, classRef_, UppercaseName(), call);
  }
  if (Typ() == fvtBool) v = Value::Bool(NotZero(v));
  return v;
}

void TfsPropertyHelper::Write(Caller& call, const Value& v) {
  if (IsReadOnly()) return;
  HostObject* instance = InstanceOf(call);
  if (isPublished_ && instance != nullptr) {
    if (const HostProperty* p = instance->Class().FindProperty(Name()))
      WritePublished(*p, Typ(), *instance, v);
  } else if (onSetValue_) {
    onSetValue_(instance, classRef_, UppercaseName(), v);
  } else if (onSetValueNew_) {
    onSetValueNew_(instance, classRef_, UppercaseName(), v, call);
  }
}

}  // namespace qv
