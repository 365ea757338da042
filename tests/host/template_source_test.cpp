// The choice of source form and the template conversion.
#include "host/template_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace qv::host {
namespace {

TEST(TemplateSource, ConvertsTemplates) {
  struct Row {
    std::u16string in, out;
  } rows[] = {
      {u"A<?=x;?>B", u"#language js\r\necho(\"A\");echo(x);echo(\"B\");"},
      // The wrapped first line picks the language and the quote; it goes.
      {u"<?#language pascal?>\r\nIt's <?=x?>\r\nend",
       u"#language pascal\r\necho('It''s ');echo(x);echo(''+\r\n#13#10'end');"},
      {u"<?#LANGUAGE C?>\r\n\"q\"", u"#language c\r\necho(\"\"\"q\"\"\");"},
      {u"<?#language basic?>\nX", u"#language basic\r\necho(\"X\");"},
      // Unknown, missing or comma-joined names give js; the line still goes.
      {u"<?#language lua?>\r\nX", u"#language js\r\necho(\"X\");"},
      {u"<?#language?>\r\nX", u"#language js\r\necho(\"X\");"},
      {u"<?#language js,c?>\r\nX", u"#language js\r\necho(\"X\");"},
      // Pascal doubles only its own quote.
      {u"<?#language pascal?>\r\n\"'", u"#language pascal\r\necho('\"''');"},
      {u"say \"hi\"", u"#language js\r\necho(\"say \"\"hi\"\"\");"},
      // A first line that is code stays, with its line break.
      {u"<?x=1;?>\r\nA", u"#language js\r\nx=1;echo(\"\"+\r\n#13#10\"A\");"},
      // Trailing ";" and spaces of an expression go, leading ones stay.
      {u"<?=  a + b ; ; ?>", u"#language js\r\necho(  a + b);"},
      {u"<?=?>", u"#language js\r\necho();"},
      // Adjacent blocks make no empty echo; a lone "?>" is literal.
      {u"<?a?><?b?>", u"#language js\r\nab"},
      {u"a?>b", u"#language js\r\necho(\"a?>b\");"},
      // An unterminated block is literal text with everything after it.
      {u"A<?=1?>B<?x", u"#language js\r\necho(\"A\");echo(1);echo(\"B<?x\");"},
      {u"<?>", u"#language js\r\necho(\"<?>\");"},
      {u"", u"#language js\r\n"},
  };
  for (const Row& r : rows) {
    std::u16string got = ConvertTemplate(r.in);
    EXPECT_TRUE(got == r.out) << std::string(got.begin(), got.end());
  }
}

// Code keeps the line it had in the template (one later when a directive
// line is put in front), so error positions point into the template.
TEST(TemplateSource, KeepsLines) {
  auto lineOf = [](const std::u16string& text, std::u16string_view what) {
    size_t at = text.find(what);
    return at == std::u16string::npos
               ? -1
               : 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, u'\n'));
  };
  std::u16string body = u"one\r\n\"two\"<?\r\n  a();\r\n?>three\r\n<?= b ?>\r\n";
  std::u16string withLanguage = u"<?#language js?>\r\n" + body;
  for (std::u16string_view code : {u"a()", u"b"}) {
    EXPECT_EQ(lineOf(ConvertTemplate(withLanguage), code), lineOf(withLanguage, code));
    EXPECT_EQ(lineOf(ConvertTemplate(body), code), lineOf(body, code) + 1);
  }
}

TEST(TemplateSource, ChoosesTheForm) {
  struct Row {
    std::u16string text;
    SourceForm form;
  } rows[] = {
      {u"<?xml version=\"1.0\"?><program/><? echo(1) ?>", SourceForm::Intermediate},
      {u" <?xml version=\"1.0\"?>", SourceForm::Template},
      {u"<?XML version=\"1.0\"?>", SourceForm::Template},
      {u"\r\n\t #language pascal\r\nbegin end.", SourceForm::Language},
      {u"#languagejs", SourceForm::Language},
      {u"#Language js", SourceForm::Template},
      {u"<?#language pascal?>\r\n", SourceForm::Template},
      // A UTF-8 byte-order mark read as text is no blank.
      {u"\uFEFF#language js", SourceForm::Template},
      {u"", SourceForm::Template},
  };
  for (const Row& r : rows)
    EXPECT_EQ(ChooseSourceForm(r.text), r.form) << std::string(r.text.begin(), r.text.end());
}

}  // namespace
}  // namespace qv::host
