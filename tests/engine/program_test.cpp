#include "engine/program/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "engine/run/statement.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/engine/runtime_test_util.h"

namespace qv {
namespace {

using testing::AddBasicTypes;
using testing::AddProc;
using testing::AddStatement;

std::unique_ptr<TfsVariable> Var(const std::u16string& name) {
  return std::make_unique<TfsVariable>(name, fvtVariant, u"");
}

class Module : public TfsRTTIModule {
 public:
  explicit Module(TfsScript& s) : TfsRTTIModule(s) {}
};

TEST(ProgramTableTest, SortedCaseInsensitiveNewestFirst) {
  TfsScript prog;
  TfsVariable* older = prog.AddItem(u"alpha", Var(u"alpha"));
  prog.AddItem(u"Beta", Var(u"Beta"));
  TfsVariable* newer = prog.AddItem(u"ALPHA", Var(u"ALPHA"));
  prog.Add(u"", std::make_unique<Module>(prog));

  std::vector<std::u16string> names;
  for (int i = 0; i < prog.Count(); ++i) names.push_back(prog.ItemName(i));
  EXPECT_EQ(names, (std::vector<std::u16string>{u"", u"ALPHA", u"alpha", u"Beta"}));

  EXPECT_EQ(prog.FindLocal(u"Alpha"), newer);
  EXPECT_EQ(prog.FindLocal(u""), nullptr) << "non-item entries are invisible";
  EXPECT_EQ(prog.FindLocal(u"gamma"), nullptr);

  std::unique_ptr<TfsObject> removed = prog.Remove(newer);
  EXPECT_EQ(removed.get(), newer);
  EXPECT_EQ(prog.FindLocal(u"alpha"), older);
}

// Entries added in batches between reads of the order, against a model
// table: sorted by upper-case name, equal names newest first.
TEST(ProgramTableTest, OrderHoldsAcrossBatchesOfAdditions) {
  TfsScript prog;
  std::vector<std::pair<std::u16string, int>> model;  // upper name, serial
  std::vector<TfsVariable*> items;
  const std::u16string names[] = {u"b", u"A", u"c", u"a", u"B", u"d", u"a", u"C"};
  int serial = 0;
  for (int round = 0; round < 6; ++round) {
    for (int k = 0; k <= round; ++k) {
      const std::u16string& name = names[(round * 3 + k) % std::size(names)];
      items.push_back(prog.AddItem(name, Var(name)));
      model.emplace_back(UpperCase(name), serial++);
    }
    std::vector<std::pair<std::u16string, int>> sorted = model;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& x, const auto& y) {
      return x.first != y.first ? x.first < y.first : x.second > y.second;
    });
    ASSERT_EQ(prog.Count(), static_cast<int>(sorted.size()));
    for (int i = 0; i < prog.Count(); ++i) {
      EXPECT_EQ(prog.Items(i), items[static_cast<size_t>(sorted[static_cast<size_t>(i)].second)])
          << round << " " << i;
    }
    // The first entry of each name, the newest, is the one found.
    for (size_t i = 0; i < sorted.size(); ++i) {
      if (i == 0 || sorted[i].first != sorted[i - 1].first) {
        EXPECT_EQ(prog.FindLocal(sorted[i].first), items[static_cast<size_t>(sorted[i].second)]);
      }
    }
  }
  // Removing the newest uncovers the one before it.
  TfsVariable* newestA = nullptr;
  for (auto it = model.rbegin(); it != model.rend() && newestA == nullptr; ++it)
    if (it->first == u"A") newestA = items[static_cast<size_t>(it->second)];
  ASSERT_NE(newestA, nullptr);
  std::unique_ptr<TfsObject> removed = prog.Remove(newestA);
  ASSERT_EQ(removed.get(), newestA);
  TfsCustomVariable* found = prog.FindLocal(u"a");
  ASSERT_NE(found, nullptr);
  EXPECT_NE(found, newestA);
  EXPECT_EQ(prog.Items(0), found);
}

TEST(ProgramTableTest, LookupOrderOwnTableThenChildrenNewestFirstThenParent) {
  TfsScript parent;
  TfsScript prog;
  prog.SetParent(&parent);
  TfsVariable* inParent = parent.AddItem(u"x", Var(u"x"));
  TfsVariable* onlyParent = parent.AddItem(u"p", Var(u"p"));
  EXPECT_EQ(prog.Find(u"X"), inParent);

  auto son1 = std::make_unique<TfsScript>();
  auto son2 = std::make_unique<TfsScript>();
  TfsVariable* in1 = son1->AddItem(u"x", Var(u"x"));
  TfsVariable* in2 = son2->AddItem(u"x", Var(u"x"));
  prog.AddSonScript(std::move(son1));
  EXPECT_EQ(prog.Find(u"x"), in1);
  prog.AddSonScript(std::move(son2));
  EXPECT_EQ(prog.Find(u"x"), in2) << "the child added last wins";

  TfsVariable* own = prog.AddItem(u"x", Var(u"x"));
  EXPECT_EQ(prog.Find(u"x"), own);
  EXPECT_EQ(prog.Find(u"p"), onlyParent);
  EXPECT_EQ(prog.FindLocal(u"p"), nullptr);
  EXPECT_THROW(parent.SetParent(&prog), ScriptError) << "a cycle would hang every lookup";
}

TEST(ProgramRegistrationTest, VisibilityChecks) {
  TfsScript parent;
  TfsScript prog;
  prog.SetParent(&parent);
  AddBasicTypes(parent);
  TfsVariable* v = parent.AddVariable(u"limit", u"Integer", Value::Int(1));
  ASSERT_NE(v, nullptr);
  int before = prog.Count();
  EXPECT_EQ(prog.AddVariable(u"LIMIT", u"Integer", Value::Int(2)), nullptr);
  EXPECT_EQ(prog.AddConst(u"limit", u"Integer", Value::Int(2)), nullptr);
  EXPECT_EQ(prog.AddType(u"Integer", fvtFloat), nullptr);
  EXPECT_EQ(prog.Count(), before);
  EXPECT_EQ(ToInt32(prog.GetVariable(u"limit")), 1);

  // Methods are not checked: the later registration shadows the earlier one.
  auto handler = [](int n) {
    return [n](HostObject*, const HostClass*, const std::u16string&, Caller&) { return Value::Int(n); };
  };
  prog.AddMethod(u"function f: Integer", TfsCallMethodNewEvent(handler(1)));
  TfsMethodHelper* second = prog.AddMethod(u"function F: Integer", TfsCallMethodNewEvent(handler(2)));
  EXPECT_EQ(prog.Find(u"f"), second);
  EXPECT_EQ(ToInt32(prog.GetVariable(u"f")), 2) << "reading a method calls it";
  EXPECT_EQ(second->Description(), u"F");
}

TEST(ProgramRegistrationTest, ConstantsAndEnumerations) {
  TfsScript prog;
  AddBasicTypes(prog);
  TfsVariable* c = prog.AddConst(u"MAXINT", u"Integer", Value::Text(u"2147483647"));
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->GetValue().is_int32());
  c->SetValue(Value::Int(0));
  EXPECT_EQ(ToInt32(c->GetValue()), 2147483647) << "constants are read only";

  prog.AddEnumSet(u"TOpts", u"a, b ,c");
  prog.AddEnum(u"TDup", u"dupIgnore,dupAccept,dupError");
  struct Row {
    const char16_t* name;
    int value;
  };
  for (const Row& row :
       {Row{u"a", 1}, Row{u"b", 2}, Row{u"c", 4}, Row{u"dupIgnore", 0}, Row{u"dupError", 2}}) {
    SCOPED_TRACE(ToUtf8(row.name));
    TfsCustomVariable* item = prog.FindLocal(row.name);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(ToInt32(item->GetValue()), row.value);
    EXPECT_TRUE(item->IsReadOnly());
    EXPECT_EQ(item->Typ(), fvtEnum);
  }
  EXPECT_EQ(prog.FindLocal(u" b "), nullptr);
  EXPECT_EQ(prog.FindLocal(u"TOpts")->Typ(), fvtEnum);
}

TEST(ProgramRegistrationTest, VariablesConvertByKind) {
  TfsScript prog;
  AddBasicTypes(prog);
  struct Row {
    const char16_t* typ;
    Value assigned;
    ValueKind kind;
    const char16_t* text;
  };
  const Row rows[] = {
      {u"Integer", Value::Text(u"12"), ValueKind::Int32, u"12"},
      {u"Boolean", Value::Int(2), ValueKind::Boolean, u"True"},
      {u"Extended", Value::Text(u"1.5"), ValueKind::Double, u"1.5"},
      {u"String", Value::Int(5), ValueKind::Text, u"5"},
      {u"Variant", Value::Int(5), ValueKind::Int32, u"5"},
      {u"TUnknown", Value::Text(u"x"), ValueKind::Text, u"x"},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(ToUtf8(row.typ));
    std::u16string name = u"v" + IntToText(n++);
    TfsVariable* v = prog.AddVariable(name, row.typ, Value::Null());
    ASSERT_NE(v, nullptr);
    v->SetValue(row.assigned);
    EXPECT_EQ(v->GetValue().kind(), row.kind);
    EXPECT_EQ(ToText(v->GetValue()), row.text);
  }
  TfsStringVariable s(u"s", fvtString, u"String");
  s.SetValue(Value::Int(5));
  EXPECT_EQ(s.Str(), u"5");
}

TEST(ProgramRegistrationTest, VariableValueOverride) {
  TfsScript prog;
  prog.SetOnGetVarValue([](const std::u16string& name, TfsVarType, const Value&) {
    return name == u"swapped" ? Value::Text(u"host") : Value::Null();
  });
  prog.AddVariable(u"swapped", u"Variant", Value::Int(1));
  prog.AddVariable(u"kept", u"Variant", Value::Int(2));
  EXPECT_EQ(ToText(prog.GetVariable(u"swapped")), u"host");
  EXPECT_EQ(ToInt32(prog.GetVariable(u"kept")), 2) << "Null keeps the stored value";
}

TEST(ProgramRegistrationTest, GetAndSetVariable) {
  TfsScript parent;
  TfsScript prog;
  prog.SetParent(&parent);
  parent.AddVariable(u"shared", u"Variant", Value::Int(1));
  EXPECT_TRUE(prog.GetVariable(u"nothing").is_null());
  prog.SetVariable(u"shared", Value::Int(7));
  EXPECT_EQ(ToInt32(parent.GetVariable(u"shared")), 7) << "the visible item is assigned";
  prog.SetVariable(u"fresh", Value::Text(u"new"));
  ASSERT_NE(prog.FindLocal(u"fresh"), nullptr) << "an unknown name is declared here";
  EXPECT_EQ(parent.FindLocal(u"fresh"), nullptr);
}

TEST(ProgramTableTest, ClearKeepsModuleRegistrations) {
  const std::u16string kName = u"program-test-module";
  ModuleRegistry::Instance().Add(kName, ModuleRegistry::kPublicLibraryOrder + 1, [](TfsScript& s) {
    s.AddVariable(u"fromModule", u"Variant", Value::Int(1));
    return std::make_unique<Module>(s);
  });
  {
    TfsScript prog;
    prog.AddRTTI();
    prog.AddRTTI();  // only once
    EXPECT_TRUE(prog.RTTIAdded());
    prog.AddVariable(u"mine", u"Variant", Value::Int(2));
    prog.SetAddedBy(42);
    prog.AddVariable(u"tagged", u"Variant", Value::Int(3));
    prog.SetAddedBy(0);
    int modules = 0;
    for (int i = 0; i < prog.Count(); ++i) modules += dynamic_cast<Module*>(prog.Items(i)) != nullptr;
    EXPECT_EQ(modules, 1);
    EXPECT_EQ(prog.FindLocal(u"fromModule")->AddedBy(), kAddedByModules);

    prog.RemoveItems(42);
    EXPECT_EQ(prog.FindLocal(u"tagged"), nullptr);
    EXPECT_NE(prog.FindLocal(u"mine"), nullptr);

    prog.SetErrorMsg(u"old error");
    prog.Clear();
    EXPECT_EQ(prog.FindLocal(u"mine"), nullptr);
    EXPECT_NE(prog.FindLocal(u"fromModule"), nullptr);
    EXPECT_TRUE(prog.ErrorMsg().empty());

    prog.ClearRTTI();
    EXPECT_EQ(prog.FindLocal(u"fromModule"), nullptr);
    EXPECT_EQ(prog.Count(), 0);
  }
  ModuleRegistry::Instance().Remove(kName);
}

TEST(ProgramTableTest, ModulesAreCreatedInRegistryOrder) {
  std::vector<int> created;
  auto module = [&created](int n) {
    return [&created, n](TfsScript& s) {
      created.push_back(n);
      return std::make_unique<Module>(s);
    };
  };
  // Added out of order, as units may initialise in any order.
  ModuleRegistry::Instance().Add(u"order-test-3", ModuleRegistry::kPublicLibraryOrder + 5, module(3));
  ModuleRegistry::Instance().Add(u"order-test-1", ModuleRegistry::kSystemLibraryOrder + 5, module(1));
  ModuleRegistry::Instance().Add(u"order-test-2", ModuleRegistry::kBuiltinClassesOrder + 5, module(2));
  ModuleRegistry::Instance().Add(u"order-test-2b", ModuleRegistry::kBuiltinClassesOrder + 5, module(4));
  {
    TfsScript prog;
    prog.AddRTTI();
  }
  for (const char16_t* name : {u"order-test-1", u"order-test-2", u"order-test-2b", u"order-test-3"})
    ModuleRegistry::Instance().Remove(name);
  EXPECT_EQ(created, (std::vector<int>{1, 2, 4, 3}));
}

TEST(ProgramRunTest, ExecuteResetsFlagsAlsoWhenAnErrorEscapes) {
  TfsScript prog;
  bool sawRunning = false;
  AddStatement(prog, [&] { sawRunning = prog.IsRunning(); });
  AddStatement(prog, [&] { prog.SetExitCalled(true); });
  AddStatement(prog, [&] { ADD_FAILURE() << "exit stops the list"; });
  prog.Execute();
  EXPECT_TRUE(sawRunning);
  EXPECT_TRUE(prog.MainProg());
  EXPECT_FALSE(prog.ExitCalled());

  TfsScript failing;
  AddStatement(failing, [] { throw ScriptError(u"boom"); });
  EXPECT_THROW(failing.Execute(), ScriptError);
  EXPECT_FALSE(failing.IsRunning());
}

TEST(ProgramRunTest, TerminateFromAnotherThreadStopsProcedureBodies) {
  TfsScript prog;
  TfsProcVariable* loop = AddProc(prog, u"spin", false);
  std::atomic<bool> inside{false};
  AddStatement(*loop->Prog(), [&] {
    inside = true;
    while (!loop->Prog()->Terminated()) std::this_thread::yield();
  });
  AddStatement(prog, [&] { loop->GetValue(); });
  AddStatement(prog, [&] { ADD_FAILURE() << "terminated programs stop before the next statement"; });
  std::thread stopper([&] {
    while (!inside) std::this_thread::yield();
    prog.Terminate();
  });
  prog.Execute();
  stopper.join();
  EXPECT_FALSE(prog.Terminated());
  EXPECT_FALSE(loop->Prog()->Terminated());
}

TEST(ProgramRunTest, CallFunctionLooksOnlyInThisProgram) {
  TfsScript parent;
  TfsScript prog;
  prog.SetParent(&parent);
  AddBasicTypes(parent);
  TfsProcVariable* twice = AddProc(prog, u"twice", true);
  auto* x = twice->AddParameter(std::make_unique<TfsParamItem>(u"x", fvtInt, u"Integer", false, false));
  auto* y = twice->AddParameter(std::make_unique<TfsParamItem>(u"y", fvtInt, u"Integer", false, true));
  AddStatement(*twice->Prog(), [&] {
    twice->ResultVariable()->SetValue(Value::Int(2 * ToInt32(x->GetValue())));
    y->SetValue(Value::Int(99));
  });
  AddProc(parent, u"inParent", true);
  prog.AddVariable(u"notProc", u"Variant", Value::Int(1));

  EXPECT_EQ(ToInt32(prog.CallFunction(u"TWICE", Value::Array({Value::Int(21)}))), 42);
  EXPECT_TRUE(prog.CallFunction(u"notProc", Value::Null()).is_null());
  EXPECT_TRUE(prog.CallFunction(u"inParent", Value::Null()).is_null());
  EXPECT_TRUE(prog.CallFunction2(nullptr, Value::Null()).is_null());

  Value args = Value::Array({Value::Int(5), Value::Int(0)});
  EXPECT_EQ(ToInt32(prog.CallFunction1(u"twice", args)), 10);
  EXPECT_EQ(ToInt32(args.as_array().items[1]), 99);
  Value shortArgs = Value::Array({Value::Int(1)});
  prog.CallFunction1(u"twice", shortArgs);  // must not write past the array
  EXPECT_EQ(shortArgs.as_array().items.size(), 1u);
}

TEST(ProgramRunTest, FunctionResultStartsEmptyOfItsKind) {
  TfsScript prog;
  AddBasicTypes(prog);
  TfsProcVariable* f = AddProc(prog, u"f", true);
  f->ResultVariable()->SetValue(Value::Int(5));
  EXPECT_EQ(f->GetValue().kind(), ValueKind::Int32);
  EXPECT_EQ(ToInt32(f->GetValue()), 0);
  TfsProcVariable* p = AddProc(prog, u"p", false);
  EXPECT_TRUE(p->GetValue().is_null());
}

TEST(ProgramRunTest, ProcedureCallRecordsTheRunningLocalProgram) {
  TfsScript prog;
  TfsProcVariable* f = AddProc(prog, u"f", false);
  TfsScript* seen = nullptr;
  AddStatement(*f->Prog(), [&] { seen = prog.ProgRunning(); });
  AddStatement(prog, [&] { f->GetValue(); });
  prog.Execute();
  EXPECT_EQ(seen, f->Prog());
  EXPECT_EQ(prog.ProgRunning(), nullptr);
}

TEST(ProgramRunTest, RecursiveCallKeepsCallerLocalsAndByReferenceResults) {
  TfsScript prog;
  TfsProcVariable* f = AddProc(prog, u"f", true);
  auto* n = f->AddParameter(std::make_unique<TfsParamItem>(u"n", fvtInt, u"Integer", false, false));
  auto* out = f->AddParameter(std::make_unique<TfsParamItem>(u"out", fvtInt, u"Integer", false, true));
  TfsVariable* local =
      f->Prog()->AddItem(u"local", std::make_unique<TfsVariable>(u"local", fvtInt, u"Integer"));
  std::vector<int> localsAfterInner;
  AddStatement(*f->Prog(), [&] {
    int depth = ToInt32(n->GetValue());
    local->SetValue(Value::Int(depth * 100));
    if (depth > 0) {
      CallFrame frame(*f, f->Prog());
      frame.Arg(0) = Value::Int(depth - 1);
      frame.Arg(1) = Value::Int(0);
      f->Read(frame);
      // The caller would now store frame.GetParam(1) into its argument.
      local->SetValue(Value::Int(ToInt32(local->GetValue()) + ToInt32(frame.GetParam(1))));
      localsAfterInner.push_back(ToInt32(local->GetValue()));
      EXPECT_EQ(ToInt32(n->GetValue()), depth) << "parameters come back after the inner call";
    }
    out->SetValue(Value::Int(depth + 1));
  });
  CallFrame frame(*f, &prog);
  frame.Arg(0) = Value::Int(2);
  f->Read(frame);
  EXPECT_EQ(localsAfterInner, (std::vector<int>{101, 202}));
  EXPECT_EQ(ToInt32(frame.GetParam(1)), 3);
  EXPECT_FALSE(f->Executing());
}

TEST(ProgramRunTest, ExecutableLines) {
  TfsScript prog;
  prog.AddCodeLine(u"", u"3:5");
  prog.AddCodeLine(u"", u"3:9");
  prog.AddCodeLine(u"", u"12:1");
  prog.AddCodeLine(u"Unit1", u"7:2");
  prog.AddCodeLine(u"", u"garbage");
  struct Row {
    int line;
    const char16_t* unit;
    bool expected;
  };
  const Row rows[] = {{3, u"", true},      {12, u"", true},      {1, u"", false}, {2, u"", false},
                      {7, u"unit1", true}, {3, u"Unit1", false}, {7, u"", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(prog.IsExecutableLine(row.line, row.unit), row.expected);
  }
}

}  // namespace
}  // namespace qv
