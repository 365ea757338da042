// Host objects and the live-object table.
//
// Inside values an object travels as an integer identity (Value::Object);
// 0 is no object. Every host object gets a fresh identity when it is
// constructed and is entered in the process-wide ObjectRegistry; its
// destructor removes it again. Identities are never reused, so a script that
// keeps a reference to a freed object gets "Invalid object reference" on the
// next use instead of reaching freed memory or a different object.
//
//   auto list = std::make_unique<MyList>();
//   int32_t id = ObjectRegistry::Instance().Adopt(std::move(list), owner);
//   Value v = Value::Object(id);
//   MyList& l = ObjectRegistry::Instance().GetAs<MyList>(v);
//   ObjectRegistry::Instance().Free(id);   // destroys it
//   ObjectRegistry::Instance().Find(id);   // nullptr from now on
//
// Threads: the registry itself is safe to use from any thread. An object is
// used by one script thread at a time (the one whose program owns it); the
// registry does not keep a freed object alive for a thread still using it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <string>
#include <unordered_map>

#include "engine/value/value.h"

namespace qv {

struct HostClass;

class HostObject {
 public:
  HostObject();
  virtual ~HostObject();
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;

  int32_t ObjectId() const noexcept { return id_; }
  // The descriptor of the object's own class.
  virtual const HostClass& Class() const = 0;

 private:
  int32_t id_;
};

// The object identity a value holds: 0 for Null and empty values, the id of
// an object value, the number itself for integers. Anything else raises
// "Invalid object reference".
int32_t ObjectIdOf(const Value& v);

class ObjectRegistry {
 public:
  static ObjectRegistry& Instance();

  // The live object with this id, or nullptr.
  HostObject* Find(int32_t id) const;
  // The live object with this id; raises "Invalid object reference" for 0,
  // unknown and freed ids.
  HostObject& Get(int32_t id) const;
  HostObject& Get(const Value& v) const { return Get(ObjectIdOf(v)); }
  // Get, and the object must be a T ("Invalid object reference" otherwise).
  template <class T>
  T& GetAs(const Value& v) const {
    T* t = dynamic_cast<T*>(&Get(v));
    if (t == nullptr) ThrowInvalid();
    return *t;
  }

  // Takes ownership of `object` on behalf of `owner` (a tag, usually the
  // program that created it) and returns its id.
  int32_t Adopt(std::unique_ptr<HostObject> object, const void* owner);
  // Destroys an adopted object. False when `id` is not an adopted, live
  // object (objects owned elsewhere, such as XML children, are not freed).
  bool Free(int32_t id);
  // Destroys every object adopted for `owner`.
  void FreeOwnedBy(const void* owner);

  size_t LiveCount() const;

  // Used by HostObject only.
  int32_t Enter(HostObject* object);
  void Leave(int32_t id) noexcept;

  [[noreturn]] static void ThrowInvalid();

 private:
  ObjectRegistry() = default;

  struct Entry {
    HostObject* object = nullptr;
    std::unique_ptr<HostObject> owned;
    const void* owner = nullptr;
  };

  mutable std::shared_mutex mutex_;
  std::unordered_map<int32_t, Entry> live_;
  // The ids each owner adopted, in id order (the order of creation), so that
  // freeing one owner's objects does not walk every live object.
  std::unordered_map<const void*, std::set<int32_t>> byOwner_;
  int32_t nextId_ = 1;
};

}  // namespace qv
