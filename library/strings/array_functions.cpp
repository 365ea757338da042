#include "library/strings/array_functions.h"

#include <algorithm>
#include <numeric>
#include <set>
#include <unordered_map>

#include "library/strings/numeric_text.h"

namespace qv::library {

namespace {

std::u16string FoldAscii(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return s;
}

}  // namespace

int32_t IndexInList(const std::vector<Value>& list, std::u16string_view text) {
  const std::u16string wanted = FoldAscii(std::u16string(text));
  for (size_t i = 0; i < list.size(); ++i) {
    std::u16string item;
    try {
      item = ToText(list[i]);
    } catch (const ScriptError&) {
      continue;
    }
    if (FoldAscii(std::move(item)) == wanted) return static_cast<int32_t>(i);
  }
  return -1;
}

void AddToList(std::vector<Value>& list, const Value& item) {
  if (list.size() == 1 && list[0].is_empty())
    list[0] = item;
  else
    list.push_back(item);
}

void DeleteAt(std::vector<Value>& list, int64_t index) {
  if (index < 0 || static_cast<uint64_t>(index) >= list.size()) return;
  list.erase(list.begin() + static_cast<ptrdiff_t>(index));
}

void DeleteIndexes(std::vector<Value>& list, const std::vector<int32_t>& indexes) {
  const std::set<int32_t> doomed(indexes.begin(), indexes.end());
  std::vector<Value> kept;
  kept.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i)
    if (!doomed.count(static_cast<int32_t>(i))) kept.push_back(std::move(list[i]));
  list = std::move(kept);
}

std::vector<int32_t> DuplicateIndexes(const std::vector<Value>& list, CaseMode mode) {
  // Equal texts grouped by their key; each group lists its indexes in order.
  std::vector<std::u16string> keys;
  keys.reserve(list.size());
  for (const Value& v : list) {
    std::u16string t = ToText(v);
    keys.push_back(mode == CaseMode::Insensitive ? FoldAscii(std::move(t)) : std::move(t));
  }
  std::unordered_map<std::u16string, std::vector<int32_t>> groups;
  for (size_t i = 0; i < keys.size(); ++i) groups[keys[i]].push_back(static_cast<int32_t>(i));
  std::vector<int32_t> result;
  std::unordered_map<std::u16string, size_t> seen;  // members of the group already passed
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::vector<int32_t>& group = groups[keys[i]];
    const size_t passed = ++seen[keys[i]];
    result.insert(result.end(), group.begin() + static_cast<ptrdiff_t>(passed), group.end());
  }
  return result;
}

int64_t SortKey(std::u16string_view text) {
  int32_t n;
  if (ReadInt32(text, n)) return n;
  int64_t sum = 0;
  for (char16_t c : text) sum += c;
  return sum;
}

std::vector<int32_t> StableOrder(const std::vector<int64_t>& keys) {
  std::vector<int32_t> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return keys[a] < keys[b]; });
  return order;
}

bool Reorder(std::vector<Value>& list, const std::vector<int32_t>& indexes) {
  if (indexes.size() != list.size()) return false;
  for (int32_t i : indexes)
    if (i < 0 || static_cast<size_t>(i) >= list.size()) return false;
  std::vector<Value> out;
  out.reserve(list.size());
  for (int32_t i : indexes) out.push_back(list[static_cast<size_t>(i)]);
  list = std::move(out);
  return true;
}

}  // namespace qv::library
