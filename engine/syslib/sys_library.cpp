#include "engine/syslib/sys_library.h"

#include <cmath>
#include <cstdio>
#include <mutex>
#include <numbers>
#include <unordered_map>
#include <vector>

#include "engine/items/caller.h"
#include "engine/items/items.h"
#include "engine/run/run_messages.h"
#include "engine/syslib/format.h"
#include "engine/syslib/sys_convert.h"
#include "engine/syslib/sys_date_time.h"
#include "engine/syslib/sys_math.h"
#include "engine/syslib/sys_strings.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

using Function = Value (*)(Caller&);

std::u16string TextArg(Caller& c, int i) { return ToText(c.GetParam(i)); }
int32_t IntArg(Caller& c, int i) { return ToInt32(c.GetParam(i)); }
int64_t Int64Arg(Caller& c, int i) { return ToInt64(c.GetParam(i)); }
double FloatArg(Caller& c, int i) { return ToDouble(c.GetParam(i)); }
double DateArg(Caller& c, int i) { return ToDate(c.GetParam(i)); }

Value Text(std::u16string s) { return Value::Text(std::move(s)); }

// Domain errors are reported, as the conventional runtime does, instead of
// letting NaN or infinity travel on silently.
double CheckedMath(double result, double argument) {
  if (std::isnan(result) && !std::isnan(argument)) throw ScriptError(run_msg::kInvalidFloatOperation);
  if (std::isinf(result) && std::isfinite(argument)) throw OverflowError(run_msg::kFloatOverflow);
  return result;
}

std::mutex& ShowMessageLock() {
  static std::mutex lock;
  return lock;
}

ShowMessageHandler& ShowMessageTarget() {
  static ShowMessageHandler handler;
  return handler;
}

void ShowText(const std::u16string& text) {
  std::lock_guard<std::mutex> hold(ShowMessageLock());
  if (ShowMessageTarget()) {
    ShowMessageTarget()(text);
    return;
  }
  std::string line = ToUtf8(text);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

// The argument list of Format: the elements of an array, nothing for Null
// or empty, else the value itself.
std::vector<Value> FormatArgs(const Value& args) {
  if (args.is_array()) return args.as_array().items;
  if (args.is_null() || args.is_empty()) return {};
  return {args};
}

// SetLength's length: the text form of L as an integer, 1 when it is none.
int64_t NewLength(const Value& l) {
  int64_t n;
  return TextToInt64(ToText(l), n) ? n : 1;
}

struct Entry {
  const char16_t* upperName;
  const char16_t* declaration;
  const std::u16string TfsSysFunctions::*category;
  Function function;
};

using S = TfsSysFunctions;

// Registration order and declarations, exactly as scripts see them.
const Entry kEntries[] = {
    {u"INTTOSTR", u"function IntToStr(i: Integer): String", &S::catConv_,
     [](Caller& c) { return Text(IntToStr(Int64Arg(c, 0))); }},
    {u"FLOATTOSTR", u"function FloatToStr(e: Extended): String", &S::catConv_,
     [](Caller& c) { return Text(FloatToStr(FloatArg(c, 0))); }},
    {u"DATETOSTR", u"function DateToStr(e: Extended): String", &S::catConv_,
     [](Caller& c) { return Text(DateToStr(DateArg(c, 0))); }},
    {u"TIMETOSTR", u"function TimeToStr(e: Extended): String", &S::catConv_,
     [](Caller& c) { return Text(TimeToStr(DateArg(c, 0))); }},
    {u"DATETIMETOSTR", u"function DateTimeToStr(e: Extended): String", &S::catConv_,
     [](Caller& c) { return Text(DateTimeToStr(DateArg(c, 0))); }},
    {u"VARTOSTR", u"function VarToStr(v: Variant): String", &S::catConv_,
     [](Caller& c) { return Text(TextArg(c, 0)); }},
    {u"STRTOINT", u"function StrToInt(s: String): Integer", &S::catConv_,
     [](Caller& c) { return Value::Int(StrToInt(TextArg(c, 0))); }},
    {u"STRTOINT64", u"function StrToInt64(s: String): Integer", &S::catConv_,
     [](Caller& c) { return Value::Int64(StrToInt64(TextArg(c, 0))); }},
    {u"STRTOFLOAT", u"function StrToFloat(s: String): Extended", &S::catConv_,
     [](Caller& c) { return Value::Double(StrToFloat(TextArg(c, 0))); }},
    {u"STRTODATE", u"function StrToDate(s: String): Extended", &S::catConv_,
     [](Caller& c) { return Value::Date(StrToDate(TextArg(c, 0))); }},
    {u"STRTOTIME", u"function StrToTime(s: String): Extended", &S::catConv_,
     [](Caller& c) { return Value::Date(StrToTime(TextArg(c, 0))); }},
    {u"STRTODATETIME", u"function StrToDateTime(s: String): Extended", &S::catConv_,
     [](Caller& c) { return Value::Date(StrToDateTime(TextArg(c, 0))); }},

    {u"FORMAT", u"function Format(Fmt: String; Args: array): String", &S::catFormat_,
     [](Caller& c) { return Text(Format(TextArg(c, 0), FormatArgs(c.GetParam(1)))); }},
    {u"FORMATFLOAT", u"function FormatFloat(Fmt: String; Value: Extended): String", &S::catFormat_,
     [](Caller& c) { return Text(FormatFloat(TextArg(c, 0), FloatArg(c, 1))); }},
    {u"FORMATDATETIME", u"function FormatDateTime(Fmt: String; DateTime: TDateTime): String", &S::catFormat_,
     [](Caller& c) { return Text(FormatDateTime(TextArg(c, 0), DateArg(c, 1))); }},
    {u"FORMATMASKTEXT", u"function FormatMaskText(EditMask: string; Value: string): string", &S::catFormat_,
     [](Caller& c) { return Text(FormatMaskText(TextArg(c, 0), TextArg(c, 1))); }},

    {u"ENCODEDATE", u"function EncodeDate(Year, Month, Day: Word): TDateTime", &S::catDate_,
     [](Caller& c) { return Value::Date(EncodeDate(IntArg(c, 0), IntArg(c, 1), IntArg(c, 2))); }},
    {u"DECODEDATE", u"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", &S::catDate_,
     [](Caller& c) {
       int y, m, d;
       DecodeDate(DateArg(c, 0), y, m, d);
       c.SetParam(1, Value::Int(y));
       c.SetParam(2, Value::Int(m));
       c.SetParam(3, Value::Int(d));
       return Value();
     }},
    {u"ENCODETIME", u"function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", &S::catDate_,
     [](Caller& c) {
       return Value::Date(EncodeTime(IntArg(c, 0), IntArg(c, 1), IntArg(c, 2), IntArg(c, 3)));
     }},
    {u"DECODETIME", u"procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", &S::catDate_,
     [](Caller& c) {
       int h, n, s, ms;
       DecodeTime(DateArg(c, 0), h, n, s, ms);
       c.SetParam(1, Value::Int(h));
       c.SetParam(2, Value::Int(n));
       c.SetParam(3, Value::Int(s));
       c.SetParam(4, Value::Int(ms));
       return Value();
     }},
    {u"DATE", u"function Date: TDateTime", &S::catDate_, [](Caller&) { return Value::Date(Date()); }},
    {u"TIME", u"function Time: TDateTime", &S::catDate_, [](Caller&) { return Value::Date(Time()); }},
    {u"NOW", u"function Now: TDateTime", &S::catDate_, [](Caller&) { return Value::Date(Now()); }},
    {u"DAYOFWEEK", u"function DayOfWeek(aDate: TDateTime): Integer", &S::catDate_,
     [](Caller& c) { return Value::Int(DayOfWeek(DateArg(c, 0))); }},
    {u"ISLEAPYEAR", u"function IsLeapYear(Year: Word): Boolean", &S::catDate_,
     [](Caller& c) { return Value::Bool(IsLeapYear(IntArg(c, 0))); }},
    {u"DAYSINMONTH", u"function DaysInMonth(nYear, nMonth: Integer): Integer", &S::catDate_,
     [](Caller& c) { return Value::Int(DaysInMonth(IntArg(c, 0), IntArg(c, 1))); }},

    {u"LENGTH", u"function Length(s: Variant): Integer", &S::catStr_,
     [](Caller& c) { return Value::Int(static_cast<int32_t>(Length(c.GetParam(0)))); }},
    {u"COPY", u"function Copy(s: String; from, count: Integer): String", &S::catStr_,
     [](Caller& c) { return Text(Copy(TextArg(c, 0), Int64Arg(c, 1), Int64Arg(c, 2))); }},
    {u"POS", u"function Pos(substr, s: String): Integer", &S::catStr_,
     [](Caller& c) { return Value::Int(static_cast<int32_t>(Pos(TextArg(c, 0), TextArg(c, 1)))); }},
    {u"DELETE", u"procedure Delete(var s: String; from, count: Integer)", &S::catStr_,
     [](Caller& c) {
       std::u16string s = TextArg(c, 0);
       Delete(s, Int64Arg(c, 1), Int64Arg(c, 2));
       c.SetParam(0, Text(std::move(s)));
       return Value();
     }},
    {u"DELETESTR", u"procedure DeleteStr(var s: String; from, count: Integer)", &S::catStr_,
     [](Caller& c) {
       std::u16string s = TextArg(c, 0);
       Delete(s, Int64Arg(c, 1), Int64Arg(c, 2));
       c.SetParam(0, Text(std::move(s)));
       return Value();
     }},
    {u"INSERT", u"procedure Insert(s: String; var s2: String; pos: Integer)", &S::catStr_,
     [](Caller& c) {
       std::u16string target = TextArg(c, 1);
       Insert(TextArg(c, 0), target, Int64Arg(c, 2));
       c.SetParam(1, Text(std::move(target)));
       return Value();
     }},
    {u"UPPERCASE", u"function Uppercase(s: String): String", &S::catStr_,
     [](Caller& c) { return Text(UpperCase(TextArg(c, 0))); }},
    {u"LOWERCASE", u"function Lowercase(s: String): String", &S::catStr_,
     [](Caller& c) { return Text(LowerCase(TextArg(c, 0))); }},
    {u"TRIM", u"function Trim(s: String): String", &S::catStr_,
     [](Caller& c) { return Text(Trim(TextArg(c, 0))); }},
    {u"NAMECASE", u"function NameCase(s: String): String", &S::catStr_,
     [](Caller& c) { return Text(NameCase(TextArg(c, 0))); }},
    {u"COMPARETEXT", u"function CompareText(s, s1: String): Integer", &S::catStr_,
     [](Caller& c) { return Value::Int(CompareText(TextArg(c, 0), TextArg(c, 1))); }},
    {u"CHR", u"function Chr(i: Integer): Char", &S::catStr_,
     [](Caller& c) { return Text(Chr(Int64Arg(c, 0))); }},
    {u"ORD", u"function Ord(ch: Char): Integer", &S::catStr_,
     [](Caller& c) { return Value::Int(Ord(TextArg(c, 0))); }},
    {u"SETLENGTH", u"procedure SetLength(var S: Variant; L: Integer)", &S::catStr_,
     [](Caller& c) {
       Value s = c.GetParam(0);
       SetLength(s, NewLength(c.GetParam(1)));
       c.SetParam(0, std::move(s));
       return Value();
     }},

    {u"ROUND", u"function Round(e: Extended): Integer", &S::catMath_,
     [](Caller& c) { return Value::Int(Round(FloatArg(c, 0))); }},
    {u"TRUNC", u"function Trunc(e: Extended): Integer", &S::catMath_,
     [](Caller& c) { return Value::Int(Trunc(FloatArg(c, 0))); }},
    {u"INT", u"function Int(e: Extended): Integer", &S::catMath_,
     [](Caller& c) { return Value::Double(Int(FloatArg(c, 0))); }},
    {u"FRAC", u"function Frac(X: Extended): Extended", &S::catMath_,
     [](Caller& c) { return Value::Double(Frac(FloatArg(c, 0))); }},
    {u"SQRT", u"function Sqrt(e: Extended): Extended", &S::catMath_,
     [](Caller& c) {
       double x = FloatArg(c, 0);
       return Value::Double(CheckedMath(std::sqrt(x), x));
     }},
    {u"ABS", u"function Abs(e: Extended): Extended", &S::catMath_,
     [](Caller& c) { return Value::Double(std::fabs(FloatArg(c, 0))); }},
    {u"SIN", u"function Sin(e: Extended): Extended", &S::catMath_,
     [](Caller& c) { return Value::Double(std::sin(FloatArg(c, 0))); }},
    {u"COS", u"function Cos(e: Extended): Extended", &S::catMath_,
     [](Caller& c) { return Value::Double(std::cos(FloatArg(c, 0))); }},
    {u"ARCTAN", u"function ArcTan(X: Extended): Extended", &S::catMath_,
     [](Caller& c) { return Value::Double(std::atan(FloatArg(c, 0))); }},
    {u"TAN", u"function Tan(X: Extended): Extended", &S::catMath_,
     [](Caller& c) {
       double x = FloatArg(c, 0);
       return Value::Double(std::sin(x) / std::cos(x));
     }},
    {u"EXP", u"function Exp(X: Extended): Extended", &S::catMath_,
     [](Caller& c) {
       double x = FloatArg(c, 0);
       return Value::Double(CheckedMath(std::exp(x), x));
     }},
    {u"LN", u"function Ln(X: Extended): Extended", &S::catMath_,
     [](Caller& c) {
       double x = FloatArg(c, 0);
       if (x == 0) throw ZeroDivideError();
       return Value::Double(CheckedMath(std::log(x), x));
     }},
    {u"PI", u"function Pi: Extended", &S::catMath_, [](Caller&) { return Value::Double(std::numbers::pi); }},

    {u"INC", u"procedure Inc(var i: Integer; incr: Integer = 1)", &S::catOther_,
     [](Caller& c) {
       c.SetParam(0, Apply(BinaryOp::Plus, c.GetParam(0), c.GetParam(1)));
       return Value();
     }},
    {u"DEC", u"procedure Dec(var i: Integer; decr: Integer = 1)", &S::catOther_,
     [](Caller& c) {
       c.SetParam(0, Apply(BinaryOp::Minus, c.GetParam(0), c.GetParam(1)));
       return Value();
     }},
    {u"RAISEEXCEPTION", u"procedure RaiseException(Param: String)", &S::catOther_,
     [](Caller& c) -> Value { throw ScriptError(TextArg(c, 0)); }},
    {u"SHOWMESSAGE", u"procedure ShowMessage(Msg: Variant)", &S::catOther_,
     [](Caller& c) {
       ShowText(TextArg(c, 0));
       return Value();
     }},
    {u"RANDOMIZE", u"procedure Randomize", &S::catOther_,
     [](Caller&) {
       Randomize();
       return Value();
     }},
    {u"RANDOM", u"function Random: Extended", &S::catOther_, [](Caller&) { return Value::Double(Random()); }},
    {u"VALIDINT", u"function ValidInt(cInt: String): Boolean", &S::catOther_,
     [](Caller& c) { return Value::Bool(ValidInt(TextArg(c, 0))); }},
    {u"VALIDFLOAT", u"function ValidFloat(cFlt: String): Boolean", &S::catOther_,
     [](Caller& c) { return Value::Bool(ValidFloat(TextArg(c, 0))); }},
    {u"VALIDDATE", u"function ValidDate(cDate: String): Boolean", &S::catOther_,
     [](Caller& c) {
       const Value& v = c.GetParam(0);
       return Value::Bool(ValidDate(v.kind() == ValueKind::Date ? DateToStr(v.as_double()) : ToText(v)));
     }},
    {u"CREATEOLEOBJECT", u"function CreateOleObject(ClassName: String): Variant", &S::catOther_,
     [](Caller&) -> Value { throw ScriptError(run_msg::kNoAutomation); }},
    {u"VARARRAYCREATE", u"function VarArrayCreate(Bounds: Array; Typ: Integer): Variant", &S::catOther_,
     [](Caller& c) { return VarArrayCreate(c.GetParam(0), IntArg(c, 1)); }},
    {u"VARTYPE", u"function VarType(V: Variant): Integer", &S::catOther_,
     [](Caller& c) { return Value::Int(VarTypeCode(c.GetParam(0))); }},
};

const std::unordered_map<std::u16string, Function>& Dispatch() {
  static const std::unordered_map<std::u16string, Function> table = [] {
    std::unordered_map<std::u16string, Function> t;
    for (const Entry& e : kEntries) t.emplace(e.upperName, e.function);
    return t;
  }();
  return table;
}

struct TypeEntry {
  const char16_t* name;
  TfsVarType kind;
};

const TypeEntry kTypes[] = {
    {u"Byte", fvtInt},        {u"Word", fvtInt},       {u"Integer", fvtInt},
    {u"Longint", fvtInt},     {u"Cardinal", fvtInt},   {u"TColor", fvtInt},
    {u"Boolean", fvtBool},    {u"Real", fvtFloat},     {u"Single", fvtFloat},
    {u"Double", fvtFloat},    {u"Extended", fvtFloat}, {u"Currency", fvtFloat},
    {u"TDate", fvtFloat},     {u"TTime", fvtFloat},    {u"TDateTime", fvtFloat},
    {u"Char", fvtChar},       {u"String", fvtString},  {u"Variant", fvtVariant},
    {u"Pointer", fvtVariant}, {u"Array", fvtArray},    {u"Constructor", fvtConstructor},
};

struct CodeEntry {
  const char16_t* name;
  int32_t code;
};

const CodeEntry kTypeCodes[] = {
    {u"varEmpty", 0},     {u"varNull", 1},      {u"varSmallint", 2},    {u"varInteger", 3},
    {u"varSingle", 4},    {u"varDouble", 5},    {u"varCurrency", 6},    {u"varDate", 7},
    {u"varOleStr", 8},    {u"varDispatch", 9},  {u"varError", 10},      {u"varBoolean", 11},
    {u"varVariant", 12},  {u"varUnknown", 13},  {u"varShortInt", 16},   {u"varByte", 17},
    {u"varWord", 18},     {u"varLongWord", 19}, {u"varInt64", 20},      {u"varStrArg", 72},
    {u"varString", 256},  {u"varAny", 257},     {u"varTypeMask", 4095}, {u"varArray", 8192},
    {u"varByRef", 16384},
};

}  // namespace

TfsSysFunctions::TfsSysFunctions(TfsScript& script) : TfsRTTIModule(script) {
  for (const TypeEntry& t : kTypes) script.AddType(t.name, t.kind);

  script.AddConst(u"True", u"Boolean", Value::Bool(true));
  script.AddConst(u"False", u"Boolean", Value::Bool(false));
  script.AddConst(u"nil", u"Variant", Value::Int(0));
  script.AddConst(u"Null", u"Variant", Value::Null());
  for (const CodeEntry& c : kTypeCodes) script.AddConst(c.name, u"Integer", Value::Int(c.code));

  script.AddItem(u"__StringHelper", std::make_unique<TfsStringHelper>(u"__StringHelper"));
  script.AddItem(u"__ArrayHelper", std::make_unique<TfsArrayHelper>(u"__ArrayHelper", -1, fvtVariant, u""));

  script.AddThreadVariable(u"ExceptionClassName", u"String", Value::Text(u""));
  script.AddThreadVariable(u"ExceptionMessage", u"String", Value::Text(u""));

  for (const Entry& e : kEntries)
    script.AddMethod(e.declaration, &TfsSysFunctions::CallMethod, this->*e.category);
}

Value TfsSysFunctions::CallMethod(HostObject*, const HostClass*, const std::u16string& methodName,
                                  Caller& caller) {
  const auto& table = Dispatch();
  auto it = table.find(methodName);
  if (it == table.end()) it = table.find(UpperCase(methodName));
  if (it == table.end()) throw ScriptError(run_msg::kUnknownSystemFunction + methodName);
  return it->second(caller);
}

void RegisterSysLibraryModule() {
  static std::once_flag once;
  std::call_once(once, [] {
    ModuleRegistry::Instance().Add(u"TfsSysFunctions", ModuleRegistry::kSystemLibraryOrder,
                                   [](TfsScript& s) { return std::make_unique<TfsSysFunctions>(s); });
  });
}

namespace {
// Linking the module in is enough to enter it in the registry.
[[maybe_unused]] const bool kRegistered = (RegisterSysLibraryModule(), true);
}  // namespace

void SetShowMessageHandler(ShowMessageHandler handler) {
  std::lock_guard<std::mutex> hold(ShowMessageLock());
  ShowMessageTarget() = std::move(handler);
}

}  // namespace qv
