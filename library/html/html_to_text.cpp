#include "library/html/html_to_text.h"

#include <array>
#include <memory>
#include <string_view>

#include "library/encode/escape.h"
#include "library/html/element_pass.h"
#include "library/html/entities.h"
#include "library/html/html_patterns.h"
#include "library/html/numeric_references.h"
#include "library/html/pass_regex.h"
#include "library/html/span_removal.h"
#include "library/html/text_ops.h"
#include "support/east_asian_width.h"
#include "support/regex.h"
#include "support/text.h"

namespace qv::library {

using namespace html;

namespace {

enum Pass : size_t {
  kSpaceRuns,
  kInvisibleElements,
  kBlockTags,
  kElementTags,
  kElementTagsAtomic,
  kClosingTags,
  kBlankLines,
  kSpaceAfterBreak,
  kSpaceBeforeBreak,
  kIdeographicSpaceAtEnds,
  kPassCount
};

// Opening tags that are removed: the classic element names first, in their
// order, then (after LABEL) the later elements of the HTML standard, so
// that nav, main, section and the like no longer show in the text (as
// whole names: other tag-like text stays).
#define QV_HTML_ELEMENT_NAMES                                                                                \
  "HTML|TITLE|HEAD|BODY|H\\d+|DIV|BLOCKQUOTE|EM|STRONG|CITE|CODE|SAMP|ABBR|KBD|VAR|DFN|ADDRESS|BIG|SMALL|B|" \
  "I|U|"                                                                                                     \
  "S|SUB|SUP|TT|PRE|CENTER|BLINK|FONT|BASEFONT|A|MAP|IMG|AREA|EMBED|P|HR|NOBR|WBR|UL|LI|OL|DL|DT|DD|MENU|"   \
  "DIR|"                                                                                                     \
  "BR|FORM|INPUT|SELECT|OPTION|TEXTAREA|TABLE|TR|TD|TH|CAPTION|FRAMESET|FRAME|NOFRAMES|ISINDEX|BASE|LINK|"   \
  "META|"                                                                                                    \
  "IFRAME|LABEL|(?:"                                                                                         \
  "ACRONYM|APPLET|ARTICLE|ASIDE|AUDIO|BDI|BDO|BUTTON|CANVAS|COL|COLGROUP|DATA|DATALIST|DEL|DETAILS|DIALOG|"  \
  "FIELDSET|FIGCAPTION|FIGURE|FOOTER|HEADER|HGROUP|INS|KEYGEN|LEGEND|MAIN|MARK|MARQUEE|MATH|MENUITEM|METER|" \
  "NAV|NOEMBED|NOSCRIPT|OBJECT|OPTGROUP|OUTPUT|PARAM|PICTURE|PLAINTEXT|PROGRESS|Q|RB|RP|RT|RTC|RUBY|SCRIPT|" \
  "SEARCH|SECTION|SLOT|SOURCE|SPAN|STRIKE|STYLE|SUMMARY|SVG|TBODY|TEMPLATE|TFOOT|THEAD|TIME|TRACK|VIDEO|"    \
  "XMP)\\b"

const std::array<const char16_t*, kPassCount> kPatterns = {
    uR"(\s{2,})",
    uR"(<(head|script|iframe|frame|noscript|noframes|option|style)[\s\S]*?<\/\1>)",
    uR"(<(br|hr|li|ol|ul|dl|h\d|dd|dt|center|form|table|tr|marquee|div|pre|p|blockquote).*?>)",
    u"<(" QV_HTML_ELEMENT_NAMES ")" QV_HTML_TAG_REST ">",
    u"<(" QV_HTML_ELEMENT_NAMES ")" QV_HTML_TAG_REST_ATOMIC ">",
    uR"(<\/\w+>)",
    uR"((\r\n)[\s　]*(\r\n))",
    uR"((\r\n)[\s　]+)",
    uR"([\s　]+(\r\n))",
    uR"((^　|　$)+?)",
};

// Each pattern is compiled once per thread: an object holds its subject, so
// threads must not share one.
TRegExp& PassRegex(Pass pass) {
  thread_local std::array<std::unique_ptr<TRegExp>, kPassCount> objects;
  auto& rx = objects[pass];
  if (!rx) {
    rx = CreateRegEx(kPatterns[pass]);
    // The element pass runs anchored, at the places where it can match.
    if (pass == kInvisibleElements)
      rx->SetOptions(
          {TQvRegExOption::preCaseLess, TQvRegExOption::preMultiLine, TQvRegExOption::preAnchored});
  }
  return *rx;
}

// A line break of the source, with the white space around it, is a
// segment break: it is held as this mark (a noncharacter, which no page
// should hold) until the tags are gone, because what it becomes depends
// on its neighbours in the text.
constexpr char16_t kBreakMark = u'\uFDD0';
constexpr std::string_view kBreakMarkUtf8 = "\xEF\xB7\x90";

bool IsSpaceOrBreak(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Tabs become spaces; a run of white space holding a line break becomes
// one break mark.
void MarkSegmentBreaks(std::u16string& text) {
  size_t kept = 0;
  for (size_t i = 0; i < text.size();) {
    if (!IsSpaceOrBreak(text[i])) {
      text[kept++] = text[i++];
      continue;
    }
    size_t end = i;
    bool lineBreak = false;
    for (; end < text.size() && IsSpaceOrBreak(text[end]); ++end)
      lineBreak = lineBreak || text[end] == u'\r' || text[end] == u'\n';
    if (lineBreak) {
      text[kept++] = kBreakMark;
    } else {
      for (; i < end; ++i) text[kept++] = u' ';
    }
    i = end;
  }
  text.resize(kept);
}

// The code point that starts at byte i, or ends just before byte i.
char32_t CodePointAt(std::string_view s, size_t i) {
  size_t n = 1;
  while (n < 4 && i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
  std::u16string one = FromUtf8(s.substr(i, n));
  size_t at = 0;
  return one.empty() ? 0 : NextCodePoint(one, at);
}
char32_t CodePointBefore(std::string_view s, size_t i) {
  size_t b = i;
  while (b > 0 && i - b < 4 && (static_cast<unsigned char>(s[b - 1]) & 0xC0) == 0x80) --b;
  return b > 0 ? CodePointAt(s, b - 1) : 0;
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Each run of spaces that holds a break mark: at the start or end of a line
// the marks vanish (block tags already broke the line there); between two
// wide characters (CJK text) the whole run vanishes; anywhere else the run
// becomes one space, so that words on adjacent source lines stay apart.
void ResolveSegmentBreaks(std::string& text) {
  if (text.find(kBreakMarkUtf8) == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] != ' ' && text.compare(i, kBreakMarkUtf8.size(), kBreakMarkUtf8) != 0) {
      out += text[i++];
      continue;
    }
    size_t end = i;
    bool marked = false;
    std::string spaces;
    for (;;) {
      if (end < text.size() && text[end] == ' ') {
        spaces += ' ';
        ++end;
      } else if (text.compare(end, kBreakMarkUtf8.size(), kBreakMarkUtf8) == 0) {
        marked = true;
        end += kBreakMarkUtf8.size();
      } else {
        break;
      }
    }
    if (!marked) {
      out += spaces;
    } else if (out.empty() || IsLineEnd(out.back()) || end == text.size() || IsLineEnd(text[end])) {
      out += spaces;
    } else if (!(IsWideCharacter(CodePointBefore(out, out.size())) &&
                 IsWideCharacter(CodePointAt(text, end)))) {
      out += ' ';
    }
    i = end;
  }
  text = std::move(out);
}

// Removal of invisible elements and comments, line breaks for block tags,
// removal of the remaining tags. The result is UTF-8.
std::string StripTags(std::u16string text) {
  MarkSegmentBreaks(text);
  // replacecontent with an empty target
  if (Contains(text, u"<!--[if")) text = RemoveMatchedSpans(text, u"<!--[if[*]]>(*)<![endif]-->");
  if (Contains(text, u"<!--")) text = RemoveMatchedSpans(text, u"<!--(*)-->");
  std::string bytes = ToUtf8(text);
  text = std::u16string();
  std::string spare;
  ReplacePass(PassRegex(kSpaceRuns), bytes, " ", PassScope::Whole, &spare);
  RemoveElements(
      PassRegex(kInvisibleElements), bytes,
      {{"head", "script", "iframe", "frame", "noscript", "noframes", "option", "style"}, false, {}}, &spare);
  const PassScope tags = PassScope::ToLastTagEnd;
  ReplacePass(PassRegex(kBlockTags), bytes, "\r\n", tags, &spare);
  if (ReplacePass(PassRegex(kElementTags), bytes, "", tags, &spare) == PassResult::Stopped)
    ReplacePass(PassRegex(kElementTagsAtomic), bytes, "", tags, &spare);
  ReplacePass(PassRegex(kClosingTags), bytes, "", tags, &spare);
  return bytes;
}

void TidyBlankLines(std::string& bytes, int freespace) {
  if (freespace <= 0) return;
  if (freespace == 1) {
    // Each pass at least halves a run of blank lines, so the loop is short.
    while (ReplacePass(PassRegex(kBlankLines), bytes, "\r\n") == PassResult::Replaced) {
    }
  } else {
    ReplacePass(PassRegex(kSpaceAfterBreak), bytes, "$1");
    ReplacePass(PassRegex(kSpaceBeforeBreak), bytes, "$1");
    ReplacePass(PassRegex(kIdeographicSpaceAtEnds), bytes, "");
  }
}

}  // namespace

std::u16string HtmlToText(std::u16string_view html, int freespace, bool /*useIE*/) {
  if (IsBlank(html)) return std::u16string(html);
  std::u16string text = ReplaceEntities(html);
  if (ContainsNoCase(text, u"\\u") || ContainsNoCase(text, u"%u")) text = Unescape(text);
  if (!Contains(text, u"<") || !Contains(text, u">"))
    return Contains(text, u"&#") ? DecodeNumericReferences(text) : text;

  // The rest works on UTF-8 and converts once at the end.
  std::string bytes = StripTags(std::move(text));
  DecodeNumericReferencesUtf8(bytes);
  ResolveSegmentBreaks(bytes);
  TrimBytes(bytes);
  CollapseLineBreakRuns(bytes);
  TidyBlankLines(bytes, freespace);
  TrimBytes(bytes);
  return FromUtf8(bytes);
}

}  // namespace qv::library
