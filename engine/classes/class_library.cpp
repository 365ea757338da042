#include "engine/classes/class_library.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "engine/classes/class_members.h"
#include "engine/classes/streams.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

// What a dispatch key leads to: a member row, and for an indexed property
// whether the key is its ".SET".
struct Target {
  const ClassMember* member = nullptr;
  bool assign = false;
};

using Keys = std::unordered_map<std::u16string, Target>;

struct ClassKeys {
  Keys methods;     // methods, constructors, NAME.GET and NAME.SET of indexed properties
  Keys properties;  // plain properties
};

// The dispatch keys of every class, derived once from the rows.
const std::unordered_map<const HostClass*, ClassKeys>& DispatchTable() {
  static const auto table = [] {
    std::unordered_map<const HostClass*, ClassKeys> t;
    for (const ClassRow& row : BuiltinClassRows()) {
      ClassKeys& keys = t[&row.cls()];
      for (const ClassMember& m : row.members) {
        MemberDeclaration d = ParseMemberDeclaration(m.declaration);
        std::u16string key = UpperCase(d.name);
        switch (d.kind) {
          case MemberKind::Constructor:
          case MemberKind::Method:
            keys.methods.emplace(key, Target{&m});
            break;
          case MemberKind::Property:
            keys.properties.emplace(key, Target{&m});
            break;
          case MemberKind::Indexed:
            keys.methods.emplace(key + u".GET", Target{&m});
            if (m.set) keys.methods.emplace(key + u".SET", Target{&m, true});
            break;
        }
      }
    }
    return t;
  }();
  return table;
}

// The member behind `name` at `classType`; nullptr for a name the class does
// not register here (another module may have added it). A class this module
// never registered cannot reach its handlers unless the wiring is wrong.
const Target* Find(const HostClass* classType, const std::u16string& name, bool property) {
  const auto& table = DispatchTable();
  auto cls = table.find(classType);
  if (cls == table.end())
    throw ScriptError(u"Class " + (classType ? classType->name : std::u16string(u"(none)")) +
                      u" is not a built-in class");
  const Keys& keys = property ? cls->second.properties : cls->second.methods;
  auto it = keys.find(name);
  return it == keys.end() ? nullptr : &it->second;
}

}  // namespace

// A name the class does not know leaves the result at the integer 0.
Value TfsClassesRTTI::CallMethod(HostObject* instance, const HostClass* classType, const std::u16string& name,
                                 Caller& call) {
  const Target* t = Find(classType, name, false);
  if (!t) return Value::Int(0);
  if (!t->assign) return t->member->get(instance, call);
  t->member->set(instance, call.GetParam(call.Count()), call);  // the assigned value follows the index
  return Value::Int(0);
}

Value TfsClassesRTTI::GetProp(HostObject* instance, const HostClass* classType, const std::u16string& name,
                              Caller& call) {
  const Target* t = Find(classType, name, true);
  return t ? t->member->get(instance, call) : Value::Int(0);
}

void TfsClassesRTTI::SetProp(HostObject* instance, const HostClass* classType, const std::u16string& name,
                             const Value& v, Caller& call) {
  const Target* t = Find(classType, name, true);
  if (t && t->member->set) t->member->set(instance, v, call);
}

// ---- registration ---------------------------------------------------------

namespace {

void RegisterConstants(TfsScript& script) {
  static const struct {
    const char16_t* name;
    int32_t value;
  } kConstants[] = {
      {u"fmCreate", fmCreate},
      {u"fmOpenRead", fmOpenRead},
      {u"fmOpenWrite", fmOpenWrite},
      {u"fmOpenReadWrite", fmOpenReadWrite},
      {u"fmShareExclusive", fmShareExclusive},
      {u"fmShareDenyWrite", fmShareDenyWrite},
      {u"fmShareDenyNone", fmShareDenyNone},
      {u"soFromBeginning", soFromBeginning},
      {u"soFromCurrent", soFromCurrent},
      {u"soFromEnd", soFromEnd},
  };
  for (const auto& c : kConstants) script.AddConst(c.name, u"Integer", Value::Int(c.value));
  script.AddEnum(u"TDuplicates", u"dupIgnore, dupAccept, dupError");
  script.AddEnum(u"TPrinterOrientation", u"poPortrait, poLandscape");
}

TfsClassVariable& ClassOf(TfsScript& script, const HostClass& cls, std::u16string_view ancestor) {
  TfsClassVariable* c = script.AddClass(cls, ancestor);
  if (!c) c = script.FindClass(cls.name);  // already visible: extend it
  if (!c) throw ScriptError(u"Cannot register class " + cls.name);
  return *c;
}

void AddMember(TfsClassVariable& c, const ClassMember& m) {
  MemberDeclaration d = ParseMemberDeclaration(m.declaration);
  bool readOnly = m.set == nullptr;
  switch (d.kind) {
    case MemberKind::Constructor:
      c.AddConstructor(m.declaration, TfsClassesRTTI::CallMethod);
      break;
    case MemberKind::Method:
      c.AddMethod(m.declaration, TfsClassesRTTI::CallMethod);
      break;
    case MemberKind::Property:
      c.AddPropertyEx(std::u16string(d.name), std::u16string(d.type), TfsClassesRTTI::GetProp,
                      readOnly ? TfsSetValueNewEvent() : TfsSetValueNewEvent(TfsClassesRTTI::SetProp));
      break;
    case MemberKind::Indexed:
      if (d.isDefault)
        c.AddDefaultProperty(d.name, d.params, d.type, TfsClassesRTTI::CallMethod, readOnly);
      else
        c.AddIndexProperty(d.name, d.params, d.type, TfsClassesRTTI::CallMethod, readOnly);
      break;
  }
}

}  // namespace

TfsClassesRTTI::TfsClassesRTTI(TfsScript& script) : TfsRTTIModule(script) {
  RegisterConstants(script);
  for (const ClassRow& row : BuiltinClassRows()) {
    TfsClassVariable& c = ClassOf(script, row.cls(), row.ancestor);
    for (const ClassMember& m : row.members) AddMember(c, m);
  }
}

void RegisterClassesModule() {
  static std::once_flag once;
  std::call_once(once, [] {
    ModuleRegistry::Instance().Add(
        u"TfsClassesRTTI", ModuleRegistry::kBuiltinClassesOrder,
        [](TfsScript& script) { return std::make_unique<TfsClassesRTTI>(script); });
  });
}

namespace {
// Linking the module in is enough to enter it in the registry.
[[maybe_unused]] const bool kRegistered = (RegisterClassesModule(), true);
}  // namespace

}  // namespace qv
