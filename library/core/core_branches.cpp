// The dispatcher's branches for evaluation, calling script functions by name,
// random numbers, identifiers and application variables.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "library/branches.h"
#include "library/strings/array_values.h"

namespace qv::library {

namespace {

std::u16string Text(Caller& c, int i) { return ToText(c.GetParam(i)); }

TfsScript& Calling(Caller& c) { return c.Prog() != nullptr ? *c.Prog() : GlobalProgram(); }

Value Eval(Caller& c) { return Value::Text(Calling(c).DoEval(Text(c, 0))); }

Value High(Caller& c) { return Value::Int(static_cast<int32_t>(ToTextList(c.GetParam(0)).size()) - 1); }

Value Low(Caller&) { return Value::Int(0); }

// A draw from the system library's generator, so that both share one
// sequence: Random's value in [0, 1) scaled to 0 .. range-1.
int32_t RandomBelow(int32_t range) {
  if (range <= 0) return 0;
  static TfsCustomVariable* const random = GlobalProgram().FindLocal(u"RANDOM");
  if (random == nullptr) return 0;
  CallFrame frame(*random, &GlobalProgram());
  const double r = ToDouble(random->Read(frame));
  const auto n = static_cast<int32_t>(std::floor(r * range));
  return n < range ? n : range - 1;
}

Value Rand(Caller& c) {
  int32_t low = ToInt32(c.GetParam(0));
  int32_t high = ToInt32(c.GetParam(1));
  if (high == -1) {
    high = low;
    low = 0;
  }
  const int32_t r = RandomBelow(high);
  return Value::Int(low > 0 ? r + low : r);
}

TfsProcVariable* ScriptFunction(Caller& c, const std::u16string& name) {
  return dynamic_cast<TfsProcVariable*>(Calling(c).Find(name));
}

Value FunExists(Caller& c) { return Value::Bool(ScriptFunction(c, Text(c, 0)) != nullptr); }

// The function's parameters take P1..P5 (their defaults past the call's
// arguments), and give their final values back to P1..P5.
Value FunCall(Caller& c) {
  TfsProcVariable* func = ScriptFunction(c, Text(c, 0));
  if (func == nullptr) return Value::Text(u"");
  Value result = NoResult();
  try {
    const int n = func->Count();
    std::vector<TfsParamItem*> params;
    for (int i = 0; i < n; ++i) {
      auto* p = dynamic_cast<TfsParamItem*>(func->Get(i));
      if (p == nullptr) return result;
      params.push_back(p);
      p->SetValue(i + 1 < c.Count() ? c.GetParam(i + 1) : p->DefValue());
    }
    result = func->GetValue();
    for (int j = 1; j <= n && j < c.Count(); ++j) c.SetParam(j, params[j - 1]->GetValue());
  } catch (const std::exception&) {
    // A failing function gives what was set before the failure.
  }
  return result;
}

Value CreateObject(Caller&) { throw ScriptError(u"Automation objects are not available on this platform"); }

Value IsSet(Caller& c) { return Value::Bool(Calling(c).Find(Text(c, 0)) != nullptr); }

Value IsNull(Caller& c) {
  try {
    const Value& v = c.GetParam(0);
    if (v.is_null()) return Value::Bool(true);
    return Value::Bool(Calling(c).Find(ToText(v)) == nullptr);
  } catch (const std::exception&) {
    return Value::Bool(false);
  }
}

Value GetTickCount(Caller&) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count();
  return Value::Int64(static_cast<int64_t>(static_cast<uint32_t>(ms)));
}

// Not from Random's sequence: that starts from the same seed in every run
// until Randomize, and identifiers must not repeat across runs.
Value GetGuid(Caller&) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  thread_local std::mt19937_64 engine{[] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }()};
  std::u16string r;
  uint64_t bits = 0;
  for (int i = 0; i < 32; ++i) {
    if (i % 16 == 0) bits = engine();
    if (i == 8 || i == 12 || i == 16 || i == 20) r += u'-';
    r += kHex[bits & 15];
    bits >>= 4;
  }
  return Value::Text(std::move(r));
}

// The shared store is the GlobalProgram, whose reads and additions are
// synchronised for all script threads.
Value GetAppVar(Caller& c) {
  Value v = GlobalProgram().GetVariable(Text(c, 0));
  return v.is_null() ? c.GetParam(1) : v;
}

Value SetAppVar(Caller& c) {
  try {
    GlobalProgram().SetVariable(Text(c, 0), c.GetParam(1));
  } catch (const std::exception&) {
  }
  return NoResult();
}

constexpr Branch kBranches[] = {
    {u"EVAL", Eval},
    {u"HIGH", High},
    {u"LOW", Low},
    {u"RAND", Rand},
    {u"FUNEXISTS", FunExists},
    {u"FUNCALL", FunCall},
    {u"CALL", FunCall},
    {u"CREATEOBJECT", CreateObject},
    {u"ISSET", IsSet},
    {u"ISNULL", IsNull},
    {u"GETTICKCOUNT", GetTickCount},
    {u"GETGUID", GetGuid},
    {u"GETAPPVAR", GetAppVar},
    {u"SETAPPVAR", SetAppVar},
};

}  // namespace

std::span<const Branch> CoreBranches() { return kBranches; }

}  // namespace qv::library
