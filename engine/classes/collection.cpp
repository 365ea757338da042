#include "engine/classes/collection.h"

#include <algorithm>
#include <memory>

#include "support/errors.h"

namespace qv {

const HostClass& TCollectionItem::StaticClass() {
  static const HostClass cls =
      MakeHostClass<TCollectionItem>(u"TCollectionItem", &TPersistent::StaticClass());
  return cls;
}

const HostClass& TCollection::StaticClass() {
  static const HostClass cls = MakeHostClass<TCollection>(u"TCollection", &TPersistent::StaticClass());
  return cls;
}

TCollectionItem::~TCollectionItem() {
  if (collection_) {
    auto& list = collection_->items_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  const auto& list = collection_->items_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TCollectionItem::Assign(const HostObject* source) {
  if (!dynamic_cast<const TCollectionItem*>(source)) TPersistent::Assign(source);
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  return items_[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::Add() {
  auto item = std::make_unique<TCollectionItem>();
  TCollectionItem* raw = item.get();
  ObjectRegistry::Instance().Adopt(std::move(item), this);
  raw->collection_ = this;
  items_.push_back(raw);
  return raw;
}

void TCollection::Clear() {
  std::vector<TCollectionItem*> items;
  items.swap(items_);
  for (TCollectionItem* item : items) {
    item->collection_ = nullptr;
    ObjectRegistry::Instance().Free(item->ObjectId());
  }
}

void TCollection::Assign(const HostObject* source) {
  auto* other = dynamic_cast<const TCollection*>(source);
  if (!other) return TPersistent::Assign(source);
  if (other == this) return;
  Clear();
  for (TCollectionItem* item : other->items_) Add()->Assign(item);
}

}  // namespace qv
