// Included units: real files in a temporary folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "engine/program/program.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/engine/il_dump.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class UnitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv_units_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    prog_.IncludePath() = {FromUtf8(dir_.string())};
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const std::string& text) {
    fs::create_directories((dir_ / name).parent_path());
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

  test::Translation Run(std::u16string_view language, const std::string& source) {
    return test::Translate(prog_, language, source);
  }

  fs::path dir_;
  TfsScript prog_;
};

TEST_F(UnitsTest, EveryGrammarIncludesUnitsInReverseOrder) {
  const struct {
    std::u16string_view language;
    const char* main;
    const char* u1;
    const char* u2;
    const char* il;
  } rows[] = {
      {u"js", "import \"u1\", \"u2\"; x = 1;", "var a = 1;", "var b = 2;",
       "compoundstmt(uses[u2](program(compoundstmt(var(ident:b init(expr(number:2)))) types)) "
       "uses[u1](program(compoundstmt(var(ident:a init(expr(number:1)))) types)) "
       "assignstmt(dsgn(node:x) expr(number:1)))"},
      {u"Pascal", "uses 'u1', 'u2'; begin end.", "begin a end.", "begin b end.",
       "uses[u2](program(compoundstmt(callstmt(dsgn(node:b))) types)) "
       "uses[u1](program(compoundstmt(callstmt(dsgn(node:a))) types)) compoundstmt"},
      {u"C", "#include \"u1\", \"u2\"\n{ }", "{ a(); }", "int b;\n{ }",
       "uses[u2](program(var(type:int ident:b) compoundstmt types(int long void bool float))) "
       "uses[u1](program(compoundstmt(callstmt(dsgn(node:a))) types(int long void bool float))) "
       "compoundstmt"},
      {u"Basic", "imports \"u1\", \"u2\"\nx = 1", "a", "b",
       "compoundstmt(uses[u2](program(compoundstmt(callstmt(dsgn(node:b))) types(decimal))) "
       "uses[u1](program(compoundstmt(callstmt(dsgn(node:a))) types(decimal))) "
       "assignstmt(dsgn(node:x) expr(number:1)))"},
  };
  for (const auto& row : rows) {
    Write("u1", row.u1);
    Write("u2", row.u2);
    test::Translation t = Run(row.language, row.main);
    EXPECT_TRUE(t.ok) << row.main << ": " << t.msg;
    EXPECT_EQ(t.il, row.il) << row.main;
  }
}

TEST_F(UnitsTest, EachUnitIsEmbeddedOnce) {
  Write("self.js", "import \"self.js\"; var s = 1;");
  Write("a.js", "import \"b.js\"; var a = 1;");
  Write("b.js", "import \"A.JS\"; var b = 2;");
  const struct {
    const char* main;
    const char* il;
  } rows[] = {
      // The last name is included first; names match in any case.
      {"import \"SELF.js\", \"self.js\";",
       "compoundstmt(uses[self.js](program(compoundstmt(var(ident:s init(expr(number:1)))) types)))"},
      {"import \"a.js\";",
       "compoundstmt(uses[a.js](program(compoundstmt(uses[b.js](program(compoundstmt(var(ident:b "
       "init(expr(number:2)))) types)) var(ident:a init(expr(number:1)))) types)))"},
      // Units included by a unit count as included for the rest of the text.
      {"import \"a.js\"; import \"b.js\";",
       "compoundstmt(uses[a.js](program(compoundstmt(uses[b.js](program(compoundstmt(var(ident:b "
       "init(expr(number:2)))) types)) var(ident:a init(expr(number:1)))) types)))"},
      // An already included unit listed after a new one.
      {"import \"self.js\"; import \"empty.js\", \"self.js\";",
       "compoundstmt(uses[self.js](program(compoundstmt(var(ident:s init(expr(number:1)))) types)) "
       "uses[empty.js])"},
  };
  Write("empty.js", "");
  for (const auto& row : rows) {
    test::Translation t = Run(u"js", row.main);
    EXPECT_TRUE(t.ok) << row.main << ": " << t.msg;
    EXPECT_EQ(t.il, row.il) << row.main;
  }
}

TEST_F(UnitsTest, ErrorInAUnitNamesTheInnermostUnit) {
  Write("outer.js", "import \"inner.js\";");
  Write("inner.js", "var ok = 1;\nx = ;");
  test::Translation t = Run(u"js", "import \"outer.js\";");
  EXPECT_FALSE(t.ok);
  EXPECT_EQ(t.msg, "Expression expected");
  EXPECT_EQ(t.pos, "2:5");
  EXPECT_EQ(t.unit, "inner.js");

  // A unit error is not the natural end of a list: a Basic text whose
  // last recorded error came from a `term` item still fails.
  Write("bad.bas", "x = ");
  prog_.SetErrorUnit(u"");
  t = Run(u"Basic", "dim a,\nimports \"bad.bas\"\ny = 1");
  EXPECT_FALSE(t.ok);
  EXPECT_EQ(t.msg, "Expression expected");
  EXPECT_EQ(t.unit, "bad.bas");
}

// Failing units that all include each other are each translated once, not
// once for every order in which they can be reached.
TEST_F(UnitsTest, FailingUnitsThatIncludeEachOtherFinish) {
  std::string imports = "import ";
  for (int i = 0; i < 14; ++i) imports += std::string(i ? ", " : "") + "\"u" + std::to_string(i) + "\"";
  imports += ";\n";
  int translations = 0;
  prog_.SetOnGetUnit([&](TfsScript&, const std::u16string&, std::u16string& text) {
    ++translations;
    text = FromUtf8(imports + "x = ;");
  });
  test::Translation t = Run(u"js", imports);
  EXPECT_FALSE(t.ok);
  EXPECT_EQ(t.msg, "Expression expected");
  EXPECT_EQ(t.pos, "2:5");
  EXPECT_LE(translations, 14);
}

TEST_F(UnitsTest, UnreadableUnitRaisesTheFileError) {
  EXPECT_THROW(Run(u"js", "import \"missing.js\";"), ScriptError);
  fs::create_directories(dir_ / "folder.js");
  EXPECT_THROW(Run(u"js", "import \"folder.js\";"), ScriptError);
}

TEST_F(UnitsTest, IncludePathOrderAndHandler) {
  Write("first/u.js", "var one = 1;");
  Write("second/u.js", "var two = 2;");
  Write("second/only.js", "var only = 3;");
  Write("sub/back.js", "var back = 4;");
  prog_.IncludePath() = {FromUtf8((dir_ / "first").string()), FromUtf8((dir_ / "second").string() + "/"),
                         FromUtf8(dir_.string())};
  const struct {
    const char* main;
    const char* il;
  } rows[] = {
      {"import \"u.js\";",
       "compoundstmt(uses[u.js](program(compoundstmt(var(ident:one init(expr(number:1)))) types)))"},
      {"import \"only.js\";",
       "compoundstmt(uses[only.js](program(compoundstmt(var(ident:only init(expr(number:3)))) types)))"},
      // A "\" in a unit name is read as "/".
      {"import \"sub\\back.js\";",
       "compoundstmt(uses[sub\\back.js](program(compoundstmt(var(ident:back init(expr(number:4)))) types)))"},
  };
  for (const auto& row : rows) {
    test::Translation t = Run(u"js", row.main);
    EXPECT_TRUE(t.ok) << row.main << ": " << t.msg;
    EXPECT_EQ(t.il, row.il) << row.main;
  }

  std::map<std::u16string, std::u16string> asked;
  prog_.SetOnGetUnit([&](TfsScript&, const std::u16string& name, std::u16string& text) {
    asked[name] = u"x";
    text = u"var fromHandler = 1;";
  });
  test::Translation t = Run(u"js", "import \"u.js\";");
  EXPECT_EQ(
      t.il,
      "compoundstmt(uses[u.js](program(compoundstmt(var(ident:fromHandler init(expr(number:1)))) types)))");
  EXPECT_EQ(asked.count(u"u.js"), 1u);
}

}  // namespace
}  // namespace qv
