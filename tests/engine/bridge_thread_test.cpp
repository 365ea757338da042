// Several script threads using the shared GlobalProgram at once. Run under
// ThreadSanitizer (QV_TSAN) this must stay clean.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/items/items.h"
#include "engine/program/execution_lock.h"
#include "engine/program/program.h"
#include "engine/value/value_ops.h"
#include "support/text.h"
#include "tests/engine/expression_test_util.h"
#include "tests/engine/runtime_test_util.h"

namespace qv {
namespace {

// The execution lock: held for a run, given up inside blocking calls (also
// nested ones) and taken back afterwards; a nested holder for another
// program (a callback) restores the outer state when it ends.
TEST(BridgeThreadTest, ExecutionLockHeldAndGivenUp) {
  TfsScript a, b;
  auto lockedElsewhere = [](std::mutex& m) {
    bool got = false;
    std::thread([&] {
      got = m.try_lock();
      if (got) m.unlock();
    }).join();
    return !got;
  };
  {
    BlockingCall outside;  // without a holder: nothing to give up
    EXPECT_FALSE(lockedElsewhere(a.ExecutionLock()));
  }
  {
    ExecutionLockHolder running(a);
    EXPECT_TRUE(lockedElsewhere(a.ExecutionLock()));
    {
      BlockingCall waiting;
      EXPECT_FALSE(lockedElsewhere(a.ExecutionLock()));
      BlockingCall nested;
      EXPECT_FALSE(lockedElsewhere(a.ExecutionLock()));
    }
    EXPECT_TRUE(lockedElsewhere(a.ExecutionLock()));
    {
      BlockingCall waiting;
      ExecutionLockHolder callback(b);
      EXPECT_TRUE(lockedElsewhere(b.ExecutionLock()));
      {
        BlockingCall inCallback;
        EXPECT_FALSE(lockedElsewhere(b.ExecutionLock()));
      }
      EXPECT_FALSE(lockedElsewhere(a.ExecutionLock()));
    }
    EXPECT_FALSE(lockedElsewhere(b.ExecutionLock()));
    EXPECT_TRUE(lockedElsewhere(a.ExecutionLock()));
  }
  EXPECT_FALSE(lockedElsewhere(a.ExecutionLock()));
}

constexpr int kThreads = 6;
constexpr int kCalls = 3000;

TEST(BridgeThreadTest, SameSharedMethodFromManyThreads) {
  TfsScript& global = GlobalProgram();
  global.AddMethod(u"function qvThreadMul(a: Integer; var b: Integer): Integer",
                   TfsCallMethodNewEvent([](HostObject*, const HostClass*, const std::u16string&, Caller& c) {
                     int32_t a = ToInt32(c.GetParam(0));
                     int32_t b = ToInt32(c.GetParam(1));
                     if (b % 64 == 0) std::this_thread::yield();  // widen the window for a mix-up
                     c.SetParam(1, Value::Int(a + b));
                     return Value::Int(a * b);
                   }));
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t, &wrong] {
      TfsScript script;
      script.SetParent(&GlobalProgram());
      auto* m = dynamic_cast<TfsMethodHelper*>(script.Find(u"QVTHREADMUL"));
      if (m == nullptr) {
        ++wrong;
        return;
      }
      for (int i = 0; i < kCalls; ++i) {
        CallFrame frame(*m, &script);
        frame.Arg(0) = Value::Int(t + 1);
        frame.Arg(1) = Value::Int(i);
        Value r = m->Read(frame);
        if (ToInt32(r) != (t + 1) * i || ToInt32(frame.GetParam(1)) != t + 1 + i) ++wrong;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(BridgeThreadTest, SharedIndexingHelpersOnEachThreadsOwnVariables) {
  auto* arrays = GlobalProgram().AddItem(u"qvThreadArrayHelper",
                                         std::make_unique<TfsArrayHelper>(u"", -1, fvtVariant, u""));
  auto* strings = GlobalProgram().AddItem(u"qvThreadStringHelper", std::make_unique<TfsStringHelper>());
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      TfsScript script;
      script.SetParent(&GlobalProgram());
      TfsVariable a(u"a", fvtArray, u"");
      a.SetValue(Value::Array({Value::Int(0), Value::Int(0), Value::Int(0)}));
      TfsStringVariable s(u"s", fvtString, u"String");
      s.SetValue(Value::Text(u"abc"));
      for (int i = 0; i < 1000; ++i) {
        CallFrame write(*arrays, &script);
        write.Arg(0) = Value::Int(i % 3);
        write.SetParent(&a, Value::Null());
        arrays->Write(write, Value::Int(t * 1000 + i));
        CallFrame read(*arrays, &script);
        read.Arg(0) = Value::Int(i % 3);
        read.SetParent(&a, a.GetValue());
        if (ToInt32(arrays->Read(read)) != t * 1000 + i) ++wrong;

        CallFrame ch(*strings, &script);
        ch.Arg(0) = Value::Int(1 + i % 3);
        ch.SetParent(&s, s.GetValue());
        if (strings->Read(ch).as_text() != std::u16string(1, u"abc"[i % 3])) ++wrong;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

// Elements of a shared array variable go through its lock: one thread's
// element writes never meet another's copy of the whole array.
TEST(BridgeThreadTest, SharedArrayVariableElementsFromManyThreads) {
  TfsScript prog;
  auto* a = prog.AddItem(u"a", std::make_unique<TfsVariable>(u"a", fvtArray, u"Array"));
  int32_t low[1] = {0}, high[1] = {kThreads - 1};
  a->SetValue(Value::Array(1, low, high));
  a->SetRefItem(prog.AddItem(u"", std::make_unique<TfsArrayHelper>(u"", 1, fvtVariant, u"")));
  a->MarkShared();
  // a[i] for each thread, with its own index variable i.
  std::vector<std::unique_ptr<TfsDesignator>> cells;
  for (int t = 0; t < kThreads; ++t) {
    auto* i = prog.AddItem(u"i" + IntToText(t), std::make_unique<TfsVariable>(u"", fvtInt, u"Integer"));
    i->SetValue(Value::Int(t));
    std::vector<testing::StepSpec> steps;
    steps.push_back({a, {}});
    steps.push_back({a->RefItem(), {}});
    steps.back().args.push_back(testing::VarExpr(&prog, i));
    cells.push_back(testing::Chain(&prog, std::move(steps)));
  }
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int n = 0; n < 1000; ++n) {
        cells[t]->SetValue(Value::Text(IntToText(n)));
        if (ToText(cells[t]->GetValue()) != IntToText(n)) ++wrong;
      }
    });
  threads.emplace_back([&] {
    for (int n = 0; n < 1000; ++n) {
      Value copy = a->GetValue();
      for (const Value& item : copy.as_array().items)
        if (!item.is_empty() && !item.is_text()) ++wrong;
    }
  });
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(BridgeThreadTest, ApplicationVariablesAndLookupsFromManyThreads) {
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      TfsScript& global = GlobalProgram();
      std::u16string own = u"qvAppVar" + IntToText(t);
      for (int i = 0; i < 500; ++i) {
        global.SetVariable(own, Value::Int(i));
        global.SetVariable(u"qvAppShared", Value::Text(u"thread " + IntToText(t)));
        EXPECT_EQ(ToInt32(global.GetVariable(own)), i);
        EXPECT_FALSE(global.GetVariable(u"qvAppShared").is_null());
        global.Find(u"qvAppVar" + IntToText((t + 1) % kThreads));
      }
    });
  for (auto& th : threads) th.join();
  int found = 0;
  for (int i = 0; i < GlobalProgram().Count(); ++i)
    if (SameText(GlobalProgram().ItemName(i), u"qvAppShared")) ++found;
  EXPECT_EQ(found, 1) << "concurrent first assignments declare one variable";
}

TEST(BridgeThreadTest, ThreadVariablesKeepOneValuePerThread) {
  TfsVariable* v = GlobalProgram().AddThreadVariable(u"qvLastError", u"Variant", Value::Text(u""));
  ASSERT_NE(v, nullptr);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t, &wrong] {
      TfsScript script;
      script.SetParent(&GlobalProgram());
      if (!script.GetVariable(u"qvLastError").is_text()) ++wrong;  // starts from the registered value
      for (int i = 0; i < 1000; ++i) {
        script.SetVariable(u"qvLastError", Value::Int(t * 10000 + i));
        std::this_thread::yield();
        if (ToInt32(script.GetVariable(u"qvLastError")) != t * 10000 + i) ++wrong;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(ToText(v->GetValue()), u"") << "this thread never assigned it";
}

TEST(BridgeThreadTest, TerminateWhileTheTableGrows) {
  TfsScript prog;
  std::atomic<bool> done{false};
  std::thread stopper([&] {
    do prog.Terminate();
    while (!done);
  });
  for (int i = 0; i < 300; ++i) {
    testing::AddProc(prog, u"p" + IntToText(i), false);
    prog.AddVariable(u"v" + IntToText(i), u"Variant", Value::Int(i));
  }
  prog.Clear();
  done = true;
  stopper.join();
  EXPECT_TRUE(prog.Terminated());
}

}  // namespace
}  // namespace qv
