// The dispatcher's branches for the string and array functions.
#include <algorithm>

#include "library/branches.h"
#include "library/mask/match_content.h"
#include "library/mask/regex_notation.h"
#include "library/strings/array_functions.h"
#include "library/strings/array_values.h"
#include "library/strings/numeric_text.h"
#include "library/strings/split_text.h"
#include "library/strings/text_functions.h"

namespace qv::library {

namespace {

std::u16string Text(Caller& c, int i) { return ToText(c.GetParam(i)); }
bool Bool(Caller& c, int i) { return ToBool(c.GetParam(i)); }

Value Split(Caller& c) { return TextListValue(SplitText(TextOf(c.GetParam(0)), TextOf(c.GetParam(1)))); }
Value Explode(Caller& c) { return TextListValue(SplitText(TextOf(c.GetParam(1)), TextOf(c.GetParam(0)))); }

// Each element in its text form, the separator between them.
Value Implode(Caller& c) {
  const std::u16string separator = Text(c, 0);
  const Value& source = c.GetParam(1);
  std::u16string r;
  if (source.is_array()) {
    const auto& items = source.as_array().items;
    size_t size = 0;
    for (const Value& item : items) size += item.is_text() ? item.as_text().size() + separator.size() : 0;
    r.reserve(size);
    for (size_t i = 0; i < items.size(); ++i) {
      if (i > 0) r += separator;
      r += *TextOf(items[i]);
    }
  } else {
    ToTextList(source);  // raises the conversion error for a text or a number
  }
  return Value::Text(std::move(r));
}

Value Replace(Caller& c) {
  const Value& old = c.GetParam(1);
  const std::u16string oldText = old.is_null() ? std::u16string() : ToText(old);
  return Value::Text(ReplaceText(Text(c, 0), oldText, Text(c, 2),
                                 Bool(c, 3) ? CaseMode::Insensitive : CaseMode::Sensitive,
                                 Bool(c, 4) ? ReplaceCount::All : ReplaceCount::First));
}

Value Pos(Caller& c) { return Value::Int(static_cast<int32_t>(PosEx(Text(c, 0), Text(c, 1)))); }

Value SqlQuot(Caller& c) { return Value::Text(SqlQuote(Text(c, 0))); }

Value ByteLength(Caller& c) { return Value::Int(static_cast<int32_t>(2 * Text(c, 0).size())); }

Value GetMidStr(Caller& c) {
  return Value::Text(TextBetween(Text(c, 0), Text(c, 1), Text(c, 2), Bool(c, 3), CaseMode::Insensitive));
}

bool HoldsInteger(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Int32:
    case ValueKind::Int64:
    case ValueKind::UInt64:
      return true;
    default:
      return false;
  }
}

Value CutStr(Caller& c) {
  const Value& second = c.GetParam(1);
  if (HoldsInteger(second)) return Value::Text(CutLength(Text(c, 0), ToInt64(second), Text(c, 2)));
  return Value::Text(TextBetween(Text(c, 0), ToText(second), Text(c, 2), Bool(c, 3), CaseMode::Sensitive));
}

Value IsNumeric(Caller& c) { return Value::Bool(IsNumericText(Text(c, 0))); }

// An argument that is no array counts as an empty one.
std::vector<int32_t> IntsOrEmpty(const Value& v) {
  return v.is_array() ? ToIntList(v) : std::vector<int32_t>();
}

Value IntSort(Caller& c) {
  std::vector<int32_t> ints = IntsOrEmpty(c.GetParam(0));
  std::sort(ints.begin(), ints.end());
  c.SetParam(0, IntListValue(ints));
  return NoResult();
}

Value InArray(Caller& c) {
  auto list = AsValueList(c.GetParam(1));
  if (!list) return Value::Int(-1);
  return Value::Int(IndexInList(*list, Text(c, 0)));
}

Value ArrayAdd(Caller& c) {
  std::vector<Value> list = ValueListOrEmpty(c.GetParam(0));
  AddToList(list, c.GetParam(1));
  c.SetParam(0, ValueListValue(std::move(list)));
  return NoResult();
}

Value ArrayDel(Caller& c) {
  std::vector<Value> list = ValueListOrEmpty(c.GetParam(0));
  DeleteAt(list, ToInt64(c.GetParam(1)));
  c.SetParam(0, ValueListValue(std::move(list)));
  return NoResult();
}

Value ArrayDelByIndex(Caller& c) {
  std::vector<Value> list = ValueListOrEmpty(c.GetParam(0));
  DeleteIndexes(list, IntsOrEmpty(c.GetParam(1)));
  c.SetParam(0, ValueListValue(std::move(list)));
  return NoResult();
}

Value ArrayGetDuplicate(Caller& c) {
  std::vector<Value> list = ValueListOrEmpty(c.GetParam(0));
  const auto result = DuplicateIndexes(list, Bool(c, 1) ? CaseMode::Insensitive : CaseMode::Sensitive);
  c.SetParam(0, ValueListValue(std::move(list)));
  return IntListValue(result);
}

Value ArraySortByReg(Caller& c) {
  std::vector<Value> list = ValueListOrEmpty(c.GetParam(0));
  const std::u16string patterns = Text(c, 1);
  auto rx = NewPatternRegex();
  std::vector<int64_t> keys;
  keys.reserve(list.size());
  for (const Value& v : list) keys.push_back(SortKey(MatchContent(ToText(v), patterns, rx.get())));
  const std::vector<int32_t> order = StableOrder(keys);
  Reorder(list, order);
  c.SetParam(0, ValueListValue(std::move(list)));
  return IntListValue(order);
}

Value ArraySortByIndex(Caller& c) {
  std::vector<Value> list = ValueListOrEmpty(c.GetParam(0));
  Reorder(list, IntsOrEmpty(c.GetParam(1)));
  c.SetParam(0, ValueListValue(std::move(list)));
  return NoResult();
}

constexpr Branch kBranches[] = {
    {u"SPLIT", Split},
    {u"EXPLODE", Explode},
    {u"IMPLODE", Implode},
    {u"JOIN", Implode},
    {u"REPLACE", Replace},
    {u"POSEX", Pos},
    {u"INSTR", Pos},
    {u"SQLQUOT", SqlQuot},
    {u"BYTELENGTH", ByteLength},
    {u"GETMIDSTR", GetMidStr},
    {u"CUTSTR", CutStr},
    {u"ISNUMERIC", IsNumeric},
    {u"INTSORT", IntSort},
    {u"INARRAY", InArray},
    {u"ARRAYADD", ArrayAdd},
    {u"ARRAYDEL", ArrayDel},
    {u"ARRAYDELBYINDEX", ArrayDelByIndex},
    {u"ARRAYGETDULPICATE", ArrayGetDuplicate},
    {u"ARRAYSORTBYREG", ArraySortByReg},
    {u"ARRAYSORTBYINDEX", ArraySortByIndex},
};

}  // namespace

std::span<const Branch> StringBranches() { return kBranches; }

}  // namespace qv::library
