#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "engine/classes/collection.h"
#include "engine/classes/component.h"
#include "engine/classes/list.h"
#include "engine/classes/streams.h"
#include "engine/classes/xml_objects.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

ObjectRegistry& Registry() { return ObjectRegistry::Instance(); }

TEST(ListTest, Operations) {
  TList list;
  EXPECT_EQ(list.Add(7), 0);
  EXPECT_EQ(list.Add(8), 1);
  list.Insert(0, 6);
  list.Insert(3, 9);
  EXPECT_EQ(list.Items(), (std::vector<int32_t>{6, 7, 8, 9}));
  EXPECT_EQ(list.Remove(42), -1);  // absent: nothing changes
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Remove(8), 2);
  EXPECT_EQ(list.IndexOf(9), 2);
  list.Move(0, 2);
  EXPECT_EQ(list.Items(), (std::vector<int32_t>{7, 9, 6}));
  list.Exchange(0, 2);
  list.Put(1, 0);
  list.Pack();
  EXPECT_EQ(list.Items(), (std::vector<int32_t>{6, 7}));
  EXPECT_EQ(list.Extract(6), 6);
  EXPECT_EQ(list.Extract(6), 0);

  struct Row {
    const char* what;
    std::function<void()> call;
  } bad[] = {
      {"Get(-1)", [&] { list.Get(-1); }},        {"Get(Count)", [&] { list.Get(1); }},
      {"Insert(2)", [&] { list.Insert(2, 1); }}, {"Delete(5)", [&] { list.Delete(5); }},
      {"Move(0,1)", [&] { list.Move(0, 1); }},   {"Put(-3)", [&] { list.Put(-3, 1); }},
  };
  for (const auto& r : bad) EXPECT_THROW(r.call(), ListIndexError) << r.what;
}

class StreamFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("qv_streams_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
            std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::u16string PathOf(const std::string& name) { return FromUtf8((dir_ / name).string()); }
  std::string ReadFile(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::filesystem::path dir_;
};

TEST_F(StreamFileTest, ModesAndPositions) {
  {
    TFileStream f(PathOf("a.bin"), fmCreate);
    EXPECT_EQ(f.Write("hello world", 5), 5);
    EXPECT_EQ(f.Write("!", 100), 1);  // never past the buffer
    EXPECT_EQ(f.Write("x", -4), 0);
    EXPECT_EQ(f.Size(), 6);
    EXPECT_EQ(f.Position(), 6);
  }
  EXPECT_EQ(ReadFile("a.bin"), "hello!");

  TFileStream r(PathOf("a.bin"), fmOpenRead + fmShareDenyWrite);
  std::string buf;
  EXPECT_EQ(r.Read(buf, 3), 3);
  EXPECT_EQ(buf, "hel");
  EXPECT_EQ(r.Seek(-2, soFromEnd), 4);
  EXPECT_EQ(r.Read(buf, 1000), 2);
  EXPECT_EQ(buf, "o!");
  EXPECT_EQ(r.Read(buf, 10), 0);
  EXPECT_EQ(buf, "");
  EXPECT_EQ(r.Seek(1, soFromBeginning), 1);
  EXPECT_EQ(r.Seek(2, soFromCurrent), 3);
  EXPECT_THROW(r.Seek(0, 3), ScriptError);
  EXPECT_EQ(r.Write("zz", 2), 0);  // opened for reading only

  {
    TFileStream w(PathOf("a.bin"), fmOpenWrite);  // keeps the content
    w.Write("J", 1);
  }
  EXPECT_EQ(ReadFile("a.bin"), "Jello!");
  {
    TFileStream rw(PathOf("a.bin"), fmOpenReadWrite + fmShareExclusive);
    rw.Seek(0, soFromEnd);
    rw.Write("?", 1);
    rw.SetPosition(0);
    rw.Read(buf, 2);
    EXPECT_EQ(buf, "Je");
  }
  {
    TFileStream c(PathOf("a.bin"), fmCreate + fmShareDenyNone);  // truncates
    EXPECT_EQ(c.Size(), 0);
  }

  EXPECT_THROW(TFileStream(PathOf("missing.bin"), fmOpenRead), ScriptError);
  for (int32_t mode : {3, fmOpenRead + 80, fmOpenWrite + 0x70}) {
    try {
      TFileStream bad(PathOf("a.bin"), mode);
      ADD_FAILURE() << mode;
    } catch (const ScriptError& e) {
      EXPECT_EQ(e.message(), u"Invalid file mode (" + IntToText(mode) + u")");
    }
  }
  TFileStream unopened;
  EXPECT_THROW(unopened.Size(), ScriptError);
}

TEST_F(StreamFileTest, MemoryStreamAndCopies) {
  TMemoryStream m;
  m.Write("abcdef", 6);
  TMemoryStream copy;
  m.SetPosition(4);
  EXPECT_EQ(copy.CopyFrom(m, 0), 6);  // 0: everything from the start
  EXPECT_EQ(copy.Data(), "abcdef");
  m.SetPosition(1);
  EXPECT_EQ(copy.CopyFrom(m, 2), 2);
  EXPECT_EQ(copy.Data(), "abcdefbc");
  m.SetPosition(5);
  EXPECT_THROW(copy.CopyFrom(m, 3), ScriptError);  // only one byte left
  EXPECT_THROW(copy.CopyFrom(m, -1), ScriptError);

  // A stream copied into itself appends its own content.
  TMemoryStream self;
  self.Write("xy", 2);
  EXPECT_EQ(self.CopyFrom(self, 0), 2);
  EXPECT_EQ(self.Data(), "xyxy");

  m.SaveToFile(PathOf("m.bin"));
  EXPECT_EQ(ReadFile("m.bin"), "abcdef");
  TMemoryStream loaded;
  loaded.Write("0123456789", 10);
  loaded.LoadFromFile(PathOf("m.bin"));
  EXPECT_EQ(loaded.Data(), "abcdef");
  EXPECT_EQ(loaded.Position(), 6);  // moved back to the new end
  loaded.SetPosition(2);
  loaded.LoadFromStream(copy.Impl());
  EXPECT_EQ(loaded.Data(), "abcdefbc");
  EXPECT_EQ(loaded.Position(), 2);
  loaded.SaveToStream(loaded.Impl());  // writes its whole content at 2
  EXPECT_EQ(loaded.Data(), "ababcdefbc");
  loaded.Clear();
  EXPECT_EQ(loaded.Size(), 0);

  TStream bare;
  std::string buf;
  EXPECT_THROW(bare.Read(buf, 1), ScriptError);
}

TEST(ComponentTest, OwnerFreesItsComponents) {
  auto owner = std::make_unique<TComponent>();
  TComponent* o = owner.get();
  int32_t ownerId = Registry().Adopt(std::move(owner), nullptr);
  auto child = std::make_unique<TComponent>();
  TComponent* c = child.get();
  int32_t childId = Registry().Adopt(std::move(child), nullptr);
  auto grandChild = std::make_unique<TComponent>();
  grandChild->SetOwner(c);
  int32_t grandId = Registry().Adopt(std::move(grandChild), nullptr);
  c->SetOwner(o);
  c->SetName(u"Button1");
  EXPECT_EQ(o->ComponentCount(), 1);
  EXPECT_EQ(o->FindComponent(u"BUTTON1"), c);

  // A component not held by the registry is only released.
  TComponent outside;
  outside.SetOwner(o);
  EXPECT_THROW(outside.SetName(u"button1"), ScriptError);
  EXPECT_THROW(outside.SetName(u"1abc"), ScriptError);
  EXPECT_THROW(o->SetOwner(c), ScriptError);  // cycle

  EXPECT_TRUE(Registry().Free(ownerId));
  EXPECT_EQ(Registry().Find(childId), nullptr);
  EXPECT_EQ(Registry().Find(grandId), nullptr);
  EXPECT_EQ(outside.Owner(), nullptr);
}

TEST(ComponentTest, ComponentFreedFirstLeavesItsOwner) {
  TComponent owner;
  auto child = std::make_unique<TComponent>();
  child->SetOwner(&owner);
  int32_t id = Registry().Adopt(std::move(child), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 1);
  Registry().Free(id);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(CollectionTest, ItemsAreOwned) {
  TCollection collection;
  TCollectionItem* a = collection.Add();
  int32_t aId = a->ObjectId();
  TCollectionItem* b = collection.Add();
  EXPECT_EQ(b->Index(), 1);
  EXPECT_THROW(collection.Items(2), ListIndexError);
  Registry().Free(aId);  // an item freed on its own leaves the collection
  EXPECT_EQ(collection.Count(), 1);
  EXPECT_EQ(collection.Items(0), b);
  TCollection copy;
  copy.Assign(&collection);
  EXPECT_EQ(copy.Count(), 1);
  int32_t bId = b->ObjectId();
  collection.Clear();
  EXPECT_EQ(Registry().Find(bId), nullptr);
}

// Adopts reference objects the way the class library does.
int32_t AdoptRef(std::unique_ptr<XmlItemRef> ref) { return Registry().Adopt(std::move(ref), nullptr); }

XmlItemRef& RefOf(TfsXMLItem* item) {
  return static_cast<XmlItemRef&>(Registry().Get(XmlItemRef::IdOf(item, AdoptRef)));
}

TEST(XmlRefTest, ReferencesDieWithTheirItems) {
  auto doc = std::make_unique<XmlDocumentRef>();
  XmlDocumentRef* d = doc.get();
  int32_t docId = Registry().Adopt(std::move(doc), nullptr);
  TfsXMLItem* root = d->Document().Root();
  TfsXMLItem* a = root->Add();
  TfsXMLItem* b = a->Add();
  int32_t rootId = XmlItemRef::IdOf(root, AdoptRef);
  int32_t aId = XmlItemRef::IdOf(a, AdoptRef);
  int32_t bId = XmlItemRef::IdOf(b, AdoptRef);
  EXPECT_EQ(XmlItemRef::IdOf(a, AdoptRef), aId);  // one identity per item

  RefOf(a).Clear();  // b is gone, a stays
  auto& bRef = static_cast<XmlItemRef&>(Registry().Get(bId));
  EXPECT_FALSE(bRef.Alive());
  EXPECT_THROW(bRef.Item(), ScriptError);
  EXPECT_TRUE(RefOf(a).Alive());

  // An item made by Create is owned by its reference until it is added.
  auto made = std::make_unique<XmlItemRef>();
  XmlItemRef* m = made.get();
  int32_t madeId = Registry().Adopt(std::move(made), nullptr);
  m->Item().Add()->SetName(u"inner");
  auto& aRef = static_cast<XmlItemRef&>(Registry().Get(aId));
  aRef.AddItem(*m);
  EXPECT_FALSE(m->OwnsItem());
  EXPECT_EQ(a->Count(), 1);
  EXPECT_THROW(m->AddItem(aRef), ScriptError);  // a is m's ancestor
  EXPECT_THROW(m->AddItem(*m), ScriptError);
  auto& rootRef = static_cast<XmlItemRef&>(Registry().Get(rootId));
  EXPECT_THROW(aRef.AddItem(rootRef), ScriptError);  // a document root stays put
  EXPECT_EQ(a->Count(), 1);

  // Freeing the reference object that created the item no longer destroys it.
  Registry().Free(madeId);
  EXPECT_EQ(a->Count(), 1);

  // Freeing the document kills every reference into it.
  Registry().Free(docId);
  EXPECT_FALSE(rootRef.Alive());
  EXPECT_FALSE(aRef.Alive());
  Registry().Free(rootId);
  Registry().Free(aId);
  Registry().Free(bId);
}

TEST(XmlRefTest, DestroyItem) {
  XmlDocumentRef doc;
  TfsXMLItem* root = doc.Document().Root();
  TfsXMLItem* child = root->Add();
  child->Add();
  XmlItemRef& childRef = RefOf(child);
  XmlItemRef& grandRef = RefOf(child->Items(0));
  childRef.DestroyItem();
  EXPECT_EQ(root->Count(), 0);
  EXPECT_FALSE(childRef.Alive());
  EXPECT_FALSE(grandRef.Alive());
  XmlItemRef& rootRef = RefOf(root);
  rootRef.DestroyItem();  // the root stays with its document
  EXPECT_TRUE(rootRef.Alive());
  Registry().Free(childRef.ObjectId());
  Registry().Free(grandRef.ObjectId());
  Registry().Free(rootRef.ObjectId());
}

}  // namespace
}  // namespace qv
