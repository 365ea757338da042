#include "support/regex.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>

#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ScriptError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(RegEx, ReplacementSyntax) {
  const char* nine = "(a)(b)(c)(d)(e)(f)(g)(h)(i)";
  struct Row {
    const char* tmpl;
    const char* subject;
    const char* pattern;
    const char* expected;
  } rows[] = {
      {"[$1]", "ab12cd", "(\\d)(\\d)", "ab[1]cd"},
      {"$2$1", "ab12cd", "(\\d)(\\d)", "ab21cd"},
      {"\\2\\1", "ab12cd", "(\\d)(\\d)", "ab21cd"},
      {"<\\0>", "a1b", "\\d", "a<1>b"},
      {"$$", "a1b", "\\d", "a$b"},
      {"\\$", "a1b", "\\d", "a$b"},
      {"\\\\", "a1b", "\\d", "a\\b"},
      {"$&$&", "a1b", "\\d", "a11b"},
      {"\\&", "a1b", "\\d", "a1b"},
      {"[$`]", "ab1cd", "\\d", "ab[ab]cd"},
      {"[$']", "ab1cd", "\\d", "ab[cd]cd"},
      {"[\\`|\\']", "ab1cd", "\\d", "ab[ab|cd]cd"},
      {"$+", "x-ab", "(a)(b)", "x-b"},
      {"\\+", "x-ab", "(a)(b)", "x-b"},
      {"[$_]", "a1b", "\\d", "a[a1b]b"},
      {"${1}0", "ab", "(a)", "a0b"},
      {"${name}!", "ab", "(?<name>a)", "a!b"},
      {"${nope}", "ab", "(?<name>a)", "${nope}b"},
      {"${1", "ab", "(a)", "${1b"},
      {"\\g<name>!", "ab", "(?<name>a)", "a!b"},
      {"<\\g<nope>>", "ab", "(?<name>a)", "<>b"},
      {"\\g<name", "ab", "(?<name>a)", "\\g<nameb"},
      {"\\g1", "ab", "(a)", "\\g1b"},
      {"$10", "abcdefghij", nine, "a0j"},
      {"$10", "abcdefghijk", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "jk"},
      {"${10}", "abcdefghij", nine, "j"},
      {"[$3]", "ab", "(a)(b)", "[]"},
      {"[$2]", "ab", "(a)(x)?(b)", "[]"},
      {"[\\U2]", "ab", "(a)(x)?(b)", "[]"},
      {"\\U1", "hello world", "(hello)", "HELLO world"},
      {"\\u1", "hello world", "(hello)", "HELLO world"},
      {"\\L1", "HeLLo", "(\\w+)", "hello"},
      {"\\F1", "hELLO wORLD", "(.+)", "Hello world"},
      {"\\I1", "hELLO wORLD o'neil (x) a-b a/b", "(.+)", "Hello World O'neil (X) A-B A/b"},
      {"\\I1", "jean\xC2\xB7paul", "(.+)", "Jean\xC2\xB7Paul"},
      {"\\U1", "caf\xC3\xA9", "(\xC3\xA9)", "caf\xC3\x89"},
      {"\\Ux", "a", "a", "\\Ux"},
      {"\\d+", "a1b", "\\d", "a\\d+b"},
      {"x$", "a1b", "\\d", "ax$b"},
      {"x\\", "a1b", "\\d", "ax\\b"},
      {"$x", "a1b", "\\d", "a$xb"},
      {"$1$1", "x$2y", "(\\$\\d)", "x$2$2y"},  // inserted text is not scanned again
      {"<$&>", "a1b22c", "\\d+", "a<1>b<22>c"},
  };
  for (const auto& r : rows) {
    TQvRegEx rx;
    rx.SetRegEx(std::string_view(r.pattern));
    rx.SetSubject(std::string(r.subject));
    EXPECT_TRUE(rx.ReplaceAll(std::string_view(r.tmpl))) << r.tmpl;
    EXPECT_EQ(rx.Subject(), r.expected) << r.tmpl << " on " << r.subject;
  }
}

// ReplaceAll must leave the same subject, Start and Stop as Replace and
// MatchAgain by hand, whichever way it builds the result.
TEST(RegEx, ReplaceAllEqualsReplaceLoop) {
  struct Row {
    const char* pattern;
    const char* tmpl;
    const char* subject;
    bool allowEmpty;
    const char* expected;  // nullptr: only compared with the loop
  } rows[] = {
      {"\\d+", "<$0>", "a1b22c333", false, "a<1>b<22>c<333>"},
      {"(?<=x)a", "x", "xaa", false, "xxx"},  // lookbehind sees replaced text
      {"(?m)^a", "\n", "aa", false, "\n\n"},  // so does "^"
      {"\\ba", "-", "a a aa", false, "- - --"},
      {"x*", "-",
       "a\xC3\xA9"
       "b",
       true, nullptr},
      {"b", "[$`]", "abab", false, "a[a]a[a[a]a]"},
      {"o", "0", "foo boo", false, "f00 b00"},
      {"\xC3\xA9", "e", "caf\xC3\xA9 \xC3\xA9t\xC3\xA9", false, "cafe ete"},
  };
  for (const auto& r : rows) {
    TQvRegEx a, b;
    for (TQvRegEx* rx : {&a, &b}) {
      rx->SetRegEx(std::string_view(r.pattern));
      rx->SetSubject(std::string(r.subject));
      if (r.allowEmpty) rx->SetState({});
    }
    ASSERT_TRUE(a.ReplaceAll(std::string_view(r.tmpl)));
    ASSERT_TRUE(b.Match());
    b.SetReplacement(r.tmpl);
    do b.Replace();
    while (b.MatchAgain());
    EXPECT_EQ(a.Subject(), b.Subject()) << r.pattern;
    EXPECT_EQ(a.Start(), b.Start()) << r.pattern;
    EXPECT_EQ(a.Stop(), b.Stop()) << r.pattern;
    EXPECT_EQ(a.Stop(), static_cast<int>(a.Subject().size()));
    if (r.expected) {
      EXPECT_EQ(a.Subject(), r.expected) << r.pattern;
    }
  }

  TQvRegEx rx;
  rx.SetRegEx(std::string_view("\\d"));
  rx.SetSubject(std::string("none here"));
  EXPECT_FALSE(rx.ReplaceAll(std::string_view("x")));
  EXPECT_EQ(rx.Subject(), "none here");
}

TEST(RegEx, Split) {
  using V = std::vector<std::string>;
  struct Row {
    const char* pattern;
    const char* subject;
    int limit;
    V expected;
  } rows[] = {
      {",", "a,b,,c", 0, {"a", "b", "", "c"}},
      {",", "a,b,,c", -1, {"a", "b", "", "c"}},
      {",", "a,b,,c", 1, {"a,b,,c"}},
      {",", "a,b,,c", 2, {"a", "b,,c"}},
      {",", "a,b,,c", 3, {"a", "b", ",c"}},
      {",", "a,b,,c", 10, {"a", "b", "", "c"}},
      {",", ",a,", 0, {"", "a", ""}},
      {",", "abc", 0, {"abc"}},
      {",", "", 0, {""}},
      {"\\s*;\\s*", "x ; y;z", 0, {"x", "y", "z"}},
  };
  for (const auto& r : rows) {
    TQvRegEx rx;
    rx.SetRegEx(std::string_view(r.pattern));
    rx.SetSubject(std::string(r.subject));
    V pieces{"stale"};
    rx.Split(pieces, r.limit);
    EXPECT_EQ(pieces, r.expected) << r.subject << " limit " << r.limit;
  }

  auto rx = CreateRegEx(u"[,，]", u"中,文，字");
  std::vector<std::u16string> wide;
  rx->Split(wide);
  EXPECT_EQ(wide, (std::vector<std::u16string>{u"中", u"文", u"字"}));
}

TEST(RegEx, MatchPositionsAndGroups) {
  TQvRegEx rx;
  rx.SetRegEx(std::string_view("\\d+"));
  rx.SetSubject(std::string("a1b22"));
  ASSERT_TRUE(rx.Match());
  EXPECT_EQ(rx.MatchedOffset(), 2);
  EXPECT_EQ(rx.MatchedLength(), 1);
  EXPECT_EQ(rx.Start(), 3);
  ASSERT_TRUE(rx.MatchAgain());
  EXPECT_EQ(rx.MatchedText(), "22");
  EXPECT_EQ(rx.MatchedOffset(), 4);
  EXPECT_EQ(rx.Start(), 6);
  EXPECT_FALSE(rx.MatchAgain());
  EXPECT_FALSE(rx.FoundMatch());
  rx.SetStart(100);
  EXPECT_FALSE(rx.MatchAgain());

  // A search in between, then the match and position put back.
  rx.SetSubject(std::string("a1b22c333"));
  ASSERT_TRUE(rx.Match() && rx.MatchAgain());
  auto saved = rx.SaveMatch();
  int count = 0;
  for (bool ok = rx.Match(); ok; ok = rx.MatchAgain()) ++count;
  EXPECT_EQ(count, 3);
  rx.RestoreMatch(saved);
  EXPECT_EQ(rx.MatchedText(), "22");
  EXPECT_EQ(rx.Start(), 6);
  rx.SetSubject(std::string("a1b22c333"));
  rx.RestoreMatch(saved);
  EXPECT_FALSE(rx.FoundMatch());

  // A group that did not take part, and one above GroupCount.
  rx.SetRegEx(std::string_view("(a)(x)?(b)"));
  rx.SetSubject(std::string("zab"));
  ASSERT_TRUE(rx.Match());
  EXPECT_EQ(rx.GroupCount(), 3);
  EXPECT_EQ(rx.Groups(2), "");
  EXPECT_EQ(rx.GroupOffsets(2), 0);
  EXPECT_EQ(rx.GroupLengths(2), 0);
  EXPECT_EQ(rx.GroupOffsets(3), 3);
  EXPECT_EQ(rx.Groups(9), "");
  EXPECT_EQ(rx.Groups(-1), "");

  rx.SetRegEx(std::string_view("(?<year>\\d{4})-(?<month>\\d\\d)"));
  EXPECT_EQ(rx.NamedGroup(std::string_view("month")), 2);
  EXPECT_LT(rx.NamedGroup(std::string_view("day")), 0);
  EXPECT_TRUE(rx.Compiled());
  rx.SetRegEx(std::string_view("(?<year>\\d{4})-(?<month>\\d\\d)"));
  EXPECT_TRUE(rx.Compiled());  // same pattern: kept
  rx.SetOptions({TQvRegExOption::preCaseLess});
  EXPECT_FALSE(rx.Compiled());

  // UTF-16 in and out; positions count bytes of the UTF-8 subject.
  auto w = CreateRegEx(u"(中)文", u"x中文y");
  ASSERT_TRUE(w->Match());
  EXPECT_EQ(w->GroupsU16(1), u"中");
  EXPECT_EQ(w->MatchedOffset(), 2);
  EXPECT_EQ(w->MatchedLength(), 6);
  EXPECT_EQ(w->SubjectU16(), u"x中文y");
}

TEST(RegEx, DefaultsOptionsAndState) {
  struct Row {
    const char16_t* pattern;
    const char16_t* subject;
    bool found;
  } rows[] = {
      {u"ABC", u"xabc", true},       // case-insensitive
      {u"^b$", u"a\nb\nc", true},    // multi-line
      {u"^b$", u"a\rb\r\nc", true},  // any line end
      {u"a.b", u"a\nb", false},      // dot stops at a line end
      {u"x*", u"abc", false},        // empty matches are not accepted
  };
  for (const auto& r : rows)
    EXPECT_EQ(CreateRegEx(r.pattern, r.subject)->Match(), r.found) << ToUtf8(r.pattern);

  auto rx = CreateRegEx(u"a.b", u"a\nb");
  rx->SetOptions({TQvRegExOption::preSingleLine});
  EXPECT_TRUE(rx->Match());

  // With empty matches allowed, each one moves on by a whole character.
  TQvRegEx e;
  e.SetState({});
  e.SetRegEx(std::string_view("x*"));
  e.SetSubject(u"aéb");
  std::vector<int> at;
  for (bool ok = e.Match(); ok; ok = e.MatchAgain()) at.push_back(e.MatchedOffset());
  EXPECT_EQ(at, (std::vector<int>{1, 2, 4, 5}));
}

// A borrowed subject searched up to a stop: matches see nothing after it,
// replacing keeps the rest, and the subject can be taken back whole.
TEST(RegEx, StopAndBorrowedSubject) {
  TQvRegEx rx;
  rx.SetRegEx(std::string_view("b+$"));
  rx.SetValidSubject("abb|bbb");
  rx.SetStop(3);
  ASSERT_TRUE(rx.Match());
  EXPECT_EQ(rx.MatchedOffset(), 2);
  EXPECT_TRUE(rx.ReplaceAll(std::string_view("X")));
  EXPECT_EQ(rx.Subject(), "aX|bbb");
  EXPECT_EQ(rx.TakeSubject(), "aX|bbb");
  EXPECT_EQ(rx.Subject(), "");
  EXPECT_FALSE(rx.Match());

  // A stop past the end is the end; one inside a character is reported.
  rx.SetRegEx(std::string_view("."));
  rx.SetValidSubject("é");
  rx.SetStop(9);
  EXPECT_EQ(rx.Stop(), 2);
  rx.SetStop(1);
  EXPECT_NE(ErrorOf([&] { rx.Match(); }), "(no error)");
}

TEST(RegEx, Errors) {
  const std::string needMatch = "REQUIRE: There must be a successful match first";
  const std::string badIndex = "REQUIRE: Index <= GroupCount";
  TQvRegEx rx;
  EXPECT_EQ(ErrorOf([&] { rx.Compile(); }),
            "TQvRegEx.Compile() - Please specify a regular expression in RegEx first");
  EXPECT_EQ(ErrorOf([&] { rx.Match(); }),
            "TQvRegEx.Compile() - Please specify a regular expression in RegEx first");
  rx.SetRegEx(std::string_view("a("));
  EXPECT_EQ(ErrorOf([&] { rx.Compile(); }),
            "TQvRegEx.Compile() - Error in regex at offset 2: missing closing parenthesis");
  rx.SetRegEx(std::string_view("a\xFF"));
  EXPECT_NE(
      ErrorOf([&] { rx.Compile(); }).find("TQvRegEx.Compile() - Error in regex at offset 1: UTF-8 error"),
      std::string::npos);

  rx.SetRegEx(std::string_view("(a)"));
  rx.SetSubject(std::string("xyz"));
  EXPECT_EQ(ErrorOf([&] { rx.Groups(0); }), needMatch);
  EXPECT_EQ(ErrorOf([&] { rx.MatchedOffset(); }), needMatch);
  EXPECT_EQ(ErrorOf([&] { rx.Replace(); }), needMatch);
  EXPECT_FALSE(rx.Match());
  EXPECT_EQ(ErrorOf([&] { rx.GroupLengths(0); }), needMatch);
  rx.SetSubject(std::string("a"));
  ASSERT_TRUE(rx.Match());
  EXPECT_EQ(ErrorOf([&] { rx.GroupOffsets(2); }), badIndex);
  EXPECT_EQ(ErrorOf([&] { rx.GroupLengths(-1); }), badIndex);

  // Invalid UTF-8 in the subject and a start inside a character.
  rx.SetSubject(std::string("a\xC3"));
  EXPECT_NE(ErrorOf([&] { rx.Match(); }).find("TQvRegEx.Match() - UTF-8 error"), std::string::npos);
  EXPECT_FALSE(rx.FoundMatch());
  rx.SetSubject(u"éa");
  rx.SetStart(2);
  EXPECT_NE(ErrorOf([&] { rx.MatchAgain(); }).find("TQvRegEx.Match() - "), std::string::npos);

  // Deep backtracking outgrows the JIT's stacks and still matches.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "ab";
  rx.SetRegEx(std::string_view("(?:(a)|b)*c"));
  rx.SetSubject(deep + "c");
  ASSERT_TRUE(rx.Match());
  EXPECT_EQ(rx.MatchedLength(), 200001);

  // Runaway backtracking is an error, not "no match".
  rx.SetRegEx(std::string_view("(a+)+$"));
  rx.SetSubject(std::string(40, 'a') + "b");
  EXPECT_EQ(ErrorOf([&] { rx.Match(); }), "TQvRegEx.Match() - match limit exceeded");
  EXPECT_FALSE(rx.FoundMatch());
}

// Peak resident memory of this process so far, in MB.
long PeakMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

TEST(RegEx, HostileMatchesEndWithinMemoryAndTimeCaps) {
  // Thirty alternatives repeated over 10 MiB: without caps this takes tens
  // of seconds and gigabytes before PCRE2's own limits end it.
  std::string pattern = "^(?:";
  for (int i = 0; i < 30; ++i) pattern += std::string(i ? "|(" : "(") + static_cast<char>('a' + i % 26) + ")";
  pattern += ")*Z";
  std::string subject;
  while (subject.size() < 10 * 1024 * 1024) subject += "ab";
  const long before = PeakMB();
  const auto start = std::chrono::steady_clock::now();
  {
    TQvRegEx rx;
    rx.SetRegEx(std::string_view(pattern));
    rx.SetSubject(std::move(subject));
    const std::string error = ErrorOf([&] { rx.Match(); });
    EXPECT_EQ(error.rfind("TQvRegEx.Match() - ", 0), 0u) << error;
    EXPECT_FALSE(rx.FoundMatch());
  }
  // About 2.5 s and 220 MB on a loaded two-core machine; generous bounds.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_LT(PeakMB() - before, 400);
}

TEST(RegEx, DeepMatchesOnPageSizedSubjectsStillSucceed) {
  // One repetition per character of a 1 MiB page: needs the large JIT stack.
  std::string page;
  for (int i = 0; page.size() < 1024 * 1024; ++i)
    page += "<div class=\"r\">item " + std::to_string(i) + "</div>\n";
  TQvRegEx rx;
  rx.SetRegEx(std::string_view("(.|\\n)*x"));
  rx.SetSubject(page + "x");
  ASSERT_TRUE(rx.Match());
  EXPECT_EQ(static_cast<size_t>(rx.MatchedLength()), page.size() + 1);
}

TEST(RegEx, EscapeRegExChars) {
  struct Row {
    std::string text;
    std::string escaped;
  } rows[] = {
      {"a.b", "a\\.b"},
      {"$()*+.?[\\]^{|}", "\\$\\(\\)\\*\\+\\.\\?\\[\\\\\\]\\^\\{\\|\\}"},
      {"-#/ é", "-#/ é"},
      {std::string("a\0b", 3), "a\\0b"},
      {std::string("a\0"
                   "1",
                   3),
       "a\\0001"},  // "\01" would be another character
  };
  for (const auto& r : rows) {
    EXPECT_EQ(TQvRegEx::EscapeRegExChars(r.text), r.escaped);
    EXPECT_EQ(TQvRegEx::EscapeRegExChars(FromUtf8(r.text)), FromUtf8(r.escaped));
    // The escaped text matches the original literally.
    TQvRegEx rx;
    rx.SetRegEx(std::string_view(r.escaped));
    rx.SetSubject("<" + r.text + ">");
    ASSERT_TRUE(rx.Match()) << r.escaped;
    EXPECT_EQ(rx.MatchedText(), r.text);
  }
}

// A negated class is no anchor: the one-pass replacement gives the same text
// as an anchored pattern replaced match by match.
TEST(RegexReplaceAll, NegatedClassAndAnchors) {
  struct Row {
    const char* pattern;
    const char* subject;
    const char* tmpl;
    const char* result;
  } rows[] = {
      {"<[^>]+>", "a<b>c</b>d", "", "acd"},
      {"[]^]", "a]^b", "-", "a--b"},
      {"^a", "aaa", "", ""},  // in place, the start moves with the text
      {"^x", "x\nx\n", "y", "y\ny\n"},
      {"\\^", "a^b", "", "ab"},
  };
  for (const Row& r : rows) {
    auto rx = CreateRegEx();
    rx->SetRegEx(std::string_view(r.pattern));
    rx->SetSubject(std::string(r.subject));
    rx->ReplaceAll(std::string_view(r.tmpl));
    EXPECT_EQ(rx->Subject(), r.result) << r.pattern;
  }
}

}  // namespace
}  // namespace qv
