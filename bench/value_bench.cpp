// Costs of the value rules on the interpreter's hot paths.
#include <benchmark/benchmark.h>

#include "engine/value/value_ops.h"

namespace {

using qv::BinaryOp;
using qv::Value;

void BM_AddInt32(benchmark::State& state) {
  Value a = Value::Int(12345), b = Value::Int(678);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    Value r = qv::Add(a, b);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_AddInt32);

void BM_ApplyPlusInt32(benchmark::State& state) {
  Value a = Value::Int(12345), b = Value::Int(678);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    Value r = qv::Apply(BinaryOp::Plus, a, b);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_ApplyPlusInt32);

void BM_CompareInt32(benchmark::State& state) {
  Value a = Value::Int(12345), b = Value::Int(678);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    bool r = qv::Compare(BinaryOp::Less, a, b);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_CompareInt32);

void BM_AddDouble(benchmark::State& state) {
  Value a = Value::Double(1.5), b = Value::Double(2.25);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    Value r = qv::Add(a, b);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_AddDouble);

void BM_CompareText(benchmark::State& state) {
  Value a = Value::Text(u"http://example.com/a"), b = Value::Text(u"http://example.com/b");
  for (auto _ : state) {
    bool r = qv::Compare(BinaryOp::Eq, a, b);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_CompareText);

// s = s + "x" repeated: amortised constant per append.
void BM_AppendTextInPlace(benchmark::State& state) {
  const Value piece = Value::Text(u"x");
  for (auto _ : state) {
    Value s = Value::Text(u"");
    for (int64_t i = 0; i < state.range(0); ++i) qv::ApplyInPlace(BinaryOp::Plus, s, piece);
    benchmark::DoNotOptimize(s);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AppendTextInPlace)->Arg(1000)->Arg(1000000);

void BM_FloatToText(benchmark::State& state) {
  for (auto _ : state) {
    auto t = qv::FloatToText(1.0 / 3);
    benchmark::DoNotOptimize(t);
  }
}
BENCHMARK(BM_FloatToText);

}  // namespace

BENCHMARK_MAIN();
