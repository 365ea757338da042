// The texts a host thread logs for a failed compile or run: a label that
// names the thread (and the unit the error lies in), the message and the
// position as "在第 line 行,第 column 个字符".
#pragma once

#include <string>
#include <string_view>

namespace qv {
class TfsScript;
}

namespace qv::host {

// The label of an error: thread name, unit, or "MainProc" /
// "AnonymousThread" for unnamed threads without and with a parent.
std::u16string ErrorLabel(std::u16string_view threadName, std::u16string_view errorUnit, bool hasParent);

// label + ":" + message + ", 在第 " + position + " 个字符".
std::u16string CompileErrorMessage(const TfsScript& prog, std::u16string_view threadName, bool hasParent);

// label + ":" + message + "(" + exception text + "), 在第 " + position + " 个字符".
std::u16string RunErrorMessage(const TfsScript& prog, std::u16string_view exceptionText,
                               std::u16string_view threadName, bool hasParent);

}  // namespace qv::host
