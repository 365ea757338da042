// The translator against the four built-in grammars: source in, compact
// dump of the intermediate code out.
#include "engine/translate/translator.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/program/program.h"
#include "support/errors.h"
#include "tests/engine/il_dump.h"

namespace qv {
namespace {

using test::Positions;
using test::Translate;

struct Row {
  const char* source;
  const char* il;
};

void ExpectTranslations(std::u16string_view language, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    test::Translation t = Translate(language, row.source);
    EXPECT_TRUE(t.ok) << row.source << "\n  error: " << t.msg << " at " << t.pos;
    EXPECT_EQ(t.il, row.il) << row.source;
  }
}

TEST(TranslatorTest, Js) {
  ExpectTranslations(
      u"js",
      {
          {"x = 1;", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},
          {"f(a, 2);", "compoundstmt(callstmt(dsgn(node:f expr(dsgn(node:a)) expr(number:2))))"},
          {"i++; x += 2;",
           "compoundstmt(callstmt(dsgn(node:i) modificator:+) assignstmt(dsgn(node:x) modificator:+ "
           "expr(number:2)))"},
          {"var a = 1, b[3];",
           "compoundstmt(var(ident:a init(expr(number:1))) var(ident:b array(dim(expr(number:3)))))"},
          {"if (a > 1) b = 2; else c();",
           "compoundstmt(ifstmt(expr(dsgn(node:a) op:> number:1) thenstmt(assignstmt(dsgn(node:b) "
           "expr(number:2))) elsestmt(callstmt(dsgn(node:c)))))"},
          {"function f(a, &b) { return a; }",
           "compoundstmt(function(name:f parameters(var(ident:a) var(varparam:& ident:b)) "
           "compoundstmt(return(expr(dsgn(node:a))))))"},
          {"for (i = 0; i < 3; i++) x += i;",
           "compoundstmt(cppforstmt(assignstmt(dsgn(node:i) expr(number:0)) expr(dsgn(node:i) op:< number:3) "
           "callstmt(dsgn(node:i) modificator:+) assignstmt(dsgn(node:x) modificator:+ "
           "expr(dsgn(node:i)))))"},
          {"while (x) { x--; }",
           "compoundstmt(whilestmt(expr(dsgn(node:x)) compoundstmt(callstmt(dsgn(node:x) modificator:-))))"},
          {"do { a(); } while (b);",
           "compoundstmt(repeatstmt(compoundstmt(callstmt(dsgn(node:a))) expr(dsgn(node:b)) inverse:))"},
          {"switch (x) { case 1, 2: y = 1; default: y = 0; }",
           "compoundstmt(casestmt(expr(dsgn(node:x)) caseselector(set(expr(number:1) expr(number:2)) "
           "assignstmt(dsgn(node:y) expr(number:1))) assignstmt(dsgn(node:y) expr(number:0))))"},
          {"try { a(); } except { b(); }",
           "compoundstmt(trystmt(compoundstmt(callstmt(dsgn(node:a))) "
           "exceptstmt(compoundstmt(callstmt(dsgn(node:b))))))"},
          {"o = new TObj(1); delete o;",
           "compoundstmt(assignstmt(dsgn(node:o) expr(new(dsgn(node:TObj expr(number:1))))) "
           "delete(dsgn(node:o)))"},
          {"a.b[1](2);", "compoundstmt(callstmt(dsgn(node:a node:b node:[ expr(number:1) expr(number:2))))"},
          {"s = \"a\"\"b\" + 0x1F;",
           "compoundstmt(assignstmt(dsgn(node:s) expr(string:'a\"b' op:+ number:$1F)))"},
          {"x = -a * !b;",
           "compoundstmt(assignstmt(dsgn(node:x) expr(op:unminus dsgn(node:a) op:* op:not dsgn(node:b))))"},
          {"x = (1 + 2) * 3;",
           "compoundstmt(assignstmt(dsgn(node:x) expr(op:( expr(number:1 op:+ number:2) op:) op:* "
           "number:3)))"},
          {"x = [1, 2..3];",
           "compoundstmt(assignstmt(dsgn(node:x) expr(set(expr(number:1) expr(number:2) range:. "
           "expr(number:3)))))"},
          {"x = a == b || c != d;",
           "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:a) op:= dsgn(node:b) op:or dsgn(node:c) "
           "op:<> "
           "dsgn(node:d))))"},
          {"with (o) go();", "compoundstmt(with(dsgn(node:o) callstmt(dsgn(node:go))))"},
          {"x = <a[1]>;", "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:Get expr(string:'a[1]')))))"},
          {"/* a */ break; continue; // b\nreturn;", "compoundstmt(break continue return)"},
          {"IF (a) b();", "compoundstmt(ifstmt(expr(dsgn(node:a)) thenstmt(callstmt(dsgn(node:b)))))"},
          // What no rule matches ends the program; the dangling operator stays
          // in the expression, where the builder ignores it.
          {"x = 1; ) y = 2;", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},
          {"x = 1 +; y = 2;", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1 op:+)))"},
          {"", "compoundstmt"},
      });
}

TEST(TranslatorTest, Pascal) {
  ExpectTranslations(
      u"Pascal",
      {
          {"begin x := 1 + 2 * 3 end.",
           "compoundstmt(assignstmt(dsgn(node:x) expr(number:1 op:+ number:2 op:* number:3)))"},
          // The identifier failure that ends the constants is discarded: `term`.
          {"program demo; const a = 1; var b: integer; begin end.",
           "const(ident:a expr(number:1)) var(ident:b type:integer) compoundstmt"},
          {"var a, b: array[0..9, 2] of string = 'x'; begin end.",
           "var(ident:a ident:b array(dim(expr(number:0) expr(number:9)) dim(expr(number:2))) type:string "
           "init(expr(string:'x'))) compoundstmt"},
          {"procedure p(var a: integer; b: string); begin end; begin end.",
           "procedure(name:p parameters(varparams var(ident:a type:integer) var(ident:b type:string)) "
           "compoundstmt) compoundstmt"},
          {"function f: integer; begin result := 1 end; begin end.",
           "function(name:f type:integer compoundstmt(assignstmt(dsgn(node:result) expr(number:1)))) "
           "compoundstmt"},
          {"begin if a <> b then c else d; end.",
           "compoundstmt(ifstmt(expr(dsgn(node:a) op:<> dsgn(node:b)) thenstmt(callstmt(dsgn(node:c))) "
           "elsestmt(callstmt(dsgn(node:d)))))"},
          {"begin for i := 1 to 10 do x := i; for j := 5 downto 1 do ; end.",
           "compoundstmt(forstmt(ident:i expr(number:1) expr(number:10) assignstmt(dsgn(node:x) "
           "expr(dsgn(node:i)))) forstmt(ident:j expr(number:5) downto:downto expr(number:1)))"},
          {"begin repeat a; b until c; while d do e end.",
           "compoundstmt(repeatstmt(callstmt(dsgn(node:a)) callstmt(dsgn(node:b)) expr(dsgn(node:c))) "
           "whilestmt(expr(dsgn(node:d)) callstmt(dsgn(node:e))))"},
          {"begin case x of 1: a; 2, 3: b; else c end end.",
           "compoundstmt(casestmt(expr(dsgn(node:x)) caseselector(set(expr(number:1)) "
           "callstmt(dsgn(node:a))) "
           "caseselector(set(expr(number:2) expr(number:3)) callstmt(dsgn(node:b))) "
           "callstmt(dsgn(node:c))))"},
          {"begin try a except b end; with o, p do q end.",
           "compoundstmt(trystmt(callstmt(dsgn(node:a)) exceptstmt(callstmt(dsgn(node:b)))) "
           "with(dsgn(node:o) dsgn(node:p) callstmt(dsgn(node:q))))"},
          {"begin s := 'it''s' + #65'x'; p := @f; q := $FF; break end.",
           "compoundstmt(assignstmt(dsgn(node:s) expr(string:'it's' op:+ string:'Ax')) "
           "assignstmt(dsgn(node:p) expr(dsgn(addr:@ node:f))) assignstmt(dsgn(node:q) expr(number:$FF)) "
           "break)"},
          {"begin x := <abc> end.",
           "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:Get expr(string:'abc')))))"},
          {"begin a.b[1, 2](x, 3) end.",
           "compoundstmt(callstmt(dsgn(node:a node:b node:[ expr(number:1) expr(number:2) expr(dsgn(node:x)) "
           "expr(number:3))))"},
          {"begin b := not (x in [1..3]) end.",
           "compoundstmt(assignstmt(dsgn(node:b) expr(op:not op:( expr(dsgn(node:x) op:in "
           "set(expr(number:1) range:. expr(number:3))) op:))))"},
          {"{ c1 } (* c2 *) begin end. trailing text is not read", "compoundstmt"},
      });
}

TEST(TranslatorTest, C) {
  ExpectTranslations(
      u"C",
      {
          {"int x = 5; { x = x + 1; }",
           "var(type:int ident:x init(expr(number:5))) compoundstmt(assignstmt(dsgn(node:x) "
           "expr(dsgn(node:x) "
           "op:+ number:1)))"},
          {"#define N 10\n{ }", "const(ident:N expr(number:10)) compoundstmt"},
          {"void f(int a, int &b) { return; } { f(1, x); }",
           "function(type:void name:f parameters(var(type:int ident:a) var(type:int varparam:& ident:b)) "
           "compoundstmt(return)) compoundstmt(callstmt(dsgn(node:f expr(number:1) expr(dsgn(node:x)))))"},
          // Case-sensitive: "IF" is an ordinary name.
          {"{ if (a == 1) b = 2; else { c(); } IF(1); }",
           "compoundstmt(ifstmt(expr(dsgn(node:a) op:= number:1) thenstmt(assignstmt(dsgn(node:b) "
           "expr(number:2))) elsestmt(compoundstmt(callstmt(dsgn(node:c))))) callstmt(dsgn(node:IF "
           "expr(number:1))))"},
          {"{ for (i = 0, j = 1; i < n; i++) ; x += 1; y--; }",
           "compoundstmt(cppforstmt(compoundstmt(assignstmt(dsgn(node:i) expr(number:0)) "
           "assignstmt(dsgn(node:j) "
           "expr(number:1))) expr(dsgn(node:i) op:< dsgn(node:n)) compoundstmt(callstmt(dsgn(node:i) "
           "modificator:+)) empty) assignstmt(dsgn(node:x) modificator:+ expr(number:1)) "
           "callstmt(dsgn(node:y) "
           "modificator:-))"},
          {"{ a[1][2] = 3 % 2 << 1; }",
           "compoundstmt(assignstmt(dsgn(node:a node:[ expr(number:1) expr(number:2)) expr(number:3 op:mod "
           "number:2 op:shl number:1)))"},
          {"{ delete o; p = new T; }",
           "compoundstmt(delete(dsgn(node:o)) assignstmt(dsgn(node:p) expr(new(dsgn(node:T)))))"},
          {"{ do x++; while (x < 3); switch (x) { case 1: break; default: ; } }",
           "compoundstmt(repeatstmt(callstmt(dsgn(node:x) modificator:+) expr(dsgn(node:x) op:< number:3) "
           "inverse:) casestmt(expr(dsgn(node:x)) caseselector(set(expr(number:1)) break) empty))"},
          {"{ try { a(); } finally { b(); } }",
           "compoundstmt(trystmt(compoundstmt(callstmt(dsgn(node:a))) "
           "finallystmt(compoundstmt(callstmt(dsgn(node:b))))))"},
      });
}

TEST(TranslatorTest, Basic) {
  ExpectTranslations(
      u"Basic",
      {
          {"x = 1", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},
          // A comment after code keeps its line end; "rem" starts one too.
          {"x = 1 ' note\ny = 2 rem more",
           "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)) assignstmt(dsgn(node:y) expr(number:2)))"},
          {"x = 1 + _\n  2", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1 op:+ number:2)))"},
          {"dim a, b[2] as integer = 3",
           "compoundstmt(var(ident:a) var(ident:b array(dim(expr(number:2))) type:integer "
           "init(expr(number:3))))"},
          {"if a = 1 then b = 2",
           "compoundstmt(ifstmt(expr(dsgn(node:a) op:= number:1) thenstmt(assignstmt(dsgn(node:b) "
           "expr(number:2)))))"},
          {"if a then\nb\nelseif c then\nd\nelse\ne\nend if",
           "compoundstmt(ifstmt(expr(dsgn(node:a)) thenstmt(compoundstmt(callstmt(dsgn(node:b)))) "
           "elsestmt(ifstmt(expr(dsgn(node:c)) thenstmt(compoundstmt(callstmt(dsgn(node:d)))) "
           "elsestmt(compoundstmt(callstmt(dsgn(node:e))))))))"},
          {"for i = 1 to 10 step 2\nx = i\nnext",
           "compoundstmt(vbforstmt(ident:i expr(number:1) expr(number:10) expr(number:2) "
           "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:i))))))"},
          {"do\nx = x + 1\nloop while x < 3",
           "compoundstmt(repeatstmt(compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:x) op:+ number:1))) "
           "expr(dsgn(node:x) op:< number:3) inverse:))"},
          {"sub foo(byref a, b as string)\nx = a\nend sub",
           "compoundstmt(procedure(name:foo parameters(varparams var(ident:a) var(ident:b type:string)) "
           "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:a)))) exit))"},
          {"function f(a) as integer\nreturn a & \"x\"\nend function",
           "compoundstmt(function(name:f parameters(var(ident:a)) type:integer "
           "compoundstmt(return(expr(dsgn(node:a) "
           "op:strcat string:'x'))) exit))"},
          {"select case x\ncase 1, 2:\ny = 1\ncase else:\ny = 0\nend select",
           "compoundstmt(casestmt(expr(dsgn(node:x)) caseselector(set(expr(number:1) expr(number:2)) "
           "compoundstmt(assignstmt(dsgn(node:y) expr(number:1)))) compoundstmt(assignstmt(dsgn(node:y) "
           "expr(number:0)))))"},
          {"while x > 0\nx = x - 1\nwend",
           "compoundstmt(whilestmt(expr(dsgn(node:x) op:> number:0) compoundstmt(assignstmt(dsgn(node:x) "
           "expr(dsgn(node:x) op:- number:1)))))"},
          {"try\na\ncatch\nb\nend try",
           "compoundstmt(trystmt(compoundstmt(callstmt(dsgn(node:a))) "
           "exceptstmt(compoundstmt(callstmt(dsgn(node:b))))))"},
          {"set o = new TObj\nx = a mod 2 \\ 3",
           "compoundstmt(assignstmt(assignstmt(dsgn(node:o) expr(new(dsgn(node:TObj))))) "
           "assignstmt(dsgn(node:x) "
           "expr(dsgn(node:a) op:mod number:2 op:div number:3)))"},
          {"a : b\r\n\r\nc",
           "compoundstmt(callstmt(dsgn(node:a)) callstmt(dsgn(node:b)) callstmt(dsgn(node:c)))"},
      });
}

TEST(TranslatorTest, Positions) {
  const struct {
    std::u16string_view language;
    const char* source;
    const char* il;
  } rows[] = {
      {u"js", "x = 1;", "compoundstmt@1:1(assignstmt@1:1(dsgn@1:1(node:x@1:2) expr@1:5-1:6(number:1@1:6)))"},
      // A node starts at its first token, after blanks and comments.
      {u"js", "// c\n  y = a;",
       "compoundstmt@2:3(assignstmt@2:3(dsgn@2:3(node:y@2:4) expr@2:7-2:8(dsgn@2:7(node:a@2:8))))"},
      // Embedded text: every element at the closing bracket, no pos1.
      {u"js", "x = <ab>;",
       "compoundstmt@1:1(assignstmt@1:1(dsgn@1:1(node:x@1:2) expr@1:5-1:9(dsgn@1:8(node:Get@1:8 "
       "expr@1:8(string:'ab'@1:8)))))"},
      // LF, CR LF and CR files give the same positions.
      {u"Basic", "a\rb\r\nc\n",
       "compoundstmt@1:1(callstmt@1:1(dsgn@1:1(node:a@1:2)) callstmt@2:1(dsgn@2:1(node:b@2:2)) "
       "callstmt@3:1(dsgn@3:1(node:c@3:2)))"},
      {u"Pascal", "begin\n  f(1)\nend.",
       "compoundstmt@1:1(callstmt@2:3(dsgn@2:3(node:f@2:4 expr@2:5-2:6(number:1@2:6))))"},
  };
  for (const auto& row : rows) {
    test::Translation t = Translate(row.language, row.source, Positions::kShow);
    EXPECT_TRUE(t.ok) << row.source << ": " << t.msg;
    EXPECT_EQ(t.il, row.il) << row.source;
  }
}

// Alternatives are passed over by a look at the next word or character;
// a word that only begins like a keyword, or a keyword in another case,
// must still reach the right alternative.
TEST(TranslatorTest, LookAheadKeepsWordsAndCase) {
  ExpectTranslations(u"js",
                     {
                         {"done = 1; iff = 2; var2 = 3;",
                          "compoundstmt(assignstmt(dsgn(node:done) expr(number:1)) assignstmt(dsgn(node:iff) "
                          "expr(number:2)) assignstmt(dsgn(node:var2) expr(number:3)))"},
                         {"x = a<b; y = a<=b;",
                          "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:a) op:< dsgn(node:b))) "
                          "assignstmt(dsgn(node:y) expr(dsgn(node:a) op:<= dsgn(node:b))))"},
                     });
  ExpectTranslations(u"Pascal", {
                                    {"BEGIN IF x = 1 THEN Begin_ := 2 END.",
                                     "compoundstmt(ifstmt(expr(dsgn(node:x) op:= number:1) "
                                     "thenstmt(assignstmt(dsgn(node:Begin_) expr(number:2)))))"},
                                });
}

TEST(TranslatorTest, SyntaxErrors) {
  const struct {
    std::u16string_view language;
    const char* source;
    const char* msg;
    const char* pos;
  } rows[] = {
      {u"Pascal", "begin end", "'.' expected", "2:1"},
      // The dangling "+" ends the expression and the statement list.
      {u"Pascal", "begin x := 1 +; end.", "';' expected", "1:14"},
      {u"Pascal", "begin x = 1 end.", "';' expected", "1:9"},
      {u"Pascal", "begin if then x end.", "Expression expected", "1:10"},
      {u"Pascal", "begin while x y end.", "'DO' expected", "1:15"},
      {u"Pascal", "var x integer; begin end.", "':' expected", "1:7"},
      {u"Pascal", "x", "'BEGIN' expected", "1:1"},
      {u"js", "x = ;", "Expression expected", "1:5"},
      {u"js", "if x) y();", "'(' expected", "1:4"},
      {u"js", "function (a) {}", "Expression expected", "1:10"},
      {u"js", "{ x = 1;", "'}' expected", "2:1"},
      {u"js", "x = \"open", "Expression expected", "1:5"},
      {u"C", "{ x = 1 }", "';' expected", "1:9"},
      {u"C", "int x = 1", "';' expected", "2:1"},
      {u"C", "#define 5", "Identifier expected", "1:9"},
      {u"Basic", "x = 1 y", "End of line expected", "1:7"},
      {u"Basic", "if a then\nb", "'END' expected", "3:1"},
      {u"Basic", "for i = 1 10\nnext", "'TO' expected", "1:11"},
      {u"Basic", "sub foo\nend function", "'SUB' expected", "2:5"},
      // A program that fails without a recorded error has an empty message.
      {u"Basic", "123", "", ""},
  };
  for (const auto& row : rows) {
    test::Translation t = Translate(row.language, row.source);
    EXPECT_FALSE(t.ok) << row.source;
    EXPECT_EQ(t.msg, row.msg) << row.source;
    EXPECT_EQ(t.pos, row.pos) << row.source;
  }
}

TEST(TranslatorTest, LanguageDirective) {
  const struct {
    const char* source;
    bool ok;
    const char* il;
  } rows[] = {
      {"#language js\nx = 1;", true,
       "compoundstmt@2:1(assignstmt@2:1(dsgn@2:1(node:x@2:2) expr@2:5-2:6(number:1@2:6)))"},
      {"#LANGUAGE  Basic \nx", true, "compoundstmt@2:1(callstmt@2:1(dsgn@2:1(node:x@2:2)))"},
      {"#language js", true, "compoundstmt@2:1"},
      // Not at the very first character: Pascal reads it and fails.
      {" #language js\nx = 1;", false, ""},
  };
  for (const auto& row : rows) {
    test::Translation t = Translate(u"pascal", row.source, Positions::kShow);
    EXPECT_EQ(t.ok, row.ok) << row.source << ": " << t.msg;
    EXPECT_EQ(t.il, row.il) << row.source;
  }
  try {
    Translate(u"pascal", "#language nosuch\nx");
    ADD_FAILURE() << "no error for an unknown language";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.message(), u"Language 'nosuch' not found");
  }
}

// No input may exhaust the stack: deep nesting stops at the rule depth
// limit with an error at the place it was reached.
TEST(TranslatorTest, DeepNestingIsAnError) {
  const struct {
    std::u16string_view language;
    std::string prefix;
    std::string repeated;
  } rows[] = {
      {u"js", "x = ", "("},          {u"js", "", "{"}, {u"C", "{ x = ", "-("}, {u"Pascal", "", "begin "},
      {u"Basic", "", "if a then\n"},
  };
  for (const auto& row : rows) {
    std::string source = row.prefix;
    for (int i = 0; i < 100000; ++i) source += row.repeated;
    test::Translation t = Translate(row.language, source);
    EXPECT_FALSE(t.ok);
    EXPECT_EQ(t.msg, ToUtf8(TfsILParser::kNestingTooDeep)) << row.repeated;
    EXPECT_FALSE(t.pos.empty());
  }
  // Nesting that real scripts use is far below the limit.
  std::string source = "x = ";
  for (int i = 0; i < 100; ++i) source += "(";
  source += "1";
  for (int i = 0; i < 100; ++i) source += ")";
  EXPECT_TRUE(Translate(u"js", source + ";").ok);
}

// Garbage of every kind ends in a result or an error, never in a crash.
TEST(TranslatorTest, BadInput) {
  static const char kBinary[] = "\0\x01\xff\xfe garbage \x80";
  const std::string inputs[] = {
      "x = \"never closed\n",
      "/* unterminated comment",
      "{ unterminated",
      "x = <abc",
      std::string(kBinary, sizeof kBinary - 1),
      "\xc3\x28 = \xed\xa0\x80;",
      "#",
      "#language",
      "@#$%^&*()_+|~`",
      "'''''''",
      "begin x := 'a",
      "(*",
      "x = 1 _",
      "_\n_\n_",
  };
  for (std::u16string_view language : {u"Pascal", u"Basic", u"js", u"C"}) {
    for (const std::string& input : inputs) {
      try {
        Translate(language, input);
      } catch (const ScriptError& e) {
        // Only the directive may raise: "#language" names no grammar.
        EXPECT_EQ(input.substr(0, 9), "#language") << e.what();
      }
    }
  }
}

// Every expr produced by a rule carries pos1, and no other element does.
TEST(TranslatorTest, OnlyRuleExpressionsHavePos1) {
  TfsScript prog;
  TfsILParser t(prog);
  t.SelectLanguage(u"js");
  ASSERT_TRUE(t.MakeILScript(
      u"var a = [1, 2];\r\nfunction f(x) { return x * (x + <t>); }\r\nif (f(a[0]) > 2) lg(\"ok\");\r\n"));
  int rulesExprs = 0;
  std::vector<const TfsXMLItem*> todo{t.ILScript().Root()};
  while (!todo.empty()) {
    const TfsXMLItem* item = todo.back();
    todo.pop_back();
    bool isTemplateExpr = item->NameIs(u"expr") && item->Count() == 1 && item->Items(0)->NameIs(u"string") &&
                          item->Parent()->NameIs(u"dsgn") &&
                          item->Parent()->Items(0)->Prop(u"text") == u"Get";
    if (item->NameIs(u"expr") && !isTemplateExpr) {
      EXPECT_TRUE(item->PropExists(u"pos1"));
      ++rulesExprs;
    } else {
      EXPECT_FALSE(item->PropExists(u"pos1")) << ToUtf8(item->Name());
    }
    for (const auto& c : item->Children()) todo.push_back(c.get());
  }
  EXPECT_GT(rulesExprs, 8);
}

}  // namespace
}  // namespace qv
