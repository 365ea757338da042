// Building designators and expressions by hand, the way the builder does.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/items/items.h"
#include "engine/run/designator.h"
#include "engine/run/expression.h"

namespace qv::testing {

// One step: the item and its argument expressions.
struct StepSpec {
  TfsCustomVariable* item;
  std::vector<std::unique_ptr<TfsExpression>> args;
};

// Finalises the chain and moves it into the class of its kind.
inline std::unique_ptr<TfsDesignator> Specialise(std::unique_ptr<TfsDesignator> d, TfsScript* prog) {
  d->Finalize();
  std::unique_ptr<TfsDesignator> out;
  switch (d->Kind()) {
    case dkVariable:
      out = std::make_unique<TfsVariableDesignator>(prog);
      break;
    case dkStringArray:
      out = std::make_unique<TfsStringDesignator>(prog);
      break;
    case dkArray:
      out = std::make_unique<TfsArrayDesignator>(prog);
      break;
    case dkOther:
      return d;
  }
  out->Borrow(*d);
  return out;
}

inline std::unique_ptr<TfsDesignator> Chain(TfsScript* prog, std::vector<StepSpec> steps) {
  auto d = std::make_unique<TfsDesignator>(prog);
  for (StepSpec& s : steps) {
    TfsDesignatorItem* step = d->AddStep(s.item);
    for (auto& a : s.args) step->AddArg(std::move(a));
  }
  return Specialise(std::move(d), prog);
}

inline std::unique_ptr<TfsDesignator> VarDsgn(TfsScript* prog, TfsCustomVariable* item) {
  std::vector<StepSpec> steps;
  steps.push_back({item, {}});
  return Chain(prog, std::move(steps));
}

// A token of the flat operand/operator sequence.
struct Tok {
  enum Kind { kConst, kOp, kVar } kind;
  Value value;
  std::u16string op;
  TfsCustomVariable* var = nullptr;
  std::u16string pos;
};

inline Tok C(Value v, std::u16string pos = u"") {
  return {Tok::kConst, std::move(v), u"", nullptr, std::move(pos)};
}
inline Tok C(int i) { return C(Value::Int(i)); }
inline Tok O(std::u16string op, std::u16string pos = u"") {
  return {Tok::kOp, Value(), std::move(op), nullptr, std::move(pos)};
}
inline Tok V(TfsCustomVariable* var) { return {Tok::kVar, Value(), u"", var, u""}; }

inline void Feed(TfsExpression& e, TfsScript* prog, const std::vector<Tok>& toks) {
  for (const Tok& t : toks) {
    e.SetSourcePos(t.pos);
    switch (t.kind) {
      case Tok::kConst:
        e.AddConst(t.value);
        break;
      case Tok::kOp:
        e.AddOperator(t.op);
        break;
      case Tok::kVar:
        e.AddDesignator(VarDsgn(prog, t.var));
        break;
    }
  }
}

// A finished expression; `ok` receives the type check's verdict.
inline std::unique_ptr<TfsExpression> Expr(TfsScript* prog, const std::vector<Tok>& toks, bool* ok = nullptr,
                                           std::u16string* errorPos = nullptr) {
  auto e = std::make_unique<TfsExpression>(prog);
  Feed(*e, prog, toks);
  std::u16string pos;
  bool fine = e->Finalize(pos);
  if (ok != nullptr) *ok = fine;
  if (errorPos != nullptr) *errorPos = pos;
  return e;
}

inline std::unique_ptr<TfsExpression> ConstExpr(Value v, std::u16string source = u"") {
  auto e = std::make_unique<TfsExpression>(nullptr);
  e->AddConst(v);
  e->SetSource(std::move(source));
  std::u16string pos;
  e->Finalize(pos);
  return e;
}

inline std::unique_ptr<TfsExpression> VarExpr(TfsScript* prog, TfsCustomVariable* var) {
  return Expr(prog, {V(var)});
}

}  // namespace qv::testing
