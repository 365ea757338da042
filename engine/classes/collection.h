// TCollection and TCollectionItem: a collection owns its items. Items are
// objects of the registry (scripts reach them through Items), owned by the
// collection: Clear and the collection's destruction free them, and an item
// freed on its own leaves the collection first.
#pragma once

#include <vector>

#include "engine/classes/object.h"

namespace qv {

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }

  ~TCollectionItem() override;
  TCollection* Collection() const { return collection_; }
  // -1 when the item belongs to no collection.
  int Index() const;
  // Items carry no state of their own: any item can be assigned to another.
  void Assign(const HostObject* source) override;

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
};

class TCollection : public TPersistent {
 public:
  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }

  ~TCollection() override { Clear(); }

  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int index) const;
  // A new item at the end, adopted by the registry on the collection's behalf.
  TCollectionItem* Add();
  void Clear();
  // As many new items as `source` has, each assigned from its counterpart.
  void Assign(const HostObject* source) override;

 private:
  friend class TCollectionItem;
  std::vector<TCollectionItem*> items_;  // owned through the registry
};

}  // namespace qv
