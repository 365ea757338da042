// v := v + a + b ...: text built by repeated concatenation. Evaluated as a
// tree, every such statement copies v once; appending in place keeps it
// linear. Only operands that cannot see v qualify (constants, other
// variables, host functions of such operands), so the in-place steps are
// invisible to them; an error part-way puts v's text back as it was.
#include "engine/program/program.h"
#include "engine/run/statements.h"
#include "support/errors.h"
#include "support/size_limit.h"

namespace qv {

namespace {

bool Pure(TfsExpressionNode* node, const TfsCustomVariable* target, int depth);

bool PureDesignator(TfsDesignator& d, const TfsCustomVariable* target, int depth) {
  if (d.LateBindingXmlSource() != nullptr) return false;
  if (d.Kind() == dkVariable) return d.RefItem() != target && d.RefItem() != nullptr;
  for (int i = 0; i < d.StepCount(); ++i) {
    TfsDesignatorItem* step = d.Step(i);
    auto* method = dynamic_cast<TfsMethodHelper*>(step->Ref());
    if (method == nullptr || method->IsMacro()) return false;
    for (int j = 0; j < method->ParamCount(); ++j)
      if (method->Param(j)->IsVarParam()) return false;
    for (int j = 0; j < step->ArgCount(); ++j)
      if (!Pure(step->Arg(j)->Root(), target, depth + 1)) return false;
  }
  return true;
}

bool Pure(TfsExpressionNode* node, const TfsCustomVariable* target, int depth) {
  if (node == nullptr || depth > 8) return false;
  if (TfsDesignatorNode* d = node->AsDesignatorNode()) return PureDesignator(*d->Designator(), target, depth);
  if (node->AsSetNode() != nullptr) return false;
  if (node->AsOperator() != nullptr)
    return Pure(node->Left(), target, depth + 1) &&
           (node->Right() == nullptr || Pure(node->Right(), target, depth + 1));
  return true;  // a constant
}

}  // namespace

bool TfsAssignmentStmt::ExpressionLeavesTarget() const {
  return expression_ != nullptr && var_ != nullptr && Pure(expression_->Root(), var_, 0);
}

void TfsAssignmentStmt::FindAppendChain() {
  appends_.clear();
  TfsCustomVariable* target = var_;
  if (target == nullptr || target->IsShared() || target->IsReadOnly() || expression_ == nullptr) return;
  const ItemStorage storage = target->Storage();
  const bool variant = storage == ItemStorage::Variable && target->Typ() == fvtVariant;
  if (!variant && storage != ItemStorage::Text) return;
  std::vector<Append> chain;
  TfsExpressionNode* node = expression_->Root();
  while (node != nullptr) {
    TfsOperatorNode* op = node->AsOperator();
    if (op == nullptr) break;
    if (op->Op() != opPlus || op->Right() == nullptr || !Pure(op->Right(), target, 0)) return;
    chain.push_back({op->Right(), op->IsStrCat()});
    node = op->Left();
  }
  TfsDesignatorNode* first = node != nullptr ? node->AsDesignatorNode() : nullptr;
  if (first == nullptr || first->Var() != target || chain.size() < 2) return;
  appends_.assign(chain.rbegin(), chain.rend());
}

namespace {

// Puts the text back to its length before the statement when an operand
// fails.
struct Rollback {
  std::u16string* text;
  size_t length;
  ~Rollback() {
    if (text != nullptr) text->resize(length);
  }
};

}  // namespace

bool TfsAssignmentStmt::AppendInPlace() {
  if (var_->HasGetOverride()) return false;
  std::u16string* text = nullptr;
  if (var_->Storage() == ItemStorage::Text) {
    text = &static_cast<TfsStringVariable*>(var_)->Str();
  } else {
    Value& stored = var_->PValue();
    if (!stored.is_text()) return false;
    text = &stored.mutable_text();  // unshares once
  }
  Rollback rollback{text, text->size()};
  for (size_t i = 0; i < appends_.size(); ++i) {
    Value v = appends_[i].node->Eval();
    if (v.is_text()) {
      CheckSize(text->size(), v.as_text().size());
      *text += v.as_text();
    } else if (appends_[i].strCat || v.is_bytes()) {
      const std::u16string more = ToText(v);
      CheckSize(text->size(), more.size());
      *text += more;
    } else {
      // Text and a number add as numbers: finish by the value rules.
      Value result = Apply(BinaryOp::Plus, Value::Text(*text), v);
      for (++i; i < appends_.size(); ++i) {
        Value next = appends_[i].node->Eval();
        result = appends_[i].strCat && result.is_string() ? Value::Text(ToText(result) + ToText(next))
                                                          : Apply(BinaryOp::Plus, result, next);
      }
      // The text may live in the stored value that SetValue replaces.
      rollback.text = nullptr;
      var_->SetValue(result);
      return true;
    }
  }
  rollback.text = nullptr;
  return true;
}

}  // namespace qv
