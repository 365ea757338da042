#include "support/large_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace qv {
namespace {

// Both sides of the size where blocks are mapped on their own: zeroed,
// writable to the last byte, and freed by size.
TEST(LargeBlockTest, ZeroedAndWritableOnBothSidesOfTheThreshold) {
  const size_t sizes[] = {0, 1, 100, kLargeBlockBytes - 1, kLargeBlockBytes, 3 * kLargeBlockBytes + 5};
  for (size_t bytes : sizes) {
    SCOPED_TRACE(bytes);
    auto* p = static_cast<unsigned char*>(AllocateLarge(bytes));
    ASSERT_NE(p, nullptr);
    for (size_t i = 0; i < bytes; i += 4093) ASSERT_EQ(p[i], 0);
    if (bytes > 0) {
      EXPECT_EQ(p[bytes - 1], 0);
      p[0] = 1;
      p[bytes - 1] = 2;
    }
    FreeLarge(p, bytes);
  }
  EXPECT_THROW(AllocateLarge(~size_t{0} - 10), std::bad_alloc);
}

// A vector that grows from the heap into mapped blocks and shrinks back
// keeps its elements.
TEST(LargeBlockTest, VectorGrowsAcrossTheThreshold) {
  std::vector<uint64_t, LargeBlockAllocator<uint64_t>> v;
  const size_t n = 3 * kLargeBlockBytes / sizeof(uint64_t);
  for (size_t i = 0; i < n; ++i) v.push_back(i * 7);
  for (size_t i = 0; i < n; i += 1009) ASSERT_EQ(v[i], i * 7);
  v.resize(10);
  v.shrink_to_fit();
  EXPECT_EQ(v[9], 63u);
}

}  // namespace
}  // namespace qv
