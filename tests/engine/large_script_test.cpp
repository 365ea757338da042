// What keeps a very large script's program small must not change what a
// script sees: positions of any size or form, statements whose unused parts
// were freed, and intermediate code that is still whole where it is needed.
#include <gtest/gtest.h>

#include <string>

#include "engine/items/source_pos.h"
#include "engine/xml/stream.h"
#include "support/text.h"
#include "tests/engine/script_run_util.h"

namespace qv {
namespace {

using testing::ScriptRun;

TEST(PackedPosTest, GivesBackTheTextItWasGiven) {
  const char16_t* const kTexts[] = {u"", u"1:1", u"0:0", u"12:5", u"1000000:12", u"2147483647:4294967295",
                                    // Not line:col as the translator writes it: kept as text.
                                    u"2147483648:1", u"1:4294967296", u"01:2", u"1:02", u"-1:2", u"1:", u":1",
                                    u":", u"1:2:3", u"abc", u"12345678901:1", u" 1:2", u"1:2 ", u"\u0661:2"};
  for (const char16_t* text : kTexts) {
    PackedPos p{std::u16string_view(text)};
    EXPECT_EQ(ToUtf8(p.Text()), ToUtf8(text));
    EXPECT_EQ(p.empty(), std::u16string_view(text).empty());
    PackedPos copy = p;
    PackedPos moved = std::move(copy);
    EXPECT_EQ(ToUtf8(moved.Text()), ToUtf8(text));
    EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): a moved-from position is empty
    copy = moved;
    moved = PackedPos(u"7:7");
    EXPECT_EQ(ToUtf8(copy.Text()), ToUtf8(text));
    EXPECT_EQ(ToUtf8(moved.Text()), "7:7");
  }
}

std::u16string Il(const std::u16string& body) {
  return u"<?xml version=\"1.0\"?><program>" + body + u"</program>";
}

bool BuildIl(ScriptRun& run, const std::u16string& il) {
  MemoryStream in;
  const std::string bytes = ToUtf8(il);
  in.Write(bytes.data(), bytes.size());
  in.SetPosition(0);
  return run.prog.SetILCode(in);
}

// Stored code may carry any position text; messages and the run-line
// handler show it as it was.
TEST(LargeScriptTest, StoredPositionsReachMessagesUnchanged) {
  const char16_t* const kPositions[] = {u"1234567:89", u"2147483647:4294967295", u"007:x", u"here"};
  for (const char16_t* p : kPositions) {
    const std::u16string pos = p;
    ScriptRun build(u"Pascal");
    EXPECT_FALSE(BuildIl(build, Il(u"<assignstmt pos=\"1:1\"><dsgn pos=\"1:1\"><node text=\"nosuch\" pos=\"" +
                                   pos + u"\"/></dsgn><expr><number text=\"1\"/></expr></assignstmt>")));
    EXPECT_EQ(ToUtf8(build.prog.ErrorMsg()), "Undeclared identifier: 'nosuch'");
    EXPECT_EQ(ToUtf8(build.prog.ErrorPos()), ToUtf8(pos));

    ScriptRun run(u"js");
    ASSERT_TRUE(BuildIl(run, Il(u"<callstmt pos=\"" + pos +
                                u"\"><dsgn pos=\"1:1\"><node text=\"lg\" pos=\"1:1\"/><expr><number "
                                u"text=\"1\"/></expr></dsgn></callstmt>")))
        << ToUtf8(run.prog.ErrorMsg());
    std::u16string seen;
    run.prog.SetOnRunLine([&](TfsScript&, const std::u16string&, const std::u16string& at) { seen += at; });
    run.prog.Execute();
    EXPECT_EQ(ToUtf8(seen), ToUtf8(pos));
  }
}

// Line numbers past seven digits: a compile error, the run-line handler and
// the executable lines after two million blank lines.
TEST(LargeScriptTest, PositionsPastAMillionLines) {
  const std::u16string blank(2'000'000, u'\n');
  ScriptRun compile(u"js");
  EXPECT_FALSE(compile.Compile(blank + u"var x = 1;\r\ny = ;"));
  EXPECT_EQ(ToUtf8(compile.prog.ErrorMsg()), "Expression expected");
  EXPECT_EQ(ToUtf8(compile.prog.ErrorPos()), "2000002:5");

  ScriptRun run(u"js");
  ASSERT_TRUE(run.Compile(blank + u"lg(1);\r\n  x = 2;")) << ToUtf8(run.prog.ErrorMsg());
  std::u16string seen;
  run.prog.SetOnRunLine(
      [&](TfsScript&, const std::u16string&, const std::u16string& at) { seen += at + u" "; });
  run.prog.Execute();
  EXPECT_EQ(ToUtf8(seen), "2000001:1 2000002:3 ");
  EXPECT_TRUE(run.prog.IsExecutableLine(2'000'002));
  EXPECT_FALSE(run.prog.IsExecutableLine(2'000'003));
  EXPECT_FALSE(run.prog.IsExecutableLine(1'999'999));
}

// Assignments whose target designator or expression wrapper is freed after
// building, next to the forms that keep them.
TEST(LargeScriptTest, AssignmentFormsKeepTheirResults) {
  struct Case {
    const char16_t* syntax;
    const char16_t* source;
    const char16_t* output;
  };
  const Case kCases[] = {
      {u"js", u"var x = 1; var y = 2; x = y; lg(x); x = 5; lg(x); x = x + 1; lg(x); x = -x; lg(x);",
       u"2|5|6|-6|"},
      {u"js", u"var s = \"a\"; var t = \"b\"; s = t; s = s + \"c\" + t; lg(s); s = IntToStr(7); lg(s);",
       u"bcb|7|"},
      // Arrays are values: b keeps its copy.
      {u"js", u"var a = [1, 2]; var b = a; a[0] = 9; lg(b[0]); var c = a[1]; lg(c);", u"1|2|"},
      {u"js", u"function f(v) { return v * 2; } var x = f(3); x = f(x); lg(x);", u"12|"},
      {u"Pascal",
       u"var i: Integer; s: String;\r\nbegin\r\n  i := 3; i := i * 4; s := 'x'; s := s + IntToStr(i);\r\n"
       u"  lg(s); i := Length(s); lg(i);\r\nend.",
       u"x12|3|"},
      {u"Basic", u"dim x\r\nx = 4\r\nx = x - 1\r\nlg(x)", u"3|"},
      {u"C", u"{ int x = 2; x = x * x; float f = x / 8; lg(f); }", u"0.5|"},
  };
  for (const Case& c : kCases) {
    ScriptRun run(c.syntax);
    EXPECT_EQ(ToUtf8(run.Run(c.source)), "") << ToUtf8(c.source);
    EXPECT_EQ(ToUtf8(run.Output()), ToUtf8(c.output)) << ToUtf8(c.source);
    // A second run of the same program reads the same kept parts.
    run.lines.clear();
    EXPECT_NO_THROW(run.prog.Execute());
    EXPECT_EQ(ToUtf8(run.Output()), ToUtf8(c.output)) << ToUtf8(c.source);
  }
}

// Compiling frees built statements of its document; the intermediate code
// asked for afterwards is still whole and builds the same program.
TEST(LargeScriptTest, IntermediateCodeAfterACompileIsWhole) {
  const std::u16string source = u"var x = 1;\r\nx = x + 41;\r\nlg(x);\r\nlg(\"&#65;\");";
  ScriptRun first(u"js");
  EXPECT_EQ(ToUtf8(first.Run(source)), "");
  MemoryStream il;
  ASSERT_TRUE(first.prog.GetILCode(il));
  EXPECT_NE(il.Data().find("<number text=\"41\" pos=\"2:11\"/>"), std::string::npos) << il.Data();

  ScriptRun second(u"js");
  il.SetPosition(0);
  ASSERT_TRUE(second.prog.SetILCode(il)) << ToUtf8(second.prog.ErrorMsg());
  second.prog.Execute();
  EXPECT_EQ(ToUtf8(second.Output()), ToUtf8(first.Output()));
  EXPECT_EQ(ToUtf8(first.Output()), "42|&#65;|");
}

}  // namespace
}  // namespace qv
