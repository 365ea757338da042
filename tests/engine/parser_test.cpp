#include "engine/translate/tokenizer.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/text.h"

namespace qv {
namespace {

using namespace std::literals;

// Lexical settings of the syntaxes the tokenizer serves.
void Defaults(TfsParser&) {}

void Pascal(TfsParser& p) {
  for (auto w : {u"begin", u"end", u"var", u"if"}) p.AddKeyword(w);
}

void CLike(TfsParser& p) {
  p.SetCommentBlock1(u"/*,*/");
  p.SetCommentBlock2(u"/*,*/");
  p.SetStringQuotes(u"\"");
  p.SetHexSequence(u"0x");
  p.SetCaseSensitive(true);
  for (auto w : {u"if", u"while", u"return"}) p.AddKeyword(w);
}

void Escapes(TfsParser& p) {
  CLike(p);
  p.SetSpecStrChar(true);
}

void Basic(TfsParser& p) {
  p.SetCommentLine1(u"'");
  p.SetCommentLine2(u"rem");
  p.SetCommentBlock1(u"/\\,/\\");
  p.SetCommentBlock2(u"/\\,/\\");
  p.SetStringQuotes(u"\"");
  p.SetHexSequence(u"0x");
  p.SetSkipEOL(false);
  p.SetSkiPChar(u"_");
  for (auto w : {u"rem", u"dim", u"end"}) p.AddKeyword(w);
}

void NoSkip(TfsParser& p) { p.SetSkipSpace(false); }

// An opener that is itself a line break must still be stepped over.
void CrComment(TfsParser& p) {
  p.SetSkipEOL(false);
  p.SetCommentLine1(u"\r");
}

enum class Call { Word, Ident, Char, SkipChar, Number, String, FR, Eol, Skip };

struct Step {
  Call call;
  std::u16string token;  // "1"/"0" for Eol, empty for Skip
  int posAfter;
};

struct Row {
  void (*setup)(TfsParser&);
  std::u16string input;
  std::vector<Step> steps;
};

std::u16string Read(TfsParser& p, Call call) {
  switch (call) {
    case Call::Word:
      return p.GetWord();
    case Call::Ident:
      return p.GetIdent();
    case Call::Char:
      return p.GetChar();
    case Call::SkipChar:
      p.SkipSpaces();
      return p.GetChar();
    case Call::Number:
      return p.GetNumber();
    case Call::String:
      return p.GetString();
    case Call::FR:
      return p.GetFRString();
    case Call::Eol:
      return p.GetEOL() ? u"1" : u"0";
    case Call::Skip:
      p.SkipSpaces();
      return u"";
  }
  return u"";
}

void Check(const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    TfsParser p;
    r.setup(p);
    p.SetText(r.input);
    for (size_t i = 0; i < r.steps.size(); ++i) {
      const Step& s = r.steps[i];
      SCOPED_TRACE(ToUtf8(r.input) + " step " + std::to_string(i));
      std::u16string got = Read(p, s.call);
      EXPECT_EQ(ToUtf8(got), ToUtf8(s.token));
      EXPECT_EQ(got, s.token);
      EXPECT_EQ(p.Position(), s.posAfter);
    }
  }
}

using C = Call;

TEST(Parser, Numbers) {
  Check({
      {Defaults, u"$1F;", {{C::Number, u"$1F", 4}}},
      {CLike, u"0x1f+", {{C::Number, u"$1f", 5}}},
      {Defaults, u"  3.14e-10;", {{C::Number, u"3.14e-10", 11}}},
      {Defaults, u"12e;", {{C::Number, u"12", 3}}},
      {Defaults, u"12E+x", {{C::Number, u"12", 3}}},
      {Defaults, u"12.;", {{C::Number, u"12", 3}}},
      {Defaults, u"1.e5", {{C::Number, u"1", 2}}},
      {Defaults,
       u"1..5",
       {{C::Number, u"1", 2}, {C::SkipChar, u".", 3}, {C::SkipChar, u".", 4}, {C::Number, u"5", 5}}},
      {Defaults, u"$G", {{C::Number, u"", 1}}},
      {CLike, u"0x", {{C::Number, u"", 1}}},
      {CLike, u"0xg", {{C::Number, u"", 1}}},
      {CLike, u"10", {{C::Number, u"10", 3}}},
      {Defaults, u" x", {{C::Number, u"", 2}}},
      {Defaults, u"7", {{C::Number, u"7", 2}, {C::Number, u"", 2}}},
  });
}

TEST(Parser, Strings) {
  Check({
      {Defaults, u"'it''s'", {{C::String, u"'it's'", 8}}},
      {Defaults, u"'a'#13#10'b';", {{C::String, u"'a\r\nb'", 13}}},
      {Defaults, u"'a' 'b'", {{C::String, u"'a'", 4}, {C::String, u"'b'", 8}}},
      {Defaults, u"'abc\r\n'", {{C::String, u"", 1}}},
      {Defaults, u"'abc", {{C::String, u"", 1}}},
      {Defaults, u"'ok''", {{C::String, u"", 1}}},
      {Defaults, u"'a\0b'"s, {{C::String, u"", 1}}},
      {Defaults, u"'a\tb'", {{C::String, u"'a\tb'", 6}}},
      {Defaults, u"#$41#66", {{C::String, u"'AB'", 8}}},
      {Defaults, u"'ok'#", {{C::String, u"'ok'", 5}}},
      {Defaults, u"'x'#$", {{C::String, u"'x'", 4}}},
      {Defaults, u"'a'#13'b", {{C::String, u"'a\r'", 7}}},
      {Defaults, u"#128512", {{C::String, u"'\U0001F600'", 8}}},
      {Defaults, u"#99999999999999999999", {{C::String, u"'\uFFFD'", 22}}},
      {Defaults, u"#0", {{C::String, u"'\0'"s, 3}}},
      {Defaults, u"  x", {{C::String, u"", 3}}},
      {CLike, u"\"say \"\"hi\"\"\"", {{C::String, u"'say \"hi\"'", 13}}},
      {CLike, u"0x41", {{C::String, u"", 1}}},
      {CLike, u"#0x41", {{C::String, u"'A'", 6}}},
      {Escapes, u"\"a\\nb\\R\\x41\\q\\\"\"", {{C::String, u"'a\nb\rAq\"'", 17}}},
      {Escapes, u"\"\\x\"", {{C::String, u"''", 5}}},
      {Escapes, u"\"\\x1F600\"", {{C::String, u"'\U0001F600'", 10}}},
      {Escapes, u"\"a\"\"b\"", {{C::String, u"'ab'", 7}}},
      {Escapes, u"\"a\\", {{C::String, u"", 1}}},
      {Escapes, u"\"a\\\r\n\"", {{C::String, u"", 1}}},
      {Escapes, u"\"a\\x", {{C::String, u"", 1}}},
  });
}

TEST(Parser, WordsAndKeywords) {
  Check({
      {Pascal, u"begin x", {{C::Ident, u"", 6}, {C::Ident, u"x", 8}}},
      {Pascal, u"BEGIN", {{C::Ident, u"", 6}}},
      {Pascal, u"Begin", {{C::Word, u"Begin", 6}}},
      {Pascal, u"beginning", {{C::Ident, u"beginning", 10}}},
      {CLike, u"IF if", {{C::Ident, u"IF", 3}, {C::Ident, u"", 6}}},
      {Defaults, u"中文名 x", {{C::Ident, u"中文名", 4}}},
      {Defaults, u"a\u00e9\U0001F600b", {{C::Ident, u"a\u00e9\U0001F600b", 6}}},
      {Defaults, u"9abc", {{C::Word, u"", 1}, {C::Number, u"9", 2}, {C::Word, u"abc", 5}}},
      {Defaults, u"_x1+", {{C::Word, u"_x1", 4}, {C::Char, u"+", 5}}},
      {Defaults, u"_", {{C::Char, u"_", 2}}},
      {Defaults, u"a", {{C::Char, u"", 1}}},
      {Defaults, u" ;", {{C::Char, u"", 1}, {C::SkipChar, u";", 3}}},
      {Defaults, u"\x7f", {{C::Char, u"", 1}, {C::Word, u"\x7f", 2}}},
      {NoSkip, u"a;b", {{C::Word, u"a", 2}, {C::Char, u";", 3}, {C::Word, u"b", 4}}},
      {NoSkip, u" a", {{C::Word, u"", 1}}},
  });
}

TEST(Parser, Comments) {
  Check({
      {Defaults, u"{ c } (* d *) // e\r\n x", {{C::Ident, u"x", 23}}},
      {Defaults, u"{ open", {{C::Ident, u"", 7}}},
      {Defaults, u"(*)", {{C::Ident, u"", 4}}},
      {Defaults, u"// only", {{C::Ident, u"", 8}}},
      {Defaults, u"a\r\n", {{C::Ident, u"a", 2}, {C::Eol, u"0", 4}}},
      {CLike, u"/* x */y", {{C::Ident, u"y", 9}}},
      {Basic, u"rem x\r\ny", {{C::Eol, u"0", 8}, {C::Ident, u"y", 9}}},
      {Basic, u"remark\r\ny", {{C::Ident, u"y", 10}}},
      {Basic, u"REM x", {{C::Word, u"REM", 4}}},
      {Basic, u"a ' c\r\nb", {{C::Ident, u"a", 2}, {C::Eol, u"1", 8}, {C::Ident, u"b", 9}}},
      {Basic,
       u"a\r\n' c\r\nb",
       {{C::Ident, u"a", 2}, {C::Eol, u"1", 4}, {C::Eol, u"0", 9}, {C::Ident, u"b", 10}}},
      {Basic, u"a\r\n\r\n b", {{C::Ident, u"a", 2}, {C::Eol, u"1", 6}, {C::Ident, u"b", 8}}},
      {Basic, u"/\\ x /\\ y", {{C::Ident, u"y", 10}}},
      {CrComment, u"x \r y\r\nz", {{C::Ident, u"x", 2}, {C::Eol, u"0", 8}, {C::Ident, u"z", 9}}},
  });
}

TEST(Parser, LineContinuation) {
  Check({
      {Basic, u"a _\r\n b", {{C::Ident, u"a", 2}, {C::Eol, u"0", 7}, {C::Ident, u"b", 8}}},
      {Basic, u"a _ ' c\r\n b", {{C::Ident, u"a", 2}, {C::Eol, u"0", 11}, {C::Ident, u"b", 12}}},
      {Basic,
       u"a _ _\r\n\r\n b\r\n",
       {{C::Eol, u"0", 1},
        {C::Ident, u"a", 2},
        {C::Eol, u"0", 11},
        {C::Ident, u"b", 12},
        {C::Eol, u"1", 14}}},
      {Basic, u"a _", {{C::Ident, u"a", 2}, {C::Eol, u"0", 4}}},
      {Basic, u"_x", {{C::Ident, u"x", 3}}},
  });
}

TEST(Parser, TemplateText) {
  Check({
      {Defaults, u"a<b>c>rest", {{C::FR, u"a<b>c", 6}}},
      {Defaults, u"x[\"]\"]'>'>", {{C::FR, u"x[\"]\"]'>'", 10}}},
      {Defaults, u"'it\"s'>", {{C::FR, u"'it\"s'", 7}}},
      {Defaults, u"abc", {{C::FR, u"abc", 4}}},
      {Defaults, u"]", {{C::FR, u"", 1}}},
      {Defaults, u"  x>", {{C::FR, u"  x", 4}}},
  });
}

TEST(Parser, Positions) {
  TfsParser p;
  p.SetText(u"ab\ncd\r\nef");
  struct {
    int pos;
    const char16_t* xy;
  } rows[] = {{1, u"1:1"}, {3, u"1:3"}, {4, u"2:1"}, {6, u"2:3"}, {7, u"2:4"}, {8, u"3:1"}, {10, u"3:3"}};
  for (const auto& r : rows) {
    p.SetPosition(r.pos);
    EXPECT_EQ(p.GetXYPosition(), r.xy) << r.pos;
  }
  // Every position maps back onto itself.
  for (int pos = 1; pos <= p.Size() + 1; ++pos) EXPECT_EQ(p.GetPlainPosition(p.GetXYPoint(pos)), pos);
  struct {
    TPoint point;
    int pos;
  } plain[] = {{{1, 0}, -1}, {{1, 4}, -1}, {{2, 3}, 9}, {{5, 1}, 5}, {{INT_MAX, 3}, -1}};
  for (const auto& r : plain) EXPECT_EQ(p.GetPlainPosition(r.point), r.pos);
  EXPECT_EQ(p.YList(), (std::vector<int>{0, 3, 7}));

  p.SetUseY(false);
  p.SetText(u"a\nb");
  EXPECT_TRUE(p.YList().empty());
  p.SetPosition(3);
  EXPECT_EQ(p.GetXYPosition(), u"1:3");
}

TEST(Parser, CommentPairs) {
  struct {
    std::u16string pair, open, close;
  } rows[] = {
      {u"/*,*/", u"/*", u"*/"}, {u" { , } ", u"{", u"}"},  {u"\"a b\",c", u"a b", u"c"},
      {u"x", u"x", u""},        {u"", u"", u""},           {u"a b", u"a", u"b"},
      {u",}", u"", u"}"},       {u"\0{,\0}"s, u"{", u"}"}, {u"\"a\"\"b", u"a\"b", u""},
  };
  for (const auto& r : rows) {
    TfsParser p;
    p.SetCommentBlock2(r.pair);
    EXPECT_EQ(p.CommentBlock2(), r.pair);
    EXPECT_EQ(p.CommentBlock21(), r.open) << ToUtf8(r.pair);
    EXPECT_EQ(p.CommentBlock22(), r.close) << ToUtf8(r.pair);
  }
  // A pair without a closing delimiter is no comment at all.
  TfsParser p;
  p.SetCommentBlock1(u"{");
  p.SetText(u"{x");
  p.SkipSpaces();
  EXPECT_EQ(p.GetChar(), u"{");
}

TEST(Parser, ClearAndCharset) {
  TfsParser p;
  Basic(p);
  p.ConstructCharset(u"ab$\u4e2d");
  p.SetSpecStrChar(true);
  p.Clear();
  EXPECT_TRUE(p.Keywords().empty());
  EXPECT_EQ(p.CommentLine1(), u"//");
  EXPECT_EQ(p.CommentLine2(), u"");
  EXPECT_EQ(p.CommentBlock11(), u"{");
  EXPECT_EQ(p.CommentBlock22(), u"*)");
  EXPECT_EQ(p.HexSequence(), u"$");
  EXPECT_EQ(p.StringQuotes(), u"'");
  EXPECT_TRUE(p.SkipEOL() && p.SkipSpace() && !p.SpecStrChar() && !p.CaseSensitive());
  EXPECT_EQ(p.SkiPChar(), u"");
  EXPECT_EQ(p.IdentifierCharset().count(), 63u);

  p.ConstructCharset(u"ab$\u4e2d");
  EXPECT_EQ(p.IdentifierCharset().count(), 3u);  // U+4E2D adds no byte
  p.SetText(u"$ab-c");
  EXPECT_EQ(p.GetWord(), u"$ab");
  EXPECT_EQ(p.GetChar(), u"-");
  EXPECT_EQ(p.GetWord(), u"");
}

TEST(Parser, KeywordList) {
  TfsParser p;
  for (auto w : {u"while", u"Begin", u"and", u"begin", u"while"}) p.AddKeyword(w);
  EXPECT_EQ(p.Keywords(), (std::vector<std::u16string>{u"and", u"Begin", u"begin", u"while"}));
  struct {
    const char16_t* word;
    bool insensitive, sensitive;
  } rows[] = {{u"BEGIN", true, false},
              {u"begin", true, true},
              {u"whilex", false, false},
              {u"", false, false},
              {u"AND", true, false}};
  for (const auto& r : rows) {
    p.SetCaseSensitive(false);
    EXPECT_EQ(p.IsKeyWord(r.word), r.insensitive) << ToUtf8(r.word);
    p.SetCaseSensitive(true);
    EXPECT_EQ(p.IsKeyWord(r.word), r.sensitive) << ToUtf8(r.word);
  }
  p.AddKeyword(u"\u00e9t\u00e9");
  p.SetCaseSensitive(false);
  EXPECT_TRUE(p.IsKeyWord(u"\u00c9T\u00c9"));
}

// Back-tracking re-skips from remembered positions; a change of settings or
// text must not reuse an old answer.
TEST(Parser, SettingsChangeAfterSkipping) {
  TfsParser p;
  p.SetText(u"{c} x");
  p.SkipSpaces();
  EXPECT_EQ(p.Position(), 5);
  p.SetCommentBlock1(u"/*,*/");
  p.SetPosition(1);
  p.SkipSpaces();
  EXPECT_EQ(p.Position(), 1);
  p.SetText(u"   y");
  p.SetPosition(1);
  p.SkipSpaces();
  EXPECT_EQ(p.Position(), 4);
}

// Every reader on every position of texts cut anywhere: no reader may move
// backwards or beyond the terminator.
TEST(Parser, CutTextsStayInBounds) {
  const std::u16string sample =
      u"x := 'a''b'#13#$0A\"c\\x4\\\" + $1F.5e+3 { c } (* d *) // e\r\nrem f _\r\n /\\ g /\\ <a[\"]\"]> "
      u"\U0001F600\xD800 \0 0x1g #"s;
  void (*setups[])(TfsParser&) = {Defaults, CLike, Escapes, Basic, NoSkip};
  const Call calls[] = {C::Word, C::Ident, C::Char, C::Number, C::String, C::FR, C::Eol, C::Skip};
  for (auto setup : setups) {
    TfsParser p;
    setup(p);
    for (int extreme : {INT_MIN, INT_MAX}) {
      p.SetText(sample);
      for (Call call : calls) {
        p.SetPosition(extreme);
        EXPECT_EQ(Read(p, call), call == C::Eol ? u"0" : u"");
        EXPECT_EQ(p.Position(), extreme);
      }
    }
    for (size_t cut = 0; cut <= sample.size(); ++cut) {
      p.SetText(std::u16string_view(sample).substr(0, cut));
      for (int start = 0; start <= p.Size() + 2; ++start) {
        for (Call call : calls) {
          p.SetPosition(start);
          Read(p, call);
          ASSERT_GE(p.Position(), start);
          if (start <= p.Size() + 1) {
            ASSERT_LE(p.Position(), p.Size() + 1);
          }
        }
      }
    }
  }
}

TEST(Parser, HugeInputs) {
  TfsParser p;
  Basic(p);
  std::u16string text(200000, u'_');
  text += u"x";
  p.SetText(text);
  EXPECT_EQ(p.GetIdent(), u"x");

  std::u16string word(1 << 20, u'w');
  p.SetText(word + u" ;");
  EXPECT_EQ(p.GetWord().size(), word.size());
  p.SetText(u"\"" + word);
  EXPECT_EQ(p.GetString(), u"");
  EXPECT_EQ(p.Position(), 1);
}

}  // namespace
}  // namespace qv
