#include "engine/items/caller.h"

#include "engine/items/items.h"
#include "engine/run/run_messages.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

[[noreturn]] void ThrowParamIndex(int i) { throw ScriptError(run_msg::kParamIndex + IntToText(i) + u")"); }

const std::u16string kNoName;

}  // namespace

const Value& Caller::ParamOutside(int i) const {
  if (i == count_) return setValue_;
  ThrowParamIndex(i);
}

void Caller::SetParam(int i, Value v) {
  if (static_cast<unsigned>(i) >= static_cast<unsigned>(count_)) ThrowParamIndex(i);
  args_[i] = std::move(v);
}

const std::u16string& Caller::Name() const noexcept { return item_ != nullptr ? item_->Name() : kNoName; }

CallFrame::CallFrame(TfsCustomVariable& item, TfsScript* prog) : CallFrame(&item, prog, item.ParamCount()) {}

CallFrame::CallFrame(TfsCustomVariable* item, TfsScript* prog, int count)
    : Caller(item, prog, inline_, count) {
  if (count < 0) ThrowParamIndex(count);
  if (count > kInlineArgs) {
    heap_ = std::make_unique<Value[]>(count);
    SetArgs(heap_.get());
  }
}

Value& CallFrame::Arg(int i) {
  if (static_cast<unsigned>(i) >= static_cast<unsigned>(Count())) ThrowParamIndex(i);
  return heap_ ? heap_[i] : inline_[i];
}

}  // namespace qv
