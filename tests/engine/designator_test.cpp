#include "engine/run/designator.h"

#include <gtest/gtest.h>

#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/run/expression.h"
#include "engine/run/specialised.h"
#include "engine/value/value_ops.h"
#include "engine/xml/xml.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/engine/expression_test_util.h"
#include "tests/engine/runtime_test_util.h"
#include "tests/engine/script_run_util.h"

namespace qv {
namespace {

using testing::C;
using testing::Chain;
using testing::ConstExpr;
using testing::Expr;
using testing::O;
using testing::StepSpec;
using testing::V;
using testing::VarExpr;

std::vector<std::unique_ptr<TfsExpression>> Args(std::unique_ptr<TfsExpression> a) {
  std::vector<std::unique_ptr<TfsExpression>> v;
  v.push_back(std::move(a));
  return v;
}
std::vector<std::unique_ptr<TfsExpression>> Args(std::unique_ptr<TfsExpression> a,
                                                 std::unique_ptr<TfsExpression> b) {
  std::vector<std::unique_ptr<TfsExpression>> v;
  v.push_back(std::move(a));
  v.push_back(std::move(b));
  return v;
}

std::vector<StepSpec> Steps(TfsCustomVariable* a, std::vector<std::unique_ptr<TfsExpression>> args = {}) {
  std::vector<StepSpec> v;
  v.push_back({a, std::move(args)});
  return v;
}

class DesignatorTest : public ::testing::Test {
 protected:
  TfsScript prog;
  void SetUp() override { testing::AddBasicTypes(prog); }
  template <class T = TfsVariable>
  T* Var(const std::u16string& name, TfsVarType typ, const std::u16string& typeName, Value v) {
    auto* var = prog.AddItem(name, std::make_unique<T>(name, typ, typeName));
    var->SetValue(v);
    return var;
  }
  // An array variable of `dims` dimensions 0..n-1 with its own helper.
  TfsVariable* ArrayVar(const std::u16string& name, int dims, int n) {
    int32_t low[3] = {0, 0, 0}, high[3] = {n - 1, n - 1, n - 1};
    TfsVariable* a = Var(name, fvtArray, u"Array", Value::Array(dims, low, high));
    a->SetRefItem(prog.AddItem(u"", std::make_unique<TfsArrayHelper>(u"", dims, fvtVariant, u"")));
    return a;
  }
};

TEST_F(DesignatorTest, FinalizeSelectsKindTypeAndReadOnly) {
  TfsVariable* x = Var(u"x", fvtInt, u"Integer", Value::Int(1));
  auto* s = Var<TfsStringVariable>(u"s", fvtString, u"String", Value::Text(u"abc"));
  auto* str = prog.AddItem(u"__StringHelper", std::make_unique<TfsStringHelper>());
  TfsVariable* a = ArrayVar(u"a", 1, 3);
  TfsVariable* k = prog.AddConst(u"k", u"Integer", Value::Int(3));
  TfsProcVariable* p = testing::AddProc(prog, u"p", true);
  static const HostClass kList{u"TThing", nullptr, nullptr, {}};
  TfsClassVariable* cls = prog.AddClass(kList, u"");
  TfsMethodHelper* create = cls->AddConstructor(u"constructor Create", TfsCallMethodNewEvent());

  struct Row {
    const char* what;
    std::vector<StepSpec> steps;
    TfsDesignatorKind kind;
    TfsVarType typ;
    std::u16string typeName;
    bool readOnly;
  };
  std::vector<Row> rows;
  rows.push_back({"variable", Steps(x), dkVariable, fvtInt, u"Integer", false});
  rows.push_back({"constant", Steps(k), dkVariable, fvtInt, u"Integer", true});
  rows.push_back({"procedure", Steps(p), dkOther, fvtInt, u"Integer", true});
  {
    auto steps = Steps(s);
    steps.push_back({str, Args(ConstExpr(Value::Int(1)))});
    rows.push_back({"s[1]", std::move(steps), dkStringArray, fvtChar, u"", false});
  }
  {
    auto steps = Steps(a);
    steps.push_back({a->RefItem(), Args(ConstExpr(Value::Int(1)))});
    rows.push_back({"a[1]", std::move(steps), dkArray, fvtVariant, u"", false});
  }
  {
    auto steps = Steps(cls);
    steps.push_back({create, {}});
    rows.push_back({"TThing.Create", std::move(steps), dkOther, fvtClass, u"TThing", true});
  }
  for (Row& r : rows) {
    auto d = std::make_unique<TfsDesignator>(&prog);
    for (StepSpec& st : r.steps) {
      TfsDesignatorItem* item = d->AddStep(st.item);
      for (auto& arg : st.args) item->AddArg(std::move(arg));
    }
    d->Finalize();
    EXPECT_EQ(d->Kind(), r.kind) << r.what;
    EXPECT_EQ(d->Typ(), r.typ) << r.what;
    EXPECT_EQ(d->TypeName(), r.typeName) << r.what;
    EXPECT_EQ(d->IsReadOnly(), r.readOnly) << r.what;
  }
}

TEST_F(DesignatorTest, StringDesignatorChecksTheIndex) {
  auto* s = Var<TfsStringVariable>(u"s", fvtString, u"String", Value::Text(u"hello"));
  auto* str = prog.AddItem(u"__StringHelper", std::make_unique<TfsStringHelper>());
  auto at = [&](int i) {
    auto steps = Steps(s);
    steps.push_back({str, Args(ConstExpr(Value::Int(i)))});
    return Chain(&prog, std::move(steps));
  };
  struct Row {
    int index;
    const char16_t* read;  // nullptr: an error
  } rows[] = {{1, u"h"}, {5, u"o"}, {0, nullptr}, {6, nullptr}, {-1, nullptr}, {1 << 30, nullptr}};
  for (const Row& r : rows) {
    auto d = at(r.index);
    ASSERT_NE(dynamic_cast<TfsStringDesignator*>(d.get()), nullptr);
    if (r.read == nullptr) {
      EXPECT_THROW(d->GetValue(), ScriptError) << r.index;
      EXPECT_THROW(d->SetValue(Value::Text(u"x")), ScriptError) << r.index;
    } else {
      EXPECT_EQ(ToText(d->GetValue()), r.read) << r.index;
    }
  }
  EXPECT_EQ(s->Str(), u"hello") << "failed writes change nothing";
  at(3)->SetValue(Value::Text(u"xyz"));
  EXPECT_EQ(s->Str(), u"hexlo");
  s->SetValue(Value::Text(u""));
  EXPECT_THROW(at(1)->GetValue(), ScriptError) << "s[1] of an empty string";
}

TEST_F(DesignatorTest, ArrayDesignatorReadsNullOutsideAndRaisesOnWrite) {
  TfsVariable* a = ArrayVar(u"a", 1, 3);
  auto at = [&](int i) {
    auto steps = Steps(a);
    steps.push_back({a->RefItem(), Args(ConstExpr(Value::Int(i)))});
    return Chain(&prog, std::move(steps));
  };
  ASSERT_NE(dynamic_cast<TfsArrayDesignator*>(at(0).get()), nullptr);
  at(1)->SetValue(Value::Int(5));
  EXPECT_EQ(at(1)->GetValue().as_int32(), 5);
  EXPECT_TRUE(at(0)->GetValue().is_empty());
  for (int outside : {3, 10, -1}) {
    EXPECT_TRUE(at(outside)->GetValue().is_null()) << outside;
    EXPECT_THROW(at(outside)->SetValue(Value::Int(1)), ScriptError) << outside;
  }
  // Two dimensions: m[1, 2].
  TfsVariable* m = ArrayVar(u"m", 2, 3);
  auto steps = Steps(m);
  steps.push_back({m->RefItem(), Args(ConstExpr(Value::Int(1)), ConstExpr(Value::Int(2)))});
  auto cell = Chain(&prog, std::move(steps));
  cell->SetValue(Value::Text(u"c"));
  EXPECT_EQ(ToText(cell->GetValue()), u"c");
  EXPECT_EQ(ToText(m->PValue().as_array().items[5]), u"c");
}

TEST_F(DesignatorTest, HostMethodByReferenceWriteBack) {
  prog.AddMethod(u"procedure twice(a: Integer; var b: Integer)",
                 [](HostObject*, const HostClass*, const std::u16string&, Caller& c) {
                   c.SetParam(1, Value::Int(2 * ToInt32(c.GetParam(0))));
                   return Value();
                 });
  TfsCustomVariable* twice = prog.Find(u"twice");
  TfsVariable* x = Var(u"x", fvtInt, u"Integer", Value::Int(0));
  auto call = Chain(&prog, Steps(twice, Args(ConstExpr(Value::Int(21)), VarExpr(&prog, x))));
  call->GetValue();
  EXPECT_EQ(x->GetValue().as_int32(), 42);
  // A by-reference argument that cannot be assigned ignores the result.
  auto constant = Chain(&prog, Steps(twice, Args(ConstExpr(Value::Int(1)), ConstExpr(Value::Int(7)))));
  EXPECT_NO_THROW(constant->GetValue());
}

// f(x + 1, g()): g runs before f's parameters are assigned.
TEST_F(DesignatorTest, AllArgumentsAreEvaluatedBeforeAnyParameterIsAssigned) {
  TfsVariable* x = Var(u"x", fvtInt, u"Integer", Value::Int(4));
  TfsVariable* y = Var(u"y", fvtInt, u"Integer", Value::Int(0));
  TfsProcVariable* f = testing::AddProc(prog, u"f", false);
  TfsParamItem* pa = f->AddParameter(std::make_unique<TfsParamItem>(u"a", fvtInt, u"Integer", false, false));
  TfsParamItem* pb = f->AddParameter(std::make_unique<TfsParamItem>(u"b", fvtInt, u"Integer", false, false));
  pa->SetValue(Value::Int(-1));
  Value aSeenByG;
  prog.AddMethod(u"function g: Integer", [&](HostObject*, const HostClass*, const std::u16string&, Caller&) {
    aSeenByG = pa->GetValue();
    y->SetValue(Value::Int(100));
    return Value::Int(7);
  });
  std::vector<int> seenByF;
  testing::AddStatement(*f->Prog(), [&] {
    seenByF = {ToInt32(pa->GetValue()), ToInt32(pb->GetValue()), ToInt32(y->GetValue())};
  });
  auto call =
      Chain(&prog, Steps(f, Args(Expr(&prog, {V(x), O(u"+"), C(1)}), VarExpr(&prog, prog.Find(u"g")))));
  call->GetValue();
  EXPECT_EQ(ToInt32(aSeenByG), -1);
  EXPECT_EQ(seenByF, (std::vector<int>{5, 7, 100}));
}

TEST_F(DesignatorTest, MacroMethodsReceiveTheArgumentText) {
  TfsMethodHelper* trace = prog.AddMethod(
      u"macrofunction trace(e: Variant): Variant",
      [](HostObject*, const HostClass*, const std::u16string&, Caller& c) { return c.GetParam(0); });
  ASSERT_TRUE(trace->IsMacro());
  auto call = Chain(&prog, Steps(trace, Args(ConstExpr(Value::Int(3), u"a + b"))));
  EXPECT_EQ(ToText(call->GetValue()), u"a + b");
}

// A recursive function n -> level: each level keeps its local and its
// parameter across the inner call, also when the inner call fails.
TEST_F(DesignatorTest, RecursiveCallsRestoreLocals) {
  TfsProcVariable* f = testing::AddProc(prog, u"f", true);
  TfsScript* local = f->Prog();
  TfsParamItem* n = f->AddParameter(std::make_unique<TfsParamItem>(u"n", fvtInt, u"Integer", false, false));
  auto* loc = local->AddItem(u"loc", std::make_unique<TfsVariable>(u"loc", fvtInt, u"Integer"));
  auto inner = Chain(local, Steps(f, Args(Expr(local, {V(n), O(u"-"), C(1)}))));
  bool failAtBottom = false;
  std::vector<std::pair<int, int>> seen;
  testing::AddStatement(*local, [&] {
    int mine = ToInt32(n->GetValue());
    loc->SetValue(Value::Int(mine * 10));
    if (mine == 0 && failAtBottom) throw ScriptError(u"bottom");
    if (mine > 0) try {
        inner->GetValue();
      } catch (const ScriptError&) {
      }
    seen.emplace_back(ToInt32(n->GetValue()), ToInt32(loc->GetValue()));
    f->ResultVariable()->SetValue(Value::Int(mine));
  });
  auto top = Chain(&prog, Steps(f, Args(ConstExpr(Value::Int(3)))));
  EXPECT_EQ(top->GetValue().as_int32(), 3);
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{0, 0}, {1, 10}, {2, 20}, {3, 30}}));
  EXPECT_FALSE(f->Executing());

  failAtBottom = true;
  seen.clear();
  top->GetValue();
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 10}, {2, 20}, {3, 30}}));
  EXPECT_FALSE(f->Executing());
}

// p(var r; n): the inner call's result for r lands in the calling level's
// local, and the restore of the locals must not undo it.
TEST_F(DesignatorTest, ByReferenceResultIntoARecursiveCallersLocalSurvives) {
  TfsProcVariable* p = testing::AddProc(prog, u"p", false);
  TfsScript* local = p->Prog();
  TfsParamItem* r = p->AddParameter(std::make_unique<TfsParamItem>(u"r", fvtInt, u"Integer", false, true));
  TfsParamItem* n = p->AddParameter(std::make_unique<TfsParamItem>(u"n", fvtInt, u"Integer", false, false));
  auto* loc = local->AddItem(u"loc", std::make_unique<TfsVariable>(u"loc", fvtInt, u"Integer"));
  auto inner = Chain(local, Steps(p, Args(VarExpr(local, loc), Expr(local, {V(n), O(u"-"), C(1)}))));
  int locAfterInner = 0;
  testing::AddStatement(*local, [&] {
    if (ToInt32(n->GetValue()) > 0) {
      loc->SetValue(Value::Int(1));
      inner->GetValue();
      locAfterInner = ToInt32(loc->GetValue());
    } else {
      r->SetValue(Value::Int(99));
    }
  });
  TfsVariable* x = Var(u"x", fvtInt, u"Integer", Value::Int(0));
  auto top = Chain(&prog, Steps(p, Args(VarExpr(&prog, x), ConstExpr(Value::Int(1)))));
  top->GetValue();
  EXPECT_EQ(locAfterInner, 99);
}

struct Box : HostObject {
  const HostClass& Class() const override;
};
const HostClass kBoxClass{u"TBox", nullptr, [] { return std::make_unique<Box>(); }, {}};
const HostClass& Box::Class() const { return kBoxClass; }

TEST_F(DesignatorTest, MemberStepsGetTheirContextAndIndexedProperties) {
  TfsClassVariable* cls = prog.AddClass(kBoxClass, u"");
  struct Seen {
    std::u16string name;
    HostObject* instance = nullptr;
    std::vector<Value> params;
  } seen;
  TfsMethodHelper* items = cls->AddIndexProperty(
      u"Items", u"Integer", u"String",
      [&](HostObject* instance, const HostClass*, const std::u16string& name, Caller& c) {
        seen = {name, instance, {}};
        for (int i = 0; i <= c.Count(); ++i) seen.params.push_back(c.GetParam(i));
        return Value::Text(u"item");
      });
  int32_t id = prog.AdoptObject(std::make_unique<Box>());
  TfsVariable* obj = Var(u"obj", fvtClass, u"TBox", Value::Object(id));
  auto steps = Steps(obj);
  steps.push_back({items, Args(ConstExpr(Value::Int(2)))});
  auto d = Chain(&prog, std::move(steps));
  EXPECT_EQ(ToText(d->GetValue()), u"item");
  EXPECT_EQ(seen.name, u"ITEMS.GET");
  EXPECT_EQ(seen.instance, ObjectRegistry::Instance().Find(id));
  ASSERT_EQ(seen.params.size(), 2u);
  EXPECT_EQ(ToInt32(seen.params[0]), 2);
  EXPECT_TRUE(seen.params[1].is_null());

  d->SetValue(Value::Text(u"s"));
  EXPECT_EQ(seen.name, u"ITEMS.SET");
  ASSERT_EQ(seen.params.size(), 2u);
  EXPECT_EQ(ToInt32(seen.params[0]), 2);
  EXPECT_EQ(ToText(seen.params[1]), u"s");
}

TEST_F(DesignatorTest, NestedDesignatorFeedsTheNextStep) {
  auto* s = Var<TfsStringVariable>(u"s", fvtString, u"String", Value::Text(u"hello"));
  auto* str = prog.AddItem(u"__StringHelper", std::make_unique<TfsStringHelper>());
  TfsDesignator* nested = prog.AddItem(u"", testing::VarDsgn(&prog, s));
  auto steps = Steps(nested);
  steps.push_back({str, Args(ConstExpr(Value::Int(2)))});
  auto d = Chain(&prog, std::move(steps));
  EXPECT_EQ(d->Kind(), dkOther);
  EXPECT_EQ(ToText(d->GetValue()), u"e");
  d->SetValue(Value::Text(u"a"));
  EXPECT_EQ(s->Str(), u"hallo");
}

// The late binder of the tests: the element's `text` names a variable.
int binderCalls = 0;
std::unique_ptr<TfsDesignator> TestBinder(const TfsXMLItem& xml, TfsScript& prog) {
  ++binderCalls;
  std::u16string name = xml.Prop(u"text");
  TfsCustomVariable* item = prog.Find(name);
  if (item == nullptr) throw ScriptError(u"Undeclared identifier: '" + name + u"'");
  auto d = std::make_unique<TfsDesignator>(&prog);
  d->AddStep(item);
  d->Finalize();
  return d;
}

std::unique_ptr<TfsXMLItem> Element(const std::u16string& text) {
  auto xml = std::make_unique<TfsXMLItem>();
  xml->SetName(u"dsgn");
  xml->SetProp(u"text", text);
  return xml;
}

TEST_F(DesignatorTest, LateBindingRebuildsOnceAndFreesTheElement) {
  LateBinder previous = GetLateBinder();
  SetLateBinder(&TestBinder);
  TfsVariable* w = Var(u"w", fvtVariant, u"Variant", Value::Int(1));
  Var(u"late", fvtInt, u"Integer", Value::Int(2));

  TfsDesignator d(&prog);
  d.AddStep(w);
  d.Finalize();
  d.SetLateBindingXmlSource(Element(u"late"));
  binderCalls = 0;
  EXPECT_EQ(d.GetValue().as_int32(), 2);
  EXPECT_EQ(d.GetValue().as_int32(), 2);
  EXPECT_EQ(binderCalls, 1);
  EXPECT_EQ(d.LateBindingXmlSource(), nullptr);
  EXPECT_EQ(d.Typ(), fvtInt);

  // A failed rebuild reports its error once; the element is gone and the
  // steps resolved at build time are walked from then on.
  TfsDesignator failing(&prog);
  failing.AddStep(w);
  failing.Finalize();
  failing.SetLateBindingXmlSource(Element(u"missing"));
  EXPECT_THROW(failing.SetValue(Value::Int(5)), ScriptError);
  EXPECT_EQ(failing.LateBindingXmlSource(), nullptr);
  EXPECT_EQ(failing.GetValue().as_int32(), 1);
  failing.SetValue(Value::Int(5));
  EXPECT_EQ(w->GetValue().as_int32(), 5);
  SetLateBinder(previous);
}

// Engine lists report a bad index as the list error scripts know, with
// its class, wherever the list lives.
TEST_F(DesignatorTest, BadIndexesRaiseTheListError) {
  TfsVariable* w = Var(u"w", fvtVariant, u"Variant", Value::Int(1));
  TfsDesignator d(&prog);
  d.AddStep(w);
  auto expectListError = [](auto&& f) {
    try {
      f();
      ADD_FAILURE() << "no error";
    } catch (const ScriptError& e) {
      EXPECT_EQ(e.message(), u"List index out of bounds (3)");
      EXPECT_EQ(e.className(), u"EListError");
    }
  };
  expectListError([&] { d.Step(3); });
  expectListError([&] { d.Step(0)->Arg(3); });
  expectListError([&] { w->Param(3); });
  expectListError([&] { d.Get(3); });
}

TEST_F(DesignatorTest, SetExpressionValueAndCheck) {
  TfsSetExpression set;
  set.AddExpression(ConstExpr(Value::Int(1)));
  set.AddExpression(ConstExpr(Value::Int(3)));
  set.AddRange();
  set.AddExpression(ConstExpr(Value::Int(7)));
  set.AddExpression(ConstExpr(Value::Int(9)));
  Value v = set.GetValue();
  ASSERT_TRUE(v.is_array());
  ASSERT_EQ(v.as_array().items.size(), 5u);
  EXPECT_TRUE(v.as_array().items[2].is_null());
  for (auto [n, in] :
       std::vector<std::pair<int, bool>>{{5, true}, {8, false}, {3, true}, {9, true}, {0, false}})
    EXPECT_EQ(set.Check(Value::Int(n)), in) << n;
  EXPECT_TRUE(set.Check(Value::Text(u"7"))) << "a string against numbers compares as numbers";
  TfsSetExpression empty;
  EXPECT_FALSE(empty.Check(Value::Int(1)));
  EXPECT_EQ(empty.GetValue().as_array().items.size(), 0u);
}

// The walk reads a variant before its helper indexes it: a read override
// of the variable runs once per element read, on either path.
TEST_F(DesignatorTest, VariantElementsRunTheReadOverride) {
  TfsVariable* v = Var(u"v", fvtVariant, u"Variant", Value::Array({Value::Int(4), Value::Int(5)}));
  auto* helper = prog.AddItem(u"", std::make_unique<TfsArrayHelper>(u"", -1, fvtVariant, u""));
  int reads = 0;
  v->SetOnGetVarValue([&](const std::u16string&, TfsVarType, const Value&) {
    ++reads;
    return Value::Null();
  });
  auto steps = Steps(v);
  steps.push_back({helper, Args(ConstExpr(Value::Int(1)), ConstExpr(Value::Null()))});
  steps.back().args.push_back(ConstExpr(Value::Null()));
  auto d = Chain(&prog, std::move(steps));
  EXPECT_EQ(d->Kind(), dkArray);
  EXPECT_EQ(d->GetValue().as_int32(), 5);
  d->SetValue(Value::Int(6));
  EXPECT_EQ(v->PValue().as_array().items[1].as_int32(), 6);
  EXPECT_EQ(reads, 2);
}

// Elements of declared arrays, run with the specialised paths on and off:
// both must print the same and fail with the same message.
TEST(ArrayElementTest, SameWithAndWithoutSpecialisedPaths) {
  struct Row {
    const char* what;
    const char16_t* syntax;
    const char16_t* source;
    const char16_t* output;
    const char16_t* error;
  } rows[] = {
      {"bounds", u"js",
       u"var a[3]; a[0] = 10; a[2] = 12; var i = 3;"
       u"lg(VarType(a[i])); lg(VarType(a[-1])); lg(VarType(a[1])); i = 2; lg(a[i]); a[i + 1] = 1;",
       u"1|1|0|12|", u"Array index out of bounds"},
      {"index conversion", u"js",
       u"var a[3]; a[0] = 10; a[1] = 11; a[2] = 12;"
       u"var x = 1.6; lg(a[x]); x = 0.5; lg(a[x]); x = \"2\"; lg(a[x]); x = true; lg(VarType(a[x]));"
       u"x = \"zz\"; lg(VarType(a[x])); a[x] = 1;",
       u"12|10|12|1|1|", u"'zz' is not a valid integer value"},
      {"index overflow", u"js", u"var a[3]; var x = 1e10; lg(VarType(a[x])); a[x] = 1;", u"1|",
       u"Value out of range for Integer"},
      {"three dimensions", u"js",
       u"var m[2, 3, 4]; var i = 1, j = 2, k = 3; m[i, j, k] = \"last\"; m[0, 0, 0] = \"first\";"
       u"lg(m[i, j, k] + m[0, 0, 0]); k = 4; lg(VarType(m[i, j, k])); m[i, j + 1, 0] = 1;",
       u"lastfirst|1|", u"Array index out of bounds"},
      {"copies", u"js",
       u"var a[2]; var i = 0; a[i] = 1; var b = a; a[i] = 2; lg(b[0]);"
       u"var c[2]; c = a; c[1] = 5; lg(VarType(a[1])); lg(c[i]);",
       u"1|0|2|", u""},
      // f replaces the array while its index is evaluated; g shows that the
      // assigned value is evaluated before the index. A stored array of
      // another shape is indexed by its own dimensions; a stored value that
      // is no array reads Null and refuses writes.
      {"evaluation order and stored shape", u"Pascal",
       u"var a: array[0..2] of Integer; c: array[0..4] of Integer; m: array[0..1, 0..1] of Integer;\n"
       u"  t: array[0..1, 0..1, 0..1] of Integer; v: Variant;\n"
       u"function f: Integer; begin lg('f'); a := c; Result := 4; end;\n"
       u"function g: Integer; begin lg('g'); Result := 7; end;\n"
       u"begin c[4] := 44; lg(a[f]); a[f] := g; lg(a[4]); lg(c[4]);\n"
       u"  v := 1.5; a[0] := v; lg(a[0]);\n"
       u"  m := a; lg(m[4, 9]); m[2, 1] := 5; lg(VarType(a[2])); lg(m[2, 0]);\n"
       u"  m := t; lg(VarType(m[1, 1]));\n"
       u"  v := 3; a := v; lg(VarType(a[0])); a[0] := 1; end.",
       u"f|44|g|f|7|44|1.5|7|0|5|1|1|", u"Array type required"},
      // Variants and parameters holding arrays: late-bound chains included.
      {"variants", u"js",
       u"var a[3]; a[1] = 5; var b = a; var i = 1; lg(b[i]); b[i] = 6; lg(a[1]); lg(b[1]);"
       u"lg(VarType(b[i + 5])); var x = 1.6; b[x] = 7; lg(b[2]);"
       u"function f(p, k) { p[k] = 9; return p[k]; } lg(f(a, i)); lg(a[1]);"
       u"for (var k = 0; k < 2; k++) { lg(VarType(b[i])); b[i] = 3; b = 4; }",
       u"5|5|6|1|7|9|5|3|1|", u"Array type required"},
  };
  struct Restore {
    ~Restore() { SetSpecialisedPaths(true); }
  } restore;
  for (const Row& r : rows)
    for (bool specialised : {true, false}) {
      SetSpecialisedPaths(specialised);
      testing::ScriptRun run(r.syntax);
      EXPECT_EQ(run.Run(r.source), r.error) << r.what << (specialised ? " specialised" : " general");
      EXPECT_EQ(run.Output(), r.output) << r.what << (specialised ? " specialised" : " general");
    }
}

}  // namespace
}  // namespace qv
