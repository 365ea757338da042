// The indexing helpers: elements of arrays and characters of strings.
#include "engine/items/array_index.h"
#include "engine/items/items.h"
#include "engine/run/run_messages.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

// The indexes of a call for an array of `dims` dimensions; false when the
// frame has fewer.
bool Indexes(const Caller& call, int dims, int32_t* out) {
  return ConvertIndexes(
      dims, call.Count(), [&](int d) { return ToInt32(call.GetParam(d)); }, out);
}

// The value an indexing helper acts on: the parent item's stored value when
// it has one, else the value the previous step produced.
Value Subject(const Caller& call) {
  TfsCustomVariable* ref = call.ParentRef();
  return ref != nullptr && ref->HasStorage() ? ref->StoredValue() : call.ParentValue();
}

[[noreturn]] void ThrowNotAssignable() { throw ScriptError(run_msg::kNotAssignable); }

}  // namespace

// ---- TfsArrayHelper -------------------------------------------------------

TfsArrayHelper::TfsArrayHelper(std::u16string name, int dimCount, TfsVarType typ, std::u16string typeName)
    : TfsCustomHelper(std::move(name), typ, std::move(typeName)) {
  bool runtimeShape = dimCount < 0;
  int n = runtimeShape ? ArrayBlock::kMaxDims : dimCount;
  for (int i = 0; i < n; ++i)
    AddParam(std::make_unique<TfsParamItem>(u"", fvtInt, u"", runtimeShape && i > 0, false));
}

Value TfsArrayHelper::Read(Caller& call) {
  try {
    Value subject = Subject(call);
    if (!subject.is_array()) return Value::Null();
    const ArrayBlock& a = subject.as_array();
    int32_t index[ArrayBlock::kMaxDims];
    if (!Indexes(call, a.dims, index)) return Value::Null();
    long long offset = ElementOffset(a, index, a.dims);
    return offset < 0 ? Value::Null() : a.items[static_cast<size_t>(offset)];
  } catch (const ScriptError&) {
    return Value::Null();
  }
}

void TfsArrayHelper::Write(Caller& call, const Value& v) {
  TfsCustomVariable* ref = call.ParentRef();
  if (ref == nullptr || !ref->HasStorage()) ThrowNotAssignable();
  ref->ModifyStoredValue([&](Value& stored) {
    if (!stored.is_array()) throw ScriptError(run_msg::kArrayRequired);
    int32_t index[ArrayBlock::kMaxDims];
    int dims = stored.as_array().dims;
    long long offset = Indexes(call, dims, index) ? ElementOffset(stored.as_array(), index, dims) : -1;
    if (offset < 0) throw ScriptError(run_msg::kArrayIndex);
    stored.mutable_array().items[static_cast<size_t>(offset)] = v;
  });
}

// ---- TfsStringHelper ------------------------------------------------------

namespace {

size_t CharIndex(const std::u16string& s, const Caller& call) {
  int32_t i = ToInt32(call.GetParam(0));
  if (i < 1 || static_cast<size_t>(i) > s.size())
    throw ScriptError(run_msg::kStringIndex + IntToText(i) + u")");
  return static_cast<size_t>(i) - 1;
}

}  // namespace

TfsStringHelper::TfsStringHelper(std::u16string name) : TfsCustomHelper(std::move(name), fvtChar, u"") {
  AddParam(std::make_unique<TfsParamItem>(u"index", fvtInt, u"", false, false));
}

Value TfsStringHelper::Read(Caller& call) {
  std::u16string s = ToText(call.ParentValue());
  return Value::Text(s.substr(CharIndex(s, call), 1));
}

void TfsStringHelper::Write(Caller& call, const Value& v) {
  TfsCustomVariable* ref = call.ParentRef();
  if (ref == nullptr) ThrowNotAssignable();
  std::u16string s = ToText(call.ParentValue());
  size_t at = CharIndex(s, call);
  std::u16string c = ToText(v);
  s[at] = c.empty() ? u'\0' : c[0];
  ref->SetValue(Value::Text(std::move(s)));
}

}  // namespace qv
