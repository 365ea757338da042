// Arbitrary operand/operator sequences through the expression builder: the
// tree must build or raise, type-check, evaluate or raise, and be freed,
// whatever the order of brackets, prefixes and operands.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/program/program.h"
#include "engine/run/designator.h"
#include "engine/run/expression.h"
#include "support/errors.h"

namespace {

using namespace qv;

constexpr const char16_t* kOps[] = {u"(",   u")",   u"not", u"unminus", u"NOT", u"+",  u"-",
                                    u"*",   u"/",   u"div", u"mod",     u"and", u"or", u"xor",
                                    u"shl", u"shr", u"=",   u"<>",      u"<",   u"<=", u">",
                                    u">=",  u"in",  u"is",  u"strcat",  u" ",   u"?"};

struct World {
  World() {
    x = prog.AddItem(u"x", std::make_unique<TfsVariable>(u"x", fvtInt, u"Integer"));
    x->SetValue(Value::Int(3));
    b = prog.AddItem(u"b", std::make_unique<TfsVariable>(u"b", fvtBool, u"Boolean"));
    v = prog.AddItem(u"v", std::make_unique<TfsVariable>(u"v", fvtVariant, u""));
  }
  std::unique_ptr<TfsDesignator> Var(TfsCustomVariable* item) {
    TfsDesignator general(&prog);
    general.AddStep(item);
    general.Finalize();
    auto d = std::make_unique<TfsVariableDesignator>(&prog);
    d->Borrow(general);
    return d;
  }
  TfsScript prog;
  TfsVariable* x;
  TfsVariable* b;
  TfsVariable* v;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static World world;
  TfsExpression e(&world.prog);
  try {
    for (size_t i = 0; i < size; ++i) {
      uint8_t c = data[i];
      switch (c % 8) {
        case 0:
          e.AddConst(Value::Int(static_cast<int8_t>(c)));
          break;
        case 1:
          e.AddConst(c & 8 ? Value::Text(u"7") : Value::Bool(c & 16));
          break;
        case 2:
          e.AddDesignator(world.Var(c & 8 ? world.x : c & 16 ? world.b : world.v));
          break;
        case 3: {
          auto set = std::make_unique<TfsSetExpression>();
          auto low = std::make_unique<TfsExpression>(&world.prog);
          low->AddConst(Value::Int(1));
          std::u16string pos;
          low->Finalize(pos);
          set->AddExpression(std::move(low));
          if (c & 8) set->AddRange();
          e.AddSet(std::move(set));
          break;
        }
        default:
          e.AddOperator(kOps[(c / 8) % (sizeof(kOps) / sizeof(kOps[0]))]);
          break;
      }
    }
    std::u16string pos;
    e.Finalize(pos);
    world.v->SetValue(Value::Int(size));
    e.GetValue();
    std::u16string op;
    auto target = world.Var(world.x);
    e.Optimize(*target, op);
    e.GetValue();
  } catch (const ScriptError&) {
  }
  return 0;
}
