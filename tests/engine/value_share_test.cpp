// Copy-on-write sharing of text, byte strings and arrays, and reference
// counts under several threads.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/value/value_ops.h"
#include "tests/engine/value_test_util.h"

namespace qv {
namespace {

using namespace qv::testing;

TEST(ValueSharing, CopiesStayIndependent) {
  Value a = T(u"abc");
  Value b = a;
  EXPECT_FALSE(a.unshared());
  b.mutable_text() += u"d";
  EXPECT_EQ(a.as_text(), u"abc");
  EXPECT_EQ(b.as_text(), u"abcd");
  EXPECT_TRUE(a.unshared());
  EXPECT_TRUE(b.unshared());

  Value x = By("xy");
  Value y = x;
  y.mutable_bytes()[0] = 'z';
  EXPECT_EQ(x.as_bytes(), "xy");
  EXPECT_EQ(y.as_bytes(), "zy");

  const int32_t low[2] = {1, 0}, high[2] = {2, 1};
  Value m = Value::Array(2, low, high);
  m.mutable_array().items[0] = T(u"first");
  Value n = m;
  n.mutable_array().items[0] = I(9);
  n.mutable_array().items[3] = I(4);
  EXPECT_EQ(m.as_array().items[0].as_text(), u"first");
  EXPECT_TRUE(m.as_array().items[3].is_empty());
  EXPECT_EQ(n.as_array().items[0].as_int32(), 9);
  EXPECT_EQ(n.as_array().low[0], 1);
  EXPECT_EQ(n.as_array().high[1], 1);
  EXPECT_EQ(n.as_array().items.size(), 4u);

  // Operators never write through their operands.
  Value s = T(u"ab");
  Value keep = s;
  Value sum = Apply(BinaryOp::Plus, s, T(u"c"));
  EXPECT_EQ(keep.as_text(), u"ab");
  EXPECT_EQ(sum.as_text(), u"abc");

  // Assignment over a shared block, self-assignment and moves.
  Value p = T(u"p");
  Value q = p;
  p = p;
  q = std::move(q);
  p = T(u"other");
  EXPECT_EQ(q.as_text(), u"p");
  Value moved = std::move(q);
  EXPECT_TRUE(q.is_empty());
  EXPECT_EQ(moved.as_text(), u"p");
}

TEST(ValueSharing, ConcurrentCopiesOfOneText) {
  const Value shared = T(u"shared text that every thread copies");
  constexpr int kThreads = 4, kRounds = 20000;
  std::vector<std::thread> threads;
  std::vector<int> mismatches(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        Value copy = shared;                           // retain
        Value other = copy;                            // retain again
        ApplyInPlace(BinaryOp::Plus, other, T(u"!"));  // copies before writing
        if (copy.as_text() != shared.as_text() || other.as_text().back() != u'!') ++mismatches[t];
      }  // releases
    });
  }
  for (auto& th : threads) th.join();
  for (int m : mismatches) EXPECT_EQ(m, 0);
  EXPECT_TRUE(shared.unshared());
  EXPECT_EQ(shared.as_text(), u"shared text that every thread copies");
}

TEST(ValueSharing, ConcurrentCopiesOfOneArray) {
  Value shared = Value::Array({T(u"a"), T(u"b"), I(3)});
  constexpr int kThreads = 4;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&shared, t] {
      for (int i = 0; i < 5000; ++i) {
        Value copy = shared;
        copy.mutable_array().items[2] = I(t);
        ASSERT_EQ(copy.as_array().items[2].as_int32(), t);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(shared.as_array().items[2].as_int32(), 3);
  EXPECT_TRUE(shared.unshared());
  // The elements' own blocks are shared by the copies and released again.
  EXPECT_TRUE(shared.as_array().items[0].unshared());
}

}  // namespace
}  // namespace qv
