#include "engine/classes/xml_objects.h"

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "engine/run/run_messages.h"
#include "engine/xml/stream.h"
#include "support/errors.h"

namespace qv {

namespace {

// Which reference object stands for which item. Shared by all threads; the
// lock also covers the walks over a doomed subtree, which only the thread
// that owns the subtree performs.
struct RefTable {
  std::mutex mutex;
  std::unordered_map<const TfsXMLItem*, XmlItemRef*> refs;
  std::atomic<size_t> size{0};
};

RefTable& Table() {
  static RefTable* const table = new RefTable();  // outlives every object
  return *table;
}

}  // namespace

const HostClass& XmlItemRef::StaticClass() {
  static const HostClass cls = MakeHostClass<XmlItemRef>(u"TfsXMLItem", &TObject::StaticClass());
  return cls;
}

const HostClass& XmlDocumentRef::StaticClass() {
  static const HostClass cls = MakeHostClass<XmlDocumentRef>(u"TfsXMLDocument", &TObject::StaticClass());
  return cls;
}

XmlItemRef::XmlItemRef() : owned_(std::make_unique<TfsXMLItem>()) { Attach(owned_.get()); }

XmlItemRef::XmlItemRef(TfsXMLItem* item) { Attach(item); }

void XmlItemRef::Attach(TfsXMLItem* item) {
  RefTable& t = Table();
  std::lock_guard lock(t.mutex);
  t.refs[item] = this;
  t.size = t.refs.size();
  item_ = item;
}

XmlItemRef::~XmlItemRef() {
  if (owned_) KillRefsIn(owned_.get(), false);
  if (item_) {
    RefTable& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.refs.find(item_);
    if (it != t.refs.end() && it->second == this) t.refs.erase(it);
    t.size = t.refs.size();
  }
  item_ = nullptr;
  owned_.reset();
}

int32_t XmlItemRef::FindId(const TfsXMLItem* item) {
  RefTable& t = Table();
  if (t.size == 0) return 0;
  std::lock_guard lock(t.mutex);
  auto it = t.refs.find(item);
  return it == t.refs.end() ? 0 : it->second->ObjectId();
}

void XmlItemRef::KillRefsIn(const TfsXMLItem* top, bool withTop) {
  RefTable& t = Table();
  if (!top || t.size == 0) return;
  std::lock_guard lock(t.mutex);
  std::vector<const TfsXMLItem*> pending{top};
  while (!pending.empty() && !t.refs.empty()) {
    const TfsXMLItem* item = pending.back();
    pending.pop_back();
    for (const auto& child : item->Children()) pending.push_back(child.get());
    if (item == top && !withTop) continue;
    auto it = t.refs.find(item);
    if (it == t.refs.end()) continue;
    it->second->item_ = nullptr;
    t.refs.erase(it);
  }
  t.size = t.refs.size();
}

TfsXMLItem& XmlItemRef::Item() const {
  if (!item_) ObjectRegistry::ThrowInvalid();
  return *item_;
}

void XmlItemRef::Clear() {
  TfsXMLItem& item = Item();
  KillRefsIn(&item, false);
  item.Clear();
}

// Checks that `target` may take this item, and hands over the ownership
// this reference holds (empty when the item's parent owns it).
std::unique_ptr<TfsXMLItem> XmlItemRef::TakeForMove(TfsXMLItem& target) {
  TfsXMLItem& item = Item();
  for (const TfsXMLItem* p = &target; p; p = p->Parent())
    if (p == &item) throw ScriptError(run_msg::kAddToDescendant);
  if (owned_) return std::move(owned_);
  if (!item.Parent()) throw ScriptError(run_msg::kMoveDocumentRoot);
  return nullptr;
}

void XmlItemRef::AddItem(XmlItemRef& other) {
  TfsXMLItem& target = Item();
  if (auto owned = other.TakeForMove(target)) {
    target.AddItem(std::move(owned));
  } else {
    target.AddItem(&other.Item());
  }
}

void XmlItemRef::InsertItem(int index, XmlItemRef& other) {
  TfsXMLItem& target = Item();
  if (auto owned = other.TakeForMove(target)) {
    target.InsertItem(index, std::move(owned));
  } else {
    target.InsertItem(index, &other.Item());
  }
}

void XmlItemRef::DestroyItem() {
  TfsXMLItem& item = Item();
  std::unique_ptr<TfsXMLItem> doomed = owned_ ? std::move(owned_) : item.Detach();
  // Parentless and not ours: a document's root, which its document keeps.
  if (!doomed) return;
  KillRefsIn(doomed.get(), true);
  doomed.reset();
}

XmlDocumentRef::XmlDocumentRef() : document_(std::make_unique<TfsXMLDocument>()) {}

XmlDocumentRef::~XmlDocumentRef() { XmlItemRef::KillRefsIn(document_->Root(), true); }

void XmlDocumentRef::LoadFromStream(Stream& stream) {
  XmlItemRef::KillRefsIn(document_->Root(), false);
  document_->LoadFromStream(stream);
}

void XmlDocumentRef::LoadFromFile(std::u16string_view fileName) {
  // Open first: a file that cannot be opened leaves the document as it was.
  FileStream file(fileName, FileMode::OpenRead, ShareMode::DenyWrite);
  LoadFromStream(file);
}

}  // namespace qv
