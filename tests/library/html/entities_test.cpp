// The one-scan entity table against the table run row after row.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "library/html/entities.h"
#include "support/text.h"

namespace qv::library::html {
namespace {

std::u16string RowAfterRow(std::u16string_view text) { return ReplaceEntitiesRowAfterRow(text); }

TEST(ReplaceEntities, Table) {
  const struct {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"&amp;amp;", u";"},
      {u"&amp;lt;", u"<"},
      {u"&amp;nbsp;", u"&nbsp;"},                // the nbsp row ran before
      {u"&quot&amp;amp;", u"\""},                // joined by row 5, taken by row 6
      {u"&gt&amp;amp;", u"&gt;"},                // joined after its row ran
      {u"&NBSP;", u"&NBSP;"},                    // no exact occurrence
      {u"&AMP;amp; &Amp;", u"&AMP;amp; &Amp;"},  // neither
      {u"&amp;QUOT; &QUOT;", u"&QUOT; &QUOT;"},  // row 6: no exact "&quot;"
      {u"&amp;quot; &QUOT;", u"\" \""},          // row 6: one made by row 2
      {u"&tımes;&times;", u"××"},                // dotless i folds to I
      {u"&a&amp;mp;x", u"&a&mp;x"},
      {u"x&", u"x&"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(ReplaceEntities(c.in)), ToUtf8(c.out)) << ToUtf8(c.in);
    EXPECT_EQ(ToUtf8(RowAfterRow(c.in)), ToUtf8(c.out)) << ToUtf8(c.in);
  }
}

TEST(ReplaceEntities, SameAsRowAfterRowOnRandomTexts) {
  const char16_t* pieces[] = {u"&",       u"&amp;",    u"&AMP;",   u"amp;",     u"&nbsp;",    u"nbsp;",
                              u"&quot",   u"quot;",    u"&gt",     u"gt;",      u"&lt;",      u"&Lt;",
                              u";",       u"x",        u"  ",      u"ı",        u"ſ",         u"&reg;",
                              u"&REG;",   u"&hellip;", u"hellip",  u"&divide;", u"&times",    u"&mdash;",
                              u"&rsquo;", u"&ldquo;",  u"&acute;", u"ACUTE;",   u"0123456789"};
  std::mt19937 random(23);
  for (int round = 0; round < 20000; ++round) {
    std::u16string text;
    for (int n = random() % 16; n > 0; --n) text += pieces[random() % std::size(pieces)];
    ASSERT_EQ(ToUtf8(ReplaceEntities(text)), ToUtf8(RowAfterRow(text))) << ToUtf8(text);
  }
}

}  // namespace
}  // namespace qv::library::html
