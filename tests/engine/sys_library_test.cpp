#include "engine/syslib/sys_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/items/caller.h"
#include "engine/items/items.h"
#include "engine/program/program.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

std::string U8(const std::u16string& s) { return ToUtf8(s); }

class SysLibraryTest : public ::testing::Test {
 protected:
  SysLibraryTest() : module_(prog_) {}

  // Calls `name` with `args` and returns the result; `out` receives every
  // argument after the call (by-reference results included).
  Value Call(std::u16string_view name, std::vector<Value> args, std::vector<Value>* out = nullptr) {
    TfsCustomVariable* item = prog_.Find(name);
    EXPECT_NE(item, nullptr) << U8(std::u16string(name));
    if (item == nullptr) return Value();
    CallFrame frame(*item, &prog_);
    for (int i = 0; i < frame.Count(); ++i) {
      if (i < static_cast<int>(args.size())) {
        frame.Arg(i) = args[i];
      } else {
        frame.Arg(i) = item->Param(i)->DefValue();
      }
    }
    Value result = item->Read(frame);
    if (out)
      for (int i = 0; i < frame.Count(); ++i) out->push_back(frame.GetParam(i));
    return result;
  }

  TfsScript prog_;
  TfsSysFunctions module_;
};

TEST_F(SysLibraryTest, RegistersTypesConstantsHelpersAndVariables) {
  struct Row {
    const char16_t* type;
    TfsVarType kind;
  };
  const Row types[] = {{u"TColor", fvtInt},  {u"boolean", fvtBool},           {u"TDateTime", fvtFloat},
                       {u"Char", fvtChar},   {u"String", fvtString},          {u"Pointer", fvtVariant},
                       {u"Array", fvtArray}, {u"Constructor", fvtConstructor}};
  for (const Row& r : types) EXPECT_EQ(prog_.KindOfTypeName(r.type), r.kind) << U8(r.type);

  EXPECT_TRUE(prog_.GetVariable(u"TRUE").as_bool());
  EXPECT_FALSE(prog_.GetVariable(u"False").as_bool());
  EXPECT_EQ(prog_.GetVariable(u"nil").as_int32(), 0);
  EXPECT_TRUE(prog_.GetVariable(u"Null").is_null());
  EXPECT_EQ(prog_.GetVariable(u"varString").as_int32(), 256);
  EXPECT_EQ(prog_.GetVariable(u"varByRef").as_int32(), 16384);
  EXPECT_TRUE(prog_.Find(u"True")->IsReadOnly());

  EXPECT_NE(dynamic_cast<TfsStringHelper*>(prog_.Find(u"__StringHelper")), nullptr);
  auto* arrays = dynamic_cast<TfsArrayHelper*>(prog_.Find(u"__ArrayHelper"));
  ASSERT_NE(arrays, nullptr);
  EXPECT_EQ(arrays->Typ(), fvtVariant);
  EXPECT_EQ(U8(prog_.GetVariable(u"ExceptionMessage").as_text()), "");
  EXPECT_EQ(U8(prog_.GetVariable(u"ExceptionClassName").as_text()), "");
}

TEST_F(SysLibraryTest, DeclarationsFixParametersAndCategories) {
  auto* inc = dynamic_cast<TfsMethodHelper*>(prog_.Find(u"inc"));
  ASSERT_NE(inc, nullptr);
  EXPECT_EQ(U8(inc->Syntax()), "procedure Inc(var i: Integer; incr: Integer = 1)");
  EXPECT_EQ(U8(inc->Category()), "ctOther");
  ASSERT_EQ(inc->ParamCount(), 2);
  EXPECT_TRUE(inc->Param(0)->IsVarParam());
  EXPECT_EQ(inc->GetNumberOfRequiredParams(), 1);

  auto* decode = dynamic_cast<TfsMethodHelper*>(prog_.Find(u"DecodeTime"));
  ASSERT_NE(decode, nullptr);
  ASSERT_EQ(decode->ParamCount(), 5);
  for (int i = 1; i < 5; ++i) EXPECT_TRUE(decode->Param(i)->IsVarParam());
  EXPECT_EQ(U8(decode->Category()), "ctDate");

  const char16_t* names[] = {u"IntToStr",
                             u"FloatToStr",
                             u"DateToStr",
                             u"TimeToStr",
                             u"DateTimeToStr",
                             u"VarToStr",
                             u"StrToInt",
                             u"StrToInt64",
                             u"StrToFloat",
                             u"StrToDate",
                             u"StrToTime",
                             u"StrToDateTime",
                             u"Format",
                             u"FormatFloat",
                             u"FormatDateTime",
                             u"FormatMaskText",
                             u"EncodeDate",
                             u"DecodeDate",
                             u"EncodeTime",
                             u"DecodeTime",
                             u"Date",
                             u"Time",
                             u"Now",
                             u"DayOfWeek",
                             u"IsLeapYear",
                             u"DaysInMonth",
                             u"Length",
                             u"Copy",
                             u"Pos",
                             u"Delete",
                             u"DeleteStr",
                             u"Insert",
                             u"Uppercase",
                             u"Lowercase",
                             u"Trim",
                             u"NameCase",
                             u"CompareText",
                             u"Chr",
                             u"Ord",
                             u"SetLength",
                             u"Round",
                             u"Trunc",
                             u"Int",
                             u"Frac",
                             u"Sqrt",
                             u"Abs",
                             u"Sin",
                             u"Cos",
                             u"ArcTan",
                             u"Tan",
                             u"Exp",
                             u"Ln",
                             u"Pi",
                             u"Inc",
                             u"Dec",
                             u"RaiseException",
                             u"ShowMessage",
                             u"Randomize",
                             u"Random",
                             u"ValidInt",
                             u"ValidFloat",
                             u"ValidDate",
                             u"CreateOleObject",
                             u"VarArrayCreate",
                             u"VarType"};
  EXPECT_EQ(std::size(names), 65u);
  for (const char16_t* n : names) {
    auto* m = dynamic_cast<TfsMethodHelper*>(prog_.Find(n));
    ASSERT_NE(m, nullptr) << U8(n);
    EXPECT_EQ(U8(m->Description()), U8(n));
  }
}

TEST_F(SysLibraryTest, Calls) {
  int32_t low = 0, high = 9;
  struct Row {
    const char16_t* name;
    std::vector<Value> args;
    const char16_t* expected;  // the text form of the result
  };
  const Row rows[] = {
      {u"IntToStr", {Value::Int64(3000000000LL)}, u"3000000000"},
      {u"FloatToStr", {Value::Double(0.1)}, u"0.1"},
      {u"DateToStr", {Value::Double(45360.5)}, u"2024-03-09"},
      {u"TimeToStr", {Value::Double(45360.5)}, u"12:00:00"},
      {u"DateTimeToStr", {Value::Double(45360.5)}, u"2024-03-09 12:00:00"},
      {u"VarToStr", {Value::Null()}, u""},
      {u"StrToInt", {Value::Text(u" 42 ")}, u"42"},
      {u"StrToInt64", {Value::Text(u"3000000000")}, u"3000000000"},
      {u"StrToFloat", {Value::Text(u"2.5")}, u"2.5"},
      {u"StrToDate", {Value::Text(u"2024/3/9")}, u"2024-03-09"},
      {u"Format", {Value::Text(u"%s-%.3d"), Value::Array({Value::Text(u"a"), Value::Int(7)})}, u"a-007"},
      {u"Format", {Value::Text(u"plain"), Value::Null()}, u"plain"},
      {u"FormatFloat", {Value::Text(u"#,##0.00"), Value::Int(1234)}, u"1,234.00"},
      {u"FormatDateTime", {Value::Text(u"dddd"), Value::Text(u"2024-03-09")}, u"Saturday"},
      {u"FormatMaskText", {Value::Text(u"000-000;0;_"), Value::Int(123456)}, u"123-456"},
      {u"EncodeDate", {Value::Int(2024), Value::Int(3), Value::Int(9)}, u"2024-03-09"},
      {u"DayOfWeek", {Value::Int(45360)}, u"7"},
      {u"IsLeapYear", {Value::Int(2024)}, u"True"},
      {u"DaysInMonth", {Value::Int(2023), Value::Int(2)}, u"28"},
      {u"Length", {Value::Array(1, &low, &high)}, u"10"},
      {u"Length", {Value::Null()}, u"0"},
      {u"Length", {Value::Int(12345)}, u"5"},
      {u"Copy", {Value::Text(u"abcdef"), Value::Int(3), Value::Int(2)}, u"cd"},
      {u"Pos", {Value::Text(u"zz"), Value::Text(u"abc")}, u"0"},
      {u"Uppercase", {Value::Text(u"ça")}, u"ÇA"},
      {u"NameCase", {Value::Text(u"jOHN sMITH")}, u"John Smith"},
      {u"CompareText", {Value::Text(u"ABC"), Value::Text(u"abc")}, u"0"},
      {u"Chr", {Value::Int(66)}, u"B"},
      {u"Ord", {Value::Text(u"AB")}, u"65"},
      {u"Round", {Value::Double(2.5)}, u"2"},
      {u"Trunc", {Value::Double(-2.7)}, u"-2"},
      {u"Int", {Value::Double(-2.7)}, u"-2"},
      {u"Frac", {Value::Double(2.5)}, u"0.5"},
      {u"Sqrt", {Value::Int(16)}, u"4"},
      {u"Abs", {Value::Int(-3)}, u"3"},
      {u"Pi", {}, u"3.14159265358979"},
      {u"ValidInt", {Value::Text(u"12x")}, u"False"},
      {u"ValidFloat", {Value::Text(u"1e3")}, u"True"},
      {u"ValidDate", {Value::Date(45360)}, u"True"},
      {u"ValidDate", {Value::Text(u"2024-02-30")}, u"False"},
      {u"VarType", {Value::Text(u"x")}, u"256"},
  };
  for (const Row& r : rows) EXPECT_EQ(U8(ToText(Call(r.name, r.args))), U8(r.expected)) << U8(r.name);

  EXPECT_EQ(Call(u"StrToDate", {Value::Text(u"2024-03-09")}).kind(), ValueKind::Date);
  EXPECT_EQ(Call(u"StrToInt64", {Value::Text(u"1")}).kind(), ValueKind::Int64);
  double r = ToDouble(Call(u"Random", {}));
  EXPECT_TRUE(r >= 0 && r < 1);
  EXPECT_EQ(Call(u"Now", {}).kind(), ValueKind::Date);
}

TEST_F(SysLibraryTest, ByReferenceResults) {
  std::vector<Value> out;
  Call(u"DecodeDate", {Value::Double(45360.25)}, &out);
  EXPECT_EQ(ToInt32(out[1]) * 10000 + ToInt32(out[2]) * 100 + ToInt32(out[3]), 20240309);
  out.clear();
  Call(u"DecodeTime", {Value::Double(45360.25)}, &out);
  EXPECT_EQ(ToInt32(out[1]), 6);

  struct Row {
    const char16_t* name;
    std::vector<Value> args;
    int index;
    const char16_t* expected;
  };
  const Row rows[] = {
      {u"Delete", {Value::Text(u"abcdef"), Value::Int(2), Value::Int(3)}, 0, u"aef"},
      {u"DeleteStr", {Value::Text(u"abcdef"), Value::Int(1), Value::Int(1)}, 0, u"bcdef"},
      {u"Insert", {Value::Text(u"XY"), Value::Text(u"abc"), Value::Int(2)}, 1, u"aXYbc"},
      {u"Inc", {Value::Int(1)}, 0, u"2"},
      {u"Inc", {Value::Int(1), Value::Int(5)}, 0, u"6"},
      {u"Inc", {Value::Double(1.5)}, 0, u"2.5"},
      {u"Dec", {Value::Int(10), Value::Int(4)}, 0, u"6"},
      {u"SetLength", {Value::Text(u"abcdef"), Value::Int(3)}, 0, u"abc"},
      {u"SetLength", {Value::Text(u"abcdef"), Value::Text(u"x")}, 0, u"a"},
  };
  for (const Row& r : rows) {
    out.clear();
    Call(r.name, r.args, &out);
    EXPECT_EQ(U8(ToText(out[r.index])), U8(r.expected)) << U8(r.name);
  }

  int32_t low = 0, high = 9;
  out.clear();
  Call(u"SetLength", {Value::Array(1, &low, &high), Value::Int(0)}, &out);
  ASSERT_TRUE(out[0].is_array());
  EXPECT_EQ(out[0].as_array().items.size(), 1u);
}

TEST_F(SysLibraryTest, Errors) {
  struct Row {
    const char16_t* name;
    std::vector<Value> args;
    const char* className;
    const char* message;
  };
  const Row rows[] = {
      {u"StrToInt", {Value::Text(u"abc")}, "EConvertError", "'abc' is not a valid integer value"},
      {u"StrToFloat", {Value::Text(u"1,5")}, "EConvertError", "'1,5' is not a valid floating point value"},
      {u"StrToDate", {Value::Text(u"x")}, "EConvertError", "'x' is not a valid date"},
      {u"StrToTime", {Value::Text(u"x")}, "EConvertError", "'x' is not a valid time"},
      {u"StrToDateTime", {Value::Text(u"x")}, "EConvertError", "'x' is not a valid date and time"},
      {u"EncodeDate",
       {Value::Int(2023), Value::Int(2), Value::Int(29)},
       "EConvertError",
       "Invalid argument to date encode"},
      {u"EncodeTime",
       {Value::Int(24), Value::Int(0), Value::Int(0), Value::Int(0)},
       "EConvertError",
       "Invalid argument to time encode"},
      {u"RaiseException", {Value::Text(u"my own message")}, "Exception", "my own message"},
      {u"Format",
       {Value::Text(u"%d"), Value::Array({Value::Text(u"x")})},
       "Exception",
       "Format '%d' invalid or incompatible with argument"},
      {u"CreateOleObject",
       {Value::Text(u"Word.Application")},
       "Exception",
       "Automation objects are not available on this platform"},
      {u"Round", {Value::Double(1e12)}, "EOverflow", "Value out of range for Integer"},
      {u"Sqrt", {Value::Int(-1)}, "Exception", "Invalid floating point operation"},
      {u"Ln", {Value::Int(0)}, "EZeroDivide", "Floating point division by zero"},
      {u"Exp", {Value::Int(1000)}, "EOverflow", "Floating point overflow"},
      {u"SetLength", {Value::Int(5), Value::Int(1)}, "Exception", "Variant is not an array"},
  };
  for (const Row& r : rows) {
    try {
      Call(r.name, r.args);
      ADD_FAILURE() << "no error from " << U8(r.name);
    } catch (const ScriptError& e) {
      EXPECT_EQ(U8(e.className()), r.className) << U8(r.name);
      EXPECT_EQ(U8(e.message()), r.message) << U8(r.name);
    }
  }
}

TEST_F(SysLibraryTest, ShowMessageGoesToTheHandler) {
  std::u16string shown;
  SetShowMessageHandler([&shown](const std::u16string& text) { shown = text; });
  Call(u"ShowMessage", {Value::Int(42)});
  SetShowMessageHandler(nullptr);
  EXPECT_EQ(U8(shown), "42");
}

TEST(SysLibraryRegistryTest, IsTheFirstModuleOfTheRegistry) {
  RegisterSysLibraryModule();
  RegisterSysLibraryModule();
  std::vector<std::u16string> names = ModuleRegistry::Instance().Names();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(U8(names.front()), "TfsSysFunctions");
  EXPECT_EQ(std::count(names.begin(), names.end(), u"TfsSysFunctions"), 1);

  TfsScript prog;
  prog.AddRTTI();
  EXPECT_NE(prog.Find(u"FormatFloat"), nullptr);
}

}  // namespace
}  // namespace qv
