#include "engine/classes/class_library.h"

#include <cstdint>
#include <mutex>

#include "engine/classes/collection.h"
#include "engine/classes/component.h"
#include "engine/classes/list.h"
#include "engine/classes/streams.h"
#include "engine/classes/string_list.h"
#include "engine/classes/xml_objects.h"
#include "engine/items/objects.h"
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

int32_t IntArg(const Caller& call, int i) { return ToInt32(call.GetParam(i)); }
std::u16string TextArg(const Caller& call, int i) { return ToText(call.GetParam(i)); }
// The value being assigned in a ".SET" call.
const Value& Assigned(const Caller& call) { return call.GetParam(call.Count()); }

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

// ---- the method handler, one function per registering class ---------------

Value CallTObject(HostObject* instance, const std::u16string& name, Caller&) {
  if (name == u"CREATE") return Construct<HostObject>(instance, [](HostObject&) {});
  if (name == u"FREE") {
    if (!instance) return Value::Int(0);  // freeing nil does nothing
    if (auto* ref = dynamic_cast<XmlItemRef*>(instance); ref && ref->Alive()) ref->DestroyItem();
    ObjectRegistry::Instance().Free(instance->ObjectId());
    return Value::Int(0);
  }
  if (name == u"CLASSNAME") return Value::Text(Self<HostObject>(instance).Class().name);
  return Value::Int(0);
}

Value CallTPersistent(HostObject* instance, const std::u16string& name, Caller& call) {
  if (name == u"ASSIGN") Self<TPersistent>(instance).Assign(OptionalObjectArg<HostObject>(call, 0));
  return Value::Int(0);
}

Value CallTCollection(HostObject* instance, const std::u16string& name, Caller& call) {
  auto& self = Self<TCollection>(instance);
  if (name == u"CLEAR") {
    self.Clear();
  } else if (name == u"ITEMS.GET") {
    return ObjectValue(self.Items(IntArg(call, 0)));
  }
  return Value::Int(0);
}

Value CallTList(HostObject* instance, const std::u16string& name, Caller& call) {
  auto& self = Self<TList>(instance);
  if (name == u"ADD") return Value::Int(self.Add(ObjectIdOf(call.GetParam(0))));
  if (name == u"CLEAR") {
    self.Clear();
  } else if (name == u"DELETE") {
    self.Delete(IntArg(call, 0));
  } else if (name == u"INDEXOF") {
    return Value::Int(self.IndexOf(ObjectIdOf(call.GetParam(0))));
  } else if (name == u"INSERT") {
    self.Insert(IntArg(call, 0), ObjectIdOf(call.GetParam(1)));
  } else if (name == u"REMOVE") {
    return Value::Int(self.Remove(ObjectIdOf(call.GetParam(0))));
  } else if (name == u"ITEMS.GET") {
    return Value::Object(self.Get(IntArg(call, 0)));
  } else if (name == u"ITEMS.SET") {
    self.Put(IntArg(call, 0), ObjectIdOf(Assigned(call)));
  }
  return Value::Int(0);
}

Value CallTStrings(HostObject* instance, const std::u16string& name, Caller& call) {
  auto& self = Self<TStrings>(instance);
  if (name == u"ADD") return Value::Int(self.Add(TextArg(call, 0)));
  if (name == u"ADDOBJECT") return Value::Int(self.AddObject(TextArg(call, 0), ObjectIdOf(call.GetParam(1))));
  if (name == u"CLEAR") {
    self.Clear();
  } else if (name == u"DELETE") {
    self.Delete(IntArg(call, 0));
  } else if (name == u"INDEXOF") {
    return Value::Int(self.IndexOf(TextArg(call, 0)));
  } else if (name == u"INDEXOFNAME") {
    return Value::Int(self.IndexOfName(TextArg(call, 0)));
  } else if (name == u"INDEXOFOBJECT") {
    return Value::Int(self.IndexOfObject(ObjectIdOf(call.GetParam(0))));
  } else if (name == u"INSERT") {
    self.Insert(IntArg(call, 0), TextArg(call, 1));
  } else if (name == u"INSERTOBJECT") {
    self.InsertObject(IntArg(call, 0), TextArg(call, 1), ObjectIdOf(call.GetParam(2)));
  } else if (name == u"LOADFROMFILE") {
    self.LoadFromFile(TextArg(call, 0));
  } else if (name == u"LOADFROMSTREAM") {
    self.LoadFromStream(ObjectArg<TStream>(call, 0).Impl());
  } else if (name == u"MOVE") {
    self.Move(IntArg(call, 0), IntArg(call, 1));
  } else if (name == u"SAVETOFILE") {
    self.SaveToFile(TextArg(call, 0));
  } else if (name == u"SAVETOSTREAM") {
    self.SaveToStream(ObjectArg<TStream>(call, 0).Impl());
  } else if (name == u"NAMES.GET") {
    return Value::Text(self.Name(IntArg(call, 0)));
  } else if (name == u"OBJECTS.GET") {
    return Value::Object(self.GetObject(IntArg(call, 0)));
  } else if (name == u"OBJECTS.SET") {
    self.PutObject(IntArg(call, 0), ObjectIdOf(Assigned(call)));
  } else if (name == u"VALUES.GET") {
    return Value::Text(self.Value(TextArg(call, 0)));
  } else if (name == u"VALUES.SET") {
    self.SetValue(TextArg(call, 0), ToText(Assigned(call)));
  } else if (name == u"STRINGS.GET") {
    return Value::Text(self.Get(IntArg(call, 0)));
  } else if (name == u"STRINGS.SET") {
    self.Put(IntArg(call, 0), ToText(Assigned(call)));
  }
  return Value::Int(0);
}

Value CallTStringList(HostObject* instance, const std::u16string& name, Caller& call) {
  auto& self = Self<TStringList>(instance);
  if (name == u"FIND") {
    int index = 0;
    bool found = self.Find(TextArg(call, 0), index);
    call.SetParam(1, Value::Int(index));
    return Value::Bool(found);
  }
  if (name == u"SORT") self.Sort();
  return Value::Int(0);
}

Value CallTStream(HostObject* instance, const std::u16string& name, Caller& call) {
  auto& self = Self<TStream>(instance);
  if (name == u"READ") {
    std::string buffer;
    int64_t n = self.Read(buffer, ToInt64(call.GetParam(1)));
    call.SetParam(0, Value::Bytes(std::move(buffer)));
    return IntValue(n);
  }
  if (name == u"WRITE") return IntValue(self.Write(ToBytes(call.GetParam(0)), ToInt64(call.GetParam(1))));
  if (name == u"SEEK") return IntValue(self.Seek(ToInt64(call.GetParam(0)), IntArg(call, 1)));
  if (name == u"COPYFROM")
    return IntValue(self.CopyFrom(ObjectArg<TStream>(call, 0), ToInt64(call.GetParam(1))));
  return Value::Int(0);
}

Value CallTFileStream(HostObject* instance, const std::u16string& name, Caller& call) {
  if (name == u"CREATE") {
    return Construct<TFileStream>(instance,
                                  [&](TFileStream& self) { self.Open(TextArg(call, 0), IntArg(call, 1)); });
  }
  return Value::Int(0);
}

Value CallTMemoryStream(HostObject* instance, const std::u16string& name, Caller& call) {
  auto& self = Self<TMemoryStream>(instance);
  if (name == u"CLEAR") {
    self.Clear();
  } else if (name == u"LOADFROMSTREAM") {
    self.LoadFromStream(ObjectArg<TStream>(call, 0).Impl());
  } else if (name == u"LOADFROMFILE") {
    self.LoadFromFile(TextArg(call, 0));
  } else if (name == u"SAVETOSTREAM") {
    self.SaveToStream(ObjectArg<TStream>(call, 0).Impl());
  } else if (name == u"SAVETOFILE") {
    self.SaveToFile(TextArg(call, 0));
  }
  return Value::Int(0);
}

Value CallTComponent(HostObject* instance, const std::u16string& name, Caller& call) {
  if (name == u"CREATE") {
    return Construct<TComponent>(
        instance, [&](TComponent& self) { self.SetOwner(OptionalObjectArg<TComponent>(call, 0)); });
  }
  return Value::Int(0);
}

Value CallXmlItem(HostObject* instance, const std::u16string& name, Caller& call) {
  if (name == u"CREATE") return Construct<XmlItemRef>(instance, [](XmlItemRef&) {});
  auto& self = Self<XmlItemRef>(instance);
  if (name == u"ADDITEM") {
    self.AddItem(ObjectArg<XmlItemRef>(call, 0));
  } else if (name == u"CLEAR") {
    self.Clear();
  } else if (name == u"INSERTITEM") {
    self.InsertItem(IntArg(call, 0), ObjectArg<XmlItemRef>(call, 1));
  } else if (name == u"ADD") {
    return XmlRef(self.Item().Add(), call);
  } else if (name == u"FIND") {
    return Value::Int(self.Item().Find(TextArg(call, 0)));
  } else if (name == u"FINDITEM") {
    return XmlRef(self.Item().FindItem(TextArg(call, 0)), call);
  } else if (name == u"PROP.GET") {
    return Value::Text(self.Item().Prop(TextArg(call, 0)));
  } else if (name == u"PROP.SET") {
    self.Item().SetProp(TextArg(call, 0), ToText(Assigned(call)));
  } else if (name == u"ROOT") {
    return XmlRef(self.Item().Root(), call);
  } else if (name == u"ITEMS.GET") {
    return XmlRef(self.Item().Items(IntArg(call, 0)), call);
  }
  return Value::Int(0);
}

Value CallXmlDocument(HostObject* instance, const std::u16string& name, Caller& call) {
  if (name == u"CREATE") return Construct<XmlDocumentRef>(instance, [](XmlDocumentRef&) {});
  auto& self = Self<XmlDocumentRef>(instance);
  if (name == u"SAVETOSTREAM") {
    self.Document().SaveToStream(ObjectArg<TStream>(call, 0).Impl());
  } else if (name == u"LOADFROMSTREAM") {
    self.LoadFromStream(ObjectArg<TStream>(call, 0).Impl());
  } else if (name == u"SAVETOFILE") {
    self.Document().SaveToFile(TextArg(call, 0));
  } else if (name == u"LOADFROMFILE") {
    self.LoadFromFile(TextArg(call, 0));
  }
  return Value::Int(0);
}

}  // namespace

Value TfsClassesRTTI::CallMethod(HostObject* instance, const HostClass* classType, const std::u16string& name,
                                 Caller& call) {
  if (classType == &TObject::StaticClass()) return CallTObject(instance, name, call);
  if (classType == &TPersistent::StaticClass()) return CallTPersistent(instance, name, call);
  if (classType == &TCollection::StaticClass()) return CallTCollection(instance, name, call);
  if (classType == &TList::StaticClass()) return CallTList(instance, name, call);
  if (classType == &TStrings::StaticClass()) return CallTStrings(instance, name, call);
  if (classType == &TStringList::StaticClass()) return CallTStringList(instance, name, call);
  if (classType == &TStream::StaticClass()) return CallTStream(instance, name, call);
  if (classType == &TFileStream::StaticClass()) return CallTFileStream(instance, name, call);
  if (classType == &TMemoryStream::StaticClass()) return CallTMemoryStream(instance, name, call);
  if (classType == &TComponent::StaticClass()) return CallTComponent(instance, name, call);
  if (classType == &XmlItemRef::StaticClass()) return CallXmlItem(instance, name, call);
  if (classType == &XmlDocumentRef::StaticClass()) return CallXmlDocument(instance, name, call);
  return Value::Int(0);
}

// ---- the property getter and setter ---------------------------------------

Value TfsClassesRTTI::GetProp(HostObject* instance, const HostClass* classType, const std::u16string& name,
                              Caller& call) {
  if (classType == &TCollection::StaticClass()) {
    if (name == u"COUNT") return Value::Int(Self<TCollection>(instance).Count());
  } else if (classType == &TList::StaticClass()) {
    if (name == u"COUNT") return Value::Int(Self<TList>(instance).Count());
  } else if (classType == &TStrings::StaticClass()) {
    auto& self = Self<TStrings>(instance);
    if (name == u"COMMATEXT") return Value::Text(self.CommaText());
    if (name == u"COUNT") return Value::Int(self.Count());
    if (name == u"TEXT") return Value::Text(self.Text());
  } else if (classType == &TStringList::StaticClass()) {
    auto& self = Self<TStringList>(instance);
    if (name == u"DUPLICATES") return Value::Int(self.Duplicates());
    if (name == u"SORTED") return Value::Bool(self.Sorted());
  } else if (classType == &TStream::StaticClass()) {
    auto& self = Self<TStream>(instance);
    if (name == u"POSITION") return IntValue(self.Position());
    if (name == u"SIZE") return IntValue(self.Size());
  } else if (classType == &TComponent::StaticClass()) {
    if (name == u"OWNER") return ObjectValue(Self<TComponent>(instance).Owner());
  } else if (classType == &XmlItemRef::StaticClass()) {
    TfsXMLItem& item = Self<XmlItemRef>(instance).Item();
    if (name == u"DATA") return IntValue(item.Data());
    if (name == u"COUNT") return Value::Int(item.Count());
    if (name == u"NAME") return Value::Text(item.Name());
    if (name == u"PARENT") return XmlRef(item.Parent(), call);
    if (name == u"TEXT") return Value::Text(item.Text());
  } else if (classType == &XmlDocumentRef::StaticClass()) {
    if (name == u"ROOT") return XmlRef(Self<XmlDocumentRef>(instance).Document().Root(), call);
  }
  return Value::Int(0);
}

void TfsClassesRTTI::SetProp(HostObject* instance, const HostClass* classType, const std::u16string& name,
                             const Value& v, Caller&) {
  if (classType == &TStrings::StaticClass()) {
    auto& self = Self<TStrings>(instance);
    if (name == u"COMMATEXT") self.SetCommaText(ToText(v));
    if (name == u"TEXT") self.SetText(ToText(v));
  } else if (classType == &TStringList::StaticClass()) {
    auto& self = Self<TStringList>(instance);
    if (name == u"DUPLICATES") self.SetDuplicates(ToInt32(v));
    if (name == u"SORTED") self.SetSorted(ToBool(v));
  } else if (classType == &TStream::StaticClass()) {
    if (name == u"POSITION") Self<TStream>(instance).SetPosition(ToInt64(v));
  } else if (classType == &XmlItemRef::StaticClass()) {
    TfsXMLItem& item = Self<XmlItemRef>(instance).Item();
    if (name == u"DATA") item.SetData(static_cast<intptr_t>(ToInt64(v)));
    if (name == u"NAME") item.SetName(ToText(v));
    if (name == u"TEXT") item.SetText(ToText(v));
  }
}

// ---- registration ---------------------------------------------------------

namespace {

struct Registrar {
  TfsScript& script;
  TfsCallMethodNewEvent call = TfsClassesRTTI::CallMethod;
  TfsGetValueNewEvent get = TfsClassesRTTI::GetProp;
  TfsSetValueNewEvent set = TfsClassesRTTI::SetProp;

  TfsClassVariable& Class(const HostClass& cls, std::u16string_view ancestor) {
    TfsClassVariable* c = script.AddClass(cls, ancestor);
    if (!c) c = script.FindClass(cls.name);  // already visible: extend it
    if (!c) throw ScriptError(u"Cannot register class " + cls.name);
    return *c;
  }
  void Method(TfsClassVariable& c, std::u16string_view syntax) { c.AddMethod(syntax, call); }
  void Constructor(TfsClassVariable& c, std::u16string_view syntax) { c.AddConstructor(syntax, call); }
  void Property(TfsClassVariable& c, std::u16string name, std::u16string typ, bool readOnly = false) {
    c.AddPropertyEx(std::move(name), std::move(typ), get, readOnly ? nullptr : set);
  }
  void Indexed(TfsClassVariable& c, std::u16string_view name, std::u16string_view params,
               std::u16string_view typ, bool readOnly = false) {
    c.AddIndexProperty(name, params, typ, call, readOnly);
  }
  void Default(TfsClassVariable& c, std::u16string_view name, std::u16string_view params,
               std::u16string_view typ, bool readOnly = false) {
    c.AddDefaultProperty(name, params, typ, call, readOnly);
  }
};

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

}  // namespace

TfsClassesRTTI::TfsClassesRTTI(TfsScript& script) : TfsRTTIModule(script) {
  RegisterConstants(script);
  Registrar r{script};

  auto& object = r.Class(TObject::StaticClass(), u"");
  r.Constructor(object, u"constructor Create");
  r.Method(object, u"procedure Free");
  r.Method(object, u"function ClassName: String");

  auto& persistent = r.Class(TPersistent::StaticClass(), u"TObject");
  r.Method(persistent, u"procedure Assign(Source: TPersistent)");

  r.Class(TCollectionItem::StaticClass(), u"TPersistent");

  auto& collection = r.Class(TCollection::StaticClass(), u"TPersistent");
  r.Method(collection, u"procedure Clear");
  r.Property(collection, u"Count", u"Integer", true);
  r.Default(collection, u"Items", u"Integer", u"TCollectionItem", true);

  auto& list = r.Class(TList::StaticClass(), u"TObject");
  r.Method(list, u"function Add(Item: TObject): Integer");
  r.Method(list, u"procedure Clear");
  r.Method(list, u"procedure Delete(Index: Integer)");
  r.Method(list, u"function IndexOf(Item: TObject): Integer");
  r.Method(list, u"procedure Insert(Index: Integer; Item: TObject)");
  r.Method(list, u"function Remove(Item: TObject): Integer");
  r.Property(list, u"Count", u"Integer", true);
  r.Default(list, u"Items", u"Integer", u"TObject");

  auto& strings = r.Class(TStrings::StaticClass(), u"TPersistent");
  r.Method(strings, u"function Add(const S: string): Integer");
  r.Method(strings, u"function AddObject(const S: string; AObject: TObject): Integer");
  r.Method(strings, u"procedure Clear");
  r.Method(strings, u"procedure Delete(Index: Integer)");
  r.Method(strings, u"function IndexOf(const S: string): Integer");
  r.Method(strings, u"function IndexOfName(const Name: string): Integer");
  r.Method(strings, u"function IndexOfObject(AObject: TObject): Integer");
  r.Method(strings, u"procedure Insert(Index: Integer; const S: string)");
  r.Method(strings, u"procedure InsertObject(Index: Integer; const S: string; AObject: TObject)");
  r.Method(strings, u"procedure LoadFromFile(const FileName: string)");
  r.Method(strings, u"procedure LoadFromStream(Stream: TStream)");
  r.Method(strings, u"procedure SaveToFile(const FileName: string)");
  r.Method(strings, u"procedure Move(CurIndex, NewIndex: Integer)");
  r.Method(strings, u"procedure SaveToStream(Stream: TStream)");
  r.Property(strings, u"CommaText", u"string");
  r.Property(strings, u"Count", u"Integer", true);
  r.Indexed(strings, u"Names", u"Integer", u"string", true);
  r.Indexed(strings, u"Objects", u"Integer", u"TObject");
  r.Indexed(strings, u"Values", u"String", u"string");
  r.Default(strings, u"Strings", u"Integer", u"string");
  r.Property(strings, u"Text", u"string");

  auto& stringList = r.Class(TStringList::StaticClass(), u"TStrings");
  r.Method(stringList, u"function Find(s: String; var Index: Integer): Boolean");
  r.Method(stringList, u"procedure Sort");
  r.Property(stringList, u"Duplicates", u"TDuplicates");
  r.Property(stringList, u"Sorted", u"Boolean");

  auto& stream = r.Class(TStream::StaticClass(), u"TObject");
  r.Method(stream, u"function Read(var Buffer: string; Count: Longint): Longint");
  r.Method(stream, u"function Write(Buffer: string; Count: Longint): Longint");
  r.Method(stream, u"function Seek(Offset: Longint; Origin: Word): Longint");
  r.Method(stream, u"function CopyFrom(Source: TStream; Count: Longint): Longint");
  r.Property(stream, u"Position", u"Longint");
  r.Property(stream, u"Size", u"Longint", true);

  auto& fileStream = r.Class(TFileStream::StaticClass(), u"TStream");
  r.Constructor(fileStream, u"constructor Create(Filename: String; Mode: Word)");

  auto& memoryStream = r.Class(TMemoryStream::StaticClass(), u"TStream");
  r.Method(memoryStream, u"procedure Clear");
  r.Method(memoryStream, u"procedure LoadFromStream(Stream: TStream)");
  r.Method(memoryStream, u"procedure LoadFromFile(Filename: String)");
  r.Method(memoryStream, u"procedure SaveToStream(Stream: TStream)");
  r.Method(memoryStream, u"procedure SaveToFile(Filename: String)");

  auto& component = r.Class(TComponent::StaticClass(), u"TPersistent");
  r.Constructor(component, u"constructor Create(AOwner: TComponent)");
  r.Property(component, u"Owner", u"TComponent", true);

  auto& xmlItem = r.Class(XmlItemRef::StaticClass(), u"TObject");
  r.Constructor(xmlItem, u"constructor Create");
  r.Method(xmlItem, u"procedure AddItem(Item: TfsXMLItem)");
  r.Method(xmlItem, u"procedure Clear");
  r.Method(xmlItem, u"procedure InsertItem(Index: Integer; Item: TfsXMLItem)");
  r.Method(xmlItem, u"function Add: TfsXMLItem");
  r.Method(xmlItem, u"function Find(const Name: String): Integer");
  r.Method(xmlItem, u"function FindItem(const Name: String): TfsXMLItem");
  r.Method(xmlItem, u"function Root: TfsXMLItem");
  r.Property(xmlItem, u"Data", u"Integer");
  r.Property(xmlItem, u"Count", u"Integer", true);
  r.Default(xmlItem, u"Items", u"Integer", u"TfsXMLItem", true);
  r.Indexed(xmlItem, u"Prop", u"String", u"String");
  r.Property(xmlItem, u"Name", u"String");
  r.Property(xmlItem, u"Parent", u"TfsXMLItem", true);
  r.Property(xmlItem, u"Text", u"String");

  auto& xmlDocument = r.Class(XmlDocumentRef::StaticClass(), u"TObject");
  r.Constructor(xmlDocument, u"constructor Create");
  r.Method(xmlDocument, u"procedure SaveToStream(Stream: TStream)");
  r.Method(xmlDocument, u"procedure LoadFromStream(Stream: TStream)");
  r.Method(xmlDocument, u"procedure SaveToFile(const FileName: String)");
  r.Method(xmlDocument, u"procedure LoadFromFile(const FileName: String)");
  r.Property(xmlDocument, u"Root", u"TfsXMLItem", true);
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
