#include "engine/run/statements.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/program/program.h"
#include "engine/run/specialised.h"
#include "support/text.h"
#include "tests/engine/script_run_util.h"

namespace qv {
namespace {

using testing::ScriptRun;

struct RunCase {
  const char16_t* syntax;
  const char16_t* source;
  const char16_t* output;  // lg lines, each followed by "|"
};

const RunCase kRunCases[] = {
    // Pascal-like for: fixed pass count, counter stored each pass.
    {u"Pascal", u"var i: Integer; begin for i := 1 to 3 do lg(i); lg(i); end.", u"1|2|3|3|"},
    {u"Pascal", u"var i: Integer; begin i := 7; for i := 3 to 1 do lg(i); lg(i); end.", u"7|"},
    {u"Pascal", u"var i: Integer; begin for i := 3 downto 1 do lg(i); lg(i); end.", u"3|2|1|1|"},
    {u"Pascal", u"var i, n: Integer; begin for i := 1 to 3 do begin n := n + 1; i := 10; end; lg(n); end.",
     u"3|"},
    {u"Pascal", u"var i, n: Integer; begin n := 2; for i := 1 to n do n := 5; lg(i); end.", u"2|"},
    // Basic For with steps.
    {u"Basic", u"Dim i\r\nFor i = 1 To 2 Step 0.5\r\nlg(i)\r\nNext\r\n", u"1|1.5|2|"},
    {u"Basic", u"Dim i\r\nFor i = 3 To 1 Step -1\r\nlg(i)\r\nNext\r\n", u"3|2|1|"},
    {u"Basic",
     u"Dim i, n\r\nn = 0\r\nFor i = 1 To 2 Step 0\r\nn = n + 1\r\nIf n = 4 Then Break\r\nNext\r\nlg(n)\r\n",
     u"4|"},
    // C-like for: continue still runs the increment, break skips it.
    {u"js", u"var i, n = 0; for (i = 0; i < 5; i++) { if (i == 2) continue; n += 1; } lg(n); lg(i);",
     u"4|5|"},
    {u"js", u"var i; for (i = 0; i < 5; i++) { if (i == 2) break; } lg(i);", u"2|"},
    // repeat: continue still evaluates the condition.
    {u"Pascal", u"var i: Integer; begin repeat i := i + 1; continue; until i = 3; lg(i); end.", u"3|"},
    {u"js", u"var i = 0; do { i++; } while (i < 3); lg(i);", u"3|"},
    {u"js", u"var i = 0; while (i < 10) { i++; if (i == 4) break; } lg(i);", u"4|"},
    // exit inside try/finally inside a routine.
    {u"Pascal",
     u"procedure P; begin try lg('a'); exit; lg('b'); finally lg('f'); end; lg('c'); end;\r\n"
     u"begin P; lg('after'); end.",
     u"a|f|after|"},
    {u"Pascal", u"begin try lg('a'); exit; finally lg('f'); end; lg('never'); end.", u"a|f|"},
    // except: class name and message; execution continues after it.
    {u"Pascal",
     u"var i: Integer; begin try i := StrToInt('q'); except lg(ExceptionClassName); lg(ExceptionMessage); "
     u"end;"
     u" lg('next'); end.",
     u"EConvertError|'q' is not a valid integer value|next|"},
    {u"js", u"try { var x = 1 div 0; } except { lg(ExceptionClassName); }", u"EDivByZero|"},
    // case with ranges and an else part.
    {u"Pascal", u"begin case 7 of 1: lg('one'); 3..7: lg('range end'); else lg('else'); end; end.",
     u"range end|"},
    {u"Pascal", u"begin case 8 of 1: lg('one'); 3..7: lg('range'); else lg('else'); end; end.", u"else|"},
    {u"js", u"switch (\"b\") { case \"a\": lg(1); case \"b\", \"c\": lg(2); }", u"2|"},
    // increments; a variant holding digits becomes a float.
    {u"C", u"int x; { x = 5; x++; lg(x); x--; x--; lg(x); }", u"6|4|"},
    {u"js", u"var v = \"5\"; v++; lg(v); lg(VarType(v));", u"6|5|"},
    // compound assignments, in place for text.
    {u"js", u"var s = \"\"; for (var i = 0; i < 3; i++) s += \"ab\"; lg(s);", u"ababab|"},
    {u"Pascal", u"var s: String; i: Integer; begin for i := 1 to 3 do s := s + 'x'; lg(s); end.", u"xxx|"},
    {u"Pascal", u"var s: String; v: Variant; begin s := '1'; v := 2; s := s + v; lg(s); end.", u"3|"},
    {u"js", u"var n = 10; n -= 4; n *= 3; n /= 4; lg(n);", u"4.5|"},
    // chains appended to their own target, in place, with the tree's results.
    {u"js", u"var t = \"\"; for (var i = 0; i < 3; i++) t = t + IntToStr(i) + \",\"; lg(t);", u"0,1,2,|"},
    {u"js", u"var t = \"ab\"; try { t = t + \"x\" + StrToInt(\"q\"); } except { } lg(t);", u"ab|"},
    {u"js", u"var t = \"ab\"; t = t + \"x\" + t; lg(t);", u"abxab|"},
    {u"js", u"var t = \"1\"; t = t + \"2\" + 3; lg(t); lg(VarType(t));", u"15|5|"},
    {u"js", u"var t = 1; t = t + 2 + 3; lg(t);", u"6|"},
    {u"Pascal",
     u"var s: String; i: Integer; begin for i := 1 to 3 do s := s + IntToStr(i) + ';'; lg(s); end.",
     u"1;2;3;|"},
    {u"Basic", u"Dim s\r\ns = \"x\"\r\ns = s & 1 & 2\r\nlg(s)\r\n", u"x12|"},
    // by-reference parameters and recursion keep each level's locals.
    {u"Pascal",
     u"function F(n: Integer): Integer; var k: Integer; begin k := n; if n > 0 then F(n - 1); Result := k; "
     u"end;\r\n"
     u"begin lg(F(3)); end.",
     u"3|"},
    {u"C", u"void inc2(int &a) { a = a + 2; }\r\nint v; { v = 1; inc2(v); lg(v); }", u"3|"},
    // if with else-if chains.
    {u"Basic",
     u"Dim x\r\nx = 2\r\nIf x = 1 Then\r\nlg(\"one\")\r\nElseIf x = 2 "
     u"Then\r\nlg(\"two\")\r\nElse\r\nlg(\"other\")\r\nEnd If\r\n",
     u"two|"},
};

TEST(StatementTest, ScriptsProduceTheirOutput) {
  for (const RunCase& c : kRunCases) {
    ScriptRun run(c.syntax);
    EXPECT_EQ(ToUtf8(run.Run(c.source)), "") << ToUtf8(c.source);
    EXPECT_EQ(ToUtf8(run.Output()), ToUtf8(c.output)) << ToUtf8(c.source);
  }
}

// Recursive calls of one-parameter routines without other locals take the
// lean path; each level must still see its own parameter and Result,
// however the inner level ends. Both ways of building give the same.
TEST(StatementTest, RecursionKeepsEachLevelsParameterAndResult) {
  const RunCase cases[] = {
      {u"Pascal",
       u"function S(n: Integer): Integer; begin Result := n; if n > 0 then Result := Result + S(n - 1); "
       u"end;\r\n"
       u"begin lg(S(4)); end.",
       u"10|"},
      {u"js", u"function h(n) { if (n == 0) return 0; h(n - 1); return n; }\r\nlg(h(3));", u"3|"},
      {u"Pascal",
       u"function E(n: Integer): Integer; begin if n = 0 then Result := StrToInt('x') else begin Result := "
       u"n; "
       u"try Result := E(n - 1); except Result := Result + 100 + n; end; end; end;\r\n"
       u"begin lg(E(2)); lg(E(1)); end.",
       u"102|102|"},
      {u"Pascal",
       u"procedure P(n: Integer); begin if n > 0 then P(n - 1); if n = 1 then exit; lg(n); end;\r\n"
       u"begin P(2); end.",
       u"0|2|"},
      {u"Pascal",
       u"function D(n: Integer; m: Integer = 5): Integer; begin if n = 0 then Result := m else "
       u"Result := D(n - 1) + 1; end;\r\nbegin lg(D(2)); lg(D(1, 7)); end.",
       u"7|6|"},
      {u"js", u"function t(s) { if (s == \"\") return 0; return t(Copy(s, 2, 99)) + 1; }\r\nlg(t(\"abc\"));",
       u"3|"},
  };
  for (bool specialised : {true, false}) {
    SetSpecialisedPaths(specialised);
    for (const RunCase& c : cases) {
      ScriptRun run(c.syntax);
      EXPECT_EQ(ToUtf8(run.Run(c.source)), "") << ToUtf8(c.source);
      EXPECT_EQ(ToUtf8(run.Output()), ToUtf8(c.output)) << ToUtf8(c.source) << " specialised " << specialised;
    }
  }
  SetSpecialisedPaths(true);
}

// A counting loop whose body is one `+=` runs the body inline: its
// run-line notices, the place of an error in it and a stop between passes
// are those of the statement run the general way.
TEST(StatementTest, InlineSumBodyKeepsNoticesErrorsAndStops) {
  struct Seen {
    std::vector<std::u16string> lines;
    std::u16string error, place, output;
  };
  // stopAfter: watch the lines (which the inline body leaves to the
  // general one) and stop after that many; 0: no handler.
  auto run = [](bool specialised, const std::u16string& source, size_t stopAfter) {
    SetSpecialisedPaths(specialised);
    ScriptRun run(u"js");
    Seen seen;
    if (stopAfter > 0)
      run.prog.SetOnRunLine([&](TfsScript& prog, const std::u16string&, const std::u16string& pos) {
        seen.lines.push_back(pos);
        if (seen.lines.size() == stopAfter) prog.Terminate();
      });
    // stop(n) stops the run from inside the body when n is 2.
    run.prog.AddMethod(u"function stop(n: Integer): Integer;",
                       [&run](HostObject*, const HostClass*, const std::u16string&, Caller& c) {
                         if (ToInt32(c.GetParam(0)) == 2) run.prog.Terminate();
                         return c.GetParam(0);
                       });
    if (!run.Compile(source)) return seen;
    try {
      run.prog.Execute();
    } catch (const ScriptError& e) {
      seen.error = e.message();
      if (const ErrorPlace* place = e.place(); place != nullptr && !place->calls.empty())
        seen.place = place->pos + u" called at " + place->calls[0].pos;
    }
    seen.output = run.Output();
    SetSpecialisedPaths(true);
    return seen;
  };
  const std::u16string sum = u"var s = 0;\r\nvar i;\r\nfor (i = 1; i <= 4; i++)\r\n  s += i;\r\nlg(s);";
  const std::u16string failing =
      u"function f(n) { if (n == 3) return StrToInt(\"x\"); return n; }\r\nvar s = 0;\r\nvar i;\r\n"
      u"for (i = 1; i <= 4; i++)\r\n  s += f(i);\r\nlg(s);";
  for (size_t stopAfter : {size_t{0}, size_t{100}, size_t{6}}) {
    const Seen a = run(true, sum, stopAfter), b = run(false, sum, stopAfter);
    EXPECT_EQ(a.lines, b.lines);
    EXPECT_EQ(a.output, b.output);
    EXPECT_EQ(a.output, stopAfter == 6 ? u"" : u"10|");
  }
  const std::u16string stopping = u"var s = 0;\r\nvar i;\r\nfor (i = 1; i <= 4; i++) s += stop(i);\r\nlg(s);";
  EXPECT_EQ(run(true, stopping, 0).output, u"");
  EXPECT_EQ(run(false, stopping, 0).output, u"");
  const Seen a = run(true, failing, 0), b = run(false, failing, 0);
  EXPECT_EQ(a.error, u"'x' is not a valid integer value");
  EXPECT_EQ(a.place, u"1:29 called at 5:3");
  EXPECT_EQ(a.place, b.place);
  EXPECT_EQ(a.lines, b.lines);
}

TEST(StatementTest, FinallyRunsWhileAnErrorPropagates) {
  ScriptRun run(u"Pascal");
  EXPECT_EQ(run.Run(u"begin try StrToInt('x'); finally lg('f'); end; lg('never'); end."),
            u"'x' is not a valid integer value");
  EXPECT_EQ(run.Output(), u"f|");
}

TEST(StatementTest, RunawayRecursionStopsWithAnError) {
  ScriptRun run(u"js");
  EXPECT_EQ(run.Run(u"function f(n) { return f(n + 1) + 1; }\r\nf(0);"), u"Stack overflow");
  // The thread can run scripts afterwards.
  ScriptRun again(u"js");
  EXPECT_EQ(again.Run(u"function g(n) { if (n == 0) return 0; return g(n - 1) + 1; }\r\nlg(g(500));"), u"");
  EXPECT_EQ(again.Output(), u"500|");
}

TEST(StatementTest, RunLineReachesTheMainProgramFromRoutines) {
  ScriptRun run(u"Pascal");
  std::vector<std::u16string> seen;
  run.prog.SetOnRunLine(
      [&](TfsScript&, const std::u16string& unit, const std::u16string& pos) { seen.push_back(unit + pos); });
  EXPECT_EQ(run.Run(u"procedure P;\r\nbegin\r\n  lg(1);\r\nend;\r\nbegin\r\n  P;\r\n  P;\r\nend."), u"");
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"6:3", u"3:3", u"7:3", u"3:3"}));
}

// The handler is looked up through a cache: setting, clearing or moving it
// between runs, or from a host call in the middle of one, takes effect at
// the next statement.
TEST(StatementTest, RunLineFollowsHandlerChanges) {
  TfsScript middle;
  middle.SetParent(&GlobalProgram());
  ScriptRun run(u"Pascal");
  run.prog.SetParent(&middle);
  std::vector<std::u16string> seen;
  auto record = [&](const char16_t* who) {
    return [&seen, who](TfsScript&, const std::u16string&, const std::u16string& pos) {
      seen.push_back(who + pos);
    };
  };
  run.prog.AddMethod(u"procedure watch;", [&](HostObject*, const HostClass*, const std::u16string&, Caller&) {
    run.prog.SetOnRunLine(record(u"w"));
    return Value::Null();
  });
  ASSERT_TRUE(run.Compile(u"procedure P;\r\nbegin\r\n  lg(1);\r\nend;\r\nbegin\r\n  P;\r\n  P;\r\nend."));

  run.prog.Execute();
  EXPECT_TRUE(seen.empty());

  run.prog.SetOnRunLine(record(u"p"));
  run.prog.Execute();
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"p6:3", u"p3:3", u"p7:3", u"p3:3"}));

  seen.clear();
  run.prog.SetOnRunLine(nullptr);
  middle.SetOnRunLine(record(u"m"));
  run.prog.Execute();
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"m6:3", u"m3:3", u"m7:3", u"m3:3"}));

  seen.clear();
  middle.SetOnRunLine(nullptr);
  ASSERT_TRUE(run.Compile(u"begin\r\n  lg(1);\r\n  watch;\r\n  lg(2);\r\nend."));
  run.prog.Execute();
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"w4:3"}));
  run.prog.SetOnRunLine(nullptr);

  // Evaluate suspends the handler and puts it back; a program destroyed with
  // a handler set takes it along. Neither may leave notifications off.
  {
    TfsScript gone;
    gone.SetOnRunLine(record(u"g"));
  }
  ScriptRun again(u"Pascal");
  ASSERT_TRUE(again.Compile(u"begin\r\n  lg(1);\r\nend."));
  seen.clear();
  again.prog.SetOnRunLine(record(u"e"));
  EXPECT_EQ(ToText(again.prog.Evaluate(u"1 + 2")), u"3");
  EXPECT_TRUE(seen.empty()) << "no notifications from Evaluate";
  again.prog.Execute();
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"e2:3"}));
  again.prog.SetOnRunLine(nullptr);
  seen.clear();
  again.prog.Execute();
  EXPECT_TRUE(seen.empty());
}

// A routine's main program (which records the running routine, for
// Evaluate) is looked up through a cache: running the program makes it the
// main one.
TEST(StatementTest, RoutinesFindTheirMainProgramOnceItRuns) {
  ScriptRun run(u"Pascal");
  run.prog.AddMethod(u"function running: Boolean;",
                     [&](HostObject*, const HostClass*, const std::u16string&, Caller&) {
                       return Value::Bool(run.prog.ProgRunning() != nullptr);
                     });
  ASSERT_TRUE(run.Compile(
      u"function F: Boolean;\r\nbegin\r\n  Result := running;\r\nend;\r\nbegin\r\n  lg(F);\r\nend."));
  // Not run yet: no main program records the routine.
  EXPECT_EQ(ToText(run.prog.CallFunction(u"F", Value::Null())), u"False");
  run.prog.Execute();
  EXPECT_EQ(run.Output(), u"True|");
  EXPECT_EQ(ToText(run.prog.CallFunction(u"F", Value::Null())), u"True");
}

TEST(StatementTest, TerminateFromAnotherThreadStopsALoop) {
  const char16_t* loops[] = {
      u"#language js\r\nwhile (true) { }",
      u"#language js\r\nvar i; for (i = 0; i >= 0; i++) ;",
      u"#language Pascal\r\nvar i: Integer; begin repeat i := i + 1; until False; end.",
      u"#language Pascal\r\nprocedure P; begin while True do ; end; begin P; end.",
      u"#language Basic\r\nDim i\r\nFor i = 1 To 2 Step 0\r\nNext\r\n",
      // Recursion: every level shares the routine's flags, so the stop must
      // survive the return of the innermost level.
      u"#language js\r\nfunction f(n) { if (n > 0) { f(n - 1); f(n - 1); } }\r\nf(60);",
      u"#language Pascal\r\nfunction F(n: Integer): Integer; begin Result := 0; if n > 0 then "
      u"Result := F(n - 1) + F(n - 1); end; begin F(60); end.",
  };
  for (const char16_t* source : loops) {
    ScriptRun run;
    ASSERT_TRUE(run.Compile(source)) << ToUtf8(run.prog.ErrorMsg());
    std::atomic<bool> done{false};
    std::thread runner([&] {
      run.prog.Execute();
      done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    run.prog.Terminate();
    for (int i = 0; i < 500 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done) {
      ADD_FAILURE() << "still running: " << ToUtf8(source);
      std::abort();  // the thread cannot be stopped otherwise
    }
    runner.join();
  }
}

TEST(StatementTest, EvaluateInEverySyntax) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"Pascal", u"1 + 2 * 3"}, {u"C", u"1 + 2 * 3"}, {u"Basic", u"1 + 2 * 3"}, {u"JS", u"1 + 2 * 3"}};
  for (const auto& [syntax, expression] : cases) {
    ScriptRun run(syntax);
    Value v = run.prog.Evaluate(expression);
    EXPECT_FALSE(run.prog.EvaluteRiseError()) << ToUtf8(syntax) << " " << ToUtf8(ToText(v));
    EXPECT_EQ(ToText(v), u"7") << ToUtf8(syntax);
  }
  ScriptRun run(u"JS");
  Value v = run.prog.Evaluate(u"1 +");
  EXPECT_TRUE(run.prog.EvaluteRiseError());
  EXPECT_FALSE(ToText(v).empty());
}

TEST(StatementTest, DoEvalKeepsDeclarationsAndComposesErrors) {
  ScriptRun run(u"js");
  EXPECT_EQ(run.prog.DoEval(u"function twice(x) { return x * 2; }"), u"");
  EXPECT_EQ(run.Run(u"lg(twice(21));"), u"");
  EXPECT_EQ(run.Output(), u"42|");
  ScriptRun pascal(u"pascal");
  EXPECT_EQ(pascal.prog.DoEval(u"x := "), u"Expression expected, 在第 4 行,第 1 个字符");
}

}  // namespace
}  // namespace qv
