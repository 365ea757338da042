#include "host/diagnostics.h"

#include <algorithm>
#include <set>

#include "engine/engine.h"
#include "support/text.h"

namespace qv::host {

bool ParsePosition(std::u16string_view pos, int32_t& line, int32_t& column) {
  line = column = 0;
  const size_t colon = pos.find(u':');
  if (colon == std::u16string_view::npos) return false;
  int32_t l = 0;
  int32_t c = 0;
  if (!TextToInt32(std::u16string(pos.substr(0, colon)), l) ||
      !TextToInt32(std::u16string(pos.substr(colon + 1)), c))
    return false;
  line = l;
  column = c;
  return true;
}

std::u16string ShiftLine(const std::u16string& pos, ptrdiff_t shift) {
  size_t colon = pos.find(u':');
  int32_t line = 0;
  if (shift <= 0 || colon == std::u16string::npos || !TextToInt32(pos.substr(0, colon), line)) return pos;
  return IntToText(std::max<int64_t>(1, line - shift)) + pos.substr(colon);
}

namespace {

std::u16string ShownFile(std::u16string_view file, std::u16string_view folder) {
  if (folder.empty() || file.size() <= folder.size() || file.substr(0, folder.size()) != folder)
    return std::u16string(file);
  std::u16string_view rest = file.substr(folder.size());
  if (folder.back() != u'/') {
    if (rest.front() != u'/') return std::u16string(file);
    rest.remove_prefix(1);
  }
  return std::u16string(rest);
}

std::u16string Place(std::u16string_view file, int32_t line, int32_t column) {
  std::u16string out(file);
  if (line > 0) out += u":" + IntToText(line);
  if (line > 0 && column > 0) out += u":" + IntToText(column);
  return out;
}

}  // namespace

std::vector<std::u16string> FormatDiagnostic(const Diagnostic& d, std::u16string_view folder,
                                             std::u16string_view unnamed) {
  auto shown = [&](std::u16string_view f) {
    std::u16string out = ShownFile(f, folder);
    if (out.empty()) out = d.threadName.empty() ? std::u16string(unnamed) : u"(" + d.threadName + u")";
    return out;
  };
  const std::u16string file = shown(d.file);
  std::vector<std::u16string> lines;
  lines.push_back(Place(file, d.line, d.column) +
                  (d.kind == DiagnosticKind::Error ? u": error: " : u": warning: ") + d.message);
  for (const DiagnosticNote& note : d.notes) {
    // A note without a line (levels left out) names no place.
    std::u16string place = note.line > 0 ? Place(shown(note.file), note.line, 0) : u"";
    lines.push_back((place.empty() ? u"" : place + u": ") + u"note: " + note.text);
  }
  return lines;
}

size_t NameDistance(std::u16string_view aText, std::u16string_view bText) {
  // Edits are insertions, deletions, substitutions and swaps of two
  // neighbours, the usual slips of typing; three rows of the table suffice.
  const std::u16string a = UpperCase(aText);
  const std::u16string b = UpperCase(bText);
  const size_t m = b.size();
  std::vector<size_t> before(m + 1), previous(m + 1), row(m + 1);
  for (size_t j = 0; j <= m; ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (size_t j = 1; j <= m; ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        row[j] = std::min(row[j], before[j - 2] + 1);
    }
    std::swap(before, previous);
    std::swap(previous, row);
  }
  return previous[m];
}

std::u16string ClosestName(std::u16string_view name, const std::vector<std::u16string>& candidates) {
  const size_t limit = name.size() <= 4 ? 1 : name.size() <= 8 ? 2 : 3;
  std::u16string best;
  size_t bestDistance = limit + 1;
  for (const std::u16string& c : candidates) {
    // A length difference alone rules most candidates out.
    const size_t gap = c.size() > name.size() ? c.size() - name.size() : name.size() - c.size();
    if (gap >= bestDistance) continue;
    const size_t d = NameDistance(name, c);
    if (d == 0) continue;  // the name itself
    if (d < bestDistance || (d == bestDistance && CompareText(c, best) < 0)) {
      best = c;
      bestDistance = d;
    }
  }
  return best;
}

std::vector<std::u16string> CallableNames(const TfsScript& prog) {
  std::set<std::u16string> seen;  // upper case
  std::vector<std::u16string> names;
  for (const TfsScript* p = &prog; p != nullptr; p = p->Parent()) {
    for (int i = 0; i < p->Count(); ++i) {
      TfsObject* object = nullptr;
      try {
        object = p->Items(i);
      } catch (const ListIndexError&) {
        break;  // a shared table that shrank meanwhile
      }
      TfsCustomVariable* item = object != nullptr ? object->AsItem() : nullptr;
      if (item == nullptr || item->Name().empty()) continue;
      const bool callable = item->AsProcedure() != nullptr ||
                            dynamic_cast<TfsMethodHelper*>(item) != nullptr ||
                            dynamic_cast<TfsClassVariable*>(item) != nullptr ||
                            (item->IsReadOnly() && dynamic_cast<TfsVariable*>(item) != nullptr);
      if (callable && seen.insert(UpperCase(item->Name())).second) names.push_back(item->Name());
    }
  }
  return names;
}

std::u16string ImplicitNameMessage(std::u16string_view name, const std::vector<std::u16string>& known) {
  std::u16string text = u"'" + std::u16string(name) + u"' is not declared; it is taken as a new variable";
  const std::u16string suggestion = ClosestName(name, known);
  if (!suggestion.empty()) text += u" (did you mean '" + suggestion + u"'?)";
  return text;
}

}  // namespace qv::host
