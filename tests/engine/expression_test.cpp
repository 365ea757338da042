#include "engine/run/expression.h"

#include <gtest/gtest.h>

#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/engine/expression_test_util.h"
#include "tests/engine/runtime_test_util.h"

namespace qv {
namespace {

using testing::C;
using testing::Expr;
using testing::O;
using testing::Tok;
using testing::V;

std::string Show(const Value& v) {
  if (v.is_array()) return "<array>";
  return std::to_string(static_cast<int>(v.kind())) + ":" + ToUtf8(ToText(v));
}

class ExpressionTest : public ::testing::Test {
 protected:
  TfsScript prog;
  void SetUp() override { testing::AddBasicTypes(prog); }
  TfsVariable* Var(const std::u16string& name, TfsVarType typ, const std::u16string& typeName, Value v) {
    auto* var = prog.AddItem(name, std::make_unique<TfsVariable>(name, typ, typeName));
    var->SetValue(v);
    return var;
  }
};

TEST_F(ExpressionTest, PrioritiesBracketsAndOperators) {
  TfsVariable* zero = Var(u"z", fvtInt, u"Integer", Value::Int(0));
  struct Row {
    const char* what;
    std::vector<Tok> toks;
    Value expected;
  } rows[] = {
      {"1+2*3", {C(1), O(u"+"), C(2), O(u"*"), C(3)}, Value::Int(7)},
      {"(1+2)*3", {O(u"("), C(1), O(u"+"), C(2), O(u")"), O(u"*"), C(3)}, Value::Int(9)},
      {"10-4-3", {C(10), O(u"-"), C(4), O(u"-"), C(3)}, Value::Int(3)},
      {"2*(1+2)-1", {C(2), O(u"*"), O(u"("), C(1), O(u"+"), C(2), O(u")"), O(u"-"), C(1)}, Value::Int(5)},
      {"1-(2+3)*4", {C(1), O(u"-"), O(u"("), C(2), O(u"+"), C(3), O(u")"), O(u"*"), C(4)}, Value::Int(-19)},
      {"((7))", {O(u"("), O(u"("), C(7), O(u")"), O(u")")}, Value::Int(7)},
      {"-(2+3)", {O(u"unminus"), O(u"("), C(2), O(u"+"), C(3), O(u")")}, Value::Int(-5)},
      {"-2*3", {O(u"unminus"), C(2), O(u"*"), C(3)}, Value::Int(-6)},
      // (not z) = -1 is true; not (z = -1) would be true as well, so
      // compare against 5: (not 0) = 5 is false, not (0 = 5) is true.
      {"not z = 5", {O(u"not"), V(zero), O(u"="), C(5)}, Value::Bool(false)},
      {"5 = not z", {C(5), O(u"="), O(u"not"), V(zero)}, Value::Bool(false)},
      {"7/2", {C(7), O(u"/"), C(2)}, Value::Double(3.5)},
      {"7 div 2", {C(7), O(u"div"), C(2)}, Value::Int(3)},
      {"(-7) mod 2", {O(u"("), O(u"unminus"), C(7), O(u")"), O(u"Mod"), C(2)}, Value::Int(-1)},
      {"1 shl 33", {C(1), O(u"shl"), C(33)}, Value::Int(2)},
      {"-1 shr 28", {O(u"unminus"), C(1), O(u"shr"), C(28)}, Value::Int(15)},
      {"6 xor 3", {C(6), O(u"xor"), C(3)}, Value::Int(5)},
      {"'10' < 9", {C(Value::Text(u"10")), O(u"<"), C(9)}, Value::Bool(false)},
      {"'a' & 1", {C(Value::Text(u"a")), O(u"strcat"), C(1)}, Value::Text(u"a1")},
      {"'1' & 2", {C(Value::Text(u"1")), O(u"STRCAT"), C(2)}, Value::Text(u"12")},
      {"1 & 2", {C(1), O(u"strcat"), C(2)}, Value::Int(3)},
      {"1<2 = true", {C(1), O(u"<"), C(2), O(u"="), C(Value::Bool(true))}, Value::Bool(true)},
  };
  for (const Row& row : rows) {
    auto e = Expr(&prog, row.toks);
    EXPECT_EQ(Show(e->GetValue()), Show(row.expected)) << row.what;
  }
}

TEST_F(ExpressionTest, MalformedSequencesRaise) {
  std::vector<std::vector<Tok>> rows = {
      {C(1), O(u")")},                    // no "("
      {O(u"("), O(u")")},                 // empty brackets
      {C(1), O(u"??"), C(2)},             // unknown token
      {C(1), O(u" "), C(2)},              // the sentinel is not an operator
      {C(1), O(u"+"), C(2), C(3), C(4)},  // operands without operators
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    TfsExpression e(&prog);
    EXPECT_THROW(testing::Feed(e, &prog, rows[i]), ScriptError) << "row " << i;
  }
  // A conversion error while evaluating propagates.
  auto e = Expr(&prog, {C(Value::Text(u"abc")), O(u"+"), C(1)});
  EXPECT_THROW(e->GetValue(), ConvertError);
}

TEST_F(ExpressionTest, DeepTreesAreRefusedNotOverflowed) {
  TfsExpression e(&prog);
  e.AddConst(Value::Int(1));
  for (int i = 0; i < 5000; ++i) {
    e.AddOperator(u"+");
    e.AddConst(Value::Int(1));
  }
  std::u16string pos;
  EXPECT_THROW(e.Finalize(pos), ScriptError);
  // Just below the limit the tree evaluates.
  TfsExpression ok(&prog);
  ok.AddConst(Value::Int(1));
  for (int i = 0; i < 4000; ++i) {
    ok.AddOperator(u"+");
    ok.AddConst(Value::Int(1));
  }
  EXPECT_TRUE(ok.Finalize(pos));
  EXPECT_EQ(ok.GetValue().as_int32(), 4001);
}

TEST_F(ExpressionTest, TypeCheck) {
  static const HostClass kBase{u"TBase", nullptr, nullptr, {}};
  static const HostClass kDerived{u"TDerived", &kBase, nullptr, {}};
  static const HostClass kOther{u"TOther", nullptr, nullptr, {}};
  prog.AddClass(kBase, u"");
  prog.AddClass(kDerived, u"TBase");
  prog.AddClass(kOther, u"");
  TfsVariable* b = Var(u"b", fvtBool, u"Boolean", Value::Bool(true));
  TfsVariable* i = Var(u"i", fvtInt, u"Integer", Value::Int(1));
  TfsVariable* f = Var(u"f", fvtFloat, u"Extended", Value::Double(1));
  TfsVariable* s = Var(u"s", fvtString, u"String", Value::Text(u"x"));
  TfsVariable* v = Var(u"v", fvtVariant, u"Variant", Value::Int(1));
  TfsVariable* base = Var(u"ob", fvtClass, u"TBase", Value::Int(0));
  TfsVariable* base2 = Var(u"ob2", fvtClass, u"TBase", Value::Int(0));
  TfsVariable* derived = Var(u"od", fvtClass, u"TDerived", Value::Int(0));
  TfsVariable* other = Var(u"oo", fvtClass, u"TOther", Value::Int(0));
  TfsVariable* e1 = Var(u"e1", fvtEnum, u"TAlign", Value::Int(0));
  TfsVariable* e2 = Var(u"e2", fvtEnum, u"talign", Value::Int(0));
  TfsVariable* e3 = Var(u"e3", fvtEnum, u"TColor", Value::Int(0));
  struct Row {
    const char* what;
    std::vector<Tok> toks;
    bool ok;
    TfsVarType typ;
  } rows[] = {
      {"bool + int", {V(b), O(u"+"), V(i)}, false, fvtBool},
      {"bool + bool", {V(b), O(u"+"), V(b)}, false, fvtBool},
      {"bool and bool", {V(b), O(u"and"), V(b)}, true, fvtBool},
      {"not bool", {O(u"not"), V(b)}, true, fvtBool},
      {"-bool", {O(u"unminus"), V(b)}, false, fvtBool},
      {"int + float", {V(i), O(u"+"), V(f)}, true, fvtFloat},
      {"float + int", {V(f), O(u"+"), V(i)}, true, fvtFloat},
      {"int / int", {V(i), O(u"/"), V(i)}, true, fvtFloat},
      {"int div int", {V(i), O(u"div"), V(i)}, true, fvtInt},
      {"int < float", {V(i), O(u"<"), V(f)}, true, fvtBool},
      {"int + bool", {V(i), O(u"+"), V(b)}, false, fvtInt},
      {"string + string", {V(s), O(u"+"), V(s)}, true, fvtString},
      {"string - string", {V(s), O(u"-"), V(s)}, false, fvtString},
      {"string + int", {V(s), O(u"+"), V(i)}, false, fvtString},
      {"string & variant", {V(s), O(u"strcat"), V(v)}, true, fvtString},
      {"variant + bool", {V(v), O(u"+"), V(b)}, true, fvtVariant},
      {"same class =", {V(base), O(u"="), V(base2)}, true, fvtBool},
      {"base = derived", {V(base), O(u"="), V(derived)}, true, fvtBool},
      {"derived = base", {V(derived), O(u"="), V(base)}, false, fvtBool},
      {"unrelated =", {V(base), O(u"="), V(other)}, false, fvtBool},
      {"class + class", {V(base), O(u"+"), V(base2)}, false, fvtClass},
      {"unrelated is", {V(other), O(u"is"), V(base)}, true, fvtBool},
      {"enum = enum (case)", {V(e1), O(u"="), V(e2)}, true, fvtBool},
      {"enum = other enum", {V(e1), O(u"="), V(e3)}, false, fvtBool},
      {"enum = int", {V(e1), O(u"="), V(i)}, true, fvtBool},
  };
  for (const Row& row : rows) {
    bool ok = false;
    auto e = Expr(&prog, row.toks, &ok);
    EXPECT_EQ(ok, row.ok) << row.what;
    EXPECT_EQ(e->Typ(), row.typ) << row.what;
  }
}

TEST_F(ExpressionTest, FirstIncompatibleNodeGivesThePosition) {
  TfsVariable* b = Var(u"b", fvtBool, u"Boolean", Value::Bool(true));
  // (b + 1) = (b - 2): both operators are incompatible; the left one counts.
  std::u16string pos;
  bool ok = true;
  Expr(&prog,
       {O(u"(", u"1:1"), V(b), O(u"+", u"1:4"), C(Value::Int(1), u"1:6"), O(u")", u"1:7"), O(u"=", u"1:9"),
        O(u"(", u"1:11"), V(b), O(u"-", u"1:14"), C(Value::Int(2), u"1:16"), O(u")", u"1:17")},
       &ok, &pos);
  EXPECT_FALSE(ok);
  EXPECT_EQ(pos, u"1:4");
}

TEST_F(ExpressionTest, AssignCompatibility) {
  struct Row {
    TfsVarType target;
    const char16_t* targetName;
    TfsVarType source;
    const char16_t* sourceName;
    bool ok;
  } rows[] = {
      {fvtInt, u"Integer", fvtInt, u"", true},          {fvtFloat, u"Extended", fvtInt, u"", true},
      {fvtInt, u"Integer", fvtFloat, u"", false},       {fvtInt, u"Integer", fvtFloat, u"integer", true},
      {fvtBool, u"Boolean", fvtInt, u"", false},        {fvtString, u"String", fvtInt, u"", true},
      {fvtString, u"TFoo", fvtInt, u"", false},         {fvtVariant, u"Variant", fvtBool, u"", true},
      {fvtInt, u"Integer", fvtConstructor, u"", false}, {fvtConstructor, u"", fvtVariant, u"x", false},
  };
  for (const Row& r : rows) {
    TfsVariable target(u"t", r.target, r.targetName);
    TfsVariable source(u"s", r.source, r.sourceName);
    EXPECT_EQ(AssignCompatible(target, source, &prog), r.ok)
        << ToUtf8(r.targetName) << " := " << int(r.source) << "/" << ToUtf8(r.sourceName);
  }
}

TEST_F(ExpressionTest, OptimizeForCompoundAssignments) {
  TfsVariable* x = Var(u"x", fvtInt, u"Integer", Value::Int(5));
  TfsVariable* y = Var(u"y", fvtInt, u"Integer", Value::Int(7));
  TfsVariable* s = Var(u"s", fvtString, u"String", Value::Text(u"s"));
  TfsVariable* t = Var(u"t", fvtString, u"String", Value::Text(u"t"));
  TfsVariable* v = Var(u"v", fvtVariant, u"Variant", Value::Int(1));
  struct Row {
    const char* what;
    TfsVariable* target;
    std::vector<Tok> toks;
    const char16_t* op;
    Value rest;  // the value of what remains
  } rows[] = {
      {"x := x + 1", x, {V(x), O(u"+"), C(1)}, u"+", Value::Int(1)},
      {"x := x - y * 2", x, {V(x), O(u"-"), V(y), O(u"*"), C(2)}, u"-", Value::Int(14)},
      {"x := x * 3", x, {V(x), O(u"*"), C(3)}, u"*", Value::Int(3)},
      {"x := x / 2", x, {V(x), O(u"/"), C(2)}, u"/", Value::Int(2)},
      {"x := 1 + x", x, {C(1), O(u"+"), V(x)}, u"+", Value::Int(1)},
      {"x := 1 - x", x, {C(1), O(u"-"), V(x)}, u" ", Value::Int(-4)},
      {"x := y + 1", x, {V(y), O(u"+"), C(1)}, u" ", Value::Int(8)},
      {"x := x div 2", x, {V(x), O(u"div"), C(2)}, u" ", Value::Int(2)},
      {"s := t + s", s, {V(t), O(u"+"), V(s)}, u" ", Value::Text(u"ts")},
      {"s := s + t", s, {V(s), O(u"+"), V(t)}, u"+", Value::Text(u"t")},
      {"v := 1 + v", v, {C(1), O(u"+"), V(v)}, u" ", Value::Int(2)},
      {"s := s & 1", s, {V(s), O(u"strcat"), C(1)}, u" ", Value::Text(u"s1")},
  };
  for (const Row& row : rows) {
    auto e = Expr(&prog, row.toks);
    auto target = testing::VarDsgn(&prog, row.target);
    std::u16string op;
    e->Optimize(*target, op);
    EXPECT_EQ(op, row.op) << row.what;
    EXPECT_EQ(Show(e->GetValue()), Show(row.rest)) << row.what;
  }
  // Only a plain variable target is rewritten.
  auto e = Expr(&prog, {V(x), O(u"+"), C(1)});
  TfsDesignator general(&prog);
  general.AddStep(x);
  general.Finalize();
  std::u16string op;
  e->Optimize(general, op);
  EXPECT_EQ(op, u" ");
}

// Operators read plain variables and constants in place; what they read
// must still be what evaluating the operand nodes would give.
TEST_F(ExpressionTest, InPlaceOperandsFollowTheVariables) {
  TfsVariable* a = Var(u"a", fvtInt, u"Integer", Value::Int(10));
  TfsVariable* b = Var(u"b", fvtVariant, u"Variant", Value::Text(u"4"));
  auto minus = Expr(&prog, {V(a), O(u"-"), C(1)});
  auto less = Expr(&prog, {V(a), O(u"<"), V(b)});
  auto plus = Expr(&prog, {V(a), O(u"+"), V(b)});
  auto times = Expr(&prog, {V(b), O(u"*"), C(3)});
  auto check = [&](const char* when, int m, bool l, const char* p, const char* t) {
    EXPECT_EQ(Show(minus->GetValue()), Show(Value::Int(m))) << when;
    EXPECT_EQ(less->GetBool(), l) << when;
    EXPECT_EQ(Show(less->GetValue()), Show(Value::Bool(l))) << when;
    EXPECT_EQ(ToUtf8(ToText(plus->GetValue())), p) << when;
    EXPECT_EQ(ToUtf8(ToText(times->GetValue())), t) << when;
  };
  check("start", 9, false, "14", "12");
  a->SetValue(Value::Int(2));
  b->SetValue(Value::Int(INT32_MAX));
  check("changed", 1, true, "2147483649", "6442450941");
  // A read override replaces the stored value wherever the variable is read.
  a->SetOnGetVarValue([](const std::u16string&, TfsVarType, const Value&) { return Value::Int(100); });
  check("override", 99, true, "2147483747", "6442450941");
  a->SetOnGetVarValue(nullptr);
  b->MarkShared();
  b->SetValue(Value::Int(-3));
  check("shared", 1, false, "-1", "-9");
}

TEST_F(ExpressionTest, SingleItemAndWriteThrough) {
  TfsVariable* x = Var(u"x", fvtInt, u"Integer", Value::Int(5));
  auto var = testing::VarExpr(&prog, x);
  EXPECT_EQ(var->SingleItem(), x);
  EXPECT_FALSE(var->IsReadOnly());
  var->SetValue(Value::Int(9));
  EXPECT_EQ(x->GetValue().as_int32(), 9);

  auto constant = Expr(&prog, {C(3)});
  ASSERT_NE(constant->SingleItem(), nullptr);
  EXPECT_EQ(constant->SingleItem()->GetValue().as_int32(), 3);
  EXPECT_TRUE(constant->IsReadOnly());
  constant->SetValue(Value::Int(1));  // ignored

  auto sum = Expr(&prog, {V(x), O(u"+"), C(1)});
  EXPECT_EQ(sum->SingleItem(), nullptr);
  EXPECT_TRUE(sum->IsReadOnly());
}

// A host function that counts its calls, optionally raising.
struct Probe {
  int calls = 0;
  bool raise = false;
  Value result = Value::Bool(true);
};

TfsMethodHelper* AddProbe(TfsScript& prog, const char16_t* syntax, Probe& p) {
  return prog.AddMethod(syntax, [&p](HostObject*, const HostClass*, const std::u16string&, Caller&) {
    ++p.calls;
    if (p.raise) throw ScriptError(u"probe failed");
    return p.result;
  });
}

TEST_F(ExpressionTest, ShortCircuitOnStaticBooleans) {
  Probe probe;
  TfsMethodHelper* f = AddProbe(prog, u"function f: Boolean", probe);
  TfsVariable* b = Var(u"b", fvtBool, u"Boolean", Value::Bool(false));
  struct Row {
    bool b;
    const char16_t* op;
    int calls;
    bool result;
  } rows[] = {
      {false, u"and", 0, false},
      {true, u"and", 1, true},
      {true, u"or", 0, true},
      {false, u"or", 1, true},
  };
  for (const Row& r : rows) {
    probe.calls = 0;
    b->SetValue(Value::Bool(r.b));
    auto e = Expr(&prog, {V(b), O(r.op), V(f)});
    ASSERT_TRUE(static_cast<TfsOperatorNode*>(e->Root())->OptimizeBool());
    EXPECT_EQ(Show(e->GetValue()), Show(Value::Bool(r.result))) << r.b << ToUtf8(r.op);
    EXPECT_EQ(probe.calls, r.calls) << r.b << ToUtf8(r.op);
  }
}

TEST_F(ExpressionTest, VariantAndNormalisesErrorsToFalse) {
  Probe probe;
  TfsMethodHelper* g = AddProbe(prog, u"function g: Variant", probe);
  TfsVariable* v = Var(u"v", fvtVariant, u"Variant", Value());
  struct Row {
    const char* what;
    Value left;
    bool raise;
    Value right;
    Value expected;
  } rows[] = {
      {"true and error", Value::Bool(true), true, Value(), Value::Bool(false)},
      {"true and true", Value::Bool(true), false, Value::Bool(true), Value::Bool(true)},
      {"true and Null", Value::Bool(true), false, Value::Null(), Value::Bool(false)},
      {"Null and 'abc'", Value::Null(), false, Value::Text(u"abc"), Value::Bool(true)},
      {"Null and ''", Value::Null(), false, Value::Text(u""), Value::Bool(false)},
      {"Null and false", Value::Null(), false, Value::Bool(false), Value::Bool(false)},
      {"'x' and true", Value::Text(u"x"), false, Value::Bool(true), Value::Bool(false)},
  };
  for (const Row& r : rows) {
    v->SetValue(r.left);
    probe.raise = r.raise;
    probe.result = r.right;
    probe.calls = 0;
    auto e = Expr(&prog, {V(v), O(u"and"), V(g)});
    ASSERT_FALSE(static_cast<TfsOperatorNode*>(e->Root())->OptimizeBool());
    Value got;
    EXPECT_NO_THROW(got = e->GetValue()) << r.what;
    EXPECT_EQ(Show(got), Show(r.expected)) << r.what;
    EXPECT_EQ(probe.calls, 1) << r.what << ": the right side always runs";
  }
  // An error on the left side is not normalised.
  probe.raise = true;
  auto e = Expr(&prog, {V(g), O(u"and"), V(v)});
  EXPECT_THROW(e->GetValue(), ScriptError);
}

TEST_F(ExpressionTest, MembershipInSetsAndArrays) {
  auto set = [] {
    auto s = std::make_unique<TfsSetExpression>();
    s->AddExpression(testing::ConstExpr(Value::Int(1)));
    s->AddExpression(testing::ConstExpr(Value::Int(3)));
    s->AddRange();
    s->AddExpression(testing::ConstExpr(Value::Int(7)));
    s->AddExpression(testing::ConstExpr(Value::Int(9)));
    return s;
  };
  TfsVariable* arr = Var(u"arr", fvtVariant, u"Variant", set()->GetValue());
  ASSERT_TRUE(arr->GetValue().is_array());
  for (auto [n, in] : std::vector<std::pair<int, bool>>{
           {5, true}, {2, false}, {1, true}, {3, true}, {7, true}, {8, false}, {9, true}, {10, false}}) {
    TfsExpression e(&prog);
    e.AddConst(Value::Int(n));
    e.AddOperator(u"in");
    e.AddSet(set());
    std::u16string pos;
    EXPECT_TRUE(e.Finalize(pos));
    EXPECT_EQ(e.GetValue().as_bool(), in) << n << " in set";
    auto runtime = Expr(&prog, {C(n), O(u"in"), V(arr)});
    EXPECT_EQ(runtime->GetValue().as_bool(), in) << n << " in array";
  }
  TfsVariable* scalar = Var(u"scalar", fvtVariant, u"Variant", Value::Int(5));
  auto bad = Expr(&prog, {C(5), O(u"in"), V(scalar)});
  EXPECT_THROW(bad->GetValue(), ScriptError);
}

struct Thing : HostObject {
  explicit Thing(const HostClass& c) : cls(c) {}
  const HostClass& Class() const override { return cls; }
  const HostClass& cls;
};

TEST_F(ExpressionTest, IsTestsClassAncestry) {
  static const HostClass kBase{u"TBase", nullptr, nullptr, {}};
  static const HostClass kDerived{u"TDerived", &kBase, nullptr, {}};
  // Related only through the ancestor name of its class item.
  static const HostClass kByName{u"TByName", nullptr, nullptr, {}};
  static const HostClass kOther{u"TOther", nullptr, nullptr, {}};
  TfsClassVariable* base = prog.AddClass(kBase, u"");
  prog.AddClass(kDerived, u"TBase");
  prog.AddClass(kByName, u"TDerived");
  TfsClassVariable* other = prog.AddClass(kOther, u"");
  TfsVariable* o = Var(u"o", fvtVariant, u"Variant", Value::Int(0));
  struct Row {
    const HostClass* objectClass;  // nullptr: no object
    TfsClassVariable* test;
    bool expected;
  } rows[] = {
      {&kBase, base, true},   {&kDerived, base, true}, {&kByName, base, true},
      {&kBase, other, false}, {nullptr, base, false},
  };
  for (const Row& r : rows) {
    int32_t id = 0;
    if (r.objectClass != nullptr) id = prog.AdoptObject(std::make_unique<Thing>(*r.objectClass));
    o->SetValue(Value::Object(id));
    auto e = Expr(&prog, {V(o), O(u"is"), V(r.test)});
    EXPECT_EQ(e->GetValue().as_bool(), r.expected)
        << (r.objectClass ? ToUtf8(r.objectClass->name) : "nil") << " is " << ToUtf8(r.test->Name());
  }
}

}  // namespace
}  // namespace qv
