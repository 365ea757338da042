// The interpreter's inner loop: expression trees over variables, reads
// through designators and host calls through the general walk.
#include <benchmark/benchmark.h>

#include "engine/items/items.h"
#include "engine/program/program.h"
#include "engine/run/designator.h"
#include "engine/run/expression.h"
#include "engine/run/specialised.h"
#include "engine/value/value_ops.h"

namespace {

using namespace qv;

std::unique_ptr<TfsDesignator> VariableDesignator(TfsScript& prog, TfsCustomVariable* var) {
  TfsDesignator general(&prog);
  general.AddStep(var);
  general.Finalize();
  auto d = std::make_unique<TfsVariableDesignator>(&prog);
  d->Borrow(general);
  return d;
}

struct Fixture {
  Fixture() {
    prog.AddType(u"Integer", fvtInt);
    a = prog.AddItem(u"a", std::make_unique<TfsVariable>(u"a", fvtInt, u"Integer"));
    b = prog.AddItem(u"b", std::make_unique<TfsVariable>(u"b", fvtInt, u"Integer"));
    a->SetValue(Value::Int(20));
    b->SetValue(Value::Int(22));
    add2 = prog.AddMethod(u"function add2(x, y: Integer): Integer",
                          [](HostObject*, const HostClass*, const std::u16string&, Caller& c) {
                            return Value::Int(ToInt32(c.GetParam(0)) + ToInt32(c.GetParam(1)));
                          });
  }
  TfsScript prog;
  TfsVariable* a;
  TfsVariable* b;
  TfsMethodHelper* add2;
};

void BM_IntegerPlusOfTwoVariables(benchmark::State& state) {
  Fixture f;
  TfsExpression e(&f.prog);
  e.AddDesignator(VariableDesignator(f.prog, f.a));
  e.AddOperator(u"+");
  e.AddDesignator(VariableDesignator(f.prog, f.b));
  std::u16string pos;
  e.Finalize(pos);
  for (auto _ : state) benchmark::DoNotOptimize(e.GetValue());
}
BENCHMARK(BM_IntegerPlusOfTwoVariables);

// a * 3 + b - 1 < 100: four operators, two variables.
void BM_MixedIntegerExpression(benchmark::State& state) {
  Fixture f;
  TfsExpression e(&f.prog);
  e.AddDesignator(VariableDesignator(f.prog, f.a));
  e.AddOperator(u"*");
  e.AddConst(Value::Int(3));
  e.AddOperator(u"+");
  e.AddDesignator(VariableDesignator(f.prog, f.b));
  e.AddOperator(u"-");
  e.AddConst(Value::Int(1));
  e.AddOperator(u"<");
  e.AddConst(Value::Int(100));
  std::u16string pos;
  e.Finalize(pos);
  for (auto _ : state) benchmark::DoNotOptimize(e.GetValue());
}
BENCHMARK(BM_MixedIntegerExpression);

void BM_ReadVariableThroughDesignator(benchmark::State& state) {
  Fixture f;
  auto d = VariableDesignator(f.prog, f.a);
  for (auto _ : state) benchmark::DoNotOptimize(d->GetValue());
}
BENCHMARK(BM_ReadVariableThroughDesignator);

// The same read through the general walk (one step, a frame per step).
void BM_ReadVariableThroughGeneralWalk(benchmark::State& state) {
  Fixture f;
  TfsDesignator d(&f.prog);
  d.AddStep(f.a);
  d.Finalize();
  for (auto _ : state) benchmark::DoNotOptimize(d.GetValue());
}
BENCHMARK(BM_ReadVariableThroughGeneralWalk);

// The arguments (a, b) of a step, each an expression of one variable.
void AddVariableArgs(Fixture& f, TfsDesignatorItem& step) {
  for (TfsVariable* v : {f.a, f.b}) {
    auto arg = std::make_unique<TfsExpression>(&f.prog);
    arg->AddDesignator(VariableDesignator(f.prog, v));
    std::u16string pos;
    arg->Finalize(pos);
    step.AddArg(std::move(arg));
  }
}

// add2(a, b) through the walk: two argument trees and the host bridge.
void BM_HostCallThroughDesignator(benchmark::State& state) {
  Fixture f;
  TfsDesignator d(&f.prog);
  TfsDesignatorItem* step = d.AddStep(f.add2);
  AddVariableArgs(f, *step);
  d.Finalize();
  for (auto _ : state) benchmark::DoNotOptimize(d.GetValue());
}
BENCHMARK(BM_HostCallThroughDesignator);

// m[a, b] on a 100 x 100 array variable with its own helper; the argument
// says whether the designator was built with the specialised paths.
std::unique_ptr<TfsDesignator> ElementDesignator(Fixture& f, bool specialised) {
  int32_t low[2] = {0, 0}, high[2] = {99, 99};
  auto* m = f.prog.AddItem(u"m", std::make_unique<TfsVariable>(u"m", fvtArray, u"Array"));
  m->SetValue(Value::Array(2, low, high));
  m->SetRefItem(f.prog.AddItem(u"", std::make_unique<TfsArrayHelper>(u"", 2, fvtVariant, u"")));
  TfsDesignator general(&f.prog);
  general.AddStep(m);
  TfsDesignatorItem* step = general.AddStep(m->RefItem());
  AddVariableArgs(f, *step);
  general.Finalize();
  SetSpecialisedPaths(specialised);
  auto d = std::make_unique<TfsArrayDesignator>(&f.prog);
  d->Borrow(general);
  SetSpecialisedPaths(true);
  return d;
}

void BM_ReadArrayElement(benchmark::State& state) {
  Fixture f;
  auto d = ElementDesignator(f, state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(d->GetValue());
}
BENCHMARK(BM_ReadArrayElement)->Arg(0)->Arg(1);

void BM_WriteArrayElement(benchmark::State& state) {
  Fixture f;
  auto d = ElementDesignator(f, state.range(0) != 0);
  const Value v = Value::Int(7);
  for (auto _ : state) d->SetValue(v);
}
BENCHMARK(BM_WriteArrayElement)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
