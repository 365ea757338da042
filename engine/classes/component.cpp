#include "engine/classes/component.h"

#include <algorithm>

#include "engine/run/run_messages.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

class ComponentError : public ScriptError {
 public:
  explicit ComponentError(std::u16string message) : ScriptError(std::move(message), u"EComponentError") {}
};

bool IsIdentStart(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }
bool IsIdentChar(char16_t c) { return IsIdentStart(c) || (c >= u'0' && c <= u'9'); }

bool IsValidIdent(std::u16string_view s) {
  return !s.empty() && IsIdentStart(s[0]) && std::all_of(s.begin() + 1, s.end(), IsIdentChar);
}

[[noreturn]] void DuplicateName(std::u16string_view name) {
  throw ComponentError(run_msg::kComponentNamed + std::u16string(name) + run_msg::kAlreadyExists);
}

}  // namespace

const HostClass& TComponent::StaticClass() {
  static const HostClass cls = MakeHostClass<TComponent>(
      u"TComponent", &TPersistent::StaticClass(),
      {{u"Name",
        PropertyKind::String,
        u"",
        [](HostObject& o) { return Value::Text(static_cast<TComponent&>(o).Name()); },
        [](HostObject& o, const Value& v) { static_cast<TComponent&>(o).SetName(ToText(v)); },
        {}},
       {u"Tag",
        PropertyKind::Integer,
        u"",
        [](HostObject& o) { return Value::Int(static_cast<TComponent&>(o).Tag()); },
        [](HostObject& o, const Value& v) { static_cast<TComponent&>(o).SetTag(ToInt32(v)); },
        {}}});
  return cls;
}

TComponent::~TComponent() {
  std::vector<TComponent*> owned;
  owned.swap(components_);
  for (TComponent* c : owned) {
    c->owner_ = nullptr;
    ObjectRegistry::Instance().Free(c->ObjectId());
  }
  SetOwner(nullptr);
}

void TComponent::SetOwner(TComponent* owner) {
  if (owner == owner_) return;
  for (TComponent* o = owner; o; o = o->owner_)
    if (o == this) throw ComponentError(run_msg::kComponentOwnsItself);
  if (owner && !name_.empty() && owner->FindComponent(name_)) DuplicateName(name_);
  if (owner_) {
    auto& list = owner_->components_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  owner_ = owner;
  if (owner_) owner_->components_.push_back(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) throw ListIndexError(index);
  return components_[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(std::u16string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::SetName(std::u16string name) {
  if (name == name_) return;
  if (!name.empty() && !IsValidIdent(name)) throw ComponentError(u"'" + name + run_msg::kComponentName);
  if (owner_) {
    TComponent* other = owner_->FindComponent(name);
    if (other && other != this) DuplicateName(name);
  }
  name_ = std::move(name);
}

}  // namespace qv
