// The dispatcher's branches for mask patterns and pattern conversions.
#include "library/branches.h"
#include "library/mask/mask_pattern.h"
#include "library/mask/match_content.h"
#include "library/mask/pattern_conversions.h"
#include "library/mask/replace_content.h"

namespace qv::library {

namespace {

std::u16string Text(Caller& c, int i) { return ToText(c.GetParam(i)); }

// Null arguments become empty text, in the call's parameters too.
Value Match(Caller& c) {
  for (int i = 0; i < c.Count(); ++i)
    if (c.GetParam(i).is_null()) c.SetParam(i, Value::Text(u""));
  return Value::Text(
      MaskMatch(Text(c, 0), Text(c, 1), Text(c, 2), Text(c, 3), Text(c, 4), ToBool(c.GetParam(5))));
}

Value MatchContentBranch(Caller& c) { return Value::Text(MatchContent(Text(c, 0), Text(c, 1))); }
Value ReplaceContentBranch(Caller& c) {
  return Value::Text(ReplaceContent(Text(c, 0), Text(c, 1), Text(c, 2)));
}
Value Url2CRegBranch(Caller& c) { return Value::Text(Url2CReg(Text(c, 0))); }
Value Url2RegBranch(Caller& c) { return Value::Text(Url2Reg(Text(c, 0))); }
Value CReg2RegBranch(Caller& c) { return Value::Text(CReg2Reg(Text(c, 0))); }
Value Reg2CRegBranch(Caller& c) { return Value::Text(Reg2CReg(Text(c, 0))); }

constexpr Branch kBranches[] = {
    {u"MATCH", Match},
    {u"MATCHCONTENT", MatchContentBranch},
    {u"REPLACECONTENT", ReplaceContentBranch},
    {u"URL2CREG", Url2CRegBranch},
    {u"URL2REG", Url2RegBranch},
    {u"CREG2REG", CReg2RegBranch},
    {u"REG2CREG", Reg2CRegBranch},
};

}  // namespace

std::span<const Branch> MaskBranches() { return kBranches; }

}  // namespace qv::library
