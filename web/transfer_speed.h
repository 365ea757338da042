// The progress and speed texts a download shows while data arrives.
//
//   SpeedText(3 * 1024 * 1024, 2.0) == u"1.50MB/S"
//   SpeedText(99, 1.0)              == u"99.00Byte/S"
//   ProgressPercent(1, 3)           == 33.33
#pragma once

#include <cstdint>
#include <string>

namespace qv::web {

// The largest unit whose two-decimal figure does not begin with "0.":
// GB/S, MB/S, KB/S; below 1 KB/s the figure in bytes ("Byte/S") when it has
// fewer than six characters, otherwise the KB/S text stays.
std::u16string SpeedText(int64_t bytes, double seconds);

// Bytes so far as a percentage of the expected count, rounded to two
// decimals; -1.0 when the expected count is not positive.
double ProgressPercent(int64_t bytes, int64_t expected);

}  // namespace qv::web
