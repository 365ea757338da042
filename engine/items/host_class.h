// Host class descriptors: what the engine knows about a class of host
// objects that scripts can use (its name, its ancestor, how to make an
// instance, and its published properties).
//
// Descriptors are plain data, usually static, and must outlive every program
// that registers them:
//
//   const HostClass kTObjectClass{u"TObject", nullptr, nullptr, {}};
//   const HostClass kTComponentClass{
//       u"TComponent", &kTObjectClass,
//       [] { return std::make_unique<Component>(); },
//       {{u"Tag", PropertyKind::Integer, u"",
//         [](HostObject& o) { return Value::Int(static_cast<Component&>(o).tag); },
//         [](HostObject& o, const Value& v) { static_cast<Component&>(o).tag = ToInt32(v); }}}};
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/value/value.h"

namespace qv {

class HostObject;

// What a published property holds; decides the kind of its engine item and
// how values are read and written.
enum class PropertyKind {
  Integer,  // also 64-bit integers, arrays, records, interfaces: read as integers
  Char,     // one character
  Enum,     // typeName is the enumeration; "Boolean"/"bool" make a boolean item
  Set,      // typeName is the set type
  Float,
  String,
  Object,  // typeName is the class name; the value is an object reference
  Variant,
  Event  // not imported as a property; assigned through event members
};

// Entry point of an event adapter: the host calls it with the event's
// arguments and reads back by-reference ones from `args`.
using TfsEventMethod = std::function<Value(std::vector<Value>& args)>;

struct HostProperty {
  std::u16string name;
  PropertyKind kind = PropertyKind::Integer;
  std::u16string typeName;
  std::function<Value(HostObject&)> get;
  std::function<void(HostObject&, const Value&)> set;  // empty: read only
  // Event properties: binds (or, with an empty method, clears) the handler.
  std::function<void(HostObject&, TfsEventMethod)> setEvent;
};

struct HostClass {
  std::u16string name;
  const HostClass* ancestor = nullptr;
  // Makes a new, not yet initialised instance; empty for classes that
  // scripts cannot instantiate.
  std::function<std::unique_ptr<HostObject>()> create;
  // The class's own published properties (inherited ones are found through
  // the ancestor).
  std::vector<HostProperty> properties;

  // True for this class and every class derived from `other`.
  bool InheritsFrom(const HostClass& other) const;
  // Own and inherited properties, sorted by name without regard to case; a
  // property redeclared by a descendant hides the ancestor's.
  std::vector<const HostProperty*> PublishedProperties() const;
  // Nearest declaration of a property, by name without regard to case.
  const HostProperty* FindProperty(std::u16string_view name) const;
};

}  // namespace qv
