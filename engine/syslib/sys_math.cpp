#include "engine/syslib/sys_math.h"

#include <chrono>
#include <cmath>
#include <mutex>
#include <random>

#include "engine/run/run_messages.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"

namespace qv {

namespace {

struct SharedGenerator {
  std::mutex lock;
  std::mt19937_64 engine{0};
};

SharedGenerator& Generator() {
  static SharedGenerator generator;
  return generator;
}

}  // namespace

int32_t Round(double e) { return RoundToInt32(e); }

int32_t Trunc(double e) {
  double t = std::trunc(e);
  if (!(t >= -2147483648.0 && t <= 2147483647.0)) throw OverflowError(run_msg::kIntegerRange);
  return static_cast<int32_t>(t);
}

double Int(double e) { return std::trunc(e); }

double Frac(double x) { return std::isfinite(x) ? x - std::trunc(x) : x - x; }

double Random() {
  SharedGenerator& g = Generator();
  std::lock_guard<std::mutex> hold(g.lock);
  // 53 random bits: every result is exact and below 1.
  return static_cast<double>(g.engine() >> 11) * 0x1.0p-53;
}

int64_t RandomBelow(int64_t range) {
  if (range <= 0) return 0;
  SharedGenerator& g = Generator();
  std::lock_guard<std::mutex> hold(g.lock);
  return static_cast<int64_t>(
      std::uniform_int_distribution<uint64_t>(0, static_cast<uint64_t>(range) - 1)(g.engine));
}

void Randomize() {
  std::random_device device;
  uint64_t seed = (static_cast<uint64_t>(device()) << 32) ^ device() ^
                  static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  RandomSeed(seed);
}

void RandomSeed(uint64_t seed) {
  SharedGenerator& g = Generator();
  std::lock_guard<std::mutex> hold(g.lock);
  g.engine.seed(seed);
}

}  // namespace qv
