// TComponent: an object with an owner, a name and a tag. An owner frees the
// components it owns when it is destroyed; a component leaves its owner's
// list when it is destroyed first, so neither ever points at freed memory.
//
//   TComponent form;
//   auto* button = ...;                 // a TComponent adopted by the registry
//   button->SetOwner(&form);            // form.ComponentCount() == 1
//   button->SetName(u"Button1");        // unique among form's components
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/classes/object.h"

namespace qv {

class TComponent : public TPersistent {
 public:
  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }

  TComponent() = default;
  // Frees the owned components that the object registry holds (components
  // held elsewhere are only released), then leaves the owner's list.
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  // Moves the component to `owner`'s list (none: no owner). Raises when
  // that would make a component own itself, or when `owner` already has a
  // component of the same name.
  void SetOwner(TComponent* owner);

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  // The owned component of this name (any case), or nullptr.
  TComponent* FindComponent(std::u16string_view name) const;

  const std::u16string& Name() const { return name_; }
  // An identifier or empty; unique (any case) among the owner's components.
  void SetName(std::u16string name);
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t tag) { tag_ = tag; }

 private:
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;  // owned through the registry
  std::u16string name_;
  int32_t tag_ = 0;
};

}  // namespace qv
