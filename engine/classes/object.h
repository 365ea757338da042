// The roots of the built-in class tree that scripts see: TObject and
// TPersistent. Every built-in object is a HostObject, so it has an identity
// that script values carry, and a class descriptor (host_class.h) that names
// its class and lists its published properties.
//
// Each class has a static StaticClass() descriptor and overrides Class() to
// return it; ClassName() is the descriptor's name.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/items/host_class.h"
#include "engine/items/objects.h"

namespace qv {

class TObject : public HostObject {
 public:
  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }

  // The class name a script sees through ClassName ("TStringList").
  std::u16string_view ClassName() const { return Class().name; }

  // Whether a constructor has initialised the object. A class item makes
  // instances before their constructor runs; one whose constructor fails
  // is freed again.
  bool Constructed() const { return constructed_; }
  void MarkConstructed() { constructed_ = true; }

 private:
  bool constructed_ = false;
};

// An object whose state can be copied from another object with Assign.
class TPersistent : public TObject {
 public:
  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }

  // Copies the state of `source` into this object. The default knows no
  // source and raises "Cannot assign a TList to a TStringList"; descendants
  // handle the sources they understand and defer to the base otherwise.
  virtual void Assign(const HostObject* source);

 protected:
  [[noreturn]] void AssignError(const HostObject* source) const;
};

// Descriptor of a built-in class whose instances are made by `create`.
template <class T>
HostClass MakeHostClass(std::u16string name, const HostClass* ancestor,
                        std::vector<HostProperty> properties = {}) {
  return HostClass{std::move(name), ancestor,
                   []() -> std::unique_ptr<HostObject> { return std::make_unique<T>(); },
                   std::move(properties)};
}

}  // namespace qv
