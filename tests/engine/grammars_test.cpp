// The language registry and the built-in grammar documents.
#include "engine/translate/grammars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "engine/program/program.h"
#include "engine/translate/grammar_table.h"
#include "engine/translate/translator.h"
#include "engine/xml/xml.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/engine/il_dump.h"

namespace qv {
namespace {

std::string ReadSourceFile(const std::string& relative) {
  const char* root = std::getenv("QV_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/" + relative, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::u16string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ScriptError& e) {
    return e.message();
  }
  return u"(no error)";
}

TEST(GrammarsTest, BuiltInLanguagesComeFirstInOrder) {
  std::vector<std::u16string> names = LanguageNames();
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(std::vector<std::u16string>(names.begin(), names.begin() + 4),
            (std::vector<std::u16string>{u"Pascal", u"Basic", u"js", u"C"}));
}

TEST(GrammarsTest, BuiltInGrammarsAreTheFiles) {
  const struct {
    std::u16string_view name;
    const char* file;
    int keywords;
    int errors;
    int rules;  // top-level elements besides parser and types
  } rows[] = {
      {u"pascal", "engine/translate/grammars/pascal.xml", 40, 20, 48},
      {u"BASIC", "engine/translate/grammars/basic.xml", 40, 28, 47},
      {u"Js", "engine/translate/grammars/js.xml", 22, 17, 42},
      {u"c", "engine/translate/grammars/c.xml", 19, 18, 47},
  };
  for (const auto& row : rows) {
    std::u16string text = GetLanguage(row.name);
    EXPECT_EQ(ToUtf8(text), ReadSourceFile(row.file)) << row.file;
    TfsXMLDocument doc;
    doc.LoadFromBytes(ToUtf8(text));
    TfsXMLItem* parser = doc.Root()->FindItem(u"parser");
    EXPECT_EQ(parser->FindItem(u"keywords")->Count(), row.keywords) << row.file;
    EXPECT_EQ(parser->FindItem(u"errors")->Count(), row.errors) << row.file;
    EXPECT_EQ(doc.Root()->Count() - 2, row.rules) << row.file;
    EXPECT_EQ(doc.Root()->Items(2)->Name(), u"empty");
  }
}

TEST(GrammarsTest, UnknownLanguage) {
  EXPECT_EQ(MessageOf([] { GetLanguage(u"Cobol"); }), u"Language 'Cobol' not found");
  TfsScript prog;
  TfsILParser t(prog);
  EXPECT_EQ(MessageOf([&] { t.SelectLanguage(u"Cobol"); }), u"Language 'Cobol' not found");
}

TEST(GrammarsTest, RegisteringAgainReplaces) {
  RegisterLanguage(u"TestReplace",
                   u"<?xml version=\"1.0\"?><language><program><ident add=\"a\"/></program></language>");
  EXPECT_EQ(test::Translate(u"testreplace", "abc").il, "a:abc");
  RegisterLanguage(u"TESTREPLACE",
                   u"<?xml version=\"1.0\"?><language><program><number add=\"n\"/></program></language>");
  EXPECT_EQ(test::Translate(u"TestReplace", "12").il, "n:12");
  std::vector<std::u16string> names = LanguageNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), u"TestReplace"), 1);
}

// Small grammars written for the test: the item kinds and attributes the
// built-in grammars leave unused.
TEST(GrammarsTest, CustomGrammars) {
  const struct {
    const char* grammar;  // the children of <language>
    const char* source;
    bool ok;
    const char* il;
    const char* msg;
  } rows[] = {
      // No keywords element: "begin" is an identifier.
      {"<parser/><program><ident add=\"id\"/></program>", "begin", true, "id:begin", ""},
      {"<parser><keywords><begin/></keywords></parser><program><ident add=\"id\"/></program>", "begin", false,
       "", ""},
      // A code the grammar does not define gives no error.
      {"<parser><errors><err1 text=\"one\"/></errors></parser><program><ident err=\"err9\"/></program>", "1",
       false, "", ""},
      {"<parser><errors><err1 text=\"one\"/></errors></parser><program><ident err=\"ERR1\"/></program>", "1",
       false, "", "one"},
      // addtext replaces the token; a loop with a separator.
      {"<program><loop text=\";\"><number add=\"n\" addtext=\"&#60;N&#62;\"/></loop></program>", "1;2;3",
       true, "n:<N> n:<N> n:<N>", ""},
      // A switch without children matches; a node on a token wraps it.
      {"<program><switch/><keyword text=\"GO\" node=\"go\"/></program>", "go", true, "go", ""},
      {"<parser><identchars text=\"abc\"/></parser><program><ident add=\"id\"/></program>", "abcd", true,
       "id:abc", ""},
      {"<parser><casesensitive text=\"1\"/></parser><program><keyword text=\"Go\"/><keyword "
       "text=\"GO\"/></program>",
       "go GO", false, "", ""},
      // No program rule: an empty program.
      {"<other><ident/></other>", "x", true, "", ""},
      // A sequence emits its token and wraps its node before its first child
      // fails, and an optional keeps that output: no look-ahead may pass it over.
      {"<program><optional><sequence add=\"s\"><keyword text=\"a\"/></sequence></optional><ident "
       "add=\"id\"/></program>",
       "b", true, "s: id:b", ""},
      {"<program><optional><sequence node=\"n\"><keyword text=\"a\"/></sequence></optional><ident "
       "add=\"id\"/></program>",
       "b", true, "n id:b", ""},
      // A switch whose alternatives all start with known tokens, behind a reference.
      {"<program><loop><op/></loop></program><op><switch><char text=\"+\" add=\"plus\"/><keyword "
       "text=\"minus\" add=\"minus\"/><ident add=\"id\"/></switch></op>",
       "+ minus x +", true, "plus:+ minus:minus id:x plus:+", ""},
  };
  int n = 0;
  for (const auto& row : rows) {
    std::u16string name = u"TestCustom" + IntToText(n++);
    RegisterLanguage(
        name, FromUtf8(std::string("<?xml version=\"1.0\"?><language>") + row.grammar + "</language>"));
    test::Translation t = test::Translate(name, row.source);
    EXPECT_EQ(t.ok, row.ok) << row.grammar;
    EXPECT_EQ(t.il, row.il) << row.grammar;
    EXPECT_EQ(t.msg, row.msg) << row.grammar;
  }
}

// A chain of rules, each starting with the next, as deep as the translator
// allows and deeper: the look-ahead tables must neither recurse that deep
// nor change where the depth limit is reached.
TEST(GrammarsTest, LongRuleChains) {
  auto chain = [](int rules) {
    std::u16string g = u"<?xml version=\"1.0\"?><language><program><r0/></program>";
    for (int i = 0; i + 1 < rules; ++i)
      g += u"<r" + IntToText(i) + u"><r" + IntToText(i + 1) + u"/></r" + IntToText(i) + u">";
    g += u"<r" + IntToText(rules - 1) + u"><keyword text=\"go\" add=\"k\"/></r" + IntToText(rules - 1) + u">";
    return g + u"</language>";
  };
  RegisterLanguage(u"TestChain900", chain(900));
  EXPECT_EQ(test::Translate(u"TestChain900", "go").il, "k:go");
  EXPECT_FALSE(test::Translate(u"TestChain900", "stop").ok);
  RegisterLanguage(u"TestChain1900", chain(1900));
  for (const char* source : {"go", "stop"}) {
    test::Translation t = test::Translate(u"TestChain1900", source);
    EXPECT_FALSE(t.ok) << source;
    EXPECT_EQ(t.msg, "Nesting too deep (more than 1000 levels)") << source;
  }
}

TEST(GrammarsTest, BadGrammars) {
  RegisterLanguage(u"TestBroken", u"<?xml version=\"1.0\"?><language><program></language>");
  EXPECT_EQ(MessageOf([] { test::Translate(u"TestBroken", "x"); }), u"Invalid file format");
  // An undefined rule is an error only once it is reached.
  RegisterLanguage(u"TestUndefined",
                   u"<?xml version=\"1.0\"?><language><program><optional><char text=\"!\"/><nosuchrule/>"
                   u"</optional></program></language>");
  EXPECT_TRUE(test::Translate(u"TestUndefined", "x").ok);
  EXPECT_EQ(MessageOf([] { test::Translate(u"TestUndefined", "!"); }), u"Invalid language definition");
}

TEST(GrammarsTest, ExtendedCharsetAndDeclareVars) {
  TfsScript prog;
  prog.SetExtendedCharset(true);
  TfsILParser t(prog);
  EXPECT_TRUE(t.NeedDeclareVars());
  t.SelectLanguage(u"Pascal");
  EXPECT_TRUE(t.NeedDeclareVars());
  EXPECT_TRUE(t.Parser().IdentifierCharset().test(200));
  t.SelectLanguage(u"js");
  EXPECT_FALSE(t.NeedDeclareVars());
  // Nothing switches it back on.
  t.SelectLanguage(u"Pascal");
  EXPECT_FALSE(t.NeedDeclareVars());
  ASSERT_NE(t.GrammarTypes(), nullptr);
}

}  // namespace
}  // namespace qv
