#include "engine/items/declaration.h"

#include <gtest/gtest.h>

#include "engine/program/program.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/engine/runtime_test_util.h"

namespace qv {
namespace {

// One parameter as "name:type:flags[=default]", flags r (by reference) and
// o (optional); the default is the value's text.
std::string Describe(const TfsParamItem& p) {
  std::string s = ToUtf8(p.Name()) + ":" + ToUtf8(p.TypeName()) + ":";
  if (p.IsVarParam()) s += "r";
  if (p.IsOptional()) s += "o";
  if (!p.DefValue().is_null()) s += "=" + ToUtf8(ToText(p.DefValue()));
  return s;
}

struct DeclRow {
  const char16_t* syntax;
  const char* name;
  bool isFunc;
  bool isMacro;
  const char* typeName;
  TfsVarType typ;
  std::vector<std::string> params;
};

TEST(DeclarationTest, ParsesLibraryDeclarations) {
  TfsScript prog;
  testing::AddBasicTypes(prog);
  const DeclRow rows[] = {
      {u"function split(Source:string;SplitStr:string='||'):ArrayString",
       "split",
       true,
       false,
       "ArrayString",
       fvtArray,
       {"Source:string:", "SplitStr:string:o=||"}},
      {u"procedure Inc(var i: Integer; incr: Integer = 1)",
       "Inc",
       false,
       false,
       "",
       fvtClass,
       {"i:Integer:r", "incr:Integer:o=1"}},
      {u"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)",
       "DecodeDate",
       false,
       false,
       "",
       fvtClass,
       {"Date:TDateTime:", "Year:Word:r", "Month:Word:r", "Day:Word:r"}},
      {u"function urlencode(Url:string;Utf8:boolean=false):string",
       "urlencode",
       true,
       false,
       "string",
       fvtString,
       {"Url:string:", "Utf8:boolean:o=False"}},
      {u"function Date: TDateTime", "Date", true, false, "TDateTime", fvtFloat, {}},
      {u"macrofunction trace(e: Variant): Variant",
       "trace",
       true,
       true,
       "Variant",
       fvtVariant,
       {"e:Variant:"}},
      // The result type follows the last ':' of the whole string.
      {u"function eval(source:string);", "eval", true, false, "string", fvtString, {"source:string:"}},
      {u"funtion ansistring(s:string):string", "ansistring", false, false, "", fvtClass, {"s:string:"}},
      {u"function rand(loworhigh:integer;high:integer=-1):integer",
       "rand",
       true,
       false,
       "integer",
       fvtInt,
       {"loworhigh:integer:", "high:integer:o=-1"}},
      {u"function inarray(avar:variant;arr:array of const):integer;",
       "inarray",
       true,
       false,
       "integer",
       fvtInt,
       {"avar:variant:", "arr:array:"}},
      // Only the last name of a group takes the default.
      {u"procedure f(const a, b: Integer = 5)",
       "f",
       false,
       false,
       "",
       fvtClass,
       {"a:Integer:", "b:Integer:o=5"}},
      // A Null default is a default, but not an optional parameter.
      {u"function g(x: Variant = Null): Variant", "g", true, false, "Variant", fvtVariant, {"x:Variant:"}},
      {u"function h(x: Integer = Unknown): Integer", "h", true, false, "Integer", fvtInt, {"x:Integer:"}},
      {u"function  _path(w:variant=''):String", "_path", true, false, "String", fvtString, {"w:variant:o="}},
      {u"procedure _close;", "_close", false, false, "", fvtClass, {}},
      {u"function Items(): String", "Items", true, false, "String", fvtString, {}},
      {u"function Create(AOwner: TComponent): Constructor",
       "Create",
       true,
       false,
       "Constructor",
       fvtConstructor,
       {"AOwner:TComponent:"}},
      {u"function big(x: Integer = 3000000000; y: Extended = 1.5): Integer",
       "big",
       true,
       false,
       "Integer",
       fvtInt,
       {"x:Integer:o=3000000000", "y:Extended:o=1.5"}},
  };
  for (const DeclRow& row : rows) {
    SCOPED_TRACE(ToUtf8(row.syntax));
    TfsDeclaration d = ParseDeclarationSyntax(row.syntax, prog);
    EXPECT_EQ(ToUtf8(d.name), row.name);
    EXPECT_EQ(d.isFunc, row.isFunc);
    EXPECT_EQ(d.isMacro, row.isMacro);
    EXPECT_EQ(ToUtf8(d.typeName), row.typeName);
    EXPECT_EQ(d.typ, row.typ);
    std::vector<std::string> got;
    for (const auto& p : d.params) got.push_back(Describe(*p));
    EXPECT_EQ(got, row.params);
  }
}

TEST(DeclarationTest, ParameterKindsComeFromTheProgram) {
  TfsScript prog;
  testing::AddBasicTypes(prog);
  TfsDeclaration d = ParseDeclarationSyntax(u"procedure p(a: Integer; b: Unknown; var c: Boolean)", prog);
  ASSERT_EQ(d.params.size(), 3u);
  EXPECT_EQ(d.params[0]->Typ(), fvtInt);
  EXPECT_EQ(d.params[1]->Typ(), fvtClass);
  EXPECT_EQ(d.params[2]->Typ(), fvtBool);
}

TEST(DeclarationTest, RejectsDeclarationsWithoutName) {
  TfsScript prog;
  for (const char16_t* bad : {u"", u"function", u"function (a: Integer)", u"procedure p(: Integer)"}) {
    SCOPED_TRACE(ToUtf8(bad));
    EXPECT_THROW(ParseDeclarationSyntax(bad, prog), ScriptError);
  }
}

TEST(DeclarationTest, DefaultLiterals) {
  struct Row {
    const char16_t* text;
    ValueKind kind;
    const char16_t* asText;
  };
  const Row rows[] = {
      {u"'abc'", ValueKind::Text, u"abc"},
      {u"''", ValueKind::Text, u""},
      {u"'it''s'", ValueKind::Text, u"it''s"},
      {u"12", ValueKind::Int32, u"12"},
      {u"-5", ValueKind::Int32, u"-5"},
      {u"2147483647", ValueKind::Int32, u"2147483647"},
      {u"2147483648", ValueKind::Int64, u"2147483648"},
      {u"$FF", ValueKind::Int32, u"255"},
      {u"1.5", ValueKind::Double, u"1.5"},
      {u"2E3", ValueKind::Double, u"2000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(ToUtf8(row.text));
    Value v = ParseDefaultLiteral(row.text);
    EXPECT_EQ(v.kind(), row.kind);
    EXPECT_EQ(ToText(v), row.asText);
  }
  EXPECT_THROW(ParseDefaultLiteral(u"1.2.3"), ConvertError);
}

}  // namespace
}  // namespace qv
