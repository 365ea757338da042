#include "engine/classes/class_members.h"

#include <cstdint>
#include <string>

#include "engine/classes/collection.h"
#include "engine/classes/component.h"
#include "engine/classes/list.h"
#include "engine/classes/streams.h"
#include "engine/classes/string_list.h"
#include "engine/classes/xml_objects.h"
#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"

namespace qv {

namespace {

// ---- arguments and results ------------------------------------------------

template <class T>
T& Self(HostObject* instance) {
  T* t = dynamic_cast<T*>(instance);
  if (!t) ObjectRegistry::ThrowInvalid();
  return *t;
}

// An object argument; 0 (nil) gives nullptr.
template <class T>
T* OptionalObjectArg(const Caller& call, int i) {
  int32_t id = ObjectIdOf(call.GetParam(i));
  if (id == 0) return nullptr;
  return &ObjectRegistry::Instance().GetAs<T>(Value::Object(id));
}

template <class T>
T& ObjectArg(const Caller& call, int i) {
  T* t = OptionalObjectArg<T>(call, i);
  if (!t) ObjectRegistry::ThrowInvalid();
  return *t;
}

int32_t IdArg(const Caller& call, int i) { return ObjectIdOf(call.GetParam(i)); }
int32_t IntArg(const Caller& call, int i) { return ToInt32(call.GetParam(i)); }
int64_t Int64Arg(const Caller& call, int i) { return ToInt64(call.GetParam(i)); }
std::u16string TextArg(const Caller& call, int i) { return ToText(call.GetParam(i)); }
Stream& StreamArg(const Caller& call, int i) { return ObjectArg<TStream>(call, i).Impl(); }

Value None() { return Value::Int(0); }

Value IntValue(int64_t n) {
  if (n >= INT32_MIN && n <= INT32_MAX) return Value::Int(static_cast<int32_t>(n));
  return Value::Int64(n);
}

Value ObjectValue(const HostObject* object) { return Value::Object(object ? object->ObjectId() : 0); }

// The reference object of an XML item, kept for the calling script.
Value XmlRef(TfsXMLItem* item, const Caller& call) {
  TfsScript* prog = call.Prog();
  return Value::Object(XmlItemRef::IdOf(item, [prog](std::unique_ptr<XmlItemRef> ref) {
    if (prog) return prog->AdoptObject(std::move(ref));
    return ObjectRegistry::Instance().Adopt(std::move(ref), nullptr);
  }));
}

TfsXMLItem& Item(HostObject* o) { return Self<XmlItemRef>(o).Item(); }

// Runs a constructor's initialisation and yields the instance. A fresh
// instance whose initialisation fails is freed again.
template <class T, class Init>
Value Construct(HostObject* instance, Init&& init) {
  T& self = Self<T>(instance);
  auto* object = dynamic_cast<TObject*>(instance);
  bool fresh = object && !object->Constructed();
  try {
    init(self);
  } catch (...) {
    if (fresh) ObjectRegistry::Instance().Free(instance->ObjectId());
    throw;
  }
  if (object) object->MarkConstructed();
  return Value::Object(instance->ObjectId());
}

// ---- the members, class by class ------------------------------------------

using C = Caller;
using H = HostObject;

const ClassMember kObject[] = {
    {u"constructor Create", [](H* o, C&) { return Construct<HostObject>(o, [](HostObject&) {}); }},
    {u"procedure Free",
     [](H* o, C&) {
       if (!o) return None();  // freeing nil does nothing
       if (auto* ref = dynamic_cast<XmlItemRef*>(o); ref && ref->Alive()) ref->DestroyItem();
       ObjectRegistry::Instance().Free(o->ObjectId());
       return None();
     }},
    {u"function ClassName: String", [](H* o, C&) { return Value::Text(Self<HostObject>(o).Class().name); }},
};

const ClassMember kPersistent[] = {
    {u"procedure Assign(Source: TPersistent)",
     [](H* o, C& c) {
       Self<TPersistent>(o).Assign(OptionalObjectArg<HostObject>(c, 0));
       return None();
     }},
};

const ClassMember kCollection[] = {
    {u"procedure Clear",
     [](H* o, C&) {
       Self<TCollection>(o).Clear();
       return None();
     }},
    {u"property Count: Integer", [](H* o, C&) { return Value::Int(Self<TCollection>(o).Count()); }},
    {u"property Items[Integer]: TCollectionItem; default",
     [](H* o, C& c) { return ObjectValue(Self<TCollection>(o).Items(IntArg(c, 0))); }},
};

const ClassMember kList[] = {
    {u"function Add(Item: TObject): Integer",
     [](H* o, C& c) { return Value::Int(Self<TList>(o).Add(IdArg(c, 0))); }},
    {u"procedure Clear",
     [](H* o, C&) {
       Self<TList>(o).Clear();
       return None();
     }},
    {u"procedure Delete(Index: Integer)",
     [](H* o, C& c) {
       Self<TList>(o).Delete(IntArg(c, 0));
       return None();
     }},
    {u"function IndexOf(Item: TObject): Integer",
     [](H* o, C& c) { return Value::Int(Self<TList>(o).IndexOf(IdArg(c, 0))); }},
    {u"procedure Insert(Index: Integer; Item: TObject)",
     [](H* o, C& c) {
       Self<TList>(o).Insert(IntArg(c, 0), IdArg(c, 1));
       return None();
     }},
    {u"function Remove(Item: TObject): Integer",
     [](H* o, C& c) { return Value::Int(Self<TList>(o).Remove(IdArg(c, 0))); }},
    {u"property Count: Integer", [](H* o, C&) { return Value::Int(Self<TList>(o).Count()); }},
    {u"property Items[Integer]: TObject; default",
     [](H* o, C& c) { return Value::Object(Self<TList>(o).Get(IntArg(c, 0))); },
     [](H* o, const Value& v, C& c) { Self<TList>(o).Put(IntArg(c, 0), ObjectIdOf(v)); }},
};

const ClassMember kStrings[] = {
    {u"function Add(const S: string): Integer",
     [](H* o, C& c) { return Value::Int(Self<TStrings>(o).Add(TextArg(c, 0))); }},
    {u"function AddObject(const S: string; AObject: TObject): Integer",
     [](H* o, C& c) { return Value::Int(Self<TStrings>(o).AddObject(TextArg(c, 0), IdArg(c, 1))); }},
    {u"procedure Clear",
     [](H* o, C&) {
       Self<TStrings>(o).Clear();
       return None();
     }},
    {u"procedure Delete(Index: Integer)",
     [](H* o, C& c) {
       Self<TStrings>(o).Delete(IntArg(c, 0));
       return None();
     }},
    {u"function IndexOf(const S: string): Integer",
     [](H* o, C& c) { return Value::Int(Self<TStrings>(o).IndexOf(TextArg(c, 0))); }},
    {u"function IndexOfName(const Name: string): Integer",
     [](H* o, C& c) { return Value::Int(Self<TStrings>(o).IndexOfName(TextArg(c, 0))); }},
    {u"function IndexOfObject(AObject: TObject): Integer",
     [](H* o, C& c) { return Value::Int(Self<TStrings>(o).IndexOfObject(IdArg(c, 0))); }},
    {u"procedure Insert(Index: Integer; const S: string)",
     [](H* o, C& c) {
       Self<TStrings>(o).Insert(IntArg(c, 0), TextArg(c, 1));
       return None();
     }},
    {u"procedure InsertObject(Index: Integer; const S: string; AObject: TObject)",
     [](H* o, C& c) {
       Self<TStrings>(o).InsertObject(IntArg(c, 0), TextArg(c, 1), IdArg(c, 2));
       return None();
     }},
    {u"procedure LoadFromFile(const FileName: string)",
     [](H* o, C& c) {
       Self<TStrings>(o).LoadFromFile(TextArg(c, 0));
       return None();
     }},
    {u"procedure LoadFromStream(Stream: TStream)",
     [](H* o, C& c) {
       auto& self = Self<TStrings>(o);
       self.LoadFromStream(StreamArg(c, 0));
       return None();
     }},
    {u"procedure SaveToFile(const FileName: string)",
     [](H* o, C& c) {
       Self<TStrings>(o).SaveToFile(TextArg(c, 0));
       return None();
     }},
    {u"procedure Move(CurIndex, NewIndex: Integer)",
     [](H* o, C& c) {
       Self<TStrings>(o).Move(IntArg(c, 0), IntArg(c, 1));
       return None();
     }},
    {u"procedure SaveToStream(Stream: TStream)",
     [](H* o, C& c) {
       auto& self = Self<TStrings>(o);
       self.SaveToStream(StreamArg(c, 0));
       return None();
     }},
    {u"property CommaText: string", [](H* o, C&) { return Value::Text(Self<TStrings>(o).CommaText()); },
     [](H* o, const Value& v, C&) { Self<TStrings>(o).SetCommaText(ToText(v)); }},
    {u"property Count: Integer", [](H* o, C&) { return Value::Int(Self<TStrings>(o).Count()); }},
    {u"property Names[Integer]: string",
     [](H* o, C& c) { return Value::Text(Self<TStrings>(o).Name(IntArg(c, 0))); }},
    {u"property Objects[Integer]: TObject",
     [](H* o, C& c) { return Value::Object(Self<TStrings>(o).GetObject(IntArg(c, 0))); },
     [](H* o, const Value& v, C& c) { Self<TStrings>(o).PutObject(IntArg(c, 0), ObjectIdOf(v)); }},
    {u"property Values[String]: string",
     [](H* o, C& c) { return Value::Text(Self<TStrings>(o).Value(TextArg(c, 0))); },
     [](H* o, const Value& v, C& c) { Self<TStrings>(o).SetValue(TextArg(c, 0), ToText(v)); }},
    {u"property Strings[Integer]: string; default",
     [](H* o, C& c) { return Value::Text(Self<TStrings>(o).Get(IntArg(c, 0))); },
     [](H* o, const Value& v, C& c) { Self<TStrings>(o).Put(IntArg(c, 0), ToText(v)); }},
    {u"property Text: string", [](H* o, C&) { return Value::Text(Self<TStrings>(o).Text()); },
     [](H* o, const Value& v, C&) { Self<TStrings>(o).SetText(ToText(v)); }},
};

const ClassMember kStringList[] = {
    {u"function Find(s: String; var Index: Integer): Boolean",
     [](H* o, C& c) {
       auto& self = Self<TStringList>(o);
       int index = 0;
       bool found = self.Find(TextArg(c, 0), index);
       c.SetParam(1, Value::Int(index));
       return Value::Bool(found);
     }},
    {u"procedure Sort",
     [](H* o, C&) {
       Self<TStringList>(o).Sort();
       return None();
     }},
    {u"property Duplicates: TDuplicates",
     [](H* o, C&) { return Value::Int(Self<TStringList>(o).Duplicates()); },
     [](H* o, const Value& v, C&) { Self<TStringList>(o).SetDuplicates(ToInt32(v)); }},
    {u"property Sorted: Boolean", [](H* o, C&) { return Value::Bool(Self<TStringList>(o).Sorted()); },
     [](H* o, const Value& v, C&) { Self<TStringList>(o).SetSorted(ToBool(v)); }},
};

const ClassMember kStream[] = {
    {u"function Read(var Buffer: string; Count: Longint): Longint",
     [](H* o, C& c) {
       auto& self = Self<TStream>(o);
       std::string buffer;
       int64_t n = self.Read(buffer, Int64Arg(c, 1));
       c.SetParam(0, Value::Bytes(std::move(buffer)));
       return IntValue(n);
     }},
    {u"function Write(Buffer: string; Count: Longint): Longint",
     [](H* o, C& c) {
       auto& self = Self<TStream>(o);
       return IntValue(self.Write(ToBytes(c.GetParam(0)), Int64Arg(c, 1)));
     }},
    {u"function Seek(Offset: Longint; Origin: Word): Longint",
     [](H* o, C& c) {
       auto& self = Self<TStream>(o);
       return IntValue(self.Seek(Int64Arg(c, 0), IntArg(c, 1)));
     }},
    {u"function CopyFrom(Source: TStream; Count: Longint): Longint",
     [](H* o, C& c) {
       auto& self = Self<TStream>(o);
       return IntValue(self.CopyFrom(ObjectArg<TStream>(c, 0), Int64Arg(c, 1)));
     }},
    {u"property Position: Longint", [](H* o, C&) { return IntValue(Self<TStream>(o).Position()); },
     [](H* o, const Value& v, C&) { Self<TStream>(o).SetPosition(ToInt64(v)); }},
    {u"property Size: Longint", [](H* o, C&) { return IntValue(Self<TStream>(o).Size()); }},
};

const ClassMember kFileStream[] = {
    {u"constructor Create(Filename: String; Mode: Word)",
     [](H* o, C& c) {
       return Construct<TFileStream>(o, [&](TFileStream& self) { self.Open(TextArg(c, 0), IntArg(c, 1)); });
     }},
};

const ClassMember kMemoryStream[] = {
    {u"procedure Clear",
     [](H* o, C&) {
       Self<TMemoryStream>(o).Clear();
       return None();
     }},
    {u"procedure LoadFromStream(Stream: TStream)",
     [](H* o, C& c) {
       auto& self = Self<TMemoryStream>(o);
       self.LoadFromStream(StreamArg(c, 0));
       return None();
     }},
    {u"procedure LoadFromFile(Filename: String)",
     [](H* o, C& c) {
       Self<TMemoryStream>(o).LoadFromFile(TextArg(c, 0));
       return None();
     }},
    {u"procedure SaveToStream(Stream: TStream)",
     [](H* o, C& c) {
       auto& self = Self<TMemoryStream>(o);
       self.SaveToStream(StreamArg(c, 0));
       return None();
     }},
    {u"procedure SaveToFile(Filename: String)",
     [](H* o, C& c) {
       Self<TMemoryStream>(o).SaveToFile(TextArg(c, 0));
       return None();
     }},
};

const ClassMember kComponent[] = {
    {u"constructor Create(AOwner: TComponent)",
     [](H* o, C& c) {
       return Construct<TComponent>(
           o, [&](TComponent& self) { self.SetOwner(OptionalObjectArg<TComponent>(c, 0)); });
     }},
    {u"property Owner: TComponent", [](H* o, C&) { return ObjectValue(Self<TComponent>(o).Owner()); }},
};

const ClassMember kXmlItem[] = {
    {u"constructor Create", [](H* o, C&) { return Construct<XmlItemRef>(o, [](XmlItemRef&) {}); }},
    {u"procedure AddItem(Item: TfsXMLItem)",
     [](H* o, C& c) {
       auto& self = Self<XmlItemRef>(o);
       self.AddItem(ObjectArg<XmlItemRef>(c, 0));
       return None();
     }},
    {u"procedure Clear",
     [](H* o, C&) {
       Self<XmlItemRef>(o).Clear();
       return None();
     }},
    {u"procedure InsertItem(Index: Integer; Item: TfsXMLItem)",
     [](H* o, C& c) {
       auto& self = Self<XmlItemRef>(o);
       self.InsertItem(IntArg(c, 0), ObjectArg<XmlItemRef>(c, 1));
       return None();
     }},
    {u"function Add: TfsXMLItem", [](H* o, C& c) { return XmlRef(Item(o).Add(), c); }},
    {u"function Find(const Name: String): Integer",
     [](H* o, C& c) { return Value::Int(Item(o).Find(TextArg(c, 0))); }},
    {u"function FindItem(const Name: String): TfsXMLItem",
     [](H* o, C& c) {
       TfsXMLItem& item = Item(o);
       return XmlRef(item.FindItem(TextArg(c, 0)), c);
     }},
    {u"function Root: TfsXMLItem", [](H* o, C& c) { return XmlRef(Item(o).Root(), c); }},
    {u"property Data: Integer", [](H* o, C&) { return IntValue(Item(o).Data()); },
     [](H* o, const Value& v, C&) { Item(o).SetData(static_cast<intptr_t>(ToInt64(v))); }},
    {u"property Count: Integer", [](H* o, C&) { return Value::Int(Item(o).Count()); }},
    {u"property Items[Integer]: TfsXMLItem; default",
     [](H* o, C& c) {
       TfsXMLItem& item = Item(o);
       return XmlRef(item.Items(IntArg(c, 0)), c);
     }},
    {u"property Prop[String]: String",
     [](H* o, C& c) {
       TfsXMLItem& item = Item(o);
       return Value::Text(item.Prop(TextArg(c, 0)));
     },
     [](H* o, const Value& v, C& c) {
       TfsXMLItem& item = Item(o);
       item.SetProp(TextArg(c, 0), ToText(v));
     }},
    {u"property Name: String", [](H* o, C&) { return Value::Text(Item(o).Name()); },
     [](H* o, const Value& v, C&) { Item(o).SetName(ToText(v)); }},
    {u"property Parent: TfsXMLItem", [](H* o, C& c) { return XmlRef(Item(o).Parent(), c); }},
    {u"property Text: String", [](H* o, C&) { return Value::Text(Item(o).Text()); },
     [](H* o, const Value& v, C&) { Item(o).SetText(ToText(v)); }},
};

const ClassMember kXmlDocument[] = {
    {u"constructor Create", [](H* o, C&) { return Construct<XmlDocumentRef>(o, [](XmlDocumentRef&) {}); }},
    {u"procedure SaveToStream(Stream: TStream)",
     [](H* o, C& c) {
       auto& self = Self<XmlDocumentRef>(o);
       self.Document().SaveToStream(StreamArg(c, 0));
       return None();
     }},
    {u"procedure LoadFromStream(Stream: TStream)",
     [](H* o, C& c) {
       auto& self = Self<XmlDocumentRef>(o);
       self.LoadFromStream(StreamArg(c, 0));
       return None();
     }},
    {u"procedure SaveToFile(const FileName: String)",
     [](H* o, C& c) {
       Self<XmlDocumentRef>(o).Document().SaveToFile(TextArg(c, 0));
       return None();
     }},
    {u"procedure LoadFromFile(const FileName: String)",
     [](H* o, C& c) {
       Self<XmlDocumentRef>(o).LoadFromFile(TextArg(c, 0));
       return None();
     }},
    {u"property Root: TfsXMLItem",
     [](H* o, C& c) { return XmlRef(Self<XmlDocumentRef>(o).Document().Root(), c); }},
};

const ClassRow kClasses[] = {
    {TObject::StaticClass, u"", kObject},
    {TPersistent::StaticClass, u"TObject", kPersistent},
    {TCollectionItem::StaticClass, u"TPersistent", {}},
    {TCollection::StaticClass, u"TPersistent", kCollection},
    {TList::StaticClass, u"TObject", kList},
    {TStrings::StaticClass, u"TPersistent", kStrings},
    {TStringList::StaticClass, u"TStrings", kStringList},
    {TStream::StaticClass, u"TObject", kStream},
    {TFileStream::StaticClass, u"TStream", kFileStream},
    {TMemoryStream::StaticClass, u"TStream", kMemoryStream},
    {TComponent::StaticClass, u"TPersistent", kComponent},
    {XmlItemRef::StaticClass, u"TObject", kXmlItem},
    {XmlDocumentRef::StaticClass, u"TObject", kXmlDocument},
};

// ---- reading a declaration ------------------------------------------------

bool IsNameChar(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
}

std::u16string_view SkipBlanks(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  return s;
}

std::u16string_view TakeWord(std::u16string_view& s) {
  s = SkipBlanks(s);
  size_t n = 0;
  while (n < s.size() && IsNameChar(s[n])) ++n;
  std::u16string_view word = s.substr(0, n);
  s.remove_prefix(n);
  s = SkipBlanks(s);
  return word;
}

}  // namespace

std::span<const ClassRow> BuiltinClassRows() { return kClasses; }

MemberDeclaration ParseMemberDeclaration(std::u16string_view declaration) {
  MemberDeclaration d;
  std::u16string_view rest = declaration;
  std::u16string_view keyword = TakeWord(rest);
  d.name = TakeWord(rest);
  if (d.name.empty()) throw ScriptError(u"Invalid declaration: " + std::u16string(declaration));
  if (keyword == u"constructor") {
    d.kind = MemberKind::Constructor;
  } else if (keyword != u"property") {
    d.kind = MemberKind::Method;
  } else {
    d.kind = MemberKind::Property;
    if (rest.starts_with(u'[')) {
      size_t close = rest.find(u']');
      if (close == std::u16string_view::npos)
        throw ScriptError(u"Invalid declaration: " + std::u16string(declaration));
      d.kind = MemberKind::Indexed;
      d.params = rest.substr(1, close - 1);
      rest = SkipBlanks(rest.substr(close + 1));
    }
    if (rest.starts_with(u':')) {
      rest.remove_prefix(1);
      d.type = TakeWord(rest);
    }
    if (rest.starts_with(u';')) {
      rest.remove_prefix(1);
      d.isDefault = TakeWord(rest) == u"default";
    }
  }
  return d;
}

}  // namespace qv
