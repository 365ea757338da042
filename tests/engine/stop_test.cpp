// A stop request holds for the whole run: routines entered after it stop
// too, and a request made before the run starts is kept.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "engine/program/program.h"
#include "support/text.h"
#include "tests/engine/script_run_util.h"

namespace qv::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Every routine loops until stopped: the first is interrupted, the ones
// entered afterwards in the same statement must not start over.
struct Shape {
  const char16_t* syntax;
  const char16_t* source;
};

const Shape kShapes[] = {
    {u"Pascal",
     u"function busy: Integer; begin Result := 0; while True do Result := Result + 1; end;\r\n"
     u"function spin: Integer; begin Result := 0; while True do ; end;\r\n"
     u"var x: Integer;\r\nbegin x := busy() + spin(); end."},
    {u"Pascal",
     u"function download: string; begin Result := ''; while True do ; end;\r\n"
     u"procedure process(s: string); begin while True do ; end;\r\n"
     u"begin process(download()); end."},
    {u"Pascal",
     u"function work: Integer; begin Result := 0; while True do ; end;\r\n"
     u"function spin: Integer; begin Result := 0; while True do ; end;\r\n"
     u"begin lg(IntToStr(work()) + IntToStr(spin())); end."},
    {u"C",
     u"int busy() { int r = 0; while (true) r++; return r; }\r\n"
     u"int spin() { while (true) { } return 0; }\r\n"
     u"int x;\r\n{ x = busy() + spin(); }"},
    {u"C",
     u"string download() { while (true) { } return \"\"; }\r\n"
     u"void process(string s) { while (true) { } }\r\n"
     u"{ process(download()); }"},
    {u"C",
     u"int work() { while (true) { } return 0; }\r\n"
     u"int spin() { while (true) { } return 0; }\r\n"
     u"{ lg(IntToStr(work()) + IntToStr(spin())); }"},
    {u"JS",
     u"function busy() { var r = 0; while (true) r++; return r; }\r\n"
     u"function spin() { while (true) { } return 0; }\r\n"
     u"var x;\r\nx = busy() + spin();"},
    {u"JS",
     u"function download() { while (true) { } return \"\"; }\r\n"
     u"function process(s) { while (true) { } }\r\n"
     u"process(download());"},
    {u"JS",
     u"function work() { while (true) { } return 0; }\r\n"
     u"function spin() { while (true) { } return 0; }\r\n"
     u"lg(IntToStr(work()) + spin());"},
    {u"Basic",
     u"Function busy()\r\n  Dim r\r\n  While True\r\n    r = r + 1\r\n  Wend\r\n  Return r\r\nEnd "
     u"Function\r\n"
     u"Function spin()\r\n  While True\r\n  Wend\r\n  Return 0\r\nEnd Function\r\n"
     u"Dim x\r\nx = busy() + spin()\r\n"},
    {u"Basic",
     u"Function download()\r\n  While True\r\n  Wend\r\n  Return \"\"\r\nEnd Function\r\n"
     u"Sub process(s)\r\n  While True\r\n  Wend\r\nEnd Sub\r\n"
     u"process(download())\r\n"},
    {u"Basic",
     u"Function work()\r\n  While True\r\n  Wend\r\n  Return 0\r\nEnd Function\r\n"
     u"Function spin()\r\n  While True\r\n  Wend\r\n  Return 0\r\nEnd Function\r\n"
     u"lg(IntToStr(work()) & spin())\r\n"},
};

// Runs the program on another thread and stops it after `delay`; the time
// from the request to the end of Execute, or a failure when it keeps going.
Clock::duration StopAfter(ScriptRun& run, std::chrono::milliseconds delay, const std::u16string& what) {
  std::atomic<bool> done{false};
  std::thread runner([&] {
    run.prog.Execute();
    done = true;
  });
  std::this_thread::sleep_for(delay);
  const Clock::time_point asked = Clock::now();
  run.prog.Terminate();
  while (!done && Clock::now() - asked < std::chrono::seconds(5)) std::this_thread::yield();
  const Clock::duration took = Clock::now() - asked;
  if (!done) {
    ADD_FAILURE() << "still running after the stop: " << ToUtf8(what);
    std::abort();  // the thread cannot be stopped otherwise
  }
  runner.join();
  return took;
}

TEST(StopThreadTest, RoutinesEnteredAfterTheStopStopToo) {
  for (const Shape& shape : kShapes) {
    ScriptRun run(shape.syntax);
    ASSERT_TRUE(run.Compile(shape.source)) << ToUtf8(shape.source) << ": " << ToUtf8(run.prog.ErrorMsg());
    const Clock::duration took = StopAfter(run, std::chrono::milliseconds(30), shape.source);
    // Usually well under a millisecond; the bound leaves room for a loaded
    // machine and the sanitizers.
    EXPECT_LT(took, std::chrono::seconds(1)) << ToUtf8(shape.source);
    // The run is over: nothing of the stop is left for the next one.
    EXPECT_FALSE(run.prog.Terminated());
    EXPECT_FALSE(run.prog.StopRequested());
  }
}

TEST(StopThreadTest, AStopBeforeTheRunHoldsAndTheEndClearsIt) {
  ScriptRun run(u"JS");
  ASSERT_TRUE(run.Compile(u"function spin() { while (true) { } }\r\nlg(\"started\"); spin();"));
  run.prog.Terminate();
  run.prog.Execute();  // would never return if the stop were lost
  EXPECT_TRUE(run.lines.empty());
  EXPECT_FALSE(run.prog.Terminated());

  // The next run is a fresh one.
  ScriptRun again(u"JS");
  ASSERT_TRUE(again.Compile(u"function f() { return 1; }\r\nlg(f());"));
  again.prog.Terminate();
  again.prog.Execute();
  again.prog.Execute();
  EXPECT_EQ(again.Output(), u"1|");
}

TEST(StopThreadTest, AHostCallOutsideARunEndsItsOwnStop) {
  ScriptRun run(u"JS");
  ASSERT_TRUE(run.Compile(u"function spin() { while (true) { } }\r\nfunction one() { return 1; }"));
  run.prog.Terminate();
  run.prog.CallFunction(u"spin", Value::Null());  // stops at once
  EXPECT_EQ(ToInt32(run.prog.CallFunction(u"one", Value::Null())), 1);
}

TEST(StopThreadTest, RecursionAndLoopsInsideRoutinesStop) {
  // Each level returns into a caller that calls again.
  ScriptRun run(u"JS");
  ASSERT_TRUE(
      run.Compile(u"function leaf() { var i = 0; while (i >= 0) i++; }\r\n"
                  u"function f(n) { if (n > 0) { f(n - 1); f(n - 1); } else leaf(); }\r\n"
                  u"while (true) f(20);"));
  EXPECT_LT(StopAfter(run, std::chrono::milliseconds(30), u"recursion"), std::chrono::seconds(1));
}

}  // namespace
}  // namespace qv::testing
