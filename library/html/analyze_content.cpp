#include "library/html/analyze_content.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "library/html/element_pass.h"
#include "library/html/html_patterns.h"
#include "library/html/span_removal.h"
#include "library/html/text_ops.h"
#include "library/url/abspath.h"
#include "support/errors.h"
#include "support/regex.h"
#include "support/text.h"

namespace qv::library {

using namespace html;

namespace {

enum Pattern : size_t {
  kInvisibleElements,
  kSpaceBetweenTags,
  kClosingBlockTags,
  kOpeningBlockTags,
  kParagraphTags,
  kHiddenElements,
  kClosingParagraphs,
  kTagSplitter,
  kImageTag,
  kPatternCount
};

// Every pattern looks like a regular expression (or is written in the
// notation with the flags "is"), so each runs with preCaseLess and
// preSingleLine, as the library's replace operation would run it.
const std::array<const char16_t*, kPatternCount> kPatterns = {
    uR"(<(head|script|iframe|frame|noscript|noframes|option|style|textarea)[^>]*?>[\s\S]*?<\/\1>)",
    uR"(>\s+<)",
    uR"(<\/(li|div|table|td|p|h\d+|hr|center))" QV_HTML_TAG_REST uR"(>\s*?)",
    uR"(<((?:div|table|td|h\d|hr|center))" QV_HTML_TAG_REST uR"()>)",
    uR"(\s*?<(p|br))" QV_HTML_TAG_REST uR"(>\s*?)",
    uR"(<(\w+)[^>]*?display\s*?:\s*?none[^>]*?>([\s\S]*?)<\/\1>)",
    uR"(<\/(p|td|div)>[\r\n\s\t]*?)",
    uR"(<[^>]*?>)",
    // An image tag's pattern must not run past the tag's ">".
    uR"(<img[^>]*?\bsrc\s*=\s*(\"|\'|)(?<url>[^(>|\"|\'|\s)]*)\1(?:[^>])*>)",
};

// One object per pattern and thread, so each pattern is compiled once and
// no object is shared between threads.
TRegExp& PatternRegex(Pattern p) {
  thread_local std::array<std::unique_ptr<TRegExp>, kPatternCount> objects;
  auto& rx = objects[p];
  if (!rx) {
    rx = CreateRegEx();
    TQvRegExOptions options{TQvRegExOption::preCaseLess, TQvRegExOption::preSingleLine};
    // Element removals run anchored, at the places where they can match.
    if (p == kInvisibleElements || p == kHiddenElements) options.Include(TQvRegExOption::preAnchored);
    rx->SetOptions(options);
    rx->SetRegEx(std::u16string_view(kPatterns[p]));
  }
  return *rx;
}

// An element removal (replacement empty) on UTF-16 text.
void RemoveElementsOf(std::u16string& text, Pattern p, const ElementShape& shape) {
  std::string bytes = ToUtf8(text);
  if (RemoveElements(PatternRegex(p), bytes, shape) == PassResult::Replaced) text = FromUtf8(bytes);
}

// Rounds to the nearest integer, halves to the even neighbour.
long long RoundEven(double v) { return static_cast<long long>(std::nearbyint(v)); }

std::vector<std::u16string> PrepareLines(std::u16string_view content) {
  size_t cut = FindNoCase(content, u"<body");
  if (cut == std::u16string_view::npos) cut = FindNoCase(content, u"</head>");
  std::u16string text(cut == std::u16string_view::npos ? content : content.substr(cut));
  RemoveElementsOf(
      text, kInvisibleElements,
      {{"head", "script", "iframe", "frame", "noscript", "noframes", "option", "style", "textarea"},
       true,
       {}});
  // replacecontent with an empty target
  for (std::u16string_view mask : {u"<meta(*)>", u"<link(*)>", u"<!--[if[*]]>(*)<![endif]-->", u"<!--(*)-->"})
    text = RemoveMatchedSpans(text, mask);
  text = ReplaceAll(ReplaceAll(text, u"\r", u""), u"\n", u"");
  std::string bytes = ToUtf8(text);
  const PassScope tags = PassScope::ToLastTagEnd;
  ReplacePass(PatternRegex(kSpaceBetweenTags), bytes, "><");
  ReplacePass(PatternRegex(kClosingBlockTags), bytes, "</\\1>\r\n", tags);
  ReplacePass(PatternRegex(kOpeningBlockTags), bytes, "\r\n<\\1>", tags);
  ReplacePass(PatternRegex(kParagraphTags), bytes, "<\\1>", tags);
  // The replacement "\3" names no group and inserts nothing.
  RemoveElements(PatternRegex(kHiddenElements), bytes, {{}, true, "display"});
  ReplacePass(PatternRegex(kClosingParagraphs), bytes, "", tags);
  text = FromUtf8(bytes);
  for (std::u16string_view tag :
       {u"</font>", u"</strong>", u"</u>", u"</i>", u"</b>", u"</city>", u"</BIG>", u"</EM>", u"</span>",
        u"</h1>", u"</h2>", u"</h3>", u"</h4>", u"</h5>", u"</h6>", u"</p>", u"</td>", u"</div>"})
    text = ReplaceAllNoCase(text, tag, u"");  // replacecontent without masks
  ReplaceUntilGone(text, u"\r\n\r\n", u"\r");
  ReplaceUntilGone(text, u"\r\r", u"\r");
  text = ReplaceAllNoCase(text, u"&nbsp;&nbsp;", u"　");

  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t cr = text.find(u'\r'); cr != std::u16string::npos; cr = text.find(u'\r', start)) {
    lines.push_back(text.substr(start, cr - start));
    start = cr + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

struct Row {
  size_t lineIndex = 0;
  long long textLen = 0;
  long long ratio = 0;
  bool selected = false;
};

struct Table {
  std::vector<Row> rows;
  long long totalTags = 0;
  long long threshold = 0;
  bool automatic = false;
};

Table Measure(const std::vector<std::u16string>& lines, int indexpre) {
  Table t;
  t.automatic = indexpre == -1;
  long long bestRatio = 0, bestLen = 0;
  TRegExp& splitter = PatternRegex(kTagSplitter);
  std::vector<std::u16string> pieces;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::u16string& line = lines[i];
    if (IsBlank(line)) continue;
    // A tag ends with ">": text after the line's last ">" is no tag and is
    // not searched (a line of "<" without ">" is not read from every "<").
    const size_t lastGt = line.rfind(u'>');
    pieces.clear();
    if (lastGt == std::u16string::npos) {
      pieces.push_back(line);
    } else {
      try {
        splitter.SetSubject(std::u16string_view(line).substr(0, lastGt + 1));
        splitter.Split(pieces);
      } catch (const ScriptError&) {
        // a limit: the pieces found so far, the rest of the line as text
      }
      if (pieces.empty()) pieces.emplace_back();
      pieces.back() += line.substr(lastGt + 1);
    }
    const long long tags = static_cast<long long>(pieces.size()) - 1;
    long long textLen = 0;
    for (const std::u16string& piece : pieces)
      if (!IsBlank(piece)) textLen += 2 * static_cast<long long>(piece.size());
    if (textLen == 0 && !ContainsNoCase(line, u"<img")) continue;
    Row row;
    row.lineIndex = i;
    row.textLen = textLen;
    // Ratio 0 marks a line with an image and no text; a long paragraph whose
    // ratio rounds to 0 must not pass for one, so text gives at least 1.
    row.ratio =
        textLen == 0
            ? 0
            : std::max(1LL, RoundEven(1000.0 * static_cast<double>(tags) / static_cast<double>(textLen)));
    if (textLen > 0) {
      t.totalTags += tags;
      if (t.automatic && row.ratio > 0 && row.ratio < 50 && textLen > bestLen) {
        bestLen = textLen;
        bestRatio = row.ratio;
      }
    }
    t.rows.push_back(row);
  }
  splitter.SetSubject(std::string());
  t.threshold = indexpre;
  if (t.automatic && bestRatio > 0 && t.threshold < bestRatio) t.threshold = bestRatio;
  return t;
}

bool Excluded(std::u16string_view low) {
  return Contains(low, u"copyright ") || Contains(low, u"all rights reserved") || Contains(low, u"icp备");
}

std::u16string AsciiLower(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c += 32;
  return out;
}

// One selection run; true when it selected a row.
bool SelectRun(Table& t, const std::vector<std::u16string>& lines, const std::vector<long long>& ltBefore,
               long long minimum, size_t& lastSelected) {
  const long long tagLimit = RoundEven(static_cast<double>(t.totalTags) / 10.0);
  bool any = false;
  for (size_t k = 0; k < t.rows.size(); ++k) {
    Row& row = t.rows[k];
    if (row.ratio == 0) continue;
    // Too much markup since the last selected line ends the run.
    if (t.automatic && lastSelected > 0 && ltBefore[k + 1] - ltBefore[lastSelected] > tagLimit) break;
    const std::u16string& line = lines[row.lineIndex];
    long long wide = 0;
    for (char16_t c : line) wide += c > 0x7F;
    if (row.ratio > t.threshold && wide <= minimum) continue;
    if (Excluded(AsciiLower(line))) continue;
    row.selected = true;
    any = true;
    lastSelected = k;
    for (size_t j = k; j-- > (k >= 2 ? k - 2 : 0);)
      if (!t.rows[j].selected && t.rows[j].ratio == 0) t.rows[j].selected = true;
  }
  return any;
}

std::u16string Assemble(const Table& t, const std::vector<std::u16string>& lines) {
  std::u16string result;
  size_t lastLine = 0;
  for (const Row& row : t.rows) {
    if (!row.selected) continue;
    if (lastLine > 0 && row.lineIndex < lastLine + 4)
      for (size_t i = lastLine + 1; i < row.lineIndex; ++i) result += lines[i];
    result += lines[row.lineIndex];
    lastLine = row.lineIndex;
  }
  return result;
}

// Every image tag becomes "[img=" + src + "]" + absolute address + "[/img]":
// for each match in order, every occurrence of the matched tag (without
// regard to case) is replaced.
void RewriteImages(std::u16string& result, std::u16string_view absurl) {
  if (absurl.empty() || !ContainsNoCase(result, u"<img")) return;
  struct Image {
    size_t begin, end;
    std::u16string replacement;
  };
  std::vector<Image> images;
  TRegExp& rx = PatternRegex(kImageTag);
  try {
    rx.SetSubject(std::u16string_view(result));
    const int url = rx.NamedGroup("url");
    for (bool ok = rx.Match(); ok; ok = rx.MatchAgain()) {
      // Offsets are in UTF-8; the tag's text is found again in the UTF-16 text below.
      const std::u16string u = rx.GroupsU16(url);
      images.push_back({0, 0, u"[img=" + u + u"]" + AbsPath(absurl, u) + u"[/img]"});
      images.back().begin = static_cast<size_t>(rx.MatchedOffset() - 1);
      images.back().end = images.back().begin + static_cast<size_t>(rx.MatchedLength());
    }
  } catch (const ScriptError&) {
    // A limit ends the search; the tags found so far are rewritten.
  }
  const std::string bytes = rx.Subject();
  rx.SetSubject(std::string());
  if (images.empty()) return;

  // UTF-16 positions of the matches, and their texts.
  std::vector<std::u16string> tags;
  {
    size_t units = 0, byte = 0;
    auto advance = [&](size_t to) {
      for (; byte < to; ++byte) {
        const unsigned char c = static_cast<unsigned char>(bytes[byte]);
        if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
      }
    };
    for (Image& im : images) {
      advance(im.begin);
      im.begin = units;
      advance(im.end);
      im.end = units;
      tags.push_back(result.substr(im.begin, im.end - im.begin));
    }
  }

  // Where every "<img" of the text starts a match, an occurrence of a tag is
  // a match with the same text (a match runs to the first ">"), and the
  // replacements hold no "<": one pass gives the result.
  bool onePass = true;
  size_t k = 0;
  for (size_t at = FindNoCase(result, u"<img"); at != std::u16string::npos && onePass;
       at = FindNoCase(result, u"<img", at + 1)) {
    while (k < images.size() && images[k].begin < at) ++k;
    onePass = k < images.size() && images[k].begin == at;
  }
  for (const Image& im : images) onePass = onePass && im.replacement.find(u'<') == std::u16string::npos;

  if (onePass) {
    std::unordered_map<std::u16string, size_t> first;  // folded tag -> its first match
    std::u16string out;
    size_t copied = 0;
    for (size_t i = 0; i < images.size(); ++i) {
      const size_t chosen = first.try_emplace(FoldText(tags[i]), i).first->second;
      out.append(result, copied, images[i].begin - copied);
      out += images[chosen].replacement;
      copied = images[i].end;
    }
    out.append(result, copied, std::u16string::npos);
    result = std::move(out);
    return;
  }
  std::unordered_set<std::u16string> done;  // tags already replaced everywhere, folded
  for (size_t i = 0; i < images.size(); ++i) {
    const std::u16string folded = FoldText(tags[i]);
    // Replacing the same tag again finds nothing, unless the replacement
    // brought it back.
    if (done.count(folded) && !ContainsNoCase(images[i].replacement, tags[i])) continue;
    result = ReplaceAllNoCase(result, tags[i], images[i].replacement);
    done.insert(folded);
  }
}

}  // namespace

std::u16string AnalyzeContent(std::u16string_view content, std::u16string_view absurl, int indexpre) {
  const std::vector<std::u16string> lines = PrepareLines(content);
  Table table = Measure(lines, indexpre);
  // ltBefore[k]: "<" characters in the lines of rows 0 .. k-1.
  std::vector<long long> ltBefore(table.rows.size() + 1, 0);
  for (size_t k = 0; k < table.rows.size(); ++k) {
    long long n = 0;
    for (char16_t c : lines[table.rows[k].lineIndex]) n += c == u'<';
    ltBefore[k + 1] = ltBefore[k] + n;
  }
  size_t lastSelected = 0;
  for (long long minimum : {200, 130, 70})
    if (SelectRun(table, lines, ltBefore, minimum, lastSelected)) break;
  std::u16string result = Assemble(table, lines);
  RewriteImages(result, absurl);
  return result;
}

}  // namespace qv::library
