// TfsScript's translation entry points: Compile (up to the builder),
// ComplieScript and GetILCode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/program/program.h"
#include "engine/translate/source_lines.h"
#include "engine/xml/stream.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ProgramTranslationTest, LinesReachTheTranslatorWithCrLf) {
  TfsScript prog;
  prog.SetSyntaxType(u"Basic");
  // The last line has no line end; Basic needs one after every statement.
  prog.Lines() = SplitLines(u"x = 1\ny = 2");
  std::u16string code;
  EXPECT_TRUE(prog.ComplieScript(code)) << ToUtf8(prog.ErrorMsg());
  EXPECT_TRUE(code.starts_with(u"<?xml version=\"1.0\"?><program><compoundstmt pos=\"1:1\">"))
      << ToUtf8(code);
  EXPECT_TRUE(code.ends_with(u"<types><decimal type=\"extended\"/></types></program>")) << ToUtf8(code);
}

TEST(ProgramTranslationTest, IntermediateCodeIsNotTranslated) {
  TfsScript prog;
  prog.SetSyntaxType(u"js");
  prog.Lines() = {u"  \t<?XML version=\"1.0\"?><program/>"};
  std::u16string code;
  EXPECT_TRUE(prog.ComplieScript(code));
  EXPECT_EQ(code, JoinLines(prog.Lines()));
  prog.Lines() = {u"  <?xml version=\"1.0\"?><program><compoundstmt pos=\"1:1\"/></program>",
                  u"#complie never.xml"};
  EXPECT_TRUE(prog.Compile()) << ToUtf8(prog.ErrorMsg());
  EXPECT_FALSE(fs::exists("never.xml"));

  prog.Lines() = {u"<?xml version=\"1.0\"?><program><a></b></program>"};
  EXPECT_FALSE(prog.Compile());
  EXPECT_EQ(prog.ErrorMsg(), u"Invalid file format");
}

TEST(ProgramTranslationTest, ComplieDirectiveSavesTheCode) {
  fs::path out = fs::temp_directory_path() / ("qv_complie_test_" + std::to_string(::getpid()) + ".xml");
  fs::remove(out);
  TfsScript prog;
  prog.SetSyntaxType(u"js");
  // The directive's line is blanked, so the next line keeps its number; a
  // mention of it on the first line is not the directive.
  prog.Lines() = {u"x = 1; // #complie is a comment here", u"#COMPLIE   " + FromUtf8(out.string()) + u"  ",
                  u"y = ;"};
  EXPECT_FALSE(prog.Compile());
  EXPECT_EQ(prog.ErrorMsg(), u"Expression expected");
  EXPECT_EQ(prog.ErrorPos(), u"3:5");
  EXPECT_TRUE(fs::exists(out));

  prog.Lines()[2] = u"y = 2;";
  EXPECT_TRUE(prog.Compile());
  EXPECT_EQ(prog.ErrorPos(), u"");
  std::string saved = ReadFile(out);
  EXPECT_NE(saved.find("<assignstmt pos=\"3:1\">"), std::string::npos) << saved;
  // The build frees built statements only when nothing saves the code.
  EXPECT_NE(saved.find("<number text=\"2\" pos=\"3:6\"/>"), std::string::npos) << saved;
  fs::remove(out);
}

TEST(ProgramTranslationTest, GetILCodeAndErrors) {
  TfsScript prog;
  prog.SetSyntaxType(u"C");
  prog.Lines() = {u"{ x = 1; }"};
  MemoryStream m;
  EXPECT_TRUE(prog.GetILCode(m));
  EXPECT_NE(m.Data().find("<assignstmt pos=\"1:3\">"), std::string::npos) << m.Data();

  prog.Lines() = {u"{ x = 1 }"};
  MemoryStream none;
  EXPECT_FALSE(prog.GetILCode(none));
  EXPECT_TRUE(none.Data().empty());
  EXPECT_EQ(prog.ErrorMsg(), u"';' expected");
  EXPECT_EQ(prog.ErrorPos(), u"1:9");

  // A stale unit of an earlier error does not label a new one.
  prog.SetErrorUnit(u"old.c");
  EXPECT_FALSE(prog.GetILCode(none));
  EXPECT_EQ(prog.ErrorUnit(), u"");

  prog.SetSyntaxType(u"Fortran");
  try {
    prog.Compile();
    ADD_FAILURE() << "no error";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.message(), u"Language 'Fortran' not found");
  }
}

}  // namespace
}  // namespace qv
