#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "host/info_class.h"
#include "host/regexp_class.h"
#include "library/functions.h"
#include "support/text.h"

namespace qv::host {
namespace {

// A script program below the GlobalProgram with the two classes and an
// `lg` that collects what the script logs.
class HostScript {
 public:
  explicit HostScript(const std::u16string& syntax) {
    RegisterSysLibraryModule();
    RegisterClassesModule();
    RegisterFunctionsModule();
    prog_ = std::make_unique<TfsScript>();
    prog_->SetParent(&GlobalProgram());
    prog_->SetSyntaxType(syntax);
    prog_->AddMethod(u"procedure lg(const msg:variant='';ouput:boolean=false);",
                     [this](HostObject*, const HostClass*, const std::u16string&, Caller& c) {
                       lines_.push_back(ToText(c.GetParam(0)));
                       return Value::Int(0);
                     });
    RegisterInfoClass(*prog_);
    RegisterRegExpClass(*prog_);
  }

  // The logged lines joined by "|", then "!" and the run-time error or
  // "compile:" and the compile error when there is one.
  std::string Run(const std::u16string& source) {
    prog_->Lines() = SplitLines(source);
    if (!prog_->Compile())
      return "compile: " + ToUtf8(prog_->ErrorMsg()) + " at " + ToUtf8(prog_->ErrorPos());
    std::u16string error;
    try {
      prog_->Execute();
    } catch (const ScriptError& e) {
      error = e.message();
    }
    std::u16string out;
    for (size_t i = 0; i < lines_.size(); ++i) out += (i ? u"|" : u"") + lines_[i];
    if (!error.empty()) out += u"!" + error;
    return ToUtf8(out);
  }

  TfsScript& Prog() { return *prog_; }
  void Destroy() { prog_.reset(); }

 private:
  std::unique_ptr<TfsScript> prog_;
  std::vector<std::u16string> lines_;
};

struct Case {
  const char* name;
  const char16_t* syntax;
  const char16_t* source;
  const char* expected;
};

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    HostScript s(c.syntax);
    EXPECT_EQ(s.Run(c.source), c.expected) << c.name;
  }
}

// ---- TInfo ------------------------------------------------------------------

TEST(InfoClass, ItemsAndKeys) {
  RunCases({
      {"absent key is empty, case matters", u"js",
       u"var i = TInfo.Create; i[\"a\"] = \"1\"; i[\"A\"] = \"2\";"
       u"lg(i[\"a\"]); lg(i[\"A\"]); lg(i[\"zz\"] == \"\"); lg(i.Count);",
       "1|2|True|2"},
      {"keys and values as text", u"js",
       u"var i = TInfo.Create; i[5] = 7; lg(i[\"5\"] + \"1\"); lg(i.Items[5]);", "71|7"},
      {"storing again replaces", u"pascal",
       u"var i: TInfo; begin i := TInfo.Create; i['k'] := 'x'; i['k'] := 'y'; lg(i['k']); lg(i.Count); end.",
       "y|1"},
      {"empty key is not stored", u"js", u"var i = TInfo.Create; i[\"\"] = \"x\"; lg(i.Count); lg(i[\"\"]);",
       "0|"},
      {"count after clear", u"pascal",
       u"var i: TInfo; begin i := TInfo.Create; i['a'] := '1'; i['b'] := '2'; i.Clear; lg(i.Count);"
       u"lg(i['a']); i['c'] := '3'; lg(i.Count); end.",
       "0||1"},
      {"rename", u"js",
       u"var i = TInfo.Create; i[\"a\"] = \"1\"; i[\"b\"] = \"2\"; i.ReName(\"a\", \"n\");"
       u"lg(i[\"a\"]); lg(i[\"n\"]); lg(i.Count); i.ReName(\"n\", \"b\"); lg(i[\"b\"]); lg(i.Count);"
       u"i.ReName(\"zz\", \"q\"); i.ReName(\"b\", \"\"); lg(i[\"b\"]); lg(i.Count);",
       "|1|2|1|1|1|1"},
      {"delete and unset", u"pascal",
       u"var i: TInfo; begin i := TInfo.Create; i['a'] := '1'; i['b'] := '2'; i['c'] := '3';"
       u"i.Delete('a'); i.Unset('c'); i.Delete('zz'); lg(i.Count); lg(i['b'] + i['a'] + i['c']); end.",
       "1|2"},
  });
}

// Single lower-case letters hash to the buckets of their codes, so the
// cursor meets them in alphabetical order whatever the insertion order.
TEST(InfoClass, CursorWalksBothWays) {
  RunCases({
      {"forward and back", u"js",
       u"var i = TInfo.Create; i[\"c\"] = \"3\"; i[\"a\"] = \"1\"; i[\"b\"] = \"2\";"
       u"var f = \"\"; i.ReStart(); while (i.Next()) f = f + i.Key + i.Value; lg(f);"
       u"var b = \"\"; while (i.Prev()) b = b + i.CurrentKey; lg(b);",
       "a1b2c3|cba"},
      {"properties next and prev", u"pascal",
       u"var i: TInfo; f: string; begin i := TInfo.Create; i['b'] := '2'; i['a'] := '1'; i.ReStart;"
       u"while i.next do f := f + i.Key; lg(f); f := ''; while i.prev do f := f + i.Key; lg(f); end.",
       "ab|ba"},
      {"a fresh table needs ReStart", u"js",
       u"var i = TInfo.Create; i[\"a\"] = \"1\"; lg(i.Next()); i.ReStart(); lg(i.Next()); lg(i.Value);",
       "False|True|1"},
      {"prev right after restart", u"pascal",
       u"var i: TInfo; begin i := TInfo.Create; i['a'] := '1'; i.ReStart; lg(i.Prev); lg(i.Key = ''); end.",
       "False|True"},
      {"a new key ends the walk", u"js",
       u"var i = TInfo.Create; i[\"a\"] = \"1\"; i[\"b\"] = \"2\"; i.ReStart(); i.Next(); i[\"c\"] = \"3\";"
       u"lg(i.Next()); i[\"a\"] = \"9\"; i.ReStart(); i.Next(); i[\"a\"] = \"8\"; lg(i.Next());",
       "False|True"},
      {"back after a change is a catchable error", u"pascal",
       u"var i: TInfo; begin i := TInfo.Create; i['a'] := '1'; i.ReStart; i.Delete('a');"
       u"try i.Prev; except lg(ExceptionMessage); end; end.",
       "Cannot get Next as the hash has been modified since Restart was called"},
  });
}

// ---- TRegExp ----------------------------------------------------------------

TEST(RegExpClass, MatchesFromTheStart) {
  RunCases({
      {"Matchs", u"js",
       u"var r = TRegExp.Create; r.Pattern = \"\\d+\"; r.Match(\"a1b22c333\", \"\");"
       u"lg(r.Matchs[1]); lg(r.Matchs[5] == \"\"); lg(r.Matchs[-1] == \"\"); lg(r.Matchs[0]);",
       "22|True|True|1"},
      {"Matchs and MatchCount keep the current match", u"pascal",
       u"var r: TRegExp; begin r := TRegExp.Create; r.Match('a1b22c333', '\\d+'); lg(r.MatchNext);"
       u"lg(r.MatchString); lg(r.MatchCount); lg(r.Matchs[2]); lg(r.MatchString); lg(r.MatchNext);"
       u"lg(r.MatchString); lg(r.MatchNext); lg(r.FoundMatch); end.",
       "True|22|3|333|22|True|333|False|False"},
      {"a new pattern drops the match, not the position", u"js",
       u"var r = TRegExp.Create; r.Match(\"x7y8\", \"y\"); r.Pattern = \"\\d\"; lg(r.MatchCount);"
       u"lg(r.FoundMatch); lg(r.MatchNext); lg(r.MatchString);",
       "2|False|True|8"},
      {"MatchNext on a fresh subject starts at the beginning", u"js",
       u"var r = TRegExp.Create; r.Match(\"x7y8\", \"q\"); r.Pattern = \"\\d\"; lg(r.MatchNext); "
       u"lg(r.MatchString);",
       "True|7"},
      {"no options: case matters", u"js",
       u"var r = TRegExp.Create(\"unused\"); lg(r.Match(\"ABC\", \"b\")); lg(r.test(\"ABC\", \"(?i)b\"));"
       u"lg(r.MatchString); lg(r.Pattern);",
       "False|True|B|(?i)b"},
      {"text outside ASCII", u"pascal",
       u"var r: TRegExp; begin r := TRegExp.Create; r.Match('价格：123元，456元', '(\\d+)元');"
       u"lg(r.MatchString); lg(r.Matchs[1]); lg(r.MatchCount); end.",
       "123元|456元|2"},
  });
}

// The constructor's one optional argument is not used.
TEST(RegExpClass, Constructor) {
  RunCases({
      {"no argument or one", u"js",
       u"var a = TRegExp.Create; var b = TRegExp.Create(\"x\"); lg(a.Pattern == b.Pattern); lg(b.ClassName);",
       "True|TRegExp"},
      {"two are too many", u"js", u"var b = TRegExp.Create(\"x\", \"y\");",
       "compile: Too many actual parameters at 1:23"},
  });
}

TEST(RegExpClass, Groups) {
  RunCases({
      {"by name and by number", u"js",
       u"var r = TRegExp.Create; r.Match(\"id x=42;\", \"(?<k>\\w)=(?<v>\\d+)\");"
       u"lg(r.SubMatchs[\"v\"]); lg(r.SubMatchs[1]); lg(r.SubMatchs[\"nope\"] == \"\"); lg(r.SubMatchs[0]);"
       u"lg(r.SubMatchCount); lg(r.GroupCount); lg(r.SubMatchs[7] == \"\");",
       "42|x|True|x=42|2|2|True"},
      {"indexing the object reads SubMatchs", u"pascal",
       u"var r: TRegExp; begin r := TRegExp.Create; r.Match('ab', '(a)(b)'); lg(r[2]); lg(r['zz'] = ''); "
       u"end.",
       "b|True"},
      {"a name in a variable stays a name", u"js",
       u"var r = TRegExp.Create; r.Match(\"k=5\", \"=(?<v>\\d)\"); var n = \"v\"; lg(r.SubMatchs[n]); lg(n);",
       "5|v"},
      {"unknown name without a match", u"js",
       u"var r = TRegExp.Create; r.Pattern = \"(?<v>\\d)\"; lg(r.SubMatchs[\"nope\"] == \"\");", "True"},
  });
}

// Each read needs a current match; the script catches the object's error.
TEST(RegExpClass, ReadsWithoutAMatchFail) {
  const char16_t* reads[] = {u"r.MatchString", u"r.SubMatchCount", u"r.GroupCount", u"r.SubMatchs[0]",
                             u"r[1]",          u"r.SubMatchs['v']"};
  for (const char16_t* read : reads) {
    HostScript s(u"pascal");
    EXPECT_EQ(s.Run(u"var r: TRegExp; begin r := TRegExp.Create; r.Match('abc', '(?<v>\\d)');"
                    u"try lg(" +
                    std::u16string(read) + u"); except lg(ExceptionMessage); end; end."),
              "REQUIRE: There must be a successful match first")
        << ToUtf8(read);
  }
  HostScript js(u"js");
  EXPECT_EQ(js.Run(u"var r = TRegExp.Create; lg(r.FoundMatch); lg(r.MatchString);"),
            "False!REQUIRE: There must be a successful match first");
}

TEST(RegExpClass, ReplaceSplitAndErrors) {
  RunCases({
      {"replace", u"js",
       u"var r = TRegExp.Create; r.Pattern = \"(\\d+)\"; lg(r.Replace(\"a1b22\", \"<$1>\"));"
       u"lg(r.Replace(\"none\", \"<$1>\")); lg(r.FoundMatch);",
       "a<1>b<22>|none|False"},
      {"split with a plain pattern is case-insensitive and dot-all", u"pascal",
       u"var r: TRegExp; a: variant; begin r := TRegExp.Create; a := r.Split('aXbxc', '  x  ');"
       u"lg(a[0] + '|' + a[1] + '|' + a[2]); lg(r.Pattern); a := r.Split('a'#10'b', 'a.b');"
       u"lg(Length(a)); end.",
       "a|b|c|x|2"},
      {"split with the notation", u"js",
       u"var r = TRegExp.Create; var a = r.Split(\"aXbxc\", \"/x/\"); lg(a[0]); lg(Length(a));"
       u"a = r.Split(\"1,2\", \"/,/i\"); lg(a[1]);",
       "aXbxc|1|2"},
      {"split without a pattern gives the source", u"js",
       u"var r = TRegExp.Create; var a = r.Split(\"a,b\"); lg(Length(a)); lg(a[0]);", "1|a,b"},
      {"compile errors are catchable", u"pascal",
       u"var r: TRegExp; begin r := TRegExp.Create; r.Pattern := '(a';"
       u"try r.Match('a', ''); except lg(Copy(ExceptionMessage, 1, 42)); end; end.",
       "TQvRegEx.Compile() - Error in regex at off"},
  });
}

TEST(HostClasses, OtherSyntaxes) {
  RunCases({
      {"C: new, index, delete", u"C",
       u"TInfo i; TRegExp r; { i = new TInfo; i[\"k\"] = \"v\"; lg(i[\"k\"]); r = new TRegExp;"
       u"if (r.Match(\"a1\", \"\\d\")) lg(r.MatchString); delete i; delete r; lg(i.Count); }",
       "v|1!Invalid object reference"},
      {"Basic", u"Basic",
       u"Dim i As TInfo\ni = New TInfo\ni[\"k\"] = \"v\"\nlg(i[\"k\"] & IntToStr(i.Count))\nDim r As "
       u"TRegExp\n"
       u"r = New TRegExp\nr.Pattern = \"\\d\"\nlg(r.Replace(\"a1b2\", \"-\"))\nDelete r\n"
       u"lg(r.Replace(\"a1b2\", \"-\"))",
       "v1|a-b-!Invalid object reference"},
  });
}

// ---- object lifetime --------------------------------------------------------

TEST(HostClassObjects, UseAfterFree) {
  RunCases({
      {"TRegExp", u"pascal", u"var r: TRegExp; begin r := TRegExp.Create; r.Free; lg(r.Pattern); end.",
       "!Invalid object reference"},
      {"TInfo", u"pascal", u"var i: TInfo; begin i := TInfo.Create; i.Free; i['a'] := 'b'; end.",
       "!Invalid object reference"},
      {"bound designator", u"js",
       u"var r = TInfo.Create; for (var k = 0; k < 2; k++) { lg(r.Count); if (k == 0) r.Free(); }",
       "0!Invalid object reference"},
      {"catchable", u"pascal",
       u"var r, q: TRegExp; begin r := TRegExp.Create; q := r; r.Free;"
       u"try q.Match('a', 'a'); except lg(ExceptionMessage); end; lg('on'); end.",
       "Invalid object reference|on"},
      {"object of another class", u"pascal",
       u"var i: TInfo; v: variant; begin v := TRegExp.Create; i := v; lg(i.Count); end.",
       "!Invalid object reference"},
      {"freeing nil does nothing", u"pascal", u"var i: TInfo; begin i := nil; i.Free; lg('on'); end.", "on"},
      {"member on nil", u"pascal", u"var i: TInfo; begin i := nil; lg(i.Count); end.",
       "!Invalid object reference"},
  });
}

TEST(HostClassObjects, FreedWithTheProgram) {
  const size_t before = ObjectRegistry::Instance().LiveCount();
  HostScript s(u"js");
  EXPECT_EQ(s.Run(u"var a = TInfo.Create; var b = TRegExp.Create; var c = TRegExp.Create; c.Free();"
                  u"for (var k = 0; k < 3; k++) { var x = TInfo.Create; x[\"k\"] = k; }"),
            "");
  EXPECT_EQ(ObjectRegistry::Instance().LiveCount(), before + 5);
  s.Destroy();
  EXPECT_EQ(ObjectRegistry::Instance().LiveCount(), before);
}

// The thread's own objects (_RegExp) are not the script's to free.
TEST(HostClassObjects, ThreadObjectsSurviveFree) {
  HostScript s(u"pascal");
  std::unique_ptr<RegExpObject> shared = NewRegExp(u"b", u"", true);
  s.Prog().AddObject(u"_RegExp", *shared);
  EXPECT_EQ(s.Run(u"begin _RegExp.Free; lg(_RegExp.Match('ABC', '')); end."), "True");
  EXPECT_EQ(ObjectRegistry::Instance().Find(shared->ObjectId()), shared.get());
}

TEST(NewRegExp, Options) {
  auto plain = NewRegExp(u"^b", u"a\nB", false);
  EXPECT_FALSE(plain->Regex().Match());
  auto usual = NewRegExp(u"^b", u"a\nB", true);
  EXPECT_TRUE(usual->Regex().Match());
  EXPECT_EQ(ToUtf8(usual->Regex().MatchedTextU16()), "B");
  auto empty = NewRegExp(u"", u"", true);
  EXPECT_EQ(empty->Regex().RegEx(), "");
  EXPECT_EQ(empty->Regex().Subject(), "");
}

TEST(Registration, TwiceAddsNothing) {
  HostScript s(u"js");
  RegisterInfoClass(s.Prog());
  RegisterRegExpClass(s.Prog());
  TfsClassVariable* info = s.Prog().FindClass(u"TInfo");
  ASSERT_NE(info, nullptr);
  const int members = info->MembersCount();
  RegisterInfoClass(s.Prog());
  EXPECT_EQ(info->MembersCount(), members);
  EXPECT_EQ(s.Run(u"var i = TInfo.Create; lg(i.ClassName);"), "TInfo");
}

}  // namespace
}  // namespace qv::host
