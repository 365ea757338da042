#include "engine/items/objects.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "engine/items/host_class.h"
#include "engine/run/run_messages.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

HostObject::HostObject() : id_(ObjectRegistry::Instance().Enter(this)) {}

HostObject::~HostObject() { ObjectRegistry::Instance().Leave(id_); }

int32_t ObjectIdOf(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Empty:
    case ValueKind::Null:
      return 0;
    case ValueKind::Object:
      return v.as_object();
    case ValueKind::Int32:
      return v.as_int32();
    case ValueKind::Int64:
    case ValueKind::UInt64:
      return ToInt32(v);
    default:
      ObjectRegistry::ThrowInvalid();
  }
}

ObjectRegistry& ObjectRegistry::Instance() {
  // Never destroyed: objects of threads that outlive static destruction
  // still unregister themselves.
  static ObjectRegistry* const registry = new ObjectRegistry();
  return *registry;
}

void ObjectRegistry::ThrowInvalid() { throw ScriptError(run_msg::kInvalidObject); }

HostObject* ObjectRegistry::Find(int32_t id) const {
  std::shared_lock lock(mutex_);
  auto it = live_.find(id);
  return it == live_.end() ? nullptr : it->second.object;
}

HostObject& ObjectRegistry::Get(int32_t id) const {
  HostObject* object = id == 0 ? nullptr : Find(id);
  if (object == nullptr) ThrowInvalid();
  return *object;
}

int32_t ObjectRegistry::Enter(HostObject* object) {
  std::unique_lock lock(mutex_);
  if (nextId_ == std::numeric_limits<int32_t>::max()) throw ScriptError(run_msg::kTooManyObjects);
  int32_t id = nextId_++;
  live_.emplace(id, Entry{object, nullptr, nullptr});
  return id;
}

void ObjectRegistry::Leave(int32_t id) noexcept {
  std::unique_lock lock(mutex_);
  auto it = live_.find(id);
  // An adopted object's unique_ptr is released before it is destroyed, so
  // erasing here never destroys anything under the lock.
  if (it != live_.end()) live_.erase(it);
}

int32_t ObjectRegistry::Adopt(std::unique_ptr<HostObject> object, const void* owner) {
  if (!object) ThrowInvalid();
  int32_t id = object->ObjectId();
  std::unique_lock lock(mutex_);
  auto it = live_.find(id);
  if (it == live_.end() || it->second.owned) ThrowInvalid();
  it->second.owned = std::move(object);
  it->second.owner = owner;
  byOwner_[owner].insert(id);
  return id;
}

bool ObjectRegistry::Free(int32_t id) {
  std::unique_ptr<HostObject> doomed;
  {
    std::unique_lock lock(mutex_);
    auto it = live_.find(id);
    if (it == live_.end() || !it->second.owned) return false;
    doomed = std::move(it->second.owned);
    auto owned = byOwner_.find(it->second.owner);
    if (owned != byOwner_.end()) {
      owned->second.erase(id);
      if (owned->second.empty()) byOwner_.erase(owned);
    }
  }
  doomed.reset();  // its destructor takes the lock to leave
  return true;
}

void ObjectRegistry::FreeOwnedBy(const void* owner) {
  std::vector<std::unique_ptr<HostObject>> doomed;
  {
    std::unique_lock lock(mutex_);
    auto owned = byOwner_.find(owner);
    if (owned == byOwner_.end()) return;
    for (int32_t id : owned->second) {
      auto it = live_.find(id);
      if (it != live_.end() && it->second.owned) doomed.push_back(std::move(it->second.owned));
    }
    byOwner_.erase(owned);
  }
  // Newest first, so that objects made from others go before them.
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) it->reset();
}

size_t ObjectRegistry::LiveCount() const {
  std::shared_lock lock(mutex_);
  return live_.size();
}

bool HostClass::InheritsFrom(const HostClass& other) const {
  for (const HostClass* c = this; c != nullptr; c = c->ancestor)
    if (c == &other) return true;
  return false;
}

std::vector<const HostProperty*> HostClass::PublishedProperties() const {
  std::vector<const HostProperty*> result;
  for (const HostClass* c = this; c != nullptr; c = c->ancestor)
    for (const HostProperty& p : c->properties) {
      bool hidden = false;
      for (const HostProperty* seen : result)
        if (SameText(seen->name, p.name)) hidden = true;
      if (!hidden) result.push_back(&p);
    }
  std::stable_sort(result.begin(), result.end(), [](const HostProperty* a, const HostProperty* b) {
    return CompareText(a->name, b->name) < 0;
  });
  return result;
}

const HostProperty* HostClass::FindProperty(std::u16string_view name) const {
  for (const HostClass* c = this; c != nullptr; c = c->ancestor)
    for (const HostProperty& p : c->properties)
      if (SameText(p.name, name)) return &p;
  return nullptr;
}

}  // namespace qv
