// The CSS selector compiler on arbitrary text: it either refuses the
// selector with a positioned message or produces XPath that libxml2
// compiles and runs. A selector it accepts that then fails to evaluate is
// a fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "library/select/select.h"
#include "support/errors.h"
#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string selector = qv::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    (void)qv::library::CssToXPath(selector);
  } catch (const qv::ScriptError& e) {
    if (e.message().rfind(u"Invalid selector at ", 0) != 0) __builtin_trap();
    return 0;
  }
  static const std::u16string page =
      u"<div id=a class='x y'><p lang=en-GB>t<b>u</b></p><ul><li>1<li>2<li>3</ul><a href=/z "
      u"rel=next>l</a></div>";
  try {
    (void)qv::library::HtmlSelect(page, selector, u"text");
  } catch (const qv::ScriptError&) {
    __builtin_trap();
  }
  return 0;
}
