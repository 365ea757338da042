#include "host/error_messages.h"

#include "engine/engine.h"

namespace qv::host {

namespace {

// "12:5" -> "12 行,第 5"
std::u16string PositionText(std::u16string_view pos) {
  std::u16string out;
  for (char16_t c : pos) {
    if (c == u':') {
      out += u" 行,第 ";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::u16string ErrorLabel(std::u16string_view threadName, std::u16string_view errorUnit, bool hasParent) {
  std::u16string label;
  if (!errorUnit.empty()) {
    label = threadName.empty() ? std::u16string(errorUnit)
                               : std::u16string(threadName) + u" - " + std::u16string(errorUnit);
  } else {
    label = threadName;
  }
  if (label.empty()) label = hasParent ? u"AnonymousThread" : u"MainProc";
  return label;
}

std::u16string CompileErrorMessage(const TfsScript& prog, std::u16string_view threadName, bool hasParent) {
  return ErrorLabel(threadName, prog.ErrorUnit(), hasParent) + u":" + prog.ErrorMsg() + u", 在第 " +
         PositionText(prog.ErrorPos()) + u" 个字符";
}

std::u16string RunErrorMessage(const TfsScript& prog, std::u16string_view exceptionText,
                               std::u16string_view threadName, bool hasParent) {
  return ErrorLabel(threadName, prog.ErrorUnit(), hasParent) + u":" + prog.ErrorMsg() + u"(" +
         std::u16string(exceptionText) + u"), 在第 " + PositionText(prog.ErrorPos()) + u" 个字符";
}

}  // namespace qv::host
