// analyzetitle on small hand-made pages.
#include <gtest/gtest.h>

#include <string>

#include "library/html/analyze_title.h"
#include "support/text.h"

namespace qv::library {
namespace {

std::string Show(std::u16string_view s) { return ToUtf8(s); }

TEST(AnalyzeTitle, Table) {
  const struct {
    const char16_t* what;
    const char16_t* page;
    const char16_t* title;
  } cases[] = {
      {u"nothing to choose from", u"<p>text</p>", u""},
      {u"the title is cut before its first -", u"<title>Foo - Bar</title>", u"<title>Foo "},
      {u"or, without one, before its first _", u"<title>Foo_Bar_Baz</title>", u"<title>Foo"},
      {u"a title without separators stays whole", u"<TITLE>Plain</TITLE>", u"<TITLE>Plain</TITLE>"},
      {u"an h1 with the same words outweighs the title",
       u"<html><head><title>Big Story - Daily</title></head><body><h1 class=t>Big Story</h1>"
       u"<p>Big Story text</p></body></html>",
       u"<h1 class=t>Big Story</h1>"},
      {u"equal scores: the last candidate wins", u"<h2>B</h2><h2>CA</h2>", u"<h2>CA</h2>"},
      {u"a candidate with 网 loses weight", u"<h2>B</h2><h2>C网</h2>", u"<h2>B</h2>"},
      {u"pieces between separators are counted in the page",
       u"<title>Alpha|Beta</title><h2>Gamma</h2><p>alpha beta ALPHA</p>", u"<title>Alpha|Beta</title>"},
      // Removing the first heading joins "<h" and "1>x</h1>" into the same
      // heading again: it counts 20 more and beats the h2 (5 + 2 x 12 = 29
      // against 12 + 12 + 20 = 44; without the 20 the h2 would win).
      {u"a heading that comes back after the removal counts 20 more",
       u"<h<h1>x</h1>1>x</h1><h2>zz</h2><p>zz zz zz zz zz zz zz zz zz zz zz</p>", u"<h1>x</h1>"},
      {u"an unclosed heading is no candidate", u"<title>T</title><h1>never closed", u"<title>T</title>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Show(AnalyzeTitle(c.page)), Show(c.title)) << Show(c.what);
}

}  // namespace
}  // namespace qv::library
