// The program object's name table, its tree and its lifetime.
#include <algorithm>
#include <iterator>

#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/run/run_messages.h"
#include "engine/run/statement.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

TfsScript::TfsScript() : statement_(std::make_unique<TfsStatement>(this, u"", u"")) {
  includePath_.emplace_back();
}

TfsScript::~TfsScript() {
  SetOnRunLine(nullptr);
  // No cache may keep pointing here.
  BumpTreeGeneration();
  // Objects first: their events may point at adapters in the table.
  if (ownsObjects_.load()) ObjectRegistry::Instance().FreeOwnedBy(this);
  Clear();
  ClearRTTI();
  std::vector<std::unique_ptr<TfsObject>> rest = Extract([](const Entry&) { return true; });
  rest.clear();
  statement_.reset();
  while (!sonScripts_.empty()) sonScripts_.pop_back();
}

void TfsScript::SetParent(TfsScript* parent) {
  for (TfsScript* p = parent; p != nullptr; p = p->parent_)
    if (p == this) throw ScriptError(run_msg::kOwnAncestor);
  parent_ = parent;
  BumpTreeGeneration();
}

void TfsScript::SetOnRunLine(TfsRunLineEvent h) {
  const bool had = static_cast<bool>(onRunLine_);
  onRunLine_ = std::move(h);
  const bool has = static_cast<bool>(onRunLine_);
  // Counted before the generation moves on, so that a statement that sees
  // the new generation also sees the count.
  if (has && !had) runLineHandlers_.fetch_add(1);
  BumpTreeGeneration();
  if (had && !has) runLineHandlers_.fetch_sub(1);
}

void TfsScript::FindRunLineOwner(uint64_t now) const {
  runLineOwner_ = nullptr;
  for (const TfsScript* p = this; p != nullptr; p = p->parent_)
    if (p->onRunLine_) {
      runLineOwner_ = const_cast<TfsScript*>(p);
      break;
    }
  runLineFor_ = now;
}

TfsScript* TfsScript::ObjectOwner() {
  TfsScript* p = this;
  while (p->parent_ != nullptr && !p->parent_->shared_) p = p->parent_;
  return p;
}

int32_t TfsScript::AdoptObject(std::unique_ptr<HostObject> object) {
  TfsScript* owner = ObjectOwner();
  owner->ownsObjects_.store(true);
  return ObjectRegistry::Instance().Adopt(std::move(object), owner);
}

void TfsScript::AddSonScript(std::unique_ptr<TfsScript> son) {
  if (!son) return;
  std::unique_lock lock(tableMutex_);
  sonScripts_.push_back(std::move(son));
}

// ---- table ----------------------------------------------------------------

void TfsScript::Insert(std::u16string_view name, TfsObject* object, std::unique_ptr<TfsObject> owned) {
  TfsCustomVariable* item = object->AsItem();
  if (item != nullptr) {
    item->SetAddedBy(addedBy_);
    if (shared_) item->MarkShared();
  }
  Entry entry{object, item, std::move(owned), nullptr};
  if (item == nullptr || item->Name() != name) entry.ownName = std::make_unique<std::u16string>(name);
  // Lives in the item or in `ownName`: stays put however the vector moves.
  const std::u16string* stored = &entry.Name();
  const UpperKey key(*stored);
  std::unique_lock lock(tableMutex_);
  if (shared_) {
    // Read under the shared lock by other threads: kept sorted at once.
    // Before the first entry of an equal name: the newest is found first.
    SortPendingLocked();
    auto at = std::lower_bound(
        items_.begin(), items_.end(), *stored,
        [](const Entry& e, const std::u16string& n) { return CompareUpper(e.Name(), n) < 0; });
    items_.insert(at, std::move(entry));
    sorted_ = items_.size();
  } else {
    items_.push_back(std::move(entry));
  }
  index_.Assign(stored, key, item);
}

void TfsScript::SortPendingLocked() const {
  if (sorted_ >= items_.size()) {
    sorted_ = items_.size();
    return;
  }
  auto byUpper = [](const Entry& a, const Entry& b) { return CompareUpper(a.Name(), b.Name()) < 0; };
  const auto tailBegin = items_.begin() + static_cast<std::ptrdiff_t>(sorted_);
  // The tail is oldest first: reversed and stably sorted, equal names stay
  // newest first. In the merge the tail, being newer, goes before equal
  // names of the sorted part.
  std::reverse(tailBegin, items_.end());
  std::stable_sort(tailBegin, items_.end(), byUpper);
  Entries merged;
  merged.reserve(items_.size());
  std::merge(std::make_move_iterator(tailBegin), std::make_move_iterator(items_.end()),
             std::make_move_iterator(items_.begin()), std::make_move_iterator(tailBegin),
             std::back_inserter(merged), byUpper);
  items_.swap(merged);
  sorted_ = items_.size();
}

void TfsScript::EnsureSorted() const {
  if (sorted_ == items_.size()) return;
  std::unique_lock lock(tableMutex_);
  SortPendingLocked();
}

TfsObject* TfsScript::Add(std::u16string_view name, std::unique_ptr<TfsObject> item) {
  TfsObject* raw = item.get();
  if (raw != nullptr) Insert(name, raw, std::move(item));
  return raw;
}

void TfsScript::AddBorrowed(std::u16string_view name, TfsObject* item) {
  if (item != nullptr) Insert(name, item, nullptr);
}

void TfsScript::Reindex(const std::u16string& name) {
  const UpperKey key(name);
  auto at = std::lower_bound(items_.begin(), items_.end(), name, [](const Entry& e, const std::u16string& n) {
    return CompareUpper(e.Name(), n) < 0;
  });
  if (at != items_.end() && UpperEquals(at->Name(), key.View()))
    index_.Assign(&at->Name(), key, at->item);
  else
    index_.Erase(key);
}

void TfsScript::RebuildIndex() {
  index_.Clear();
  // Pending entries are newer than sorted ones, and the sorted part has the
  // newest of each name first.
  const size_t head = std::min(sorted_, items_.size());
  auto enter = [this](const Entry& e) { index_.AssignIfAbsent(&e.Name(), UpperKey(e.Name()), e.item); };
  for (size_t i = items_.size(); i-- > head;) enter(items_[i]);
  for (size_t i = 0; i < head; ++i) enter(items_[i]);
}

std::unique_ptr<TfsObject> TfsScript::Remove(TfsObject* item) {
  std::unique_lock lock(tableMutex_);
  SortPendingLocked();
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if (it->object == item) {
      std::unique_ptr<TfsObject> owned = std::move(it->owned);
      // A copy: the entry's own name goes with it, so the index lets go of
      // it first.
      const std::u16string name = it->Name();
      index_.Erase(UpperKey(name));
      items_.erase(it);
      sorted_ = items_.size();
      Reindex(name);
      return owned;
    }
  return nullptr;
}

template <class Pred>
std::vector<std::unique_ptr<TfsObject>> TfsScript::Extract(Pred pred) {
  std::vector<std::unique_ptr<TfsObject>> taken;
  std::unique_lock lock(tableMutex_);
  // Entries not yet merged stay so: clearing a million declarations need
  // not sort them first. Marked newest to oldest (the pending part, then the
  // sorted part last to first), then removed in one pass that keeps each
  // part's order: linear however many go.
  const size_t head = std::min(sorted_, items_.size());
  std::vector<bool> doomed(items_.size());
  bool any = false;
  for (size_t i = items_.size(); i-- > 0;) {
    if (!pred(items_[i])) continue;
    if (items_[i].owned) taken.push_back(std::move(items_[i].owned));
    doomed[i] = true;
    any = true;
  }
  if (any) {
    size_t kept = 0;
    size_t keptHead = 0;
    for (size_t i = 0; i < items_.size(); ++i)
      if (!doomed[i]) {
        if (kept != i) items_[kept] = std::move(items_[i]);
        ++kept;
        if (i < head) ++keptHead;
      }
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(kept), items_.end());
    sorted_ = keptHead;
    RebuildIndex();
  }
  return taken;  // freed by the caller, outside the lock, newest first
}

// As lookups: only a shared program's table can change under another
// thread, so only there does reading it take the lock.
int TfsScript::SharedCount() const {
  std::shared_lock lock(tableMutex_);
  return static_cast<int>(items_.size());
}

TfsObject* TfsScript::Items(int i) const {
  // Only a private table has entries to merge; it is changed by this thread
  // alone, so the check needs no lock.
  if (!shared_) EnsureSorted();
  std::shared_lock lock(tableMutex_, std::defer_lock);
  if (shared_) lock.lock();
  if (static_cast<size_t>(i) >= items_.size()) throw ListIndexError(i);
  return items_[static_cast<size_t>(i)].object;
}

std::u16string TfsScript::ItemName(int i) const {
  if (!shared_) EnsureSorted();
  std::shared_lock lock(tableMutex_);
  if (static_cast<size_t>(i) >= items_.size()) throw ListIndexError(i);
  return items_[static_cast<size_t>(i)].Name();
}

namespace {

bool IsModule(const TfsObject* o) { return dynamic_cast<const TfsRTTIModule*>(o) != nullptr; }

bool AddedByModules(TfsObject* o) {
  TfsCustomVariable* item = o->AsItem();
  return item != nullptr && item->AddedBy() == kAddedByModules;
}

}  // namespace

void TfsScript::Clear() {
  // Statements first: they refer to the items, never the other way round.
  statement_->Clear();
  // An item is never a module: only other entries need the type test.
  std::vector<std::unique_ptr<TfsObject>> doomed = Extract([](const Entry& e) {
    return e.item != nullptr ? e.item->AddedBy() != kAddedByModules : !IsModule(e.object);
  });
  doomed.clear();
  unitLines_.clear();
  lastLines_ = nullptr;
  errorMsg_.clear();
  errorPos_.clear();
  errorUnit_.clear();
}

void TfsScript::RemoveItems(TfsAddedBy owner) {
  std::vector<std::unique_ptr<TfsObject>> doomed = Extract([owner](const Entry& e) {
    TfsCustomVariable* item = e.object->AsItem();
    return item != nullptr && item->AddedBy() == owner;
  });
  doomed.clear();
}

void TfsScript::ClearItems(TfsAddedBy owner) {
  statement_->Clear();
  RemoveItems(owner);
  unitLines_.clear();
  lastLines_ = nullptr;
}

void TfsScript::AddRTTI() {
  if (rttiAdded_) return;
  struct Tag {
    TfsScript& s;
    ~Tag() { s.addedBy_ = 0; }
  } tag{*this};
  addedBy_ = kAddedByModules;
  for (const ModuleRegistry::Factory& factory : ModuleRegistry::Instance().Factories())
    if (std::unique_ptr<TfsRTTIModule> module = factory(*this)) Add(u"", std::move(module));
  rttiAdded_ = true;
}

void TfsScript::ClearRTTI() {
  if (!rttiAdded_) return;
  std::vector<std::unique_ptr<TfsObject>> doomed =
      Extract([](const Entry& e) { return IsModule(e.object) || AddedByModules(e.object); });
  doomed.clear();
  rttiAdded_ = false;
}

// ---- lookup ---------------------------------------------------------------

TfsCustomVariable* TfsScript::FindLocalKey(const UpperKey& key) const {
  TfsCustomVariable* item = nullptr;
  if (shared_) {
    std::shared_lock lock(tableMutex_);
    index_.Find(key, item);
    return item;
  }
  index_.Find(key, item);
  return item;
}

TfsCustomVariable* TfsScript::FindLocal(std::u16string_view name) const {
  return FindLocalKey(UpperKey(name));
}

TfsCustomVariable* TfsScript::Find(std::u16string_view name) const {
  const UpperKey key(name);
  for (const TfsScript* p = this; p != nullptr; p = p->parent_) {
    if (TfsCustomVariable* found = p->FindLocalKey(key)) return found;
    std::shared_lock lock(p->tableMutex_, std::defer_lock);
    if (p->shared_) lock.lock();
    for (auto son = p->sonScripts_.rbegin(); son != p->sonScripts_.rend(); ++son)
      if (TfsCustomVariable* found = (*son)->FindLocalKey(key)) return found;
  }
  return nullptr;
}

TfsClassVariable* TfsScript::FindClass(std::u16string_view name) const {
  return dynamic_cast<TfsClassVariable*>(Find(name));
}

TfsProcVariable* TfsScript::FindFunction(std::u16string_view name) const {
  return dynamic_cast<TfsProcVariable*>(Find(name));
}

Value TfsScript::GetVariable(std::u16string_view name) const {
  TfsCustomVariable* item = Find(name);
  return item != nullptr ? item->GetValue() : Value::Null();
}

void TfsScript::SetVariable(std::u16string_view name, const Value& value) {
  std::unique_lock lock(additionMutex_, std::defer_lock);
  if (shared_) lock.lock();
  if (TfsCustomVariable* item = Find(name))
    item->SetValue(value);
  else
    AddVariable(name, u"Variant", value);
}

TfsVarType TfsScript::KindOfTypeName(std::u16string_view typeName) const {
  if (typeName.empty()) return fvtClass;
  TfsCustomVariable* item = Find(typeName);
  return item != nullptr ? item->Typ() : fvtClass;
}

}  // namespace qv
