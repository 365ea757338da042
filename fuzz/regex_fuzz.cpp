// Pattern, replacement template and subject, separated by NUL bytes, through
// matching, group access, ReplaceAll and Split. Errors are fine; crashes,
// sanitizer reports and endless loops are not.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/errors.h"
#include "support/regex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  size_t a = in.find('\0');
  if (a == std::string_view::npos) return 0;
  size_t b = in.find('\0', a + 1);
  if (b == std::string_view::npos) return 0;
  std::string_view pattern = in.substr(0, a), tmpl = in.substr(a + 1, b - a - 1), subject = in.substr(b + 1);
  for (int round = 0; round < 2; ++round) {
    qv::TQvRegEx rx;
    if (round == 1) rx.SetState({});  // empty matches allowed
    rx.SetOptions({qv::TQvRegExOption::preCaseLess, qv::TQvRegExOption::preMultiLine});
    rx.SetRegEx(pattern);
    try {
      rx.SetSubject(std::string(subject));
      for (bool ok = rx.Match(); ok; ok = rx.MatchAgain()) {
        for (int g = -1; g <= rx.GroupCount() + 1; ++g) (void)rx.Groups(g);
        (void)rx.ComputeReplacement(tmpl);
      }
      // "$_" and "$`" insert the subject as changed so far, which doubles it
      // per match: correct, but not something to wait for here.
      if (tmpl.find("$_") == std::string_view::npos && tmpl.find('`') == std::string_view::npos) {
        rx.SetSubject(std::string(subject));
        rx.ReplaceAll(tmpl);
      }
      rx.SetSubject(std::string(subject));
      std::vector<std::string> pieces;
      rx.Split(pieces, 3);
      (void)qv::TQvRegEx::EscapeRegExChars(subject);
    } catch (const qv::ScriptError&) {
    }
  }
  return 0;
}
