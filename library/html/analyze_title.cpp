#include "library/html/analyze_title.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "library/html/html_to_text.h"
#include "library/html/span_removal.h"
#include "library/html/text_ops.h"
#include "library/mask/mask_pattern.h"

namespace qv::library {

using namespace html;

namespace {

struct Candidate {
  std::u16string text;
  long long score = 0;
};

constexpr std::u16string_view kSeparators = u"-|,_:： ";

std::u16string AsciiLower(std::u16string_view s) {
  std::u16string r(s);
  for (char16_t& c : r)
    if (c >= u'A' && c <= u'Z') c += 32;
  return r;
}

// s / 2 rounded to the nearest integer, halves to the even neighbour.
int HalfRoundedEven(int s) {
  int q = s / 2;
  if (s % 2 != 0 && q % 2 != 0) q += (s > 0 ? 1 : -1);
  return q;
}

// Every heading element of one level becomes a candidate once; a heading that
// comes back after the removal of the earlier ones adds 20 to its candidate.
// `known` finds a candidate by its text with A-Z lower-cased.
void CollectHeadings(std::u16string_view html, std::u16string_view pattern,
                     std::vector<Candidate>& candidates, std::unordered_map<std::u16string, size_t>& known) {
  RemoveMatchedSpans(html, pattern, [&](std::u16string_view m) {
    auto [it, added] = known.try_emplace(AsciiLower(m), candidates.size());
    if (added)
      candidates.push_back({std::u16string(m), 0});
    else
      candidates[it->second].score += 20;
  });
}

int BaseWeight(std::u16string_view c) {
  int s = ContainsNoCase(c, u"title") ? 6 : ContainsNoCase(c, u"<h1") ? 12 : 5;
  if (Contains(c, u"网")) s -= 3;
  if (Contains(c, u"阅读") || Contains(c, u"小说")) s -= 2;
  return s;
}

// Pieces of `clean` between separator characters; empty ones are left out,
// since only pieces with text count.
std::vector<std::u16string_view> Pieces(std::u16string_view clean) {
  std::vector<std::u16string_view> pieces;
  size_t start = 0;
  for (size_t i = 0; i <= clean.size(); ++i) {
    if (i < clean.size() && kSeparators.find(clean[i]) == std::u16string_view::npos) continue;
    if (i > start) pieces.push_back(clean.substr(start, i - start));
    start = i + 1;
  }
  return pieces;
}

}  // namespace

std::u16string AnalyzeTitle(std::u16string_view html) {
  std::vector<Candidate> candidates;
  std::u16string title = MaskMatch(html, u"<title>(*)</title>", u"||", kHideMask, kCaptureMask, true);
  if (!title.empty()) {
    size_t cut = title.find(u'-');
    if (cut == std::u16string::npos) cut = title.find(u'_');
    if (cut != std::u16string::npos) title.resize(cut);
  }
  std::u16string result = title;
  std::unordered_map<std::u16string, size_t> known;
  if (!title.empty()) {
    candidates.push_back({title, 0});
    known.emplace(AsciiLower(title), 0);
  }
  CollectHeadings(html, u"<h1[*]>(*)</h1>", candidates, known);
  CollectHeadings(html, u"<h2[*]>(*)</h2>", candidates, known);

  // The pieces of every candidate's text, counted in the page in one go.
  std::vector<std::u16string> cleans;
  std::vector<std::u16string> allPieces;
  for (const Candidate& c : candidates) {
    cleans.push_back(IsBlank(c.text) ? std::u16string() : HtmlToText(c.text, 0, false));
    for (std::u16string_view piece : Pieces(cleans.back()))
      if (!IsBlank(piece)) allPieces.emplace_back(piece);
  }
  const auto counts = CountEach(html, allPieces, Case::Ignore);
  const auto present = CountEach(html, cleans, Case::Sensitive);
  long long best = 0;
  for (size_t i = 0; i < candidates.size(); ++i) {
    Candidate& c = candidates[i];
    if (IsBlank(c.text)) continue;
    const std::u16string& clean = cleans[i];
    const int s = BaseWeight(c.text);
    if (!clean.empty() && present.at(clean) > 0) c.score += s;
    const int perOccurrence = HalfRoundedEven(s);
    for (std::u16string_view piece : Pieces(clean)) {
      if (IsBlank(piece)) continue;
      c.score += perOccurrence * static_cast<long long>(counts.at(FoldText(piece)));
    }
    if (c.score > best) best = c.score;
  }
  if (best > 0)
    for (const Candidate& c : candidates)
      if (c.score == best) result = c.text;
  return result;
}

}  // namespace qv::library
