#include "engine/classes/class_library.h"
#include "engine/classes/class_members.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "engine/classes/streams.h"
#include "engine/classes/string_list.h"
#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/syslib/sys_library.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

struct CallResult {
  Value result;
  std::vector<Value> params;  // the frame's arguments after the call
};

// Drives the registered classes the way designators do: a frame per call,
// the object as the parent value.
class ClassLibraryTest : public ::testing::Test {
 protected:
  ClassLibraryTest() : module_(prog_) {}
  ~ClassLibraryTest() override { ObjectRegistry::Instance().FreeOwnedBy(prog_.ObjectOwner()); }

  TfsClassVariable& Class(std::u16string_view name) {
    TfsClassVariable* c = prog_.FindClass(name);
    if (!c) throw ScriptError(u"no class " + std::u16string(name));
    return *c;
  }
  TfsCustomVariable& Member(std::u16string_view cls, std::u16string_view name) {
    TfsCustomVariable* m = Class(cls).Find(name);
    if (!m) throw ScriptError(u"no member " + std::u16string(name));
    return *m;
  }

  CallResult Call(const Value& obj, std::u16string_view cls, std::u16string_view member,
                  std::initializer_list<Value> args = {}) {
    TfsCustomVariable& m = Member(cls, member);
    CallFrame frame(m, &prog_);
    int i = 0;
    for (const Value& a : args) frame.Arg(i++) = a;
    frame.SetParent(&Class(cls), obj);
    CallResult r{m.Read(frame), {}};
    for (int j = 0; j < frame.Count(); ++j) r.params.push_back(frame.GetParam(j));
    return r;
  }
  Value Get(const Value& obj, std::u16string_view cls, std::u16string_view member,
            std::initializer_list<Value> args = {}) {
    return Call(obj, cls, member, args).result;
  }
  void Set(const Value& obj, std::u16string_view cls, std::u16string_view member, const Value& v,
           std::initializer_list<Value> args = {}) {
    TfsCustomVariable& m = Member(cls, member);
    CallFrame frame(m, &prog_);
    int i = 0;
    for (const Value& a : args) frame.Arg(i++) = a;
    frame.SetParent(&Class(cls), obj);
    m.Write(frame, v);
  }
  // ClassName.Create(args): the class item makes the instance, its
  // constructor initialises it.
  Value New(std::u16string_view cls, std::initializer_list<Value> args = {}) {
    CallFrame frame(Class(cls), &prog_);
    Value instance = Class(cls).Read(frame);
    return Call(instance, cls, u"Create", args).result;
  }
  std::u16string ErrorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const ScriptError& e) {
      return e.message();
    }
    return u"(no error)";
  }

  static Value T(std::u16string_view s) { return Value::Text(s); }
  static Value I(int32_t i) { return Value::Int(i); }

  TfsScript prog_;
  TfsClassesRTTI module_;
};

TEST_F(ClassLibraryTest, RegistersConstantsEnumsAndClasses) {
  struct {
    const char16_t* name;
    int32_t value;
  } constants[] = {
      {u"fmCreate", 65280},      {u"fmOpenRead", 0},        {u"fmOpenWrite", 1},      {u"fmOpenReadWrite", 2},
      {u"fmShareExclusive", 16}, {u"fmShareDenyWrite", 32}, {u"fmShareDenyNone", 64}, {u"soFromBeginning", 0},
      {u"soFromCurrent", 1},     {u"soFromEnd", 2},         {u"dupIgnore", 0},        {u"dupAccept", 1},
      {u"dupError", 2},          {u"poPortrait", 0},        {u"poLandscape", 1},
  };
  for (const auto& c : constants) {
    TfsCustomVariable* item = prog_.Find(c.name);
    ASSERT_NE(item, nullptr) << ToUtf8(c.name);
    EXPECT_EQ(ToInt32(item->GetValue()), c.value) << ToUtf8(c.name);
  }

  struct {
    const char16_t* cls;
    const char16_t* ancestor;
    const char16_t* defaultProperty;  // nullptr: none
  } classes[] = {
      {u"TObject", u"", nullptr},
      {u"TPersistent", u"TObject", nullptr},
      {u"TCollectionItem", u"TPersistent", nullptr},
      {u"TCollection", u"TPersistent", u"Items"},
      {u"TList", u"TObject", u"Items"},
      {u"TStrings", u"TPersistent", u"Strings"},
      {u"TStringList", u"TStrings", u"Strings"},
      {u"TStream", u"TObject", nullptr},
      {u"TFileStream", u"TStream", nullptr},
      {u"TMemoryStream", u"TStream", nullptr},
      {u"TComponent", u"TPersistent", nullptr},
      {u"TfsXMLItem", u"TObject", u"Items"},
      {u"TfsXMLDocument", u"TObject", nullptr},
  };
  for (const auto& c : classes) {
    TfsClassVariable& cls = Class(c.cls);
    EXPECT_EQ(cls.Ancestor(), c.ancestor) << ToUtf8(c.cls);
    if (c.defaultProperty) {
      ASSERT_NE(cls.DefProperty(), nullptr) << ToUtf8(c.cls);
      EXPECT_EQ(cls.DefProperty()->Name(), c.defaultProperty);
    } else {
      EXPECT_EQ(cls.DefProperty(), nullptr) << ToUtf8(c.cls);
    }
  }

  struct {
    const char16_t* cls;
    const char16_t* member;
    bool readOnly;
  } members[] = {
      {u"TCollection", u"Count", true},   {u"TStrings", u"CommaText", false},
      {u"TStrings", u"Count", true},      {u"TStrings", u"Names", true},
      {u"TStrings", u"Objects", false},   {u"TStrings", u"Values", false},
      {u"TStream", u"Position", false},   {u"TStream", u"Size", true},
      {u"TComponent", u"Owner", true},    {u"TComponent", u"Name", false},
      {u"TComponent", u"Tag", false},     {u"TfsXMLItem", u"Parent", true},
      {u"TfsXMLItem", u"Items", true},    {u"TfsXMLItem", u"Prop", false},
      {u"TfsXMLDocument", u"Root", true}, {u"TList", u"Items", false},
  };
  for (const auto& m : members)
    EXPECT_EQ(Member(m.cls, m.member).IsReadOnly(), m.readOnly) << ToUtf8(m.member);
  auto* find = dynamic_cast<TfsMethodHelper*>(&Member(u"TStringList", u"Find"));
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(find->Syntax(), u"function Find(s: String; var Index: Integer): Boolean");
  EXPECT_TRUE(find->Param(1)->IsVarParam());
}

TEST_F(ClassLibraryTest, StringListThroughTheBridge) {
  Value list = New(u"TStringList");
  EXPECT_EQ(ToText(Get(list, u"TStringList", u"ClassName")), u"TStringList");
  EXPECT_EQ(ToInt32(Get(list, u"TStringList", u"Add", {T(u"pear")})), 0);
  EXPECT_EQ(ToInt32(Get(list, u"TStringList", u"Add", {T(u"apple")})), 1);
  EXPECT_EQ(ToInt32(Get(list, u"TStringList", u"Count")), 2);
  EXPECT_EQ(ToText(Get(list, u"TStringList", u"Text")), u"pear\r\napple\r\n");
  Set(list, u"TStringList", u"Sorted", Value::Bool(true));
  EXPECT_TRUE(ToBool(Get(list, u"TStringList", u"Sorted")));
  EXPECT_EQ(ToText(Get(list, u"TStringList", u"Strings", {I(0)})), u"apple");
  // Add is registered at TStrings and still inserts in order.
  EXPECT_EQ(ToInt32(Get(list, u"TStrings", u"Add", {T(u"banana")})), 1);

  CallResult found = Call(list, u"TStringList", u"Find", {T(u"cherry"), I(-1)});
  EXPECT_FALSE(ToBool(found.result));
  EXPECT_EQ(ToInt32(found.params[1]), 2);  // where it would go

  Set(list, u"TStringList", u"Duplicates", I(2));
  EXPECT_EQ(ErrorOf([&] { Get(list, u"TStringList", u"Add", {T(u"Apple")}); }),
            u"String list does not allow duplicates");
  EXPECT_EQ(ErrorOf([&] { Set(list, u"TStringList", u"Strings", T(u"x"), {I(0)}); }),
            u"Operation not allowed on sorted list");

  Value values = New(u"TStringList");
  Set(values, u"TStringList", u"CommaText", T(u"a=1,\"b c=2\""));
  EXPECT_EQ(ToText(Get(values, u"TStringList", u"Values", {T(u"a")})), u"1");
  EXPECT_EQ(ToText(Get(values, u"TStringList", u"Values", {T(u"zz")})), u"");
  Set(values, u"TStringList", u"Values", T(u"new"), {T(u"k")});
  EXPECT_EQ(ToText(Get(values, u"TStringList", u"Strings", {I(2)})), u"k=new");
  EXPECT_EQ(ToText(Get(values, u"TStringList", u"Names", {I(1)})), u"b c");
  EXPECT_EQ(ErrorOf([&] { Get(values, u"TStringList", u"Strings", {I(9)}); }),
            u"List index out of bounds (9)");

  Value other = New(u"TStringList");
  Get(other, u"TStringList", u"Assign", {list});
  EXPECT_EQ(ToText(Get(other, u"TStringList", u"CommaText")), u"apple,banana,pear");
}

TEST_F(ClassLibraryTest, ListAndObjects) {
  Value list = New(u"TList");
  Value a = New(u"TObject");
  Value b = New(u"TObject");
  EXPECT_EQ(ToInt32(Get(list, u"TList", u"Add", {a})), 0);
  EXPECT_EQ(ToInt32(Get(list, u"TList", u"Remove", {b})), -1);  // absent: nothing changes
  EXPECT_EQ(ToInt32(Get(list, u"TList", u"Count")), 1);
  Set(list, u"TList", u"Items", b, {I(0)});
  EXPECT_EQ(ObjectIdOf(Get(list, u"TList", u"Items", {I(0)})), ObjectIdOf(b));
  EXPECT_EQ(ToInt32(Get(list, u"TList", u"IndexOf", {b})), 0);

  Value strings = New(u"TStringList");
  Get(strings, u"TStrings", u"AddObject", {T(u"x"), a});
  EXPECT_EQ(ObjectIdOf(Get(strings, u"TStrings", u"Objects", {I(0)})), ObjectIdOf(a));
  EXPECT_EQ(ToInt32(Get(strings, u"TStrings", u"IndexOfObject", {a})), 0);
}

TEST_F(ClassLibraryTest, FreedAndWrongObjectsAreRejected) {
  Value list = New(u"TStringList");
  Get(list, u"TObject", u"Free");
  const std::u16string invalid = u"Invalid object reference";
  EXPECT_EQ(ErrorOf([&] { Get(list, u"TStringList", u"Count"); }), invalid);
  EXPECT_EQ(ErrorOf([&] { Get(list, u"TStringList", u"Add", {T(u"x")}); }), invalid);
  EXPECT_EQ(ErrorOf([&] { Get(list, u"TObject", u"Free"); }), invalid);  // twice

  Value stream = New(u"TMemoryStream");
  Value strings = New(u"TStringList");
  struct {
    Value arg;
  } bad[] = {{T(u"abc")}, {Value::Double(1.5)}, {strings}, {I(987654)}};
  for (const auto& r : bad)
    EXPECT_EQ(ErrorOf([&] { Get(strings, u"TStrings", u"LoadFromStream", {r.arg}); }), invalid);
  // A member of one class called on an object of another.
  EXPECT_EQ(ErrorOf([&] { Get(stream, u"TStrings", u"Add", {T(u"x")}); }), invalid);
  // Freeing nil does nothing.
  EXPECT_EQ(ErrorOf([&] { Get(Value::Null(), u"TObject", u"Free"); }), u"(no error)");
}

TEST_F(ClassLibraryTest, UnknownNamesReturnZero) {
  Value list = New(u"TStringList");
  CallFrame frame(nullptr, &prog_, 0);
  HostObject* obj = &ObjectRegistry::Instance().Get(list);
  for (const HostClass* cls : {&TObject::StaticClass(), &TStringList::StaticClass()}) {
    Value r = TfsClassesRTTI::CallMethod(obj, cls, u"NOSUCHMEMBER", frame);
    EXPECT_EQ(r.kind(), ValueKind::Int32);
    EXPECT_EQ(r.as_int32(), 0);
    EXPECT_EQ(ToInt32(TfsClassesRTTI::GetProp(obj, cls, u"NOSUCHPROP", frame)), 0);
  }
}

TEST_F(ClassLibraryTest, UnknownClassIsAWiringError) {
  Value list = New(u"TStringList");
  CallFrame frame(nullptr, &prog_, 0);
  HostObject* obj = &ObjectRegistry::Instance().Get(list);
  static const HostClass stranger{u"TStranger", nullptr, nullptr, {}};
  EXPECT_EQ(ErrorOf([&] { TfsClassesRTTI::CallMethod(obj, &stranger, u"ADD", frame); }),
            u"Class TStranger is not a built-in class");
  EXPECT_EQ(ErrorOf([&] { TfsClassesRTTI::GetProp(obj, &stranger, u"COUNT", frame); }),
            u"Class TStranger is not a built-in class");
}

TEST(ClassMembersTest, DeclarationsGiveTheDispatchParts) {
  struct {
    const char16_t* declaration;
    MemberKind kind;
    const char16_t* name;
    const char16_t* params;
    const char16_t* type;
    bool isDefault;
  } rows[] = {
      {u"constructor Create(AOwner: TComponent)", MemberKind::Constructor, u"Create", u"", u"", false},
      {u"procedure Sort", MemberKind::Method, u"Sort", u"", u"", false},
      {u"function Add(Item: TObject): Integer", MemberKind::Method, u"Add", u"", u"", false},
      {u"property Count: Integer", MemberKind::Property, u"Count", u"", u"Integer", false},
      {u"property Names[Integer]: string", MemberKind::Indexed, u"Names", u"Integer", u"string", false},
      {u"property Items[Integer]: TObject; default", MemberKind::Indexed, u"Items", u"Integer", u"TObject",
       true},
  };
  for (const auto& r : rows) {
    MemberDeclaration d = ParseMemberDeclaration(r.declaration);
    SCOPED_TRACE(ToUtf8(r.declaration));
    EXPECT_EQ(d.kind, r.kind);
    EXPECT_EQ(d.name, r.name);
    EXPECT_EQ(d.params, r.params);
    EXPECT_EQ(d.type, r.type);
    EXPECT_EQ(d.isDefault, r.isDefault);
  }
  for (const char16_t* bad : {u"procedure", u"property Items[Integer: TObject", u""})
    EXPECT_THROW(ParseMemberDeclaration(bad), ScriptError) << ToUtf8(bad);
}

// Every member the rows declare is registered and reaches its own row: the
// read-only ones have no setter, the others take the written value.
TEST_F(ClassLibraryTest, EveryRowIsRegisteredAtItsClass) {
  for (const ClassRow& row : BuiltinClassRows()) {
    TfsClassVariable& c = Class(row.cls().name);
    for (const ClassMember& m : row.members) {
      MemberDeclaration d = ParseMemberDeclaration(m.declaration);
      TfsCustomVariable* member = c.Find(d.name);
      ASSERT_NE(member, nullptr) << ToUtf8(m.declaration);
      if (d.kind == MemberKind::Property || d.kind == MemberKind::Indexed) {
        EXPECT_EQ(member->IsReadOnly(), m.set == nullptr) << ToUtf8(m.declaration);
      }
    }
  }
}

TEST_F(ClassLibraryTest, Streams) {
  Value m = New(u"TMemoryStream");
  EXPECT_EQ(ToInt32(Get(m, u"TStream", u"Write", {T(u"hello"), I(99)})), 5);
  EXPECT_EQ(ToInt32(Get(m, u"TStream", u"Size")), 5);
  EXPECT_EQ(ToInt32(Get(m, u"TStream", u"Seek", {I(1), I(0)})), 1);
  CallResult read = Call(m, u"TStream", u"Read", {Value::Null(), I(3)});
  EXPECT_EQ(ToInt32(read.result), 3);
  EXPECT_EQ(ToText(read.params[0]), u"ell");
  Set(m, u"TStream", u"Position", I(0));
  EXPECT_EQ(ToInt32(Get(m, u"TStream", u"Position")), 0);

  Value copy = New(u"TMemoryStream");
  EXPECT_EQ(ToInt32(Get(copy, u"TStream", u"CopyFrom", {m, I(0)})), 5);
  Value list = New(u"TStringList");
  Get(copy, u"TStream", u"Seek", {I(0), I(0)});
  Get(list, u"TStrings", u"LoadFromStream", {copy});
  EXPECT_EQ(ToText(Get(list, u"TStrings", u"Text")), u"hello\r\n");

  // A file that cannot be opened: the error reaches the script and the new
  // instance is freed again.
  size_t before = ObjectRegistry::Instance().LiveCount();
  std::u16string message = ErrorOf([&] {
    New(u"TFileStream", {T(u"/nonexistent/dir/x.bin"), I(fmOpenRead)});
  });
  EXPECT_NE(message.find(u"/nonexistent/dir/x.bin"), std::u16string::npos) << ToUtf8(message);
  EXPECT_EQ(ObjectRegistry::Instance().LiveCount(), before);
}

TEST_F(ClassLibraryTest, ComponentsAndPublishedProperties) {
  Value owner = New(u"TComponent", {Value::Null()});
  Value child = New(u"TComponent", {owner});
  EXPECT_EQ(ObjectIdOf(Get(child, u"TComponent", u"Owner")), ObjectIdOf(owner));
  EXPECT_EQ(ObjectIdOf(Get(owner, u"TComponent", u"Owner")), 0);
  Set(child, u"TComponent", u"Name", T(u"Edit1"));
  Set(child, u"TComponent", u"Tag", I(42));
  EXPECT_EQ(ToText(Get(child, u"TComponent", u"Name")), u"Edit1");
  EXPECT_EQ(ToInt32(Get(child, u"TComponent", u"Tag")), 42);
  Get(owner, u"TObject", u"Free");
  EXPECT_EQ(ErrorOf([&] { Get(child, u"TComponent", u"Tag"); }), u"Invalid object reference");
}

TEST_F(ClassLibraryTest, XmlDocumentClasses) {
  Value doc = New(u"TfsXMLDocument");
  Value root = Get(doc, u"TfsXMLDocument", u"Root");
  Set(root, u"TfsXMLItem", u"Name", T(u"program"));
  Value item = Get(root, u"TfsXMLItem", u"Add");
  Set(item, u"TfsXMLItem", u"Name", T(u"node"));
  Set(item, u"TfsXMLItem", u"Prop", T(u"a\"b"), {T(u"text")});
  EXPECT_EQ(ToText(Get(item, u"TfsXMLItem", u"Text")), u"text=\"a&#34;b\"");
  EXPECT_EQ(ToText(Get(item, u"TfsXMLItem", u"Prop", {T(u"TEXT")})), u"a\"b");
  EXPECT_EQ(ObjectIdOf(Get(root, u"TfsXMLItem", u"Items", {I(0)})), ObjectIdOf(item));  // same identity
  EXPECT_EQ(ObjectIdOf(Get(item, u"TfsXMLItem", u"Parent")), ObjectIdOf(root));
  EXPECT_EQ(ObjectIdOf(Get(item, u"TfsXMLItem", u"Root")), ObjectIdOf(root));
  EXPECT_EQ(ToInt32(Get(root, u"TfsXMLItem", u"Find", {T(u"NODE")})), 0);
  Value found = Get(root, u"TfsXMLItem", u"FindItem", {T(u"other")});  // FindItem adds
  EXPECT_EQ(ToInt32(Get(root, u"TfsXMLItem", u"Count")), 2);
  Set(item, u"TfsXMLItem", u"Data", I(7));
  EXPECT_EQ(ToInt32(Get(item, u"TfsXMLItem", u"Data")), 7);

  Value loose = New(u"TfsXMLItem");
  Set(loose, u"TfsXMLItem", u"Name", T(u"loose"));
  Get(root, u"TfsXMLItem", u"InsertItem", {I(0), loose});
  EXPECT_EQ(ToText(Get(Get(root, u"TfsXMLItem", u"Items", {I(0)}), u"TfsXMLItem", u"Name")), u"loose");
  EXPECT_EQ(ErrorOf([&] { Get(item, u"TfsXMLItem", u"AddItem", {root}); }),
            u"Cannot add an item to its own descendant");

  Value stream = New(u"TMemoryStream");
  Get(doc, u"TfsXMLDocument", u"SaveToStream", {stream});
  auto& ms = ObjectRegistry::Instance().GetAs<TMemoryStream>(stream);
  EXPECT_EQ(ms.Data(), "<?xml version=\"1.0\"?><program><loose/><node text=\"a&#34;b\"/><other/></program>");

  // Freeing a child destroys it; loading replaces the children; freeing the
  // document ends every reference into it.
  Get(found, u"TObject", u"Free");
  EXPECT_EQ(ToInt32(Get(root, u"TfsXMLItem", u"Count")), 2);
  Get(stream, u"TStream", u"Seek", {I(0), I(0)});
  Get(doc, u"TfsXMLDocument", u"LoadFromStream", {stream});
  EXPECT_EQ(ToInt32(Get(root, u"TfsXMLItem", u"Count")), 3);
  EXPECT_EQ(ErrorOf([&] { Get(item, u"TfsXMLItem", u"Name"); }), u"Invalid object reference");
  Get(doc, u"TObject", u"Free");
  EXPECT_EQ(ErrorOf([&] { Get(root, u"TfsXMLItem", u"Count"); }), u"Invalid object reference");
  EXPECT_EQ(ErrorOf([&] { Get(loose, u"TfsXMLItem", u"Add"); }), u"Invalid object reference");
}

TEST(ClassLibraryGlobalTest, RegisteredAfterTheSystemLibrary) {
  RegisterSysLibraryModule();  // before the GlobalProgram is made
  RegisterClassesModule();
  TfsScript& global = GlobalProgram();
  TfsClassVariable* list = global.FindClass(u"TStringList");
  ASSERT_NE(list, nullptr);
  // The system library's type names are known by now, so kinds are right.
  EXPECT_EQ(list->Find(u"Sorted")->Typ(), fvtBool);
  EXPECT_EQ(list->Find(u"Count")->Typ(), fvtInt);
  EXPECT_EQ(global.FindClass(u"TStream")->Find(u"Position")->Typ(), fvtInt);
  auto names = ModuleRegistry::Instance().Names();
  auto sys = std::find(names.begin(), names.end(), u"TfsSysFunctions");
  auto classes = std::find(names.begin(), names.end(), u"TfsClassesRTTI");
  ASSERT_NE(classes, names.end());
  EXPECT_LT(sys, classes);

  // Objects made by a script's program belong to that program.
  size_t before = ObjectRegistry::Instance().LiveCount();
  {
    TfsScript script;
    script.SetParent(&global);
    CallFrame frame(*list, &script);
    Value instance = list->Read(frame);
    EXPECT_NE(ObjectRegistry::Instance().Find(ObjectIdOf(instance)), nullptr);
    ObjectRegistry::Instance().FreeOwnedBy(script.ObjectOwner());
  }
  EXPECT_EQ(ObjectRegistry::Instance().LiveCount(), before);
}

// An owner's objects go newest first (one made from another goes before
// it), other owners' objects stay, and an object freed on its own is not
// freed again; many owners each with few objects are freed without walking
// everybody's objects.
struct Recorded : HostObject {
  explicit Recorded(std::vector<int32_t>* log) : log_(log) {}
  ~Recorded() override { log_->push_back(ObjectId()); }
  const HostClass& Class() const override {
    static const HostClass kClass{u"TRecorded"};
    return kClass;
  }
  std::vector<int32_t>* log_;
};

TEST(ObjectRegistryOwners, FreedNewestFirstAndOnlyTheirOwn) {
  ObjectRegistry& registry = ObjectRegistry::Instance();
  std::vector<int32_t> freed;
  int a = 0, b = 0;
  std::vector<int32_t> ofA;
  for (int i = 0; i < 5; ++i) ofA.push_back(registry.Adopt(std::make_unique<Recorded>(&freed), &a));
  int32_t ofB = registry.Adopt(std::make_unique<Recorded>(&freed), &b);
  EXPECT_TRUE(registry.Free(ofA[2]));
  EXPECT_EQ(freed, std::vector<int32_t>{ofA[2]});
  freed.clear();
  registry.FreeOwnedBy(&a);
  EXPECT_EQ(freed, (std::vector<int32_t>{ofA[4], ofA[3], ofA[1], ofA[0]}));
  EXPECT_NE(registry.Find(ofB), nullptr);
  registry.FreeOwnedBy(&a);  // nothing left of a
  EXPECT_EQ(freed.size(), 4u);
  registry.FreeOwnedBy(&b);
  EXPECT_EQ(registry.Find(ofB), nullptr);

  // 20,000 owners that ended, one object each, beside 20,000 live objects.
  std::vector<int> owners(20000);
  std::vector<int32_t> keep;
  for (int& owner : owners) {
    keep.push_back(registry.Adopt(std::make_unique<Recorded>(&freed), &b));
    registry.Adopt(std::make_unique<Recorded>(&freed), &owner);
  }
  for (int& owner : owners) registry.FreeOwnedBy(&owner);
  for (int32_t id : keep) ASSERT_NE(registry.Find(id), nullptr);
  registry.FreeOwnedBy(&b);
  EXPECT_EQ(freed.size(), 4u + 1u + 40000u);
}

// Two script threads use the shared class items at once, each on its own
// objects; run under TSan this checks that the handlers and the XML
// reference table keep no unguarded shared state.
TEST(ClassLibraryGlobalTest, ThreadsShareTheClassItems) {
  RegisterSysLibraryModule();
  RegisterClassesModule();
  TfsScript& global = GlobalProgram();
  auto work = [&global] {
    TfsScript script;
    script.SetParent(&global);
    auto call = [&](const Value& obj, std::u16string_view cls, std::u16string_view name,
                    std::initializer_list<Value> args) {
      TfsClassVariable* c = global.FindClass(cls);
      TfsCustomVariable* m = c->Find(name);
      CallFrame frame(*m, &script);
      int i = 0;
      for (const Value& a : args) frame.Arg(i++) = a;
      frame.SetParent(c, obj);
      return m->Read(frame);
    };
    auto make = [&](std::u16string_view cls) {
      TfsClassVariable* c = global.FindClass(cls);
      CallFrame frame(*c, &script);
      return call(c->Read(frame), cls, u"Create", {});
    };
    for (int round = 0; round < 200; ++round) {
      Value doc = make(u"TfsXMLDocument");
      Value root = call(doc, u"TfsXMLDocument", u"Root", {});
      for (int k = 0; k < 5; ++k) call(root, u"TfsXMLItem", u"Add", {});
      Value child = call(root, u"TfsXMLItem", u"Items", {Value::Int(2)});
      call(child, u"TfsXMLItem", u"Clear", {});
      call(doc, u"TObject", u"Free", {});
      Value list = make(u"TStringList");
      call(list, u"TStrings", u"Add", {Value::Text(u"x")});
      call(list, u"TObject", u"Free", {});
    }
    ObjectRegistry::Instance().FreeOwnedBy(script.ObjectOwner());
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
}

}  // namespace
}  // namespace qv
