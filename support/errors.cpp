#include "support/errors.h"

#include "support/text.h"

namespace qv {

ScriptError::ScriptError(std::u16string message, std::u16string className)
    : message_(std::move(message)), className_(std::move(className)), utf8_(ToUtf8(message_)) {}

ListIndexError::ListIndexError(long long index)
    : ScriptError(u"List index out of bounds (" + IntToText(index) + u")", u"EListError") {}

}  // namespace qv
