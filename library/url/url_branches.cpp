// The dispatcher's branches for the URL helpers.
#include "library/branches.h"
#include "library/url/abspath.h"

namespace qv::library {

namespace {

std::u16string Text(Caller& c, int i) { return ToText(c.GetParam(i)); }

// An error inside the resolution gives 0, as the function promises.
Value AbsPathBranch(Caller& c) {
  try {
    return Value::Text(AbsPath(Text(c, 0), Text(c, 1)));
  } catch (const ScriptError&) {
    return Value::Int(0);
  }
}

Value GetDomainBranch(Caller& c) {
  try {
    return Value::Text(GetDomain(Text(c, 0), ToBool(c.GetParam(1))));
  } catch (const ScriptError&) {
    return Value::Text(u"");
  }
}

Value IsURLBranch(Caller& c) { return Value::Bool(IsURL(Text(c, 0))); }

// There is no browser cookie store to read on this platform.
Value GetCookie(Caller&) { return Value::Text(u""); }

constexpr Branch kBranches[] = {
    {u"ABSPATH", AbsPathBranch},
    {u"GETDOMAIN", GetDomainBranch},
    {u"ISURL", IsURLBranch},
    {u"GETCOOKIE", GetCookie},
};

}  // namespace

std::span<const Branch> UrlBranches() { return kBranches; }

}  // namespace qv::library
