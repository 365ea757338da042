// TList: an ordered list of object references. Entries are the integer
// identities that scripts hold (0 is no object), never pointers, so a list
// that outlives an entry's object can never reach freed memory.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/classes/object.h"

namespace qv {

class TList : public TObject {
 public:
  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }

  int Count() const { return static_cast<int>(items_.size()); }
  int32_t Get(int index) const;
  void Put(int index, int32_t item);

  int Add(int32_t item);
  void Insert(int index, int32_t item);  // index may equal Count
  void Delete(int index);
  // Removes the first entry equal to `item`; its former index, or -1.
  int Remove(int32_t item);
  int IndexOf(int32_t item) const;
  void Clear() { items_.clear(); }
  void Move(int curIndex, int newIndex);
  void Exchange(int index1, int index2);
  int32_t First() const { return Get(0); }
  int32_t Last() const { return Get(Count() - 1); }
  // Removes the first entry equal to `item` and returns it, or 0.
  int32_t Extract(int32_t item);
  // Drops every entry that is 0.
  void Pack();

  const std::vector<int32_t>& Items() const { return items_; }

 private:
  void CheckIndex(int index) const;

  std::vector<int32_t> items_;
};

}  // namespace qv
