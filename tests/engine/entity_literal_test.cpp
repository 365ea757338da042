// String literals that look like character references reach the script
// unchanged: through translation, the intermediate code as text, and a
// program built again from that code.
#include <gtest/gtest.h>

#include <string>

#include "engine/xml/stream.h"
#include "support/text.h"
#include "tests/engine/script_run_util.h"

namespace qv::testing {
namespace {

const char16_t* const kLiterals[] = {u"a&#65;b", u"&quot;", u"&amp;", u"&#38;", u"&", u"x & y&"};

// One lg per literal, in the syntax's own quoting.
std::u16string Source(const std::u16string& syntax) {
  const bool pascal = syntax == u"Pascal";
  const char16_t quote = pascal ? u'\'' : u'"';
  std::u16string body;
  for (const char16_t* literal : kLiterals) {
    body += u"lg(";
    body += quote;
    body += literal;
    body += quote;
    body += syntax == u"Basic" ? u")\r\n" : u");\r\n";
  }
  if (pascal) return u"begin\r\n" + body + u"end.";
  if (syntax == u"C") return u"{\r\n" + body + u"}";
  return body;
}

std::u16string Expected() {
  std::u16string out;
  for (const char16_t* literal : kLiterals) out += std::u16string(literal) + u"|";
  return out;
}

TEST(EntityLiteralTest, LiteralsSurviveTranslationAndIntermediateCode) {
  for (const std::u16string syntax : {u"Pascal", u"C", u"JS", u"Basic"}) {
    SCOPED_TRACE(ToUtf8(syntax));
    ScriptRun direct(syntax);
    EXPECT_EQ(direct.Run(Source(syntax)), u"");
    EXPECT_EQ(direct.Output(), Expected());

    // The intermediate code as text keeps every ampersand encoded.
    ScriptRun source(syntax);
    source.prog.Lines() = SplitLines(Source(syntax));
    MemoryStream code;
    ASSERT_TRUE(source.prog.GetILCode(code)) << ToUtf8(source.prog.ErrorMsg());
    const std::string& il = code.Data();
    EXPECT_NE(il.find("a&#38;#65;b"), std::string::npos) << il;
    EXPECT_NE(il.find("&#38;quot;"), std::string::npos);
    EXPECT_EQ(il.find("&quot;"), std::string::npos);

    // Built again from that code, the program prints the same.
    ScriptRun rebuilt(syntax);
    code.SetPosition(0);
    ASSERT_TRUE(rebuilt.prog.SetILCode(code)) << ToUtf8(rebuilt.prog.ErrorMsg());
    rebuilt.prog.Execute();
    EXPECT_EQ(rebuilt.Output(), Expected());
  }
}

// Intermediate code written before every ampersand was encoded still reads
// as it did: references in it are decoded.
TEST(EntityLiteralTest, OlderIntermediateCodeReadsAsBefore) {
  ScriptRun run(u"JS");
  const std::string old =
      "<?xml version=\"1.0\"?><program><compoundstmt pos=\"1:1\"><callstmt pos=\"1:1\"><dsgn pos=\"1:1\">"
      "<node text=\"lg\" pos=\"1:3\"/><expr pos=\"1:4\" pos1=\"1:13\"><string text=\"'a&#34;&quot;&#65;b'\" "
      "pos=\"1:13\"/></expr></dsgn></callstmt></compoundstmt><types/></program>";
  MemoryStream code;
  code.Write(old.data(), static_cast<int64_t>(old.size()));
  code.SetPosition(0);
  ASSERT_TRUE(run.prog.SetILCode(code)) << ToUtf8(run.prog.ErrorMsg());
  run.prog.Execute();
  EXPECT_EQ(run.Output(), u"a\"\"Ab|");
}

}  // namespace
}  // namespace qv::testing
