#include "library/files/folder_list.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "library/files/paths.h"
#include "support/text.h"

namespace qv::library {

namespace fs = std::filesystem;

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  // Greedy match with one back-track point: linear for one "*", never
  // exponential.
  size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() &&
               (pattern[p] == u'?' || LowCaseCodePoint(pattern[p]) == LowCaseCodePoint(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

std::u16string ListFolder(std::u16string_view folder, bool foldersOnly, std::u16string_view mask) {
  if (!IsUsableName(folder)) return {};
  std::error_code ec;
  fs::path dir = ExpandName(folder);
  if (!fs::is_directory(dir, ec)) return {};
  // "*.*" is every name, with or without a dot.
  std::u16string pattern = mask == u"*.*" ? std::u16string(u"*") : std::u16string(mask);
  std::vector<std::u16string> names;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::u16string name = PathText(it->path().filename());
    if (name.empty() || name[0] == u'.') continue;
    if (!WildcardMatch(pattern, name)) continue;
    std::error_code typeEc;
    bool isDir = it->is_directory(typeEc);
    bool wanted = foldersOnly ? isDir : (!isDir && it->exists(typeEc));
    if (wanted) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  std::u16string out;
  for (const auto& n : names) {
    if (!out.empty()) out += u"||";
    out += n;
  }
  return out;
}

}  // namespace qv::library
