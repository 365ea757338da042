// Host classes as rows: each member one declaration and the code that runs
// it, registered on a thread's program in one loop.
//
//   const HostMember kRows[] = {
//       {RowKind::Property, u"Count", u"integer", u"", [](HostObject* o, Caller&) { ... }},
//       {RowKind::Method, u"procedure Clear", u"", u"", [](HostObject* o, Caller&) { ... }},
//       {RowKind::DefaultProperty, u"Items", u"string", u"variant", read, write},
//   };
//   RegisterHostClass(prog, kTInfoClass, u"TObject", kRows);
//
// Each member gets its own handler, so nothing is dispatched by name. A
// member called on nil or on a freed object, or on an object of another
// class, raises "Invalid object reference".
#pragma once

#include <span>
#include <string_view>

#include "engine/engine.h"

namespace qv::host {

// `self` is the object the member is called on (nullptr for nil).
using MemberRead = Value (*)(HostObject* self, Caller& call);
using MemberWrite = void (*)(HostObject* self, const Value& value, Caller& call);

enum class RowKind {
  Constructor,     // declaration "constructor Create..."
  Method,          // declaration "procedure ..." or "function ..."
  Property,        // name and type
  IndexProperty,   // name, type and the index types
  DefaultProperty  // as IndexProperty, and used when the object is indexed
};

struct HostMember {
  RowKind kind;
  const char16_t* text;   // declaration of a method or constructor, name of a property
  const char16_t* type;   // type of a property
  const char16_t* index;  // index types of an indexed property, comma separated
  MemberRead read;
  MemberWrite write = nullptr;  // none: read only
};

// Registers `cls` with `ancestor` (a class name) and its members on `prog`
// and returns the class item. Registering the same class on the same
// program again adds nothing; a different visible class of the same name
// raises.
TfsClassVariable& RegisterHostClass(TfsScript& prog, const HostClass& cls, std::u16string_view ancestor,
                                    std::span<const HostMember> members);

// The object a member is called on, as a T.
template <class T>
T& Self(HostObject* self) {
  T* t = dynamic_cast<T*>(self);
  if (t == nullptr) ObjectRegistry::ThrowInvalid();
  return *t;
}

// The result of a member that gives none.
inline Value NoResult() { return Value::Int(0); }

// "procedure Free": releases an object the script owns; nil and objects the
// script does not own (the thread's own ones) are left alone.
Value FreeMember(HostObject* self, Caller& call);

}  // namespace qv::host
