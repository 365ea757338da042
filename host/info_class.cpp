#include "host/info_class.h"

#include <memory>
#include <string>

#include "host/class_rows.h"

namespace qv::host {

const HostClass kTInfoClass{u"TInfo", nullptr, [] { return std::make_unique<InfoObject>(); }, {}};

namespace {

using C = Caller;
using H = HostObject;

TStringHash& Table(H* self) { return Self<InfoObject>(self).Table(); }
std::u16string KeyArg(const C& call, int i) { return ToText(call.GetParam(i)); }

// A value under the empty key could never be read back, so it is not stored.
void Store(H* self, const Value& value, C& call) {
  std::u16string key = KeyArg(call, 0);
  if (!key.empty()) Table(self).SetItems(key, ToText(value));
}

Value Remove(H* self, C& call) {
  Table(self).Delete(KeyArg(call, 0));
  return NoResult();
}

Value Forward(H* self, C&) { return Value::Bool(Table(self).Next()); }
Value Backward(H* self, C&) { return Value::Bool(Table(self).Previous()); }
Value CurrentKey(H* self, C&) { return Value::Text(Table(self).CurrentKey()); }

// Declared as procedures with a boolean result: the result still reaches
// the script, so `while (i.Next())` walks the table.
const HostMember kMembers[] = {
    {RowKind::Property, u"Count", u"integer", u"", [](H* o, C&) { return Value::Int(Table(o).ItemCount()); }},
    {RowKind::Property, u"CurrentKey", u"string", u"", CurrentKey},
    {RowKind::Property, u"Key", u"string", u"", CurrentKey},
    {RowKind::Property, u"Value", u"string", u"", [](H* o, C&) { return Value::Text(Table(o).Value()); }},
    {RowKind::Property, u"next", u"boolean", u"", Forward},
    {RowKind::Property, u"prev", u"boolean", u"", Backward},
    {RowKind::Constructor, u"constructor Create", u"", u"",
     [](H* o, C&) { return Value::Object(Self<InfoObject>(o).ObjectId()); }},
    {RowKind::Method, u"procedure Free", u"", u"", FreeMember},
    {RowKind::Method, u"procedure Clear():boolean;", u"", u"",
     [](H* o, C&) {
       Table(o).Clear();
       return NoResult();
     }},
    {RowKind::Method, u"procedure Delete(index:variant)", u"", u"", Remove},
    {RowKind::Method, u"procedure Unset(index:variant)", u"", u"", Remove},
    {RowKind::Method, u"procedure ReName(old:variant;new:variant)", u"", u"",
     [](H* o, C& c) {
       std::u16string to = KeyArg(c, 1);
       if (!to.empty()) Table(o).Rename(KeyArg(c, 0), to);
       return NoResult();
     }},
    {RowKind::Method, u"procedure ReStart()", u"", u"",
     [](H* o, C&) {
       Table(o).Restart();
       return NoResult();
     }},
    {RowKind::Method, u"procedure Next():boolean;", u"", u"", Forward},
    {RowKind::Method, u"procedure Prev():boolean;", u"", u"", Backward},
    {RowKind::DefaultProperty, u"Items", u"string", u"variant",
     [](H* o, C& c) { return Value::Text(Table(o).Items(KeyArg(c, 0))); }, Store},
};

}  // namespace

void RegisterInfoClass(TfsScript& prog) { RegisterHostClass(prog, kTInfoClass, u"TObject", kMembers); }

}  // namespace qv::host
