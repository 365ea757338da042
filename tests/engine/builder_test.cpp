#include "engine/build/builder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/translate/translator.h"
#include "engine/xml/stream.h"
#include "engine/xml/xml.h"
#include "support/text.h"
#include "tests/engine/script_run_util.h"

namespace qv {
namespace {

using testing::ScriptRun;

struct ErrorCase {
  const char16_t* syntax;
  const char16_t* source;
  const char16_t* message;
  const char16_t* pos;
};

// Every build-time message, with the position the builder reports.
const ErrorCase kErrorCases[] = {
    {u"Pascal", u"var i: Integer;\r\n    i: String;\r\nbegin end.", u"Identifier redeclared: 'i'", u"2:6"},
    {u"Pascal", u"procedure p; begin end;\r\nvar p: Integer;\r\nbegin end.", u"Identifier redeclared: 'p'",
     u"2:6"},
    {u"Pascal", u"procedure p(a, a: Integer); begin end;\r\nbegin end.", u"Identifier redeclared: 'a'",
     u"1:17"},
    {u"Pascal", u"var x: TNoSuchType;\r\nbegin end.", u"Unknown type: 'TNoSuchType'", u"1:19"},
    {u"Pascal", u"var i: Integer;\r\nbegin\r\n  i := 'a';\r\nend.",
     u"Incompatible types: 'Integer', 'String'", u"3:11"},
    {u"Pascal", u"var b: Boolean;\r\nbegin\r\n  b := True + 1;\r\nend.", u"Incompatible types:True + 1",
     u"3:14"},
    {u"Pascal", u"begin\r\n  j := 1;\r\nend.", u"Undeclared identifier: 'j'", u"2:4"},
    {u"C", u"{\r\n  k = 2;\r\n}", u"Undeclared identifier: 'k'", u"2:4"},
    {u"Pascal", u"var i: Integer;\r\nbegin\r\n  with i do i := 1;\r\nend.", u"Class type required", u"3:9"},
    {u"js", u"var x = new IntToStr(1);", u"Class type required", u"1:21"},
    {u"Pascal", u"var l: TStringList;\r\nbegin\r\n  lg(l.Names.Text);\r\nend.", u"Index required", u"3:13"},
    {u"Pascal", u"const c = [1, 2];\r\nbegin\r\n  c.x := 1;\r\nend.", u"Index required", u"3:6"},
    {u"Pascal", u"var s: String;\r\nbegin\r\n  s.Length := 1;\r\nend.",
     u"Strings doesn't have properties or methods", u"3:11"},
    {u"Pascal", u"var o: TObject;\r\nbegin\r\n  o[1] := 2;\r\nend.",
     u"Class TObject does not have a default property", u"3:5"},
    {u"Pascal", u"var i: Integer;\r\nbegin\r\n  i[1] := 2;\r\nend.", u"Array type required", u"3:5"},
    {u"js", u"function f(a, b) { return a; }\r\nlg(f(1));", u"Not enough actual parameters", u"2:5"},
    {u"js", u"lg(1, 2, 3);", u"Too many actual parameters", u"1:3"},
    {u"Pascal", u"const c = 1;\r\nbegin\r\n  c := 2;\r\nend.", u"Left side cannot be assigned to", u"3:9"},
    {u"js", u"IntToStr(1)++;", u"Left side cannot be assigned to", u"1:11"},
    {u"Pascal", u"var s: String;\r\nbegin\r\n  for s := 1 to 2 do lg(s);\r\nend.",
     u"For loop variable must be numeric variable", u"3:8"},
    {u"Pascal", u"const c = 1;\r\nbegin\r\n  for c := 1 to 2 do lg(c);\r\nend.",
     u"For loop variable must be numeric variable", u"3:8"},
    {u"Pascal", u"var i: Integer;\r\nbegin\r\n  for i := 1.5 to 2 do lg(i);\r\nend.",
     u"Incompatible types: 'Integer', 'Extended'", u"3:15"},
};

TEST(BuilderTest, EveryMessageWithItsPosition) {
  for (const ErrorCase& c : kErrorCases) {
    ScriptRun run(c.syntax);
    EXPECT_FALSE(run.Compile(c.source)) << ToUtf8(c.source);
    EXPECT_EQ(ToUtf8(run.prog.ErrorMsg()), ToUtf8(c.message)) << ToUtf8(c.source);
    EXPECT_EQ(ToUtf8(run.prog.ErrorPos()), ToUtf8(c.pos)) << ToUtf8(c.source);
    EXPECT_TRUE(run.prog.ErrorUnit().empty());
  }
}

// Undeclared names: errors where the grammar wants declarations, global
// variants where it does not.
TEST(BuilderTest, AutoDeclaredGlobalsFollowTheGrammar) {
  ScriptRun js(u"js");
  EXPECT_EQ(js.Run(u"function f() { g = 5; }\r\nf();\r\nlg(g);"), u"");
  EXPECT_EQ(js.Output(), u"5|");
  EXPECT_NE(js.prog.FindLocal(u"g"), nullptr);  // global, not local to f
  ScriptRun basic(u"Basic");
  EXPECT_EQ(basic.Run(u"x = 3\r\nlg(x * 2)\r\n"), u"");
  EXPECT_EQ(basic.Output(), u"6|");
}

TEST(BuilderTest, DanglingOperatorIsDropped) {
  ScriptRun run(u"js");
  EXPECT_EQ(run.Run(u"var x = 0;\r\nx = 2 +\r\n"), u"");
  EXPECT_EQ(ToText(run.prog.FindLocal(u"x")->GetValue()), u"2");
}

TEST(BuilderTest, BasicElseWithEmptyThenPart) {
  ScriptRun run(u"Basic");
  EXPECT_EQ(run.Run(u"Dim x\r\nx = 1\r\nIf x = 2 Then\r\nElse\r\nlg(\"else\")\r\nEnd If\r\n"), u"");
  EXPECT_EQ(run.Output(), u"else|");
}

struct ShapeCase {
  const char16_t* syntax;
  const char16_t* source;
  const char16_t* output;
};

// Grammars give the same statement different shapes: Basic's Set wraps an
// assignment in another, and a JS for statement has no compound parts and
// one var element per declared name.
const ShapeCase kShapeCases[] = {
    {u"Basic", u"Dim x\r\nSet x = 4\r\nSet x -= 1\r\nlg(x)\r\n", u"3|"},
    {u"Basic", u"Set l = New TStringList\r\nl.Add(\"a\")\r\nlg(l.Count)\r\nl.Free\r\n", u"1|"},
    {u"js", u"for (var i = 0, j = 5; i < 2; i++) lg(i + j);", u"5|6|"},
    {u"js", u"for (var i = 0, j = 1, k = 2; i < 1; i++) lg(i + j + k);", u"3|"},
    {u"js", u"var k = 0;\r\nfor (; k < 3; ) k++;\r\nlg(k);", u"3|"},
    {u"js", u"var i = 0;\r\nfor (; i < 2; var a = i, b = i * 2) i++;\r\nlg(a); lg(b);", u"2|4|"},
    {u"js", u"for (var i = 0; i < 2; i++) var a = i, b = i + 1;\r\nlg(a); lg(b);", u"1|2|"},
    {u"C", u"int i, j;\r\n{\r\n  for (i = 0, j = 5; i < 2; i++, j--) lg(i + j);\r\n}", u"5|5|"},
    {u"C", u"int i;\r\n{\r\n  for (; i < 2; ) i++;\r\n  lg(i);\r\n}", u"2|"},
};

TEST(BuilderTest, StatementShapesOfEveryGrammarBuild) {
  for (const ShapeCase& c : kShapeCases) {
    ScriptRun run(c.syntax);
    EXPECT_EQ(ToUtf8(run.Run(c.source)), "") << ToUtf8(c.source);
    EXPECT_EQ(ToUtf8(run.Output()), ToUtf8(c.output)) << ToUtf8(c.source);
  }
}

TEST(BuilderTest, RoutinesMayBeCalledBeforeTheirText) {
  ScriptRun run(u"Pascal");
  EXPECT_EQ(run.Run(u"procedure A; begin B; end;\r\nprocedure B; begin lg('b'); end;\r\nbegin A; end."), u"");
  EXPECT_EQ(run.Output(), u"b|");
}

TEST(BuilderTest, LocalsMayShadowGlobals) {
  ScriptRun run(u"Pascal");
  EXPECT_EQ(run.Run(u"var i: Integer;\r\nprocedure P; var i: Integer; begin i := 2; end;\r\n"
                    u"begin i := 1; P; lg(i); end."),
            u"");
  EXPECT_EQ(run.Output(), u"1|");
}

struct ArrayCase {
  const char16_t* declaration;
  int low;
  int high;
};

TEST(BuilderTest, ArrayBoundsAreComputedAtBuildTime) {
  const ArrayCase cases[] = {{u"array[10] of Integer", 0, 9},
                             {u"array[1..10] of Integer", 1, 10},
                             {u"array[2 * 3..2 * 4] of Integer", 6, 8}};
  for (const ArrayCase& c : cases) {
    ScriptRun run(u"Pascal");
    ASSERT_TRUE(run.Compile(u"var a: " + std::u16string(c.declaration) + u";\r\nbegin end."))
        << run.prog.ErrorMsg().size();
    Value v = run.prog.FindLocal(u"a")->PValue();
    ASSERT_TRUE(v.is_array());
    EXPECT_EQ(v.as_array().low[0], c.low);
    EXPECT_EQ(v.as_array().high[0], c.high);
  }
}

TEST(BuilderTest, WithVariablesAreNumberedPerProgram) {
  ScriptRun run(u"Pascal");
  ASSERT_TRUE(run.Compile(
      u"var a, b: TStringList;\r\nbegin\r\n  a := TStringList.Create; b := TStringList.Create;\r\n"
      u"  with a do with b do Add('x');\r\n  with a do Add('y');\r\n"
      u"  lg(a.Count); lg(b.Count);\r\nend."))
      << ToUtf8(run.prog.ErrorMsg());
  EXPECT_NE(run.prog.FindLocal(u"_WithList_0"), nullptr);
  EXPECT_NE(run.prog.FindLocal(u"_WithList_1"), nullptr);
  EXPECT_NE(run.prog.FindLocal(u"_WithList_2"), nullptr);
  run.prog.Execute();
  EXPECT_EQ(run.Output(), u"1|1|");
}

TEST(BuilderTest, DefaultArgumentsAreFilledIn) {
  ScriptRun run(u"Pascal");
  EXPECT_EQ(run.Run(u"function F(a: Integer; b: Integer = 10): Integer; begin Result := a + b; end;\r\n"
                    u"begin lg(F(1)); lg(F(1, 2)); end."),
            u"");
  EXPECT_EQ(run.Output(), u"11|3|");
}

TEST(BuilderTest, AnErrorInAUnitNamesTheUnit) {
  ScriptRun run(u"Pascal");
  run.prog.SetOnGetUnit([](TfsScript&, const std::u16string& unit, std::u16string& text) {
    if (unit == u"u.pas") text = u"procedure P; begin x := 1; end;\r\nbegin end.";
  });
  EXPECT_FALSE(run.Compile(u"uses 'u.pas';\r\nbegin P; end."));
  EXPECT_EQ(run.prog.ErrorMsg(), u"Undeclared identifier: 'x'");
  EXPECT_EQ(run.prog.ErrorPos(), u"1:21");
  EXPECT_EQ(run.prog.ErrorUnit(), u"u.pas");
}

// A member the class does not declare compiles with class late binding on
// and fails only when it runs.
TEST(BuilderTest, ClassLateBindingDefersUnknownMembers) {
  ScriptRun run(u"Pascal");
  run.prog.SetUseClassLateBinding(true);
  ASSERT_TRUE(
      run.Compile(u"var l: TStringList;\r\nbegin\r\n  l := TStringList.Create;\r\n  l.NoSuchMember;\r\nend."))
      << ToUtf8(run.prog.ErrorMsg());
  EXPECT_THROW(
      {
        try {
          run.prog.Execute();
        } catch (const ScriptError& e) {
          EXPECT_EQ(e.message(), u"Undeclared identifier: 'NoSuchMember'");
          throw;
        }
      },
      ScriptError);
}

TEST(BuilderTest, VariantStepsBindAtTheirFirstEvaluation) {
  ScriptRun run(u"js");
  EXPECT_EQ(run.Run(u"var v = [1, 2, 3];\r\nlg(v[2]);\r\nlg(v[9] == null);\r\nvar l = new TStringList();\r\n"
                    u"l.Add(\"a\"); lg(l.Count);\r\nvar s = \"xyz\";\r\nlg(s[2]);\r\nl.Free();"),
            u"");
  EXPECT_EQ(run.Output(), u"3|True|1|y|");
}

// Stored intermediate code builds the same program as the source.
TEST(BuilderTest, StoredIntermediateCodeRunsLikeItsSource) {
  const std::u16string source =
      u"#language js\r\nfunction sq(x) { return x * x; }\r\nvar t = 0;\r\n"
      u"for (var i = 1; i <= 3; i++) t += sq(i);\r\nlg(t);\r\nu = 1;\r\nlg(u + 1);";
  ScriptRun first;
  first.prog.Lines() = SplitLines(source);
  MemoryStream code;
  ASSERT_TRUE(first.prog.GetILCode(code));

  ScriptRun second;
  code.SetPosition(0);
  ASSERT_TRUE(second.prog.SetILCode(code)) << ToUtf8(second.prog.ErrorMsg());
  second.prog.Execute();
  EXPECT_EQ(second.Output(), u"14|2|");

  ScriptRun third;
  EXPECT_EQ(third.Run(FromUtf8(code.Data())), u"");
  EXPECT_EQ(third.Output(), u"14|2|");
}

struct DamagedCase {
  const char* il;
  bool builds;
};

// Intermediate code with missing children, wrong orders or unknown
// elements: an error or the element ignored, never a crash.
const DamagedCase kDamaged[] = {
    {"<?xml version=\"1.0\"?><program><whilestmt/></program>", false},
    {"<?xml version=\"1.0\"?><program><forstmt><ident text=\"i\"/></forstmt></program>", false},
    {"<?xml version=\"1.0\"?><program><assignstmt><dsgn/></assignstmt></program>", false},
    {"<?xml version=\"1.0\"?><program><assignstmt><expr/><dsgn><node "
     "text=\"x\"/></dsgn></assignstmt></program>",
     false},
    {"<?xml version=\"1.0\"?><program><callstmt><dsgn><expr/></dsgn></callstmt></program>", false},
    {"<?xml version=\"1.0\"?><program><cppforstmt><empty/></cppforstmt></program>", false},
    {"<?xml version=\"1.0\"?><program><cppforstmt><var><ident text=\"i\"/></var><empty/></cppforstmt>"
     "</program>",
     false},
    {"<?xml version=\"1.0\"?><program><cppforstmt><expr><number text=\"0\"/></expr></cppforstmt></program>",
     false},
    {"<?xml version=\"1.0\"?><program><cppforstmt><compoundstmt/><expr><number text=\"0\"/></expr>"
     "<compoundstmt/></cppforstmt></program>",
     true},
    {"<?xml version=\"1.0\"?><program><assignstmt><assignstmt/></assignstmt></program>", false},
    {"<?xml version=\"1.0\"?><program><repeatstmt/></program>", false},
    {"<?xml version=\"1.0\"?><program><repeatstmt><inverse/></repeatstmt></program>", false},
    {"<?xml version=\"1.0\"?><program><procedure/></program>", false},
    {"<?xml version=\"1.0\"?><program><function><type text=\"Integer\"/></function></program>", false},
    {"<?xml version=\"1.0\"?><program><const/></program>", false},
    {"<?xml version=\"1.0\"?><program><var><ident text=\"a\"/><array><dim/></array></var></program>", false},
    {"<?xml version=\"1.0\"?><program><dsgn><addr/><node text=\"a\"/><node text=\"b\"/></dsgn>"
     "<callstmt><dsgn><addr/><node text=\"a\"/><node text=\"b\"/></dsgn></callstmt></program>",
     false},
    {"<?xml version=\"1.0\"?><program><ifstmt><expr><op text=\")\"/></expr></ifstmt></program>", false},
    {"<?xml version=\"1.0\"?><program><casestmt><expr><number text=\"1\"/></expr><caseselector/></casestmt>"
     "</program>",
     true},
    {"<?xml version=\"1.0\"?><program><nosuchelement/><with/><trystmt/><empty/></program>", true},
    {"<?xml version=\"1.0\"?><program><ifstmt><expr><number text=\"1\"/></expr></ifstmt></program>", true},
    {"<?xml version=\"1.0\"?><program><callstmt><dsgn><node text=\"lg\"/><expr><string text=\"'\"/></expr>"
     "</dsgn></callstmt></program>",
     true},
};

TEST(BuilderTest, DamagedIntermediateCodeNeverCrashes) {
  for (const DamagedCase& c : kDamaged) {
    ScriptRun run(u"js");
    MemoryStream in;
    in.Write(c.il, std::char_traits<char>::length(c.il));
    in.SetPosition(0);
    EXPECT_EQ(run.prog.SetILCode(in), c.builds) << c.il << " " << ToUtf8(run.prog.ErrorMsg());
    if (c.builds) {
      EXPECT_NO_THROW(run.prog.Execute()) << c.il;
    }
  }
}

// Random damage to real intermediate code: children removed, moved and
// renamed. The build reports an error or succeeds; it must not crash.
TEST(BuilderTest, MutatedIntermediateCodeNeverCrashes) {
  ScriptRun source(u"Pascal");
  source.prog.Lines() = SplitLines(
      u"var i, n: Integer; s: String; a: array[1..3] of Integer;\r\n"
      u"function F(x: Integer; var y: Integer = 2): Integer; begin Result := x + y; end;\r\n"
      u"begin for i := 1 to 3 do a[i] := F(i, n); case i of 1..2: n := 1; else n := 2; end;\r\n"
      u"repeat i := i - 1 until i = 0; while i < 2 do i := i + 1; try s := 'a' except s := 'b' end;\r\n"
      u"with TStringList.Create do begin Add(s); Free; end; end.");
  MemoryStream code;
  ASSERT_TRUE(source.prog.GetILCode(code));
  std::mt19937 random(12345);
  for (int round = 0; round < 300; ++round) {
    TfsXMLDocument doc;
    doc.LoadFromBytes(code.Data());
    for (int k = 0; k < 3; ++k) {
      // Collected anew each time: clearing an element frees its children.
      std::vector<TfsXMLItem*> all;
      std::vector<TfsXMLItem*> stack{doc.Root()};
      while (!stack.empty()) {
        TfsXMLItem* x = stack.back();
        stack.pop_back();
        all.push_back(x);
        for (const auto& c : x->Children()) stack.push_back(c.get());
      }
      TfsXMLItem* x = all[random() % all.size()];
      if (x == doc.Root() || x->Parent() == nullptr) continue;
      switch (random() % 3) {
        case 0:
          x->SetName(u"renamed");
          break;
        case 1:
          x->Clear();
          break;
        default:
          x->Parent()->AddItem(x);  // moves it to the end
      }
    }
    ScriptRun run(u"Pascal");
    MemoryStream in;
    std::string bytes = doc.SaveToBytes();
    in.Write(bytes.data(), bytes.size());
    in.SetPosition(0);
    run.prog.SetILCode(in);  // either result is fine
  }
}

}  // namespace
}  // namespace qv
