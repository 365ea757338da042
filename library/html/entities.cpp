#include "library/html/entities.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "library/html/text_ops.h"

namespace qv::library::html {

namespace {

struct Entity {
  std::u16string_view name;
  std::u16string_view text;
};

constexpr Entity kEntities[] = {
    {u"&nbsp;", u" "},  {u"&amp;", u"&"},    {u"&lt;", u"<"},     {u"&gt;", u">"},
    {u"&amp;", u";"},   {u"&quot;", u"\""},  {u"&acute;", u"'"},  {u"&reg;", u"®"},
    {u"&times;", u"×"}, {u"&divide;", u"÷"}, {u"&rdquo;", u"”"},  {u"&ldquo;", u"“"},
    {u"&lsquo;", u"‘"}, {u"&rsquo;", u"’"},  {u"&hellip;", u"…"}, {u"&mdash;", u"—"},
};
constexpr size_t kRows = std::size(kEntities);
using RowSet = uint32_t;  // bit k: row k

// The rows run one after another over the whole text, each only when its
// name occurs exactly so. Done so, that is sixteen passes over a page; this
// gives the same text in one.
//
// Every name starts with "&" and holds no other, so a row only replaces at
// an "&", and only the text up to the next "&" (a chunk) takes part. A
// replacement keeps its chunk's "&" ("&amp;" to "&") or removes it, and then
// the rest of the chunk joins the chunk before it: "&quot&amp;amp;" becomes
// "&quot&amp;", then "&quot;", then a quotation mark. A chunk is read at most
// kReach characters far: "&amp;" once, then a name of at most 8. So chunks
// interact only within a run of "&"s less than kReach apart (a cluster), and
// the rows can run cluster by cluster on a few characters each.
constexpr size_t kReach = 12;

// Where row `name` matches at buf[at]: "&" exactly, the rest without regard
// to case, as ReplaceAllNoCase compares.
bool NameAt(std::u16string_view buf, size_t at, std::u16string_view name) {
  if (buf.size() - at < name.size()) return false;
  for (size_t i = 1; i < name.size(); ++i) {
    const char16_t n = name[i];
    const char16_t upper = n >= u'a' && n <= u'z' ? static_cast<char16_t>(n - 32) : n;
    if (FoldUnit(buf[at + i]) != upper) return false;
  }
  return true;
}

// Runs the rows over one cluster: those in `gates` replace, and every row
// whose name occurs exactly (before it runs) goes into `seen`.
void RunRows(std::u16string& buf, std::u16string& scratch, RowSet gates, RowSet& seen) {
  for (size_t k = 0; k < kRows; ++k) {
    const Entity& e = kEntities[k];
    size_t at = buf.find(u'&');
    if (at == std::u16string::npos) return;  // no row can match any more
    if (buf.find(e.name, at) != std::u16string::npos) seen |= RowSet{1} << k;
    if (!(gates >> k & 1)) continue;
    scratch.clear();
    size_t copied = 0;
    // Left to right without overlaps; the names hold one "&" each, so every "&" is a candidate.
    for (; at != std::u16string::npos && buf.size() - at >= e.name.size(); at = buf.find(u'&', at + 1)) {
      if (!NameAt(buf, at, e.name)) continue;
      scratch.append(buf, copied, at - copied);
      scratch.append(e.text);
      copied = at + e.name.size();
      at = copied - 1;
    }
    if (copied == 0) continue;
    scratch.append(buf, copied, std::u16string::npos);
    buf.swap(scratch);
  }
}

// True when no name can match at the "&" at `at` of a cluster of one chunk:
// the letter after it starts none.
bool CannotMatch(std::u16string_view text, size_t at) {
  if (at + 1 >= text.size()) return true;
  switch (FoldUnit(text[at + 1])) {
    case u'N':
    case u'A':
    case u'L':
    case u'G':
    case u'Q':
    case u'R':
    case u'T':
    case u'D':
    case u'H':
    case u'M':
      return false;
    default:
      return true;
  }
}

std::u16string RunClusters(std::u16string_view text, const std::vector<size_t>& amps, RowSet gates,
                           RowSet& seen) {
  std::u16string out, buf, scratch;
  out.reserve(text.size());
  size_t copied = 0;
  for (size_t i = 0; i < amps.size();) {
    size_t j = i;
    while (j + 1 < amps.size() && amps[j + 1] - amps[j] < kReach) ++j;
    const size_t begin = amps[i], end = std::min(text.size(), amps[j] + kReach);
    i = j + 1;
    if (begin == end - 1 || (begin == amps[j] && CannotMatch(text, begin))) continue;
    out.append(text, copied, begin - copied);
    buf.assign(text, begin, end - begin);
    RunRows(buf, scratch, gates, seen);
    out.append(buf);
    copied = end;
  }
  out.append(text, copied, std::u16string_view::npos);
  return out;
}

}  // namespace

std::u16string ReplaceEntities(std::u16string_view text) {
  std::vector<size_t> amps;
  for (size_t at = FindUnit(text, u'&'); at != std::u16string_view::npos; at = FindUnit(text, u'&', at + 1))
    amps.push_back(at);
  if (amps.empty()) return std::u16string(text);
  // Which rows run depends on what the rows before them made. Guess the rows
  // whose names the page holds, run, and run again with the rows seen until
  // they agree: each run settles at least one more row, in order.
  RowSet gates = 0;
  for (size_t at : amps)
    for (size_t k = 0; k < kRows; ++k)
      if (text.compare(at, kEntities[k].name.size(), kEntities[k].name) == 0) gates |= RowSet{1} << k;
  for (;;) {
    RowSet seen = 0;
    std::u16string out = RunClusters(text, amps, gates, seen);
    if (seen == gates) return out;
    gates = seen;
  }
}

std::u16string ReplaceEntitiesRowAfterRow(std::u16string_view text) {
  std::u16string out(text);
  for (const Entity& row : kEntities)
    if (Contains(out, row.name)) out = ReplaceAllNoCase(out, row.name, row.text);
  return out;
}

}  // namespace qv::library::html
