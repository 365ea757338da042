// The host bridge: a registered method called with two integer arguments,
// and reading variables.
#include <benchmark/benchmark.h>

#include "engine/items/items.h"
#include "engine/program/program.h"
#include "engine/value/value_ops.h"

namespace {

using namespace qv;

Value Add2(HostObject*, const HostClass*, const std::u16string&, Caller& c) {
  return Value::Int(ToInt32(c.GetParam(0)) + ToInt32(c.GetParam(1)));
}

struct Fixture {
  Fixture() {
    prog.AddType(u"Integer", fvtInt);
    method = prog.AddMethod(u"function add2(a, b: Integer): Integer", TfsCallMethodNewEvent(Add2));
    old = prog.AddMethod(
        u"function add2old(a, b: Integer): Integer",
        TfsCallMethodEvent([](HostObject*, const HostClass*, const std::u16string&, std::vector<Value>& p) {
          return Value::Int(ToInt32(p[0]) + ToInt32(p[1]));
        }));
    variable = prog.AddVariable(u"counter", u"Integer", Value::Int(7));
  }
  TfsScript prog;
  TfsMethodHelper* method;
  TfsMethodHelper* old;
  TfsVariable* variable;
};

void BM_HostCallTwoIntegers(benchmark::State& state) {
  Fixture f;
  int32_t i = 0;
  for (auto _ : state) {
    CallFrame frame(*f.method, &f.prog);
    frame.Arg(0) = Value::Int(i++);
    frame.Arg(1) = Value::Int(3);
    benchmark::DoNotOptimize(f.method->Read(frame));
  }
}
BENCHMARK(BM_HostCallTwoIntegers);

void BM_HostCallTwoIntegersArrayForm(benchmark::State& state) {
  Fixture f;
  int32_t i = 0;
  for (auto _ : state) {
    CallFrame frame(*f.old, &f.prog);
    frame.Arg(0) = Value::Int(i++);
    frame.Arg(1) = Value::Int(3);
    benchmark::DoNotOptimize(f.old->Read(frame));
  }
}
BENCHMARK(BM_HostCallTwoIntegersArrayForm);

// The same call on a method of the shared GlobalProgram from several threads.
void BM_SharedHostCallTwoIntegers(benchmark::State& state) {
  static TfsMethodHelper* method =
      GlobalProgram().AddMethod(u"function benchAdd2(a, b: Integer): Integer", TfsCallMethodNewEvent(Add2));
  TfsScript script;
  script.SetParent(&GlobalProgram());
  int32_t i = 0;
  for (auto _ : state) {
    CallFrame frame(*method, &script);
    frame.Arg(0) = Value::Int(i++);
    frame.Arg(1) = Value::Int(3);
    benchmark::DoNotOptimize(method->Read(frame));
  }
}
BENCHMARK(BM_SharedHostCallTwoIntegers)->Threads(1)->Threads(2);

void BM_ReadVariable(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) benchmark::DoNotOptimize(f.variable->GetValue());
}
BENCHMARK(BM_ReadVariable);

void BM_WriteVariable(benchmark::State& state) {
  Fixture f;
  int32_t i = 0;
  for (auto _ : state) f.variable->SetValue(Value::Int(i++));
}
BENCHMARK(BM_WriteVariable);

void BM_ReadSharedVariable(benchmark::State& state) {
  static TfsVariable* shared = GlobalProgram().AddVariable(u"benchShared", u"Variant", Value::Int(1));
  for (auto _ : state) benchmark::DoNotOptimize(shared->GetValue());
}
BENCHMARK(BM_ReadSharedVariable);

// A name found two levels up (script -> program -> registrations).
void BM_FindThroughTheTree(benchmark::State& state) {
  Fixture f;
  for (int i = 0; i < 300; ++i)
    f.prog.AddVariable(
        u"filler" + std::u16string(1, char16_t(u'A' + i % 26)) + std::u16string(1, char16_t(u'a' + i / 26)),
        u"Integer", Value::Int(i));
  TfsScript middle;
  middle.SetParent(&f.prog);
  TfsScript script;
  script.SetParent(&middle);
  for (auto _ : state) benchmark::DoNotOptimize(script.Find(u"Counter"));
}
BENCHMARK(BM_FindThroughTheTree);

}  // namespace

BENCHMARK_MAIN();
