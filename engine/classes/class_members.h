// The built-in classes as rows: each class with its ancestor and members,
// each member one declaration and the code that runs it. Registration reads
// the declarations, and the dispatcher's upper-case keys are derived from
// the same text, so a member cannot be registered without its code and a
// handler cannot wait for a name that is spelled differently.
//
// Declarations:
//   "constructor Create(AOwner: TComponent)"
//   "procedure Clear", "function Add(Item: TObject): Integer"
//   "property Count: Integer"                  read only when it has no setter
//   "property Names[Integer]: string"          indexed: keys NAMES.GET, NAMES.SET
//   "property Items[Integer]: TObject; default"
#pragma once

#include <span>
#include <string_view>

#include "engine/items/caller.h"
#include "engine/items/host_class.h"
#include "engine/value/value.h"

namespace qv {

// `self` is the object the member is called on (nullptr for nil).
using MemberGet = Value (*)(HostObject* self, Caller& call);
using MemberSet = void (*)(HostObject* self, const Value& value, Caller& call);

struct ClassMember {
  const char16_t* declaration;
  MemberGet get;            // method, constructor, property or index read
  MemberSet set = nullptr;  // property or index write; none: read only
};

struct ClassRow {
  const HostClass& (*cls)();
  const char16_t* ancestor;  // empty for the root
  std::span<const ClassMember> members;
};

// The classes in registration order.
std::span<const ClassRow> BuiltinClassRows();

enum class MemberKind { Constructor, Method, Property, Indexed };

struct MemberDeclaration {
  MemberKind kind = MemberKind::Method;
  std::u16string_view name;    // as declared ("IndexOf")
  std::u16string_view params;  // index parameter types of an indexed property
  std::u16string_view type;    // type of a property
  bool isDefault = false;      // the property used when the object is indexed
};

// Reads the parts of a member declaration above; raises ScriptError
// "Invalid declaration: ..." when it has no name.
MemberDeclaration ParseMemberDeclaration(std::u16string_view declaration);

}  // namespace qv
