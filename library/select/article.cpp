// The article extractor.
//
// 1. Walk the parsed page once, leaving out what is never content (scripts,
//    navigation, forms, hidden elements, and elements whose class or id
//    says boilerplate), and cut the rest into text blocks: the text between
//    two block boundaries, with its owner (the nearest block element), its
//    length and how much of it is link text.
// 2. Score: each block of real prose gives points (one, its commas, one per
//    100 characters up to three) to its owner's ancestors, less the further
//    up; an ancestor's score then counts its tag and class/id hints and
//    loses its share of link text.
// 3. The best-scoring element is the content; siblings that score well, or
//    hold prose with few links, join it.
// 4. The blocks inside the content that are prose (not link lists, not
//    one-word labels) are the article; the headline is the <h1> (or the
//    og:title) that best matches the page title.
// Lengths count characters; a CJK character counts as two, since a word of
// those scripts is one or two characters, not five.
#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "library/select/html_document.h"
#include "library/select/node_values.h"
#include "library/select/select.h"
#include "library/url/abspath.h"
#include "support/text.h"

namespace qv::library {

namespace {

using select::DocHandle;

bool NameIs(const xmlNode* n, const char* name) {
  return n->name != nullptr && std::strcmp(reinterpret_cast<const char*>(n->name), name) == 0;
}

bool NameIn(const xmlNode* n, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (NameIs(n, name)) return true;
  return false;
}

std::string Attr(const xmlNode* n, const char* name) {
  for (xmlAttr* a = n->properties; a != nullptr; a = a->next) {
    if (a->name == nullptr || std::strcmp(reinterpret_cast<const char*>(a->name), name) != 0) continue;
    if (a->children && a->children->content) return reinterpret_cast<const char*>(a->children->content);
    return {};
  }
  return {};
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

bool Contains(const std::string& s, const char* word) { return s.find(word) != std::string::npos; }

// The words of an element's class and id: split at anything but letters
// and digits and where a lower-case letter meets an upper-case one, lower
// case ("PageBuilder-col" -> "page builder col").
std::vector<std::string> HintWords(const xmlNode* n) {
  std::vector<std::string> words;
  for (const std::string& raw : {Attr(n, "class"), Attr(n, "id")}) {
    std::string w;
    char prev = 0;
    for (char c : raw) {
      const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      const bool hump = c >= 'A' && c <= 'Z' && prev >= 'a' && prev <= 'z';
      if ((!alnum || hump) && !w.empty()) words.push_back(std::exchange(w, {}));
      if (alnum) w += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      prev = c;
    }
    if (!w.empty()) words.push_back(w);
  }
  return words;
}

// True when a word begins with one of the stems ("comments" has the stem
// "comment"); stems ending in '=' must be the whole word.
bool HasStem(const std::vector<std::string>& words, std::initializer_list<const char*> stems) {
  for (const std::string& w : words) {
    for (const char* stem : stems) {
      const size_t n = std::strlen(stem);
      if (stem[n - 1] == '=') {
        if (w.size() == n - 1 && w.compare(0, n - 1, stem, n - 1) == 0) return true;
      } else if (w.compare(0, n, stem) == 0) {
        return true;
      }
    }
  }
  return false;
}

bool PositiveHint(const std::vector<std::string>& w) {
  return HasStem(w, {"article", "body", "content", "entry", "main", "post", "text", "blog", "story", "hentry",
                     "prose", "column"});
}

bool NegativeHint(const std::vector<std::string>& w) {
  return HasStem(w, {"comment",  "meta=",   "footer",   "footnote", "foot=",      "related",    "share",
                     "social",   "sidebar", "sponsor",  "promo",    "widget",     "banner",     "combx",
                     "masthead", "media=",  "outbrain", "taboola",  "shoutbox",   "skyscraper", "tags=",
                     "tool",     "byline",  "author",   "caption",  "newsletter", "subscribe",  "recommend",
                     "advert",   "ad=",     "ads=",     "popup",    "modal",      "breadcrumb"});
}

// Elements whose class or id names boilerplate, unless it also names
// content: left out with everything inside.
bool UnlikelyByHint(const std::vector<std::string>& w) {
  if (w.empty()) return false;
  const bool unlikely =
      HasStem(w, {"ad=",        "ads=",       "advert",     "banner",    "breadcrumb", "combx",
                  "comment",    "community",  "disqus",     "extra",     "footer",     "gdpr",
                  "legend",     "menu",       "related",    "remark",    "repl",       "rss",
                  "shoutbox",   "sidebar",    "skyscraper", "social",    "sponsor",    "supplemental",
                  "agegate",    "pagination", "pager",      "popup",     "share",      "sharing",
                  "newsletter", "promo",      "subscribe",  "recommend", "byline",     "caption",
                  "trending",   "popular",    "signup",     "cookie",    "consent",    "toolbar",
                  "dateline",   "timestamp",  "hidden",     "author",    "tags=",      "topics",
                  "outbrain",   "taboola",    "widget",     "modal",     "nav=",       "navbar",
                  "navigation", "sr=",        "visually"});
  if (!unlikely) return false;
  return !HasStem(w, {"article", "body", "column", "content", "main=", "shadow", "story"});
}

bool IsHidden(const xmlNode* n) {
  if (xmlHasProp(const_cast<xmlNode*>(n), BAD_CAST "hidden")) return true;
  if (Attr(n, "aria-hidden") == "true") return true;
  std::string style = Lower(Attr(n, "style"));
  style.erase(std::remove(style.begin(), style.end(), ' '), style.end());
  return Contains(style, "display:none") || Contains(style, "visibility:hidden");
}

// Elements that are never part of an article's text.
bool NeverContent(const xmlNode* n) {
  return NameIn(
      n, {"script", "style",    "noscript", "template", "iframe", "svg",    "canvas", "form",       "button",
          "select", "textarea", "input",    "nav",      "aside",  "footer", "figure", "figcaption", "menu",
          "dialog", "object",   "embed",    "video",    "audio",  "head",   "label",  "time"});
}

bool IsHeading(const xmlNode* n) { return NameIn(n, {"h1", "h2", "h3", "h4", "h5", "h6"}); }

bool IsCjk(char32_t c) {
  return (c >= 0x3000 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FFFF);
}

// The length of UTF-8 text in characters, a CJK one counting as two, and
// its commas (Western and CJK).
struct Measure {
  size_t length = 0;
  int commas = 0;
  bool cjk = false;
};

Measure MeasureText(std::string_view s) {
  Measure m;
  size_t cjk = 0;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp = c;
    size_t len = 1;
    if (c >= 0xF0 && i + 3 < s.size()) {
      cp = ((c & 7u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
      len = 4;
    } else if (c >= 0xE0 && i + 2 < s.size()) {
      cp = ((c & 0xFu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
      len = 3;
    } else if (c >= 0xC0 && i + 1 < s.size()) {
      len = 2;
    }
    i += len;
    if (cp == ',' || cp == 0xFF0C || cp == 0x3001) ++m.commas;
    if (IsCjk(cp)) {
      ++cjk;
      m.length += 2;
    } else {
      ++m.length;
    }
  }
  m.cjk = cjk * 4 > m.length;
  return m;
}

struct Block {
  xmlNode* owner;
  std::string text;
  size_t length = 0;
  size_t linkLength = 0;
  int commas = 0;
  bool heading = false;
  bool unlikely = false;  // inside an element whose class or id names boilerplate
  double LinkDensity() const { return length ? static_cast<double>(linkLength) / length : 0; }
};

// Step 1: the page as text blocks.
class BlockCollector {
 public:
  std::vector<Block> blocks;

  void Run(xmlNode* root) {
    xmlNode* n = root;
    while (n != nullptr) {
      bool descend = false;
      if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
        AddText(n);
      } else if (n->type == XML_ELEMENT_NODE && Skipped(n)) {
        if (IsBoundary(n)) Flush();
      } else if (n->type == XML_ELEMENT_NODE) {
        if (IsBoundary(n)) Flush();
        if (NameIs(n, "a")) ++inLink_;
        if (IsBoundary(n)) owners_.push_back(n);
        if (Unlikely(n)) {
          Flush();
          unlikely_.push_back(n);
        }
        descend = n->children != nullptr;
        if (!descend) Leave(n);
      }
      if (descend) {
        n = n->children;
        continue;
      }
      while (n != nullptr && n != root && n->next == nullptr) {
        n = n->parent;
        if (n != nullptr && n->type == XML_ELEMENT_NODE) Leave(n);
      }
      if (n == nullptr || n == root) break;
      n = n->next;
    }
    Flush();
  }

 private:
  std::vector<xmlNode*> owners_;
  int inLink_ = 0;
  std::string text_;
  size_t linkLength_ = 0;

  static bool IsBoundary(const xmlNode* n) { return select::IsBlockName(n->name) || NameIs(n, "br"); }

  std::vector<xmlNode*> unlikely_;

  static bool Skipped(const xmlNode* n) { return NeverContent(n) || IsHidden(n); }
  static bool Unlikely(const xmlNode* n) {
    if (NameIn(n, {"body", "html", "article", "main", "p"})) return false;
    return UnlikelyByHint(HintWords(n));
  }

  void Leave(xmlNode* n) {
    if (IsBoundary(n)) {
      Flush();
      if (!owners_.empty() && owners_.back() == n) owners_.pop_back();
    }
    if (!unlikely_.empty() && unlikely_.back() == n) {
      Flush();
      unlikely_.pop_back();
    }
    if (NameIs(n, "a") && inLink_ > 0) --inLink_;
  }

  void AddText(xmlNode* n) {
    if (n->content == nullptr) return;
    const size_t before = text_.size();
    select::AppendCollapsed(text_, reinterpret_cast<const char*>(n->content));
    if (inLink_ > 0) linkLength_ += MeasureText(std::string_view(text_).substr(before)).length;
  }

  // Blanks, no-break spaces and ideographic spaces (the indent of CJK
  // paragraphs) at either end of a block are not its text.
  static size_t BlankAt(std::string_view s, size_t i) {
    if (s[i] == ' ') return 1;
    if (s.compare(i, 2, "\xC2\xA0") == 0) return 2;
    if (s.compare(i, 3, "\xE3\x80\x80") == 0) return 3;
    return 0;
  }
  static size_t BlankBefore(std::string_view s, size_t end) {
    if (s[end - 1] == ' ') return 1;
    if (end >= 2 && s.compare(end - 2, 2, "\xC2\xA0") == 0) return 2;
    if (end >= 3 && s.compare(end - 3, 3, "\xE3\x80\x80") == 0) return 3;
    return 0;
  }

  void Flush() {
    size_t start = 0;
    while (start < text_.size() && BlankAt(text_, start) > 0) start += BlankAt(text_, start);
    size_t end = text_.size();
    while (end > start && BlankBefore(text_, end) > 0) end -= BlankBefore(text_, end);
    if (end > start && !owners_.empty()) {
      Block b;
      b.owner = owners_.back();
      b.text = text_.substr(start, end - start);
      const Measure m = MeasureText(b.text);
      b.length = m.length;
      b.commas = m.commas;
      b.linkLength = std::min(linkLength_, b.length);
      b.heading = IsHeading(b.owner);
      b.unlikely = !unlikely_.empty();
      blocks.push_back(std::move(b));
    }
    text_.clear();
    linkLength_ = 0;
  }
};

struct Candidate {
  double score = 0;
  size_t length = 0;
  size_t linkLength = 0;
};

double TagWeight(const xmlNode* n) {
  if (NameIn(n, {"article", "main"})) return 10;
  if (NameIs(n, "div") || NameIs(n, "section")) return 5;
  if (NameIn(n, {"pre", "td", "blockquote"})) return 3;
  if (NameIn(n, {"address", "ol", "ul", "dl", "dd", "dt", "li"})) return -3;
  if (NameIn(n, {"h1", "h2", "h3", "h4", "h5", "h6", "th"})) return -5;
  return 0;
}

double HintWeight(const xmlNode* n) {
  const std::vector<std::string> words = HintWords(n);
  double w = 0;
  if (NegativeHint(words)) w -= 25;
  if (PositiveHint(words)) w += 25;
  if (Attr(n, "itemprop") == "articleBody") w += 50;
  return w;
}

// A block that reads as prose: long enough and not mostly links.
bool IsProse(const Block& b) { return b.length >= 50 && b.LinkDensity() < 0.33 && !b.heading; }

bool IsAncestor(const xmlNode* a, const xmlNode* n) {
  for (; n != nullptr; n = n->parent)
    if (n == a) return true;
  return false;
}

// Candidates scoring at least this share of the best one are alternatives;
// this many of them under one ancestor make it the content.
constexpr double kAlternativeShare = 0.75;
constexpr double kAlikeShare = 0.3;
constexpr size_t kAlternativesNeeded = 1;

// Steps 2 and 3: the elements that hold the article.
std::vector<xmlNode*> ContentRoots(const std::vector<const Block*>& blocks) {
  std::unordered_map<xmlNode*, Candidate> cands;
  for (const Block* bp : blocks) {
    const Block& b = *bp;
    for (xmlNode* n = b.owner; n != nullptr && n->type == XML_ELEMENT_NODE; n = n->parent) {
      Candidate& c = cands[n];
      c.length += b.length;
      c.linkLength += std::min(b.linkLength, b.length);
    }
    if (!IsProse(b)) continue;
    const double points = 1 + b.commas + std::min<double>(b.length / 100.0, 3);
    int level = 0;
    for (xmlNode* n = b.owner; n != nullptr && n->type == XML_ELEMENT_NODE && level < 5;
         n = n->parent, ++level) {
      // A paragraph's owner is a <p>: its points go to the container.
      const double divider = level == 0 ? 1 : level == 1 ? 2 : level * 3;
      cands[n].score += points / divider;
    }
  }
  xmlNode* best = nullptr;
  double bestScore = 0;
  std::unordered_map<xmlNode*, double> finals;
  for (auto& [node, c] : cands) {
    if (c.score <= 0) continue;
    if (NameIn(node, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "li", "a", "span", "b", "strong", "em", "i"}))
      continue;
    const double density = c.length ? static_cast<double>(c.linkLength) / c.length : 0;
    const double score = (c.score + TagWeight(node) + HintWeight(node)) * (1 - density);
    finals[node] = score;
    if (score > bestScore || (score == bestScore && best && node == best->parent)) {
      bestScore = score;
      best = node;
    }
  }
  if (best == nullptr) return {};
  // An article cut into chunks (a block of paragraphs, an advert, another
  // block) scores as several strong candidates: their nearest common
  // ancestor holds the article.
  // Chunks made alike (the same tag and class) count as alternatives with
  // a lower score.
  const std::string bestClass = Attr(best, "class");
  std::vector<xmlNode*> alternatives;
  for (const auto& [node, score] : finals) {
    if (node == best || IsAncestor(node, best) || IsAncestor(best, node)) continue;
    const bool alike =
        !bestClass.empty() && xmlStrEqual(node->name, best->name) && Attr(node, "class") == bestClass;
    if (score >= bestScore * (alike ? kAlikeShare : kAlternativeShare)) alternatives.push_back(node);
  }
  if (alternatives.size() >= kAlternativesNeeded) {
    for (xmlNode* p = best->parent; p != nullptr && p->type == XML_ELEMENT_NODE && !NameIs(p, "body");
         p = p->parent) {
      size_t inside = 0;
      for (xmlNode* a : alternatives) inside += IsAncestor(p, a);
      if (inside >= kAlternativesNeeded) {
        best = p;
        break;
      }
    }
  }
  // A parent that scores nearly as well holds more of the same article
  // (the best element is often one column of several paragraphs).
  for (xmlNode* p = best->parent; p != nullptr && p->type == XML_ELEMENT_NODE && !NameIs(p, "body");
       p = p->parent) {
    auto it = finals.find(p);
    if (it == finals.end() || it->second < bestScore * 0.9) break;
    best = p;
  }
  std::vector<xmlNode*> roots{best};
  if (best->parent == nullptr) return roots;
  const double threshold = std::max(10.0, bestScore * 0.2);
  for (xmlNode* s = best->parent->children; s != nullptr; s = s->next) {
    if (s == best || s->type != XML_ELEMENT_NODE) continue;
    auto it = finals.find(s);
    const bool scored = it != finals.end() && it->second >= threshold;
    auto c = cands.find(s);
    bool prose = false;
    if (c != cands.end() && NameIs(s, "p")) {
      const double density =
          c->second.length ? static_cast<double>(c->second.linkLength) / c->second.length : 0;
      prose = c->second.length > 80 && density < 0.25;
    }
    if (scored || prose) roots.push_back(s);
  }
  // Keep document order.
  std::vector<xmlNode*> ordered;
  for (xmlNode* s = best->parent->children; s != nullptr; s = s->next)
    if (std::find(roots.begin(), roots.end(), s) != roots.end()) ordered.push_back(s);
  return ordered;
}

bool InRoots(const std::vector<xmlNode*>& roots, const xmlNode* n) {
  for (xmlNode* r : roots)
    if (IsAncestor(r, n)) return true;
  return false;
}

// Step 4: which blocks of the content are article text.
bool KeepBlock(const Block& b) {
  if (b.LinkDensity() > 0.5) return false;
  // The headline is the title's, not the body's.
  if (NameIs(b.owner, "h1")) return false;
  if (b.heading) return b.length >= 8 && b.length <= 200;
  if (NameIs(b.owner, "li") || NameIs(b.owner, "td") || NameIs(b.owner, "dd")) return b.length >= 20;
  return b.length >= 12 || (b.text.back() == '.' && b.length >= 4);
}

enum class Hints { kUse, kIgnore };

std::vector<const Block*> ArticleBlocks(const std::vector<Block>& all, Hints hints) {
  std::vector<const Block*> blocks;
  for (const Block& b : all)
    if (hints == Hints::kIgnore || !b.unlikely) blocks.push_back(&b);
  const std::vector<xmlNode*> roots = ContentRoots(blocks);
  std::vector<const Block*> out;
  if (roots.empty()) return out;
  for (const Block* b : blocks)
    if (InRoots(roots, b->owner) && KeepBlock(*b)) out.push_back(b);
  return out;
}

// Shorter than this (in characters, CJK counting double), an article
// found with the class and id hints is checked against one found without.
constexpr size_t kShortArticle = 500;

size_t TotalLength(const std::vector<const Block*>& blocks) {
  size_t n = 0;
  for (const Block* b : blocks) n += b->length;
  return n;
}

xmlNode* Body(xmlDoc* doc) {
  xmlNode* root = xmlDocGetRootElement(doc);
  if (root == nullptr) return nullptr;
  for (xmlNode* c = root->children; c != nullptr; c = c->next)
    if (c->type == XML_ELEMENT_NODE && NameIs(c, "body")) return c;
  return root;
}

// ---- the headline

std::string MetaContent(xmlDoc* doc, const char* property) {
  xmlNode* root = xmlDocGetRootElement(doc);
  if (root == nullptr) return {};
  for (xmlNode* n = root; n != nullptr; n = select::NextInTree(n, nullptr)) {
    if (n->type == XML_ELEMENT_NODE && NameIs(n, "meta") &&
        (Attr(n, "property") == property || Attr(n, "name") == property))
      return Attr(n, "content");
    if (n->type == XML_ELEMENT_NODE && NameIs(n, "body")) break;
  }
  return {};
}

xmlNode* FindFirst(xmlNode* root, const char* name, std::vector<xmlNode*>* all = nullptr) {
  for (xmlNode* n = root; n != nullptr; n = select::NextInTree(n, root)) {
    if (n->type == XML_ELEMENT_NODE && NameIs(n, name)) {
      if (all == nullptr) return n;
      all->push_back(n);
    }
  }
  return nullptr;
}

std::string Collapse(std::string_view s) {
  std::string out;
  select::AppendCollapsed(out, s);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out.substr(out.find_first_not_of(' ') == std::string::npos ? out.size()
                                                                    : out.find_first_not_of(' '));
}

// The longest part of a title cut at the separators sites put between the
// headline and their name.
std::string LongestTitlePart(const std::string& title) {
  static const char* const kSeparators[] = {
      " | ", " - ", " – ", " — ", " :: ", " « ", " » ", "_", "｜", " · "};
  std::string best = title;
  for (const char* sep : kSeparators) {
    if (title.find(sep) == std::string::npos) continue;
    std::string longest;
    size_t start = 0;
    for (;;) {
      const size_t at = title.find(sep, start);
      std::string part = title.substr(start, at == std::string::npos ? std::string::npos : at - start);
      if (MeasureText(part).length > MeasureText(longest).length) longest = part;
      if (at == std::string::npos) break;
      start = at + std::strlen(sep);
    }
    if (MeasureText(longest).length < MeasureText(best).length) best = longest;
  }
  return Collapse(best);
}

std::string Headline(xmlDoc* doc) {
  xmlNode* root = xmlDocGetRootElement(doc);
  if (root == nullptr) return {};
  xmlNode* titleNode = FindFirst(root, "title");
  const std::string title = titleNode ? select::CollapsedText(titleNode) : std::string();
  const std::string og = Collapse(MetaContent(doc, "og:title"));
  std::vector<xmlNode*> h1s;
  FindFirst(root, "h1", &h1s);
  // An <h1> that the title or og:title contains is the headline.
  for (xmlNode* h : h1s) {
    const std::string text = select::CollapsedText(h);
    if (MeasureText(text).length < 4) continue;
    if ((!title.empty() && Contains(title, text.c_str())) || (!og.empty() && Contains(og, text.c_str())))
      return text;
  }
  if (!og.empty()) return LongestTitlePart(og);
  // A title of a word or two is the site's name: a page's one <h1> then
  // says more.
  const std::string fromTitle = LongestTitlePart(title);
  if (h1s.size() == 1 && MeasureText(fromTitle).length < 15) {
    const std::string text = select::CollapsedText(h1s.front());
    if (MeasureText(text).length > MeasureText(fromTitle).length) return text;
  }
  if (!fromTitle.empty()) return fromTitle;
  for (xmlNode* h : h1s) {
    const std::string text = select::CollapsedText(h);
    if (!text.empty()) return text;
  }
  return {};
}

// ---- cleaned HTML

void MakeLinksAbsolute(xmlNode* n, std::u16string_view url) {
  for (xmlNode* c = n; c != nullptr; c = select::NextInTree(c, n)) {
    if (c->type == XML_ELEMENT_NODE) {
      // Event handlers and styles are not content.
      for (xmlAttr* a = c->properties; a != nullptr;) {
        xmlAttr* next = a->next;
        const std::string name = reinterpret_cast<const char*>(a->name);
        if (name.rfind("on", 0) == 0 || name == "style" || name == "class" || name == "id") {
          xmlRemoveProp(a);
        } else if (!url.empty() && (name == "href" || name == "src")) {
          const std::string v = Attr(c, name.c_str());
          xmlSetProp(c, a->name, BAD_CAST ToUtf8(AbsPath(url, FromUtf8(v))).c_str());
        }
        a = next;
      }
    }
  }
}

bool HasBlockDescendant(xmlNode* n) {
  for (xmlNode* c = n->children; c != nullptr; c = select::NextInTree(c, n))
    if (c->type == XML_ELEMENT_NODE && select::IsBlockName(c->name) && !NameIs(c, "br")) return true;
  return false;
}

std::string EscapeText(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '&') {
      out += "&amp;";
    } else {
      out += c;
    }
  }
  return out;
}

std::string CleanedHtml(xmlDoc* doc, const std::vector<const Block*>& blocks, std::u16string_view url) {
  std::string out;
  xmlNode* last = nullptr;
  for (const Block* b : blocks) {
    if (b->owner == last) continue;
    last = b->owner;
    if (!out.empty()) out += "\n";
    if (HasBlockDescendant(b->owner) || NameIs(b->owner, "br") || NameIs(b->owner, "body")) {
      out += "<p>" + EscapeText(b->text) + "</p>";
      last = nullptr;
    } else {
      std::unique_ptr<xmlNode, void (*)(xmlNode*)> copy(xmlDocCopyNode(b->owner, doc, 1), xmlFreeNode);
      if (!copy) continue;
      MakeLinksAbsolute(copy.get(), url);
      out += select::OuterHtml(doc, copy.get());
    }
  }
  return out;
}

}  // namespace

std::u16string ExtractArticle(std::u16string_view page, std::u16string_view url, ArticlePart part) {
  DocHandle doc = select::CachedDocument(page);
  if (part == ArticlePart::kTitle) return FromUtf8(Headline(doc.get()));
  xmlNode* body = Body(doc.get());
  if (body == nullptr) return {};
  // Class and id hints mislead now and then (a page builder's every
  // container named like a pager): when leaving their elements out leaves
  // next to no article, the article is chosen without them.
  BlockCollector collector;
  collector.Run(body);
  std::vector<const Block*> blocks = ArticleBlocks(collector.blocks, Hints::kUse);
  if (TotalLength(blocks) < kShortArticle) {
    std::vector<const Block*> unhinted = ArticleBlocks(collector.blocks, Hints::kIgnore);
    if (TotalLength(unhinted) > TotalLength(blocks) * 2) blocks = std::move(unhinted);
  }
  if (part == ArticlePart::kHtml) return FromUtf8(CleanedHtml(doc.get(), blocks, url));
  std::string out;
  for (const Block* b : blocks) {
    if (!out.empty()) out += "\r\n";
    out += b->text;
  }
  return FromUtf8(out);
}

}  // namespace qv::library
