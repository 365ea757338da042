// runjs: runs a piece of JavaScript, then evaluates an expression and gives
// its value as text. Every call gets a fresh engine in a helper process
// (qvjs), so nothing survives between calls, code that never ends can be
// ended, and a crash or a memory hog cannot take the script host down.
//
//   RunJs(u"var a = 1 + 2;", u"a", &stopFlag);   // u"3"
//   RunJs(u"var a = ;", u"a", nullptr);          // u"" (syntax error)
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>

namespace qv::host {

// Empty text on any error: a script error, a missing or failing helper, a
// run that `stop` ended (checked every 10 ms) or that outlived `limit`.
// undefined and null give empty text, Booleans "True" and "False".
std::u16string RunJs(std::u16string_view code, std::u16string_view expression, const std::atomic<bool>* stop,
                     std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace qv::host
