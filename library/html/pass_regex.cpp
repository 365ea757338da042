#include "library/html/pass_regex.h"

#include "support/errors.h"

namespace qv::library::html {

PassResult ReplacePass(TQvRegEx& rx, std::string& text, std::string_view tmpl) {
  PassResult result = PassResult::Unchanged;
  try {
    rx.SetSubject(text);
    if (rx.ReplaceAll(tmpl)) {
      text = rx.Subject();
      result = PassResult::Replaced;
    }
  } catch (const ScriptError&) {
    result = PassResult::Stopped;  // the text stays as it was
  }
  rx.SetSubject(std::string());
  return result;
}

}  // namespace qv::library::html
