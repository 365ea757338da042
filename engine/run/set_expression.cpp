#include "engine/run/set_expression.h"

#include "engine/run/expression.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

TfsSetExpression::TfsSetExpression() : TfsCustomVariable(u"", fvtVariant, u"") {}

TfsSetExpression::~TfsSetExpression() = default;

void TfsSetExpression::AddExpression(std::unique_ptr<TfsExpression> e) {
  if (e) entries_.push_back(std::move(e));
}

void TfsSetExpression::AddRange() { entries_.push_back(nullptr); }

TfsExpression* TfsSetExpression::Entry(int i) const {
  if (static_cast<size_t>(i) >= entries_.size()) throw ListIndexError(i);
  return entries_[static_cast<size_t>(i)].get();
}

Value TfsSetExpression::GetValue() {
  std::vector<Value> items;
  items.reserve(entries_.size());
  for (auto& e : entries_) items.push_back(e ? e->GetValue() : Value::Null());
  return Value::Array(std::move(items));
}

bool TfsSetExpression::Check(const Value& v) {
  const size_t n = entries_.size();
  size_t i = 0;
  while (i < n) {
    TfsExpression* e = entries_[i].get();
    if (e == nullptr) {  // a marker without a lower end
      ++i;
      continue;
    }
    bool range = i + 2 < n && entries_[i + 1] == nullptr && entries_[i + 2] != nullptr;
    if (range) {
      if (Compare(BinaryOp::LessEq, e->GetValue(), v) &&
          Compare(BinaryOp::LessEq, v, entries_[i + 2]->GetValue()))
        return true;
      i += 3;
    } else {
      if (Compare(BinaryOp::Eq, v, e->GetValue())) return true;
      ++i;
    }
  }
  return false;
}

}  // namespace qv
