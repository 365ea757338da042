// 1,000,000 inserts then 1,000,000 lookups: TStringHash and TIntegerHash
// against std::unordered_map with the same keys, in one run.
#include <chrono>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "support/hashes.h"
#include "support/text.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

template <class F>
double Best(int runs, F f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) best = std::min(best, f());
  return best;
}

}  // namespace

int main() {
  constexpr int kCount = 1000000;
  std::vector<std::u16string> keys;
  keys.reserve(kCount);
  for (int i = 0; i < kCount; ++i) keys.push_back(u"item/" + qv::IntToText(i * 7919LL % 10000019));
  long long sink = 0;

  double std = Best(3, [&] {
    auto t0 = Clock::now();
    std::unordered_map<std::u16string, intptr_t> m;
    for (int i = 0; i < kCount; ++i) m[keys[i]] = i;
    for (int i = 0; i < kCount; ++i) sink += m.find(keys[kCount - 1 - i])->second;
    return Ms(t0, Clock::now());
  });
  double ints = Best(3, [&] {
    auto t0 = Clock::now();
    qv::TIntegerHash h;
    for (int i = 0; i < kCount; ++i) h.SetItems(keys[i], i);
    for (int i = 0; i < kCount; ++i) sink += h.Items(keys[kCount - 1 - i]);
    return Ms(t0, Clock::now());
  });
  double strs = Best(3, [&] {
    auto t0 = Clock::now();
    qv::TStringHash h;
    for (int i = 0; i < kCount; ++i) h.SetItems(keys[i], keys[i]);
    for (int i = 0; i < kCount; ++i) sink += static_cast<long long>(h.Items(keys[kCount - 1 - i]).size());
    return Ms(t0, Clock::now());
  });
  double deletes = Best(3, [&] {
    qv::TIntegerHash h;
    for (int i = 0; i < kCount; ++i) h.SetItems(keys[i], i);
    auto t0 = Clock::now();
    for (int i = 0; i < kCount; i += 2) sink += h.Delete(keys[i]);
    return Ms(t0, Clock::now());
  });

  std::printf("std::unordered_map insert+lookup: %8.1f ms\n", std);
  std::printf("TIntegerHash       insert+lookup: %8.1f ms  (%.2fx)\n", ints, ints / std);
  std::printf("TStringHash        insert+lookup: %8.1f ms  (%.2fx)\n", strs, strs / std);
  std::printf("TIntegerHash delete 500,000 keys: %8.1f ms\n", deletes);
  return sink == 42 ? 1 : 0;
}
