#include "engine/items/items.h"

#include <gtest/gtest.h>

#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/engine/runtime_test_util.h"

namespace qv {
namespace {

using testing::AddBasicTypes;
using testing::AddProc;
using testing::AddStatement;

// A host class with a few published properties and one event.
struct Widget : HostObject {
  const HostClass& Class() const override;
  int tag = 0;
  std::u16string caption;
  bool enabled = false;
  TfsEventMethod onClick;
};

const HostClass kBaseClass{u"TBase", nullptr, nullptr, {}};
const HostClass kWidgetClass{
    u"TWidget",
    &kBaseClass,
    [] { return std::make_unique<Widget>(); },
    {
        {u"Tag", PropertyKind::Integer, u"",
         [](HostObject& o) { return Value::Int(static_cast<Widget&>(o).tag); },
         [](HostObject& o, const Value& v) { static_cast<Widget&>(o).tag = ToInt32(v); }, nullptr},
        {u"Caption", PropertyKind::String, u"",
         [](HostObject& o) { return Value::Text(static_cast<Widget&>(o).caption); }, nullptr, nullptr},
        {u"Enabled", PropertyKind::Enum, u"Boolean",
         [](HostObject& o) { return Value::Int(static_cast<Widget&>(o).enabled ? 1 : 0); },
         [](HostObject& o, const Value& v) { static_cast<Widget&>(o).enabled = ToInt32(v) != 0; }, nullptr},
        {u"OnClick", PropertyKind::Event, u"", nullptr, nullptr,
         [](HostObject& o, TfsEventMethod m) { static_cast<Widget&>(o).onClick = std::move(m); }},
    }};

const HostClass& Widget::Class() const { return kWidgetClass; }

// The host side of one call, as the handler saw it.
struct Seen {
  std::u16string name;
  std::vector<Value> params;  // GetParam(0..Count())
  HostObject* instance = nullptr;
  const HostClass* classType = nullptr;
};

TfsCallMethodNewEvent Recorder(Seen& seen, Value result = Value::Int(0)) {
  return [&seen, result](HostObject* instance, const HostClass* cls, const std::u16string& name, Caller& c) {
    seen = Seen{name, {}, instance, cls};
    for (int i = 0; i <= c.Count(); ++i) seen.params.push_back(c.GetParam(i));
    return result;
  };
}

class BridgeTest : public ::testing::Test {
 protected:
  BridgeTest() { AddBasicTypes(prog); }
  TfsScript prog;
};

TEST_F(BridgeTest, ByReferenceArgumentsComeBackThroughTheFrame) {
  TfsMethodHelper* m = prog.AddMethod(
      u"procedure scale(a: Integer; var b: Integer)",
      TfsCallMethodNewEvent([](HostObject*, const HostClass*, const std::u16string&, Caller& c) {
        c.SetParam(1, Value::Int(ToInt32(c.GetParam(0)) * 10));
        return Value::Null();
      }));
  CallFrame frame(*m, &prog);
  frame.Arg(0) = Value::Int(2);
  frame.Arg(1) = Value::Int(0);
  m->Read(frame);
  EXPECT_EQ(ToInt32(frame.GetParam(1)), 20);
  EXPECT_THROW(frame.GetParam(3), ScriptError);
  EXPECT_THROW(frame.SetParam(2, Value::Int(1)), ScriptError);

  // The array form: only by-reference elements are copied back.
  TfsMethodHelper* old = prog.AddMethod(
      u"procedure both(a: Integer; var b: Integer)",
      TfsCallMethodEvent([](HostObject*, const HostClass*, const std::u16string&, std::vector<Value>& p) {
        p[0] = Value::Int(-1);
        p[1] = Value::Int(7);
        return Value::Null();
      }));
  CallFrame oldFrame(*old, &prog);
  oldFrame.Arg(0) = Value::Int(1);
  old->Read(oldFrame);
  EXPECT_EQ(ToInt32(oldFrame.GetParam(0)), 1);
  EXPECT_EQ(ToInt32(oldFrame.GetParam(1)), 7);
}

TEST_F(BridgeTest, IndexedPropertyGetAndSet) {
  TfsClassVariable* cls = prog.AddClass(kWidgetClass, u"");
  ASSERT_NE(cls, nullptr);
  Seen seen;
  TfsMethodHelper* items =
      cls->AddIndexProperty(u"Items", u"Integer", u"String", Recorder(seen, Value::Text(u"v")));
  EXPECT_EQ(items->Syntax(), u"function Items(p0: Integer): String");
  Widget w;

  CallFrame get(*items, &prog);
  get.SetParent(nullptr, Value::Object(w.ObjectId()));
  get.Arg(0) = Value::Int(2);
  EXPECT_EQ(ToText(items->Read(get)), u"v");
  EXPECT_EQ(seen.name, u"ITEMS.GET");
  EXPECT_EQ(seen.instance, &w);
  EXPECT_EQ(seen.classType, &kWidgetClass);
  EXPECT_EQ(ToInt32(seen.params[0]), 2);
  EXPECT_TRUE(seen.params[1].is_null()) << "no assigned value on reads";

  CallFrame set(*items, &prog);
  set.SetParent(nullptr, Value::Object(w.ObjectId()));
  set.Arg(0) = Value::Int(2);
  items->Write(set, Value::Text(u"s"));
  EXPECT_EQ(seen.name, u"ITEMS.SET");
  EXPECT_EQ(ToInt32(seen.params[0]), 2);
  EXPECT_EQ(ToText(seen.params[1]), u"s");
  EXPECT_TRUE(set.AssignedValue().is_null()) << "cleared after the call";

  // Writing a method that is not an indexed property does nothing.
  Seen plain;
  TfsMethodHelper* m = cls->AddMethod(u"procedure Clear", Recorder(plain));
  CallFrame f(*m, &prog);
  m->Write(f, Value::Int(1));
  EXPECT_TRUE(plain.name.empty());

  // The array form gets the assigned value as one extra element.
  std::vector<Value> got;
  TfsMethodHelper* arr = cls->AddDefaultProperty(
      u"Cells", u"Integer, Integer", u"Variant",
      TfsCallMethodEvent([&](HostObject*, const HostClass*, const std::u16string&, std::vector<Value>& p) {
        got = p;
        return Value::Null();
      }));
  EXPECT_EQ(cls->DefProperty(), arr);
  CallFrame cells(*arr, &prog);
  cells.Arg(0) = Value::Int(1);
  cells.Arg(1) = Value::Int(2);
  arr->Write(cells, Value::Int(3));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(ToInt32(got[2]), 3);
}

TEST_F(BridgeTest, BooleanPropertiesAreZeroOrNot) {
  TfsClassVariable* cls = prog.AddClass(kWidgetClass, u"");
  struct Row {
    Value fromHandler;
    bool expected;
  };
  const Row rows[] = {{Value::Int(2), true},       {Value::Int(0), false},     {Value::Null(), false},
                      {Value::Double(0.0), false}, {Value::Text(u"0"), false}, {Value::Text(u"yes"), true},
                      {Value::Bool(true), true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(ToUtf8(ToText(row.fromHandler)));
    Value result = row.fromHandler;
    TfsPropertyHelper* p =
        cls->AddProperty(u"Flag", u"Boolean",
                         [result](HostObject*, const HostClass*, const std::u16string&) { return result; });
    CallFrame frame(*p, &prog);
    Value v = p->Read(frame);
    EXPECT_TRUE(v.is_bool());
    EXPECT_EQ(v.as_bool(), row.expected);
    EXPECT_TRUE(p->IsReadOnly()) << "no setter";
  }
}

TEST_F(BridgeTest, PublishedPropertiesAreImported) {
  TfsClassVariable* cls = prog.AddClass(kWidgetClass, u"TBase");
  struct Row {
    const char16_t* name;
    TfsVarType typ;
    bool readOnly;
  };
  for (const Row& row :
       {Row{u"tag", fvtInt, false}, Row{u"CAPTION", fvtString, true}, Row{u"Enabled", fvtBool, false}}) {
    SCOPED_TRACE(ToUtf8(row.name));
    TfsCustomVariable* m = cls->Find(row.name);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Typ(), row.typ);
    EXPECT_EQ(m->IsReadOnly(), row.readOnly);
  }
  EXPECT_EQ(cls->Find(u"OnClick"), nullptr) << "events are not properties";
  EXPECT_EQ(cls->Member(0)->Name(), u"Caption") << "sorted by name";

  Widget w;
  w.caption = u"hello";
  auto access = [&](const char16_t* name) {
    auto frame = std::make_unique<CallFrame>(*cls->Find(name), &prog);
    frame->SetParent(nullptr, Value::Object(w.ObjectId()));
    return frame;
  };
  EXPECT_EQ(ToText(cls->Find(u"Caption")->Read(*access(u"Caption"))), u"hello");
  cls->Find(u"Tag")->Write(*access(u"Tag"), Value::Text(u"42"));
  EXPECT_EQ(w.tag, 42);
  cls->Find(u"Enabled")->Write(*access(u"Enabled"), Value::Bool(true));
  EXPECT_TRUE(w.enabled);
  Value enabled = cls->Find(u"Enabled")->Read(*access(u"Enabled"));
  EXPECT_TRUE(enabled.is_bool() && enabled.as_bool());
  cls->Find(u"Caption")->Write(*access(u"Caption"), Value::Text(u"ignored"));
  EXPECT_EQ(w.caption, u"hello");
}

TEST_F(BridgeTest, ClassItemsCreateInstancesOrCast) {
  TfsClassVariable* base = prog.AddClass(kBaseClass, u"");
  TfsClassVariable* cls = prog.AddClass(kWidgetClass, u"TBase");
  EXPECT_EQ(prog.AddClass(kWidgetClass, u""), nullptr) << "already visible";
  int32_t id = 0;
  {
    TfsScript script;  // the calling script's own program owns what it creates
    CallFrame frame(*cls, &script);
    Value v = cls->Read(frame);
    ASSERT_TRUE(v.is_object());
    id = v.as_object();
    EXPECT_NE(dynamic_cast<Widget*>(ObjectRegistry::Instance().Find(id)), nullptr);

    CallFrame cast(*cls, &script);
    cast.Arg(0) = Value::Int(5);
    EXPECT_EQ(ToInt32(cls->Read(cast)), 5);

    CallFrame abstract(*base, &script);
    EXPECT_THROW(base->Read(abstract), ScriptError);
  }
  EXPECT_EQ(ObjectRegistry::Instance().Find(id), nullptr) << "freed with the program that made it";
}

TEST_F(BridgeTest, MembersAreFoundInOrderThenInAncestors) {
  TfsClassVariable* base = prog.AddClass(kBaseClass, u"TWidget");  // a cycle with TWidget
  TfsClassVariable* cls = prog.AddClass(kWidgetClass, u"TBase");
  Seen seen;
  TfsMethodHelper* first = base->AddMethod(u"function Name: String", Recorder(seen));
  base->AddMethod(u"function NAME: Integer", Recorder(seen));
  TfsMethodHelper* ctor = base->AddConstructor(u"constructor Create(AOwner: TBase)", Recorder(seen));
  EXPECT_EQ(cls->Find(u"name"), first);
  EXPECT_EQ(cls->Find(u"Create"), ctor);
  EXPECT_EQ(ctor->Syntax(), u"function Create(AOwner: TBase): Constructor");
  EXPECT_EQ(ctor->Typ(), fvtConstructor);
  EXPECT_EQ(cls->Find(u"missing"), nullptr) << "ancestor cycles end";
}

TEST_F(BridgeTest, MemberCallOnAFreedObjectIsAnError) {
  TfsClassVariable* cls = prog.AddClass(kWidgetClass, u"");
  Seen seen;
  TfsMethodHelper* m = cls->AddMethod(u"procedure Poke", Recorder(seen));
  int32_t id = prog.AdoptObject(std::make_unique<Widget>());
  ASSERT_TRUE(ObjectRegistry::Instance().Free(id));
  EXPECT_FALSE(ObjectRegistry::Instance().Free(id));
  CallFrame frame(*m, &prog);
  frame.SetParent(nullptr, Value::Object(id));
  try {
    m->Read(frame);
    FAIL() << "expected an error";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.message(), u"Invalid object reference");
  }
  EXPECT_TRUE(seen.name.empty());
  int32_t next = prog.AdoptObject(std::make_unique<Widget>());
  EXPECT_NE(next, id) << "identities are not reused";
}

TEST_F(BridgeTest, ArrayHelperReadsNullOnBadIndexes) {
  int32_t low[] = {0, 1};
  int32_t high[] = {2, 2};
  TfsVariable one(u"a", fvtArray, u"");
  one.SetValue(Value::Array({Value::Int(10), Value::Int(11), Value::Int(12)}));
  TfsVariable two(u"m", fvtArray, u"");
  two.SetValue(Value::Array(2, low, high));
  TfsVariable scalar(u"s", fvtVariant, u"");
  scalar.SetValue(Value::Int(3));
  TfsArrayHelper helper(u"__ArrayHelper", -1, fvtVariant, u"");
  EXPECT_EQ(helper.GetNumberOfRequiredParams(), 1);

  auto read = [&](TfsVariable& target, std::vector<Value> index) {
    CallFrame frame(helper, &prog);
    for (size_t i = 0; i < index.size(); ++i) frame.Arg(static_cast<int>(i)) = index[i];
    frame.SetParent(&target, target.GetValue());
    return helper.Read(frame);
  };
  EXPECT_EQ(ToInt32(read(one, {Value::Int(1)})), 11);
  EXPECT_TRUE(read(one, {Value::Int(10)}).is_null());
  EXPECT_TRUE(read(one, {Value::Int(-1)}).is_null());
  EXPECT_TRUE(read(one, {Value::Text(u"x")}).is_null()) << "conversion errors read as Null too";
  EXPECT_TRUE(read(two, {Value::Int(2), Value::Int(0)}).is_null());
  EXPECT_TRUE(read(two, {Value::Int(2), Value::Int(2)}).is_empty());
  EXPECT_TRUE(read(scalar, {Value::Int(0)}).is_null());

  CallFrame write(helper, &prog);
  write.Arg(0) = Value::Int(2);
  write.Arg(1) = Value::Int(1);
  write.SetParent(&two, Value::Null());
  helper.Write(write, Value::Text(u"x"));
  EXPECT_EQ(ToText(read(two, {Value::Int(2), Value::Int(1)})), u"x");
  write.Arg(0) = Value::Int(3);
  EXPECT_THROW(helper.Write(write, Value::Int(0)), ScriptError);
}

TEST_F(BridgeTest, StringHelperRejectsIndexesOutsideTheText) {
  TfsStringHelper helper;
  TfsStringVariable s(u"s", fvtString, u"String");
  s.SetValue(Value::Text(u"abc"));
  auto frame = [&](int index) {
    auto f = std::make_unique<CallFrame>(helper, &prog);
    f->Arg(0) = Value::Int(index);
    f->SetParent(&s, s.GetValue());
    return f;
  };
  EXPECT_EQ(ToText(helper.Read(*frame(3))), u"c");
  for (int bad : {0, 4, -1}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(helper.Read(*frame(bad)), ScriptError);
    EXPECT_THROW(helper.Write(*frame(bad), Value::Text(u"x")), ScriptError);
  }
  helper.Write(*frame(2), Value::Text(u"XY"));
  EXPECT_EQ(s.Str(), u"aXc");
  s.SetValue(Value::Text(u""));
  EXPECT_THROW(helper.Read(*frame(1)), ScriptError);
}

TEST_F(BridgeTest, EventMembers) {
  TfsClassVariable* cls = prog.AddClass(kWidgetClass, u"");
  TfsEventHelper* ev = cls->AddEvent(u"OnClick", nullptr);
  TfsProcVariable* handler = AddProc(prog, u"clicked", false);
  int calls = 0;
  AddStatement(*handler->Prog(), [&] { ++calls; });
  prog.AddVariable(u"notAProc", u"Variant", Value::Int(1));
  Widget w;
  auto assign = [&](const char16_t* value) {
    CallFrame frame(*ev, &prog);
    frame.SetParent(nullptr, Value::Object(w.ObjectId()));
    ev->Write(frame, Value::Text(value));
  };
  CallFrame readFrame(*ev, &prog);
  EXPECT_EQ(ToText(ev->Read(readFrame)), u"");

  assign(u"clicked");
  ASSERT_TRUE(static_cast<bool>(w.onClick));
  std::vector<Value> args;
  w.onClick(args);
  EXPECT_EQ(calls, 1);
  assign(u"0");
  EXPECT_FALSE(static_cast<bool>(w.onClick));
  for (const char16_t* bad : {u"notAProc", u"nothing"}) {
    try {
      assign(bad);
      ADD_FAILURE() << "expected an error";
    } catch (const ScriptError& e) {
      EXPECT_EQ(e.message(), u"Event handler must be a procedure");
    }
  }
}

TEST_F(BridgeTest, AutomationIsNotAvailable) {
  TfsOLEHelper ole(u"Visible");
  CallFrame frame(ole, &prog);
  try {
    ole.Read(frame);
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.message(), u"Automation objects are not available on this platform");
  }
  EXPECT_THROW(ole.Write(frame, Value::Int(1)), ScriptError);
}

TEST_F(BridgeTest, FramesWithManyArgumentsAndNoHandler) {
  TfsMethodHelper* m = prog.AddMethod(u"function wide(a, b, c, d, e, f, g, h: Integer): Integer",
                                      TfsCallMethodNewEvent(nullptr));
  CallFrame frame(*m, &prog);
  ASSERT_EQ(frame.Count(), 8);
  frame.Arg(7) = Value::Int(8);
  EXPECT_EQ(ToInt32(frame.GetParam(7)), 8);
  EXPECT_EQ(ToInt32(m->Read(frame)), 0) << "no handler yields 0";
  EXPECT_THROW(frame.Arg(8), ScriptError);
}

}  // namespace
}  // namespace qv
