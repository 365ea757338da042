// regpick/regcallback and splitpick/splitcallback: every match of a regular
// expression, or every piece of a split text, handed to a procedure of the
// calling script, one call per item.
#include "host/pick_callbacks.h"

#include <vector>

#include "host/quorvint.h"
#include "host/regexp_class.h"
#include "library/strings/split_text.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::host {

namespace {

// The callback procedure, looked up from the calling scope; a missing one
// is logged and stops the thread.
TfsProcVariable* FindCallback(TQuorvint& thread, Caller& c, const std::u16string& name) {
  TfsScript* scope = c.Prog() != nullptr ? c.Prog() : &thread.Program();
  TfsProcVariable* func = scope->FindFunction(name);
  if (func == nullptr) {
    thread.LG(u"cant find callback：" + name + u"，Please Check again.");
    thread.Stop();
  }
  return func;
}

// Calls the callback with two arguments, and `para` as the third when the
// callback has one.
void Call(TQuorvint& thread, TfsProcVariable& func, Value first, Value second, const Value& para) {
  std::vector<Value> args{std::move(first), std::move(second)};
  if (func.ParamCount() > 2) args.push_back(para);
  thread.Program().CallFunction2(&func, Value::Array(std::move(args)));
}

}  // namespace

std::u16string RegexErrorLine(std::u16string_view pattern, std::u16string message) {
  constexpr std::u16string_view kCompile = u"TQvRegEx.Compile() - ";
  if (size_t at = message.find(kCompile); at != std::u16string::npos) message.erase(at, kCompile.size());
  return u"check it regex:" + std::u16string(pattern) + u";" + message;
}

void RegPick(TQuorvint& thread, Caller& c) {
  std::u16string callback = ToText(c.GetParam(0));
  std::u16string source = ToText(c.GetParam(1));
  std::u16string pattern = ToText(c.GetParam(2));
  const Value para = c.GetParam(3);
  TfsProcVariable* func = FindCallback(thread, c, callback);
  if (func == nullptr) return;
  // The script sees the object only during the calls: a Free inside a
  // callback cannot take it away, and a kept reference turns invalid.
  std::unique_ptr<RegExpObject> rx = NewRegExp(pattern, source, true);
  bool found = false;
  try {
    found = rx->Regex().Match();
  } catch (const ScriptError& e) {
    thread.LG(RegexErrorLine(pattern, e.message()));
    thread.Stop();
    return;
  }
  while (found && !thread.Terminated()) {
    Call(thread, *func, Value::Object(rx->ObjectId()), Value::Text(rx->Regex().MatchedTextU16()), para);
    found = rx->Regex().MatchAgain();
  }
}

void SplitPick(TQuorvint& thread, Caller& c) {
  std::u16string callback = ToText(c.GetParam(0));
  std::u16string source = ToText(c.GetParam(1));
  std::u16string separator = ToText(c.GetParam(2));
  const Value para = c.GetParam(3);
  TfsProcVariable* func = FindCallback(thread, c, callback);
  if (func == nullptr) return;
  std::vector<std::u16string> pieces;
  constexpr std::u16string_view kReg = u"(reg)";
  if (separator.starts_with(kReg)) {
    std::u16string pattern = separator.substr(kReg.size());
    std::unique_ptr<RegExpObject> rx = NewRegExp(pattern, source, true);
    try {
      rx->Regex().Split(pieces);
    } catch (const ScriptError& e) {
      // The pieces cut before the error are still handed over.
      thread.LG(RegexErrorLine(pattern, e.message()));
    }
  } else {
    pieces = library::SplitText(source, separator);
  }
  for (size_t i = 0; i < pieces.size() && !thread.Terminated(); ++i)
    Call(thread, *func, Value::Int(static_cast<int32_t>(i)), Value::Text(std::move(pieces[i])), para);
}

}  // namespace qv::host
