#include "engine/program/name_index.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/items/items.h"
#include "engine/program/program.h"
#include "support/text.h"

namespace qv {
namespace {

// Names whose case rules go beyond ASCII: a letter that upper-cases into
// ASCII (dotless i, long s), a Latin-1 letter, a pair of surrogates that
// upper-cases to another pair, and a lone surrogate.
const std::u16string kNames[] = {
    u"",           u"a",           u"A",           u"ab",      u"aB",      u"b",    u"v0000001",
    u"V0000001",   u"\u0131x",     u"IX",          u"ix",      u"\u017Fa", u"SA",   u"\u00E4pfel",
    u"\u00C4PFEL", u"\U00010428z", u"\U00010400Z", u"\xD801q", u"\xD801Q", u"_x_1", u"zzz",
};

TEST(NameCompareTest, AgreesWithUpperCase) {
  for (const std::u16string& a : kNames) {
    const std::u16string ua = UpperCase(a);
    EXPECT_EQ(UpperText(a).View(), ua);
    for (const std::u16string& b : kNames) {
      const std::u16string ub = UpperCase(b);
      const int want = ua < ub ? -1 : (ua == ub ? 0 : 1);
      EXPECT_EQ(CompareUpper(a, b), want) << testing::PrintToString(a) << " " << testing::PrintToString(b);
      EXPECT_EQ(UpperEquals(a, ub), ua == ub)
          << testing::PrintToString(a) << " " << testing::PrintToString(b);
    }
  }
  // Longer than the stack buffer.
  const std::u16string longName(200, u'q');
  EXPECT_EQ(UpperText(longName).View(), UpperCase(longName));
  EXPECT_TRUE(UpperEquals(longName + u"\u00E4", UpperCase(longName + u"\u00E4")));
}

// The index against a map, under additions, replacements and removals,
// with hashes that put many names into one run (and runs that wrap past the
// end of the array).
TEST(NameIndexTest, MatchesAModelUnderCollisions) {
  struct Case {
    const char* what;
    uint64_t (*hash)(int n);
  };
  const Case cases[] = {
      {"all equal", [](int) -> uint64_t { return 7; }},
      {"at the end", [](int n) -> uint64_t { return ~uint64_t{0} - static_cast<uint64_t>(n % 3); }},
      {"two runs", [](int n) -> uint64_t { return static_cast<uint64_t>(n % 2) * 5; }},
      {"real", [](int n) { return NameIndex::Hash(UpperCase(u"n" + IntToText(n))); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NameIndex index;
    std::map<int, std::pair<std::unique_ptr<std::u16string>, TfsCustomVariable*>> model;
    std::mt19937 random(42);
    auto key = [&](int n, const std::u16string& text) { return UpperKey(text, c.hash(n)); };
    for (int step = 0; step < 3000; ++step) {
      const int n = static_cast<int>(random() % 200);
      // The same name in another case: equal for the index.
      auto name = std::make_unique<std::u16string>((random() % 2 ? u"n" : u"N") + IntToText(n));
      auto* item = reinterpret_cast<TfsCustomVariable*>(static_cast<uintptr_t>(step + 1) * 8);
      switch (random() % 3) {
        case 0:
          index.Assign(name.get(), key(n, *name), item);
          model[n] = {std::move(name), item};
          break;
        case 1:
          index.AssignIfAbsent(name.get(), key(n, *name), item);
          if (model.find(n) == model.end()) model[n] = {std::move(name), item};
          break;
        default:
          index.Erase(key(n, *name));
          model.erase(n);
      }
      if (step % 100 != 99) continue;
      ASSERT_EQ(index.Size(), model.size());
      for (int m = 0; m < 200; ++m) {
        TfsCustomVariable* found = nullptr;
        const std::u16string text = u"N" + IntToText(m);
        const bool present = index.Find(key(m, text), found);
        auto it = model.find(m);
        ASSERT_EQ(present, it != model.end()) << step << " " << m;
        if (present) {
          ASSERT_EQ(found, it->second.second) << step << " " << m;
        }
      }
    }
    index.Clear();
    TfsCustomVariable* found = nullptr;
    EXPECT_FALSE(index.Find(UpperKey(u"n1", c.hash(1)), found));
    EXPECT_EQ(index.Size(), 0u);
  }
}

std::unique_ptr<TfsVariable> Var(const std::u16string& name) {
  return std::make_unique<TfsVariable>(name, fvtVariant, u"");
}

// Entries under a name other than their item's keep their own name; the
// newest of equal names wins however the older ones were entered.
TEST(ProgramTableTest, EntriesUnderOtherNamesAndNonAsciiNames) {
  TfsScript prog;
  TfsVariable* x = prog.AddItem(u"x", Var(u"x"));
  TfsVariable* alias = prog.AddItem(u"Alias", Var(u"x"));
  TfsVariable* apfel = prog.AddItem(u"\u00E4pfel", Var(u"\u00E4pfel"));
  TfsVariable* dotless = prog.AddItem(u"\u0131x", Var(u"\u0131x"));
  EXPECT_EQ(prog.FindLocal(u"ALIAS"), alias);
  EXPECT_EQ(prog.FindLocal(u"X"), x);
  EXPECT_EQ(prog.FindLocal(u"\u00C4PFEL"), apfel);
  EXPECT_EQ(prog.FindLocal(u"ix"), dotless) << "dotless i upper-cases to I";

  std::vector<std::u16string> names;
  for (int i = 0; i < prog.Count(); ++i) names.push_back(prog.ItemName(i));
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Alias", u"\u0131x", u"x", u"\u00E4pfel"}));

  // A newer "ix" hides the dotless one; removing it uncovers it again.
  TfsVariable* plain = prog.AddItem(u"IX", Var(u"IX"));
  EXPECT_EQ(prog.FindLocal(u"\u0131X"), plain);
  std::unique_ptr<TfsObject> back = prog.Remove(plain);
  EXPECT_EQ(prog.FindLocal(u"Ix"), dotless);
  back = prog.Remove(alias);
  EXPECT_EQ(prog.FindLocal(u"alias"), nullptr);
  EXPECT_EQ(prog.FindLocal(u"x"), x);
}

// Many declarations, cleared in part and in whole: the index keeps naming
// the newest entry of each name, and a cleared table is empty and usable.
TEST(ProgramTableTest, ManyNamesSurviveRemovalOfSome) {
  TfsScript prog;
  constexpr int kCount = 20000;
  std::vector<TfsVariable*> first(kCount), second(kCount / 2);
  for (int i = 0; i < kCount; ++i) {
    const std::u16string name = u"v" + IntToText(i);
    first[static_cast<size_t>(i)] = prog.AddItem(name, Var(name));
  }
  prog.SetAddedBy(7);
  for (int i = 0; i < kCount / 2; ++i) {
    const std::u16string name = u"V" + IntToText(i * 2);
    second[static_cast<size_t>(i)] = prog.AddItem(name, Var(name));
  }
  prog.SetAddedBy(0);
  for (int i = 0; i < kCount; i += 97) {
    TfsCustomVariable* want = i % 2 == 0 ? static_cast<TfsCustomVariable*>(second[static_cast<size_t>(i / 2)])
                                         : first[static_cast<size_t>(i)];
    ASSERT_EQ(prog.FindLocal(u"v" + IntToText(i)), want) << i;
  }
  prog.RemoveItems(7);
  EXPECT_EQ(prog.Count(), kCount);
  for (int i = 0; i < kCount; i += 97)
    ASSERT_EQ(prog.FindLocal(u"V" + IntToText(i)), first[static_cast<size_t>(i)]);
  prog.Clear();
  EXPECT_EQ(prog.Count(), 0);
  EXPECT_EQ(prog.FindLocal(u"v0"), nullptr);
  TfsVariable* again = prog.AddItem(u"v0", Var(u"v0"));
  EXPECT_EQ(prog.FindLocal(u"V0"), again);
}

TEST(ItemNameTest, UppercaseNameMadeOnceForAllThreads) {
  const std::u16string names[] = {u"mixedCase", u"UPPER", u"\u00E4pfel", u""};
  for (const std::u16string& name : names) {
    TfsVariable item(name, fvtVariant, u"");
    std::vector<const std::u16string*> seen(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < seen.size(); ++t)
      threads.emplace_back([&, t] { seen[t] = &item.UppercaseName(); });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(*seen[0], UpperCase(name));
    for (const std::u16string* s : seen) EXPECT_EQ(s, seen[0]) << "one text, shared";
  }
}

}  // namespace
}  // namespace qv
