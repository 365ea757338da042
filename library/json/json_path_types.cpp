// The type pass: after parsing, every function expression is bound to its
// function and checked against the well-typedness rules (the result type
// where it is used, each argument against its parameter type).
#include <string>

#include "library/json/json_path_ast.h"
#include "support/text.h"

namespace qv::library::jsonpath {

namespace {

struct Signature {
  const char16_t* name;
  FunctionId id;
  ExprType result;
  std::vector<ExprType> parameters;
};

const std::vector<Signature>& Signatures() {
  static const std::vector<Signature> table = {
      {u"length", FunctionId::Length, ExprType::Value, {ExprType::Value}},
      {u"count", FunctionId::Count, ExprType::Value, {ExprType::Nodes}},
      {u"match", FunctionId::Match, ExprType::Logical, {ExprType::Value, ExprType::Value}},
      {u"search", FunctionId::Search, ExprType::Logical, {ExprType::Value, ExprType::Value}},
      {u"value", FunctionId::Value, ExprType::Value, {ExprType::Nodes}},
  };
  return table;
}

void CheckQuery(Query& q);
void CheckLogical(Expr& e);
ExprType CheckFunction(Expr& e);

// A filter or a paren, "!", "&&" or "||" operand: a test or a logical value.
void CheckLogical(Expr& e) {
  switch (e.kind) {
    case ExprKind::Or:
    case ExprKind::And:
    case ExprKind::Not:
      for (auto& o : e.operands) CheckLogical(*o);
      return;
    case ExprKind::Compare:
      for (auto& o : e.operands) {
        if (o->kind == ExprKind::Query) CheckQuery(*o->query);
        if (o->kind == ExprKind::Function && CheckFunction(*o) != ExprType::Value)
          Fail(o->pos, o->functionName + u"() gives no value to compare");
      }
      return;
    case ExprKind::Query:
      CheckQuery(*e.query);
      return;
    case ExprKind::Function:
      if (CheckFunction(e) == ExprType::Value) Fail(e.pos, e.functionName + u"() must be compared");
      return;
    case ExprKind::Literal:
      Fail(e.pos, u"a literal cannot be a test");
  }
}

// Whether argument `a` can be passed as a parameter of type `want`.
bool Fits(Expr& a, ExprType want) {
  const bool plain = !a.grouped;
  switch (want) {
    case ExprType::Value:
      if (a.kind == ExprKind::Literal) return true;
      if (plain && a.kind == ExprKind::Query) {
        CheckQuery(*a.query);
        return a.query->Singular();
      }
      return plain && a.kind == ExprKind::Function && CheckFunction(a) == ExprType::Value;
    case ExprType::Nodes:
      if (plain && a.kind == ExprKind::Query) {
        CheckQuery(*a.query);
        return true;
      }
      return plain && a.kind == ExprKind::Function && CheckFunction(a) == ExprType::Nodes;
    case ExprType::Logical:
      if (a.kind == ExprKind::Literal) return false;
      if (plain && a.kind == ExprKind::Function) return CheckFunction(a) != ExprType::Value;
      CheckLogical(a);
      return true;
  }
  return false;
}

const char16_t* TypeName(ExprType t) {
  switch (t) {
    case ExprType::Value:
      return u"a value";
    case ExprType::Logical:
      return u"a logical expression";
    case ExprType::Nodes:
      return u"a query";
  }
  return u"";
}

ExprType CheckFunction(Expr& e) {
  for (const Signature& s : Signatures()) {
    if (e.functionName != s.name) continue;
    e.function = s.id;
    if (e.operands.size() != s.parameters.size())
      Fail(e.pos, e.functionName + u"() takes " + IntToText(static_cast<long long>(s.parameters.size())) +
                      (s.parameters.size() == 1 ? u" argument" : u" arguments"));
    for (size_t i = 0; i < s.parameters.size(); ++i)
      if (!Fits(*e.operands[i], s.parameters[i]))
        Fail(e.operands[i]->pos, u"argument " + IntToText(static_cast<long long>(i + 1)) + u" of " +
                                     e.functionName + u"() must be " + TypeName(s.parameters[i]));
    return s.result;
  }
  Fail(e.pos, u"unknown function " + e.functionName + u"()");
}

void CheckQuery(Query& q) {
  for (Segment& seg : q.segments)
    for (Selector& s : seg.selectors)
      if (s.kind == SelectorKind::Filter) CheckLogical(*s.filter);
}

}  // namespace

void CheckTypes(Query& query) { CheckQuery(query); }

}  // namespace qv::library::jsonpath
