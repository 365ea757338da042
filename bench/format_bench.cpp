// Costs of the format functions scripts call in loops.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/syslib/format.h"
#include "engine/syslib/sys_date_time.h"

namespace {

using qv::Value;

void BM_FormatMixed(benchmark::State& state) {
  std::vector<Value> args = {Value::Text(u"item"), Value::Int(42), Value::Double(3.14159)};
  for (auto _ : state) benchmark::DoNotOptimize(qv::Format(u"%-8s|%5d|%8.2f", args));
}
BENCHMARK(BM_FormatMixed);

void BM_FormatFloatGrouped(benchmark::State& state) {
  double v = 1234567.891;
  for (auto _ : state) {
    benchmark::DoNotOptimize(v);
    benchmark::DoNotOptimize(qv::FormatFloat(u"#,##0.00;(#,##0.00)", v));
  }
}
BENCHMARK(BM_FormatFloatGrouped);

void BM_FormatDateTime(benchmark::State& state) {
  double v = 45360.5873;
  for (auto _ : state) {
    benchmark::DoNotOptimize(v);
    benchmark::DoNotOptimize(qv::FormatDateTime(u"yyyy-mm-dd hh:nn:ss", v));
  }
}
BENCHMARK(BM_FormatDateTime);

void BM_DateTimeRoundTrip(benchmark::State& state) {
  double v = 45360.5873;
  for (auto _ : state) {
    benchmark::DoNotOptimize(v);
    benchmark::DoNotOptimize(qv::StrToDateTime(qv::DateTimeToStr(v)));
  }
}
BENCHMARK(BM_DateTimeRoundTrip);

void BM_FormatMaskText(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(qv::FormatMaskText(u"(000) 000-0000;0;_", u"5551234567"));
}
BENCHMARK(BM_FormatMaskText);

}  // namespace

BENCHMARK_MAIN();
