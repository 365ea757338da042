// Runaway growth and failed allocations end in the catchable run-time error
// "Out of memory"; the program (and its host) go on.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "engine/xml/stream.h"
#include "support/size_limit.h"
#include "support/text.h"
#include "tests/engine/script_run_util.h"

namespace qv::testing {
namespace {

// A small cap so that the tests do not need gigabytes.
struct SmallCap {
  explicit SmallCap(int64_t limit) { SetSizeLimit(limit); }
  ~SmallCap() { SetSizeLimit(kDefaultSizeLimit); }
};

TEST(SizeLimitTest, DoublingATextIsCaughtInEverySyntax) {
  SmallCap cap(1 << 20);
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"JS",
       u"var s = \"x\";\r\ntry { for (var i = 0; i < 40; i++) s = s + s; } "
       u"except { lg(ExceptionClassName + \": \" + ExceptionMessage); }\r\nlg(Length(s));"},
      {u"JS",
       u"var s = \"x\";\r\ntry { for (var i = 0; i < 40; i++) s += s; } except { lg(ExceptionMessage); }\r\n"
       u"lg(Length(s));"},
      // Appended in place: the text stays as it was before the statement.
      {u"JS",
       u"var s = \"x\", t = \"y\";\r\ntry { for (var i = 0; i < 40; i++) s = s + t + t + s; } "
       u"except { lg(ExceptionMessage); }\r\nlg(Length(s) < 1048576);"},
      {u"Pascal",
       u"var s: string; i: Integer;\r\nbegin\r\n  s := 'x';\r\n  try\r\n    for i := 1 to 40 do s := s + "
       u"s;\r\n"
       u"  except\r\n    lg(ExceptionMessage);\r\n  end;\r\n  lg(Length(s));\r\nend."},
      {u"Basic",
       u"Dim s, i\r\ns = \"x\"\r\nTry\r\n  For i = 1 To 40\r\n    s = s & s\r\n  Next\r\nCatch\r\n"
       u"  lg(ExceptionMessage)\r\nEnd Try\r\nlg(Length(s))\r\n"},
      {u"C",
       u"string s = \"x\";\r\n{\r\n  try {\r\n    for (int i = 0; i < 40; i++) s = s + s;\r\n  } except {\r\n"
       u"    lg(ExceptionMessage);\r\n  }\r\n  lg(Length(s));\r\n}"},
  };
  const std::u16string expected[] = {u"EOutOfMemory: Out of memory|524288|",
                                     u"Out of memory|524288|",
                                     u"Out of memory|True|",
                                     u"Out of memory|524288|",
                                     u"Out of memory|524288|",
                                     u"Out of memory|524288|"};
  for (size_t i = 0; i < std::size(cases); ++i) {
    ScriptRun run(cases[i].first);
    EXPECT_EQ(run.Run(cases[i].second), u"") << ToUtf8(cases[i].second);
    EXPECT_EQ(run.Output(), expected[i]) << ToUtf8(cases[i].second);
  }
}

TEST(SizeLimitTest, UncaughtItReachesTheHostAsARunTimeError) {
  SmallCap cap(1 << 16);
  ScriptRun run(u"JS");
  EXPECT_EQ(run.Run(u"var s = \"ab\"; while (true) s = s + s;"), u"Out of memory");
  EXPECT_FALSE(run.prog.IsRunning());
  // The same program runs again, to the same end.
  try {
    run.prog.Execute();
    ADD_FAILURE() << "no error";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.className(), u"EOutOfMemory");
  }
}

TEST(SizeLimitTest, AFailedAllocationInAHostCallIsCatchable) {
  ScriptRun run(u"JS");
  run.prog.AddMethod(
      u"procedure grab;",
      [](HostObject*, const HostClass*, const std::u16string&, Caller&) -> Value { throw std::bad_alloc(); });
  EXPECT_EQ(run.Run(u"try { grab(); } except { lg(ExceptionMessage); }\r\nlg(\"on\");"), u"");
  EXPECT_EQ(run.Output(), u"Out of memory|on|");
  EXPECT_EQ(run.Run(u"grab();"), u"Out of memory");
}

TEST(SizeLimitTest, MemoryStreamPositionsStayBelowTheCap) {
  MemoryStream m;
  EXPECT_EQ(m.Seek(2147483647, SeekOrigin::Begin), 2147483647);
  const char bytes[] = "abc";
  EXPECT_THROW(m.Write(bytes, 3), OutOfMemoryError);
  EXPECT_EQ(m.Size(), 0);  // nothing was allocated
  EXPECT_THROW(m.Seek(int64_t{1} << 31, SeekOrigin::Begin), ScriptError);
  EXPECT_THROW(m.SetSize(int64_t{1} << 31), OutOfMemoryError);
  m.SetPosition(0);
  EXPECT_EQ(m.Write(bytes, 3), 3);

  ScriptRun run(u"Pascal");
  EXPECT_EQ(
      run.Run(
          u"var m: TMemoryStream;\r\nbegin\r\n  m := TMemoryStream.Create;\r\n  m.Seek(2147483647, 0);\r\n"
          u"  try\r\n    m.Write('abc', 3);\r\n  except\r\n    lg(ExceptionMessage);\r\n  end;\r\n"
          u"  lg(m.Size);\r\n  m.Free;\r\nend."),
      u"");
  EXPECT_EQ(run.Output(), u"Out of memory|0|");
}

}  // namespace
}  // namespace qv::testing
