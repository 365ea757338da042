// The anchored element removal against the plain replace-all.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "library/html/element_pass.h"
#include "support/regex.h"

namespace qv::library::html {
namespace {

using O = TQvRegExOption;

struct Shape {
  const char* pattern;
  ElementShape shape;
};

const Shape kShapes[] = {
    {R"(<(head|script|iframe|frame|noscript|noframes|option|style)[\s\S]*?<\/\1>)",
     {{"head", "script", "iframe", "frame", "noscript", "noframes", "option", "style"}, false, {}}},
    {R"(<(head|script|iframe|frame|noscript|noframes|option|style|textarea)[^>]*?>[\s\S]*?<\/\1>)",
     {{"head", "script", "iframe", "frame", "noscript", "noframes", "option", "style", "textarea"},
      true,
      {}}},
    {R"(<(\w+)[^>]*?display\s*?:\s*?none[^>]*?>([\s\S]*?)<\/\1>)", {{}, true, "display"}},
};

std::string Plain(const char* pattern, std::string text) {
  TQvRegEx rx;
  rx.SetOptions({O::preCaseLess, O::preSingleLine});
  rx.SetRegEx(std::string_view(pattern));
  rx.SetSubject(text);
  rx.ReplaceAll(std::string_view());
  return rx.Subject();
}

std::string Anchored(const Shape& s, std::string text) {
  TQvRegEx rx;
  rx.SetOptions({O::preCaseLess, O::preSingleLine, O::preAnchored});
  rx.SetRegEx(std::string_view(s.pattern));
  std::string spare = "left over";  // a buffer from an earlier pass: its content must not matter
  RemoveElements(rx, text, s.shape, &spare);
  return text;
}

TEST(RemoveElements, Table) {
  const struct {
    int shape;
    const char* in;
    const char* out;
  } cases[] = {
      {0, "a<script>x</script>b", "ab"},
      {0, "a<SCRIPT src=x>y</Script>b<style>c</style>d", "abd"},
      {0, "<option>1<option>2</option>3", "3"},
      {0, "<frameset><frame src=a></frame>x", "x"},  // "frame" is a start of "frameset"
      {0, "<option>never closed", "<option>never closed"},
      {0, "</option><option>opened after the last closing", "</option><option>opened after the last closing"},
      {1, "<style type=x>a</style>b<textarea>t</textarea>", "b"},
      {1, "<script</script>x", "<script</script>x"},  // no ">" before the closing
      {2, "a<div style=\"display: none\">hidden</div>b", "ab"},
      {2, "a<divx style=\"display:none\">hidden</div>b", "ab"},  // the name gives back its last letters
      {2, "a<span>display:none</span>b", "a<span>display:none</span>b"},
      {2, "<p class=x>ſ<b style='display:none'>h</b>", "<p class=x>ſ"},  // long s: every "<" is tried
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Anchored(kShapes[c.shape], c.in), c.out) << c.in;
    EXPECT_EQ(Anchored(kShapes[c.shape], c.in), Plain(kShapes[c.shape].pattern, c.in)) << c.in;
  }
}

TEST(RemoveElements, SameAsThePlainReplaceOnRandomTexts) {
  const char* pieces[] = {"<",   ">",       "</", "script", "option", "frame", "frameset", "div",
                          "dIv", "display", ":",  "none",   " ",      "x",     "style=",   "\""};
  std::mt19937 random(11);
  for (int round = 0; round < 6000; ++round) {
    std::string text;
    for (int n = random() % 20; n > 0; --n) text += pieces[random() % std::size(pieces)];
    for (const Shape& s : kShapes) ASSERT_EQ(Anchored(s, text), Plain(s.pattern, text)) << text;
  }
}

// One-pass replacement, searched up to the last ">" where the pattern ends
// with one, against the object's own ReplaceAll.
TEST(ReplacePass, SameAsReplaceAllOnRandomTexts) {
  const struct {
    const char* pattern;
    const char* tmpl;
    PassScope scope;
  } passes[] = {
      {R"(<(br|hr|li|p|div).*?>)", "\r\n", PassScope::ToLastTagEnd},
      {R"(<(B|P|SPAN|(?:NAV|SECTION)\b)(?:"|'[^"]*"|'[^']*'|[^>'"]++)*>)", "", PassScope::ToLastTagEnd},
      {R"(<\/\w+>)", "", PassScope::ToLastTagEnd},
      {R"(<\/(li|div|p|h\d+)(?:"|'[^"]*"|'[^']*'|[^>'"]++)*>\s*?)", "</\\1>\r\n", PassScope::ToLastTagEnd},
      {R"(\s*?<(p|br)(?:"|'[^"]*"|'[^']*'|[^>'"]++)*>\s*?)", "<\\1>", PassScope::ToLastTagEnd},
      {R"((\r\n)[\s　]*(\r\n))", "\r\n", PassScope::Whole},
      {R"((^　|　$)+?)", "", PassScope::Whole},
  };
  const char* pieces[] = {"<",  ">",    "p",  "br", "div", "/",    " ",   "'",
                          "\"", "\r\n", "　", "x",  "nav", "navx", "span"};
  std::mt19937 random(5);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (int n = random() % 20; n > 0; --n) text += pieces[random() % std::size(pieces)];
    for (const auto& p : passes) {
      TQvRegEx rx;
      rx.SetOptions({O::preCaseLess, O::preMultiLine});
      rx.SetRegEx(std::string_view(p.pattern));
      std::string ours = text, spare = "left over";
      ReplacePass(rx, ours, p.tmpl, p.scope, round % 2 ? &spare : nullptr);
      rx.SetSubject(text);
      rx.ReplaceAll(std::string_view(p.tmpl));
      ASSERT_EQ(ours, rx.Subject()) << p.pattern << " on " << text;
    }
  }
}

}  // namespace
}  // namespace qv::library::html
