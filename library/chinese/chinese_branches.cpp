// The dispatcher's branches for Chinese text.
#include <cmath>

#include "library/branches.h"
#include "library/chinese/chinese_numerals.h"
#include "library/chinese/chinese_script.h"

namespace qv::library {

namespace {

Value Gb2BigBranch(Caller& c) { return Value::Text(ToTraditional(ToText(c.GetParam(0)))); }
Value Big2GbBranch(Caller& c) { return Value::Text(ToSimplified(ToText(c.GetParam(0)))); }
Value Full2HalfBranch(Caller& c) { return Value::Text(FullToHalf(ToText(c.GetParam(0)))); }

Value Num2CharBranch(Caller& c) {
  double amount = ToDouble(c.GetParam(0));
  if (std::isnan(amount) || amount * 100 <= -0.5)
    throw ScriptError(u"num2char: the number must not be negative");
  if (amount * 100 >= 9.0e18) throw ScriptError(u"num2char: the number is too large");
  return Value::Text(NumberToChinese(amount));
}

Value Char2NumBranch(Caller& c) {
  int64_t n = ChineseToNumber(ToText(c.GetParam(0)));
  return n >= INT32_MIN && n <= INT32_MAX ? Value::Int(static_cast<int32_t>(n)) : Value::Int64(n);
}

constexpr Branch kBranches[] = {
    {u"GB2BIG", Gb2BigBranch},     {u"BIG2GB", Big2GbBranch},     {u"FULL2HALF", Full2HalfBranch},
    {u"NUM2CHAR", Num2CharBranch}, {u"CHAR2NUM", Char2NumBranch},
};

}  // namespace

std::span<const Branch> ChineseBranches() { return kBranches; }

}  // namespace qv::library
