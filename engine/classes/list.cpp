#include "engine/classes/list.h"

#include <algorithm>
#include <limits>

#include "engine/run/run_messages.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

const HostClass& TList::StaticClass() {
  static const HostClass cls = MakeHostClass<TList>(u"TList", &TObject::StaticClass());
  return cls;
}

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
}

int32_t TList::Get(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)];
}

void TList::Put(int index, int32_t item) {
  CheckIndex(index);
  items_[static_cast<size_t>(index)] = item;
}

int TList::Add(int32_t item) {
  if (items_.size() >= static_cast<size_t>(std::numeric_limits<int>::max()))
    throw ScriptError(run_msg::kListCapacity + IntToText(Count()) + u")", u"EListError");
  items_.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, int32_t item) {
  if (index < 0 || index > Count()) throw ListIndexError(index);
  Add(item);
  std::rotate(items_.begin() + index, items_.end() - 1, items_.end());
}

void TList::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
}

int TList::IndexOf(int32_t item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TList::Remove(int32_t item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(newIndex);
  int32_t item = Get(curIndex);
  Delete(curIndex);
  Insert(newIndex, item);
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
}

int32_t TList::Extract(int32_t item) { return Remove(item) >= 0 ? item : 0; }

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), 0), items_.end()); }

}  // namespace qv
