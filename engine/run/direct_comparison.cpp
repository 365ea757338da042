#include "engine/run/direct_comparison.h"

#include <typeinfo>

#include "engine/run/specialised.h"

namespace qv {

namespace {

bool ComparisonOf(TfsOperatorType op, BinaryOp& out) {
  switch (op) {
    case opLess:
      out = BinaryOp::Less;
      return true;
    case opLessEq:
      out = BinaryOp::LessEq;
      return true;
    case opGreat:
      out = BinaryOp::Great;
      return true;
    case opGreatEq:
      out = BinaryOp::GreatEq;
      return true;
    case opNonEq:
      out = BinaryOp::NonEq;
      return true;
    case opEq:
      out = BinaryOp::Eq;
      return true;
    default:
      return false;
  }
}

uint8_t Outcomes(BinaryOp op) {
  switch (op) {
    case BinaryOp::Less:
      return 0b001;
    case BinaryOp::LessEq:
      return 0b011;
    case BinaryOp::Great:
      return 0b100;
    case BinaryOp::GreatEq:
      return 0b110;
    case BinaryOp::NonEq:
      return 0b101;
    default:
      return 0b010;
  }
}

}  // namespace

DirectComparison::DirectComparison(BinaryOp op, TfsCustomVariable* left, TfsCustomVariable* rightVar,
                                   Value constant)
    : op_(op), holds_(Outcomes(op)), left_(left), rightVar_(rightVar), constant_(std::move(constant)) {}

std::unique_ptr<DirectComparison> DirectComparison::Find(TfsExpression* e) {
  if (!SpecialisedPaths() || e == nullptr || e->Root() == nullptr) return nullptr;
  TfsOperatorNode* compare = e->Root()->AsOperator();
  BinaryOp op;
  if (compare == nullptr || !ComparisonOf(compare->Op(), op)) return nullptr;
  TfsDesignatorNode* left = compare->Left() != nullptr ? compare->Left()->AsDesignatorNode() : nullptr;
  TfsExpressionNode* right = compare->Right();
  if (left == nullptr || !left->IsPlain() || right == nullptr) return nullptr;
  if (typeid(*right) == typeid(TfsOperandNode))
    return std::unique_ptr<DirectComparison>(
        new DirectComparison(op, left->Var(), nullptr, static_cast<TfsOperandNode*>(right)->Constant()));
  if (TfsDesignatorNode* var = right->AsDesignatorNode(); var != nullptr && var->IsPlain())
    return std::unique_ptr<DirectComparison>(new DirectComparison(op, left->Var(), var->Var(), Value()));
  return nullptr;
}

}  // namespace qv
