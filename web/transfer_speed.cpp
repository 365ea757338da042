#include "web/transfer_speed.h"

#include <cmath>
#include <cstdio>

#include "support/text.h"

namespace qv::web {

namespace {

// The "0.00" number format: two decimals, halves away from zero.
std::u16string TwoDecimals(double x) {
  char buf[64];
  double r = std::round(x * 100.0) / 100.0;
  std::snprintf(buf, sizeof buf, "%.2f", r);
  return FromAscii(buf);
}

bool BeginsWithZero(const std::u16string& t) { return t.size() >= 2 && t[0] == u'0' && t[1] == u'.'; }

}  // namespace

std::u16string SpeedText(int64_t bytes, double seconds) {
  double b = static_cast<double>(bytes);
  std::u16string t = TwoDecimals(b / 1073741824.0 / seconds) + u"GB/S";
  if (!BeginsWithZero(t)) return t;
  t = TwoDecimals(b / 1048576.0 / seconds) + u"MB/S";
  if (!BeginsWithZero(t)) return t;
  t = TwoDecimals(b / 1024.0 / seconds) + u"KB/S";
  if (!BeginsWithZero(t)) return t;
  std::u16string plain = TwoDecimals(b / seconds);
  return plain.size() < 6 ? plain + u"Byte/S" : t;
}

double ProgressPercent(int64_t bytes, int64_t expected) {
  if (expected <= 0) return -1.0;
  return std::round(static_cast<double>(bytes) * 100.0 / static_cast<double>(expected) * 100.0) / 100.0;
}

}  // namespace qv::web
