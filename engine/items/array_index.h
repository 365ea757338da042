// Where an element of an array value lives: the one rule for the array
// helper and the array designator.
#pragma once

#include <cstdint>

#include "engine/value/value.h"

namespace qv {

// Offset of an element in row-major storage, or -1 when the number of
// indexes does not match or one lies outside its bounds.
inline long long ElementOffset(const ArrayBlock& a, const int32_t* index, int count) noexcept {
  if (count != a.dims || a.dims < 1 || a.dims > ArrayBlock::kMaxDims) return -1;
  long long offset = 0;
  for (int d = 0; d < a.dims; ++d) {
    if (index[d] < a.low[d] || index[d] > a.high[d]) return -1;
    long long extent = static_cast<long long>(a.high[d]) - a.low[d] + 1;
    offset = offset * extent + (static_cast<long long>(index[d]) - a.low[d]);
  }
  return offset < static_cast<long long>(a.items.size()) ? offset : -1;
}

// Whether an array of `dims` dimensions can be indexed with `count`
// indexes: the first `dims` of them are used.
inline bool IndexesFit(int dims, int count) noexcept {
  return dims >= 1 && dims <= ArrayBlock::kMaxDims && dims <= count;
}

// The indexes for an array of `dims` dimensions out of `count` given:
// `index(d)` gives the d-th converted to an integer (as ToInt32 converts);
// false, converting none, when `dims` is not 1 to 3 or exceeds `count`.
// Conversion errors propagate.
template <class IndexAt>
bool ConvertIndexes(int dims, int count, IndexAt&& index, int32_t* out) {
  if (!IndexesFit(dims, count)) return false;
  for (int d = 0; d < dims; ++d) out[d] = index(d);
  return true;
}

}  // namespace qv
