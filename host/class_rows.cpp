#include "host/class_rows.h"

#include <string>

namespace qv::host {

namespace {

TfsCallMethodNewEvent MethodHandler(MemberRead read) {
  return [read](HostObject* self, const HostClass*, const std::u16string&, Caller& call) {
    return read(self, call);
  };
}

// Indexed properties arrive as "NAME.GET" and "NAME.SET"; the assigned value
// of a ".SET" follows the index arguments.
TfsCallMethodNewEvent IndexHandler(MemberRead read, MemberWrite write) {
  return [read, write](HostObject* self, const HostClass*, const std::u16string& name, Caller& call) {
    if (write != nullptr && name.ends_with(u".SET")) {
      write(self, call.GetParam(call.Count()), call);
      return NoResult();
    }
    return read(self, call);
  };
}

void AddMember(TfsClassVariable& c, const HostMember& m) {
  const bool readOnly = m.write == nullptr;
  switch (m.kind) {
    case RowKind::Constructor:
      c.AddConstructor(m.text, MethodHandler(m.read));
      break;
    case RowKind::Method:
      c.AddMethod(m.text, MethodHandler(m.read));
      break;
    case RowKind::Property: {
      TfsGetValueNewEvent get = [read = m.read](HostObject* self, const HostClass*, const std::u16string&,
                                                Caller& call) { return read(self, call); };
      TfsSetValueNewEvent set;
      if (!readOnly)
        set = [write = m.write](HostObject* self, const HostClass*, const std::u16string&, const Value& v,
                                Caller& call) { write(self, v, call); };
      c.AddPropertyEx(m.text, m.type, std::move(get), std::move(set));
      break;
    }
    case RowKind::IndexProperty:
      c.AddIndexProperty(m.text, m.index, m.type, IndexHandler(m.read, m.write), readOnly);
      break;
    case RowKind::DefaultProperty:
      c.AddDefaultProperty(m.text, m.index, m.type, IndexHandler(m.read, m.write), readOnly);
      break;
  }
}

}  // namespace

TfsClassVariable& RegisterHostClass(TfsScript& prog, const HostClass& cls, std::u16string_view ancestor,
                                    std::span<const HostMember> members) {
  if (TfsClassVariable* known = prog.FindClass(cls.name)) {
    if (&known->ClassRef() == &cls && known->Prog() == &prog) return *known;
  }
  TfsClassVariable* c = prog.AddClass(cls, ancestor);
  if (c == nullptr) throw ScriptError(u"Cannot register class " + cls.name + u": the name is taken");
  for (const HostMember& m : members) AddMember(*c, m);
  return *c;
}

Value FreeMember(HostObject* self, Caller&) {
  if (self != nullptr) ObjectRegistry::Instance().Free(self->ObjectId());
  return NoResult();
}

}  // namespace qv::host
