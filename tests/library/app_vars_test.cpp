// The application variables are one store for every script thread: many
// threads set and read them at once (run under ThreadSanitizer too); the
// random functions share the process's generator.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "library/functions.h"
#include "support/text.h"

namespace qv {
namespace {

Value CallLibrary(const std::u16string& name, std::initializer_list<Value> args) {
  CallFrame frame(nullptr, &GlobalProgram(), static_cast<int>(args.size()));
  int i = 0;
  for (const Value& v : args) frame.Arg(i++) = v;
  return TFunctions::CallMethod(nullptr, nullptr, name, frame);
}

class AppVars : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterSysLibraryModule();
    RegisterClassesModule();
    RegisterFunctionsModule();
    GlobalProgram();
  }
};

TEST_F(AppVars, EightThreadsSetAndGet) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 400;
  std::vector<std::thread> threads;
  std::vector<int> wrong(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &wrong] {
      const std::u16string own = u"thread.var." + IntToText(t);
      for (int k = 0; k < kRounds; ++k) {
        CallLibrary(u"SETAPPVAR", {Value::Text(own), Value::Int(k)});
        if (ToInt32(CallLibrary(u"GETAPPVAR", {Value::Text(own), Value::Int(-1)})) != k) ++wrong[t];
        CallLibrary(u"SETAPPVAR", {Value::Text(u"thread.shared"), Value::Text(u"v" + IntToText(k))});
        const Value shared = CallLibrary(u"GETAPPVAR", {Value::Text(u"thread.shared"), Value::Text(u"")});
        if (!ToText(shared).starts_with(u"v")) ++wrong[t];
        // A name that some thread adds for the first time while others look it up.
        CallLibrary(u"SETAPPVAR", {Value::Text(u"thread.fresh." + IntToText(k)), Value::Int(t)});
        const Value fresh =
            CallLibrary(u"GETAPPVAR", {Value::Text(u"thread.fresh." + IntToText(k)), Value::Int(-1)});
        if (ToInt32(fresh) < 0 || ToInt32(fresh) >= kThreads) ++wrong[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
  EXPECT_EQ(ToInt32(CallLibrary(u"GETAPPVAR", {Value::Text(u"thread.var.3"), Value::Int(-1)})), kRounds - 1);
}

TEST_F(AppVars, RandomNumbersFromManyThreads) {
  std::vector<std::thread> threads;
  std::vector<int> wrong(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int k = 0; k < 300; ++k) {
        const int32_t r = ToInt32(CallLibrary(u"RAND", {Value::Int(5), Value::Int(10)}));
        if (r < 5 || r > 14) ++wrong[t];
        const std::u16string g = ToText(CallLibrary(u"GETGUID", {}));
        if (g.size() != 36 || g[8] != u'-' || g[13] != u'-' || g[18] != u'-' || g[23] != u'-') ++wrong[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

TEST_F(AppVars, DefaultsAndResults) {
  EXPECT_EQ(ToText(CallLibrary(u"GETAPPVAR", {Value::Text(u"never.set.anywhere"), Value::Text(u"def")})),
            u"def");
  EXPECT_EQ(ToInt32(CallLibrary(u"GETAPPVAR", {Value::Text(u"MAXINT"), Value::Text(u"")})), 2147483647);
  const Value r = CallLibrary(u"SETAPPVAR", {Value::Text(u"x.y"), Value::Int(1)});
  EXPECT_TRUE(r.is_int32());
  EXPECT_EQ(r.as_int32(), 0);
}

TEST_F(AppVars, UnknownNameReturnsZero) {
  const Value r = CallLibrary(u"NO_SUCH_FUNCTION", {});
  EXPECT_TRUE(r.is_int32());
  EXPECT_EQ(r.as_int32(), 0);
  // Registered without a branch: does nothing.
  EXPECT_EQ(ToInt32(CallLibrary(u"FREE", {Value::Int(5)})), 0);
}

}  // namespace
}  // namespace qv
