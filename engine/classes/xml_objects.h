// The script-visible TfsXMLItem and TfsXMLDocument: objects of the registry
// that stand for items and documents of the engine's XML model (xml.h).
//
// A TfsXMLItem object refers to one item. Items handed to scripts (through
// Add, Items, FindItem, Root, Parent, a document's Root) get one reference
// object each, made on first request, so the same item always has the same
// identity. A reference made by Create owns its parentless item until the
// item joins another through AddItem or InsertItem.
//
// Items are destroyed only through these objects (Clear, Free, loading,
// freeing a document or an owning reference), and every such path first
// marks the references into the doomed subtree dead: using one afterwards
// raises "Invalid object reference" instead of reaching freed memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/classes/object.h"
#include "engine/xml/xml.h"

namespace qv {

class Stream;

class XmlItemRef : public TObject {
 public:
  static const HostClass& StaticClass();  // "TfsXMLItem"
  const HostClass& Class() const override { return StaticClass(); }

  // A new parentless item that this reference owns (the script's Create).
  XmlItemRef();
  ~XmlItemRef() override;

  // The id of the reference object of `item`, made on first request and
  // handed to `adopt` (which adopts it into the registry and returns its id).
  template <class Adopt>
  static int32_t IdOf(TfsXMLItem* item, Adopt&& adopt) {
    if (!item) return 0;
    if (int32_t id = FindId(item)) return id;
    return adopt(std::unique_ptr<XmlItemRef>(new XmlItemRef(item)));
  }
  // The existing reference object's id, 0 when there is none.
  static int32_t FindId(const TfsXMLItem* item);

  // The item; raises "Invalid object reference" once it is gone.
  TfsXMLItem& Item() const;
  bool Alive() const { return item_ != nullptr; }
  bool OwnsItem() const { return owned_ != nullptr; }

  // Destroys the children (their references die).
  void Clear();
  // Moves `other`'s item to the end of this item's children (or to
  // `index`). Raises, changing nothing, when `other` is this item or one of
  // its ancestors, or when it is the root of a document.
  void AddItem(XmlItemRef& other);
  void InsertItem(int index, XmlItemRef& other);
  // What a script's Free does: destroys a child item (it leaves its
  // parent) or an owned item. A document's root stays with its document.
  void DestroyItem();

  // Marks dead every reference to `top`'s subtree; `top` itself only when
  // `withTop`.
  static void KillRefsIn(const TfsXMLItem* top, bool withTop);

 private:
  explicit XmlItemRef(TfsXMLItem* item);
  void Attach(TfsXMLItem* item);
  std::unique_ptr<TfsXMLItem> TakeForMove(TfsXMLItem& target);

  TfsXMLItem* item_ = nullptr;
  std::unique_ptr<TfsXMLItem> owned_;
};

class XmlDocumentRef : public TObject {
 public:
  static const HostClass& StaticClass();  // "TfsXMLDocument"
  const HostClass& Class() const override { return StaticClass(); }

  XmlDocumentRef();
  ~XmlDocumentRef() override;

  TfsXMLDocument& Document() { return *document_; }
  // Loading replaces the root's children: their references die.
  void LoadFromStream(Stream& stream);
  void LoadFromFile(std::u16string_view fileName);

 private:
  std::unique_ptr<TfsXMLDocument> document_;
};

}  // namespace qv
