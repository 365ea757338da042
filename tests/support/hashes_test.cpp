#include "support/hashes.h"

#include "support/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <unordered_map>

namespace qv {
namespace {

// Keys in iteration order.
template <class H>
std::vector<std::u16string> Keys(H& h) {
  std::vector<std::u16string> out;
  h.Restart();
  while (h.Next()) out.push_back(h.CurrentKey());
  return out;
}

// A key of six code units whose hash is 0.
const std::u16string kZeroHashKey(u"\u98FF\u000F\u000F\u000F\u000F\u0010");

TEST(Hashes, HashFunctionAndBuckets) {
  struct Row {
    std::u16string key;
    uint32_t hash;
  } rows[] = {
      {u"", 0},
      {u"a", 0x23456761},
      {u"A", 0x23456761},  // 0x41 gains bit 5 from the folded top bits
      {u"ab", 0x34567672},
      {u"key", 0x456773c9},
      {u"Hello, World", 0x7f5ef074},
      {u"中文", 0x345bb877},
      {u"\U0001F600", 0x3464d1f0},
      {kZeroHashKey, 0},
  };
  for (const auto& r : rows) EXPECT_EQ(THash::HashOf(r.key), r.hash) << ToUtf8(r.key);

  TStringHash h;
  h.SetItems(u"key", u"v");
  ASSERT_EQ(h.Bucket(0x456773c9 & 127).size(), 1u);
  EXPECT_EQ(h.Bucket(0x456773c9 & 127)[0].Key, u"key");
}

TEST(Hashes, CaseAndEmptyAndZeroHashKeys) {
  TStringHash h;
  h.SetItems(u"a", u"lower");
  h.SetItems(u"A", u"upper");
  EXPECT_EQ(h.Items(u"a"), u"lower");
  EXPECT_EQ(h.Items(u"A"), u"upper");
  EXPECT_EQ(h.ItemCount(), 2);

  EXPECT_THROW(h.SetItems(u"", u"x"), EHashError);
  EXPECT_FALSE(h.Exists(u""));
  EXPECT_FALSE(h.Delete(u""));
  EXPECT_EQ(h.ItemCount(), 2);

  // A key that merely hashes to 0 is an ordinary key, stored once.
  h.SetItems(kZeroHashKey, u"one");
  h.SetItems(kZeroHashKey, u"two");
  EXPECT_EQ(h.ItemCount(), 3);
  EXPECT_EQ(h.Items(kZeroHashKey), u"two");
  EXPECT_TRUE(h.Delete(kZeroHashKey));

  TIntegerHash ih;
  EXPECT_EQ(ih.Items(u"absent"), -1);
  ih.SetItems(u"x", 0);
  EXPECT_EQ(ih.Items(u"x"), 0);
  TObjectHash oh;
  EXPECT_EQ(oh.Items(u"absent"), nullptr);
}

TEST(Hashes, DeleteMovesLastRecordOfBucket) {
  // "a", "A" and U+00E1 share bucket 97; "b" is alone in 98.
  TIntegerHash h;
  for (auto k : {u"a", u"A", u"\u00E1", u"b"}) h.SetItems(k, k[0]);
  EXPECT_EQ(Keys(h), (std::vector<std::u16string>{u"a", u"A", u"\u00E1", u"b"}));
  EXPECT_TRUE(h.Delete(u"a"));
  EXPECT_EQ(Keys(h), (std::vector<std::u16string>{u"\u00E1", u"A", u"b"}));
  EXPECT_FALSE(h.Delete(u"a"));
  // A freed index is taken again first.
  h.SetItems(u"a", 7);
  EXPECT_EQ(h.Bucket(97).back().ItemIndex, 0);
  EXPECT_EQ(Keys(h), (std::vector<std::u16string>{u"\u00E1", u"A", u"a", u"b"}));
  for (auto k : {u"A", u"\u00E1", u"b"}) EXPECT_EQ(h.Items(k), k[0]);
  EXPECT_EQ(h.Items(u"a"), 7);
}

TEST(Hashes, Cursor) {
  TStringHash h;
  for (auto k : {u"a", u"A", u"b"}) h.SetItems(k, k);

  h.Restart();
  EXPECT_FALSE(h.Previous());
  EXPECT_EQ(h.CurrentKey(), u"");
  ASSERT_TRUE(h.Next());
  EXPECT_EQ(h.CurrentKey(), u"a");
  ASSERT_TRUE(h.Next());
  EXPECT_EQ(h.CurrentKey(), u"A");
  ASSERT_TRUE(h.Previous());  // Previous right after Next repeats the key
  EXPECT_EQ(h.CurrentKey(), u"A");
  ASSERT_TRUE(h.Previous());
  EXPECT_EQ(h.CurrentKey(), u"a");
  EXPECT_FALSE(h.Previous());

  // Writing an existing key keeps the cursor; Value works on the current key.
  h.Restart();
  ASSERT_TRUE(h.Next());
  h.SetValue(u"changed");
  h.SetItems(u"b", u"B");
  ASSERT_TRUE(h.Next());
  EXPECT_EQ(h.CurrentKey(), u"A");
  EXPECT_EQ(h.Items(u"a"), u"changed");

  // Runs to the end and back from there.
  ASSERT_TRUE(h.Next());
  EXPECT_FALSE(h.Next());
  ASSERT_TRUE(h.Previous());
  EXPECT_EQ(h.CurrentKey(), u"b");

  // Adding or deleting a key ends forward iteration and forbids Previous.
  struct Change {
    const char* name;
    void (*apply)(TStringHash&);
  } changes[] = {
      {"add", [](TStringHash& t) { t.SetItems(u"new", u"x"); }},
      {"delete", [](TStringHash& t) { t.Delete(u"new"); }},
      {"delete absent", [](TStringHash& t) { t.Delete(u"absent"); }},
      {"rename", [](TStringHash& t) { t.Rename(u"b", u"c"); }},
  };
  for (const auto& c : changes) {
    h.Restart();
    ASSERT_TRUE(h.Next());
    c.apply(h);
    EXPECT_FALSE(h.Next()) << c.name;
    EXPECT_EQ(h.CurrentKey(), u"") << c.name;
    try {
      h.Previous();
      ADD_FAILURE() << c.name;
    } catch (const EHashIterateError& e) {
      EXPECT_EQ(e.message(), u"Cannot get Next as the hash has been modified since Restart was called");
    }
  }

  // Clear leaves the cursor on but empty.
  h.Restart();
  ASSERT_TRUE(h.Next());
  h.Clear();
  EXPECT_EQ(h.ItemCount(), 0);
  EXPECT_FALSE(h.Next());
  EXPECT_FALSE(h.Previous());
}

TEST(Hashes, Rename) {
  TStringHash h;
  h.SetItems(u"a", u"1");
  h.SetItems(u"b", u"2");
  EXPECT_FALSE(h.Rename(u"x", u"y"));
  EXPECT_TRUE(h.Rename(u"a", u"c"));
  EXPECT_FALSE(h.Exists(u"a"));
  EXPECT_EQ(h.Items(u"c"), u"1");
  // Onto an existing key: its value is replaced and its slot freed.
  EXPECT_TRUE(h.Rename(u"c", u"b"));
  EXPECT_EQ(h.ItemCount(), 1);
  EXPECT_EQ(h.Items(u"b"), u"1");
  // Onto itself: nothing is lost.
  EXPECT_TRUE(h.Rename(u"b", u"b"));
  EXPECT_EQ(h.Items(u"b"), u"1");
  // Onto the empty key: refused before anything moves.
  EXPECT_THROW(h.Rename(u"b", u""), EHashError);
  EXPECT_EQ(h.Items(u"b"), u"1");
}

int MaxItemIndex(const THash& h) {
  int m = -1;
  for (int b = 0; b < THash::kBucketCount; ++b)
    for (const auto& r : h.Bucket(b)) m = std::max(m, r.ItemIndex);
  return m;
}

TEST(Hashes, CompactionAfterHundredFreedIndexes) {
  for (bool allow : {true, false}) {
    TStringHash h;
    h.SetAllowCompact(allow);
    for (int i = 0; i < 150; ++i) h.SetItems(u"k" + IntToText(i), u"v" + IntToText(i));
    for (int i = 0; i < 150; i += 3) h.Delete(u"k" + IntToText(i));  // 50 deletes
    for (int i = 1; i < 150 && h.ItemCount() > 50; i += 3) h.Delete(u"k" + IntToText(i));
    ASSERT_EQ(h.ItemCount(), 50);
    EXPECT_EQ(MaxItemIndex(h), allow ? 49 : 149) << allow;
    for (int i = 0; i < 150; ++i) {
      std::u16string k = u"k" + IntToText(i);
      if (h.Exists(k)) {
        EXPECT_EQ(h.Items(k), u"v" + IntToText(i));
      }
    }
  }
}

// Owned objects count their destructions and may look at their table.
struct Probe : OwnedObject {
  Probe(int& freed, const TObjectHash* table = nullptr) : freed_(freed), table_(table) {}
  ~Probe() override {
    ++freed_;
    if (table_) seenCount = table_->ItemCount();
  }
  int& freed_;
  const TObjectHash* table_;
  static inline int seenCount = -1;
};

TEST(Hashes, ObjectHashOwnsItsObjects) {
  int freed = 0;
  {
    TObjectHash h;
    h.SetItems(u"a", std::make_unique<Probe>(freed));
    h.SetItems(u"a", std::make_unique<Probe>(freed));  // replaces: the first is freed
    EXPECT_EQ(freed, 1);
    h.SetItems(u"b", std::make_unique<Probe>(freed, &h));
    EXPECT_TRUE(h.Delete(u"b"));  // freed once the table is consistent again
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(Probe::seenCount, 1);

    auto mine = h.Extract(u"a");
    ASSERT_NE(mine, nullptr);
    EXPECT_FALSE(h.Exists(u"a"));
    EXPECT_EQ(freed, 2);

    for (int i = 0; i < 5; ++i) h.SetItems(IntToText(i), std::make_unique<Probe>(freed));
    h.Rename(u"0", u"1");  // "1" held an object: freed
    EXPECT_EQ(freed, 3);
    h.Clear();
    EXPECT_EQ(freed, 7);
    h.SetItems(u"last", std::make_unique<Probe>(freed));
  }
  EXPECT_EQ(freed, 9);  // "last" by the table's destructor, `mine` by its own
}

// The key index must agree with a plain walk of the buckets after any mix of
// stores, deletes and renames.
TEST(Hashes, MatchesPlainBucketModel) {
  struct Model {
    std::vector<std::pair<std::u16string, int>> buckets[128];
    std::pair<std::u16string, int>* Find(const std::u16string& k) {
      for (auto& r : buckets[THash::HashOf(k) & 127])
        if (r.first == k) return &r;
      return nullptr;
    }
    bool Erase(const std::u16string& k) {
      auto& b = buckets[THash::HashOf(k) & 127];
      for (auto& r : b)
        if (r.first == k) {
          r = b.back();
          b.pop_back();
          return true;
        }
      return false;
    }
  } model;
  TIntegerHash h;
  std::mt19937 rng(12345);
  auto key = [&] { return u"k" + IntToText(rng() % 3000); };
  for (int step = 0; step < 60000; ++step) {
    std::u16string k = key();
    switch (rng() % 4) {
      case 0:
      case 1:
        if (auto* r = model.Find(k)) {
          r->second = step;
        } else {
          model.buckets[THash::HashOf(k) & 127].push_back({k, step});
        }
        h.SetItems(k, step);
        break;
      case 2:
        ASSERT_EQ(h.Delete(k), model.Erase(k));
        break;
      case 3: {
        std::u16string to = key();
        auto* r = model.Find(k);
        bool had = r != nullptr;
        if (had) {
          int v = r->second;
          model.Erase(k);
          if (auto* t = model.Find(to)) {
            t->second = v;
          } else {
            model.buckets[THash::HashOf(to) & 127].push_back({to, v});
          }
        }
        ASSERT_EQ(h.Rename(k, to), had);
        break;
      }
    }
  }
  std::vector<std::u16string> expected;
  for (auto& b : model.buckets)
    for (auto& r : b) {
      expected.push_back(r.first);
      ASSERT_EQ(h.Items(r.first), r.second);
    }
  EXPECT_EQ(Keys(h), expected);
  EXPECT_EQ(h.ItemCount(), static_cast<int>(expected.size()));
}

}  // namespace
}  // namespace qv
