// Set constructors: [1, 3..7, x]. Used for set values, the in operator and
// case labels.
//
// Entries are expressions or empty range markers; a range a..b is the three
// entries a, marker, b:
//
//   TfsSetExpression set;
//   set.AddExpression(Const(1));
//   set.AddExpression(Const(3));
//   set.AddRange();
//   set.AddExpression(Const(7));
//   set.Check(Value::Int(5));   // true
//   set.GetValue();             // array [1, 3, Null, 7]
#pragma once

#include <memory>
#include <vector>

#include "engine/items/items.h"

namespace qv {

class TfsExpression;

class TfsSetExpression : public TfsCustomVariable {
 public:
  TfsSetExpression();
  ~TfsSetExpression() override;

  void AddExpression(std::unique_ptr<TfsExpression> e);
  // An empty entry: the previous and the next expression form a range.
  void AddRange();
  int EntryCount() const noexcept { return static_cast<int>(entries_.size()); }
  // Entry i, nullptr for a range marker; raises outside the list.
  TfsExpression* Entry(int i) const;

  // An array 0..EntryCount()-1 of the entries' values, Null for markers.
  Value GetValue() override;
  void SetValue(const Value&) override {}
  bool HasStorage() const noexcept override { return false; }

  // True when `v` equals a single entry or lies within a range (ends
  // included), by the value comparison rules; entries are evaluated in
  // order and only until the first match.
  bool Check(const Value& v);

 private:
  std::vector<std::unique_ptr<TfsExpression>> entries_;
};

}  // namespace qv
