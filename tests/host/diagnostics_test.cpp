// Diagnostics: the suggestion for a misspelt name, the lines runners
// write, and the place a run-time error collects on its way out.
#include "host/diagnostics.h"

#include <gtest/gtest.h>

#include "host/template_source.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::host {
namespace {

TEST(Diagnostics, DistanceCountsTyposAsOneEditIgnoringCase) {
  struct Row {
    std::u16string_view a, b;
    size_t distance;
  } rows[] = {
      {u"gettickcout", u"GetTickCount", 1},  // a letter left out
      {u"tirm", u"Trim", 1},                 // two letters swapped
      {u"htpget", u"httpget", 1},
      {u"lenght", u"length", 1},
      {u"abc", u"abc", 0},
      {u"", u"abc", 3},
      {u"kitten", u"sitting", 3},
  };
  for (const Row& r : rows)
    EXPECT_EQ(NameDistance(r.a, r.b), r.distance) << ToUtf8(r.a) << " " << ToUtf8(r.b);
}

TEST(Diagnostics, ClosestNameOnlyWhenCloseForItsLength) {
  const std::vector<std::u16string> known{u"Time", u"Trim", u"gettickcount", u"httpget", u"lg", u"Length"};
  EXPECT_EQ(ClosestName(u"gettickcout", known), u"gettickcount");
  EXPECT_EQ(ClosestName(u"Tim", known), u"Time");  // a tie goes to the first in alphabetical order
  EXPECT_EQ(ClosestName(u"xy", known), u"");       // short names allow one edit: "lg" is two away
  EXPECT_EQ(ClosestName(u"counter", known), u"");
  EXPECT_EQ(ClosestName(u"LG", known), u"");  // the name itself is no suggestion
  EXPECT_EQ(ImplicitNameMessage(u"htpget", known),
            u"'htpget' is not declared; it is taken as a new variable (did you mean 'httpget'?)");
  EXPECT_EQ(ImplicitNameMessage(u"zz", known), u"'zz' is not declared; it is taken as a new variable");
}

TEST(Diagnostics, LinesNameFileLineColumnAndNotes) {
  Diagnostic d;
  d.kind = DiagnosticKind::Error;
  d.file = u"/work/s/main.qvs";
  d.line = 4;
  d.column = 7;
  d.message = u"Division by zero";
  d.notes = {{u"/work/s/main.qvs", 10, u"called from ratio"},
             {u"/elsewhere/lib.js", 2, u"called from report"},
             {u"", 0, u"and 3 more calls"}};
  EXPECT_EQ(FormatDiagnostic(d, u"/work/s", u"<stdin>"),
            (std::vector<std::u16string>{
                u"main.qvs:4:7: error: Division by zero", u"main.qvs:10: note: called from ratio",
                u"/elsewhere/lib.js:2: note: called from report", u"note: and 3 more calls"}));
  // Script text has no file: a named thread stands for it, else `unnamed`.
  Diagnostic w;
  w.kind = DiagnosticKind::Warning;
  w.line = 1;
  w.message = u"m";
  EXPECT_EQ(FormatDiagnostic(w, u"/x", u"<stdin>")[0], u"<stdin>:1: warning: m");
  w.threadName = u"worker";
  EXPECT_EQ(FormatDiagnostic(w, u"/x", u"<stdin>")[0], u"(worker):1: warning: m");
  // A folder that only begins the same is not the file's folder.
  w.file = u"/work/sx/a.qvs";
  EXPECT_EQ(FormatDiagnostic(w, u"/work/s", u"")[0], u"/work/sx/a.qvs:1: warning: m");
}

TEST(Diagnostics, ErrorPlaceKeepsTheRaisingStatementAndAtMostTwentyCalls) {
  ScriptError e(u"boom");
  EXPECT_EQ(e.place(), nullptr);
  e.NoteRoutine(u"ignored");  // no statement yet: the call site will be the place
  EXPECT_EQ(e.place(), nullptr);
  e.NoteStatement(u"", u"3:5");
  e.NoteStatement(u"", u"9:1");  // an enclosing statement changes nothing
  for (int level = 0; level < 25; ++level) {
    e.NoteRoutine(u"f" + IntToText(level));
    e.NoteStatement(level % 2 == 0 ? u"unit.js" : u"", IntToText(100 + level) + u":2");
    e.NoteStatement(u"", u"1:1");  // the list around the call
  }
  const ErrorPlace* place = e.place();
  ASSERT_NE(place, nullptr);
  EXPECT_EQ(place->pos, u"3:5");
  ASSERT_EQ(place->calls.size(), ErrorPlace::kMaxCalls);
  EXPECT_EQ(place->calls[0].routine, u"f0");
  EXPECT_EQ(place->calls[0].unit, u"unit.js");
  EXPECT_EQ(place->calls[0].pos, u"100:2");
  EXPECT_EQ(place->calls[19].routine, u"f19");
  EXPECT_EQ(place->calls[19].pos, u"119:2");
  EXPECT_EQ(place->omittedCalls, 5u);
  // A copy of the error (as a rethrow may make) shares the place.
  ScriptError copy = e;
  EXPECT_EQ(copy.place(), place);
}

TEST(Diagnostics, MarkedDirectiveIsTheMarkThenLanguage) {
  EXPECT_TRUE(StartsWithMarkedDirective(u"\uFEFF#language js\r\nlg(1);"));
  EXPECT_TRUE(StartsWithMarkedDirective(u"\u00EF\u00BB\u00BF#language js"));  // read as Latin-1
  EXPECT_FALSE(StartsWithMarkedDirective(u"#language js"));
  EXPECT_FALSE(StartsWithMarkedDirective(u"\uFEFFtext <? lg(1); ?>"));
}

}  // namespace
}  // namespace qv::host
