#include "support/hashes.h"

#include <numeric>

namespace qv {

namespace {

// Longest bucket the key index can address.
constexpr size_t kMaxBucketLength = (size_t{1} << 25) - 2;

}  // namespace

THash::THash() = default;
THash::~THash() = default;

uint32_t THash::HashOf(std::u16string_view key) {
  if (key.empty()) return 0;
  uint32_t h = 305419888u;
  for (char16_t c : key) {
    h = (h << 4) + c;
    uint32_t top = h & 0xF0000000u;
    if (top != 0) h |= top >> 24;
  }
  return h;
}

// The empty key is never found. Every other key is, even one whose hash
// happens to be 0: treating that as "absent" would store duplicates that can
// never be read back.
THash::Found THash::Locate(std::u16string_view key) const {
  if (key.empty()) return {HashKeyIndex::kNone, 0};
  uint32_t strong = HashKeyIndex::StrongHash(key);
  return {index_.Find(keys_, key, strong), strong};
}

bool THash::Exists(std::u16string_view key) const { return Locate(key).slot != HashKeyIndex::kNone; }

int THash::FindItem(std::u16string_view key) const {
  Found f = Locate(key);
  if (f.slot == HashKeyIndex::kNone) return -1;
  HashKeyIndex::Place p = index_.At(f.slot);
  return keys_[p.bucket][p.pos].ItemIndex;
}

int THash::StoreIndex(std::u16string_view key, bool& isNew) {
  if (key.empty()) throw EHashError(u"Cannot store a value under an empty key");
  Found f = Locate(key);
  if (f.slot != HashKeyIndex::kNone) {
    isNew = false;
    HashKeyIndex::Place p = index_.At(f.slot);
    return keys_[p.bucket][p.pos].ItemIndex;
  }
  int item = TakeIndex();
  AppendRecord(key, HashOf(key), f.strong, item);
  nextAllowed_ = false;
  isNew = true;
  return item;
}

// The most recently freed index, or a new one past the top of the value array.
int THash::TakeIndex() {
  if (!spareItems_.empty()) {
    int item = spareItems_.back();
    spareItems_.pop_back();
    return item;
  }
  int item = HighestItem() + 1;
  TruncateItems(item + 1);
  return item;
}

void THash::AppendRecord(std::u16string_view key, uint32_t hash, uint32_t strong, int itemIndex) {
  uint32_t b = hash & (kBucketCount - 1);
  std::vector<THashRecord>& bucket = keys_[b];
  if (bucket.size() >= kMaxBucketLength) throw EHashError(u"Hash table is full");
  bucket.push_back({hash, itemIndex, std::u16string(key)});
  try {
    index_.Insert(strong, {b, static_cast<uint32_t>(bucket.size() - 1)});
  } catch (...) {
    bucket.pop_back();
    throw;
  }
  ++count_;
}

int THash::RemoveRecord(size_t slot) {
  HashKeyIndex::Place p = index_.At(slot);
  std::vector<THashRecord>& bucket = keys_[p.bucket];
  int item = bucket[p.pos].ItemIndex;
  index_.Erase(slot);
  size_t last = bucket.size() - 1;
  if (p.pos != last) {
    const std::u16string& lastKey = bucket[last].Key;
    size_t moved = index_.Find(keys_, lastKey, HashKeyIndex::StrongHash(lastKey));
    bucket[p.pos] = std::move(bucket[last]);
    index_.Move(moved, p);
  }
  bucket.pop_back();
  --count_;
  return item;
}

bool THash::Delete(std::u16string_view key) {
  nextAllowed_ = false;
  Found f = Locate(key);
  if (f.slot == HashKeyIndex::kNone) return false;
  int item = RemoveRecord(f.slot);
  ReleaseItem(item);
  spareItems_.push_back(item);
  ConsiderCompact();
  ChangeDone();
  return true;
}

bool THash::Rename(std::u16string_view key, std::u16string_view newName) {
  nextAllowed_ = false;
  Found f = Locate(key);
  if (f.slot == HashKeyIndex::kNone) return false;
  // Checked before anything moves, so a refused rename loses nothing.
  if (newName.empty()) throw EHashError(u"Cannot store a value under an empty key");
  int item = RemoveRecord(f.slot);
  Found g = Locate(newName);
  if (g.slot != HashKeyIndex::kNone) {
    HashKeyIndex::Place p = index_.At(g.slot);
    THashRecord& rec = keys_[p.bucket][p.pos];
    ReleaseItem(rec.ItemIndex);
    spareItems_.push_back(rec.ItemIndex);
    rec.ItemIndex = item;
  } else {
    AppendRecord(newName, HashOf(newName), g.strong, item);
  }
  ConsiderCompact();
  ChangeDone();
  return true;
}

// Compaction walks every record, so in a large table it also waits until an
// eighth of the value slots are free; that keeps deletes O(1) amortised and
// changes nothing for tables of up to 800 slots. Only item indexes differ,
// never keys, values or their order.
void THash::ConsiderCompact() {
  long long spare = static_cast<long long>(spareItems_.size());
  long long highest = HighestItem();
  if (allowCompact_ && spare >= 100 && spare < 2 * highest && spare * 8 >= highest + 1) Compact();
}

void THash::Compact() {
  if (!allowCompact_) return;
  const int n = HighestItem() + 1;
  std::vector<char> used(n, 1);
  for (int s : spareItems_)
    if (s >= 0 && s < n) used[s] = 0;
  std::vector<int> map(n);
  std::iota(map.begin(), map.end(), 0);

  // Fill holes from the top down.
  int i = 0;
  int j = n - 1;
  while (j > i) {
    if (!used[i]) {
      while (j > i && !used[j]) --j;
      if (j > i) {
        MoveItem(j, i);
        used[i] = 1;
        used[j] = 0;
        map[j] = i;
      }
    } else {
      ++i;
    }
  }

  int top = n - 1;
  while (top >= 0 && !used[top]) --top;
  TruncateItems(top + 1);
  spareItems_.clear();
  for (auto& bucket : keys_)
    for (THashRecord& rec : bucket)
      if (rec.ItemIndex >= 0 && rec.ItemIndex < n) rec.ItemIndex = map[rec.ItemIndex];
  ChangeDone();
}

void THash::Clear() {
  ReleaseAllItems();
  spareItems_.clear();
  for (auto& bucket : keys_) bucket.clear();
  index_.Clear();
  count_ = 0;
  ChangeDone();
}

void THash::Restart() {
  iterator_ = NewIterator();
  nextAllowed_ = true;
  currentKey_.clear();
}

bool THash::Next() {
  if (!nextAllowed_) return false;
  THashIterator& it = iterator_;
  if (it.ck < 0) it = {0, 0};
  if (it.cx < 0) it.cx = 0;
  while (it.ck < kBucketCount) {
    const auto& bucket = keys_[it.ck];
    if (static_cast<size_t>(it.cx) < bucket.size()) {
      currentKey_ = bucket[it.cx].Key;
      ++it.cx;
      return true;
    }
    ++it.ck;
    it.cx = 0;
  }
  currentKey_.clear();
  return false;
}

// Steps back one key; directly after Next this returns the same key again,
// because Next leaves the position behind the key it returned.
bool THash::Previous() {
  if (!nextAllowed_) throw EHashIterateError();
  THashIterator& it = iterator_;
  if (it.ck < 0) return false;
  if (it.ck >= kBucketCount) it = {kBucketCount - 1, static_cast<int>(keys_[kBucketCount - 1].size())};
  // The buckets may have been cleared under the cursor.
  it.cx = std::min(it.cx, static_cast<int>(keys_[it.ck].size()));
  for (;;) {
    --it.cx;
    if (it.cx >= 0) {
      currentKey_ = keys_[it.ck][it.cx].Key;
      return true;
    }
    --it.ck;
    if (it.ck < 0) {
      it.cx = 0;
      currentKey_.clear();
      return false;
    }
    it.cx = static_cast<int>(keys_[it.ck].size());
  }
}

std::u16string THash::CurrentKey() const { return nextAllowed_ ? currentKey_ : std::u16string(); }

// --- TStringHash

TStringHash::~TStringHash() = default;

std::u16string TStringHash::Items(std::u16string_view key) const {
  int i = FindItem(key);
  return i >= 0 && i < static_cast<int>(items_.size()) ? items_[i] : std::u16string();
}

void TStringHash::SetItems(std::u16string_view key, std::u16string value) {
  bool isNew;
  items_[StoreIndex(key, isNew)] = std::move(value);
}

void TStringHash::ReleaseItem(int index) { items_[index].clear(); }
void TStringHash::MoveItem(int from, int to) { items_[to] = std::move(items_[from]); }
void TStringHash::TruncateItems(int count) { items_.resize(count); }
void TStringHash::ReleaseAllItems() { items_.clear(); }

// --- TIntegerHash

TIntegerHash::~TIntegerHash() = default;

intptr_t TIntegerHash::Items(std::u16string_view key) const {
  int i = FindItem(key);
  return i >= 0 && i < static_cast<int>(items_.size()) ? items_[i] : -1;
}

void TIntegerHash::SetItems(std::u16string_view key, intptr_t value) {
  bool isNew;
  items_[StoreIndex(key, isNew)] = value;
}

void TIntegerHash::ReleaseItem(int index) { items_[index] = 0; }
void TIntegerHash::MoveItem(int from, int to) { items_[to] = items_[from]; }
void TIntegerHash::TruncateItems(int count) { items_.resize(count); }
void TIntegerHash::ReleaseAllItems() { items_.clear(); }

// --- TObjectHash

TObjectHash::~TObjectHash() {
  ReleaseAllItems();
  ChangeDone();
}

OwnedObject* TObjectHash::Items(std::u16string_view key) const {
  int i = FindItem(key);
  return i >= 0 && i < static_cast<int>(items_.size()) ? items_[i].get() : nullptr;
}

void TObjectHash::SetItems(std::u16string_view key, std::unique_ptr<OwnedObject> value) {
  bool isNew;
  int i = StoreIndex(key, isNew);
  released_.push_back(std::move(items_[i]));
  items_[i] = std::move(value);
  ChangeDone();
}

std::unique_ptr<OwnedObject> TObjectHash::Extract(std::u16string_view key) {
  int i = FindItem(key);
  if (i < 0 || i >= static_cast<int>(items_.size())) return nullptr;
  std::unique_ptr<OwnedObject> obj = std::move(items_[i]);
  Delete(key);
  return obj;
}

void TObjectHash::ReleaseItem(int index) { released_.push_back(std::move(items_[index])); }
void TObjectHash::MoveItem(int from, int to) { items_[to] = std::move(items_[from]); }
void TObjectHash::TruncateItems(int count) { items_.resize(count); }

void TObjectHash::ReleaseAllItems() {
  for (auto& obj : items_) released_.push_back(std::move(obj));
  items_.clear();
}

// Frees outside the table's bookkeeping; a destructor that touches this table
// (even one that releases more objects) sees a consistent table.
void TObjectHash::ChangeDone() {
  while (!released_.empty()) {
    std::vector<std::unique_ptr<OwnedObject>> batch;
    batch.swap(released_);
    batch.clear();
  }
}

}  // namespace qv
