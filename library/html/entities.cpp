#include "library/html/entities.h"

#include "library/html/text_ops.h"

namespace qv::library::html {

namespace {

struct Entity {
  std::u16string_view name;
  std::u16string_view text;
};

constexpr Entity kEntities[] = {
    {u"&nbsp;", u" "},  {u"&amp;", u"&"},    {u"&lt;", u"<"},     {u"&gt;", u">"},
    {u"&amp;", u";"},   {u"&quot;", u"\""},  {u"&acute;", u"'"},  {u"&reg;", u"®"},
    {u"&times;", u"×"}, {u"&divide;", u"÷"}, {u"&rdquo;", u"”"},  {u"&ldquo;", u"“"},
    {u"&lsquo;", u"‘"}, {u"&rsquo;", u"’"},  {u"&hellip;", u"…"}, {u"&mdash;", u"—"},
};

}  // namespace

std::u16string ReplaceEntities(std::u16string_view text) {
  std::u16string out(text);
  if (!Contains(out, u"&")) return out;
  for (const Entity& e : kEntities)
    if (Contains(out, e.name)) out = ReplaceAllNoCase(out, e.name, e.text);
  return out;
}

}  // namespace qv::library::html
