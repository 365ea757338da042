// Registered host classes: members, ancestor lookup, instances.
#include <type_traits>

#include "engine/items/items.h"
#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/run/run_messages.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

// Item kind and type name of a published property.
std::pair<TfsVarType, std::u16string> KindOf(const HostProperty& p) {
  switch (p.kind) {
    case PropertyKind::Char:
      return {fvtChar, u""};
    case PropertyKind::Enum:
      if (SameText(p.typeName, u"Boolean") || SameText(p.typeName, u"bool")) return {fvtBool, p.typeName};
      return {fvtEnum, p.typeName};
    case PropertyKind::Float:
      return {fvtFloat, u""};
    case PropertyKind::String:
      return {fvtString, u""};
    case PropertyKind::Set:
      return {fvtEnum, p.typeName};
    case PropertyKind::Object:
      return {fvtClass, p.typeName};
    case PropertyKind::Variant:
      return {fvtVariant, u""};
    default:
      return {fvtInt, u""};
  }
}

// Ancestor chains longer than this are taken to be cycles.
constexpr int kMaxAncestorDepth = 64;

std::u16string Trimmed(std::u16string_view s) { return std::u16string(TrimBlanks(s)); }

}  // namespace

TfsClassVariable::TfsClassVariable(const HostClass& cls, std::u16string ancestor, TfsScript* program)
    : TfsCustomVariable(cls.name, fvtClass, cls.name),
      ancestor_(std::move(ancestor)),
      classRef_(&cls),
      program_(program) {
  // The type-cast argument: TSomeClass(x) yields x.
  AddParam(std::make_unique<TfsParamItem>(u"", fvtVariant, u"", true, false));
  ImportPublished();
}

void TfsClassVariable::ImportPublished() {
  for (const HostProperty* p : classRef_->PublishedProperties()) {
    if (p->kind == PropertyKind::Event) continue;
    auto [typ, typeName] = KindOf(*p);
    auto member = std::make_unique<TfsPropertyHelper>(p->name, typ, typeName);
    member->SetIsPublished(true);
    member->SetClassRef(classRef_);
    member->SetIsReadOnly(!p->set);
    AddMember(std::move(member));
  }
}

template <class T>
T* TfsClassVariable::AddMember(std::unique_ptr<T> member) {
  T* raw = member.get();
  memberItems_.push_back(raw);
  members_.Add(std::move(member));
  return raw;
}

TfsCustomVariable* TfsClassVariable::Member(int i) const {
  if (static_cast<size_t>(i) >= memberItems_.size()) throw ListIndexError(i);
  return memberItems_[static_cast<size_t>(i)];
}

Value TfsClassVariable::Read(Caller& call) {
  if (call.Count() > 0) {
    const Value& cast = call.GetParam(0);
    if (!cast.is_null() && !cast.is_empty()) return cast;
  }
  if (!classRef_->create) throw ScriptError(run_msg::kCannotCreate + Name());
  TfsScript* owner = call.Prog() != nullptr ? call.Prog() : program_;
  if (owner == nullptr) throw ScriptError(run_msg::kCannotCreate + Name());
  return Value::Object(owner->AdoptObject(classRef_->create()));
}

Value TfsClassVariable::GetValue() {
  CallFrame frame(*this, program_);
  frame.Arg(0) = Param(0)->PValue();
  Param(0)->PValue() = Value::Null();
  return Read(frame);
}

template <class H>
TfsMethodHelper* TfsClassVariable::AddMethodImpl(std::u16string_view syntax, H handler) {
  if (program_ == nullptr) throw ScriptError(run_msg::kClass + Name() + run_msg::kHasNoProgram);
  auto method = std::make_unique<TfsMethodHelper>(syntax, *program_);
  if constexpr (std::is_same_v<H, TfsCallMethodNewEvent>)
    method->SetOnCallNew(std::move(handler));
  else
    method->SetOnCall(std::move(handler));
  method->SetClassRef(classRef_);
  return AddMember(std::move(method));
}

TfsMethodHelper* TfsClassVariable::AddMethod(std::u16string_view syntax, TfsCallMethodNewEvent handler) {
  return AddMethodImpl(syntax, std::move(handler));
}

TfsMethodHelper* TfsClassVariable::AddMethod(std::u16string_view syntax, TfsCallMethodEvent handler) {
  return AddMethodImpl(syntax, std::move(handler));
}

namespace {

std::u16string ConstructorAsFunction(std::u16string_view syntax) {
  size_t blank = syntax.find(u' ');
  std::u16string_view rest =
      blank == std::u16string_view::npos ? std::u16string_view() : syntax.substr(blank);
  return u"function" + std::u16string(rest) + u": Constructor";
}

std::u16string IndexDeclaration(std::u16string_view name, std::u16string_view params,
                                std::u16string_view typ) {
  std::u16string list;
  int i = 0;
  size_t start = 0;
  while (!params.empty() && start <= params.size()) {
    size_t comma = params.find(u',', start);
    std::u16string_view part =
        params.substr(start, comma == std::u16string_view::npos ? std::u16string_view::npos : comma - start);
    if (i > 0) list += u"; ";
    list += u"p" + IntToText(i++) + u": " + Trimmed(part);
    if (comma == std::u16string_view::npos) break;
    start = comma + 1;
  }
  return u"function " + std::u16string(name) + u"(" + list + u"): " + std::u16string(typ);
}

}  // namespace

TfsMethodHelper* TfsClassVariable::AddConstructor(std::u16string_view syntax, TfsCallMethodNewEvent handler) {
  return AddMethod(ConstructorAsFunction(syntax), std::move(handler));
}

TfsMethodHelper* TfsClassVariable::AddConstructor(std::u16string_view syntax, TfsCallMethodEvent handler) {
  return AddMethod(ConstructorAsFunction(syntax), std::move(handler));
}

TfsPropertyHelper* TfsClassVariable::AddProperty(std::u16string name, std::u16string typ,
                                                 TfsGetValueEvent get, TfsSetValueEvent set) {
  TfsVarType kind = program_ != nullptr ? program_->KindOfTypeName(typ) : fvtClass;
  auto p = std::make_unique<TfsPropertyHelper>(std::move(name), kind, std::move(typ));
  p->SetIsReadOnly(!set);
  p->SetOnGetValue(std::move(get));
  p->SetOnSetValue(std::move(set));
  p->SetClassRef(classRef_);
  return AddMember(std::move(p));
}

TfsPropertyHelper* TfsClassVariable::AddPropertyEx(std::u16string name, std::u16string typ,
                                                   TfsGetValueNewEvent get, TfsSetValueNewEvent set) {
  TfsVarType kind = program_ != nullptr ? program_->KindOfTypeName(typ) : fvtClass;
  auto p = std::make_unique<TfsPropertyHelper>(std::move(name), kind, std::move(typ));
  p->SetIsReadOnly(!set);
  p->SetOnGetValueNew(std::move(get));
  p->SetOnSetValueNew(std::move(set));
  p->SetClassRef(classRef_);
  return AddMember(std::move(p));
}

template <class H>
TfsMethodHelper* TfsClassVariable::AddIndexImpl(std::u16string_view name, std::u16string_view params,
                                                std::u16string_view typ, H handler, bool readOnly) {
  TfsMethodHelper* m = AddMethod(IndexDeclaration(name, params, typ), std::move(handler));
  m->SetIndexMethod(true);
  m->SetIsReadOnly(readOnly);
  return m;
}

TfsMethodHelper* TfsClassVariable::AddIndexProperty(std::u16string_view name, std::u16string_view params,
                                                    std::u16string_view typ, TfsCallMethodNewEvent handler,
                                                    bool readOnly) {
  return AddIndexImpl(name, params, typ, std::move(handler), readOnly);
}

TfsMethodHelper* TfsClassVariable::AddIndexProperty(std::u16string_view name, std::u16string_view params,
                                                    std::u16string_view typ, TfsCallMethodEvent handler,
                                                    bool readOnly) {
  return AddIndexImpl(name, params, typ, std::move(handler), readOnly);
}

TfsMethodHelper* TfsClassVariable::AddDefaultProperty(std::u16string_view name, std::u16string_view params,
                                                      std::u16string_view typ, TfsCallMethodNewEvent handler,
                                                      bool readOnly) {
  defProperty_ = AddIndexImpl(name, params, typ, std::move(handler), readOnly);
  return defProperty_;
}

TfsMethodHelper* TfsClassVariable::AddDefaultProperty(std::u16string_view name, std::u16string_view params,
                                                      std::u16string_view typ, TfsCallMethodEvent handler,
                                                      bool readOnly) {
  defProperty_ = AddIndexImpl(name, params, typ, std::move(handler), readOnly);
  return defProperty_;
}

TfsEventHelper* TfsClassVariable::AddEvent(std::u16string name, TfsEventClass event) {
  auto e = std::make_unique<TfsEventHelper>(std::move(name), std::move(event));
  e->SetClassRef(classRef_);
  return AddMember(std::move(e));
}

TfsComponentHelper* TfsClassVariable::AddComponent(std::u16string name, std::u16string className,
                                                   int32_t componentId) {
  return AddMember(std::make_unique<TfsComponentHelper>(std::move(name), std::move(className), componentId));
}

TfsCustomVariable* TfsClassVariable::Find(std::u16string_view name) const {
  std::u16string upper = UpperCase(name);
  const TfsClassVariable* cls = this;
  for (int depth = 0; cls != nullptr && depth < kMaxAncestorDepth; ++depth) {
    for (TfsCustomVariable* m : cls->memberItems_)
      if (m->UppercaseName() == upper) return m;
    if (cls->ancestor_.empty() || cls->program_ == nullptr) break;
    const TfsClassVariable* next = cls->program_->FindClass(cls->ancestor_);
    if (next == this || next == cls) break;
    cls = next;
  }
  return nullptr;
}

}  // namespace qv
