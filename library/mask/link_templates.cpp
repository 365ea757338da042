// ExpandLinkTemplates: URL templates whose brace items are filled from a page.
// An item is "{pattern}", "{n,pattern}" (group or mask piece n),
// "{name,pattern}" (a named group), "{:text,words}" (the address of the link
// with that text) or "{:href,part}" (the first link address containing part).
#include <memory>
#include <vector>

#include "library/mask/mask_pattern.h"
#include "library/mask/regex_functions.h"
#include "library/mask/regex_notation.h"
#include "library/mask/replace_content.h"
#include "library/strings/numeric_text.h"
#include "library/strings/split_text.h"
#include "library/url/abspath.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library {

namespace {

constexpr char16_t kItemPattern[] = u"\\{(?:(?<index>\\:?[\\da-zA-Z]+),)?(?<regex>.*?)\\}";
constexpr char16_t kTextLinkHead[] =
    u"<a[^>]+?href\\s*=\\s*[\"|']?(?<url>\\s*?[^\"' >]*)[\"|']?[^<>]*>\\s*(<[^<>]+>)*?";
constexpr char16_t kTextLinkTail[] = u"\\s*(<[^<>]+>)*?\\s*</a";
constexpr char16_t kHrefLinkHead[] = u"<a[^>]+?href\\s*=\\s*[\"|']?(?<url>\\s*?[^\"' <>]*?";
// Greedy, so that the group holds the whole address and not the address
// cut after the searched part.
constexpr char16_t kHrefLinkTail[] = u"[^\"' <>]*)[\"|']?[^<>]*>";
constexpr char16_t kPieceContact[] = u"||______||";

struct Item {
  std::u16string index;
  std::u16string regex;
  std::u16string text;  // braces included
};

std::vector<Item> ScanItems(TQvRegEx& scanner, std::u16string_view tmpl) {
  std::vector<Item> items;
  scanner.SetSubject(tmpl);
  const int index = scanner.NamedGroup(std::u16string_view(u"index"));
  const int regex = scanner.NamedGroup(std::u16string_view(u"regex"));
  for (bool found = scanner.Match(); found; found = scanner.MatchAgain())
    items.push_back({scanner.GroupsU16(index), scanner.GroupsU16(regex), scanner.MatchedTextU16()});
  return items;
}

// Searches the page with `pattern`. An invalid pattern raises, so that the
// script learns of it; a limit reached while matching counts as no match.
bool Search(TQvRegEx& searcher, std::u16string_view pattern) {
  searcher.SetRegEx(pattern);
  searcher.Compile();
  try {
    return searcher.Match();
  } catch (const ScriptError&) {
    return false;
  }
}

std::u16string Group(TQvRegEx& searcher, int number) {
  try {
    return searcher.GroupsU16(number);
  } catch (const ScriptError&) {
    return {};
  }
}

std::u16string NamedGroupText(TQvRegEx& searcher, std::u16string_view name) {
  const int number = searcher.NamedGroup(name);
  return number < 0 ? std::u16string() : Group(searcher, number);
}

class Expander {
 public:
  Expander(std::u16string_view page, std::u16string& out) : page_(page), out_(out) {
    searcher_->SetSubject(page);
  }

  void Fill(const Item& item) {
    std::u16string rx = item.regex;
    TQvRegExOptions unused;
    const bool recognised = ParseRegexNotation(rx, unused);
    const bool noCapture = rx.find(kCaptureMask) == std::u16string::npos;
    const std::u16string& idx = item.index;
    if (idx.empty()) {
      if ((noCapture && recognised) || LooksLikeRegex(rx)) {
        if (Search(*searcher_, rx)) Put(item, Group(*searcher_, 1));
      } else {
        const std::u16string m = MaskMatch(page_, rx, u"||", kHideMask, kCaptureMask, false);
        if (!m.empty()) Put(item, m);
      }
    } else if (idx[0] == u':') {
      FillLink(item, idx.substr(1, 4), rx);
    } else if (int32_t n; ReadInt32(idx, n)) {
      if (noCapture && recognised) {
        if (Search(*searcher_, rx)) Put(item, Group(*searcher_, n));
      } else {
        std::u16string m = MaskMatch(page_, rx, kPieceContact, kHideMask, kCaptureMask, false);
        if (m.find(kPieceContact) != std::u16string::npos) {
          std::vector<std::u16string> pieces = SplitLiteral(m, kPieceContact);
          m = (n >= 0 && static_cast<size_t>(n) < pieces.size()) ? pieces[n] : pieces[0];
        }
        Put(item, m);
      }
    } else if (Search(*searcher_, rx)) {
      Put(item, NamedGroupText(*searcher_, idx));
    }
  }

 private:
  void FillLink(const Item& item, std::u16string_view word, std::u16string rx) {
    if (!LooksLikeRegex(rx)) rx = TQvRegEx::EscapeRegExChars(rx);
    std::u16string pattern;
    if (SameText(word, u"text"))
      pattern = kTextLinkHead + rx + kTextLinkTail;
    else if (SameText(word, u"href"))
      pattern = kHrefLinkHead + rx + kHrefLinkTail;
    else
      return;
    if (Search(*searcher_, pattern)) Put(item, NamedGroupText(*searcher_, u"url"));
  }

  void Put(const Item& item, std::u16string_view value) {
    out_ = ReplaceAllIgnoreCase(out_, item.text, value);
  }

  std::u16string_view page_;
  std::u16string& out_;
  std::unique_ptr<TRegExp> searcher_ = NewPatternRegex();
};

}  // namespace

std::u16string ExpandLinkTemplates(std::u16string_view baseUrl, std::u16string_view page,
                                   std::u16string_view templates) {
  auto scanner = NewPatternRegex(kItemPattern);
  bool changed = false;
  std::u16string out;
  for (const std::u16string& t : SplitText(templates, u"||")) {
    out = t;
    if (t.find(u'{') != std::u16string::npos) {
      const std::vector<Item> items = ScanItems(*scanner, t);
      if (!items.empty()) {
        Expander expander(page, out);
        for (const Item& item : items) expander.Fill(item);
      }
    }
    changed = out != t;
    if (changed) break;
  }
  return changed ? AbsPath(baseUrl, out) : std::u16string();
}

}  // namespace qv::library
