#include "library/html/html_to_text.h"

#include <array>
#include <memory>

#include "library/encode/escape.h"
#include "library/html/element_pass.h"
#include "library/html/entities.h"
#include "library/html/html_patterns.h"
#include "library/html/numeric_references.h"
#include "library/html/pass_regex.h"
#include "library/html/span_removal.h"
#include "library/html/text_ops.h"
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

// Removal of invisible elements and comments, line breaks for block tags,
// removal of the remaining tags. The result is UTF-8.
std::string StripTags(std::u16string text) {
  // Line breaks go, tabs become spaces.
  size_t kept = 0;
  for (char16_t c : text)
    if (c != u'\r' && c != u'\n') text[kept++] = c == u'\t' ? u' ' : c;
  text.resize(kept);
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
  TrimBytes(bytes);
  CollapseLineBreakRuns(bytes);
  TidyBlankLines(bytes, freespace);
  TrimBytes(bytes);
  return FromUtf8(bytes);
}

}  // namespace qv::library
