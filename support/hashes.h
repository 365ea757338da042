// String-keyed hash tables with an iteration cursor.
//
// THash maps a key to an item index; each descendant keeps its values in an
// array indexed by item index. Deleted indexes are recycled (last freed,
// first reused) and the value array is compacted once 100 of them pile up.
//
// Keys live in 128 buckets chosen by a fixed hash of the key; the cursor
// walks the buckets in order, so scripts see keys in bucket order, and a
// delete moves the bucket's last record into the hole. A private index from
// key to bucket position keeps Exists, Items and Delete O(1) at any size.
//
//   TStringHash info;
//   info.SetItems(u"name", u"value");
//   info.Restart();
//   while (info.Next()) Use(info.CurrentKey(), info.Value());
//
// Keys are compared exactly (case matters). The empty key is never found;
// storing under it raises EHashError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/errors.h"
#include "support/hash_key_index.h"
#include "support/owned_object.h"

namespace qv {

class EHashError : public ScriptError {
 public:
  explicit EHashError(std::u16string message, std::u16string className = u"EHashError")
      : ScriptError(std::move(message), std::move(className)) {}
};

// Raised by Previous after the key set changed since Restart.
class EHashIterateError : public EHashError {
 public:
  EHashIterateError()
      : EHashError(u"Cannot get Next as the hash has been modified since Restart was called",
                   u"EHashIterateError") {}
};

struct THashRecord {
  uint32_t Hash = 0;
  int ItemIndex = 0;
  std::u16string Key;
};

struct THashIterator {
  int ck = -1;  // bucket; -1 before the first one
  int cx = 0;   // position in the bucket
};

class THash : public OwnedObject {
 public:
  static constexpr int kBucketCount = 128;

  THash();
  ~THash() override;

  // The fixed key hash; its low 7 bits choose the bucket. The empty key hashes to 0.
  static uint32_t HashOf(std::u16string_view key);

  bool Exists(std::u16string_view key) const;
  bool Delete(std::u16string_view key);
  // Moves the value of `key` to `newName`, replacing what `newName` held.
  bool Rename(std::u16string_view key, std::u16string_view newName);
  void Clear();
  void Compact();

  void Restart();
  bool Next();
  bool Previous();
  // The key at the cursor; empty when the cursor is not valid.
  std::u16string CurrentKey() const;

  int ItemCount() const { return static_cast<int>(count_); }
  static THashIterator NewIterator() { return {}; }
  THashIterator CurrentIterator() const { return iterator_; }
  void SetCurrentIterator(THashIterator it) { iterator_ = it; }
  bool AllowCompact() const { return allowCompact_; }
  void SetAllowCompact(bool on) { allowCompact_ = on; }

  // Bucket contents, for tests and dumps.
  const std::vector<THashRecord>& Bucket(int index) const { return keys_[index]; }

 protected:
  // Value-array operations of the descendants.
  virtual void ReleaseItem(int index) = 0;
  virtual void MoveItem(int from, int to) = 0;
  virtual void TruncateItems(int count) = 0;
  virtual void ReleaseAllItems() = 0;
  virtual int HighestItem() const = 0;
  // Runs at the end of every public change, once the table is consistent.
  virtual void ChangeDone() {}

  // Item index stored under `key`, or -1.
  int FindItem(std::u16string_view key) const;
  // Item index for storing under `key`: the existing one, or a new one that
  // the value array already covers (`isNew` set). Raises EHashError for the
  // empty key.
  int StoreIndex(std::u16string_view key, bool& isNew);

 private:
  struct Found {
    size_t slot;
    uint32_t strong;
  };
  Found Locate(std::u16string_view key) const;
  int TakeIndex();
  void AppendRecord(std::u16string_view key, uint32_t hash, uint32_t strong, int itemIndex);
  // Removes the record at `slot` by moving the bucket's last record into it.
  int RemoveRecord(size_t slot);
  void ConsiderCompact();
  bool TakeAtCursor();

  HashKeyIndex::Buckets keys_;
  HashKeyIndex index_;
  size_t count_ = 0;
  std::vector<int> spareItems_;
  bool nextAllowed_ = false;
  std::u16string currentKey_;
  bool allowCompact_ = true;
  THashIterator iterator_;
};

class TStringHash : public THash {
 public:
  ~TStringHash() override;
  // Empty text when absent.
  std::u16string Items(std::u16string_view key) const;
  void SetItems(std::u16string_view key, std::u16string value);
  std::u16string Value() const { return Items(CurrentKey()); }
  void SetValue(std::u16string value) { SetItems(CurrentKey(), std::move(value)); }

 protected:
  void ReleaseItem(int index) override;
  void MoveItem(int from, int to) override;
  void TruncateItems(int count) override;
  void ReleaseAllItems() override;
  int HighestItem() const override { return static_cast<int>(items_.size()) - 1; }

 private:
  std::vector<std::u16string> items_;
};

class TIntegerHash : public THash {
 public:
  ~TIntegerHash() override;
  // -1 when absent.
  intptr_t Items(std::u16string_view key) const;
  void SetItems(std::u16string_view key, intptr_t value);
  intptr_t Value() const { return Items(CurrentKey()); }
  void SetValue(intptr_t value) { SetItems(CurrentKey(), value); }

 protected:
  void ReleaseItem(int index) override;
  void MoveItem(int from, int to) override;
  void TruncateItems(int count) override;
  void ReleaseAllItems() override;
  int HighestItem() const override { return static_cast<int>(items_.size()) - 1; }

 private:
  std::vector<intptr_t> items_;
};

// Owns its objects: replacing, deleting, clearing and destroying free them.
// An object is freed only after the table is consistent again, so a
// destructor may look at (or change) the table that held it.
class TObjectHash : public THash {
 public:
  ~TObjectHash() override;
  // The object under `key` (still owned by the table), or nullptr.
  OwnedObject* Items(std::u16string_view key) const;
  void SetItems(std::u16string_view key, std::unique_ptr<OwnedObject> value);
  // Hands the object under `key` to the caller and deletes the key.
  std::unique_ptr<OwnedObject> Extract(std::u16string_view key);
  OwnedObject* Value() const { return Items(CurrentKey()); }
  void SetValue(std::unique_ptr<OwnedObject> value) { SetItems(CurrentKey(), std::move(value)); }

 protected:
  void ReleaseItem(int index) override;
  void MoveItem(int from, int to) override;
  void TruncateItems(int count) override;
  void ReleaseAllItems() override;
  int HighestItem() const override { return static_cast<int>(items_.size()) - 1; }
  void ChangeDone() override;

 private:
  std::vector<std::unique_ptr<OwnedObject>> items_;
  // Objects released during one change, freed when it is done.
  std::vector<std::unique_ptr<OwnedObject>> released_;
};

}  // namespace qv
