// Root of every object that a TObjectHash can own: the hash tables, the
// regular-expression object and the host's script-visible objects.
#pragma once

namespace qv {

class OwnedObject {
 public:
  OwnedObject() = default;
  OwnedObject(const OwnedObject&) = delete;
  OwnedObject& operator=(const OwnedObject&) = delete;
  virtual ~OwnedObject() = default;
};

}  // namespace qv
