#include "support/errors.h"

#include "support/text.h"

namespace qv {

ScriptError::ScriptError(std::u16string message, std::u16string className)
    : message_(std::move(message)), className_(std::move(className)), utf8_(ToUtf8(message_)) {}

void ScriptError::NoteStatement(const std::u16string& unit, const std::u16string& pos) {
  if (!place_) {
    place_ = std::make_shared<ErrorPlace>();
    place_->unit = unit;
    place_->pos = pos;
    return;
  }
  if (!place_->callPending) return;
  ErrorPlace::Call& call = place_->calls.back();
  call.unit = unit;
  call.pos = pos;
  place_->callPending = false;
}

void ScriptError::NoteRoutine(const std::u16string& routine) {
  // Raised before any statement of the routine ran (its arguments, the
  // stack check): the calling statement is the place.
  if (!place_) return;
  if (place_->callPending) return;  // a routine called outside any statement
  if (place_->calls.size() >= ErrorPlace::kMaxCalls) {
    ++place_->omittedCalls;
    return;
  }
  place_->calls.push_back({routine, u"", u""});
  place_->callPending = true;
}

ListIndexError::ListIndexError(long long index)
    : ScriptError(u"List index out of bounds (" + IntToText(index) + u")", u"EListError") {}

}  // namespace qv
